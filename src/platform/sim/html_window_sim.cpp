#include "platform/sim/html_window_sim.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "html_ui/external_calls.h"

namespace sim {

namespace {

/// The machine's UI thread: runs work in the order it comes, started with the first window.
class UiThread {
public:
    ~UiThread() { stop(); }

    bool onThread() const { return std::this_thread::get_id() == id_.load(); }

    /// Queues `work` without waiting for it.
    void post(std::function<void()> work) {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        startLocked();
        queue_.push_back({std::move(work), nullptr});
        changed_.notify_all();
    }

    /// Runs `work` on the thread and waits for it; at once on the thread itself. Work not taken within
    /// the limit is withdrawn and the call throws.
    void run(const std::function<void()>& work) {
        if (onThread()) {
            work();
            return;
        }
        auto call = std::make_shared<Call>();
        std::unique_lock lock(mutex_);
        if (stopping_) throw std::logic_error("the simulated UI thread has ended");
        startLocked();
        queue_.push_back({[&work] { work(); }, call});
        changed_.notify_all();
        changed_.wait_for(lock, SimHtmlBrowser::uiLimit, [&] { return call->finished || call->started || stopping_; });
        // Work that has started runs on borrowed references: it must end before this call does.
        if (call->started) changed_.wait(lock, [&] { return call->finished; });
        if (!call->started) {
            std::erase_if(queue_, [&](const Job& job) { return job.call == call; });
            if (stopping_) throw std::logic_error("the simulated UI thread has ended");
            throw std::runtime_error("the simulated UI thread did not take work within " +
                                     std::to_string(SimHtmlBrowser::uiLimit.count()) + " ms");
        }
        if (call->error) std::rethrow_exception(call->error);
    }

    /// On the thread: waits at most `limit` until other work is queued.
    bool workWaits(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return !queue_.empty(); });
    }

    void stop() {
        std::thread ending;
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            changed_.notify_all();
            ending = std::move(thread_);
        }
        if (ending.joinable()) {
            if (ending.get_id() == std::this_thread::get_id()) {
                ending.detach();
            } else {
                ending.join();
            }
        }
        std::deque<Job> dropped;
        const std::lock_guard lock(mutex_);
        dropped.swap(queue_);
    }

private:
    struct Call {
        bool started = false;
        bool finished = false;
        std::exception_ptr error;
    };
    struct Job {
        std::function<void()> work;
        std::shared_ptr<Call> call;  // null for posted work
    };

    void startLocked() {
        if (thread_.joinable()) return;
        thread_ = std::thread([this] { loop(); });
        id_ = thread_.get_id();
    }

    void loop() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_) return;
                job = std::move(queue_.front());
                queue_.pop_front();
                if (job.call) job.call->started = true;
            }
            if (!job.call) {
                job.work();
                continue;
            }
            std::exception_ptr error;
            try {
                job.work();
            } catch (...) {
                error = std::current_exception();
            }
            const std::lock_guard lock(mutex_);
            job.call->error = error;
            job.call->finished = true;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::thread thread_;
    std::atomic<std::thread::id> id_;
};

}  // namespace

struct SimHtmlBrowser::Shared {
    mutable std::mutex mutex;
    std::map<std::string, std::deque<SimHtmlPageScript>> scripts;
    std::vector<SimHtmlWindowState> windows;
    std::vector<ui::WindowHandler*> handlers;  // UI thread only, one per window
    UiThread ui;

    /// The script of the next load of `url`: the first registered page name it ends in.
    SimHtmlPageScript take(const std::string& url) {
        const std::lock_guard lock(mutex);
        for (auto& [name, queue] : scripts) {
            if (queue.empty() || url.size() < name.size() ||
                url.compare(url.size() - name.size(), name.size(), name) != 0) {
                continue;
            }
            SimHtmlPageScript script = std::move(queue.front());
            queue.pop_front();
            return script;
        }
        return {};
    }

    void change(std::size_t index, const std::function<void(SimHtmlWindowState&)>& edit) {
        const std::lock_guard lock(mutex);
        edit(windows[index]);
    }

    /// The browser's side of a load, on the UI thread.
    static void navigate(const std::shared_ptr<Shared>& self, std::size_t index, const std::string& url,
                         const SimHtmlPageScript& script) {
        ui::WindowHandler* handler = self->handlers[index];
        if (handler == nullptr || ui::browser_events::beforeNavigate(url)) return;
        switch (script.load) {
            case SimHtmlPageScript::Load::never:
                return;
            case SimHtmlPageScript::Load::navigationError:
                ui::browser_events::navigateError(handler, script.status);
                // The browser completes its (cancelled) error page all the same.
                ui::browser_events::documentComplete(handler);
                return;
            case SimHtmlPageScript::Load::complete:
                break;
        }
        ui::browser_events::documentComplete(handler);
        if (script.user) {
            SimHtmlPage page(self, index);
            script.user(page);
        }
    }
};

SimHtmlBrowser::SimHtmlBrowser() : shared_(std::make_shared<Shared>()) {}

SimHtmlBrowser::~SimHtmlBrowser() { shared_->ui.stop(); }

void SimHtmlBrowser::onPage(std::string pageName, SimHtmlPageScript script) {
    const std::lock_guard lock(shared_->mutex);
    shared_->scripts[std::move(pageName)].push_back(std::move(script));
}

void SimHtmlBrowser::userActs(std::size_t index, std::function<void(SimHtmlPage&)> user) {
    shared_->ui.post([shared = shared_, index, user = std::move(user)] {
        if (index >= shared->handlers.size() || shared->handlers[index] == nullptr) return;
        SimHtmlPage page(shared, index);
        user(page);
    });
}

std::vector<SimHtmlWindowState> SimHtmlBrowser::windows() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->windows;
}

std::unique_ptr<platform::HtmlWindow> SimHtmlBrowser::create() {
    std::size_t index = 0;
    {
        const std::lock_guard lock(shared_->mutex);
        index = shared_->windows.size();
        shared_->windows.emplace_back();
    }
    shared_->ui.run([&] { shared_->handlers.push_back(nullptr); });
    return std::make_unique<SimHtmlWindow>(shared_, index);
}

// ---- the page ----

std::optional<std::string> SimHtmlPage::external(std::string_view method, std::vector<std::string> arguments) {
    const std::int32_t id = ui::external::dispatchId(method);
    if (id == ui::external::unknownName) throw std::invalid_argument("window.external has no " + std::string(method));
    return ui::external::invoke(id, arguments, shared_->handlers[index_]);
}

void SimHtmlPage::notify(std::string name, std::vector<std::string> arguments) {
    std::vector<std::string> all{std::move(name)};
    all.insert(all.end(), std::make_move_iterator(arguments.begin()), std::make_move_iterator(arguments.end()));
    external("notify", std::move(all));
}

void SimHtmlPage::close() {
    if (auto* handler = shared_->handlers[index_]) handler->onClose();
}

bool SimHtmlPage::workWaits(std::chrono::milliseconds limit) { return shared_->ui.workWaits(limit); }

SimHtmlWindowState SimHtmlPage::state() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->windows[index_];
}

// ---- the window ----

SimHtmlWindow::SimHtmlWindow(std::shared_ptr<SimHtmlBrowser::Shared> shared, std::size_t index)
    : shared_(std::move(shared)), index_(index) {}

SimHtmlWindow::~SimHtmlWindow() {
    try {
        destroy();
    } catch (const std::exception&) {
        // No UI thread any more: nothing can reach the handler.
        shared_->handlers[index_] = nullptr;
    }
}

void SimHtmlWindow::onUiThread(const std::function<void()>& work) { shared_->ui.run(work); }

void SimHtmlWindow::change(const std::function<void(SimHtmlWindowState&)>& edit) {
    // Without a window there is nothing to ask the UI thread.
    if (!exists()) return;
    onUiThread([&] { shared_->change(index_, edit); });
}

void SimHtmlWindow::load(const std::string& url, ui::WindowHandler& handler) {
    SimHtmlPageScript script = shared_->take(url);
    onUiThread([&] {
        shared_->handlers[index_] = &handler;
        shared_->change(index_, [&](SimHtmlWindowState& s) {
            s.exists = true;
            s.urls.push_back(url);
        });
    });
    shared_->ui.post([shared = shared_, index = index_, url, script = std::move(script)] {
        SimHtmlBrowser::Shared::navigate(shared, index, url, script);
    });
}

void SimHtmlWindow::destroy() {
    onUiThread([&] {
        shared_->handlers[index_] = nullptr;
        shared_->change(index_, [](SimHtmlWindowState& s) { s.end(); });
    });
}

bool SimHtmlWindow::exists() {
    const std::lock_guard lock(shared_->mutex);
    return shared_->windows[index_].exists;
}

std::string SimHtmlWindow::execScript(const std::string& script) {
    onUiThread([&] {
        if (!exists()) throw std::logic_error("browser control does not exist");
        shared_->change(index_, [&](SimHtmlWindowState& s) { s.scripts.push_back(script); });
    });
    return {};
}

void SimHtmlWindow::setVisible(bool visible) {
    change([&](SimHtmlWindowState& s) { s.show(visible); });
}

void SimHtmlWindow::setTitle(std::string_view title) {
    change([&](SimHtmlWindowState& s) { s.setTitle(title); });
}

void SimHtmlWindow::setSize(int width, int height) {
    change([&](SimHtmlWindowState& s) { s.resize(width, height); });
}

void SimHtmlWindow::move(int x, int y) {
    change([&](SimHtmlWindowState& s) { s.moveTo(x, y); });
}

platform::Rect SimHtmlWindow::windowRect() {
    platform::Rect rect;
    change([&](SimHtmlWindowState& s) { rect = s.place(); });
    return rect;
}

platform::Rect SimHtmlWindow::parentRect() {
    change([](SimHtmlWindowState&) {});
    return simScreen;
}

void SimHtmlWindow::enableCloseItem(bool enabled) {
    change([&](SimHtmlWindowState& s) { s.enableCloseItem(enabled); });
}

void SimHtmlWindow::sendClose() {
    onUiThread([&] {
        if (auto* handler = shared_->handlers[index_]) handler->onClose();
    });
}

}  // namespace sim

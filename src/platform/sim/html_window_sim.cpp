#include "platform/sim/html_window_sim.h"

#include <future>
#include <stdexcept>

#include "html_ui/external_calls.h"

namespace sim {

struct SimHtmlBrowser::Shared {
    mutable std::mutex mutex;
    std::map<std::string, std::deque<SimHtmlPageScript>> scripts;
    std::vector<SimHtmlWindowState> windows;

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
};

SimHtmlBrowser::SimHtmlBrowser() : shared_(std::make_shared<Shared>()) {}

SimHtmlBrowser::~SimHtmlBrowser() = default;

void SimHtmlBrowser::onPage(std::string pageName, SimHtmlPageScript script) {
    const std::lock_guard lock(shared_->mutex);
    shared_->scripts[std::move(pageName)].push_back(std::move(script));
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
    return std::make_unique<SimHtmlWindow>(shared_, index);
}

// ---- the page ----

std::optional<std::string> SimHtmlPage::external(std::string_view method, std::vector<std::string> arguments) {
    const std::int32_t id = ui::external::dispatchId(method);
    if (id == ui::external::unknownName) throw std::invalid_argument("window.external has no " + std::string(method));
    return ui::external::invoke(id, arguments, window_.handler());
}

void SimHtmlPage::notify(std::string name, std::vector<std::string> arguments) {
    std::vector<std::string> all{std::move(name)};
    all.insert(all.end(), std::make_move_iterator(arguments.begin()), std::make_move_iterator(arguments.end()));
    external("notify", std::move(all));
}

void SimHtmlPage::close() {
    if (auto* handler = window_.handler()) handler->onClose();
}

SimHtmlWindowState SimHtmlPage::state() const {
    const std::lock_guard lock(window_.shared_->mutex);
    return window_.shared_->windows[window_.index_];
}

// ---- the window ----

SimHtmlWindow::SimHtmlWindow(std::shared_ptr<SimHtmlBrowser::Shared> shared, std::size_t index)
    : shared_(std::move(shared)), index_(index), thread_([this] { loop(); }) {}

SimHtmlWindow::~SimHtmlWindow() {
    {
        const std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    queueChanged_.notify_all();
    thread_.join();
}

void SimHtmlWindow::loop() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work();
    }
}

void SimHtmlWindow::post(std::function<void()> work) {
    {
        const std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(work));
    }
    queueChanged_.notify_all();
}

void SimHtmlWindow::onUiThread(const std::function<void()>& work) {
    if (std::this_thread::get_id() == thread_.get_id()) {
        work();
        return;
    }
    std::promise<void> done;
    post([&] {
        try {
            work();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    done.get_future().get();
}

void SimHtmlWindow::change(const std::function<void(SimHtmlWindowState&)>& edit) {
    const std::lock_guard lock(shared_->mutex);
    edit(shared_->windows[index_]);
}

ui::WindowHandler* SimHtmlWindow::handler() { return handler_; }

void SimHtmlWindow::load(const std::string& url, ui::WindowHandler& handler) {
    SimHtmlPageScript script = shared_->take(url);
    onUiThread([&] {
        handler_ = &handler;
        change([&](SimHtmlWindowState& s) {
            s.exists = true;
            s.urls.push_back(url);
        });
    });
    post([this, url, script = std::move(script)] { navigate(url, script); });
}

void SimHtmlWindow::navigate(const std::string& url, const SimHtmlPageScript& script) {
    if (handler_ == nullptr || ui::browser_events::beforeNavigate(url)) return;
    switch (script.load) {
        case SimHtmlPageScript::Load::never:
            return;
        case SimHtmlPageScript::Load::navigationError:
            ui::browser_events::navigateError(handler_, script.status);
            // The browser completes its (cancelled) error page all the same.
            ui::browser_events::documentComplete(handler_);
            return;
        case SimHtmlPageScript::Load::complete:
            break;
    }
    ui::browser_events::documentComplete(handler_);
    if (script.user) {
        SimHtmlPage page(*this);
        script.user(page);
    }
}

void SimHtmlWindow::destroy() {
    onUiThread([&] {
        handler_ = nullptr;
        change([](SimHtmlWindowState& s) { s.end(); });
    });
}

bool SimHtmlWindow::exists() {
    const std::lock_guard lock(shared_->mutex);
    return shared_->windows[index_].exists;
}

std::string SimHtmlWindow::execScript(const std::string& script) {
    onUiThread([&] {
        if (!exists()) throw std::logic_error("browser control does not exist");
        change([&](SimHtmlWindowState& s) { s.scripts.push_back(script); });
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
    const std::lock_guard lock(shared_->mutex);
    return shared_->windows[index_].place();
}

platform::Rect SimHtmlWindow::parentRect() { return simScreen; }

void SimHtmlWindow::enableCloseItem(bool enabled) {
    change([&](SimHtmlWindowState& s) { s.enableCloseItem(enabled); });
}

void SimHtmlWindow::sendClose() {
    onUiThread([&] {
        if (handler_ != nullptr) handler_->onClose();
    });
}

}  // namespace sim

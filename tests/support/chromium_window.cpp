#include "support/chromium_window.h"

#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "html_ui/external_calls.h"
#include "platform/sim/desktop_sim.h"

extern char** environ;

namespace test {

namespace {

// The window's frame around the page: a captioned dialog frame at 96 dpi.
constexpr int frameWidth = 16;
constexpr int frameHeight = 39;
// 250 by 177 dialog units with the usual 8 by 16 base units, at (100, 100).
constexpr platform::Rect initialRect{100, 100, 100 + 500 + frameWidth, 100 + 354 + frameHeight};

std::atomic<std::int64_t> windowNumbers{1};

std::string inTime() { return " within " + std::to_string(ChromiumWindow::limit.count()) + " ms"; }

}  // namespace

// ---- the browser, its relay and its UI thread ----

class ChromiumBrowser {
public:
    static constexpr auto limit = ChromiumWindow::limit;

    struct Reply {
        bool ok = false;
        std::string value;  // or the error
    };
    struct Call {
        bool finished = false;
        std::exception_ptr error;
    };
    struct Job {
        std::function<void()> work;
        std::shared_ptr<Call> call;  // null for the relay's events
    };

    ChromiumBrowser() { ui_ = std::thread([this] { runUiThread(); }); }

    ~ChromiumBrowser() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            changed_.notify_all();
        }
        ui_.join();
        if (relay_ < 0) return;
        shutdown(channel_, SHUT_WR);  // the relay's input ends: it closes the browser and exits
        waitpid(relay_, nullptr, 0);
        // The browser's processes may still hold the relay's end: wake the reader ourselves.
        shutdown(channel_, SHUT_RDWR);
        reader_.join();
        close(channel_);
    }

    /// Starts the relay and its browser unless they run; throws when they cannot.
    void start() {
        const std::lock_guard starting(startMutex_);
        if (relay_ < 0) spawnRelay();
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [this] { return replies_.count(0) != 0 || !failure_.empty(); });
        if (!failure_.empty()) throw std::runtime_error("Chromium window: " + failure_);
        if (replies_.count(0) == 0) throw failedLocked("the browser did not start" + inTime());
        if (!replies_[0].ok) throw failedLocked("the browser did not start: " + replies_[0].value);
    }

    /// Runs `work` on the UI thread and waits for it; at once on the UI thread itself.
    void onUiThread(const std::function<void()>& work) {
        if (onUi()) return work();
        auto call = std::make_shared<Call>();
        std::unique_lock lock(mutex_);
        queue_.push_back({[&work] { work(); }, call});
        changed_.notify_all();
        if (!changed_.wait_for(lock, limit, [&] { return call->finished; }) &&
            std::erase_if(queue_, [&](const Job& job) { return job.call == call; }) != 0) {
            throw failedLocked("the UI thread did not take work" + inTime());
        }
        // Work that has started runs on borrowed references: it must end before this call does.
        changed_.wait(lock, [&] { return call->finished; });
        if (call->error) std::rethrow_exception(call->error);
    }

    /// Waits until `condition` holds, checked under the lock that guards the windows' states.
    void waitFor(const std::function<bool()>& condition, std::string_view what) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, limit, [&] { return condition() || !failure_.empty(); })) {
            throw std::runtime_error("Chromium window: " + std::string(what) + " did not happen" + inTime());
        }
        if (!condition()) throw std::runtime_error("Chromium window: " + failure_);
    }

    bool working() {
        const std::lock_guard lock(mutex_);
        return failure_.empty();
    }

    /// Sends playwright call `method(args...)` for window `window` and waits for its answer. On the UI
    /// thread the wait runs the page's calls made by an evaluation it awaits (and every synchronous
    /// one), as the engine's own thread would inside the call.
    Reply request(std::int64_t window, const char* method, Json::Value args) {
        const bool ui = onUi();
        Json::Value command;
        std::unique_lock lock(mutex_);
        if (!failure_.empty()) throw std::runtime_error("Chromium window: " + failure_);
        const std::int64_t id = nextId_++;
        if (ui) awaited_.insert(id);
        lock.unlock();
        command["id"] = static_cast<Json::Int64>(id);
        command["window"] = static_cast<Json::Int64>(window);
        command["method"] = method;
        command["args"] = std::move(args);
        write(command);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        lock.lock();
        const struct Done {
            std::set<std::int64_t>& awaited;
            std::int64_t id;
            ~Done() { awaited.erase(id); }
        } done{awaited_, id};
        for (;;) {
            if (ui && !nested_.empty()) {
                const Json::Value message = std::move(nested_.front());
                nested_.pop_front();
                lock.unlock();
                dispatch(message);
                lock.lock();
            } else if (const auto found = replies_.find(id); found != replies_.end()) {
                Reply reply = std::move(found->second);
                replies_.erase(found);
                return reply;
            } else if (!failure_.empty()) {
                throw std::runtime_error("Chromium window: " + failure_);
            } else if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
                throw failedLocked(std::string("no answer to ") + method + inTime());
            }
        }
    }

    void write(const Json::Value& message) {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "";
        builder["emitUTF8"] = true;
        const std::string line = Json::writeString(builder, message) + "\n";
        const std::lock_guard lock(writeMutex_);
        for (std::size_t done = 0; done < line.size();) {
            const ssize_t written = send(channel_, line.data() + done, line.size() - done, MSG_NOSIGNAL);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                const std::lock_guard failing(mutex_);
                throw failedLocked(std::string("cannot write to the relay: ") + std::strerror(errno));
            }
            done += static_cast<std::size_t>(written);
        }
    }

    /// A message of the relay, on the UI thread.
    void dispatch(const Json::Value& message) {
        ChromiumWindow* target = nullptr;
        {
            const std::lock_guard lock(mutex_);
            for (ChromiumWindow* window : windows_) {
                if (window->number_ == message["window"].asInt64() && window->handler_ != nullptr) target = window;
            }
        }
        const std::string event = message["event"].asString();
        if (event == "call") {
            std::vector<std::string> arguments;
            for (const auto& argument : message["args"]) arguments.push_back(argument.asString());
            const auto value = ui::external::invoke(ui::external::dispatchId(message["method"].asString()),
                                                    arguments, target != nullptr ? target->handler_ : nullptr);
            if (!message["sync"].asBool()) return;
            Json::Value answer;
            answer["answer"] = message["call"];
            answer["value"] = value.value_or("");
            write(answer);
        } else if (target != nullptr && event == "loaded") {
            target->loaded();
        } else if (target != nullptr && event == "navError") {
            ui::browser_events::navigateError(target->handler_, message["status"].asInt());
        }
    }

    // Guards what follows, and the state of every window of this browser.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ChromiumWindow*> windows_;  // every window object, oldest first

private:
    bool onUi() const { return std::this_thread::get_id() == uiId_.load(); }

    std::runtime_error failedLocked(const std::string& why) {
        if (failure_.empty() && !stopping_) failure_ = why;
        changed_.notify_all();
        return std::runtime_error("Chromium window: " + (failure_.empty() ? why : failure_));
    }

    void spawnRelay() {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            throw std::runtime_error(std::string("Chromium window: socketpair: ") + std::strerror(errno));
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        const char* chosen = std::getenv("ZARN_CHROMIUM_RELAY");
        std::string node = "node";
        std::string script = chosen != nullptr ? chosen : ZARN_CHROMIUM_RELAY;
        char* arguments[] = {node.data(), script.data(), nullptr};
        pid_t pid = -1;
        const int spawned = posix_spawnp(&pid, "node", &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (spawned != 0) {
            close(ends[0]);
            throw std::runtime_error(std::string("Chromium window: cannot start node from PATH: ") +
                                     std::strerror(spawned));
        }
        relay_ = pid;
        channel_ = ends[0];
        reader_ = std::thread([this] { readRelay(); });
    }

    /// The reader thread: answers for the waiting requests, page calls for the UI thread's awaited
    /// requests, the rest for the UI thread in order.
    void readRelay() {
        FILE* input = fdopen(dup(channel_), "r");
        char* line = nullptr;
        std::size_t size = 0;
        const std::unique_ptr<Json::CharReader> parser(Json::CharReaderBuilder().newCharReader());
        for (ssize_t length = 0; input != nullptr && (length = getline(&line, &size, input)) > 0;) {
            Json::Value message;
            const std::lock_guard lock(mutex_);
            if (!parser->parse(line, line + length, &message, nullptr) || !message.isObject()) {
                failedLocked(std::string("the relay wrote what is not a message: ") + line);
                break;
            }
            if (message.isMember("id")) {
                const bool ok = message["ok"].asBool();
                replies_[message["id"].asInt64()] = {ok, message[ok ? "value" : "error"].asString()};
            } else if (message["event"] == "call" && !awaited_.empty() &&
                       (message["sync"].asBool() || awaited_.count(message["eval"].asInt64()) != 0)) {
                nested_.push_back(std::move(message));
            } else {
                queue_.push_back({[this, message] { dispatch(message); }, nullptr});
            }
            changed_.notify_all();
        }
        std::free(line);
        if (input != nullptr) std::fclose(input);
        const std::lock_guard lock(mutex_);
        failedLocked("the relay ended (its messages, if any, are above)");
    }

    void runUiThread() {
        uiId_ = std::this_thread::get_id();
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            const Job job = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            std::exception_ptr error;
            try {
                job.work();
            } catch (const std::exception& e) {
                error = std::current_exception();
                // As the engine does with an exception inside a browser event.
                if (!job.call) std::cerr << "Chromium window: a browser event failed: " << e.what() << "\n";
            }
            lock.lock();
            if (job.call) {
                job.call->error = error;
                job.call->finished = true;
                changed_.notify_all();
            }
        }
    }

    std::mutex startMutex_;
    pid_t relay_ = -1;
    int channel_ = -1;  // our end of the relay's stdin and stdout
    std::thread reader_;
    std::atomic<std::thread::id> uiId_;
    std::thread ui_;
    std::mutex writeMutex_;
    // Under mutex_:
    std::string failure_;  // why the relay can no longer be used; empty while it can
    bool stopping_ = false;
    std::int64_t nextId_ = 1;
    std::map<std::int64_t, Reply> replies_;  // 0: the browser's start
    std::deque<Job> queue_;                  // for the UI thread
    std::deque<Json::Value> nested_;         // page calls that the UI thread's awaited requests made
    std::set<std::int64_t> awaited_;         // requests the UI thread waits for
};

std::shared_ptr<ChromiumBrowser> newChromiumBrowser() { return std::make_shared<ChromiumBrowser>(); }

// ---- the window ----

ChromiumWindow::ChromiumWindow(std::shared_ptr<ChromiumBrowser> browser)
    : browser_(std::move(browser)), number_(windowNumbers++) {
    state_.rect = initialRect;
    const std::lock_guard lock(browser_->mutex_);
    browser_->windows_.push_back(this);
}

ChromiumWindow::~ChromiumWindow() {
    try {
        destroy();
    } catch (const std::exception& e) {
        std::cerr << "Chromium window: " << e.what() << "\n";
    }
    const std::lock_guard lock(browser_->mutex_);
    std::erase(browser_->windows_, this);
}

std::string ChromiumWindow::request(const char* method, Json::Value args) {
    const ChromiumBrowser::Reply reply = browser_->request(number_, method, std::move(args));
    if (!reply.ok) throw std::runtime_error("Chromium window: " + std::string(method) + ": " + reply.value);
    return reply.value;
}

void ChromiumWindow::change(const std::function<void(ChromiumWindowState&)>& edit) {
    const std::lock_guard lock(browser_->mutex_);
    edit(state_);
    browser_->changed_.notify_all();
}

ChromiumWindowState ChromiumWindow::state() {
    const std::lock_guard lock(browser_->mutex_);
    return state_;
}

void ChromiumWindow::waitFor(const std::function<bool(const ChromiumWindowState&)>& condition, std::string_view what) {
    browser_->waitFor([&] { return condition(state_); }, what);
}

void ChromiumWindow::loaded() {
    ui::browser_events::documentComplete(handler_);
    change([](ChromiumWindowState& s) { ++s.loads; });
}

void ChromiumWindow::load(const std::string& url, ui::WindowHandler& handler) {
    browser_->start();
    browser_->onUiThread([&] {
        handler_ = &handler;
        change([&](ChromiumWindowState& s) {
            s.exists = true;
            s.urls.push_back(url);
        });
        if (!ui::browser_events::beforeNavigate(url)) request("open", list(url));
    });
}

void ChromiumWindow::destroy() {
    if (!exists()) return;
    browser_->onUiThread([this] {
        handler_ = nullptr;
        change([](ChromiumWindowState& s) { s.end(); });
        // Without a relay there is no page left to close.
        if (browser_->working()) request("closeWindow");
    });
}

bool ChromiumWindow::exists() {
    const std::lock_guard lock(browser_->mutex_);
    return state_.exists;
}

std::string ChromiumWindow::execScript(const std::string& script) {
    if (!exists()) throw std::logic_error("browser control does not exist");
    std::string value;
    browser_->onUiThread([&] {
        const ChromiumBrowser::Reply reply = browser_->request(number_, "hostEval", list(script));
        if (!reply.ok) throw std::runtime_error("JScript execution error: " + reply.value);
        value = reply.value;
    });
    return value;
}

void ChromiumWindow::changeOnUiThread(const std::function<void(ChromiumWindowState&)>& edit) {
    if (exists()) browser_->onUiThread([&] { change(edit); });
}

void ChromiumWindow::setSize(int width, int height) {
    if (!exists()) return;
    browser_->onUiThread([&] {
        change([&](ChromiumWindowState& s) { s.resize(width, height); });
        Json::Value viewport;
        viewport["width"] = std::max(1, width - frameWidth);
        viewport["height"] = std::max(1, height - frameHeight);
        request("setViewportSize", list(viewport));
    });
}

platform::Rect ChromiumWindow::windowRect() {
    platform::Rect rect;
    changeOnUiThread([&](ChromiumWindowState& s) { rect = s.place(); });
    return rect;
}

platform::Rect ChromiumWindow::parentRect() {
    changeOnUiThread([](ChromiumWindowState&) {});
    return sim::simScreen;
}

void ChromiumWindow::sendClose() {
    if (!exists()) return;
    browser_->onUiThread([this] {
        if (handler_ != nullptr) handler_->onClose();
    });
}

// ---- the user ----

std::string ChromiumWindow::act(const char* method, Json::Value args) {
    waitUntilShown();
    return request(method, std::move(args));
}

void ChromiumWindow::waitForFocus(const std::string& id) {
    act("waitForFunction", list("document.activeElement && document.activeElement.id === " +
                                Json::valueToQuotedString(id.c_str())));
}

void ChromiumWindow::screenshot(const std::string& path) {
    Json::Value options;
    options["path"] = path;
    act("screenshot", list(options));
}

// ---- the factory ----

ChromiumWindows::ChromiumWindows(sim::SimDesktop& desktop, std::shared_ptr<ChromiumBrowser> browser)
    : desktop_(desktop), browser_(std::move(browser)) {
    desktop_.setHtmlWindowFactory([browser = browser_] { return std::make_unique<ChromiumWindow>(browser); });
}

ChromiumWindows::~ChromiumWindows() { desktop_.setHtmlWindowFactory({}); }

ChromiumWindow& ChromiumWindows::last() {
    const std::lock_guard lock(browser_->mutex_);
    if (browser_->windows_.empty()) throw std::logic_error("no Chromium window exists");
    return *browser_->windows_.back();
}

ChromiumWindow& ChromiumWindows::showing(std::string_view page) {
    ChromiumWindow* found = nullptr;
    browser_->waitFor(
        [&] {
            for (ChromiumWindow* window : browser_->windows_) {
                const ChromiumWindowState& s = window->state_;
                if (s.visible && !s.urls.empty() && s.urls.back().ends_with(page) &&
                    s.loads == static_cast<int>(s.urls.size())) {
                    found = window;
                }
            }
            return found != nullptr;
        },
        "a window showing " + std::string(page));
    return *found;
}

void ChromiumWindows::closeEveryShownWindow() {
    browser_->onUiThread([this] {
        std::vector<ChromiumWindow*> shown;
        {
            const std::lock_guard lock(browser_->mutex_);
            // A page still loading is not yet the user's to close.
            for (ChromiumWindow* window : browser_->windows_) {
                const ChromiumWindowState& s = window->state_;
                if (s.visible && s.loads == static_cast<int>(s.urls.size())) shown.push_back(window);
            }
        }
        for (ChromiumWindow* window : shown) window->sendClose();
    });
}

}  // namespace test

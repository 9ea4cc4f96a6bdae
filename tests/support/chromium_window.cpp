#include "support/chromium_window.h"

#include <json/json.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "html_ui/external_calls.h"
#include "platform/sim/desktop_sim.h"

extern char** environ;

namespace test {

namespace {

// The window's frame around the page: a captioned dialog frame at 96 dpi.
constexpr int frameWidth = 16;
constexpr int frameHeight = 39;
// 250 by 177 dialog units with the usual 8 by 16 base units.
constexpr int initialClientWidth = 500;
constexpr int initialClientHeight = 354;
constexpr int initialLeft = 100;
constexpr int initialTop = 100;

std::atomic<std::int64_t> windowNumbers{1};

std::string systemError(const char* what, int code) { return std::string(what) + ": " + std::strerror(code); }

std::string jsonLine(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value) + "\n";
}

/// A JavaScript string literal of `text` (JSON's is one).
std::string scriptString(std::string_view text) {
    Json::StreamWriterBuilder builder;
    builder["emitUTF8"] = true;
    return Json::writeString(builder, Json::Value(std::string(text)));
}

std::string inTime() { return " within " + std::to_string(ChromiumBrowser::limit.count()) + " ms"; }

}  // namespace

// ---- the browser and its relay ----

ChromiumBrowser::ChromiumBrowser() = default;

ChromiumBrowser::~ChromiumBrowser() { stopRelay(); }

void ChromiumBrowser::start() {
    const std::lock_guard starting(startMutex_);
    if (relay_ < 0) spawnRelay();
    std::unique_lock lock(mutex_);
    const bool settled = changed_.wait_for(lock, limit, [this] { return ready_ || !failure_.empty(); });
    if (!failure_.empty()) throw std::runtime_error("Chromium window: " + failure_);
    if (!settled) {
        failure_ = "the browser did not start" + inTime();
        throw std::runtime_error("Chromium window: " + failure_);
    }
}

void ChromiumBrowser::spawnRelay() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        throw std::runtime_error(systemError("Chromium window: socketpair", errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    std::string node = "node";
    // Tests of the failure paths put a relay of their own in its place.
    const char* chosen = std::getenv("ZARN_CHROMIUM_RELAY");
    std::string script = chosen != nullptr ? chosen : ZARN_CHROMIUM_RELAY;
    char* arguments[] = {node.data(), script.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "node", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        throw std::runtime_error(systemError("Chromium window: cannot start node from PATH", spawned));
    }
    relay_ = pid;
    channel_ = ends[0];
    reader_ = std::thread([this] { readerLoop(); });
}

void ChromiumBrowser::stopRelay() {
    if (relay_ < 0) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    try {
        Json::Value close;
        close["op"] = "close";
        close["id"] = 0;
        write(close);
    } catch (const std::exception&) {
        // Already gone: nothing to ask.
    }
    int status = 0;
    const auto deadline = Clock::now() + limit;
    pid_t ended = 0;
    while ((ended = waitpid(relay_, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended == 0) {
        std::cerr << "Chromium window: the relay did not end in time; killed\n";
        kill(relay_, SIGKILL);
        waitpid(relay_, &status, 0);
    }
    // The browser's processes may still hold the relay's end: wake the reader ourselves.
    shutdown(channel_, SHUT_RDWR);
    reader_.join();
    close(channel_);
    relay_ = -1;
}

void ChromiumBrowser::write(const Json::Value& command) {
    if (relay_ < 0) throw std::logic_error("Chromium window: the browser has not been started");
    const std::string line = jsonLine(command);
    const std::lock_guard lock(writeMutex_);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = send(channel_, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) fail(systemError("cannot write to the relay", errno));
        done += static_cast<std::size_t>(written);
    }
}

std::unique_ptr<Json::Value> ChromiumBrowser::readMessage(const Clock::time_point* deadline) {
    for (;;) {
        const std::size_t end = received_.find('\n');
        if (end != std::string::npos) {
            const std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            auto message = std::make_unique<Json::Value>();
            Json::CharReaderBuilder builder;
            std::string error;
            std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
            if (!reader->parse(line.data(), line.data() + line.size(), message.get(), &error) || !message->isObject()) {
                fail("the relay wrote what is not a message: " + line);
            }
            return message;
        }
        int wait = -1;
        if (deadline != nullptr) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            if (left.count() <= 0) fail("no answer from the browser" + inTime());
            wait = static_cast<int>(left.count());
        }
        pollfd channel{channel_, POLLIN, 0};
        const int ready = poll(&channel, 1, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) fail(systemError("poll", errno));
        if (ready == 0) continue;
        char buffer[65536];
        const ssize_t got = read(channel_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) fail("the relay ended (its messages, if any, are above)");
        received_.append(buffer, static_cast<std::size_t>(got));
    }
}

std::unique_ptr<Json::Value> ChromiumBrowser::nextMessage() {
    if (!backlog_.empty()) {
        auto message = std::move(backlog_.front());
        backlog_.pop_front();
        return message;
    }
    return readMessage(nullptr);
}

void ChromiumBrowser::readerLoop() {
    readerId_ = std::this_thread::get_id();
    for (;;) {
        std::unique_ptr<Json::Value> message;
        try {
            message = nextMessage();
        } catch (const std::exception&) {
            return;  // the failure is recorded
        }
        try {
            dispatch(*message);
        } catch (const std::exception& e) {
            // As the engine does with an exception inside a browser event.
            std::cerr << "Chromium window: " << (*message)["type"].asString() << " failed: " << e.what() << "\n";
        }
    }
}

ChromiumWindow* ChromiumBrowser::window(const Json::Value& message) {
    const std::lock_guard lock(mutex_);
    const auto found = windows_.find(message["window"].asInt64());
    return found != windows_.end() ? found->second : nullptr;
}

void ChromiumBrowser::dispatch(const Json::Value& message) {
    const std::string type = message["type"].asString();
    if (type == "reply") {
        storeReply(message);
    } else if (type == "call") {
        std::vector<std::string> arguments;
        for (const auto& argument : message["args"]) arguments.push_back(argument.asString());
        ChromiumWindow* target = window(message);
        const auto value = ui::external::invoke(ui::external::dispatchId(message["method"].asString()), arguments,
                                                target != nullptr ? target->handler_ : nullptr);
        if (message["sync"].asBool()) {
            Json::Value answer;
            answer["op"] = "answer";
            answer["call"] = message["call"];
            answer["value"] = value.value_or("");
            write(answer);
        }
    } else if (type == "loaded") {
        if (ChromiumWindow* target = window(message)) target->loaded();
    } else if (type == "navError") {
        if (ChromiumWindow* target = window(message)) target->navigationFailed(message);
    } else if (type == "echo") {
        std::function<void()> work;
        {
            const std::lock_guard lock(mutex_);
            const auto found = posted_.find(message["id"].asInt64());
            if (found == posted_.end()) return;
            work = std::move(found->second);
            posted_.erase(found);
        }
        work();
    } else if (type == "ready") {
        const std::lock_guard lock(mutex_);
        ready_ = true;
        changed_.notify_all();
    } else if (type == "fatal") {
        const std::lock_guard lock(mutex_);
        if (failure_.empty()) failure_ = "the browser did not start: " + message["error"].asString();
        changed_.notify_all();
    }
}

void ChromiumBrowser::storeReply(const Json::Value& message) {
    const std::lock_guard lock(mutex_);
    Reply& reply = replies_[message["id"].asInt64()];
    reply.ok = message["ok"].asBool();
    reply.value = reply.ok ? message["value"].asString() : message["error"].asString();
    changed_.notify_all();
}

void ChromiumBrowser::fail(const std::string& why) {
    std::string failure;
    {
        const std::lock_guard lock(mutex_);
        if (failure_.empty() && !stopping_) failure_ = why;
        failure = failure_.empty() ? why : failure_;
        changed_.notify_all();
    }
    throw std::runtime_error("Chromium window: " + failure);
}

std::string ChromiumBrowser::failure() {
    const std::lock_guard lock(mutex_);
    return failure_;
}

bool ChromiumBrowser::onReaderThread() const { return std::this_thread::get_id() == readerId_.load(); }

ChromiumBrowser::Reply ChromiumBrowser::request(Json::Value command) {
    std::int64_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        if (!failure_.empty()) throw std::runtime_error("Chromium window: " + failure_);
        id = nextId_++;
    }
    command["id"] = static_cast<Json::Int64>(id);
    const auto take = [this, id]() -> std::optional<Reply> {
        const auto found = replies_.find(id);
        if (found == replies_.end()) return std::nullopt;
        Reply reply = std::move(found->second);
        replies_.erase(found);
        return reply;
    };
    if (!onReaderThread()) {
        write(command);
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, limit, [&] { return replies_.count(id) != 0 || !failure_.empty(); })) {
            lock.unlock();
            fail("no answer from the browser" + inTime());
        }
        if (auto reply = take()) return *reply;
        throw std::runtime_error("Chromium window: " + failure_);
    }

    awaited_.push_back(id);
    struct Pop {
        std::vector<std::int64_t>& awaited;
        ~Pop() { awaited.pop_back(); }
    } pop{awaited_};
    write(command);
    const auto deadline = Clock::now() + limit;
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (auto reply = take()) return *reply;
        }
        auto message = readMessage(&deadline);
        const std::string type = (*message)["type"].asString();
        const bool madeByAwaited = type == "call" && ((*message)["sync"].asBool() ||
                                                      std::find(awaited_.begin(), awaited_.end(),
                                                                (*message)["eval"].asInt64()) != awaited_.end());
        if (type == "reply" || type == "fatal" || madeByAwaited) {
            dispatch(*message);
        } else {
            backlog_.push_back(std::move(message));
        }
    }
}

void ChromiumBrowser::onUiThread(const std::function<void()>& work) {
    if (onReaderThread()) {
        work();
        return;
    }
    struct Done {
        bool started = false;
        bool finished = false;
        std::exception_ptr error;
    };
    auto done = std::make_shared<Done>();
    std::int64_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        if (!failure_.empty()) throw std::runtime_error("Chromium window: " + failure_);
        id = nextId_++;
        posted_[id] = [this, done, &work] {
            {
                const std::lock_guard started(mutex_);
                done->started = true;
            }
            std::exception_ptr error;
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            const std::lock_guard finished(mutex_);
            done->error = error;
            done->finished = true;
            changed_.notify_all();
        };
    }
    Json::Value echo;
    echo["op"] = "echo";
    echo["id"] = static_cast<Json::Int64>(id);
    write(echo);
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return done->finished || (!done->started && !failure_.empty()); });
    // Work that has started runs on borrowed references: it must end before this call does.
    if (done->started) changed_.wait(lock, [&] { return done->finished; });
    if (!done->started) {
        posted_.erase(id);
        lock.unlock();
        fail("the UI thread did not take work" + inTime());
    }
    if (done->error) std::rethrow_exception(done->error);
}

// ---- the window ----

ChromiumWindow::ChromiumWindow(std::shared_ptr<ChromiumBrowser> browser, std::function<void(ChromiumWindow*)> gone)
    : browser_(browser ? std::move(browser) : std::make_shared<ChromiumBrowser>()),
      gone_(std::move(gone)),
      number_(windowNumbers++) {
    state_.rect = {initialLeft, initialTop, initialLeft + initialClientWidth + frameWidth,
                   initialTop + initialClientHeight + frameHeight};
}

ChromiumWindow::~ChromiumWindow() {
    try {
        destroy();
    } catch (const std::exception& e) {
        std::cerr << "Chromium window: " << e.what() << "\n";
        // No UI thread to ask any more: it delivers nothing either.
        const std::lock_guard lock(browser_->mutex_);
        browser_->windows_.erase(number_);
    }
    // Out of the factory's list before the browser goes: the list's users read the window's state.
    if (gone_) gone_(this);
    browser_.reset();
}

void ChromiumWindow::start() { browser_->start(); }

ChromiumBrowser::Reply ChromiumWindow::request(Json::Value command, std::string_view what) {
    command["window"] = static_cast<Json::Int64>(number_);
    ChromiumBrowser::Reply reply = browser_->request(std::move(command));
    if (!reply.ok) throw std::runtime_error("Chromium window: " + std::string(what) + ": " + reply.value);
    return reply;
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
    std::unique_lock lock(browser_->mutex_);
    const auto settled = [&] { return condition(state_) || !browser_->failure_.empty(); };
    if (!browser_->changed_.wait_for(lock, limit, settled)) {
        throw std::runtime_error("Chromium window: " + std::string(what) + " did not happen" + inTime());
    }
    if (!condition(state_)) throw std::runtime_error("Chromium window: " + browser_->failure_);
}

void ChromiumWindow::loaded() {
    if (holdingLoads_) {
        ++heldLoads_;
        return;
    }
    ui::browser_events::documentComplete(handler_);
    change([](ChromiumWindowState& s) { ++s.loads; });
}

void ChromiumWindow::navigationFailed(const Json::Value& message) {
    std::cerr << "Chromium window: navigation to " << message["url"].asString()
              << " failed: " << message["reason"].asString() << "\n";
    ui::browser_events::navigateError(handler_, message["status"].asInt());
}

void ChromiumWindow::load(const std::string& url, ui::WindowHandler& handler) {
    start();
    browser_->onUiThread([&] {
        handler_ = &handler;
        if (!registered_) {
            const std::lock_guard lock(browser_->mutex_);
            browser_->windows_[number_] = this;
            registered_ = true;
        }
        change([&](ChromiumWindowState& s) {
            s.exists = true;
            s.urls.push_back(url);
        });
        if (ui::browser_events::beforeNavigate(url)) return;
        Json::Value open;
        open["op"] = "open";
        open["url"] = url;
        request(open, "open " + url);
    });
}

void ChromiumWindow::forget() {
    handler_ = nullptr;
    registered_ = false;
    {
        const std::lock_guard lock(browser_->mutex_);
        browser_->windows_.erase(number_);
    }
    change([](ChromiumWindowState& s) { s.end(); });
}

void ChromiumWindow::destroy() {
    if (!exists()) return;
    if (!browser_->failure().empty()) {
        // No UI thread left to ask: it delivers nothing either.
        forget();
        return;
    }
    browser_->onUiThread([this] {
        forget();
        Json::Value close;
        close["op"] = "closeWindow";
        request(close, "close the window");
    });
}

bool ChromiumWindow::exists() {
    const std::lock_guard lock(browser_->mutex_);
    return state_.exists;
}

std::string ChromiumWindow::execScript(const std::string& script) {
    std::string value;
    browser_->onUiThread([&] {
        if (!exists()) throw std::logic_error("browser control does not exist");
        Json::Value eval;
        eval["op"] = "eval";
        eval["window"] = static_cast<Json::Int64>(number_);
        eval["script"] = script;
        const ChromiumBrowser::Reply reply = browser_->request(eval);
        if (!reply.ok) throw std::runtime_error("JScript execution error: " + reply.value);
        value = reply.value;
    });
    return value;
}

void ChromiumWindow::changeOnUiThread(const std::function<void(ChromiumWindowState&)>& edit) {
    // Without a window there is nothing to ask the UI thread.
    if (!exists()) return;
    browser_->onUiThread([&] { change(edit); });
}

void ChromiumWindow::setVisible(bool visible) {
    changeOnUiThread([&](ChromiumWindowState& s) { s.show(visible); });
}

void ChromiumWindow::setTitle(std::string_view title) {
    changeOnUiThread([&](ChromiumWindowState& s) { s.setTitle(title); });
}

void ChromiumWindow::setSize(int width, int height) {
    if (!exists()) return;
    browser_->onUiThread([&] {
        change([&](ChromiumWindowState& s) { s.resize(width, height); });
        Json::Value viewport;
        viewport["op"] = "viewport";
        viewport["width"] = std::max(1, width - frameWidth);
        viewport["height"] = std::max(1, height - frameHeight);
        request(viewport, "set the viewport");
    });
}

void ChromiumWindow::move(int x, int y) {
    changeOnUiThread([&](ChromiumWindowState& s) { s.moveTo(x, y); });
}

platform::Rect ChromiumWindow::windowRect() {
    platform::Rect rect;
    changeOnUiThread([&](ChromiumWindowState& s) { rect = s.place(); });
    return rect;
}

platform::Rect ChromiumWindow::parentRect() {
    platform::Rect rect = sim::simScreen;
    changeOnUiThread([](ChromiumWindowState&) {});
    return rect;
}

void ChromiumWindow::enableCloseItem(bool enabled) {
    changeOnUiThread([&](ChromiumWindowState& s) { s.enableCloseItem(enabled); });
}

void ChromiumWindow::holdLoads() {
    browser_->onUiThread([this] { holdingLoads_ = true; });
}

void ChromiumWindow::releaseLoads() {
    browser_->onUiThread([this] {
        holdingLoads_ = false;
        for (; heldLoads_ > 0; --heldLoads_) loaded();
    });
}

void ChromiumWindow::sendClose() {
    // Without a window there is nothing to send the command to.
    if (!exists()) return;
    browser_->onUiThread([this] {
        if (handler_ != nullptr) handler_->onClose();
    });
}

// ---- the user ----

void ChromiumWindow::waitUntilShown() {
    waitFor([](const ChromiumWindowState& s) { return s.visible; }, "the window showing");
}

void ChromiumWindow::click(std::string_view selector) {
    waitUntilShown();
    Json::Value click;
    click["op"] = "click";
    click["selector"] = std::string(selector);
    request(click, "click " + std::string(selector));
}

void ChromiumWindow::press(std::string_view key) {
    waitUntilShown();
    Json::Value press;
    press["op"] = "press";
    press["key"] = std::string(key);
    request(press, "press " + std::string(key));
}

void ChromiumWindow::tick(std::string_view selector, bool checked) {
    waitUntilShown();
    Json::Value tick;
    tick["op"] = "check";
    tick["selector"] = std::string(selector);
    tick["checked"] = checked;
    request(tick, "tick " + std::string(selector));
}

std::string ChromiumWindow::text(std::string_view selector) {
    waitUntilShown();
    Json::Value eval;
    eval["op"] = "eval";
    eval["script"] = "document.querySelector(" + scriptString(selector) + ").innerText";
    return request(eval, "read " + std::string(selector)).value;
}

std::string ChromiumWindow::focusedId() {
    waitUntilShown();
    Json::Value eval;
    eval["op"] = "eval";
    eval["script"] = "document.activeElement ? document.activeElement.id : ''";
    return request(eval, "read the focus").value;
}

void ChromiumWindow::screenshot(const std::string& path) {
    waitUntilShown();
    Json::Value shot;
    shot["op"] = "screenshot";
    shot["path"] = path;
    request(shot, "screenshot " + path);
}

// ---- the factory ----

struct ChromiumWindows::Registry {
    std::shared_ptr<ChromiumBrowser> browser = std::make_shared<ChromiumBrowser>();
    std::mutex mutex;
    std::vector<ChromiumWindow*> windows;
};

ChromiumWindows::ChromiumWindows(sim::SimDesktop& desktop, std::shared_ptr<ChromiumBrowser> browser)
    : desktop_(desktop), registry_(std::make_shared<Registry>()) {
    if (browser) registry_->browser = std::move(browser);
    desktop_.setHtmlWindowFactory([registry = registry_]() -> std::unique_ptr<platform::HtmlWindow> {
        auto window = std::make_unique<ChromiumWindow>(registry->browser, [registry](ChromiumWindow* gone) {
            const std::lock_guard lock(registry->mutex);
            std::erase(registry->windows, gone);
        });
        const std::lock_guard lock(registry->mutex);
        registry->windows.push_back(window.get());
        return window;
    });
}

ChromiumWindows::~ChromiumWindows() { desktop_.setHtmlWindowFactory({}); }

ChromiumWindow& ChromiumWindows::last() {
    const std::lock_guard lock(registry_->mutex);
    if (registry_->windows.empty()) throw std::logic_error("no Chromium window exists");
    return *registry_->windows.back();
}

ChromiumWindow& ChromiumWindows::showing(std::string_view page) {
    const auto deadline = std::chrono::steady_clock::now() + ChromiumWindow::limit;
    for (;;) {
        {
            const std::lock_guard lock(registry_->mutex);
            for (ChromiumWindow* window : registry_->windows) {
                const ChromiumWindowState s = window->state();
                if (s.visible && !s.urls.empty() && s.urls.back().ends_with(page) &&
                    s.loads == static_cast<int>(s.urls.size())) {
                    return *window;
                }
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("Chromium window: no window showed " + std::string(page) + inTime());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChromiumWindows::closeEveryShownWindow() {
    registry_->browser->onUiThread([this] {
        const std::lock_guard lock(registry_->mutex);
        for (ChromiumWindow* window : registry_->windows) {
            const ChromiumWindowState s = window->state();
            // A page still loading is not yet the user's to close.
            if (s.visible && s.loads == static_cast<int>(s.urls.size())) window->sendClose();
        }
    });
}

}  // namespace test

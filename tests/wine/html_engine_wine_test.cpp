// The HTML dialogs' engine on the real machine: the UI thread and its actions, the page's
// `window.external` called as a script engine calls it, the browser's events, and the WebBrowser
// control in a real window. Wine has no HTML engine here, so every navigation fails: the tests hold
// the engine to what Wine really reports. Run under a display (cmake/wine-display-run).
#include <windows.h>
// <windows.h> comes first: the browser's event ids build on it.
#include <exdispid.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/logger.h"
#include "html_ui/dialog.h"
#include "html_ui/win32/browser_control.h"
#include "html_ui/win32/browser_window.h"
#include "html_ui/win32/ui_thread.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_machine.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

platform::win32::Win32Machine machine;
std::string logPath;

std::string logText() {
    std::ifstream file(logPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

/// The log written since `mark` (a size of the log taken earlier).
std::string logSince(std::size_t mark) { return logText().substr(mark); }

std::string hex(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

/// A dialog side that records what the engine told it, on whatever thread.
class Recorder final : public ui::WindowHandler {
public:
    std::string getLocale() override { return "de"; }
    void onClose() override { add("close"); }
    void onLoadComplete() override { add("load"); }
    void onNavigateError(std::int32_t status) override { add("error " + hex(status)); }
    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override {
        add(joined("event " + name, arguments));
    }
    void setWindowProp(const std::string& name, const std::vector<std::string>& values) override {
        add(joined("prop " + name, values));
    }

    std::vector<std::string> calls() {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    /// Waits until at least `count` calls have arrived or `limit` has passed.
    std::vector<std::string> waitForCalls(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, limit, [&] { return calls_.size() >= count; });
        return calls_;
    }

private:
    static std::string joined(std::string text, const std::vector<std::string>& parts) {
        for (const auto& part : parts) text += "|" + part;
        return text;
    }
    void add(std::string call) {
        const std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> calls_;
};

/// An action made of a callable.
class Action final : public ipc::Runnable {
public:
    explicit Action(std::function<void()> work) : work_(std::move(work)) {}
    void run() override { work_(); }

private:
    std::function<void()> work_;
};

DWORD uiThreadId(ui::UIThread& thread) {
    DWORD id = 0;
    Action action([&] { id = GetCurrentThreadId(); });
    thread.execute(&action);
    return id;
}

bool hasEnded(HANDLE thread, DWORD milliseconds = 0) {
    return WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
}

// ---- UI thread ----

TEST(UIThreadTest, TwoUsersShareOneThreadThatEndsAfterBothAndALaterUserStartsANewOne) {
    auto first = std::make_unique<ui::UIThread>();
    EXPECT_EQ(first->instance().referenceCount(), 1);
    const DWORD id = uiThreadId(*first);
    EXPECT_NE(id, GetCurrentThreadId());
    const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    ASSERT_NE(thread, nullptr);

    char className[64] = {};
    GetClassNameA(first->getWindow(), className, sizeof className);
    EXPECT_STREQ(className, "ControlWindow");
    EXPECT_FALSE(IsWindowVisible(first->getWindow()));

    auto second = std::make_unique<ui::UIThread>();
    EXPECT_EQ(&second->instance(), &first->instance());
    EXPECT_EQ(first->instance().referenceCount(), 2);
    EXPECT_EQ(uiThreadId(*second), id);
    second.reset();
    EXPECT_EQ(first->instance().referenceCount(), 1);
    EXPECT_FALSE(hasEnded(thread));
    EXPECT_EQ(uiThreadId(*first), id);

    first.reset();
    EXPECT_TRUE(hasEnded(thread)) << "the last release joins the thread";
    CloseHandle(thread);

    ui::UIThread later;
    EXPECT_EQ(later.instance().referenceCount(), 1);
    const HANDLE next = OpenThread(SYNCHRONIZE, FALSE, uiThreadId(later));
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(hasEnded(next));
    CloseHandle(next);
}

TEST(UIThreadTest, AnActionThatThrowsFailsItsCallAndTheThreadGoesOn) {
    const std::size_t mark = logText().size();
    ui::UIThread thread;
    const DWORD id = uiThreadId(thread);
    Action throwing([] { throw std::invalid_argument("page is gone"); });
    try {
        thread.execute(&throwing);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "action failed");
    }
    EXPECT_NE(logSince(mark).find("\tWARNING: Action thrown an exception: page is gone\n"), std::string::npos);
    EXPECT_EQ(uiThreadId(thread), id);

    try {
        thread.execute(nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "NULL action");
    }
}

TEST(UIThreadTest, ExecuteOnTheUiThreadRunsTheActionAtOnce) {
    ui::UIThread thread;
    std::vector<std::string> order;
    DWORD innerThread = 0;
    Action inner([&] {
        innerThread = GetCurrentThreadId();
        order.push_back("inner");
    });
    Action outer([&] {
        order.push_back("outer begins");
        thread.execute(&inner);
        order.push_back("outer ends");
    });
    thread.execute(&outer);
    EXPECT_EQ(order, (std::vector<std::string>{"outer begins", "inner", "outer ends"}));
    EXPECT_EQ(innerThread, uiThreadId(thread));
}

TEST(UIThreadTest, ActionsFromOtherThreadsRunOneAtATimeOnTheUiThread) {
    ui::UIThread thread;
    const DWORD id = uiThreadId(thread);
    int counter = 0;  // no lock: the UI thread runs one action at a time
    std::atomic<int> elsewhere{0};
    std::vector<std::thread> callers;
    for (int caller = 0; caller < 4; ++caller) {
        callers.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                Action step([&] {
                    const int seen = counter;
                    if (i % 10 == 0) Sleep(1);
                    counter = seen + 1;
                    if (GetCurrentThreadId() != id) ++elsewhere;
                });
                thread.execute(&step);
            }
        });
    }
    for (auto& caller : callers) caller.join();
    EXPECT_EQ(counter, 200);
    EXPECT_EQ(elsewhere.load(), 0);
}

TEST(UIThreadTest, TheLastReleaseOnTheUiThreadEndsTheThreadWithoutJoiningItself) {
    auto* user = new ui::UIThread;
    const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, uiThreadId(*user));
    ASSERT_NE(thread, nullptr);
    Action release([&] { delete user; });
    user->execute(&release);
    EXPECT_TRUE(hasEnded(thread, 5000));
    CloseHandle(thread);
}

// Windows of the UI thread that record what its message loop offers them; `consumer` takes the
// accelerator message. Touched on the UI thread only.
struct Probe {
    HWND parent = nullptr;
    HWND child = nullptr;
    HWND consumer = nullptr;
    std::vector<std::string> seen;
};
Probe probe;

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const char* name = window == probe.parent ? "parent" : "child";
    if (message == ui::acceleratorMessage) {
        probe.seen.push_back(std::string(name) + " offered " +
                             std::to_string(reinterpret_cast<const MSG*>(lParam)->message));
        return window == probe.consumer ? 1 : 0;
    }
    if (message == WM_KEYDOWN) probe.seen.push_back(std::string(name) + " dispatched");
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(UIThreadTest, InputIsOfferedToTheFocusWindowAndItsAncestorsBeforeItIsDispatched) {
    ui::UIThread thread;
    Action make([] {
        WNDCLASSW probeClass{};
        probeClass.lpfnWndProc = &probeProc;
        probeClass.hInstance = GetModuleHandleW(nullptr);
        probeClass.lpszClassName = L"ZarnInputProbe";
        RegisterClassW(&probeClass);
        probe.parent = CreateWindowExW(0, L"ZarnInputProbe", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                       nullptr, nullptr, probeClass.hInstance, nullptr);
        probe.child = CreateWindowExW(0, L"ZarnInputProbe", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, probe.parent,
                                      nullptr, probeClass.hInstance, nullptr);
        SetFocus(probe.child);
    });
    thread.execute(&make);
    ASSERT_NE(probe.child, nullptr);

    // Posted input arrives through the loop's GetMessage; the actions only read what it did.
    const auto pressKey = [&](HWND consumer, std::size_t expected) {
        Action set([&] {
            probe.consumer = consumer;
            probe.seen.clear();
        });
        thread.execute(&set);
        PostMessageW(probe.child, WM_KEYDOWN, 'A', 0);
        std::vector<std::string> seen;
        for (int attempt = 0; attempt < 200 && seen.size() < expected; ++attempt) {
            Sleep(10);
            Action read([&] { seen = probe.seen; });
            thread.execute(&read);
        }
        Sleep(50);  // anything more would show now
        Action read([&] { seen = probe.seen; });
        thread.execute(&read);
        return seen;
    };
    const std::string keyDown = std::to_string(WM_KEYDOWN);
    const std::string character = std::to_string(WM_CHAR);
    // Not consumed: dispatched and translated, and the character it makes is offered in turn.
    EXPECT_EQ(pressKey(nullptr, 5),
              (std::vector<std::string>{"child offered " + keyDown, "parent offered " + keyDown, "child dispatched",
                                        "child offered " + character, "parent offered " + character}));
    EXPECT_EQ(pressKey(probe.parent, 2),
              (std::vector<std::string>{"child offered " + keyDown, "parent offered " + keyDown}))
        << "a consumed message is neither dispatched nor translated";

    Action destroy([] { DestroyWindow(probe.parent); });
    thread.execute(&destroy);
}

// ---- window.external ----

/// A VARIANT of `type` with its value zeroed.
VARIANT ofType(VARTYPE type) {
    VARIANT v{};
    v.vt = type;
    return v;
}

/// An argument as a page passes it: text, a number, a boolean, or an array (which has no text).
struct Arg {
    Arg(const wchar_t* value) : type(VT_BSTR), text(value) {}
    Arg(int value) : type(VT_I4), number(value) {}
    Arg(bool flag) : type(VT_BOOL), number(flag ? VARIANT_TRUE : VARIANT_FALSE) {}
    static Arg array() {
        Arg a(0);
        a.type = VT_ARRAY | VT_I4;
        return a;
    }
    VARIANT make() const {
        VARIANT v = ofType(type);
        if (type == VT_BSTR) v.bstrVal = SysAllocString(text);
        if (type == VT_I4) v.lVal = number;
        if (type == VT_BOOL) v.boolVal = static_cast<VARIANT_BOOL>(number);
        if (type & VT_ARRAY) v.parray = SafeArrayCreateVector(VT_I4, 0, 2);
        return v;
    }

    VARTYPE type;
    const wchar_t* text = nullptr;
    LONG number = 0;
};

VARIANT byReference(VARIANT* value) {
    VARIANT v = ofType(VT_BYREF | VT_VARIANT);
    v.pvarVal = value;
    return v;
}
VARIANT byReference(VARIANT_BOOL* value) {
    VARIANT v = ofType(VT_BYREF | VT_BOOL);
    v.pboolVal = value;
    return v;
}
VARIANT noObject() { return ofType(VT_DISPATCH); }

struct CallResult {
    HRESULT hr;
    std::string value;  // "<empty>" when the call left the result empty
    UINT argumentError;
};

/// Calls `id` as a script engine does: the arguments given first-first are passed last-first.
CallResult call(IDispatch* object, DISPID id, const std::vector<Arg>& arguments, WORD flags = DISPATCH_METHOD,
                bool named = false) {
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(it->make());
    DISPID namedId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{reversed.data(), named ? &namedId : nullptr, static_cast<UINT>(reversed.size()),
                          named ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    UINT argumentError = 99;
    const HRESULT hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, &result, nullptr, &argumentError);
    std::string value = "<empty>";
    if (result.vt == VT_BSTR) value = platform::win32::narrow(result.bstrVal);
    if (result.vt != VT_BSTR && result.vt != VT_EMPTY) value = "<type " + std::to_string(result.vt) + ">";
    VariantClear(&result);
    for (auto& argument : reversed) VariantClear(&argument);
    return {hr, value, argumentError};
}

/// A control without a browser: its external object and event sink are called directly.
class BridgeTest : public testing::Test {
protected:
    void SetUp() override {
        control = new ui::BrowserControl;
        control->setHandler(&recorder);
        ASSERT_EQ(control->GetExternal(&external), S_OK);
        ASSERT_EQ(control->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&events)), S_OK);
        references = references_();
        mark = logText().size();
    }
    void TearDown() override {
        EXPECT_EQ(references_(), references) << "AddRef and Release are balanced";
        events->Release();
        external->Release();
        control->destroy();
    }
    /// The control's count, from what AddRef answers.
    ULONG references_() {
        const ULONG count = external->AddRef();
        external->Release();
        return count;
    }

    Recorder recorder;
    ui::BrowserControl* control = nullptr;
    IDispatch* external = nullptr;
    IDispatch* events = nullptr;
    ULONG references = 0;
    std::size_t mark = 0;
};

TEST_F(BridgeTest, NamesOfTheExternalMethods) {
    struct Row {
        const wchar_t* name;
        DISPID id;
        HRESULT hr;
    };
    const Row rows[] = {
        {L"getLocale", 1, S_OK},
        {L"notify", 2, S_OK},
        {L"log", 3, S_OK},
        {L"setWindowProp", 4, S_OK},
        {L"delay", 5, S_OK},
        {L"Notify", -1, DISP_E_UNKNOWNNAME},  // case counts
        {L"close", -1, DISP_E_UNKNOWNNAME},
        {L"", -1, DISP_E_UNKNOWNNAME},
    };
    for (const Row& row : rows) {
        std::wstring name = row.name;
        LPOLESTR names[] = {name.data()};
        DISPID id = 0;
        EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), row.hr)
            << platform::win32::narrow(row.name);
        EXPECT_EQ(id, row.id) << platform::win32::narrow(row.name);
    }
    std::wstring known = L"notify";
    std::wstring unknown = L"navigate";
    LPOLESTR names[] = {known.data(), unknown.data()};
    DISPID ids[2] = {};
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], -1);
}

TEST_F(BridgeTest, PageCallsReachTheHandlerWithTheirArgumentsInCallOrder) {
    struct Row {
        const char* name;
        DISPID id;
        std::vector<Arg> arguments;
        std::vector<std::string> calls;
        std::string logged;  // a record the call writes, if any
        std::string value = "<empty>";
    };
    const Row rows[] = {
        {"notify, one argument", 2, {L"next"}, {"event next"}, ""},
        {"notify, several", 2, {L"a", L"https://t.example/", L"x y"}, {"event a|https://t.example/|x y"}, ""},
        {"numbers and booleans", 2, {L"n", 42, true, false, -7}, {"event n|42|True|False|-7"}, ""},
        {"non-ASCII text",
         2,
         {L"t", L"Gr\u00fc\u00dfe \u2713"},
         {"event t|Gr\xC3\xBC\xC3\x9F"
          "e \xE2\x9C\x93"},
         ""},
        {"notify without arguments",
         2,
         {},
         {},
         "\tERROR: Exception with message 'external.notify: no parameters specified' caught\n"},
        {"setWindowProp", 4, {L"size", 300, 200}, {"prop size|300|200"}, ""},
        {"setWindowProp, name only", 4, {L"title"}, {"prop title"}, ""},
        {"getLocale", 1, {}, {}, "", "de"},
        {"log on a channel", 3, {L"WARNING", L"a", 1}, {}, "\tWARNING: a1\n"},
        {"log without arguments", 3, {}, {}, "\tERROR: empty message\n"},
        {"delay with no number", 5, {L"soon"}, {}, "cannot get parameter value (soon)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = recorder.calls().size();
        const std::size_t logMark = logText().size();
        const CallResult result = call(external, row.id, row.arguments);
        EXPECT_EQ(result.hr, S_OK);
        EXPECT_EQ(result.value, row.value);
        const std::vector<std::string> all = recorder.calls();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), row.calls);
        if (!row.logged.empty()) {
            EXPECT_NE(logSince(logMark).find(row.logged), std::string::npos) << logSince(logMark);
        }
    }
}

TEST_F(BridgeTest, CallsTheBridgeRefuses) {
    struct Row {
        const char* name;
        DISPID id;
        WORD flags;
        bool named;
        std::vector<Arg> arguments;
        HRESULT hr;
        UINT argumentError;  // 99: untouched
    };
    const Row rows[] = {
        {"a property read", 1, DISPATCH_PROPERTYGET, false, {}, E_FAIL, 99},
        {"id 0", 0, DISPATCH_METHOD, false, {}, DISP_E_MEMBERNOTFOUND, 99},
        {"id 6", 6, DISPATCH_METHOD, false, {}, DISP_E_MEMBERNOTFOUND, 99},
        {"named arguments", 2, DISPATCH_METHOD, true, {L"next"}, DISP_E_NONAMEDARGS, 99},
        {"third argument has no text", 2, DISPATCH_METHOD, false, {L"next", 1, Arg::array()}, DISP_E_TYPEMISMATCH, 2},
        {"first argument has no text", 2, DISPATCH_METHOD, false, {Arg::array(), L"x"}, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CallResult result = call(external, row.id, row.arguments, row.flags, row.named);
        EXPECT_EQ(result.hr, row.hr);
        EXPECT_EQ(result.argumentError, row.argumentError);
        EXPECT_EQ(result.value, "<empty>");
    }
    EXPECT_TRUE(recorder.calls().empty());
}

TEST_F(BridgeTest, GetLocaleWithoutHandlerIsEnglish) {
    control->setHandler(nullptr);
    EXPECT_EQ(call(external, 1, {}).value, "en");
    EXPECT_EQ(call(external, 2, {L"next"}).hr, S_OK);
}

// ---- browser events ----

/// Sends event `id` with `arguments` (first-first) to the sink, as the browser does.
HRESULT fire(IDispatch* sink, DISPID id, std::vector<VARIANT>& arguments) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
}

TEST_F(BridgeTest, BeforeNavigateCancelsOnlyAUrlEndingInHash) {
    struct Row {
        const wchar_t* url;
        VARIANT_BOOL cancel;
    };
    const Row rows[] = {
        {L"res://C:%5CZarn%5Ckobuoffline.exe/welcome.html#", VARIANT_TRUE},
        {L"#", VARIANT_TRUE},
        {L"res://C:%5CZarn%5Ckobuoffline.exe/welcome.html", VARIANT_FALSE},
        {L"https://t.example/#top", VARIANT_FALSE},
        {L"", VARIANT_FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::win32::narrow(row.url));
        VARIANT url = Arg(row.url).make();
        VARIANT empty;
        VariantInit(&empty);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        std::vector<VARIANT> arguments{noObject(),          byReference(&url),   byReference(&empty),
                                       byReference(&empty), byReference(&empty), byReference(&empty),
                                       byReference(&cancel)};
        EXPECT_EQ(fire(events, DISPID_BEFORENAVIGATE2, arguments), S_OK);
        EXPECT_EQ(cancel, row.cancel);
        VariantClear(&url);
    }
    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_NE(logSince(mark).find("\tTRACE: OnBeforeNavigate: #\n"), std::string::npos);
}

TEST_F(BridgeTest, DocumentCompleteAndNavigateErrorReachTheHandler) {
    VARIANT url = Arg(L"res://C:%5CZarn%5Ckobuoffline.exe/welcome.html").make();
    std::vector<VARIANT> complete{noObject(), byReference(&url)};
    EXPECT_EQ(fire(events, DISPID_DOCUMENTCOMPLETE, complete), S_OK);

    VARIANT frame;
    VariantInit(&frame);
    VARIANT status = Arg(static_cast<int>(0x800C0005u)).make();  // resource not found
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> error{noObject(), byReference(&url), byReference(&frame), byReference(&status),
                               byReference(&cancel)};
    EXPECT_EQ(fire(events, DISPID_NAVIGATEERROR, error), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE) << "no error page";
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{"load", "error 800C0005"}));
    EXPECT_NE(logSince(mark).find("\tERROR: DISPID_NAVIGATEERROR: "), std::string::npos);

    // Once the control has no handler, events change nothing but the cancel flag.
    control->setHandler(nullptr);
    cancel = VARIANT_FALSE;
    EXPECT_EQ(fire(events, DISPID_NAVIGATEERROR, error), S_OK);
    EXPECT_EQ(fire(events, DISPID_DOCUMENTCOMPLETE, complete), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(recorder.calls().size(), 2u);
    VariantClear(&url);
}

// ---- the WebBrowser control in a real window ----

std::string pageUrl(const char* page) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return ui::makePageBaseUrl(module) + page;
}

/// What a handle of the UI thread sees of a window, read on that thread.
template <class Read>
auto onUiThread(Read read) {
    ui::UIThread thread;
    decltype(read()) value{};
    Action action([&] { value = read(); });
    thread.execute(&action);
    return value;
}

TEST(BrowserWindowTest, TheFirstLoadMakesTheWindowAndWineReportsTheFailedNavigationAtOnce) {
    Recorder recorder;
    ui::BrowserWindow window;
    EXPECT_FALSE(window.exists());
    EXPECT_EQ(window.windowRect(), platform::Rect{});

    // The page is there: what fails is Wine's missing HTML engine.
    EXPECT_NE(FindResourceW(nullptr, L"PAGE.HTML", MAKEINTRESOURCEW(23)), nullptr);
    const auto start = Clock::now();
    window.load(pageUrl("page.html"), recorder);
    EXPECT_LT(Clock::now() - start, 2s) << "load returns once the navigation has started";
    ASSERT_TRUE(window.exists());
    // Wine has no engine for res:// here: the error comes during Navigate itself, and no document completes.
    EXPECT_EQ(recorder.waitForCalls(1, 5s), (std::vector<std::string>{"error 800401E4"}));

    const HWND handle = window.window();
    wchar_t className[64] = {};
    GetClassNameW(handle, className, 64);
    EXPECT_STREQ(className, L"PellamWinDialog");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)) & 0xCA0000u, 0xCA0000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_EXSTYLE)) & 0x40001u, 0x40001u);
    EXPECT_FALSE(IsWindowVisible(handle)) << "made hidden";
    const LONG units = GetDialogBaseUnits();
    const RECT client = onUiThread([&] {
        RECT r{};
        GetClientRect(handle, &r);
        return r;
    });
    EXPECT_EQ(client.right, MulDiv(250, LOWORD(units), 4));
    EXPECT_EQ(client.bottom, MulDiv(177, HIWORD(units), 8));
    const SIZE outer = ui::BrowserWindow::clientSize2windowSize(client.right, client.bottom);
    EXPECT_EQ(window.windowRect(), (platform::Rect{100, 100, 100 + outer.cx, 100 + outer.cy}));

    window.setTitle("Zarn \xE2\x9C\x93");
    wchar_t title[32] = {};
    GetWindowTextW(handle, title, 32);
    EXPECT_STREQ(title, L"Zarn \u2713");
    window.setSize(400, 300);
    window.move(20, 30);
    EXPECT_EQ(window.windowRect(), (platform::Rect{20, 30, 420, 330}));
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(window.parentRect(), (platform::Rect{desktop.left, desktop.top, desktop.right, desktop.bottom}));
    window.enableCloseItem(false);
    EXPECT_NE(GetMenuState(GetSystemMenu(handle, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    window.enableCloseItem(true);
    EXPECT_EQ(GetMenuState(GetSystemMenu(handle, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    window.setVisible(true);
    EXPECT_TRUE(IsWindowVisible(handle));

    window.sendClose();
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{"error 800401E4", "close"}));
    EXPECT_TRUE(IsWindow(handle)) << "the close command leaves the window to the dialog";

    // No document, so no script: the failure reaches the caller as the action's.
    const std::size_t mark = logText().size();
    EXPECT_THROW(window.execScript("1+1"), std::runtime_error);
    EXPECT_NE(logSince(mark).find("JScript execution error"), std::string::npos);

    window.destroy();
    EXPECT_FALSE(window.exists());
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_THROW(window.execScript("1"), std::logic_error);
    window.setVisible(true);  // no window: nothing happens
    EXPECT_FALSE(window.exists());
}

/// The test program's own pages, each given `limit` to load.
ui::DialogSettings ownPages(std::uint32_t limit) {
    ui::DialogSettings settings;
    settings.locale = "en";
    settings.baseUrl = pageUrl("");
    settings.loadLimitMilliseconds = limit;
    return settings;
}

TEST(BrowserWindowTest, ADialogOverAPageThatCannotLoadFailsAtOnce) {
    ui::Dialog dialog("page.html", ownPages(10000));
    const auto start = Clock::now();
    try {
        dialog.run();
        ADD_FAILURE() << "the dialog ran";
    } catch (const ui::DialogLoadError& e) {
        EXPECT_NE(std::string(e.what()).find("navigation error 0x800401E4"), std::string::npos) << e.what();
    }
    EXPECT_LT(Clock::now() - start, 3s) << "the navigation error ends the wait, not the limit";
}

TEST(BrowserWindowTest, ADialogWhoseLoadNeverCompletesFailsAtItsLimit) {
    // The real browser honours the hash cancel and so never reports: only the limit ends the wait.
    const std::size_t mark = logText().size();
    ui::Dialog dialog("page.html#", ownPages(500));
    const auto start = Clock::now();
    EXPECT_THROW(dialog.run(), ui::DialogLoadError);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 500ms);
    EXPECT_LT(took, 3s);
    const std::string log = logSince(mark);
    EXPECT_NE(log.find("DISPID_BEFORENAVIGATE2: "), std::string::npos);
    EXPECT_EQ(log.find("DISPID_NAVIGATEERROR: "), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    logPath = std::string(temp) + "html_engine_wine_tests.log";
    DeleteFileA(logPath.c_str());
    replaceLogger(Logger(0, logPath, "html_engine_wine_tests"));
    return RUN_ALL_TESTS();
}

// The HTML dialogs' engine on the real machine: the UI thread and its actions, the page's
// `window.external` called as a script engine calls it, the browser's events, and the WebBrowser
// control in a real window. Wine has no HTML engine here, so every navigation fails: the tests hold
// the engine to what Wine really reports. Run under a display (cmake/wine-display-run).
#include <windows.h>
// <windows.h> comes first: the browser's event ids build on it.
#include <exdispid.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/logger.h"
#include "foundation/tstrings_format.h"
#include "html_ui/dialog.h"
#include "html_ui/win32/browser_control.h"
#include "html_ui/win32/browser_window.h"
#include "html_ui/win32/ui_thread.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_machine.h"
#include "support/file_text.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

platform::win32::Win32Machine machine;
std::string logPath;

std::string logText() { return fileText(logPath); }

/// The log written since `mark` (a size of the log taken earlier).
std::string logSince(std::size_t mark) { return logText().substr(mark); }

/// A dialog side that records what the engine told it, on whatever thread.
class Recorder final : public ui::WindowHandler {
public:
    std::string getLocale() override { return "de"; }
    void onClose() override { add("close"); }
    void onLoadComplete() override { add("load"); }
    void onNavigateError(std::int32_t status) override {
        add("error " + tstrings::format("%08X", static_cast<unsigned>(status)));
    }
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

/// Runs `work` on the UI thread of `thread` and waits for it.
void onUi(ui::UIThread& thread, std::function<void()> work) {
    Action action(std::move(work));
    thread.execute(&action);
}

DWORD uiThreadId(ui::UIThread& thread) {
    DWORD id = 0;
    onUi(thread, [&] { id = GetCurrentThreadId(); });
    return id;
}

bool hasEnded(HANDLE thread, DWORD milliseconds = 0) {
    return WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
}

/// The text of the `Error` that `work` throws; "no exception" when it throws none.
template <class Error>
std::string thrown(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& e) {
        return e.what();
    }
    return "no exception";
}

// ---- UI thread ----

TEST(UIThreadTest, TwoUsersShareOneThreadThatEndsAfterBothAndALaterUserStartsANewOne) {
    auto first = std::make_unique<ui::UIThread>();
    EXPECT_EQ(first->instance().referenceCount(), 1);
    const DWORD id = uiThreadId(*first);
    EXPECT_NE(id, GetCurrentThreadId());
    const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    ASSERT_NE(thread, nullptr);

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

    auto later = std::make_unique<ui::UIThread>();
    EXPECT_EQ(later->instance().referenceCount(), 1);
    const HANDLE next = OpenThread(SYNCHRONIZE, FALSE, uiThreadId(*later));
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(hasEnded(next));
    CloseHandle(next);
    later.reset();

    // The last release made on the UI thread itself cannot join it, yet ends it.
    auto* user = new ui::UIThread;
    const HANDLE own = OpenThread(SYNCHRONIZE, FALSE, uiThreadId(*user));
    ASSERT_NE(own, nullptr);
    onUi(*user, [&] { delete user; });
    EXPECT_TRUE(hasEnded(own, 5000));
    CloseHandle(own);
}

TEST(UIThreadTest, AnActionThatThrowsFailsItsCallAndTheThreadGoesOn) {
    const std::size_t mark = logText().size();
    ui::UIThread thread;
    const DWORD id = uiThreadId(thread);
    EXPECT_EQ(thrown<std::runtime_error>([&] { onUi(thread, [] { throw std::invalid_argument("page is gone"); }); }),
              "action failed");
    EXPECT_NE(logSince(mark).find("\tWARNING: Action thrown an exception: page is gone\n"), std::string::npos);
    EXPECT_EQ(uiThreadId(thread), id);
    EXPECT_EQ(thrown<std::logic_error>([&] { thread.execute(nullptr); }), "NULL action");
}

TEST(UIThreadTest, ActionsRunOneAtATimeOnTheUiThreadAndAtOnceFromIt) {
    ui::UIThread thread;
    const DWORD id = uiThreadId(thread);
    std::vector<std::string> order;
    DWORD innerThread = 0;
    onUi(thread, [&] {
        order.push_back("outer begins");
        onUi(thread, [&] {
            innerThread = GetCurrentThreadId();
            order.push_back("inner");
        });
        order.push_back("outer ends");
    });
    EXPECT_EQ(order, (std::vector<std::string>{"outer begins", "inner", "outer ends"}));
    EXPECT_EQ(innerThread, id);

    int counter = 0;  // no lock: the UI thread runs one action at a time
    std::atomic<int> elsewhere{0};
    std::vector<std::thread> callers;
    for (int caller = 0; caller < 4; ++caller) {
        callers.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                onUi(thread, [&] {
                    const int seen = counter;
                    if (i % 10 == 0) Sleep(1);
                    counter = seen + 1;
                    if (GetCurrentThreadId() != id) ++elsewhere;
                });
            }
        });
    }
    for (auto& caller : callers) caller.join();
    EXPECT_EQ(counter, 200);
    EXPECT_EQ(elsewhere.load(), 0);
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
    onUi(thread, [] {
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
    ASSERT_NE(probe.child, nullptr);

    // Posted input arrives through the loop's GetMessage; the actions only read what it did.
    const auto pressKey = [&](HWND consumer, std::size_t expected) {
        onUi(thread, [&] {
            probe.consumer = consumer;
            probe.seen.clear();
        });
        PostMessageW(probe.child, WM_KEYDOWN, 'A', 0);
        std::vector<std::string> seen;
        for (int attempt = 0; attempt < 200 && seen.size() < expected; ++attempt) {
            Sleep(10);
            onUi(thread, [&] { seen = probe.seen; });
        }
        Sleep(50);  // anything more would show now
        onUi(thread, [&] { seen = probe.seen; });
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
    onUi(thread, [] { DestroyWindow(probe.parent); });
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

template <class T>
VARIANT byReference(T* value) {
    VARIANT v = ofType(VT_BYREF | (std::is_same_v<T, VARIANT_BOOL> ? VT_BOOL : VT_VARIANT));
    v.byref = value;
    return v;
}

/// Invokes `id` as a script engine or the browser does: the arguments given first-first go last-first.
HRESULT invoke(IDispatch* object, DISPID id, std::vector<VARIANT> arguments, WORD flags = DISPATCH_METHOD,
               bool named = false, VARIANT* result = nullptr, UINT* argumentError = nullptr) {
    std::reverse(arguments.begin(), arguments.end());
    DISPID namedId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{arguments.data(), named ? &namedId : nullptr, static_cast<UINT>(arguments.size()),
                          named ? 1u : 0u};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, nullptr, argumentError);
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

// The names' rules are the portable bridge's; here, that every id is written and an unknown name fails the call.
TEST_F(BridgeTest, NamesOfTheExternalMethods) {
    std::wstring texts[] = {L"getLocale", L"delay", L"Notify"};
    LPOLESTR names[] = {texts[0].data(), texts[1].data(), texts[2].data()};
    DISPID ids[3] = {};
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(std::vector<DISPID>(ids, ids + 3), (std::vector<DISPID>{1, 5, -1}));
}

// What each method then does is the portable bridge's: here, script values become texts in call order,
// and the calls a script engine may make that the bridge refuses reach nothing.
TEST_F(BridgeTest, PageCallsReachTheHandlerWithTheirArgumentsInCallOrderOrAreRefused) {
    struct Row {
        const char* name;
        DISPID id;
        std::vector<Arg> arguments;
        std::vector<std::string> calls;
        std::string value = "<empty>";
        HRESULT hr = S_OK;
        UINT argumentError = 99;  // 99: untouched
        WORD flags = DISPATCH_METHOD;
        bool named = false;
    };
    const std::string empty = "<empty>";
    const Row rows[] = {
        {"notify", 2, {L"a", L"https://t.example/", L"x y"}, {"event a|https://t.example/|x y"}},
        {"numbers and booleans", 2, {L"n", 42, true, false, -7}, {"event n|42|True|False|-7"}},
        {"non-ASCII text", 2, {L"t", L"Gr\u00fc\u00dfe \u2713"}, {"event t|Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93"}},
        {"setWindowProp", 4, {L"size", 300, 200}, {"prop size|300|200"}},
        {"getLocale", 1, {}, {}, "de"},
        {"a property read", 1, {}, {}, empty, E_FAIL, 99, DISPATCH_PROPERTYGET},
        {"id 0", 0, {}, {}, empty, DISP_E_MEMBERNOTFOUND},
        {"id 6", 6, {}, {}, empty, DISP_E_MEMBERNOTFOUND},
        {"named arguments", 2, {L"next"}, {}, empty, DISP_E_NONAMEDARGS, 99, DISPATCH_METHOD, true},
        {"third argument has no text", 2, {L"next", 1, Arg::array()}, {}, empty, DISP_E_TYPEMISMATCH, 2},
        {"first argument has no text", 2, {Arg::array(), L"x"}, {}, empty, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = recorder.calls().size();
        std::vector<VARIANT> arguments;
        for (const Arg& argument : row.arguments) arguments.push_back(argument.make());
        VARIANT result;
        VariantInit(&result);
        UINT argumentError = 99;
        EXPECT_EQ(invoke(external, row.id, arguments, row.flags, row.named, &result, &argumentError), row.hr);
        EXPECT_EQ(argumentError, row.argumentError);
        EXPECT_EQ(result.vt == VT_EMPTY ? empty : result.vt == VT_BSTR ? platform::win32::narrow(result.bstrVal)
                                                                         : "<type " + std::to_string(result.vt) + ">",
                  row.value);
        VariantClear(&result);
        for (auto& argument : arguments) VariantClear(&argument);
        const std::vector<std::string> all = recorder.calls();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), row.calls);
    }
}

// ---- browser events ----

// The rule is the portable bridge's; here, that the event's URL argument is the one judged.
TEST_F(BridgeTest, BeforeNavigateCancelsOnlyAUrlEndingInHash) {
    for (const auto& [url, expected] : {std::pair{L"#", VARIANT_TRUE}, std::pair{L"https://t.example/#top", VARIANT_FALSE}}) {
        SCOPED_TRACE(platform::win32::narrow(url));
        VARIANT target = Arg(url).make();
        VARIANT empty;
        VariantInit(&empty);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        EXPECT_EQ(invoke(events, DISPID_BEFORENAVIGATE2,
                         {ofType(VT_DISPATCH), byReference(&target), byReference(&empty), byReference(&empty),
                          byReference(&empty), byReference(&empty), byReference(&cancel)}),
                  S_OK);
        EXPECT_EQ(cancel, expected);
        VariantClear(&target);
    }
    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_NE(logSince(mark).find("\tTRACE: OnBeforeNavigate: #\n"), std::string::npos);
}

TEST_F(BridgeTest, DocumentCompleteAndNavigateErrorReachTheHandler) {
    VARIANT url = Arg(L"res://C:%5CZarn%5Ckobuoffline.exe/welcome.html").make();
    const std::vector<VARIANT> complete{ofType(VT_DISPATCH), byReference(&url)};
    EXPECT_EQ(invoke(events, DISPID_DOCUMENTCOMPLETE, complete), S_OK);

    VARIANT frame;
    VariantInit(&frame);
    VARIANT status = Arg(static_cast<int>(0x800C0005u)).make();  // resource not found
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const std::vector<VARIANT> error{ofType(VT_DISPATCH), byReference(&url), byReference(&frame),
                                     byReference(&status), byReference(&cancel)};
    EXPECT_EQ(invoke(events, DISPID_NAVIGATEERROR, error), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE) << "no error page";
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{"load", "error 800C0005"}));
    EXPECT_NE(logSince(mark).find("\tERROR: DISPID_NAVIGATEERROR: "), std::string::npos);

    // Once the control has no handler, events change nothing but the cancel flag.
    control->setHandler(nullptr);
    cancel = VARIANT_FALSE;
    EXPECT_EQ(invoke(events, DISPID_NAVIGATEERROR, error), S_OK);
    EXPECT_EQ(invoke(events, DISPID_DOCUMENTCOMPLETE, complete), S_OK);
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

TEST(BrowserWindowTest, TheFirstLoadMakesTheWindowAndWineReportsTheFailedNavigationAtOnce) {
    // The window's life, size and close command are the html window contract's; here, what only the
    // real window shows.
    Recorder recorder;
    ui::BrowserWindow window;
    // The page is there: what fails is Wine's missing HTML engine.
    EXPECT_NE(FindResourceW(nullptr, L"PAGE.HTML", MAKEINTRESOURCEW(23)), nullptr);
    const auto start = Clock::now();
    window.load(pageUrl("page.html"), recorder);
    EXPECT_LT(Clock::now() - start, 2s) << "load returns once the navigation has started";
    ASSERT_TRUE(window.exists());
    // Wine has no engine for res:// here: the error comes during Navigate itself, and no document completes.
    EXPECT_EQ(recorder.waitForCalls(1, 5s), (std::vector<std::string>{"error 800401E4"}));

    const HWND handle = window.window();
    EXPECT_FALSE(IsWindowVisible(handle)) << "made hidden";
    const LONG units = GetDialogBaseUnits();
    RECT client{};  // read on the UI thread, which owns the window
    ui::UIThread thread;
    onUi(thread, [&] { GetClientRect(handle, &client); });
    EXPECT_EQ(client.right, MulDiv(250, LOWORD(units), 4));
    EXPECT_EQ(client.bottom, MulDiv(177, HIWORD(units), 8));
    const SIZE outer = ui::BrowserWindow::clientSize2windowSize(client.right, client.bottom);
    EXPECT_EQ(window.windowRect(), (platform::Rect{100, 100, 100 + outer.cx, 100 + outer.cy}));

    window.setTitle("Zarn \xE2\x9C\x93");
    wchar_t title[32] = {};
    GetWindowTextW(handle, title, 32);
    EXPECT_STREQ(title, L"Zarn \u2713");
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(window.parentRect(), (platform::Rect{desktop.left, desktop.top, desktop.right, desktop.bottom}));
    window.enableCloseItem(false);
    EXPECT_NE(GetMenuState(GetSystemMenu(handle, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    window.enableCloseItem(true);
    EXPECT_EQ(GetMenuState(GetSystemMenu(handle, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    window.setVisible(true);
    EXPECT_TRUE(IsWindowVisible(handle));

    // No document, so no script: the failure reaches the caller as the action's.
    const std::size_t mark = logText().size();
    EXPECT_THROW(window.execScript("1+1"), std::runtime_error);
    EXPECT_NE(logSince(mark).find("JScript execution error"), std::string::npos);

    window.destroy();
    EXPECT_FALSE(IsWindow(handle));
}

// The navigation error ends the wait at once; the real browser honours the hash cancel and so never
// reports, and only the limit ends the wait.
TEST(BrowserWindowTest, ADialogWhosePageFailsFailsAtOnceAndOneWhoseLoadNeverCompletesAtItsLimit) {
    const struct {
        const char* page;
        std::uint32_t limit;
        const char* error;
        std::chrono::milliseconds least;
        bool navigationError;
    } rows[] = {
        {"page.html", 10000, "navigation error 0x800401E4", 0ms, true},
        {"page.html#", 500, "did not load within 500 ms", 500ms, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        const std::size_t mark = logText().size();
        ui::DialogSettings settings;
        settings.locale = "en";
        settings.baseUrl = pageUrl("");
        settings.loadLimitMilliseconds = row.limit;
        ui::Dialog dialog(row.page, settings);
        const auto start = Clock::now();
        EXPECT_NE(thrown<ui::DialogLoadError>([&] { dialog.run(); }).find(row.error), std::string::npos);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, row.least);
        EXPECT_LT(took, 3s);
        const std::string log = logSince(mark);
        EXPECT_NE(log.find("DISPID_BEFORENAVIGATE2: "), std::string::npos);
        EXPECT_EQ(log.find("DISPID_NAVIGATEERROR: ") != std::string::npos, row.navigationError);
    }
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

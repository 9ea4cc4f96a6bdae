// The dialog host with real user32 dialogs: run under a display of its own (cmake/wine-display-run).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "foundation/logger.h"
#include "platform/win32/win32_machine.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t testTemplate = 7001;
constexpr int staticText = 101;
constexpr int checkBox = 102;
constexpr int sysLink = 103;
constexpr int progressBar = 104;

/// A handler that lets each test decide what happens, and counts what the host told it.
class Handler final : public platform::DialogHandler {
public:
    std::function<void(platform::DialogView&)> init;
    std::function<void(platform::DialogView&, int)> command;
    std::atomic<int> destroyed{0};
    std::atomic<DWORD> destroyThread{0};
    platform::DialogView* view = nullptr;

    void onInit(platform::DialogView& v) override {
        view = &v;
        if (init) init(v);
    }
    void onCommand(platform::DialogView& v, int id, int) override {
        if (command) command(v, id);
    }
    void onDestroy(platform::DialogView&) override {
        ++destroyed;
        destroyThread = GetCurrentThreadId();
    }
};

class DialogHostTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::installMachine(&machine());
        machine().desktop().initCommonControls();
    }
    static platform::win32::Win32Machine& machine() {
        static platform::win32::Win32Machine m;
        return m;
    }
    platform::Desktop& desktop() { return machine().desktop(); }
    static platform::DialogTemplate dialog(std::uint16_t language = 1033) {
        return platform::DialogTemplate{platform::Module::self, testTemplate, language};
    }
};

TEST_F(DialogHostTest, ModalDialogGivesItsHandlerTheControlsAndEndsWithItsResult) {
    Handler handler;
    handler.init = [](platform::DialogView& v) {
        EXPECT_EQ(v.text(staticText), "Static text");
        v.setText(staticText,
                  "Gr\xC3\xBC\xC3\x9F"
                  "e \xE2\x9C\x93");
        EXPECT_EQ(v.text(staticText),
                  "Gr\xC3\xBC\xC3\x9F"
                  "e \xE2\x9C\x93");
        EXPECT_EQ(v.controlWindow(999), platform::Window::null);
        EXPECT_NE(v.controlWindow(sysLink), platform::Window::null);
        v.setChecked(checkBox, true);
        EXPECT_TRUE(v.isChecked(checkBox));
        const auto ids = v.controlIds();
        EXPECT_EQ(ids, (std::vector<int>{staticText, checkBox, sysLink, progressBar, IDOK}));
        const platform::Size size = v.measureText(staticText, u"Static text");
        EXPECT_GT(size.width, 20);
        EXPECT_GT(size.height, 5);
        const platform::Rect rect = v.controlRect(staticText);
        EXPECT_GT(rect.left, 0);
        EXPECT_LT(rect.right, v.clientRect().width());
        v.moveControl(staticText, platform::Rect{rect.left + 5, rect.top, rect.left + 5 + size.width, rect.bottom});
        EXPECT_EQ(v.controlRect(staticText).left, rect.left + 5);
        EXPECT_EQ(v.controlClientRect(staticText).width(), size.width);
        EXPECT_TRUE(v.postToControl(progressBar, platform::msg::pbmSetRange, 0, platform::msg::makeRange(0, 1000)));
        EXPECT_TRUE(v.postToControl(progressBar, platform::msg::pbmSetPos, 1000, 0));
        // A click as zui.exe makes it: posted to the button.
        EXPECT_TRUE(v.postToControl(IDOK, BM_CLICK, 0, 0));
    };
    handler.command = [](platform::DialogView& v, int id) {
        if (id == IDOK) {
            const auto bar = reinterpret_cast<HWND>(platform::raw(v.controlWindow(progressBar)));
            EXPECT_EQ(SendMessageW(bar, platform::msg::pbmGetPos, 0, 0), 1000);
            v.end(7);
        }
    };
    platform::ErrorCode error = 0;
    // German asked for, English stands in.
    EXPECT_EQ(desktop().runModalDialog(dialog(1031), platform::Window::null, handler, error), 7);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(handler.destroyed.load(), 1);
}

TEST_F(DialogHostTest, MissingTemplateIsAnError) {
    Handler handler;
    platform::ErrorCode error = 0;
    platform::DialogTemplate missing = dialog();
    missing.id = 7999;
    EXPECT_EQ(desktop().runModalDialog(missing, platform::Window::null, handler, error), -1);
    EXPECT_EQ(error, static_cast<platform::ErrorCode>(ERROR_RESOURCE_NAME_NOT_FOUND));
    platform::Window window = platform::Window::null;
    EXPECT_EQ(desktop().createModelessDialog(missing, platform::Window::null, handler, window),
              static_cast<platform::ErrorCode>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(window, platform::Window::null);
}

TEST_F(DialogHostTest, ModelessDialogIsDestroyedOnItsOwnThreadWhenAnotherAsks) {
    Handler handler;
    std::atomic<platform::Window> window{platform::Window::null};
    std::atomic<DWORD> uiThread{0};
    HANDLE pump = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread ui([&] {
        uiThread = GetCurrentThreadId();
        platform::Window created = platform::Window::null;
        EXPECT_EQ(desktop().createModelessDialog(dialog(), desktop().desktopWindow(), handler, created), 0u);
        window = created;
        // Busy elsewhere for a while, as the dialog's thread may be when it is asked to show or hide.
        WaitForSingleObject(pump, INFINITE);
        desktop().runMessageLoop(created);
    });
    while (window.load() == platform::Window::null) std::this_thread::sleep_for(5ms);
    // Window changes from another thread are posted, so they do not wait for the busy thread.
    const auto before = std::chrono::steady_clock::now();
    handler.view->show(true);
    handler.view->bringToFront();
    handler.view->show(false);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    SetEvent(pump);
    EXPECT_EQ(desktop().destroyDialog(window), 0u);
    ui.join();
    CloseHandle(pump);
    EXPECT_EQ(handler.destroyed.load(), 1);
    EXPECT_EQ(handler.destroyThread.load(), uiThread.load());
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(platform::raw(window.load()))));
}

}  // namespace

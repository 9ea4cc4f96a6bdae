// The simulated user and screen: message boxes answered from a script, dialogs played by a scripted
// user over their handlers, fonts and bitmaps kept as records, a folder browser and the shell's
// file associations read from the simulated registry. The windows of other processes are those of
// the programs the processes port started.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/faults.h"
#include "platform/sim/html_window_sim.h"

namespace sim {

class SimRegistry;
class SimFileSystem;
class SimResources;
class SimProcesses;

struct ShownMessageBox {
    platform::Window owner = platform::Window::null;
    std::string text;
    std::string caption;
    std::uint32_t type = 0;
};

/// A control of a simulated dialog.
struct SimControl {
    int id = 0;
    std::string text;
    platform::Rect rect{0, 0, 100, 12};
    bool checked = false;
    bool visible = true;
    platform::Font font = platform::Font::null;
};

/// A message a handler posted to one of its controls.
struct PostedMessage {
    int id = 0;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

class SimDesktop;

/// A dialog as the simulated user sees it. The user's actions call the handler as Windows would;
/// the handler's calls change the recorded state.
class SimDialog final : public platform::DialogView {
public:
    SimDialog(SimDesktop& desktop, platform::DialogTemplate dialog, platform::Window window, platform::Window owner,
              platform::DialogHandler& handler, std::vector<SimControl> controls);

    // ---- what the user does ----

    /// A click on a button: the handler hears of it if the control is there, visible and the
    /// dialog is enabled.
    void click(int id);
    /// The close box or the Escape key: the handler hears of Cancel (2), with or without a Cancel button.
    void close();
    /// A click on a check box: the box changes its state, then the handler hears of it.
    void tick(int id, bool checked);
    /// A click on the link of SysLink control `id`: the target of its first anchor.
    void clickLink(int id);
    /// What the system asks when it paints control `id` and the dialog.
    platform::Paint paint(int id);
    platform::Paint paintBackground();

    // ---- what the user sees ----

    const platform::DialogTemplate& dialogTemplate() const { return template_; }
    platform::Window owner() const { return owner_; }
    SimControl control(int id) const;
    bool enabled() const;
    bool visible() const;
    bool ended() const;
    std::intptr_t result() const;
    /// "show", "hide", "front", "foreground <id>", "no maximize box", "close greyed", in order.
    std::vector<std::string> events() const;
    std::vector<PostedMessage> posted() const;

    // ---- DialogView ----

    platform::Window window() const override { return window_; }
    platform::Window controlWindow(int id) override;
    std::vector<int> controlIds() override;
    std::string text(int id) override;
    void setText(int id, std::string_view text) override;
    bool isChecked(int id) override;
    void setChecked(int id, bool checked) override;
    void showControl(int id, bool visible) override;
    void setFont(int id, platform::Font font) override;
    void setFocus(int id) override;
    platform::Rect controlRect(int id) override;
    platform::Rect controlClientRect(int id) override;
    platform::Size measureText(int id, std::u16string_view text) override;
    void moveControl(int id, const platform::Rect& to) override;
    bool postToControl(int id, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    platform::Rect clientRect() override;
    void enable(bool enabled) override;
    void show(bool visible) override;
    void bringToFront() override;
    void setForeground(int id) override;
    void removeMaximizeBox() override;
    void greyCloseCommand() override;
    void end(std::intptr_t result) override;

    /// Each character of a measured text is this wide, a line this high.
    static constexpr int characterWidth = 7;
    static constexpr int lineHeight = 13;
    static constexpr platform::Rect defaultClientRect{0, 0, 500, 350};

private:
    friend class SimDesktop;
    SimControl* find(int id);
    void event(std::string text);
    void windowChange(std::string text, bool visible);

    SimDesktop& desktop_;
    platform::DialogTemplate template_;
    platform::Window window_;
    platform::Window owner_;
    platform::DialogHandler& handler_;
    std::thread::id thread_ = std::this_thread::get_id();
    mutable std::mutex mutex_;
    std::vector<SimControl> controls_;
    int focus_ = 0;
    bool enabled_ = true;
    bool visible_ = false;
    bool ended_ = false;
    std::intptr_t result_ = 0;
    std::vector<std::string> events_;
    std::vector<PostedMessage> posted_;
};

class SimDesktop final : public platform::Desktop {
public:
    using Script = std::function<void(SimDialog&)>;

    SimDesktop(Faults& faults, SimRegistry& registry, SimFileSystem& files, SimResources& resources,
               SimProcesses& processes);
    ~SimDesktop() override;

    /// The next boxes are answered with these buttons in turn; without a scripted answer the user
    /// presses the box's first button.
    void answer(int button);
    std::vector<ShownMessageBox> shown() const;

    /// Gives template `id` these controls; a dialog whose template was not defined cannot be made
    /// (1814, as a module without it).
    void defineTemplate(std::uint32_t id, std::vector<SimControl> controls);
    /// What the user does the next time a modal dialog of template `id` opens, after its
    /// initialisation. Without a script the user presses Enter (clicks 1).
    void onDialog(std::uint32_t id, Script script);
    /// Every modal dialog run so far, as it was when it ended, and the modeless ones still open.
    std::vector<std::shared_ptr<SimDialog>> dialogs() const;
    std::shared_ptr<SimDialog> dialog(platform::Window window) const;

    /// The next folder browses answer this path (nullopt: the user cancels); without an answer
    /// the user cancels.
    void answerBrowse(std::optional<std::string> path);
    /// The titles of the folder browses shown so far.
    std::vector<std::string> browses() const;

    /// While held, a dialog's window changes (show, hide, bring to front) asked from a thread other
    /// than the dialog's own wait: a worker can be caught at its first step.
    void holdWorkers(bool hold);

    /// Makes the HTML windows from now on: tests put a real browser in place of the scripted one. An
    /// empty factory brings the scripted one back.
    using HtmlWindowFactory = std::function<std::unique_ptr<platform::HtmlWindow>()>;
    void setHtmlWindowFactory(HtmlWindowFactory factory);
    /// The scripted browser: its page scripts and windows.
    SimHtmlBrowser& html() { return html_; }

    void setSystemLocaleCountry(std::string country);
    void setPixelsPerInch(int dpi);
    /// The font a handle stands for; nullopt once it was deleted.
    std::optional<platform::FontStyle> font(platform::Font font) const;
    /// Fonts and bitmaps created and not yet deleted.
    int liveObjects() const;
    /// Where a bitmap came from: "resource <id>" or the picture's path; empty once deleted.
    std::string bitmapSource(platform::Bitmap bitmap) const;

    int messageBox(platform::Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                   platform::ErrorCode& error) override;
    bool initCommonControls() override;
    platform::ErrorCode systemLocaleCountry(std::string& out) override;
    int screenPixelsPerInchY() override;
    platform::Window activeWindow() override;
    platform::Window desktopWindow() override;
    platform::ErrorCode createFont(const platform::FontStyle& style, platform::Font& out) override;
    platform::ErrorCode deleteFont(platform::Font font) override;
    platform::ErrorCode loadBitmap(platform::Module module, std::uint32_t id, platform::Bitmap& out) override;
    bool pictureDecoderAvailable() override;
    platform::ErrorCode loadPicture(std::string_view path, platform::Bitmap& out) override;
    platform::ErrorCode bitmapSize(platform::Bitmap bitmap, platform::Size& out) override;
    platform::ErrorCode deleteBitmap(platform::Bitmap bitmap) override;
    std::unique_ptr<platform::HtmlWindow> createHtmlWindow() override;
    platform::ErrorCode browseForFolder(platform::Window owner, std::string_view title, std::string& path,
                                        bool& chosen) override;
    std::intptr_t findExecutable(std::string_view file, std::string& program) override;
    std::intptr_t runModalDialog(const platform::DialogTemplate& dialog, platform::Window owner,
                                 platform::DialogHandler& handler, platform::ErrorCode& error) override;
    platform::ErrorCode createModelessDialog(const platform::DialogTemplate& dialog, platform::Window owner,
                                             platform::DialogHandler& handler, platform::Window& out) override;
    void runMessageLoop(platform::Window window) override;
    platform::ErrorCode destroyDialog(platform::Window window) override;
    platform::ErrorCode topLevelWindows(std::uint32_t processId, std::vector<platform::Window>& out) override;
    platform::ErrorCode postToWindow(platform::Window window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    platform::ErrorCode destroyWindow(platform::Window window) override;

private:
    friend class SimDialog;
    struct BitmapRecord {
        platform::Size size;
        std::string source;
    };
    struct Modeless {
        std::shared_ptr<SimDialog> dialog;
        std::thread::id thread;
        bool destroyRequested = false;
    };

    std::shared_ptr<SimDialog> makeDialog(const platform::DialogTemplate& dialog, platform::Window owner,
                                          platform::DialogHandler& handler);
    platform::Bitmap addBitmap(platform::Size size, std::string source);
    /// Destroys a modeless dialog on its own thread.
    void destroyNow(const std::shared_ptr<SimDialog>& dialog);
    bool modelessOf(platform::Window window) const;
    /// Waits while workers are held.
    void passWorkerGate();

    Faults& faults_;
    SimRegistry& registry_;
    SimFileSystem& files_;
    SimResources& resources_;
    SimProcesses& processes_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<int> answers_;
    std::vector<ShownMessageBox> shown_;
    std::map<std::uint32_t, std::vector<SimControl>> templates_;
    std::map<std::uint32_t, std::deque<Script>> scripts_;
    std::vector<std::shared_ptr<SimDialog>> modal_;
    std::map<platform::Window, Modeless> modeless_;
    std::deque<std::optional<std::string>> browseAnswers_;
    std::vector<std::string> browses_;
    bool workersHeld_ = false;
    SimHtmlBrowser html_;
    HtmlWindowFactory htmlFactory_;
    std::string country_ = "United States";
    int dpi_ = 96;
    std::map<platform::Font, platform::FontStyle> fonts_;
    std::map<platform::Bitmap, BitmapRecord> bitmaps_;
    std::uintptr_t nextHandle_ = 0x10000;
};

}  // namespace sim

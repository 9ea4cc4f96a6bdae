// An HTML page as a blocking dialog: the worker code constructs a dialog for a page name and runs it;
// the page ends it through `window.external.notify` (or the window's close command), and the host
// fills the page by calling its script functions.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ipc/conditional.h"
#include "platform/html_window.h"

namespace ui {

/// Where pages come from and which localisation they pick; one process-wide instance.
struct DialogSettings {
    std::string locale;
    /// Empty: `pageBaseUrl()`.
    std::string baseUrl;
    /// How long `show` waits for a page to load before it gives up.
    std::uint32_t loadLimitMilliseconds = 20000;
};

/// The process-wide settings: the default user-interface locale, the program's own pages.
DialogSettings& dialogSettings();
/// Sets the process-wide settings up; runs once during start-up.
void initDialogSettings();

/// "res://" + `modulePath` + "/", with every "\" written "%5C" and then every blank "%20".
std::string makePageBaseUrl(std::string_view modulePath);
/// The base URL of the running program's pages (`makePageBaseUrl` of its path), made once.
const std::string& pageBaseUrl();

/// A page that did not load: the navigation failed, or it did not finish in time.
class DialogLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Dialog : public WindowHandler {
public:
    /// Result codes of `run`.
    static constexpr std::uint32_t notEnded = 0;
    static constexpr std::uint32_t closed = 1;  // the window's close command or the page's "cancel"
    static constexpr std::uint32_t next = 2;
    static constexpr std::uint32_t back = 3;
    static constexpr std::uint32_t link = 4;  // a dialog's own link

    explicit Dialog(std::string_view pageName, const DialogSettings& settings = dialogSettings());
    /// Destroys the window; the engine stops calling this dialog. A derived dialog with state of its
    /// own calls `detach` in its destructor, so that no late page event reaches that state half gone.
    ~Dialog() override;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    /// Shows the dialog, waits until an event ends it, hides it and returns the result code.
    /// Throws DialogLoadError when the page does not load; the window is hidden again.
    std::uint32_t run();
    /// Loads the page and shows the window; waits for the first load only. Throws DialogLoadError.
    void show();
    void hide();
    /// Ends `run` with `code`.
    void endDialog(std::uint32_t code);

    std::string getLocale() override;
    void onClose() override;
    void onLoadComplete() override;
    void onNavigateError(std::int32_t status) override;
    void onEvent(const std::string& name, const std::vector<std::string>& arguments) override;
    void setWindowProp(const std::string& name, const std::vector<std::string>& values) override;
    /// The page was unloaded: the next `show` waits for the load again. Nothing in the engine calls it.
    virtual void onUnload();

    const std::string& url() const { return url_; }

protected:
    /// Destroys the window now; the engine calls this dialog no more.
    void detach();
    /// Evaluates `script` in the page; its value is not wanted.
    void execScript(const std::string& script);
    platform::HtmlWindow& window() { return *window_; }
    /// The argument at `index`; throws std::runtime_error "no parameter at the given position".
    static const std::string& argument(const std::vector<std::string>& arguments, std::size_t index);

private:
    enum class LoadState : std::int32_t { notLoaded = 0, loading = 1, loaded = 2, failed = 3 };

    void setCloseItem();
    void centre();

    std::unique_ptr<platform::HtmlWindow> window_;
    std::string url_;
    std::string locale_;
    std::uint32_t loadLimit_;
    ipc::Conditional result_;
    std::uint32_t resultCode_ = notEnded;
    ipc::Conditional load_;
    LoadState loadState_ = LoadState::notLoaded;
    std::int32_t navigationStatus_ = 0;
    bool closeButton_ = true;
};

}  // namespace ui

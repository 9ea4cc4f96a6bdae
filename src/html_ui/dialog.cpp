#include "html_ui/dialog.h"

#include <cstdlib>

#include "foundation/browsers.h"
#include "foundation/locale.h"
#include "foundation/logger.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"

namespace ui {

namespace {

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

int number(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

}  // namespace

DialogSettings& dialogSettings() {
    static DialogSettings settings = [] {
        DialogSettings defaults;
        defaults.locale = "en";
        return defaults;
    }();
    return settings;
}

void initDialogSettings() {
    dialogSettings().locale = std::string(Locale::defaultLocale().name());
    dialogSettings().baseUrl.clear();
}

std::string makePageBaseUrl(std::string_view modulePath) {
    return replaceAll(replaceAll("res://" + std::string(modulePath) + "/", "\\", "%5C"), " ", "%20");
}

const std::string& pageBaseUrl() {
    static const std::string url = [] {
        std::string path;
        platform::machine().system().moduleFileName(platform::Module::self, path);
        return makePageBaseUrl(path);
    }();
    return url;
}

Dialog::Dialog(std::string_view pageName, const DialogSettings& settings)
    : window_(platform::machine().desktop().createHtmlWindow()),
      url_((settings.baseUrl.empty() ? pageBaseUrl() : settings.baseUrl) + std::string(pageName)),
      locale_(settings.locale),
      loadLimit_(settings.loadLimitMilliseconds) {}

Dialog::~Dialog() { detach(); }

void Dialog::detach() {
    try {
        window_->destroy();
    } catch (const std::exception& e) {
        LOG_ERROR("Destroying the window of " << url_ << " failed: " << e.what());
    }
}

std::uint32_t Dialog::run() {
    // Window calls wait for the UI thread, whose ending events take the result lock: none is made while
    // holding it. An ending that comes during `show` ends the run as soon as the page is shown.
    {
        const ipc::Mutex::Lock lock(result_.mutex());
        resultCode_ = notEnded;
    }
    show();
    std::uint32_t code = notEnded;
    {
        ipc::Mutex::Lock lock(result_.mutex());
        while (resultCode_ == notEnded) result_.wait(lock);
        code = resultCode_;
    }
    hide();
    return code;
}

void Dialog::show() {
    // Window calls wait for the UI thread, whose handler calls take the load lock: none is made while
    // holding it.
    bool firstLoad = false;
    {
        const ipc::Mutex::Lock lock(load_.mutex());
        if (loadState_ != LoadState::loaded) {
            firstLoad = true;
            loadState_ = LoadState::loading;
        }
    }
    if (firstLoad) setCloseItem();
    // The browser may report the load, or its failure, before `load` returns.
    window_->load(url_, *this);
    std::string failure;
    {
        ipc::Mutex::Lock lock(load_.mutex());
        // A page that never loads must not hold the installation: the wait has a bound, and a failed
        // navigation ends it at once.
        bool inTime = true;
        while (loadState_ == LoadState::loading && inTime) inTime = load_.waitFor(lock, loadLimit_);
        if (loadState_ == LoadState::failed) {
            failure = tstrings::format("The page %s failed to load: navigation error 0x%08X", url_.c_str(),
                                       static_cast<unsigned>(navigationStatus_));
        } else if (loadState_ == LoadState::loading) {
            failure = tstrings::format("The page %s did not load within %u ms", url_.c_str(),
                                       static_cast<unsigned>(loadLimit_));
        }
        if (!failure.empty()) loadState_ = LoadState::notLoaded;
    }
    window_->setVisible(failure.empty());
    if (!failure.empty()) throw DialogLoadError(failure);
}

void Dialog::hide() { window_->setVisible(false); }

void Dialog::endDialog(std::uint32_t code) {
    const ipc::Mutex::Lock lock(result_.mutex());
    resultCode_ = code;
    result_.notify(true);
}

std::string Dialog::getLocale() { return locale_; }

void Dialog::onClose() {
    LOG_TRACE("Dialog::onClose())");
    endDialog(closed);
}

void Dialog::onLoadComplete() {
    LOG_TRACE("Dialog::onLoadComplete())");
    {
        const ipc::Mutex::Lock lock(load_.mutex());
        // The browser also completes the document after a failed navigation: the failure stands.
        if (loadState_ != LoadState::loading && loadState_ != LoadState::loaded) return;
        loadState_ = LoadState::loaded;
        load_.notify(false);
    }
    centre();
}

void Dialog::onNavigateError(std::int32_t status) {
    const ipc::Mutex::Lock lock(load_.mutex());
    if (loadState_ != LoadState::loading) return;
    navigationStatus_ = status;
    loadState_ = LoadState::failed;
    load_.notify(false);
}

void Dialog::onUnload() {
    const ipc::Mutex::Lock lock(load_.mutex());
    loadState_ = LoadState::notLoaded;
}

void Dialog::onEvent(const std::string& name, const std::vector<std::string>& arguments) {
    LOG_TRACE("Dialog::onEvent(" << name << ")");
    if (name == "cancel") {
        window_->sendClose();
    } else if (name == "next") {
        endDialog(next);
    } else if (name == "back") {
        endDialog(back);
    } else if (name == "a") {
        browsers::launchDefault(argument(arguments, 0));
    }
}

void Dialog::setWindowProp(const std::string& name, const std::vector<std::string>& values) {
    if (tstrings::compareNoCase(name, "title") == 0) {
        if (values.size() != 1) {
            LOG_ERROR("setWindowProp(Title): requires 1 params");
            return;
        }
        LOG_INFO(tstrings::format("setWindowProp(Title): %s", values[0].c_str()));
        window_->setTitle(values[0]);
    } else if (tstrings::compareNoCase(name, "size") == 0) {
        if (values.size() != 2) {
            LOG_ERROR("setWindowProp(Size): requires 2 params");
            return;
        }
        const int width = number(values[0]);
        const int height = number(values[1]);
        LOG_INFO(tstrings::format("setWindowProp(Size): %d x %d", width, height));
        window_->setSize(width, height);
    } else if (tstrings::compareNoCase(name, "closeButton") == 0) {
        if (values.size() != 1) {
            LOG_ERROR("setWindowProp(closeButton): requires 1 params");
            return;
        }
        const int enabled = number(values[0]);
        LOG_INFO(tstrings::format("setWindowProp(closeButton): %d", enabled));
        closeButton_ = enabled != 0;
        setCloseItem();
    } else {
        LOG_ERROR(tstrings::format("setWindowProp: unexpected prop: '%s'", name.c_str()));
    }
}

void Dialog::execScript(const std::string& script) { window_->execScript(script); }

const std::string& Dialog::argument(const std::vector<std::string>& arguments, std::size_t index) {
    if (index >= arguments.size()) throw std::runtime_error("no parameter at the given position");
    return arguments[index];
}

void Dialog::setCloseItem() { window_->enableCloseItem(closeButton_); }

void Dialog::centre() {
    const platform::Rect window = window_->windowRect();
    const platform::Rect parent = window_->parentRect();
    window_->move(parent.left + (parent.width() - window.width()) / 2,
                  parent.top + (parent.height() - window.height()) / 2);
}

}  // namespace ui

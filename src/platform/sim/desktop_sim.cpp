#include "platform/sim/desktop_sim.h"

#include <algorithm>

#include "foundation/logger.h"
#include "platform/registry.h"
#include "platform/sim/file_system_sim.h"
#include "platform/sim/processes_sim.h"
#include "platform/sim/registry_sim.h"
#include "platform/sim/resources_sim.h"
#include "platform/sim/text.h"
#include "platform/win_errors.h"

namespace sim {

namespace {

constexpr platform::ErrorCode invalidWindowHandle = 1400;
constexpr std::intptr_t seFileNotFound = 2;
constexpr std::intptr_t seNoAssociation = 31;

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

int magnitude(std::uint32_t value) {
    const auto signedValue = static_cast<std::int32_t>(value);
    return signedValue < 0 ? -signedValue : signedValue;
}

/// The size of a BMP, PNG or JPEG file, as the decoder would find it.
std::optional<platform::Size> pictureSize(std::string_view bytes) {
    if (bytes.size() >= 26 && bytes.substr(0, 2) == "BM") {
        return platform::Size{magnitude(littleEndian(bytes, 18, 4)), magnitude(littleEndian(bytes, 22, 4))};
    }
    if (bytes.size() >= 24 && bytes.substr(0, 8) == "\x89PNG\r\n\x1a\n") {
        return platform::Size{static_cast<int>(bigEndian(bytes, 16, 4)), static_cast<int>(bigEndian(bytes, 20, 4))};
    }
    if (bytes.size() >= 4 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
        static_cast<std::uint8_t>(bytes[1]) == 0xD8) {
        std::size_t at = 2;
        while (at + 9 <= bytes.size() && static_cast<std::uint8_t>(bytes[at]) == 0xFF) {
            const auto marker = static_cast<std::uint8_t>(bytes[at + 1]);
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame) {
                return platform::Size{static_cast<int>(bigEndian(bytes, at + 7, 2)),
                                      static_cast<int>(bigEndian(bytes, at + 5, 2))};
            }
            at += 2 + bigEndian(bytes, at + 2, 2);
        }
    }
    return std::nullopt;
}

/// The target of the first anchor of a SysLink text.
std::string anchorTarget(const std::string& text) {
    const std::string lower = lowerAscii(text);
    const auto at = lower.find("href=\"");
    if (at == std::string::npos) return {};
    const auto end = text.find('"', at + 6);
    return end == std::string::npos ? std::string() : text.substr(at + 6, end - at - 6);
}

/// The default value of a key of the simulated classes root.
std::optional<std::string> classesDefault(SimRegistry& registry, const std::string& path) {
    platform::RegKey key = platform::RegKey::null;
    if (registry.openKey(platform::RegKey::classesRoot, path, platform::reg::read, key) != 0) return std::nullopt;
    std::uint8_t data[1024];
    std::uint32_t size = sizeof data;
    std::uint32_t type = 0;
    const auto status = registry.queryValue(key, "", &type, data, size);
    registry.closeKey(key);
    if (status != 0 || (type != platform::reg::sz && type != platform::reg::expandSz)) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(data), size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace

// ---- SimDialog ---------------------------------------------------------------------------------

SimDialog::SimDialog(SimDesktop& desktop, platform::DialogTemplate dialog, platform::Window window,
                     platform::Window owner, platform::DialogHandler& handler, std::vector<SimControl> controls)
    : desktop_(desktop),
      template_(dialog),
      window_(window),
      owner_(owner),
      handler_(handler),
      controls_(std::move(controls)) {}

SimControl* SimDialog::find(int id) {
    for (auto& c : controls_) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

void SimDialog::event(std::string text) {
    const std::lock_guard lock(mutex_);
    events_.push_back(std::move(text));
}

void SimDialog::click(int id) {
    {
        const std::lock_guard lock(mutex_);
        const SimControl* c = find(id);
        if (ended_ || !enabled_ || c == nullptr || !c->visible) return;
    }
    handler_.onCommand(*this, id, platform::bnClicked);
}

void SimDialog::close() {
    {
        const std::lock_guard lock(mutex_);
        if (ended_ || !enabled_) return;
    }
    handler_.onCommand(*this, 2, platform::bnClicked);
}

void SimDialog::tick(int id, bool checked) {
    {
        const std::lock_guard lock(mutex_);
        SimControl* c = find(id);
        if (ended_ || !enabled_ || c == nullptr || !c->visible) return;
        c->checked = checked;
    }
    handler_.onCommand(*this, id, platform::bnClicked);
}

void SimDialog::clickLink(int id) {
    std::string target;
    {
        const std::lock_guard lock(mutex_);
        const SimControl* c = find(id);
        if (ended_ || !enabled_ || c == nullptr) return;
        target = anchorTarget(c->text);
    }
    if (!target.empty()) handler_.onLinkClick(*this, id, target);
}

platform::Paint SimDialog::paint(int id) { return handler_.paintStatic(*this, id); }

platform::Paint SimDialog::paintBackground() { return handler_.paintDialog(*this); }

SimControl SimDialog::control(int id) const {
    const std::lock_guard lock(mutex_);
    for (const auto& c : controls_) {
        if (c.id == id) return c;
    }
    return SimControl{};
}

bool SimDialog::enabled() const {
    const std::lock_guard lock(mutex_);
    return enabled_;
}

bool SimDialog::visible() const {
    const std::lock_guard lock(mutex_);
    return visible_;
}

bool SimDialog::ended() const {
    const std::lock_guard lock(mutex_);
    return ended_;
}

std::intptr_t SimDialog::result() const {
    const std::lock_guard lock(mutex_);
    return result_;
}

std::vector<std::string> SimDialog::events() const {
    const std::lock_guard lock(mutex_);
    return events_;
}

std::vector<PostedMessage> SimDialog::posted() const {
    const std::lock_guard lock(mutex_);
    return posted_;
}

platform::Window SimDialog::controlWindow(int id) {
    const std::lock_guard lock(mutex_);
    if (find(id) == nullptr) return platform::Window::null;
    return static_cast<platform::Window>((platform::raw(window_) << 20) | static_cast<std::uintptr_t>(id));
}

std::vector<int> SimDialog::controlIds() {
    const std::lock_guard lock(mutex_);
    std::vector<int> ids;
    for (const auto& c : controls_) ids.push_back(c.id);
    return ids;
}

std::string SimDialog::text(int id) {
    const std::lock_guard lock(mutex_);
    const SimControl* c = find(id);
    return c == nullptr ? std::string() : c->text;
}

void SimDialog::setText(int id, std::string_view text) {
    const std::lock_guard lock(mutex_);
    if (SimControl* c = find(id)) c->text = std::string(text);
}

bool SimDialog::isChecked(int id) {
    const std::lock_guard lock(mutex_);
    const SimControl* c = find(id);
    return c != nullptr && c->checked;
}

void SimDialog::setChecked(int id, bool checked) {
    const std::lock_guard lock(mutex_);
    if (SimControl* c = find(id)) c->checked = checked;
}

void SimDialog::showControl(int id, bool visible) {
    const std::lock_guard lock(mutex_);
    if (SimControl* c = find(id)) c->visible = visible;
}

void SimDialog::setFont(int id, platform::Font font) {
    const std::lock_guard lock(mutex_);
    if (SimControl* c = find(id)) c->font = font;
}

void SimDialog::setFocus(int id) {
    const std::lock_guard lock(mutex_);
    if (find(id) != nullptr) focus_ = id;
    events_.push_back("focus " + std::to_string(id));
}

platform::Rect SimDialog::controlRect(int id) {
    const std::lock_guard lock(mutex_);
    const SimControl* c = find(id);
    return c == nullptr ? platform::Rect{} : c->rect;
}

platform::Rect SimDialog::controlClientRect(int id) {
    const platform::Rect r = controlRect(id);
    return platform::Rect{0, 0, r.width(), r.height()};
}

platform::Size SimDialog::measureText(int id, std::u16string_view text) {
    if (!hasControl(id)) return {};
    return platform::Size{static_cast<int>(text.size()) * characterWidth, lineHeight};
}

void SimDialog::moveControl(int id, const platform::Rect& to) {
    const std::lock_guard lock(mutex_);
    if (SimControl* c = find(id)) c->rect = to;
}

bool SimDialog::postToControl(int id, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (desktop_.faults_.check("Desktop.postMessage")) return false;
    const std::lock_guard lock(mutex_);
    if (ended_ || find(id) == nullptr) return false;
    posted_.push_back(PostedMessage{id, message, wParam, lParam});
    return true;
}

platform::Rect SimDialog::clientRect() { return defaultClientRect; }

void SimDialog::enable(bool enabled) {
    const std::lock_guard lock(mutex_);
    enabled_ = enabled;
    events_.push_back(enabled ? "enable" : "disable");
}

void SimDialog::windowChange(std::string text, bool visible) {
    if (std::this_thread::get_id() != thread_) desktop_.passWorkerGate();
    const std::lock_guard lock(mutex_);
    visible_ = visible;
    events_.push_back(std::move(text));
}

void SimDialog::show(bool visible) { windowChange(visible ? "show" : "hide", visible); }

void SimDialog::bringToFront() { windowChange("front", true); }

void SimDialog::setForeground(int id) { event("foreground " + std::to_string(id)); }

void SimDialog::removeMaximizeBox() { event("no maximize box"); }

void SimDialog::greyCloseCommand() { event("close greyed"); }

void SimDialog::end(std::intptr_t result) {
    {
        const std::lock_guard lock(mutex_);
        if (ended_) return;
        ended_ = true;
        result_ = result;
        events_.push_back("end " + std::to_string(result));
    }
    if (desktop_.modelessOf(window_)) desktop_.destroyDialog(window_);
}

// ---- SimDesktop --------------------------------------------------------------------------------

SimDesktop::SimDesktop(Faults& faults, SimRegistry& registry, SimFileSystem& files, SimResources& resources,
                       SimProcesses& processes)
    : faults_(faults), registry_(registry), files_(files), resources_(resources), processes_(processes) {}

SimDesktop::~SimDesktop() = default;

void SimDesktop::answer(int button) {
    const std::lock_guard lock(mutex_);
    answers_.push_back(button);
}

std::vector<ShownMessageBox> SimDesktop::shown() const {
    const std::lock_guard lock(mutex_);
    return shown_;
}

int SimDesktop::messageBox(platform::Window owner, std::string_view text, std::string_view caption, std::uint32_t type,
                           platform::ErrorCode& error) {
    if (auto fault = faults_.check("Desktop.messageBox")) {
        error = *fault;
        return 0;
    }
    const std::lock_guard lock(mutex_);
    shown_.push_back(ShownMessageBox{owner, std::string(text), std::string(caption), type});
    error = platform::err::success;
    if (!answers_.empty()) {
        const int button = answers_.front();
        answers_.pop_front();
        return button;
    }
    return (type & 0xF) == platform::mb::yesNo ? platform::mb::idYes : platform::mb::idOk;
}

bool SimDesktop::initCommonControls() { return !faults_.check("Desktop.initCommonControls"); }

void SimDesktop::holdWorkers(bool hold) {
    {
        const std::lock_guard lock(mutex_);
        workersHeld_ = hold;
    }
    changed_.notify_all();
}

void SimDesktop::passWorkerGate() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !workersHeld_; });
}

void SimDesktop::setSystemLocaleCountry(std::string country) {
    const std::lock_guard lock(mutex_);
    country_ = std::move(country);
}

void SimDesktop::setPixelsPerInch(int dpi) {
    const std::lock_guard lock(mutex_);
    dpi_ = dpi;
}

platform::ErrorCode SimDesktop::systemLocaleCountry(std::string& out) {
    if (auto fault = faults_.check("Desktop.systemLocaleCountry")) return *fault;
    const std::lock_guard lock(mutex_);
    out = country_;
    return platform::err::success;
}

int SimDesktop::screenPixelsPerInchY() {
    const std::lock_guard lock(mutex_);
    return dpi_;
}

platform::Window SimDesktop::activeWindow() { return platform::Window::null; }

platform::Window SimDesktop::desktopWindow() { return static_cast<platform::Window>(0x10010); }

// ---- drawing objects ----

platform::ErrorCode SimDesktop::createFont(const platform::FontStyle& style, platform::Font& out) {
    out = platform::Font::null;
    if (auto fault = faults_.check("Desktop.createFont")) return *fault;
    const std::lock_guard lock(mutex_);
    out = static_cast<platform::Font>(nextHandle_++);
    fonts_.emplace(out, style);
    return platform::err::success;
}

platform::ErrorCode SimDesktop::deleteFont(platform::Font font) {
    if (auto fault = faults_.check("Desktop.deleteFont")) return *fault;
    const std::lock_guard lock(mutex_);
    return fonts_.erase(font) != 0 ? platform::err::success : platform::err::invalidHandle;
}

std::optional<platform::FontStyle> SimDesktop::font(platform::Font font) const {
    const std::lock_guard lock(mutex_);
    const auto it = fonts_.find(font);
    if (it == fonts_.end()) return std::nullopt;
    return it->second;
}

int SimDesktop::liveObjects() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(fonts_.size() + bitmaps_.size());
}

platform::Bitmap SimDesktop::addBitmap(platform::Size size, std::string source) {
    const std::lock_guard lock(mutex_);
    const auto bitmap = static_cast<platform::Bitmap>(nextHandle_++);
    bitmaps_.emplace(bitmap, BitmapRecord{size, std::move(source)});
    return bitmap;
}

std::string SimDesktop::bitmapSource(platform::Bitmap bitmap) const {
    const std::lock_guard lock(mutex_);
    const auto it = bitmaps_.find(bitmap);
    return it == bitmaps_.end() ? std::string() : it->second.source;
}

platform::ErrorCode SimDesktop::loadBitmap(platform::Module module, std::uint32_t id, platform::Bitmap& out) {
    out = platform::Bitmap::null;
    if (auto fault = faults_.check("Desktop.loadBitmap")) return *fault;
    std::span<const std::uint8_t> bytes;
    if (const auto status = resources_.find(module, platform::ResourceId::of(platform::rt::bitmap),
                                            platform::ResourceId::of(id), 0, bytes)) {
        return status;
    }
    // A bitmap resource starts with its BITMAPINFOHEADER.
    if (bytes.size() < 12) return platform::err::invalidData;
    const std::string_view header(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    out = addBitmap(platform::Size{magnitude(littleEndian(header, 4, 4)), magnitude(littleEndian(header, 8, 4))},
                    "resource " + std::to_string(id));
    return platform::err::success;
}

bool SimDesktop::pictureDecoderAvailable() { return !faults_.check("Desktop.pictureDecoderAvailable"); }

platform::ErrorCode SimDesktop::loadPicture(std::string_view path, platform::Bitmap& out) {
    out = platform::Bitmap::null;
    if (auto fault = faults_.check("Desktop.loadPicture")) return *fault;
    if (!pictureDecoderAvailable()) return platform::err::modNotFound;
    const auto bytes = files_.readAll(path);
    if (!bytes) return platform::err::fileNotFound;
    const auto size = pictureSize(*bytes);
    if (!size) return platform::err::invalidData;
    out = addBitmap(*size, std::string(path));
    return platform::err::success;
}

platform::ErrorCode SimDesktop::bitmapSize(platform::Bitmap bitmap, platform::Size& out) {
    const std::lock_guard lock(mutex_);
    const auto it = bitmaps_.find(bitmap);
    if (it == bitmaps_.end()) return platform::err::invalidHandle;
    out = it->second.size;
    return platform::err::success;
}

platform::ErrorCode SimDesktop::deleteBitmap(platform::Bitmap bitmap) {
    if (auto fault = faults_.check("Desktop.deleteBitmap")) return *fault;
    const std::lock_guard lock(mutex_);
    return bitmaps_.erase(bitmap) != 0 ? platform::err::success : platform::err::invalidHandle;
}

// ---- shell ----

void SimDesktop::answerBrowse(std::optional<std::string> path) {
    const std::lock_guard lock(mutex_);
    browseAnswers_.push_back(std::move(path));
}

std::vector<std::string> SimDesktop::browses() const {
    const std::lock_guard lock(mutex_);
    return browses_;
}

platform::ErrorCode SimDesktop::browseForFolder(platform::Window, std::string_view title, std::string& path,
                                                bool& chosen) {
    chosen = false;
    if (auto fault = faults_.check("Desktop.browseForFolder")) return *fault;
    const std::lock_guard lock(mutex_);
    browses_.emplace_back(title);
    if (browseAnswers_.empty()) return platform::err::success;
    const auto answer = browseAnswers_.front();
    browseAnswers_.pop_front();
    if (answer) {
        path = *answer;
        chosen = true;
    }
    return platform::err::success;
}

std::intptr_t SimDesktop::findExecutable(std::string_view file, std::string& program) {
    program.clear();
    if (auto fault = faults_.check("Desktop.findExecutable")) return static_cast<std::intptr_t>(*fault);
    if (!files_.exists(file)) return seFileNotFound;
    const std::string name(file);
    const auto slash = name.find_last_of('\\');
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return seNoAssociation;
    const auto progId = classesDefault(registry_, name.substr(dot));
    if (!progId) return seNoAssociation;
    const auto command = classesDefault(registry_, *progId + "\\shell\\open\\command");
    if (!command || command->empty()) return seNoAssociation;
    if ((*command)[0] == '"') {
        const auto end = command->find('"', 1);
        program = command->substr(1, end == std::string::npos ? std::string::npos : end - 1);
    } else {
        program = command->substr(0, command->find(' '));
    }
    return 42;
}

// ---- dialogs ----

void SimDesktop::defineTemplate(std::uint32_t id, std::vector<SimControl> controls) {
    const std::lock_guard lock(mutex_);
    templates_[id] = std::move(controls);
}

void SimDesktop::onDialog(std::uint32_t id, Script script) {
    const std::lock_guard lock(mutex_);
    scripts_[id].push_back(std::move(script));
}

std::vector<std::shared_ptr<SimDialog>> SimDesktop::dialogs() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<SimDialog>> all = modal_;
    for (const auto& [window, m] : modeless_) all.push_back(m.dialog);
    return all;
}

std::shared_ptr<SimDialog> SimDesktop::dialog(platform::Window window) const {
    const std::lock_guard lock(mutex_);
    const auto it = modeless_.find(window);
    if (it != modeless_.end()) return it->second.dialog;
    for (const auto& d : modal_) {
        if (d->window() == window) return d;
    }
    return nullptr;
}

std::shared_ptr<SimDialog> SimDesktop::makeDialog(const platform::DialogTemplate& dialog, platform::Window owner,
                                                  platform::DialogHandler& handler) {
    const std::lock_guard lock(mutex_);
    const auto it = templates_.find(dialog.id);
    if (it == templates_.end()) return nullptr;
    const auto window = static_cast<platform::Window>(nextHandle_++);
    return std::make_shared<SimDialog>(*this, dialog, window, owner, handler, it->second);
}

std::intptr_t SimDesktop::runModalDialog(const platform::DialogTemplate& dialog, platform::Window owner,
                                         platform::DialogHandler& handler, platform::ErrorCode& error) {
    error = platform::err::success;
    if (auto fault = faults_.check("Desktop.runModalDialog")) {
        error = *fault;
        return -1;
    }
    const auto shown = makeDialog(dialog, owner, handler);
    if (!shown) {
        error = platform::err::resourceNameNotFound;
        return -1;
    }
    Script script = [](SimDialog& d) { d.click(1); };
    {
        const std::lock_guard lock(mutex_);
        modal_.push_back(shown);
        auto& queued = scripts_[dialog.id];
        if (!queued.empty()) {
            script = std::move(queued.front());
            queued.pop_front();
        }
    }
    handler.onInit(*shown);
    shown->show(true);
    script(*shown);
    handler.onDestroy(*shown);
    if (!shown->ended()) {
        LOG_ERROR("the simulated user left dialog " << dialog.id << " open");
        error = invalidWindowHandle;
        return -1;
    }
    return shown->result();
}

platform::ErrorCode SimDesktop::createModelessDialog(const platform::DialogTemplate& dialog, platform::Window owner,
                                                     platform::DialogHandler& handler, platform::Window& out) {
    out = platform::Window::null;
    if (auto fault = faults_.check("Desktop.createModelessDialog")) return *fault;
    const auto created = makeDialog(dialog, owner, handler);
    if (!created) return platform::err::resourceNameNotFound;
    {
        const std::lock_guard lock(mutex_);
        modeless_[created->window()] = Modeless{created, std::this_thread::get_id()};
    }
    out = created->window();
    handler.onInit(*created);
    return platform::err::success;
}

bool SimDesktop::modelessOf(platform::Window window) const {
    const std::lock_guard lock(mutex_);
    return modeless_.count(window) != 0;
}

void SimDesktop::destroyNow(const std::shared_ptr<SimDialog>& dialog) {
    {
        const std::lock_guard lock(mutex_);
        const auto it = modeless_.find(dialog->window());
        if (it == modeless_.end()) return;
        modeless_.erase(it);
        modal_.push_back(dialog);  // kept for the tests, as modal dialogs are
    }
    dialog->handler_.onDestroy(*dialog);
    {
        const std::lock_guard lock(dialog->mutex_);
        dialog->ended_ = true;
        dialog->visible_ = false;
    }
    changed_.notify_all();
}

void SimDesktop::runMessageLoop(platform::Window window) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        const auto it = modeless_.find(window);
        return it == modeless_.end() || it->second.destroyRequested;
    });
    const auto it = modeless_.find(window);
    if (it == modeless_.end()) return;
    const auto dialog = it->second.dialog;
    lock.unlock();
    destroyNow(dialog);
}

platform::ErrorCode SimDesktop::destroyDialog(platform::Window window) {
    if (auto fault = faults_.check("Desktop.destroyDialog")) return *fault;
    std::shared_ptr<SimDialog> dialog;
    {
        const std::lock_guard lock(mutex_);
        const auto it = modeless_.find(window);
        if (it == modeless_.end()) return invalidWindowHandle;
        if (it->second.thread != std::this_thread::get_id()) {
            it->second.destroyRequested = true;
            changed_.notify_all();
            return platform::err::success;
        }
        dialog = it->second.dialog;
    }
    destroyNow(dialog);
    return platform::err::success;
}

// Only the windows of the started programs are reached this way; the test's own dialogs are not.

platform::ErrorCode SimDesktop::topLevelWindows(std::uint32_t processId, std::vector<platform::Window>& out) {
    if (auto fault = faults_.check("Desktop.topLevelWindows")) return *fault;
    out = processes_.windowsOf(processId);
    return platform::err::success;
}

platform::ErrorCode SimDesktop::postToWindow(platform::Window window, std::uint32_t message, std::uintptr_t,
                                            std::intptr_t) {
    if (auto fault = faults_.check("Desktop.postToWindow")) return *fault;
    return processes_.postToWindow(window, message);
}

platform::ErrorCode SimDesktop::destroyWindow(platform::Window window) {
    if (auto fault = faults_.check("Desktop.destroyWindow")) return *fault;
    // Every window a started program has belongs to another process's thread.
    return processes_.hasWindow(window) ? platform::err::accessDenied : invalidWindowHandle;
}

void SimDesktop::setHtmlWindowFactory(HtmlWindowFactory factory) {
    const std::lock_guard lock(mutex_);
    htmlFactory_ = std::move(factory);
}

std::unique_ptr<platform::HtmlWindow> SimDesktop::createHtmlWindow() {
    HtmlWindowFactory factory;
    {
        const std::lock_guard lock(mutex_);
        factory = htmlFactory_;
    }
    return factory ? factory() : html_.create();
}

}  // namespace sim

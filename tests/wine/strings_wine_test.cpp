// The program's own resources, read from kobuoffline.exe by the real resource loader: every
// user-interface locale has every string and dialog, and every page file is there.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/locale.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/win32/win32_machine.h"
#include "support/file_text.h"
#include "support/wine_paths.h"

namespace {

platform::win32::Win32Machine machine;
std::string programPath;
std::string htmlDirectory;

class ProgramStrings : public testing::Test {
protected:
    void SetUp() override {
        const std::u16string wide = tstrings::toUtf16(programPath);
        module_ = LoadLibraryExW(reinterpret_cast<const wchar_t*>(wide.c_str()), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << programPath << ": error " << GetLastError();
    }
    void TearDown() override { FreeLibrary(module_); }

    platform::Module module() const { return static_cast<platform::Module>(reinterpret_cast<std::uintptr_t>(module_)); }

    HMODULE module_ = nullptr;
};

TEST_F(ProgramStrings, EveryLocaleHasEveryStringInItsOwnLanguage) {
    const std::uint32_t ids[] = {115,  116,  117,  120,  2035, 2036, 2037, 2038, 2039, 2042, 2043, 2046,
                                 2047, 2048, 2049, 2050, 2056, 2061, 2062, 2063, 3070, 3072, 6006};
    for (const Locale& locale : Locale::all()) {
        for (const std::uint32_t id : ids) {
            std::string text;
            EXPECT_EQ(machine.resources().loadString(module(), id, locale.langId(), text), 0u)
                << locale.name() << " " << id;
            EXPECT_FALSE(text.empty()) << locale.name() << " " << id;
            // The welcome page's heading and text go through buffers of 256 bytes.
            if (id == 2037 || id == 2039) {
                EXPECT_LT(text.size(), 256u) << locale.name() << " " << id;
            }
        }
    }
}

/// A control of a DIALOGEX template: its id, its class (by name or ordinal) and its text.
struct TemplateControl {
    std::uint32_t id = 0;
    std::uint32_t style = 0;
    std::u16string windowClass;
    std::u16string text;
};

/// The caption and controls of a DIALOGEX template.
struct DialogTemplate {
    std::u16string caption;
    std::vector<TemplateControl> controls;
};

/// Reads a DIALOGEX template: its caption and its controls.
DialogTemplate readTemplate(const std::uint8_t* base) {
    const std::uint8_t* at = base;
    const auto word = [&] {
        std::uint16_t value;
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    };
    const auto dword = [&] {
        const std::uint32_t low = word();
        return low | std::uint32_t{word()} << 16;
    };
    const auto skip = [&](std::size_t bytes) { at += bytes; };
    const auto nameOrOrdinal = [&] {  // a string, an ordinal ("#n") or nothing
        std::u16string text;
        for (auto c = word(); c != 0; c = word()) {
            if (c == 0xFFFF && text.empty()) return u"#" + tstrings::toUtf16(std::to_string(word()));
            text += static_cast<char16_t>(c);
        }
        return text;
    };
    EXPECT_EQ(word(), 1);       // dlgVer
    EXPECT_EQ(word(), 0xFFFF);  // signature of DIALOGEX
    skip(8);                    // helpID, exStyle
    const auto style = dword();
    const auto count = word();
    skip(8);          // x, y, cx, cy
    nameOrOrdinal();  // menu
    nameOrOrdinal();  // class
    DialogTemplate dialog;
    dialog.caption = nameOrOrdinal();
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        skip(6);  // point size, weight, italic, charset
        nameOrOrdinal();
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        skip((4 - static_cast<std::size_t>(at - base) % 4) % 4);  // aligned to 4
        skip(8);  // helpID, exStyle
        TemplateControl control;
        control.style = dword();
        skip(8);  // x, y, cx, cy
        control.id = dword();
        control.windowClass = nameOrOrdinal();
        control.text = nameOrOrdinal();
        skip(word());  // creation data
        dialog.controls.push_back(control);
    }
    return dialog;
}

/// A static control, by its class name or the predefined class's ordinal.
bool isStatic(const TemplateControl& control) {
    return control.windowClass == u"#130" ||
           tstrings::compareNoCase(tstrings::toUtf8(control.windowClass), "Static") == 0;
}

/// The lower-case letters that follow a single "&" in a control's text.
std::vector<char16_t> mnemonics(const std::u16string& text) {
    std::vector<char16_t> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        const char16_t c = text[i + 1];
        found.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c);
    }
    return found;
}

TEST_F(ProgramStrings, EveryLocaleHasTheDialogsWithTheSameControlsAndUniqueMnemonics) {
    for (const int id : {110, 113, 4003, 117, 118, 119, 120}) {
        std::vector<std::uint32_t> englishIds;
        for (const Locale& locale : Locale::all()) {
            HRSRC found = FindResourceExW(module_, RT_DIALOG, MAKEINTRESOURCEW(id), locale.langId());
            ASSERT_NE(found, nullptr) << "dialog " << id << " in " << locale.name();
            const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
            const DialogTemplate dialog = readTemplate(bytes);
            EXPECT_FALSE(dialog.caption.empty()) << id << " " << locale.name();
            std::vector<std::uint32_t> ids;
            std::vector<char16_t> keys;
            for (const auto& control : dialog.controls) {
                ids.push_back(control.id);
                for (const char16_t key : mnemonics(control.text)) keys.push_back(key);
                // A bitmap static shows the bitmap its text names, which the program must carry.
                if (isStatic(control) && (control.style & SS_TYPEMASK) == SS_BITMAP) {
                    const int bitmap =
                        control.text.starts_with(u"#") ? std::stoi(tstrings::toUtf8(control.text.substr(1))) : 0;
                    EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(bitmap), RT_BITMAP), nullptr)
                        << "bitmap of control " << control.id << " in dialog " << id << " " << locale.name();
                }
                // The resource compiler writes the class name in capitals.
                if (tstrings::compareNoCase(tstrings::toUtf8(control.windowClass), "SysLink") == 0) {
                    EXPECT_NE(control.text.find(u"<l>"), std::u16string::npos) << control.id << " " << locale.name();
                    EXPECT_NE(control.text.find(u"</l>"), std::u16string::npos) << control.id << " " << locale.name();
                }
            }
            if (locale == Locale::english()) englishIds = ids;
            EXPECT_EQ(ids, englishIds) << "dialog " << id << " in " << locale.name();
            std::sort(keys.begin(), keys.end());
            EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end())
                << "a mnemonic twice in dialog " << id << " in " << locale.name();
        }
    }
}

/// The type 23 resource `name` of the program; nullopt when it has none.
std::optional<std::string> htmlResource(HMODULE module, const std::string& name) {
    const std::u16string wide = tstrings::toUtf16(name);
    HRSRC found = FindResourceW(module, reinterpret_cast<const wchar_t*>(wide.c_str()), MAKEINTRESOURCEW(23));
    if (found == nullptr) return std::nullopt;
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

// The removal dialogs' pages load their script, style and localisation files from beside them: each file
// of the pages' directory is a resource of its own name with its bytes, and each page has a localisation
// file in each user-interface language.
TEST_F(ProgramStrings, EveryPageFileIsAnHtmlResource) {
    ASSERT_FALSE(htmlDirectory.empty()) << "the pages' directory is the second argument";
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(htmlDirectory)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(htmlResource(module_, name), fileText(entry.path().string())) << name;
        ++files;
    }
    EXPECT_GE(files, 64u);
    for (const char* page : {"zarnscrub", "zarnscrub_versions", "zarnscrub_drs", "zarnscrub_progress",
                             "zarnscrub_complete"}) {
        EXPECT_TRUE(htmlResource(module_, std::string(page) + ".html")) << page;
        for (const Locale& locale : Locale::all()) {
            const std::string name = std::string(page) + "_" + std::string(locale.name()) + ".wxl";
            EXPECT_TRUE(htmlResource(module_, name)) << name;
        }
    }
    // res:// names are not case-sensitive.
    EXPECT_TRUE(htmlResource(module_, "ZARNSCRUB_DE.WXL"));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    programPath = windowsPathOfHost(argc > 1 ? argv[1] : "kobuoffline.exe");
    htmlDirectory = argc > 2 ? windowsPathOfHost(argv[2]) : "";
    return RUN_ALL_TESTS();
}

// The program's own string tables, read from kobuoffline.exe by the real resource loader: every
// user-interface locale has every string in its own language, and a French run reads French.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/win32/win32_machine.h"
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

class TemplateReader {
public:
    explicit TemplateReader(const std::uint8_t* bytes) : at_(bytes) {}
    template <class T>
    T take() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    /// A string, an ordinal ("#n") or nothing.
    std::u16string nameOrOrdinal() {
        const auto first = take<std::uint16_t>();
        if (first == 0) return {};
        if (first == 0xFFFF) return u"#" + tstrings::toUtf16(std::to_string(take<std::uint16_t>()));
        std::u16string text(1, static_cast<char16_t>(first));
        for (auto c = take<std::uint16_t>(); c != 0; c = take<std::uint16_t>()) text += static_cast<char16_t>(c);
        return text;
    }
    void skip(std::size_t bytes) { at_ += bytes; }
    void alignTo4(const std::uint8_t* base) {
        while ((at_ - base) % 4 != 0) ++at_;
    }

private:
    const std::uint8_t* at_;
};

DialogTemplate readTemplate(const std::uint8_t* base) {
    TemplateReader r(base);
    EXPECT_EQ(r.take<std::uint16_t>(), 1);       // dlgVer
    EXPECT_EQ(r.take<std::uint16_t>(), 0xFFFF);  // signature of DIALOGEX
    r.skip(8);                                   // helpID, exStyle
    const auto style = r.take<std::uint32_t>();
    const auto count = r.take<std::uint16_t>();
    r.skip(8);          // x, y, cx, cy
    r.nameOrOrdinal();  // menu
    r.nameOrOrdinal();  // class
    DialogTemplate dialog;
    dialog.caption = r.nameOrOrdinal();
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        r.skip(6);  // point size, weight, italic, charset
        r.nameOrOrdinal();
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        r.alignTo4(base);
        r.skip(8);  // helpID, exStyle
        TemplateControl control;
        control.style = r.take<std::uint32_t>();
        r.skip(8);  // x, y, cx, cy
        control.id = r.take<std::uint32_t>();
        control.windowClass = r.nameOrOrdinal();
        control.text = r.nameOrOrdinal();
        r.skip(r.take<std::uint16_t>());  // creation data
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

TEST_F(ProgramStrings, FrenchRunReadsFrench) {
    const StringResource french(Locale::fromLangId(1036), module());
    EXPECT_EQ(french.load(116), "Installation de Zarn en cours");
    EXPECT_EQ(french.load(117),
              "Une autre installation de Zarn est en cours. \nVous devez la terminer avant de pouvoir "
              "\nex\xC3\xA9"
              "cuter ce programme d'installation.");
    const StringResource english(Locale::english(), module());
    EXPECT_EQ(english.load(116), "Zarn Install in Progress");
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
        std::ifstream file(entry.path(), std::ios::binary);
        std::string content(static_cast<std::size_t>(entry.file_size()), '\0');
        file.read(content.data(), static_cast<std::streamsize>(content.size()));
        EXPECT_EQ(htmlResource(module_, name), content) << name;
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

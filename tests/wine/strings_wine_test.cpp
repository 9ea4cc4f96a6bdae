// The program's own string tables, read from kobuoffline.exe by the real resource loader: every
// user-interface locale has every string in its own language, and a French run reads French.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/wine_paths.h"

#include "foundation/locale.h"
#include "foundation/string_resource.h"
#include "foundation/tstrings_convert.h"
#include "platform/win32/win32_machine.h"

namespace {

platform::win32::Win32Machine machine;
std::string programPath;

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
    const std::uint32_t ids[] = {115, 116, 117, 120, 2047, 2048, 2049, 2050};
    for (const Locale& locale : Locale::all()) {
        for (const std::uint32_t id : ids) {
            std::string text;
            EXPECT_EQ(machine.resources().loadString(module(), id, locale.langId(), text), 0u)
                << locale.name() << " " << id;
            EXPECT_FALSE(text.empty()) << locale.name() << " " << id;
        }
    }
}

TEST_F(ProgramStrings, FrenchRunReadsFrench) {
    const StringResource french(Locale::fromLangId(1036), module());
    EXPECT_EQ(french.load(116), "Installation de Zarn en cours");
    EXPECT_EQ(french.load(117), "Une autre installation de Zarn est en cours. \nVous devez la terminer avant de pouvoir "
                                "\nex\xC3\xA9" "cuter ce programme d'installation.");
    const StringResource english(Locale::english(), module());
    EXPECT_EQ(english.load(116), "Zarn Install in Progress");
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    platform::installMachine(&machine);
    programPath = windowsPathOfHost(argc > 1 ? argv[1] : "kobuoffline.exe");
    return RUN_ALL_TESTS();
}

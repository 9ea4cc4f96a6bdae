#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "settings/errors.h"
#include "settings/settings_api.h"

namespace {

namespace code = settings_impl::code;

constexpr const char* runtimeFile = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg";
// The simulated user's account domain is S-1-5-21-3623811015-3361044348-30300820; 513 is its Domain Users.
constexpr const char* adminsFullDomainUsersAndEveryoneRead =
    "D:(A;;FA;;;BA)(A;;FR;;;S-1-5-21-3623811015-3361044348-30300820-513)(A;;FR;;;WD)";

class SaveTest : public testing::Test {
protected:
    SaveTest() : api(settings::getSettingsApi()), context(api.createContext()) {}
    ~SaveTest() override { api.destroyContext(context); }

    std::int32_t save(const char* text, const char* path = runtimeFile) {
        settings::Context* fresh = api.createContext();
        EXPECT_EQ(api.loadString(fresh, text, nullptr, nullptr, true, true), 0);
        const auto result = api.saveFile(fresh, path);
        api.destroyContext(fresh);
        return result;
    }
    std::string content(const char* path = runtimeFile) { return sim->fileSystem().readAll(path).value_or("(none)"); }
    std::string security(const char* path = runtimeFile) {
        std::string sddl;
        EXPECT_EQ(sim->fileSystem().fileSecurity(path, sddl), 0u);
        return sddl;
    }

    sim::MachineScope sim;
    settings::settings_api api;
    settings::Context* context;
};

TEST_F(SaveTest, NewFileInByteOrderWithItsSecurity) {
    ASSERT_EQ(save("NOSTARTMENU\nINSTALL_SILENT=Enable\nauto=1\nZ= spaced value "), 0);
    EXPECT_EQ(content(), "INSTALL_SILENT=Enable\nNOSTARTMENU\nZ=spaced value\nauto=1\n");
    EXPECT_EQ(security(), adminsFullDomainUsersAndEveryoneRead);
}

TEST_F(SaveTest, EmptyConfigurationWritesOneBlank) {
    ASSERT_EQ(api.saveFile(context, runtimeFile), 0);
    EXPECT_EQ(content(), " ");
    ASSERT_EQ(api.loadFile(context, runtimeFile, nullptr, nullptr, true, false), 0) << "and reads back empty";
    std::int32_t empty = 0;
    ASSERT_EQ(api.isEmpty(context, &empty), 0);
    EXPECT_EQ(empty, 1);
}

TEST_F(SaveTest, MissingDirectoriesAreCreated) {
    ASSERT_EQ(save("A=1", "C:\\One\\Two/Three\\..\\x.cfg"), 0);
    EXPECT_EQ(content("C:\\One\\Two\\x.cfg"), "A=1\n");
}

TEST_F(SaveTest, ExistingFileIsRewrittenInPlace) {
    sim->fileSystem().makeDirectories("C:\\ProgramData\\Corvane\\Zarn");
    sim->fileSystem().writeAll(runtimeFile, "OLD=1\nLONGER=line that is longer than the new text\n");
    const std::string before = security();
    ASSERT_EQ(save("EULA=Enable\nSPONSORS=Disable"), 0);
    EXPECT_EQ(content(), "EULA=Enable\r\nSPONSORS=Disable\r\n") << "truncated, written in text mode";
    EXPECT_EQ(security(), before) << "the file was not recreated";
    ASSERT_EQ(api.loadFile(context, runtimeFile, nullptr, nullptr, true, false), 0);
    std::int32_t equal = 0;
    settings::Context* expected = api.createContext();
    ASSERT_EQ(api.loadString(expected, "SPONSORS=Disable\nEULA=Enable", nullptr, nullptr, true, false), 0);
    ASSERT_EQ(api.equalContexts(context, expected, &equal), 0);
    EXPECT_EQ(equal, 1) << "round trip";
    api.destroyContext(expected);
}

TEST_F(SaveTest, Failures) {
    const struct {
        const char* name;
        bool existing;
        const char* operation;
        int skip;
        std::int32_t code;
    } rows[] = {
        {"directory cannot be created", false, "FileSystem.createDirectory", 0, code::pathInvalid},
        {"new file cannot be created", false, "FileSystem.createFile", 1, code::cannotOpen},
        {"existing file cannot be opened for writing", true, "FileSystem.createFile", 2, code::cannotOpen},
        {"write fails on a new file", false, "FileSystem.writeFile", 0, code::writeFailed},
        {"write fails on an existing file", true, "FileSystem.writeFile", 0, code::writeFailed},
        {"current directory unavailable for a relative name", false, "FileSystem.currentDirectory", 0,
         code::internalError},
        {"account domain unknown, no descriptor", false, "System.accountDomainUsersSid", 0, code::internalError},
    };
    for (const auto& row : rows) {
        sim->fileSystem().deleteFile(runtimeFile);
        if (row.existing) {
            sim->fileSystem().makeDirectories("C:\\ProgramData\\Corvane\\Zarn");
            sim->fileSystem().writeAll(runtimeFile, "OLD=1\n");
        }
        sim->faults().fail(row.operation, platform::err::accessDenied, 1, row.skip);
        const char* path = std::string(row.operation) == "FileSystem.currentDirectory" ? "relative.cfg" : runtimeFile;
        EXPECT_EQ(save("A=1", path), row.code) << row.name;
        sim->faults().clear();
        if (row.existing) {
            EXPECT_EQ(content(), "OLD=1\n") << row.name << ": the previous file is whole";
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"
#include "settings/settings_api.h"
#include "settings_test_support.h"

namespace {

using settings::Context;
namespace code = settings_impl::code;

constexpr const char* runtimeFile = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg";
// The simulated user's account domain is S-1-5-21-3623811015-3361044348-30300820; 513 is its Domain Users.
constexpr const char* adminsFullDomainUsersAndEveryoneRead =
    "D:(A;;FA;;;BA)(A;;FR;;;S-1-5-21-3623811015-3361044348-30300820-513)(A;;FR;;;WD)";

class SettingsApiTest : public testing::Test {
protected:
    SettingsApiTest() : api(settings::getSettingsApi()), context(api.createContext()) {}
    ~SettingsApiTest() override { api.destroyContext(context); }

    std::int32_t load(const char* text, bool stopOnError = true, bool allowKeyWithoutValue = false) {
        return api.loadString(context, text, nullptr, nullptr, stopOnError, allowKeyWithoutValue);
    }
    std::vector<std::uint32_t> errorLines() {
        const std::uint32_t* lines = nullptr;
        std::uint32_t count = 0;
        EXPECT_EQ(api.getErrorLines(context, &lines, &count), 0);
        return lines == nullptr ? std::vector<std::uint32_t>{} : std::vector<std::uint32_t>(lines, lines + count);
    }
    std::string keys() {
        std::string out;
        api.forEachKey(
            context,
            [](Context*, std::uint32_t count, std::uint32_t index, const char* key, void* user) {
                *static_cast<std::string*>(user) += std::to_string(index) + "/" + std::to_string(count) + ":" + key + ";";
            },
            &out);
        return out;
    }
    std::string text(const char* key) {
        const char* value = "(unset)";
        const auto result = api.getString(context, key, &value);
        return result == 0 ? value : "error " + std::to_string(result);
    }

    std::int32_t save(const char* text) {
        settings::Context* fresh = api.createContext();
        EXPECT_EQ(api.loadString(fresh, text, nullptr, nullptr, true, true), 0);
        const auto result = api.saveFile(fresh, runtimeFile);
        api.destroyContext(fresh);
        return result;
    }
    std::string content() { return sim->fileSystem().readAll(runtimeFile).value_or("(none)"); }
    std::string security() {
        std::string sddl;
        EXPECT_EQ(sim->fileSystem().fileSecurity(runtimeFile, sddl), 0u);
        return sddl;
    }

    sim::MachineScope sim;
    settings::settings_api api;
    Context* context;
};

TEST_F(SettingsApiTest, LoadsAddToTheContext) {
    std::int32_t empty = 0;
    ASSERT_EQ(api.isEmpty(context, &empty), 0);
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(load("A=1\nB=2"), 0);
    EXPECT_EQ(load("B=3\nC=4"), 0);
    EXPECT_EQ(keys(), "0/3:A;1/3:B;2/3:C;");
    EXPECT_EQ(text("B"), "3");
    ASSERT_EQ(api.removeKey(context, "B"), 0);
    ASSERT_EQ(api.removeKey(context, "ABSENT"), 0);
    EXPECT_EQ(keys(), "0/2:A;1/2:C;");
}

// A strict load that fails changes nothing; a lenient one keeps its good lines and fails all the same.
TEST_F(SettingsApiTest, FailedLoads) {
    ASSERT_EQ(load("A=1"), 0);
    EXPECT_EQ(load("B=2\n# c\nwrong\n=bad"), code::malformedLines);
    EXPECT_EQ(errorLines(), std::vector<std::uint32_t>{2});
    EXPECT_EQ(keys(), "0/1:A;");
    EXPECT_NE(sim.log().find("\tERROR: Error reading config file: \"Key without value\" at line 3; char 1\n"),
              std::string::npos);
    EXPECT_EQ(load("B=2\nwrong\nC=3\n:x", false), code::malformedLines);
    EXPECT_EQ(errorLines(), (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(keys(), "0/3:A;1/3:B;2/3:C;");
    EXPECT_EQ(load("D=4"), 0);
    EXPECT_TRUE(errorLines().empty()) << "cleared by the next load";
}

// The conversions themselves are ValueConversions' rows.
TEST_F(SettingsApiTest, TypedGetters) {
    ASSERT_EQ(load("BARE\nFLAG=no\nWORD=abc", true, true), 0);
    std::int32_t flag = -1;
    std::int32_t number = 7;
    EXPECT_EQ(api.getBool(context, "BARE", &flag), 0);
    EXPECT_EQ(flag, 1) << "a key without value reads as set";
    EXPECT_EQ(api.getBool(context, "FLAG", &flag), 0);
    EXPECT_EQ(flag, 0);

    flag = 7;
    EXPECT_EQ(api.getBool(context, "ABSENT", &flag), code::missingKey);
    EXPECT_EQ(api.getInt(context, "WORD", &number), code::notUtf8);
    EXPECT_EQ(api.getInt(context, "BARE", &number), code::noValue);
    EXPECT_EQ(flag, 7) << "out-parameters untouched on failure";
    EXPECT_EQ(number, 7);
    EXPECT_EQ(text("BARE"), "error 301");
    EXPECT_EQ(text("ABSENT"), "error 303");
}

TEST_F(SettingsApiTest, NewFileInByteOrderWithItsSecurity) {
    ASSERT_EQ(save("NOSTARTMENU\nINSTALL_SILENT=Enable\nauto=1\nZ= spaced value "), 0);
    EXPECT_EQ(content(), "INSTALL_SILENT=Enable\nNOSTARTMENU\nZ=spaced value\nauto=1\n");
    EXPECT_EQ(security(), adminsFullDomainUsersAndEveryoneRead);
}

TEST_F(SettingsApiTest, SavesWriteOneBlankForNothingAndRewriteInPlace) {
    ASSERT_EQ(api.saveFile(context, runtimeFile), 0);
    EXPECT_EQ(content(), " ");  // a blank line: Parser's rows read it as nothing

    sim->fileSystem().writeAll(runtimeFile, "OLD=1\nLONGER=line that is longer than the new text\n");
    const std::string before = security();
    ASSERT_EQ(save("EULA=Enable\nSPONSORS=Disable"), 0);
    EXPECT_EQ(content(), "EULA=Enable\r\nSPONSORS=Disable\r\n") << "truncated, written in text mode";
    EXPECT_EQ(security(), before) << "the file was not recreated";
}

TEST_F(SettingsApiTest, SaveFailures) {
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
        {"account domain unknown, no descriptor", false, "System.accountDomainUsersSid", 0, code::internalError},
    };
    for (const auto& row : rows) {
        sim->fileSystem().deleteFile(runtimeFile);
        if (row.existing) {
            sim->fileSystem().makeDirectories("C:\\ProgramData\\Corvane\\Zarn");
            sim->fileSystem().writeAll(runtimeFile, "OLD=1\n");
        }
        sim->faults().fail(row.operation, platform::err::accessDenied, 1, row.skip);
        EXPECT_EQ(save("A=1"), row.code) << row.name;
        sim->faults().clear();
        if (row.existing) {
            EXPECT_EQ(content(), "OLD=1\n") << row.name << ": the previous file is whole";
        }
    }
}

}  // namespace

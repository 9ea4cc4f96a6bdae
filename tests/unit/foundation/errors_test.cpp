#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "foundation/auto_handle.h"
#include "foundation/dll.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

namespace file = platform::file;
using testing::AllOf;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Property;
using testing::StartsWith;
using testing::Throws;
using testing::ThrowsMessage;

class ErrorsTest : public testing::Test {
protected:
    sim::MachineScope sim;
};

TEST_F(ErrorsTest, JoinMessageSeparators) {
    const struct {
        const char* name;
        const char* text;
        const char* system;
        const char* expected;
    } rows[] = {
        {"full stop gets one blank", "Cannot open.", "System error [5]", "Cannot open. System error [5]"},
        {"letter gets full stop and blank", "Cannot open", "System error [5]", "Cannot open. System error [5]"},
        {"trailing blanks of the text go", "Cannot open \t\n", "System error [5]", "Cannot open. System error [5]"},
        {"system part trimmed", "Cannot open", "  System error [5] \r\n", "Cannot open. System error [5]"},
        {"empty system part, no separator", "Cannot open  ", "", "Cannot open"},
        {"empty text", "", "System error [5]", "System error [5]"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(WinErrorHandling::joinMessage(row.text, row.system), row.expected) << row.name;
    }
}

TEST_F(ErrorsTest, MakeMessageNamesTheFailedFunctionsError) {
    static const char function = 0;
    EXPECT_EQ(WinErrorHandling::makeMessage("Cannot open", nullptr, 5), "Cannot open. System error [5]");
    EXPECT_EQ(WinErrorHandling::makeMessage("Cannot open", &function, 5),
              "Cannot open. System error [5](system error 5 (Access is denied))");
    sim->faults().fail("System.moduleFromAddress", platform::err::modNotFound);
    EXPECT_EQ(WinErrorHandling::makeMessage("x", &function, 2),
              "x. System error [2](system error 2 (The system cannot find the file specified))");
    EXPECT_NE(sim.log().find("\tWARNING: GetModuleHandleEx() failed for " +
                             formatPointer(reinterpret_cast<std::uintptr_t>(&function)) + " address.\n"),
              std::string::npos);
}

TEST_F(ErrorsTest, SystemErrorTextTrimming) {
    auto& messages = sim->system().settings().messages;
    const struct {
        const char* name;
        std::u16string description;
        const char* expected;
    } rows[] = {
        {"inner control characters become blanks", u"Line one\r\nline two.", "system error 77 (Line one  line two)"},
        {"several trailing stops and blanks", u"Done. . .\r\n", "system error 77 (Done)"},
        {"non-ASCII kept as UTF-8", u"Zugriff verweigert \u00e4.", "system error 77 (Zugriff verweigert \xC3\xA4)"},
    };
    for (const auto& row : rows) {
        messages[77] = row.description;
        EXPECT_EQ(WinErrorHandling::systemErrorText(77), row.expected) << row.name;
    }
    EXPECT_EQ(WinErrorHandling::systemErrorText(999999), "system error 999999 (No description available)");
    messages[0x80004005u] = u"Unspecified error\r\n";
    EXPECT_EQ(WinErrorHandling::comErrorText(static_cast<std::int32_t>(0x80004005u)),
              "COM error 0x80004005 (Unspecified error)");
}

int addOne(int x) { return x + 1; }

TEST_F(ErrorsTest, DllLoadsAndResolvesEntryPointsOrNamesWhatFailed) {
    sim->system().settings().libraries["deploy.dll"] = {{"Add", reinterpret_cast<void*>(&addOne)}};
    {
        const Dll dll("C:\\Program Files\\Zarn\\bin\\deploy.dll");
        const DllFunction<int(int)> add(dll, "Add");
        EXPECT_EQ(add(41), 42);
        const DllFunction<int(int)> missing(dll, "Missing");
        EXPECT_FALSE(missing.available());
        EXPECT_THAT([&] { missing(1); },
                    ThrowsMessage<std::runtime_error>(EndsWith("(): function Missing is not available")));
        EXPECT_EQ(sim->system().loadedLibraries(), 1u);
    }
    EXPECT_EQ(sim->system().loadedLibraries(), 0u);
    EXPECT_THAT([] { const Dll dll(Dll::FromSystemDirectory{}, "absent.dll"); },
                Throws<SysError>(AllOf(
                    Property(&SysError::code, platform::err::modNotFound),
                    Property(&SysError::what,
                             AllOf(StartsWith("dll.cpp("),
                                   HasSubstr(" at Dll::Dll(): LoadLibraryW(C:\\Windows\\system32\\absent.dll) failed. "
                                             "System error [126]"))))));
}

class AutoHandleTest : public testing::Test {
protected:
    platform::Handle openTemp(const char* path = "C:\\t.txt") {
        platform::Handle h = platform::Handle::invalid;
        platform::FileSystem& fs = sim->fileSystem();
        EXPECT_EQ(fs.createFile(path, file::genericWrite, file::shareNone, file::createAlways,
                                               file::attributeNormal, h),
                  0u);
        return h;
    }
    sim::MachineScope sim;
};

TEST_F(AutoHandleTest, ClosesOnDestructionAndReset) {
    {
        AutoHandle h(openTemp());
        EXPECT_TRUE(h);
        EXPECT_EQ(sim->handles().size(), 1u);
        h.reset(openTemp("C:\\u.txt"));
        EXPECT_EQ(sim->handles().size(), 1u);
    }
    EXPECT_EQ(sim->handles().size(), 0u);
}

TEST_F(AutoHandleTest, FailedCloseIsLoggedNeverThrown) {
    const struct {
        const char* call;
        std::function<void()> close;
        const char* operation;
    } rows[] = {
        {"CloseHandle", [] { AutoHandle h(static_cast<platform::Handle>(0x1234)); }, "Kernel.closeHandle"},
        {"RegCloseKey", [] { AutoRegKey k(static_cast<platform::RegKey>(0x1234)); }, "Registry.closeKey"},
        {"InternetCloseHandle", [] { AutoInternetHandle i(static_cast<platform::InternetHandle>(0x1234)); },
         "Internet.closeHandle"},
        {"CryptReleaseContext", [] { AutoCryptProvider p(static_cast<platform::CryptProvider>(0x1234)); },
         "Crypto.releaseContext"},
        {"CryptDestroyHash", [] { AutoCryptHash h(static_cast<platform::CryptHash>(0x1234)); }, "Crypto.destroyHash"},
    };
    for (const auto& row : rows) {
        sim->faults().fail(row.operation, platform::err::invalidHandle);
        EXPECT_NO_THROW(row.close()) << row.call;
        EXPECT_NE(sim.log().find(std::string("\tERROR: ") + row.call +
                                 "(0000000000001234) failed with system error 6 (The handle is invalid)\n"),
                  std::string::npos)
            << row.call << "\n"
            << sim.log();
    }
}

}  // namespace

#include <gtest/gtest.h>

#include "foundation/catch_handlers.h"
#include "foundation/dll.h"
#include "foundation/errors.h"
#include "foundation/logger.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_errors.h"

namespace {

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
        {"exclamation gets a blank", "Cannot open!", "System error [5]", "Cannot open! System error [5]"},
        {"colon gets a blank", "Cannot open:", "System error [5]", "Cannot open: System error [5]"},
        {"trailing blanks of the text go", "Cannot open \t\n", "System error [5]", "Cannot open. System error [5]"},
        {"system part trimmed", "Cannot open", "  System error [5] \r\n", "Cannot open. System error [5]"},
        {"empty system part, no separator", "Cannot open  ", "", "Cannot open"},
        {"blank system part, no separator", "Cannot open", " \t", "Cannot open"},
        {"empty text", "", "System error [5]", "System error [5]"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(WinErrorHandling::joinMessage(row.text, row.system), row.expected) << row.name;
    }
}

TEST_F(ErrorsTest, MakeMessageWithAndWithoutFailedFunction) {
    static const char function = 0;
    EXPECT_EQ(WinErrorHandling::makeMessage("Cannot open", nullptr, 5), "Cannot open. System error [5]");
    EXPECT_EQ(WinErrorHandling::makeMessage("Cannot open", &function, 5),
              "Cannot open. System error [5](system error 5 (Access is denied))");
}

TEST_F(ErrorsTest, MakeMessageWarnsWhenTheModuleIsUnknown) {
    static const char function = 0;
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
        {"full stop and line end go", u"Access is denied.\r\n", "system error 77 (Access is denied)"},
        {"inner control characters become blanks", u"Line one\r\nline two.", "system error 77 (Line one  line two)"},
        {"several trailing stops and blanks", u"Done. . .\r\n", "system error 77 (Done)"},
        {"non-ASCII kept as UTF-8", u"Zugriff verweigert \u00e4.", "system error 77 (Zugriff verweigert \xC3\xA4)"},
    };
    for (const auto& row : rows) {
        messages[77] = row.description;
        EXPECT_EQ(WinErrorHandling::systemErrorText(77), row.expected) << row.name;
    }
    EXPECT_EQ(WinErrorHandling::systemErrorText(999999), "system error 999999 (No description available)");
}

TEST_F(ErrorsTest, ComErrorText) {
    EXPECT_EQ(WinErrorHandling::comErrorText(static_cast<std::int32_t>(0x80070005u)),
              "COM error 0x80070005 (Access is denied)");
    sim->system().settings().messages[0x80004005u] = u"Unspecified error\r\n";
    EXPECT_EQ(WinErrorHandling::comErrorText(static_cast<std::int32_t>(0x80004005u)),
              "COM error 0x80004005 (Unspecified error)");
}

TEST_F(ErrorsTest, MevErrorNamesItsThrowSite) {
    try {
        ZARN_THROW(std::runtime_error, "open key (Software\\Mendara) error: wrong type");
        FAIL();
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        EXPECT_TRUE(what.starts_with("errors_test.cpp(")) << what;
        EXPECT_TRUE(what.ends_with("_Test::TestBody(): open key (Software\\Mendara) error: wrong type")) << what;
    }
}

TEST_F(ErrorsTest, SysErrorKeepsItsCode) {
    try {
        ZARN_THROW(SysError, "CreateFile failed", nullptr, platform::err::sharingViolation);
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), 32u);
        EXPECT_TRUE(std::string(e.what()).ends_with("(): CreateFile failed. System error [32]"));
    }
}

TEST_F(ErrorsTest, CatchHandlersLogOneErrorLine) {
    try {
        throw std::logic_error("bad state");
    }
    ZARN_CATCH_ALL
    try {
        throw 7;
    }
    ZARN_CATCH_ALL
    const std::string log = sim.log();
    EXPECT_NE(log.find("\tERROR: Exception with message 'bad state' caught\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tERROR: Unknown exception caught\n"), std::string::npos) << log;
}

int addOne(int x) { return x + 1; }

TEST_F(ErrorsTest, DllLoadsAndResolvesEntryPoints) {
    sim->system().settings().libraries["deploy.dll"] = {{"Add", reinterpret_cast<void*>(&addOne)}};
    {
        const Dll dll("C:\\Program Files\\Zarn\\bin\\deploy.dll");
        const DllFunction<int(int)> add(dll, "Add");
        EXPECT_EQ(add(41), 42);
        const DllFunction<int(int)> missing(dll, "Missing");
        EXPECT_FALSE(missing.available());
        try {
            missing(1);
            FAIL();
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(std::string(e.what()).ends_with("(): function Missing is not available")) << e.what();
        }
        EXPECT_EQ(sim->system().loadedLibraries(), 1u);
    }
    EXPECT_EQ(sim->system().loadedLibraries(), 0u);
}

TEST_F(ErrorsTest, DllFailureNamesTheLibrary) {
    try {
        const Dll dll(Dll::FromSystemDirectory{}, "absent.dll");
        FAIL();
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), platform::err::modNotFound);
        const std::string what = e.what();
        EXPECT_TRUE(what.starts_with("dll.cpp(")) << what;
        EXPECT_NE(what.find(" at Dll::Dll(): LoadLibraryW(C:\\Windows\\system32\\absent.dll) failed. System error [126]"),
                  std::string::npos)
            << what;
    }
}

}  // namespace

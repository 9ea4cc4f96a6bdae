#include <gtest/gtest.h>

#include <map>
#include <string>

#include "msi/action.h"

namespace {

struct Row {
    const char* name;
    std::string base;
    std::map<std::string, std::string> properties;
    std::string expected;
};

TEST(CommandLine, Rows) {
    const Row rows[] = {
        {"empty base, no properties", "", {}, ""},
        {"blank base, no properties", " \t ", {}, ""},
        {"base trimmed at both ends", "  \tREBOOT=ReallySuppress /l*v x \t ", {}, "REBOOT=ReallySuppress /l*v x"},
        {"properties in name order", "", {{"STATIC", "1"}, {"INSTALLDIR", "C:\\Zarn\\"}},
         "INSTALLDIR=C:\\Zarn\\ STATIC=1"},
        {"base and properties joined by one space", " REBOOT=ReallySuppress ", {{"A", "1"}},
         "REBOOT=ReallySuppress A=1"},
        {"blank base, properties only", "   ", {{"A", "1"}}, "A=1"},
        {"value with a blank enclosed", "", {{"DIR", "C:\\Program Files\\Zarn"}}, "DIR=\"C:\\Program Files\\Zarn\""},
        {"value with a tab enclosed", "", {{"A", "x\ty"}}, "A=\"x\ty\""},
        {"empty value as two quotes", "", {{"A", ""}}, "A=\"\""},
        {"quote doubled, not enclosed", "", {{"A", "say\"x"}}, "A=say\"\"x"},
        {"quote doubled and enclosed with a blank", "", {{"A", "a \"b\""}}, "A=\"a \"\"b\"\"\""},
        {"lone quote", "", {{"A", "\""}}, "A=\"\""},
        {"names compared by bytes", "", {{"b", "2"}, {"A", "1"}, {"a", "3"}}, "A=1 a=3 b=2"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(msi::buildCommandLine(row.base, row.properties), row.expected) << row.name;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include "foundation/path.h"
#include "foundation/source_location.h"
#include "foundation/tstrings_convert.h"
#include "foundation/tstrings_format.h"
#include "platform/sim/sim_machine.h"

namespace {

TEST(PathJoin, Rows) {
    const struct {
        const char* left;
        const char* right;
        const char* expected;
    } rows[] = {
        {"", "zusched.log", "zusched.log"},
        {"C:\\Temp", "", "C:\\Temp"},
        {"C:\\Temp/\\/", "zusched.log", "C:\\Temp\\zusched.log"},
        {"C:\\Temp", "\\zusched.log", "C:\\Temp\\zusched.log"},
        {"C:\\Temp", "\\\\x", "C:\\Temp\\\\x"},  // only one leading separator goes
    };
    for (const auto& row : rows) EXPECT_EQ(path::join(row.left, row.right), row.expected) << row.left << " + " << row.right;
}

TEST(Format, GrowsPastTheFirstBuffer) {
    const sim::MachineScope sim;
    EXPECT_EQ(tstrings::format("%s", std::string(255, 'q').c_str()).size(), 255u);
    EXPECT_EQ(tstrings::format("%s", std::string(256, 'q').c_str()).size(), 256u);
}

TEST(QualifiedFunctionName, Rows) {
    const struct {
        const char* pretty;
        const char* expected;
    } rows[] = {
        {"void ipc::Thread::start(ipc::Runnable*)", "ipc::Thread::start"},
        {"ipc::Thread::Thread()", "ipc::Thread::Thread"},
        {"std::vector<std::basic_string<char> > ns::f(int) const", "ns::f"},
        {"T ns::Box<T>::get() const [with T = int]", "ns::Box<T>::get"},
        {"bool ns::X::operator()(int) const", "ns::X::operator()"},
        {"ns::f()::<lambda(int)>", "ns::f()::<lambda(int)>"},
        {"plain", "plain"},
    };
    for (const auto& row : rows) EXPECT_EQ(qualifiedFunctionName(row.pretty), row.expected) << row.pretty;
}

TEST(Utf, RoundTripsAndReplacesMalformedInput) {
    EXPECT_EQ(tstrings::toUtf8(u"Zarn \u00e9\u4e2d\U0001F600"), "Zarn \xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(tstrings::toUtf16("Zarn \xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"), u"Zarn \u00e9\u4e2d\U0001F600");
    EXPECT_EQ(tstrings::toUtf16("a\xC3"), u"a\uFFFD");         // cut off at the end
    EXPECT_EQ(tstrings::toUtf16("\xC0\x80"), u"\uFFFD");        // overlong
    EXPECT_EQ(tstrings::toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");   // lone surrogate
}

}  // namespace

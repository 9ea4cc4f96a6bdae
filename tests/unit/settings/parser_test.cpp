#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "settings/parser.h"
#include "settings_test_support.h"

namespace {

using namespace settings_impl;
using settings_test::dump;

class RecordingListener final : public IParserErrorListener {
public:
    void onError(const IParserCursor&, const std::string& message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

struct Outcome {
    bool parsed = false;
    std::string config;
    std::vector<std::string> errors;
};

Outcome parse(const std::string& text, bool allowKeyWithoutValue = false, bool stopOnError = false) {
    PlainTextFileConfigParser parser(std::make_unique<StringBuffer>(text));
    RecordingListener listener;
    parser.setErrorListener(&listener);
    parser.setStopOnError(stopOnError);
    parser.setAllowKeyWithoutValue(allowKeyWithoutValue);
    const auto config = parser.parse();
    return Outcome{config != nullptr, config ? dump(*config) : "", listener.messages};
}

TEST(Parser, Lines) {
    const struct {
        const char* name;
        std::string text;
        std::string config;
        std::vector<std::string> errors;
        bool allowKeyWithoutValue = false;
        bool stopOnError = false;
        bool parsed = true;
    } rows[] = {
        {"empty text", "", "", {}},
        {"blank lines only", " \t\n\n   \r\n\t", "", {}},
        {"comments only", "# one\n   # two = 2\n\t#three:3", "", {}},
        {"key and value", "KEY=value", "KEY=value;", {}},
        {"empty value", "KEY=", "KEY=;", {}},
        {"lone word", "WORD", "", {"\"Key without value\" at line 1; char 1"}},
        {"inner blanks kept, outer dropped", " \tMY KEY \t= \t some value \t", "MY KEY=some value;", {}},
        {"first separator splits", "A=b:c=d", "A=b:c=d;", {}},
        {"colon before equals", "A:b=c", "A=b=c;", {}},
        {"hash inside a value", "A=1 # not a comment", "A=1 # not a comment;", {}},
        {"CR LF, LF and CR end lines", "A=1\r\nB=2\nC=3\rD=4", "A=1;B=2;C=3;D=4;", {}},
        {"CR CR is two line ends", "A=1\r\rX", "A=1;", {"\"Key without value\" at line 3; char 1"}},
        {"LF CR is two line ends", "A=1\n\rX", "A=1;", {"\"Key without value\" at line 3; char 1"}},
        {"duplicate key, last wins", "A=1\nB=2\nA=3", "A=3;B=2;", {}},
        {"keys are case-sensitive", "a=1\nA=2", "A=2;a=1;", {}},
        {"error position", "A=1\n\n# c\nB=2\n  =x", "A=1;B=2;", {"\"Empty key\" at line 5; char 3"}},
        {"tab counts as one column", "\t\t=x", "", {"\"Empty key\" at line 1; char 3"}},
        {"every bad line reported, good lines kept", "x\nA=1\n=2\nB=2", "A=1;B=2;",
         {"\"Key without value\" at line 1; char 1", "\"Empty key\" at line 3; char 1"}},
        {"byte-order mark joins the first key", "\xEF\xBB\xBFK=1", "\xEF\xBB\xBFK=1;", {}},
        {"NUL is ordinary text", std::string("K=a\0b", 5), std::string("K=a\0b;", 6), {}},
        {"keys without value when allowed", "WORD\n  TWO WORDS \t\nA=1", "A=1;TWO WORDS;WORD;", {}, true},
        {"stop on error ends at the first bad line and gives nothing", "A=1\nx\n=y\nB=2", "",
         {"\"Key without value\" at line 2; char 1"}, false, true, false},
    };
    for (const auto& row : rows) {
        const Outcome outcome = parse(row.text, row.allowKeyWithoutValue, row.stopOnError);
        EXPECT_EQ(outcome.parsed, row.parsed) << row.name;
        EXPECT_EQ(outcome.config, row.config) << row.name;
        EXPECT_EQ(outcome.errors, row.errors) << row.name;
    }
}

TEST(Parser, TextThatIsNotPlainFailsBeforeAnyLine) {
    PlainTextFileConfigParser parser(std::make_unique<StringBuffer>("A=1\nB=\xFF"));
    RecordingListener listener;
    parser.setErrorListener(&listener);
    EXPECT_EQ(settings_test::codeOf([&] { parser.parse(); }), code::notPlainText);
    EXPECT_TRUE(listener.messages.empty());
}

}  // namespace

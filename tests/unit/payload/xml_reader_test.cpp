#include "foundation/xml_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

// The tree in a compact form: elements as name[attr=value,...](children), texts as 'text'.
std::string render(const xml::Node* node) {
    std::string out;
    for (; node != nullptr; node = node->nextSibling) {
        if (!out.empty()) out += ' ';
        if (!node->isElement()) {
            out += "'" + node->text + "'";
            continue;
        }
        out += node->name;
        if (!node->attributes.empty()) {
            out += '[';
            for (std::size_t i = 0; i < node->attributes.size(); ++i) {
                if (i > 0) out += ',';
                out += node->attributes[i].first + "=" + node->attributes[i].second;
            }
            out += ']';
        }
        if (node->firstChild != nullptr) out += "(" + render(node->firstChild) + ")";
    }
    return out;
}

std::string parsed(std::string_view text) { return render(xml::Document::parse(text).first()); }

struct Row {
    const char* name;
    std::string_view text;
    const char* tree;
};

TEST(XmlReader, Rows) {
    const Row rows[] = {
        // structure
        {"empty text", "", ""},
        {"nesting and siblings", "<a><b><c/></b><d/></a>", "a(b(c) d)"},
        {"several top-level nodes", "<a/><b/>", "a b"},
        {"blanks between elements make no text", "<a>\n  <b/>\n  <c/>\n</a>", "a(b c)"},
        {"name characters", "<_x:y.z-9/>", "_x:y.z-9"},
        {"close tag with blank", "<a></a >", "a"},
        // attributes
        {"quoted", "<a x=\"1 2\"/>", "a[x=1 2]"},
        {"unquoted runs to a blank", "<a x=1.0 y=2/>", "a[x=1.0,y=2]"},
        {"unquoted ends with the tag", "<a x=1>t</a>", "a[x=1]('t')"},
        {"single quotes are no delimiters", "<a x='1'/>", "a[x='1']"},
        {"blanks around the equals sign", "<a x = \"v\"/>", "a[x=v]"},
        {"values are not decoded", "<a x=\"&amp;\"/>", "a[x=&amp;]"},
        {"empty quoted value", "<a x=\"\"/>", "a[x=]"},
        // texts
        {"leading blanks dropped, trailing kept", "<v>  1.8.0 </v>", "v('1.8.0 ')"},
        {"entities", "<t>&amp;&lt;&gt;&apos;&quote;</t>", "t('&<>'\"')"},
        {"standard quote entity", "<t>&quot;</t>", "t('\"')"},
        {"unknown entity kept", "<t>&nbsp; & &amp</t>", "t('&nbsp; & &amp')"},
        {"entity replaced once", "<t>&amp;lt;</t>", "t('&lt;')"},
        {"text split by a comment", "<t>a<!-- c -->b</t>", "t('a' 'b')"},
        {"top-level text", "hello", "'hello'"},
        // comments, declarations and instructions are skipped
        {"xml declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", "a"},
        {"doctype", "<!DOCTYPE a><a/>", "a"},
        {"comment with '>' inside", "<!-- x > y --><a/>", "a"},
        {"comment between child elements", "<a>\n<!-- c -->\n<b/></a>", "a(b)"},
        {"unterminated comment swallows the rest", "<a/><!-- <b/>", "a"},
        // a malformed document gives no nodes, as an empty one does
        {"unclosed element", "<a><b/>", ""},
        {"mismatched close", "<a></b>", ""},
        {"close without open", "</a>", ""},
        {"name starting with a digit", "<1a/>", ""},
        {"tag cut short", "<a x=\"1\"", ""},
        {"unterminated quoted value", "<a x=\"1/>", ""},
        {"attribute without value", "<a x/>", ""},
        {"attribute without name", "<a =1/>", ""},
        {"close tag cut short", "<a></a", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(parsed(row.text), row.tree) << row.name;
}

TEST(XmlReader, ManySiblingsAndDeepNestingStayIterative) {
    std::string wide = "<a>";
    for (int i = 0; i < 100000; ++i) wide += "<b/>";
    wide += "</a>";
    const auto flat = xml::Document::parse(wide);
    ASSERT_NE(flat.first(), nullptr);

    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<d>";
    for (int i = 0; i < 100000; ++i) deep += "</d>";
    EXPECT_NE(xml::Document::parse(deep).first(), nullptr);
}

}  // namespace

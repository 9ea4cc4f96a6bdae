#include <gtest/gtest.h>

#include "settings/key_mapper.h"

namespace {

using namespace settings_impl;

TEST(KeyMapper, SimpleMapping) {
    const struct {
        const char* name;
        bool caseSensitive;
        const char* key;
        const char* result;
        bool matched;
    } rows[] = {
        {"exact spelling", false, "INSTALL_SILENT", "INSTALL_SILENT", true},
        {"lower case", false, "install_silent", "INSTALL_SILENT", true},
        {"mixed case", false, "Install_Silent", "INSTALL_SILENT", true},
        {"other key", false, "INSTALL_SILENTLY", "INSTALL_SILENTLY", false},
        {"exact spelling, case-sensitive", true, "INSTALL_SILENT", "INSTALL_SILENT", true},
        {"lower case, case-sensitive", true, "install_silent", "install_silent", false},
    };
    for (const auto& row : rows) {
        const SimpleKeyMapper mapper("INSTALL_SILENT", "INSTALL_SILENT", row.caseSensitive);
        const MappedKey mapped = mapper.map(row.key);
        EXPECT_EQ(mapped.key, row.result) << row.name;
        EXPECT_EQ(mapped.matched, row.matched) << row.name;
    }
}

TEST(KeyMapper, CompositeAsksTheLastAddedFirst) {
    KeyMapperBuilder builder;
    builder.addMapping("a", "FIRST", false);
    builder.addMapping("A", "SECOND", true);
    builder.addMapping("b", "B", false);
    const auto mapper = builder.build();
    EXPECT_EQ(mapper->map("A").key, "SECOND");
    EXPECT_EQ(mapper->map("a").key, "FIRST");
    EXPECT_EQ(mapper->map("B").key, "B");
    const MappedKey unknown = mapper->map("c");
    EXPECT_EQ(unknown.key, "c");
    EXPECT_FALSE(unknown.matched);
}

}  // namespace

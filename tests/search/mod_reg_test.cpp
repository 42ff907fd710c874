#include "search/mod_reg.h"

#include <gtest/gtest.h>

#include "tests/search/search_fixture.h"

using namespace searchtest;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

namespace {

std::vector<std::string> namesOf(const modreg::ValueList& list) {
    std::vector<std::string> names;
    for (const reg::ValueEntry& e : list) names.push_back(e.name);
    return names;
}

std::vector<uint32_t> typesOf(const modreg::ValueList& list) {
    std::vector<uint32_t> types;
    for (const reg::ValueEntry& e : list) types.push_back(e.type);
    return types;
}

class ModRegTest : public ::testing::Test {
protected:
    plat::FakeRegistry reg;
};

TEST_F(ModRegTest, LongNamesAndLargeDataDoNotEndTheListing) {
    const std::string base = "Software\\Long";
    const std::string longKey(255, 'k');
    key(reg, kHkeyCurrentUser, base + "\\A");
    key(reg, kHkeyCurrentUser, base + "\\" + longKey);
    key(reg, kHkeyCurrentUser, base + "\\zz after");
    EXPECT_EQ(modreg::ListSubKeys(reg, kHkeyCurrentUser, base), (std::vector<std::string>{"A", longKey, "zz after"}));

    const std::string longValue(300, 'v');
    sz(reg, kHkeyCurrentUser, base, "first", "x");
    sz(reg, kHkeyCurrentUser, base, longValue, "x", plat::kRegExpandSz);
    value(reg, kHkeyCurrentUser, base, "big", plat::kRegBinary, std::vector<uint8_t>(100000, 7));
    dword(reg, kHkeyCurrentUser, base, "last", 1);
    const modreg::ValueList v = modreg::ListValues(reg, kHkeyCurrentUser, base);
    EXPECT_EQ(namesOf(v), (std::vector<std::string>{"first", longValue, "big", "last"}));
    EXPECT_EQ(typesOf(v), (std::vector<uint32_t>{plat::kRegSz, plat::kRegExpandSz, plat::kRegBinary, plat::kRegDword}));
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(ModRegTest, EmptyAndOddListings) {
    key(reg, kHkeyCurrentUser, "Software\\Empty");
    EXPECT_TRUE(modreg::ListSubKeys(reg, kHkeyCurrentUser, "Software\\Empty").empty());
    const modreg::ValueList none = modreg::ListValues(reg, kHkeyCurrentUser, "Software\\Empty");
    EXPECT_TRUE(none.empty());

    // A name of two spaces is an ordinary name, not "empty".
    key(reg, kHkeyCurrentUser, "Software\\Spaces\\  ");
    sz(reg, kHkeyCurrentUser, "Software\\Spaces", "  ", "two");
    EXPECT_EQ(modreg::ListSubKeys(reg, kHkeyCurrentUser, "Software\\Spaces"), std::vector<std::string>{"  "});
    EXPECT_EQ(namesOf(modreg::ListValues(reg, kHkeyCurrentUser, "Software\\Spaces")), std::vector<std::string>{"  "});

    // The default value is listed with an empty name; a trailing backslash names the same key.
    sz(reg, kHkeyCurrentUser, "Software\\Def", "", "default");
    sz(reg, kHkeyCurrentUser, "Software\\Def", "named", "n");
    EXPECT_EQ(namesOf(modreg::ListValues(reg, kHkeyCurrentUser, "Software\\Def\\")),
              (std::vector<std::string>{"", "named"}));

    // Missing and denied keys list nothing and leave nothing open.
    EXPECT_TRUE(modreg::ListSubKeys(reg, kHkeyCurrentUser, "Software\\Missing").empty());
    key(reg, kHkeyCurrentUser, "Software\\Denied\\Child");
    sz(reg, kHkeyCurrentUser, "Software\\Denied", "v", "x");
    reg.markAccessDenied(kHkeyCurrentUser, "Software\\Denied");
    EXPECT_TRUE(modreg::ListSubKeys(reg, kHkeyCurrentUser, "Software\\Denied").empty());
    EXPECT_TRUE(modreg::ListValues(reg, kHkeyCurrentUser, "Software\\Denied").empty());
    EXPECT_EQ(modreg::ReadTextValue(reg, kHkeyCurrentUser, "Software\\Denied", "v", "dflt"), "dflt");
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(ModRegTest, ReadTextValueCases) {
    const std::string k = "Software\\Read";
    value(reg, kHkeyCurrentUser, k, "embedded", plat::kRegSz, utf16Bytes(std::string("ab\0cd", 5)));
    value(reg, kHkeyCurrentUser, k, "unterminated", plat::kRegSz, utf16Bytes("tail}", false));
    std::vector<uint8_t> odd = utf16Bytes("xy", false);
    odd.push_back('z');
    value(reg, kHkeyCurrentUser, k, "odd", plat::kRegSz, odd);
    value(reg, kHkeyCurrentUser, k, "empty", plat::kRegSz, {});
    const std::string huge(50000, 'h');
    sz(reg, kHkeyCurrentUser, k, "huge", huge + "needle");
    sz(reg, kHkeyCurrentUser, k, "unicode", "Ключ é 日本");

    struct Case {
        const char* name;
        std::string expected;
    } cases[] = {
        {"embedded", "ab"},        {"unterminated", "tail}"},  {"odd", "xy"},       {"empty", ""},
        {"huge", huge + "needle"}, {"unicode", "Ключ é 日本"}, {"missing", "dflt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(modreg::ReadTextValue(reg, kHkeyCurrentUser, k, c.name, "dflt"), c.expected) << c.name;
    }
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(ModRegTest, RootNamesAndPaths) {
    EXPECT_EQ(modreg::RootFromName("HKEY_LOCAL_MACHINE"), kHkeyLocalMachine);
    EXPECT_EQ(modreg::RootFromName("HKEY_DYN_DATA"), plat::kHkeyDynData);
    EXPECT_EQ(modreg::RootFromName("HKEY_PERFORMANCE_DATA"), plat::kHkeyPerformanceData);
    EXPECT_EQ(modreg::RootFromName("hkey_local_machine"), 0u);
    EXPECT_EQ(modreg::RootFromName("My Computer"), 0u);
    EXPECT_EQ(modreg::RootFromName("HKLM"), 0u);
    EXPECT_EQ(modreg::RootName(plat::kHkeyCurrentConfig), "HKEY_CURRENT_CONFIG");
    EXPECT_EQ(modreg::RootName(0x80000007u), "");

    EXPECT_EQ(modreg::ParentPath("a\\b\\c"), "a\\b");
    EXPECT_EQ(modreg::ParentPath("a"), "");
    EXPECT_EQ(modreg::ParentPath("a\\b\\"), "a\\b");
    EXPECT_EQ(modreg::TrimAtNul(std::string("ab\0c", 4)), "ab");
    EXPECT_EQ(modreg::TrimAtNul("abc"), "abc");
}

TEST_F(ModRegTest, RootHasSubKeysOnlyWithAKey) {
    EXPECT_FALSE(modreg::RootHasSubKeys(reg, plat::kHkeyCurrentConfig));
    key(reg, plat::kHkeyCurrentConfig, "Software");
    EXPECT_TRUE(modreg::RootHasSubKeys(reg, plat::kHkeyCurrentConfig));
}

}  // namespace

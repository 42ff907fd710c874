#include "common/registry/mdl_registry.h"

#include <gtest/gtest.h>

#include <map>

#include "common/platform/fake/fake_files.h"
#include "common/registry/reg_value.h"
#include "tests/support/reg_file.h"
#include "tests/support/test_registry.h"

namespace {

using namespace plat;
using namespace mdlreg;
using testsupport::ScratchKey;

class RegistryLayer : public ::testing::Test {
protected:
    void SetUp() override {
        reg_ = testsupport::makeTestRegistry();
        scratch_ = std::make_unique<ScratchKey>(*reg_);
    }
    void TearDown() override { scratch_.reset(); }

    void load(std::vector<regfile::Value> values, const std::string& sub = "") {
        regfile::Script s;
        regfile::Key k;
        k.path = ScratchKey::location(sub);
        k.values = std::move(values);
        s.keys.push_back(k);
        std::string error;
        ASSERT_TRUE(regfile::apply(*reg_, s, &error)) << error;
    }
    void loadKeys(const std::vector<std::string>& subs) {
        regfile::Script s;
        for (const auto& sub : subs) s.keys.push_back(regfile::Key{ScratchKey::location(sub), false, {}});
        ASSERT_TRUE(regfile::apply(*reg_, s));
    }
    std::map<std::string, ValueEntry> entries(const std::string& sub = "") {
        std::map<std::string, ValueEntry> out;
        RegHandle h = OpenKeyFull(*reg_, kHkeyCurrentUser, ScratchKey::path(sub));
        EXPECT_NE(h, 0u);
        long subKeys = 0, values = 0;
        QueryKeyCounts(*reg_, h, &subKeys, &values);
        for (long i = 0; i < values; ++i) {
            ValueEntry e = EnumValueEntry(*reg_, h, i);
            out[e.name] = e;
        }
        reg_->closeKey(h);
        return out;
    }

    std::unique_ptr<Registry> reg_;
    std::unique_ptr<ScratchKey> scratch_;
};

std::string longText(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

TEST_F(RegistryLayer, EnumValueEntryDecodesEachType) {
    const std::string cyr = "\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87";
    load({
        regfile::sz("Str", "C:\\x\\y.exe"),
        regfile::bin("BinAfterStr", {1, 2, 3}),
        regfile::sz("Long", longText(300)),
        regfile::sz("LongExp", longText(1000) + "%x%", kRegExpandSz),
        regfile::multi("Multi", {"a", "b"}),
        regfile::dword("MinusOne", 0xFFFFFFFFu),
        regfile::dword("Big", 0x7FFFFFFFu),
        regfile::sz("Exp", "%SystemRoot%\\x", kRegExpandSz),
        regfile::bin("NoNul", {'a', 0, 'b', 0, 'c', 0}, kRegSz),
        regfile::bin("OddBytes", {'a', 0, 'b', 0, 'c'}, kRegSz),
        regfile::bin("NulInside", {'a', 0, 0, 0, 'b', 0, 0, 0}, kRegSz),
        regfile::bin("ZeroBytes", {}, kRegSz),
        regfile::bin("ShortDword", {5, 1}, kRegDword),
        regfile::bin("LongDword", {1, 0, 0, 0, 0, 0}, kRegDword),
        regfile::bin("Qword", {1, 0, 0, 0, 0, 0, 0, 0}, kRegQword),
        regfile::bin("BigBinary", std::vector<uint8_t>(5000, 0xAA)),
        regfile::sz(cyr, cyr),
        regfile::sz("", "default"),
    });
    auto e = entries();
    ASSERT_EQ(e.size(), 18u);
    struct Expect {
        std::string name, data;
        uint32_t type;
    };
    const Expect expected[] = {
        {"Str", "C:\\x\\y.exe", kRegSz},
        {"BinAfterStr", "", kRegBinary},
        {"Long", longText(300), kRegSz},
        {"LongExp", longText(1000) + "%x%", kRegExpandSz},
        {"Multi", "a", kRegMultiSz},
        {"MinusOne", "-1", kRegDword},
        {"Big", "2147483647", kRegDword},
        {"Exp", "%SystemRoot%\\x", kRegExpandSz},
        {"NoNul", "abc", kRegSz},
        {"OddBytes", "ab", kRegSz},
        {"NulInside", "a", kRegSz},
        {"ZeroBytes", "", kRegSz},
        {"ShortDword", "261", kRegDword},
        {"LongDword", "", kRegDword},
        {"Qword", "", kRegQword},
        {"BigBinary", "", kRegBinary},
        {cyr, cyr, kRegSz},
        {"", "default", kRegSz},
    };
    for (const auto& x : expected) {
        SCOPED_TRACE(x.name);
        ASSERT_EQ(e.count(x.name), 1u);
        EXPECT_EQ(e[x.name].text, x.data);
        EXPECT_EQ(e[x.name].type, x.type);
    }
}

TEST_F(RegistryLayer, EnumerationPastTheEndAndOnBadHandlesGivesEmptyResults) {
    load({regfile::sz("v", "x")}, "K");
    RegHandle h = OpenKeyFull(*reg_, kHkeyCurrentUser, ScratchKey::path());
    ASSERT_NE(h, 0u);
    EXPECT_EQ(EnumSubkeyName(*reg_, h, 0), "K");
    EXPECT_EQ(EnumSubkeyName(*reg_, h, 1), "");
    EXPECT_EQ(EnumSubkeyName(*reg_, h, -1), "");
    ValueEntry v = EnumValueEntry(*reg_, h, 0);
    EXPECT_EQ(v.name, "");
    EXPECT_EQ(v.type, 0u);
    reg_->closeKey(h);
    EXPECT_EQ(EnumSubkeyName(*reg_, 0, 0), "");
    long subKeys = 7, values = 9;
    QueryKeyCounts(*reg_, 0, &subKeys, &values);
    EXPECT_EQ(subKeys, 7);  // untouched when the query fails
    EXPECT_EQ(values, 9);
    EXPECT_EQ(OpenKeyFull(*reg_, kHkeyCurrentUser, ScratchKey::path("Missing")), 0u);
}

TEST_F(RegistryLayer, SubkeyNamesComeBackExactSoTheyCanBeOpened) {
    loadKeys({" padded ", "\xe4\xb8\xad"});
    RegHandle h = OpenKeyFull(*reg_, kHkeyCurrentUser, ScratchKey::path());
    std::vector<std::string> names;
    for (long i = 0;; ++i) {
        std::string n = EnumSubkeyName(*reg_, h, i);
        if (n.empty()) break;
        names.push_back(n);
    }
    reg_->closeKey(h);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], " padded ");
    for (const auto& n : names) EXPECT_TRUE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path(n))) << n;
}

TEST_F(RegistryLayer, QueryValueVariantRules) {
    load({
        regfile::bin("Bin", {0x01, 0xAB}),
        regfile::bin("Bin1", {0x0F}),
        regfile::bin("BinEmpty", {}),
        regfile::sz("Str", "C:\\Program Files\\x.exe"),
        regfile::bin("NoNul", {'"', 0, 'x', 0, '"', 0}, kRegSz),
        regfile::bin("NulInside", {'a', 0, 0, 0, 'b', 0}, kRegExpandSz),
        regfile::bin("Odd", {'a', 0, 'b'}, kRegSz),
        regfile::dword("Neg", 0xFFFFFFFEu),
        regfile::bin("BigEnd", {0x00, 0x00, 0x01, 0x02}, kRegDwordBigEndian),
        regfile::bin("BigEndNeg", {0xFF, 0xFF, 0xFF, 0xFF}, kRegDwordBigEndian),
        regfile::multi("Multi", {"a"}),
        regfile::bin("LongDword", {1, 0, 0, 0, 0}, kRegDword),
        regfile::sz("Long", longText(4000)),
    });
    RegHandle h = OpenKeyFull(*reg_, kHkeyCurrentUser, ScratchKey::path());
    ASSERT_NE(h, 0u);
    struct Expect {
        std::string name;
        long result;
        std::string value;
        uint32_t type;
    };
    const Expect expected[] = {
        {"Bin", 0, "01 AB", kRegBinary},
        {"Bin1", 0, "0F", kRegBinary},
        {"BinEmpty", 0, "", kRegBinary},
        {"Str", 0, "C:\\Program Files\\x.exe", kRegSz},
        {"NoNul", 0, "\"x\"", kRegSz},  // the closing quote survives
        {"NulInside", 0, "a", kRegExpandSz},
        {"Odd", 0, "a", kRegSz},
        {"Neg", 0, "-2", kRegDword},
        {"BigEnd", 0, "258", kRegDwordBigEndian},
        {"BigEndNeg", 0, "-1", kRegDwordBigEndian},
        {"Multi", -1, "", kRegMultiSz},
        {"LongDword", kErrorMoreData, "", kRegDword},
        {"Long", 0, longText(4000), kRegSz},
        {"Missing", kErrorFileNotFound, "", 0},
    };
    for (const auto& x : expected) {
        SCOPED_TRACE(x.name);
        const Variant v = QueryValueVariant(*reg_, h, x.name);
        EXPECT_EQ(v.result, x.result);
        EXPECT_EQ(v.value, x.value);
        if (x.result != kErrorFileNotFound) {
            EXPECT_EQ(v.type, x.type);
        }
    }
    reg_->closeKey(h);
}

TEST_F(RegistryLayer, PathBasedReadsAndWrites) {
    const std::string p = ScratchKey::path("Settings\\Deeper");
    WriteStringValue(*reg_, kHkeyCurrentUser, p, "Locations", "1|0|1");
    WriteStringValue(*reg_, kHkeyCurrentUser, p, "\xd0\x98\xd0\xbc\xd1\x8f", "\xd0\x97\xd0\xbd");
    WriteStringValue(*reg_, kHkeyCurrentUser, p, "Empty", "");
    EXPECT_EQ(ReadStringSetting(*reg_, kHkeyCurrentUser, p, "Locations", "def"), "1|0|1");
    EXPECT_EQ(ReadStringSetting(*reg_, kHkeyCurrentUser, p, "\xd0\xb8\xd0\xbc\xd1\x8f"), "\xd0\x97\xd0\xbd");
    EXPECT_EQ(ReadStringSetting(*reg_, kHkeyCurrentUser, p, "Empty", "def"), "");
    EXPECT_EQ(ReadStringSetting(*reg_, kHkeyCurrentUser, p, "Missing", "def"), "def");
    EXPECT_EQ(ReadStringSetting(*reg_, kHkeyCurrentUser, p + "\\Nope", "Locations", "def"), "def");
    // Stored as the registry expects a string: UTF-16LE with its NUL.
    RegHandle h = 0;
    ASSERT_EQ(reg_->openKeyEx(kHkeyCurrentUser, p, kKeyRead, &h), kErrorSuccess);
    uint32_t type = 0, bytes = 100;
    std::vector<uint8_t> raw;
    ASSERT_EQ(reg_->queryValueEx(h, "Locations", &type, &raw, &bytes), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(raw, reg::textBytes("1|0|1", true));
    reg_->closeKey(h);

    load(
        {regfile::sz("Exp", "%x%", kRegExpandSz), regfile::dword("Num", 0x80000000u), regfile::bin("Bin", {0xDE, 0xAD}),
         regfile::multi("Multi", {"first", "second"}), regfile::sz("", "dflt"), regfile::bin("None", {1}, kRegNone)},
        "Types");
    const std::string t = ScratchKey::path("Types");
    EXPECT_EQ(ReadStringSetting(*reg_, kHkeyCurrentUser, t, "Exp", "def"), "def");  // only type 1
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, "Exp"), "%x%");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, "Num"), "-2147483648");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, "Bin"), "DE AD");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, "Multi"), "first");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, ""), "dflt");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, "None"), "");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, "Missing"), "");

    EXPECT_EQ(DeleteRegValue(*reg_, kHkeyCurrentUser, t, "Bin"), kErrorSuccess);
    EXPECT_EQ(DeleteRegValue(*reg_, kHkeyCurrentUser, t, "Bin"), kErrorFileNotFound);
    EXPECT_EQ(DeleteRegValue(*reg_, kHkeyCurrentUser, t, ""), kErrorSuccess);
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, t, ""), "");
    EXPECT_EQ(DeleteRegValue(*reg_, kHkeyCurrentUser, t + "\\Nope", "x"), kErrorFileNotFound);
}

TEST_F(RegistryLayer, KeyExistsAndReadValueOrDefault) {
    load({regfile::sz("DisplayName", "App"), regfile::sz("Blank", "   "), regfile::bin("Bin", {1, 2})},
         "Uninstall\\App");
    EXPECT_TRUE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path("Uninstall\\App")));
    EXPECT_TRUE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path("uninstall\\APP")));
    EXPECT_FALSE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path("Uninstall\\Nope")));
    EXPECT_TRUE(KeyExists(*reg_, kHkeyCurrentUser, ""));
    const std::string base = ScratchKey::path();
    EXPECT_EQ(ReadValueOrDefault(*reg_, kHkeyCurrentUser, base, "Uninstall", "App", "DisplayName", "d", false), "App");
    EXPECT_EQ(ReadValueOrDefault(*reg_, kHkeyCurrentUser, base, "Uninstall", "App", "DisplayName", "d", true), "App");
    EXPECT_EQ(ReadValueOrDefault(*reg_, kHkeyCurrentUser, base, "Uninstall", "App", "Blank", "d", false), "d");
    EXPECT_EQ(ReadValueOrDefault(*reg_, kHkeyCurrentUser, base, "Uninstall", "App", "Missing", "d", false), "d");
    EXPECT_EQ(ReadValueOrDefault(*reg_, kHkeyCurrentUser, base, "Uninstall", "App", "Bin", "d", false), "01 02");
    EXPECT_EQ(ReadValueOrDefault(*reg_, kHkeyCurrentUser, base, "Uninstall", "Nope", "DisplayName", "d", false), "d");
    EXPECT_EQ(
        ReadValueOrDefault(*reg_, kHkeyCurrentUser, base + "\\\\", "Uninstall/", "App", "DisplayName", "d", false),
        "App");
}

TEST_F(RegistryLayer, DeleteKeyOrValueRemovesTwoLevelsOfSubkeys) {
    loadKeys({"Victim\\A\\A1", "Victim\\A\\A2", "Victim\\B", "Keep"});
    load({regfile::sz("v", "x"), regfile::sz("w", "y")}, "Victim\\B");
    const std::string base = ScratchKey::path();
    EXPECT_TRUE(DeleteKeyOrValue(*reg_, kHkeyCurrentUser, base, "Victim\\B", "", "v"));
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, ScratchKey::path("Victim\\B"), "v"), "");
    EXPECT_EQ(ReadValueText(*reg_, kHkeyCurrentUser, ScratchKey::path("Victim\\B"), "w"), "y");
    EXPECT_FALSE(DeleteKeyOrValue(*reg_, kHkeyCurrentUser, base, "Victim\\B", "", "v"));
    // Deleting a value of a missing key neither succeeds nor creates the key.
    EXPECT_FALSE(DeleteKeyOrValue(*reg_, kHkeyCurrentUser, base, "Ghost", "", "v"));
    EXPECT_FALSE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path("Ghost")));

    EXPECT_TRUE(DeleteKeyOrValue(*reg_, kHkeyCurrentUser, base, "", "Victim", ""));
    EXPECT_FALSE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path("Victim")));
    EXPECT_TRUE(KeyExists(*reg_, kHkeyCurrentUser, ScratchKey::path("Keep")));
    EXPECT_FALSE(DeleteKeyOrValue(*reg_, kHkeyCurrentUser, base, "", "Victim", ""));
}

TEST_F(RegistryLayer, CollectSubkeysListsNamesAndChildren) {
    loadKeys({"List\\b\\child", "List\\A", "List\\\xd0\x9a"});
    const SubkeyList l = CollectSubkeys(*reg_, "hkey_current_user", ScratchKey::path("List"), true);
    EXPECT_EQ(l.names, (std::vector<std::string>{"A", "b", "\xd0\x9a"}));
    EXPECT_EQ(l.hasChildren, (std::vector<bool>{false, true, false}));
    const SubkeyList plain = CollectSubkeys(*reg_, "HKEY_CURRENT_USER", ScratchKey::path("List") + "\\", false);
    EXPECT_EQ(plain.names.size(), 3u);
    EXPECT_TRUE(plain.hasChildren.empty());
    EXPECT_TRUE(CollectSubkeys(*reg_, "HKEY_NOWHERE", ScratchKey::path("List"), false).names.empty());
    EXPECT_TRUE(CollectSubkeys(*reg_, "HKEY_CURRENT_USER", ScratchKey::path("Nope"), false).names.empty());
}

TEST(RegistryNames, JoinKeyPath) {
    EXPECT_EQ(JoinKeyPath("Software\\\\Microsoft", "", "Foo/Bar"), "Software\\Microsoft\\Foo\\Bar");
    EXPECT_EQ(JoinKeyPath("", "", ""), "");
    EXPECT_EQ(JoinKeyPath("", "b", "c"), "b\\c");
    EXPECT_EQ(JoinKeyPath("a\\", "\\b", ""), "a\\b");
    EXPECT_EQ(JoinKeyPath("a\\\\\\\\b", "", ""), "a\\b");
    EXPECT_EQ(JoinKeyPath("a", "", "c"), "a\\c");
}

TEST(RegistryNames, RootTables) {
    EXPECT_EQ(StripHkey("HKEY_USERS\\.DEFAULT\\Software"), kHkeyUsers);
    EXPECT_EQ(StripHkey("hkey_users\\.DEFAULT\\Software"), 0u);
    EXPECT_EQ(StripHkey(" HKEY_LOCAL_MACHINE \\Software"), kHkeyLocalMachine);
    EXPECT_EQ(StripHkey("HKEY_DYN_DATA\\x"), kHkeyDynData);
    EXPECT_EQ(StripHkey("HKEY_PERFORMANCE_DATA\\x"), kHkeyPerformanceData);
    EXPECT_EQ(StripHkey("HKEY_USERS"), 0u);  // no backslash: not a location
    EXPECT_EQ(StripHkey("HKCU\\x"), 0u);
    EXPECT_EQ(RootHandleOf("hkey_users"), kHkeyUsers);
    EXPECT_EQ(RootHandleOf("HKEY_DYN_DATA"), 0u);
    EXPECT_EQ(RootHandleOf("HKEY_PERFORMANCE_DATA"), 0u);
    EXPECT_EQ(RootHandleOf("Hkey_Current_Config"), kHkeyCurrentConfig);
    EXPECT_EQ(RootNameOf(kHkeyClassesRoot), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(RootNameOf(kHkeyDynData), "");
    EXPECT_EQ(HkeyName(kHkeyDynData), "HKEY_DYN_DATA");
    EXPECT_EQ(HkeyName(kHkeyCurrentUser), "HKEY_CURRENT_USER");
    EXPECT_EQ(HkeyName(0x80000007u), "");
    EXPECT_EQ(HkeyName(0), "");
}

TEST(RegistryNames, SmallFunctions) {
    EXPECT_EQ(SubkeyPath("HKEY_CURRENT_USER\\Software\\x"), "Software\\x");
    EXPECT_EQ(SubkeyPath("HKEY_CURRENT_USER"), "HKEY_CURRENT_USER");
    EXPECT_EQ(addslash(""), "");
    EXPECT_EQ(addslash("C:\\"), "C:\\");
    EXPECT_EQ(addslash("C:\\windows"), "C:\\windows\\");
    EXPECT_EQ(TrimAtNul(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(TrimAtNul("abc"), "abc");
    EXPECT_EQ(TrimAtNul(std::string("\0x", 2)), "");
    EXPECT_EQ(mdlreg::BeforeNul(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(mdlreg::BeforeNul(""), "");
    FakeFiles files;
    EXPECT_EQ(WinDir(files), "C:\\windows");
}

TEST(RegistryBytes, TextOfStopsAtNulAndSize) {
    const reg::Bytes b = {'a', 0, 'b', 0, 0, 0, 'c', 0};
    EXPECT_EQ(reg::textOf(b, 8), "ab");
    EXPECT_EQ(reg::textOf(b, 2), "a");
    EXPECT_EQ(reg::textOf(b, 3), "a");      // odd last byte dropped
    EXPECT_EQ(reg::textOf(b, 1000), "ab");  // never past the bytes
    EXPECT_EQ(reg::textOf(reg::Bytes{}, 10), "");
    EXPECT_EQ(reg::textOf(reg::Bytes{0x3D, 0xD8, 'x', 0}, 4),
              "\xed\xa0\xbd"
              "x");  // lone surrogate kept (WTF-8)
    EXPECT_EQ(reg::textBytes("\xd0\x9a", false), (std::vector<uint8_t>{0x1A, 0x04}));
}

}  // namespace

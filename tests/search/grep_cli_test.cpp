#include "search/grep_cli.h"

#include <gtest/gtest.h>

#include "search/frm_search.h"
#include "search/settings_store.h"
#include "tests/search/search_fixture.h"

using namespace searchtest;
using plat::kHkeyCurrentUser;
using search::RunGrep;

namespace {

class GrepTest : public ::testing::Test {
protected:
    void SetUp() override {
        key(reg, kHkeyCurrentUser, "Software\\Tolvane\\Needle Key");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "needle value", "plain");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "plain", "has a NEEDLE\tinside");
        dword(reg, kHkeyCurrentUser, "Software\\Tolvane", "needle number", 5);
    }
    search::GrepOutcome grep(std::vector<std::string> args) { return RunGrep(args, reg); }
    plat::FakeRegistry reg;
    search::SettingsStore store{reg};
};

TEST_F(GrepTest, TsvRowsInListOrder) {
    const auto out = grep({"--root", "HKEY_CURRENT_USER", "--ignore-case", "needle"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.output,
              "kind\ttext\tpath\n"
              "key\tSoftware\\\\Tolvane\\\\Needle Key\tHKEY_CURRENT_USER\\\\Software\\\\Tolvane\\\\Needle Key\n"
              "text\tSoftware\\\\Tolvane\\\\needle value\tHKEY_CURRENT_USER\\\\Software\\\\Tolvane\\\\needle value\n"
              "text\tSoftware\\\\Tolvane\\\\plain\tHKEY_CURRENT_USER\\\\Software\\\\Tolvane\\\\plain\n"
              "other\tSoftware\\\\Tolvane\\\\needle number\tHKEY_CURRENT_USER\\\\Software\\\\Tolvane\\\\needle "
              "number\n");
}

TEST_F(GrepTest, OptionsSetTheControls) {
    struct Case {
        std::vector<std::string> args;
        size_t rows;
    } cases[] = {
        {{"--root", "HKEY_CURRENT_USER", "needle"}, 2},  // Match Case is on by default
        {{"--root", "HKEY_CURRENT_USER", "--no-keys", "--no-values", "--ignore-case", "needle"}, 1},
        {{"--root", "HKEY_CURRENT_USER", "--match", "exact", "needle value"}, 1},
        {{"--root", "HKEY_CURRENT_USER", "--match", "left", "needle"}, 2},
        {{"--root", "HKEY_CURRENT_USER", "--match", "right", "Key"}, 1},
        {{"--root", "HKEY_CURRENT_USER", "--no-data", "--", "needle"}, 2},
        {{"needle value"}, 2},  // My Computer: HKEY_CURRENT_USER and HKEY_USERS
    };
    for (const Case& c : cases) {
        const auto out = grep(c.args);
        EXPECT_EQ(out.exitCode, 0);
        size_t lines = 0;
        for (char ch : out.output) lines += ch == '\n';
        EXPECT_EQ(lines, c.rows + 1) << out.output;
    }
}

TEST_F(GrepTest, NoHitPrintsTheWindowsRowAndSucceeds) {
    const auto out = grep({"--format", "json", "nothing like it"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.output, "[\n  {\"kind\": \"other\", \"text\": \"Nothing to show\", \"path\": \"\"}\n]\n");
}

TEST_F(GrepTest, JsonEscapes) {
    sz(reg, kHkeyCurrentUser, "Software\\J", "q\"uo\\te\x01 Ключ", "x");
    const auto out = grep({"--format", "json", "--root", "HKEY_CURRENT_USER", "Ключ"});
    EXPECT_NE(out.output.find(R"({"kind": "text", "text": "Software\\J\\q\"uo\\te\u0001 Ключ", )"
                              R"("path": "HKEY_CURRENT_USER\\Software\\J\\q\"uo\\te\u0001 Ключ"})"),
              std::string::npos)
        << out.output;
    EXPECT_EQ(search::EscapeJson("\xED\xA0\x80"), "\\ud800");  // a lone surrogate kept from a name
}

TEST_F(GrepTest, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {""},
        {"--root", "hkey_current_user", "x"},  // names are exact
        {"--root", "HKEY_DYN_DATA", "x"},      // no sub-keys here: not in the area list
        {"--root"},
        {"--match", "middle", "x"},
        {"--format", "xml", "x"},
        {"--colour", "x"},
        {"one", "two"},
        {"--output"},
    };
    for (const auto& args : bad) {
        const auto out = grep(args);
        EXPECT_EQ(out.exitCode, search::kGrepUsageError) << (args.empty() ? "" : args[0]);
        EXPECT_NE(out.error.find("usage: hivegrep"), std::string::npos);
        EXPECT_TRUE(out.output.empty());
    }
    EXPECT_EQ(grep({"--root", "My Computer", "x"}).exitCode, 0);
}

TEST_F(GrepTest, SavedSettingsAreUsedButNeverChanged) {
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "0", "old search"));
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastMode", "4"));
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastKey", "0"));
    // Exact mode and no keys from the saved settings.
    const auto out = grep({"--root", "HKEY_CURRENT_USER", "needle value"});
    EXPECT_EQ(out.output,
              "kind\ttext\tpath\n"
              "text\tSoftware\\\\Tolvane\\\\needle value\tHKEY_CURRENT_USER\\\\Software\\\\Tolvane\\\\needle value\n");
    EXPECT_EQ(store.SettingKeys(search::kAppName, search::kSection),
              (std::vector<std::string>{"0", "lastMode", "lastKey"}));
    EXPECT_EQ(store.GetSetting(search::kAppName, search::kSection, "0"), "old search");
    EXPECT_EQ(store.GetSetting(search::kAppName, search::kSection, "lastMode"), "4");
}

}  // namespace

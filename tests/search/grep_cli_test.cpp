#include "search/grep_cli.h"

#include <gtest/gtest.h>

#include "common/platform/fake/fake_files.h"
#include "common/ui/headless_desktop.h"
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

// As text searches do: no row, and exit status 1.
TEST_F(GrepTest, RegFormatWritesTheWindowsExportFileAndNamesWhatItLeavesOut) {
    value(reg, kHkeyCurrentUser, "Software\\Tolvane", std::string("needle\0nul", 10), plat::kRegSz, utf16Bytes("x"));
    const auto out = grep({"--root", "HKEY_CURRENT_USER", "--format", "reg", "--ignore-case", "needle"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.error,
              "hivegrep: left out HKEY_CURRENT_USER\\Software\\Tolvane, value \"needle\\0nul\": a registry file "
              "cannot hold a name with a NUL or a line break\n");

    // The same search in the window, exported with Export...: the same bytes.
    ui::HeadlessHost host;
    ui::Driver drv(host);
    plat::FakeFiles files;
    ui::ScriptedFileDialogs dialogs;
    search::SearchServices services{reg, nullptr, nullptr, false, &files, &dialogs, nullptr};
    search::frmSearch form(host, services);
    form.show();
    for (int i = 0; i < form.cboRoot.count(); ++i)
        if (form.cboRoot.items()[i] == "HKEY_CURRENT_USER") drv.pick(form.cboRoot, i);
    drv.click(form.ChCase);
    drv.type(form.cboFind, "needle");
    drv.click(form.cmdFind);
    host.answer(ui::mb::Ok);  // the message naming the value left out
    dialogs.choose("C:\\found.reg");
    drv.click(form.cmdExport);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("needle\\0nul"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(files.readFile("C:\\found.reg"), out.output);
    EXPECT_EQ(out.output.substr(0, 2), "\xFF\xFE");
}

TEST_F(GrepTest, NoHitPrintsNoRowAndExitsOne) {
    auto out = grep({"--format", "json", "nothing like it"});
    EXPECT_EQ(out.exitCode, search::kGrepNoMatch);
    EXPECT_EQ(out.output, "[]\n");
    out = grep({"nothing like it"});
    EXPECT_EQ(out.exitCode, search::kGrepNoMatch);
    EXPECT_EQ(out.output, "kind\ttext\tpath\n");
}

// Names are counted strings: a value whose name holds a NUL is found and shown whole.
TEST_F(GrepTest, ValueNamesWithANulAreShownWhole) {
    sz(reg, kHkeyCurrentUser, "Software\\Nul", std::string("abc\0hidden", 10), "x");
    sz(reg, kHkeyCurrentUser, "Software\\Nul", std::string("\0hidden2", 8), "x");
    const auto out = grep({"--root", "HKEY_CURRENT_USER", "--no-data", "hidden"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_NE(out.output.find("text\tSoftware\\\\Nul\\\\abc\\u0000hidden\t"), std::string::npos) << out.output;
    EXPECT_NE(out.output.find("text\tSoftware\\\\Nul\\\\\\u0000hidden2\t"), std::string::npos) << out.output;
}

// A link that leads back into its own key: the walk ends at the platform's deepest level.
TEST_F(GrepTest, KeysDeeperThanThePlatformAllowsAreNotEntered) {
    std::string path = "Software\\Loop";
    for (int i = 0; i < plat::kMaxKeyDepth + 10; ++i) path += "\\L";
    sz(reg, kHkeyCurrentUser, path, "needle here", "x");
    sz(reg, kHkeyCurrentUser, "Software\\Loop\\L\\L", "needle near", "x");
    const auto out = grep({"--root", "HKEY_CURRENT_USER", "--no-keys", "--no-data", "needle"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_NE(out.output.find("needle near"), std::string::npos);
    EXPECT_EQ(out.output.find("needle here"), std::string::npos);
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
        {"--root", "HKEY_DYN_DATA", "x"},  // no sub-keys here: not in the area list
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
    // Root names in any letter case.
    EXPECT_EQ(grep({"--root", "My Computer", "needle"}).exitCode, 0);
    EXPECT_EQ(grep({"--root", "hkey_current_user", "needle"}).exitCode, 0);
    EXPECT_EQ(grep({"--root", "my computer", "x"}).exitCode, search::kGrepNoMatch);
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

namespace conventions {

TEST(GrepConventions, HelpVersionAndValuesAfterAnEqualsSign) {
    plat::FakeRegistry reg;
    search::GrepOutcome out = RunGrep({"/?"}, reg);
    EXPECT_EQ(out.exitCode, search::kGrepOk);
    EXPECT_EQ(out.output, search::kGrepUsage);
    EXPECT_NE(out.output.find("--version"), std::string::npos);
    out = RunGrep({"--match", "any", "needle", "--version"}, reg);
    EXPECT_TRUE(out.version);
    EXPECT_EQ(out.exitCode, search::kGrepOk);
    out = RunGrep({"--format=json", "--match=exact", "needle"}, reg);
    EXPECT_TRUE(out.error.empty()) << out.error;
    EXPECT_EQ(out.output.rfind("[", 0), 0u) << out.output;
    // After "--", "/?" is the text searched for.
    out = RunGrep({"--", "/?"}, reg);
    EXPECT_FALSE(out.version);
    EXPECT_NE(out.output, search::kGrepUsage);
    EXPECT_EQ(out.exitCode, search::kGrepNoMatch);
}

}  // namespace conventions

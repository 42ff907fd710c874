// The search window and hivegrep, given the same choices on the same registry, find the same
// rows in the same order; a search without a hit shows "Nothing to show" in the window and
// exits 1 from hivegrep.
#include <gtest/gtest.h>

#include <memory>

#include "common/ui/headless.h"
#include "search/frm_search.h"
#include "search/grep_cli.h"
#include "tests/search/search_fixture.h"

using namespace searchtest;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

namespace {

constexpr int kKeep = -1;  // no option: the saved choice stays

struct Choice {
    const char* text;
    int mode;                           // 1 any, 2 left, 3 right, 4 exact; kKeep
    int matchCase, keys, values, data;  // 1 on, 0 off, kKeep
    const char* root;                   // nullptr: the saved area
    size_t rows;                        // what both must find
};

class SearchTwinTest : public ::testing::Test {
protected:
    void SetUp() override {
        key(reg, kHkeyCurrentUser, "Software\\Tolvane\\Needle Key\\inner needle");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "needle value", "plain");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "plain", "has a NEEDLE inside");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "exact", "needle data");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "", "needle in the default value");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "dir\\needle", "x");
        sz(reg, kHkeyCurrentUser, "Software\\Tolvane", "expand", "needle", plat::kRegExpandSz);
        dword(reg, kHkeyCurrentUser, "Software\\Tolvane", "needle number", 5);
        sz(reg, kHkeyCurrentUser, "Software\\Élan", "Élan Vital", "élan needle");
        key(reg, kHkeyLocalMachine, "SOFTWARE\\Needle Corp\\needle");
        sz(reg, kHkeyLocalMachine, "SOFTWARE\\Needle Corp", "Path", "C:\\Needle\\needle.exe");
    }

    std::vector<std::string> args(const Choice& c) {
        std::vector<std::string> a;
        const char* modes[] = {"", "any", "left", "right", "exact"};
        if (c.root) a.insert(a.end(), {"--root", c.root});
        if (c.mode != kKeep) a.insert(a.end(), {"--match", modes[c.mode]});
        auto flag = [&](int v, const char* on, const char* off) {
            if (v != kKeep) a.push_back(v ? on : off);
        };
        flag(c.matchCase, "--case", "--ignore-case");
        flag(c.keys, "--keys", "--no-keys");
        flag(c.values, "--values", "--no-values");
        flag(c.data, "--data", "--no-data");
        a.insert(a.end(), {"--", c.text});
        return a;
    }

    // The user's sequence in the window: area, mode, options, text, Search.
    std::vector<search::ResultRow> searchInWindow(const Choice& c, bool* nothingShown) {
        ui::HeadlessHost host;
        ui::Driver drv(host);
        search::frmSearch f(host, search::SearchServices{reg, nullptr, nullptr, /*saveSettings=*/false});
        f.show();
        if (c.root) {
            int found = -1;
            for (int i = 0; i < f.cboRoot.count(); ++i)
                if (f.cboRoot.items()[i] == c.root) found = i;
            EXPECT_GE(found, 0) << c.root;
            if (found >= 0 && found != f.cboRoot.listIndex()) drv.pick(f.cboRoot, found);
        }
        ui::OptionButton* modes[] = {nullptr, &f.Option1, &f.Option2, &f.Option3, &f.Option4};
        if (c.mode != kKeep) drv.click(*modes[c.mode]);
        auto check = [&](ui::CheckBox& box, int v) {
            if (v != kKeep && box.value() != v) drv.click(box);
        };
        check(f.ChCase, c.matchCase);
        check(f.ChKeys, c.keys);
        check(f.ChValues, c.values);
        check(f.ChData, c.data);
        drv.type(f.cboFind, c.text);
        drv.click(f.cmdFind);
        *nothingShown = f.LVfound.count() == 1 && f.LVfound.text(0) == search::kNothingToShow;
        std::vector<search::ResultRow> rows;
        for (const search::ResultRow& r : f.listedRows())
            if (!r.fullPath.empty()) rows.push_back(r);
        return rows;
    }

    void compare(const Choice& c) {
        bool nothingShown = false;
        const std::vector<search::ResultRow> windowRows = searchInWindow(c, &nothingShown);
        const search::GrepOutcome grep = search::RunGrep(args(c), reg);
        EXPECT_EQ(windowRows.size(), c.rows) << c.text << "\n" << search::FormatTsv(windowRows);
        EXPECT_EQ(grep.output, search::FormatTsv(windowRows)) << c.text;
        EXPECT_EQ(grep.exitCode, windowRows.empty() ? search::kGrepNoMatch : search::kGrepOk) << c.text;
        EXPECT_EQ(nothingShown, windowRows.empty()) << c.text;
        const std::vector<std::string> json = {"--format", "json"};
        std::vector<std::string> jsonArgs = args(c);
        jsonArgs.insert(jsonArgs.begin(), json.begin(), json.end());
        EXPECT_EQ(search::RunGrep(jsonArgs, reg).output, search::FormatJson(windowRows)) << c.text;
    }

    plat::FakeRegistry reg;
    search::SettingsStore store{reg};
};

TEST_F(SearchTwinTest, SameRowsInTheSameOrderForEveryChoice) {
    const Choice cases[] = {
        // My Computer: the current user's rows come again below HKEY_USERS.
        {"needle", 1, 1, 1, 1, 1, "My Computer", 14},
        {"NEEDLE", 1, 0, 1, 1, 1, "HKEY_CURRENT_USER", 8},
        {"needle", 1, 1, 1, 1, 1, "HKEY_CURRENT_USER", 6},
        {"Needle", 2, 1, 1, 0, 0, "HKEY_LOCAL_MACHINE", 0},
        {"Software\\Needle", 2, 1, 1, 0, 0, "HKEY_LOCAL_MACHINE", 2},
        {"software\\needle", 2, 1, 1, 0, 0, "HKEY_LOCAL_MACHINE", 0},
        {"needle", 3, 0, 0, 1, 0, "HKEY_USERS", 1},
        {"needle data", 4, 1, 0, 0, 1, "My Computer", 2},
        {"élan", 1, 0, 0, 1, 1, "HKEY_CURRENT_USER", 2},
        {"ÉLAN", 2, 1, 0, 1, 1, "HKEY_CURRENT_USER", 0},
        // A value is tested by its name: the backslash in it is no separator.
        {"dir\\needle", 4, 1, 1, 1, 1, "HKEY_CURRENT_USER", 1},
        {"Software\\Tolvane\\dir\\needle", 4, 1, 1, 1, 1, "HKEY_CURRENT_USER", 0},
        {"nothing like this", 1, 0, 1, 1, 1, "My Computer", 0},
    };
    for (const Choice& c : cases) compare(c);
}

TEST_F(SearchTwinTest, SavedChoicesApplyToBoth) {
    // The window's last choices: HKEY_CURRENT_USER (second area), Right, no case, values only.
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastSearchArea", "1"));
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastMode", "3"));
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastCase", "0"));
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastKey", "0"));
    ASSERT_TRUE(store.SaveSetting(search::kAppName, search::kSection, "lastdata", "7"));  // clamped to 1
    ASSERT_EQ(search::SearchAreas(reg)[1], "HKEY_CURRENT_USER");
    const Choice cases[] = {
        {"NEEDLE", kKeep, kKeep, kKeep, kKeep, kKeep, nullptr, 2},
        {"needle", kKeep, 1, kKeep, kKeep, kKeep, nullptr, 2},
        {"needle", 1, kKeep, 1, kKeep, 0, "HKEY_LOCAL_MACHINE", 2},
    };
    for (const Choice& c : cases) compare(c);
}

}  // namespace

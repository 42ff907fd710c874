#include "search/search_engine.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/search/search_fixture.h"

using namespace searchtest;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using search::Mode;
using search::ResultRow;

namespace {

// The request the engine reads; a yield hook can change it in the middle of a walk.
struct TestHost : search::SearchHost {
    search::SearchRequest request;
    bool stop = false;
    int yields = 0;
    std::function<void(int)> onYield;
    std::vector<ResultRow> rows;
    std::string status;

    bool stopRequested() override { return stop; }
    void yield() override {
        ++yields;
        if (onYield) onYield(yields);
    }
    void addRow(const ResultRow& row) override { rows.push_back(row); }
    void showStatus(const std::string& s) override { status = s; }
};

std::vector<std::string> texts(const std::vector<ResultRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(std::to_string(r.image) + ":" + r.text);
    return out;
}

class SearchEngineTest : public ::testing::Test {
protected:
    void run(plat::RegHandle root = kHkeyCurrentUser, const std::string& path = "") {
        host.rows.clear();
        search::SearchEngine engine(reg, host.request, host);
        engine.SearchKey(root, path);
    }
    plat::FakeRegistry reg;
    TestHost host;
};

TEST_F(SearchEngineTest, RowOrderImagesAndPaths) {
    key(reg, kHkeyCurrentUser, "Apps\\FindMe\\Inner");
    sz(reg, kHkeyCurrentUser, "Apps\\FindMe", "FindMe name", "FindMe data");
    value(reg, kHkeyCurrentUser, "Apps\\FindMe", "FindMe bin", plat::kRegBinary, {1, 2});
    dword(reg, kHkeyCurrentUser, "Apps", "FindMe dword", 3);
    value(reg, kHkeyCurrentUser, "Apps", "FindMe multi", plat::kRegMultiSz, utf16Bytes("FindMe"));
    sz(reg, kHkeyCurrentUser, "Apps", "FindMe expand", "FindMe", plat::kRegExpandSz);
    sz(reg, kHkeyCurrentUser, "Apps", "", "FindMe in the default value");
    sz(reg, kHkeyCurrentUser, "", "top FindMe", "x");
    host.request.text = "FindMe";
    run();
    // A key's row comes before its sub-tree, its values after it; name row before data row.
    // Data of types other than 1 and the default value are never examined.
    EXPECT_EQ(texts(host.rows), (std::vector<std::string>{
                                    "1:Apps\\FindMe",
                                    "1:Apps\\FindMe\\Inner",
                                    "2:Apps\\FindMe\\FindMe name",
                                    "2:Apps\\FindMe\\FindMe name",
                                    "3:Apps\\FindMe\\FindMe bin",
                                    "3:Apps\\FindMe dword",
                                    "0:Apps\\FindMe multi",
                                    "2:Apps\\FindMe expand",
                                    "2:top FindMe",
                                }));
    EXPECT_EQ(host.rows[0].fullPath, "HKEY_CURRENT_USER\\Apps\\FindMe");
    EXPECT_EQ(host.rows[2].keyPath, "HKEY_CURRENT_USER\\Apps\\FindMe");
    EXPECT_EQ(host.rows[2].valueName, "FindMe name");
    EXPECT_EQ(host.rows.back().fullPath, "HKEY_CURRENT_USER\\top FindMe");
    EXPECT_EQ(host.rows.back().keyPath, "HKEY_CURRENT_USER");
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(SearchEngineTest, ModesAndCase) {
    sz(reg, kHkeyCurrentUser, "ACME\\Classes", "Élan Vital", "x");
    sz(reg, kHkeyCurrentUser, "ACME\\Classes", "élan", "x");
    struct Case {
        Mode mode;
        bool matchCase;
        const char* text;
        std::vector<std::string> expected;
    } cases[] = {
        {Mode::Exact, true, "ACME\\Classes", {"1:ACME\\Classes"}},
        {Mode::Exact, true, "Classes", {}},
        {Mode::Exact, false, "acme\\classes", {"1:ACME\\Classes"}},
        {Mode::Exact, true, "acme\\classes", {}},
        {Mode::Any, true, "Classes", {"1:ACME\\Classes"}},
        {Mode::Left, true, "AC", {"1:ACME", "1:ACME\\Classes"}},
        {Mode::Left, true, "ACME\\Classes\\x", {}},  // longer than every candidate
        {Mode::Right, true, "Vital", {"2:ACME\\Classes\\Élan Vital"}},
        {Mode::Right, false, "VITAL", {"2:ACME\\Classes\\Élan Vital"}},
        // Accented capitals fold to their small letters only without "Match Case".
        {Mode::Left, true, "élan", {"2:ACME\\Classes\\élan"}},
        {Mode::Left, false, "élan", {"2:ACME\\Classes\\Élan Vital", "2:ACME\\Classes\\élan"}},
        {Mode::Exact, false, "ÉLAN", {"2:ACME\\Classes\\élan"}},
        {Mode::Any, true, "an V", {"2:ACME\\Classes\\Élan Vital"}},
        {Mode::None, false, "élan", {}},
    };
    host.request.data = false;
    for (const Case& c : cases) {
        host.request.mode = c.mode;
        host.request.matchCase = c.matchCase;
        host.request.text = c.text;
        run();
        EXPECT_EQ(texts(host.rows), c.expected) << c.text << " mode " << static_cast<int>(c.mode);
    }
}

TEST_F(SearchEngineTest, TargetsChooseWhatIsTested) {
    key(reg, kHkeyCurrentUser, "needle key");
    sz(reg, kHkeyCurrentUser, "k", "needle value", "plain");
    sz(reg, kHkeyCurrentUser, "k", "plain", "needle data");
    host.request.text = "needle";
    struct Case {
        bool keys, values, data;
        std::vector<std::string> expected;
    } cases[] = {
        {true, false, false, {"1:needle key"}},
        {false, true, false, {"2:k\\needle value"}},
        {false, false, true, {"2:k\\plain"}},
        {false, false, false, {}},
    };
    for (const Case& c : cases) {
        host.request.keys = c.keys;
        host.request.values = c.values;
        host.request.data = c.data;
        run();
        EXPECT_EQ(texts(host.rows), c.expected);
    }
}

TEST_F(SearchEngineTest, EntriesAfterLongNamesAndLargeValuesAreSearched) {
    const std::string k = "Big";
    sz(reg, kHkeyCurrentUser, k, std::string(400, 'n'), "x");
    value(reg, kHkeyCurrentUser, k, "blob", plat::kRegBinary, std::vector<uint8_t>(5000, 1));
    sz(reg, kHkeyCurrentUser, k, "large text", std::string(6000, 't') + "tail needle");
    sz(reg, kHkeyCurrentUser, k, "zneedle", "x");
    key(reg, kHkeyCurrentUser, k + "\\" + std::string(255, 'a'));
    key(reg, kHkeyCurrentUser, k + "\\needle after");
    key(reg, kHkeyCurrentUser, k + "\\  ");
    key(reg, kHkeyCurrentUser, "Spaces\\  \\needle below spaces");
    host.request.text = "needle";
    run();
    EXPECT_EQ(texts(host.rows), (std::vector<std::string>{
                                    "1:Big\\needle after",
                                    "2:Big\\large text",
                                    "2:Big\\zneedle",
                                    "1:Spaces\\  \\needle below spaces",
                                }));
}

TEST_F(SearchEngineTest, ValueNameWithBackslashKeepsItsKey) {
    sz(reg, kHkeyCurrentUser, "Software\\Odd", "dir\\needle", "x");
    host.request.text = "needle";
    run();
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_EQ(host.rows[0].text, "Software\\Odd\\dir\\needle");
    EXPECT_EQ(host.rows[0].keyPath, "HKEY_CURRENT_USER\\Software\\Odd");
    EXPECT_EQ(host.rows[0].valueName, "dir\\needle");
}

TEST_F(SearchEngineTest, StopDuringADeepWalkKeepsRowsAndClosesKeys) {
    std::string path = "Deep";
    for (int depth = 0; depth < 150; ++depth) {
        sz(reg, kHkeyCurrentUser, path, "hit", "x");
        path += "\\level";
    }
    host.request.text = "hit";
    host.onYield = [&](int n) {
        if (n == 400) host.stop = true;
    };
    run();
    EXPECT_TRUE(host.stop);
    // Going down takes two yields a level (listing, key test); the stop comes on the way back up.
    EXPECT_GT(host.rows.size(), 0u);
    EXPECT_LT(host.rows.size(), 150u);
    const int yieldsAtStop = 400;
    EXPECT_LE(host.yields, yieldsAtStop + 3);
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(SearchEngineTest, OptionsAreReadLive) {
    for (int i = 0; i < 6; ++i) sz(reg, kHkeyCurrentUser, "k", "item" + std::to_string(i), "x");
    host.request.text = "item";
    host.request.data = false;
    // After the third row the text changes; the fourth value's test had read the text before
    // its yield, so the new text applies from the fifth value on.
    host.onYield = [&](int) {
        if (host.rows.size() == 3) host.request.text = "item5";
    };
    run();
    EXPECT_EQ(texts(host.rows),
              (std::vector<std::string>{"2:k\\item0", "2:k\\item1", "2:k\\item2", "2:k\\item3", "2:k\\item5"}));
}

TEST_F(SearchEngineTest, UnreadableKeysAreReportedButNotEntered) {
    key(reg, kHkeyCurrentUser, "Locked needle\\needle inside");
    reg.markAccessDenied(kHkeyCurrentUser, "Locked needle");
    host.request.text = "needle";
    run();
    EXPECT_EQ(texts(host.rows), std::vector<std::string>{"1:Locked needle"});
}

TEST(GetIco, ImageByType) {
    const std::pair<uint32_t, int> table[] = {{1, 2}, {2, 2}, {3, 3}, {4, 3}, {0, 0}, {5, 0}, {7, 0}, {11, 0}};
    for (auto [type, image] : table) EXPECT_EQ(search::getIco(type), image) << type;
}

}  // namespace

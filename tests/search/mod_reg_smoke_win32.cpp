// The reading layer and the engine on the real registry (Windows / Wine), below a key the test
// creates and deletes: long names, large data and non-Latin names must not end a listing.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/platform/win32/win32_registry.h"
#include "search/mod_reg.h"
#include "common/registry/reg_value.h"
#include "search/search_engine.h"
#include "tests/search/search_fixture.h"
#include "tests/support/reg_file.h"

using namespace searchtest;
using plat::kHkeyCurrentUser;

namespace {

const std::string kBase = "Software\\Scourline Search Smoke";

class RealRegistry : public ::testing::Test {
protected:
    void SetUp() override { regfile::deleteTree(reg, kHkeyCurrentUser, kBase); }
    void TearDown() override { regfile::deleteTree(reg, kHkeyCurrentUser, kBase); }
    plat::Win32Registry reg;
};

TEST_F(RealRegistry, ListingsAreComplete) {
    const std::string longKey(255, 'k');
    key(reg, kHkeyCurrentUser, kBase + "\\A");
    key(reg, kHkeyCurrentUser, kBase + "\\" + longKey);
    key(reg, kHkeyCurrentUser, kBase + "\\  ");
    key(reg, kHkeyCurrentUser, kBase + "\\Ключ é");
    EXPECT_EQ(modreg::ListSubKeys(reg, kHkeyCurrentUser, kBase),
              (std::vector<std::string>{"  ", "A", longKey, "Ключ é"}));

    const std::string longValue(300, 'v');
    sz(reg, kHkeyCurrentUser, kBase, longValue, "x");
    value(reg, kHkeyCurrentUser, kBase, "big", plat::kRegBinary, std::vector<uint8_t>(100000, 7));
    sz(reg, kHkeyCurrentUser, kBase, "huge text", std::string(70000, 't') + "needle");
    sz(reg, kHkeyCurrentUser, kBase, "Имя", "Значение");
    // Wine lists values by name, Windows by creation: compare as sets.
    std::vector<std::string> names;
    for (const reg::ValueEntry& e : modreg::ListValues(reg, kHkeyCurrentUser, kBase)) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big", "huge text", longValue, "Имя"}));

    plat::RegHandle h = 0;
    ASSERT_EQ(reg.openKey(kHkeyCurrentUser, kBase, &h), plat::kErrorSuccess);
    const modreg::ValueList withText = modreg::ListValuesOfKey(reg, h, nullptr, true);
    reg.closeKey(h);
    ASSERT_EQ(withText.size(), 4u);
    for (const reg::ValueEntry& e : withText) {
        if (e.name == "Имя") {
            EXPECT_TRUE(e.hasData);
            EXPECT_EQ(reg::textOf(e.data), "Значение");
        }
        if (e.name == "huge text") {
            EXPECT_FALSE(e.hasData);  // read by name instead
        }
    }
    EXPECT_EQ(modreg::ReadTextValue(reg, kHkeyCurrentUser, kBase, "huge text"), std::string(70000, 't') + "needle");
}

struct Host : search::SearchHost {
    std::vector<search::ResultRow> rows;
    bool stopRequested() override { return false; }
    void yield() override {}
    void addRow(const search::ResultRow& row) override { rows.push_back(row); }
    void showStatus(const std::string&) override {}
};

TEST_F(RealRegistry, EngineFindsEntriesAfterLargeOnes) {
    sz(reg, kHkeyCurrentUser, kBase + "\\k", std::string(400, 'n'), "x");
    sz(reg, kHkeyCurrentUser, kBase + "\\k", "large", std::string(70000, 't') + "NEEDLE");
    sz(reg, kHkeyCurrentUser, kBase + "\\k", "zz needle", "x");
    key(reg, kHkeyCurrentUser, kBase + "\\Ключ needle");
    Host host;
    search::SearchRequest request;
    request.text = "needle";
    request.matchCase = false;
    search::SearchEngine engine(reg, request, host);
    engine.SearchKey(kHkeyCurrentUser, kBase);
    std::vector<std::string> texts;
    for (const auto& r : host.rows) texts.push_back(r.text);
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts,
              (std::vector<std::string>{kBase + "\\k\\large", kBase + "\\k\\zz needle", kBase + "\\Ключ needle"}));
}

}  // namespace

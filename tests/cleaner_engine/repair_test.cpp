// The engine's repair on findings: the re-read before each delete, which rows leave the list,
// the values captured for the undo record; and the saved settings both front ends read.
#include "cleaner/engine/repair.h"
#include "cleaner/engine/settings.h"
#include "common/registry/mdl_registry.h"
#include "tests/cleaner_engine/engine_fixture.h"

using enginetest::EngineTest;
using plat::kHkeyCurrentUser;

namespace {

// The result list of a test: findings, the chosen ones, and what happened while it ran.
class Rows : public engine::RepairHost {
public:
    std::vector<engine::Finding> rows;
    std::vector<bool> chosen;
    long yields = 0;
    bool stopAfterFirst = false;
    long rowCount() override { return static_cast<long>(rows.size()); }
    const engine::Finding& rowFinding(long i) override { return rows.at(static_cast<size_t>(i)); }
    void removeRow(long i) override {
        rows.erase(rows.begin() + i);
        chosen.erase(chosen.begin() + i);
    }
    bool rowChosen(long i) override { return chosen.at(static_cast<size_t>(i)); }
    bool stopped() override { return stopAfterFirst && yields > 0; }
    void yield() override { ++yields; }
    void add(const engine::Finding& f, bool isChosen = true) {
        rows.push_back(f);
        chosen.push_back(isChosen);
    }
};

engine::Finding finding(const std::string& name, const std::string& data, uint32_t type = plat::kRegSz,
                        plat::RegHandle root = kHkeyCurrentUser) {
    engine::Finding f;
    f.root = root;
    f.keyPath = "Software\\Junk";
    f.valueName = name;
    f.type = type;
    f.data = data;
    f.reason = "Invalid path";
    return f;
}

std::vector<std::string> names(const Rows& r) {
    std::vector<std::string> out;
    for (const engine::Finding& f : r.rows) out.push_back(f.valueName);
    return out;
}

}  // namespace

TEST_F(EngineTest, DeleteIfUnchangedReadsTheValueAgainFirst) {
    struct Case {
        const char* what;
        engine::Finding f;
        long rc;
        bool stays;
    } cases[] = {
        {"as listed", finding("a", "C:\\x\\a.exe"), plat::kErrorSuccess, false},
        {"gone already", finding("never", "C:\\x\\n.exe"), plat::kErrorFileNotFound, false},
        {"data changed", finding("b", "C:\\x\\old.exe"), engine::kValueChanged, true},
        {"type changed", finding("c", "C:\\x\\c.exe", plat::kRegExpandSz), engine::kValueChanged, true},
        {"a root the cleaner does not name", finding("d", "C:\\x\\d.exe", plat::kRegSz, 0x1234),
         plat::kErrorInvalidHandle, true},
        {"a name with a NUL, exact", finding(std::string("e\0x", 3), "C:\\x\\e.exe"), plat::kErrorSuccess, false},
    };
    for (const char* n : {"a", "b", "c", "d"})
        sz(kHkeyCurrentUser, "Software\\Junk", n, std::string("C:\\x\\") + n + ".exe");
    sz(kHkeyCurrentUser, "Software\\Junk", std::string("e\0x", 3), "C:\\x\\e.exe");
    sz(kHkeyCurrentUser, "Software\\Junk", "e", "C:\\x\\e.exe");
    for (const Case& c : cases) {
        EXPECT_EQ(engine::DeleteIfUnchanged(reg, c.f), c.rc) << c.what;
        const bool there = reg.getValue(kHkeyCurrentUser, "Software\\Junk", c.f.valueName, nullptr, nullptr);
        EXPECT_EQ(there, c.stays && c.rc != plat::kErrorFileNotFound) << c.what;
    }
    EXPECT_TRUE(reg.getValue(kHkeyCurrentUser, "Software\\Junk", "e", nullptr, nullptr)) << "only the exact name";
}

TEST_F(EngineTest, RepairRowsRemovesARowOnlyWhenItsValueIsGone) {
    for (const char* n : {"a", "b", "c"}) sz(kHkeyCurrentUser, "Software\\Junk", n, std::string("C:\\x\\") + n);
    Rows r;
    r.add(finding("a", "C:\\x\\a"));
    r.add(finding("b", "C:\\x\\b"), false);  // not chosen
    r.add(finding("c", "C:\\x\\mended"));    // changed since the scan
    r.add(finding("a", "C:\\x\\a"));         // listed twice: gone by now
    r.add(finding("c", "C:\\x\\c"));
    engine::RepairRows(reg, r);
    EXPECT_EQ(names(r), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(r.rows[1].data, "C:\\x\\mended");
    EXPECT_EQ(r.yields, 5) << "one yield per row looked at";
    EXPECT_TRUE(reg.getValue(kHkeyCurrentUser, "Software\\Junk", "b", nullptr, nullptr));
    EXPECT_FALSE(reg.getValue(kHkeyCurrentUser, "Software\\Junk", "c", nullptr, nullptr));
}

TEST_F(EngineTest, RepairRowsEndsWhenStopped) {
    for (const char* n : {"a", "b"}) sz(kHkeyCurrentUser, "Software\\Junk", n, std::string("C:\\x\\") + n);
    Rows r;
    r.stopAfterFirst = true;
    r.add(finding("a", "C:\\x\\a"));
    r.add(finding("b", "C:\\x\\b"));
    engine::RepairRows(reg, r);
    EXPECT_EQ(names(r), (std::vector<std::string>{"b"}));
    EXPECT_TRUE(reg.getValue(kHkeyCurrentUser, "Software\\Junk", "b", nullptr, nullptr));
}

TEST_F(EngineTest, UndoCaptureTakesTheChosenValuesAsTheyAreNow) {
    sz(kHkeyCurrentUser, "Software\\Junk", "a", "C:\\x\\now");
    sz(kHkeyCurrentUser, "Software\\Junk", "b", "C:\\x\\b");
    Rows r;
    r.add(finding("a", "C:\\x\\then"));
    r.add(finding("b", "C:\\x\\b"), false);
    r.add(finding("gone", "C:\\x\\g"));
    r.add(finding("d", "C:\\x\\d", plat::kRegSz, 0x1234));
    engine::UndoCapture got = engine::CaptureChosenValues(reg, r);
    ASSERT_TRUE(got.ok);
    ASSERT_EQ(got.values.size(), 1u);
    EXPECT_EQ(got.values[0].name, "a");
    EXPECT_EQ(got.values[0].data, enginetest::utf16Bytes("C:\\x\\now"));

    reg.markAccessDenied(kHkeyCurrentUser, "Software\\Junk");
    got = engine::CaptureChosenValues(reg, r);
    EXPECT_FALSE(got.ok);
    EXPECT_TRUE(got.values.empty());
    EXPECT_EQ(got.problem.rfind("Nothing was deleted: the value \"a\" of HKEY_CURRENT_USER\\Software\\Junk cannot be "
                                "read for the undo file (",
                                0),
              0u)
        << got.problem;
}

TEST_F(EngineTest, SavedSettingsAsBothFrontEndsReadThem) {
    EXPECT_EQ(engine::SavedAreaTicks(reg), std::vector<bool>(8, true)) << "nothing saved: every area";
    EXPECT_EQ(engine::SavedSkipCdLan(reg), 0);
    EXPECT_FALSE(engine::SavedKeepUndo(reg));
    struct Case {
        const char* locState;
        std::vector<bool> ticks;
        const char* skip;
        int skipState;
    } cases[] = {
        {"0;1;0;1;1.0; 1;01x;2", {false, true, false, true, true, true, true, false}, "2", 2},
        {"1;0", {true, false, false, false, false, false, false, false}, "yes", -1},
        {"", std::vector<bool>(8, false), " 1", 1},
    };
    for (const Case& c : cases) {
        mdlreg::WriteStringValue(reg, kHkeyCurrentUser, engine::kSettingsKey, "LocState", c.locState);
        mdlreg::WriteStringValue(reg, kHkeyCurrentUser, engine::kSettingsKey, "chkSkipCDLan", c.skip);
        EXPECT_EQ(engine::SavedAreaTicks(reg), c.ticks) << c.locState;
        EXPECT_EQ(engine::SavedSkipCdLan(reg), c.skipState) << c.skip;
    }
    engine::SaveCheckState(reg, "chkKeepUndo", true);
    EXPECT_TRUE(engine::SavedKeepUndo(reg));
}

TEST_F(EngineTest, TheLanguageIsChosenByTheMarkerFile) {
    files.setApplicationFolder("C:\\App");
    EXPECT_EQ(engine::StartLanguage(files), engine::Language::English);
    files.addFile("C:\\App\\spanish.dll", std::string("x"));
    EXPECT_EQ(engine::StartLanguage(files), engine::Language::Spanish);
    const engine::Texts& es = engine::TextsFor(engine::StartLanguage(files));
    EXPECT_EQ(es.columns[0], "Ubicación");
    EXPECT_EQ(engine::CategoryDescriptionsText(es).rfind("Información sobre la sesión actual;", 0), 0u);
    // Every area of the category table has its texts in both tables, in table order.
    for (engine::Language l : {engine::Language::English, engine::Language::Spanish}) {
        const engine::Texts& t = engine::TextsFor(l);
        ASSERT_EQ(t.areas.size(), engine::ScanCategories().size());
        for (size_t i = 0; i < t.areas.size(); ++i) {
            EXPECT_EQ(t.areas[i].code, engine::ScanCategories()[i].code);
            EXPECT_FALSE(t.areas[i].name.empty());
        }
        for (const std::string& r : t.reasons) EXPECT_FALSE(r.empty());
    }
}

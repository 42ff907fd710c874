// Rows that a scan must list exactly: names that hold a NUL, long value names, keys named only
// with spaces, and keys deeper than any full path the platform can open.
#include <string>

#include "tests/cleaner_engine/engine_fixture.h"
#include "tests/support/forwarding_registry.h"

using enginetest::EngineTest;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

namespace {

// Remembers the longest key path passed to an open.
class OpenRecorder : public testsupport::ForwardingRegistry {
public:
    using ForwardingRegistry::ForwardingRegistry;
    size_t longestOpenPath = 0;

    long openKey(plat::RegHandle p, std::string_view s, plat::RegHandle* o) override {
        note(s);
        return ForwardingRegistry::openKey(p, s, o);
    }
    long openKeyEx(plat::RegHandle p, std::string_view s, uint32_t sam, plat::RegHandle* o) override {
        note(s);
        return ForwardingRegistry::openKeyEx(p, s, sam, o);
    }

private:
    void note(std::string_view s) { longestOpenPath = std::max(longestOpenPath, text::toUtf16(s).size()); }
};

}  // namespace

TEST_F(EngineTest, NamesWithANulAreListedExactlyInEveryWalker) {
    const std::string hidden("abc\0hidden", 10);
    const std::string leading("\0hidden2", 8);
    files.addFile("C:\\present.exe");
    sz(kHkeyCurrentUser, "Software\\Run", "abc", "C:\\present.exe");
    sz(kHkeyCurrentUser, "Software\\Run", "", "C:\\present.exe");
    sz(kHkeyCurrentUser, "Software\\Run", hidden, "C:\\gone\\a.exe");
    sz(kHkeyCurrentUser, "Software\\Run", leading, "C:\\gone\\b.exe");
    // Shared files: the name is the file; the part before the NUL exists, the value is still
    // listed by its exact name only when the file is missing.
    dword(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "C:\\gone\\c.dll" + leading,
          1);
    dword(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "C:\\present.exe", 1);
    auto rows = scanCodes({"HKCU", "DLL"});
    std::vector<std::string> names;
    for (const auto& r : rows) names.push_back(r.valueName);
    EXPECT_EQ(names, (std::vector<std::string>{hidden, leading, "C:\\gone\\c.dll" + leading}));
}

TEST_F(EngineTest, ComReferenceRowsKeepTheExactName) {
    const std::string name("ProgID\0x", 8);
    sz(plat::kHkeyClassesRoot, "CLSID\\{11111111-0000-0000-0000-000000000000}", name, "Gone.Prog");
    auto rows = scanCodes({"COM"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].valueName, name);
}

TEST_F(EngineTest, LongValueNamesAndBlankKeyNamesAreListed) {
    const std::string longName(300, 'n');
    sz(kHkeyCurrentUser, "Software\\Long", longName, "C:\\gone\\long.exe");
    const std::string longest(16383, 'm');
    sz(kHkeyCurrentUser, "Software\\Long", longest, "C:\\gone\\longest.exe");
    sz(kHkeyCurrentUser, "Software\\   ", "v", "C:\\gone\\blank.exe");
    auto rows = scanCodes({"HKCU"});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].location, "HKEY_CURRENT_USER\\software\\   ");
    EXPECT_EQ(rows[1].valueName, longName);
    EXPECT_EQ(rows[2].valueName, longest);
}

TEST_F(EngineTest, KeysAreOpenedFromTheirParentSoNoFullPathLimitApplies) {
    // 200 levels of 200-character names: a full path of about 40,000 characters, more than an
    // open from the root can carry.
    std::string path = "Software\\Deep";
    for (int i = 0; i < 200; ++i) path += "\\" + std::string(199, 'k') + std::to_string(i % 10);
    sz(kHkeyCurrentUser, path, "v", "C:\\gone\\deep.exe");
    OpenRecorder recorder(reg);
    std::vector<engine::CategoryRow> cats;
    for (const engine::ScanCategory& c : engine::ScanCategories()) cats.push_back({c.code, c.code == "HKCU"});
    engine::Scanner(recorder, files, host, texts(false)).RunCategories(cats);
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_EQ(host.rows[0].location.size(), std::string("HKEY_CURRENT_USER\\").size() + path.size());
    EXPECT_LE(recorder.longestOpenPath, 200u);
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

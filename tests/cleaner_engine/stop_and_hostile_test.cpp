#include <string>

#include "tests/cleaner_engine/engine_fixture.h"

using enginetest::EngineTest;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

namespace {

std::string chain(const std::string& base, int levels) {
    std::string p = base;
    for (int i = 1; i <= levels; ++i) p += "\\L" + std::to_string(i);
    return p;
}

// Deletes a key and everything below it.
void deleteTree(plat::Registry& reg, plat::RegHandle root, const std::string& path) {
    plat::RegHandle h = 0;
    if (reg.openKeyEx(root, path, plat::kKeyRead, &h) != 0) return;
    std::string name;
    std::vector<std::string> names;
    for (uint32_t i = 0; reg.enumKey(h, i, 512, &name) == 0; ++i) names.push_back(name);
    reg.closeKey(h);
    for (const std::string& n : names) deleteTree(reg, root, path + "\\" + n);
    reg.deleteKey(root, path);
}

}  // namespace

TEST_F(EngineTest, StopDuringADeepWalkClosesEveryKey) {
    const std::string deep = chain("Software\\Deep", 200);
    for (int i = 1; i <= 200; ++i) sz(kHkeyCurrentUser, chain("Software\\Deep", i), "v", "C:\\gone\\x.exe");
    sz(kHkeyCurrentUser, "Software\\Zafter", "v", "C:\\gone\\after.exe");
    size_t openHandlesAtStop = 0, opensAtStop = 0;
    long yieldAtStop = 0;
    host.onYield = [&](long n) {
        if (n == 120) {
            host.running = false;  // the user pressed Stop
            openHandlesAtStop = reg.openHandleCount();
            opensAtStop = reg.openCallCount();
            yieldAtStop = n;
        }
    };
    auto rows = scanCodes({"HKCU", "HKLM"});
    EXPECT_GT(openHandlesAtStop, 50u);  // the stop came deep inside the walk
    EXPECT_EQ(reg.openHandleCount(), 0u);
    EXPECT_EQ(reg.openCallCount(), opensAtStop);  // nothing opened after the stop
    EXPECT_EQ(host.yields, yieldAtStop + 1);      // the driver's own yield after the walk
    EXPECT_EQ(host.progress, 99);
    // The rows found so far stay; the keys after the stop were never reached.
    EXPECT_GT(rows.size(), 0u);
    EXPECT_LT(rows.size(), 200u);
    for (const auto& r : rows) EXPECT_EQ(r.valueData, "C:\\gone\\x.exe");
}

TEST_F(EngineTest, StopInsideAValueLoopEndsAfterThatValue) {
    for (int i = 0; i < 10; ++i) sz(kHkeyCurrentUser, "Software\\Many", "v" + std::to_string(i), "C:\\gone\\m.exe");
    host.onYield = [&](long n) {
        // Yields: before the category, then one per value.
        if (n == 4) host.running = false;
    };
    auto rows = scanCodes({"HKCU"});
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(EngineTest, StopDuringTheFirstCategoryLeavesTheOthersUnwalked) {
    sz(kHkeyCurrentUser, "Software\\A", "v", "C:\\gone\\a.exe");
    sz(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\VxD\\V", "StaticVxD", "C:\\gone\\v.vxd");
    host.onYield = [&](long n) {
        if (n == 1) host.running = false;  // pressed before the first walk began
    };
    EXPECT_TRUE(scanCodes({"HKCU", "VDD"}).empty());
    EXPECT_EQ(host.progress, 99);
}

TEST_F(EngineTest, HostileDataNeverStopsTheScan) {
    const std::string k = "Software\\Hostile";
    // A very long path: reported whole.
    const std::string longPath = "C:\\" + std::string(100000, 'a') + ".exe";
    sz(kHkeyCurrentUser, k, "Long", longPath);
    // Binary bytes stored as a string, odd length and lone surrogates included.
    setRaw(kHkeyCurrentUser, k, "Junk", plat::kRegSz, {0x00, 0xD8, 0x41, 0x00, 0x3A, 0x00, 0x5C, 0x00, 0xFF});
    setRaw(kHkeyCurrentUser, k, "Bin", plat::kRegBinary, {'C', 0, ':', 0, '\\', 0, 'x', 0});
    // An embedded NUL: the text ends there.
    setRaw(kHkeyCurrentUser, k, "Nul", plat::kRegSz,
           enginetest::utf16Bytes(std::string("C:\\gone\\nul.exe\0C:\\x", 21)));
    // A multi-string: its first string.
    setRaw(kHkeyCurrentUser, k, "Multi", plat::kRegMultiSz,
           enginetest::utf16Bytes(std::string("C:\\gone\\multi.exe\0D:\\b\0", 24)));
    // A Unicode name and path come out exactly.
    sz(kHkeyCurrentUser, k, "Ключ ✓", "C:\\Программы\\нет.exe");
    // A key that cannot be opened and a key that may only be read: both contribute nothing.
    sz(kHkeyCurrentUser, k + "\\Denied", "v", "C:\\gone\\denied.exe");
    reg.markAccessDenied(kHkeyCurrentUser, k + "\\Denied");
    sz(kHkeyCurrentUser, k + "\\ReadOnly", "v", "C:\\gone\\ro.exe");
    reg.markReadOnly(kHkeyCurrentUser, k + "\\ReadOnly");
    // 200 levels: the bottom value is reported with its whole path.
    const std::string deep = chain(k + "\\Deep", 200);
    sz(kHkeyCurrentUser, deep, "Bottom", "C:\\gone\\bottom.exe");

    auto rows = scanCodes({"HKCU"});
    std::vector<std::string> names;
    for (const auto& r : rows) names.push_back(r.valueName);
    // "Junk" decodes to a lone surrogate, then "A:\\": a path on drive A, which is missing.
    EXPECT_EQ(names, (std::vector<std::string>{"Long", "Junk", "Nul", "Multi", "Ключ ✓", "Bottom"}));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].valueData, longPath);
    EXPECT_EQ(rows[1].valueData,
              "\xED\xA0\x80"
              "A:\\");
    EXPECT_EQ(rows[2].valueData, "C:\\gone\\nul.exe");
    EXPECT_EQ(rows[3].valueData, "C:\\gone\\multi.exe");
    EXPECT_EQ(rows[3].regType, "7");
    EXPECT_EQ(rows[4].valueData, "C:\\Программы\\нет.exe");
    EXPECT_EQ(rows[5].location, "HKEY_CURRENT_USER\\s" + deep.substr(1));
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(EngineTest, KeysDeletedWhileTheScanRuns) {
    for (int i = 0; i < 5; ++i) {
        const std::string k = "Software\\Gone\\K" + std::to_string(i);
        for (int j = 0; j < 3; ++j) sz(kHkeyCurrentUser, k + "\\S" + std::to_string(j), "v", "C:\\gone\\k.exe");
    }
    sz(kHkeyCurrentUser, "Software\\Later", "v", "C:\\gone\\later.exe");
    host.onYield = [&](long n) {
        if (n == 3) deleteTree(reg, kHkeyCurrentUser, "Software\\Gone");
    };
    auto rows = scanCodes({"HKCU"});
    EXPECT_EQ(reg.openHandleCount(), 0u);
    // Only what was read before the delete is listed; the walk ran to its end (counts are
    // taken at the open, so the vanished indexes read as empty names and are skipped).
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].location, "HKEY_CURRENT_USER\\software\\Gone\\K0\\S0");
    EXPECT_NE(host.progress, 99);
}

TEST_F(EngineTest, RegistryLoopingDeeperThanThePlatformAllowsEndsTheWalk) {
    const std::string deep = chain("Software\\Loop", engine::Scanner::kMaxDepth + 20);
    sz(kHkeyCurrentUser, deep, "v", "C:\\gone\\deep.exe");
    sz(kHkeyCurrentUser, chain("Software\\Loop", 300), "w", "C:\\gone\\w.exe");
    auto rows = scanCodes({"HKCU"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].valueName, "w");
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST_F(EngineTest, SameMissingPathIsTestedOncePerScan) {
    for (int i = 0; i < 50; ++i)
        sz(kHkeyCurrentUser, "Software\\Same\\K" + std::to_string(i), "v", "\"C:\\gone\\same.exe\" /x");
    auto rows = scanCodes({"HKCU"});
    EXPECT_EQ(rows.size(), 50u);
    plat::FakeFiles fresh;
    engine::PathChecker one(fresh);
    one.DataPathExists("\"C:\\gone\\same.exe\" /x");
    EXPECT_EQ(files.probeCount(), fresh.probeCount());
}

TEST_F(EngineTest, KeyNamesWithOuterSpacesAreWalkedAsThemselves) {
    sz(kHkeyCurrentUser, "Software\\Spaced", "v", "C:\\present.exe");
    sz(kHkeyCurrentUser, "Software\\ Spaced ", "v", "C:\\gone\\spaced.exe");
    files.addFile("C:\\present.exe");
    auto rows = scanCodes({"HKCU"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].location, "HKEY_CURRENT_USER\\software\\ Spaced ");
}

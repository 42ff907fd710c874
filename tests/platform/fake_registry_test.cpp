// What only the substitute can show: keys marked denied or read-only, open-handle counts, and
// which keys of its 32-bit view are shared with the 64-bit one.
#include <gtest/gtest.h>

#include "common/platform/fake/fake_registry.h"
#include "common/text/text.h"
#include "tests/support/reg_file.h"

namespace {

using namespace plat;

TEST(FakeRegistry, DeniedKeyRefusesEveryOpenAndItsDelete) {
    FakeRegistry reg;
    reg.markAccessDenied(kHkeyLocalMachine, "Software\\Locked");
    RegHandle h = 0;
    EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "Software\\Locked", &h), kErrorAccessDenied);
    EXPECT_EQ(reg.openKeyEx(kHkeyLocalMachine, "Software\\Locked", kKeyRead, &h), kErrorAccessDenied);
    EXPECT_EQ(reg.openKeyEx(kHkeyLocalMachine, "software\\LOCKED", kKeyQueryValue, &h), kErrorAccessDenied);
    EXPECT_EQ(reg.createKey(kHkeyLocalMachine, "Software\\Locked", &h), kErrorAccessDenied);
    EXPECT_EQ(reg.createKey(kHkeyLocalMachine, "Software\\Locked\\Below", &h), kErrorAccessDenied);
    EXPECT_EQ(reg.deleteKey(kHkeyLocalMachine, "Software\\Locked"), kErrorAccessDenied);
    EXPECT_EQ(h, 0u);
    // The key is still listed by its parent.
    ASSERT_EQ(reg.openKeyEx(kHkeyLocalMachine, "Software", kKeyRead, &h), kErrorSuccess);
    bool listed = false;
    std::string name;
    for (uint32_t i = 0; reg.enumKey(h, i, 300, &name) == kErrorSuccess; ++i) listed |= name == "Locked";
    EXPECT_TRUE(listed);
    reg.closeKey(h);
    reg.clearMarks(kHkeyLocalMachine, "Software\\Locked");
    EXPECT_EQ(reg.openKeyEx(kHkeyLocalMachine, "Software\\Locked", kKeyRead, &h), kErrorSuccess);
    reg.closeKey(h);
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST(FakeRegistry, ReadOnlyKeyOpensForReadingOnly) {
    FakeRegistry reg;
    reg.markReadOnly(kHkeyCurrentUser, "Software\\RO");
    RegHandle h = 0;
    EXPECT_EQ(reg.openKeyEx(kHkeyCurrentUser, "Software\\RO", kKeyFullAccess, &h), kErrorAccessDenied);
    ASSERT_EQ(reg.openKeyEx(kHkeyCurrentUser, "Software\\RO", kKeyRead, &h), kErrorSuccess);
    reg.closeKey(h);
    // RegOpenKey gets the most it may have: a read-only handle.
    ASSERT_EQ(reg.openKey(kHkeyCurrentUser, "Software\\RO", &h), kErrorSuccess);
    const uint8_t b = 1;
    EXPECT_EQ(reg.setValueEx(h, "x", kRegBinary, &b, 1), kErrorAccessDenied);
    uint32_t type, bytes;
    EXPECT_EQ(reg.queryValueEx(h, "x", &type, nullptr, &bytes), kErrorFileNotFound);
    reg.closeKey(h);
    EXPECT_EQ(reg.createKey(kHkeyCurrentUser, "Software\\RO\\New", &h), kErrorAccessDenied);
    bool created = true;
    EXPECT_EQ(reg.createKeyEx(kHkeyCurrentUser, "Software\\RO", kKeyRead, &h, &created), kErrorSuccess);
    EXPECT_FALSE(created);
    reg.closeKey(h);
    EXPECT_EQ(reg.deleteKey(kHkeyCurrentUser, "Software\\RO"), kErrorAccessDenied);
}

TEST(FakeRegistry, CountsOpenHandles) {
    FakeRegistry reg;
    RegHandle a = 0, b = 0;
    ASSERT_EQ(reg.createKey(kHkeyCurrentUser, "Software\\A", &a), kErrorSuccess);
    ASSERT_EQ(reg.openKeyEx(kHkeyCurrentUser, "Software", kKeyRead, &b), kErrorSuccess);
    EXPECT_EQ(reg.openHandleCount(), 2u);
    EXPECT_EQ(reg.openCallCount(), 2u);
    EXPECT_EQ(reg.closeKey(a), kErrorSuccess);
    EXPECT_EQ(reg.closeKey(a), kErrorInvalidHandle);  // twice
    EXPECT_EQ(reg.openHandleCount(), 1u);
    reg.closeKey(b);
    EXPECT_EQ(reg.openHandleCount(), 0u);
}

TEST(FakeRegistry, ClassesRootIsMachineSoftwareClasses) {
    FakeRegistry reg;
    RegHandle h = 0;
    ASSERT_EQ(reg.createKey(kHkeyClassesRoot, ".txt", &h), kErrorSuccess);
    reg.closeKey(h);
    EXPECT_TRUE(reg.keyExists(kHkeyLocalMachine, "SOFTWARE\\Classes\\.TXT"));
    EXPECT_EQ(reg.deleteKey(kHkeyLocalMachine, "Software\\Classes"), kErrorAccessDenied);
    EXPECT_EQ(reg.deleteKey(kHkeyUsers, "S-1-5-21-0-0-0-1000"), kErrorAccessDenied);
}

// A 32-bit program creating a key below HKLM\Software lands below Wow6432Node unless the key
// is one that both views share (named by one or by several components).
TEST(FakeRegistry, ThirtyTwoBitViewSharesOnlyTheSharedSoftwareKeys) {
    const struct {
        std::string path;
        std::string reached;  // the key's name below \REGISTRY\MACHINE\ in the 32-bit view
    } cases[] = {
        {"Software\\Policies\\Mine", "Software\\Policies\\Mine"},
        {"Software\\Microsoft\\OLE\\Mine", "Software\\Microsoft\\OLE\\Mine"},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe",
         "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe"},
        {"Software\\microsoft\\WINDOWS NT\\CurrentVersion\\Fonts",
         "Software\\microsoft\\WINDOWS NT\\CurrentVersion\\Fonts"},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
         "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\App",
         "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App"},
        {"Software\\Microsoft\\OLEx", "Software\\Wow6432Node\\Microsoft\\OLEx"},
        {"Software\\Vendor", "Software\\Wow6432Node\\Vendor"},
        {"Software\\Classes\\CLSID\\{1}", "Software\\Classes\\Wow6432Node\\CLSID\\{1}"},
        {"Software\\Classes\\.txt", "Software\\Classes\\.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        FakeRegistry reg;
        RegHandle h = 0;
        ASSERT_EQ(reg.createKeyEx(kHkeyLocalMachine, c.path, kKeyAllAccess | kKeyWow64_32Key, &h, nullptr),
                  kErrorSuccess);
        std::string name;
        EXPECT_EQ(reg.queryKeyName(h, &name), kErrorSuccess);
        EXPECT_TRUE(text::equalNoCase(name, "\\REGISTRY\\MACHINE\\" + c.reached)) << name;
        reg.closeKey(h);
    }
}

}  // namespace

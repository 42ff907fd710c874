// Layer behaviour that needs the substitute: keys a user may not open or change, and the
// promise that every key the layer opens is closed again.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/platform/fake/fake_registry.h"
#include "common/registry/mdl_registry.h"
#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "tests/support/reg_file.h"

namespace {

using namespace plat;
using namespace mdlreg;

const std::string kFixture = std::string() +
                             "Windows Registry Editor Version 5.00\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Demo]\n"
                             "\"Path\"=\"C:\\\\x.exe\"\n"
                             "\"Long\"=\"" +
                             std::string(130, 'L') +
                             "\"\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Demo\\Locked]\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Demo\\ReadOnly]\n"
                             "\"v\"=\"x\"\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Demo\\Tree\\A\\B]\n";

class LayerOnFake : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(regfile::load(reg_, kFixture, &error)) << error;
        reg_.markAccessDenied(kHkeyLocalMachine, "Software\\Demo\\Locked");
        reg_.markReadOnly(kHkeyLocalMachine, "Software\\Demo\\ReadOnly");
    }
    FakeRegistry reg_;
};

TEST_F(LayerOnFake, KeyExistsIsTrueForAKeyThatCannotBeOpened) {
    EXPECT_TRUE(KeyExists(reg_, kHkeyLocalMachine, "Software\\Demo\\Locked"));
    EXPECT_FALSE(KeyExists(reg_, kHkeyLocalMachine, "Software\\Demo\\Missing"));
    EXPECT_EQ(reg_.openHandleCount(), 0u);
}

TEST_F(LayerOnFake, FullAccessOpenFailsOnReadOnlyAndDeniedKeys) {
    EXPECT_EQ(OpenKeyFull(reg_, kHkeyLocalMachine, "Software\\Demo\\ReadOnly"), 0u);
    EXPECT_EQ(OpenKeyFull(reg_, kHkeyLocalMachine, "Software\\Demo\\Locked"), 0u);
    // Reading a read-only key works; writing and deleting there fail without side effects.
    EXPECT_EQ(ReadStringSetting(reg_, kHkeyLocalMachine, "Software\\Demo\\ReadOnly", "v"), "x");
    EXPECT_EQ(ReadValueOrDefault(reg_, kHkeyLocalMachine, "Software\\Demo", "", "ReadOnly", "v", "d", false), "x");
    EXPECT_EQ(ReadValueOrDefault(reg_, kHkeyLocalMachine, "Software\\Demo", "", "ReadOnly", "v", "d", true), "d");
    EXPECT_EQ(DeleteRegValue(reg_, kHkeyLocalMachine, "Software\\Demo\\ReadOnly", "v"), kErrorAccessDenied);
    EXPECT_FALSE(DeleteKeyOrValue(reg_, kHkeyLocalMachine, "Software\\Demo", "", "ReadOnly", "v"));
    EXPECT_FALSE(DeleteKeyOrValue(reg_, kHkeyLocalMachine, "Software\\Demo", "", "Locked", ""));
    EXPECT_TRUE(reg_.keyExists(kHkeyLocalMachine, "Software\\Demo\\Locked"));
    EXPECT_EQ(ReadStringSetting(reg_, kHkeyLocalMachine, "Software\\Demo\\Locked", "v", "d"), "d");
    EXPECT_EQ(reg_.openHandleCount(), 0u);
}

TEST_F(LayerOnFake, DeletingATreeWithALockedKeyInsideStopsWithoutLoopingAndKeepsTheRest) {
    reg_.markAccessDenied(kHkeyLocalMachine, "Software\\Demo\\Tree\\A\\B");
    EXPECT_FALSE(DeleteKeyOrValue(reg_, kHkeyLocalMachine, "Software\\Demo", "", "Tree", ""));
    EXPECT_TRUE(reg_.keyExists(kHkeyLocalMachine, "Software\\Demo\\Tree\\A\\B"));
    EXPECT_EQ(reg_.openHandleCount(), 0u);
}

TEST_F(LayerOnFake, EveryOperationClosesWhatItOpens) {
    RegHandle h = OpenKeyFull(reg_, kHkeyLocalMachine, "Software\\Demo");
    ASSERT_NE(h, 0u);
    long subKeys = 0, values = 0;
    QueryKeyCounts(reg_, h, &subKeys, &values);
    EXPECT_EQ(subKeys, 3);
    EXPECT_EQ(values, 2);
    for (long i = 0; i < values; ++i) {
        const ValueEntry e = EnumValueEntry(reg_, h, i);
        if (e.name == "Long") {
            EXPECT_EQ(e.text, std::string(130, 'L'));  // 262 bytes: read again whole
        }
    }
    EXPECT_EQ(EnumSubkeyName(reg_, h, 0), "Locked");
    QueryValueVariant(reg_, h, "Path");
    reg_.closeKey(h);
    KeyExists(reg_, kHkeyLocalMachine, "Software\\Demo");
    KeyExists(reg_, kHkeyLocalMachine, "");
    ReadStringSetting(reg_, kHkeyLocalMachine, "Software\\Demo", "Path");
    ReadValueText(reg_, kHkeyLocalMachine, "Software\\Demo", "Long");
    WriteStringValue(reg_, kHkeyLocalMachine, "Software\\Demo\\New", "n", "v");
    DeleteRegValue(reg_, kHkeyLocalMachine, "Software\\Demo\\New", "n");
    ReadValueOrDefault(reg_, kHkeyLocalMachine, "Software", "Demo", "", "Path", "", true);
    CollectSubkeys(reg_, "HKEY_LOCAL_MACHINE", "Software\\Demo", true);
    EXPECT_TRUE(DeleteKeyOrValue(reg_, kHkeyLocalMachine, "Software\\Demo", "", "Tree", ""));
    EXPECT_EQ(reg_.openHandleCount(), 0u);
    EXPECT_GT(reg_.openCallCount(), 10u);
}

// Subkey names come back exact from the lister and from each name by index: only blanks,
// outer blanks and a NUL inside (which only the native API can create) included.
TEST_F(LayerOnFake, SubkeyNamesComeBackExactFromEveryLister) {
    const std::string nul("a\0b", 3);
    std::vector<std::string> want{" ", "  x ", nul, "plain", std::string(255, 'n')};
    for (const std::string& name : want)
        ASSERT_TRUE(reg::Key::create(reg_, kHkeyLocalMachine, "Software\\Names\\" + name)) << name;
    std::sort(want.begin(), want.end());

    const reg::Key key = reg::Key::open(reg_, kHkeyLocalMachine, "Software\\Names", kKeyRead);
    ASSERT_TRUE(key);
    std::vector<std::string> listed = reg::subkeysOf(reg_, key.get());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, want);

    std::vector<std::string> byIndex;
    for (long i = 0; i < static_cast<long>(want.size()); ++i) byIndex.push_back(EnumSubkeyName(reg_, key.get(), i));
    std::sort(byIndex.begin(), byIndex.end());
    EXPECT_EQ(byIndex, want);

    SubkeyList collected = CollectSubkeys(reg_, "hkey_local_machine", "Software\\Names", true);
    ASSERT_EQ(collected.hasChildren.size(), want.size());
    std::sort(collected.names.begin(), collected.names.end());
    EXPECT_EQ(collected.names, want);
    EXPECT_EQ(std::count(collected.hasChildren.begin(), collected.hasChildren.end(), true), 0);
}

}  // namespace

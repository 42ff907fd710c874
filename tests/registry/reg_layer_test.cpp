// The one registry layer (self-closing keys, value decoders and encoders, complete listings)
// on the test registry: in-memory natively, the real one under Wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"
#include "tests/support/test_registry.h"

namespace {

using testsupport::ScratchKey;

class RegLayer : public ::testing::Test {
protected:
    void SetUp() override {
        registry_ = testsupport::makeTestRegistry();
        scratch_ = std::make_unique<ScratchKey>(*registry_);
    }
    void TearDown() override { scratch_.reset(); }
    reg::Key scratch(const std::string& sub = "") {
        return reg::Key::create(*registry_, plat::kHkeyCurrentUser, ScratchKey::path(sub));
    }
    std::unique_ptr<plat::Registry> registry_;
    std::unique_ptr<ScratchKey> scratch_;
};

TEST(RegValue, DecodersAreTolerantOfOddData) {
    // No terminator, an odd last byte, an embedded NUL, a size beyond the bytes.
    EXPECT_EQ(reg::textOf(reg::Bytes{'a', 0, 'b', 0}), "ab");
    EXPECT_EQ(reg::textOf(reg::Bytes{'a', 0, 'b', 0, 'c'}), "ab");
    EXPECT_EQ(reg::textOf(reg::Bytes{'a', 0, 0, 0, 'b', 0}), "a");
    EXPECT_EQ(reg::textOf(reg::Bytes{}), "");
    const reg::Bytes lone{0x00, 0xD8, 'x', 0};  // a lone surrogate stays exact
    EXPECT_EQ(reg::textBytes(reg::textOf(lone), false), lone);

    EXPECT_EQ(reg::multiTextOf(reg::multiTextBytes({"one", "Ключ", "three"})),
              (std::vector<std::string>{"one", "Ключ", "three"}));
    EXPECT_EQ(reg::multiTextOf(reg::Bytes{'a', 0, 0, 0, 0, 0, 'b', 0}), (std::vector<std::string>{"a"}));
    EXPECT_EQ(reg::multiTextOf(reg::Bytes{'a', 0, 0, 0, 'b', 0}), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(reg::multiTextOf(reg::Bytes{0, 0}).empty());

    EXPECT_EQ(reg::dwordOf(reg::dwordBytes(0xFFFFFFFEu)), -2);
    EXPECT_EQ(reg::dwordOf(reg::Bytes{1, 2}), 0x0201);
    EXPECT_EQ(reg::dwordBigEndianOf(reg::Bytes{0, 0, 1, 2}), 0x0102);
    EXPECT_EQ(reg::qwordOf(reg::qwordBytes(0x0102030405060708ull)), 0x0102030405060708ll);
    EXPECT_EQ(reg::hexPairsOf(reg::Bytes{0x0A, 0xFF, 0}), "0A FF 00");
    EXPECT_EQ(reg::hexPairsOf(reg::Bytes{}), "");
}

TEST_F(RegLayer, KeysCloseThemselvesAndRootsAreNeverClosed) {
    {
        reg::Key k = scratch("Own");
        ASSERT_TRUE(k);
        reg::Key moved = std::move(k);
        EXPECT_FALSE(k);
        EXPECT_TRUE(moved);
        reg::Key root = reg::Key::root(*registry_, plat::kHkeyCurrentUser);
        EXPECT_EQ(root.get(), plat::kHkeyCurrentUser);
    }
    // The root is still usable: nobody closed it.
    long rc = -1;
    reg::Key again = reg::Key::open(*registry_, plat::kHkeyCurrentUser, ScratchKey::path("Own"), plat::kKeyRead, &rc);
    EXPECT_EQ(rc, plat::kErrorSuccess);
    EXPECT_TRUE(again);
    reg::Key missing =
        reg::Key::open(*registry_, plat::kHkeyCurrentUser, ScratchKey::path("Nope"), plat::kKeyRead, &rc);
    EXPECT_EQ(rc, plat::kErrorFileNotFound);
    EXPECT_FALSE(missing);
}

TEST_F(RegLayer, ValuesRoundTripAndReadsThatFindNothingAreEmpty) {
    reg::Key k = scratch("Values");
    ASSERT_EQ(reg::writeText(*registry_, k.get(), "text", "Caf\xC3\xA9"), 0);
    ASSERT_EQ(reg::writeText(*registry_, k.get(), "expand", "%SystemRoot%\\x", plat::kRegExpandSz), 0);
    ASSERT_EQ(reg::writeValue(*registry_, k.get(), "multi", plat::kRegMultiSz, reg::multiTextBytes({"a", "b"})), 0);
    ASSERT_EQ(reg::writeValue(*registry_, k.get(), "num", plat::kRegDword, reg::dwordBytes(7)), 0);
    const std::string big(70000, 'x');
    ASSERT_EQ(reg::writeText(*registry_, k.get(), "big", big), 0);

    EXPECT_EQ(reg::tryReadText(*registry_, k.get(), "text").value_or("<none>"), "Caf\xC3\xA9");
    EXPECT_EQ(reg::tryReadText(*registry_, k.get(), "expand").value_or("<none>"), "%SystemRoot%\\x");
    EXPECT_EQ(reg::tryReadText(*registry_, k.get(), "big").value_or("<none>"), big);
    EXPECT_FALSE(reg::tryReadText(*registry_, k.get(), "num").has_value());
    long rc = 0;
    EXPECT_FALSE(reg::tryReadValue(*registry_, k.get(), "missing", &rc).has_value());
    EXPECT_EQ(rc, plat::kErrorFileNotFound);
    auto multi = reg::tryReadValue(*registry_, k.get(), "multi");
    ASSERT_TRUE(multi.has_value());
    EXPECT_EQ(multi->type, plat::kRegMultiSz);
    EXPECT_EQ(reg::multiTextOf(multi->data), (std::vector<std::string>{"a", "b"}));
}

TEST_F(RegLayer, ListingsAreCompleteWithExactNames) {
    reg::Key k = scratch("List");
    const std::string longValue(400, 'v');
    const std::string nul("a\0b", 3);
    for (const std::string& name : {std::string("plain"), longValue, nul, std::string("  "), std::string()})
        ASSERT_EQ(reg::writeText(*registry_, k.get(), name, "d"), 0) << name.size();
    const std::string bigData(100000, 'z');
    ASSERT_EQ(reg::writeText(*registry_, k.get(), "large", bigData), 0);
    for (const std::string& sub : {std::string("  "), std::string(255, 'k'), std::string("x")})
        ASSERT_TRUE(reg::Key::create(*registry_, k.get(), sub));

    std::vector<std::string> subs = reg::subkeysOf(*registry_, k.get());
    std::sort(subs.begin(), subs.end());
    EXPECT_EQ(subs, (std::vector<std::string>{"  ", std::string(255, 'k'), "x"}));

    std::vector<reg::ValueEntry> values = reg::valuesOf(*registry_, k.get(), true, 1024);
    ASSERT_EQ(values.size(), 6u);
    std::vector<std::string> names;
    for (const auto& v : values) {
        names.push_back(v.name);
        if (v.name == "large") {
            EXPECT_FALSE(v.hasData);
        }
        if (v.name == "plain") {
            EXPECT_TRUE(v.hasData);
            EXPECT_EQ(reg::textOf(v.data), "d");
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> want{"plain", longValue, nul, "  ", "", "large"};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(names, want);
    EXPECT_TRUE(reg::subkeysOf(*registry_, 0).empty());
    EXPECT_TRUE(reg::valuesOf(*registry_, 0).empty());
}

}  // namespace

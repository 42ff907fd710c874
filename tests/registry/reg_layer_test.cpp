// The one registry layer (self-closing keys, value decoders and encoders, complete listings)
// on the test registry: in-memory natively, the real one under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "common/registry/reg_enum.h"
#include "common/registry/mdl_registry.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_roots.h"
#include "common/registry/reg_value.h"
#include "common/registry/reg_script.h"
#include "common/text/text.h"
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

// The one root-name table and each lookup the programs make of it: the whole table in exact
// case (the cleaner's location texts, the search), the common roots in any case (the cleaner's
// uninstall list), the common roots for registry files.
TEST(RegRoots, EveryLookupIsAPolicyOverTheOneTable) {
    using reg::NameCase;
    using reg::Roots;
    struct Case {
        const char* name;
        plat::RegHandle all, allAnyCase, common, commonAnyCase;
    };
    const Case cases[] = {
        {"HKEY_CLASSES_ROOT", 0x80000000u, 0x80000000u, 0x80000000u, 0x80000000u},
        {"HKEY_CURRENT_USER", 0x80000001u, 0x80000001u, 0x80000001u, 0x80000001u},
        {"HKEY_LOCAL_MACHINE", 0x80000002u, 0x80000002u, 0x80000002u, 0x80000002u},
        {"HKEY_USERS", 0x80000003u, 0x80000003u, 0x80000003u, 0x80000003u},
        {"HKEY_PERFORMANCE_DATA", 0x80000004u, 0x80000004u, 0, 0},
        {"HKEY_CURRENT_CONFIG", 0x80000005u, 0x80000005u, 0x80000005u, 0x80000005u},
        {"HKEY_DYN_DATA", 0x80000006u, 0x80000006u, 0, 0},
        {"hkey_users", 0, 0x80000003u, 0, 0x80000003u},
        {"Hkey_Dyn_Data", 0, 0x80000006u, 0, 0},
        {"HKCU", 0, 0, 0, 0},
        {"HKEY_USERS ", 0, 0, 0, 0},  // callers trim; the table does not
        {"", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reg::rootOfName(c.name, Roots::All, NameCase::Exact), c.all);
        EXPECT_EQ(reg::rootOfName(c.name, Roots::All, NameCase::Any), c.allAnyCase);
        EXPECT_EQ(reg::rootOfName(c.name, Roots::Common, NameCase::Exact), c.common);
        EXPECT_EQ(reg::rootOfName(c.name, Roots::Common, NameCase::Any), c.commonAnyCase);
        // The cleaner's named lookups are these policies (a location's root is trimmed first).
        EXPECT_EQ(mdlreg::StripHkey(std::string(c.name) + "\\Software"),
                  reg::rootOfName(text::trim(c.name), Roots::All, NameCase::Exact));
        EXPECT_EQ(mdlreg::RootHandleOf(c.name), c.commonAnyCase);
    }
    // Names of handles: each full name once, and nothing for what is not a root.
    for (const reg::RootName& r : reg::kRootNames) {
        EXPECT_STREQ(reg::nameOfRoot(r.handle, Roots::All), r.name);
        EXPECT_EQ(reg::nameOfRoot(r.handle, Roots::Common) != nullptr, r.common) << r.name;
        EXPECT_EQ(mdlreg::HkeyName(r.handle), r.name);
        EXPECT_EQ(mdlreg::RootNameOf(r.handle), r.common ? r.name : "");
        EXPECT_EQ(reg::scriptRootName(r.handle), reg::nameOfRoot(r.handle, Roots::Common));
    }
    EXPECT_EQ(mdlreg::StripHkey(" HKEY_USERS \\S-1"), plat::kHkeyUsers);
    EXPECT_EQ(mdlreg::StripHkey("HKEY_USERS"), 0u);  // not a location: no backslash
    for (plat::RegHandle h : {0u, 0x80000007u, 0x7FFFFFFFu, 0x1234u}) {
        EXPECT_EQ(reg::nameOfRoot(h, Roots::All), nullptr) << h;
        EXPECT_EQ(mdlreg::HkeyName(h), "");
    }
}

// A try... read gives nullopt for what is not there; the calls that are not try... give the
// platform's code.
TEST_F(RegLayer, TryReadsGiveNothingForMissingKeysAndValues) {
    reg::Key k = scratch("Try");
    ASSERT_EQ(reg::writeText(*registry_, k.get(), "there", "x"), 0);

    long rc = 0;
    EXPECT_FALSE(reg::tryReadValue(*registry_, k.get(), "missing", &rc).has_value());
    EXPECT_EQ(rc, plat::kErrorFileNotFound);
    EXPECT_FALSE(reg::tryReadText(*registry_, k.get(), "missing").has_value());
    EXPECT_EQ(reg::tryReadText(*registry_, k.get(), "there").value_or("<none>"), "x");
    uint32_t type = 9, size = 9;
    EXPECT_EQ(reg::queryValue(*registry_, k.get(), "missing", &type, &size), plat::kErrorFileNotFound);
    EXPECT_EQ(reg::deleteValue(*registry_, k.get(), "missing"), plat::kErrorFileNotFound);

    const std::optional<plat::KeyInfo> info = reg::tryKeyInfo(*registry_, k.get());
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->values, 1u);
    EXPECT_EQ(info->subKeys, 0u);

    // A key that is not there: no handle, and every read of "no key" gives nothing.
    const reg::Key missing = reg::Key::open(*registry_, k.get(), "Missing", plat::kKeyRead, &rc);
    EXPECT_FALSE(missing);
    EXPECT_EQ(rc, plat::kErrorFileNotFound);
    EXPECT_FALSE(reg::tryKeyInfo(*registry_, missing.get()).has_value());
    EXPECT_FALSE(reg::tryReadValue(*registry_, missing.get(), "there").has_value());
    EXPECT_FALSE(reg::tryReadText(*registry_, missing.get(), "there").has_value());
}

// The single calls the programs make through the layer: each gives the platform's code and
// what the platform gives, buffers included.
TEST_F(RegLayer, SingleCallsGiveThePlatformsCodes) {
    reg::Key k = scratch("Calls");
    bool created = false;
    long rc = -1;
    reg::Key child = reg::Key::createWith(*registry_, k.get(), "Child", plat::kKeyAllAccess, &rc, &created);
    ASSERT_TRUE(child);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(created);
    reg::Key again = reg::Key::createWith(*registry_, k.get(), "Child", plat::kKeyRead, &rc, &created);
    EXPECT_TRUE(again);
    EXPECT_FALSE(created);
    ASSERT_TRUE(reg::Key::create(*registry_, child.get(), "Grandchild"));
    child.reset();
    again.reset();

    // A key with subkeys is refused; without them it goes.
    EXPECT_NE(reg::deleteKey(*registry_, k.get(), "Child"), 0);
    EXPECT_EQ(reg::deleteKey(*registry_, k.get(), "Child\\Grandchild"), 0);
    EXPECT_EQ(reg::deleteKey(*registry_, k.get(), "Child"), 0);
    EXPECT_EQ(reg::deleteKey(*registry_, k.get(), "Child"), plat::kErrorFileNotFound);

    // Names by index: a buffer too small says so; past the last there are no more.
    ASSERT_TRUE(reg::Key::create(*registry_, k.get(), "LongerName"));
    std::string name;
    EXPECT_EQ(reg::enumKeyName(*registry_, k.get(), 0, 261, &name), 0);
    EXPECT_EQ(name, "LongerName");
    EXPECT_EQ(reg::enumKeyName(*registry_, k.get(), 0, 4, &name), plat::kErrorMoreData);
    EXPECT_EQ(reg::enumKeyName(*registry_, k.get(), 1, 261, &name), plat::kErrorNoMoreItems);

    // One value by index: data that does not fit still gives name, type and size.
    const std::string text(200, 't');
    ASSERT_EQ(reg::writeText(*registry_, k.get(), "v", text, plat::kRegExpandSz), 0);
    reg::ValueEntry e;
    uint32_t chars = 261;
    EXPECT_EQ(reg::enumValueAt(*registry_, k.get(), 0, &chars, true, 64, &e), plat::kErrorMoreData);
    EXPECT_EQ(e.name, "v");
    EXPECT_EQ(e.type, plat::kRegExpandSz);
    EXPECT_EQ(e.size, 402u);
    EXPECT_FALSE(e.hasData);
    EXPECT_TRUE(e.data.empty());
    chars = 261;
    EXPECT_EQ(reg::enumValueAt(*registry_, k.get(), 0, &chars, true, 402, &e), 0);
    EXPECT_TRUE(e.hasData);
    EXPECT_EQ(reg::textOf(e.data), text);
    chars = 261;
    EXPECT_EQ(reg::enumValueAt(*registry_, k.get(), 1, &chars, true, 402, &e), plat::kErrorNoMoreItems);

    // A read with a fixed buffer, and the size query before it.
    uint32_t type = 0, size = 0;
    EXPECT_EQ(reg::queryValue(*registry_, k.get(), "v", &type, &size), 0);
    EXPECT_EQ(size, 402u);
    reg::Bytes data;
    EXPECT_EQ(reg::readValue(*registry_, k.get(), "v", 10, &data, &type), plat::kErrorMoreData);
    EXPECT_EQ(reg::readValue(*registry_, k.get(), "v", size, &data, &type), 0);
    EXPECT_EQ(type, plat::kRegExpandSz);
    EXPECT_EQ(reg::textOf(data), text);

    // The key's full name ends with its own path, whatever the registry calls the root.
    std::string full;
    ASSERT_EQ(reg::keyName(*registry_, k.get(), &full), 0);
    const std::string tail = "\\" + ScratchKey::path("Calls");
    ASSERT_GE(full.size(), tail.size());
    EXPECT_TRUE(text::equalNoCase(full.substr(full.size() - tail.size()), tail)) << full;

    // A handle given away is the caller's to close.
    reg::Key own = reg::Key::open(*registry_, k.get(), "LongerName", plat::kKeyRead);
    const plat::RegHandle h = own.release();
    EXPECT_FALSE(own);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(registry_->closeKey(h), 0);
}

}  // namespace

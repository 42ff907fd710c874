// One contract for the registry service, run natively against the in-memory substitute and
// under Wine against the real registry. Where the two disagree, the substitute is wrong.
// Value order differs between Windows (creation order) and Wine (name order), so no test here
// depends on the order of values; subkeys come in name order on both.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "common/text/text.h"
#include "tests/support/reg_file.h"
#include "tests/support/test_registry.h"

namespace {

using namespace plat;
using testsupport::ScratchKey;

std::vector<uint8_t> u16(const std::string& s, bool nul = true) {
    std::vector<uint8_t> d = regfile::sz("", s).data;
    if (!nul) d.resize(d.size() - 2);
    return d;
}

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        reg_ = testsupport::makeTestRegistry();
        scratch_ = std::make_unique<ScratchKey>(*reg_);
        ASSERT_NE(scratch_->handle(), 0u);
        base_ = scratch_->handle();
    }
    void TearDown() override { scratch_.reset(); }

    RegHandle create(const std::string& sub) {
        RegHandle h = 0;
        EXPECT_EQ(reg_->createKey(base_, sub, &h), kErrorSuccess) << sub;
        return h;
    }
    void set(RegHandle h, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
        ASSERT_EQ(reg_->setValueEx(h, name, type, data.data(), static_cast<uint32_t>(data.size())), kErrorSuccess)
            << name;
    }
    std::vector<std::string> subkeys(RegHandle h) {
        std::vector<std::string> names;
        for (uint32_t i = 0;; ++i) {
            std::string n;
            const long rc = reg_->enumKey(h, i, 300, &n);
            if (rc == kErrorNoMoreItems) break;
            EXPECT_EQ(rc, kErrorSuccess);
            if (rc != kErrorSuccess) break;
            names.push_back(n);
        }
        return names;
    }
    struct Val {
        uint32_t type;
        std::vector<uint8_t> data;
    };
    std::map<std::string, Val> values(RegHandle h) {
        std::map<std::string, Val> out;
        for (uint32_t i = 0;; ++i) {
            std::string n;
            uint32_t nameChars = 300, type = 99, bytes = 1 << 20;
            std::vector<uint8_t> data;
            const long rc = reg_->enumValue(h, i, &n, &nameChars, &type, &data, &bytes);
            if (rc == kErrorNoMoreItems) break;
            EXPECT_EQ(rc, kErrorSuccess);
            if (rc != kErrorSuccess) break;
            EXPECT_EQ(nameChars, text::toUtf16(n).size());
            EXPECT_EQ(bytes, data.size());
            out[n] = Val{type, data};
        }
        return out;
    }

    std::unique_ptr<Registry> reg_;
    std::unique_ptr<ScratchKey> scratch_;
    RegHandle base_ = 0;
};

TEST_F(RegistryContract, NamesAreCaseInsensitiveAndKeepTheirCase) {
    bool created = false;
    RegHandle h = 0;
    ASSERT_EQ(reg_->createKeyEx(base_, "MixedCase", kKeyAllAccess, &h, &created), kErrorSuccess);
    EXPECT_TRUE(created);
    reg_->closeKey(h);
    ASSERT_EQ(reg_->createKeyEx(base_, "MIXEDCASE", kKeyAllAccess, &h, &created), kErrorSuccess);
    EXPECT_FALSE(created);
    reg_->closeKey(h);
    ASSERT_EQ(reg_->openKeyEx(kHkeyCurrentUser, ScratchKey::path("mixedcase"), kKeyRead, &h), kErrorSuccess);
    reg_->closeKey(h);
    EXPECT_EQ(subkeys(base_), std::vector<std::string>{"MixedCase"});

    h = create("Vals");
    set(h, "Foo", kRegDword, {1, 0, 0, 0});
    set(h, "FOO", kRegDword, {2, 0, 0, 0});
    auto v = values(h);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v.begin()->second.data, (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_TRUE(text::equalNoCase(v.begin()->first, "foo"));
    EXPECT_EQ(reg_->deleteValue(h, "fOO"), kErrorSuccess);
    EXPECT_EQ(reg_->deleteValue(h, "foo"), kErrorFileNotFound);
    reg_->closeKey(h);
}

TEST_F(RegistryContract, MissingKeysAndValuesGiveFileNotFound) {
    RegHandle h = 123;
    EXPECT_EQ(reg_->openKeyEx(base_, "NoSuchKey", kKeyRead, &h), kErrorFileNotFound);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(reg_->openKey(base_, "NoSuchKey\\Deeper", &h), kErrorFileNotFound);
    uint32_t type = 0, bytes = 0;
    EXPECT_EQ(reg_->queryValueEx(base_, "NoSuchValue", &type, nullptr, &bytes), kErrorFileNotFound);
    EXPECT_EQ(reg_->queryValueEx(base_, "", &type, nullptr, &bytes), kErrorFileNotFound);  // no default set
    EXPECT_EQ(reg_->deleteValue(base_, "NoSuchValue"), kErrorFileNotFound);
    EXPECT_EQ(reg_->deleteKey(base_, "NoSuchKey"), kErrorFileNotFound);
}

// Wine orders by lower-cased units ("a_" before "aB"); the substitute follows it.
TEST_F(RegistryContract, SubkeysComeInRegistryNameOrder) {
    for (const char* n : {"b", "A", "a_", "aB", "C", "\xc3\xa9t\xc3\xa9", "Z1", "z0"}) reg_->closeKey(create(n));
    EXPECT_EQ(subkeys(base_), (std::vector<std::string>{"A", "a_", "aB", "b", "C", "z0", "Z1", "\xc3\xa9t\xc3\xa9"}));
    std::string name = "x";
    EXPECT_EQ(reg_->enumKey(base_, 8, 300, &name), kErrorNoMoreItems);
}

TEST_F(RegistryContract, EnumKeyReportsMoreDataWhenTheNameAndNulDoNotFit) {
    reg_->closeKey(create("abcdef"));
    std::string name;
    EXPECT_EQ(reg_->enumKey(base_, 0, 6, &name), kErrorMoreData);
    EXPECT_EQ(name, "");
    EXPECT_EQ(reg_->enumKey(base_, 0, 7, &name), kErrorSuccess);
    EXPECT_EQ(name, "abcdef");
}

TEST_F(RegistryContract, NonLatinKeyAndValueNamesStayExact) {
    const std::string key = "\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87";                                   // Ключ
    const std::string keyUpper = "\xd0\x9a\xd0\x9b\xd0\xae\xd0\xa7";                              // КЛЮЧ
    const std::string val = "\xd0\x98\xd0\xbc\xd1\x8f";                                           // Имя
    const std::string valLower = "\xd0\xb8\xd0\xbc\xd1\x8f";                                      // имя
    const std::string data = "\xd0\x97\xd0\xbd\xd0\xb0\xd1\x87\xd0\xb5\xd0\xbd\xd0\xb8\xd0\xb5";  // Значение
    const std::string cjk = "\xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80";                          // 中文 + emoji pair
    RegHandle h = create(key);
    set(h, val, kRegSz, u16(data));
    set(h, cjk, kRegSz, u16(cjk));
    reg_->closeKey(h);
    reg_->closeKey(create(cjk));

    ASSERT_EQ(reg_->openKeyEx(base_, keyUpper, kKeyRead, &h), kErrorSuccess);
    uint32_t type = 0, bytes = 100;
    std::vector<uint8_t> got;
    ASSERT_EQ(reg_->queryValueEx(h, valLower, &type, &got, &bytes), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(got, u16(data));
    auto v = values(h);
    ASSERT_EQ(v.count(val), 1u);
    ASSERT_EQ(v.count(cjk), 1u);
    EXPECT_EQ(v[cjk].data, u16(cjk));
    KeyInfo info;
    ASSERT_EQ(reg_->queryInfoKey(h, &info), kErrorSuccess);
    EXPECT_EQ(info.maxValueNameLen, 5u);  // 中文, space, one surrogate pair = 5 units
    reg_->closeKey(h);

    std::vector<std::string> names = subkeys(base_);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{key, cjk}));
    ASSERT_EQ(reg_->queryInfoKey(base_, &info), kErrorSuccess);
    EXPECT_EQ(info.maxSubKeyLen, 5u);
    EXPECT_EQ(reg_->deleteKey(base_, keyUpper), kErrorSuccess);
    EXPECT_EQ(reg_->openKeyEx(base_, key, kKeyRead, &h), kErrorFileNotFound);
}

TEST_F(RegistryContract, OddDataRoundTripsByteForByte) {
    const std::vector<std::pair<std::string, std::pair<uint32_t, std::vector<uint8_t>>>> cases = {
        {"NoTerminator", {kRegSz, u16("abc", false)}},
        {"OddByteCount", {kRegSz, {'a', 0, 'b', 0, 'c'}}},
        {"EmbeddedNul", {kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0}}},
        {"ZeroBytes", {kRegSz, {}}},
        {"ZeroBytesBinary", {kRegBinary, {}}},
        {"ExpandNoNul", {kRegExpandSz, u16("%TEMP%\\y", false)}},
        {"MultiOneNul", {kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0}}},
        {"ShortDword", {kRegDword, {1, 2}}},
        {"LongDword", {kRegDword, {1, 2, 3, 4, 5, 6}}},
        {"TypeNone", {kRegNone, {9, 8, 7}}},
        {"OddType", {0x1234, {1}}},
        {"Big", {kRegBinary, std::vector<uint8_t>(100000, 0x5A)}},
    };
    for (const auto& [name, tv] : cases) set(base_, name, tv.first, tv.second);
    auto v = values(base_);
    ASSERT_EQ(v.size(), cases.size());
    for (const auto& [name, tv] : cases) {
        SCOPED_TRACE(name);
        uint32_t type = 0, bytes = 200000;
        std::vector<uint8_t> got;
        ASSERT_EQ(reg_->queryValueEx(base_, name, &type, &got, &bytes), kErrorSuccess);
        EXPECT_EQ(type, tv.first);
        EXPECT_EQ(got, tv.second);
        EXPECT_EQ(bytes, tv.second.size());
        EXPECT_EQ(v[name].type, tv.first);
        EXPECT_EQ(v[name].data, tv.second);
    }
}

TEST_F(RegistryContract, DataThatDoesNotFitGivesMoreDataAndTheSizeNeeded) {
    const std::vector<uint8_t> big(300, 0x41);
    set(base_, "Big", kRegBinary, big);
    uint32_t type = 0, bytes = 255;
    std::vector<uint8_t> got{1, 2, 3};
    EXPECT_EQ(reg_->queryValueEx(base_, "Big", &type, &got, &bytes), kErrorMoreData);
    EXPECT_EQ(bytes, 300u);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_TRUE(got.empty());

    // Size only.
    bytes = 0;
    type = 0;
    EXPECT_EQ(reg_->queryValueEx(base_, "Big", &type, nullptr, &bytes), kErrorSuccess);
    EXPECT_EQ(bytes, 300u);
    EXPECT_EQ(type, kRegBinary);

    // Exactly fitting.
    bytes = 300;
    EXPECT_EQ(reg_->queryValueEx(base_, "Big", &type, &got, &bytes), kErrorSuccess);
    EXPECT_EQ(got, big);

    // Enumeration: name and type still come back with the size needed.
    std::string name;
    uint32_t nameChars = 261;
    bytes = 255;
    type = 0;
    EXPECT_EQ(reg_->enumValue(base_, 0, &name, &nameChars, &type, &got, &bytes), kErrorMoreData);
    EXPECT_EQ(name, "Big");
    EXPECT_EQ(nameChars, 3u);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(bytes, 300u);
    EXPECT_TRUE(got.empty());

    // Size only through the enumeration.
    nameChars = 261;
    bytes = 0;
    EXPECT_EQ(reg_->enumValue(base_, 0, &name, &nameChars, &type, nullptr, &bytes), kErrorSuccess);
    EXPECT_EQ(bytes, 300u);
}

TEST_F(RegistryContract, EnumValueNameThatDoesNotFitGivesMoreData) {
    set(base_, "abcdef", kRegDword, {1, 0, 0, 0});
    std::string name = "x";
    uint32_t nameChars = 6, type = 0, bytes = 4;
    std::vector<uint8_t> data;
    EXPECT_EQ(reg_->enumValue(base_, 0, &name, &nameChars, &type, &data, &bytes), kErrorMoreData);
    EXPECT_EQ(name, "");
    nameChars = 7;
    EXPECT_EQ(reg_->enumValue(base_, 0, &name, &nameChars, &type, &data, &bytes), kErrorSuccess);
    EXPECT_EQ(name, "abcdef");
    EXPECT_EQ(nameChars, 6u);
    EXPECT_EQ(reg_->enumValue(base_, 1, &name, &nameChars, &type, &data, &bytes), kErrorNoMoreItems);
}

TEST_F(RegistryContract, DefaultValueIsTheEmptyName) {
    set(base_, "", kRegSz, u16("dflt"));
    uint32_t type = 0, bytes = 64;
    std::vector<uint8_t> got;
    EXPECT_EQ(reg_->queryValueEx(base_, "", &type, &got, &bytes), kErrorSuccess);
    EXPECT_EQ(got, u16("dflt"));
    auto v = values(base_);
    ASSERT_EQ(v.count(""), 1u);
    EXPECT_EQ(reg_->deleteValue(base_, ""), kErrorSuccess);
    EXPECT_EQ(reg_->queryValueEx(base_, "", &type, nullptr, &bytes), kErrorFileNotFound);
}

TEST_F(RegistryContract, QueryInfoKeyCountsAndMaxima) {
    reg_->closeKey(create("k1"));
    reg_->closeKey(create("longer-name"));
    set(base_, "v", kRegBinary, std::vector<uint8_t>(10));
    set(base_, "value-two", kRegBinary, std::vector<uint8_t>(77));
    KeyInfo info;
    ASSERT_EQ(reg_->queryInfoKey(base_, &info), kErrorSuccess);
    EXPECT_EQ(info.subKeys, 2u);
    EXPECT_EQ(info.values, 2u);
    EXPECT_EQ(info.maxSubKeyLen, 11u);
    EXPECT_EQ(info.maxValueNameLen, 9u);
    EXPECT_EQ(info.maxValueLen, 77u);
}

TEST_F(RegistryContract, DeletingAKeyWithSubkeysIsRefused) {
    reg_->closeKey(create("Parent\\Child"));
    EXPECT_EQ(reg_->deleteKey(base_, "Parent"), kErrorAccessDenied);
    EXPECT_EQ(reg_->deleteKey(base_, "Parent\\Child"), kErrorSuccess);
    EXPECT_EQ(reg_->deleteKey(base_, "Parent"), kErrorSuccess);
    EXPECT_TRUE(subkeys(base_).empty());
}

TEST_F(RegistryContract, HandleOfADeletedKeyReportsKeyDeleted) {
    RegHandle h = create("Doomed");
    set(h, "v", kRegDword, {1, 0, 0, 0});
    EXPECT_EQ(reg_->deleteKey(base_, "Doomed"), kErrorSuccess);
    std::string name;
    EXPECT_EQ(reg_->enumKey(h, 0, 100, &name), kErrorKeyDeleted);
    uint32_t type = 0, bytes = 0;
    EXPECT_EQ(reg_->queryValueEx(h, "v", &type, nullptr, &bytes), kErrorKeyDeleted);
    const uint8_t one = 1;
    EXPECT_EQ(reg_->setValueEx(h, "w", kRegBinary, &one, 1), kErrorKeyDeleted);
    EXPECT_EQ(reg_->closeKey(h), kErrorSuccess);

    // A handle may delete its own key (empty subkey name).
    h = create("Self");
    EXPECT_EQ(reg_->deleteKey(h, ""), kErrorSuccess);
    EXPECT_EQ(reg_->enumKey(h, 0, 100, &name), kErrorKeyDeleted);
    reg_->closeKey(h);
    EXPECT_TRUE(subkeys(base_).empty());
}

TEST_F(RegistryContract, HandleRightsAreEnforced) {
    reg_->closeKey(create("Sub"));
    RegHandle ro = 0;
    ASSERT_EQ(reg_->openKeyEx(base_, "", kKeyRead, &ro), kErrorSuccess);
    const uint8_t one = 1;
    EXPECT_EQ(reg_->setValueEx(ro, "x", kRegBinary, &one, 1), kErrorAccessDenied);
    EXPECT_EQ(reg_->deleteValue(ro, "x"), kErrorAccessDenied);
    EXPECT_EQ(subkeys(ro), std::vector<std::string>{"Sub"});
    reg_->closeKey(ro);

    RegHandle wo = 0;
    ASSERT_EQ(reg_->openKeyEx(base_, "", kKeySetValue, &wo), kErrorSuccess);
    EXPECT_EQ(reg_->setValueEx(wo, "x", kRegBinary, &one, 1), kErrorSuccess);
    std::string name;
    EXPECT_EQ(reg_->enumKey(wo, 0, 100, &name), kErrorAccessDenied);
    uint32_t type = 0, bytes = 0;
    EXPECT_EQ(reg_->queryValueEx(wo, "x", &type, nullptr, &bytes), kErrorAccessDenied);
    KeyInfo info;
    EXPECT_EQ(reg_->queryInfoKey(wo, &info), kErrorSuccess);  // counts need no right
    EXPECT_EQ(info.values, 1u);
    reg_->closeKey(wo);

    // Creating and deleting subkeys is a matter of the subkey, not of the parent handle's rights.
    ASSERT_EQ(reg_->openKeyEx(base_, "", kKeyRead, &ro), kErrorSuccess);
    RegHandle child = 0;
    ASSERT_EQ(reg_->createKey(ro, "Child", &child), kErrorSuccess);
    reg_->closeKey(child);
    EXPECT_EQ(reg_->deleteKey(ro, "Child"), kErrorSuccess);
    reg_->closeKey(ro);
}

TEST_F(RegistryContract, BadHandlesAndPredefinedRoots) {
    std::string name;
    EXPECT_EQ(reg_->enumKey(0, 0, 100, &name), kErrorInvalidHandle);
    uint32_t type = 0, bytes = 0;
    EXPECT_EQ(reg_->queryValueEx(0, "x", &type, nullptr, &bytes), kErrorInvalidHandle);
    RegHandle h = 0;
    EXPECT_EQ(reg_->openKeyEx(0, "Software", kKeyRead, &h), kErrorInvalidHandle);
    EXPECT_EQ(reg_->closeKey(0), kErrorInvalidHandle);
    EXPECT_EQ(reg_->closeKey(kHkeyCurrentUser), kErrorSuccess);
    // The root still works after "closing" it.
    ASSERT_EQ(reg_->openKeyEx(kHkeyCurrentUser, ScratchKey::path(), kKeyRead, &h), kErrorSuccess);
    reg_->closeKey(h);
}

TEST_F(RegistryContract, OpenKeyOfTheEmptyPathGivesTheSameHandle) {
    RegHandle h = 0;
    ASSERT_EQ(reg_->openKey(base_, "", &h), kErrorSuccess);
    EXPECT_EQ(h, base_);
    // openKeyEx makes a new handle of the same key.
    RegHandle h2 = 0;
    ASSERT_EQ(reg_->openKeyEx(base_, "", kKeyRead, &h2), kErrorSuccess);
    EXPECT_NE(h2, base_);
    EXPECT_EQ(reg_->closeKey(h2), kErrorSuccess);
}

TEST_F(RegistryContract, PathSyntax) {
    reg_->closeKey(create("a\\b"));
    RegHandle h = 0;
    ASSERT_EQ(reg_->openKeyEx(base_, "a\\b\\", kKeyRead, &h), kErrorSuccess);  // trailing backslash
    reg_->closeKey(h);
    ASSERT_EQ(reg_->openKeyEx(base_, "a\\\\b", kKeyRead, &h), kErrorSuccess);  // doubled backslash
    reg_->closeKey(h);
    EXPECT_EQ(reg_->openKeyEx(base_, "\\a", kKeyRead, &h), 161);  // leading backslash
    const std::string longest(256, 'n');
    ASSERT_EQ(reg_->createKey(base_, longest, &h), kErrorSuccess);
    reg_->closeKey(h);
    EXPECT_EQ(reg_->createKey(base_, longest + "n", &h), kErrorInvalidParameter);
    EXPECT_EQ(reg_->openKeyEx(base_, longest + "n", kKeyRead, &h), kErrorInvalidParameter);
    EXPECT_EQ(reg_->deleteKey(base_, "\\a"), 161);
    const std::string longestValue(16383, 'v');
    const uint8_t one = 1;
    EXPECT_EQ(reg_->setValueEx(base_, longestValue, kRegBinary, &one, 1), kErrorSuccess);
    EXPECT_EQ(reg_->setValueEx(base_, longestValue + "v", kRegBinary, &one, 1), kErrorInvalidParameter);
}

TEST_F(RegistryContract, CurrentUserIsAlsoSeenBelowUsers) {
    set(base_, "seen", kRegDword, {7, 0, 0, 0});
    RegHandle h = 0;
    ASSERT_EQ(reg_->openKeyEx(kHkeyUsers, "S-1-5-21-0-0-0-1000\\" + ScratchKey::path(), kKeyRead, &h), kErrorSuccess);
    uint32_t type = 0, bytes = 4;
    std::vector<uint8_t> got;
    EXPECT_EQ(reg_->queryValueEx(h, "seen", &type, &got, &bytes), kErrorSuccess);
    EXPECT_EQ(got, (std::vector<uint8_t>{7, 0, 0, 0}));
    reg_->closeKey(h);
}

TEST_F(RegistryContract, DeletedAndRecreatedValueAndKeyStartFresh) {
    RegHandle h = create("Again");
    set(h, "v", kRegSz, u16("old"));
    reg_->closeKey(h);
    ASSERT_EQ(reg_->deleteKey(base_, "Again"), kErrorSuccess);
    h = create("Again");
    auto v = values(h);
    EXPECT_TRUE(v.empty());
    reg_->closeKey(h);
}

// Names are counted strings: a value whose name holds a NUL is its own value, and every call
// addresses it whole, never the shorter name before the NUL.
TEST_F(RegistryContract, ValueNamesWithANulAreAddressedWhole) {
    RegHandle h = create("Nul");
    const std::string hidden("abc\0hidden", 10);
    const std::string leading("\0hidden2", 8);
    set(h, "abc", kRegSz, u16("plain"));
    set(h, "", kRegSz, u16("default"));
    set(h, hidden, kRegSz, u16("C:\\gone\\a.exe"));
    set(h, leading, kRegBinary, {1, 2, 3});

    auto v = values(h);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v.count(hidden), 1u);
    EXPECT_EQ(v.count(leading), 1u);

    uint32_t type = 0, bytes = 64;
    std::vector<uint8_t> data;
    ASSERT_EQ(reg_->queryValueEx(h, hidden, &type, &data, &bytes), kErrorSuccess);
    EXPECT_EQ(data, u16("C:\\gone\\a.exe"));
    bytes = 1;
    EXPECT_EQ(reg_->queryValueEx(h, leading, &type, &data, &bytes), kErrorMoreData);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(bytes, 3u);

    EXPECT_EQ(reg_->deleteValue(h, hidden), kErrorSuccess);
    EXPECT_EQ(reg_->deleteValue(h, leading), kErrorSuccess);
    EXPECT_EQ(reg_->deleteValue(h, leading), kErrorFileNotFound);
    v = values(h);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v["abc"].data, u16("plain"));
    EXPECT_EQ(v[""].data, u16("default"));
    reg_->closeKey(h);
}

// ---- the two views of a 64-bit system, key names and links ----

bool endsWithNoCase(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && text::equalNoCase(s.substr(s.size() - tail.size()), tail);
}

class RegistryViews : public RegistryContract {
protected:
    // HKLM\Software\ScourlineContractTest\<pid>[\sub] as a 64-bit program names it, and where a
    // 32-bit program's key of that name is.
    static std::string machine(const std::string& sub = "") { return ScratchKey::path(sub); }
    static std::string wow(const std::string& sub = "") {
        return "Software\\Wow6432Node" + ScratchKey::path(sub).substr(std::string("Software").size());
    }
    void TearDown() override {
        regfile::deleteTree(*reg_, kHkeyLocalMachine, machine());
        regfile::deleteTree(*reg_, kHkeyLocalMachine, wow());
        RegistryContract::TearDown();
    }
    // The full name of root\path opened with `sam`; "" when it cannot be opened.
    std::string nameOf(RegHandle root, const std::string& path, uint32_t sam = kKeyRead) {
        RegHandle h = 0;
        if (reg_->openKeyEx(root, path, sam, &h) != kErrorSuccess) return "";
        std::string name;
        EXPECT_EQ(reg_->queryKeyName(h, &name), kErrorSuccess);
        reg_->closeKey(h);
        return name;
    }
};

TEST_F(RegistryViews, ThirtyTwoBitOpensOfMachineSoftwareGoBelowWow6432Node) {
    RegHandle h = 0;
    bool created = false;
    ASSERT_EQ(reg_->createKeyEx(kHkeyLocalMachine, machine("Only32"), kKeyAllAccess | kKeyWow64_32Key, &h, &created),
              kErrorSuccess);
    EXPECT_TRUE(created);
    set(h, "v", kRegDword, {3, 0, 0, 0});
    reg_->closeKey(h);

    EXPECT_EQ(reg_->openKeyEx(kHkeyLocalMachine, machine("Only32"), kKeyRead, &h), kErrorFileNotFound);
    ASSERT_EQ(reg_->openKeyEx(kHkeyLocalMachine, wow("Only32"), kKeyRead, &h), kErrorSuccess);
    EXPECT_EQ(values(h)["v"].data, (std::vector<uint8_t>{3, 0, 0, 0}));
    reg_->closeKey(h);

    const std::string real = nameOf(kHkeyLocalMachine, wow("Only32"));
    EXPECT_TRUE(endsWithNoCase(real, "\\" + wow("Only32"))) << real;
    EXPECT_EQ(text::toUpper(nameOf(kHkeyLocalMachine, machine("Only32"), kKeyRead | kKeyWow64_32Key)),
              text::toUpper(real));
    EXPECT_TRUE(
        endsWithNoCase(nameOf(kHkeyLocalMachine, "Software", kKeyRead | kKeyWow64_32Key), "\\Software\\Wow6432Node"));
    EXPECT_TRUE(endsWithNoCase(nameOf(kHkeyLocalMachine, "Software", kKeyRead | kKeyWow64_64Key), "\\Software"));

    EXPECT_EQ(reg_->deleteKeyEx(kHkeyLocalMachine, machine("Only32"), kKeyWow64_32Key), kErrorSuccess);
    EXPECT_EQ(reg_->openKeyEx(kHkeyLocalMachine, wow("Only32"), kKeyRead, &h), kErrorFileNotFound);
}

TEST_F(RegistryViews, KeysOutsideMachineSoftwareAreOneKeyInBothViews) {
    RegHandle h = 0;
    ASSERT_EQ(reg_->createKey(kHkeyLocalMachine, "System", &h), kErrorSuccess);
    reg_->closeKey(h);
    const std::string system = nameOf(kHkeyLocalMachine, "System", kKeyRead | kKeyWow64_64Key);
    EXPECT_TRUE(endsWithNoCase(system, "\\System")) << system;
    EXPECT_EQ(text::toUpper(nameOf(kHkeyLocalMachine, "System", kKeyRead | kKeyWow64_32Key)), text::toUpper(system));
    // The current user's software key is shared.
    reg_->closeKey(create("Mine"));
    EXPECT_EQ(text::toUpper(nameOf(kHkeyCurrentUser, ScratchKey::path("Mine"), kKeyRead | kKeyWow64_32Key)),
              text::toUpper(nameOf(kHkeyCurrentUser, ScratchKey::path("Mine"))));
}

TEST_F(RegistryViews, ClassIdsAndInterfacesOfThe32BitViewAreKeptApart) {
    for (const std::string branch : {"CLSID", "Interface"}) {
        SCOPED_TRACE(branch);
        for (uint32_t view : {kKeyWow64_32Key, kKeyWow64_64Key}) {
            RegHandle h = 0;
            ASSERT_EQ(
                reg_->createKeyEx(kHkeyLocalMachine, "Software\\Classes\\" + branch, kKeyRead | view, &h, nullptr),
                kErrorSuccess);
            reg_->closeKey(h);
        }
        const std::string name32 =
            nameOf(kHkeyLocalMachine, "Software\\Classes\\" + branch, kKeyRead | kKeyWow64_32Key);
        EXPECT_TRUE(endsWithNoCase(name32, "\\Software\\Classes\\Wow6432Node\\" + branch)) << name32;
        EXPECT_EQ(text::toUpper(nameOf(kHkeyClassesRoot, branch, kKeyRead | kKeyWow64_32Key)), text::toUpper(name32));
        EXPECT_TRUE(endsWithNoCase(nameOf(kHkeyClassesRoot, branch, kKeyRead | kKeyWow64_64Key),
                                   "\\Software\\Classes\\" + branch));
    }
}

TEST_F(RegistryViews, KeyNamesNameTheKeyWhateverPathReachedIt) {
    std::string name;
    ASSERT_EQ(reg_->queryKeyName(base_, &name), kErrorSuccess);
    EXPECT_TRUE(endsWithNoCase(name, "\\S-1-5-21-0-0-0-1000\\" + ScratchKey::path())) << name;
    EXPECT_TRUE(text::equalNoCase(name.substr(0, 15), "\\REGISTRY\\USER\\")) << name;
    EXPECT_EQ(text::toUpper(nameOf(kHkeyUsers, "S-1-5-21-0-0-0-1000\\" + ScratchKey::path())), text::toUpper(name));
    EXPECT_EQ(text::toUpper(nameOf(kHkeyClassesRoot, "")),
              text::toUpper(nameOf(kHkeyLocalMachine, "Software\\Classes")));
    EXPECT_TRUE(text::equalNoCase(nameOf(kHkeyLocalMachine, "Software").substr(0, 18), "\\REGISTRY\\MACHINE\\"));
}

TEST_F(RegistryViews, LinksLeadToTheirTargetAndTakeItsName) {
    RegHandle target = create("Target");
    set(target, "v", kRegDword, {9, 0, 0, 0});
    std::string targetName;
    ASSERT_EQ(reg_->queryKeyName(target, &targetName), kErrorSuccess);
    reg_->closeKey(target);
    ASSERT_TRUE(testsupport::makeLink(*reg_, kHkeyCurrentUser, ScratchKey::path("Link"), kHkeyCurrentUser,
                                      ScratchKey::path("Target")));
    // A link back into its own key: the path grows, the key stays.
    ASSERT_TRUE(testsupport::makeLink(*reg_, kHkeyCurrentUser, ScratchKey::path("Target\\Back"), kHkeyCurrentUser,
                                      ScratchKey::path("Target")));
    EXPECT_EQ(subkeys(base_), (std::vector<std::string>{"Link", "Target"}));

    RegHandle h = 0;
    ASSERT_EQ(reg_->openKeyEx(base_, "Link", kKeyRead, &h), kErrorSuccess);
    EXPECT_EQ(values(h)["v"].data, (std::vector<uint8_t>{9, 0, 0, 0}));
    EXPECT_EQ(subkeys(h), std::vector<std::string>{"Back"});
    reg_->closeKey(h);
    EXPECT_EQ(text::toUpper(nameOf(base_, "Link")), text::toUpper(targetName));
    EXPECT_EQ(text::toUpper(nameOf(base_, "Target\\Back\\Back\\Back")), text::toUpper(targetName));

    EXPECT_TRUE(testsupport::removeLink(*reg_, kHkeyCurrentUser, ScratchKey::path("Target\\Back")));
    EXPECT_TRUE(testsupport::removeLink(*reg_, kHkeyCurrentUser, ScratchKey::path("Link")));
    EXPECT_EQ(subkeys(base_), std::vector<std::string>{"Target"});
    ASSERT_EQ(reg_->openKeyEx(base_, "Target", kKeyRead, &h), kErrorSuccess);
    EXPECT_EQ(values(h).size(), 1u);
    EXPECT_TRUE(subkeys(h).empty());
    reg_->closeKey(h);
}

}  // namespace

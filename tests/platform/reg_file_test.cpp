// The .reg fixture reader and writer: every value type, both headers and encodings, and
// errors that load nothing. Runs on the test registry (in-memory natively, real under Wine).
#include <gtest/gtest.h>

#include "common/text/text.h"
#include "tests/support/reg_file.h"
#include "tests/support/test_registry.h"

namespace {

using namespace plat;
using testsupport::ScratchKey;

std::string utf16le(const std::string& utf8) {
    // Through the writer's own conversion would test nothing; build the bytes by hand.
    std::string out = "\xFF\xFE";
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        int n;
        if (c < 0x80)
            cp = c, n = 1;
        else if (c < 0xE0)
            cp = c & 0x1F, n = 2;
        else if (c < 0xF0)
            cp = c & 0x0F, n = 3;
        else
            cp = c & 0x07, n = 4;
        for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        auto put = [&](char16_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (cp >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// Fixture texts name the scratch key as @SCRATCH@.
std::string scratch(const std::string& script) { return text::replaceAll(script, "@SCRATCH@", ScratchKey::path()); }

class RegFile : public ::testing::Test {
protected:
    void SetUp() override {
        reg_ = testsupport::makeTestRegistry();
        scratch_ = std::make_unique<ScratchKey>(*reg_);
    }
    void TearDown() override { scratch_.reset(); }

    bool value(const std::string& sub, const std::string& name, uint32_t* type, std::vector<uint8_t>* data) {
        RegHandle h = 0;
        if (reg_->openKeyEx(kHkeyCurrentUser, ScratchKey::path(sub), kKeyRead, &h) != kErrorSuccess) return false;
        uint32_t bytes = 1 << 16;
        const long rc = reg_->queryValueEx(h, name, type, data, &bytes);
        reg_->closeKey(h);
        return rc == kErrorSuccess;
    }
    bool keyExists(const std::string& sub) {
        RegHandle h = 0;
        if (reg_->openKeyEx(kHkeyCurrentUser, ScratchKey::path(sub), kKeyRead, &h) != kErrorSuccess) return false;
        reg_->closeKey(h);
        return true;
    }

    std::unique_ptr<Registry> reg_;
    std::unique_ptr<ScratchKey> scratch_;
};

const char* kUnicodeScript =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_CURRENT_USER\\@SCRATCH@\\U16]\r\n"
    "@=\"default\"\r\n"
    "\"Str\"=\"quote \\\" back \\\\ end\"\r\n"
    "\"Num\"=dword:ffffffff\r\n"
    "\"Bin\"=hex:01,ab,\\\r\n"
    "  ff\r\n"
    "\"Exp\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Empty\"=hex:\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\@SCRATCH@\\U16\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87]\r\n"
    "\"\xd0\x98\xd0\xbc\xd1\x8f\"=\"\xd0\x97\xd0\xbd\xd0\xb0\xd1\x87\xd0\xb5\xd0\xbd\xd0\xb8\xd0\xb5\"\r\n"
    "[HKCU\\@SCRATCH@\\ToDelete\\Deeper]\r\n"
    "[-HKEY_CURRENT_USER\\@SCRATCH@\\ToDelete]\r\n";

TEST_F(RegFile, LoadsEveryValueTypeFromUtf16Text) {
    std::string error;
    int line = -1;
    ASSERT_TRUE(regfile::load(*reg_, utf16le(scratch(kUnicodeScript)), &error, &line)) << error;
    EXPECT_EQ(line, 0);
    uint32_t type = 0;
    std::vector<uint8_t> d;
    ASSERT_TRUE(value("U16", "", &type, &d));
    EXPECT_EQ(d, regfile::sz("", "default").data);
    ASSERT_TRUE(value("U16", "Str", &type, &d));
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(d, regfile::sz("", "quote \" back \\ end").data);
    ASSERT_TRUE(value("U16", "Num", &type, &d));
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(d, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_TRUE(value("U16", "Bin", &type, &d));
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(d, (std::vector<uint8_t>{0x01, 0xAB, 0xFF}));
    ASSERT_TRUE(value("U16", "Exp", &type, &d));
    EXPECT_EQ(type, kRegExpandSz);
    EXPECT_EQ(d, regfile::sz("", "%TEMP%").data);
    ASSERT_TRUE(value("U16", "Multi", &type, &d));
    EXPECT_EQ(type, kRegMultiSz);
    EXPECT_EQ(d, regfile::multi("", {"a", "b"}).data);
    ASSERT_TRUE(value("U16", "Q", &type, &d));
    EXPECT_EQ(type, kRegQword);
    EXPECT_EQ(d.size(), 8u);
    ASSERT_TRUE(value("U16", "Empty", &type, &d));
    EXPECT_TRUE(d.empty());
    EXPECT_FALSE(value("U16", "Gone", &type, &d));
    ASSERT_TRUE(value("U16\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87", "\xd0\x98\xd0\xbc\xd1\x8f", &type, &d));
    EXPECT_EQ(d, regfile::sz("", "\xd0\x97\xd0\xbd\xd0\xb0\xd1\x87\xd0\xb5\xd0\xbd\xd0\xb8\xd0\xb5").data);
    EXPECT_FALSE(keyExists("ToDelete"));
}

TEST_F(RegFile, LoadsRegedit4TextInCodePage1252) {
    const std::string script =
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\@SCRATCH@\\A4]\n"
        "\"Name\"=\"gr\xF6\xDF"
        "e\"\n"
        "\"Exp\"=hex(2):25,54,45,4d,50,25,5c,79,00\n"
        "\"Multi\"=hex(7):61,00,62,00,00\n"
        "\"Bin\"=hex:f6\n";
    std::string error;
    ASSERT_TRUE(regfile::load(*reg_, scratch(script), &error)) << error;
    uint32_t type = 0;
    std::vector<uint8_t> d;
    ASSERT_TRUE(value("A4", "Name", &type, &d));
    EXPECT_EQ(d, regfile::sz("",
                             "gr\xC3\xB6\xC3\x9F"
                             "e")
                     .data);
    ASSERT_TRUE(value("A4", "Exp", &type, &d));
    EXPECT_EQ(type, kRegExpandSz);
    EXPECT_EQ(d, regfile::sz("", "%TEMP%\\y").data);
    ASSERT_TRUE(value("A4", "Multi", &type, &d));
    EXPECT_EQ(d, regfile::multi("", {"a", "b"}).data);
    ASSERT_TRUE(value("A4", "Bin", &type, &d));
    EXPECT_EQ(d, std::vector<uint8_t>{0xF6});  // binary stays bytes
}

TEST_F(RegFile, SyntaxErrorReportsItsLineAndLoadsNothing) {
    struct Case {
        std::string text;
        int line;
    };
    const std::string head =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\@SCRATCH@\\E]\n\"ok\"=dword:1\n";
    const Case cases[] = {
        {head + "\"bad\"=dword:xyz\n", 5},
        {head + "\"bad\"=\"unterminated\n", 5},
        {head + "\"bad\"=hex:01,zz\n", 5},
        {head + "\"bad\"=hex:01,\\\n  02,,\n", 5},
        {head + "\"bad\"=hex(2:00\n", 5},
        {head + "\"bad\"=dword:123456789\n", 5},
        {head + "\n[HKEY_NOWHERE\\x]\n", 6},
        {head + "[HKEY_CURRENT_USER\\x\n", 5},
        {head + "garbage\n", 5},
        {head + "\"noequals\"\n", 5},
        {"Windows Registry Editor Version 4.00\n", 1},
        {"\n\n\"v\"=\"outside a key\"\n", 3},
        {"REGEDIT4\n\"v\"=\"outside a key\"\n", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        int line = 0;
        EXPECT_FALSE(regfile::load(*reg_, scratch(c.text), &error, &line));
        EXPECT_EQ(line, c.line) << error;
        EXPECT_FALSE(keyExists("E"));
    }
}

TEST_F(RegFile, WriterOutputReadsBackToTheSameScript) {
    regfile::Script s;
    regfile::Key k;
    k.path = testsupport::ScratchKey::location("W\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87");
    k.values = {regfile::sz("", "dflt"),
                regfile::sz("quote\"and\\", "text with \"quotes\" and \\ backslash"),
                regfile::sz("exp", "%SystemRoot%\\x", kRegExpandSz),
                regfile::dword("num", 0x80000001u),
                regfile::multi("multi", {"one", "two"}),
                regfile::bin("big", std::vector<uint8_t>(100, 0x7F)),
                regfile::bin("notTerminated", {'a', 0, 'b', 0}, kRegSz),
                regfile::bin("odd", {'a', 0, 'b'}, kRegSz),
                regfile::bin("nulInside", {'a', 0, 0, 0, 'b', 0, 0, 0}, kRegSz),
                regfile::bin("newline", {'a', 0, '\n', 0, 0, 0}, kRegSz)};
    s.keys.push_back(k);
    const std::string bytes = regfile::write(s);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const regfile::ParseResult r = regfile::parse(bytes);
    ASSERT_TRUE(r.ok) << r.error << " at " << r.errorLine << "\n" << regfile::writeUtf8(s);
    ASSERT_EQ(r.script.keys.size(), 1u);
    EXPECT_EQ(r.script.keys[0].path, k.path);
    ASSERT_EQ(r.script.keys[0].values.size(), k.values.size());
    for (size_t i = 0; i < k.values.size(); ++i) {
        SCOPED_TRACE(k.values[i].name);
        EXPECT_EQ(r.script.keys[0].values[i].name, k.values[i].name);
        EXPECT_EQ(r.script.keys[0].values[i].type, k.values[i].type);
        EXPECT_EQ(r.script.keys[0].values[i].data, k.values[i].data);
    }
    ASSERT_TRUE(regfile::apply(*reg_, r.script));
    uint32_t type = 0;
    std::vector<uint8_t> d;
    ASSERT_TRUE(value("W\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87", "odd", &type, &d));
    EXPECT_EQ(d, (std::vector<uint8_t>{'a', 0, 'b'}));
}

}  // namespace

// The repair's undo record: the registry-editor file that puts deleted values back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleaner/engine/undo_record.h"
#include "common/platform/fake/fake_registry.h"
#include "common/text/text.h"
#include "tests/support/reg_file.h"

namespace {

using engine::UndoValue;
using Bytes = std::vector<uint8_t>;

Bytes utf16(const std::string& s, bool withNul = true) {
    Bytes out;
    for (char16_t c : text::toUtf16(s)) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (withNul) out.insert(out.end(), {0, 0});
    return out;
}

// The file as UTF-8 text, after checking its byte-order mark and that it is whole UTF-16.
std::string textOf(const std::string& bytes) {
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::u16string w;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        w += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
    return text::fromUtf16(w);
}

const std::string kLoneHigh = text::fromUtf16(std::u16string(1, char16_t(0xD800)));
const std::string kLoneLow = text::fromUtf16(std::u16string(1, char16_t(0xDC01)));

TEST(UndoRecord, EveryKindOfValueInTheEditorsForm) {
    const plat::RegHandle cu = plat::kHkeyCurrentUser;
    const std::string k = "Software\\Undo";
    const std::vector<UndoValue> values = {
        {cu, k, "Text", plat::kRegSz, utf16("C:\\a \"b\".exe")},
        {cu, k, "", plat::kRegSz, utf16("default")},
        {cu, k, "Quote\"and\\slash", plat::kRegDword, {0x78, 0x56, 0x34, 0x12}},
        {cu, k, "Expand", plat::kRegExpandSz, utf16("%T%")},
        {cu, k, "Multi", plat::kRegMultiSz, {'a', 0, 0, 0, 0, 0}},
        {cu, k, "Qword", plat::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
        {cu, k, "None", plat::kRegNone, {}},
        {cu, k, "Odd", plat::kRegBinary, {0xAB, 0x00, 0xCD}},
        {cu, k, "Big-endian", plat::kRegDwordBigEndian, {0, 0, 0, 1}},
        {cu, k, "Type 0x1234", 0x1234, {0xFF}},
        {cu, k, "Short dword", plat::kRegDword, {1, 2}},
        {cu, k, "Inner NUL", plat::kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0}},
        {cu, k, "Odd text", plat::kRegSz, {'a', 0, 0, 0, 7}},
        {cu, k, "Empty text", plat::kRegSz, {}},
        {cu, k, "Line", plat::kRegSz, utf16("a\r\nb")},
        {cu, k, "Lone", plat::kRegSz, utf16("a" + kLoneLow)},
        {cu, k, "Pair", plat::kRegSz, utf16("\xF0\x9F\x98\x80")},
        {cu, k, "Ключ", plat::kRegSz, utf16("Значение")},
    };
    engine::UndoRecord r = engine::BuildUndoRecord(values);
    ASSERT_TRUE(r.ok) << r.problem;
    EXPECT_EQ(textOf(r.bytes),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Undo]\r\n"
              "\"Text\"=\"C:\\\\a \\\"b\\\".exe\"\r\n"
              "@=\"default\"\r\n"
              "\"Quote\\\"and\\\\slash\"=dword:12345678\r\n"
              "\"Expand\"=hex(2):25,00,54,00,25,00,00,00\r\n"
              "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
              "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
              "\"None\"=hex(0):\r\n"
              "\"Odd\"=hex:ab,00,cd\r\n"
              "\"Big-endian\"=hex(5):00,00,00,01\r\n"
              "\"Type 0x1234\"=hex(1234):ff\r\n"
              "\"Short dword\"=hex(4):01,02\r\n"
              "\"Inner NUL\"=hex(1):61,00,00,00,62,00,00,00\r\n"
              "\"Odd text\"=hex(1):61,00,00,00,07\r\n"
              "\"Empty text\"=hex(1):\r\n"
              "\"Line\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
              "\"Lone\"=hex(1):61,00,01,dc,00,00\r\n"
              "\"Pair\"=\"\xF0\x9F\x98\x80\"\r\n"
              "\"Ключ\"=\"Значение\"\r\n"
              "\r\n");

    // The test support's reader (the one the fixtures use) gets every value back exactly.
    regfile::ParseResult parsed = regfile::parse(r.bytes);
    ASSERT_TRUE(parsed.ok) << parsed.error << " line " << parsed.errorLine;
    ASSERT_EQ(parsed.script.keys.size(), 1u);
    const auto& back = parsed.script.keys[0].values;
    ASSERT_EQ(back.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(values[i].name);
        EXPECT_EQ(back[i].name, values[i].name);
        EXPECT_EQ(back[i].type, values[i].type);
        EXPECT_EQ(back[i].data, values[i].data);
    }
}

TEST(UndoRecord, NamesWithLoneSurrogatesAndEscapesKeepTheirExactUnits) {
    const std::string name = "a" + kLoneHigh + "\\\"" + kLoneLow;
    const std::string key = "Software\\K" + kLoneLow + "]";
    engine::UndoRecord r = engine::BuildUndoRecord({{plat::kHkeyLocalMachine, key, name, plat::kRegBinary, {1}}});
    ASSERT_TRUE(r.ok) << r.problem;
    const std::string expected = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + key +
                                 "]\r\n\"a" + kLoneHigh + "\\\\\\\"" + kLoneLow + "\"=hex:01\r\n\r\n";
    EXPECT_EQ(textOf(r.bytes), expected);
    // The surrogates are single UTF-16 units in the file, not replacement characters.
    EXPECT_NE(r.bytes.find(std::string("\x00\xD8", 2)), std::string::npos);
    EXPECT_NE(r.bytes.find(std::string("\x01\xDC", 2)), std::string::npos);
}

TEST(UndoRecord, LongHexLinesWrapAsTheEditorWritesThem) {
    Bytes data(200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    engine::UndoRecord r = engine::BuildUndoRecord({{plat::kHkeyCurrentUser, "S", "Test", plat::kRegBinary, data}});
    ASSERT_TRUE(r.ok);
    std::vector<std::string> lines = text::split(textOf(r.bytes), "\r\n");
    ASSERT_GE(lines.size(), 6u);
    // "Test"=hex: and 22 bytes on the first line, 25 on each further one, each ending in ",\".
    EXPECT_EQ(lines[3].substr(0, 14), "\"Test\"=hex:00,");
    EXPECT_EQ(lines[3].size(), 78u);
    EXPECT_EQ(lines[3].substr(lines[3].size() - 5), ",15,\\");
    EXPECT_EQ(lines[4], "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\");
    size_t last = 3;
    while (last + 1 < lines.size() && lines[last].back() == '\\') ++last;
    EXPECT_EQ(last, 11u) << "22 + 7 * 25 + 3 bytes";
    EXPECT_EQ(lines[last], "  c5,c6,c7");
    for (size_t i = 3; i <= last; ++i) EXPECT_LE(lines[i].size(), 80u) << i;

    // A value name longer than a line: the first break comes after the first byte.
    const std::string longName(90, 'n');
    r = engine::BuildUndoRecord({{plat::kHkeyCurrentUser, "S", longName, plat::kRegBinary, {1, 2, 3}}});
    lines = text::split(textOf(r.bytes), "\r\n");
    EXPECT_EQ(lines[3], "\"" + longName + "\"=hex:01,\\");
    EXPECT_EQ(lines[4], "  02,03");
}

TEST(UndoRecord, ValuesAreGroupedByKeyAndAValueListedTwiceIsWrittenOnce) {
    const plat::RegHandle cu = plat::kHkeyCurrentUser, lm = plat::kHkeyLocalMachine;
    engine::UndoRecord r = engine::BuildUndoRecord({
        {cu, "Software\\A", "one", plat::kRegDword, {1, 0, 0, 0}},
        {lm, "Software\\A", "two", plat::kRegDword, {2, 0, 0, 0}},
        {cu, "SOFTWARE\\a", "three", plat::kRegDword, {3, 0, 0, 0}},
        {cu, "Software\\A", "ONE", plat::kRegDword, {9, 0, 0, 0}},
        {plat::kHkeyUsers, "", "atRoot", plat::kRegDword, {4, 0, 0, 0}},
    });
    ASSERT_TRUE(r.ok) << r.problem;
    EXPECT_EQ(textOf(r.bytes),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\A]\r\n\"one\"=dword:00000001\r\n\"three\"=dword:00000003\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"two\"=dword:00000002\r\n\r\n"
              "[HKEY_USERS]\r\n\"atRoot\"=dword:00000004\r\n\r\n");
    // No values: a file that changes nothing.
    r = engine::BuildUndoRecord({});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(textOf(r.bytes), "Windows Registry Editor Version 5.00\r\n\r\n");
}

TEST(UndoRecord, WhatTheEditorCannotPutBackExactlyIsRefused) {
    struct Case {
        UndoValue v;
        const char* why;
    };
    const Case cases[] = {
        {{plat::kHkeyCurrentUser, "S", std::string("a\0b", 3), plat::kRegSz, utf16("x")}, "NUL"},
        {{plat::kHkeyCurrentUser, "S", "a\nb", plat::kRegSz, utf16("x")}, "line break"},
        {{plat::kHkeyCurrentUser, "S\rT", "a", plat::kRegSz, utf16("x")}, "line break"},
        {{plat::kHkeyPerformanceData, "S", "a", plat::kRegSz, utf16("x")}, "root"},
        {{plat::kHkeyDynData, "S", "a", plat::kRegSz, utf16("x")}, "root"},
        {{0x1234, "S", "a", plat::kRegSz, utf16("x")}, "root"},
        {{plat::kHkeyCurrentUser, "S", "a", plat::kRegSz, utf16("x", false)}, "add a NUL"},
        {{plat::kHkeyCurrentUser, "S", "a", plat::kRegSz, {'a', 0, 'b'}}, "add a NUL"},
        {{plat::kHkeyCurrentUser, "S", "a", plat::kRegExpandSz, {'%'}}, "add a NUL"},
        {{plat::kHkeyCurrentUser, "S", "a", plat::kRegMultiSz, {'a', 0, 0, 0, 'b', 0}}, "add a NUL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const UndoValue fine{plat::kHkeyCurrentUser, "S", "fine", plat::kRegSz, utf16("x")};
        engine::UndoRecord r = engine::BuildUndoRecord({fine, c.v});
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.bytes.empty());
        EXPECT_NE(r.problem.find(c.why), std::string::npos) << r.problem;
        EXPECT_EQ(r.problemValue, 1u);
    }
}

TEST(UndoRecord, CaptureReadsTheExactValueOrSaysWhyNot) {
    plat::FakeRegistry reg;
    plat::RegHandle h = 0;
    ASSERT_EQ(reg.createKey(plat::kHkeyCurrentUser, "Software\\Cap", &h), 0);
    const Bytes big(5000, 0x5A);
    ASSERT_EQ(reg.setValueEx(h, "big", 0x99, big.data(), static_cast<uint32_t>(big.size())), 0);
    ASSERT_EQ(reg.setValueEx(h, "", plat::kRegBinary, nullptr, 0), 0);
    reg.closeKey(h);

    UndoValue v;
    ASSERT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, "Software\\Cap", "BIG", &v), 0);
    EXPECT_EQ(v.root, plat::kHkeyCurrentUser);
    EXPECT_EQ(v.keyPath, "Software\\Cap");
    EXPECT_EQ(v.name, "BIG");
    EXPECT_EQ(v.type, 0x99u);
    EXPECT_EQ(v.data, big);
    ASSERT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, "Software\\Cap", "", &v), 0);
    EXPECT_EQ(v.type, plat::kRegBinary);
    EXPECT_TRUE(v.data.empty());

    EXPECT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, "Software\\Cap", "gone", &v), plat::kErrorFileNotFound);
    EXPECT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, "Software\\NoKey", "x", &v), plat::kErrorFileNotFound);
    reg.markAccessDenied(plat::kHkeyCurrentUser, "Software\\Cap");
    EXPECT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, "Software\\Cap", "big", &v), plat::kErrorAccessDenied);
}

}  // namespace

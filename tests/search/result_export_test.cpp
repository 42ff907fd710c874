// Found rows taken away: the registry-editor file read back by the test support's reader, the
// rows it cannot hold, CSV fields, and the clipboard texts.
#include "search/result_export.h"

#include <gtest/gtest.h>

#include "common/registry/reg_value.h"
#include "tests/search/search_fixture.h"
#include "tests/support/reg_file.h"

using namespace searchtest;
using plat::kHkeyLocalMachine;
using search::ExportFormat;
using search::ExportRows;
using search::ResultRow;

namespace {

const std::string kBase = "Software\\Found";
const std::string kBaseFull = "HKEY_LOCAL_MACHINE\\Software\\Found";

ResultRow keyRow(const std::string& fullPath) {
    ResultRow r;
    r.text = fullPath.substr(fullPath.find('\\') + 1);
    r.image = search::kImageKey;
    r.fullPath = fullPath;
    r.keyPath = fullPath;
    return r;
}

ResultRow valueRow(const std::string& keyFull, const std::string& name, int image = search::kImageText) {
    ResultRow r;
    r.keyPath = keyFull;
    r.valueName = name;
    r.isValue = true;
    r.image = image;
    r.fullPath = keyFull + "\\" + name;
    r.text = r.fullPath.substr(r.fullPath.find('\\') + 1);
    return r;
}

// The file as UTF-8 text, after checking its byte-order mark.
std::string fileText(const std::string& bytes) {
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::u16string w;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        w += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
    return text::fromUtf16(w);
}

class ResultExportTest : public ::testing::Test {
protected:
    plat::FakeRegistry reg;
};

TEST_F(ResultExportTest, RegFileReadBackHoldsTheFoundValuesExactly) {
    std::vector<uint8_t> longBinary(150);
    for (size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = static_cast<uint8_t>(i * 3);
    struct Planted {
        std::string key, name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    const std::vector<Planted> planted = {
        {"", "Text", plat::kRegSz, utf16Bytes("C:\\Program Files\\a \"b\".exe")},
        {"", "Expand", plat::kRegExpandSz, utf16Bytes("%SystemRoot%\\x")},
        {"", "Multi", plat::kRegMultiSz, reg::multiTextBytes({"one", "two"})},
        {"", "Dword", plat::kRegDword, {0x2A, 0, 0, 0}},
        {"", "Qword", plat::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"", "Long binary", plat::kRegBinary, longBinary},
        {"", "Text with NULs", plat::kRegSz, utf16Bytes(std::string("a\0b", 3))},
        {"", "Empty text", plat::kRegSz, {}},
        {"Sub\\Ключ", "Имя", plat::kRegSz, utf16Bytes("Значение")},
        {"Sub", "dir\\name", plat::kRegNone, {9}},
    };
    std::vector<ResultRow> rows = {keyRow(kBaseFull + "\\Empty key")};
    key(reg, kHkeyLocalMachine, kBase + "\\Empty key");
    for (const Planted& p : planted) {
        const std::string path = p.key.empty() ? kBase : kBase + "\\" + p.key;
        value(reg, kHkeyLocalMachine, path, p.name, p.type, p.data);
        rows.push_back(valueRow("HKEY_LOCAL_MACHINE\\" + path, p.name));
    }
    // Found by its name and by its content: listed twice, written once.
    rows.push_back(rows[1]);
    ResultRow nothing;
    nothing.text = "Nothing to show";
    nothing.image = search::kImageNothing;
    rows.push_back(nothing);

    const search::ExportOutcome out = ExportRows(reg, rows, ExportFormat::Reg);
    EXPECT_EQ(out.written, planted.size() + 1);
    EXPECT_EQ(out.leftOut, 0u);
    EXPECT_TRUE(out.problems.empty());

    const regfile::ParseResult parsed = regfile::parse(out.bytes);
    ASSERT_TRUE(parsed.ok) << parsed.error << " line " << parsed.errorLine << "\n" << fileText(out.bytes);
    ASSERT_EQ(parsed.script.keys.size(), 4u);
    EXPECT_EQ(parsed.script.keys[0].path, kBaseFull + "\\Empty key");
    EXPECT_TRUE(parsed.script.keys[0].values.empty());
    size_t n = 0;
    for (const regfile::Key& k : parsed.script.keys) {
        for (const regfile::Value& v : k.values) {
            ASSERT_LT(n, planted.size());
            const Planted& p = planted[n++];
            SCOPED_TRACE(p.name);
            EXPECT_EQ(k.path, p.key.empty() ? kBaseFull : kBaseFull + "\\" + p.key);
            EXPECT_EQ(v.name, p.name);
            EXPECT_EQ(v.type, p.type);
            EXPECT_EQ(v.data, p.data);
        }
    }
    EXPECT_EQ(n, planted.size());

    // Imported into an empty registry, the file gives the very values found.
    plat::FakeRegistry fresh;
    ASSERT_TRUE(regfile::load(fresh, out.bytes));
    for (const Planted& p : planted) {
        plat::RegHandle h = 0;
        ASSERT_EQ(fresh.openKey(kHkeyLocalMachine, p.key.empty() ? kBase : kBase + "\\" + p.key, &h), 0);
        const auto back = reg::tryReadValue(fresh, h, p.name);
        fresh.closeKey(h);
        ASSERT_TRUE(back) << p.name;
        EXPECT_EQ(back->type, p.type) << p.name;
        EXPECT_EQ(back->data, p.data) << p.name;
    }
    // The editor's own lines: quoted text, dword:, hex(7):.
    const std::string textForm = fileText(out.bytes);
    EXPECT_EQ(textForm.rfind("Windows Registry Editor Version 5.00\r\n\r\n[", 0), 0u);
    EXPECT_NE(textForm.find("\"Text\"=\"C:\\\\Program Files\\\\a \\\"b\\\".exe\"\r\n"), std::string::npos);
    EXPECT_NE(textForm.find("\"Dword\"=dword:0000002a\r\n"), std::string::npos);
    EXPECT_NE(textForm.find("\"Multi\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00\r\n"),
              std::string::npos);
}

TEST_F(ResultExportTest, WhatTheFileCannotHoldIsNamedAndLeftOut) {
    value(reg, kHkeyLocalMachine, kBase, std::string("nul\0name", 8), plat::kRegSz, utf16Bytes("x"));
    value(reg, kHkeyLocalMachine, kBase, "no final NUL", plat::kRegSz, utf16Bytes("abc", false));
    value(reg, kHkeyLocalMachine, kBase, "odd length", plat::kRegExpandSz, {'a', 0, 0, 0, 7});
    value(reg, kHkeyLocalMachine, kBase, "one byte", plat::kRegMultiSz, {'a'});
    value(reg, kHkeyLocalMachine, kBase, "line\nbreak", plat::kRegDword, {1, 0, 0, 0});
    value(reg, kHkeyLocalMachine, kBase, "fine", plat::kRegSz, utf16Bytes("kept"));
    key(reg, kHkeyLocalMachine, kBase + std::string("\\key\0with NUL", 13));
    const std::vector<ResultRow> rows = {
        valueRow(kBaseFull, std::string("nul\0name", 8)),
        valueRow(kBaseFull, "no final NUL"),
        valueRow(kBaseFull, "odd length"),
        valueRow(kBaseFull, "one byte"),
        valueRow(kBaseFull, "line\nbreak"),
        valueRow(kBaseFull, "gone since the search"),
        keyRow(kBaseFull + std::string("\\key\0with NUL", 13)),
        keyRow("HKEY_PERFORMANCE_DATA\\Counters"),
        valueRow(kBaseFull, "fine"),
    };
    const search::ExportOutcome out = ExportRows(reg, rows, ExportFormat::Reg);
    EXPECT_EQ(out.written, 1u);
    EXPECT_EQ(out.leftOut, 8u);
    const std::vector<std::string> expected = {
        kBaseFull + ", value \"nul\\0name\": a registry file cannot hold a name with a NUL or a line break",
        kBaseFull +
            ", value \"no final NUL\": the registry editor would add a NUL to text data that does not end "
            "with one",
        kBaseFull +
            ", value \"odd length\": the registry editor does not put back text data of an odd number of "
            "bytes exactly",
        kBaseFull + ", value \"one byte\": the registry editor would add a NUL to text data that does not end with one",
        kBaseFull + ", value \"line\nbreak\": a registry file cannot hold a name with a NUL or a line break",
        kBaseFull + ", value \"gone since the search\": it can no longer be read: the file was not found (error 2)",
        kBaseFull + "\\key\\0with NUL: a registry file cannot hold a name with a NUL or a line break",
        "HKEY_PERFORMANCE_DATA\\Counters: the registry editor cannot write back below this root",
    };
    EXPECT_EQ(out.problems, expected);
    EXPECT_EQ(fileText(out.bytes),
              "Windows Registry Editor Version 5.00\r\n\r\n[" + kBaseFull + "]\r\n\"fine\"=\"kept\"\r\n\r\n");
}

TEST_F(ResultExportTest, CsvHasOneLinePerFoundKeyOrValueWithFieldsQuotedWhereNeeded) {
    sz(reg, kHkeyLocalMachine, kBase, "plain", "C:\\tool.exe");
    sz(reg, kHkeyLocalMachine, kBase, "comma, \"quoted\"", " padded ");
    value(reg, kHkeyLocalMachine, kBase, "multi", plat::kRegMultiSz, reg::multiTextBytes({"a", "b,c"}));
    dword(reg, kHkeyLocalMachine, kBase, "number", 42);
    value(reg, kHkeyLocalMachine, kBase, "big endian", plat::kRegDwordBigEndian, {0, 0, 1, 0});
    value(reg, kHkeyLocalMachine, kBase, "bin", plat::kRegBinary, {0xAB, 0x01});
    value(reg, kHkeyLocalMachine, kBase, "type 0x99", 0x99, {});
    sz(reg, kHkeyLocalMachine, kBase, "Ключ", "line one\r\nline two");
    value(reg, kHkeyLocalMachine, kBase, std::string("nul\0name", 8), plat::kRegSz, utf16Bytes("x"));
    const std::vector<ResultRow> rows = {
        keyRow(kBaseFull),
        valueRow(kBaseFull, "plain"),
        valueRow(kBaseFull, "comma, \"quoted\""),
        valueRow(kBaseFull, "multi"),
        valueRow(kBaseFull, "number"),
        valueRow(kBaseFull, "big endian"),
        valueRow(kBaseFull, "bin"),
        valueRow(kBaseFull, "type 0x99"),
        valueRow(kBaseFull, "Ключ"),
        valueRow(kBaseFull, "plain"),
        valueRow(kBaseFull, std::string("nul\0name", 8)),
    };
    const search::ExportOutcome out = ExportRows(reg, rows, ExportFormat::Csv);
    EXPECT_EQ(out.bytes,
              "\xEF\xBB\xBFKey,Value,Type,Data\r\n" + kBaseFull + ",,,\r\n" + kBaseFull +
                  ",plain,REG_SZ,C:\\tool.exe\r\n" + kBaseFull + ",\"comma, \"\"quoted\"\"\",REG_SZ,\" padded \"\r\n" +
                  kBaseFull + ",multi,REG_MULTI_SZ,\"a\nb,c\"\r\n" + kBaseFull +
                  ",number,REG_DWORD,0x0000002a (42)\r\n" + kBaseFull +
                  ",big endian,REG_DWORD_BIG_ENDIAN,0x00000100 (256)\r\n" + kBaseFull + ",bin,REG_BINARY,AB 01\r\n" +
                  kBaseFull + ",type 0x99,0x99,\r\n" + kBaseFull + ",Ключ,REG_SZ,\"line one\r\nline two\"\r\n");
    EXPECT_EQ(out.written, 9u);
    ASSERT_EQ(out.problems.size(), 1u);
    EXPECT_EQ(out.problems[0], kBaseFull + ", value \"nul\\0name\": a CSV file cannot hold a name with a NUL");
}

TEST_F(ResultExportTest, ClipboardTextsGiveKeyPathsOnceAndTheDataOfValues) {
    sz(reg, kHkeyLocalMachine, kBase, "a", "first");
    value(reg, kHkeyLocalMachine, kBase, "m", plat::kRegMultiSz, reg::multiTextBytes({"x", "y"}));
    const std::vector<ResultRow> rows = {
        keyRow(kBaseFull + "\\Sub"), valueRow(kBaseFull, "a"), valueRow(kBaseFull, "m"),
        valueRow(kBaseFull, "gone"), keyRow(kBaseFull),
    };
    EXPECT_EQ(search::KeyPathsText(rows), kBaseFull + "\\Sub\r\n" + kBaseFull);
    std::vector<std::string> unreadable;
    EXPECT_EQ(search::ValueDataText(reg, rows, &unreadable), "first\r\nx\r\ny");
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_NE(unreadable[0].find("value \"gone\""), std::string::npos) << unreadable[0];
}

}  // namespace

// The undo record against the system's registry editor, in the throwaway prefix of the test
// run: values of every type and odd name are planted with the native set-value call, read
// back and written as a record, deleted, and the record imported with "regedit /S". The
// editor's exports of the key before and after must be the same bytes, and every value the
// same type and bytes. The record's lines are also compared with the editor's own export.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cleaner/engine/undo_record.h"
#include "common/platform/win32/win32_registry.h"
#include "common/text/text.h"
#include "tests/support/reg_file.h"

namespace {

using Bytes = std::vector<uint8_t>;
const std::string kLoneHigh = text::fromUtf16(std::u16string(1, char16_t(0xD834)));
const std::string kLoneLow = text::fromUtf16(std::u16string(1, char16_t(0xDC02)));

Bytes utf16(const std::string& s, bool withNul = true) {
    Bytes out;
    for (char16_t c : text::toUtf16(s)) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    if (withNul) out.insert(out.end(), {0, 0});
    return out;
}

std::wstring wide(const std::string& s) {
    std::u16string w = text::toUtf16(s);
    return std::wstring(w.begin(), w.end());
}

std::string scratch(const std::string& name) {
    wchar_t buf[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buf);
    return text::fromUtf16(reinterpret_cast<const char16_t*>(buf)) + name;
}

std::string readAll(const std::string& path) {
    std::ifstream in(wide(path).c_str(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(wide(path).c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Runs the system's registry editor with these arguments and waits for it.
bool regedit(const std::string& args) {
    wchar_t windir[MAX_PATH] = {};
    GetWindowsDirectoryW(windir, MAX_PATH);
    std::wstring exe = std::wstring(windir) + L"\\regedit.exe";
    std::wstring cmd = L"\"" + exe + L"\" " + wide(args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    bool done = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return done;
}

struct Planted {
    std::string key;  // below kKey
    std::string name;
    uint32_t type;
    Bytes data;
};

std::vector<Planted> plantedValues() {
    Bytes longBinary(300);
    for (size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = static_cast<uint8_t>(i * 7);
    return {
        {"", "Text", REG_SZ, utf16("C:\\Program Files\\a \"b\".exe")},
        {"", "", REG_SZ, utf16("the default value")},
        {"", "Quote\"and\\back\\\\slash", REG_SZ, utf16("q")},
        {"", "Имя 名前", REG_SZ, utf16("Значение 値")},
        {"", "lone" + kLoneHigh + "x" + kLoneLow, REG_SZ, utf16("surrogates in the name")},
        {"", "Expand", REG_EXPAND_SZ, utf16("%SystemRoot%\\x.dll")},
        {"", "Multi", REG_MULTI_SZ, utf16(std::string("one\0\0three\0", 11))},
        {"", "Dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
        {"", "Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"", "Long binary with a long name to push the first line", REG_BINARY, longBinary},
        {"", "Odd binary", REG_BINARY, {0xAB, 0x00, 0xCD}},
        {"", "Empty binary", REG_BINARY, {}},
        {"", "None", REG_NONE, {}},
        {"", "None with bytes", REG_NONE, {0, 1, 0}},
        {"", "Type 0x1234", 0x1234, {0xFF, 0xEE}},
        {"", "Big endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}},
        {"", "Short dword", REG_DWORD, {9, 8}},
        {"", "Text with NULs", REG_SZ, utf16(std::string("a\0b\0", 4))},
        {"", "Text odd length", REG_SZ, {'a', 0, 0, 0, 'b'}},
        {"", "Multi odd length", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0, 9}},
        {"", "Text with line break", REG_SZ, utf16("one\r\ntwo")},
        {"", "Text with lone surrogate", REG_SZ, utf16("x" + kLoneLow + "y")},
        {"", "Empty text", REG_SZ, {}},
        {"", "Just NUL", REG_SZ, {0, 0}},
        {"Ключ\\Sub key", "in a subkey", REG_SZ, utf16("deeper")},
    };
}

class UndoRecordRegedit : public ::testing::Test {
protected:
    plat::Win32Registry reg;
    // A key and scratch files of this test's own: the tests of a run go in parallel.
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string kKey = "Software\\ScourlineUndo " + test;
    void SetUp() override { regfile::deleteTree(reg, plat::kHkeyCurrentUser, kKey); }
    void TearDown() override { regfile::deleteTree(reg, plat::kHkeyCurrentUser, kKey); }
    std::string path(const Planted& p) const { return p.key.empty() ? kKey : kKey + "\\" + p.key; }
    std::string scratch(const std::string& name) const { return ::scratch(test + "-" + name); }
    std::string exportKey(const std::string& file) {
        DeleteFileW(wide(file).c_str());
        EXPECT_TRUE(regedit("/E \"" + file + "\" \"HKEY_CURRENT_USER\\" + kKey + "\""));
        return readAll(file);
    }
};

TEST_F(UndoRecordRegedit, TheEditorPutsEveryDeletedValueBackExactly) {
    const std::vector<Planted> planted = plantedValues();
    for (const Planted& p : planted) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(plat::kHkeyCurrentUser, path(p), &h), 0) << path(p);
        ASSERT_EQ(reg.setValueEx(h, p.name, p.type, p.data.data(), static_cast<uint32_t>(p.data.size())), 0) << p.name;
        reg.closeKey(h);
    }
    const std::string before = exportKey(scratch("scourline-undo-before.reg"));
    ASSERT_FALSE(before.empty());

    // What the repair does: read each value, write the record, then delete.
    std::vector<engine::UndoValue> values;
    for (const Planted& p : planted) {
        engine::UndoValue v;
        ASSERT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, path(p), p.name, &v), 0) << p.name;
        EXPECT_EQ(v.type, p.type) << p.name;
        EXPECT_EQ(v.data, p.data) << p.name;
        values.push_back(v);
    }
    engine::UndoRecord record = engine::BuildUndoRecord(values);
    ASSERT_TRUE(record.ok) << record.problem;
    const std::string undoFile = scratch("scourline-undo.reg");
    ASSERT_TRUE(writeAll(undoFile, record.bytes));
    for (const Planted& p : planted) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.openKey(plat::kHkeyCurrentUser, path(p), &h), 0);
        ASSERT_EQ(reg.deleteValue(h, p.name), 0) << p.name;
        reg.closeKey(h);
    }
    ASSERT_NE(exportKey(scratch("scourline-undo-deleted.reg")), before);

    ASSERT_TRUE(regedit("/S \"" + undoFile + "\""));
    const std::string after = exportKey(scratch("scourline-undo-after.reg"));
    EXPECT_EQ(after, before) << "export before: " << scratch("scourline-undo-before.reg")
                             << ", after: " << scratch("scourline-undo-after.reg");
    for (const Planted& p : planted) {
        engine::UndoValue v;
        ASSERT_EQ(engine::CaptureValue(reg, plat::kHkeyCurrentUser, path(p), p.name, &v), 0) << p.name;
        EXPECT_EQ(v.type, p.type) << p.name;
        EXPECT_EQ(v.data, p.data) << p.name;
    }
}

// The lines of one value in a registry file, from its name to its last continuation line.
std::vector<std::string> valueBlocks(const std::string& fileBytes) {
    std::u16string w;
    for (size_t i = 2; i + 1 < fileBytes.size(); i += 2)
        w += static_cast<char16_t>(static_cast<uint8_t>(fileBytes[i]) | (static_cast<uint8_t>(fileBytes[i + 1]) << 8));
    std::vector<std::string> blocks;
    for (const std::string& line : text::split(text::fromUtf16(w), "\r\n")) {
        if (line.empty() || line[0] == '[') continue;
        if (line.rfind("  ", 0) == 0 && !blocks.empty())
            blocks.back() += "\r\n" + line;
        else
            blocks.push_back(line);
    }
    return blocks;
}

TEST_F(UndoRecordRegedit, RecordLinesAreTheEditorsOwnWhereBothWriteTheSameForm) {
    // Values whose form the editor and the record agree on: text, numbers, binary of any
    // length, wrapped as the editor wraps.
    Bytes longBinary(300);
    for (size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = static_cast<uint8_t>(255 - i);
    const std::vector<Planted> planted = {
        {"", "A text \"quoted\" \\ back", REG_SZ, utf16("C:\\x \"y\"")},
        {"", "B dword", REG_DWORD, {1, 2, 3, 4}},
        {"", "C expand with a name long enough to wrap early", REG_EXPAND_SZ,
         utf16("%ProgramFiles%\\Common Files\\z.dll")},
        {"", "D multi", REG_MULTI_SZ, utf16(std::string("alpha\0beta\0", 11))},
        {"", "E binary", REG_BINARY, longBinary},
        {"", "F qword", REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1}},
        {"", "G none", REG_NONE, {1, 2, 3}},
        {"", "H type 0x20", 0x20, {0x10}},
        {"", std::string(100, 'N'), REG_BINARY, {1, 2, 3, 4, 5}},
    };
    std::vector<engine::UndoValue> values;
    for (const Planted& p : planted) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(plat::kHkeyCurrentUser, kKey, &h), 0);
        ASSERT_EQ(reg.setValueEx(h, p.name, p.type, p.data.data(), static_cast<uint32_t>(p.data.size())), 0);
        reg.closeKey(h);
        values.push_back({plat::kHkeyCurrentUser, kKey, p.name, p.type, p.data});
    }
    const std::string exported = exportKey(scratch("scourline-undo-lines.reg"));
    engine::UndoRecord record = engine::BuildUndoRecord(values);
    ASSERT_TRUE(record.ok);
    std::vector<std::string> ours = valueBlocks(record.bytes), theirs = valueBlocks(exported);
    ASSERT_EQ(theirs.size(), ours.size());
    // The editor lists a key's values by name; the names above are in that order already.
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ours[i], theirs[i]);
}

}  // namespace

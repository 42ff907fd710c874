#include <gtest/gtest.h>

#include "cleaner/hivescan/hivescan_cli.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "tests/cleaner_engine/engine_fixture.h"
#include "tests/support/reg_file.h"

using hivescan::Format;
using hivescan::FormatRows;
using hivescan::Options;
using hivescan::ParseArgs;

TEST(HivescanArgs, GoodAndBadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    } cases[] = {
        {{}, true},
        {{"--areas", "HKCU,COM"}, true},
        {{"--areas=hkcu"}, true},
        {{"--areas", "HKCU,NOPE"}, false},
        {{"--areas"}, false},
        {{"--skip-cd-net"}, true},
        {{"--skip-cd-net", "--no-skip-cd-net"}, false},
        {{"--format", "json"}, true},
        {{"--format", "xml"}, false},
        {{"--output", "x.tsv"}, true},
        {{"--fix", "all", "--yes"}, true},
        {{"--fix", "some"}, false},
        {{"--yes"}, false},
        {{"--bogus"}, false},
    };
    for (const Case& c : cases) {
        Options o;
        std::string err;
        EXPECT_EQ(ParseArgs(c.args, &o, &err), c.ok) << (c.args.empty() ? "" : c.args[0]) << " " << err;
        if (!c.ok) {
            EXPECT_FALSE(err.empty());
        }
    }
    Options o;
    std::string err;
    ASSERT_TRUE(ParseArgs({"--areas", "COM,hkcu,COM", "--no-skip-cd-net", "--format=csv"}, &o, &err));
    EXPECT_EQ(o.areas, (std::vector<std::string>{"COM", "HKCU"}));
    EXPECT_EQ(o.skipCdNet, 0);
    EXPECT_EQ(o.format, Format::Csv);
}

TEST(HivescanFormat, EscapingPerFormat) {
    hivescan::Row headers{"A", "B", "C", "D", "E", "F"};
    std::vector<hivescan::Row> rows{{"HKEY_CURRENT_USER\\x", "tab\there", "line\r\nbreak", "q\"uote,comma", "1", ""}};
    EXPECT_EQ(FormatRows(headers, rows, Format::Tsv),
              "A\tB\tC\tD\tE\tF\n"
              "HKEY_CURRENT_USER\\\\x\ttab\\there\tline\\r\\nbreak\tq\"uote,comma\t1\t\n");
    EXPECT_EQ(FormatRows(headers, rows, Format::Csv),
              "A,B,C,D,E,F\r\n"
              "HKEY_CURRENT_USER\\x,tab\there,\"line\r\nbreak\",\"q\"\"uote,comma\",1,\r\n");
    EXPECT_EQ(FormatRows(headers, rows, Format::Json),
              "[\n  {\"location\": \"HKEY_CURRENT_USER\\\\x\", \"valueName\": \"tab\\there\", \"valueData\": "
              "\"line\\r\\nbreak\", \"reason\": \"q\\\"uote,comma\", \"regType\": \"1\", \"attributes\": \"\"}\n]\n");
    EXPECT_EQ(FormatRows(headers, {}, Format::Json), "[]\n");
    // Unicode passes as UTF-8; a lone surrogate (kept exact in names) is written as its escape.
    std::vector<hivescan::Row> uni{{"Ключ", "\xED\xA0\x80", "\x01", "", "", ""}};
    EXPECT_NE(
        FormatRows(headers, uni, Format::Json).find("\"Ключ\", \"valueName\": \"\\ud800\", \"valueData\": \"\\u0001\""),
        std::string::npos);
}

class HivescanRunTest : public ::testing::Test {
protected:
    plat::FakeRegistry reg;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::Services services{reg, files, shell, clock};
    std::string out, err;
    bool stdoutFull = false;
    std::vector<std::string> answers;
    hivescan::Console console;

    HivescanRunTest() {
        clock.setTimeText("12:00:00");
        console.out = [this](const std::string& s) {
            if (stdoutFull) return false;
            out += s;
            return true;
        };
        console.err = [this](const std::string& s) { err += s; };
        console.readLine = [this] {
            if (answers.empty()) return std::string();
            std::string a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        set(plat::kHkeyCurrentUser, "Software\\Acme", "Run", "\"C:\\Acme\\gone.exe\" /s");
        set(plat::kHkeyCurrentUser, "Software\\Acme", "Tab\tName", "C:\\Acme\\tab.exe");
    }
    void set(plat::RegHandle root, const std::string& path, const std::string& name, const std::string& data) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(root, path, &h), 0);
        auto b = enginetest::utf16Bytes(data);
        reg.setValueEx(h, name, plat::kRegSz, b.data(), static_cast<uint32_t>(b.size()));
        reg.closeKey(h);
    }
    int run(const std::vector<std::string>& args) { return hivescan::Run(args, services, console); }
};

TEST_F(HivescanRunTest, PrintsTheWindowsRowsAndStatus) {
    EXPECT_EQ(run({"--areas", "HKCU"}), hivescan::kExitOk);
    EXPECT_EQ(out,
              "Invalid data location\tValue name\tValue data\tReason\tReg type\tAttributes\n"
              "HKEY_CURRENT_USER\\\\software\\\\Acme\tRun\t\"C:\\\\Acme\\\\gone.exe\" /s\tInvalid path\t1\t\n"
              "HKEY_CURRENT_USER\\\\software\\\\Acme\tTab\\tName\tC:\\\\Acme\\\\tab.exe\tInvalid path\t1\t\n");
    EXPECT_NE(err.find("Total Invalid Entries: 2"), std::string::npos) << err;
    EXPECT_NE(err.find("12:00:00"), std::string::npos) << err;
}

TEST_F(HivescanRunTest, NoAreaMessageGoesToStandardError) {
    // No area ticked in the saved settings.
    set(plat::kHkeyCurrentUser, "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner", "LocState", "0;0;0;0;0;0;0;0");
    EXPECT_EQ(run({}), hivescan::kExitOk);
    EXPECT_NE(err.find("Please select at least one registry location to scan."), std::string::npos) << err;
}

TEST_F(HivescanRunTest, UsageErrors) {
    EXPECT_EQ(run({"--areas", ""}), hivescan::kExitUsage);
    EXPECT_NE(err.find("--areas needs at least one area code"), std::string::npos) << err;
    EXPECT_EQ(run({"--areas", " "}), hivescan::kExitUsage);
    EXPECT_EQ(run({"--areas", "XYZ"}), hivescan::kExitUsage);
    EXPECT_NE(err.find("unknown area code"), std::string::npos);
    EXPECT_NE(err.find("usage: hivescan"), std::string::npos);
    EXPECT_TRUE(out.empty());
}

TEST_F(HivescanRunTest, FixAllDeletesWithYesAndAsksOtherwise) {
    answers = {"n"};
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all"}), hivescan::kExitOk);
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    EXPECT_NE(err.find("Are you sure you want to remove the selected location(s) from the list."), std::string::npos);

    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes"}), hivescan::kExitOk);
    EXPECT_FALSE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    EXPECT_FALSE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Tab\tName", nullptr, nullptr));
}

TEST_F(HivescanRunTest, FixThatCannotDeleteExitsWithThree) {
    // The key becomes read-only after the scan listed its values, while the question is asked.
    console.readLine = [&] {
        reg.markReadOnly(plat::kHkeyCurrentUser, "Software\\Acme");
        return std::string("y");
    };
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all"}), hivescan::kExitFixLeftRows);
    EXPECT_NE(err.find("not deleted: HKEY_CURRENT_USER\\software\\Acme | Run"), std::string::npos) << err;
}

// The rows are the record of a fix: when they cannot be written whole, nothing is deleted.
TEST_F(HivescanRunTest, FixWhoseReportCannotBeWrittenDeletesNothing) {
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes", "--output", "C:\\NoSuchDir\\x.tsv"}),
              hivescan::kExitFailed);
    EXPECT_NE(err.find("cannot write 'C:\\NoSuchDir\\x.tsv'"), std::string::npos) << err;
    EXPECT_NE(err.find("nothing was deleted"), std::string::npos) << err;
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));

    stdoutFull = true;
    err.clear();
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes"}), hivescan::kExitFailed);
    EXPECT_NE(err.find("cannot write the rows to standard output"), std::string::npos) << err;
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Tab\tName", nullptr, nullptr));

    // A plain scan that cannot write its rows fails too.
    EXPECT_EQ(run({"--areas", "HKCU"}), hivescan::kExitFailed);
}

TEST_F(HivescanRunTest, ValueMendedBetweenScanAndFixIsKept) {
    files.addFile("C:\\Acme\\acme.exe");
    // The user points the value at an existing program while the question is asked.
    console.readLine = [&] {
        set(plat::kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\Acme\\acme.exe");
        return std::string("y");
    };
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all"}), hivescan::kExitFixLeftRows);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", &type, &data));
    EXPECT_EQ(data, enginetest::utf16Bytes("C:\\Acme\\acme.exe"));
    EXPECT_FALSE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Tab\tName", nullptr, nullptr));
    EXPECT_NE(err.find("not deleted: HKEY_CURRENT_USER\\software\\Acme | Run"), std::string::npos) << err;
}

TEST_F(HivescanRunTest, UnreadableExcludeListStopsBeforeTheScan) {
    files.addFile("C:\\Program Files\\Scourline\\Exclude.lst", std::string("Acme;;Yes;;True\r\n"));
    files.markUnreadable("C:\\Program Files\\Scourline\\Exclude.lst");
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes"}), hivescan::kExitFailed);
    EXPECT_NE(err.find("Exclude.lst\" cannot be read"), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));

    // Once the other program lets go, the exclusion holds.
    files.clearUnreadable("C:\\Program Files\\Scourline\\Exclude.lst");
    err.clear();
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes"}), hivescan::kExitOk);
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    EXPECT_EQ(out.find("Acme"), std::string::npos) << out;
}

// The undo record puts back every deleted value exactly; without it, nothing is deleted.
TEST_F(HivescanRunTest, UndoFileIsWrittenBeforeTheFixAndPutsEveryValueBack) {
    const std::vector<uint8_t> odd{'C', 0, ':', 0, '\\', 0, 'g', 0, 0, 0, 'x'};  // odd length, a NUL inside
    {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(plat::kHkeyCurrentUser, "Software\\Acme", &h), 0);
        ASSERT_EQ(reg.setValueEx(h, "Bin \"q\"", plat::kRegBinary, odd.data(), static_cast<uint32_t>(odd.size())), 0);
        reg.closeKey(h);
    }
    uint32_t type = 0;
    std::vector<uint8_t> before;
    ASSERT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", &type, &before));

    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes", "--undo", "C:\\undo.reg"}), hivescan::kExitOk) << err;
    EXPECT_FALSE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    std::optional<std::string> record = files.readFile("C:\\undo.reg");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->compare(0, 2, "\xFF\xFE"), 0);  // UTF-16LE with its mark, as the editor reads it

    std::string error;
    ASSERT_TRUE(regfile::load(reg, *record, &error)) << error;
    std::vector<uint8_t> after;
    ASSERT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", &type, &after));
    EXPECT_EQ(type, plat::kRegSz);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Tab\tName", nullptr, nullptr));
}

TEST_F(HivescanRunTest, UndoFileThatCannotBeWrittenDeletesNothing) {
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes", "--undo", "C:\\NoSuchDir\\undo.reg"}),
              hivescan::kExitFailed);
    EXPECT_NE(err.find("nothing was deleted"), std::string::npos) << err;
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Tab\tName", nullptr, nullptr));
    EXPECT_EQ(run({"--areas", "HKCU", "--undo", "C:\\u.reg"}), hivescan::kExitUsage);
}

namespace undo {

// A disk that fills up: a write stores the first half of its bytes and fails.
class FullDisk : public plat::FakeFiles {
public:
    bool full = false;
    long writeFile(const std::string& path, const std::string& bytes) override {
        if (!full) return FakeFiles::writeFile(path, bytes);
        FakeFiles::writeFile(path, bytes.substr(0, bytes.size() / 2));
        return 112;  // there is not enough space on the disk
    }
};

TEST_F(HivescanRunTest, AnUndoFileThatExistsIsRefusedBeforeTheScanAndKept) {
    files.addFile("C:\\undo.reg", std::string("the older record"));
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes", "--undo", "C:\\undo.reg"}), hivescan::kExitUsage);
    EXPECT_NE(err.find("exists already"), std::string::npos) << err;
    EXPECT_EQ(out, "");  // nothing scanned
    EXPECT_EQ(*files.readFile("C:\\undo.reg"), "the older record");
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    // In another letter case it is the same file.
    EXPECT_EQ(run({"--areas", "HKCU", "--fix=all", "--yes", "--undo=c:\\UNDO.REG"}), hivescan::kExitUsage);
}

TEST_F(HivescanRunTest, TheSavedKeepUndoOptionOfTheWindowWritesNoRecord) {
    set(plat::kHkeyCurrentUser, "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner", "chkKeepUndo", "1");
    files.addFolder("C:\\Program Files\\Scourline");
    EXPECT_EQ(run({"--areas", "HKCU", "--fix", "all", "--yes"}), hivescan::kExitOk) << err;
    EXPECT_FALSE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
    EXPECT_EQ(files.folderExists(files.applicationFolder() + "\\Backups"), plat::Probe::Missing);
    EXPECT_EQ(err.find("undo file ''"), std::string::npos) << err;
}

TEST(HivescanUndo, ARecordCutByAFullDiskLeavesNothingUnderItsNameAndNothingIsDeleted) {
    plat::FakeRegistry reg;
    FullDisk files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::Services services{reg, files, shell, clock};
    plat::RegHandle h = 0;
    ASSERT_EQ(reg.createKey(plat::kHkeyCurrentUser, "Software\\Acme", &h), 0);
    auto b = enginetest::utf16Bytes("C:\\Acme\\gone.exe");
    reg.setValueEx(h, "Run", plat::kRegSz, b.data(), static_cast<uint32_t>(b.size()));
    reg.closeKey(h);
    std::string out, err;
    hivescan::Console console;
    console.out = [&](const std::string& s) {
        out += s;
        return true;
    };
    console.err = [&](const std::string& s) { err += s; };
    console.readLine = [] { return std::string(); };
    files.full = true;
    EXPECT_EQ(hivescan::Run({"--areas", "HKCU", "--fix", "all", "--yes", "--undo", "C:\\undo.reg"}, services, console),
              hivescan::kExitFailed);
    EXPECT_NE(err.find("the undo file 'C:\\undo.reg' was not written; nothing was deleted"), std::string::npos) << err;
    EXPECT_EQ(files.fileExists("C:\\undo.reg"), plat::Probe::Missing);
    EXPECT_TRUE(reg.getValue(plat::kHkeyCurrentUser, "Software\\Acme", "Run", nullptr, nullptr));
}

TEST(HivescanConventions, HelpVersionAndValuesAfterAnEqualsSign) {
    hivescan::Options o;
    std::string err;
    for (const std::vector<std::string>& help :
         std::vector<std::vector<std::string>>{{"/?"}, {"--areas", "HKCU", "-h"}, {"--bogus", "--help"}}) {
        ASSERT_TRUE(hivescan::ParseArgs(help, &o, &err)) << help[0] << ": " << err;
        EXPECT_TRUE(o.help) << help[0];
    }
    ASSERT_TRUE(hivescan::ParseArgs({"--areas=HKCU", "--version"}, &o, &err)) << err;
    EXPECT_TRUE(o.version);
    ASSERT_TRUE(hivescan::ParseArgs({"--areas=HKCU,COM", "--format=json", "--output=C:\\r.json"}, &o, &err)) << err;
    EXPECT_FALSE(o.version);
    EXPECT_EQ(o.areas, (std::vector<std::string>{"HKCU", "COM"}));
    EXPECT_EQ(o.format, hivescan::Format::Json);
    EXPECT_EQ(o.output, "C:\\r.json");
    // An option's value is the option's, whatever it looks like.
    ASSERT_TRUE(hivescan::ParseArgs({"--output", "--version"}, &o, &err)) << err;
    EXPECT_FALSE(o.version);
    EXPECT_EQ(o.output, "--version");
    EXPECT_NE(std::string(hivescan::UsageText()).find("--version"), std::string::npos);
}

}  // namespace undo

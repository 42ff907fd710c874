// hiverun on the in-memory registry: its command lines, its output, and what it writes and
// refuses, through the startup window's own form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/fake/fake_startup_shell.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"
#include "startup/cls_registry.h"
#include "startup/hiverun/hiverun_cli.h"
#include "tests/support/forwarding_registry.h"

namespace {

using hiverun::Command;
using hiverun::Format;
using hiverun::Options;
using hiverun::Scope;
using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using startup::kRunKeyPath;

TEST(HiverunArgs, GoodAndBadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    } cases[] = {
        {{"list"}, true},
        {{"list", "--scope", "machine", "--format=json"}, true},
        {{"list", "--scope=all"}, true},
        {{"add", "Name", "C:\\x.exe"}, true},
        {{"add", "--scope", "machine", "Name", "cmd"}, true},
        {{"add", "Name", "cmd", "--scope", "user"}, true},  // options after the names too
        {{"set", "Name", "cmd"}, true},
        {{"rename", "Old", "New"}, true},
        {{"remove", "Name"}, true},
        {{"remove", "--", "-dash"}, true},
        {{"--version"}, true},
        {{"--help"}, true},
        {{}, false},                   // no command
        {{"lst"}, false},              // unknown command
        {{"list", "--bogus"}, false},  // unknown option
        {{"list", "extra"}, false},
        {{"list", "--scope", "everyone"}, false},
        {{"list", "--scope"}, false},  // option without its value
        {{"list", "--format", "xml"}, false},
        {{"add", "Name"}, false},  // command missing
        {{"add", "a", "b", "c"}, false},
        {{"add", "--scope", "all", "Name", "cmd"}, false},  // all is for list only
        {{"add", "--format", "json", "Name", "cmd"}, false},
        {{"rename", "Old"}, false},
        {{"remove"}, false},
        {{"remove", "-dash"}, false},  // a name with a dash needs "--"
        {{"list", "--scope", "machine32", "--place", "runonce"}, true},
        {{"rename", "--scope=machine32", "Old", "New"}, true},
        {{"disable", "--place", "startup", "App.lnk"}, true},
        {{"enable", "--scope", "machine", "Name"}, true},
        {{"remove", "--place", "startup", "App.lnk"}, true},
        {{"disable"}, false},
        {{"enable", "a", "b"}, false},
        {{"add", "--place", "startup", "Name", "cmd"}, false},  // a folder takes no command lines
        {{"rename", "--place", "startup", "a.lnk", "b.lnk"}, false},
        {{"remove", "--scope", "machine32", "--place", "startup", "x"}, false},  // no 32-bit folder
        {{"list", "--place", "elsewhere"}, false},
    };
    for (const Case& c : cases) {
        Options o;
        std::string err;
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        EXPECT_EQ(hiverun::ParseArgs(c.args, &o, &err), c.ok) << line << "-> " << err;
        if (!c.ok) {
            EXPECT_FALSE(err.empty()) << line;
        }
    }
    Options o;
    std::string err;
    ASSERT_TRUE(hiverun::ParseArgs({"list"}, &o, &err));
    EXPECT_EQ(o.scope, Scope::All);  // list shows both keys unless told
    ASSERT_TRUE(hiverun::ParseArgs({"remove", "Name"}, &o, &err));
    EXPECT_EQ(o.scope, Scope::User);  // writes go to the current user unless told
    ASSERT_TRUE(hiverun::ParseArgs({"rename", "--scope=machine", "--", "-a", "--b"}, &o, &err));
    EXPECT_EQ(o.command, Command::Rename);
    EXPECT_EQ(o.scope, Scope::Machine);
    EXPECT_EQ(o.operands, (std::vector<std::string>{"-a", "--b"}));
}

TEST(HiverunFormat, TsvAndJsonEscapeEveryField) {
    std::vector<hiverun::Entry> entries{
        {"Tab\tName", "\"C:\\a b\\x.exe\" -n\r\n", "user", "C:\\a b\\x.exe", true, "Run", "enabled"},
        {"Ключ", "\x01", "machine32", "", false, "Run (32-bit)", "disabled"},
    };
    EXPECT_EQ(hiverun::FormatEntries(entries, Format::Tsv),
              "name\tdata\tscope\tprogram\texists\tplace\tstate\n"
              "Tab\\tName\t\"C:\\\\a b\\\\x.exe\" -n\\r\\n\tuser\tC:\\\\a b\\\\x.exe\tyes\tRun\tenabled\n"
              "Ключ\t\x01\tmachine32\t\tno\tRun (32-bit)\tdisabled\n");
    EXPECT_EQ(hiverun::FormatEntries(entries, Format::Json),
              "[\n"
              "  {\"name\": \"Tab\\tName\", \"data\": \"\\\"C:\\\\a b\\\\x.exe\\\" -n\\r\\n\", \"scope\": \"user\", "
              "\"program\": \"C:\\\\a b\\\\x.exe\", \"exists\": true, \"place\": \"Run\", \"state\": \"enabled\"},\n"
              "  {\"name\": \"Ключ\", \"data\": \"\\u0001\", \"scope\": \"machine32\", \"program\": \"\", "
              "\"exists\": false, \"place\": \"Run (32-bit)\", \"state\": \"disabled\"}\n"
              "]\n");
    EXPECT_EQ(hiverun::FormatEntries({}, Format::Json), "[]\n");
    EXPECT_EQ(hiverun::FormatEntries({}, Format::Tsv), "name\tdata\tscope\tprogram\texists\tplace\tstate\n");
}

// Registry calls that change values, in order, and chosen failures.
class WatchedRegistry : public testsupport::ForwardingRegistry {
public:
    explicit WatchedRegistry(plat::Registry& inner) : ForwardingRegistry(inner) {}
    std::vector<std::string> writes;
    long failDelete = 0;
    long setValueEx(plat::RegHandle k, std::string_view n, uint32_t t, const uint8_t* d, uint32_t b) override {
        writes.push_back("set " + std::string(n));
        return ForwardingRegistry::setValueEx(k, n, t, d, b);
    }
    long deleteValue(plat::RegHandle k, std::string_view n) override {
        writes.push_back("delete " + std::string(n));
        if (failDelete) return failDelete;
        return ForwardingRegistry::deleteValue(k, n);
    }
};

class HiverunTest : public ::testing::Test {
protected:
    HiverunTest() {
        console.out = [this](const std::string& s) {
            out += s;
            return !stdoutFull;
        };
        console.err = [this](const std::string& s) { err += s; };
    }

    void Put(plat::RegHandle root, const std::string& name, const std::string& data, uint32_t type = plat::kRegSz,
             const char* path = kRunKeyPath) {
        plat::RegHandle k = 0;
        ASSERT_EQ(mem.createKeyEx(root, path, plat::kKeyAllAccess, &k, nullptr), 0);
        std::vector<uint8_t> bytes;
        for (char16_t c : text::toUtf16(data)) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.insert(bytes.end(), {0, 0});
        ASSERT_EQ(mem.setValueEx(k, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        mem.closeKey(k);
    }
    // The string under the Run key, "<missing>" when absent.
    std::string Stored(plat::RegHandle root, const std::string& name, const char* path = kRunKeyPath) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!mem.getValue(root, path, name, &type, &data)) return "<missing>";
        return reg::textOf(data);
    }
    // The value names under the Run key as the registry keeps them.
    std::vector<std::string> Names(plat::RegHandle root) {
        std::vector<std::string> names;
        plat::RegHandle k = 0;
        if (mem.openKeyEx(root, kRunKeyPath, plat::kKeyRead, &k) != 0) return names;
        for (uint32_t i = 0;; ++i) {
            std::string name;
            uint32_t chars = 1024, type = 0, bytes = 0;
            if (mem.enumValue(k, i, &name, &chars, &type, nullptr, &bytes) != 0) break;
            names.push_back(name);
        }
        mem.closeKey(k);
        return names;
    }
    int Run(std::vector<std::string> args) {
        out.clear();
        err.clear();
        return hiverun::Run(args, {reg, files, shell, icons, clock, links, recycleBin, environment}, console);
    }

    plat::FakeRegistry mem;
    WatchedRegistry reg{mem};
    plat::FakeFiles files;
    plat::FakeShell shell;
    hiverun::NoIcons icons;
    plat::FakeClock clock;
    plat::FakeShellLinks links;
    plat::FakeRecycleBin recycleBin{files};
    plat::FakeEnvironment environment;
    hiverun::Console console;
    std::string out, err;
    bool stdoutFull = false;
};

TEST_F(HiverunTest, ListShowsBothKeysWithProgramFileAndWhetherItExists) {
    const std::string longData = "\"C:\\Tools\\" + std::string(300, 'x') + ".exe\" --tray";
    files.addFile("C:\\Tools\\" + std::string(300, 'x') + ".exe");
    files.addFile("C:\\windows\\system32\\rundll32.exe");
    Put(kHkeyCurrentUser, "Long", longData);
    Put(kHkeyCurrentUser, "Panel", "RunDll32 shell32.dll,Control_RunDLL");
    Put(kHkeyCurrentUser, "Gone", "C:\\nowhere\\gone.exe");
    Put(kHkeyCurrentUser, "Expand", "%windir%\\x.exe", plat::kRegExpandSz);  // expanded for the file test
    environment.set("windir", "C:\\windows");
    files.addFile("C:\\windows\\x.exe");
    Put(kHkeyLocalMachine, "Machine", "C:\\m.exe");
    EXPECT_EQ(Run({"list"}), hiverun::kExitOk);
    EXPECT_EQ(
        out,
        "name\tdata\tscope\tprogram\texists\tplace\tstate\n"
        "Long\t" +
            text::replaceAll(longData, "\\", "\\\\") + "\tuser\tC:\\\\Tools\\\\" + std::string(300, 'x') +
            ".exe\tyes\tRun\tenabled\n"
            "Panel\tRunDll32 shell32.dll,Control_RunDLL\tuser\tc:\\\\windows\\\\system32\\\\rundll32.exe\tyes\tRun\t"
            "enabled\n"
            "Gone\tC:\\\\nowhere\\\\gone.exe\tuser\tC:\\\\nowhere\\\\gone.exe\tno\tRun\tenabled\n"
            "Expand\t%windir%\\\\x.exe\tuser\tC:\\\\windows\\\\x.exe\tyes\tRun\tenabled\n"
            "Machine\tC:\\\\m.exe\tmachine\tC:\\\\m.exe\tno\tRun\tenabled\n");
    EXPECT_EQ(Run({"list", "--scope", "machine", "--format", "json"}), hiverun::kExitOk);
    EXPECT_EQ(out,
              "[\n  {\"name\": \"Machine\", \"data\": \"C:\\\\m.exe\", \"scope\": \"machine\", \"program\": "
              "\"C:\\\\m.exe\", \"exists\": false, \"place\": \"Run\", \"state\": \"enabled\"}\n]\n");
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_TRUE(reg.writes.empty());  // listing writes nothing
}

TEST_F(HiverunTest, ListOfEmptyOrMissingKeysHasNoRows) {
    Put(kHkeyCurrentUser, "Number", "", plat::kRegDword);  // the window's placeholder row
    EXPECT_EQ(Run({"list"}), hiverun::kExitOk);            // the machine's Run key does not exist at all
    EXPECT_EQ(out, "name\tdata\tscope\tprogram\texists\tplace\tstate\n");
    EXPECT_EQ(Run({"list", "--format", "json"}), hiverun::kExitOk);
    EXPECT_EQ(out, "[]\n");
}

TEST_F(HiverunTest, AKeyThatCannotBeReadIsReportedAndTheOtherStillListed) {
    Put(kHkeyCurrentUser, "Mine", "mine.exe");
    Put(kHkeyLocalMachine, "Theirs", "theirs.exe");
    mem.markAccessDenied(kHkeyLocalMachine, kRunKeyPath);
    EXPECT_EQ(Run({"list"}), hiverun::kExitRefused);
    EXPECT_EQ(out,
              "name\tdata\tscope\tprogram\texists\tplace\tstate\nMine\tmine.exe\tuser\tmine.exe\tno\tRun\tenabled\n");
    EXPECT_NE(
        err.find("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run: access denied (error 5)"),
        std::string::npos)
        << err;
    EXPECT_EQ(Run({"remove", "--scope", "machine", "Theirs"}), hiverun::kExitRefused);
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Theirs"), "theirs.exe");
}

TEST_F(HiverunTest, OutputThatCannotBeWrittenFails) {
    Put(kHkeyCurrentUser, "Mine", "mine.exe");
    stdoutFull = true;
    EXPECT_EQ(Run({"list"}), hiverun::kExitRefused);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
}

TEST_F(HiverunTest, AddWritesTheEntryAndRefusesANameThatExistsInAnyCase) {
    EXPECT_EQ(Run({"add", "  Tray app", "\"C:\\Program Files\\T\\t.exe\" -min "}), hiverun::kExitOk) << err;
    EXPECT_EQ(Stored(kHkeyCurrentUser, "  Tray app"), "\"C:\\Program Files\\T\\t.exe\" -min ");  // as typed
    EXPECT_NE(out.find("added"), std::string::npos);

    reg.writes.clear();
    EXPECT_EQ(Run({"add", "  TRAY APP", "other.exe"}), hiverun::kExitCheck);
    EXPECT_NE(err.find(startup::kDuplicateText), std::string::npos) << err;
    EXPECT_TRUE(reg.writes.empty());
    EXPECT_EQ(Stored(kHkeyCurrentUser, "  Tray app"), "\"C:\\Program Files\\T\\t.exe\" -min ");

    EXPECT_EQ(Run({"add", "--scope", "machine", "Machine", "m.exe"}), hiverun::kExitOk) << err;
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Machine"), "m.exe");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Machine"), "<missing>");
}

TEST_F(HiverunTest, BlankNamesAndCommandsAreRefusedAndNothingIsWritten) {
    for (auto args :
         std::vector<std::vector<std::string>>{{"add", "", "x.exe"}, {"add", "   ", "x.exe"}, {"add", "Name", "  "}}) {
        EXPECT_EQ(Run(args), hiverun::kExitCheck) << args[1];
        EXPECT_NE(err.find(startup::kEmptyText), std::string::npos);
    }
    Put(kHkeyCurrentUser, "Name", "old.exe");
    reg.writes.clear();
    EXPECT_EQ(Run({"set", "Name", " "}), hiverun::kExitCheck);
    EXPECT_EQ(Run({"rename", "Name", ""}), hiverun::kExitCheck);
    EXPECT_TRUE(reg.writes.empty());
    EXPECT_EQ(Names(kHkeyCurrentUser), std::vector<std::string>{"Name"});
}

TEST_F(HiverunTest, ANameThatDoesNotExistIsRefusedBySetRenameAndRemove) {
    Put(kHkeyCurrentUser, "There", "there.exe");
    Put(kHkeyLocalMachine, "Elsewhere", "m.exe");
    for (auto args : std::vector<std::vector<std::string>>{{"set", "Missing", "x.exe"},
                                                           {"rename", "Missing", "New"},
                                                           {"remove", "Missing"},
                                                           {"remove", "Elsewhere"}}) {  // it is the machine's
        EXPECT_EQ(Run(args), hiverun::kExitCheck) << args[0];
        EXPECT_NE(err.find("there is no entry \"" + args[1] + "\""), std::string::npos) << err;
    }
    EXPECT_TRUE(reg.writes.empty());
}

TEST_F(HiverunTest, SetChangesTheCommandOfTheEntryNamedInAnyCase) {
    Put(kHkeyCurrentUser, "Tray", "old.exe");
    EXPECT_EQ(Run({"set", "TRAY", "\"C:\\new.exe\" /b"}), hiverun::kExitOk) << err;
    EXPECT_EQ(Names(kHkeyCurrentUser), std::vector<std::string>{"Tray"});
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Tray"), "\"C:\\new.exe\" /b");
}

TEST_F(HiverunTest, RenameWritesTheNewNameBeforeRemovingTheOld) {
    Put(kHkeyCurrentUser, "Old", "keep.exe -x");
    EXPECT_EQ(Run({"rename", "Old", "New"}), hiverun::kExitOk) << err;
    EXPECT_EQ(reg.writes, (std::vector<std::string>{"set New", "delete Old"}));
    EXPECT_EQ(Names(kHkeyCurrentUser), std::vector<std::string>{"New"});
    EXPECT_EQ(Stored(kHkeyCurrentUser, "New"), "keep.exe -x");
}

TEST_F(HiverunTest, RenameToAnotherEntrysNameInAnyCaseIsRefused) {
    Put(kHkeyCurrentUser, "One", "one.exe");
    Put(kHkeyCurrentUser, "Two", "two.exe");
    EXPECT_EQ(Run({"rename", "One", "tWO"}), hiverun::kExitCheck);
    EXPECT_NE(err.find(startup::kDuplicateText), std::string::npos);
    EXPECT_TRUE(reg.writes.empty());
    EXPECT_EQ(Stored(kHkeyCurrentUser, "One"), "one.exe");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Two"), "two.exe");
}

// Needs the window's rename in letter case (the old value read, deleted, written under the new
// name): with a plain write the registry keeps the old letter case, and hiverun says so.
TEST_F(HiverunTest, RenameInLetterCaseOnlyStoresTheNewCase) {
    Put(kHkeyCurrentUser, "tray app", "t.exe");
    EXPECT_EQ(Run({"rename", "tray app", "Tray App"}), hiverun::kExitOk) << err;
    EXPECT_EQ(Names(kHkeyCurrentUser), std::vector<std::string>{"Tray App"});
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Tray App"), "t.exe");
}

TEST_F(HiverunTest, ARenameWhoseOldEntryCannotBeRemovedFailsWithBothKept) {
    Put(kHkeyCurrentUser, "Old", "o.exe");
    reg.failDelete = plat::kErrorAccessDenied;
    EXPECT_EQ(Run({"rename", "Old", "New"}), hiverun::kExitRefused);
    EXPECT_NE(err.find("access denied (error 5)"), std::string::npos) << err;
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Old"), "o.exe");
    EXPECT_EQ(Stored(kHkeyCurrentUser, "New"), "o.exe");
}

TEST_F(HiverunTest, RemoveDeletesTheEntryNamedInAnyCaseFromItsKeyOnly) {
    Put(kHkeyCurrentUser, "Same", "user.exe");
    Put(kHkeyLocalMachine, "Same", "machine.exe");
    Put(kHkeyLocalMachine, "Other", "other.exe");
    EXPECT_EQ(Run({"remove", "--scope", "machine", "SAME"}), hiverun::kExitOk) << err;
    EXPECT_EQ(Names(kHkeyLocalMachine), std::vector<std::string>{"Other"});
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Same"), "user.exe");
}

TEST_F(HiverunTest, AKeyTheUserMayNotWriteIsReportedWithItsReason) {
    Put(kHkeyLocalMachine, "Theirs", "theirs.exe");
    mem.markReadOnly(kHkeyLocalMachine, kRunKeyPath);
    EXPECT_EQ(Run({"add", "--scope", "machine", "Mine", "mine.exe"}), hiverun::kExitRefused);
    EXPECT_NE(err.find("the registry refused: The key could not be written to the registry: access denied (error 5)"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("administrator"), std::string::npos);
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Mine"), "<missing>");
    EXPECT_EQ(Run({"remove", "--scope", "machine", "Theirs"}), hiverun::kExitRefused);
    EXPECT_EQ(Run({"set", "--scope", "machine", "Theirs", "x.exe"}), hiverun::kExitRefused);
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Theirs"), "theirs.exe");
}

TEST_F(HiverunTest, HelpAndVersionGoToStandardOutputAndUsageErrorsToStandardError) {
    EXPECT_EQ(Run({"--version"}), hiverun::kExitOk);
    EXPECT_EQ(out.rfind("hiverun ", 0), 0u);
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find_first_of("0123456789"), 8u);
    EXPECT_EQ(Run({"--help"}), hiverun::kExitOk);
    EXPECT_EQ(out, hiverun::UsageText());
    EXPECT_EQ(Run({"frobnicate"}), hiverun::kExitUsage);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(err.rfind("hiverun: unknown command 'frobnicate'\n", 0), 0u);
}

// The machine's 32-bit Run key beside its 64-bit one: each is listed, renamed and removed on its
// own, and a same-named entry of the other view stays as it was.
TEST_F(HiverunTest, The32BitRunKeyIsListedAndChangedOnItsOwn) {
    using startup::kRun32KeyPath;
    Put(kHkeyLocalMachine, "Tray", "C:\\tray64.exe");
    Put(kHkeyLocalMachine, "Tray", "C:\\tray32.exe", plat::kRegSz, kRun32KeyPath);
    EXPECT_EQ(Run({"list", "--scope", "machine32"}), hiverun::kExitOk) << err;
    EXPECT_EQ(out,
              "name\tdata\tscope\tprogram\texists\tplace\tstate\n"
              "Tray\tC:\\\\tray32.exe\tmachine32\tC:\\\\tray32.exe\tno\tRun (32-bit)\tenabled\n");
    EXPECT_EQ(Run({"list", "--scope", "machine"}), hiverun::kExitOk) << err;
    EXPECT_EQ(out,
              "name\tdata\tscope\tprogram\texists\tplace\tstate\n"
              "Tray\tC:\\\\tray64.exe\tmachine\tC:\\\\tray64.exe\tno\tRun\tenabled\n");

    EXPECT_EQ(Run({"rename", "--scope", "machine32", "Tray", "Tray 32"}), hiverun::kExitOk) << err;
    EXPECT_NE(out.find("HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"),
              std::string::npos)
        << out;
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Tray 32", kRun32KeyPath), "C:\\tray32.exe");
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Tray", kRun32KeyPath), "<missing>");
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Tray"), "C:\\tray64.exe");

    EXPECT_EQ(Run({"remove", "--scope", "machine32", "Tray"}), hiverun::kExitCheck);  // it is the 64-bit one's name
    EXPECT_EQ(Run({"remove", "--scope", "machine32", "tray 32"}), hiverun::kExitOk) << err;
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Tray 32", kRun32KeyPath), "<missing>");
    EXPECT_EQ(Stored(kHkeyLocalMachine, "Tray"), "C:\\tray64.exe");
}

TEST_F(HiverunTest, DisableAndEnableWriteTheStateAndRunOnceIsRefused) {
    Put(kHkeyCurrentUser, "Tray", "tray.exe");
    Put(kHkeyCurrentUser, "Setup", "setup.exe", plat::kRegSz, startup::kRunOnceKeyPath);
    const std::string approved = std::string(startup::kApprovedPath) + "\\Run";
    auto state = [&] {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        return mem.getValue(kHkeyCurrentUser, approved, "Tray", &type, &data) ? data : std::vector<uint8_t>{};
    };
    EXPECT_EQ(Run({"disable", "tray"}), hiverun::kExitOk) << err;
    EXPECT_EQ(out, "disabled \"Tray\" in HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n");
    EXPECT_EQ(state(), startup::StateBytes(false, clock.fileTimeNow()));
    EXPECT_EQ(Run({"list", "--scope", "user", "--place", "run"}), hiverun::kExitOk);
    EXPECT_NE(out.find("\tRun\tdisabled\n"), std::string::npos) << out;
    EXPECT_EQ(Run({"disable", "Tray"}), hiverun::kExitOk);  // nothing to do, and said so
    EXPECT_NE(out.find("disabled already"), std::string::npos) << out;
    EXPECT_EQ(Run({"enable", "Tray"}), hiverun::kExitOk) << err;
    EXPECT_EQ(state(), startup::StateBytes(true, clock.fileTimeNow()));
    EXPECT_EQ(Stored(kHkeyCurrentUser, "Tray"), "tray.exe");

    reg.writes.clear();
    for (const char* command : {"disable", "enable"}) {
        EXPECT_EQ(Run({command, "--place", "runonce", "Setup"}), hiverun::kExitCheck) << command;
        EXPECT_NE(err.find(startup::kRunOnceDisableText), std::string::npos) << err;
    }
    EXPECT_TRUE(reg.writes.empty());
    EXPECT_EQ(Run({"list", "--place", "runonce"}), hiverun::kExitOk);
    EXPECT_NE(out.find("Setup\tsetup.exe\tuser\tsetup.exe\tno\tRunOnce\tonce\n"), std::string::npos) << out;
}

TEST_F(HiverunTest, AStartupFolderFileIsListedDisabledAndRemovedToTheRecycleBin) {
    const std::string folder = "C:\\users\\me\\Startup";
    files.setSpecialFolder(startup::kCsidlStartup, folder);
    links.add(files, folder + "\\Tray.lnk", "C:\\Program Files\\Tray\\tray.exe", "/min");
    EXPECT_EQ(Run({"list", "--scope", "user", "--place", "startup", "--format", "json"}), hiverun::kExitOk) << err;
    EXPECT_EQ(out,
              "[\n  {\"name\": \"Tray.lnk\", \"data\": \"\\\"C:\\\\Program Files\\\\Tray\\\\tray.exe\\\" /min\", "
              "\"scope\": \"user\", \"program\": \"C:\\\\Program Files\\\\Tray\\\\tray.exe\", \"exists\": false, "
              "\"place\": \"Startup folder\", \"state\": \"enabled\"}\n]\n");
    EXPECT_EQ(Run({"disable", "--place", "startup", "Tray.lnk"}), hiverun::kExitOk) << err;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    const std::string approved = std::string(startup::kApprovedPath) + "\\StartupFolder";
    ASSERT_TRUE(mem.getValue(kHkeyCurrentUser, approved, "Tray.lnk", &type, &data));
    EXPECT_EQ(data[0], 3);
    EXPECT_EQ(Run({"remove", "--place", "startup", "tray.lnk"}), hiverun::kExitOk) << err;
    EXPECT_EQ(out, "moved \"Tray.lnk\" to the Recycle Bin from the user's Startup folder " + folder + "\n");
    ASSERT_EQ(recycleBin.recycled.size(), 1u);
    EXPECT_EQ(recycleBin.recycled[0].path, folder + "\\Tray.lnk");
    EXPECT_FALSE(mem.getValue(kHkeyCurrentUser, approved, "Tray.lnk", &type, &data));
}

// The key's unnamed default value is no entry: no command may address it by an empty name.
TEST_F(HiverunTest, AnEmptyNameIsRefusedByEveryCommandThatTakesAName) {
    Put(kHkeyCurrentUser, "", "default.exe");
    Put(kHkeyCurrentUser, "Other", "o.exe");
    for (auto args : std::vector<std::vector<std::string>>{
             {"remove", ""}, {"rename", "", "New"}, {"set", "", "x.exe"}, {"disable", ""}, {"enable", ""}}) {
        EXPECT_EQ(Run(args), hiverun::kExitCheck) << args[0];
        EXPECT_NE(err.find("refused"), std::string::npos) << err;
    }
    EXPECT_TRUE(reg.writes.empty());
    EXPECT_EQ(Stored(kHkeyCurrentUser, ""), "default.exe");
    EXPECT_EQ(Names(kHkeyCurrentUser), (std::vector<std::string>{"", "Other"}));
}

TEST_F(HiverunTest, RenameWritesTheExactBytesAndTypeRead) {
    // 32 characters of command, a NUL, then 13 more characters and no final NUL: 92 bytes.
    std::vector<uint8_t> bytes;
    for (char16_t c : text::toUtf16("\"C:\\Program Files\\App\\a.exe\" /x")) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    for (char16_t c : text::toUtf16("kept after it")) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    plat::RegHandle k = 0;
    ASSERT_EQ(mem.createKeyEx(kHkeyCurrentUser, kRunKeyPath, plat::kKeyAllAccess, &k, nullptr), 0);
    ASSERT_EQ(mem.setValueEx(k, "Nul", plat::kRegExpandSz, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
    mem.closeKey(k);
    EXPECT_EQ(Run({"rename", "Nul", "Moved"}), hiverun::kExitOk) << err;
    uint32_t type = 0;
    std::vector<uint8_t> got;
    ASSERT_TRUE(mem.getValue(kHkeyCurrentUser, kRunKeyPath, "Moved", &type, &got));
    EXPECT_EQ(type, plat::kRegExpandSz);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(Run({"rename", "Moved", "MOVED"}), hiverun::kExitOk) << err;
    ASSERT_TRUE(mem.getValue(kHkeyCurrentUser, kRunKeyPath, "MOVED", &type, &got));
    EXPECT_EQ(got, bytes);
}

}  // namespace

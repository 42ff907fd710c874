#include "common/regedit/regedit_jump.h"

#include <gtest/gtest.h>

#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/sendkeys.h"
#include "common/registry/mdl_registry.h"

namespace {

using plat::FakeShell;
using regedit::EscapeForKeystrokes;

// What the keystrokes type: characters, "{RIGHT}" for the right arrow, and any modifier or
// Enter shows up as <SHIFT>, <CTRL>, <ALT> or {ENTER}.
std::string typed(const std::string& keys) {
    std::vector<plat::KeyStroke> strokes;
    EXPECT_TRUE(plat::parseSendKeys(keys, &strokes)) << keys;
    return plat::describeKeyStrokes(strokes);
}

TEST(EscapeForKeystrokes, BackslashBecomesRightArrow) {
    EXPECT_EQ(EscapeForKeystrokes("HKEY_CURRENT_USER\\Software"), "HKEY_CURRENT_USER{RIGHT}Software");
    EXPECT_EQ(EscapeForKeystrokes("HKEY_CLASSES_ROOT\\"), "HKEY_CLASSES_ROOT{RIGHT}");
    EXPECT_EQ(EscapeForKeystrokes(""), "");
}

TEST(EscapeForKeystrokes, BracedGuidLevelTypesItsBraces) {
    EXPECT_EQ(EscapeForKeystrokes("HKEY_CLASSES_ROOT\\CLSID\\{00000000-0000-0000-C000-000000000046}"),
              "HKEY_CLASSES_ROOT{RIGHT}CLSID{RIGHT}{{}00000000-0000-0000-C000-000000000046{}}");
}

TEST(EscapeForKeystrokes, EveryCharacterOfAKeyNameTypesItself) {
    const std::string names[] = {
        "a+b",
        "Ctrl^C",
        "100%",
        "~tilde",
        "(group)",
        "[x]",
        "{",
        "}",
        "}{",
        "{{}}",
        "x+^%~(){}[]y",
        "\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87 \xe4\xb8\xad \xf0\x9f\x98\x80",
        "{RIGHT}",
        "{ENTER 5}",
    };
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        // No modifier, no Enter, no grouping: exactly the characters of the name.
        EXPECT_EQ(typed(EscapeForKeystrokes(name)), name);
        EXPECT_EQ(typed(EscapeForKeystrokes("HKEY_CURRENT_USER\\" + name + "\\x")),
                  "HKEY_CURRENT_USER{RIGHT}" + name + "{RIGHT}x");
    }
}

class JumpTest : public ::testing::Test {
protected:
    FakeShell shell;
    plat::FakeFiles files;
    plat::FakeRegistry reg;
    std::string lastKey() {
        return mdlreg::ReadStringSetting(reg, plat::kHkeyCurrentUser, regedit::kEditorSettingsKey, "LastKey", "<none>");
    }
};

TEST_F(JumpTest, WritesLastKeyStartsTheEditorThroughTheShellWaitsForItsWindowThenTypes) {
    files.setWindowsDirectory("D:\\WIN");
    int pumped = 0;
    shell.foregroundAfterSteps = 3;
    EXPECT_TRUE(regedit::JumpToKey(
        shell, files, reg, "HKEY_CURRENT_USER\\Software\\a+b", [&] { ++pumped; }, 3000));
    EXPECT_EQ(lastKey(), "Computer\\HKEY_CURRENT_USER\\Software\\a+b");
    ASSERT_EQ(shell.events.size(), 4u);
    EXPECT_EQ(shell.events[0].kind, FakeShell::Event::Kind::Launch);
    EXPECT_EQ(shell.events[0].program, "D:\\WIN\\regedit.exe");
    EXPECT_EQ(shell.events[0].commandLine, "");
    EXPECT_EQ(shell.events[0].show, plat::ShowState::Normal);
    EXPECT_EQ(shell.events[1].kind, FakeShell::Event::Kind::WaitForegroundClass);
    EXPECT_EQ(shell.events[1].windowClass, "RegEdit_RegEdit");
    EXPECT_EQ(shell.events[1].timeoutMs, 3000);
    // The caller's window handled its messages while it waited.
    EXPECT_EQ(pumped, 3);
    EXPECT_EQ(shell.events[2].kind, FakeShell::Event::Kind::SendKeys);
    EXPECT_EQ(shell.events[2].commandLine, "HKEY_CURRENT_USER{RIGHT}Software{RIGHT}a{+}b");
    EXPECT_EQ(shell.events[3].kind, FakeShell::Event::Kind::Close);
    EXPECT_EQ(shell.openProcessHandles(), 0u);
}

TEST_F(JumpTest, LastKeyKeepsTheComputerNodeNameTheEditorWrote) {
    mdlreg::WriteStringValue(reg, plat::kHkeyCurrentUser, regedit::kEditorSettingsKey, "LastKey",
                             "Equipo\\HKEY_LOCAL_MACHINE\\SOFTWARE");
    regedit::JumpToKey(shell, files, reg, "HKEY_CLASSES_ROOT\\CLSID\\");
    EXPECT_EQ(lastKey(), "Equipo\\HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_EQ(regedit::LastKeyText("HKEY_USERS", "no node here"), "Computer\\HKEY_USERS");
    EXPECT_EQ(regedit::LastKeyText("HKEY_USERS\\.DEFAULT", ""), "Computer\\HKEY_USERS\\.DEFAULT");
}

// A second start of the editor hands over to the window that is open and ends at once: the keys
// go to that window, whichever process owns it.
TEST_F(JumpTest, AnEditorAlreadyOpenInAnotherProcessGetsTheKeys) {
    shell.launchHandsOver = true;
    EXPECT_TRUE(regedit::JumpToKey(shell, files, reg, "HKEY_CURRENT_USER\\Software"));
    EXPECT_EQ(shell.sentKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER{RIGHT}Software"}));
    EXPECT_EQ(shell.openProcessHandles(), 0u);
}

TEST_F(JumpTest, NothingIsTypedIntoAWindowOfAnotherClass) {
    shell.foregroundClass = "Notepad";
    EXPECT_FALSE(regedit::JumpToKey(shell, files, reg, "HKEY_CURRENT_USER\\Software"));
    EXPECT_TRUE(shell.sentKeys().empty());
    EXPECT_EQ(shell.eventsOf(FakeShell::Event::Kind::WaitForegroundClass).at(0).timeoutMs, 5000);
    shell.foregroundClass.clear();
    EXPECT_FALSE(regedit::JumpToKey(shell, files, reg, "HKEY_CURRENT_USER\\Software"));
    EXPECT_TRUE(shell.sentKeys().empty());
    EXPECT_EQ(shell.openProcessHandles(), 0u);
}

// The editor asks for the highest rights: a plain process creation fails with "elevation
// required", the shell's execute call asks for consent. A refused consent types nothing.
TEST_F(JumpTest, EditorThatNeedsElevationIsStartedThroughTheShellAndARefusalTypesNothing) {
    shell.needElevation.insert("C:\\windows\\regedit.exe");
    EXPECT_TRUE(regedit::JumpToKey(shell, files, reg, "HKEY_CURRENT_USER\\Software"));
    shell.consentRefused = true;
    shell.events.clear();
    EXPECT_FALSE(regedit::JumpToKey(shell, files, reg, "HKEY_CURRENT_USER\\Software"));
    EXPECT_TRUE(shell.sentKeys().empty());
    EXPECT_TRUE(shell.eventsOf(FakeShell::Event::Kind::WaitForegroundClass).empty());
}

// The user double-clicks a row, then again while the window waits for the editor: the second
// jump is dropped, and a jump after the first one ended starts the editor again.
TEST_F(JumpTest, AJumpAskedForWhileOneWaitsIsDropped) {
    std::function<void(const std::string&)> jump;
    int pumps = 0;
    jump = regedit::WindowJump(shell, files, reg, [&] {
        if (++pumps == 1) jump("HKEY_CURRENT_USER\\Other");
    });
    shell.foregroundAfterSteps = 2;
    jump("HKEY_CURRENT_USER\\Software");
    EXPECT_EQ(shell.eventsOf(FakeShell::Event::Kind::Launch).size(), 1u);
    EXPECT_EQ(shell.sentKeys(), (std::vector<std::string>{"HKEY_CURRENT_USER{RIGHT}Software"}));
    jump("HKEY_CURRENT_USER\\Other");
    EXPECT_EQ(shell.eventsOf(FakeShell::Event::Kind::Launch).size(), 2u);
}

}  // namespace

#include "common/regedit/regedit_jump.h"

#include <gtest/gtest.h>

#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/sendkeys.h"

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
        "a+b",  "Ctrl^C",  "100%",  "~tilde",  "(group)",  "[x]",  "{", "}", "}{", "{{}}",
        "x+^%~(){}[]y",  "\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87 \xe4\xb8\xad \xf0\x9f\x98\x80",  "{RIGHT}", "{ENTER 5}",
    };
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        // No modifier, no Enter, no grouping: exactly the characters of the name.
        EXPECT_EQ(typed(EscapeForKeystrokes(name)), name);
        EXPECT_EQ(typed(EscapeForKeystrokes("HKEY_CURRENT_USER\\" + name + "\\x")),
                  "HKEY_CURRENT_USER{RIGHT}" + name + "{RIGHT}x");
    }
}

TEST(JumpToKey, StartsTheEditorOfTheWindowsDirectoryWaitsThenTypes) {
    FakeShell shell;
    plat::FakeFiles files;
    files.setWindowsDirectory("D:\\WIN");
    EXPECT_TRUE(regedit::JumpToKey(shell, files, "HKEY_CURRENT_USER\\Software\\a+b", 3000));
    ASSERT_EQ(shell.events.size(), 4u);
    EXPECT_EQ(shell.events[0].kind, FakeShell::Event::Kind::Start);
    EXPECT_EQ(shell.events[0].program, "D:\\WIN\\regedit.exe");
    EXPECT_EQ(shell.events[0].commandLine, "\"D:\\WIN\\regedit.exe\"");
    EXPECT_EQ(shell.events[0].show, plat::ShowState::Normal);
    EXPECT_EQ(shell.events[1].kind, FakeShell::Event::Kind::WaitForeground);
    EXPECT_EQ(shell.events[1].processId, shell.events[0].processId);
    EXPECT_EQ(shell.events[1].timeoutMs, 3000);
    EXPECT_EQ(shell.events[2].kind, FakeShell::Event::Kind::SendKeys);
    EXPECT_EQ(shell.events[2].commandLine, "HKEY_CURRENT_USER{RIGHT}Software{RIGHT}a{+}b");
    EXPECT_EQ(shell.events[3].kind, FakeShell::Event::Kind::Close);
    EXPECT_EQ(shell.openProcessHandles(), 0u);
}

TEST(JumpToKey, SendsNothingWhenTheEditorDoesNotComeToTheForeground) {
    FakeShell shell;
    plat::FakeFiles files;
    shell.foregroundComes = false;
    EXPECT_FALSE(regedit::JumpToKey(shell, files, "HKEY_CURRENT_USER\\Software"));
    EXPECT_TRUE(shell.sentKeys().empty());
    EXPECT_EQ(shell.openProcessHandles(), 0u);
    EXPECT_EQ(shell.eventsOf(FakeShell::Event::Kind::WaitForeground).at(0).timeoutMs, 5000);
}

TEST(JumpToKey, SendsNothingWhenTheEditorCannotStart) {
    FakeShell shell;
    plat::FakeFiles files;
    shell.startSucceeds = false;
    EXPECT_FALSE(regedit::JumpToKey(shell, files, "HKEY_CURRENT_USER\\Software"));
    EXPECT_TRUE(shell.sentKeys().empty());
    EXPECT_TRUE(shell.eventsOf(FakeShell::Event::Kind::WaitForeground).empty());
}

}  // namespace

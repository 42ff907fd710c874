// The Win32 files, shell and clock services on the real platform (run under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_shell.h"
#include "common/platform/win32/win32_text.h"
#include "common/text/text.h"

namespace {

using namespace plat;

class Win32FilesSmoke : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH, tmp);
        dir_ = win32::narrow(tmp, wcslen(tmp)) + "scl-files-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(files_.createFolder(dir_));
    }
    void TearDown() override {
        for (const auto& f : files_.listFiles(dir_, "*")) files_.deleteFile(dir_ + "\\" + f.name);
        RemoveDirectoryW(win32::wide(dir_).c_str());
    }
    Win32Files files_;
    std::string dir_;
};

TEST_F(Win32FilesSmoke, ExistenceTests) {
    const std::string file = dir_ + "\\\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb.txt";  // Файл.txt
    ASSERT_EQ(files_.writeFile(file, "abc"), 0);
    struct Case {
        std::string path;
        Probe file, folder;
    };
    const Case cases[] = {
        {file, Probe::Exists, Probe::Missing},
        {dir_, Probe::Missing, Probe::Exists},
        {dir_ + "\\", Probe::Missing, Probe::Exists},
        {dir_ + "\\missing.txt", Probe::Missing, Probe::Missing},
        {dir_ + "\\no\\such\\path.txt", Probe::Missing, Probe::Missing},
        {"\"" + file + "\"", Probe::Missing, Probe::Missing},  // quotes: a rejected name
        {dir_ + "\\a<b>.txt", Probe::Missing, Probe::Missing},
        {dir_ + "\\*.txt", Probe::Missing, Probe::Missing},
        {"C:\\windows", Probe::Missing, Probe::Exists},
        {"", Probe::Missing, Probe::Missing},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files_.fileExists(c.path), c.file) << c.path;
        EXPECT_EQ(files_.folderExists(c.path), c.folder) << c.path;
    }
    EXPECT_TRUE(files_.findFirst(dir_ + "\\*.txt"));
    EXPECT_TRUE(files_.findFirst(file));
    EXPECT_FALSE(files_.findFirst(dir_ + "\\*.reg"));
}

TEST_F(Win32FilesSmoke, ErrorsThatAreNotMissing) {
    EXPECT_EQ(fileProbeForError(ERROR_ACCESS_DENIED), Probe::Error);
    EXPECT_EQ(fileProbeForError(ERROR_NOT_READY), Probe::Error);
    EXPECT_EQ(fileProbeForError(ERROR_SHARING_VIOLATION), Probe::Error);
    EXPECT_EQ(fileProbeForError(ERROR_INVALID_NAME), Probe::Missing);
    EXPECT_EQ(fileProbeForError(ERROR_BAD_PATHNAME), Probe::Missing);
    EXPECT_EQ(folderProbeForError(ERROR_PATH_NOT_FOUND), Probe::Missing);
    EXPECT_EQ(folderProbeForError(ERROR_NOT_READY), Probe::Error);
}

TEST_F(Win32FilesSmoke, ReadWriteListStatDelete) {
    const std::string bytes("a\0b\xff", 4);
    ASSERT_EQ(files_.writeFile(dir_ + "\\one.reg", bytes), 0);
    ASSERT_EQ(files_.writeFile(dir_ + "\\two.reg", "xx"), 0);
    ASSERT_EQ(files_.writeFile(dir_ + "\\other.txt", "x"), 0);
    EXPECT_EQ(files_.readFile(dir_ + "\\one.reg").value_or("?"), bytes);
    auto list = files_.listFiles(dir_, "*.reg");
    ASSERT_EQ(list.size(), 2u);
    auto st = files_.stat(dir_ + "\\two.reg");
    ASSERT_TRUE(st.has_value());
    EXPECT_EQ(st->size, 2u);
    EXPECT_EQ(st->name, "two.reg");
    EXPECT_GE(st->modified.year, 2020);
    EXPECT_EQ(files_.deleteFile(dir_ + "\\two.reg"), 0);
    EXPECT_EQ(files_.deleteFile(dir_ + "\\two.reg"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(files_.readFile(dir_ + "\\two.reg").has_value());
    EXPECT_NE(files_.writeFile(dir_ + "\\no\\such\\x.reg", "x"), 0);
}

// A file the program may not write (as below Program Files without elevation): the new file is
// refused and the old one stays whole; no partial file is left beside it.
TEST_F(Win32FilesSmoke, ReplaceKeepsTheOldFileWhenTheNewOneCannotTakeItsPlace) {
    const std::string file = dir_ + "\\Exclude.lst";
    ASSERT_EQ(files_.replaceFile(file, "new"), 0);
    ASSERT_EQ(files_.replaceFile(file, "newer"), 0);
    EXPECT_EQ(files_.readFile(file).value_or("<none>"), "newer");
    ASSERT_TRUE(SetFileAttributesW(win32::wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
    const long rc = files_.replaceFile(file, "lost");
    EXPECT_EQ(rc, ERROR_ACCESS_DENIED);
    EXPECT_EQ(files_.readFile(file).value_or("<none>"), "newer");
    EXPECT_EQ(files_.listFiles(dir_, "*").size(), 1u);
    SetFileAttributesW(win32::wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(files_.replaceFile(dir_ + "\\no\\such\\x.lst", "x"), 0);
}

// The system code page of the prefix, both ways; characters it has no byte for are refused.
TEST(Win32Files, SystemCodePageBothWays) {
    Win32Files files;
    const std::string ascii = "Software\\Plain 123";
    EXPECT_EQ(files.fromSystemCodePage(ascii), ascii);
    EXPECT_EQ(files.toSystemCodePage(ascii).value_or("<none>"), ascii);
    if (GetACP() == 1252) {
        EXPECT_EQ(files.fromSystemCodePage("Caf\xE9"), "Caf\xC3\xA9");
        EXPECT_EQ(files.toSystemCodePage("Caf\xC3\xA9").value_or("<none>"), "Caf\xE9");
        EXPECT_FALSE(files.toSystemCodePage("\xD0\x9A\xE4\xB8\xAD").has_value());
    }
}

TEST(Win32Files, SystemFoldersAndDrives) {
    Win32Files files;
    EXPECT_EQ(files.windowsDirectory(), "C:\\windows");
    EXPECT_EQ(files.systemDirectory(), "C:\\windows\\system32");
    // A 64-bit prefix has a 32-bit system folder (empty without 32-bit Wine).
    EXPECT_TRUE(text::equalNoCase(files.systemWow64Directory(), "C:\\windows\\syswow64"))
        << files.systemWow64Directory();
    std::string fonts;
    EXPECT_EQ(files.specialFolder(0x14, &fonts), 0);
    EXPECT_EQ(fonts, "C:\\windows\\Fonts");
    bool haveC = false;
    for (const auto& d : files.drives())
        if (d.letter == 'C') haveC = d.type == DriveType::Fixed;
    EXPECT_TRUE(haveC);
    const std::string app = files.applicationFolder();
    EXPECT_FALSE(app.empty());
    EXPECT_NE(app.back(), '\\');
    EXPECT_EQ(files.folderExists(app), Probe::Exists);
}

TEST(Win32Shell, StartsOnlyProgramsGivenByFullPath) {
    Win32Shell shell;
    StartedProcess p;
    EXPECT_FALSE(shell.startProcess("cmd.exe", "cmd /c exit 0", ShowState::Hide, &p));
    ASSERT_TRUE(shell.startProcess("C:\\windows\\system32\\cmd.exe", "cmd /c exit 7", ShowState::Hide, &p));
    EXPECT_NE(p.processId, 0u);
    ASSERT_NE(p.handle, 0u);
    WaitForSingleObject(reinterpret_cast<HANDLE>(p.handle), 30000);
    EXPECT_FALSE(shell.processRunning(p));
    DWORD code = 0;
    GetExitCodeProcess(reinterpret_cast<HANDLE>(p.handle), &code);
    EXPECT_EQ(code, 7u);
    shell.closeProcess(p);
    EXPECT_EQ(p.handle, 0u);
    EXPECT_FALSE(shell.startProcess("C:\\windows\\no-such-program.exe", "x", ShowState::Normal, &p));
}

TEST(Win32Shell, LaunchesThroughTheShellAndKeepsTheProcess) {
    Win32Shell shell;
    StartedProcess p;
    EXPECT_EQ(shell.launch("C:\\windows\\system32\\cmd.exe", "/c exit 9", ShowState::Hide, &p), 0);
    ASSERT_NE(p.handle, 0u);
    EXPECT_NE(p.processId, 0u);
    WaitForSingleObject(reinterpret_cast<HANDLE>(p.handle), 30000);
    DWORD code = 0;
    GetExitCodeProcess(reinterpret_cast<HANDLE>(p.handle), &code);
    EXPECT_EQ(code, 9u);
    shell.closeProcess(p);
    EXPECT_NE(shell.launch("C:\\windows\\no-such-program.exe", "", ShowState::Normal, &p), 0);
    EXPECT_EQ(p.handle, 0u);
    EXPECT_NE(shell.launch("cmd.exe", "/c exit 0", ShowState::Hide, &p), 0);  // never searched
}

TEST(Win32Shell, OneInstanceClaimHoldsForTheProgramsLife) {
    Win32Shell first, second;
    const std::string id = "smoke-" + std::to_string(GetCurrentProcessId());
    EXPECT_FALSE(first.anotherInstanceRunning(id));
    EXPECT_TRUE(second.anotherInstanceRunning(id));
    EXPECT_FALSE(first.anotherInstanceRunning(id));  // the holder asking again
}

TEST(Win32Shell, MalformedKeystrokesAreNotSent) {
    Win32Shell shell;
    EXPECT_FALSE(shell.sendKeys("{NOSUCHKEY}"));
    EXPECT_FALSE(shell.sendKeys("(unclosed"));
}

TEST(Win32Clock, TimeOfDayAndTicks) {
    Win32Clock clock;
    const std::string t = clock.timeOfDayText();
    EXPECT_NE(t.find(':'), std::string::npos) << t;
    const uint64_t a = clock.ticks();
    Sleep(20);
    EXPECT_GT(clock.ticks(), a);
    EXPECT_GE(clock.now().year, 2020);
}

}  // namespace

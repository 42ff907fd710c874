// The Win32 process-list and icon services against the real system (run under Wine): a started
// helper is listed with its name and full path, ended with the right to end alone, and its
// icon and kind come from the shell.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/platform/fake/fake_files.h"
#include "common/text/text.h"
#include "common/platform/win32/win32_clipboard.h"
#include "procman/get_file_icon.h"
#include "procman/process_monitor.h"
#include "procman/scan_processes.h"
#include "common/platform/win32/win32_icons.h"
#include "common/platform/win32/win32_process_list.h"

namespace {

std::string ownFolder() {
    wchar_t buf[4096];
    DWORD n = GetModuleFileNameW(nullptr, buf, 4096);
    std::string path = text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(buf), n));
    return path.substr(0, path.rfind('\\') + 1);
}

struct Helper {
    PROCESS_INFORMATION pi{};
    std::string path = ownFolder() + "pm_helper.exe";
    Helper() {
        std::u16string cmd = text::toUtf16("\"" + path + "\" 60");
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring wcmd(cmd.begin(), cmd.end());
        if (!CreateProcessW(nullptr, wcmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) pi = {};
    }
    ~Helper() {
        if (pi.hProcess) {
            TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
};

TEST(ProcessListWin32, HelperIsListedWithItsPathAndEndedWithTheRightToEndAlone) {
    Helper helper;
    ASSERT_NE(helper.pi.hProcess, nullptr) << helper.path;
    plat::Win32ProcessList list;

    plat::SnapshotHandle snap = list.createSnapshot();
    ASSERT_NE(snap, 0u);
    plat::ProcessEntry e;
    bool found = false, self = false;
    int count = 0;
    for (bool ok = list.firstProcess(snap, &e); ok; ok = list.nextProcess(snap, &e)) {
        ++count;
        if (e.processId == helper.pi.dwProcessId) found = text::equalNoCase(e.exeFile, "pm_helper.exe");
        if (e.processId == list.currentProcessId()) self = true;
    }
    list.closeSnapshot(snap);
    EXPECT_TRUE(found);
    EXPECT_TRUE(self);
    EXPECT_GE(count, 3);

    long error = -1;
    plat::ProcessHandle q =
        list.openProcess(plat::kProcessQueryLimitedInformation | plat::kSynchronize, helper.pi.dwProcessId, &error);
    ASSERT_NE(q, 0u);
    EXPECT_EQ(error, 0);
    std::string path;
    EXPECT_EQ(list.imagePath(q, &path), 0);
    EXPECT_TRUE(text::equalNoCase(path, helper.path)) << path;

    // A handle with the right to end only cannot read the path, but can end the process.
    plat::ProcessHandle t = list.openProcess(plat::kProcessTerminate, helper.pi.dwProcessId, &error);
    ASSERT_NE(t, 0u);
    EXPECT_EQ(list.terminateProcess(t, 0), 0);
    list.closeHandle(t);
    EXPECT_TRUE(list.waitForExit(q, 5000));
    list.closeHandle(q);
    DWORD code = 99;
    GetExitCodeProcess(helper.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);

    // An identifier nobody has cannot be opened.
    EXPECT_EQ(list.openProcess(plat::kProcessTerminate, 0x7FFFFFF0u, &error), 0u);
    EXPECT_NE(error, 0);
}

TEST(ProcessListWin32, DebugPrivilegeIsPutBackAsItWas) {
    plat::Win32ProcessList list;
    bool before = false;
    long r = list.setDebugPrivilege(true, &before);
    if (r != 0) GTEST_SKIP() << "the token does not hold the privilege here: " << r;
    bool during = false;
    EXPECT_EQ(list.setDebugPrivilege(before, &during), 0);
    EXPECT_TRUE(during);
    bool after = !before;
    EXPECT_EQ(list.setDebugPrivilege(before, &after), 0);
    EXPECT_EQ(after, before);
}

TEST(ProcessListWin32, ScannerReportsTheHelpersFolder) {
    Helper helper;
    ASSERT_NE(helper.pi.hProcess, nullptr);
    plat::Win32ProcessList list;
    plat::FakeFiles files;  // C:\windows and C:\windows\system32, as in a Wine prefix
    procman::cScanProcesses scan(list, files, nullptr);
    std::string folder;
    scan.CurrentProcess = [&](const std::string& file, const std::string& path, int32_t id, bool&) {
        if (static_cast<DWORD>(id) == helper.pi.dwProcessId && text::equalNoCase(file, "pm_helper.exe")) folder = path;
    };
    scan.BeginScanning();
    EXPECT_TRUE(text::equalNoCase(folder, ownFolder())) << folder;
    EXPECT_GE(scan.TotalProcesses(), 3);
}

// The icon drawn at 16 x 16 on white, as 32-bit pixels.
std::vector<uint32_t> pixelsOf(HICON icon) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 256);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return out;
}

// A fresh Wine prefix has no ".exe" file class: the shell alone would give every program the
// icon of an unknown file. The helper carries an icon of its own, which is what must show.
TEST(ProcessListWin32, FiguresOfAStartedHelperComeFromTheSystem) {
    Helper helper;
    ASSERT_NE(helper.pi.hProcess, nullptr) << helper.path;
    plat::Win32ProcessList list;
    plat::ProcessHandle h = list.openProcess(plat::kProcessQueryLimitedInformation, helper.pi.dwProcessId, nullptr);
    ASSERT_NE(h, 0u);
    plat::ProcessTimes times;
    ASSERT_EQ(list.processTimes(h, &times), 0);
    FILETIME nowFt{};
    GetSystemTimeAsFileTime(&nowFt);
    const uint64_t now = (static_cast<uint64_t>(nowFt.dwHighDateTime) << 32) | nowFt.dwLowDateTime;
    EXPECT_LE(times.creation, now);
    EXPECT_GT(times.creation, now - 600ull * 10000000ull) << "created within the last ten minutes";
    uint64_t bytes = 0;
    ASSERT_EQ(list.privateBytes(h, &bytes), 0);
    std::string user, ownUser;
    ASSERT_EQ(list.processUser(h, &user), 0);
    EXPECT_FALSE(user.empty());
    plat::ProcessHandle self =
        list.openProcess(plat::kProcessQueryLimitedInformation, list.currentProcessId(), nullptr);
    ASSERT_NE(self, 0u);
    ASSERT_EQ(list.processUser(self, &ownUser), 0);
    uint64_t ownBytes = 0;
    ASSERT_EQ(list.privateBytes(self, &ownBytes), 0);
    // Wine may report 0 private bytes (it did for every process on our test machines, this one
    // included); the window shows the figure as the system gives it.
    std::printf("own private bytes %llu\n", static_cast<unsigned long long>(ownBytes));
    EXPECT_EQ(user, ownUser) << "we started it";
    std::printf("helper: user %s, private bytes %llu\n", user.c_str(), static_cast<unsigned long long>(bytes));
    bool wow64 = true;
    ASSERT_EQ(list.isWow64(h, &wow64), 0);
    EXPECT_FALSE(wow64) << "a 64-bit program";
    list.closeHandle(h);

    // Our own processor time grows with work, and the steady clock with waiting.
    EXPECT_GE(list.processorCount(), 1u);
    plat::ProcessTimes before, after;
    ASSERT_EQ(list.processTimes(self, &before), 0);
    const uint64_t start = list.steadyTime();
    volatile uint64_t sink = 0;
    while (list.steadyTime() - start < 3000000) sink = sink + 1;  // 300 ms of work
    ASSERT_EQ(list.processTimes(self, &after), 0);
    // The machine may be busy with other work: some time is all that can be asked for.
    EXPECT_GT(after.kernel + after.user, before.kernel + before.user);
    EXPECT_EQ(after.creation, before.creation);
    list.closeHandle(self);
}

TEST(ProcessListWin32, MonitorGivesOurOwnShareWhileWeWork) {
    plat::Win32ProcessList list;
    plat::FakeFiles files;
    procman::ProcessMonitor monitor(list, files);
    plat::ProcessHandle h = list.openProcess(plat::kProcessQueryLimitedInformation, list.currentProcessId(), nullptr);
    ASSERT_NE(h, 0u);
    plat::ProcessTimes before, after;
    ASSERT_TRUE(monitor.sample());
    list.processTimes(h, &before);
    const uint64_t start = list.steadyTime();
    volatile uint64_t sink = 0;
    while (list.steadyTime() - start < 6000000) sink = sink + 1;  // 600 ms of work
    list.processTimes(h, &after);
    const uint64_t end = list.steadyTime();
    ASSERT_TRUE(monitor.sample());
    list.closeHandle(h);
    const procman::ProcessSample* self = monitor.find(list.currentProcessId());
    ASSERT_NE(self, nullptr);
    ASSERT_TRUE(self->cpu.has_value());
    // What the work was given, measured around it (the machine may be busy with other work).
    const double measured = 100.0 * static_cast<double>((after.kernel + after.user) - (before.kernel + before.user)) /
                            (static_cast<double>(end - start) * list.processorCount());
    std::printf("own share %.1f %%, measured around the work %.1f %%, %u processors\n", *self->cpu, measured,
                list.processorCount());
    EXPECT_GT(*self->cpu, 0.0);
    EXPECT_NEAR(*self->cpu, measured, 10.0);
    EXPECT_LE(*self->cpu, 100.0);
    EXPECT_TRUE(self->pathReadable);
    EXPECT_TRUE(self->privateBytes.has_value());
    EXPECT_TRUE(self->user.has_value());
}

TEST(ClipboardWin32, TextIsPutOnTheClipboardAsUnicode) {
    plat::Win32Clipboard clipboard;
    const std::string text = "helper.exe\tC:\\Apps\\\t12\t\xC3\xA9t\xC3\xA9\r\n";
    ASSERT_EQ(clipboard.setText(0, text), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    std::string read;
    if (data) {
        if (auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
            read = text::fromUtf16(p);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    EXPECT_EQ(read, text);
}

TEST(IconsWin32, AProgramGetsItsOwnIconWhereTheShellHasOnlyTheGenericOne) {
    plat::Win32Icons icons;
    const std::string helper = ownFolder() + "pm_helper.exe";
    const std::u16string wide = text::toUtf16(helper);
    HICON own = nullptr;
    ASSERT_EQ(ExtractIconExW(reinterpret_cast<const wchar_t*>(wide.c_str()), 0, nullptr, &own, 1), 1u);
    SHFILEINFOW unknown{};
    ASSERT_NE(SHGetFileInfoW(L"x.scourline-test-type", FILE_ATTRIBUTE_NORMAL, &unknown, sizeof(unknown),
                             SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON),
              0u);
    ASSERT_NE(pixelsOf(own), pixelsOf(unknown.hIcon));

    for (uint32_t flags : {plat::kShgfiIcon | plat::kShgfiSmallIcon,
                           plat::kShgfiIcon | plat::kShgfiSmallIcon | plat::kShgfiDisplayName | plat::kShgfiTypeName}) {
        plat::ShellFileInfo info;
        ASSERT_NE(icons.getFileInfo(helper, flags, &info), 0u) << flags;
        ASSERT_NE(info.icon, 0u) << flags;
        EXPECT_EQ(pixelsOf(reinterpret_cast<HICON>(info.icon)), pixelsOf(own)) << flags;
        icons.destroyIcon(info.icon);
    }
    // The window's own path: through the icon helper, as the process window asks.
    procman::cGetFileIcon g(icons);
    procman::Picture pic = g.Icon(helper, 1);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pixelsOf(reinterpret_cast<HICON>(pic->handle())), pixelsOf(own));

    // A program without icon resources (this test) shows the system's program icon, which is
    // also the default icon; a file that is not there gets none.
    plat::IconHandle fallback = icons.defaultIcon(true);
    ASSERT_NE(fallback, 0u);
    EXPECT_NE(pixelsOf(reinterpret_cast<HICON>(fallback)), pixelsOf(unknown.hIcon));
    plat::ShellFileInfo plain;
    wchar_t self[4096];
    DWORD n = GetModuleFileNameW(nullptr, self, 4096);
    const std::string console = text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(self), n));
    EXPECT_NE(icons.getFileInfo(console, plat::kShgfiIcon | plat::kShgfiSmallIcon, &plain), 0u);
    ASSERT_NE(plain.icon, 0u);
    EXPECT_EQ(pixelsOf(reinterpret_cast<HICON>(plain.icon)), pixelsOf(reinterpret_cast<HICON>(fallback)));
    icons.destroyIcon(plain.icon);
    icons.destroyIcon(fallback);
    plat::ShellFileInfo none;
    EXPECT_EQ(icons.getFileInfo("C:\\no\\such\\program.exe", plat::kShgfiIcon | plat::kShgfiSmallIcon, &none), 0u);
    EXPECT_EQ(none.icon, 0u);
    DestroyIcon(own);
    DestroyIcon(unknown.hIcon);
}

TEST(IconsWin32, ShellAnswersForExecutablesAndOtherFiles) {
    plat::Win32Icons icons;
    procman::cGetFileIcon g(icons);
    const std::string helper = ownFolder() + "pm_helper.exe";
    wchar_t self[4096];
    DWORD n = GetModuleFileNameW(nullptr, self, 4096);
    const std::string console = text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(self), n));

    EXPECT_EQ(g.ExeType(helper), procman::ExeKind::Windows);
    EXPECT_EQ(g.ExeType(console), procman::ExeKind::Console);
    EXPECT_EQ(g.ExeType("C:\\windows\\win.ini"), procman::ExeKind::NotExecutable);
    EXPECT_FALSE(g.TypeName(helper).empty());

    procman::Picture pic = g.Icon(helper, 1);
    ASSERT_TRUE(pic);
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(reinterpret_cast<HICON>(pic->handle()), &info));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);

    EXPECT_FALSE(g.Icon("C:\\no\\such\\file.exe", 1));
    plat::IconHandle fallback = icons.defaultIcon(true);
    EXPECT_NE(fallback, 0u);
    icons.destroyIcon(fallback);
}

}  // namespace

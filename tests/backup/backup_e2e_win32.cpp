// End-to-end round trip of the backup window's handlers under Wine with the real registry
// editor: a whole-registry backup, a change to the registry, a restore that undoes the change
// for the values the backup holds (an import merges: values made since stay), and a second
// backup so that the window lists two. Prints the times beside a bare export of the editor.
// Run by tests/e2e/backup/run.sh only, from a folder of its own in a throwaway prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/files/backup_names.h"
#include "backup/frm_main.h"
#include "common/platform/locale.h"
#include "backup/registry_editor.h"
#include "cleaner/ui/frm_main.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_shell.h"
#include "common/ui/headless.h"

namespace {

using Clock = std::chrono::steady_clock;
const wchar_t* kKey = L"Software\\SclBackupE2E";

long Ms(Clock::time_point a, Clock::time_point b) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count());
}

std::optional<std::wstring> Read(const wchar_t* name) {
    wchar_t buf[256] = {};
    DWORD bytes = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, buf, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buf);
}

void Write(const wchar_t* name, const wchar_t* data) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_SZ, data,
                              static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The real editor, with the import kept as a job so the test can wait for it to end.
class WaitableEditor : public backup::ShellRegistryEditor {
public:
    using ShellRegistryEditor::ShellRegistryEditor;
    Job importJob = 0;
    bool startImport(const std::string& file, Job* job) override {
        Job own = 0;
        if (!ShellRegistryEditor::startImport(file, &own)) return false;
        importJob = own;
        if (job) *job = own;
        return true;
    }
};

TEST(BackupE2E, BackupChangeRestoreRoundTripWithTheRealEditor) {
    plat::Win32Files files;
    plat::Win32Clock clock;
    plat::Win32Shell shell;
    WaitableEditor editor(shell, files);
    auto locale = plat::MakeUserLocale();
    ui::HeadlessHost host;
    ui::Driver drv(host);
    backup::FrmMain form(host, {files, clock, editor, *locale});

    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    Write(L"Kept", L"before");
    Write(L"Changed", L"before");

    // The bare editor's export of the whole registry, for comparison.
    const std::string bare = files.applicationFolder() + "\\bare.reg";
    auto b0 = Clock::now();
    plat::StartedProcess p;
    ASSERT_TRUE(
        shell.startProcess(editor.programPath(), backup::ExportCommandLine(bare), plat::ShowState::Minimized, &p));
    WaitForSingleObject(reinterpret_cast<HANDLE>(p.handle), 300000);
    shell.closeProcess(p);
    long bareMs = Ms(b0, Clock::now());
    auto bareInfo = files.stat(bare);
    ASSERT_TRUE(bareInfo.has_value());
    files.deleteFile(bare);

    form.show();
    // Follows one export the way the window does, refreshing every 250 ms instead of 5 s so the
    // time measured is the export's, not the refresh interval's.
    auto backupOnce = [&](long* finishedMs) {
        size_t boxes = host.boxes.size();
        auto t0 = Clock::now();
        drv.click(form.cmdBackup);
        ASSERT_TRUE(form.Following());
        while (host.boxes.size() == boxes && Ms(t0, Clock::now()) < 300000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            drv.fire(form.tmrCreg);
        }
        *finishedMs = Ms(t0, Clock::now());
        ASSERT_GT(host.boxes.size(), boxes);
        EXPECT_EQ(host.boxes.back().text, "Backup finished.");
        EXPECT_TRUE(form.lnkBackup.enabled());
        EXPECT_TRUE(form.cmdBackup.enabled());
    };
    long finishedMs = 0;
    backupOnce(&finishedMs);
    ASSERT_EQ(form.lstBackups.count(), 1);
    const std::string file = form.BackupFolder() + form.lstBackups.item(0).key;
    auto info = files.stat(file);
    ASSERT_TRUE(info.has_value());
    auto bytes = files.readFile(file);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(backup::HasRegistryHeader(*bytes));
    // The window's check reads only the first bytes of the file.
    auto head = files.readFileStart(file, backup::kRegistryHeaderBytes);
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ(*head, bytes->substr(0, backup::kRegistryHeaderBytes));
    EXPECT_TRUE(backup::HasRegistryHeader(*head));
    std::u16string marker = u"SclBackupE2E";
    std::string markerBytes(reinterpret_cast<const char*>(marker.data()), marker.size() * 2);
    EXPECT_NE(bytes->find(markerBytes), std::string::npos);

    // Change the registry: one value changed, one removed, one added.
    Write(L"Changed", L"after");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Kept");
    Write(L"Added", L"new");

    drv.clickRow(form.lstBackups, 0);
    host.answer(ui::mb::Ok);
    auto r0 = Clock::now();
    drv.click(form.cmdRestore);
    ASSERT_NE(editor.importJob, 0u);
    while (editor.running(editor.importJob) && Ms(r0, Clock::now()) < 300000)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    long restoreMs = Ms(r0, Clock::now());
    form.CheckRegs();  // releases the import and tidies its copy
    EXPECT_NE(host.boxes.back().text.find(form.lstBackups.text(0)), std::string::npos);

    EXPECT_EQ(Read(L"Changed"), std::wstring(L"before"));
    EXPECT_EQ(Read(L"Kept"), std::wstring(L"before"));
    EXPECT_EQ(Read(L"Added"), std::wstring(L"new"));  // a restore merges

    // A second backup, so the window has two to list.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    long finishedMs2 = 0;
    backupOnce(&finishedMs2);
    EXPECT_EQ(form.lstBackups.count(), 2);

    std::printf("TIMING bare regedit /E export: %ld ms, %llu bytes\n", bareMs,
                static_cast<unsigned long long>(bareInfo->size));
    std::printf("TIMING hivesave backup (refresh every 250 ms): %ld ms, %llu bytes; second: %ld ms\n", finishedMs,
                static_cast<unsigned long long>(info->size), finishedMs2);
    std::printf("TIMING hivesave restore (until the editor ended): %ld ms\n", restoreMs);
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
}

// The cleaner's undo record, taken back with hivesave: the option ticked in the cleaner's
// options view, a scan and Fix all delete the planted values; hivesave lists the record in its
// backup folder, and its Restore Selected puts every value back with its exact type and bytes.
TEST(BackupE2E, RepairUndoFileIsListedAndRestoredByHivesave) {
    const wchar_t* kUndoKey = L"Software\\SclUndoE2E";
    RegDeleteTreeW(HKEY_CURRENT_USER, kUndoKey);
    struct Planted {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> bytes;
    };
    auto utf16 = [](const std::wstring& t) {
        std::vector<BYTE> b(reinterpret_cast<const BYTE*>(t.c_str()),
                            reinterpret_cast<const BYTE*>(t.c_str()) + (t.size() + 1) * sizeof(wchar_t));
        return b;
    };
    std::vector<BYTE> multi = utf16(L"C:\\gone\\m.exe");
    const std::vector<BYTE> second = utf16(L"second");
    multi.insert(multi.end(), second.begin(), second.end());
    multi.insert(multi.end(), {0, 0});
    const std::vector<Planted> planted = {
        {L"plain", REG_SZ, utf16(L"C:\\gone\\a.exe")},
        {L"", REG_SZ, utf16(L"C:\\gone\\default.exe")},
        {L"expand", REG_EXPAND_SZ, utf16(L"C:\\gone\\%USERNAME%\\b.exe")},
        {L"multi", REG_MULTI_SZ, multi},
        {L"q\"u\\ote \x041a", REG_SZ, utf16(L"C:\\gone\\q.exe")},
    };
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kUndoKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    for (const Planted& p : planted)
        ASSERT_EQ(RegSetValueExW(key, p.name.c_str(), 0, p.type, p.bytes.data(), static_cast<DWORD>(p.bytes.size())),
                  0);
    RegCloseKey(key);
    auto readBack = [&](const Planted& p, DWORD* type, std::vector<BYTE>* bytes) {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kUndoKey, p.name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, nullptr,
                         &size) != ERROR_SUCCESS)
            return false;
        bytes->assign(size, 0);
        return RegGetValueW(HKEY_CURRENT_USER, kUndoKey, p.name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, bytes->data(),
                            &size) == ERROR_SUCCESS;
    };

    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Clock clock;
    plat::FakeShell noPrograms;
    plat::Services services{registry, files, noPrograms, clock};
    // Only the current user's area is scanned.
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Tolvane\\Registry Cleaner\\Registry Cleaner", L"LocState", REG_SZ,
                    L"1;0;0;0;0;0;0;0", 32);
    {
        ui::HeadlessHost host;
        ui::Driver drv(host);
        cleaner::MainStartOptions start;
        start.singleInstance = false;
        start.showWizard = false;
        cleaner::FrmMain cleanerWindow(host, services, start);
        cleanerWindow.show();
        host.runPosted();
        drv.click(cleanerWindow.o3);  // the options view
        drv.click(cleanerWindow.chkKeepUndo);
        drv.click(cleanerWindow.cmdScan);
        host.runPosted();
        host.answer(ui::mb::Yes);
        drv.click(cleanerWindow.o5);  // Fix all
        host.runPosted();
        for (const ui::MsgBoxRecord& box : host.boxes) std::printf("cleaner said: %s\n", box.text.c_str());
        EXPECT_FALSE(cleanerWindow.undoRecordFailed());
        cleanerWindow.unload(ui::kUnloadByApp);
    }
    for (const Planted& p : planted) {
        DWORD type = 0;
        std::vector<BYTE> bytes;
        EXPECT_FALSE(readBack(p, &type, &bytes)) << "not deleted: " << std::string(p.name.begin(), p.name.end());
    }

    plat::Win32Shell shell;
    WaitableEditor editor(shell, files);
    auto locale = plat::MakeUserLocale();
    ui::HeadlessHost host;
    ui::Driver drv(host);
    backup::FrmMain form(host, {files, clock, editor, *locale});
    form.show();
    int row = -1;
    for (int i = 0; i < form.lstBackups.count(); ++i)
        if (form.lstBackups.item(i).key.rfind("Repair ", 0) == 0) row = i;
    ASSERT_GE(row, 0) << "hivesave does not list the undo record";
    std::printf("undo record listed as: %s\n", form.lstBackups.text(row).c_str());
    drv.clickRow(form.lstBackups, row);
    host.answer(ui::mb::Ok);
    auto r0 = Clock::now();
    drv.click(form.cmdRestore);
    ASSERT_NE(editor.importJob, 0u);
    while (editor.running(editor.importJob) && Ms(r0, Clock::now()) < 300000)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    form.CheckRegs();  // releases the import and tidies its copy
    for (const Planted& p : planted) {
        DWORD type = 0;
        std::vector<BYTE> bytes;
        ASSERT_TRUE(readBack(p, &type, &bytes)) << "not restored: " << std::string(p.name.begin(), p.name.end());
        EXPECT_EQ(type, p.type);
        EXPECT_EQ(bytes, p.bytes);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kUndoKey);
}

}  // namespace

// End-to-end check of the startup manager's handlers against the real Run keys of a throwaway
// Wine prefix: create, rename, modify in place, refuse a duplicate, list a long entry, delete,
// under both roots. The registry is read back after each step with the plain Win32 calls.
// Run by tests/e2e/startup/run.sh only: it writes the prefix's Run keys.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <optional>
#include <algorithm>
#include <string>
#include <vector>

#include "common/platform/fake/fake_shell.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_startup_shell.h"
#include "common/platform/win32/win32_registry.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "common/platform/win32/win32_icons.h"
#include "startup/frm_edit.h"
#include "startup/frm_main.h"

namespace {

const wchar_t* kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<std::string> ReadRun(HKEY root, const std::string& name) {
    std::u16string wname = text::toUtf16(name);
    DWORD type = 0, bytes = 0;
    if (RegGetValueW(root, kRun, reinterpret_cast<const wchar_t*>(wname.c_str()), RRF_RT_ANY, &type, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::u16string buf(bytes / 2 + 1, u'\0');
    if (RegGetValueW(root, kRun, reinterpret_cast<const wchar_t*>(wname.c_str()), RRF_RT_ANY, &type, &buf[0], &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    return text::fromUtf16(buf.c_str());
}

// The value names of root's Run key exactly as the registry keeps them.
std::vector<std::string> RunNames(HKEY root) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kRun, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD chars = 16384;
        if (RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(text::fromUtf16(std::u16string(reinterpret_cast<const char16_t*>(name), chars)));
    }
    RegCloseKey(key);
    return names;
}

void WriteRun(HKEY root, const std::string& name, const std::string& data) {
    std::u16string wname = text::toUtf16(name), wdata = text::toUtf16(data);
    ASSERT_EQ(RegSetKeyValueW(root, kRun, reinterpret_cast<const wchar_t*>(wname.c_str()), REG_SZ, wdata.c_str(),
                              static_cast<DWORD>((wdata.size() + 1) * 2)),
              ERROR_SUCCESS);
}

class StartupE2E : public ::testing::Test {
protected:
    void Edit(const char* dialog, const std::string& name, const std::string& data, bool* stayedOpen = nullptr) {
        host.onModal(dialog, [=](ui::Form& f) {
            auto& d = static_cast<startup::EntryDialog&>(f);
            drv.type(d.txtName, name);
            drv.type(d.txtData, data);
            drv.click(d.cmdOK);
            if (stayedOpen) *stayedOpen = d.visible();
        });
    }
    int Row(const std::string& name) {
        for (int i = 0; i < form.ListView.count(); ++i)
            if (form.ListView.text(i) == name) return i;
        return -1;
    }

    plat::Win32Registry reg;
    plat::Win32Files files;
    plat::FakeShell shell;  // the web label is not pressed here
    plat::Win32Icons icons;
    plat::Win32Clock clock;
    plat::Win32ShellLinks links;
    plat::Win32RecycleBin recycleBin;
    plat::Win32Environment environment;
    ui::HeadlessHost host;
    ui::Driver drv{host};
    startup::FrmMain form{host, {reg, files, shell, icons, clock, links, recycleBin, environment}};
};

TEST_F(StartupE2E, CreateRenameModifyDeleteOnTheRealRunKeys) {
    const std::string name = "Scl E2E Notepad \xC3\x9C";  // a name outside ASCII
    const std::string data = "\"C:\\windows\\notepad.exe\" /a \xE2\x9C\x93";
    form.show();
    ASSERT_TRUE(form.Option1[1].value());

    Edit("frmCreate", name, data);
    drv.click(form.cmdCreate);
    EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, name), data);
    ASSERT_GE(Row(name), 0);
    EXPECT_EQ(form.ListView.subItem(Row(name), 1), data);

    bool stayedOpen = false;
    Edit("frmCreate", "scl e2e notepad \xC3\x9C", "other.exe", &stayedOpen);
    drv.click(form.cmdCreate);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(host.boxes.back().text, startup::kDuplicateText);
    EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, name), data);

    // Rename: the new name holds the new data, the old name is gone.
    drv.clickRow(form.ListView, Row(name));
    Edit("frmModify", "Scl E2E Editor", "C:\\windows\\regedit.exe");
    drv.click(form.cmdModify);
    EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, name), std::nullopt);
    EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, "Scl E2E Editor"), "C:\\windows\\regedit.exe");

    // In place: new data, and a change of letter case only.
    drv.clickRow(form.ListView, Row("Scl E2E Editor"));
    Edit("frmModify", "SCL E2E EDITOR", "C:\\windows\\regedit.exe /m");
    drv.click(form.cmdModify);
    EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, "SCL E2E EDITOR"), "C:\\windows\\regedit.exe /m");
    const std::vector<std::string> names = RunNames(HKEY_CURRENT_USER);
    EXPECT_EQ(std::count(names.begin(), names.end(), "SCL E2E EDITOR"), 1);  // the new spelling, exactly
    EXPECT_EQ(std::count(names.begin(), names.end(), "Scl E2E Editor"), 0);
    int editors = 0;
    for (int i = 0; i < form.ListView.count(); ++i)
        if (text::equalNoCase(form.ListView.text(i), "Scl E2E Editor")) ++editors;
    EXPECT_EQ(editors, 1);
    EXPECT_GE(Row("SCL E2E EDITOR"), 0);

    // A value longer than 255 characters and one after it are both listed.
    const std::string longData = "C:\\" + std::string(300, 'L') + ".exe";
    WriteRun(HKEY_CURRENT_USER, "Scl E2E Long", longData);
    WriteRun(HKEY_CURRENT_USER, "Scl E2E Zz after", "z.exe");
    drv.click(form.Option1[1]);
    ASSERT_GE(Row("Scl E2E Long"), 0);
    EXPECT_EQ(form.ListView.subItem(Row("Scl E2E Long"), 1), longData);
    EXPECT_GE(Row("Scl E2E Zz after"), 0);

    for (const char* gone : {"SCL E2E EDITOR", "Scl E2E Long", "Scl E2E Zz after"}) {
        drv.clickRow(form.ListView, Row(gone));
        host.answer(ui::mb::Yes);
        drv.click(form.cmdDelete);
        EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, gone), std::nullopt) << gone;
        EXPECT_EQ(Row(gone), -1) << gone;
    }
}

TEST_F(StartupE2E, AllUsersViewWritesTheLocalMachineKey) {
    form.show();
    drv.click(form.Option1[0]);
    Edit("frmCreate", "Scl E2E Machine", "C:\\windows\\explorer.exe");
    drv.click(form.cmdCreate);
    EXPECT_EQ(ReadRun(HKEY_LOCAL_MACHINE, "Scl E2E Machine"), "C:\\windows\\explorer.exe");
    EXPECT_EQ(ReadRun(HKEY_CURRENT_USER, "Scl E2E Machine"), std::nullopt);
    ASSERT_GE(Row("Scl E2E Machine"), 0);
    drv.clickRow(form.ListView, Row("Scl E2E Machine"));
    host.answer(ui::mb::Yes);
    drv.keyDown(form.ListView, ui::kKeyDelete);
    EXPECT_EQ(ReadRun(HKEY_LOCAL_MACHINE, "Scl E2E Machine"), std::nullopt);
}

// The Startup folder through the real shell: a shortcut saved with the link interface is listed
// with its target, disabled and enabled through the state value Windows reads, and deleted to
// the Recycle Bin with its state.
TEST_F(StartupE2E, StartupFolderShortcutThroughTheRealShell) {
    wchar_t folder[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr, 0, folder), S_OK);
    const std::wstring lnk = std::wstring(folder) + L"\\Scl E2E Notepad.lnk";
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // S_FALSE: the thread had it
    ASSERT_TRUE(SUCCEEDED(com));
    {
        IShellLinkW* link = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)),
                  S_OK);
        link->SetPath(L"C:\\windows\\notepad.exe");
        link->SetArguments(L"/p todo.txt");
        IPersistFile* file = nullptr;
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
        EXPECT_EQ(file->Save(lnk.c_str(), TRUE), S_OK);
        file->Release();
        link->Release();
    }
    CoUninitialize();  // once for each successful CoInitializeEx

    const std::string name = "Scl E2E Notepad.lnk";
    form.show();
    const int row = form.RowOf(startup::kUserFolder, name);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(text::equalNoCase(form.ListView.subItem(row, 1), "C:\\windows\\notepad.exe /p todo.txt"))
        << form.ListView.subItem(row, 1);
    EXPECT_EQ(form.ListView.subItem(row, 2), "Startup folder");
    EXPECT_EQ(form.ListView.subItem(row, 3), "Enabled");

    auto state = [&]() -> std::vector<uint8_t> {
        const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
        DWORD type = 0, bytes = 64;
        std::vector<uint8_t> data(64);
        if (RegGetValueW(HKEY_CURRENT_USER, key, L"Scl E2E Notepad.lnk", RRF_RT_ANY, &type, data.data(), &bytes) !=
            ERROR_SUCCESS)
            return {};
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
        data.resize(bytes);
        return data;
    };
    FILETIME before{};
    GetSystemTimeAsFileTime(&before);
    drv.clickRow(form.ListView, row);
    drv.click(form.cmdDisable);
    std::vector<uint8_t> disabled = state();
    ASSERT_EQ(disabled.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(disabled.begin(), disabled.begin() + 4), (std::vector<uint8_t>{3, 0, 0, 0}));
    uint64_t when = 0;
    for (int i = 11; i >= 4; --i) when = (when << 8) | disabled[i];
    const uint64_t start = (static_cast<uint64_t>(before.dwHighDateTime) << 32) | before.dwLowDateTime;
    EXPECT_GE(when, start);
    EXPECT_LT(when - start, 600ULL * 10000000);  // the time of the change, UTC
    EXPECT_EQ(form.ListView.subItem(form.RowOf(startup::kUserFolder, name), 3), "Disabled");
    drv.click(form.cmdEnable);
    EXPECT_EQ(state().at(0), 2);

    host.answer(ui::mb::Yes);
    drv.click(form.cmdDelete);
    EXPECT_EQ(GetFileAttributesW(lnk.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(state().empty());
    EXPECT_EQ(form.RowOf(startup::kUserFolder, name), -1);
}

// An expandable Run value is listed, its variables expanded for the file test, and a change of
// its command line keeps its type.
TEST_F(StartupE2E, ExpandableRunValueKeepsItsType) {
    const std::u16string data = u"%SystemRoot%\\notepad.exe";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRun, L"Scl E2E Expand", REG_EXPAND_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * 2)),
              ERROR_SUCCESS);
    form.show();
    drv.click(form.Option1[1]);
    ASSERT_GE(Row("Scl E2E Expand"), 0);
    const startup::StartupEntry* e = form.EntryOfRow(Row("Scl E2E Expand"));
    EXPECT_TRUE(text::equalNoCase(e->program, "C:\\windows\\notepad.exe")) << e->program;
    drv.clickRow(form.ListView, Row("Scl E2E Expand"));
    Edit("frmModify", "Scl E2E Expand", "%SystemRoot%\\regedit.exe");
    drv.click(form.cmdModify);
    DWORD type = 0;
    ASSERT_EQ(
        RegGetValueW(HKEY_CURRENT_USER, kRun, L"Scl E2E Expand", RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun, L"Scl E2E Expand");
}

}  // namespace

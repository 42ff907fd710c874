// The cleaner's main window on real controls, over the real registry of a throwaway prefix.
// Needs a display (run under xvfb-run).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "cleaner/ui/frm_main.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"
#include "common/ui/win32/win32_host.h"
#include "tests/support/reg_file.h"

namespace {

constexpr const char* kSettings = "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner";
constexpr const char* kPlant = "Software\\ScourlineSmoke";

// The real file system with the application folder in a scratch folder of its own.
class ScratchFiles : public plat::Win32Files {
public:
    explicit ScratchFiles(std::string folder) : folder_(std::move(folder)) {}
    std::string applicationFolder() override { return folder_; }

private:
    std::string folder_;
};

std::string tempFolder() {
    wchar_t buf[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buf);
    std::string dir = text::fromUtf16(reinterpret_cast<const char16_t*>(buf)) + "scourline-ui-smoke";
    CreateDirectoryW(reinterpret_cast<LPCWSTR>(text::toUtf16(dir).c_str()), nullptr);
    return dir;
}

std::string textOf(HWND h) {
    wchar_t buf[512] = {};
    SendMessageW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
    return text::fromUtf16(reinterpret_cast<const char16_t*>(buf));
}

std::string lvText(HWND lv, int row, int col) {
    wchar_t buf[512] = {};
    LVITEMW it{};
    it.iSubItem = col;
    it.pszText = buf;
    it.cchTextMax = 512;
    SendMessageW(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
    return text::fromUtf16(reinterpret_cast<const char16_t*>(buf));
}

// Answers the next question box titled "Scourline" from another thread, as a user would.
class Answerer {
public:
    explicit Answerer(int button) {
        thread_ = std::thread([this, button] {
            for (int i = 0; i < 1000 && !stop_; ++i) {
                HWND box = FindWindowW(L"#32770", L"Scourline");
                if (box) {
                    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
                    answered_ = true;
                    return;
                }
                Sleep(10);
            }
        });
    }
    ~Answerer() {
        stop_ = true;
        thread_.join();
    }
    bool answered() const { return answered_; }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
};

class MainSmoke : public ::testing::Test {
protected:
    plat::Win32Registry reg;
    ScratchFiles files{tempFolder()};
    plat::FakeShell shell;
    plat::Win32Clock clock;
    plat::Services svc{reg, files, shell, clock};
    ui::Win32Host host;
    std::unique_ptr<cleaner::FrmMain> form;

    void SetUp() override {
        regfile::deleteTree(reg, plat::kHkeyCurrentUser, "Software\\Tolvane");
        regfile::deleteTree(reg, plat::kHkeyCurrentUser, kPlant);
        files.deleteFile(files.applicationFolder() + "\\Exclude.lst");
        cleaner::MainStartOptions opts;
        opts.singleInstance = false;
        opts.showWizard = false;
        form = std::make_unique<cleaner::FrmMain>(host, svc, opts);
        form->show();
        if (!hwnd(*form)) GTEST_SKIP() << "no window could be created: is there a display (xvfb-run)?";
        host.doEvents();
    }
    void TearDown() override {
        regfile::deleteTree(reg, plat::kHkeyCurrentUser, kPlant);
        if (form && form->loaded()) form->unload(ui::kUnloadByApp);
    }
    HWND hwnd(const ui::Control& c) { return reinterpret_cast<HWND>(host.controlHandle(c)); }
    HWND hwnd(const ui::Form& f) { return reinterpret_cast<HWND>(host.nativeHandle(f)); }
    std::string setting(const std::string& name) {
        return mdlreg::ReadStringSetting(reg, plat::kHkeyCurrentUser, kSettings, name, "<absent>");
    }
    void plant(const std::string& name, const std::string& data) {
        mdlreg::WriteStringValue(reg, plat::kHkeyCurrentUser, kPlant, name, data);
    }
    bool planted(const std::string& name) {
        return mdlreg::ReadStringSetting(reg, plat::kHkeyCurrentUser, kPlant, name, "<absent>") != "<absent>";
    }
};

TEST_F(MainSmoke, ButtonsSwitchViewsOnRealControls) {
    EXPECT_EQ(textOf(hwnd(*form)), "Tolvane Registry Cleaner 4.21");
    EXPECT_EQ(textOf(hwnd(form->cmdScan)), "Scan now");
    SendMessageW(hwnd(form->o3), BM_CLICK, 0, 0);
    host.doEvents();
    EXPECT_EQ(form->o3.caption(), "Hide options");
    EXPECT_EQ(textOf(hwnd(form->o3)), "Hide options");
    EXPECT_TRUE(IsWindowVisible(hwnd(form->lvLocations)));
    EXPECT_FALSE(IsWindowVisible(hwnd(form->lvInvalidLoc)));
    SendMessageW(hwnd(form->o3), BM_CLICK, 0, 0);
    host.doEvents();
    EXPECT_EQ(textOf(hwnd(form->o3)), "Show options");
    EXPECT_TRUE(IsWindowVisible(hwnd(form->lvInvalidLoc)));
    EXPECT_FALSE(IsWindowVisible(hwnd(form->lvLocations)));
}

TEST_F(MainSmoke, TickingAnAreaInTheRealListSavesIt) {
    SendMessageW(hwnd(form->o3), BM_CLICK, 0, 0);
    host.doEvents();
    HWND lv = hwnd(form->lvLocations);
    ASSERT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 8);
    EXPECT_EQ(lvText(lv, 3, 0), "Invalid Shared Dll's");
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    // Space toggles the focused row, as a user's key press would.
    LVITEMW it{};
    it.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    it.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageW(lv, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&it));
    SendMessageW(lv, WM_KEYDOWN, VK_SPACE, 0);
    host.doEvents();
    EXPECT_FALSE(form->lvLocations.checked(2));
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_EQ(setting("LocState"), "1;1;0;1;1;1;1;1");
}

TEST_F(MainSmoke, ModelChangesShowInTheRealControls) {
    form->appendRow({"HKEY_CURRENT_USER\\Software\\Ключ", "v", "C:\\gone.exe", "Invalid path", "1", ""});
    form->setInvalidCount(1);
    host.doEvents();
    HWND lv = hwnd(form->lvInvalidLoc);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(lvText(lv, 0, 0), "HKEY_CURRENT_USER\\Software\\Ключ");
    EXPECT_EQ(lvText(lv, 0, 3), "Invalid path");
    EXPECT_EQ(textOf(hwnd(form->Label1)), "Errors found : 1");
}

TEST_F(MainSmoke, FixSelectedThroughTheWindowDeletesExactlyTheSelectedValues) {
    plant("a", "C:\\nothere\\a.exe");
    plant("b", "C:\\nothere\\b.exe");
    plant("c", "C:\\nothere\\c.exe");
    plant("keep", "C:\\windows\\system32\\notepad.exe");
    const std::string loc = std::string("HKEY_CURRENT_USER\\") + kPlant;
    // Rows as the scan lists them, with the data it read.
    for (const std::string n : {"a", "b", "c"})
        form->appendRow({loc, n, "C:\\nothere\\" + n + ".exe", "Invalid path", "1", ""});
    host.doEvents();
    HWND lv = hwnd(form->lvInvalidLoc);
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = LVIS_SELECTED;
    SendMessageW(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&it));
    SendMessageW(lv, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&it));
    host.doEvents();
    ASSERT_TRUE(form->lvInvalidLoc.selected(0) && form->lvInvalidLoc.selected(2));
    {
        Answerer yes(IDYES);
        SendMessageW(hwnd(form->o4), BM_CLICK, 0, 0);
        host.doEvents();
        EXPECT_TRUE(yes.answered());
    }
    EXPECT_FALSE(planted("a"));
    EXPECT_TRUE(planted("b"));
    EXPECT_FALSE(planted("c"));
    EXPECT_TRUE(planted("keep"));
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(lvText(lv, 0, 1), "b");
}

TEST_F(MainSmoke, ClosingTheWindowStoresTheSettings) {
    SendMessageW(hwnd(form->o3), BM_CLICK, 0, 0);
    SendMessageW(hwnd(form->chkSkipCDLan), BM_CLICK, 0, 0);
    host.doEvents();
    EXPECT_EQ(setting("chkSkipCDLan"), "1");
    SendMessageW(hwnd(*form), WM_CLOSE, 0, 0);
    host.doEvents();
    EXPECT_EQ(setting("LocState"), "1;1;1;1;1;1;1;1");
    EXPECT_EQ(setting("Locations"),
              "HKEY_CURRENT_USER;HKEY_USERS;HKEY_LOCAL_MACHINE;Invalid Shared Dll's;Virtual Device Drivers;"
              "Bad Font References;Invalid File Associations;ActiveX and COM");
    EXPECT_EQ(setting("LocDesc"),
              "Stores information about currently loged-in user;Stores information about all users;"
              "Stores global information about the computer;Find orphaned references to shared system .dll files;"
              "Find invalid references to virtual device drivers;Find invalid font references;"
              "Find invalid file association links;Find invalid Typelib/CLSID/Interface");
    EXPECT_EQ(setting("chkSkipCDLan"), "1");
    EXPECT_TRUE(host.quitting());
}

}  // namespace

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
#include <functional>

#include "cleaner/ui/app_state.h"
#include "cleaner/ui/frm_exclude_location.h"
#include "cleaner/ui/frm_main.h"
#include "cleaner/ui/frm_un.h"
#include "cleaner/ui/frm_update.h"
#include "cleaner/ui/frm_wizard.h"
#include "cleaner/ui/how.h"
#include "common/platform/fake/fake_shell.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"
#include "common/ui/win32/win32_host.h"
#include "tests/cleaner_ui/listed_finding.h"
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

HWND childOfClass(HWND top, const wchar_t* cls) {
    struct Find {
        const wchar_t* cls;
        HWND found;
    } f{cls, nullptr};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            wchar_t c[64] = {};
            GetClassNameW(h, c, 64);
            if (_wcsicmp(c, f->cls) != 0) return TRUE;
            f->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND childWithText(HWND top, const wchar_t* text) {
    struct Find {
        const wchar_t* text;
        HWND found;
    } f{text, nullptr};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            wchar_t buf[256] = {};
            GetWindowTextW(h, buf, 256);
            if (wcscmp(buf, f->text) != 0) return TRUE;
            f->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

// The user inside the exclude dialog, from another thread while the program's modal loop
// runs: types a text into the real edit box and presses Enter there. When Enter leaves the
// dialog open, the user presses OK.
class ExcludeDialogUser {
public:
    explicit ExcludeDialogUser(std::wstring text) {
        thread_ = std::thread([this, text] {
            HWND dlg = nullptr;
            for (int i = 0; i < 1000 && !dlg && !stop_; ++i) {
                dlg = FindWindowW(nullptr, L"Exclude locations");
                if (dlg && !IsWindowVisible(dlg)) dlg = nullptr;
                if (!dlg) Sleep(10);
            }
            if (!dlg) return;
            HWND edit = childOfClass(dlg, L"Edit");
            if (!edit) return;
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
            PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
            for (int i = 0; i < 100 && IsWindow(dlg) && IsWindowVisible(dlg); ++i) Sleep(10);
            enterClosed_ = !IsWindow(dlg) || !IsWindowVisible(dlg);
            if (!enterClosed_) {
                typedAfterEnter_ = textOf(edit);
                PostMessageW(childWithText(dlg, L"OK"), BM_CLICK, 0, 0);
            }
            done_ = true;
        });
    }
    ~ExcludeDialogUser() {
        stop_ = true;
        thread_.join();
    }
    bool done() const { return done_; }
    bool enterClosed() const { return enterClosed_; }
    std::string typedAfterEnter() const { return typedAfterEnter_; }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false}, done_{false}, enterClosed_{false};
    std::string typedAfterEnter_;
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
        cleaner::ScanOnActivate = false;
        regfile::deleteTree(reg, plat::kHkeyCurrentUser, "Software\\Tolvane");
        regfile::deleteTree(reg, plat::kHkeyCurrentUser, kPlant);
        files.deleteFile(files.applicationFolder() + "\\Exclude.lst");
        files.deleteFile(files.applicationFolder() + "\\spanish.dll");
        restart();
        if (!hwnd(*form)) GTEST_SKIP() << "no window could be created: is there a display (xvfb-run)?";
    }
    void TearDown() override {
        cleaner::ScanOnActivate = false;
        regfile::deleteTree(reg, plat::kHkeyCurrentUser, kPlant);
        files.deleteFile(files.applicationFolder() + "\\spanish.dll");
        if (form && form->loaded()) form->unload(ui::kUnloadByApp);
        // The close ends the message loop with a quit message: it must not reach the next test.
        MSG m;
        while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    }
    // A new main window over the same registry and folder. The old one goes without its close
    // handler (which would end the message loop of this host).
    void restart() {
        form.reset();
        host.processMessages();
        cleaner::MainStartOptions opts;
        opts.singleInstance = false;
        opts.showWizard = false;
        form = std::make_unique<cleaner::FrmMain>(host, svc, opts);
        form->show();
        host.doEvents();
    }
    // Pumps the message loop until `done` or about ten seconds have passed.
    bool pumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 1000; ++i) {
            host.processMessages();
            if (done()) return true;
            Sleep(10);
        }
        return false;
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
    form->appendFinding(ListedFinding("HKEY_CURRENT_USER\\Software\\Ключ", "v", "C:\\gone.exe", "Invalid path"));
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
        form->appendFinding(ListedFinding(loc, n, "C:\\nothere\\" + n + ".exe", "Invalid path"));
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

TEST_F(MainSmoke, OnlyTheResultsViewIsVisibleFromTheStart) {
    for (const ui::Control* c : std::initializer_list<const ui::Control*>{&form->f3, &form->f4, &form->lvInvalidLoc})
        EXPECT_TRUE(IsWindowVisible(hwnd(*c))) << c->name();
    for (const ui::Control* c : std::initializer_list<const ui::Control*>{
             &form->f1, &form->f2, &form->lvLocations, &form->lvExclude, &form->chkSkipCDLan, &form->cmdExclude[0]})
        EXPECT_FALSE(IsWindowVisible(hwnd(*c))) << c->name();
}

// After a scan that the wizard asked for (ScanOnActivate stays set), Show options, Add..., a
// text typed into the real edit box and Enter: the dialog closes as by OK, the list ends with
// all its entries and no scan starts.
TEST_F(MainSmoke, EnterInTheRealExcludeBoxAddsTheEntryAndStartsNoScan) {
    mdlreg::WriteStringValue(reg, plat::kHkeyCurrentUser, kSettings, "LocState", "1;0;0;0;0;0;0;0");
    files.writeFile(files.applicationFolder() + "\\Exclude.lst", "SmokeExA;;Yes;;True\r\nSmokeExB;;Yes;;True\r\n");
    for (const char* k : {"SmokeExA", "SmokeExB", "SmokeOther"})
        mdlreg::WriteStringValue(reg, plat::kHkeyCurrentUser, std::string(kPlant) + "\\" + k, "v",
                                 std::string("C:\\nothere\\") + k + ".exe");
    restart();
    ASSERT_EQ(form->lvExclude.count(), 2);
    cleaner::ScanOnActivate = true;  // as the wizard's Scan leaves it
    SendMessageW(hwnd(form->cmdScan), BM_CLICK, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return !form->ScanRunning() && form->ProgressBar1.value() == 100; }));
    auto rows = [&] {
        std::string s;
        for (int i = 0; i < form->lvInvalidLoc.count(); ++i)
            if (form->lvInvalidLoc.text(i).find("ScourlineSmoke") != std::string::npos)
                s += form->lvInvalidLoc.text(i) + ";";
        return s;
    };
    const std::string found = rows();
    EXPECT_EQ(found, "HKEY_CURRENT_USER\\software\\ScourlineSmoke\\SmokeOther;");

    SendMessageW(hwnd(form->o3), BM_CLICK, 0, 0);
    host.processMessages();
    ASSERT_EQ(form->o3.caption(), "Hide options");
    {
        ExcludeDialogUser user(L"SmokeNew");
        PostMessageW(hwnd(form->cmdExclude[0]), BM_CLICK, 0, 0);
        ASSERT_TRUE(pumpUntil([&] { return user.done() && form->lvExclude.count() >= 3; }));
        EXPECT_TRUE(user.enterClosed()) << "Enter left the dialog open; the box then read \"" << user.typedAfterEnter()
                                        << "\"";
    }
    // Whatever the message loop still holds runs now.
    for (int i = 0; i < 20; ++i) {
        host.processMessages();
        Sleep(10);
    }
    ASSERT_EQ(form->lvExclude.count(), 3);
    EXPECT_EQ(form->lvExclude.text(0), "SmokeExA");
    EXPECT_EQ(form->lvExclude.text(1), "SmokeExB");
    EXPECT_EQ(form->lvExclude.text(2), "SmokeNew");
    EXPECT_EQ(*files.readFile(files.applicationFolder() + "\\Exclude.lst"),
              "SmokeExA;;Yes;;True\r\nSmokeExB;;Yes;;True\r\nSmokeNew;;Yes;;True\r\n");
    EXPECT_FALSE(cleaner::ScanOnActivate);
    EXPECT_EQ(form->o3.caption(), "Hide options") << "a scan switched to the results view";
    EXPECT_EQ(rows(), found);
}

// Click on row 0, Ctrl+click on row 2 of the real list: the panel and "Edit the registry
// entry" follow row 2.
TEST_F(MainSmoke, ClickAndCtrlClickOnTheRealListUseTheClickedRow) {
    std::vector<std::string> jumps;
    form->JumpToKey = [&](const std::string& p) { jumps.push_back(p); };
    form->appendFinding(ListedFinding("HKEY_CURRENT_USER\\Software\\One", "a", "data one", "Reason one"));
    form->appendFinding(ListedFinding("HKEY_CURRENT_USER\\Software\\Two", "b", "data two", "Reason two"));
    form->appendFinding(ListedFinding("HKEY_CURRENT_USER\\Software\\Three", "c", "data three", "Reason three"));
    host.processMessages();
    HWND lv = hwnd(form->lvInvalidLoc);
    auto click = [&](int row, bool ctrl) {
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageW(lv, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
        WPARAM keys = ctrl ? MK_CONTROL : 0;
        PostMessageW(lv, WM_LBUTTONDOWN, keys | MK_LBUTTON, at);
        PostMessageW(lv, WM_LBUTTONUP, keys, at);
        host.processMessages();
    };
    click(0, false);
    click(2, true);
    ASSERT_TRUE(form->lvInvalidLoc.selected(0) && form->lvInvalidLoc.selected(2));
    EXPECT_EQ(form->lvInvalidLoc.focusedIndex(), 2);
    EXPECT_EQ(form->lblProblemaA.caption(), "Problem: Reason three");
    EXPECT_EQ(form->lblProblemaB.caption(), "data three");
    EXPECT_EQ(form->lblProblemaC.caption(), "Location: HKEY_CURRENT_USER\\Software\\Three");
    SendMessageW(hwnd(form->o7), BM_CLICK, 0, 0);
    host.processMessages();
    EXPECT_EQ(jumps, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Three"}));
}

// ---- captions that do not fit their controls under this display (96 DPI under Xvfb) ----

std::wstring wideText(const std::string& s) {
    std::u16string w = text::toUtf16(s);
    return std::wstring(w.begin(), w.end());
}

// Every caption shown now in the form, measured with the control's own font against the room
// the control gives it; each one that does not fit is reported as "form.control: needs/has".
int findCutCaptions(ui::Win32Host& host, ui::Form& f, std::vector<std::string>* cuts) {
    int measured = 0;
    for (ui::Control* c : f.controls()) {
        if (!c->shown()) continue;
        HWND h = reinterpret_cast<HWND>(host.controlHandle(*c));
        if (!h) continue;
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
        RECT client{};
        GetClientRect(h, &client);
        const int width = client.right, height = client.bottom;
        auto report = [&](const std::string& what, int need, int have) {
            ++measured;
            if (need > have)
                cuts->push_back(f.name() + "." + c->name() +
                                (c->index() >= 0 ? "(" + std::to_string(c->index()) + ")" : "") + what + ": needs " +
                                std::to_string(need) + " px, has " + std::to_string(have));
        };
        auto singleLine = [&](const std::string& s) {
            std::wstring w = wideText(s);
            RECT r{0, 0, 0, 0};
            DrawTextW(dc, w.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
            return static_cast<int>(r.right);
        };
        const std::string caption = c->caption();
        switch (c->kind()) {
            case ui::Kind::Button:
                if (!caption.empty()) report(" \"" + caption + "\"", singleLine(caption), width - 8);
                break;
            case ui::Kind::CheckBox:
            case ui::Kind::OptionButton:
                // The box (13 px) and the gap after it.
                if (!caption.empty()) report(" \"" + caption + "\"", singleLine(caption), width - 19);
                break;
            case ui::Kind::Frame:
                if (!caption.empty()) report(" \"" + caption + "\"", singleLine(caption), width - 14);
                break;
            case ui::Kind::Label: {
                if (caption.empty()) break;
                if (!static_cast<ui::Label*>(c)->wordWrap) {
                    report(" \"" + caption + "\"", singleLine(caption), width);
                    break;
                }
                std::wstring w = wideText(caption);
                RECT r{0, 0, width, 0};
                DrawTextW(dc, w.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
                report(" \"" + caption + "\" (width)", r.right, width);
                report(" \"" + caption + "\" (lines)", r.bottom, height);
                break;
            }
            case ui::Kind::ListView: {
                HWND header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
                if (!header || !IsWindowVisible(header)) break;
                HDC hdc = GetDC(header);
                HGDIOBJ hold = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
                const auto& columns = static_cast<ui::ListView*>(c)->columns();
                for (size_t i = 0; i < columns.size(); ++i) {
                    RECT item{};
                    SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
                    std::wstring w = wideText(columns[i].text);
                    RECT r{0, 0, 0, 0};
                    DrawTextW(hdc, w.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
                    // The header keeps three edges' width free on each side of its text.
                    report(" column \"" + columns[i].text + "\"", r.right, item.right - item.left - 12);
                }
                SelectObject(hdc, hold);
                ReleaseDC(header, hdc);
                break;
            }
            default: break;
        }
        SelectObject(dc, old);
        ReleaseDC(h, dc);
    }
    return measured;
}

TEST_F(MainSmoke, NoCaptionOfTheCleanersWindowsIsCut) {
    std::vector<std::string> cuts;
    for (bool spanish : {false, true}) {
        SCOPED_TRACE(spanish ? "Spanish" : "English");
        if (spanish) files.writeFile(files.applicationFolder() + "\\spanish.dll", "");
        restart();
        EXPECT_GT(findCutCaptions(host, *form, &cuts), 15);  // the results view
        SendMessageW(hwnd(form->o3), BM_CLICK, 0, 0);
        host.processMessages();
        EXPECT_GT(findCutCaptions(host, *form, &cuts), 10);  // the options view

        auto spanishMode = [spanish] { return spanish; };
        cleaner::FrmExcludeLocation dlg(host, spanishMode);
        dlg.show();
        host.processMessages();
        EXPECT_GE(findCutCaptions(host, dlg, &cuts), 4);
        dlg.unload();

        cleaner::FrmWizard wizard(host, form->lvLocations, files, shell, spanishMode);
        wizard.show();
        host.processMessages();
        EXPECT_GE(findCutCaptions(host, wizard, &cuts), 5);  // page 1
        wizard.OKButton.userClick();
        host.processMessages();
        EXPECT_GE(findCutCaptions(host, wizard, &cuts), 3);  // page 2
        wizard.unload();

        cleaner::FrmUn un(host, reg, files, shell, [](const std::string&) { return std::optional<std::string>(); });
        un.show();
        host.processMessages();
        EXPECT_GE(findCutCaptions(host, un, &cuts), 3);
        un.unload();

        cleaner::How about(host, files, shell, [](ui::Form&) {});
        about.show();
        host.processMessages();
        EXPECT_GE(findCutCaptions(host, about, &cuts), 6);
        about.unload();

        cleaner::FrmUpdate update(host, nullptr);
        update.show();
        host.processMessages();
        findCutCaptions(host, update, &cuts);  // its texts are set by the check
        update.unload();
        host.processMessages();
    }
    std::string all;
    for (const std::string& c : cuts) all += "\n  " + c;
    EXPECT_TRUE(cuts.empty()) << cuts.size() << " cut captions:" << all;
}

}  // namespace

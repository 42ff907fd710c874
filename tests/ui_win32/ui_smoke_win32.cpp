// The Win32 backend on real controls: messages in, model events out; model changes in, real
// controls out. Needs a display (run under xvfb-run).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

#include "common/text/text.h"
#include "common/ui/win32/win32_host.h"
#include "tests/ui_win32/demo_form.h"

namespace {

HWND hwndOf(ui::Win32Host& host, const ui::Control& c) { return reinterpret_cast<HWND>(host.controlHandle(c)); }
HWND hwndOf(ui::Win32Host& host, const ui::Form& f) { return reinterpret_cast<HWND>(host.nativeHandle(f)); }

std::string textOf(HWND h) {
    wchar_t buf[512] = {};
    SendMessageW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
    return text::fromUtf16(reinterpret_cast<const char16_t*>(buf));
}

std::string classOf(HWND h) {
    wchar_t buf[128] = {};
    GetClassNameW(h, buf, 128);
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

// Runs the message loop for a while (timers, posted messages).
void pump(ui::Win32Host& host, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        host.processMessages();
        Sleep(5);
    }
}

class Win32Smoke : public ::testing::Test {
protected:
    void SetUp() override {
        form.show();
        if (!hwndOf(host, form)) GTEST_SKIP() << "no window could be created: is there a display (xvfb-run)?";
        host.doEvents();
    }
    ui::Win32Host host;
    FrmDemo form{host};
};

TEST_F(Win32Smoke, EveryControlKindIsARealControl) {
    struct Want {
        const ui::Control& control;
        const char* className;
    } wants[] = {
        {form.cmdGo, "Button"},
        {form.chkDeep, "Button"},
        {form.optSmall, "Button"},
        {form.fraOptions, "Button"},
        {form.lblLink, "Static"},
        {form.txtName, "Edit"},
        {form.cboFind, "ComboBox"},
        {form.cboRoot, "ComboBox"},
        {form.lstAreas, "ListBox"},
        {form.lvRows, "SysListView32"},
        {form.picStatus, "Static"},
        {form.pbWork, "msctls_progress32"},
        {form.sbMain, "msctls_statusbar32"},
    };
    for (const Want& w : wants) {
        HWND h = hwndOf(host, w.control);
        ASSERT_TRUE(IsWindow(h)) << w.control.name();
        EXPECT_EQ(classOf(h), w.className) << w.control.name();
        EXPECT_TRUE(IsWindowVisible(h)) << w.control.name();
    }
    EXPECT_EQ(host.controlHandle(form.tmrTick), 0u);  // a timer has no window
    EXPECT_TRUE(GetMenu(hwndOf(host, form)) != nullptr);

    // Twips follow the real DPI: the client area is the design size.
    RECT rc;
    GetClientRect(hwndOf(host, form), &rc);
    EXPECT_EQ(rc.right, host.toPixels(9600));
    RECT br;
    GetWindowRect(hwndOf(host, form.cmdGo), &br);
    EXPECT_EQ(br.right - br.left, host.toPixels(1800));
}

TEST_F(Win32Smoke, ButtonsCheckBoxesAndOptionsReachTheModel) {
    SendMessageW(hwndOf(host, form.cmdGo), BM_CLICK, 0, 0);
    EXPECT_EQ(form.goClicks, 1);

    SendMessageW(hwndOf(host, form.chkDeep), BM_CLICK, 0, 0);
    EXPECT_EQ(form.chkDeep.value(), 1);
    EXPECT_EQ(SendMessageW(hwndOf(host, form.chkDeep), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(hwndOf(host, form.chkDeep), BM_CLICK, 0, 0);
    EXPECT_EQ(form.chkDeep.value(), 0);
    EXPECT_EQ(SendMessageW(hwndOf(host, form.chkDeep), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    SendMessageW(hwndOf(host, form.optLarge), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.optLarge.value());
    EXPECT_FALSE(form.optSmall.value());
    EXPECT_EQ(SendMessageW(hwndOf(host, form.optSmall), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(hwndOf(host, form.optLarge), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(form.log, (std::vector<std::string>{"chkDeep 1", "chkDeep 0", "optLarge"}));

    // A disabled button is disabled for real and its click does not reach the model.
    form.cmdGo.setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(hwndOf(host, form.cmdGo)));
    SendMessageW(hwndOf(host, form.cmdGo), BM_CLICK, 0, 0);
    SendMessageW(hwndOf(host, form), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwndOf(host, form.cmdGo)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwndOf(host, form.cmdGo)));
    EXPECT_EQ(form.goClicks, 1);

    // The label is clickable.
    SendMessageW(hwndOf(host, form), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwndOf(host, form.lblLink)), STN_CLICKED),
                 reinterpret_cast<LPARAM>(hwndOf(host, form.lblLink)));
    EXPECT_EQ(form.linkClicks, 1);
}

TEST_F(Win32Smoke, ModelChangesShowInTheRealControls) {
    form.cmdGo.setCaption("Stop");
    EXPECT_EQ(textOf(hwndOf(host, form.cmdGo)), "Stop");
    form.txtName.setText("\xd0\x96 caf\xc3\xa9");
    EXPECT_EQ(textOf(hwndOf(host, form.txtName)), "\xd0\x96 caf\xc3\xa9");
    EXPECT_TRUE(form.log.empty());  // a change from code raises nothing
    form.lblArabic.setCaption("\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7");
    EXPECT_EQ(textOf(hwndOf(host, form.lblArabic)), "\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7");
    form.picStatus.setText("HKEY_LOCAL_MACHINE\\Software");
    EXPECT_EQ(textOf(hwndOf(host, form.picStatus)), "HKEY_LOCAL_MACHINE\\Software");

    form.sbMain.setPanel(1, "42 found");
    wchar_t buf[64] = {};
    SendMessageW(hwndOf(host, form.sbMain), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(text::fromUtf16(reinterpret_cast<const char16_t*>(buf)), "42 found");

    form.pbWork.setValue(70);
    EXPECT_EQ(SendMessageW(hwndOf(host, form.pbWork), PBM_GETPOS, 0, 0), 70);

    form.cboRoot.setListIndex(2);
    EXPECT_EQ(SendMessageW(hwndOf(host, form.cboRoot), CB_GETCURSEL, 0, 0), 2);
    form.cboFind.addItem("HKEY_USERS");
    EXPECT_EQ(SendMessageW(hwndOf(host, form.cboFind), CB_GETCOUNT, 0, 0), 3);

    form.lstAreas.setSelected(1, true);
    EXPECT_EQ(SendMessageW(hwndOf(host, form.lstAreas), LB_GETCURSEL, 0, 0), 1);

    form.mScan.setCaption("&Stop");
    wchar_t mb[64] = {};
    GetMenuStringW(GetMenu(hwndOf(host, form)), static_cast<UINT>(form.mScan.id), mb, 64, MF_BYCOMMAND);
    EXPECT_EQ(text::fromUtf16(reinterpret_cast<const char16_t*>(mb)), "&Stop\tF3");
}

TEST_F(Win32Smoke, ListViewIsVirtualAndFollowsTheModel) {
    HWND lv = hwndOf(host, form.lvRows);
    form.fillRows(5);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(lvText(lv, 3, 0), "HKEY_CURRENT_USER\\Software\\Row 3");
    EXPECT_EQ(lvText(lv, 3, 1), "value3");
    EXPECT_TRUE(GetWindowLongW(lv, GWL_STYLE) & LVS_OWNERDATA);

    // Sorting is the model's; the control shows the model's order.
    form.lvRows.setSorting(true, 1, ui::ListView::SortOrder::Descending);
    EXPECT_EQ(lvText(lv, 0, 1), "value4");
    EXPECT_EQ(lvText(lv, 4, 1), "value0");
    form.lvRows.removeItem(0);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(lvText(lv, 0, 1), "value3");

    // Selection both ways.
    form.lvRows.setSelected(2, true);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 2, LVIS_SELECTED), LVIS_SELECTED);
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = LVIS_SELECTED;
    SendMessageW(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_TRUE(form.lvRows.selected(0));

    // Ticks: the model's state is what the control shows.
    form.lvRows.setChecked(1, true);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));

    // 100,000 rows: the control only holds the count.
    form.lvRows.clear();
    form.lvRows.setSorting(false, 0, ui::ListView::SortOrder::Ascending);
    auto t0 = std::chrono::steady_clock::now();
    form.fillRows(100000);
    host.doEvents();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("[ info ] 100000 rows added and shown in %.0f ms\n", ms);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 100000);
    EXPECT_EQ(lvText(lv, 99999, 0), "HKEY_CURRENT_USER\\Software\\Row 99999");
}

TEST_F(Win32Smoke, TickingAListViewRowReachesTheModel) {
    HWND lv = hwndOf(host, form.lvRows);
    form.fillRows(3);
    UpdateWindow(lv);
    RECT r{};
    r.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
    int y = (r.top + r.bottom) / 2, boxX = -1;
    for (int x = r.left; x < r.left + 60 && boxX < 0; ++x) {
        LVHITTESTINFO hit{};
        hit.pt = POINT{x, y};
        if (SendMessageW(lv, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == 0 && (hit.flags & LVHT_ONITEMSTATEICON))
            boxX = x + 2;
    }
    ASSERT_GE(boxX, 0) << "no tick box found in row 0";
    SendMessageW(lv, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(boxX, y));
    SendMessageW(lv, WM_LBUTTONUP, 0, MAKELPARAM(boxX, y));
    EXPECT_TRUE(form.lvRows.checked(0));
    EXPECT_EQ(form.log, std::vector<std::string>{"lvRows check 0"});
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));

    // Space toggles the focused row.
    form.lvRows.setSelected(2, true);
    LVITEMW it{};
    it.stateMask = LVIS_FOCUSED;
    it.state = LVIS_FOCUSED;
    SendMessageW(lv, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&it));
    SendMessageW(lv, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(form.lvRows.checked(2));

    // The model's hit test asks the real control: the middle of row 1.
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(form.lvRows.hitTest(host.toTwips(r.left + 40), host.toTwips((r.top + r.bottom) / 2)), 1);
    EXPECT_EQ(form.lvRows.hitTest(host.toTwips(r.left + 40), host.toTwips(r.bottom + 200)), -1);
}

TEST_F(Win32Smoke, EveryMouseButtonReleasedOverARowReachesMouseUp) {
    HWND lv = hwndOf(host, form.lvRows);
    form.fillRows(3);
    std::vector<std::string> ups;
    form.lvRows.onMouseUp = [&](int button, int x, int y) {
        ups.push_back(std::to_string(button) + " row " + std::to_string(form.lvRows.hitTest(x, y)));
    };
    UpdateWindow(lv);
    RECT r{};
    r.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    const LPARAM at = MAKELPARAM(r.left + 80, (r.top + r.bottom) / 2);
    // Posted: on a button going down the list control waits in a loop of its own for it to
    // come up again.
    PostMessageW(lv, WM_MBUTTONDOWN, MK_MBUTTON, at);
    PostMessageW(lv, WM_MBUTTONUP, 0, at);
    PostMessageW(lv, WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1, XBUTTON1), at);
    PostMessageW(lv, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), at);
    PostMessageW(lv, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(lv, WM_RBUTTONUP, 0, at);
    host.processMessages();
    EXPECT_EQ(ups, (std::vector<std::string>{"4 row 1", "8 row 1", "2 row 1"}));
}

TEST_F(Win32Smoke, RowAskedIntoViewDuringAnUpdateIsInViewWhenItEnds) {
    HWND lv = hwndOf(host, form.lvRows);
    form.lvRows.beginUpdate();
    for (int i = 0; i < 60; ++i) {
        int row = form.lvRows.addItem("row " + std::to_string(i));
        form.lvRows.setSelected(row, true);
        form.lvRows.ensureVisible(row);
    }
    form.lvRows.endUpdate();
    host.processMessages();
    const int top = static_cast<int>(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageW(lv, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_LT(perPage, 60);
    EXPECT_LE(top, 59);
    EXPECT_GT(top + perPage, 59) << "top " << top << ", " << perPage << " rows per page";
}

// A header clicked while rows are still coming in: the sort takes the asked-for row with it.
TEST_F(Win32Smoke, ASortDuringAnUpdateKeepsTheRowAskedIntoView) {
    HWND lv = hwndOf(host, form.lvRows);
    form.lvRows.beginUpdate();
    for (int i = 0; i < 60; ++i) form.lvRows.addItem("row " + std::string(i < 10 ? "0" : "") + std::to_string(i));
    form.lvRows.ensureVisible(0);  // "row 00"
    form.lvRows.setSorting(true, 0, ui::ListView::SortOrder::Descending);
    form.lvRows.endUpdate();
    host.processMessages();
    ASSERT_EQ(form.lvRows.text(59), "row 00");
    const int top = static_cast<int>(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageW(lv, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_LT(perPage, 60);
    EXPECT_GT(top + perPage, 59) << "top " << top << ", " << perPage << " rows per page";
}

TEST_F(Win32Smoke, ListBoxTicksAndCombosTyping) {
    HWND lb = hwndOf(host, form.lstAreas);
    RECT r{};
    SendMessageW(lb, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    SendMessageW(lb, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 6, (r.top + r.bottom) / 2));
    SendMessageW(lb, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 6, (r.top + r.bottom) / 2));
    EXPECT_TRUE(form.lstAreas.checked(1));
    EXPECT_EQ(form.log, std::vector<std::string>{"lstAreas 1"});

    // Typing into the editable combo: KeyPress may swallow, Change follows the text.
    form.log.clear();
    std::vector<int> pressed;
    form.cboFind.onKeyPress = [&](int& k) {
        pressed.push_back(k);
        if (k == 'x') k = 0;
    };
    form.cboFind.setText("");
    SetFocus(hwndOf(host, form.cboFind));
    HWND edit = GetFocus();
    for (wchar_t ch : std::wstring(L"HxK")) PostMessageW(edit, WM_CHAR, ch, 0);
    pump(host, 50);
    EXPECT_EQ(pressed, (std::vector<int>{'H', 'x', 'K'}));
    EXPECT_EQ(form.cboFind.text(), "HK");
    EXPECT_EQ(form.cboFind.selStart(), 2);
    EXPECT_EQ(form.log.back(), "cboFind HK");

    // Picking from the drop-down list.
    HWND cbo = hwndOf(host, form.cboRoot);
    SendMessageW(cbo, CB_SETCURSEL, 1, 0);
    SendMessageW(hwndOf(host, form), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(cbo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(cbo));
    EXPECT_EQ(form.cboRoot.listIndex(), 1);
    EXPECT_EQ(form.cboRoot.text(), "Classes");
    EXPECT_EQ(form.log.back(), "cboRoot 1");
}

TEST_F(Win32Smoke, HiddenFrameHidesItsControls) {
    form.fraOptions.setVisible(false);
    EXPECT_FALSE(IsWindowVisible(hwndOf(host, form.fraOptions)));
    EXPECT_FALSE(IsWindowVisible(hwndOf(host, form.optSmall)));
    EXPECT_FALSE(IsWindowVisible(hwndOf(host, form.chkDeep)));
    EXPECT_TRUE(form.chkDeep.visible());  // the model keeps the control's own flag
    form.fraOptions.setVisible(true);
    EXPECT_TRUE(IsWindowVisible(hwndOf(host, form.chkDeep)));
    form.fraOptions.setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(hwndOf(host, form.chkDeep)));
    form.fraOptions.setEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(hwndOf(host, form.chkDeep)));

    // Moving the frame moves what it holds.
    RECT before, after;
    GetWindowRect(hwndOf(host, form.chkDeep), &before);
    form.fraOptions.move(form.fraOptions.left() + 1440, form.fraOptions.top());
    GetWindowRect(hwndOf(host, form.chkDeep), &after);
    EXPECT_EQ(after.left - before.left, host.toPixels(1440));
}

TEST_F(Win32Smoke, ModalFormDisablesEveryOtherWindowUntilItCloses) {
    ui::Form other(host, "other", "Other window");
    other.show();  // not owned by anyone
    ui::Form modal(host, "modal", "Modal");
    bool mainEnabled = true, otherEnabled = true, modalEnabled = false;
    modal.onActivate = [&] {
        mainEnabled = IsWindowEnabled(hwndOf(host, form));
        otherEnabled = IsWindowEnabled(hwndOf(host, other));
        modalEnabled = IsWindowEnabled(hwndOf(host, modal));
        modal.unload();
    };
    modal.showModal(nullptr);
    EXPECT_FALSE(mainEnabled);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(modalEnabled);
    EXPECT_FALSE(modal.loaded());
    EXPECT_TRUE(IsWindowEnabled(hwndOf(host, form)));
    EXPECT_TRUE(IsWindowEnabled(hwndOf(host, other)));
}

TEST_F(Win32Smoke, ClosingAFormInsideItsHandlerWaitsForTheHandler) {
    HWND h = hwndOf(host, form);
    bool aliveInside = false;
    int pendingInside = 0;
    form.cmdGo.onClick = [&] {
        form.unload();  // e.g. the close box during a scan's yield
        host.doEvents();
        aliveInside = IsWindow(h);  // the scan still writes into the window
        pendingInside = host.pendingDestroys();
        form.picStatus.setText("still here");
    };
    SendMessageW(hwndOf(host, form.cmdGo), BM_CLICK, 0, 0);
    host.doEvents();
    EXPECT_TRUE(aliveInside);
    EXPECT_EQ(pendingInside, 1);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(host.pendingDestroys(), 0);
    EXPECT_FALSE(form.loaded());
}

TEST_F(Win32Smoke, TimersMenusAndAcceleratorsRaiseEvents) {
    form.tmrTick.setEnabled(true);
    pump(host, 400);
    form.tmrTick.setEnabled(false);
    int ticks = form.ticks;
    EXPECT_GT(ticks, 0);
    pump(host, 150);
    EXPECT_EQ(form.ticks, ticks);  // stopped

    SendMessageW(hwndOf(host, form), WM_COMMAND, MAKEWPARAM(form.mScan.id, 0), 0);
    EXPECT_EQ(form.scanMenus, 1);
    SetForegroundWindow(hwndOf(host, form));
    SetFocus(hwndOf(host, form.txtName));
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_F3, 0);
    pump(host, 50);
    EXPECT_EQ(form.scanMenus, 2);
    form.mScan.setEnabled(false);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_F3, 0);
    pump(host, 50);
    EXPECT_EQ(form.scanMenus, 2);

    // Escape presses the cancel button through the dialog navigation.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    pump(host, 50);
    EXPECT_EQ(form.closeClicks, 1);

    // With key preview the form sees keys first and may swallow them.
    std::vector<int> keys;
    form.keyPreview = true;
    form.onKeyPress = [&](int& k) {
        keys.push_back(k);
        if (k == 27) k = 0;
    };
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(GetFocus(), WM_CHAR, 'q', 0);
    pump(host, 50);
    EXPECT_EQ(form.closeClicks, 1);
    EXPECT_EQ(keys, (std::vector<int>{27, 'q'}));
    EXPECT_EQ(form.txtName.text(), "q");
}

TEST_F(Win32Smoke, FormEventsResizeMinimizeActivateClose) {
    pump(host, 50);
    EXPECT_GE(form.activations, 1);
    HWND h = hwndOf(host, form);
    int before = form.resizes;
    SetWindowPos(h, nullptr, 0, 0, host.toPixels(10000), host.toPixels(8000), SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GT(form.resizes, before);
    EXPECT_EQ(form.width(), host.toTwips(host.toPixels(10000)));
    ShowWindow(h, SW_MINIMIZE);
    EXPECT_EQ(form.windowState(), ui::WindowState::Minimized);
    ShowWindow(h, SW_RESTORE);
    EXPECT_EQ(form.windowState(), ui::WindowState::Normal);

    // The minimum size holds against dragging.
    MINMAXINFO mm{};
    SendMessageW(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    EXPECT_EQ(mm.ptMinTrackSize.x, host.toPixels(6000));

    // QueryUnload can refuse the close box.
    bool refuse = true;
    form.onQueryUnload = [&](bool& cancel, int mode) {
        EXPECT_EQ(mode, ui::kUnloadByUser);
        cancel = refuse;
    };
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(h));
    refuse = false;
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(Win32Smoke, WorkThatYieldsSeesAStopPressedMeanwhile) {
    bool stop = false;
    long items = 0;
    form.cmdClose.onClick = [&] { stop = true; };
    form.cmdGo.onClick = [&] {
        // A scan: one item, one yield, until Stop or 5 s.
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!stop && std::chrono::steady_clock::now() < end) {
            ++items;
            host.doEvents();
        }
    };
    PostMessageW(hwndOf(host, form.cmdClose), BM_CLICK, 0, 0);  // waits in the queue
    SendMessageW(hwndOf(host, form.cmdGo), BM_CLICK, 0, 0);
    EXPECT_TRUE(stop);
    EXPECT_GT(items, 0);
    std::printf("[ info ] Stop seen after %ld yields\n", items);
}

TEST_F(Win32Smoke, AnExceptionInAHandlerStaysInsideTheWindowProcedure) {
    form.cmdGo.onClick = [] { throw std::runtime_error("handler failed"); };
    SendMessageW(hwndOf(host, form.cmdGo), BM_CLICK, 0, 0);
    form.cmdGo.onClick = [&] { ++form.goClicks; };
    SendMessageW(hwndOf(host, form.cmdGo), BM_CLICK, 0, 0);
    EXPECT_EQ(form.goClicks, 1);
}

TEST_F(Win32Smoke, MessageBoxIsModalForTheWholeProgram) {
    HWND main = hwndOf(host, form);
    std::atomic<bool> mainWasEnabled{true};
    std::thread answerer([&] {
        for (int i = 0; i < 200; ++i) {
            HWND box = FindWindowW(L"#32770", L"Scourline");
            if (box) {
                mainWasEnabled = IsWindowEnabled(main) != FALSE;
                PostMessageW(box, WM_COMMAND, IDNO, 0);
                return;
            }
            Sleep(20);
        }
    });
    int answer = host.msgBox("Delete?", ui::mb::YesNo | ui::mb::Question, "Scourline");
    answerer.join();
    EXPECT_EQ(answer, ui::mb::No);
    EXPECT_FALSE(mainWasEnabled);
    EXPECT_TRUE(IsWindowEnabled(main));
}

}  // namespace

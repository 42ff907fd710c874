// The peer of a list box: a plain list, or one drawn here with a tick box on each row.

#include <algorithm>

#include "common/ui/win32/win32_control_peers.h"

#include <windowsx.h>

namespace ui::win32 {

namespace {

class ListBoxPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    ListBox& l() const { return static_cast<ListBox&>(c_); }
    const wchar_t* className() const override { return WC_LISTBOXW; }
    DWORD style() const override {
        DWORD s = WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (l().multiSelect()) s |= LBS_EXTENDEDSEL;
        if (l().checkBoxes()) s |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
        return s;
    }
    DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
    bool wantsSubclass() const override { return l().checkBoxes(); }
    void afterCreate() override { fill(); }
    int boxSize() const { return MulDiv(13, fw_.host().dpi(), 96); }
    void fill() {
        if (!hwnd_) return;
        syncing_ = true;
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
        for (const auto& it : l().items())
            SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(it.text).c_str()));
        for (int i = 0; i < l().count(); ++i) applySelection(i);
        SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        syncing_ = false;
    }
    void applySelection(int i) {
        bool sel = l().selected(i);
        if (l().multiSelect()) {
            if ((SendMessageW(hwnd_, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) != sel)
                SendMessageW(hwnd_, LB_SETSEL, sel, i);
        } else {
            int cur = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
            if (sel && cur != i) SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
            if (!sel && cur == i) SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        }
    }
    void propChanged(Prop p, int index) override {
        if (!hwnd_) return;
        if (p == Prop::Items)
            fill();
        else if (p == Prop::Item && index >= 0 && index < l().count()) {
            syncing_ = true;
            applySelection(index);
            syncing_ = false;
            RECT r;
            if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) != LB_ERR)
                InvalidateRect(hwnd_, &r, TRUE);
        }
    }
    void command(WORD code) override {
        if (syncing_ || !c_.reachable()) return;
        if (code == LBN_SELCHANGE) {
            if (!l().multiSelect()) {
                int cur = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
                if (cur >= 0) l().userSelect(cur);
                return;
            }
            for (int i = 0; i < l().count(); ++i) {
                bool sel = SendMessageW(hwnd_, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
                if (sel != l().selected(i)) l().setSelected(i, sel);
            }
            l().userClicked();
        } else if (code == LBN_DBLCLK) {
            int i = static_cast<int>(SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0));
            if (i >= 0 && i < l().count()) l().userDblClick(i);
        }
    }
    void toggle(int i) {
        if (i >= 0 && i < l().count() && c_.reachable()) l().userCheck(i, !l().checked(i));
    }
    bool subclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            int x = GET_X_LPARAM(lp);
            LRESULT hit = SendMessageW(hwnd_, LB_ITEMFROMPOINT, 0, lp);
            if (HIWORD(hit) == 0 && x < boxSize() + 4) {
                fw_.host().runGuarded("ItemCheck", [&] { toggle(static_cast<int>(LOWORD(hit))); });
                if (msg == WM_LBUTTONDBLCLK) {
                    result = 0;
                    return true;
                }
            }
            return false;
        }
        if (msg == WM_CHAR && wp == L' ') {
            int i = static_cast<int>(SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0));
            fw_.host().runGuarded("ItemCheck", [&] { toggle(i); });
            result = 0;
            return true;
        }
        (void)result;
        return false;
    }
    void measureItem(MEASUREITEMSTRUCT* mi) override {
        TEXTMETRICW tm{};
        HDC dc = GetDC(fw_.hwnd());
        const Form& f = fw_.form();
        HGDIOBJ old = SelectObject(dc, fw_.font(c_.fontName().empty() ? f.fontName : c_.fontName(),
                                                c_.fontSize() > 0 ? c_.fontSize() : f.fontSize, c_.bold()));
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(fw_.hwnd(), dc);
        mi->itemHeight = static_cast<UINT>(std::max<LONG>(tm.tmHeight + 3, boxSize() + 3));
    }
    void drawItem(const DRAWITEMSTRUCT* di) override {
        HDC dc = di->hDC;
        RECT r = di->rcItem;
        if (static_cast<int>(di->itemID) < 0 || static_cast<int>(di->itemID) >= l().count()) {
            if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
            return;
        }
        int i = static_cast<int>(di->itemID);
        bool sel = (di->itemState & ODS_SELECTED) != 0;
        FillRect(dc, &r, GetSysColorBrush(sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        int bs = boxSize();
        RECT box{r.left + 2, r.top + (r.bottom - r.top - bs) / 2, 0, 0};
        box.right = box.left + bs;
        box.bottom = box.top + bs;
        FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
        DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (l().checked(i) ? DFCS_CHECKED : 0));
        RECT tr = r;
        tr.left = box.right + 4;
        uint32_t fc = c_.foreColor();
        SetTextColor(dc, sel                   ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                         : fc != kDefaultColor ? toColorRef(fc)
                                               : GetSysColor(COLOR_WINDOWTEXT));
        SetBkMode(dc, TRANSPARENT);
        std::wstring w = wide(l().text(i));
        DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &tr,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    }
};

}  // namespace

std::unique_ptr<ControlPeer> makeListBoxPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<ListBoxPeer>(fw, c, id);
}

}  // namespace ui::win32

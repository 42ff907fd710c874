// The peer of a list view. The list is virtual (LVS_OWNERDATA): the control holds only the row
// count and the selection, and asks for each row's text, icon and tick as it draws it.

#include <algorithm>
#include <cwchar>

#include "common/text/text.h"
#include "common/ui/win32/win32_listview.h"

#include <windowsx.h>

namespace ui::win32 {
namespace {

// The Shift, Ctrl and Alt keys held with the message being handled.
int modifiersHeld() {
    return (GetKeyState(VK_SHIFT) < 0 ? kShiftMask : 0) | (GetKeyState(VK_CONTROL) < 0 ? kCtrlMask : 0) |
           (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
}

// The same from a mouse message's key flags (Alt from the key state: the flags have none).
int modifiersOf(WPARAM mouseKeys) {
    return ((mouseKeys & MK_SHIFT) ? kShiftMask : 0) | ((mouseKeys & MK_CONTROL) ? kCtrlMask : 0) |
           (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
}

}  // namespace

DWORD ListViewPeer::style() const {
    DWORD s = WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    if (!lv().multiSelect) s |= LVS_SINGLESEL;
    if (lv().hideColumnHeaders) s |= LVS_NOCOLUMNHEADER;
    return s;
}

void ListViewPeer::afterCreate() {
    applyExtendedStyle();
    rebuildColumns();
    attachIcons();
    refresh(true);
    ListView* model = &lv();
    HWND h = hwnd_;
    Win32Host& host = fw_.host();
    model->peerHitTest = [model, h, &host](int x, int y) {
        return hitTestPixels(*model, h, host.toPixels(x), host.toPixels(y));
    };
}

void ListViewPeer::destroying() {
    lv().peerHitTest = nullptr;
    detachIcons();
}

int ListViewPeer::hitTestPixels(const ListView& model, HWND h, int x, int y) {
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    int i = static_cast<int>(SendMessageW(h, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (i < 0 || i >= model.count() || !(hit.flags & LVHT_ONITEM)) return -1;
    return i;
}

// Sets only what differs: setting the extended style redraws the whole control.
void ListViewPeer::applyExtendedStyle() {
    DWORD ex = LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP;
    if (lv().fullRowSelect) ex |= LVS_EX_FULLROWSELECT;
    if (lv().checkBoxes) ex |= LVS_EX_CHECKBOXES;
    DWORD mask = LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP | LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES;
    if ((static_cast<DWORD>(SendMessageW(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)) & mask) != ex)
        SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, ex);
    const UINT callbacks = lv().checkBoxes ? LVIS_STATEIMAGEMASK : 0;
    if (static_cast<UINT>(SendMessageW(hwnd_, LVM_GETCALLBACKMASK, 0, 0)) != callbacks)
        SendMessageW(hwnd_, LVM_SETCALLBACKMASK, callbacks, 0);
    if (c_.foreColor() != kDefaultColor &&
        static_cast<COLORREF>(SendMessageW(hwnd_, LVM_GETTEXTCOLOR, 0, 0)) != toColorRef(c_.foreColor()))
        SendMessageW(hwnd_, LVM_SETTEXTCOLOR, 0, toColorRef(c_.foreColor()));
}

void ListViewPeer::rebuildColumns() {
    while (SendMessageW(hwnd_, LVM_DELETECOLUMN, 0, 0)) {}
    for (int i = 0; i < static_cast<int>(lv().columns().size()); ++i) {
        std::wstring t = wide(lv().columns()[static_cast<size_t>(i)].text);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = t.data();
        col.cx = fw_.host().toPixels(lv().columns()[static_cast<size_t>(i)].width);
        col.iSubItem = i;
        SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
    }
    showSortArrow();
}

void ListViewPeer::updateColumn(int i) {
    if (i < 0 || i >= static_cast<int>(lv().columns().size())) return;
    std::wstring t = wide(lv().columns()[static_cast<size_t>(i)].text);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = t.data();
    col.cx = fw_.host().toPixels(lv().columns()[static_cast<size_t>(i)].width);
    SendMessageW(hwnd_, LVM_SETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
}

void ListViewPeer::showSortArrow() {
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
    if (!header) return;
    int n = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        HDITEMW hd{};
        hd.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hd));
        hd.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (lv().sorted() && lv().sortKey() == i)
            hd.fmt |= lv().sortOrder() == ListView::SortOrder::Ascending ? HDF_SORTUP : HDF_SORTDOWN;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hd));
    }
}

void ListViewPeer::attachIcons() {
    if (lv().smallIcons == icons_ && (!icons_ || iconPeer_ == icons_->peer())) return;
    detachIcons();
    icons_ = lv().smallIcons;
    if (!icons_) {
        SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
        return;
    }
    ImageListPeer* ip = imageListPeer(*icons_);
    iconPeer_ = ip;
    ip->users.insert(this);
    ip->sync();
    SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(ip->handle()));
}

void ListViewPeer::detachIcons() {
    if (iconPeer_) static_cast<ImageListPeer*>(iconPeer_)->users.erase(this);
    iconPeer_ = nullptr;
    icons_ = nullptr;
}

void ListViewPeer::iconsChanged() {
    if (!hwnd_) return;
    if (iconPeer_)
        SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL,
                     reinterpret_cast<LPARAM>(static_cast<ImageListPeer*>(iconPeer_)->handle()));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// Brings the row count and the selection of the control to the model's.
void ListViewPeer::refresh(bool full, int index) {
    const int n = lv().count();
    const int before = static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0));
    const bool hadSelection = SendMessageW(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
    syncing_ = true;
    if (before != n)
        SendMessageW(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(n),
                     full ? 0 : LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    // Rows moved (an insertion or removal before the end, a sort): the control keeps its
    // selection by position, so it is set again from the model. A row appended at the end
    // moves nothing, which keeps a long scan that adds rows one by one linear.
    const bool appended = index >= 0 && index == n - 1 && n == before + 1;
    if (full || (hadSelection && !appended)) {
        resyncSelection();
    } else if (index >= 0 && index < n && lv().item(index).selected) {
        setRowSelected(index);
    }
    if (full)
        InvalidateRect(hwnd_, nullptr, TRUE);
    else if (index >= 0 && n > 0)
        SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(std::min(index, n - 1)), static_cast<LPARAM>(n - 1));
    syncing_ = false;
}

void ListViewPeer::resyncSelection() {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = 0;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
    const auto& items = lv().items();
    it.state = LVIS_SELECTED;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].selected) SendMessageW(hwnd_, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&it));
    // The focus follows its row when rows moved (a sort, a removal before it).
    if (int f = lv().focusedIndex(); f >= 0) {
        LVITEMW fi{};
        fi.stateMask = fi.state = LVIS_FOCUSED;
        SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(f), reinterpret_cast<LPARAM>(&fi));
    }
}

void ListViewPeer::setRowSelected(int i) {
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED;
    it.state = lv().selected(i) ? LVIS_SELECTED : 0;
    syncing_ = true;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
    syncing_ = false;
}

void ListViewPeer::propChanged(Prop p, int index) {
    if (!hwnd_) return;
    attachIcons();
    switch (p) {
        case Prop::Items:
            // The extended style only changes with the check-box setting, so a change of rows
            // leaves it alone (setting it again redraws the whole control, ~100 ms under Wine).
            if (index < 0) applyExtendedStyle();
            refresh(index < 0, index);
            break;
        case Prop::Item:
            if (index >= 0 && index < lv().count())
                SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(index), static_cast<LPARAM>(index));
            break;
        case Prop::Selection:
            if (index >= 0 && index < lv().count())
                setRowSelected(index);
            else {
                syncing_ = true;
                resyncSelection();
                syncing_ = false;
            }
            break;
        case Prop::Columns:
            if (index < 0)
                rebuildColumns();
            else
                updateColumn(index);
            break;
        case Prop::Sorting: showSortArrow(); break;
        case Prop::Focus:
            if (index >= 0 && index < lv().count())
                SendMessageW(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
            break;
        case Prop::ForeColor:
            applyExtendedStyle();
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        default: break;
    }
}

void ListViewPeer::toggleChecks(int row) {
    if (!lv().checkBoxes || row < 0 || row >= lv().count() || !c_.reachable()) return;
    lv().userCheck(row, !lv().checked(row));
}

LRESULT ListViewPeer::notify(NMHDR* nm, bool& handled) {
    handled = true;
    switch (nm->code) {
        case LVN_GETDISPINFOW: onGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(nm)); return 0;
        case LVN_ODFINDITEMW: return onFindItem(reinterpret_cast<NMLVFINDITEMW*>(nm));
        case LVN_ITEMCHANGED: onItemChanged(reinterpret_cast<NMLISTVIEW*>(nm)); return 0;
        case LVN_ODSTATECHANGED: onStateChanged(reinterpret_cast<NMLVODSTATECHANGE*>(nm)); return 0;
        case NM_CLICK: onClick(reinterpret_cast<NMITEMACTIVATE*>(nm)); return 0;
        case NM_RCLICK: onRightClick(reinterpret_cast<NMITEMACTIVATE*>(nm)); return 0;
        case NM_DBLCLK: onDoubleClick(reinterpret_cast<NMITEMACTIVATE*>(nm)); return 0;
        case LVN_COLUMNCLICK: onColumnClick(reinterpret_cast<NMLISTVIEW*>(nm)); return 0;
        case LVN_KEYDOWN: onKeyDown(reinterpret_cast<NMLVKEYDOWN*>(nm)); return 0;
        case NM_CUSTOMDRAW: return onCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(nm));
        default: handled = false; return 0;
    }
}

// The text, icon and tick of a row, asked for as the control draws it.
void ListViewPeer::onGetDispInfo(NMLVDISPINFOW* di) {
    ListView& m = lv();
    LVITEMW& it = di->item;
    if (it.iItem < 0 || it.iItem >= m.count()) return;
    const ListView::Item& row = m.item(it.iItem);
    if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
        std::wstring w = wide(m.subItem(it.iItem, it.iSubItem));
        size_t n = std::min(w.size(), static_cast<size_t>(it.cchTextMax - 1));
        std::wmemcpy(it.pszText, w.data(), n);
        it.pszText[n] = L'\0';
    }
    if (it.mask & LVIF_IMAGE)
        it.iImage = it.iSubItem == 0 && row.smallIcon >= 0 && m.smallIcons && row.smallIcon < m.smallIcons->count()
                        ? row.smallIcon
                        : I_IMAGENONE;
    if ((it.mask & LVIF_STATE) && m.checkBoxes) {
        it.state = (it.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
        it.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

// Type-ahead: the first row from fi->iStart on whose text starts with the typed text.
LRESULT ListViewPeer::onFindItem(NMLVFINDITEMW* fi) {
    ListView& m = lv();
    if (!(fi->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !fi->lvfi.psz || m.count() == 0) return -1;
    std::string prefix = text::toLower(narrow(std::wstring(fi->lvfi.psz)));
    int n = m.count();
    int start = fi->iStart < 0 || fi->iStart >= n ? 0 : fi->iStart;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        if (text::toLower(m.text(i)).rfind(prefix, 0) == 0) return i;
    }
    return -1;
}

void ListViewPeer::onItemChanged(NMLISTVIEW* lvn) {
    ListView& m = lv();
    if (syncing_ || !(lvn->uChanged & LVIF_STATE)) return;
    UINT diff = lvn->uOldState ^ lvn->uNewState;
    if (diff & LVIS_SELECTED) {
        bool sel = (lvn->uNewState & LVIS_SELECTED) != 0;
        if (lvn->iItem < 0) {
            for (int i = 0; i < m.count(); ++i)
                if (m.selected(i) != sel) selectFromControl(i, sel);
        } else if (lvn->iItem < m.count() && m.selected(lvn->iItem) != sel) {
            selectFromControl(lvn->iItem, sel);
        }
    }
    if ((diff & LVIS_FOCUSED) && (lvn->uNewState & LVIS_FOCUSED) && lvn->iItem >= 0 && lvn->iItem < m.count())
        m.userSetFocused(lvn->iItem);
    // A tick set through the control (LVM_SETITEMSTATE) reaches the model as the user's.
    if ((lvn->uNewState & LVIS_STATEIMAGEMASK) && lvn->iItem >= 0 && lvn->iItem < m.count() && m.checkBoxes) {
        bool checked = ((lvn->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
        if (checked != m.checked(lvn->iItem) && c_.reachable()) m.userCheck(lvn->iItem, checked);
    }
}

// A range of rows selected or unselected at once (shift-click, select all).
void ListViewPeer::onStateChanged(NMLVODSTATECHANGE* st) {
    ListView& m = lv();
    if (syncing_) return;
    if ((st->uOldState ^ st->uNewState) & LVIS_SELECTED) {
        bool sel = (st->uNewState & LVIS_SELECTED) != 0;
        for (int i = std::max(0, st->iFrom); i <= st->iTo && i < m.count(); ++i)
            if (m.selected(i) != sel) selectFromControl(i, sel);
    }
}

void ListViewPeer::onClick(NMITEMACTIVATE* ia) {
    ListView& m = lv();
    if (!c_.reachable()) return;
    m.userModifiers(clickModifiers_);
    POINT t = twipsOf(ia->ptAction);
    m.userClicked(ia->iItem);
    if (fw_.dead() || !c_.reachable()) return;
    m.userMouseUp(1, t.x, t.y);
}

void ListViewPeer::onRightClick(NMITEMACTIVATE* ia) {
    if (!c_.reachable()) return;
    POINT t = twipsOf(ia->ptAction);
    lv().userModifiers(clickModifiers_);
    lv().userMouseUp(2, t.x, t.y);
}

void ListViewPeer::onDoubleClick(NMITEMACTIVATE* ia) {
    if (c_.reachable()) lv().userDblClickRow(ia->iItem);
}

void ListViewPeer::onColumnClick(NMLISTVIEW* lvn) {
    if (c_.reachable()) lv().userColumnClick(lvn->iSubItem);
}

void ListViewPeer::onKeyDown(NMLVKEYDOWN* kd) {
    if (!c_.reachable()) return;
    lv().userModifiers(modifiersHeld());
    lv().userKeyDown(kd->wVKey);
}

// Rows with colours of their own are drawn cell by cell, each cell in its colour.
LRESULT ListViewPeer::onCustomDraw(NMLVCUSTOMDRAW* cd) {
    ListView& m = lv();
    switch (cd->nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            int i = static_cast<int>(cd->nmcd.dwItemSpec);
            if (i >= 0 && i < m.count() && !m.item(i).subItemColors.empty()) return CDRF_NOTIFYSUBITEMDRAW;
            return CDRF_DODEFAULT;
        }
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            int i = static_cast<int>(cd->nmcd.dwItemSpec);
            int col = cd->iSubItem;
            uint32_t color = kDefaultColor;
            if (i >= 0 && i < m.count() && col >= 1) {
                const auto& colors = m.item(i).subItemColors;
                if (col - 1 < static_cast<int>(colors.size())) color = colors[static_cast<size_t>(col - 1)];
            }
            if (color == kDefaultColor)
                cd->clrText =
                    c_.foreColor() != kDefaultColor ? toColorRef(c_.foreColor()) : GetSysColor(COLOR_WINDOWTEXT);
            else
                cd->clrText = toColorRef(color);
            return CDRF_NEWFONT;
        }
        default: return CDRF_DODEFAULT;
    }
}

void ListViewPeer::selectFromControl(int i, bool sel) {
    syncing_ = true;
    lv().userSetSelected(i, sel);
    syncing_ = false;
}

bool ListViewPeer::subclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK) clickModifiers_ = modifiersOf(wp);
    if (msg == WM_MBUTTONUP || msg == WM_XBUTTONUP) {
        // The control reports left and right clicks itself (NM_CLICK, NM_RCLICK); the
        // middle and extra buttons reach it only as mouse messages.
        if (c_.reachable()) {
            const int button = msg == WM_MBUTTONUP ? 4 : GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? 8 : 16;
            const POINT t = twipsOf(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            lv().userModifiers(modifiersOf(wp));
            fw_.host().runGuarded("MouseUp", [&] { lv().userMouseUp(button, t.x, t.y); });
        }
        return false;
    }
    if ((msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) && lv().checkBoxes) {
        // The tick box of a virtual list belongs to the model: toggle it there.
        LVHITTESTINFO hit{};
        hit.pt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        int i = static_cast<int>(SendMessageW(hwnd_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (i >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
            SetFocus(hwnd_);
            fw_.host().runGuarded("ItemCheck", [&] { toggleChecks(i); });
            result = 0;
            return true;
        }
        return false;
    }
    if (msg == WM_KEYDOWN && wp == VK_SPACE && lv().checkBoxes) {
        fw_.host().runGuarded("ItemCheck", [&] {
            ListView& m = lv();
            int focus = static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
            if (focus < 0) focus = m.selectedIndex();
            if (focus < 0 || focus >= m.count()) return;
            bool to = !m.checked(focus);
            std::vector<int> rows;
            for (int i = 0; i < m.count(); ++i)
                if (m.selected(i) || i == focus) rows.push_back(i);
            for (int i : rows)
                if (i < m.count() && m.checked(i) != to && c_.reachable()) m.userCheck(i, to);
            if (c_.reachable()) m.userKeyDown(VK_SPACE);
        });
        result = 0;
        return true;
    }
    if (msg == WM_CHAR && wp == L' ' && lv().checkBoxes) {
        result = 0;
        return true;
    }
    return false;
}

}  // namespace ui::win32

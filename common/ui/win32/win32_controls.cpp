// The peers: one real control per toolkit control, mirroring the model's state and turning
// notifications into the model's user...() entry points.

#include <algorithm>
#include <cwchar>

#include "common/text/text.h"
#include "common/ui/win32/win32_internal.h"

#include <windowsx.h>
#include <uxtheme.h>

namespace ui::win32 {

namespace {

COLORREF toColorRef(uint32_t bgr) { return RGB(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

bool effectiveVisible(const Control& c) {
    for (const Control* k = &c; k; k = k->container())
        if (!k->visible()) return false;
    return true;
}

bool effectiveEnabled(const Control& c) {
    for (const Control* k = &c; k; k = k->container())
        if (!k->enabled()) return false;
    return true;
}

}  // namespace

// ---- ControlPeer ----

void ControlPeer::create() {
    if (!className()) {
        afterCreate();
        c_.attachPeer(this);
        return;
    }
    RECT r = fw_.pixelRect(c_);
    DWORD st = WS_CHILD | WS_CLIPSIBLINGS | style();
    hwnd_ = CreateWindowExW(exStyle(), className(), wide(c_.caption()).c_str(), st, r.left, r.top, r.right - r.left,
                            pixelHeight(r.bottom - r.top), fw_.hwnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) {
        logError("cannot create the control " + c_.name() + " of " + fw_.form().name());
        return;
    }
    applyFont();
    if (c_.foreColor() != kDefaultColor) changed(Prop::ForeColor, -1);
    applyEnabled();
    applyVisible();
    if (wantsSubclass()) subclass(subclassTarget());
    c_.attachPeer(this);
}

void ControlPeer::subclass(HWND h) {
    if (h) SetWindowSubclass(h, FormWindow::subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void ControlPeer::setText(const std::string& s) {
    if (!hwnd_) return;
    applyFont();  // the new text may need a font with other characters
    std::wstring w = wide(s);
    if (windowText(hwnd_) == w) return;
    syncing_ = true;
    SetWindowTextW(hwnd_, w.c_str());
    syncing_ = false;
}

void ControlPeer::applyGeometry() {
    if (!hwnd_) return;
    RECT r = fw_.pixelRect(c_);
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, pixelHeight(r.bottom - r.top),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlPeer::applyVisible() {
    if (hwnd_) ShowWindow(hwnd_, effectiveVisible(c_) ? SW_SHOWNA : SW_HIDE);
}

void ControlPeer::applyEnabled() {
    if (hwnd_) EnableWindow(hwnd_, effectiveEnabled(c_));
}

void ControlPeer::applyFont() {
    if (!hwnd_) return;
    const Form& f = fw_.form();
    std::string name = c_.fontName().empty() ? f.fontName : c_.fontName();
    double size = c_.fontSize() > 0 ? c_.fontSize() : f.fontSize;
    HFONT hf = fw_.fontFor(name, size, c_.bold(), c_.caption());
    if (reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)) != hf)
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(hf), TRUE);
}

void ControlPeer::changed(Prop prop, int index) {
    if (fw_.dead()) return;
    switch (prop) {
        case Prop::Enabled:
            for (ControlPeer* d : fw_.descendants(c_)) d->applyEnabled();
            break;
        case Prop::Visible:
            for (ControlPeer* d : fw_.descendants(c_)) d->applyVisible();
            break;
        case Prop::Geometry:
            for (ControlPeer* d : fw_.descendants(c_)) d->applyGeometry();
            break;
        case Prop::Font: applyFont(); break;
        case Prop::ForeColor:
            if (hwnd_) {
                // Themed group boxes and check boxes ignore the text colour: draw those classic.
                const Kind k = c_.kind();
                if (k == Kind::Frame || k == Kind::CheckBox || k == Kind::OptionButton) SetWindowTheme(hwnd_, L"", L"");
                InvalidateRect(hwnd_, nullptr, TRUE);
            }
            break;
        case Prop::Focus:
            if (index < 0 && hwnd_) SetFocus(hwnd_);
            break;
        default: break;
    }
    propChanged(prop, index);
}

// ---- simple controls ----

namespace {

class ButtonPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    Button& b() const { return static_cast<Button&>(c_); }
    const wchar_t* className() const override { return WC_BUTTONW; }
    DWORD style() const override { return WS_TABSTOP | WS_GROUP | (b().isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON); }
    void propChanged(Prop p, int) override {
        if (p == Prop::Caption) setText(c_.caption());
    }
    void command(WORD code) override {
        if (code == BN_CLICKED && c_.reachable()) b().userClick();
    }
};

class LabelPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    Label& l() const { return static_cast<Label&>(c_); }
    const wchar_t* className() const override { return WC_STATICW; }
    DWORD style() const override { return SS_NOTIFY | WS_GROUP | (l().wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP); }
    void propChanged(Prop p, int) override {
        if (p == Prop::Caption) setText(c_.caption());
    }
    void command(WORD code) override {
        if (code == STN_CLICKED && c_.reachable()) l().userClick();
    }
};

class CheckBoxPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    CheckBox& cb() const { return static_cast<CheckBox&>(c_); }
    const wchar_t* className() const override { return WC_BUTTONW; }
    // Not automatic: the model toggles and the peer shows the result.
    DWORD style() const override { return WS_TABSTOP | WS_GROUP | BS_3STATE; }
    void afterCreate() override { propChanged(Prop::Value, -1); }
    void propChanged(Prop p, int) override {
        if (p == Prop::Caption) setText(c_.caption());
        if (p == Prop::Value && hwnd_) {
            WPARAM v = cb().value() == 1 ? BST_CHECKED : cb().value() == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
            SendMessageW(hwnd_, BM_SETCHECK, v, 0);
        }
    }
    void command(WORD code) override {
        if (code == BN_CLICKED && c_.reachable()) cb().userClick();
    }
};

class OptionPeer : public ControlPeer {
public:
    OptionPeer(FormWindow& fw, Control& c, int id, bool firstOfGroup) : ControlPeer(fw, c, id), first_(firstOfGroup) {}
    OptionButton& o() const { return static_cast<OptionButton&>(c_); }
    const wchar_t* className() const override { return WC_BUTTONW; }
    DWORD style() const override { return WS_TABSTOP | BS_RADIOBUTTON | (first_ ? WS_GROUP : 0); }
    void afterCreate() override { propChanged(Prop::Value, -1); }
    void propChanged(Prop p, int) override {
        if (p == Prop::Caption) setText(c_.caption());
        if (p == Prop::Value && hwnd_) SendMessageW(hwnd_, BM_SETCHECK, o().value() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void command(WORD code) override {
        if (code == BN_CLICKED && c_.reachable()) o().userClick();
    }

private:
    bool first_;
};

// A group box painted here: the platform's ignores the text colour in some themes, and its
// inside must show the form's background whatever the parent clips.
class FramePeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    const wchar_t* className() const override { return WC_BUTTONW; }
    DWORD style() const override { return BS_GROUPBOX | WS_GROUP; }
    bool wantsSubclass() const override { return true; }
    void propChanged(Prop p, int) override {
        if (p == Prop::Caption) {
            setText(c_.caption());
            InvalidateRect(hwnd_, nullptr, TRUE);
        }
    }
    bool subclassed(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == WM_ERASEBKGND) {
            result = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT rc;
        GetClientRect(hwnd_, &rc);
        // Siblings above the frame (what it holds) clip this fill.
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
        std::wstring caption = wide(c_.caption());
        RECT tr{0, 0, 0, 0};
        DrawTextW(dc, caption.empty() ? L"X" : caption.c_str(), -1, &tr, DT_CALCRECT | DT_SINGLELINE);
        int th = tr.bottom - tr.top;
        RECT frame = rc;
        frame.top += th / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!caption.empty()) {
            int pad = MulDiv(6, fw_.host().dpi(), 96);
            RECT text{rc.left + pad, rc.top, rc.left + pad + (tr.right - tr.left) + 4, rc.top + th};
            if (text.right > rc.right - pad) text.right = rc.right - pad;
            FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
            text.left += 2;
            uint32_t fc = c_.foreColor();
            SetTextColor(dc, !IsWindowEnabled(hwnd_) ? GetSysColor(COLOR_GRAYTEXT)
                             : fc != kDefaultColor   ? toColorRef(fc)
                                                     : GetSysColor(COLOR_BTNTEXT));
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_LEFT | DT_TOP | DT_END_ELLIPSIS);
        }
        SelectObject(dc, oldFont);
        EndPaint(hwnd_, &ps);
        result = 0;
        return true;
    }
};

class TextBoxPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    TextBox& t() const { return static_cast<TextBox&>(c_); }
    const wchar_t* className() const override { return WC_EDITW; }
    DWORD style() const override {
        DWORD s = WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
        if (t().multiLine) s |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN;
        if (t().readOnly) s |= ES_READONLY;
        return s;
    }
    DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
    void propChanged(Prop p, int) override {
        if (p == Prop::Caption) setText(c_.caption());
        if (hwnd_) SendMessageW(hwnd_, EM_SETREADONLY, t().readOnly, 0);
    }
    void command(WORD code) override {
        if (code != EN_CHANGE || syncing_) return;
        std::string now = narrow(windowText(hwnd_));
        if (now != t().text()) t().userType(now);
    }
};

class PicturePeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    PictureBox& p() const { return static_cast<PictureBox&>(c_); }
    const wchar_t* className() const override { return WC_STATICW; }
    DWORD style() const override { return SS_NOTIFY | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS; }
    DWORD exStyle() const override { return WS_EX_STATICEDGE; }
    void propChanged(Prop pr, int) override {
        if (pr == Prop::Caption) setText(c_.caption());
    }
    void command(WORD code) override {
        if (code == STN_CLICKED && c_.reachable()) p().userClick();
    }
    bool wantsSubclass() const override { return true; }
    // A picture number shows the program's icon resource of that number (its main icon, or the
    // platform's application icon, when it has none), as large as the box allows.
    bool subclassed(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg != WM_PAINT || p().picture <= 0) return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        int size = std::min(rc.right - rc.left, rc.bottom - rc.top);
        size = std::min(size, 256);
        HINSTANCE inst = GetModuleHandleW(nullptr);
        HICON icon = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(p().picture), IMAGE_ICON, size, size, 0));
        if (!icon) icon = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        bool shared = false;
        if (!icon) {
            icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
            shared = true;
        }
        if (icon && size > 0) {
            DrawIconEx(dc, (rc.right - size) / 2, (rc.bottom - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
            if (!shared) DestroyIcon(icon);
        }
        EndPaint(hwnd_, &ps);
        result = 0;
        return true;
    }
};

class ProgressPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    ProgressBar& pb() const { return static_cast<ProgressBar&>(c_); }
    const wchar_t* className() const override { return PROGRESS_CLASSW; }
    DWORD style() const override { return PBS_SMOOTH; }
    void afterCreate() override { propChanged(Prop::Value, -1); }
    void propChanged(Prop p, int) override {
        if (p != Prop::Value || !hwnd_) return;
        SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(pb().min), static_cast<LPARAM>(pb().max));
        SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(pb().value()), 0);
    }
};

class StatusBarPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    StatusBar& sb() const { return static_cast<StatusBar&>(c_); }
    const wchar_t* className() const override { return STATUSCLASSNAMEW; }
    DWORD style() const override { return fw_.form().borderStyle == BorderStyle::Sizable ? SBARS_SIZEGRIP : 0; }
    void afterCreate() override { propChanged(Prop::Panels, -1); }
    // The bar is placed by the platform along the bottom; the model's position is ignored.
    void applyGeometry() override { formResized(); }
    void formResized() override {
        if (!hwnd_) return;
        SendMessageW(hwnd_, WM_SIZE, 0, 0);  // a status bar places itself along the bottom
        setParts();
    }
    void setParts() {
        RECT r;
        GetClientRect(fw_.hwnd(), &r);
        int n = sb().panelCount();
        std::vector<int> edges(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) edges[static_cast<size_t>(i)] = (i + 1) * (r.right - r.left) / n;
        edges.back() = -1;
        SendMessageW(hwnd_, SB_SETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
    }
    void propChanged(Prop p, int index) override {
        if (p != Prop::Panels || !hwnd_) return;
        if (index < 0) {
            setParts();
            for (int i = 0; i < sb().panelCount(); ++i)
                SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(wide(sb().panel(i)).c_str()));
        } else if (index < sb().panelCount()) {
            if (static_cast<int>(SendMessageW(hwnd_, SB_GETPARTS, 0, 0)) != sb().panelCount()) setParts();
            std::wstring w = wide(sb().panel(index));
            SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.c_str()));
        }
    }
};

class TimerPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    Timer& t() const { return static_cast<Timer&>(c_); }
    const wchar_t* className() const override { return nullptr; }
    DWORD style() const override { return 0; }
    void afterCreate() override { sync(); }
    void propChanged(Prop p, int) override {
        if (p == Prop::Enabled || p == Prop::Interval) sync();
    }
    void sync() {
        HWND h = fw_.hwnd();
        if (!h) return;
        if (t().enabled() && t().interval() > 0)
            SetTimer(h, static_cast<UINT_PTR>(id_), static_cast<UINT>(t().interval()), nullptr);
        else
            KillTimer(h, static_cast<UINT_PTR>(id_));
    }
    void timer() override {
        if (fw_.form().loaded()) t().userTick();
    }
    void destroying() override { KillTimer(fw_.hwnd(), static_cast<UINT_PTR>(id_)); }
};

// ---- ComboBox ----

class ComboPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    ComboBox& cb() const { return static_cast<ComboBox&>(c_); }
    bool editable() const { return cb().style() == ComboBox::Style::Editable; }
    const wchar_t* className() const override { return WC_COMBOBOXW; }
    DWORD style() const override {
        return WS_TABSTOP | WS_GROUP | WS_VSCROLL | (editable() ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
    }
    // The window's height includes the dropped list.
    int pixelHeight(int h) const override { return h + MulDiv(200, fw_.host().dpi(), 96); }
    bool wantsSubclass() const override { return true; }
    HWND subclassTarget() const override {
        if (!editable()) return hwnd_;
        COMBOBOXINFO ci{};
        ci.cbSize = sizeof(ci);
        GetComboBoxInfo(hwnd_, &ci);
        return ci.hwndItem ? ci.hwndItem : hwnd_;
    }
    void afterCreate() override { fill(); }
    void fill() {
        if (!hwnd_) return;
        syncing_ = true;
        SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
        for (const std::string& s : cb().items())
            SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(s).c_str()));
        SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(cb().listIndex()), 0);
        if (editable()) SetWindowTextW(hwnd_, wide(cb().text()).c_str());
        syncing_ = false;
    }
    void propChanged(Prop p, int) override {
        if (!hwnd_) return;
        syncing_ = true;
        if (p == Prop::Items) {
            syncing_ = false;
            fill();
            return;
        }
        if (p == Prop::Caption) {
            if (editable()) {
                std::wstring w = wide(cb().text());
                if (windowText(hwnd_) != w) SetWindowTextW(hwnd_, w.c_str());
            } else {
                SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(cb().listIndex()), 0);
            }
        } else if (p == Prop::Selection) {
            int cur = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
            if (cur != cb().listIndex() && (cb().listIndex() >= 0 || !editable()))
                SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(cb().listIndex()), 0);
            if (editable())
                SendMessageW(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(cb().selStart(), cb().selStart() + cb().selLength()));
        }
        syncing_ = false;
    }
    void readSelection() {
        if (!editable()) return;
        DWORD s = 0, e = 0;
        SendMessageW(hwnd_, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        if (static_cast<int>(s) == cb().selStart() && static_cast<int>(e - s) == cb().selLength()) return;
        syncing_ = true;
        cb().setSelection(static_cast<int>(s), static_cast<int>(e - s));
        syncing_ = false;
    }
    void command(WORD code) override {
        if (syncing_ || !c_.reachable()) return;
        if (code == CBN_EDITCHANGE) {
            DWORD s = 0, e = 0;
            SendMessageW(hwnd_, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
            cb().userType(narrow(windowText(hwnd_)), static_cast<int>(e));
        } else if (code == CBN_SELCHANGE) {
            int i = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
            if (i >= 0 && i != cb().listIndex())
                cb().userPick(i);
            else if (i >= 0)
                cb().userPick(i);
        }
    }
    bool subclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        HWND target = subclassTarget();
        switch (msg) {
            case WM_GETDLGCODE: {
                // Enter and Escape reach the combo's KeyPress when no default / cancel button takes them.
                auto* m = reinterpret_cast<MSG*>(lp);
                if (m && m->message == WM_KEYDOWN && cb().onKeyPress &&
                    !SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) &&
                    ((m->wParam == VK_RETURN && !fw_.hasDefaultButton()) ||
                     (m->wParam == VK_ESCAPE && !fw_.hasCancelButton()))) {
                    result = DefSubclassProc(target, msg, wp, lp) | DLGC_WANTALLKEYS;
                    return true;
                }
                return false;
            }
            case WM_KEYDOWN:
                fw_.host().runGuarded("KeyDown", [&] { cb().userKeyDown(static_cast<int>(wp)); });
                return false;
            case WM_KEYUP:
                result = DefSubclassProc(target, msg, wp, lp);
                fw_.host().runGuarded("KeyUp", [&] {
                    readSelection();
                    cb().userKeyUp(static_cast<int>(wp));
                });
                return true;
            case WM_CHAR: {
                int key = static_cast<int>(wp);
                fw_.host().runGuarded("KeyPress", [&] { key = cb().userKeyPress(key); });
                if (key == 0 || key == 13 || key == 27) {
                    result = 0;  // swallowed, or a key the edit field would only beep at
                    return true;
                }
                result = DefSubclassProc(target, msg, static_cast<WPARAM>(key), lp);
                return true;
            }
            default: return false;
        }
    }
};

// ---- ListBox ----

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

// ---- ListView (virtual: rows are read from the model) ----

class ListViewPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    ~ListViewPeer() override { detachIcons(); }
    ListView& lv() const { return static_cast<ListView&>(c_); }
    const wchar_t* className() const override { return WC_LISTVIEWW; }
    DWORD style() const override {
        DWORD s = WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
        if (!lv().multiSelect) s |= LVS_SINGLESEL;
        if (lv().hideColumnHeaders) s |= LVS_NOCOLUMNHEADER;
        return s;
    }
    DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
    bool wantsSubclass() const override { return true; }

    void afterCreate() override {
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
    void destroying() override {
        lv().peerHitTest = nullptr;
        detachIcons();
    }

    static int hitTestPixels(const ListView& model, HWND h, int x, int y) {
        LVHITTESTINFO hit{};
        hit.pt = POINT{x, y};
        int i = static_cast<int>(SendMessageW(h, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (i < 0 || i >= model.count() || !(hit.flags & LVHT_ONITEM)) return -1;
        return i;
    }

    // Sets only what differs: setting the extended style redraws the whole control.
    void applyExtendedStyle() {
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

    void rebuildColumns() {
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

    void updateColumn(int i) {
        if (i < 0 || i >= static_cast<int>(lv().columns().size())) return;
        std::wstring t = wide(lv().columns()[static_cast<size_t>(i)].text);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = t.data();
        col.cx = fw_.host().toPixels(lv().columns()[static_cast<size_t>(i)].width);
        SendMessageW(hwnd_, LVM_SETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
    }

    void showSortArrow() {
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

    void attachIcons() {
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
    void detachIcons() {
        if (iconPeer_) static_cast<ImageListPeer*>(iconPeer_)->users.erase(this);
        iconPeer_ = nullptr;
        icons_ = nullptr;
    }
    void iconsChanged() {
        if (!hwnd_) return;
        if (iconPeer_)
            SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL,
                         reinterpret_cast<LPARAM>(static_cast<ImageListPeer*>(iconPeer_)->handle()));
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    // Brings the row count and the selection of the control to the model's.
    void refresh(bool full, int index = -1) {
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
            SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(std::min(index, n - 1)),
                         static_cast<LPARAM>(n - 1));
        syncing_ = false;
    }
    void resyncSelection() {
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
    void setRowSelected(int i) {
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED;
        it.state = lv().selected(i) ? LVIS_SELECTED : 0;
        syncing_ = true;
        SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
        syncing_ = false;
    }

    void propChanged(Prop p, int index) override {
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

    POINT twipsOf(POINT px) const { return POINT{fw_.host().toTwips(px.x), fw_.host().toTwips(px.y)}; }

    void toggleChecks(int row) {
        if (!lv().checkBoxes || row < 0 || row >= lv().count() || !c_.reachable()) return;
        lv().userCheck(row, !lv().checked(row));
    }

    LRESULT notify(NMHDR* nm, bool& handled) override {
        handled = true;
        ListView& m = lv();
        switch (nm->code) {
            case LVN_GETDISPINFOW: {
                auto* di = reinterpret_cast<NMLVDISPINFOW*>(nm);
                LVITEMW& it = di->item;
                if (it.iItem < 0 || it.iItem >= m.count()) return 0;
                const ListView::Item& row = m.item(it.iItem);
                if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
                    std::wstring w = wide(m.subItem(it.iItem, it.iSubItem));
                    size_t n = std::min(w.size(), static_cast<size_t>(it.cchTextMax - 1));
                    std::wmemcpy(it.pszText, w.data(), n);
                    it.pszText[n] = L'\0';
                }
                if (it.mask & LVIF_IMAGE)
                    it.iImage =
                        it.iSubItem == 0 && row.smallIcon >= 0 && m.smallIcons && row.smallIcon < m.smallIcons->count()
                            ? row.smallIcon
                            : I_IMAGENONE;
                if ((it.mask & LVIF_STATE) && m.checkBoxes) {
                    it.state = (it.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
                    it.stateMask |= LVIS_STATEIMAGEMASK;
                }
                return 0;
            }
            case LVN_ODFINDITEMW: {
                auto* fi = reinterpret_cast<NMLVFINDITEMW*>(nm);
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
            case LVN_ITEMCHANGED: {
                auto* lvn = reinterpret_cast<NMLISTVIEW*>(nm);
                if (syncing_ || !(lvn->uChanged & LVIF_STATE)) return 0;
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
                if ((diff & LVIS_FOCUSED) && (lvn->uNewState & LVIS_FOCUSED) && lvn->iItem >= 0 &&
                    lvn->iItem < m.count())
                    m.userSetFocused(lvn->iItem);
                // A tick set through the control (LVM_SETITEMSTATE) reaches the model as the user's.
                if ((lvn->uNewState & LVIS_STATEIMAGEMASK) && lvn->iItem >= 0 && lvn->iItem < m.count() &&
                    m.checkBoxes) {
                    bool checked = ((lvn->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
                    if (checked != m.checked(lvn->iItem) && c_.reachable()) m.userCheck(lvn->iItem, checked);
                }
                return 0;
            }
            case LVN_ODSTATECHANGED: {
                auto* st = reinterpret_cast<NMLVODSTATECHANGE*>(nm);
                if (syncing_) return 0;
                if ((st->uOldState ^ st->uNewState) & LVIS_SELECTED) {
                    bool sel = (st->uNewState & LVIS_SELECTED) != 0;
                    for (int i = std::max(0, st->iFrom); i <= st->iTo && i < m.count(); ++i)
                        if (m.selected(i) != sel) selectFromControl(i, sel);
                }
                return 0;
            }
            case NM_CLICK: {
                auto* ia = reinterpret_cast<NMITEMACTIVATE*>(nm);
                if (!c_.reachable()) return 0;
                POINT t = twipsOf(ia->ptAction);
                m.userClicked(ia->iItem);
                if (fw_.dead() || !c_.reachable()) return 0;
                m.userMouseUp(1, t.x, t.y);
                return 0;
            }
            case NM_RCLICK: {
                auto* ia = reinterpret_cast<NMITEMACTIVATE*>(nm);
                if (!c_.reachable()) return 0;
                POINT t = twipsOf(ia->ptAction);
                m.userMouseUp(2, t.x, t.y);
                return 0;
            }
            case NM_DBLCLK: {
                auto* ia = reinterpret_cast<NMITEMACTIVATE*>(nm);
                if (c_.reachable()) m.userDblClickRow(ia->iItem);
                return 0;
            }
            case LVN_COLUMNCLICK: {
                auto* lvn = reinterpret_cast<NMLISTVIEW*>(nm);
                if (c_.reachable()) m.userColumnClick(lvn->iSubItem);
                return 0;
            }
            case LVN_KEYDOWN: {
                auto* kd = reinterpret_cast<NMLVKEYDOWN*>(nm);
                if (c_.reachable()) m.userKeyDown(kd->wVKey);
                return 0;
            }
            case NM_CUSTOMDRAW: {
                auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(nm);
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
                            cd->clrText = c_.foreColor() != kDefaultColor ? toColorRef(c_.foreColor())
                                                                          : GetSysColor(COLOR_WINDOWTEXT);
                        else
                            cd->clrText = toColorRef(color);
                        return CDRF_NEWFONT;
                    }
                    default: return CDRF_DODEFAULT;
                }
            }
            default: handled = false; return 0;
        }
    }

    void selectFromControl(int i, bool sel) {
        syncing_ = true;
        lv().userSetSelected(i, sel);
        syncing_ = false;
    }

    bool subclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_MBUTTONUP || msg == WM_XBUTTONUP) {
            // The control reports left and right clicks itself (NM_CLICK, NM_RCLICK); the
            // middle and extra buttons reach it only as mouse messages.
            if (c_.reachable()) {
                const int button = msg == WM_MBUTTONUP ? 4 : GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? 8 : 16;
                const POINT t = twipsOf(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
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
                int focus =
                    static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
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

private:
    ImageList* icons_ = nullptr;
    Peer* iconPeer_ = nullptr;
};

// ---- image lists ----

namespace {

std::map<ImageList*, std::unique_ptr<ImageListPeer>>& imagePeers() {
    static std::map<ImageList*, std::unique_ptr<ImageListPeer>> peers;
    return peers;
}

// The toolkit's own pictures: 1 a key (folder), 2 a text value, 3 a binary value, 4 a note.
HBITMAP stockPicture(int number, int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    RECT all{0, 0, size, size};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    auto box = [&](int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
        HBRUSH br = CreateSolidBrush(fill);
        HPEN pen = CreatePen(PS_SOLID, 1, edge);
        HGDIOBJ ob = SelectObject(dc, br), op = SelectObject(dc, pen);
        Rectangle(dc, l * size / 16, t * size / 16, r * size / 16, b * size / 16);
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(br);
        DeleteObject(pen);
    };
    auto label = [&](const wchar_t* s, COLORREF color) {
        HFONT f = CreateFontW(-size * 9 / 16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                              0, L"Tahoma");
        HGDIOBJ of = SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, color);
        RECT r{1, 3 * size / 16, size - 1, 14 * size / 16};
        DrawTextW(dc, s, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, of);
        DeleteObject(f);
    };
    switch (number) {
        case 1:  // folder
            box(1, 3, 8, 6, RGB(230, 180, 40), RGB(150, 110, 20));
            box(1, 5, 15, 14, RGB(250, 210, 80), RGB(150, 110, 20));
            break;
        case 2:
            box(1, 2, 15, 15, RGB(255, 255, 255), RGB(120, 120, 120));
            label(L"ab", RGB(200, 0, 0));
            break;
        case 3:
            box(1, 2, 15, 15, RGB(255, 255, 255), RGB(120, 120, 120));
            label(L"01", RGB(0, 0, 200));
            break;
        case 4:
            box(2, 2, 14, 14, RGB(230, 230, 230), RGB(120, 120, 120));
            label(L"-", RGB(80, 80, 80));
            break;
        default: break;
    }
    SelectObject(dc, oldBmp);
    DeleteDC(dc);
    return bmp;
}

}  // namespace

ImageListPeer* imageListPeer(ImageList& model) {
    auto& peers = imagePeers();
    auto it = peers.find(&model);
    if (it != peers.end() && model.peer() == it->second.get()) return it->second.get();
    auto p = std::make_unique<ImageListPeer>(model);
    ImageListPeer* raw = p.get();
    // A new image list at the address of a destroyed one: the old peer may still be named by a
    // list view whose window waits to be freed, so it is kept, not deleted.
    static std::vector<std::unique_ptr<ImageListPeer>> retired;
    if (it != peers.end()) retired.push_back(std::move(it->second));
    peers[&model] = std::move(p);
    model.attachPeer(raw);
    return raw;
}

ImageListPeer::ImageListPeer(ImageList& model) : model_(model) {
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    himl_ = ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 8, 8);
}

ImageListPeer::~ImageListPeer() {
    if (himl_) ImageList_Destroy(himl_);
}

void ImageListPeer::addImage(const ImageList::Image& img) {
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    if (img.icon) {
        if (ImageList_AddIcon(himl_, reinterpret_cast<HICON>(img.icon)) >= 0) return;
    } else if (img.resourceId > 4) {
        HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(img.resourceId), IMAGE_ICON, cx, cy, 0));
        if (icon) {
            int r = ImageList_AddIcon(himl_, icon);
            DestroyIcon(icon);
            if (r >= 0) return;
        }
    }
    // A stock picture, or an empty one so that the indices stay those of the model.
    HBITMAP bmp = stockPicture(img.icon ? 0 : img.resourceId, cx);
    ImageList_AddMasked(himl_, bmp, RGB(255, 0, 255));
    DeleteObject(bmp);
    (void)cy;
}

void ImageListPeer::sync() {
    const auto& images = model_.images();
    if (added_ > static_cast<int>(images.size())) {
        ImageList_RemoveAll(himl_);
        added_ = 0;
    }
    while (added_ < static_cast<int>(images.size())) addImage(images[static_cast<size_t>(added_++)]);
}

void ImageListPeer::changed(Prop, int index) {
    if (index < 0) {
        ImageList_RemoveAll(himl_);
        added_ = 0;
    }
    sync();
    for (ListViewPeer* u : users) u->iconsChanged();
}

// ---- factory ----

std::unique_ptr<ControlPeer> makePeer(FormWindow& fw, Control& c, int id) {
    switch (c.kind()) {
        case Kind::Button: return std::make_unique<ButtonPeer>(fw, c, id);
        case Kind::Label: return std::make_unique<LabelPeer>(fw, c, id);
        case Kind::CheckBox: return std::make_unique<CheckBoxPeer>(fw, c, id);
        case Kind::OptionButton: {
            // An option group starts at the first option button of its container.
            bool first = true;
            for (Control* k : fw.form().controls()) {
                if (k == &c) break;
                if (k->kind() == Kind::OptionButton && k->container() == c.container()) first = false;
            }
            return std::make_unique<OptionPeer>(fw, c, id, first);
        }
        case Kind::Frame: return std::make_unique<FramePeer>(fw, c, id);
        case Kind::TextBox: return std::make_unique<TextBoxPeer>(fw, c, id);
        case Kind::ComboBox: return std::make_unique<ComboPeer>(fw, c, id);
        case Kind::ListBox: return std::make_unique<ListBoxPeer>(fw, c, id);
        case Kind::ListView: return std::make_unique<ListViewPeer>(fw, c, id);
        case Kind::PictureBox: return std::make_unique<PicturePeer>(fw, c, id);
        case Kind::ProgressBar: return std::make_unique<ProgressPeer>(fw, c, id);
        case Kind::StatusBar: return std::make_unique<StatusBarPeer>(fw, c, id);
        case Kind::Timer: return std::make_unique<TimerPeer>(fw, c, id);
        case Kind::Image: return nullptr;
    }
    return nullptr;
}

}  // namespace ui::win32

// The peer of a combo box: a drop-down list, or a drop-down with an edit field whose typing,
// selection and keys reach the model.

#include "common/ui/win32/win32_control_peers.h"

namespace ui::win32 {

namespace {

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

}  // namespace

std::unique_ptr<ControlPeer> makeComboPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<ComboPeer>(fw, c, id);
}

}  // namespace ui::win32

// The peers drawn by the platform's button class: push buttons, check boxes, option buttons
// and frames (group boxes).

#include "common/ui/win32/win32_control_peers.h"

namespace ui::win32 {

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

}  // namespace

std::unique_ptr<ControlPeer> makeButtonPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<ButtonPeer>(fw, c, id);
}

std::unique_ptr<ControlPeer> makeCheckBoxPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<CheckBoxPeer>(fw, c, id);
}

std::unique_ptr<ControlPeer> makeOptionPeer(FormWindow& fw, Control& c, int id, bool firstOfGroup) {
    return std::make_unique<OptionPeer>(fw, c, id, firstOfGroup);
}

std::unique_ptr<ControlPeer> makeFramePeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<FramePeer>(fw, c, id);
}

}  // namespace ui::win32

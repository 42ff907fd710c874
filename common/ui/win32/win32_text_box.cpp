// The peer of a text box: an edit control whose typing reaches the model.

#include "common/ui/win32/win32_control_peers.h"

namespace ui::win32 {

namespace {

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

}  // namespace

std::unique_ptr<ControlPeer> makeTextBoxPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<TextBoxPeer>(fw, c, id);
}

}  // namespace ui::win32

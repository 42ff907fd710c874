// The peers drawn by the platform's static class: labels, and picture boxes, which show an
// icon of the program.

#include <algorithm>

#include "common/ui/win32/win32_control_peers.h"

namespace ui::win32 {

namespace {

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

}  // namespace

std::unique_ptr<ControlPeer> makeLabelPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<LabelPeer>(fw, c, id);
}

std::unique_ptr<ControlPeer> makePicturePeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<PicturePeer>(fw, c, id);
}

}  // namespace ui::win32

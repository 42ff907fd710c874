// What every control peer does: create its window, and follow the model's enabled, visible,
// geometry, font, colour and focus state, which depend on the containers too.

#include "common/ui/win32/win32_internal.h"

#include <uxtheme.h>

namespace ui::win32 {

namespace {

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

}  // namespace ui::win32

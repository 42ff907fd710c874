// The window of a form: creation from the model, the window procedure that turns messages
// into the model's user...() entry points, menus and accelerators.

#include <algorithm>
#include <cmath>

#include "common/text/text.h"
#include "common/ui/win32/win32_internal.h"

#include <windowsx.h>

namespace ui::win32 {

namespace {

constexpr int kFirstControlId = 1000;
constexpr int kFirstMenuId = 20000;

// Every menu entry of the form reports here; the bar is rebuilt as a whole (it is small).
class MenuPeer : public Peer {
public:
    explicit MenuPeer(FormWindow& fw) : fw_(fw) {}
    void changed(Prop, int) override { fw_.rebuildMenu(); }

private:
    FormWindow& fw_;
};

void attachMenus(MenuItem& m, Peer* p) {
    m.attachPeer(p);
    for (MenuItem* c : m.children()) attachMenus(*c, p);
}

// "F3", "Ctrl+W", "Ctrl+Shift+F5", "Del" -> accelerator; false when not understood.
bool parseShortcut(const std::string& s, ACCEL& a) {
    a = ACCEL{};
    a.fVirt = FVIRTKEY;
    std::vector<std::string> parts = text::split(s, "+");
    if (parts.empty()) return false;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        std::string p = text::toLower(text::trim(parts[i]));
        if (p == "ctrl" || p == "control")
            a.fVirt |= FCONTROL;
        else if (p == "shift")
            a.fVirt |= FSHIFT;
        else if (p == "alt")
            a.fVirt |= FALT;
        else
            return false;
    }
    std::string key = text::toUpper(text::trim(parts.back()));
    if (key.size() == 1 && ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= '0' && key[0] <= '9'))) {
        a.key = static_cast<WORD>(key[0]);
        return true;
    }
    if (key.size() >= 2 && key[0] == 'F') {
        int n = std::atoi(key.c_str() + 1);
        if (n >= 1 && n <= 12) {
            a.key = static_cast<WORD>(VK_F1 + n - 1);
            return true;
        }
    }
    if (key == "DEL" || key == "DELETE")
        a.key = VK_DELETE;
    else if (key == "INS" || key == "INSERT")
        a.key = VK_INSERT;
    else if (key == "ENTER" || key == "RETURN")
        a.key = VK_RETURN;
    else if (key == "ESC" || key == "ESCAPE")
        a.key = VK_ESCAPE;
    else if (key == "BKSP" || key == "BACKSPACE")
        a.key = VK_BACK;
    else
        return false;
    return true;
}

}  // namespace

FormWindow::FormWindow(Win32Host& host, Form& form) : host_(host), form_(form) {}

FormWindow::~FormWindow() {
    for (auto& [k, f] : fonts_) DeleteObject(f);
    if (accel_) DestroyAcceleratorTable(accel_);
}

DWORD FormWindow::windowStyle() const {
    // No WS_CLIPCHILDREN: group boxes do not paint their inside, the form's background does.
    DWORD style = WS_CAPTION | WS_SYSMENU;
    switch (form_.borderStyle) {
        case BorderStyle::Sizable:
            style |= WS_THICKFRAME;
            if (form_.minButton) style |= WS_MINIMIZEBOX;
            if (form_.maxButton) style |= WS_MAXIMIZEBOX;
            break;
        case BorderStyle::FixedSingle:
            if (form_.minButton) style |= WS_MINIMIZEBOX;
            if (form_.maxButton) style |= WS_MAXIMIZEBOX;
            break;
        case BorderStyle::FixedDialog: style |= DS_MODALFRAME; break;
    }
    return style;
}

HFONT FormWindow::font(const std::string& name, double size, bool bold) {
    std::string key = name + "|" + std::to_string(size) + (bold ? "|b" : "|n");
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(size * host_.dpi() / 72.0));
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    std::wstring face = wide(name);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT f = CreateFontIndirectW(&lf);
    fonts_[key] = f;
    return f;
}

namespace {

bool coversText(HFONT f, const std::wstring& w) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    std::vector<WORD> glyphs(w.size());
    DWORD n = GetGlyphIndicesW(dc, w.c_str(), static_cast<int>(w.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (n == GDI_ERROR) return true;
    for (size_t i = 0; i < w.size(); ++i)
        if (glyphs[i] == 0xFFFF && w[i] > L' ' && !(w[i] >= 0xD800 && w[i] <= 0xDFFF)) return false;
    return true;
}

}  // namespace

HFONT FormWindow::fontFor(const std::string& name, double size, bool bold, const std::string& text) {
    HFONT f = font(name, size, bold);
    bool ascii = std::all_of(text.begin(), text.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
    if (ascii) return f;
    // A text in a script the chosen font lacks (Arabic under Wine's Tahoma) takes the first
    // font that has every character, so it shows as written.
    std::wstring w = wide(text);
    if (coversText(f, w)) return f;
    for (const char* fallback : {"Segoe UI", "Arial", "Microsoft Sans Serif", "DejaVu Sans", "Noto Sans", "FreeSans"}) {
        HFONT g = font(fallback, size, bold);
        if (coversText(g, w)) return g;
    }
    return f;
}

ControlPeer* FormWindow::peerOf(const Control& c) const {
    auto it = byControl_.find(&c);
    return it == byControl_.end() ? nullptr : it->second;
}

ControlPeer* FormWindow::peerById(int id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

std::vector<ControlPeer*> FormWindow::descendants(const Control& c) const {
    std::vector<ControlPeer*> out;
    for (auto& p : peers_) {
        for (const Control* k = &p->control(); k; k = k->container())
            if (k == &c) {
                out.push_back(p.get());
                break;
            }
    }
    return out;
}

RECT FormWindow::pixelRect(const Control& c) const {
    int x = c.left(), y = c.top();
    for (const Control* k = c.container(); k; k = k->container()) {
        x += k->left();
        y += k->top();
    }
    RECT r;
    r.left = host_.toPixels(x);
    r.top = host_.toPixels(y);
    r.right = r.left + host_.toPixels(c.width());
    r.bottom = r.top + host_.toPixels(c.height());
    return r;
}

bool FormWindow::hasDefaultButton() const {
    for (Control* c : form_.controls())
        if (c->kind() == Kind::Button && static_cast<Button*>(c)->isDefault && c->reachable()) return true;
    return false;
}

bool FormWindow::hasCancelButton() const {
    for (Control* c : form_.controls())
        if (c->kind() == Kind::Button && static_cast<Button*>(c)->isCancel && c->reachable()) return true;
    return false;
}

void FormWindow::create() {
    creating_ = true;
    // The outer size follows the design size of the client area.
    bool hasMenu = false;
    for (MenuItem* m : form_.menus())
        if (m->visible()) hasMenu = true;
    RECT r{0, 0, host_.toPixels(form_.clientWidth), host_.toPixels(form_.clientHeight)};
    AdjustWindowRectEx(&r, windowStyle(), hasMenu, 0);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = host_.toPixels(form_.left()), y = host_.toPixels(form_.top());
    hwnd_ = CreateWindowExW(0, L"SclUiForm", wide(form_.caption()).c_str(), windowStyle(), x, y, w, h, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
    if (!hwnd_) {
        creating_ = false;
        logError("cannot create the window of " + form_.name());
        return;
    }
    applying_ = true;
    form_.move(form_.left(), form_.top(), host_.toTwips(w), host_.toTwips(h));
    applying_ = false;
    form_.attachPeer(this);

    menuPeer_ = std::make_unique<MenuPeer>(*this);
    for (MenuItem* m : form_.menus()) attachMenus(*m, menuPeer_.get());
    rebuildMenu();

    int id = kFirstControlId;
    for (Control* c : form_.controls()) {
        auto p = makePeer(*this, *c, id);
        if (!p) {
            ++id;
            continue;
        }
        byControl_[c] = p.get();
        byId_[id] = p.get();
        ++id;
        peers_.push_back(std::move(p));
    }
    for (auto& p : peers_) p->create();
    for (auto& p : peers_) p->afterCreate();
    // Containers go beneath what they hold, outer ones lowest, so group boxes never paint over
    // their controls.
    std::vector<std::pair<int, ControlPeer*>> containers;
    for (auto& p : peers_) {
        bool holds = false;
        for (auto& q : peers_)
            if (q->control().container() == &p->control()) holds = true;
        if (!holds || !p->hwnd()) continue;
        int depth = 0;
        for (Control* k = p->control().container(); k; k = k->container()) ++depth;
        containers.push_back({depth, p.get()});
    }
    std::stable_sort(containers.begin(), containers.end(), [](auto& a, auto& b) { return a.first > b.first; });
    for (auto& [d, p] : containers)
        SetWindowPos(p->hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    creating_ = false;
}

void FormWindow::destroy(bool formAlive) {
    if (dead_) return;
    dead_ = true;
    if (formAlive) {
        for (auto& p : peers_) {
            p->destroying();
            p->control().attachPeer(nullptr);
        }
        for (MenuItem* m : form_.menus()) attachMenus(*m, nullptr);
        if (form_.peer() == this) form_.attachPeer(nullptr);
    }
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);  // destroys the controls and the menu bar
    }
    hwnd_ = nullptr;
    menu_ = nullptr;
}

void FormWindow::rebuildMenu() {
    if (!hwnd_ || dead_) return;
    menuIds_.clear();
    HMENU bar = nullptr;
    bool any = false;
    for (MenuItem* m : form_.menus())
        if (m->visible()) any = true;
    if (any) {
        bar = CreateMenu();
        for (MenuItem* m : form_.menus()) appendMenu(bar, *m);
    }
    HMENU old = menu_;
    menu_ = bar;
    SetMenu(hwnd_, bar);
    if (old) DestroyMenu(old);
    DrawMenuBar(hwnd_);
    buildAccelerators();
}

void FormWindow::appendMenu(HMENU menu, MenuItem& item) {
    if (!item.visible()) return;
    if (item.id == 0) {
        static int nextId = kFirstMenuId;
        item.id = nextId++;
    }
    UINT grey = item.enabled() ? 0 : MF_GRAYED;
    if (item.caption() == "-") {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        return;
    }
    std::wstring caption = wide(item.caption());
    if (!item.children().empty()) {
        HMENU sub = CreatePopupMenu();
        for (MenuItem* c : item.children()) appendMenu(sub, *c);
        AppendMenuW(menu, MF_POPUP | MF_STRING | grey, reinterpret_cast<UINT_PTR>(sub), caption.c_str());
        return;
    }
    if (!item.shortcut().empty()) caption += L"\t" + wide(item.shortcut());
    menuIds_[item.id] = &item;
    AppendMenuW(menu, MF_STRING | grey, static_cast<UINT_PTR>(item.id), caption.c_str());
}

void FormWindow::buildAccelerators() {
    if (accel_) DestroyAcceleratorTable(accel_);
    accel_ = nullptr;
    std::vector<ACCEL> table;
    std::vector<MenuItem*> stack(form_.menus().begin(), form_.menus().end());
    while (!stack.empty()) {
        MenuItem* m = stack.back();
        stack.pop_back();
        for (MenuItem* c : m->children()) stack.push_back(c);
        if (m->shortcut().empty() || m->id == 0) continue;
        ACCEL a;
        if (!parseShortcut(m->shortcut(), a)) continue;
        a.cmd = static_cast<WORD>(m->id);
        table.push_back(a);
    }
    if (!table.empty()) accel_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

void FormWindow::applyWindowState() {
    if (!hwnd_) return;
    int cmd = SW_SHOWNORMAL;
    if (form_.windowState() == WindowState::Minimized)
        cmd = SW_SHOWMINIMIZED;
    else if (form_.windowState() == WindowState::Maximized)
        cmd = SW_SHOWMAXIMIZED;
    shownState_ = form_.windowState();
    ShowWindow(hwnd_, cmd);
}

void FormWindow::changed(Prop prop, int) {
    if (!hwnd_ || dead_ || applying_) return;
    if (prop == Prop::Caption) {
        SetWindowTextW(hwnd_, wide(form_.caption()).c_str());
    } else if (prop == Prop::Geometry) {
        if (form_.windowState() != shownState_) {
            if (IsWindowVisible(hwnd_))
                applyWindowState();
            else
                shownState_ = form_.windowState();
            return;
        }
        RECT want{host_.toPixels(form_.left()), host_.toPixels(form_.top()), 0, 0};
        want.right = want.left + host_.toPixels(form_.width());
        want.bottom = want.top + host_.toPixels(form_.height());
        if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
            WINDOWPLACEMENT wp{};
            wp.length = sizeof(wp);
            GetWindowPlacement(hwnd_, &wp);
            wp.rcNormalPosition = want;
            SetWindowPlacement(hwnd_, &wp);
            return;
        }
        RECT cur;
        GetWindowRect(hwnd_, &cur);
        if (EqualRect(&cur, &want)) return;
        SetWindowPos(hwnd_, nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void FormWindow::onSize(WPARAM wp) {
    for (auto& p : peers_) p->formResized();
    if (creating_ || !form_.loaded()) return;
    if (sizeDepth_ > 3) return;  // a Resize handler that keeps resizing: stop the echo
    ++sizeDepth_;
    if (wp == SIZE_MINIMIZED) {
        if (form_.windowState() != WindowState::Minimized) {
            shownState_ = WindowState::Minimized;
            host_.runGuarded("Resize", [&] { form_.userMinimize(); });
        }
    } else {
        WindowState st = wp == SIZE_MAXIMIZED ? WindowState::Maximized : WindowState::Normal;
        RECT r;
        GetWindowRect(hwnd_, &r);
        applying_ = true;
        shownState_ = st;
        form_.setWindowState(st);
        form_.move(host_.toTwips(r.left), host_.toTwips(r.top));
        applying_ = false;
        int w = host_.toTwips(r.right - r.left), h = host_.toTwips(r.bottom - r.top);
        host_.runGuarded("Resize", [&] { form_.userResize(w, h); });
    }
    --sizeDepth_;
}

void FormWindow::onCommand(WPARAM wp, LPARAM lp) {
    int id = LOWORD(wp);
    int code = HIWORD(wp);
    if (lp == 0 && (code == 0 || code == 1)) {
        auto it = menuIds_.find(id);
        if (it != menuIds_.end()) {
            MenuItem* m = it->second;
            if (m->reachable() && IsWindowEnabled(hwnd_)) host_.runGuarded("menu", [&] { m->userClick(); });
            return;
        }
    }
    if (id == IDCANCEL || id == IDOK) {
        // Escape / Enter from the dialog navigation: the form's cancel / default button.
        for (Control* c : form_.controls()) {
            if (c->kind() != Kind::Button || !c->reachable()) continue;
            auto* b = static_cast<Button*>(c);
            if ((id == IDCANCEL && b->isCancel) || (id == IDOK && b->isDefault)) {
                host_.runGuarded("Click", [&] { b->userClick(); });
                return;
            }
        }
        return;
    }
    if (ControlPeer* p = peerById(id)) host_.runGuarded("command", [&] { p->command(static_cast<WORD>(code)); });
}

LRESULT CALLBACK FormWindow::windowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        reinterpret_cast<FormWindow*>(cs->lpCreateParams)->hwnd_ = h;
    }
    auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!fw || fw->dead_) return DefWindowProcW(h, msg, wp, lp);
    ++fw->inProc_;
    LRESULT r = 0;
    try {
        r = fw->handle(msg, wp, lp);
    } catch (...) {
        logError("window procedure: unexpected exception");
    }
    --fw->inProc_;
    return r;
}

LRESULT FormWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: onCommand(wp, lp); return 0;
        case WM_NOTIFY: {
            auto* nm = reinterpret_cast<NMHDR*>(lp);
            if (ControlPeer* p = peerById(static_cast<int>(nm->idFrom))) {
                bool handled = false;
                LRESULT r = 0;
                host_.runGuarded("notify", [&] { r = p->notify(nm, handled); });
                if (handled) return r;
            }
            break;
        }
        case WM_MEASUREITEM: {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (ControlPeer* p = peerById(static_cast<int>(mi->CtlID))) {
                p->measureItem(mi);
                return TRUE;
            }
            break;
        }
        case WM_DRAWITEM: {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (ControlPeer* p = peerById(static_cast<int>(di->CtlID))) {
                p->drawItem(di);
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: {
            HWND child = reinterpret_cast<HWND>(lp);
            ControlPeer* p = peerById(GetDlgCtrlID(child));
            if (p && p->control().foreColor() != kDefaultColor) {
                HDC dc = reinterpret_cast<HDC>(wp);
                uint32_t bgr = p->control().foreColor();
                SetTextColor(dc, RGB(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
                int bg = (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) ? COLOR_WINDOW : COLOR_BTNFACE;
                SetBkColor(dc, GetSysColor(bg));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(bg));
            }
            break;
        }
        case WM_SETCURSOR: {
            HWND child = reinterpret_cast<HWND>(wp);
            if (child != hwnd_ && LOWORD(lp) == HTCLIENT) {
                ControlPeer* p = peerById(GetDlgCtrlID(child));
                if (p && p->control().handCursor()) {
                    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                    return TRUE;
                }
            }
            break;
        }
        case WM_TIMER:
            if (ControlPeer* p = peerById(static_cast<int>(wp))) {
                host_.runGuarded("Timer", [&] { p->timer(); });
                return 0;
            }
            break;
        case DM_GETDEFID:
            for (Control* c : form_.controls())
                if (c->kind() == Kind::Button && static_cast<Button*>(c)->isDefault && c->reachable())
                    if (ControlPeer* p = peerOf(*c)) return MAKELRESULT(p->id(), DC_HASDEFID);
            return 0;
        case WM_SIZE: onSize(wp); return 0;
        case WM_MOVE:
            if (!creating_ && !IsIconic(hwnd_) && !IsZoomed(hwnd_)) {
                RECT r;
                GetWindowRect(hwnd_, &r);
                applying_ = true;
                form_.move(host_.toTwips(r.left), host_.toTwips(r.top));
                applying_ = false;
            }
            return 0;
        case WM_GETMINMAXINFO: {
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            if (form_.minWidth > 0) mm->ptMinTrackSize.x = host_.toPixels(form_.minWidth);
            if (form_.minHeight > 0) mm->ptMinTrackSize.y = host_.toPixels(form_.minHeight);
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(hwnd_, f)) savedFocus_ = f;
            } else if (!HIWORD(wp)) {
                HWND target =
                    savedFocus_ && IsWindow(savedFocus_) && IsWindowVisible(savedFocus_) && IsWindowEnabled(savedFocus_)
                        ? savedFocus_
                        : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
                if (target) SetFocus(target);
                host_.formActivated(form_);
            }
            return 0;
        case WM_CLOSE: host_.runGuarded("QueryUnload", [&] { form_.userClose(); }); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK FormWindow::subclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* p = reinterpret_cast<ControlPeer*>(ref);
    FormWindow& fw = p->fw_;
    if (fw.dead_) return DefSubclassProc(h, msg, wp, lp);
    ++fw.inProc_;
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = p->subclassed(msg, wp, lp, result);
    } catch (...) {
        logError("control procedure: unexpected exception");
    }
    --fw.inProc_;
    return handled ? result : DefSubclassProc(h, msg, wp, lp);
}

}  // namespace ui::win32

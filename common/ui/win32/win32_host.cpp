#include "common/ui/win32/win32_host.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "common/text/text.h"
#include "common/ui/win32/win32_internal.h"

namespace ui {

using win32::FormWindow;

namespace win32 {

std::wstring wide(const std::string& s) {
    std::u16string u = text::toUtf16(s);
    return std::wstring(u.begin(), u.end());
}

std::string narrow(const wchar_t* s, size_t n) {
    return text::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s), n));
}

std::string narrow(const std::wstring& s) { return narrow(s.data(), s.size()); }

std::wstring windowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(h, buf.data(), n + 1);
    buf.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return buf;
}

void logError(const std::string& what) {
    std::string line = "scl_ui: " + what + "\n";
    OutputDebugStringW(wide(line).c_str());
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace win32

namespace {

int64_t steadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr UINT kMsgPosted = WM_APP + 1;  // run the posted actions
const wchar_t kHostClass[] = L"SclUiHost";

LRESULT CALLBACK hostWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgPosted) {
        auto* host = reinterpret_cast<Win32Host*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (host) host->runPostedActions();
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

// Top-level windows of this thread that a modal window or message box must disable.
struct EnumState {
    HWND except;
    HWND skip;
    std::vector<HWND>* out;
};

BOOL CALLBACK collectEnabled(HWND h, LPARAM lp) {
    auto* st = reinterpret_cast<EnumState*>(lp);
    if (h != st->except && h != st->skip && IsWindowEnabled(h)) st->out->push_back(h);
    return TRUE;
}

std::vector<HWND> disableOthers(HWND except, HWND skip) {
    std::vector<HWND> list;
    EnumState st{except, skip, &list};
    EnumThreadWindows(GetCurrentThreadId(), collectEnabled, reinterpret_cast<LPARAM>(&st));
    for (HWND h : list) EnableWindow(h, FALSE);
    return list;
}

void reenable(const std::vector<HWND>& list) {
    for (HWND h : list)
        if (IsWindow(h)) EnableWindow(h, TRUE);
}

std::wstring programTitle() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    size_t slash = p.find_last_of(L"\\/");
    if (slash != std::wstring::npos) p = p.substr(slash + 1);
    size_t dot = p.find_last_of(L'.');
    if (dot != std::wstring::npos) p = p.substr(0, dot);
    return p;
}

}  // namespace

Win32Host::Win32Host() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);

    HDC dc = GetDC(nullptr);
    dpi_ = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    if (dpi_ <= 0) dpi_ = 96;

    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = hostWindowProc;
    wc.hInstance = inst;
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);  // fails harmlessly when a previous host registered it

    WNDCLASSEXW fc{};
    fc.cbSize = sizeof(fc);
    fc.style = CS_DBLCLKS;
    fc.lpfnWndProc = FormWindow::windowProc;
    fc.hInstance = inst;
    fc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    fc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    fc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
    if (!fc.hIcon) fc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    fc.lpszClassName = L"SclUiForm";
    RegisterClassExW(&fc);

    HWND mw = CreateWindowExW(0, kHostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr);
    SetWindowLongPtrW(mw, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    msgWindow_ = mw;
}

Win32Host::~Win32Host() {
    for (auto& [form, fw] : windows_) fw->destroy(false);
    for (auto& fw : graveyard_) fw->destroy(false);
    windows_.clear();
    graveyard_.clear();
    if (msgWindow_) {
        SetWindowLongPtrW(static_cast<HWND>(msgWindow_), GWLP_USERDATA, 0);
        DestroyWindow(static_cast<HWND>(msgWindow_));
    }
}

int Win32Host::toPixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
int Win32Host::toTwips(int pixels) const { return MulDiv(pixels, 1440, dpi_); }

int Win32Host::screenWidth() { return toTwips(GetSystemMetrics(SM_CXSCREEN)); }
int Win32Host::screenHeight() { return toTwips(GetSystemMetrics(SM_CYSCREEN)); }

FormWindow* Win32Host::windowOf(const Form& form) const {
    auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second.get();
}

uintptr_t Win32Host::nativeHandle(const Form& form) {
    FormWindow* fw = windowOf(form);
    return fw ? reinterpret_cast<uintptr_t>(fw->hwnd()) : 0;
}

uintptr_t Win32Host::controlHandle(const Control& c) const {
    FormWindow* fw = windowOf(c.form());
    if (!fw) return 0;
    win32::ControlPeer* p = fw->peerOf(c);
    return p ? reinterpret_cast<uintptr_t>(p->hwnd()) : 0;
}

int Win32Host::pendingDestroys() const {
    int n = static_cast<int>(graveyard_.size());
    for (auto& [form, fw] : windows_)
        if (fw->pendingDestroy) ++n;
    return n;
}

void Win32Host::runGuarded(const char* where, const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        win32::logError(std::string(where) + ": " + e.what());
    } catch (...) {
        win32::logError(std::string(where) + ": unknown exception");
    }
}

// ---- windows ----

void Win32Host::createWindow(Form& form) {
    auto it = windows_.find(&form);
    if (it != windows_.end()) {
        if (!it->second->pendingDestroy) return;  // still there
        // Reloaded while the old window waits for its handler: the old one goes to the graveyard.
        it->second->destroy(true);
        graveyard_.push_back(std::move(it->second));
        windows_.erase(it);
    }
    auto fw = std::make_unique<FormWindow>(*this, form);
    FormWindow* raw = fw.get();
    windows_[&form] = std::move(fw);
    raw->create();
}

void Win32Host::showWindow(Form& form, bool modal, Form* owner) {
    FormWindow* fw = windowOf(form);
    if (!fw) return;
    HWND h = fw->hwnd();
    HWND ownerHwnd = nullptr;
    if (owner) {
        if (FormWindow* ow = windowOf(*owner)) ownerHwnd = ow->hwnd();
    } else if (modal) {
        // A modal window stays above the window that was active when it opened.
        HWND active = GetActiveWindow();
        for (auto& [f, w] : windows_)
            if (w->hwnd() == active && active != h) ownerHwnd = active;
    }
    if (ownerHwnd || modal) SetWindowLongPtrW(h, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerHwnd));

    if (!modal) {
        fw->applyWindowState();
        SetForegroundWindow(h);
        return;
    }

    HWND previous = GetActiveWindow();
    fw->disabledByModal = disableOthers(h, static_cast<HWND>(msgWindow_));
    EnableWindow(h, TRUE);
    fw->applyWindowState();
    SetForegroundWindow(h);
    SetActiveWindow(h);
    ++modalDepth_;
    while (!quitting_) {
        FormWindow* cur = windowOf(form);
        if (cur != fw || fw->pendingDestroy || !form.loaded() || !form.visible()) break;
        MSG msg;
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r <= 0) {
            quitting_ = true;
            if (r == 0) exitCode_ = static_cast<int>(msg.wParam);
            break;
        }
        dispatch(&msg);
    }
    --modalDepth_;
    // The form may be gone (unloaded, its object even destroyed): re-enable what it disabled.
    std::vector<HWND> toEnable;
    if (FormWindow* cur = windowOf(form); cur == fw)
        toEnable.swap(fw->disabledByModal);
    else
        for (auto& g : graveyard_)
            if (g.get() == fw) toEnable.swap(fw->disabledByModal);
    reenable(toEnable);
    if (previous && IsWindow(previous) && IsWindowEnabled(previous) && IsWindowVisible(previous))
        SetActiveWindow(previous);
}

void Win32Host::hideWindow(Form& form) {
    FormWindow* fw = windowOf(form);
    if (!fw) return;
    // A modal window gives the others back as soon as it is hidden.
    reenable(fw->disabledByModal);
    fw->disabledByModal.clear();
    ShowWindow(fw->hwnd(), SW_HIDE);
}

void Win32Host::destroyWindow(Form& form) {
    auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    FormWindow* fw = it->second.get();
    reenable(fw->disabledByModal);
    fw->disabledByModal.clear();
    if (form.busyDepth() > 0) {
        // A handler running for this form is still on the stack: it may touch the window.
        fw->pendingDestroy = true;
        ShowWindow(fw->hwnd(), SW_HIDE);
        return;
    }
    if (lastActive_ == &form) lastActive_ = nullptr;
    fw->destroy(true);
    graveyard_.push_back(std::move(it->second));
    windows_.erase(it);
}

void Win32Host::formDestroyed(Form& form) {
    if (lastActive_ == &form) lastActive_ = nullptr;
    auto it = windows_.find(&form);
    if (it != windows_.end()) {
        reenable(it->second->disabledByModal);
        it->second->destroy(false);
        graveyard_.push_back(std::move(it->second));
        windows_.erase(it);
    }
    for (auto& g : graveyard_)
        if (&g->form() == &form) g->destroy(false);
}

void Win32Host::flushDeferred() {
    std::vector<Form*> due;
    for (auto& [form, fw] : windows_)
        if (fw->pendingDestroy && fw->form().busyDepth() == 0) due.push_back(&fw->form());
    for (Form* f : due) destroyWindow(*f);
    // Free the objects of destroyed windows once no window procedure of theirs is running.
    for (size_t i = 0; i < graveyard_.size();) {
        FormWindow* g = graveyard_[i].get();
        if (!g->dead() && g->form().busyDepth() == 0) g->destroy(true);
        if (g->dead() && g->inProc() == 0)
            graveyard_.erase(graveyard_.begin() + static_cast<long>(i));
        else
            ++i;
    }
}

void Win32Host::activateWindow(Form& form) {
    FormWindow* fw = windowOf(form);
    if (!fw) return;
    if (IsIconic(fw->hwnd())) ShowWindow(fw->hwnd(), SW_RESTORE);
    SetForegroundWindow(fw->hwnd());
    SetActiveWindow(fw->hwnd());
}

void Win32Host::formActivated(Form& form) {
    // The form's Activate runs when it becomes the active window of the program (not when the
    // program comes back from another one), from the message loop and only if it still is.
    Form* target = &form;
    post([this, target] {
        FormWindow* fw = windowOf(*target);
        if (!fw || fw->pendingDestroy || !target->loaded() || GetActiveWindow() != fw->hwnd()) return;
        if (lastActive_ == target) return;
        if (lastActive_) {
            if (windowOf(*lastActive_) && lastActive_->loaded()) lastActive_->userDeactivate();
        }
        lastActive_ = target;
        target->userActivate();
    });
}

// ---- message boxes ----

int Win32Host::msgBox(const std::string& text, int style, const std::string& title) {
    HWND owner = GetActiveWindow();
    bool ours = false;
    for (auto& [f, fw] : windows_)
        if (fw->hwnd() == owner) ours = true;
    if (!ours) {
        owner = nullptr;
        if (lastActive_)
            if (FormWindow* fw = windowOf(*lastActive_); fw && IsWindowVisible(fw->hwnd())) owner = fw->hwnd();
    }
    // The box is modal for the whole program, like a modal form.
    std::vector<HWND> disabled = disableOthers(owner, static_cast<HWND>(msgWindow_));
    std::wstring t = title.empty() ? programTitle() : win32::wide(title);
    int answer = MessageBoxW(owner, win32::wide(text).c_str(), t.c_str(), static_cast<UINT>(style));
    reenable(disabled);
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    return answer;
}

// ---- message loop ----

void Win32Host::post(std::function<void()> action) {
    posted_.push_back(std::move(action));
    PostMessageW(static_cast<HWND>(msgWindow_), kMsgPosted, 0, 0);
}

void Win32Host::runPostedActions() {
    // Only what was posted before this call: an action that posts again runs on a later turn.
    size_t n = posted_.size();
    while (n-- > 0 && !posted_.empty()) {
        auto action = std::move(posted_.front());
        posted_.pop_front();
        runGuarded("posted action", action);
    }
}

bool Win32Host::preTranslate(void* m) {
    MSG& msg = *static_cast<MSG*>(m);
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    FormWindow* fw = nullptr;
    for (auto& [f, w] : windows_)
        if (w->hwnd() == root) fw = w.get();
    if (!fw || fw->dead()) return false;
    Form& form = fw->form();

    if (form.keyPreview) {
        if (msg.message == WM_KEYDOWN) {
            int vk = static_cast<int>(msg.wParam);
            runGuarded("KeyDown", [&] { form.userKeyDown(vk); });
            // Enter and Escape never reach WM_CHAR in a window with dialog navigation: raise
            // the form's KeyPress from the key itself.
            if (vk == VK_ESCAPE || vk == VK_RETURN) {
                int key = vk == VK_ESCAPE ? 27 : 13;
                runGuarded("KeyPress", [&] { key = form.userKeyPress(key); });
                swallowChar_ = true;
                if (key == 0 || !windowOf(form) || !form.loaded()) return true;
            }
        } else if (msg.message == WM_CHAR) {
            int ch = static_cast<int>(msg.wParam);
            if (swallowChar_ && (ch == 27 || ch == 13)) {
                swallowChar_ = false;
            } else {
                int key = ch;
                runGuarded("KeyPress", [&] { key = form.userKeyPress(ch); });
                if (key == 0 || !windowOf(form)) return true;
                msg.wParam = static_cast<WPARAM>(key);
            }
        }
        if (!windowOf(form) || fw->dead()) return true;
    }
    if (fw->accelerators() && TranslateAcceleratorW(root, fw->accelerators(), &msg)) return true;
    if (IsDialogMessageW(root, &msg)) return true;
    return false;
}

void Win32Host::dispatch(void* m) {
    MSG& msg = *static_cast<MSG*>(m);
    if (msg.message == WM_KEYDOWN) swallowChar_ = false;
    if (!preTranslate(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    flushDeferred();
}

bool Win32Host::pumpOne() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        quitting_ = true;
        exitCode_ = static_cast<int>(msg.wParam);
        return false;
    }
    dispatch(&msg);
    return true;
}

void Win32Host::doEvents() {
    flushDeferred();
    // A long scan or search yields after every item. Under Wine with a display each look at
    // the queue costs the process about 1 ms (measured: 8,364 looks, one every 4 ms, added 8.5 s
    // of system time to a 40 s search), so while nothing is waiting the queue is looked at only
    // every 50 ms, and every 4 ms after input was found; the program's own posted actions are
    // seen at once.
    const int64_t now = steadyMicros();
    if (posted_.empty() && now - lastQueueCheck_ < queueCheckMicros_) return;
    lastQueueCheck_ = now;
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
        queueCheckMicros_ = kQueueCheckIdleMicros;
        return;
    }
    queueCheckMicros_ = kQueueCheckBusyMicros;
    // Process what is waiting now; messages that arrive meanwhile wait for the next yield.
    for (int budget = 1000; budget > 0 && !quitting_; --budget)
        if (!pumpOne()) break;
}

void Win32Host::processMessages() {
    lastQueueCheck_ = steadyMicros();
    for (int budget = 10000; budget > 0 && !quitting_; --budget)
        if (!pumpOne()) break;
    flushDeferred();
}

int Win32Host::run() {
    flushDeferred();
    while (!quitting_) {
        // The program ends when its last window is gone and nothing is left to run.
        if (windows_.empty() && posted_.empty()) break;
        MSG msg;
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r <= 0) {
            quitting_ = true;
            if (r == 0) exitCode_ = static_cast<int>(msg.wParam);
            break;
        }
        dispatch(&msg);
    }
    return exitCode_;
}

void Win32Host::quit(int exitCode) {
    if (quitting_) return;
    quitting_ = true;
    exitCode_ = exitCode;
    PostQuitMessage(exitCode);
}

}  // namespace ui

#include "common/platform/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "common/platform/sendkeys.h"
#include "common/platform/win32/win32_text.h"

namespace plat {

namespace {

using win32::wide;

constexpr DWORD kTypingPauseMs = 700;

int showCommand(ShowState s) {
    switch (s) {
        case ShowState::Hide: return SW_HIDE;
        case ShowState::Minimized: return SW_SHOWMINIMIZED;
        case ShowState::Maximized: return SW_SHOWMAXIMIZED;
        case ShowState::Normal:
        default: return SW_SHOWNORMAL;
    }
}

bool isAbsolute(const std::string& p) {
    return (p.size() >= 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/')) ||
           (p.size() >= 2 && p[0] == '\\' && p[1] == '\\');
}

bool extendedKey(WORD vk) {
    switch (vk) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_INSERT:
        case VK_DELETE:
        case VK_DIVIDE:
        case VK_NUMLOCK: return true;
        default: return false;
    }
}

INPUT vkInput(WORD vk, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (down ? 0 : KEYEVENTF_KEYUP) | (extendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

INPUT unicodeInput(wchar_t unit, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = unit;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
    return in;
}

// Waits (bounded) until the thread of the foreground window has taken every key sent so far
// from its input queue: a marker key (F24, which nothing uses) sent last shows as pressed in
// that thread's key state, which we share while attached to its input, once it is taken.
void waitUntilKeysTaken(DWORD timeoutMs) {
    HWND fg = GetForegroundWindow();
    if (!fg) return;
    const DWORD target = GetWindowThreadProcessId(fg, nullptr);
    const DWORD self = GetCurrentThreadId();
    if (!target || target == self || !AttachThreadInput(self, target, TRUE)) return;
    INPUT marker = vkInput(VK_F24, true);
    SendInput(1, &marker, sizeof marker);
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end && !(GetKeyState(VK_F24) & 0x8000)) Sleep(20);
    marker = vkInput(VK_F24, false);
    SendInput(1, &marker, sizeof marker);
    AttachThreadInput(self, target, FALSE);
}

struct FindWindowOf {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findVisibleWindow(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<FindWindowOf*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == f->pid && IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER)) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

Win32Shell::~Win32Shell() {
    for (auto& [id, h] : claims_) CloseHandle(static_cast<HANDLE>(h));
}

bool Win32Shell::startProcess(const std::string& program, const std::string& commandLine, ShowState show,
                              StartedProcess* out) {
    if (out) *out = StartedProcess{};
    // A program is given by its full path and never searched for.
    if (!program.empty() && !isAbsolute(program)) return false;
    std::wstring app = wide(program);
    std::wstring cmd = wide(commandLine.empty() ? "\"" + program + "\"" : commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCommand(show));
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.empty() ? nullptr : app.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    if (out) {
        out->processId = pi.dwProcessId;
        out->handle = reinterpret_cast<uintptr_t>(pi.hProcess);
    } else {
        CloseHandle(pi.hProcess);
    }
    return true;
}

long Win32Shell::launch(const std::string& program, const std::string& parameters, ShowState show,
                        StartedProcess* out) {
    if (out) *out = StartedProcess{};
    if (!isAbsolute(program)) return ERROR_FILE_NOT_FOUND;
    const std::wstring file = wide(program);
    const std::wstring params = wide(parameters);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The process handle is kept so the caller can follow the program; no error box of the
    // shell's own: the caller says what went wrong.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = params.empty() ? nullptr : params.c_str();
    info.nShow = showCommand(show);
    if (!ShellExecuteExW(&info)) {
        const long rc = static_cast<long>(GetLastError());
        return rc != 0 ? rc : ERROR_FILE_NOT_FOUND;
    }
    if (info.hProcess) {
        if (out) {
            out->processId = GetProcessId(info.hProcess);
            out->handle = reinterpret_cast<uintptr_t>(info.hProcess);
        } else {
            CloseHandle(info.hProcess);
        }
    }
    return ERROR_SUCCESS;
}

bool Win32Shell::waitForForegroundClass(const std::string& windowClass, int timeoutMs,
                                        const std::function<void()>& pump) {
    const std::wstring wanted = wide(windowClass);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs < 0 ? 0 : timeoutMs);
    bool nudged = false;
    for (;;) {
        if (HWND fg = GetForegroundWindow()) {
            wchar_t name[256] = {};
            if (GetClassNameW(fg, name, 256) > 0 && wanted == name) {
                // Keys go to a window that has set itself up and waits for input.
                DWORD pid = 0;
                GetWindowThreadProcessId(fg, &pid);
                if (HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
                    const ULONGLONG now = GetTickCount64();
                    WaitForInputIdle(h, now < end ? static_cast<DWORD>(end - now) : 0);
                    CloseHandle(h);
                }
                return true;
            }
        }
        if (!nudged) {
            // A window of the editor that sits behind ours (a second start hands over to it):
            // bring it forward once.
            if (HWND w = FindWindowW(wanted.c_str(), nullptr); w && IsWindowVisible(w)) {
                if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
                SetForegroundWindow(w);
                nudged = true;
                continue;
            }
        }
        if (GetTickCount64() >= end) return false;
        if (pump) pump();
        Sleep(20);
    }
}

bool Win32Shell::processRunning(const StartedProcess& p) {
    if (!p.handle) return false;
    return WaitForSingleObject(reinterpret_cast<HANDLE>(p.handle), 0) == WAIT_TIMEOUT;
}

void Win32Shell::closeProcess(StartedProcess& p) {
    if (p.handle) CloseHandle(reinterpret_cast<HANDLE>(p.handle));
    p.handle = 0;
}

bool Win32Shell::waitForForegroundWindow(uint32_t processId, int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs < 0 ? 0 : timeoutMs);
    // First until the program has set itself up and waits for input, so that keys sent next
    // reach its focused control rather than a half-made window.
    if (HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
        WaitForInputIdle(h, static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs));
        CloseHandle(h);
    }
    bool nudged = false;
    while (true) {
        DWORD pid = 0;
        HWND fg = GetForegroundWindow();
        if (fg) GetWindowThreadProcessId(fg, &pid);
        if (fg && pid == processId) return true;
        if (!nudged) {
            // The window of the process we just started may still sit behind ours: bring it forward once.
            FindWindowOf f{processId, nullptr};
            EnumWindows(findVisibleWindow, reinterpret_cast<LPARAM>(&f));
            if (f.found) {
                SetForegroundWindow(f.found);
                nudged = true;
                continue;
            }
        }
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
}

intptr_t Win32Shell::shellExecute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                                  const std::string& params, const std::string& directory, ShowState show,
                                  bool synchronous) {
    const std::wstring wverb = wide(verb), wfile = wide(file), wparams = wide(params), wdir = wide(directory);
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = synchronous ? SEE_MASK_NOASYNC : 0;
    sei.hwnd = reinterpret_cast<HWND>(ownerWindow);
    sei.lpVerb = verb.empty() ? nullptr : wverb.c_str();
    sei.lpFile = wfile.c_str();
    sei.lpParameters = params.empty() ? nullptr : wparams.c_str();
    sei.lpDirectory = directory.empty() ? nullptr : wdir.c_str();
    sei.nShow = showCommand(show);
    ShellExecuteExW(&sei);
    return reinterpret_cast<intptr_t>(sei.hInstApp);
}

bool Win32Shell::sendKeys(const std::string& keys) {
    std::vector<KeyStroke> strokes;
    if (!parseSendKeys(keys, &strokes)) return false;
    std::vector<INPUT> inputs;
    bool ok = true;
    auto flush = [&] {
        if (!inputs.empty())
            ok &= SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
        inputs.clear();
    };
    int modifiersDown = 0;
    bool namedKeyBefore = false;
    for (const auto& k : strokes) {
        if (k.kind == KeyStroke::Kind::Key) {
            const bool modifier = k.vk == kVkShift || k.vk == kVkControl || k.vk == kVkMenu;
            if (modifier) modifiersDown += k.down ? 1 : -1;
            inputs.push_back(vkInput(k.vk, k.down));
            if (!modifier && !k.down) namedKeyBefore = true;
            continue;
        }
        if (namedKeyBefore && k.down) {
            // Characters typed after a named key start a new incremental search in list and
            // tree controls only after the controls' typing pause (Wine: 450 ms), counted from
            // when the window handled the previous keys: let it catch up first.
            flush();
            waitUntilKeysTaken(5000);
            Sleep(kTypingPauseMs);
        }
        namedKeyBefore = false;
        if (modifiersDown > 0 && k.ch < 0x10000) {
            // With Ctrl, Alt or Shift held, a character is its key, so shortcuts work.
            const SHORT scan = VkKeyScanW(static_cast<wchar_t>(k.ch));
            if (scan != -1) {
                inputs.push_back(vkInput(static_cast<WORD>(scan & 0xFF), k.down));
                continue;
            }
        }
        if (k.ch >= 0x10000) {
            const char32_t v = k.ch - 0x10000;
            inputs.push_back(unicodeInput(static_cast<wchar_t>(0xD800 + (v >> 10)), k.down));
            inputs.push_back(unicodeInput(static_cast<wchar_t>(0xDC00 + (v & 0x3FF)), k.down));
        } else {
            inputs.push_back(unicodeInput(static_cast<wchar_t>(k.ch), k.down));
        }
    }
    flush();
    return ok;
}

bool Win32Shell::anotherInstanceRunning(const std::string& id) {
    if (claims_.count(id)) return false;
    HANDLE h = CreateMutexW(nullptr, FALSE, wide("Local\\Scourline." + id).c_str());
    const DWORD err = GetLastError();
    if (!h) return false;
    if (err == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return true;
    }
    claims_[id] = h;
    return false;
}

}  // namespace plat

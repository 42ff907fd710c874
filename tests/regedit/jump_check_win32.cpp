// Opens the registry editor on a key made for the purpose, through JumpToKey and the real
// platform services, then reads the key the editor shows in its status bar.
// Exit 0: the editor shows the key; 1: it shows another; 2: no keys were sent; 3: set-up failed.
// The editor is left open so that the caller can take a screenshot.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/platform/win32/win32_text.h"
#include "common/regedit/regedit_jump.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace {

// A level with keystroke-syntax characters and a braced GUID. The editor's tree searches only
// letters, digits and some punctuation as one types (no spaces, no accented or non-Latin
// letters), so the path holds none of those.
const std::string kKeyPath =
    "Software\\ScourlineJump\\Tools+Co^(50%)~[x]\\{0A1B2C3D-0000-1111-2222-333344445555}\\Last_Level";

struct Found {
    HWND main = nullptr;
};

BOOL CALLBACK findEditor(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, L"RegEdit_RegEdit") == 0) {
        reinterpret_cast<Found*>(lp)->main = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string statusText(HWND main) {
    HWND status = FindWindowExW(main, nullptr, L"msctls_statusbar32", nullptr);
    if (!status) return "";
    wchar_t buf[1024] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(status, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got);
    return plat::win32::narrow(buf, wcsnlen(buf, 1024));
}

}  // namespace

int main() {
    plat::Win32Registry reg;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::RegHandle h = 0;
    if (reg.createKey(plat::kHkeyCurrentUser, kKeyPath, &h) != plat::kErrorSuccess) {
        std::printf("cannot create the key\n");
        return 3;
    }
    reg.closeKey(h);

    const std::string location = "HKEY_CURRENT_USER\\" + kKeyPath;
    std::printf("keys: %s\n", regedit::EscapeForKeystrokes(location).c_str());
    if (!regedit::JumpToKey(shell, files, reg, location, {}, 15000)) {
        std::printf("JumpToKey sent nothing\n");
        return 2;
    }
    // The tree follows the keys as the editor processes them; poll its status bar.
    std::string shown;
    const ULONGLONG end = GetTickCount64() + 20000;
    while (GetTickCount64() < end) {
        Found f;
        EnumWindows(findEditor, reinterpret_cast<LPARAM>(&f));
        if (f.main) shown = statusText(f.main);
        const std::string tail = text::toUpper(location);
        const std::string up = text::toUpper(shown);
        if (up.size() >= tail.size() && up.compare(up.size() - tail.size(), tail.size(), tail) == 0) {
            std::printf("editor shows: %s\n", shown.c_str());
            // The editor's own record of the key to open at (what Windows' editor follows).
            const std::string last =
                mdlreg::ReadStringSetting(reg, plat::kHkeyCurrentUser, regedit::kEditorSettingsKey, "LastKey");
            std::printf("LastKey: %s\n", last.c_str());
            if (text::toUpper(last) != text::toUpper("Computer\\" + location)) {
                // Wine's editor writes its own LastKey when it closes, not while it runs.
                std::printf("LastKey does not hold the key\n");
                return 1;
            }
            return 0;
        }
        Sleep(250);
    }
    std::printf("editor shows: %s\nexpected:     %s\n", shown.c_str(), location.c_str());
    return 1;
}

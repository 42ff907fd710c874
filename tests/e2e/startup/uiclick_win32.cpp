// Test helper for the end-to-end scripts: acts on another program's window from outside.
//   uiclick wait  "<window title>" [seconds]      waits until a visible top-level window has that title
//   uiclick click "<window title>" "<control text>"  presses the button or option of that caption
//                                                  (posted: a modal window it opens does not block)
//   uiclick rows  "<window title>"                prints the rows of the window's first list view,
//                                                  columns separated by tabs
//   uiclick clickrow "<window title>" "<text>"     clicks with the mouse (real input) on the first row
//                                                  whose first column reads <text>
// Exit code 0 on success, 1 when the window or control was not found.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Find {
    const wchar_t* text;
    HWND found;
};

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<Find*>(lp);
    wchar_t buf[512] = {};
    GetWindowTextW(hwnd, buf, 512);
    if (IsWindowVisible(hwnd) && wcscmp(buf, f->text) == 0) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Buttons only (push buttons, options): a label may carry the same caption.
BOOL CALLBACK Child(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<Find*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, L"Button") != 0) return TRUE;
    wchar_t buf[512] = {};
    GetWindowTextW(hwnd, buf, 512);
    std::wstring t = buf;
    std::wstring want = f->text;
    // Captions may carry an accelerator marker.
    std::wstring plain;
    for (wchar_t c : t)
        if (c != L'&') plain += c;
    if (plain == want) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ListViewChild(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, WC_LISTVIEWW) == 0) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND TopWindow(const wchar_t* title) {
    Find f{title, nullptr};
    EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

std::string Utf8(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
    return s;
}

// The texts of a list view of another process, row by row, columns joined by tabs.
bool ReadRows(HWND lv, std::vector<std::string>* rows) {
    int n = static_cast<int>(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendMessageW(lv, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    if (columns < 1) columns = 1;
    // The texts need a buffer in the target process.
    DWORD pid = 0;
    GetWindowThreadProcessId(lv, &pid);
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!proc) return false;
    const SIZE_T textBytes = 2048 * sizeof(wchar_t);
    auto* remote =
        static_cast<char*>(VirtualAllocEx(proc, nullptr, sizeof(LVITEMW) + textBytes, MEM_COMMIT, PAGE_READWRITE));
    for (int i = 0; i < n; ++i) {
        std::string line;
        for (int col = 0; col < columns; ++col) {
            LVITEMW item = {};
            item.iSubItem = col;
            item.cchTextMax = 2048;
            item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
            WriteProcessMemory(proc, remote, &item, sizeof item, nullptr);
            SendMessageW(lv, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(remote));
            wchar_t text[2048] = {};
            ReadProcessMemory(proc, remote + sizeof(LVITEMW), text, textBytes, nullptr);
            text[2047] = 0;
            if (col) line += "\t";
            line += Utf8(text);
        }
        rows->push_back(line);
    }
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
    CloseHandle(proc);
    return true;
}

// The bounds of row i of another process's list view, in its client coordinates.
bool RowRect(HWND lv, int i, RECT* out) {
    DWORD pid = 0;
    GetWindowThreadProcessId(lv, &pid);
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!proc) return false;
    auto* remote = static_cast<RECT*>(VirtualAllocEx(proc, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE));
    RECT r{LVIR_LABEL, 0, 0, 0};
    WriteProcessMemory(proc, remote, &r, sizeof r, nullptr);
    const bool ok = SendMessageW(lv, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(remote)) != 0 &&
                    ReadProcessMemory(proc, remote, out, sizeof *out, nullptr);
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
    CloseHandle(proc);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: uiclick wait|click|rows|clickrow <title> [...]\n");
        return 2;
    }
    std::wstring cmd = argv[1];
    if (cmd == L"wait") {
        int seconds = argc > 3 ? _wtoi(argv[3]) : 20;
        for (int i = 0; i < seconds * 10; ++i) {
            if (TopWindow(argv[2])) return 0;
            Sleep(100);
        }
        return 1;
    }
    HWND top = TopWindow(argv[2]);
    if (!top) return 1;
    if (cmd == L"click" && argc > 3) {
        Find f{argv[3], nullptr};
        EnumChildWindows(top, Child, reinterpret_cast<LPARAM>(&f));
        if (!f.found) return 1;
        PostMessageW(f.found, BM_CLICK, 0, 0);
        return 0;
    }
    HWND lv = nullptr;
    EnumChildWindows(top, ListViewChild, reinterpret_cast<LPARAM>(&lv));
    std::vector<std::string> rows;
    if (!lv || !ReadRows(lv, &rows)) return 1;
    if (cmd == L"rows") {
        for (const std::string& line : rows) std::printf("%s\n", line.c_str());
        return 0;
    }
    if (cmd == L"clickrow" && argc > 3) {
        const std::string want = Utf8(argv[3]);
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].substr(0, rows[i].find('\t')) != want) continue;
            SendMessageW(lv, LVM_ENSUREVISIBLE, i, FALSE);
            RECT r{};
            if (!RowRect(lv, static_cast<int>(i), &r)) return 1;
            POINT p{r.left + 8, (r.top + r.bottom) / 2};
            ClientToScreen(lv, &p);
            SetForegroundWindow(top);
            SetCursorPos(p.x, p.y);
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, in, sizeof(INPUT));
            return 0;
        }
        return 1;
    }
    return 2;
}

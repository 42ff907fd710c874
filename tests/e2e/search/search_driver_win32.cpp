// Drives a running hivefind.exe from outside, as a user would, for the end-to-end script:
//   search_driver wait <seconds>           the search window is shown
//   search_driver type <text>              clicks into the search box and types the text
//   search_driver key enter|down           presses a key in the focused control
//   search_driver click <caption>          presses a button (BM_CLICK, posted)
//   search_driver idle <seconds>           waits until a search has ended (Search enabled, rows stable)
//   search_driver rows <file>              writes the found list as hivegrep's tsv (UTF-8)
//   search_driver clickrow <n> [middle|right]  clicks row n of the found list with the mouse (the
//                                          left button unless named)
//   search_driver regedit <seconds>        waits for the registry editor, prints its selected key
//   search_driver closeregedit             closes the registry editor's window
//   search_driver probe                    prints the row count and how long the window took to
//                                          answer a message and to show the last row (ms)
//   search_driver filter <text>            puts the text into the filter box (as if typed; "" clears)
//   search_driver save <path> [csv]        in the export's save dialog: picks the type (.reg unless
//                                          csv), enters the path and presses Save
//   search_driver msgbox <seconds>         prints the text of the program's message box and presses
//                                          its first button (exit 1 when none comes)
//   search_driver ctrlclick <n>            clicks row n with Ctrl held (adds it to the selection)
//   search_driver ctrlkey <letter>         presses Ctrl and the letter in the focused control
//   search_driver clipboard <file>         writes the clipboard's text to the file (UTF-8)
// Exit status 0 on success, 1 when something was not found in time, 2 for bad arguments.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Scourline - Registry Search";

// WM_GETTEXT, which (unlike GetWindowText) also reads controls of other programs.
std::wstring textOf(HWND h) {
    wchar_t buf[1024] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got);
    return buf;
}

std::wstring classOf(HWND h) {
    wchar_t c[128] = {};
    GetClassNameW(h, c, 128);
    return c;
}

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

struct Search {
    std::wstring text, cls;
    HWND found = nullptr;
};

HWND topLevel(const std::wstring& title, const std::wstring& cls = L"") {
    Search s{title, cls};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (!IsWindowVisible(h)) return TRUE;
            if ((!s->cls.empty() && classOf(h) == s->cls) || (s->cls.empty() && textOf(h) == s->text)) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The first child with that caption, or (caption empty) of that class.
HWND child(HWND top, const std::wstring& caption, const std::wstring& cls = L"") {
    Search s{caption, cls};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            bool match = s->cls.empty() ? textOf(h) == s->text : _wcsicmp(classOf(h).c_str(), s->cls.c_str()) == 0;
            if (match) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND waitTop(int seconds, const std::wstring& cls = L"") {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND h = topLevel(kTitle, cls)) return h;
        Sleep(100);
    }
    return nullptr;
}

void mouseClickAt(POINT pt, const std::wstring& button = L"left") {
    SetCursorPos(pt.x, pt.y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = button == L"middle"  ? MOUSEEVENTF_MIDDLEDOWN
                       : button == L"right" ? MOUSEEVENTF_RIGHTDOWN
                                            : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = button == L"middle"  ? MOUSEEVENTF_MIDDLEUP
                       : button == L"right" ? MOUSEEVENTF_RIGHTUP
                                            : MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

void typeText(const std::wstring& text) {
    for (wchar_t ch : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = ch;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        Sleep(20);
    }
}

void pressKey(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

void holdCtrl(bool down) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_CONTROL;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof(INPUT));
    Sleep(50);
}

// Presses Ctrl and waits until the window's thread sees it held (its activation may first
// reset the key state from the display's).
bool ctrlHeldIn(HWND top) {
    const DWORD target = GetWindowThreadProcessId(top, nullptr);
    const DWORD self = GetCurrentThreadId();
    const bool attached = AttachThreadInput(self, target, TRUE) != 0;
    bool down = false;
    for (int i = 0; i < 30 && !down; ++i) {
        holdCtrl(true);
        Sleep(100);
        down = !attached || GetKeyState(VK_CONTROL) < 0;
    }
    if (attached) AttachThreadInput(self, target, FALSE);
    return down;
}

// A dialog (#32770) of the search program with that caption ("" any), shown within `seconds`.
HWND waitDialog(const std::wstring& caption, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND h = topLevel(caption, L"#32770"))
            if (caption.empty() || textOf(h) == caption) return h;
        Sleep(100);
    }
    return nullptr;
}

// The visible child windows of a class, in the order they are enumerated.
std::vector<HWND> childrenOf(HWND top, const std::wstring& cls) {
    struct Found {
        std::wstring cls;
        std::vector<HWND> list;
    } f{cls, {}};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Found*>(p);
            if (IsWindowVisible(h) && _wcsicmp(classOf(h).c_str(), f->cls.c_str()) == 0) f->list.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.list;
}

// Memory inside the program that owns a window, for list-view messages that carry pointers.
class Remote {
public:
    explicit Remote(HWND h, size_t bytes) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) mem_ = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    }
    ~Remote() {
        if (mem_) VirtualFreeEx(process_, mem_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    bool ok() const { return mem_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(mem_) + offset; }
    void write(size_t offset, const void* data, size_t n) {
        WriteProcessMemory(process_, at(offset), data, n, nullptr);
    }
    void read(size_t offset, void* data, size_t n) { ReadProcessMemory(process_, at(offset), data, n, nullptr); }

private:
    HANDLE process_ = nullptr;
    void* mem_ = nullptr;
};

constexpr size_t kTextChars = 4096;

std::wstring itemText(HWND lv, Remote& r, int row, int column, int* image) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | (image ? LVIF_IMAGE : 0);
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(r.at(sizeof(LVITEMW)));
    item.cchTextMax = kTextChars;
    r.write(0, &item, sizeof item);
    if (image) {
        SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(r.at(0)));
        r.read(0, &item, sizeof item);
        *image = item.iImage;
    } else {
        SendMessageW(lv, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(r.at(0)));
    }
    std::wstring text(kTextChars, L'\0');
    r.read(sizeof(LVITEMW), text.data(), kTextChars * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), kTextChars));
    return text;
}

std::string escapeTsv(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

int rowCount(HWND lv) { return static_cast<int>(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring cmd = argv[1];
    const std::wstring arg = argc > 2 ? argv[2] : L"";
    if (cmd == L"wait") return waitTop(arg.empty() ? 30 : _wtoi(arg.c_str())) ? 0 : 1;
    if (cmd == L"regedit") {
        const int seconds = arg.empty() ? 30 : _wtoi(arg.c_str());
        HWND status = nullptr;
        std::wstring last, text;
        int stable = 0;
        for (int i = 0; i < seconds * 10; ++i) {
            HWND ed = topLevel(L"", L"RegEdit_RegEdit");
            if (ed) status = child(ed, L"", L"msctls_statusbar32");
            if (status) {
                text = textOf(status);
                stable = (text == last && !text.empty()) ? stable + 1 : 0;
                last = text;
                if (stable >= 15) break;
            }
            Sleep(100);
        }
        if (!status) return 1;
        std::printf("%s\n", utf8(last).c_str());
        return 0;
    }

    if (cmd == L"save") {
        HWND dlg = waitDialog(L"Export Results", 30);
        if (!dlg) return 1;
        Sleep(500);
        const bool csv = argc > 3 && std::wstring(argv[3]) == L"csv";
        if (HWND types = GetDlgItem(dlg, 0x470)) {  // cmb1: the type list
            // Picked with the keyboard, as a user does: the list itself tells the dialog.
            SetForegroundWindow(dlg);
            RECT rc;
            GetWindowRect(types, &rc);
            mouseClickAt(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});  // opens the list
            Sleep(300);
            pressKey(csv ? VK_DOWN : VK_UP);
            Sleep(100);
            pressKey(VK_RETURN);
            Sleep(300);
        }
        HWND name = GetDlgItem(dlg, 0x480);  // edt1: the file name
        if (!name) {
            HWND combo = GetDlgItem(dlg, 0x47c);  // cmb13: the file name as a combo box
            name = combo ? child(combo, L"", L"Edit") : nullptr;
        }
        if (!name) return 1;
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg.c_str()));
        Sleep(200);
        HWND ok = GetDlgItem(dlg, IDOK);
        return ok && PostMessageW(ok, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (cmd == L"msgbox") {
        HWND box = waitDialog(L"", arg.empty() ? 10 : _wtoi(arg.c_str()));
        if (!box) return 1;
        Sleep(300);
        std::wstring text;
        for (HWND s : childrenOf(box, L"Static")) text += textOf(s);
        std::printf("%s\n", utf8(text).c_str());
        std::vector<HWND> buttons = childrenOf(box, L"Button");
        if (!buttons.empty()) PostMessageW(buttons[0], BM_CLICK, 0, 0);
        return 0;
    }
    if (cmd == L"clipboard") {
        std::string out;
        if (OpenClipboard(nullptr)) {
            if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
                if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h))) {
                    out = utf8(p);
                    GlobalUnlock(h);
                }
            }
            CloseClipboard();
        }
        FILE* f = _wfopen(arg.c_str(), L"wb");
        if (!f) return 1;
        std::fwrite(out.data(), 1, out.size(), f);
        std::fclose(f);
        return 0;
    }
    if (cmd == L"closeregedit") {
        HWND ed = topLevel(L"", L"RegEdit_RegEdit");
        return ed && PostMessageW(ed, WM_CLOSE, 0, 0) ? 0 : 1;
    }

    HWND top = waitTop(30);
    if (!top) {
        std::fprintf(stderr, "search_driver: the search window is not shown\n");
        return 1;
    }
    HWND lv = child(top, L"", L"SysListView32");
    HWND find = child(top, L"Search");
    if (cmd == L"type") {
        HWND combo = child(top, L"", L"ComboBox");
        HWND edit = combo ? child(combo, L"", L"Edit") : nullptr;
        if (!edit) return 1;
        SetForegroundWindow(top);
        RECT rc;
        GetWindowRect(edit, &rc);
        mouseClickAt(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
        Sleep(300);
        typeText(arg);
        Sleep(300);
        return 0;
    }
    if (cmd == L"filter") {
        // The filter box is the search window's own edit control (the search text's is inside
        // its combo box). WM_SETTEXT makes the box report a change as typing does.
        for (HWND e : childrenOf(top, L"Edit")) {
            if (GetParent(e) != top) continue;
            SendMessageW(e, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg.c_str()));
            return 0;
        }
        return 1;
    }
    if (cmd == L"ctrlkey") {
        SetForegroundWindow(top);
        Sleep(500);
        if (!ctrlHeldIn(top)) {
            holdCtrl(false);
            return 1;
        }
        pressKey(static_cast<WORD>(towupper(arg.empty() ? L'C' : arg[0])));
        Sleep(50);
        holdCtrl(false);
        Sleep(300);
        return 0;
    }
    if (cmd == L"key") {
        SetForegroundWindow(top);
        pressKey(arg == L"enter" ? VK_RETURN : VK_DOWN);
        return 0;
    }
    if (cmd == L"click") {
        HWND b = child(top, arg);
        return b && PostMessageW(b, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (cmd == L"idle") {
        const int seconds = arg.empty() ? 120 : _wtoi(arg.c_str());
        for (int i = 0; i < 30 && IsWindowEnabled(find); ++i) Sleep(100);  // the search may start late
        int last = -1, stable = 0;
        for (int i = 0; i < seconds * 10; ++i) {
            const int n = rowCount(lv);
            stable = (n == last && IsWindowEnabled(find)) ? stable + 1 : 0;
            last = n;
            if (stable >= 15) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (cmd == L"rows") {
        Remote r(lv, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
        if (!r.ok()) return 1;
        std::string out = "kind\ttext\tpath\n";
        const int n = rowCount(lv);
        for (int i = 0; i < n; ++i) {
            int image = -1;
            const std::wstring text = itemText(lv, r, i, 0, &image);
            const std::wstring path = itemText(lv, r, i, 1, nullptr);
            out += image == 0 ? "key" : image == 1 ? "text" : "other";
            out += "\t" + escapeTsv(utf8(text)) + "\t" + escapeTsv(utf8(path)) + "\n";
        }
        FILE* f = _wfopen(arg.c_str(), L"wb");
        if (!f) return 1;
        std::fwrite(out.data(), 1, out.size(), f);
        std::fclose(f);
        return 0;
    }
    if (cmd == L"probe") {
        const ULONGLONG t0 = GetTickCount64();
        DWORD_PTR res = 0;
        const bool answered = SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &res) != 0;
        const ULONGLONG t1 = GetTickCount64();
        const int n = rowCount(lv);
        if (n > 0) SendMessageW(lv, LVM_ENSUREVISIBLE, n - 1, FALSE);
        UpdateWindow(lv);
        const ULONGLONG t2 = GetTickCount64();
        std::printf("rows %d, answer %llu ms%s, last row shown %llu ms\n", n, t1 - t0, answered ? "" : " (no answer)",
                    t2 - t1);
        return answered ? 0 : 1;
    }
    if (cmd == L"clickrow" || cmd == L"ctrlclick") {
        const int row = _wtoi(arg.c_str());
        Remote r(lv, sizeof(RECT));
        if (!r.ok() || row >= rowCount(lv)) return 1;
        RECT rc = {};
        rc.left = LVIR_LABEL;
        r.write(0, &rc, sizeof rc);
        SendMessageW(lv, LVM_ENSUREVISIBLE, row, FALSE);
        SendMessageW(lv, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(r.at(0)));
        r.read(0, &rc, sizeof rc);
        POINT pt{rc.left + 20, (rc.top + rc.bottom) / 2};
        ClientToScreen(lv, &pt);
        SetForegroundWindow(top);
        Sleep(200);
        if (cmd == L"ctrlclick" && !ctrlHeldIn(top)) {
            holdCtrl(false);
            return 1;
        }
        mouseClickAt(pt, argc > 3 ? std::wstring(argv[3]) : L"left");
        if (cmd == L"ctrlclick") {
            Sleep(300);
            holdCtrl(false);
        }
        return 0;
    }
    return 2;
}

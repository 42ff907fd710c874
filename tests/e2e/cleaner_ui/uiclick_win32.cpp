// Drives a running program's windows from outside, as a user would, for the end-to-end script:
//   uiclick wait  <window title> <seconds>            a visible top-level window with that title
//   uiclick click <window title> <control caption>    presses the button (BM_CLICK, posted)
//   uiclick waitcaption <window title> <caption> <s>  waits until a child shows that caption
//   uiclick close <window title>                      posts WM_CLOSE
//   uiclick lvcount <window title> <n-th list view>   prints the row count of a list view
//   uiclick snap <window title> <file.bmp>            the window as it paints itself (PrintWindow)
//   uiclick move <window title> <x> <y>               moves the window (pixels)
//   uiclick enter <window title> <text>               types the text into the window's edit box
//                                                     and presses Enter there (posted keys)
// Exit status 0 on success, 1 when the window or control was not found in time.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Find {
    std::wstring text;
    std::wstring cls;
    int nth = 0;
    HWND found = nullptr;
};

std::wstring textOf(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

HWND topLevel(const std::wstring& title) {
    Find f{title, L"", 0, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            if (IsWindowVisible(h) && textOf(h) == f->text) {
                f->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND child(HWND top, const std::wstring& caption, const std::wstring& cls = L"", int nth = 0) {
    Find f{caption, cls, nth};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            wchar_t c[64] = {};
            GetClassNameW(h, c, 64);
            bool match = f->cls.empty() ? textOf(h) == f->text : _wcsicmp(c, f->cls.c_str()) == 0;
            if (match && f->nth-- == 0) {
                f->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

HWND waitTop(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND h = topLevel(title)) return h;
        Sleep(100);
    }
    return nullptr;
}

// Writes the window's own painting (WM_PRINT through PrintWindow) as a 24-bit BMP file.
bool snap(HWND w, const std::wstring& file) {
    RECT r{};
    GetWindowRect(w, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    PrintWindow(w, dc, 0);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4, size = stride * height;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    if (FILE* f = _wfopen(file.c_str(), L"wb")) {
        ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             fwrite(bits, size, 1, f) == 1;
        fclose(f);
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    std::wstring cmd = argv[1], title = argv[2];
    if (cmd == L"wait") return waitTop(title, argc > 3 ? _wtoi(argv[3]) : 20) ? 0 : 1;
    HWND top = waitTop(title, 20);
    if (!top) {
        std::fwprintf(stderr, L"uiclick: no window \"%ls\"\n", title.c_str());
        return 1;
    }
    if (cmd == L"close") return PostMessageW(top, WM_CLOSE, 0, 0) ? 0 : 1;
    if (argc < 4) return 2;
    std::wstring caption = argv[3];
    if (cmd == L"click") {
        HWND b = nullptr;
        for (int i = 0; i < 100 && !b; ++i) {
            b = child(top, caption);
            if (!b) Sleep(100);
        }
        if (!b) {
            std::fwprintf(stderr, L"uiclick: no control \"%ls\"\n", caption.c_str());
            return 1;
        }
        return PostMessageW(b, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (cmd == L"waitcaption") {
        int seconds = argc > 4 ? _wtoi(argv[4]) : 60;
        for (int i = 0; i < seconds * 10; ++i) {
            if (child(top, caption)) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (cmd == L"snap") return snap(top, caption) ? 0 : 1;
    if (cmd == L"move" && argc > 4)
        return SetWindowPos(top, nullptr, _wtoi(argv[3]), _wtoi(argv[4]), 0, 0, SWP_NOSIZE | SWP_NOZORDER) ? 0 : 1;
    if (cmd == L"enter") {
        HWND edit = child(top, L"", L"Edit");
        if (!edit) return 1;
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
        SetForegroundWindow(top);
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
        return 0;
    }
    if (cmd == L"lvcount") {
        HWND lv = child(top, L"", L"SysListView32", _wtoi(caption.c_str()));
        if (!lv) return 1;
        std::printf("%ld\n", static_cast<long>(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    return 2;
}

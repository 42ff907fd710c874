#include "common/platform/win32/win32_clipboard.h"

#include <windows.h>

#include <cstring>

#include "common/text/text.h"

namespace plat {

long Win32Clipboard::setText(std::uintptr_t owner, const std::string& text) {
    const std::u16string wide = text::toUtf16(text);
    const size_t bytes = (wide.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return static_cast<long>(GetLastError());
    void* p = GlobalLock(memory);
    if (!p) {
        const long error = static_cast<long>(GetLastError());
        GlobalFree(memory);
        return error ? error : ERROR_NOT_ENOUGH_MEMORY;
    }
    std::memcpy(p, wide.c_str(), bytes);
    GlobalUnlock(memory);
    // Another program may hold the clipboard for a moment: try a few times.
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
        opened = OpenClipboard(reinterpret_cast<HWND>(owner)) != 0;
        if (!opened) Sleep(20);
    }
    if (!opened) {
        const long error = static_cast<long>(GetLastError());
        GlobalFree(memory);
        return error ? error : ERROR_ACCESS_DENIED;
    }
    long result = 0;
    if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) {
        result = static_cast<long>(GetLastError());
        if (!result) result = ERROR_ACCESS_DENIED;
        GlobalFree(memory);  // still ours: the clipboard took it only on success
    }
    CloseClipboard();
    return result;
}

}  // namespace plat

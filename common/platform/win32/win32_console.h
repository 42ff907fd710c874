// Standard streams of the console programs: UTF-8 text out (wide text to a console window,
// bytes to a pipe or file), and the arguments as UTF-8.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/text/text.h"

namespace plat::win32 {

// Writes UTF-8 bytes to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. False when any of it could not
// be written (a full device, a closed pipe).
inline bool writeStd(DWORD which, const std::string& utf8) {
    if (utf8.empty()) return true;
    HANDLE h = GetStdHandle(which);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(h, &mode)) {
        std::u16string w = text::toUtf16(utf8);
        return WriteConsoleW(h, reinterpret_cast<const wchar_t*>(w.data()), static_cast<DWORD>(w.size()), &done,
                             nullptr) != 0;
    }
    size_t off = 0;
    while (off < utf8.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(utf8.size() - off, 1 << 20));
        if (!WriteFile(h, utf8.data() + off, chunk, &done, nullptr) || done == 0) return false;
        off += done;
    }
    if (GetFileType(h) == FILE_TYPE_DISK && !FlushFileBuffers(h)) return false;
    return true;
}

inline std::vector<std::string> utf8Args(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(text::fromUtf16(std::u16string(reinterpret_cast<const char16_t*>(argv[i]))));
    return args;
}

}  // namespace plat::win32

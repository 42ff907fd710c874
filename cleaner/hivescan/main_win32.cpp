// hivescan.exe: the console twin of the cleaner's main window (composition root).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cleaner/hivescan/hivescan_cli.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/text/text.h"
#include "common/version.h"

namespace {

// Writes UTF-8 bytes: to a console as wide text (exact characters), to a pipe or file as bytes,
// flushed. False when any of it could not be written (a full device, a closed pipe).
bool writeTo(DWORD which, const std::string& utf8) {
    HANDLE h = GetStdHandle(which);
    if (utf8.empty()) return true;
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
    // Pipes cannot be flushed; files and devices report a failing write here at the latest.
    if (GetFileType(h) == FILE_TYPE_DISK && !FlushFileBuffers(h)) return false;
    return true;
}

std::string readLine() {
    HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(h, &c, 1, &got, nullptr) && got == 1) {
        if (c == '\n') break;
        if (c != '\r') line += c;
    }
    return line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(text::fromUtf16(std::u16string(reinterpret_cast<const char16_t*>(argv[i]))));

    if (args.size() == 1 && args[0] == "--version")
        return writeTo(STD_OUTPUT_HANDLE, std::string("hivescan ") + scl::kVersion + "\n") ? 0 : 1;

    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Clock clock;
    plat::Services services{registry, files, shell, clock};

    hivescan::Console console;
    console.out = [](const std::string& s) { return writeTo(STD_OUTPUT_HANDLE, s); };
    console.err = [](const std::string& s) { writeTo(STD_ERROR_HANDLE, s); };
    console.readLine = readLine;
    return hivescan::Run(args, services, console);
}

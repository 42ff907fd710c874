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
#include "common/platform/win32/win32_console.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/text/text.h"
#include "common/version.h"

namespace {

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
    using plat::win32::writeStd;
    const std::vector<std::string> args = plat::win32::utf8Args(argc, argv);

    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Clock clock;
    plat::Services services{registry, files, shell, clock};

    hivescan::Console console;
    console.out = [](const std::string& s) { return writeStd(STD_OUTPUT_HANDLE, s); };
    console.err = [](const std::string& s) { writeStd(STD_ERROR_HANDLE, s); };
    console.readLine = readLine;
    return hivescan::Run(args, services, console);
}

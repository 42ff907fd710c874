// hiverun.exe: the console twin of the startup manager (composition root).
#include <windows.h>

#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_console.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/platform/win32/win32_startup_shell.h"
#include "startup/hiverun/hiverun_cli.h"

int wmain(int argc, wchar_t** argv) {
    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    hiverun::NoIcons icons;
    plat::Win32Clock clock;
    plat::Win32ShellLinks links;
    plat::Win32RecycleBin recycleBin;
    plat::Win32Environment environment;
    hiverun::Console console;
    console.out = [](const std::string& s) { return plat::win32::writeStd(STD_OUTPUT_HANDLE, s); };
    console.err = [](const std::string& s) { plat::win32::writeStd(STD_ERROR_HANDLE, s); };
    return hiverun::Run(plat::win32::utf8Args(argc, argv),
                        {registry, files, shell, icons, clock, links, recycleBin, environment}, console);
}

// startup.exe: the Run-key manager on the real registry, files, shell and icons.
#include <windows.h>

#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/platform/win32/win32_startup_shell.h"
#include "common/ui/win32/win32_host.h"
#include "common/platform/win32/win32_icons.h"
#include "startup/frm_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Icons icons;
    plat::Win32Clock clock;
    plat::Win32ShellLinks links;
    plat::Win32RecycleBin recycleBin;
    plat::Win32Environment environment;
    ui::Win32Host host;
    startup::FrmMain main(host, {registry, files, shell, icons, clock, links, recycleBin, environment});
    main.show();
    return host.run();
}

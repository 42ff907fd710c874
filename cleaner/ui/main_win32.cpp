// hivescrub.exe: the cleaner's main window on real controls, over the real registry, file
// system, shell and clock.
#include <windows.h>

#include "cleaner/ui/frm_main.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_http.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/ui/win32/win32_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Clock clock;
    plat::Services services{registry, files, shell, clock};
    ui::Win32Host host;
    plat::Win32Http http;
    cleaner::FrmMain main(host, services);
    main.http = &http;
    main.show();
    if (host.quitting()) return 0;  // another instance runs
    return host.run();
}

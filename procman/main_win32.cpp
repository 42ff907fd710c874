// taskwatch.exe: the process manager's composition root on the real platform.
#include <windows.h>

#include "common/platform/services.h"
#include "common/platform/win32/win32_clipboard.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/ui/win32/win32_host.h"
#include "procman/form1.h"
#include "common/platform/win32/win32_icons.h"
#include "common/platform/win32/win32_process_list.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    plat::Win32Icons icons;  // first: it initialises COM for the shell, and goes last
    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    plat::Win32Clock clock;
    plat::Services services{registry, files, shell, clock};
    plat::Win32ProcessList processes;
    plat::Win32ProcessList sampledProcesses;  // the live samples' own, on their worker thread
    plat::Win32Clipboard clipboard;

    ui::Win32Host host;
    procman::Form1 form(host, services, processes, icons, clipboard);
    form.sampleInBackground(sampledProcesses);
    form.show();
    return host.run();
}

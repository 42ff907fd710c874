// hivesave.exe: the backup window on the real files and clock, with the Windows directory's
// registry editor.
#include <windows.h>

#include "backup/frm_main.h"
#include "common/platform/locale.h"
#include "backup/registry_editor.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/ui/win32/win32_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    plat::Win32Files files;
    plat::Win32Clock clock;
    plat::Win32Shell shell;
    backup::ShellRegistryEditor editor(shell, files);
    auto locale = plat::MakeUserLocale();
    ui::Win32Host host;
    plat::Win32Registry registry;
    backup::FrmMain main(host, {files, clock, editor, *locale, &registry});
    main.show();
    return host.run();
}

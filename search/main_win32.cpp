// hivefind.exe: the search window on real controls, the real registry and the real editor jump.
#include <windows.h>

#include "common/platform/win32/win32_clipboard.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/regedit/regedit_jump.h"
#include "common/ui/win32/win32_desktop.h"
#include "common/ui/win32/win32_host.h"
#include "search/frm_search.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ui::Win32Host host;
    plat::Win32Registry registry;
    plat::Win32Files files;
    plat::Win32Shell shell;
    ui::Win32FileDialogs dialogs(host);
    plat::Win32Clipboard clipboard;
    search::SearchServices services{
        registry,
        // The wait for the editor keeps the window's messages flowing: a running search goes on.
        regedit::WindowJump(shell, files, registry, [&] { host.doEvents(); }),
        nullptr,  // the style file is cosmetic; visual styles come from the manifest
        true,
        &files,
        &dialogs,
        &clipboard,
    };
    search::frmSearch form(host, services);
    form.show();
    return host.run();
}

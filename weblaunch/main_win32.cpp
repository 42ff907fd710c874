// weblaunch.exe: opens the maker's site through the shell and ends. Its form is never shown,
// so it runs on the headless backend: no window is made, and the program ends sooner.
// COM is not initialised here: the shell looks for context-menu handlers through COM when
// the caller has initialised it, which under Wine costs more than a second for a web address.
#include <windows.h>

#include "common/platform/win32/win32_shell.h"
#include "common/ui/headless.h"
#include "weblaunch/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    plat::Win32Shell shell;
    ui::HeadlessHost host;
    weblaunch::Form1 form(host, shell);
    form.load();
    return 0;
}

// weblaunch.exe: opens the maker's site through the shell and ends. Its form is never shown,
// so it runs on the headless backend: no window is made, and the program ends sooner.
#include <windows.h>
#include <objbase.h>

#include "common/platform/win32/win32_shell.h"
#include "common/ui/headless.h"
#include "weblaunch/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The shell may hand the address to a COM handler.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    plat::Win32Shell shell;
    ui::HeadlessHost host;
    weblaunch::Form1 form(host, shell);
    form.load();
    CoUninitialize();
    return 0;
}

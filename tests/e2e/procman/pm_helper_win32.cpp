// A helper process for the end-to-end checks: it only waits (the number of seconds on its
// command line, 120 by default) so that the process window can list it and end it.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmdLine, int) {
    long seconds = cmdLine && *cmdLine ? std::wcstol(cmdLine, nullptr, 10) : 120;
    if (seconds <= 0) seconds = 120;
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 7;  // a normal end; an ended helper has exit code 0 instead
}

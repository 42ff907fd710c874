// hivesnap.exe: the console twin of the backup window (composition root). Ctrl+C during a
// backup ends the registry editor's export and deletes the unfinished file.
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

#include "backup/hivesnap/hivesnap_cli.h"
#include "common/platform/locale.h"
#include "common/platform/win32/win32_clock.h"
#include "common/platform/win32/win32_console.h"
#include "common/platform/win32/win32_files.h"
#include "common/platform/win32/win32_registry.h"
#include "common/platform/win32/win32_shell.h"
#include "common/platform/win32/win32_text.h"

namespace {

std::atomic<bool> gInterrupted{false};
HANDLE gFinished = nullptr;  // set when the program has tidied up and is about to end

BOOL WINAPI onConsoleEvent(DWORD event) {
    gInterrupted = true;
    // Closing the console window ends the program once this returns: give the main thread
    // the few seconds the system allows to end the export and delete its file.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        if (gFinished) WaitForSingleObject(gFinished, 4500);
    return TRUE;
}

void sleepUnlessInterrupted(int ms) {
    for (int waited = 0; waited < ms && !gInterrupted; waited += 50) Sleep(50);
}

// The job that ends the registry editor's export when this process ends, however it ends.
HANDLE gExportJob = nullptr;

void tieToThisProcess(uint32_t processId) {
    if (!gExportJob) {
        gExportJob = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (gExportJob &&
            !SetInformationJobObject(gExportJob, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(gExportJob);
            gExportJob = nullptr;
        }
    }
    if (!gExportJob) return;
    if (HANDLE h = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, processId)) {
        AssignProcessToJobObject(gExportJob, h);
        CloseHandle(h);
    }
}

bool processAlive(uint32_t processId) {
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to open
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

void endProcess(uint32_t processId) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, processId)) {
        TerminateProcess(h, 1);
        CloseHandle(h);
    }
}

std::optional<std::string> readTail(const std::string& path, size_t bytes) {
    HANDLE h = CreateFileW(plat::win32::wide(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> out;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size)) {
        LONGLONG from = size.QuadPart > static_cast<LONGLONG>(bytes) ? size.QuadPart - static_cast<LONGLONG>(bytes) : 0;
        LARGE_INTEGER at{};
        at.QuadPart = from;
        std::string buf(static_cast<size_t>(size.QuadPart - from), '\0');
        DWORD got = 0;
        if (SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
            (buf.empty() || ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr))) {
            buf.resize(got);
            out = buf;
        }
    }
    CloseHandle(h);
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    gFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);

    plat::Win32Files files;
    plat::Win32Clock clock;
    plat::Win32Shell shell;
    auto locale = plat::MakeUserLocale();

    hivesnap::Console console;
    console.out = [](const std::string& s) { return plat::win32::writeStd(STD_OUTPUT_HANDLE, s); };
    console.err = [](const std::string& s) { plat::win32::writeStd(STD_ERROR_HANDLE, s); };
    console.sleep = sleepUnlessInterrupted;
    console.interrupted = [] { return gInterrupted.load(); };
    console.endProcess = endProcess;
    console.readTail = readTail;
    console.processId = [] { return static_cast<uint32_t>(GetCurrentProcessId()); };
    console.processAlive = processAlive;
    console.tieToThisProcess = tieToThisProcess;
    plat::Win32Registry registry;
    int rc = hivesnap::Run(plat::win32::utf8Args(argc, argv), {files, clock, shell, *locale, &registry}, console);
    if (gFinished) SetEvent(gFinished);
    return rc;
}

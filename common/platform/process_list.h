// The process-list service: the system's process snapshot, opening a process, its image path,
// its figures (times, private bytes, owner, 32-bit view), ending it, and the debug privilege of
// our own process. Win32 implementation in win32/, a table of fake processes in fake/.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

using SnapshotHandle = std::uintptr_t;  // 0 = no snapshot
using ProcessHandle = std::uintptr_t;   // 0 = no process

// Access rights of OpenProcess.
constexpr uint32_t kProcessTerminate = 0x0001;
constexpr uint32_t kProcessQueryInformation = 0x0400;
constexpr uint32_t kProcessVmRead = 0x0010;
constexpr uint32_t kProcessQueryLimitedInformation = 0x1000;
constexpr uint32_t kSynchronize = 0x00100000;

// Result codes the callers look at (beside those of registry.h).
constexpr long kErrorInsufficientBuffer = 122;
constexpr long kErrorNotAllAssigned = 1300;
constexpr long kErrorCallNotImplemented = 120;

// GetProcessTimes, in 100 ns units: creation as a point in time, kernel and user as durations.
struct ProcessTimes {
    uint64_t creation = 0;
    uint64_t kernel = 0;
    uint64_t user = 0;
};

struct ProcessEntry {
    uint32_t processId = 0;
    uint32_t parentProcessId = 0;
    std::string exeFile;  // executable name as the snapshot gives it, cut at its first NUL
};

class ProcessList {
public:
    virtual ~ProcessList() = default;

    // CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0): 0 when no snapshot could be taken.
    virtual SnapshotHandle createSnapshot() = 0;
    // Process32FirstW / Process32NextW: false at the end of the list (or on failure).
    virtual bool firstProcess(SnapshotHandle snapshot, ProcessEntry* entry) = 0;
    virtual bool nextProcess(SnapshotHandle snapshot, ProcessEntry* entry) = 0;
    virtual void closeSnapshot(SnapshotHandle snapshot) = 0;

    // OpenProcess(access, no inheritance, id): 0 when refused, *error (may be null) the code.
    virtual ProcessHandle openProcess(uint32_t access, uint32_t processId, long* error) = 0;
    // The full path of the process's image file, whatever its length (QueryFullProcessImageNameW
    // with a buffer that grows until it fits). 0 on success, else the platform's code.
    virtual long imagePath(ProcessHandle process, std::string* path) = 0;
    // TerminateProcess: 0 on success, else the platform's code.
    virtual long terminateProcess(ProcessHandle process, uint32_t exitCode) = 0;
    // Waits at most timeoutMs for the process to end (the handle needs kSynchronize).
    virtual bool waitForExit(ProcessHandle process, uint32_t timeoutMs) = 0;
    virtual void closeHandle(ProcessHandle process) = 0;

    virtual uint32_t currentProcessId() = 0;

    // Enables or disables SeDebugPrivilege in our own process's token. *wasEnabled (may be null)
    // receives the state before the change, so the caller can put it back. 0 on success;
    // kErrorNotAllAssigned when the token does not hold the privilege.
    virtual long setDebugPrivilege(bool enable, bool* wasEnabled) = 0;

    // The figures of an opened process (kProcessQueryLimitedInformation is enough). Each returns
    // 0 on success, else the platform's code; an implementation without them answers
    // kErrorCallNotImplemented.
    // GetProcessTimes.
    virtual long processTimes(ProcessHandle process, ProcessTimes* times) {
        (void)process, (void)times;
        return kErrorCallNotImplemented;
    }
    // GetProcessMemoryInfo: PROCESS_MEMORY_COUNTERS_EX.PrivateUsage, in bytes.
    virtual long privateBytes(ProcessHandle process, uint64_t* bytes) {
        (void)process, (void)bytes;
        return kErrorCallNotImplemented;
    }
    // OpenProcessToken + GetTokenInformation(TokenUser) + LookupAccountSidW: "DOMAIN\user", or
    // "user" when the account has no domain.
    virtual long processUser(ProcessHandle process, std::string* user) {
        (void)process, (void)user;
        return kErrorCallNotImplemented;
    }
    // IsWow64Process: true for a 32-bit process on a 64-bit system.
    virtual long isWow64(ProcessHandle process, bool* wow64) {
        (void)process, (void)wow64;
        return kErrorCallNotImplemented;
    }
    // The processors the system schedules on (at least 1).
    virtual uint32_t processorCount() { return 1; }
    // A steady clock in 100 ns units from an arbitrary start, for the intervals of CPU figures.
    virtual uint64_t steadyTime() { return 0; }
};

}  // namespace plat

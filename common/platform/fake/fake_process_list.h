// A table of fake processes behind the process-list service, for tests. Processes are listed by
// snapshots in table order; handles refer to one process object, so a process that ends and
// whose identifier is taken by a new one keeps old handles pointing at the ended process,
// as on the platform.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/process_list.h"

namespace plat {

struct FakeProcess {
    uint32_t processId = 0;
    uint32_t parentProcessId = 0;
    std::string exeFile;                   // name in the snapshot
    std::string imagePath;                 // full image path; empty = the path cannot be read
    uint32_t allowedAccess = 0xFFFFFFFFu;  // rights OpenProcess grants; others give access denied
    long terminateError = 0;               // non-zero: TerminateProcess fails with this code
    bool running = true;
    uint32_t exitCode = 0;

    // Figures. The creation time is set by add() from a counter that only grows, so that a
    // process added later is younger; tests may set it.
    ProcessTimes times;
    uint64_t privateBytes = 0;
    std::string user = "TESTPC\\tester";
    bool wow64 = false;
    // Non-zero: the call for that figure fails with this code (no rights, say).
    long timesError = 0;
    long memoryError = 0;
    long userError = 0;
    long wow64Error = 0;
};

class FakeProcessList : public ProcessList {
public:
    FakeProcessList() = default;

    // Adds a running process at the end of the table.
    FakeProcess& add(uint32_t processId, const std::string& exeFile, const std::string& imagePath);
    // Adds a process that refuses every access, like the system's idle and kernel processes.
    FakeProcess& addProtected(uint32_t processId, const std::string& exeFile);
    // Ends a process as if from outside; it leaves later snapshots.
    void end(uint32_t processId);
    // The running process with that identifier (null when none).
    FakeProcess* find(uint32_t processId);
    // Whether a process with this identifier runs.
    bool running(uint32_t processId);

    uint32_t selfId = 1000;
    uint32_t processors = 4;
    uint64_t now = 0;  // the steady clock, 100 ns units
    void advanceMs(uint64_t ms) { now += ms * 10000; }
    bool snapshotFails = false;
    bool privilegeHeld = true;      // the token holds SeDebugPrivilege
    bool privilegeEnabled = false;  // its state now
    long privilegeError = 0;        // non-zero: every privilege call fails with this code

    // What was asked, for assertions.
    std::vector<uint32_t> openedAccess;                     // access of every OpenProcess call
    std::vector<std::pair<uint32_t, uint32_t>> terminated;  // (identifier, exit code) of every end
    std::vector<bool> privilegeCalls;                       // the `enable` argument of each call
    int snapshotsTaken = 0;
    int nextCalls = 0;

    int openHandles() const { return static_cast<int>(handles_.size()); }
    int openSnapshots() const { return static_cast<int>(snapshots_.size()); }

    SnapshotHandle createSnapshot() override;
    bool firstProcess(SnapshotHandle snapshot, ProcessEntry* entry) override;
    bool nextProcess(SnapshotHandle snapshot, ProcessEntry* entry) override;
    void closeSnapshot(SnapshotHandle snapshot) override;
    ProcessHandle openProcess(uint32_t access, uint32_t processId, long* error) override;
    long imagePath(ProcessHandle process, std::string* path) override;
    long terminateProcess(ProcessHandle process, uint32_t exitCode) override;
    bool waitForExit(ProcessHandle process, uint32_t timeoutMs) override;
    void closeHandle(ProcessHandle process) override;
    uint32_t currentProcessId() override { return selfId; }
    long setDebugPrivilege(bool enable, bool* wasEnabled) override;
    long processTimes(ProcessHandle process, ProcessTimes* times) override;
    long privateBytes(ProcessHandle process, uint64_t* bytes) override;
    long processUser(ProcessHandle process, std::string* user) override;
    long isWow64(ProcessHandle process, bool* wow64) override;
    uint32_t processorCount() override { return processors; }
    uint64_t steadyTime() override { return now; }
    int figureCalls = 0;  // calls of the four figure functions

private:
    struct Snapshot {
        std::vector<ProcessEntry> entries;
        size_t next = 0;
    };
    struct Handle {
        std::shared_ptr<FakeProcess> process;
        uint32_t access = 0;
    };
    bool fetch(SnapshotHandle snapshot, ProcessEntry* entry);
    // The process behind a handle opened with query rights; 0 or the platform's code.
    long queried(ProcessHandle process, FakeProcess** p);
    // One figure of a queried process: the handle's error, else the figure's own planted error,
    // else the figure.
    template <typename T>
    long figure(ProcessHandle process, long FakeProcess::*error, T FakeProcess::*field, T* out) {
        FakeProcess* p = nullptr;
        if (long e = queried(process, &p)) return e;
        if (p->*error) return p->*error;
        *out = p->*field;
        return 0;
    }

    std::vector<std::shared_ptr<FakeProcess>> table_;
    std::map<SnapshotHandle, Snapshot> snapshots_;
    std::map<ProcessHandle, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x100;
    uint64_t nextCreation_ = 132000000000000000ull;  // a time in 2019, in 100 ns units
};

}  // namespace plat

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

    std::vector<std::shared_ptr<FakeProcess>> table_;
    std::map<SnapshotHandle, Snapshot> snapshots_;
    std::map<ProcessHandle, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace plat

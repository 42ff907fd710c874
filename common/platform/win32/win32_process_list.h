// The process-list service on Win32: Toolhelp snapshots, OpenProcess, the full image path,
// TerminateProcess, the debug privilege of our own token, and the figures of a process (times,
// private bytes, the owner of its token, the 32-bit view).
#pragma once

#include <map>
#include <string>

#include "common/platform/process_list.h"

namespace plat {

class Win32ProcessList : public plat::ProcessList {
public:
    plat::SnapshotHandle createSnapshot() override;
    bool firstProcess(plat::SnapshotHandle snapshot, plat::ProcessEntry* entry) override;
    bool nextProcess(plat::SnapshotHandle snapshot, plat::ProcessEntry* entry) override;
    void closeSnapshot(plat::SnapshotHandle snapshot) override;
    plat::ProcessHandle openProcess(uint32_t access, uint32_t processId, long* error) override;
    long imagePath(plat::ProcessHandle process, std::string* path) override;
    long terminateProcess(plat::ProcessHandle process, uint32_t exitCode) override;
    bool waitForExit(plat::ProcessHandle process, uint32_t timeoutMs) override;
    void closeHandle(plat::ProcessHandle process) override;
    uint32_t currentProcessId() override;
    long setDebugPrivilege(bool enable, bool* wasEnabled) override;
    long processTimes(plat::ProcessHandle process, plat::ProcessTimes* times) override;
    long privateBytes(plat::ProcessHandle process, uint64_t* bytes) override;
    long processUser(plat::ProcessHandle process, std::string* user) override;
    long isWow64(plat::ProcessHandle process, bool* wow64) override;
    uint32_t processorCount() override;
    uint64_t steadyTime() override;

private:
    // Account names by SID: the lookup may ask a domain controller, and a few accounts own
    // every process.
    std::map<std::string, std::string> accounts_;
};

}  // namespace plat

// The process-list service on Win32: Toolhelp snapshots, OpenProcess, the full image path,
// TerminateProcess and the debug privilege of our own token.
#pragma once

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
};

}  // namespace plat

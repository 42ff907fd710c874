#include "common/platform/fake/fake_process_list.h"

namespace plat {

namespace {
constexpr long kErrorInvalidParameterCode = 87;
constexpr long kErrorAccessDeniedCode = 5;
constexpr long kErrorInvalidHandleCode = 6;
constexpr long kErrorGenFailure = 31;
}  // namespace

FakeProcess& FakeProcessList::add(uint32_t processId, const std::string& exeFile, const std::string& imagePath) {
    auto p = std::make_shared<FakeProcess>();
    p->processId = processId;
    p->exeFile = exeFile;
    p->imagePath = imagePath;
    p->times.creation = nextCreation_;
    nextCreation_ += 10000000;  // a second later
    table_.push_back(p);
    return *p;
}

FakeProcess& FakeProcessList::addProtected(uint32_t processId, const std::string& exeFile) {
    FakeProcess& p = add(processId, exeFile, "");
    p.allowedAccess = 0;
    return p;
}

FakeProcess* FakeProcessList::find(uint32_t processId) {
    for (auto& p : table_)
        if (p->running && p->processId == processId) return p.get();
    return nullptr;
}

bool FakeProcessList::running(uint32_t processId) { return find(processId) != nullptr; }

void FakeProcessList::end(uint32_t processId) {
    if (FakeProcess* p = find(processId)) p->running = false;
}

SnapshotHandle FakeProcessList::createSnapshot() {
    ++snapshotsTaken;
    if (snapshotFails) return 0;
    Snapshot s;
    for (auto& p : table_)
        if (p->running) s.entries.push_back({p->processId, p->parentProcessId, p->exeFile});
    SnapshotHandle h = nextHandle_++;
    snapshots_[h] = std::move(s);
    return h;
}

bool FakeProcessList::fetch(SnapshotHandle snapshot, ProcessEntry* entry) {
    auto it = snapshots_.find(snapshot);
    if (it == snapshots_.end() || it->second.next >= it->second.entries.size()) return false;
    *entry = it->second.entries[it->second.next++];
    return true;
}

bool FakeProcessList::firstProcess(SnapshotHandle snapshot, ProcessEntry* entry) {
    auto it = snapshots_.find(snapshot);
    if (it == snapshots_.end()) return false;
    it->second.next = 0;
    return fetch(snapshot, entry);
}

bool FakeProcessList::nextProcess(SnapshotHandle snapshot, ProcessEntry* entry) {
    ++nextCalls;
    return fetch(snapshot, entry);
}

void FakeProcessList::closeSnapshot(SnapshotHandle snapshot) { snapshots_.erase(snapshot); }

ProcessHandle FakeProcessList::openProcess(uint32_t access, uint32_t processId, long* error) {
    openedAccess.push_back(access);
    std::shared_ptr<FakeProcess> target;
    for (auto& p : table_)
        if (p->running && p->processId == processId) target = p;
    long code = 0;
    if (!target)
        code = kErrorInvalidParameterCode;  // the platform's answer for an identifier nobody has
    else if ((access & ~target->allowedAccess) != 0)
        code = kErrorAccessDeniedCode;
    if (error) *error = code;
    if (code != 0) return 0;
    ProcessHandle h = nextHandle_++;
    handles_[h] = {target, access};
    return h;
}

long FakeProcessList::imagePath(ProcessHandle process, std::string* path) {
    auto it = handles_.find(process);
    if (it == handles_.end()) return kErrorInvalidHandleCode;
    if ((it->second.access & (kProcessQueryLimitedInformation | kProcessQueryInformation)) == 0)
        return kErrorAccessDeniedCode;
    if (it->second.process->imagePath.empty()) return kErrorGenFailure;
    *path = it->second.process->imagePath;
    return 0;
}

long FakeProcessList::terminateProcess(ProcessHandle process, uint32_t exitCode) {
    auto it = handles_.find(process);
    if (it == handles_.end()) return kErrorInvalidHandleCode;
    if ((it->second.access & kProcessTerminate) == 0) return kErrorAccessDeniedCode;
    FakeProcess& p = *it->second.process;
    if (!p.running) return kErrorAccessDeniedCode;  // ending an ended process fails as on the platform
    if (p.terminateError != 0) return p.terminateError;
    p.running = false;
    p.exitCode = exitCode;
    terminated.emplace_back(p.processId, exitCode);
    return 0;
}

bool FakeProcessList::waitForExit(ProcessHandle process, uint32_t) {
    auto it = handles_.find(process);
    if (it == handles_.end() || (it->second.access & kSynchronize) == 0) return false;
    return !it->second.process->running;
}

void FakeProcessList::closeHandle(ProcessHandle process) { handles_.erase(process); }

long FakeProcessList::setDebugPrivilege(bool enable, bool* wasEnabled) {
    privilegeCalls.push_back(enable);
    if (privilegeError != 0) return privilegeError;
    if (!privilegeHeld) return kErrorNotAllAssigned;
    if (wasEnabled) *wasEnabled = privilegeEnabled;
    privilegeEnabled = enable;
    return 0;
}

long FakeProcessList::queried(ProcessHandle process, FakeProcess** p) {
    ++figureCalls;
    auto it = handles_.find(process);
    if (it == handles_.end()) return kErrorInvalidHandleCode;
    if ((it->second.access & (kProcessQueryLimitedInformation | kProcessQueryInformation)) == 0)
        return kErrorAccessDeniedCode;
    *p = it->second.process.get();
    return 0;
}

long FakeProcessList::processTimes(ProcessHandle process, ProcessTimes* times) {
    return figure(process, &FakeProcess::timesError, &FakeProcess::times, times);
}

long FakeProcessList::privateBytes(ProcessHandle process, uint64_t* bytes) {
    return figure(process, &FakeProcess::memoryError, &FakeProcess::privateBytes, bytes);
}

long FakeProcessList::processUser(ProcessHandle process, std::string* user) {
    return figure(process, &FakeProcess::userError, &FakeProcess::user, user);
}

long FakeProcessList::isWow64(ProcessHandle process, bool* wow64) {
    return figure(process, &FakeProcess::wow64Error, &FakeProcess::wow64, wow64);
}

}  // namespace plat

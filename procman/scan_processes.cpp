#include "procman/scan_processes.h"

#include <utility>

#include "common/text/text.h"

namespace procman {

namespace {

std::string withoutTrailingBackslash(std::string s) {
    while (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

// Holds a process handle open; while it is open the identifier cannot pass to a new process.
class HandleGuard {
public:
    HandleGuard(plat::ProcessList& list, plat::ProcessHandle h) : list_(list), h_(h) {}
    ~HandleGuard() {
        if (h_) list_.closeHandle(h_);
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
    plat::ProcessHandle get() const { return h_; }

private:
    plat::ProcessList& list_;
    plat::ProcessHandle h_;
};

constexpr uint32_t kExitWaitMs = 2000;

}  // namespace

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

cScanProcesses::cScanProcesses(plat::ProcessList& processes, plat::Files& files, std::function<void()> yield)
    : processes_(processes), files_(files), yield_(std::move(yield)) {
    if (!yield_) yield_ = [] {};
}

std::string cScanProcesses::SystemDirectory() { return withoutTrailingBackslash(files_.systemDirectory()); }

std::string cScanProcesses::WindowsDirectory() { return withoutTrailingBackslash(files_.windowsDirectory()); }

void cScanProcesses::BeginScanning() {
    if (scanning_) return;
    cancel_ = false;
    currentProcessPath_.clear();
    totalProcesses_ = 0;
    scanning_ = true;
    WalkProcesses();
    scanning_ = false;
    cancel_ = false;
    currentProcessPath_.clear();
    currentProcessId_ = -1;
    currentFile_.clear();
    currentFolder_.clear();
    if (DoneScanning) DoneScanning(totalProcesses_);
}

void cScanProcesses::WalkProcesses() {
    yield_();
    plat::SnapshotHandle snapshot = processes_.createSnapshot();
    if (!snapshot) return;
    plat::ProcessEntry entry;
    bool fetched = processes_.firstProcess(snapshot, &entry);
    while (fetched && !cancel_) {
        yield_();
        if (cancel_) break;  // a cancel from the messages just handled stops before this process
        bool readable = false;
        std::string folder = ProcessFolder(entry.processId, &readable);
        if (systemProcesses_ || readable) {
            currentProcessId_ = static_cast<int32_t>(entry.processId);
            currentFile_ = entry.exeFile;
            currentFolder_ = folder;
            ++totalProcesses_;
            bool terminate = false;
            if (CurrentProcess) CurrentProcess(entry.exeFile, folder, currentProcessId_, terminate);
            if (terminate) {
                int32_t id = currentProcessId_;
                TerminateProcess(id);
            }
        }
        entry = plat::ProcessEntry{};
        fetched = processes_.nextProcess(snapshot, &entry);
    }
    processes_.closeSnapshot(snapshot);
}

std::string rewriteImagePath(std::string path, const std::string& windowsDirectory) {
    path = text::replaceAll(std::move(path), "\\??\\", "");
    return text::replaceAll(std::move(path), "\\SystemRoot\\", windowsDirectory + "\\");
}

std::string cScanProcesses::rewritePath(std::string path) {
    return rewriteImagePath(std::move(path), WindowsDirectory());
}

std::string cScanProcesses::ProcessFolder(uint32_t processId, bool* readable) {
    *readable = false;
    std::string folder;
    if (!cancel_) {
        HandleGuard process(processes_,
                            processes_.openProcess(plat::kProcessQueryLimitedInformation, processId, nullptr));
        std::string path;
        if (process.get() && processes_.imagePath(process.get(), &path) == 0 && !path.empty()) {
            currentProcessPath_ = rewritePath(std::move(path));
            folder = folderOf(currentProcessPath_);
            *readable = true;
        }
    }
    if (folder.empty()) folder = SystemDirectory();
    return folder;
}

bool cScanProcesses::stillSameProcess(uint32_t processId, plat::ProcessHandle pinned, const std::string& file,
                                      const std::string& folder) {
    bool listed = false;
    if (plat::SnapshotHandle snapshot = processes_.createSnapshot()) {
        plat::ProcessEntry entry;
        for (bool ok = processes_.firstProcess(snapshot, &entry); ok; ok = processes_.nextProcess(snapshot, &entry)) {
            if (entry.processId == processId) {
                listed = text::equalNoCase(entry.exeFile, file);
                break;
            }
        }
        processes_.closeSnapshot(snapshot);
    }
    if (!listed) return false;
    std::string path;
    if (pinned && processes_.imagePath(pinned, &path) == 0 && !path.empty())
        return text::equalNoCase(folderOf(rewritePath(std::move(path))), folder);
    // A process whose path cannot be read was listed with the system directory as its folder.
    return text::equalNoCase(folder, SystemDirectory());
}

bool cScanProcesses::endProcess(int32_t processId, const std::string* file, const std::string* folder) {
    if (processId < 0) return false;
    const uint32_t id = static_cast<uint32_t>(processId);
    if (id == processes_.currentProcessId()) return false;

    // The privilege helps to end processes of other users; without it the attempt is still made.
    bool wasEnabled = false;
    const bool enabled = processes_.setDebugPrivilege(true, &wasEnabled) == 0;

    plat::ProcessHandle pin =
        processes_.openProcess(plat::kProcessQueryLimitedInformation | plat::kSynchronize, id, nullptr);
    if (!pin) pin = processes_.openProcess(plat::kProcessQueryLimitedInformation, id, nullptr);
    HandleGuard pinned(processes_, pin);

    bool ended = false;
    if (!file || stillSameProcess(id, pinned.get(), *file, *folder)) {
        HandleGuard process(processes_, processes_.openProcess(plat::kProcessTerminate, id, nullptr));
        if (process.get()) ended = processes_.terminateProcess(process.get(), 0) == 0;
    }
    // The end is carried out asynchronously; wait briefly so that a rescan no longer lists it.
    if (ended && pinned.get()) processes_.waitForExit(pinned.get(), kExitWaitMs);
    yield_();
    if (enabled && !wasEnabled) processes_.setDebugPrivilege(false, nullptr);
    return ended;
}

bool cScanProcesses::TerminateProcess(int32_t& ProcessID) {
    if (ProcessID == -1) {
        ProcessID = currentProcessId_;
        if (ProcessID == -1) return false;
        const std::string file = currentFile_, folder = currentFolder_;
        return endProcess(ProcessID, &file, &folder);
    }
    return endProcess(ProcessID, nullptr, nullptr);
}

bool cScanProcesses::TerminateProcess(int32_t& ProcessID, const std::string& file, const std::string& folder) {
    if (ProcessID == -1) return TerminateProcess(ProcessID);
    return endProcess(ProcessID, &file, &folder);
}

}  // namespace procman

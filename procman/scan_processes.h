// cScanProcesses: walks the running processes, finds each executable's folder, reports each
// process through an event (whose listener may ask for it to be ended at once), counts what it
// reported, and ends a process on request with the debug privilege enabled for the call.
// It owns no window; the walk yields to the message loop between processes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/platform/files.h"
#include "common/platform/process_list.h"

namespace procman {

class cScanProcesses {
public:
    // File: executable name; Path: its folder (with a trailing backslash, or the system
    // directory without one when the image path could not be read); Terminate: set it to end
    // the process at once.
    using CurrentProcessEvent =
        std::function<void(const std::string& File, const std::string& Path, int32_t ProcessID, bool& Terminate)>;
    using DoneScanningEvent = std::function<void(int32_t TotalProcesses)>;

    // `yield` processes the pending window messages.
    cScanProcesses(plat::ProcessList& processes, plat::Files& files, std::function<void()> yield);

    CurrentProcessEvent CurrentProcess;
    DoneScanningEvent DoneScanning;

    bool SystemProcesses() const { return systemProcesses_; }
    void setSystemProcesses(bool v) { systemProcesses_ = v; }
    int32_t CurrentProcessID() const { return currentProcessId_; }
    const std::string& CurrentProcessPath() const { return currentProcessPath_; }
    bool Scanning() const { return scanning_; }
    int32_t TotalProcesses() const { return totalProcesses_; }

    // Walks the processes and raises the events. A call while a scan runs (from a window event
    // handled during a yield) is refused: a walk inside the walk would report everything twice.
    void BeginScanning();
    // The walk stops before its next process.
    void CancelScanning() { cancel_ = true; }

    // Ends the process; -1 stands for the process being reported by the running scan (ProcessID
    // then receives its identifier). False unless the process was ended. Our own process is
    // never ended.
    bool TerminateProcess(int32_t& ProcessID);
    // The same for a process seen in an earlier scan: it is ended only while its identifier
    // still belongs to that executable (name `file`, folder `folder` as reported), since
    // identifiers of ended processes are given to new ones.
    bool TerminateProcess(int32_t& ProcessID, const std::string& file, const std::string& folder);

    // The system directory without a trailing backslash ("" when unknown).
    std::string SystemDirectory();

private:
    void WalkProcesses();
    // The folder of the process's executable; *readable tells whether its image path was read
    // (otherwise the folder is the system directory and the process counts as a system process).
    std::string ProcessFolder(uint32_t processId, bool* readable);
    std::string WindowsDirectory();
    std::string rewritePath(std::string path);
    bool stillSameProcess(uint32_t processId, plat::ProcessHandle pinned, const std::string& file,
                          const std::string& folder);
    bool endProcess(int32_t processId, const std::string* file, const std::string* folder);

    plat::ProcessList& processes_;
    plat::Files& files_;
    std::function<void()> yield_;

    bool cancel_ = false;
    std::string currentProcessPath_;
    int32_t totalProcesses_ = 0;
    int32_t currentProcessId_ = -1;
    bool scanning_ = false;
    bool systemProcesses_ = false;
    std::string currentFile_;  // name and folder of the process being reported
    std::string currentFolder_;
};

// The folder part of a path: up to and including its last backslash ("" when it has none).
std::string folderOf(const std::string& path);
// An image path as the scanner reports it: every "\??\" removed, then every "\SystemRoot\"
// replaced by the Windows directory (given without a trailing backslash) and a backslash.
std::string rewriteImagePath(std::string path, const std::string& windowsDirectory);

}  // namespace procman

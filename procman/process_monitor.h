// ProcessMonitor: samples the running processes with their figures (processor share over the
// last interval, private bytes, owner, 32-bit view) for the process window's live view, and
// finds the processes a process started. It owns no window and never yields; one sample is a
// snapshot walk plus a few queries per process.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/files.h"
#include "common/platform/process_list.h"

namespace procman {

// One process as the last sample saw it. Figures that could not be read are empty.
struct ProcessSample {
    uint32_t processId = 0;
    uint32_t parentProcessId = 0;
    std::string file;       // executable name from the snapshot
    std::string folder;     // as the scanner reports it: the system directory when unreadable
    std::string imagePath;  // full path of the executable, "" when it could not be read
    bool pathReadable = false;
    uint64_t creation = 0;      // creation time in 100 ns units, 0 when unknown
    std::optional<double> cpu;  // percent of the whole machine over the last interval
    std::optional<uint64_t> privateBytes;
    std::optional<std::string> user;
    std::optional<bool> wow64;
};

class ProcessMonitor {
public:
    // Shorter intervals than this keep the previous processor figures: a share of a few
    // milliseconds says nothing.
    static constexpr uint64_t kMinInterval = 5000000;  // 0.5 s in 100 ns units

    // Reads the system and Windows directories at once; later samples use only `processes`.
    ProcessMonitor(plat::ProcessList& processes, plat::Files& files);

    // Takes a snapshot and reads each process's figures into processes(), in snapshot order.
    // False when no snapshot could be taken: the previous sample stays.
    bool sample();
    const std::vector<ProcessSample>& processes() const { return current_; }
    const ProcessSample* find(uint32_t processId) const;

    // processTree() of the last sample.
    std::vector<ProcessSample> tree(uint32_t processId) const;

private:
    struct Known {
        ProcessSample sample;
        std::optional<uint64_t> cpuTime;  // kernel + user at `at`
        uint64_t at = 0;                  // steady time of that reading
    };
    void readNew(plat::ProcessHandle handle, ProcessSample& s);

    plat::ProcessList& processes_;
    std::string systemDirectory_, windowsDirectory_;  // without a trailing backslash
    std::map<uint32_t, Known> known_;
    std::vector<ProcessSample> current_;
};

// The process of a sample with that identifier (null when none).
const ProcessSample* findProcess(const std::vector<ProcessSample>& processes, uint32_t processId);
// The process and every process it started, directly or not, by parent identifier, the
// process first, then by generation. A child counts only when it was created no earlier than
// its parent: identifiers of ended processes are given to new ones, so an older process
// naming a reused identifier as its parent is no child of the process that has it now.
// Processes whose creation time is unknown start no tree branch.
std::vector<ProcessSample> processTree(const std::vector<ProcessSample>& processes, uint32_t processId);

// The figures as the window writes them: CPU as a whole percent in two digits ("00", "07",
// "100"), memory in kilobytes with digit grouping ("1,234 K"), the 32-bit mark "*32"; empty
// when unknown (and for a process that is not 32-bit).
std::string cpuText(const std::optional<double>& percent);
std::string memoryText(const std::optional<uint64_t>& bytes);
std::string wow64Text(const std::optional<bool>& wow64);

}  // namespace procman

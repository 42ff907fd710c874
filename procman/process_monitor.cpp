#include "procman/process_monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <set>
#include <utility>

#include "common/text/text.h"
#include "procman/scan_processes.h"

namespace procman {

namespace {

std::string withoutTrailingBackslash(std::string s) {
    while (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

}  // namespace

ProcessMonitor::ProcessMonitor(plat::ProcessList& processes, plat::Files& files)
    : processes_(processes),
      systemDirectory_(withoutTrailingBackslash(files.systemDirectory())),
      windowsDirectory_(withoutTrailingBackslash(files.windowsDirectory())) {}

const ProcessSample* findProcess(const std::vector<ProcessSample>& processes, uint32_t processId) {
    for (const ProcessSample& s : processes)
        if (s.processId == processId) return &s;
    return nullptr;
}

const ProcessSample* ProcessMonitor::find(uint32_t processId) const { return findProcess(current_, processId); }

// What is read once per process: the image path and folder (as the scanner gives them), the
// owner and the 32-bit view.
void ProcessMonitor::readNew(plat::ProcessHandle handle, ProcessSample& s) {
    std::string path;
    if (handle && processes_.imagePath(handle, &path) == 0 && !path.empty()) {
        s.imagePath = rewriteImagePath(std::move(path), windowsDirectory_);
        s.folder = folderOf(s.imagePath);
        s.pathReadable = true;
    }
    if (s.folder.empty()) s.folder = systemDirectory_;
    if (!handle) return;
    std::string user;
    if (processes_.processUser(handle, &user) == 0) s.user = std::move(user);
    bool wow64 = false;
    if (processes_.isWow64(handle, &wow64) == 0) s.wow64 = wow64;
}

bool ProcessMonitor::sample() {
    plat::SnapshotHandle snapshot = processes_.createSnapshot();
    if (!snapshot) return false;
    const uint64_t now = processes_.steadyTime();
    const double processors = std::max<uint32_t>(1, processes_.processorCount());
    std::vector<ProcessSample> next;
    std::map<uint32_t, Known> nextKnown;
    plat::ProcessEntry entry;
    for (bool ok = processes_.firstProcess(snapshot, &entry); ok; ok = processes_.nextProcess(snapshot, &entry)) {
        ProcessSample s;
        s.processId = entry.processId;
        s.parentProcessId = entry.parentProcessId;
        s.file = entry.exeFile;
        const plat::ProcessHandle handle =
            processes_.openProcess(plat::kProcessQueryLimitedInformation, entry.processId, nullptr);
        plat::ProcessTimes times;
        const bool timesRead = handle && processes_.processTimes(handle, &times) == 0;
        if (timesRead) s.creation = times.creation;

        // The same process as last time: same identifier, name and (when both are known)
        // creation time. Anything else is a new process that was given an ended one's identifier.
        auto old = known_.find(entry.processId);
        const bool same =
            old != known_.end() && text::equalNoCase(old->second.sample.file, s.file) &&
            (old->second.sample.creation == 0 || s.creation == 0 || old->second.sample.creation == s.creation);
        Known k;
        if (same) {
            k = old->second;
            const ProcessSample& was = k.sample;
            s.folder = was.folder;
            s.imagePath = was.imagePath;
            s.pathReadable = was.pathReadable;
            s.user = was.user;
            s.wow64 = was.wow64;
            if (s.creation == 0) s.creation = was.creation;
        } else {
            readNew(handle, s);
        }

        uint64_t bytes = 0;
        if (handle && processes_.privateBytes(handle, &bytes) == 0) s.privateBytes = bytes;

        if (!timesRead) {
            k.cpuTime.reset();
        } else {
            const uint64_t cpuTime = times.kernel + times.user;
            if (same && k.cpuTime && cpuTime >= *k.cpuTime && now > k.at) {
                if (now - k.at >= kMinInterval) {
                    const double share = 100.0 * static_cast<double>(cpuTime - *k.cpuTime) /
                                         (static_cast<double>(now - k.at) * processors);
                    s.cpu = std::min(100.0, share);  // clock granularity may overshoot a little
                    k.cpuTime = cpuTime;
                    k.at = now;
                } else {
                    s.cpu = k.sample.cpu;  // too short an interval: the last figure and its start stay
                }
            } else {
                k.cpuTime = cpuTime;  // the first reading: a figure follows at the next sample
                k.at = now;
            }
        }
        if (handle) processes_.closeHandle(handle);
        k.sample = s;
        nextKnown[entry.processId] = std::move(k);
        next.push_back(std::move(s));
        entry = plat::ProcessEntry{};
    }
    processes_.closeSnapshot(snapshot);
    known_ = std::move(nextKnown);
    current_ = std::move(next);
    return true;
}

std::vector<ProcessSample> ProcessMonitor::tree(uint32_t processId) const { return processTree(current_, processId); }

std::vector<ProcessSample> processTree(const std::vector<ProcessSample>& processes, uint32_t processId) {
    std::vector<ProcessSample> result;
    const ProcessSample* root = findProcess(processes, processId);
    if (!root) return result;
    std::set<uint32_t> taken{root->processId};
    result.push_back(*root);
    // Breadth first over the result itself; `taken` ends cycles that reused identifiers make.
    for (size_t i = 0; i < result.size(); ++i) {
        const ProcessSample parent = result[i];
        if (parent.creation == 0) continue;
        for (const ProcessSample& s : processes) {
            if (s.parentProcessId != parent.processId || taken.count(s.processId)) continue;
            if (s.creation == 0 || s.creation < parent.creation) continue;
            taken.insert(s.processId);
            result.push_back(s);
        }
    }
    return result;
}

std::string cpuText(const std::optional<double>& percent) {
    if (!percent) return "";
    const long whole = std::lround(std::clamp(*percent, 0.0, 100.0));
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02ld", whole);
    return buf;
}

std::string memoryText(const std::optional<uint64_t>& bytes) {
    if (!bytes) return "";
    std::string digits = std::to_string((*bytes + 1023) / 1024);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped + " K";
}

std::string wow64Text(const std::optional<bool>& wow64) { return wow64 && *wow64 ? "*32" : ""; }

}  // namespace procman

// Where the process window's samples are taken: at once on the window's thread (the default,
// and what tests use), or on a worker thread of their own, so that a system that lists its
// processes slowly (Wine takes about 1.5 ms a process to walk its snapshot) never holds the
// window. Either way the window takes each finished sample once and applies it itself.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/platform/files.h"
#include "common/platform/process_list.h"
#include "procman/process_monitor.h"

namespace procman {

class SampleRunner {
public:
    virtual ~SampleRunner() = default;
    // Starts a sample unless one is still running.
    virtual void start() = 0;
    // The finished sample (once); nothing while it runs, when none was started, or when no
    // snapshot could be taken.
    virtual std::optional<std::vector<ProcessSample>> take() = 0;
    // True while a started sample has not been taken.
    virtual bool pending() const = 0;
};

class InlineSampleRunner : public SampleRunner {
public:
    InlineSampleRunner(plat::ProcessList& processes, plat::Files& files) : monitor_(processes, files) {}
    void start() override;
    std::optional<std::vector<ProcessSample>> take() override;
    bool pending() const override { return pending_; }

private:
    ProcessMonitor monitor_;
    bool pending_ = false;
    std::optional<std::vector<ProcessSample>> result_;
};

// The worker owns its monitor and calls only `processes`, which must be an instance of its own
// (not used by the window's thread). The directories are read once, here, on the caller's thread.
class ThreadSampleRunner : public SampleRunner {
public:
    ThreadSampleRunner(plat::ProcessList& processes, plat::Files& files);
    ~ThreadSampleRunner() override;  // waits for a running sample to end
    void start() override;
    std::optional<std::vector<ProcessSample>> take() override;
    bool pending() const override;

private:
    void run();
    ProcessMonitor monitor_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool requested_ = false, busy_ = false, done_ = false, stop_ = false;
    std::optional<std::vector<ProcessSample>> result_;
    std::thread worker_;
};

}  // namespace procman

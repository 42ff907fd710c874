#include "procman/sample_runner.h"

#include <utility>

namespace procman {

void InlineSampleRunner::start() {
    if (pending_) return;
    pending_ = true;
    result_.reset();
    if (monitor_.sample()) result_ = monitor_.processes();
}

std::optional<std::vector<ProcessSample>> InlineSampleRunner::take() {
    pending_ = false;
    return std::exchange(result_, std::nullopt);
}

ThreadSampleRunner::ThreadSampleRunner(plat::ProcessList& processes, plat::Files& files)
    : monitor_(processes, files), worker_([this] { run(); }) {}

ThreadSampleRunner::~ThreadSampleRunner() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void ThreadSampleRunner::start() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (requested_ || busy_ || done_) return;
        requested_ = true;
    }
    wake_.notify_all();
}

std::optional<std::vector<ProcessSample>> ThreadSampleRunner::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!done_) return std::nullopt;
    done_ = false;
    return std::exchange(result_, std::nullopt);
}

bool ThreadSampleRunner::pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requested_ || busy_ || done_;
}

void ThreadSampleRunner::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || requested_; });
        if (stop_) return;
        requested_ = false;
        busy_ = true;
        lock.unlock();
        std::optional<std::vector<ProcessSample>> result;
        if (monitor_.sample()) result = monitor_.processes();
        lock.lock();
        busy_ = false;
        done_ = true;
        result_ = std::move(result);
    }
}

}  // namespace procman

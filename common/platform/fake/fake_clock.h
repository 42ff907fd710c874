// Clock substitute: a fixed time a test sets, and ticks that advance only when told to (or by
// a fixed step on every read, so that polling loops with a timeout end).
#pragma once

#include <cstdio>

#include "common/platform/clock.h"

namespace plat {

class FakeClock : public Clock {
public:
    FileTime now() override { return now_; }
    std::string timeOfDayText() override {
        if (!timeText_.empty()) return timeText_;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", now_.hour % 100, now_.minute % 100, now_.second % 100);
        return buf;
    }
    uint64_t ticks() override {
        const uint64_t t = ticks_;
        ticks_ += step_;
        return t;
    }

    void setNow(FileTime t) { now_ = t; }
    void setTimeText(const std::string& s) { timeText_ = s; }
    void advance(uint64_t ms) { ticks_ += ms; }
    void setStepPerRead(uint64_t ms) { step_ = ms; }

private:
    FileTime now_{2024, 1, 2, 3, 4, 5};
    std::string timeText_;
    uint64_t ticks_ = 1000;
    uint64_t step_ = 0;
};

}  // namespace plat

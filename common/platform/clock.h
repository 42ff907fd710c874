// The clock service.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform/files.h"

namespace plat {

class Clock {
public:
    virtual ~Clock() = default;
    virtual FileTime now() = 0;  // local time
    // The time of day in the user's format (GetTimeFormatEx on Win32).
    virtual std::string timeOfDayText() = 0;
    // Milliseconds from an arbitrary start, for timeouts.
    virtual uint64_t ticks() = 0;
};

}  // namespace plat

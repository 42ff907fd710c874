// The clock service on the platform.
#pragma once

#include "common/platform/clock.h"

namespace plat {

class Win32Clock : public Clock {
public:
    FileTime now() override;
    std::string timeOfDayText() override;
    uint64_t ticks() override;
    uint64_t fileTimeNow() override;
};

}  // namespace plat

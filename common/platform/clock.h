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
    // The time now as the platform's file time (100-ns steps since 1601, UTC). By default
    // now() read as UTC; the Win32 clock asks the system.
    virtual uint64_t fileTimeNow();
};

// A time read as UTC, as a file time (days from the civil calendar, no leap seconds).
inline uint64_t fileTimeOf(const FileTime& t) {
    const int y = t.month <= 2 ? t.year - 1 : t.year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (t.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = static_cast<long long>(era) * 146097 + doe - 719468;  // since 1970-01-01
    const long long secs = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    return static_cast<uint64_t>(secs + 11644473600LL) * 10000000ULL;
}

inline uint64_t Clock::fileTimeNow() { return fileTimeOf(now()); }

}  // namespace plat

// The user's number and date formats, as the backup list shows sizes and dates.
#pragma once

#include <memory>
#include <string>

#include "common/platform/files.h"

namespace backup {

class Locale {
public:
    virtual ~Locale() = default;
    virtual std::string decimalSeparator() = 0;
    // The date part of a local time in the user's short date format.
    virtual std::string shortDate(const plat::FileTime& t) = 0;
};

// A fixed format: the separator given and dates as dd/mm/yyyy or, with `monthFirst`,
// mm/dd/yyyy; for tests and as a fallback.
class FixedLocale : public Locale {
public:
    explicit FixedLocale(std::string separator = ".", bool monthFirst = false)
        : separator_(std::move(separator)), monthFirst_(monthFirst) {}
    std::string decimalSeparator() override { return separator_; }
    std::string shortDate(const plat::FileTime& t) override;

private:
    std::string separator_;
    bool monthFirst_;
};

// The Win32 user locale (GetLocaleInfoEx, GetDateFormatEx); only in the Windows build.
std::unique_ptr<Locale> MakeUserLocale();

}  // namespace backup

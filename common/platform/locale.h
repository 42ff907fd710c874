// The locale service: the user's number and date formats (the backup list shows sizes and dates
// with them). FixedLocale is the substitute for tests and the fallback of the real one.
#pragma once

#include <memory>
#include <string>

#include "common/platform/files.h"

namespace plat {

class Locale {
public:
    virtual ~Locale() = default;
    virtual std::string decimalSeparator() = 0;
    // The date part of a local time in the user's short date format.
    virtual std::string shortDate(const FileTime& t) = 0;
};

// A fixed format: the separator given and dates as dd/mm/yyyy or, with `monthFirst`,
// mm/dd/yyyy; for tests and as a fallback.
class FixedLocale : public Locale {
public:
    explicit FixedLocale(std::string separator = ".", bool monthFirst = false)
        : separator_(std::move(separator)), monthFirst_(monthFirst) {}
    std::string decimalSeparator() override { return separator_; }
    std::string shortDate(const FileTime& t) override;

private:
    std::string separator_;
    bool monthFirst_;
};

// The Win32 user locale (GetLocaleInfoEx, GetDateFormatEx): win32/win32_locale.cpp, only in the
// Windows build.
std::unique_ptr<Locale> MakeUserLocale();

}  // namespace plat

// The user's locale through the platform: decimal separator and short date format.
#include <windows.h>

#include "common/platform/locale.h"
#include "common/text/text.h"

namespace plat {

namespace {

class UserLocale : public Locale {
public:
    std::string decimalSeparator() override {
        wchar_t buf[16] = {};
        if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buf, 16) <= 0) return ".";
        return text::fromUtf16(std::u16string(reinterpret_cast<const char16_t*>(buf)));
    }
    std::string shortDate(const FileTime& t) override {
        SYSTEMTIME st = {};
        st.wYear = static_cast<WORD>(t.year);
        st.wMonth = static_cast<WORD>(t.month);
        st.wDay = static_cast<WORD>(t.day);
        wchar_t buf[80] = {};
        if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 80, nullptr) <= 0)
            return FixedLocale().shortDate(t);
        return text::fromUtf16(std::u16string(reinterpret_cast<const char16_t*>(buf)));
    }
};

}  // namespace

std::unique_ptr<Locale> MakeUserLocale() { return std::make_unique<UserLocale>(); }

}  // namespace plat

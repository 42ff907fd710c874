#include "common/platform/locale.h"

#include <cstdio>

namespace plat {

std::string FixedLocale::shortDate(const FileTime& t) {
    char buf[32];
    if (monthFirst_)
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.month, t.day, t.year);
    else
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.day, t.month, t.year);
    return buf;
}

}  // namespace plat

#include "common/text/platform_case.h"

namespace text {

bool platformCaseTables(char16_t*, char16_t*) { return false; }

}  // namespace text

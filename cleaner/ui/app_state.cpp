#include "cleaner/ui/app_state.h"

namespace cleaner {

bool ScanOnActivate = false;

}  // namespace cleaner

#include "common/registry/reg_roots.h"

#include <string>

#include "common/text/text.h"

namespace reg {

plat::RegHandle rootOfName(std::string_view name, Roots roots, NameCase match) {
    // Any case: the name upper-cased as the registry upper-cases names, against the table's.
    const std::string upper = match == NameCase::Any ? text::toUpper(name) : std::string();
    const std::string_view wanted = match == NameCase::Any ? std::string_view(upper) : name;
    for (const RootName& r : kRootNames) {
        if (roots == Roots::Common && !r.common) continue;
        if (wanted == r.name) return r.handle;
    }
    return 0;
}

const char* nameOfRoot(plat::RegHandle root, Roots roots) {
    for (const RootName& r : kRootNames)
        if (r.handle == root) return roots == Roots::Common && !r.common ? nullptr : r.name;
    return nullptr;
}

}  // namespace reg

// A string value as the scan lists it, built from the location text a result row shows.
#pragma once

#include <string>

#include "cleaner/engine/finding.h"
#include "common/registry/mdl_registry.h"

inline engine::Finding ListedFinding(const std::string& location, const std::string& name, const std::string& data,
                                     const std::string& reason) {
    engine::Finding f;
    f.root = mdlreg::StripHkey(location);
    f.keyPath = mdlreg::SubkeyPath(location);
    f.valueName = name;
    f.type = plat::kRegSz;
    f.data = data;
    f.reason = reason;
    return f;
}

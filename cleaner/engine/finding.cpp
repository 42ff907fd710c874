#include "cleaner/engine/finding.h"

#include "common/registry/mdl_registry.h"

namespace engine {

std::string LocationOf(const Finding& f) { return mdlreg::HkeyName(f.root) + "\\" + f.keyPath; }

RowTexts RowOf(const Finding& f) { return {LocationOf(f), f.valueName, f.data, f.reason, std::to_string(f.type), ""}; }

}  // namespace engine

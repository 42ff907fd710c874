#include "startup/cls_registry.h"

#include <climits>
#include <cstdint>

#include "common/registry/reg_enum.h"
#include "common/registry/reg_value.h"

namespace startup {

void ClsRegistry::Reg_CloseKey() { key_.reset(); }

bool ClsRegistry::Reg_OpenKey() {
    Reg_CloseKey();
    long rc = plat::kErrorSuccess;
    key_ = reg::Key::open(reg_, root_, subKey_, plat::kKeyRead, &rc);
    lastError_ = key_ ? 0 : rc;
    return static_cast<bool>(key_);
}

bool ClsRegistry::GetAllValues(std::vector<std::string>& keyArray, std::vector<std::string>& valueArray,
                               std::vector<uint32_t>* types) {
    if (!key_) return false;
    // Every value with its data, whatever its length: data that did not come with the listing
    // (it grew meanwhile) is read by name.
    bool stored = false;
    for (reg::ValueEntry& e : reg::valuesOf(reg_, key_.get(), true, UINT32_MAX)) {
        if (e.type != plat::kRegSz && e.type != plat::kRegExpandSz) continue;
        std::string data;
        if (e.hasData) {
            data = reg::textOf(e.data);
        } else if (std::optional<std::string> text = reg::tryReadText(reg_, key_.get(), e.name)) {
            data = *text;
        } else {
            continue;  // gone, or no longer text
        }
        keyArray.push_back(std::move(e.name));
        valueArray.push_back(std::move(data));
        if (types) types->push_back(e.type);
        stored = true;
    }
    return stored;
}

Lookup ClsRegistry::FindValue(const std::string& name) {
    if (!key_) return Lookup::Failed;
    uint32_t type = 0, bytes = 0;
    const long rc = reg::queryValue(reg_, key_.get(), name, &type, &bytes);
    if (rc == plat::kErrorSuccess || rc == plat::kErrorMoreData) return Lookup::Found;
    if (rc == plat::kErrorFileNotFound) return Lookup::NotFound;
    lastError_ = rc;
    return Lookup::Failed;
}

}  // namespace startup

#include "startup/mdl_registry.h"

#include <cstdlib>
#include <vector>

#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"

namespace startup::mdlRegistry {

long DeleteValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name) {
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::open(reg, root, path, kWriteAccess, &rc);
    return key ? reg::deleteValue(reg, key.get(), name) : rc;
}

long SetValueOnKey(plat::Registry& reg, plat::RegHandle key, const std::string& name, uint32_t type,
                   const std::string& value) {
    if (type == plat::kRegSz || type == plat::kRegExpandSz) return reg::writeText(reg, key, name, value, type);
    if (type == plat::kRegDword)
        return reg::writeValue(reg, key, name, type,
                               reg::dwordBytes(static_cast<uint32_t>(std::strtoll(value.c_str(), nullptr, 10))));
    return plat::kErrorInvalidParameter;
}

long RenameCase(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& oldName,
                const std::string& newName, const std::string* value, uint32_t type, bool* restored) {
    *restored = false;
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::open(reg, root, path, kWriteAccess, &rc);
    if (!key) return rc;
    const std::optional<reg::Value> old = reg::tryReadValue(reg, key.get(), oldName, &rc);
    if (old) rc = reg::deleteValue(reg, key.get(), oldName);
    if (rc != plat::kErrorSuccess) {
        *restored = true;  // nothing was changed
        return rc;
    }
    if (!old) return plat::kErrorFileNotFound;
    rc = value ? SetValueOnKey(reg, key.get(), newName, type, *value)
               : reg::writeValue(reg, key.get(), newName, old->type, old->data);
    if (rc != plat::kErrorSuccess)
        *restored = reg::writeValue(reg, key.get(), oldName, old->type, old->data) == plat::kErrorSuccess;
    return rc;
}

long CopyValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& from,
               const std::string& to) {
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::open(reg, root, path, kWriteAccess, &rc);
    if (!key) return rc;
    const std::optional<reg::Value> v = reg::tryReadValue(reg, key.get(), from, &rc);
    if (!v) return rc;
    return reg::writeValue(reg, key.get(), to, v->type, v->data);
}

long SetValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name,
              const std::string& value, uint32_t type) {
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::createWith(reg, root, path, kWriteAccess, &rc);
    if (!key) return rc;
    return SetValueOnKey(reg, key.get(), name, type, value);
}

}  // namespace startup::mdlRegistry

#include "startup/mdl_registry.h"

#include <cstdlib>
#include <vector>

#include "common/text/text.h"

namespace startup::mdlRegistry {

long DeleteValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name) {
    plat::RegHandle key = 0;
    long rc = reg.openKeyEx(root, path, kWriteAccess, &key);
    if (rc != plat::kErrorSuccess) return rc;
    rc = reg.deleteValue(key, name);
    reg.closeKey(key);
    return rc;
}

long SetValueOnKey(plat::Registry& reg, plat::RegHandle key, const std::string& name, uint32_t type,
                   const std::string& value) {
    if (type == plat::kRegSz) {
        std::u16string units = text::toUtf16(value);
        std::vector<uint8_t> bytes;
        bytes.reserve((units.size() + 1) * 2);
        for (char16_t c : units) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        return reg.setValueEx(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    if (type == plat::kRegDword) {
        uint32_t n = static_cast<uint32_t>(std::strtoll(value.c_str(), nullptr, 10));
        uint8_t bytes[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                            static_cast<uint8_t>(n >> 24)};
        return reg.setValueEx(key, name, type, bytes, 4);
    }
    return plat::kErrorInvalidParameter;
}

long RenameCase(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& oldName,
                const std::string& newName, const std::string& value, bool* restored) {
    *restored = false;
    plat::RegHandle key = 0;
    long rc = reg.openKeyEx(root, path, kWriteAccess, &key);
    if (rc != plat::kErrorSuccess) return rc;
    uint32_t type = 0, bytes = 0;
    std::vector<uint8_t> old;
    rc = reg.queryValueEx(key, oldName, &type, nullptr, &bytes);
    if (rc == plat::kErrorSuccess) rc = reg.queryValueEx(key, oldName, &type, &old, &bytes);
    if (rc == plat::kErrorSuccess) rc = reg.deleteValue(key, oldName);
    if (rc != plat::kErrorSuccess) {
        *restored = true;  // nothing was changed
        reg.closeKey(key);
        return rc;
    }
    rc = SetValueOnKey(reg, key, newName, plat::kRegSz, value);
    if (rc != plat::kErrorSuccess)
        *restored = reg.setValueEx(key, oldName, type, old.data(), static_cast<uint32_t>(old.size())) ==
                    plat::kErrorSuccess;
    reg.closeKey(key);
    return rc;
}

long SetValue(plat::Registry& reg, plat::RegHandle root, const std::string& path, const std::string& name,
              const std::string& value, uint32_t type) {
    plat::RegHandle key = 0;
    long rc = reg.createKeyEx(root, path, kWriteAccess, &key, nullptr);
    if (rc != plat::kErrorSuccess) return rc;
    rc = SetValueOnKey(reg, key, name, type, value);
    reg.closeKey(key);
    return rc;
}

}  // namespace startup::mdlRegistry

// The registry service on the platform's wide registry functions.
#pragma once

#include "common/platform/registry.h"

namespace plat {

class Win32Registry : public Registry {
public:
    long openKey(RegHandle parent, std::string_view subKey, RegHandle* out) override;
    long openKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out) override;
    long createKey(RegHandle parent, std::string_view subKey, RegHandle* out) override;
    long createKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out, bool* created) override;
    long enumKey(RegHandle key, uint32_t index, uint32_t bufferChars, std::string* name) override;
    long enumValue(RegHandle key, uint32_t index, std::string* name, uint32_t* nameChars, uint32_t* type,
                   std::vector<uint8_t>* data, uint32_t* dataBytes) override;
    long queryValueEx(RegHandle key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data,
                      uint32_t* dataBytes) override;
    long queryInfoKey(RegHandle key, KeyInfo* info) override;
    long setValueEx(RegHandle key, std::string_view name, uint32_t type, const uint8_t* data, uint32_t bytes) override;
    long deleteValue(RegHandle key, std::string_view name) override;
    long deleteKey(RegHandle parent, std::string_view subKey) override;
    long deleteKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam) override;
    long closeKey(RegHandle key) override;
    long queryKeyName(RegHandle key, std::string* name) override;
};

}  // namespace plat

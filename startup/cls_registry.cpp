#include "startup/cls_registry.h"

#include <algorithm>

#include "common/text/text.h"

namespace startup {

void ClsRegistry::Reg_CloseKey() {
    if (open_) reg_.closeKey(key_);
    open_ = false;
    key_ = 0;
}

bool ClsRegistry::Reg_OpenKey() {
    Reg_CloseKey();
    plat::RegHandle h = 0;
    long rc = reg_.openKeyEx(root_, subKey_, plat::kKeyRead, &h);
    if (rc != plat::kErrorSuccess) {
        lastError_ = rc;
        return false;
    }
    key_ = h;
    open_ = true;
    lastError_ = 0;
    return true;
}

std::string DecodeRegString(const std::vector<uint8_t>& data, uint32_t size) {
    size_t bytes = std::min<size_t>(size, data.size());
    std::u16string units;
    units.reserve(bytes / 2);
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        units.push_back(c);
    }
    return text::fromUtf16(units);
}

bool ClsRegistry::GetAllValues(std::vector<std::string>& keyArray, std::vector<std::string>& valueArray) {
    if (!open_) return false;
    // Start from the sizes the key reports and grow on "more data", so no value is too long.
    plat::KeyInfo info;
    uint32_t nameCap = 256, dataCap = 512;
    if (reg_.queryInfoKey(key_, &info) == plat::kErrorSuccess) {
        nameCap = std::max<uint32_t>(nameCap, info.maxValueNameLen + 1);
        dataCap = std::max<uint32_t>(dataCap, info.maxValueLen);
    }
    bool stored = false;
    for (uint32_t index = 0;; ++index) {
        std::string name;
        std::vector<uint8_t> data;
        uint32_t type = 0, nameChars = 0, dataBytes = 0;
        long rc = 0;
        for (int attempt = 0; attempt < 8; ++attempt) {
            name.clear();
            data.assign(dataCap, 0);
            nameChars = nameCap;
            dataBytes = dataCap;
            rc = reg_.enumValue(key_, index, &name, &nameChars, &type, &data, &dataBytes);
            if (rc != plat::kErrorMoreData) break;
            // Either buffer may have been short: grow the data to what was asked for and
            // the name up to the platform's limit of 16,383 characters.
            if (dataBytes > dataCap) dataCap = dataBytes;
            else dataCap *= 2;
            nameCap = std::min<uint32_t>(nameCap * 2, 32768);
        }
        if (rc == plat::kErrorNoMoreItems) break;
        if (rc != plat::kErrorSuccess) {
            lastError_ = rc;
            break;
        }
        if (type != plat::kRegSz) continue;
        keyArray.push_back(name);
        valueArray.push_back(DecodeRegString(data, dataBytes));
        stored = true;
    }
    return stored;
}

Lookup ClsRegistry::FindValue(const std::string& name) {
    if (!open_) return Lookup::Failed;
    uint32_t type = 0, bytes = 0;
    long rc = reg_.queryValueEx(key_, name, &type, nullptr, &bytes);
    if (rc == plat::kErrorSuccess || rc == plat::kErrorMoreData) return Lookup::Found;
    if (rc == plat::kErrorFileNotFound) return Lookup::NotFound;
    lastError_ = rc;
    return Lookup::Failed;
}

}  // namespace startup

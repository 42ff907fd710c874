#include "common/files/backup_names.h"

#include <cstdio>

#include "common/text/text.h"

namespace backup {

std::string BackupNameOf(const plat::FileTime& t) { return DatedName("Backup", t); }

std::string DatedName(const std::string& word, const plat::FileTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " %02d.%02d.%02d-%02d.%02d.%02d", t.year % 100, t.month, t.day, t.hour, t.minute,
                  t.second);
    return word + buf;
}

std::string UniqueBackupName(const std::string& base, const std::function<bool(const std::string&)>& fileExists) {
    if (!fileExists(base + ".reg")) return base;
    for (int n = 2;; ++n) {
        std::string candidate = base + " (" + std::to_string(n) + ")";
        if (!fileExists(candidate + ".reg")) return candidate;
    }
}

std::string DisplayNameOf(const std::string& fileName) {
    if (fileName.size() >= 4 && text::equalNoCase(std::string_view(fileName).substr(fileName.size() - 4), ".reg"))
        return fileName.substr(0, fileName.size() - 4);
    return fileName;
}

uint64_t SizeHundredths(uint64_t bytes) {
    constexpr uint64_t kMb = 1024 * 1024;
    // bytes * 100 / kMb without overflow: split the bytes into whole MB and the rest.
    uint64_t whole = bytes / kMb, rest = bytes % kMb;
    uint64_t q = whole * 100 + rest * 100 / kMb;
    uint64_t r = rest * 100 % kMb;
    if (r * 2 > kMb || (r * 2 == kMb && q % 2 == 1)) ++q;
    return q;
}

std::string SizeText(uint64_t bytes, const std::string& decimalSeparator) {
    uint64_t h = SizeHundredths(bytes);
    std::string s = std::to_string(h / 100);
    uint64_t frac = h % 100;
    if (frac != 0) {
        s += decimalSeparator;
        if (frac % 10 == 0)
            s += std::to_string(frac / 10);
        else
            s += (frac < 10 ? "0" : "") + std::to_string(frac);
    }
    return s + " MB";
}

bool HasRegistryHeader(std::string_view bytes) {
    static const std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
        std::string_view body = bytes.substr(2);
        if (body.size() < kUnicodeHeader.size() * 2) return false;
        for (size_t i = 0; i < kUnicodeHeader.size(); ++i)
            if (body[2 * i] != kUnicodeHeader[i] || body[2 * i + 1] != 0) return false;
        return true;
    }
    return bytes.substr(0, 8) == "REGEDIT4" || bytes.substr(0, kUnicodeHeader.size()) == kUnicodeHeader;
}

}  // namespace backup

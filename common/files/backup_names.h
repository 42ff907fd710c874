// Names, sizes and file checks of the backup program: pure functions, no platform calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/platform/files.h"

namespace backup {

// "Backup yy.mm.dd-hh.mm.ss" of a local time (two-digit year, month, day; 24-hour time).
std::string BackupNameOf(const plat::FileTime& t);
// The same date and time after another word: DatedName("Repair", t) is "Repair yy.mm.dd-hh.mm.ss".
std::string DatedName(const std::string& word, const plat::FileTime& t);

// The first free name: `base` itself, or `base` + " (2)", " (3)", ... when a file of that
// name + ".reg" already exists.
std::string UniqueBackupName(const std::string& base, const std::function<bool(const std::string&)>& fileExists);

// The text of a list row: the file name without a final ".reg" in any letter case.
std::string DisplayNameOf(const std::string& fileName);

// Bytes / 1024 / 1024 rounded to two places (halves to the even digit), in the shortest form
// with the given decimal separator, then " MB": 1572864 gives "1.5 MB", 0 gives "0 MB".
std::string SizeText(uint64_t bytes, const std::string& decimalSeparator);
// The same rounding in hundredths of a MB.
uint64_t SizeHundredths(uint64_t bytes);

// True when the bytes begin a registry file: "Windows Registry Editor Version 5.00" in
// UTF-16LE after its byte-order mark, or "REGEDIT4" in a single-byte code page.
bool HasRegistryHeader(std::string_view bytes);
// Bytes HasRegistryHeader needs at most: the byte-order mark and the header in UTF-16.
constexpr size_t kRegistryHeaderBytes = 2 + 36 * 2;

}  // namespace backup

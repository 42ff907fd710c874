// The bytes of the registry editor's exports as the backup tests plant them.
#pragma once

#include <string>

namespace backuptest {

// ASCII text as UTF-16LE bytes.
inline std::string Wide(const std::string& ascii) {
    std::string s;
    for (char c : ascii) {
        s += c;
        s += '\0';
    }
    return s;
}

// The start of every export, and what a complete one ends with.
inline const std::string kHead =
    "\xFF\xFE" + Wide("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n");
inline const std::string kEnd = Wide("\"Last\"=\"value\"\r\n\r\n");

}  // namespace backuptest

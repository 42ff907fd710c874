// The system registry editor's file: "Windows Registry Editor Version 5.00", UTF-16LE with a
// byte-order mark, CR LF, written as the editor exports it. Keys get one "[root\path]" header
// each, in the order they first come (compared as the registry compares names); a value given
// twice is written once. Text values (type 1 with one final NUL and no other NUL or line break)
// are written quoted, 32-bit numbers of four bytes as dword:, everything else as hex: (binary),
// hex(2):, hex(7):, hex(b):, hex(0): or hex(n): with the exact bytes, long lines wrapped with
// ",\" as the editor wraps them.
//
// Only what the editor puts back exactly is written. It cannot import below performance data,
// dynamic data or an unknown root; a file has no way to write a name or key path holding a NUL
// or a line break; and it changes text data (types 1, 2, 7) that does not end with a whole NUL
// unit: it appends one (and a single byte crashes some versions).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/platform/registry.h"

namespace reg {

// The full root name the editor imports into; nullptr for a root it cannot import below.
const char* scriptRootName(plat::RegHandle root);

// Why the editor could not put this key or value back exactly from a file (English, starting
// in lower case); "" when it can.
std::string whyKeyNotInScript(plat::RegHandle root, const std::string& keyPath);
std::string whyValueNotInScript(plat::RegHandle root, const std::string& keyPath, const std::string& name,
                                uint32_t type, const std::vector<uint8_t>& data);

class ScriptWriter {
public:
    // Adds the key's header (once). Returns "" when added, else why the file cannot hold it.
    std::string addKey(plat::RegHandle root, const std::string& keyPath);
    // Adds a value under its key's header. Returns "" when added (or given before), else why
    // the file cannot hold it exactly; then nothing is added.
    std::string addValue(plat::RegHandle root, const std::string& keyPath, const std::string& name, uint32_t type,
                         const std::vector<uint8_t>& data);

    size_t keyCount() const { return blocks_.size(); }
    size_t valueCount() const { return values_; }
    // The whole file: byte-order mark, header, the keys with their values.
    std::string bytes() const;

private:
    struct Block {
        std::u16string text;               // the header line and the value lines
        std::set<std::string> namesUpper;  // the registry compares names without case
    };
    Block& blockOf(plat::RegHandle root, const std::string& keyPath, const char* rootName);

    std::vector<Block> blocks_;
    std::map<std::pair<plat::RegHandle, std::string>, size_t> index_;  // by root and upper-cased path
    // The key asked for last: consecutive values of one key skip the upper-casing.
    plat::RegHandle lastRoot_ = 0;
    std::string lastPath_;
    size_t lastBlock_ = 0;
    bool haveLast_ = false;
    size_t values_ = 0;
};

}  // namespace reg

// Registry script (.reg) fixtures for tests: a reader for "Windows Registry Editor Version
// 5.00" (UTF-16LE or UTF-8) and "REGEDIT4" (code page 1252) text, which loads into any
// registry service (the in-memory one natively, the real one under Wine), and a writer that
// produces UTF-16LE text the system's regedit imports with /S.
//
// A script is parsed completely before anything is applied, so a syntax error loads nothing
// and reports its line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace regfile {

struct Value {
    std::string name;  // "" = the default value (@)
    uint32_t type = plat::kRegSz;
    std::vector<uint8_t> data;
    bool remove = false;  // "name"=-
};

struct Key {
    std::string path;     // full path with its root name: "HKEY_CURRENT_USER\Software\x"
    bool remove = false;  // [-path]: the key and everything below it
    std::vector<Value> values;
};

struct Script {
    std::vector<Key> keys;
};

struct ParseResult {
    bool ok = false;
    int errorLine = 0;  // 1-based line of the first error
    std::string error;
    Script script;
};

// Parses raw file bytes; the encoding comes from the BOM and the header.
ParseResult parse(const std::string& bytes);
// Applies a parsed script to a registry. Returns false (and says why) when a step failed;
// the steps before it stay applied.
bool apply(plat::Registry& reg, const Script& script, std::string* error = nullptr);
// parse + apply; on a syntax error nothing is applied. `errorLine` gets the failing line.
bool load(plat::Registry& reg, const std::string& bytes, std::string* error = nullptr, int* errorLine = nullptr);
bool loadFile(plat::Registry& reg, const std::string& path, std::string* error = nullptr, int* errorLine = nullptr);

// UTF-16LE text with BOM and CRLF, "Windows Registry Editor Version 5.00".
std::string write(const Script& script);
// The same as UTF-8 text (for reading in failure messages).
std::string writeUtf8(const Script& script);

// Value helpers for building scripts and expectations.
Value sz(const std::string& name, const std::string& text, uint32_t type = plat::kRegSz);  // with its NUL
Value dword(const std::string& name, uint32_t v);
Value bin(const std::string& name, std::vector<uint8_t> bytes, uint32_t type = plat::kRegBinary);
// Multi-string: each string with its NUL, plus the final NUL.
Value multi(const std::string& name, const std::vector<std::string>& strings);

// Root handle of a root name as regedit accepts it (full or short: HKCU, HKLM, HKCR, HKU, HKCC).
plat::RegHandle rootOf(const std::string& name);

// Deletes a key and everything below it (the registry's own delete refuses keys with subkeys).
long deleteTree(plat::Registry& reg, plat::RegHandle root, const std::string& path);

}  // namespace regfile

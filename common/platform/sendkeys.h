// The published send-keys syntax, parsed into key strokes: "+", "^", "%" hold Shift, Ctrl, Alt
// for the next key or parenthesised group, "~" is Enter, "{NAME}" / "{NAME n}" a named key
// (repeated n times), "{x}" the character x itself ("{{}", "{}}", "{+}", ...). Every other
// character types itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct KeyStroke {
    enum class Kind { Char, Key };
    Kind kind = Kind::Char;
    char32_t ch = 0;   // Kind::Char: the character
    uint16_t vk = 0;   // Kind::Key: the virtual-key code
    bool down = true;  // press or release

    bool operator==(const KeyStroke& o) const { return kind == o.kind && ch == o.ch && vk == o.vk && down == o.down; }
};

// Virtual-key codes of the modifiers and of Enter.
constexpr uint16_t kVkShift = 0x10;
constexpr uint16_t kVkControl = 0x11;
constexpr uint16_t kVkMenu = 0x12;
constexpr uint16_t kVkReturn = 0x0D;
constexpr uint16_t kVkRight = 0x27;

// False (and nothing in *out) on a syntax error: an unclosed brace or parenthesis, an unknown
// key name, a modifier at the very end.
bool parseSendKeys(const std::string& keys, std::vector<KeyStroke>* out);

// The text a key stroke list types when no modifier is involved: characters as they are,
// "{RIGHT}" etc. for named keys; for tests and logs.
std::string describeKeyStrokes(const std::vector<KeyStroke>& strokes);

}  // namespace plat

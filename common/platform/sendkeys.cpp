#include "common/platform/sendkeys.h"

#include <map>

#include "common/text/text.h"

namespace plat {

namespace {

const std::map<std::string, uint16_t>& keyNames() {
    static const std::map<std::string, uint16_t> names = {
        {"BACKSPACE", 0x08}, {"BS", 0x08},        {"BKSP", 0x08},       {"BREAK", 0x03},  {"CAPSLOCK", 0x14},
        {"DELETE", 0x2E},    {"DEL", 0x2E},       {"DOWN", 0x28},       {"END", 0x23},    {"ENTER", kVkReturn},
        {"ESC", 0x1B},       {"ESCAPE", 0x1B},    {"HELP", 0x2F},       {"HOME", 0x24},   {"INSERT", 0x2D},
        {"INS", 0x2D},       {"LEFT", 0x25},      {"NUMLOCK", 0x90},    {"PGDN", 0x22},   {"PGUP", 0x21},
        {"PRTSC", 0x2C},     {"RIGHT", kVkRight}, {"SCROLLLOCK", 0x91}, {"TAB", 0x09},    {"UP", 0x26},
        {"ADD", 0x6B},       {"SUBTRACT", 0x6D},  {"MULTIPLY", 0x6A},   {"DIVIDE", 0x6F}, {"F1", 0x70},
        {"F2", 0x71},        {"F3", 0x72},        {"F4", 0x73},         {"F5", 0x74},     {"F6", 0x75},
        {"F7", 0x76},        {"F8", 0x77},        {"F9", 0x78},         {"F10", 0x79},    {"F11", 0x7A},
        {"F12", 0x7B},       {"F13", 0x7C},       {"F14", 0x7D},        {"F15", 0x7E},    {"F16", 0x7F},
    };
    return names;
}

class Parser {
public:
    explicit Parser(const std::u32string& s) : s_(s) {}

    bool run(std::vector<KeyStroke>* out) {
        while (pos_ < s_.size()) {
            if (s_[pos_] == U')') return false;  // unbalanced
            if (!item(out)) return false;
        }
        return true;
    }

private:
    static void tap(std::vector<KeyStroke>* out, KeyStroke k) {
        k.down = true;
        out->push_back(k);
        k.down = false;
        out->push_back(k);
    }
    static KeyStroke charKey(char32_t c) { return KeyStroke{KeyStroke::Kind::Char, c, 0, true}; }
    static KeyStroke vkKey(uint16_t vk) { return KeyStroke{KeyStroke::Kind::Key, 0, vk, true}; }

    // One key, braced key, group or modified item.
    bool item(std::vector<KeyStroke>* out) {
        const char32_t c = s_[pos_];
        if (c == U'+' || c == U'^' || c == U'%') {
            const uint16_t vk = c == U'+' ? kVkShift : c == U'^' ? kVkControl : kVkMenu;
            ++pos_;
            if (pos_ >= s_.size()) return false;
            out->push_back(KeyStroke{KeyStroke::Kind::Key, 0, vk, true});
            if (!item(out)) return false;
            out->push_back(KeyStroke{KeyStroke::Kind::Key, 0, vk, false});
            return true;
        }
        if (c == U'(') {
            ++pos_;
            while (pos_ < s_.size() && s_[pos_] != U')')
                if (!item(out)) return false;
            if (pos_ >= s_.size()) return false;
            ++pos_;
            return true;
        }
        if (c == U'~') {
            ++pos_;
            tap(out, vkKey(kVkReturn));
            return true;
        }
        if (c == U'{') return braced(out);
        if (c == U'}' || c == U')') return false;
        ++pos_;
        tap(out, charKey(c));
        return true;
    }

    bool braced(std::vector<KeyStroke>* out) {
        ++pos_;  // past "{"
        // "{}}" is the closing brace itself; "{x}" with any one character is that character.
        size_t end;
        if (pos_ + 1 < s_.size() && s_[pos_] == U'}' && s_[pos_ + 1] == U'}')
            end = pos_ + 1;
        else
            end = s_.find(U'}', pos_);
        if (end == std::u32string::npos || end == pos_) return false;
        std::u32string body = s_.substr(pos_, end - pos_);
        pos_ = end + 1;
        int count = 1;
        const size_t space = body.rfind(U' ');
        if (space != std::u32string::npos && space > 0 && space + 1 < body.size()) {
            int n = 0;
            bool digits = true;
            for (size_t i = space + 1; i < body.size(); ++i) {
                if (body[i] < U'0' || body[i] > U'9')
                    digits = false;
                else
                    n = n * 10 + static_cast<int>(body[i] - U'0');
                if (n > 10000) return false;
            }
            if (digits) {
                count = n;
                body.resize(space);
            }
        }
        if (body.size() == 1) {
            for (int i = 0; i < count; ++i) tap(out, charKey(body[0]));
            return true;
        }
        std::u16string w;
        for (char32_t ch : body) {
            if (ch > 0x7F) return false;
            w += static_cast<char16_t>(ch);
        }
        const std::string name = text::toUpper(text::fromUtf16(w));
        auto it = keyNames().find(name);
        if (it == keyNames().end()) return false;
        for (int i = 0; i < count; ++i) tap(out, vkKey(it->second));
        return true;
    }

    const std::u32string& s_;
    size_t pos_ = 0;
};

std::u32string toUtf32(const std::string& utf8) {
    const std::u16string w = text::toUtf16(utf8);
    std::u32string out;
    for (size_t i = 0; i < w.size(); ++i) {
        const char16_t u = w[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            out += static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (w[i + 1] - 0xDC00));
            ++i;
        } else {
            out += u;
        }
    }
    return out;
}

}  // namespace

bool parseSendKeys(const std::string& keys, std::vector<KeyStroke>* out) {
    std::vector<KeyStroke> strokes;
    const std::u32string s = toUtf32(keys);
    if (!Parser(s).run(&strokes)) {
        if (out) out->clear();
        return false;
    }
    if (out) *out = std::move(strokes);
    return true;
}

std::string describeKeyStrokes(const std::vector<KeyStroke>& strokes) {
    std::string out;
    for (const auto& k : strokes) {
        if (k.kind == KeyStroke::Kind::Char) {
            if (!k.down) continue;
            std::u16string w;
            if (k.ch >= 0x10000) {
                w += static_cast<char16_t>(0xD800 + ((k.ch - 0x10000) >> 10));
                w += static_cast<char16_t>(0xDC00 + ((k.ch - 0x10000) & 0x3FF));
            } else {
                w += static_cast<char16_t>(k.ch);
            }
            out += text::fromUtf16(w);
            continue;
        }
        std::string name;
        for (const auto& [n, vk] : keyNames()) {
            if (vk == k.vk) {
                name = n;
                break;
            }
        }
        if (k.vk == kVkShift) name = "SHIFT";
        if (k.vk == kVkControl) name = "CTRL";
        if (k.vk == kVkMenu) name = "ALT";
        if (name.empty()) name = "VK" + std::to_string(k.vk);
        if (k.vk == kVkShift || k.vk == kVkControl || k.vk == kVkMenu)
            out += k.down ? "<" + name + ">" : "</" + name + ">";
        else if (k.down)
            out += "{" + name + "}";
    }
    return out;
}

}  // namespace plat

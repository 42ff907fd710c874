#include "cleaner/engine/path_checks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/registry/mdl_registry.h"
#include "common/text/text.h"

namespace engine {

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool letterIn(char c, char last) {
    c = upperAscii(c);
    return c >= 'A' && c <= last;
}

std::string_view trimmed(std::string_view s) {
    const std::string_view::size_type b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

void trimInPlace(std::string& s) {
    std::string::size_type end = s.find_last_not_of(' ');
    if (end == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(end + 1);
    s.erase(0, s.find_first_not_of(' '));
}

// Keeps the part before the first `sep` (all of it when there is none), trimmed of spaces.
void cutAt(std::string& s, const char* sep) {
    std::string::size_type p = s.find(sep);
    if (p != std::string::npos) s.erase(p);
    trimInPlace(s);
}

void replaceInPlace(std::string& s, std::string_view what, std::string_view with) {
    for (std::string::size_type p = s.find(what); p != std::string::npos; p = s.find(what, p + with.size()))
        s.replace(p, what.size(), with);
}

// A path the file system refuses outright (quotes, wildcards, "<>|", control characters, a
// second ":\"): the platform answers "not found" without looking, so neither do we. Paths that
// begin with "\\" (network and device paths) are always asked.
constexpr std::array<bool, 256> kRefusedChars = [] {
    std::array<bool, 256> refused{};
    for (int c = 0; c < 0x20; ++c) refused[c] = true;
    for (unsigned char c : {'"', '<', '>', '|', '*', '?'}) refused[c] = true;
    return refused;
}();

bool hasRefusedChar(std::string_view path) {
    for (unsigned char c : path) {
        if (kRefusedChars[c]) return true;
    }
    return false;
}

// The characters the cleaning of a data text removes or cuts at ('R' begins the two spellings of
// the DLL runner it removes). A text without them, and without a space at its end, keeps its
// every character through the cleaning from its drive letter on.
constexpr std::array<bool, 256> kCleanedChars = [] {
    std::array<bool, 256> cleaned{};
    for (unsigned char c : {'"', 'R', ',', '/', '-', ';', '%', '@'}) cleaned[c] = true;
    return cleaned;
}();

bool needsCutting(std::string_view text) {
    if (!text.empty() && text.back() == ' ') return true;
    for (unsigned char c : text) {
        if (kCleanedChars[c]) return true;
    }
    return false;
}

bool uncPrefixed(std::string_view path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }

bool rejectedName(std::string_view path) {
    if (path.empty()) return true;
    if (uncPrefixed(path)) return false;
    return hasRefusedChar(path) || path.find(":\\", 2) != std::string_view::npos;
}

bool beginsWithDrivePath(std::string_view s) {
    return s.size() >= 3 && letterIn(s[0], 'Z') && s[1] == ':' && s[2] == '\\';
}

// Room for the texts of a typical small scan before the table grows.
constexpr size_t kFirstSlots = 4096;
constexpr size_t kFirstArena = 64 * 1024;

uint32_t lengthAt(const char* record) {
    uint32_t n;
    std::memcpy(&n, record, sizeof n);
    return n;
}

// Byte tests eight bytes at a time (the drive-path pre-test runs on every value; most texts
// are short, and a library call per text costs more than the search).
constexpr uint64_t kOnes = 0x0101010101010101ull;

uint64_t wordAt(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

uint64_t repeated(char c) { return kOnes * static_cast<unsigned char>(c); }

// Bit 7 of a byte is set where `w` holds a zero byte. Only the lowest set bit is sure to mark a
// zero byte (a borrow may mark bytes above it); no zero byte goes unmarked.
uint64_t zeroBytes(uint64_t w) { return (w - kOnes) & ~w & (kOnes << 7); }

// The byte (0 to 7, in memory order: the machine is little-endian) the lowest set bit marks.
unsigned firstMarked(uint64_t marks) { return static_cast<unsigned>(__builtin_ctzll(marks)) / 8; }

}  // namespace

// Eight bytes at a time, each folded in by one wide multiplication whose high half mixes every
// bit into the low bits the table indexes by. Texts are hashed as often as values are read.
uint32_t AnswerCache::hashOf(std::string_view key) {
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    auto fold = [](uint64_t h, uint64_t w) {
        const unsigned __int128 m = static_cast<unsigned __int128>(h ^ w) * kMul;
        return static_cast<uint64_t>(m) ^ static_cast<uint64_t>(m >> 64);
    };
    const char* p = key.data();
    size_t n = key.size();
    uint64_t h = 0x243F6A8885A308D3ull ^ n;
    for (; n >= 8; p += 8, n -= 8) h = fold(h, wordAt(p));
    // The last bytes: a text of eight or more reads its last eight (again, in part).
    uint64_t tail = 0;
    if (n > 0 && key.size() >= 8) {
        tail = wordAt(p + n - 8);
    } else {
        for (size_t i = 0; i < n; ++i) tail |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    }
    h = fold(h, tail);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

// The slot holding `key`, or the free slot where it belongs.
AnswerCache::Slot* AnswerCache::slotOf(std::string_view key, uint32_t hash) {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.at == 0) return &s;
        if (s.hash != hash) continue;
        const char* record = arena_.get() + s.at - 1;
        if (lengthAt(record) == key.size() && std::memcmp(record + kHeader, key.data(), key.size()) == 0) return &s;
    }
}

void AnswerCache::grow() {
    std::vector<Slot> old(slots_.empty() ? kFirstSlots : slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.at == 0) continue;
        size_t i = s.hash & mask;
        while (slots_[i].at != 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

void AnswerCache::reserve(size_t bytes) {
    if (arenaSize_ - arenaUsed_ >= bytes) return;
    size_t size = std::max(kFirstArena, arenaSize_ * 2);
    while (size - arenaUsed_ < bytes) size *= 2;
    std::unique_ptr<char[]> grown(new char[size]);
    if (arenaUsed_ > 0) std::memcpy(grown.get(), arena_.get(), arenaUsed_);
    arena_ = std::move(grown);
    arenaSize_ = size;
}

uint8_t* AnswerCache::find(std::string_view key, uint32_t hash) {
    if (slots_.empty()) return nullptr;
    Slot* s = slotOf(key, hash);
    return s->at != 0 ? &answersAt(s->at) : nullptr;
}

uint8_t& AnswerCache::entry(std::string_view key, uint32_t hash) {
    if ((used_ + 1) * 4 > slots_.size() * 3) grow();
    Slot* s = slotOf(key, hash);
    if (s->at != 0) return answersAt(s->at);
    // Offsets are 32 bits: a text that would reach past them is answered but not kept.
    const size_t at = arenaUsed_;
    if (key.size() > UINT32_MAX - kHeader || at + kHeader + key.size() >= UINT32_MAX) {
        unkept_ = 0;
        return unkept_;
    }
    reserve(kHeader + key.size());
    const auto length = static_cast<uint32_t>(key.size());
    char* record = arena_.get() + at;
    std::memcpy(record, &length, sizeof length);
    record[sizeof length] = 0;
    std::memcpy(record + kHeader, key.data(), key.size());
    arenaUsed_ += kHeader + key.size();
    s->hash = hash;
    s->at = static_cast<uint32_t>(at + 1);
    ++used_;
    return answersAt(s->at);
}

bool HasDrivePath(const std::string& data) {
    // The first ":\" decides. Places are looked at eight at a time; the first marked place of a
    // word is a true ":\".
    const char* const d = data.data();
    const size_t n = data.size();
    const uint64_t colons = repeated(':');
    const uint64_t slashes = repeated('\\');
    auto decide = [d](size_t colon) { return colon != 0 && letterIn(d[colon - 1], 'P'); };
    if (n < 9) {
        for (size_t i = 0; i + 1 < n; ++i)
            if (d[i] == ':' && d[i + 1] == '\\') return decide(i);
        return false;
    }
    // The last word is the text's last nine bytes; places it shares with the word before hold no
    // ":\" (else the search had ended), so its first marked place is still the first one.
    for (size_t i = 0;; i += 8) {
        if (i + 9 > n) i = n - 9;
        const uint64_t marks = zeroBytes((wordAt(d + i) ^ colons) | (wordAt(d + i + 1) ^ slashes));
        if (marks != 0) return decide(i + firstMarked(marks));
        if (i + 9 == n) return false;
    }
}

// A name the file system refuses is answered at once and not remembered: such texts are
// mostly whole command lines, most of them met once. A remembered answer was asked, so the
// name was not refused: it is looked up before the name is examined.
bool PathChecker::probe(std::string_view path, bool folder) {
    const uint8_t known = folder ? AnswerCache::kFolderKnown : AnswerCache::kFileKnown;
    const uint32_t hash = AnswerCache::hashOf(path);
    if (const uint8_t* answers = answers_.find(path, hash); answers && (*answers & known))
        return (*answers & (folder ? AnswerCache::kFolder : AnswerCache::kFile)) != 0;
    if (rejectedName(path)) return false;
    return ask(answers_.entry(path, hash), path, folder);
}

bool PathChecker::ask(uint8_t& answers, std::string_view path, bool folder) {
    const uint8_t known = folder ? AnswerCache::kFolderKnown : AnswerCache::kFileKnown;
    const uint8_t yes = folder ? AnswerCache::kFolder : AnswerCache::kFile;
    if (!(answers & known)) {
        const std::string& asked = asked_.assign(path);
        bool found;
        if (folder) {
            ++folderQueries_;
            found = files_.folderExists(asked) != plat::Probe::Missing;
        } else {
            ++fileQueries_;
            found = files_.fileExists(asked) != plat::Probe::Missing;
        }
        answers |= found ? known | yes : known;
    }
    return (answers & yes) != 0;
}

// Answers are remembered by the path really asked, so each distinct path is put to the file
// system once per scan, whichever view asked for it.
bool PathChecker::fsoExists(std::string_view path, bool folder) {
    if (view_ == FileView::Wow32) {
        std::string real;
        if (realPathOf32BitName(path, &real)) return probe(real, folder) || probe(path, folder);
    }
    return probe(path, folder);
}

// In the native view the text's answers are looked up once for both questions.
bool PathChecker::folderOrFileExists(std::string_view path, uint32_t hash) {
    if (view_ == FileView::Wow32) return fsoExists(path, true) || fsoExists(path, false);
    if (rejectedName(path)) return false;
    uint8_t& answers = answers_.entry(path, hash);
    return ask(answers, path, true) || ask(answers, path, false);
}

bool PathChecker::FsoFileExists(std::string_view path) { return fsoExists(path, false); }
bool PathChecker::FsoFolderExists(std::string_view path) { return fsoExists(path, true); }

namespace {

// `path` is `folder` or lies below it (letter case aside); *rest gets what follows the folder.
bool inFolder(std::string_view path, const std::string& folder, std::string_view* rest) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (path.size() > folder.size() && path[folder.size()] != '\\') return false;
    if (!text::equalNoCase(path.substr(0, folder.size()), folder)) return false;
    *rest = path.substr(folder.size());
    return true;
}

std::string withoutTrailingSlash(std::string s) {
    while (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

}  // namespace

bool PathChecker::realPathOf32BitName(std::string_view path, std::string* real) {
    if (!viewFolders_) {
        ViewFolders f;
        const std::string& w = windowsDirWithSlash();
        if (w.size() > 1) {
            f.system32 = w + "System32";
            f.sysnative = w + "Sysnative";
        }
        f.wow64 = withoutTrailingSlash(mdlreg::TrimAtNul(files_.systemWow64Directory()));
        f.system = withoutTrailingSlash(mdlreg::TrimAtNul(files_.systemDirectory()));
        viewFolders_ = f;
    }
    const ViewFolders& f = *viewFolders_;
    std::string_view rest;
    if (!f.wow64.empty() && inFolder(path, f.system32, &rest)) {
        *real = f.wow64;
    } else if (!f.system.empty() && inFolder(path, f.sysnative, &rest)) {
        *real = f.system;
    } else {
        return false;
    }
    real->append(rest);
    return *real != path;
}

std::string PathChecker::PathOf32BitName(const std::string& path) {
    std::string real;
    return realPathOf32BitName(path, &real) ? real : path;
}

bool PathChecker::FindFileExists(const std::string& path) { return files_.findFirst(path); }

std::string PathChecker::SpecialFolderPath(int csidl) {
    auto it = specialCache_.find(csidl);
    if (it != specialCache_.end()) return it->second;
    std::string path;
    if (files_.specialFolder(csidl, &path) != 0) path.clear();
    path = mdlreg::TrimAtNul(path);
    specialCache_.emplace(csidl, path);
    return path;
}

int PathChecker::DriveTypeOf(const std::string& rootText) {
    if (!drives_) drives_ = files_.drives();
    for (const plat::Drive& d : *drives_) {
        if (std::string(1, d.letter) + ":\\" == rootText) return static_cast<int>(d.type);
    }
    return 0;
}

const std::string& PathChecker::windowsDirWithSlash() {
    if (!winDir_) winDir_ = mdlreg::addslash(mdlreg::WinDir(files_));
    return *winDir_;
}

bool PathChecker::ExistsInWindowsDirs(std::string_view name) {
    const std::string& w = windowsDirWithSlash();
    // A name with a drive path or a refused character makes every path below a Windows
    // directory named from a drive one the file system refuses: nothing to build or ask. (In
    // the 32-bit view the paths are renamed first, so they are built and tested as they come.)
    if (view_ == FileView::Native && w.size() >= 2 && !uncPrefixed(w) &&
        (name.find(":\\") != std::string_view::npos || hasRefusedChar(name)))
        return false;
    const size_t base = w.size();
    std::string path;
    path.reserve(base + 9 + name.size());
    path = w;
    if (name.find(':') == std::string_view::npos && FsoFileExists(path.append(name))) return true;
    path.resize(base);
    if (FsoFileExists(path.append("system\\").append(name))) return true;
    path.resize(base);
    return FsoFileExists(path.append("system32\\").append(name));
}

bool PathChecker::DataPathExists(std::string_view text, FileView view) {
    // The answer depends only on the text, the view and on file tests that are themselves
    // remembered, so the same text gets the same answer in its view for the rest of the scan.
    // Whole texts are remembered even when the file system refuses them as paths: data texts
    // recur (the same command line in many keys), and working one out again costs more. Not
    // so a text its quoted program settles: working it out again asks one remembered question,
    // and such command lines carry their own arguments, so most are met once; kept, they would
    // crowd the answers that are asked again out of the processor's cache.
    const int shift = view == FileView::Wow32 ? 2 : 0;
    const uint8_t known = static_cast<uint8_t>(AnswerCache::kDataKnown << shift);
    const uint8_t yes = static_cast<uint8_t>(AnswerCache::kData << shift);
    struct ViewScope {
        FileView& v;
        FileView old;
        ~ViewScope() { v = old; }
    } scope{view_, view_};
    view_ = view;
    // A command line that begins with its quoted program is first put to that program's
    // remembered answer: one that settles it is never kept, so its own text is not looked up.
    const bool quotedFirst = !text.empty() && text[0] == '"';
    if (quotedFirst && quotedProgramExists(text)) return true;

    const uint32_t hash = AnswerCache::hashOf(text);
    if (const uint8_t* answers = answers_.find(text, hash); answers && (*answers & known)) return (*answers & yes) != 0;
    bool remember = true;
    const bool found = dataPathExistsUncached(text, hash, quotedFirst, &remember);
    if (remember) answers_.entry(text, hash) |= found ? known | yes : known;
    return found;
}

// A quoted part that begins with a drive path names its file whole: the separators the cleaning
// cuts at (" -", ",", ";") may be part of a folder name there. It settles the answer only when
// the file exists and no second drive path follows the closing quote (a document after the
// program must still be found by the cleaning).
bool PathChecker::quotedProgramExists(std::string_view text) {
    for (std::string_view::size_type open = text.find('"'); open != std::string_view::npos;) {
        const std::string_view::size_type close = text.find('"', open + 1);
        if (close == std::string_view::npos) return false;
        const std::string_view quoted = text.substr(open + 1, close - open - 1);
        if (beginsWithDrivePath(quoted)) {
            if (text.find(":\\", close + 1) != std::string_view::npos) return false;
            return FsoFileExists(quoted) || FsoFolderExists(quoted);
        }
        open = text.find('"', close + 1);
    }
    return false;
}

bool PathChecker::cleanInto(std::string_view original, std::string& t) {
    // A text without the characters the steps remove or cut at loses only what lies before its
    // drive letter.
    const bool steps = needsCutting(original);
    t.assign(original);
    if (steps) {
        replaceInPlace(t, "\"", "");
        replaceInPlace(t, "Rundll32", "");
        replaceInPlace(t, "RunDll32", "");
    }
    std::string::size_type colon = t.find(":\\");
    if (colon == std::string::npos || colon == 0) return false;
    t.erase(0, colon - 1);
    if (!letterIn(t[0], 'T')) return false;
    if (!steps) return true;
    cutAt(t, ",");
    cutAt(t, " /");
    cutAt(t, " -");
    cutAt(t, ";");
    replaceInPlace(t, "%SYSTEMROOT%", windowsDirWithSlash());
    cutAt(t, "%");
    replaceInPlace(t, "@", "");
    return true;
}

bool PathChecker::dataPathExistsUncached(std::string_view original, uint32_t hash, bool quotedTried, bool* remember) {
    if (folderOrFileExists(original, hash)) return true;
    if (!quotedTried && quotedProgramExists(original)) {
        *remember = false;
        return true;
    }

    // A text without ":\" after its first character has no drive to cut at; such a test cannot
    // be carried out, so it counts as passed.
    if (!cleanInto(original, cleaned_)) return true;
    std::string& t = cleaned_;

    // Often the cleaned text is the data itself (a plain path): what was asked of the data
    // above is not asked again, and its answers were no.
    const bool asData = t == original;
    if (!asData && FsoFileExists(t)) return true;

    bool ok;
    std::string::size_type second = t.size() > 2 ? t.find(":\\", 2) : std::string::npos;
    const std::string_view cleaned = t;
    if (second != std::string::npos) {
        // `second` is the index of the second path's colon (>= 3, the text begins "X:\"). The
        // first part ends with the character before its drive letter, the second part starts
        // there; trimming drops it when it is a space.
        const std::string_view first = trimmed(cleaned.substr(0, second - 1));
        const std::string_view rest = trimmed(cleaned.substr(second - 2));
        ok = FsoFileExists(first);
        if (!ok) ok = first.find('.') != std::string_view::npos ? ExistsInWindowsDirs(first) : true;
        if (ok) ok = FsoFileExists(rest) || ExistsInWindowsDirs(rest);
    } else {
        ok = ExistsInWindowsDirs(t);
        if (!ok) {
            // The name up to the first dot after the second character plus three characters
            // (a three-letter extension); the first three characters when there is no dot.
            std::string::size_type dot = t.size() > 2 ? t.find('.', 2) : std::string::npos;
            std::string::size_type keep = dot == std::string::npos ? 3 : dot + 4;
            const std::string_view first = trimmed(cleaned.substr(0, std::min(keep, t.size())));
            // The same text as the cleaned one has had both questions answered no just above.
            if (first != cleaned) ok = FsoFileExists(first) || ExistsInWindowsDirs(first);
        }
    }
    if (!ok && !asData) ok = FsoFolderExists(t);
    return ok;
}

}  // namespace engine

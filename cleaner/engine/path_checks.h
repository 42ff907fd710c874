// Path extraction and file checks of the scan. A test answers true when there is nothing to
// report. Every distinct path is put to the file system at most once per scan: the checker
// remembers each answer, so one checker object lives for one scan.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/platform/files.h"

namespace engine {

// The data holds ":\" after its first character, preceded by a drive letter A to P.
bool HasDrivePath(const std::string& data);

// Which program's eyes a path is seen with. A value of the 32-bit registry view was written by a
// 32-bit program, which names the 32-bit system folder (SysWOW64) "System32" and the 64-bit one
// "Sysnative".
enum class FileView { Native, Wow32 };

// The answers a checker has found, by the exact text asked: one entry per distinct text holds
// whichever of its answers are known (as a file, as a folder, as data in each view). The table
// is kept small so that it stays in the processor's cache: a slot holds 32 bits of the text's
// hash and where its record lies; a record (length, answers, text) lies in one arena, so a
// lookup reads one slot and one record and copies nothing.
class AnswerCache {
public:
    enum : uint8_t {
        kFileKnown = 1,
        kFile = 2,
        kFolderKnown = 4,
        kFolder = 8,
        kDataKnown = 16,  // shifted left by 2 for the 32-bit view
        kData = 32,
    };
    // The answers of `key`, added with none known when absent. Valid until the next call. A
    // text the arena has no more room for is not remembered: its answers start from none each
    // time.
    uint8_t& entry(std::string_view key) { return entry(key, hashOf(key)); }
    uint8_t& entry(std::string_view key, uint32_t hash);
    // The answers of `key`, nullptr when it has none. Valid until the next call of entry.
    uint8_t* find(std::string_view key, uint32_t hash);
    // The hash the table files `key` by; a caller that asks twice for one text works it out once.
    static uint32_t hashOf(std::string_view key);
    size_t size() const { return used_; }

private:
    struct Slot {
        uint32_t hash = 0;
        uint32_t at = 0;  // where the record begins in the arena, plus one; 0 for a free slot
    };
    static constexpr size_t kHeader = sizeof(uint32_t) + 1;  // the text's length, its answers
    std::vector<Slot> slots_;                                // a power of two long, never more than three quarters full
    std::unique_ptr<char[]> arena_;  // grown by doubling, never cleared: every byte used is written
    size_t arenaUsed_ = 0;
    size_t arenaSize_ = 0;
    size_t used_ = 0;
    uint8_t unkept_ = 0;  // the answers of a text not remembered
    Slot* slotOf(std::string_view key, uint32_t hash);
    uint8_t& answersAt(uint32_t at) { return reinterpret_cast<uint8_t&>(arena_[at - 1 + sizeof(uint32_t)]); }
    // Room for `bytes` more at the arena's end.
    void reserve(size_t bytes);
    void grow();
};

class PathChecker {
public:
    explicit PathChecker(plat::Files& files) : files_(files) {}

    // The tolerant path test: cuts a command line down to a file name and tries several places.
    // In the 32-bit view every file and folder test below asks for the file where a 32-bit
    // program finds it, and a path counts as present when the file exists in either view (a
    // file the redirection exempts, or a name that means the same in both).
    bool DataPathExists(std::string_view text, FileView view = FileView::Native);
    // Found below the Windows directory, its "system" or its "system32" folder (in the view of
    // the test running).
    bool ExistsInWindowsDirs(std::string_view name);
    // A test that cannot be carried out counts as found. In the view of the test running.
    bool FsoFileExists(std::string_view path);
    // False only for "path not found". In the view of the test running.
    bool FsoFolderExists(std::string_view path);
    // Where a 32-bit program's path really is, as this (64-bit) program must name it: below
    // the Windows directory, "System32" is the 32-bit system folder and "Sysnative" the 64-bit
    // one. Any other path is returned as given.
    std::string PathOf32BitName(const std::string& path);
    // Marker files (not used by the scan, never cached).
    bool FindFileExists(const std::string& path);
    // The folder's path, "" on any failure.
    std::string SpecialFolderPath(int csidl);
    // Drive type of a root text such as "C:\", in the scripting object's numbering; 0 when no
    // drive's letter, colon and backslash equal the text exactly.
    int DriveTypeOf(const std::string& rootText);
    // addslash(WinDir), taken once.
    const std::string& windowsDirWithSlash();

    // How many questions actually reached the file system (for tests and the benchmark).
    long fileQueries() const { return fileQueries_; }
    long folderQueries() const { return folderQueries_; }
    // How many distinct texts the checker remembers answers for.
    size_t rememberedTexts() const { return answers_.size(); }

private:
    plat::Files& files_;
    AnswerCache answers_;
    std::unordered_map<int, std::string> specialCache_;
    std::optional<std::vector<plat::Drive>> drives_;
    std::optional<std::string> winDir_;
    long fileQueries_ = 0;
    long folderQueries_ = 0;
    FileView view_ = FileView::Native;
    // Kept for the scan, so that neither a question nor a cleaning allocates: the path being
    // put to the file system, and the data text being cleaned (a cleaning asks questions, but
    // never cleans another text).
    std::string asked_;
    std::string cleaned_;
    struct ViewFolders {
        std::string system32;   // the Windows directory's "System32", as 32-bit programs name it
        std::string sysnative;  // its "Sysnative"
        std::string wow64;      // the real 32-bit system folder ("" without a 32-bit view)
        std::string system;     // the real 64-bit system folder
    };
    std::optional<ViewFolders> viewFolders_;

    bool probe(std::string_view path, bool folder);
    // Puts the question to the file system unless `answers` already hold its answer.
    bool ask(uint8_t& answers, std::string_view path, bool folder);
    // The path as a folder, else as a file; `hash` is the path's hash in the answer table.
    bool folderOrFileExists(std::string_view path, uint32_t hash);
    bool fsoExists(std::string_view path, bool folder);
    // The real name of a 32-bit program's path into *real; false when it is the path itself.
    bool realPathOf32BitName(std::string_view path, std::string* real);
    // *remember is cleared when the text's answer is not worth keeping. `quotedTried`: the
    // quoted program has been asked already, and did not settle the text.
    bool dataPathExistsUncached(std::string_view text, uint32_t hash, bool quotedTried, bool* remember);
    bool quotedProgramExists(std::string_view text);
    // Cleans a data text down to the path it names, into `t`: quotes and the DLL runner's name
    // removed, cut before its drive letter and at the first argument or list separator. False
    // when it names no drive path the test can be carried out on (none, or a drive after T).
    bool cleanInto(std::string_view original, std::string& t);
};

}  // namespace engine

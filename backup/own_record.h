// The record of the backups hivesnap made, kept in the file kRecordName of the backup folder:
// one line per backup, oldest first, with its file name, its size in bytes and the SHA-256 of
// its bytes when it was complete, so that --keep deletes only those backups and a restore can
// tell that the file is still the one that was made. A backup being written has a line with
// "writing" and the id of the hivesnap process writing it, so that one left behind by a run
// that was killed is known and tidied by the next run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace backup {

inline constexpr const char* kRecordName = "hivesnap.lst";

struct OwnBackup {
    std::string file;  // a file name of the backup folder
    uint64_t size = 0;
    std::string sha256;    // 64 hex digits; empty in lines written before it was recorded
    bool writing = false;  // being written by the process `writer`
    uint32_t writer = 0;
};

// Lines that are not whole (a record cut short) or not in one of the forms above are ignored.
std::vector<OwnBackup> ParseRecord(std::string_view text);
std::string RecordText(const std::vector<OwnBackup>& backups);

// A name that is a file of the folder itself: not empty, no folder separator or drive, not
// "." or "..".
bool IsPlainFileName(std::string_view name);

}  // namespace backup

// Module StartUp: file test, the program file named by a Run entry's command line, and the
// shell icon of that file in the window's image list.
#pragma once

#include <map>
#include <string>

#include "common/platform/files.h"
#include "common/platform/icons.h"
#include "common/ui/controls.h"

namespace startup {

// True only when the file is known to exist.
bool FileExists(plat::Files& files, const std::string& path);

// The program file of a command line: the text inside leading double quotes, the fixed
// rundll32 path for data starting with RUNDLL32 (any case), else the whole data; doubled
// backslashes are made single.
std::string ProgramFileOf(const std::string& data);

// The shell icons of program files, added once per file to an image list. Icon handles stay
// alive as long as this object, because the image list's window may copy them later.
class FileIconCache {
public:
    explicit FileIconCache(plat::Icons& icons) : icons_(icons) {}
    ~FileIconCache();
    FileIconCache(const FileIconCache&) = delete;
    FileIconCache& operator=(const FileIconCache&) = delete;

    // Index of the file's small (size 16) or large icon in `list`, -1 when the shell has none.
    int AddFileIcon(const std::string& path, ui::ImageList& list, int size);
    // Index of the "Default" image, added on first use from the system's program icon.
    int DefaultIcon(ui::ImageList& list);

private:
    plat::Icons& icons_;
    std::map<std::string, plat::IconHandle> made_;  // image key -> icon we own
};

}  // namespace startup

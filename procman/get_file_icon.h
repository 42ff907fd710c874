// cGetFileIcon: a file's icon, display name, type name and executable kind, through the shell.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/platform/icons.h"

namespace procman {

// A picture object holding an icon; it owns the icon and destroys it when the last reference goes.
class IconPicture {
public:
    IconPicture(plat::Icons& icons, plat::IconHandle icon) : icons_(icons), icon_(icon) {}
    ~IconPicture() { icons_.destroyIcon(icon_); }
    IconPicture(const IconPicture&) = delete;
    IconPicture& operator=(const IconPicture&) = delete;
    plat::IconHandle handle() const { return icon_; }

private:
    plat::Icons& icons_;
    plat::IconHandle icon_;
};
using Picture = std::shared_ptr<IconPicture>;  // null = nothing

enum class ExeKind : int32_t { NotExecutable = 0, Windows = 1, MsDos = 2, Console = 3 };

class cGetFileIcon {
public:
    explicit cGetFileIcon(plat::Icons& icons) : icons_(icons) {}

    // Returns the display name of the specified file.
    std::string DisplayName(const std::optional<std::string>& file = std::nullopt);
    // What kind of executable the file is; NotExecutable also when the query failed.
    ExeKind ExeType(const std::optional<std::string>& file = std::nullopt);
    // Returns/sets the complete file path to be used.
    const std::string& File() const { return file_; }
    void setFile(const std::string& f) { file_ = f; }
    // Returns/sets the icon handle to be used by the IconEx property.
    plat::IconHandle Handle() const { return handle_; }
    void setHandle(plat::IconHandle h) { handle_ = h; }
    // Returns/sets the type of icon to retrieve: 0 large, any other value small.
    int32_t IconType() const { return iconType_; }
    void setIconType(int32_t t) { iconType_ = t; }
    // Returns the icon of the specified file.
    Picture Icon(const std::optional<std::string>& file = std::nullopt,
                 const std::optional<int32_t>& iconType = std::nullopt);
    // Get the file's icon using the specified icon handle (0 = Handle, written back). The
    // picture takes ownership of the icon.
    Picture IconEx(plat::IconHandle& hIcon);
    // Returns/sets a value to determine if a linkoverlay icon is displayed on the icon.
    bool LinkOverlay() const { return linkOverlay_; }
    void setLinkOverlay(bool v) { linkOverlay_ = v; }
    // Returns/sets a value to determine if the icon will be in open state. (Ex. Folder Icons)
    bool OpenState() const { return openState_; }
    void setOpenState(bool v) { openState_ = v; }
    // Returns/sets a value to determine if the icon is in selected state.
    bool Selected() const { return selected_; }
    void setSelected(bool v) { selected_ = v; }
    // Returns the type name of the specified file.
    std::string TypeName(const std::optional<std::string>& file = std::nullopt);

private:
    static int32_t HiWord(int32_t v) { return v >> 16; }
    static int32_t LoWord(int32_t v) { return static_cast<int16_t>(v & 0xFFFF); }
    const std::string& fileOr(const std::optional<std::string>& file) const { return file ? *file : file_; }

    plat::Icons& icons_;
    std::string file_;
    plat::IconHandle handle_ = 0;
    int32_t iconType_ = 0;
    bool openState_ = false;
    bool linkOverlay_ = false;
    bool selected_ = false;
};

}  // namespace procman

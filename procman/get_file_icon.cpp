#include "procman/get_file_icon.h"

namespace procman {

std::string cGetFileIcon::DisplayName(const std::optional<std::string>& file) {
    plat::ShellFileInfo info;
    return icons_.getFileInfo(fileOr(file), plat::kShgfiDisplayName, &info) ? info.displayName : std::string();
}

std::string cGetFileIcon::TypeName(const std::optional<std::string>& file) {
    plat::ShellFileInfo info;
    return icons_.getFileInfo(fileOr(file), plat::kShgfiTypeName, &info) ? info.typeName : std::string();
}

ExeKind cGetFileIcon::ExeType(const std::optional<std::string>& file) {
    plat::ShellFileInfo info;
    const int32_t r =
        static_cast<int32_t>(static_cast<uint32_t>(icons_.getFileInfo(fileOr(file), plat::kShgfiExeType, &info)));
    if (r == 0) return ExeKind::NotExecutable;
    if (HiWord(r) >= 1) return ExeKind::Windows;  // the high word carries the expected system version
    switch (LoWord(r)) {
        case 0x4550: return ExeKind::Console;  // "PE" without a version
        case 0x5A4D: return ExeKind::MsDos;    // "MZ"
        default: return ExeKind::NotExecutable;
    }
}

Picture cGetFileIcon::Icon(const std::optional<std::string>& file, const std::optional<int32_t>& iconType) {
    uint32_t flags = plat::kShgfiIcon;
    if (iconType.value_or(iconType_) != 0) flags |= plat::kShgfiSmallIcon;
    if (linkOverlay_) flags |= plat::kShgfiLinkOverlay;
    if (selected_) flags |= plat::kShgfiSelected;
    if (openState_) flags |= plat::kShgfiOpenIcon;
    plat::ShellFileInfo info;
    if (icons_.getFileInfo(fileOr(file), flags, &info) == 0 || info.icon == 0) return nullptr;
    plat::IconHandle icon = info.icon;
    return IconEx(icon);
}

Picture cGetFileIcon::IconEx(plat::IconHandle& hIcon) {
    if (hIcon == 0) {
        hIcon = handle_;
        if (hIcon == 0) return nullptr;
    }
    return std::make_shared<IconPicture>(icons_, hIcon);
}

}  // namespace procman

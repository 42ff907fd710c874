// The skinning component of the cleaner's windows. Only three calls are made on it: load the
// style file, apply the style to a window, set option flags. The look itself comes from the
// platform's visual styles (the program's manifest asks for them), so this component only
// remembers what it was told; a missing style file leaves the window as it is.
#pragma once

#include <cstdint>
#include <string>

namespace cleaner {

class SkinFramework {
public:
    void LoadSkin(const std::string& styleFile, const std::string& iniFile) {
        styleFile_ = styleFile;
        iniFile_ = iniFile;
    }
    void ApplyWindow(uintptr_t windowHandle) { window_ = windowHandle; }
    long Options = 0;

    const std::string& styleFile() const { return styleFile_; }
    uintptr_t window() const { return window_; }

private:
    std::string styleFile_;
    std::string iniFile_;
    uintptr_t window_ = 0;
};

}  // namespace cleaner

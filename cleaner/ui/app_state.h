// Process-wide state of the cleaner shared by its windows.
#pragma once

namespace cleaner {

// Set by the scan wizard when the user starts a scan from it; the main window scans when it is
// next activated while this is set. Cleared by the wizard's Cancel and when the uninstall manager,
// the about window and the exclude-location dialog close.
extern bool ScanOnActivate;

}  // namespace cleaner

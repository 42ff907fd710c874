// What the scan engine needs from whoever runs a scan: the main window (over its controls and
// state: lvInvalidLoc, lvExclude, chkSkipCDLan, Label1, ProgressBar1, InvalidCount, ScanRunning)
// or the console twin (over a plain list). The engine never touches a control.
#pragma once

#include <string>
#include <vector>

#include "cleaner/engine/finding.h"

namespace engine {

// The result list: findings in list order. Indexes are 0-based.
class FindingRows {
public:
    virtual ~FindingRows() = default;
    virtual long rowCount() = 0;
    virtual const Finding& rowFinding(long index) = 0;
    virtual void removeRow(long index) = 0;
};

class ScanHost : public FindingRows {
public:
    // Processes the window messages that are waiting (a Stop press runs in here), then returns.
    virtual void yield() = 0;
    // The window's ScanRunning flag; cleared by a Stop press.
    virtual bool scanRunning() = 0;

    // chkSkipCDLan is ticked: rows whose data lies on a CD-ROM or network drive are dropped.
    virtual bool skipCdLan() = 0;
    // The texts of the exclude list's rows, in list order (check state and flag not consulted).
    virtual const std::vector<std::string>& excludeTexts() = 0;

    // Appends a finding at the end of the result list (handed over, not copied).
    virtual void appendFinding(Finding finding) = 0;

    // InvalidCount. Setting it also shows it in Label1, composed in the window's language.
    virtual long invalidCount() = 0;
    virtual void setInvalidCount(long count) = 0;

    // ProgressBar1, 0 to 100.
    virtual int progressValue() = 0;
    virtual void setProgressValue(int value) = 0;
};

}  // namespace engine

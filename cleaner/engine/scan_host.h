// What the scan engine needs from the window that runs a scan. The engine never touches a
// control: the main window implements this interface over its own controls and state
// (lvInvalidLoc, lvExclude, chkSkipCDLan, Label1, ProgressBar1, InvalidCount, ScanRunning).
#pragma once

#include <string>
#include <vector>

namespace engine {

// One row of the result list, its six columns as shown.
struct ResultRow {
    std::string location;    // "Invalid data location": root name, backslash, key path
    std::string valueName;   // "Value name"
    std::string valueData;   // "Value data"
    std::string reason;      // "Reason"
    std::string regType;     // "Reg type": the type code in decimal
    std::string attributes;  // "Attributes": always empty
};

class ScanHost {
public:
    virtual ~ScanHost() = default;

    // Processes the window messages that are waiting (a Stop press runs in here), then returns.
    virtual void yield() = 0;
    // The window's ScanRunning flag; cleared by a Stop press.
    virtual bool scanRunning() = 0;

    // chkSkipCDLan is ticked: rows whose data lies on a CD-ROM or network drive are dropped.
    virtual bool skipCdLan() = 0;
    // The texts of the exclude list's rows, in list order (check state and flag not consulted).
    virtual const std::vector<std::string>& excludeTexts() = 0;

    // The result list: append at the end, count, read a row's location text, remove a row.
    // Indexes are 0-based.
    virtual void appendRow(const ResultRow& row) = 0;
    virtual long rowCount() = 0;
    virtual std::string rowLocation(long index) = 0;
    virtual void removeRow(long index) = 0;

    // InvalidCount. Setting it also shows it in Label1, composed in the window's language.
    virtual long invalidCount() = 0;
    virtual void setInvalidCount(long count) = 0;

    // ProgressBar1, 0 to 100.
    virtual int progressValue() = 0;
    virtual void setProgressValue(int value) = 0;
};

}  // namespace engine

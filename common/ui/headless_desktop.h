// The substitute for the save-file dialog on the headless backend. Like the headless message
// boxes, a dialog nobody scripted fails the test instead of hanging. (The clipboard is a
// platform service: common/platform/clipboard.h.)
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/ui/file_dialog.h"
#include "common/ui/headless.h"

namespace ui {

class ScriptedFileDialogs : public FileDialogs {
public:
    // The user's choice at the next dialog: a path and the file type picked (0-based).
    void choose(const std::string& path, int typeIndex = 0) { answers_.push_back(SaveFileChoice{path, typeIndex}); }
    // The user cancels the next dialog.
    void cancelNext() { answers_.push_back(std::nullopt); }
    // Every dialog shown, in order.
    std::vector<SaveFileRequest> shown;

    std::optional<SaveFileChoice> saveFile(Form& /*owner*/, const SaveFileRequest& request) override {
        shown.push_back(request);
        if (answers_.empty()) throw DriverError("unscripted save dialog: " + request.title);
        std::optional<SaveFileChoice> a = answers_.front();
        answers_.pop_front();
        return a;
    }

private:
    std::deque<std::optional<SaveFileChoice>> answers_;
};

}  // namespace ui

// The list box: a list of texts with optional tick boxes (the platform's list box with check
// style) and a single or multiple selection.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/ui/control.h"

namespace ui {

class ListBox : public Control {
public:
    ListBox(Form& f, Control* container, std::string name, bool checkBoxes = false, bool multiSelect = false);
    struct Item {
        std::string text;
        bool checked = false;
        bool selected = false;
    };
    bool checkBoxes() const { return checkBoxes_; }
    bool multiSelect() const { return multiSelect_; }
    const std::vector<Item>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    const std::string& text(int i) const { return items_.at(i).text; }
    void addItem(const std::string& s);
    void removeItem(int i);
    void clear();
    bool checked(int i) const { return items_.at(i).checked; }
    void setChecked(int i, bool c);
    bool selected(int i) const { return items_.at(i).selected; }
    void setSelected(int i, bool s);
    int listIndex() const;  // first selected, -1 none
    int selCount() const;

    std::function<void(int)> onItemCheck;  // index whose tick changed
    Handler onClick;
    Handler onDblClick;

    void userCheck(int i, bool c);                  // sets the tick, raises onItemCheck
    void userSelect(int i, bool additive = false);  // raises onClick
    void userDblClick(int i);
    // A click whose selection change a peer has already applied: raises onClick only.
    void userClicked();

private:
    bool checkBoxes_;
    bool multiSelect_;
    std::vector<Item> items_;
};

}  // namespace ui

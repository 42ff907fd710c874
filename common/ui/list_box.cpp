// The list box's model: rows with tick boxes and the selection.
#include "common/ui/list_box.h"

#include "common/ui/form.h"
#include "common/ui/list_selection.h"
#include "common/ui/raise_event.h"

namespace ui {

using detail::raise;

ListBox::ListBox(Form& f, Control* container, std::string name, bool checkBoxes, bool multiSelect)
    : Control(f, container, std::move(name), Kind::ListBox), checkBoxes_(checkBoxes), multiSelect_(multiSelect) {}

void ListBox::addItem(const std::string& s) {
    items_.push_back(Item{s, false, false});
    notify(Prop::Items);
}

void ListBox::removeItem(int i) {
    if (i < 0 || i >= count()) return;
    items_.erase(items_.begin() + i);
    notify(Prop::Items);
}

void ListBox::clear() {
    items_.clear();
    notify(Prop::Items);
}

void ListBox::setChecked(int i, bool c) {
    if (i < 0 || i >= count() || items_[i].checked == c) return;
    items_[i].checked = c;
    notify(Prop::Item, i);
}

void ListBox::setSelected(int i, bool s) {
    selection::set(items_, i, s, multiSelect_, [this](int k) { notify(Prop::Item, k); });
}

int ListBox::listIndex() const { return selection::first(items_); }

int ListBox::selCount() const { return selection::count(items_); }

void ListBox::userCheck(int i, bool c) {
    if (i < 0 || i >= count() || items_[i].checked == c) return;
    setChecked(i, c);
    raise(form(), [&] {
        if (onItemCheck) onItemCheck(i);
    });
}

void ListBox::userSelect(int i, bool additive) {
    if (i < 0 || i >= count()) return;
    selection::click(items_, i, additive, multiSelect_, [this](int k) { notify(Prop::Item, k); });
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

void ListBox::userDblClick(int i) {
    if (i < 0 || i >= count()) return;
    raise(form(), [&] {
        if (onDblClick) onDblClick();
    });
}

void ListBox::userClicked() {
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

}  // namespace ui

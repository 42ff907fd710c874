// The selection of a list's rows, shared by the list box and the list view. Rows are any type
// with a `bool selected` member; `changed(k)` is called for each row k whose mark changed, so
// that the control can tell its peer.
#pragma once

#include <algorithm>
#include <vector>

namespace ui::selection {

// Marks row i selected or not; selecting in a single-selection list first clears every other
// row. A row out of range changes nothing.
template <class Row, class Changed>
void set(std::vector<Row>& rows, int i, bool s, bool multi, Changed&& changed) {
    const int n = static_cast<int>(rows.size());
    if (i < 0 || i >= n) return;
    if (s && !multi)
        for (int k = 0; k < n; ++k)
            if (k != i && rows[k].selected) {
                rows[k].selected = false;
                changed(k);
            }
    if (rows[i].selected == s) return;
    rows[i].selected = s;
    changed(i);
}

// A click on row i: with `additive` (Ctrl held) in a multi-selection list it toggles the row,
// otherwise the row becomes the only one selected.
template <class Row, class Changed>
void click(std::vector<Row>& rows, int i, bool additive, bool multi, Changed&& changed) {
    const int n = static_cast<int>(rows.size());
    if (i < 0 || i >= n) return;
    if (additive && multi) {
        set(rows, i, !rows[i].selected, multi, changed);
        return;
    }
    for (int k = 0; k < n; ++k)
        if (k != i) set(rows, k, false, multi, changed);
    set(rows, i, true, multi, changed);
}

// The first selected row, -1 none.
template <class Row>
int first(const std::vector<Row>& rows) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].selected) return static_cast<int>(i);
    return -1;
}

// How many rows are selected.
template <class Row>
int count(const std::vector<Row>& rows) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.selected; }));
}

}  // namespace ui::selection

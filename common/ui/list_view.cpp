// The list view's model: columns, rows, the sorted order, the selection and the batch of
// changes a peer is told of at once; and the image list the rows take their icons from.
#include "common/ui/list_view.h"

#include <algorithm>

#include "common/text/text.h"
#include "common/ui/form.h"
#include "common/ui/list_selection.h"
#include "common/ui/raise_event.h"

namespace ui {

using detail::raise;

// ---- ImageList ----

int ImageList::add(const std::string& key, uintptr_t icon, int resourceId) {
    int existing = key.empty() ? -1 : indexOf(key);
    if (existing >= 0) return existing;
    images_.push_back(Image{key, icon, resourceId});
    if (peer_) peer_->changed(Prop::Icons, count() - 1);
    return count() - 1;
}

int ImageList::indexOf(const std::string& key) const {
    for (int i = 0; i < count(); ++i)
        if (text::equalNoCase(images_[i].key, key)) return i;
    return -1;
}

void ImageList::clear() {
    images_.clear();
    if (peer_) peer_->changed(Prop::Icons, -1);
}

// ---- ListView ----

ListView::ListView(Form& f, Control* container, std::string name)
    : Control(f, container, std::move(name), Kind::ListView) {}

void ListView::addColumn(const std::string& text, int widthTwips) {
    Column c;
    c.text = text;
    c.width = widthTwips;
    columns_.push_back(std::move(c));
    notify(Prop::Columns);
}

void ListView::setColumnText(int i, const std::string& text) {
    if (i < 0 || i >= static_cast<int>(columns_.size())) return;
    columns_[i].text = text;
    notify(Prop::Columns, i);
}

void ListView::setColumnWidth(int i, int widthTwips) {
    if (i < 0 || i >= static_cast<int>(columns_.size())) return;
    columns_[i].width = widthTwips;
    notify(Prop::Columns, i);
}

std::string ListView::subItem(int i, int column) const {
    const Item& it = items_.at(i);
    if (column <= 0) return it.text;
    if (column - 1 < static_cast<int>(it.subItems.size())) return it.subItems[column - 1];
    return "";
}

namespace {
// The text of column `key` of a row (0 the row text), empty when the row has none.
const std::string& columnText(const ListView::Item& it, int key) {
    static const std::string empty;
    if (key <= 0) return it.text;
    return key - 1 < static_cast<int>(it.subItems.size()) ? it.subItems[static_cast<size_t>(key - 1)] : empty;
}
}  // namespace

const std::string& ListView::sortText(int i) const { return columnText(items_[static_cast<size_t>(i)], sortKey_); }

namespace {
// The whole number a numeric column's text starts with (after blanks); grouping characters
// between digits (comma, point, apostrophe, space, no-break spaces) are skipped. Saturates.
bool leadingNumber(const std::string& s, uint64_t* value) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool any = false;
    uint64_t v = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= '0' && c <= '9') {
            const uint64_t d = c - '0';
            v = v > (UINT64_MAX - d) / 10 ? UINT64_MAX : v * 10 + d;
            any = true;
            ++i;
            continue;
        }
        size_t sep = 0;
        if (c == ',' || c == '.' || c == '\'' || c == ' ')
            sep = 1;
        else if (s.compare(i, 2, "\xC2\xA0") == 0)
            sep = 2;
        else if (s.compare(i, 3, "\xE2\x80\xAF") == 0)
            sep = 3;
        // A separator counts only between digits.
        if (!any || sep == 0 || i + sep >= s.size() || s[i + sep] < '0' || s[i + sep] > '9') break;
        i += sep;
    }
    *value = v;
    return any;
}
}  // namespace

int ListView::compareSortTexts(const std::string& a, const std::string& b) const {
    if (sortKey_ >= 0 && sortKey_ < static_cast<int>(columns_.size()) &&
        columns_[static_cast<size_t>(sortKey_)].numeric) {
        uint64_t na = 0, nb = 0;
        const bool ha = leadingNumber(a, &na), hb = leadingNumber(b, &nb);
        if (ha && hb && na != nb) return na < nb ? -1 : 1;
        if (ha != hb) return ha ? 1 : -1;
    }
    return text::compareNoCase(a, b);
}

int ListView::sortedInsertPos(const std::string& keyText) const {
    // Rows of a sorted list keep their order: a new row goes after its equals.
    auto before = [&](int i) {
        int c = compareSortTexts(sortText(i), keyText);
        return sortOrder_ == SortOrder::Ascending ? c <= 0 : c >= 0;
    };
    int lo = 0, hi = count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (before(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// The row changes that move rows (insertion, removal, re-placement) also move the row that
// waits to be scrolled into view.
void ListView::insertRow(int pos, Item&& it) {
    items_.insert(items_.begin() + pos, std::move(it));
    if (pendingVisible_ >= pos) ++pendingVisible_;
}

void ListView::rowsChanged(int index) {
    if (updateDepth_)
        pendingRefresh_ = true;
    else
        notify(Prop::Items, index);
}

int ListView::placeSorted(int i, int column) {
    if (!sorted_ || column != sortKey_) return i;
    // Compared in the list's direction: negative when row a belongs before row b.
    auto order = [&](int a, int b) {
        int c = compareSortTexts(sortText(a), sortText(b));
        return sortOrder_ == SortOrder::Ascending ? c : -c;
    };
    // A row stays when it is in place already; among equals it goes after them, as a new row does.
    if ((i == 0 || order(i - 1, i) <= 0) && (i + 1 == count() || order(i, i + 1) < 0)) return i;
    const bool followed = pendingVisible_ == i;
    Item it = std::move(items_[static_cast<size_t>(i)]);
    items_.erase(items_.begin() + i);
    if (pendingVisible_ > i) --pendingVisible_;
    const int pos = sortedInsertPos(columnText(it, sortKey_));
    insertRow(pos, std::move(it));
    if (followed) pendingVisible_ = pos;
    rowsChanged(std::min(i, pos));
    return pos;
}

int ListView::addItem(const std::string& text, int smallIcon) {
    Item it;
    it.text = text;
    it.smallIcon = smallIcon;
    // A sorted list places the row by its key at once; sorted by a sub-item column, the new
    // row's key is still empty (setSubItem moves it once the key is set).
    int pos = sorted_ ? sortedInsertPos(sortKey_ == 0 ? text : std::string()) : count();
    insertRow(pos, std::move(it));
    rowsChanged(pos);
    return pos;
}

void ListView::removeItem(int i) {
    if (i < 0 || i >= count()) return;
    items_.erase(items_.begin() + i);
    if (pendingVisible_ == i)
        pendingVisible_ = -1;
    else if (pendingVisible_ > i)
        --pendingVisible_;
    rowsChanged(i);
}

void ListView::clear() {
    items_.clear();
    pendingVisible_ = -1;
    if (updateDepth_)
        pendingRefresh_ = true;
    else
        notify(Prop::Items);
}

// After a text of row i was set: a changed sort text moves the row, otherwise the row is
// redrawn. Returns where the row is now.
int ListView::textSet(int i, int column, bool changed) {
    const int now = changed ? placeSorted(i, column) : i;
    if (now != i) return now;
    if (updateDepth_)
        pendingRefresh_ = true;
    else
        notify(Prop::Item, i);
    return i;
}

int ListView::setText(int i, const std::string& t) {
    if (i < 0 || i >= count()) return i;
    const bool changed = items_[i].text != t;
    items_[i].text = t;
    return textSet(i, 0, changed);
}

int ListView::setSubItem(int i, int column, const std::string& t) {
    if (i < 0 || i >= count() || column < 1) return i;
    auto& subs = items_[i].subItems;
    if (static_cast<int>(subs.size()) < column) subs.resize(column);
    const bool changed = subs[column - 1] != t;
    subs[column - 1] = t;
    return textSet(i, column, changed);
}

void ListView::setSubItemColor(int i, int column, uint32_t color) {
    if (i < 0 || i >= count() || column < 1) return;
    auto& colors = items_[i].subItemColors;
    if (static_cast<int>(colors.size()) < column) colors.resize(column, kDefaultColor);
    colors[column - 1] = color;
    if (updateDepth_)
        pendingRefresh_ = true;
    else
        notify(Prop::Item, i);
}

void ListView::setChecked(int i, bool c) {
    if (i < 0 || i >= count() || items_[i].checked == c) return;
    items_[i].checked = c;
    if (updateDepth_)
        pendingRefresh_ = true;
    else
        notify(Prop::Item, i);
}

void ListView::setSelected(int i, bool s) {
    selection::set(items_, i, s, multiSelect, [this](int k) { notify(Prop::Selection, k); });
}

int ListView::selectedIndex() const { return selection::first(items_); }

int ListView::focusedIndex() const {
    for (int i = 0; i < count(); ++i)
        if (items_[i].focused) return i;
    return -1;
}

int ListView::selCount() const { return selection::count(items_); }

void ListView::setSmallIcon(int i, int image) {
    if (i < 0 || i >= count()) return;
    items_[i].smallIcon = image;
    notify(Prop::Item, i);
}

void ListView::setKey(int i, const std::string& key) {
    if (i < 0 || i >= count()) return;
    items_[i].key = key;
}

void ListView::ensureVisible(int i) {
    if (i < 0 || i >= count()) return;
    // During an update the control does not hold the new rows yet and would drop the request.
    if (updateDepth_)
        pendingVisible_ = i;
    else
        notify(Prop::Focus, i);
}

void ListView::beginUpdate() { ++updateDepth_; }

void ListView::endUpdate() {
    if (updateDepth_ <= 0 || --updateDepth_ > 0) return;
    if (pendingRefresh_) {
        pendingRefresh_ = false;
        notify(Prop::Items);
    }
    if (pendingVisible_ >= 0) {
        const int row = pendingVisible_;
        pendingVisible_ = -1;
        if (row < count()) notify(Prop::Focus, row);
    }
}

void ListView::sortNow() {
    const int key = sortKey_;
    const bool asc = sortOrder_ == SortOrder::Ascending;
    // Sorted as positions, so that a row waiting to be scrolled into view is followed.
    std::vector<int> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int c = compareSortTexts(columnText(items_[static_cast<size_t>(a)], key),
                                 columnText(items_[static_cast<size_t>(b)], key));
        return asc ? c < 0 : c > 0;
    });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    int followed = -1;
    for (size_t pos = 0; pos < order.size(); ++pos) {
        if (order[pos] == pendingVisible_) followed = static_cast<int>(pos);
        sorted.push_back(std::move(items_[static_cast<size_t>(order[pos])]));
    }
    items_ = std::move(sorted);
    pendingVisible_ = followed;
}

void ListView::setSorting(bool sorted, int key, SortOrder order) {
    sorted_ = sorted;
    sortKey_ = key;
    sortOrder_ = order;
    if (sorted_) sortNow();
    notify(Prop::Sorting);
    notify(Prop::Items);
}

int ListView::hitTest(int x, int y) const {
    if (peerHitTest) return peerHitTest(x, y);
    if (x < 0 || x >= width()) return -1;
    int top = hideColumnHeaders ? 0 : kHeaderTwips;
    if (y < top) return -1;
    int row = (y - top) / kRowTwips;
    return row < count() ? row : -1;
}

void ListView::userCheck(int i, bool c) {
    if (i < 0 || i >= count() || items_[i].checked == c) return;
    setChecked(i, c);
    raise(form(), [&] {
        if (onItemCheck) onItemCheck(i);
    });
}

void ListView::userSetSelected(int i, bool s) {
    if (i < 0 || i >= count()) return;
    if (s && !multiSelect) {
        setSelected(i, true);
        return;
    }
    setSelected(i, s);
}

void ListView::userSetFocused(int i) {
    if (i < 0 || i >= count()) return;
    for (Item& it : items_) it.focused = false;
    items_[i].focused = true;
}

void ListView::userClickRow(int i, bool additive) {
    if (i < 0 || i >= count()) return;
    userSetFocused(i);
    selection::click(items_, i, additive, multiSelect, [this](int k) { notify(Prop::Selection, k); });
    raise(form(), [&] {
        if (onItemClick) onItemClick(i);
        if (onClick) onClick();
    });
}

void ListView::userClicked(int i) {
    userSetFocused(i);
    raise(form(), [&] {
        if (i >= 0 && i < count() && onItemClick) onItemClick(i);
        if (onClick) onClick();
    });
}

void ListView::userDblClickRow(int i) {
    if (i >= 0 && i < count()) {
        userSetFocused(i);
        // A double click selects its row alone, whatever keys are held.
        selection::click(items_, i, false, multiSelect, [this](int k) { notify(Prop::Selection, k); });
    }
    raise(form(), [&] {
        if (onDblClick) onDblClick();
    });
}

void ListView::userColumnClick(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    raise(form(), [&] {
        if (onColumnClick) onColumnClick(column);
    });
}

void ListView::userKeyDown(int key) {
    raise(form(), [&] {
        if (onKeyDown) onKeyDown(key);
    });
}

void ListView::userMouseUp(int button, int x, int y) {
    raise(form(), [&] {
        if (onMouseUp) onMouseUp(button, x, y);
    });
}

}  // namespace ui

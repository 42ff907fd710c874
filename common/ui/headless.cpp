#include "common/ui/headless.h"

#include <algorithm>

namespace ui {

int HeadlessHost::msgBox(const std::string& text, int style, const std::string& title) {
    MsgBoxRecord rec{text, style, title, 0};
    const int buttons = style & 7;
    if (!answers_.empty()) {
        rec.answer = answers_.front();
        answers_.pop_front();
        if (rec.answer == 0 && buttons == mb::OkOnly) rec.answer = mb::Ok;
    } else if (fallbackAnswer) {
        rec.answer = fallbackAnswer(rec);
    } else if (buttons == mb::OkOnly) {
        rec.answer = mb::Ok;
    } else {
        boxes.push_back(rec);
        throw DriverError("unscripted question: " + text);
    }
    boxes.push_back(rec);
    return rec.answer;
}

void HeadlessHost::doEvents() {
    ++yields_;
    flushDeferred();
    if (!yieldQueue_.empty()) {
        auto action = std::move(yieldQueue_.front());
        yieldQueue_.pop_front();
        action();
    }
    while (!posted_.empty()) {
        auto action = std::move(posted_.front());
        posted_.pop_front();
        action();
    }
}

void HeadlessHost::runPosted() {
    while (!posted_.empty()) {
        auto action = std::move(posted_.front());
        posted_.pop_front();
        action();
    }
}

void HeadlessHost::createWindow(Form& form) {
    // The outer size follows the client area: a sizable frame with caption and menu.
    form.move(form.left(), form.top(), form.clientWidth + 240, form.clientHeight + 930);
}

void HeadlessHost::showWindow(Form& form, bool modal, Form*) {
    shownLog.push_back(form.name());
    Form* previous = active_;
    active_ = &form;
    if (!modal) {
        levelAtShow_[&form] = modalDepth_;
        form.userActivate();
        return;
    }
    ++modalDepth_;
    levelAtShow_[&form] = modalDepth_;
    form.userActivate();
    auto it = modalScripts_.find(form.name());
    if (it != modalScripts_.end() && form.loaded() && form.visible()) it->second(form);
    if (form.loaded() && form.visible()) form.userClose();
    if (form.loaded() && form.visible()) form.hide();  // a cancelled close: leave modal state anyway
    --modalDepth_;
    levelAtShow_[&form] = modalDepth_;
    active_ = previous;
    // Closing a modal form gives the activation back to the window beneath it.
    if (previous && previous->loaded() && previous->visible()) previous->userActivate();
}

void HeadlessHost::hideWindow(Form& form) {
    if (active_ == &form) active_ = nullptr;
}

void HeadlessHost::destroyWindow(Form& form) {
    if (form.busyDepth() > 0) {
        if (std::find(pendingDestroy_.begin(), pendingDestroy_.end(), &form) == pendingDestroy_.end())
            pendingDestroy_.push_back(&form);
        if (active_ == &form) active_ = nullptr;
        return;
    }
    destroyedLog.push_back(form.name());
    if (active_ == &form) active_ = nullptr;
}

void HeadlessHost::flushDeferred() {
    for (size_t i = 0; i < pendingDestroy_.size();) {
        Form* f = pendingDestroy_[i];
        if (f->busyDepth() > 0) {
            ++i;
            continue;
        }
        pendingDestroy_.erase(pendingDestroy_.begin() + static_cast<long>(i));
        if (!f->loaded()) destroyedLog.push_back(f->name());  // reloaded meanwhile: the window stays
    }
}

void HeadlessHost::formDestroyed(Form& form) {
    if (active_ == &form) active_ = nullptr;
    levelAtShow_.erase(&form);
    pendingDestroy_.erase(std::remove(pendingDestroy_.begin(), pendingDestroy_.end(), &form), pendingDestroy_.end());
}

bool HeadlessHost::reachableUnderModal(const Form& form) const {
    if (modalDepth_ == 0) return true;
    auto it = levelAtShow_.find(&form);
    return it != levelAtShow_.end() && it->second >= modalDepth_;
}

void HeadlessHost::activateWindow(Form& form) {
    if (active_ == &form) return;
    active_ = &form;
    form.userActivate();
}

int HeadlessHost::run() {
    while (!quitting_ && !posted_.empty()) runPosted();
    return exitCode_;
}

// ---- ListViewScreen ----

ListViewScreen::ListViewScreen(ListView& lv) : lv_(lv), rows_(lv.count()) { lv_.attachPeer(this); }

ListViewScreen::~ListViewScreen() {
    if (lv_.peer() == this) lv_.attachPeer(nullptr);
}

int ListViewScreen::rowsPerPage() const {
    const int header = lv_.hideColumnHeaders ? 0 : ListView::kHeaderTwips;
    return std::max(1, (lv_.height() - header) / ListView::kRowTwips);
}

void ListViewScreen::changed(Prop prop, int index) {
    if (prop == Prop::Items) {
        rows_ = lv_.count();
        top_ = std::max(0, std::min(top_, rows_ - rowsPerPage()));
    } else if (prop == Prop::Focus && index >= 0 && index < rows_) {
        if (index < top_)
            top_ = index;
        else if (index >= top_ + rowsPerPage())
            top_ = index - rowsPerPage() + 1;
    }
}

// ---- Driver ----

void Driver::require(const Control& c, const char* what) {
    if (!c.form().loaded() || !c.form().visible())
        throw DriverError(std::string("cannot ") + what + " " + c.name() + ": its window is not shown");
    if (!c.shown()) throw DriverError(std::string("cannot ") + what + " " + c.name() + ": it is hidden");
    if (!c.reachable()) throw DriverError(std::string("cannot ") + what + " " + c.name() + ": it is disabled");
    if (!host_.reachableUnderModal(c.form()))
        throw DriverError(std::string("cannot ") + what + " " + c.name() + ": a modal window is open");
}

void Driver::click(Button& b) {
    require(b, "press");
    b.userClick();
    host_.flushDeferred();
}
void Driver::click(Label& l) {
    require(l, "click");
    l.userClick();
    host_.flushDeferred();
}
void Driver::click(CheckBox& c) {
    require(c, "tick");
    c.userClick();
    host_.flushDeferred();
}
void Driver::click(OptionButton& o) {
    require(o, "choose");
    o.userClick();
    host_.flushDeferred();
}
void Driver::click(MenuItem& m) {
    if (!m.reachable()) throw DriverError("cannot choose menu entry " + m.name() + ": it is disabled or hidden");
    if (!host_.reachableUnderModal(m.form()))
        throw DriverError("cannot choose menu entry " + m.name() + ": a modal window is open");
    m.userClick();
    host_.flushDeferred();
    host_.flushDeferred();
}
void Driver::type(TextBox& t, const std::string& text) {
    require(t, "type into");
    if (t.readOnly) throw DriverError("cannot type into " + t.name() + ": it is read-only");
    t.userType(text);
    host_.flushDeferred();
}
void Driver::keyPress(TextBox& t, int key) {
    require(t, "type into");
    if (key == kKeyReturn && t.multiLine) {
        if (t.readOnly) return;
        t.userType(t.text() + "\r\n");
        host_.flushDeferred();
        return;
    }
    keyPress(t.form(), key);
}
void Driver::type(ComboBox& c, const std::string& text) {
    require(c, "type into");
    if (c.style() != ComboBox::Style::Editable) throw DriverError("cannot type into drop-down list " + c.name());
    c.userType(text);
    host_.flushDeferred();
}
void Driver::pick(ComboBox& c, int index) {
    require(c, "pick from");
    if (index < 0 || index >= c.count()) throw DriverError("no item " + std::to_string(index) + " in " + c.name());
    c.userPick(index);
    host_.flushDeferred();
}
void Driver::keyPress(ComboBox& c, int ch) {
    require(c, "type into");
    c.userKeyPress(ch);
    host_.flushDeferred();
}
void Driver::keyUp(ComboBox& c, int key) {
    require(c, "type into");
    c.userKeyUp(key);
    host_.flushDeferred();
}
void Driver::tick(ListBox& l, int i, bool checked) {
    require(l, "tick");
    if (i < 0 || i >= l.count()) throw DriverError("no item " + std::to_string(i) + " in " + l.name());
    l.userCheck(i, checked);
    host_.flushDeferred();
}
void Driver::select(ListBox& l, int i, bool additive) {
    require(l, "select in");
    if (i < 0 || i >= l.count()) throw DriverError("no item " + std::to_string(i) + " in " + l.name());
    l.userSelect(i, additive);
    host_.flushDeferred();
}
void Driver::dblClick(ListBox& l, int i) {
    require(l, "double-click");
    l.userSelect(i);
    host_.flushDeferred();
    l.userDblClick(i);
    host_.flushDeferred();
}
void Driver::tick(ListView& lv, int i, bool checked) {
    require(lv, "tick");
    if (!lv.checkBoxes) throw DriverError(lv.name() + " has no check boxes");
    if (i < 0 || i >= lv.count()) throw DriverError("no row " + std::to_string(i) + " in " + lv.name());
    lv.userCheck(i, checked);
    host_.flushDeferred();
}
void Driver::clickRow(ListView& lv, int i, bool additive) {
    require(lv, "click");
    if (i < 0 || i >= lv.count()) throw DriverError("no row " + std::to_string(i) + " in " + lv.name());
    lv.userModifiers(additive ? kCtrlMask : 0);
    lv.userClickRow(i, additive);
    host_.flushDeferred();
}
void Driver::dblClickRow(ListView& lv, int i) {
    require(lv, "double-click");
    if (i < 0 || i >= lv.count()) throw DriverError("no row " + std::to_string(i) + " in " + lv.name());
    lv.userDblClickRow(i);
    host_.flushDeferred();
}
void Driver::clickColumn(ListView& lv, int column) {
    require(lv, "click the header of");
    if (lv.hideColumnHeaders) throw DriverError(lv.name() + " shows no column headers");
    lv.userColumnClick(column);
    host_.flushDeferred();
}
void Driver::keyDown(ListView& lv, int key, int shift) {
    require(lv, "press a key in");
    lv.userModifiers(shift);
    lv.userKeyDown(key);
    host_.flushDeferred();
}
void Driver::mouseUpOnRow(ListView& lv, int i, int button, int shift) {
    int top = lv.hideColumnHeaders ? 0 : ListView::kHeaderTwips;
    mouseUpAt(lv, 60, top + i * ListView::kRowTwips + ListView::kRowTwips / 2, button, shift);
}
void Driver::mouseUpAt(ListView& lv, int x, int y, int button, int shift) {
    require(lv, "click");
    lv.userModifiers(shift);
    lv.userMouseUp(button, x, y);
    host_.flushDeferred();
}
void Driver::fire(Timer& t) {
    if (!t.form().loaded()) throw DriverError("timer " + t.name() + " belongs to an unloaded window");
    if (!t.enabled() || t.interval() <= 0) throw DriverError("timer " + t.name() + " is not running");
    t.userTick();
    host_.flushDeferred();
}
void Driver::close(Form& f) {
    if (!f.loaded()) throw DriverError("window " + f.name() + " is not loaded");
    if (!host_.reachableUnderModal(f)) throw DriverError("cannot close " + f.name() + ": a modal window is open");
    f.userClose();
    host_.flushDeferred();
    host_.flushDeferred();
}
void Driver::activate(Form& f) {
    if (!f.loaded() || !f.visible()) throw DriverError("window " + f.name() + " is not shown");
    if (!host_.reachableUnderModal(f)) throw DriverError("cannot activate " + f.name() + ": a modal window is open");
    host_.activateWindow(f);
}
void Driver::resize(Form& f, int width, int height) {
    f.userResize(width, height);
    host_.flushDeferred();
}
void Driver::minimize(Form& f) {
    f.userMinimize();
    host_.flushDeferred();
}
void Driver::keyPress(Form& f, int key) {
    if (!f.loaded() || !f.visible()) throw DriverError("window " + f.name() + " is not shown");
    if (!host_.reachableUnderModal(f)) throw DriverError("cannot type into " + f.name() + ": a modal window is open");
    if (f.keyPreview) key = f.userKeyPress(key);
    host_.flushDeferred();
    if (key == 0 || !f.loaded()) return;  // the form swallowed it, or closed itself
    if (key == kKeyReturn || key == kKeyEscape) {
        for (Control* c : f.controls()) {
            if (c->kind() != Kind::Button) continue;
            auto* b = static_cast<Button*>(c);
            if ((key == kKeyReturn && b->isDefault) || (key == kKeyEscape && b->isCancel)) {
                if (b->reachable()) b->userClick();
                host_.flushDeferred();
                return;
            }
        }
    }
}

}  // namespace ui

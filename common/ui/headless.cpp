#include "common/ui/headless.h"

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
        form.userActivate();
        return;
    }
    ++modalDepth_;
    form.userActivate();
    auto it = modalScripts_.find(form.name());
    if (it != modalScripts_.end() && form.loaded() && form.visible()) it->second(form);
    if (form.loaded() && form.visible()) form.userClose();
    if (form.loaded() && form.visible()) form.hide();  // a cancelled close: leave modal state anyway
    --modalDepth_;
    active_ = previous;
    // Closing a modal form gives the activation back to the window beneath it.
    if (previous && previous->loaded() && previous->visible()) previous->userActivate();
}

void HeadlessHost::hideWindow(Form& form) {
    if (active_ == &form) active_ = nullptr;
}

void HeadlessHost::destroyWindow(Form& form) {
    destroyedLog.push_back(form.name());
    if (active_ == &form) active_ = nullptr;
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

// ---- Driver ----

void Driver::require(const Control& c, const char* what) {
    if (!c.form().loaded() || !c.form().visible())
        throw DriverError(std::string("cannot ") + what + " " + c.name() + ": its window is not shown");
    if (!c.shown()) throw DriverError(std::string("cannot ") + what + " " + c.name() + ": it is hidden");
    if (!c.reachable()) throw DriverError(std::string("cannot ") + what + " " + c.name() + ": it is disabled");
    if (host_.modalDepth() > 0 && host_.activeForm() && host_.activeForm() != &c.form() && !c.form().modal())
        throw DriverError(std::string("cannot ") + what + " " + c.name() + ": a modal window is open");
}

void Driver::click(Button& b) {
    require(b, "press");
    b.userClick();
}
void Driver::click(Label& l) {
    require(l, "click");
    l.userClick();
}
void Driver::click(CheckBox& c) {
    require(c, "tick");
    c.userClick();
}
void Driver::click(OptionButton& o) {
    require(o, "choose");
    o.userClick();
}
void Driver::click(MenuItem& m) {
    if (!m.reachable()) throw DriverError("cannot choose menu entry " + m.name() + ": it is disabled or hidden");
    m.userClick();
}
void Driver::type(TextBox& t, const std::string& text) {
    require(t, "type into");
    if (t.readOnly) throw DriverError("cannot type into " + t.name() + ": it is read-only");
    t.userType(text);
}
void Driver::type(ComboBox& c, const std::string& text) {
    require(c, "type into");
    if (c.style() != ComboBox::Style::Editable) throw DriverError("cannot type into drop-down list " + c.name());
    c.userType(text);
}
void Driver::pick(ComboBox& c, int index) {
    require(c, "pick from");
    if (index < 0 || index >= c.count()) throw DriverError("no item " + std::to_string(index) + " in " + c.name());
    c.userPick(index);
}
void Driver::keyPress(ComboBox& c, int ch) {
    require(c, "type into");
    c.userKeyPress(ch);
}
void Driver::keyUp(ComboBox& c, int key) {
    require(c, "type into");
    c.userKeyUp(key);
}
void Driver::tick(ListBox& l, int i, bool checked) {
    require(l, "tick");
    if (i < 0 || i >= l.count()) throw DriverError("no item " + std::to_string(i) + " in " + l.name());
    l.userCheck(i, checked);
}
void Driver::select(ListBox& l, int i, bool additive) {
    require(l, "select in");
    if (i < 0 || i >= l.count()) throw DriverError("no item " + std::to_string(i) + " in " + l.name());
    l.userSelect(i, additive);
}
void Driver::dblClick(ListBox& l, int i) {
    require(l, "double-click");
    l.userSelect(i);
    l.userDblClick(i);
}
void Driver::tick(ListView& lv, int i, bool checked) {
    require(lv, "tick");
    if (!lv.checkBoxes) throw DriverError(lv.name() + " has no check boxes");
    if (i < 0 || i >= lv.count()) throw DriverError("no row " + std::to_string(i) + " in " + lv.name());
    lv.userCheck(i, checked);
}
void Driver::clickRow(ListView& lv, int i, bool additive) {
    require(lv, "click");
    if (i < 0 || i >= lv.count()) throw DriverError("no row " + std::to_string(i) + " in " + lv.name());
    lv.userClickRow(i, additive);
}
void Driver::dblClickRow(ListView& lv, int i) {
    require(lv, "double-click");
    if (i < 0 || i >= lv.count()) throw DriverError("no row " + std::to_string(i) + " in " + lv.name());
    lv.userDblClickRow(i);
}
void Driver::clickColumn(ListView& lv, int column) {
    require(lv, "click the header of");
    if (lv.hideColumnHeaders) throw DriverError(lv.name() + " shows no column headers");
    lv.userColumnClick(column);
}
void Driver::keyDown(ListView& lv, int key) {
    require(lv, "press a key in");
    lv.userKeyDown(key);
}
void Driver::mouseUpOnRow(ListView& lv, int i, int button) {
    int top = lv.hideColumnHeaders ? 0 : ListView::kHeaderTwips;
    mouseUpAt(lv, 60, top + i * ListView::kRowTwips + ListView::kRowTwips / 2, button);
}
void Driver::mouseUpAt(ListView& lv, int x, int y, int button) {
    require(lv, "click");
    lv.userMouseUp(button, x, y);
}
void Driver::fire(Timer& t) {
    if (!t.form().loaded()) throw DriverError("timer " + t.name() + " belongs to an unloaded window");
    if (!t.enabled() || t.interval() <= 0) throw DriverError("timer " + t.name() + " is not running");
    t.userTick();
}
void Driver::close(Form& f) {
    if (!f.loaded()) throw DriverError("window " + f.name() + " is not loaded");
    f.userClose();
}
void Driver::activate(Form& f) {
    if (!f.loaded() || !f.visible()) throw DriverError("window " + f.name() + " is not shown");
    host_.activateWindow(f);
}
void Driver::resize(Form& f, int width, int height) { f.userResize(width, height); }
void Driver::minimize(Form& f) { f.userMinimize(); }
void Driver::keyPress(Form& f, int key) {
    if (f.keyPreview) key = f.userKeyPress(key);
    if (key == 0) return;  // the form swallowed it
    if (key == kKeyReturn || key == kKeyEscape) {
        for (Control* c : f.controls()) {
            if (c->kind() != Kind::Button) continue;
            auto* b = static_cast<Button*>(c);
            if ((key == kKeyReturn && b->isDefault) || (key == kKeyEscape && b->isCancel)) {
                if (b->reachable()) b->userClick();
                return;
            }
        }
    }
}

}  // namespace ui

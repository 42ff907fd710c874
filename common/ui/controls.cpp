// The simple controls (buttons, boxes, bars, the timer) and menu entries. The list controls
// have their own files: list_box.cpp, list_view.cpp.
#include "common/ui/controls.h"

#include "common/text/text.h"
#include "common/ui/form.h"
#include "common/ui/raise_event.h"

namespace ui {

using detail::raise;

// ---- Control ----

Control::Control(Form& form, Control* container, std::string name, Kind kind)
    : form_(form), container_(container), name_(std::move(name)), kind_(kind) {
    form.controls_.push_back(this);
}

void Control::setCaption(const std::string& c) {
    if (c == caption_) return;
    caption_ = c;
    notify(Prop::Caption);
}

void Control::setEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    notify(Prop::Enabled);
}

void Control::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    notify(Prop::Visible);
}

bool Control::shown() const {
    for (const Control* c = this; c; c = c->container_)
        if (!c->visible_) return false;
    return form_.visible();
}

bool Control::reachable() const {
    if (!shown()) return false;
    for (const Control* c = this; c; c = c->container_)
        if (!c->enabled_) return false;
    return true;
}

void Control::move(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    notify(Prop::Geometry);
}

void Control::setBold(bool b) {
    if (b == bold_) return;
    bold_ = b;
    notify(Prop::Font);
}

void Control::setFont(const std::string& name, double size) {
    fontName_ = name;
    fontSize_ = size;
    notify(Prop::Font);
}

void Control::setForeColor(uint32_t c) {
    if (c == foreColor_) return;
    foreColor_ = c;
    notify(Prop::ForeColor);
}

void Control::setHandCursor(bool h) {
    handCursor_ = h;
    notify(Prop::Cursor);
}

void Control::setFocus() { notify(Prop::Focus); }

// ---- Button, Label ----

Button::Button(Form& f, Control* container, std::string name, std::string caption)
    : Control(f, container, std::move(name), Kind::Button) {
    caption_ = std::move(caption);
}

void Button::userClick() {
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

Label::Label(Form& f, Control* container, std::string name, std::string caption)
    : Control(f, container, std::move(name), Kind::Label) {
    caption_ = std::move(caption);
}

void Label::userClick() {
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

// ---- CheckBox, OptionButton, Frame ----

CheckBox::CheckBox(Form& f, Control* container, std::string name, std::string caption)
    : Control(f, container, std::move(name), Kind::CheckBox) {
    caption_ = std::move(caption);
}

void CheckBox::setValue(int v) {
    if (v < 0 || v > 2) v = v ? 1 : 0;
    if (v == value_) return;
    value_ = v;
    notify(Prop::Value);
}

void CheckBox::userClick() {
    setValue(value_ == 1 ? 0 : 1);
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

OptionButton::OptionButton(Form& f, Control* container, std::string name, std::string caption)
    : Control(f, container, std::move(name), Kind::OptionButton) {
    caption_ = std::move(caption);
}

void OptionButton::setValue(bool v) {
    if (v) {
        for (Control* c : form().controls()) {
            if (c != this && c->kind() == Kind::OptionButton && c->container() == container()) {
                auto* o = static_cast<OptionButton*>(c);
                if (o->value_) {
                    o->value_ = false;
                    o->notify(Prop::Value);
                }
            }
        }
    }
    if (v == value_) return;
    value_ = v;
    notify(Prop::Value);
}

void OptionButton::userClick() {
    setValue(true);
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

Frame::Frame(Form& f, Control* container, std::string name, std::string caption)
    : Control(f, container, std::move(name), Kind::Frame) {
    caption_ = std::move(caption);
}

// ---- TextBox ----

TextBox::TextBox(Form& f, Control* container, std::string name)
    : Control(f, container, std::move(name), Kind::TextBox) {}

void TextBox::setText(const std::string& t) { setCaption(t); }

void TextBox::userType(const std::string& t) {
    setCaption(t);
    raise(form(), [&] {
        if (onChange) onChange();
    });
}

// ---- ComboBox ----

ComboBox::ComboBox(Form& f, Control* container, std::string name, Style style)
    : Control(f, container, std::move(name), Kind::ComboBox), style_(style) {}

void ComboBox::setText(const std::string& t) {
    if (style_ == Style::DropDownList) return;
    setCaption(t);
}

void ComboBox::addItem(const std::string& s) {
    items_.push_back(s);
    notify(Prop::Items);
}

void ComboBox::removeItem(int i) {
    if (i < 0 || i >= count()) return;
    items_.erase(items_.begin() + i);
    if (listIndex_ == i)
        listIndex_ = -1;
    else if (listIndex_ > i)
        --listIndex_;
    notify(Prop::Items);
}

void ComboBox::clear() {
    items_.clear();
    listIndex_ = -1;
    if (style_ == Style::DropDownList) caption_.clear();
    notify(Prop::Items);
}

void ComboBox::setListIndex(int i) {
    if (i < -1 || i >= count()) return;
    listIndex_ = i;
    if (i >= 0)
        caption_ = items_[i];
    else if (style_ == Style::DropDownList)
        caption_.clear();
    selStart_ = 0;
    selLength_ = 0;
    notify(Prop::Selection);
    notify(Prop::Caption);
}

void ComboBox::setSelection(int start, int length) {
    selStart_ = start < 0 ? 0 : start;
    selLength_ = length < 0 ? 0 : length;
    notify(Prop::Selection);
}

void ComboBox::userType(const std::string& t, int caret) {
    if (style_ == Style::DropDownList) return;
    caption_ = t;
    listIndex_ = -1;
    for (int i = 0; i < count(); ++i)
        if (items_[i] == t) listIndex_ = i;
    const int length = static_cast<int>(text::toUtf16(t).size());
    selStart_ = caret < 0 || caret > length ? length : caret;
    selLength_ = 0;
    raise(form(), [&] {
        if (onChange) onChange();
    });
}

void ComboBox::userPick(int i) {
    if (i < 0 || i >= count()) return;
    setListIndex(i);
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

int ComboBox::userKeyPress(int ch) {
    raise(form(), [&] {
        if (onKeyPress) onKeyPress(ch);
    });
    return ch;
}

void ComboBox::userKeyUp(int key) {
    raise(form(), [&] {
        if (onKeyUp) onKeyUp(key);
    });
}

void ComboBox::userKeyDown(int key) {
    raise(form(), [&] {
        if (onKeyDown) onKeyDown(key);
    });
}

// ---- PictureBox, ProgressBar, StatusBar, Timer ----

PictureBox::PictureBox(Form& f, Control* container, std::string name)
    : Control(f, container, std::move(name), Kind::PictureBox) {}

void PictureBox::userClick() {
    raise(form(), [&] {
        if (onClick) onClick();
    });
}

ProgressBar::ProgressBar(Form& f, Control* container, std::string name)
    : Control(f, container, std::move(name), Kind::ProgressBar) {}

void ProgressBar::setValue(int v) {
    if (v == value_) return;
    value_ = v;
    notify(Prop::Value);
}

StatusBar::StatusBar(Form& f, Control* container, std::string name, int panels)
    : Control(f, container, std::move(name), Kind::StatusBar), panels_(panels < 1 ? 1 : panels) {}

void StatusBar::setPanel(int i, const std::string& t) {
    if (i < 0) return;
    if (i >= panelCount()) setPanelCount(i + 1);
    if (panels_[i] == t) return;
    panels_[i] = t;
    notify(Prop::Panels, i);
}

void StatusBar::setPanelCount(int n) {
    panels_.resize(n < 1 ? 1 : n);
    notify(Prop::Panels);
}

Timer::Timer(Form& f, std::string name, int intervalMs, bool enabled)
    : Control(f, nullptr, std::move(name), Kind::Timer), interval_(intervalMs) {
    setEnabled(enabled);
    setVisible(false);
}

void Timer::setInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    notify(Prop::Interval);
}

void Timer::userTick() {
    if (!enabled() || interval_ <= 0) return;
    raise(form(), [&] {
        if (onTimer) onTimer();
    });
}

// ---- MenuItem ----

MenuItem::MenuItem(Form& f, std::string name, std::string caption, std::string shortcut)
    : form_(f), name_(std::move(name)), caption_(std::move(caption)), shortcut_(std::move(shortcut)) {
    f.menus_.push_back(this);
}

MenuItem::MenuItem(MenuItem& parent, std::string name, std::string caption, std::string shortcut)
    : form_(parent.form_),
      parent_(&parent),
      name_(std::move(name)),
      caption_(std::move(caption)),
      shortcut_(std::move(shortcut)) {
    parent.children_.push_back(this);
}

void MenuItem::setCaption(const std::string& c) {
    if (c == caption_) return;
    caption_ = c;
    notify(Prop::Caption);
}

void MenuItem::setEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    notify(Prop::Enabled);
}

void MenuItem::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    notify(Prop::Visible);
}

bool MenuItem::reachable() const {
    for (const MenuItem* m = this; m; m = m->parent_)
        if (!m->enabled_ || !m->visible_) return false;
    return form_.visible();
}

void MenuItem::userClick() {
    raise(form_, [&] {
        if (onClick) onClick();
    });
}

}  // namespace ui

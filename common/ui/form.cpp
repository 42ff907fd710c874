#include "common/ui/form.h"

namespace ui {

Form::Form(Host& host, std::string name, std::string caption)
    : host_(host), name_(std::move(name)), caption_(std::move(caption)) {}

Form::~Form() { host_.formDestroyed(*this); }

void Form::setCaption(const std::string& c) {
    if (c == caption_) return;
    caption_ = c;
    notify(Prop::Caption);
}

void Form::move(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    notify(Prop::Geometry);
}

void Form::centre() { move((host_.screenWidth() - width_) / 2, (host_.screenHeight() - height_) / 2); }

void Form::setWindowState(WindowState s) {
    if (s == windowState_) return;
    windowState_ = s;
    notify(Prop::Geometry);
}

void Form::load() {
    if (loaded_) return;
    Busy busy(*this);
    if (!initialized_) {
        initialized_ = true;
        if (onInitialize) onInitialize();
    }
    loaded_ = true;
    host_.createWindow(*this);
    if (onLoad) onLoad();
}

void Form::show(Form* owner) {
    load();
    if (!loaded_ || host_.quitting()) return;  // Load may have unloaded the form or ended the program
    if (owner) owner_ = owner;
    visible_ = true;
    host_.showWindow(*this, false, owner_);
}

void Form::showModal(Form* owner) {
    load();
    if (!loaded_ || host_.quitting()) return;
    owner_ = owner;
    modal_ = true;
    visible_ = true;
    host_.showWindow(*this, true, owner_);
    modal_ = false;
}

void Form::hide() {
    if (!visible_) return;
    visible_ = false;
    host_.hideWindow(*this);
}

bool Form::unload(int mode) {
    if (!loaded_) return true;
    {
        Busy busy(*this);
        bool cancel = false;
        if (onQueryUnload) onQueryUnload(cancel, mode);
        if (cancel && mode != kUnloadByApp) return false;
        cancel = false;
        if (onUnload) onUnload(cancel);
        if (cancel && mode != kUnloadByApp) return false;
    }
    loaded_ = false;
    if (visible_) {
        visible_ = false;
        host_.hideWindow(*this);
    }
    host_.destroyWindow(*this);
    return true;
}

void Form::activate() {
    if (loaded_) host_.activateWindow(*this);
}

bool Form::userClose() { return unload(kUnloadByUser); }

void Form::userActivate() {
    Busy busy(*this);
    if (onActivate) onActivate();
}

void Form::userDeactivate() {
    Busy busy(*this);
    if (onDeactivate) onDeactivate();
}

void Form::userResize(int width, int height) {
    width_ = width;
    height_ = height;
    Busy busy(*this);
    if (onResize) onResize();
}

void Form::userMinimize() {
    windowState_ = WindowState::Minimized;
    Busy busy(*this);
    if (onResize) onResize();
}

void Form::userRestore() {
    windowState_ = WindowState::Normal;
    Busy busy(*this);
    if (onResize) onResize();
}

int Form::userKeyPress(int key) {
    Busy busy(*this);
    if (onKeyPress) onKeyPress(key);
    return key;
}

void Form::userKeyDown(int key) {
    Busy busy(*this);
    if (onKeyDown) onKeyDown(key);
}

void Form::postWhenIdle(std::function<void()> action) {
    if (busy_ == 0)
        host_.post(std::move(action));
    else
        whenIdle_.push_back(std::move(action));
}

void Form::postIdleActions() {
    std::vector<std::function<void()>> due;
    due.swap(whenIdle_);
    for (auto& action : due) host_.post(std::move(action));
}

Control* Form::find(const std::string& name, int index) const {
    for (Control* c : controls_)
        if (c->name() == name && c->index() == index) return c;
    return nullptr;
}

}  // namespace ui

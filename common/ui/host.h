// The backend behind the forms: real windows (win32/) or the headless model (headless.h).
// Forms reach the platform's windowing only through this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ui {

class Form;

// Message box buttons, icons and answers, with the platform's values.
namespace mb {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;
constexpr int DefaultButton3 = 512;

constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace mb

class Host {
public:
    virtual ~Host() = default;

    // A modal message box; returns the answer (mb::Yes, ...).
    virtual int msgBox(const std::string& text, int style, const std::string& title) = 0;
    // Yield: process what is waiting (window messages, posted actions), then return. Cheap when
    // nothing waits.
    virtual void doEvents() = 0;
    // Runs `action` later from the message loop (not inside the caller).
    virtual void post(std::function<void()> action) = 0;

    // Window lifetime, called by Form.
    virtual void createWindow(Form& form) = 0;  // at load: the window and its controls' peers
    // Shows the window; modal: disables every other window of the program and returns when the
    // form has been hidden or unloaded.
    virtual void showWindow(Form& form, bool modal, Form* owner) = 0;
    virtual void hideWindow(Form& form) = 0;
    // Destroys the window; deferred while a handler runs on the form's behalf.
    virtual void destroyWindow(Form& form) = 0;
    virtual void activateWindow(Form& form) = 0;
    // The form object is being destroyed: forget it (its window goes without events).
    virtual void formDestroyed(Form& form) { (void)form; }

    // Screen size in twips.
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
    // The platform's window handle (HWND) of a form, 0 when it has none.
    virtual uintptr_t nativeHandle(const Form& form) = 0;

    // The message loop: runs until quit(); returns the exit code.
    virtual int run() = 0;
    virtual void quit(int exitCode) = 0;
    virtual bool quitting() const = 0;
};

}  // namespace ui

// Internals of the Win32 backend: the window of a form and the peers of its controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/ui/form.h"
#include "common/ui/win32/win32_host.h"

namespace ui::win32 {

std::wstring wide(const std::string& s);
std::string narrow(const wchar_t* s, size_t n);
std::string narrow(const std::wstring& s);
std::wstring windowText(HWND h);
void logError(const std::string& what);

// A toolkit colour (blue-green-red) as the platform's.
inline COLORREF toColorRef(uint32_t bgr) { return RGB(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

class FormWindow;

// Mirrors one control into one real window (none for a timer).
class ControlPeer : public Peer {
public:
    ControlPeer(FormWindow& fw, Control& c, int id) : fw_(fw), c_(c), id_(id) {}
    ~ControlPeer() override = default;

    Control& control() const { return c_; }
    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }

    void create();
    void changed(Prop prop, int index) override;

    // Applies the effective state that depends on the containers.
    virtual void applyGeometry();
    void applyVisible();
    void applyEnabled();
    void applyFont();

    // Messages routed from the form's window procedure.
    virtual void command(WORD code) { (void)code; }
    virtual LRESULT notify(NMHDR* nm, bool& handled) {
        (void)nm;
        handled = false;
        return 0;
    }
    virtual void measureItem(MEASUREITEMSTRUCT*) {}
    virtual void drawItem(const DRAWITEMSTRUCT*) {}
    virtual void timer() {}
    // Message to a subclassed control; return true when handled (result in `result`).
    virtual bool subclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        (void)msg, (void)wp, (void)lp, (void)result;
        return false;
    }
    virtual void formResized() {}
    // Called once after every peer exists.
    virtual void afterCreate() {}
    virtual void destroying() {}

protected:
    virtual const wchar_t* className() const = 0;
    virtual DWORD style() const = 0;
    virtual DWORD exStyle() const { return 0; }
    virtual void propChanged(Prop prop, int index) { (void)prop, (void)index; }
    // The height of the real window when it differs from the model's (drop-down lists).
    virtual int pixelHeight(int modelPixels) const { return modelPixels; }
    virtual bool wantsSubclass() const { return false; }
    virtual HWND subclassTarget() const { return hwnd_; }
    void setText(const std::string& s);
    void subclass(HWND h);

    FormWindow& fw_;
    Control& c_;
    int id_;
    HWND hwnd_ = nullptr;
    bool syncing_ = false;  // a change made by the peer itself: ignore the echo

    friend class FormWindow;
};

// The window of one form.
class FormWindow : public Peer {
public:
    FormWindow(Win32Host& host, Form& form);
    ~FormWindow() override;

    void create();
    // Destroys the real window. `formAlive` false: the form object is gone, touch nothing of it.
    void destroy(bool formAlive);
    void changed(Prop prop, int index) override;

    Win32Host& host() const { return host_; }
    Form& form() const { return form_; }
    HWND hwnd() const { return hwnd_; }
    HACCEL accelerators() const { return accel_; }
    bool dead() const { return dead_; }
    bool creating() const { return creating_; }
    int inProc() const { return inProc_; }

    ControlPeer* peerOf(const Control& c) const;
    ControlPeer* peerById(int id) const;
    std::vector<ControlPeer*> descendants(const Control& c) const;  // the control and what it holds
    HFONT font(const std::string& name, double size, bool bold);
    // The font, or a fallback that has every character of `text`.
    HFONT fontFor(const std::string& name, double size, bool bold, const std::string& text);
    // Absolute pixel rectangle of a control in the client area.
    RECT pixelRect(const Control& c) const;
    bool hasDefaultButton() const;
    bool hasCancelButton() const;

    // Modal state.
    std::vector<HWND> disabledByModal;
    bool pendingDestroy = false;

    static LRESULT CALLBACK windowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK subclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);
    void rebuildMenu();
    void applyWindowState();

private:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void onSize(WPARAM wp);
    void onCommand(WPARAM wp, LPARAM lp);
    void buildAccelerators();
    void appendMenu(HMENU menu, MenuItem& item);
    DWORD windowStyle() const;

    Win32Host& host_;
    Form& form_;
    HWND hwnd_ = nullptr;
    HMENU menu_ = nullptr;
    HACCEL accel_ = nullptr;
    std::vector<std::unique_ptr<ControlPeer>> peers_;
    std::map<const Control*, ControlPeer*> byControl_;
    std::map<int, ControlPeer*> byId_;
    std::map<int, MenuItem*> menuIds_;
    std::map<std::string, HFONT> fonts_;
    std::unique_ptr<Peer> menuPeer_;
    HWND savedFocus_ = nullptr;
    WindowState shownState_ = WindowState::Normal;
    bool creating_ = false;
    bool applying_ = false;
    bool dead_ = false;
    int inProc_ = 0;
    int sizeDepth_ = 0;
    friend class ControlPeer;
};

std::unique_ptr<ControlPeer> makePeer(FormWindow& fw, Control& c, int id);

// One Win32 image list per toolkit image list, shared by the list views that show it.
class ImageListPeer : public Peer {
public:
    explicit ImageListPeer(ImageList& model);
    ~ImageListPeer() override;
    void changed(Prop prop, int index) override;
    HIMAGELIST handle() const { return himl_; }
    std::set<class ListViewPeer*> users;
    void sync();  // brings the real list up to the model's images

private:
    void addImage(const ImageList::Image& img);
    ImageList& model_;
    HIMAGELIST himl_ = nullptr;
    int added_ = 0;
};

ImageListPeer* imageListPeer(ImageList& model);

}  // namespace ui::win32

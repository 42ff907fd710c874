// The peer of a timer: no window, a timer of the form's window under the control's id.

#include "common/ui/win32/win32_control_peers.h"

namespace ui::win32 {

namespace {

class TimerPeer : public ControlPeer {
public:
    using ControlPeer::ControlPeer;
    Timer& t() const { return static_cast<Timer&>(c_); }
    const wchar_t* className() const override { return nullptr; }
    DWORD style() const override { return 0; }
    void afterCreate() override { sync(); }
    void propChanged(Prop p, int) override {
        if (p == Prop::Enabled || p == Prop::Interval) sync();
    }
    void sync() {
        HWND h = fw_.hwnd();
        if (!h) return;
        if (t().enabled() && t().interval() > 0)
            SetTimer(h, static_cast<UINT_PTR>(id_), static_cast<UINT>(t().interval()), nullptr);
        else
            KillTimer(h, static_cast<UINT_PTR>(id_));
    }
    void timer() override {
        if (fw_.form().loaded()) t().userTick();
    }
    void destroying() override { KillTimer(fw_.hwnd(), static_cast<UINT_PTR>(id_)); }
};

}  // namespace

std::unique_ptr<ControlPeer> makeTimerPeer(FormWindow& fw, Control& c, int id) {
    return std::make_unique<TimerPeer>(fw, c, id);
}

}  // namespace ui::win32

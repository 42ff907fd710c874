// makePeer: the peer that mirrors a control, chosen by the control's kind.

#include "common/ui/win32/win32_control_peers.h"
#include "common/ui/win32/win32_listview.h"

namespace ui::win32 {

std::unique_ptr<ControlPeer> makePeer(FormWindow& fw, Control& c, int id) {
    switch (c.kind()) {
        case Kind::Button: return makeButtonPeer(fw, c, id);
        case Kind::Label: return makeLabelPeer(fw, c, id);
        case Kind::CheckBox: return makeCheckBoxPeer(fw, c, id);
        case Kind::OptionButton: {
            // An option group starts at the first option button of its container.
            bool first = true;
            for (Control* k : fw.form().controls()) {
                if (k == &c) break;
                if (k->kind() == Kind::OptionButton && k->container() == c.container()) first = false;
            }
            return makeOptionPeer(fw, c, id, first);
        }
        case Kind::Frame: return makeFramePeer(fw, c, id);
        case Kind::TextBox: return makeTextBoxPeer(fw, c, id);
        case Kind::ComboBox: return makeComboPeer(fw, c, id);
        case Kind::ListBox: return makeListBoxPeer(fw, c, id);
        case Kind::ListView: return std::make_unique<ListViewPeer>(fw, c, id);
        case Kind::PictureBox: return makePicturePeer(fw, c, id);
        case Kind::ProgressBar: return makeProgressPeer(fw, c, id);
        case Kind::StatusBar: return makeStatusBarPeer(fw, c, id);
        case Kind::Timer: return makeTimerPeer(fw, c, id);
        case Kind::Image: return nullptr;
    }
    return nullptr;
}

}  // namespace ui::win32

// The peer of each kind of control, made by makePeer. The list view's peer is declared in
// win32_listview.h, since the image lists talk to it as well.
#pragma once

#include <memory>

#include "common/ui/win32/win32_internal.h"

namespace ui::win32 {

// Push buttons, check boxes, option buttons and frames (win32_buttons.cpp).
std::unique_ptr<ControlPeer> makeButtonPeer(FormWindow& fw, Control& c, int id);
std::unique_ptr<ControlPeer> makeCheckBoxPeer(FormWindow& fw, Control& c, int id);
// `firstOfGroup`: the option starts a group, the first option button of its container.
std::unique_ptr<ControlPeer> makeOptionPeer(FormWindow& fw, Control& c, int id, bool firstOfGroup);
std::unique_ptr<ControlPeer> makeFramePeer(FormWindow& fw, Control& c, int id);

// Labels and picture boxes (win32_label_picture.cpp).
std::unique_ptr<ControlPeer> makeLabelPeer(FormWindow& fw, Control& c, int id);
std::unique_ptr<ControlPeer> makePicturePeer(FormWindow& fw, Control& c, int id);

std::unique_ptr<ControlPeer> makeTextBoxPeer(FormWindow& fw, Control& c, int id);

// Progress bars and status bars (win32_progress_status.cpp).
std::unique_ptr<ControlPeer> makeProgressPeer(FormWindow& fw, Control& c, int id);
std::unique_ptr<ControlPeer> makeStatusBarPeer(FormWindow& fw, Control& c, int id);

std::unique_ptr<ControlPeer> makeTimerPeer(FormWindow& fw, Control& c, int id);
std::unique_ptr<ControlPeer> makeComboPeer(FormWindow& fw, Control& c, int id);
std::unique_ptr<ControlPeer> makeListBoxPeer(FormWindow& fw, Control& c, int id);

}  // namespace ui::win32

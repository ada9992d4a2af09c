// One peer per kind of control. MakePeer picks the kind's; each kind's file
// makes its window, shows the model's state on it and reports what the user
// does through the model's User* methods.
#pragma once

#include <memory>

#include "platform/controls.h"

namespace rt::win32 {

class FormWindow;
class ControlWindow;

// The peer of a control, or null when the system refused its window.
// `previous` is the control made before it, in tab order.
std::unique_ptr<ControlPeer> MakePeer(FormWindow& owner, Control& control, const Control* previous);

// The kinds' own makers (edit_peer.cpp, button_peers.cpp, list_peer.cpp,
// static_peers.cpp, timer_window.cpp).
std::unique_ptr<ControlWindow> MakeEditPeer(FormWindow& owner, TextBox& box);
std::unique_ptr<ControlWindow> MakeCommandButtonPeer(FormWindow& owner, CommandButton& button);
std::unique_ptr<ControlWindow> MakeCheckBoxPeer(FormWindow& owner, CheckBox& box);
// The first button of a run of option buttons starts a group: Tab enters it,
// the arrow keys move within it.
std::unique_ptr<ControlWindow> MakeOptionButtonPeer(FormWindow& owner, OptionButton& button, bool startsGroup);
std::unique_ptr<ControlWindow> MakeFramePeer(FormWindow& owner, Frame& frame);
std::unique_ptr<ControlWindow> MakeListPeer(FormWindow& owner, ListBox& list);
std::unique_ptr<ControlWindow> MakeLabelPeer(FormWindow& owner, Label& label);
std::unique_ptr<ControlWindow> MakePicturePeer(FormWindow& owner, PictureBox& picture);
std::unique_ptr<ControlWindow> MakeLinePeer(FormWindow& owner, Line& line);
std::unique_ptr<ControlPeer> MakeTimerPeer(FormWindow& owner, Timer& timer);

}  // namespace rt::win32

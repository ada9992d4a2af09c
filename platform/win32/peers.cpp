#include "platform/win32/peers.h"

#include "platform/win32/control_window.h"

namespace rt::win32 {

namespace {

std::unique_ptr<ControlPeer> Made(std::unique_ptr<ControlWindow> window) {
  if (!window->Realise()) return nullptr;
  return window;
}

}  // namespace

std::unique_ptr<ControlPeer> MakePeer(FormWindow& owner, Control& control, const Control* previous) {
  switch (control.Kind()) {
    case ControlKind::TextBox: return Made(MakeEditPeer(owner, static_cast<TextBox&>(control)));
    case ControlKind::CommandButton: return Made(MakeCommandButtonPeer(owner, static_cast<CommandButton&>(control)));
    case ControlKind::CheckBox: return Made(MakeCheckBoxPeer(owner, static_cast<CheckBox&>(control)));
    case ControlKind::OptionButton: {
      bool continues = previous && previous->Kind() == ControlKind::OptionButton && previous->Container() == control.Container();
      return Made(MakeOptionButtonPeer(owner, static_cast<OptionButton&>(control), !continues));
    }
    case ControlKind::Frame: return Made(MakeFramePeer(owner, static_cast<Frame&>(control)));
    case ControlKind::ListBox: return Made(MakeListPeer(owner, static_cast<ListBox&>(control)));
    case ControlKind::Label: return Made(MakeLabelPeer(owner, static_cast<Label&>(control)));
    case ControlKind::PictureBox: return Made(MakePicturePeer(owner, static_cast<PictureBox&>(control)));
    case ControlKind::Line: return Made(MakeLinePeer(owner, static_cast<Line&>(control)));
    case ControlKind::Timer: return MakeTimerPeer(owner, static_cast<Timer&>(control));
  }
  return nullptr;
}

}  // namespace rt::win32

// One peer per kind of control. MakePeer picks the kind's; each kind's file
// makes its widget, shows the model's state on it and reports what the user
// does through the model's User* methods. ControlWidgetPeer is what they
// share.
#pragma once

#include <QPointer>
#include <QStyle>
#include <QWidget>
#include <memory>

#include "platform/controls.h"

namespace rt::qt {

class FormWindow;

class ControlWidgetPeer : public ControlPeer {
 public:
  ControlWidgetPeer(FormWindow& owner, Control& control);
  ~ControlWidgetPeer() override;

  // Enabled, Visible, Geometry, Focus and Colors for every widget; the rest
  // by the kind's own Show.
  void Sync(Property what) override;
  Control& Model() const { return control_; }
  QWidget* Widget() const { return widget_; }
  // The widget that holds the contained controls (a frame's).
  virtual QWidget* Container() const { return nullptr; }
  // Whether the font fitting gives this control the large title font.
  virtual bool LargeFont() const { return false; }

 protected:
  // Takes the widget: places it, shows the model's whole state.
  void Adopt(QWidget* widget);
  virtual void Show(Property what) { (void)what; }
  virtual void ApplyColors();

  FormWindow& owner_;
  Control& control_;
  QPointer<QWidget> widget_;
};

// The width of a check or option button's box or circle and the space
// before its caption, as the style draws them.
int CheckGlyphWidth(const QStyle& style);

// The widget a control's widget belongs in: its frame's, or the form's.
QWidget* ParentWidgetFor(const FormWindow& owner, const Control& control);

// Makes the peer of a control, or null when its widget cannot be made.
std::unique_ptr<ControlWidgetPeer> MakePeer(FormWindow& owner, Control& control);

// The kinds' own makers (edit_peer.cpp, button_peers.cpp, list_peer.cpp,
// static_peers.cpp; the timer's is timer_peer.h's).
std::unique_ptr<ControlWidgetPeer> MakeEditPeer(FormWindow& owner, TextBox& box);
std::unique_ptr<ControlWidgetPeer> MakeCommandButtonPeer(FormWindow& owner, CommandButton& button);
std::unique_ptr<ControlWidgetPeer> MakeCheckBoxPeer(FormWindow& owner, CheckBox& box);
std::unique_ptr<ControlWidgetPeer> MakeOptionButtonPeer(FormWindow& owner, OptionButton& button);
std::unique_ptr<ControlWidgetPeer> MakeListPeer(FormWindow& owner, ListBox& list);
std::unique_ptr<ControlWidgetPeer> MakeLabelPeer(FormWindow& owner, Label& label);
std::unique_ptr<ControlWidgetPeer> MakeFramePeer(FormWindow& owner, Frame& frame);
std::unique_ptr<ControlWidgetPeer> MakePicturePeer(FormWindow& owner, PictureBox& picture);
std::unique_ptr<ControlWidgetPeer> MakeLinePeer(FormWindow& owner, Line& line);

}  // namespace rt::qt

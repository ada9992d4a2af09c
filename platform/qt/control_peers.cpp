#include "platform/qt/control_peers.h"

#include "platform/qt/colors.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/timer_peer.h"

namespace rt::qt {

int CheckGlyphWidth(const QStyle& style) {
  return style.pixelMetric(QStyle::PM_IndicatorWidth) + style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
}

ControlWidgetPeer::ControlWidgetPeer(FormWindow& owner, Control& control) : owner_(owner), control_(control) {
  owner_.Add(this);
}

ControlWidgetPeer::~ControlWidgetPeer() {
  owner_.Remove(this);
  delete widget_.data();
}

QWidget* ParentWidgetFor(const FormWindow& owner, const Control& control) {
  if (Control* frame = control.Container()) {
    if (auto* peer = dynamic_cast<ControlWidgetPeer*>(frame->Peer())) {
      if (QWidget* inside = peer->Container()) return inside;
    }
  }
  return owner.Widget();
}

void ControlWidgetPeer::Adopt(QWidget* widget) {
  widget_ = widget;
  for (Property p : {Property::Geometry, Property::Text, Property::Value, Property::List, Property::ListIndex,
                     Property::Colors, Property::Enabled, Property::Visible}) {
    Sync(p);
  }
  if (!control_.ToolTipText().empty()) widget_->setToolTip(ToQString(control_.ToolTipText()));
}

void ControlWidgetPeer::Sync(Property what) {
  if (!widget_) return;
  switch (what) {
    case Property::Enabled: widget_->setEnabled(control_.Enabled()); break;
    case Property::Visible: widget_->setVisible(control_.Visible()); break;
    case Property::Geometry: {
      // Relative to the frame that holds the control, or to the form.
      const TwipsRect& b = control_.Bounds();
      widget_->setGeometry(owner_.ToPixels(b.left), owner_.ToPixels(b.top), owner_.ToPixels(b.width),
                           owner_.ToPixels(b.height));
      break;
    }
    case Property::Focus: widget_->setFocus(Qt::OtherFocusReason); break;
    case Property::Colors: ApplyColors(); break;
    default: Show(what); break;
  }
}

void ControlWidgetPeer::ApplyColors() {
  // Only colours the program chose are painted; system colours stay the
  // style's.
  QPalette palette = widget_->parentWidget() ? widget_->parentWidget()->palette() : widget_->palette();
  bool own = false;
  if (!IsSystemColor(control_.BackColor())) {
    palette.setColor(QPalette::Window, ToQColor(control_.BackColor(), palette));
    palette.setColor(QPalette::Base, ToQColor(control_.BackColor(), palette));
    own = true;
  }
  if (!IsSystemColor(control_.ForeColor())) {
    QColor fore = ToQColor(control_.ForeColor(), palette);
    palette.setColor(QPalette::WindowText, fore);
    palette.setColor(QPalette::Text, fore);
    palette.setColor(QPalette::ButtonText, fore);
  }
  widget_->setAutoFillBackground(own);
  widget_->setPalette(palette);
}

std::unique_ptr<ControlWidgetPeer> MakePeer(FormWindow& owner, Control& control) {
  switch (control.Kind()) {
    case ControlKind::TextBox: return MakeEditPeer(owner, static_cast<TextBox&>(control));
    case ControlKind::Label: return MakeLabelPeer(owner, static_cast<Label&>(control));
    case ControlKind::CommandButton: return MakeCommandButtonPeer(owner, static_cast<CommandButton&>(control));
    case ControlKind::CheckBox: return MakeCheckBoxPeer(owner, static_cast<CheckBox&>(control));
    case ControlKind::OptionButton: return MakeOptionButtonPeer(owner, static_cast<OptionButton&>(control));
    case ControlKind::Frame: return MakeFramePeer(owner, static_cast<Frame&>(control));
    case ControlKind::ListBox: return MakeListPeer(owner, static_cast<ListBox&>(control));
    case ControlKind::PictureBox: return MakePicturePeer(owner, static_cast<PictureBox&>(control));
    case ControlKind::Line: return MakeLinePeer(owner, static_cast<Line&>(control));
    case ControlKind::Timer: return MakeTimerPeer(owner, static_cast<Timer&>(control));
  }
  return nullptr;
}

}  // namespace rt::qt

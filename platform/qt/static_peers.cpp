// What shows and is not used: labels and pictures (QLabel), frames
// (QGroupBox, which hold their controls), and lines, which the form paints.
#include <QGroupBox>
#include <QIcon>
#include <QLabel>

#include "platform/qt/control_peers.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_text.h"
#include "platform/resource_ids.h"

namespace rt::qt {

namespace {

class LabelPeer : public ControlWidgetPeer {
 public:
  LabelPeer(FormWindow& owner, Label& label) : ControlWidgetPeer(owner, label), label_(label) {
    auto* widget = new QLabel(ParentWidgetFor(owner, label));
    widget->setWordWrap(true);
    widget->setTextFormat(Qt::PlainText);
    Qt::Alignment h = label.TextAlign == Alignment::Right    ? Qt::AlignRight
                      : label.TextAlign == Alignment::Center ? Qt::AlignHCenter
                                                             : Qt::AlignLeft;
    widget->setAlignment(h | Qt::AlignTop);
    Adopt(widget);
  }
  bool LargeFont() const override { return label_.Large; }

 protected:
  void Show(Property what) override {
    if (what == Property::Text) static_cast<QLabel*>(widget_.data())->setText(ToQString(label_.Caption()));
  }

 private:
  Label& label_;
};

class FramePeer : public ControlWidgetPeer {
 public:
  FramePeer(FormWindow& owner, Frame& frame) : ControlWidgetPeer(owner, frame), frame_(frame) {
    Adopt(new QGroupBox(ParentWidgetFor(owner, frame)));
  }
  QWidget* Container() const override { return widget_; }

 protected:
  void Show(Property what) override {
    if (what == Property::Text) static_cast<QGroupBox*>(widget_.data())->setTitle(ToQString(frame_.Caption()));
  }

 private:
  Frame& frame_;
};

class PicturePeer : public ControlWidgetPeer {
 public:
  PicturePeer(FormWindow& owner, PictureBox& picture) : ControlWidgetPeer(owner, picture) {
    auto* widget = new QLabel(ParentWidgetFor(owner, picture));
    widget->setAlignment(Qt::AlignCenter);
    const char* icon = picture.IconResource == STRUMLET_ICON_ABOUT     ? ":/strumlet/about.ico"
                       : picture.IconResource == STRUMLET_ICON_PROGRAM ? ":/strumlet/strumlet.ico"
                                                                       : nullptr;
    if (icon) widget->setPixmap(QIcon(icon).pixmap(32, 32));
    Adopt(widget);
  }
};

// A line has no widget: the form paints it.
class LinePeer : public ControlWidgetPeer {
 public:
  LinePeer(FormWindow& owner, Line& line) : ControlWidgetPeer(owner, line) {}
  void Sync(Property) override {
    if (owner_.Widget()) owner_.Widget()->update();
  }
};

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeLabelPeer(FormWindow& owner, Label& label) {
  return std::make_unique<LabelPeer>(owner, label);
}

std::unique_ptr<ControlWidgetPeer> MakeFramePeer(FormWindow& owner, Frame& frame) {
  return std::make_unique<FramePeer>(owner, frame);
}

std::unique_ptr<ControlWidgetPeer> MakePicturePeer(FormWindow& owner, PictureBox& picture) {
  return std::make_unique<PicturePeer>(owner, picture);
}

std::unique_ptr<ControlWidgetPeer> MakeLinePeer(FormWindow& owner, Line& line) {
  return std::make_unique<LinePeer>(owner, line);
}

}  // namespace rt::qt

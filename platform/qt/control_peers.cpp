#include "platform/qt/control_peers.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "platform/font_fit.h"
#include "platform/qt/colors.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/timer_peer.h"
#include "platform/resource_ids.h"
#include "platform/twips.h"

namespace rt::qt {

namespace {

// Breaks a caption at blanks into lines no wider than `width` pixels, as the
// font fitting measures it; a word wider than that stays whole.
QString WrapCaption(const QString& caption, const QFontMetrics& metrics, int width) {
  auto wide = [&](const QString& line) {
    return metrics.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, line).width() > width;
  };
  if (!wide(caption)) return caption;
  QString out, line;
  for (const QString& word : caption.split(QLatin1Char(' '))) {
    QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
    if (!line.isEmpty() && wide(longer)) {
      out += line + QLatin1Char('\n');
      line = word;
    } else {
      line = longer;
    }
  }
  return out + line;
}

// A button whose caption wraps onto more lines when one is too narrow, as a
// multi-line Windows button's does (Qt's buttons never wrap). `Base` is
// QPushButton, QCheckBox or QRadioButton; `room` is the width that the
// caption has in the widget.
template <class Base>
class WrappingButton : public Base {
 public:
  WrappingButton(QWidget* parent, int (*room)(const QWidget&)) : Base(parent), room_(room) {}
  void SetCaption(const QString& caption) {
    caption_ = caption;
    Rewrap();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    Base::resizeEvent(event);
    Rewrap();
  }
  void changeEvent(QEvent* event) override {
    Base::changeEvent(event);
    if (event->type() == QEvent::FontChange) Rewrap();
  }

 private:
  void Rewrap() {
    QString text = WrapCaption(caption_, QFontMetrics(this->font()), room_(*this));
    if (text != this->text()) this->setText(text);
  }

  int (*room_)(const QWidget&);
  QString caption_;
};

int CommandButtonRoom(const QWidget& w) { return w.width() - TwipsToPixels(kButtonBorderTwips, w.logicalDpiX()); }

int GlyphButtonRoom(const QWidget& w) {
  return w.width() - CheckGlyphWidth(*w.style()) - TwipsToPixels(kGlyphGapTwips, w.logicalDpiX());
}

using PushButton = WrappingButton<QPushButton>;
using CheckButton = WrappingButton<QCheckBox>;
using RadioButton = WrappingButton<QRadioButton>;

}  // namespace

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

namespace {


// A single-line box reports only the user's edits (textEdited); a
// multi-line one reports every change, so the program's own are held back.
class EditPeer : public ControlWidgetPeer {
 public:
  EditPeer(FormWindow& owner, TextBox& box) : ControlWidgetPeer(owner, box), box_(box) {
    QWidget* parent = ParentWidgetFor(owner, box);
    if (box.MultiLine) {
      auto* edit = new QPlainTextEdit(parent);
      edit->setReadOnly(box.Locked);
      edit->setTabChangesFocus(true);
      edit->setVerticalScrollBarPolicy(box.VerticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
      QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this, edit] {
        if (!programChange_) box_.UserSetText(FromQString(edit->toPlainText()));
      });
      multi_ = edit;
      Adopt(edit);
    } else {
      auto* edit = new QLineEdit(parent);
      edit->setReadOnly(box.Locked);
      // The limit binds what the user types and pastes.
      if (box.MaxLength() != 0) edit->setMaxLength(static_cast<int>(box.MaxLength()));
      QObject::connect(edit, &QLineEdit::textEdited, edit,
                       [this](const QString& text) { box_.UserSetText(FromQString(text)); });
      single_ = edit;
      Adopt(edit);
    }
  }

 protected:
  void Show(Property what) override {
    if (what != Property::Text) return;
    QString text = ToQString(box_.Text());
    if (single_) {
      if (single_->text() != text) single_->setText(text);
    } else if (multi_ && multi_->toPlainText() != text) {
      programChange_ = true;
      multi_->setPlainText(text);
      programChange_ = false;
    }
  }

 private:
  TextBox& box_;
  QLineEdit* single_ = nullptr;
  QPlainTextEdit* multi_ = nullptr;
  bool programChange_ = false;
};

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

class ButtonPeer : public ControlWidgetPeer {
 public:
  ButtonPeer(FormWindow& owner, CommandButton& button) : ControlWidgetPeer(owner, button), button_(button) {
    auto* widget = new PushButton(ParentWidgetFor(owner, button), CommandButtonRoom);
    widget->setDefault(button.Default);
    // Enter and Esc are the forms' key rules, not the widget's.
    widget->setAutoDefault(false);
    QObject::connect(widget, &QPushButton::clicked, widget, [this] { button_.UserClick(); });
    Adopt(widget);
  }

 protected:
  void Show(Property what) override {
    if (what == Property::Text) static_cast<PushButton*>(widget_.data())->SetCaption(ToQString(button_.Caption()));
  }

 private:
  CommandButton& button_;
};

class CheckPeer : public ControlWidgetPeer {
 public:
  CheckPeer(FormWindow& owner, CheckBox& box) : ControlWidgetPeer(owner, box), box_(box) {
    auto* widget = new CheckButton(ParentWidgetFor(owner, box), GlyphButtonRoom);
    widget->setTristate(false);
    // The model flips its value; the box then shows it.
    QObject::connect(widget, &QCheckBox::clicked, widget, [this] {
      box_.UserClick();
      Sync(Property::Value);
    });
    Adopt(widget);
  }

 protected:
  void Show(Property what) override {
    auto* widget = static_cast<CheckButton*>(widget_.data());
    if (what == Property::Text) widget->SetCaption(ToQString(box_.Caption()));
    if (what == Property::Value) {
      QSignalBlocker quiet(widget);
      widget->setCheckState(box_.Value() == 0 ? Qt::Unchecked : box_.Value() == 1 ? Qt::Checked : Qt::PartiallyChecked);
    }
  }

 private:
  CheckBox& box_;
};

// The option buttons of one frame are siblings in its widget; the model
// keeps them exclusive, and each button shows the model's value.
class OptionPeer : public ControlWidgetPeer {
 public:
  OptionPeer(FormWindow& owner, OptionButton& button) : ControlWidgetPeer(owner, button), button_(button) {
    auto* widget = new RadioButton(ParentWidgetFor(owner, button), GlyphButtonRoom);
    widget->setAutoExclusive(false);
    QObject::connect(widget, &QRadioButton::clicked, widget, [this] {
      if (!button_.Value()) button_.UserClick();
      Sync(Property::Value);
    });
    Adopt(widget);
  }

 protected:
  void Show(Property what) override {
    auto* widget = static_cast<RadioButton*>(widget_.data());
    if (what == Property::Text) widget->SetCaption(ToQString(button_.Caption()));
    if (what == Property::Value) {
      QSignalBlocker quiet(widget);
      widget->setChecked(button_.Value());
    }
  }

 private:
  OptionButton& button_;
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

class ListPeer : public ControlWidgetPeer {
 public:
  ListPeer(FormWindow& owner, ListBox& list) : ControlWidgetPeer(owner, list), list_(list) {
    auto* widget = new QListWidget(ParentWidgetFor(owner, list));
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    widget->setUniformItemSizes(true);
    QObject::connect(widget, &QListWidget::currentRowChanged, widget, [this](int row) { list_.UserSelect(row); });
    Adopt(widget);
  }

 protected:
  void Show(Property what) override {
    auto* widget = static_cast<QListWidget*>(widget_.data());
    QSignalBlocker quiet(widget);
    if (what == Property::List) {
      // Entry i of the widget is entry i of the list.
      if (widget->count() > list_.ListCount()) widget->clear();
      for (int i = 0; i < widget->count(); ++i) {
        if (FromQString(widget->item(i)->text()) != list_.List(i)) {
          widget->clear();
          break;
        }
      }
      for (int i = widget->count(); i < list_.ListCount(); ++i) widget->addItem(ToQString(list_.List(i)));
      widget->setCurrentRow(list_.ListIndex());
    } else if (what == Property::ListIndex) {
      widget->setCurrentRow(list_.ListIndex());
    }
  }

 private:
  ListBox& list_;
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

std::unique_ptr<ControlWidgetPeer> MakePeer(FormWindow& owner, Control& control) {
  switch (control.Kind()) {
    case ControlKind::TextBox: return std::make_unique<EditPeer>(owner, static_cast<TextBox&>(control));
    case ControlKind::Label: return std::make_unique<LabelPeer>(owner, static_cast<Label&>(control));
    case ControlKind::CommandButton: return std::make_unique<ButtonPeer>(owner, static_cast<CommandButton&>(control));
    case ControlKind::CheckBox: return std::make_unique<CheckPeer>(owner, static_cast<CheckBox&>(control));
    case ControlKind::OptionButton: return std::make_unique<OptionPeer>(owner, static_cast<OptionButton&>(control));
    case ControlKind::Frame: return std::make_unique<FramePeer>(owner, static_cast<Frame&>(control));
    case ControlKind::ListBox: return std::make_unique<ListPeer>(owner, static_cast<ListBox&>(control));
    case ControlKind::PictureBox: return std::make_unique<PicturePeer>(owner, static_cast<PictureBox&>(control));
    case ControlKind::Line: return std::make_unique<LinePeer>(owner, static_cast<Line&>(control));
    case ControlKind::Timer: return MakeTimerPeer(owner, static_cast<Timer&>(control));
  }
  return nullptr;
}

}  // namespace rt::qt

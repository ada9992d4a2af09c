// The buttons: command buttons, check boxes and option buttons, whose
// captions wrap onto more lines when one is too narrow.
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "platform/font_fit.h"
#include "platform/qt/control_peers.h"
#include "platform/qt/qt_text.h"
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

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeCommandButtonPeer(FormWindow& owner, CommandButton& button) {
  return std::make_unique<ButtonPeer>(owner, button);
}

std::unique_ptr<ControlWidgetPeer> MakeCheckBoxPeer(FormWindow& owner, CheckBox& box) {
  return std::make_unique<CheckPeer>(owner, box);
}

std::unique_ptr<ControlWidgetPeer> MakeOptionButtonPeer(FormWindow& owner, OptionButton& button) {
  return std::make_unique<OptionPeer>(owner, button);
}

}  // namespace rt::qt

// A text box: a QLineEdit, or a QPlainTextEdit when it is multi-line. What
// the user types comes back as the model's text; the program's own changes
// are not reported back as the user's.
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/qt/control_peers.h"
#include "platform/qt/qt_text.h"

namespace rt::qt {

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

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeEditPeer(FormWindow& owner, TextBox& box) {
  return std::make_unique<EditPeer>(owner, box);
}

}  // namespace rt::qt

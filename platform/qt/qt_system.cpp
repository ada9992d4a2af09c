#include "platform/qt/qt_system.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

#include "platform/qt/qt_text.h"

namespace rt::qt {

namespace {

// The message box. Ctrl+C copies the whole box as text, the way a Windows
// message box does, so that a user can paste a message into a report.
class MessageBox : public QMessageBox {
 public:
  MessageBox(const QString& title, const QString& text) : QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok) {
    setTextFormat(Qt::PlainText);
    setWindowModality(Qt::ApplicationModal);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Copy)) {
      const QString rule = QStringLiteral("---------------------------\n");
      QString copy = rule + windowTitle() + QLatin1Char('\n') + rule + text() + QLatin1Char('\n') + rule;
      for (QAbstractButton* b : buttons()) copy += b->text().remove(QLatin1Char('&')) + QStringLiteral("   ");
      copy += QLatin1Char('\n') + rule;
      QGuiApplication::clipboard()->setText(copy);
      event->accept();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
};

}  // namespace

void ShowMessageBox(ustring_view prompt, ustring_view title) {
  // The program's texts break lines as Windows does.
  QString text = ToQString(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  MessageBox box(ToQString(title), text);
  box.exec();
}

}  // namespace rt::qt

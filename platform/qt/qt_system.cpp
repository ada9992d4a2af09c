#include "platform/qt/qt_system.h"

#include <QMessageBox>

#include "platform/qt/qt_text.h"

namespace rt::qt {

void QtSystem::MsgBox(ustring_view prompt, ustring_view title) {
  // The program's texts break lines as Windows does.
  QString text = ToQString(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(QMessageBox::NoIcon, ToQString(title), text, QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace rt::qt

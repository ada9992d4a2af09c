// qt_text_target TITLE FILE: a window titled TITLE with a plain-text editor
// that has the keyboard focus, for the tests to type into. Every change of
// its text is written to FILE (UTF-8, whole, replacing the file at once so
// that a reader never sees half of it); FILE exists, empty, once the window
// is up. Qt answers the window manager's _NET_WM_PING, so the typing's
// barrier is the ping's round trip here, where xterm gets a guard time.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>

namespace {

void Save(const QString& path, const QString& text) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(text.toUtf8());
  file.commit();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: qt_text_target TITLE FILE\n");
    return 2;
  }
  const QString title = args[1], path = args[2];
  QPlainTextEdit edit;
  edit.setWindowTitle(title);
  edit.resize(640, 360);
  QObject::connect(&edit, &QPlainTextEdit::textChanged, [&] { Save(path, edit.toPlainText()); });
  QObject::connect(&app, &QApplication::aboutToQuit, [&] { Save(path, edit.toPlainText()); });
  edit.show();
  edit.activateWindow();
  edit.setFocus();
  // Ready once the event loop runs with the window shown.
  QTimer::singleShot(0, [&] { Save(path, edit.toPlainText()); });
  return QApplication::exec();
}

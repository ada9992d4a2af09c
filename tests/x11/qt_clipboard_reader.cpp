// A Qt program that reads the clipboard as text and prints it as UTF-8:
// Qt's own requestor (TARGETS, then UTF8_STRING, large texts in
// increments), as the users' Qt programs read what Strumlet copied.
#include <QClipboard>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  QByteArray text = QGuiApplication::clipboard()->text(QClipboard::Clipboard).toUtf8();
  std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
  return text.isEmpty() ? 1 : 0;
}

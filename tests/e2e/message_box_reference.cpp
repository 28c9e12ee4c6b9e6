// Shows one message box as a reference picture for the end-to-end tests:
// the expected caption and text in Qt's own message box, with the look the
// program uses (the "Windows" style, an OK button only). The tests put its
// screenshot beside the program's box; equal pictures mean the program shows
// that text, laid out and drawn the same way.
//
//   message_box_reference CAPTION TEXT [none|error]
//
// The text may hold "\n" for a line feed. The box stays until it is closed.
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: message_box_reference CAPTION TEXT [none|error]\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Windows"));
  const bool error = argc == 4 && std::strcmp(argv[3], "error") == 0;
  QString text = QString::fromUtf8(argv[2]);
  text.replace(QLatin1String("\\n"), QLatin1String("\n"));
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon, QString::fromUtf8(argv[1]), text,
                  QMessageBox::Ok);
  box.exec();
  return 0;
}

// The floor of the start-up measurement: a Qt application that shows one
// empty window of qmtedit's size and runs its message loop.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("bare"));
  window.resize(312, 320);
  window.show();
  return QApplication::exec();
}

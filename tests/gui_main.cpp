// Test entry for the window tests: one Qt application for the process, the
// program's resources, and scripted boxes and dialogs.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/startup.h"
#include "platform/message_box.h"
#include "platform/open_dialog.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  RegisterResources();
  int qtArgc = 1;
  QApplication qt(qtArgc, argv);
  MessageBoxSeam::SetScripted(true, [](const ShownMessageBox& box) {
    ADD_FAILURE() << "unscripted message box: " << box.caption.toStdString() << ": " << box.text.toStdString();
  });
  OpenDialogSeam::SetScripted(true, [](const ShownOpenDialog& d) {
    ADD_FAILURE() << "unscripted open dialog: " << d.title.toStdString();
  });
  return RUN_ALL_TESTS();
}

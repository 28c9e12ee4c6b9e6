#pragma once
// Driving the real program's windows on Qt's offscreen platform, as a user
// would: clicks, keys, typing and pasting. Message boxes and the open dialog
// are scripted through their seams; an unscripted one fails the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTabBar>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/startup.h"
#include "forms/main.h"
#include "forms/ver.h"
#include "platform/application.h"
#include "platform/message_box.h"
#include "platform/open_dialog.h"
#include "project_test_support.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace qmt_test {

// Starts the program with `args` (after the program name): the application
// object, both forms, the title; the main window shown and active.
class GuiTest : public ::testing::Test {
protected:
  void TearDown() override { Stop(); }

  void Start(const std::vector<std::string>& args = {}, bool show = true);
  void Stop();

  // Mouse and keyboard.
  void ChooseTab(int index);
  void ChooseFlag(int index);
  void Click(QWidget* w);
  // Replaces the field's whole text by typing `text` key by key.
  void TypeReplacing(TEdit* edit, const QString& text);
  // Replaces the field's whole text by pasting `text`.
  void PasteReplacing(TEdit* edit, const QString& text);
  void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier);

  // Expects exactly these boxes since the last call, and forgets them.
  std::vector<ShownMessageBox> TakeBoxes();

  QTabBar* Tabs() const { return Form1->TabControl1->Bar(); }
  QStringList FlagItems() const;

  ScratchDir dir;
  std::unique_ptr<TApplication> app;

private:
  std::vector<std::string> argvStore_;
  std::vector<char*> argv_;
};

// Error box as the loader and the patcher show it: caption "エラー", OK, no icon.
void ExpectErrorBox(const ShownMessageBox& box, const QString& text);

std::string ReadFile(const std::string& path);

}  // namespace qmt_test

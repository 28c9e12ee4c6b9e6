#include "gui_support.h"

#include <QAbstractItemView>
#include <fstream>
#include <iterator>
#include <sstream>

namespace qmt_test {

void GuiTest::Start(const std::vector<std::string>& args, bool show) {
  argvStore_ = {QMT_BINARY_DIR "/src/app/qmtedit"};
  argvStore_.insert(argvStore_.end(), args.begin(), args.end());
  argv_.clear();
  for (auto& s : argvStore_) argv_.push_back(s.data());
  argv_.push_back(nullptr);
  ProjectTitle.clear();
  ProjectFileName.clear();
  ProjectCredit.clear();
  app = std::make_unique<TApplication>(static_cast<int>(argvStore_.size()), argv_.data());
  ASSERT_TRUE(CreateApplicationForms());
  if (show) {
    Form1->show();
    QApplication::setActiveWindow(Form1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
  }
}

void GuiTest::Stop() {
  if (!app) return;
  EXPECT_EQ(MessageBoxSeam::Pending(), 0) << "a queued message box answer was not used";
  EXPECT_EQ(OpenDialogSeam::Pending(), 0) << "a queued dialog answer was not used";
  if (Form1 && Form1->isVisible()) Form1->hide();
  app.reset();
  Form1 = nullptr;
  Form2 = nullptr;
  FreePageLists();
  MessageBoxSeam::Clear();
  OpenDialogSeam::Clear();
}

void GuiTest::ChooseTab(int index) {
  ASSERT_LT(index, Tabs()->count());
  QTest::mouseClick(Tabs(), Qt::LeftButton, Qt::NoModifier, Tabs()->tabRect(index).center());
}

void GuiTest::ChooseFlag(int index) {
  TComboBox* combo = Form1->ComboBox1;
  ASSERT_LT(index, combo->count());
  // Open the list with a click, walk to the item with the arrow keys, take it
  // with Enter.
  QTest::mouseClick(combo, Qt::LeftButton);
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
  int at = std::max(0, view->currentIndex().row());
  if (!view->currentIndex().isValid()) {
    QTest::keyClick(view, Qt::Key_Down);
    at = std::max(0, view->currentIndex().row());
  }
  for (; at < index; ++at) QTest::keyClick(view, Qt::Key_Down);
  for (; at > index; --at) QTest::keyClick(view, Qt::Key_Up);
  ASSERT_EQ(view->currentIndex().row(), index);
  QTest::keyClick(view, Qt::Key_Return);
  QTRY_VERIFY(!view->window()->isVisible());
}

void GuiTest::Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

void GuiTest::Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods) { QTest::keyClick(w, key, mods); }

void GuiTest::TypeReplacing(TEdit* edit, const QString& text) {
  Click(edit);
  Key(edit, Qt::Key_End);
  Key(edit, Qt::Key_Home, Qt::ShiftModifier);
  if (text.isEmpty()) {
    Key(edit, Qt::Key_Delete);
    return;
  }
  QTest::keyClicks(edit, text);
}

void GuiTest::PasteReplacing(TEdit* edit, const QString& text) {
  QApplication::clipboard()->setText(text);
  Click(edit);
  Key(edit, Qt::Key_End);
  Key(edit, Qt::Key_Home, Qt::ShiftModifier);
  Key(edit, Qt::Key_V, Qt::ControlModifier);
}

std::vector<ShownMessageBox> GuiTest::TakeBoxes() {
  std::vector<ShownMessageBox> boxes = MessageBoxSeam::Shown();
  MessageBoxSeam::Clear();
  return boxes;
}

QStringList GuiTest::FlagItems() const {
  QStringList out;
  for (int i = 0; i < Form1->ComboBox1->count(); ++i) out << Form1->ComboBox1->itemText(i);
  return out;
}

void ExpectErrorBox(const ShownMessageBox& box, const QString& text) {
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, QStringLiteral("エラー"));
  EXPECT_EQ(box.flags, MB_OK);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace qmt_test

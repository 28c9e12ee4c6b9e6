// What the window needs of its controls, checked on the real widgets: the
// traps of the toolkit underneath (edit length limits, shortcuts that a
// focused edit field would swallow, events raised by the program's own
// changes), the exception report, and the seams.
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMenuBar>
#include <QStyleFactory>
#include <QToolButton>
#include <memory>
#include <QTimer>
#include <cstdlib>

#include "gui_support.h"
#include "platform/exceptions.h"

namespace qmt_test {
namespace {

class PlatformTest : public GuiTest {};

TEST_F(PlatformTest, MaxLengthLimitsTypingAndPastingOnly) {
  Start();
  const QString longPath = "/" + QString(299, QLatin1Char('p'));
  Form1->Edit4->SetText(longPath);
  EXPECT_EQ(Form1->Edit4->Text(), longPath) << "a text set by the program stays whole";

  // Typing more onto it is refused; deleting works.
  Click(Form1->Edit4);
  Key(Form1->Edit4, Qt::Key_End);
  QTest::keyClicks(Form1->Edit4, "xyz");
  EXPECT_EQ(Form1->Edit4->Text(), longPath);
  Key(Form1->Edit4, Qt::Key_Backspace);
  EXPECT_EQ(Form1->Edit4->Text().size(), 299);

  // Pasting into an empty field keeps what fits, from the front.
  PasteReplacing(Form1->Edit4, QString(300, QLatin1Char('a')) + "END");
  EXPECT_EQ(Form1->Edit4->Text(), QString(255, QLatin1Char('a')));

  // Typing stops at the limit.
  TypeReplacing(Form1->Edit4, QString(254, QLatin1Char('b')) + "cde");
  EXPECT_EQ(Form1->Edit4->Text(), QString(254, QLatin1Char('b')) + "c");

  // Pasting into the middle cuts the pasted text, not the end of the field.
  TypeReplacing(Form1->Edit4, QString(250, QLatin1Char('x')) + "TAIL");
  Key(Form1->Edit4, Qt::Key_Home);
  QApplication::clipboard()->setText("123");
  Key(Form1->Edit4, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Form1->Edit4->Text(), "1" + QString(250, QLatin1Char('x')) + "TAIL");
}

// Every control that can hold the focus, by name.
QWidget* FocusTarget(const std::string& name) {
  if (name == "Edit4") return Form1->Edit4;
  if (name == "Button6") return Form1->Button6;
  if (name == "TabControl1") return Form1->TabControl1->Bar();
  if (name == "ComboBox1") return Form1->ComboBox1;
  if (name == "Edit2") return Form1->Edit2;
  if (name == "Edit3") return Form1->Edit3;
  if (name == "Button3") return Form1->Button3;
  if (name == "Button4") return Form1->Button4;
  if (name == "Button5") return Form1->Button5;
  if (name == "Memo1") return Form1->Memo1;
  return nullptr;
}

const char* const FocusNames[] = {"Edit4", "Button6", "TabControl1", "ComboBox1", "Edit2",
                                  "Edit3", "Button3", "Button4",     "Button5",   "Memo1"};

class ShortcutFocus : public PlatformTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShortcutFocus, CtrlOOpensProjectDialog) {
  Start({dir.Write("p.qmt", "#tab\nP\nf\n1\n#end\n")});
  QWidget* w = FocusTarget(GetParam());
  w->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(w->hasFocus());
  OpenDialogSeam::QueueAnswer(std::nullopt);
  QTest::keyClick(w, Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(OpenDialogSeam::Shown().size(), 1u);
  EXPECT_EQ(OpenDialogSeam::Shown()[0].title, "Open project file.");
}

// Ctrl+A ends the process with status 0; the case runs in a child process
// (this test program again, with the case's focus named in the environment).
TEST_P(ShortcutFocus, CtrlAEndsProgramWithStatusZero) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("QMT_CTRL_A_FOCUS", GetParam(), 1);
    execl("/proc/self/exe", "platform_test", "--gtest_filter=CtrlAChild.DISABLED_PressCtrlA",
          "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
    _exit(99);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: Ctrl+A did not end the program";
}

INSTANTIATE_TEST_SUITE_P(, ShortcutFocus, ::testing::ValuesIn(FocusNames));

class CtrlAChild : public GuiTest {};

TEST_F(CtrlAChild, DISABLED_PressCtrlA) {
  const char* name = getenv("QMT_CTRL_A_FOCUS");
  ASSERT_NE(name, nullptr);
  Start({dir.Write("p.qmt", "#tab\nP\nf\n1\n#end\n")});
  QWidget* w = FocusTarget(name);
  w->setFocus(Qt::OtherFocusReason);
  if (!w->hasFocus()) _exit(4);
  QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
  _exit(3);  // only reached when the key did not end the program
}

TEST_F(PlatformTest, MenuShowsCaptionsAccessKeysAndShortcuts) {
  Start();
  const QList<QAction*> bar = Form1->MainMenu1->Bar()->actions();
  ASSERT_EQ(bar.size(), 2);
  EXPECT_EQ(bar[0]->text(), "ﾌｧｲﾙ(&F)");
  EXPECT_EQ(bar[1]->text(), "ﾍﾙﾌﾟ(&H)");
  const QList<QAction*> file = Form1->FileF1->Menu()->actions();
  ASSERT_EQ(file.size(), 4);
  EXPECT_EQ(file[0]->text(), "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙを開く(&O)");
  EXPECT_EQ(file[0]->shortcut().toString(QKeySequence::NativeText), "Ctrl+O");
  EXPECT_EQ(file[1]->text(), "ﾀｰｹﾞｯﾄﾌｧｲﾙを開く");
  EXPECT_TRUE(file[1]->shortcut().isEmpty());
  EXPECT_TRUE(file[2]->isSeparator());
  EXPECT_EQ(file[3]->text(), "終了(&Q)");
  EXPECT_EQ(file[3]->shortcut().toString(QKeySequence::NativeText), "Ctrl+A");
  const QList<QAction*> help = Form1->H1->Menu()->actions();
  ASSERT_EQ(help.size(), 1);
  EXPECT_EQ(help[0]->text(), "ﾊﾞｰｼﾞｮﾝ情報(&A)");
}

TEST_F(PlatformTest, TabStripRaisesChangeOnlyOnUserChoice) {
  Start();
  int changes = 0;
  TTabControl* tabs = Form1->TabControl1;
  tabs->OnChange = [&] { ++changes; };
  tabs->SetTabs({"one", "two", "three"});
  EXPECT_EQ(tabs->TabIndex(), 0) << "the first tab put into an empty strip is selected";
  QTest::mouseClick(Tabs(), Qt::LeftButton, Qt::NoModifier, Tabs()->tabRect(2).center());
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(changes, 1);
  tabs->SetTabs({"a", "b"});  // replaced while tab 2 is selected
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabs({});
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_EQ(changes, 1);

  // Clicking gives the strip the focus; the arrow keys then choose.
  tabs->SetTabs({"one", "two", "three"});
  Form1->Edit4->setFocus();
  QTest::mouseClick(Tabs(), Qt::LeftButton, Qt::NoModifier, Tabs()->tabRect(0).center());
  EXPECT_TRUE(Tabs()->hasFocus());
  EXPECT_EQ(changes, 1) << "clicking the selected tab chooses nothing new";
  Key(Tabs(), Qt::Key_Right);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(changes, 2);
}

TEST_F(PlatformTest, TabsAreAsWideAsTheirCaptions) {
  Start();
  Form1->TabControl1->SetTabs({"A", "A much longer caption"});
  const int narrow = Tabs()->tabRect(0).width();
  const int wide = Tabs()->tabRect(1).width();
  EXPECT_LT(narrow, 60);
  EXPECT_GT(wide, narrow + 60);
  EXPECT_LT(narrow + wide, 305) << "tabs not stretched across the strip";
}

TEST_F(PlatformTest, DropDownListRaisesChangeOnlyOnUserChoice) {
  Start();
  int changes = 0;
  TComboBox* combo = Form1->ComboBox1;
  combo->OnChange = [&] { ++changes; };
  combo->SetItems({"x", "y", "z"});
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetItems({});
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->ItemIndex(), -1) << "index 0 in an empty list selects nothing";
  EXPECT_EQ(changes, 0);

  combo->SetItems({"x", "y", "z"});
  combo->SetItemIndex(0);
  ChooseFlag(2);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(changes, 1);
  Key(combo, Qt::Key_Up);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(changes, 2);
}

TEST_F(PlatformTest, EditChangeRaisedOnceNestedAndOnlyOnDifferentText) {
  Start();
  TEdit* edit = Form1->Edit4;
  std::vector<QString> seen;
  int depth = 0;
  edit->OnChange = [&] {
    seen.push_back(edit->Text());
    // A nested change from inside the handler, as the value fields do.
    if (edit->Text() == "first" && depth == 0) {
      ++depth;
      edit->SetText("second");
      --depth;
      seen.push_back("after:" + edit->Text());
    }
  };
  edit->SetText("");
  EXPECT_TRUE(seen.empty()) << "the same text raises nothing";
  edit->SetText("first");
  EXPECT_EQ(seen, (std::vector<QString>{"first", "second", "after:second"}));
  seen.clear();
  edit->SetText("second");
  EXPECT_TRUE(seen.empty());
  edit->SetText("Second");  // compared case-sensitively
  EXPECT_EQ(seen.size(), 1u);
}

TEST_F(PlatformTest, EscapingExceptionIsReportedAndProgramGoesOn) {
  Start();
  int clicks = 0;
  Form1->Button5->OnClick = [&] {
    ++clicks;
    if (clicks == 1) throw Exception("Something failed");
    if (clicks == 2) throw std::runtime_error("plain failure.");
  };
  MessageBoxSeam::QueueAnswer(IDOK);
  MessageBoxSeam::QueueAnswer(IDOK);
  Click(Form1->Button5);
  Click(Form1->Button5);
  Click(Form1->Button5);
  EXPECT_EQ(clicks, 3);
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Something failed.");
  EXPECT_EQ(boxes[0].caption, "トルメリア");
  EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(boxes[1].text, "plain failure..") << "the full stop is always added";
}

TEST_F(PlatformTest, TitleBeforeStartUpSetsItIsExecutableName) {
  const char* argv[] = {"/some/folder/qmtedit", nullptr};
  TApplication bare(1, const_cast<char**>(argv));
  EXPECT_EQ(bare.Title(), "qmtedit");
  MessageBoxSeam::QueueAnswer(IDOK);
  bare.ShowException(EFOpenError("/x.qmt"));
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "ﾌｧｲﾙ /x.qmt は開けません.");
  EXPECT_EQ(boxes[0].caption, "qmtedit");
}

TEST_F(PlatformTest, UnscriptedBoxAndDialogFailAtOnceInsteadOfHanging) {
  Start();
  int boxes = 0, dialogs = 0;
  MessageBoxSeam::SetScripted(true, [&](const ShownMessageBox&) { ++boxes; });
  OpenDialogSeam::SetScripted(true, [&](const ShownOpenDialog&) { ++dialogs; });
  EXPECT_EQ(ShowMessageBox("t", "c", MB_OK), IDOK);
  EXPECT_FALSE(Form1->OpenDialog1->Execute());
  MessageBoxSeam::SetScripted(true, [](const ShownMessageBox& b) {
    ADD_FAILURE() << "unscripted message box: " << b.text.toStdString();
  });
  OpenDialogSeam::SetScripted(true, [](const ShownOpenDialog& d) {
    ADD_FAILURE() << "unscripted open dialog: " << d.title.toStdString();
  });
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(dialogs, 1);
  TakeBoxes();
}

struct Geometry {
  const char* name;
  QRect rect;
};

QWidget* Control(const std::string& name) {
  if (QWidget* w = FocusTarget(name); w && name != "TabControl1") return w;
  if (name == "TabControl1") return Form1->TabControl1;
  if (name == "Label1") return Form1->Label1;
  if (name == "Bevel1") return Form1->Bevel1;
  if (name == "GroupBox4") return Form1->GroupBox4;
  if (name == "GroupBox2") return Form1->GroupBox2;
  if (name == "GroupBox1") return Form1->GroupBox1;
  if (name == "GroupBox3") return Form1->GroupBox3;
  if (name == "Label2") return Form1->Label2;
  if (name == "Label3") return Form1->Label3;
  return nullptr;
}

TEST_F(PlatformTest, MainWindowLayoutAsTheFormResourceGivesIt) {
  Start();
  EXPECT_EQ(Form1->Client()->size(), QSize(312, 302));
  EXPECT_EQ(Form1->minimumSize(), Form1->maximumSize()) << "not resizable";
  EXPECT_FALSE(Form1->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(Form1->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(Form1->Client()->mapTo(Form1, QPoint(0, 0)).y(), Form1->MainMenu1->Bar()->height());

  const Geometry table[] = {
      {"Label1", {0, 5, 312, 16}},     {"Bevel1", {0, 0, 312, 5}},      {"TabControl1", {4, 64, 305, 213}},
      {"Button5", {232, 280, 73, 21}}, {"GroupBox4", {4, 24, 305, 37}}, {"Edit4", {4, 12, 253, 20}},
      {"Button6", {260, 12, 41, 21}},  {"GroupBox2", {8, 88, 153, 77}}, {"ComboBox1", {12, 20, 129, 20}},
      {"GroupBox1", {168, 88, 129, 77}}, {"Edit2", {44, 16, 73, 20}},   {"Edit3", {44, 44, 73, 20}},
      {"GroupBox3", {8, 168, 289, 73}}, {"Memo1", {4, 12, 281, 57}},    {"Button4", {176, 248, 121, 21}},
      {"Button3", {80, 136, 73, 21}},
  };
  for (const Geometry& g : table) EXPECT_EQ(Control(g.name)->geometry(), g.rect) << g.name;
  // Labels size themselves to their text from their left edge.
  EXPECT_EQ(Form1->Label2->pos(), QPoint(8, 20));
  EXPECT_EQ(Form1->Label3->pos(), QPoint(8, 48));

  EXPECT_EQ(Form1->GroupBox4->title(), "Targt Savedata File");
  EXPECT_EQ(Form1->GroupBox2->title(), "Target Flag");
  EXPECT_EQ(Form1->GroupBox1->title(), "Offset");
  EXPECT_EQ(Form1->GroupBox3->title(), "Document");
  EXPECT_EQ(Form1->Label2->Caption(), "１０進");
  EXPECT_EQ(Form1->Label3->Caption(), "１６進");
  EXPECT_EQ(Form1->Button3->text(), "ここだけ変更");
  EXPECT_EQ(Form1->Button4->text(), "このページだけ変更");
  EXPECT_EQ(Form1->Button5->text(), "全部変更");
  EXPECT_EQ(Form1->Button6->text(), "参照");
  EXPECT_EQ(Form1->Label1->font().pixelSize(), 16);
  EXPECT_EQ(Form1->Edit2->font().pixelSize(), 12);
  EXPECT_EQ(Form1->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(Form1->Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_FALSE(Form1->ComboBox1->isEditable());
  EXPECT_EQ(Form1->ComboBox1->maxVisibleItems(), 8);
}

TEST_F(PlatformTest, WindowFontIsTheJapaneseUiFontOrItsMetricTwin) {
  Start();
  const QString family = QFontInfo(Form1->Edit2->font()).family();
  EXPECT_TRUE(family == "ＭＳ Ｐゴシック" || family == "MS PGothic" || family == "IPAPGothic") << family.toStdString();
}

// The family is the first of the names that the font database knows, and
// every control draws with it at its own pixel size.
TEST_F(PlatformTest, ControlsDrawWithTheFirstInstalledUiFamilyAtTheirPixelSize) {
  Start();
  QString expected;
  for (const char* name : {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック"}) {
    if (QFontDatabase::hasFamily(QString::fromUtf8(name))) {
      expected = QString::fromUtf8(name);
      break;
    }
  }
  ASSERT_FALSE(expected.isEmpty()) << "no Japanese UI font installed";
  EXPECT_EQ(UiFontFamily(), expected);
  struct Case {
    QWidget* widget;
    int pixelSize;
  };
  const Case cases[] = {{Form1, 12},          {Form1->Label1, 16},   {Form1->Label2, 12}, {Form1->Label3, 12},
                        {Form1->GroupBox4, 12}, {Form1->Edit4, 12},  {Form1->Button6, 12}, {Form1->ComboBox1, 12},
                        {Form1->Memo1, 12},   {Form1->Button5, 12},  {Form1->TabControl1->Bar(), 12},
                        {Form1->menuBar(), 12}, {Form2->Label1, 16}, {Form2->Label4, 12}, {Form2->Button1, 12}};
  for (const Case& c : cases) {
    const QFontInfo info(c.widget->font());
    EXPECT_EQ(info.family(), expected) << c.widget->metaObject()->className();
    EXPECT_EQ(info.pixelSize(), c.pixelSize) << c.widget->metaObject()->className();
  }
}

// The menu bar's overflow button gets its icon late; it must be the Windows
// style's own, pixel for pixel, at every size it is drawn at.
TEST_F(PlatformTest, MenuBarOverflowIconIsTheWindowsStyleIcon) {
  Start();
  std::unique_ptr<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows")));
  ASSERT_TRUE(windows);
  const QIcon expected = windows->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
  auto* overflow = Form1->menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
  ASSERT_NE(overflow, nullptr);
  const QIcon got = overflow->icon();
  EXPECT_FALSE(got.isNull());
  EXPECT_EQ(got.availableSizes(), expected.availableSizes());
  for (const int side : {12, 16, 24, 32}) {
    const QSize size(side, side);
    EXPECT_EQ(got.actualSize(size), expected.actualSize(size)) << side;
    EXPECT_EQ(got.pixmap(size).toImage(), expected.pixmap(size).toImage()) << side;
    EXPECT_EQ(got.pixmap(size, QIcon::Disabled).toImage(), expected.pixmap(size, QIcon::Disabled).toImage()) << side;
  }
  // Every other standard icon is asked of the Windows style directly.
  EXPECT_EQ(QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32).toImage(),
            windows->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32).toImage());
}

TEST_F(PlatformTest, TabKeyWalksTheFocusOrderSkippingTheMemo) {
  Start({dir.Write("p.qmt", "#tab\nP\nf\n1\n#end\n")});
  Form1->Edit4->setFocus();
  const char* order[] = {"Edit4", "Button6", "TabControl1", "ComboBox1", "Edit2",
                         "Edit3", "Button3", "Button4",     "Button5",   "Edit4"};
  for (const char* name : order) {
    EXPECT_EQ(QApplication::focusWidget(), FocusTarget(name)) << name;
    Key(QApplication::focusWidget(), Qt::Key_Tab);
  }
}

TEST_F(PlatformTest, MemoKeepsDocumentLinesAndTypingChangesNothing) {
  Start();
  const QStringList lines{"short", "", QString(400, QLatin1Char('w'))};
  Form1->Memo1->SetLines(lines);
  EXPECT_EQ(Form1->Memo1->Lines(), lines);
  Click(Form1->Memo1->viewport());
  ASSERT_TRUE(Form1->Memo1->hasFocus());
  QApplication::clipboard()->setText("pasted");
  QTest::keyClicks(Form1->Memo1, "typed");
  for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Space})
    Key(Form1->Memo1, key);
  Key(Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
  Key(Form1->Memo1, Qt::Key_X, Qt::ControlModifier);
  Key(Form1->Memo1, Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(Form1->Memo1->Lines(), lines) << "the memo is read-only";
}

}  // namespace
}  // namespace qmt_test

// The main window as a user meets it: start-up with arguments, choosing
// tabs and flags, opening projects through Ctrl+O, failed loads, closing.
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QMenuBar>
#include <QTimer>

#include "gui_support.h"
#include "project/tables.h"

namespace qmt_test {
namespace {

// Three pages; page 1 has three flags, page 2 none.
const char* const ThreePages =
    "#title\nThree\n#copy\nby me\n"
    "#tab\nItems\nPotion\n16\nKey\n17\n#doc\nItems doc\n#eodoc\n"
    "#tab\nStory\nChapter\n32\nBoss\n33\nEnding\n34\n#doc\nStory one\nStory two\n#eodoc\n"
    "#tab\nEmpty\n#doc\nNo flags here\n#eodoc\n#end\n";

class MainWindowTest : public GuiTest {};

void ExpectEmptyWindow() {
  EXPECT_EQ(Form1->TabControl1->Bar()->count(), 0);
  EXPECT_EQ(Form1->TabControl1->TabIndex(), -1);
  EXPECT_EQ(Form1->ComboBox1->count(), 0);
  EXPECT_EQ(Form1->ComboBox1->ItemIndex(), -1);
  EXPECT_TRUE(Form1->Memo1->Lines().isEmpty());
  EXPECT_EQ(Form1->Label1->Caption(), "");
  EXPECT_EQ(Form1->Edit2->Text(), "0");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
}

TEST_F(MainWindowTest, StartWithoutArgumentsShowsEmptyWindow) {
  Start();
  ExpectEmptyWindow();
  EXPECT_EQ(Form1->Edit4->Text(), "");
  EXPECT_EQ(Form1->Caption(), "トルメリア");
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);
  EXPECT_EQ(ProjectFileName, "");
  EXPECT_TRUE(TakeBoxes().empty());
}

struct ArgsCase {
  const char* name;
  int extra;  // arguments after the project
  const char* expectedTarget;
};

class StartArgs : public MainWindowTest, public ::testing::WithParamInterface<ArgsCase> {};

TEST_P(StartArgs, ProjectLoadedAndTargetTaken) {
  const std::string project = dir.Write("p.qmt", ThreePages);
  std::vector<std::string> args = {project};
  if (GetParam().extra >= 1) args.push_back("/tmp/some target.sav");
  if (GetParam().extra >= 2) args.push_back("third-is-ignored");
  Start(args);
  EXPECT_EQ(ProjectFileName, project);
  EXPECT_EQ(Form1->Edit4->Text(), GetParam().expectedTarget);
  EXPECT_EQ(Form1->TabControl1->Tabs(), (QStringList{"Items", "Story", "Empty"}));
  EXPECT_EQ(Form1->TabControl1->TabIndex(), 0);
  EXPECT_EQ(FlagItems(), (QStringList{"Potion", "Key"}));
  EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 0);
  EXPECT_EQ(Form1->Memo1->Lines(), QStringList{"Items doc"});
  EXPECT_EQ(Form1->Label1->Caption(), "Three");
  EXPECT_EQ(Form1->Caption(), "トルメリア");
  EXPECT_TRUE(TakeBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(, StartArgs,
                         ::testing::Values(ArgsCase{"ProjectOnly", 0, ""},
                                           ArgsCase{"ProjectAndTarget", 1, "/tmp/some target.sav"},
                                           ArgsCase{"ThirdIgnored", 2, "/tmp/some target.sav"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(MainWindowTest, LoadErrorAtStartShowsBoxBeforeWindowThenOpensEmpty) {
  const std::string project = dir.Write("bad.qmt", "#tab\nPage\nflag\n12x\n#end\n");
  MessageBoxSeam::QueueAnswer(IDOK);
  Start({project, "target.sav"}, /*show=*/false);
  EXPECT_FALSE(Form1->isVisible());
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  ExpectErrorBox(boxes[0], QString::fromUtf8(MsgBadOffset));
  EXPECT_EQ(Form1->Edit4->Text(), "target.sav");
  EXPECT_EQ(Form1->Caption(), "トルメリア");
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);
  ExpectEmptyWindow();
}

TEST_F(MainWindowTest, UnopenableProjectAtStartReportedWithProgramNameAsCaption) {
  const std::string missing = dir.File("missing.qmt");
  MessageBoxSeam::QueueAnswer(IDOK);
  Start({missing}, false);
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, QString::fromStdString("ﾌｧｲﾙ " + missing + " は開けません."));
  EXPECT_EQ(boxes[0].caption, "qmtedit");
  EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
  ASSERT_NE(Form2, nullptr);  // start-up went on
  EXPECT_EQ(Form1->Caption(), "トルメリア");
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);
  ExpectEmptyWindow();
}

TEST_F(MainWindowTest, EmptyQuotedFirstArgumentFailsAsUnopenable) {
  MessageBoxSeam::QueueAnswer(IDOK);
  Start({""}, false);
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "ﾌｧｲﾙ  は開けません.");
}

TEST_F(MainWindowTest, ChoosingTabsAndFlagsShowsTablesAndResetsToFirstFlag) {
  Start({dir.Write("p.qmt", ThreePages)});
  ChooseTab(1);
  EXPECT_EQ(Form1->TabControl1->TabIndex(), 1);
  EXPECT_EQ(FlagItems(), (QStringList{"Chapter", "Boss", "Ending"}));
  EXPECT_EQ(Form1->Memo1->Lines(), (QStringList{"Story one", "Story two"}));
  EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 0);

  ChooseFlag(2);
  EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 2);
  TypeReplacing(Form1->Edit2, "17");
  EXPECT_EQ(FlagValues[1][2], 17);
  EXPECT_EQ(Form1->Edit3->Text(), "11");

  ChooseFlag(0);
  EXPECT_EQ(Form1->Edit2->Text(), "0");
  ChooseFlag(2);
  EXPECT_EQ(Form1->Edit2->Text(), "17");
  EXPECT_EQ(Form1->Edit3->Text(), "11");

  // Another tab and back: the first flag is selected again.
  ChooseTab(0);
  ChooseTab(1);
  EXPECT_EQ(Form1->ComboBox1->ItemIndex(), 0);
  EXPECT_EQ(Form1->Edit2->Text(), "0");

  // A page without flags: empty list, its document, "0" in both fields.
  ChooseTab(2);
  EXPECT_EQ(Form1->ComboBox1->count(), 0);
  EXPECT_EQ(Form1->ComboBox1->ItemIndex(), -1);
  EXPECT_EQ(Form1->Memo1->Lines(), QStringList{"No flags here"});
  EXPECT_EQ(Form1->Edit2->Text(), "0");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
}

TEST_F(MainWindowTest, ValueTypedOnPageStaysAcrossPageChanges) {
  Start({dir.Write("p.qmt", ThreePages)});
  ChooseTab(1);
  TypeReplacing(Form1->Edit2, "17");
  ChooseTab(0);
  ChooseTab(1);
  EXPECT_EQ(Form1->Edit2->Text(), "17");
  EXPECT_EQ(Form1->Edit3->Text(), "11");
}

TEST_F(MainWindowTest, CtrlOOpensProjectThroughDialog) {
  Start();
  const std::string project = dir.Write("p.qmt", ThreePages);
  OpenDialogSeam::QueueAnswer(QString::fromStdString(project));
  Click(Form1->Edit2);
  Key(Form1->Edit2, Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(OpenDialogSeam::Shown().size(), 1u);
  const ShownOpenDialog& d = OpenDialogSeam::Shown()[0];
  EXPECT_EQ(d.title, "Open project file.");
  EXPECT_EQ(d.filterIndex, 1);
  EXPECT_EQ(d.filter, "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ(*.QMT)|*.QMT|ｾｰﾌﾞﾃﾞｰﾀﾌｧｲﾙ(*.*)|*.*|全ﾌｧｲﾙ(*.*)|*.*");
  EXPECT_EQ(d.options, unsigned(ofHideReadOnly | ofPathMustExist | ofFileMustExist));
  EXPECT_EQ(d.fileName, "");
  EXPECT_EQ(ProjectFileName, project);
  EXPECT_EQ(Form1->TabControl1->Tabs().size(), 3);
  EXPECT_EQ(Form1->Label1->Caption(), "Three");
}

TEST_F(MainWindowTest, CancelledProjectDialogKeepsProjectAndValues) {
  const std::string project = dir.Write("p.qmt", ThreePages);
  Start({project});
  TypeReplacing(Form1->Edit2, "200");
  OpenDialogSeam::QueueAnswer(std::nullopt);
  Form1->KO1->Action()->trigger();
  EXPECT_EQ(ProjectFileName, project);
  EXPECT_EQ(FlagValues[0][0], 200);
  EXPECT_EQ(Form1->Edit2->Text(), "200");
  EXPECT_EQ(Form1->TabControl1->Tabs().size(), 3);
}

TEST_F(MainWindowTest, OpeningAnotherProjectClearsTypedValues) {
  const std::string project = dir.Write("p.qmt", ThreePages);
  Start({project});
  TypeReplacing(Form1->Edit3, "ff");
  EXPECT_EQ(FlagValues[0][0], 255);
  OpenDialogSeam::QueueAnswer(QString::fromStdString(project));
  Form1->KO1->Action()->trigger();
  EXPECT_EQ(FlagValues[0][0], 0);
  EXPECT_EQ(Form1->Edit2->Text(), "0");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
}

TEST_F(MainWindowTest, FailedLoadThroughDialogEmptiesWindow) {
  Start({dir.Write("p.qmt", ThreePages)});
  ChooseTab(1);
  const std::string bad = dir.Write("bad.qmt", "#title\nNew title\n#tab\nP\nf\n1\n");
  OpenDialogSeam::QueueAnswer(QString::fromStdString(bad));
  MessageBoxSeam::QueueAnswer(IDOK);
  Form1->KO1->Action()->trigger();
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  ExpectErrorBox(boxes[0], QString::fromUtf8(MsgEndOfFile));
  ExpectEmptyWindow();
  EXPECT_EQ(ProjectTitle, "New title");  // kept, though the label is empty
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);

  // And a correct file loads again at once.
  OpenDialogSeam::QueueAnswer(QString::fromStdString(dir.File("p.qmt")));
  Form1->KO1->Action()->trigger();
  EXPECT_EQ(Form1->TabControl1->Tabs().size(), 3);
  EXPECT_EQ(FlagItems(), (QStringList{"Potion", "Key"}));
}

TEST_F(MainWindowTest, UnopenableProjectThroughDialogEmptiesWindowWithOneMessage) {
  Start({dir.Write("p.qmt", ThreePages)});
  const std::string folder = dir.File("");
  OpenDialogSeam::QueueAnswer(QString::fromStdString(folder));
  MessageBoxSeam::QueueAnswer(IDOK);
  Form1->KO1->Action()->trigger();
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("ﾌｧｲﾙ ")) << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.endsWith(" は開けません."));
  EXPECT_EQ(boxes[0].caption, "トルメリア");
  EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
  ExpectEmptyWindow();
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);
  EXPECT_EQ(ProjectLines, nullptr);
}

TEST_F(MainWindowTest, CodePage932TextsDecodedForDisplay) {
  // Page name: 5C 7E as backslash and tilde, half-width katakana B1;
  // a flag name with a lone lead byte at the end; title in kanji.
  std::string text = "#title\n\x93\xfa\x96\x7b\n#tab\nA\\~\xb1\nflag\x82\n1\n#end\n";
  Start({dir.Write("p.qmt", text)});
  EXPECT_EQ(Form1->Label1->Caption(), "日本");
  EXPECT_EQ(Form1->TabControl1->Tabs(), QStringList{QString::fromUtf8("A\\~ｱ")});
  EXPECT_EQ(FlagItems(), QStringList{QString::fromUtf8("flag\xEF\xBF\xBD")});
  EXPECT_EQ((*PageNames)[0], "A\\~\xb1");  // the table keeps the bytes
}

TEST_F(MainWindowTest, ClosingWindowRunsFormCloseOnce) {
  Start({dir.Write("p.qmt", ThreePages)});
  ASSERT_NE(PageNames, nullptr);
  Form1->close();
  EXPECT_EQ(PageNames, nullptr);
  for (const auto& list : FlagNames) EXPECT_EQ(list, nullptr);
  EXPECT_FALSE(Form1->isVisible());
}

TEST_F(MainWindowTest, RunEndsWhenMainWindowCloses) {
  Start({}, false);
  QTimer::singleShot(0, Form1, [] { Form1->close(); });
  app->Run();  // returns only because the loop ended
  EXPECT_EQ(PageNames, nullptr);
}

}  // namespace
}  // namespace qmt_test

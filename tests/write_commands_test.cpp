// The write commands as a user gives them: type a value, choose a page and
// a flag, press a button; then the target file byte for byte.
#include <sys/stat.h>

#include <QAction>
#include <filesystem>

#include "gui_support.h"
#include "patcher/patcher.h"
#include "project/tables.h"

namespace qmt_test {
namespace {

// Page 0: offsets 2 and 5; page 1: offset 5 again and 9 (past the end of
// the 8-byte target); page 2: no flags.
const char* const Project =
    "#tab\nFirst\na\n2\nb\n5\n"
    "#tab\nSecond\nc\n$5\nd\n9\n"
    "#tab\nNone\n#end\n";
const std::string Original = "ABCDEFGH";

class WriteCommandsTest : public GuiTest {
protected:
  void StartWithTarget(const std::string& project = Project) {
    target = dir.Write("target.sav", Original);
    Start({dir.Write("p.qmt", project), target});
  }
  std::string Target() const { return ReadFile(target); }
  std::string target;
};

TEST_F(WriteCommandsTest, ChosenFlagWritesOneByte) {
  StartWithTarget();
  ChooseFlag(1);
  TypeReplacing(Form1->Edit2, "10");
  Click(Form1->Button3);
  EXPECT_EQ(Target(), std::string("ABCDE\nGH"));
  EXPECT_TRUE(TakeBoxes().empty());

  TypeReplacing(Form1->Edit3, "ff");
  Click(Form1->Button3);
  EXPECT_EQ(Target(), std::string("ABCDE\xff" "GH"));
}

TEST_F(WriteCommandsTest, PageButtonWritesEveryFlagOfThePageZeroWhereNothingTyped) {
  StartWithTarget();
  TypeReplacing(Form1->Edit2, "49");  // flag a := '1'
  Click(Form1->Button4);
  EXPECT_EQ(Target(), std::string("AB1DE\0GH", 8));
}

TEST_F(WriteCommandsTest, AllButtonWritesPagesInOrderLaterPageWinsAndGrowsFile) {
  StartWithTarget();
  ChooseFlag(1);
  TypeReplacing(Form1->Edit2, "66");  // page 0 flag b at 5 := 'B'
  ChooseTab(1);
  TypeReplacing(Form1->Edit2, "67");  // page 1 flag c at 5 := 'C'
  ChooseFlag(1);
  TypeReplacing(Form1->Edit2, "68");  // page 1 flag d at 9 := 'D'
  Click(Form1->Button5);
  // Offset 9 lies past the end: the file grows to 10 bytes.
  EXPECT_EQ(Target(), std::string("AB\0DEC" "GH\0D", 10));
}

TEST_F(WriteCommandsTest, PageWithoutFlagsWritesNothing) {
  StartWithTarget();
  ChooseTab(2);
  Click(Form1->Button3);
  Click(Form1->Button4);
  EXPECT_EQ(Target(), Original);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(WriteCommandsTest, NoProjectLoadedOpensAndClosesButChangesNothing) {
  target = dir.Write("target.sav", Original);
  Start();
  Form1->Edit4->SetText(QString::fromStdString(target));
  for (TButton* b : {Form1->Button3, Form1->Button4, Form1->Button5}) Click(b);
  EXPECT_EQ(Target(), Original);
  EXPECT_TRUE(TakeBoxes().empty());
}

struct BadPath {
  const char* name;
  std::string (*make)(const ScratchDir&);
};

const BadPath BadPaths[] = {
    {"Empty", [](const ScratchDir&) { return std::string(); }},
    {"Missing", [](const ScratchDir& d) { return d.File("missing.sav"); }},
    {"Folder", [](const ScratchDir& d) { return d.File(""); }},
    {"ReadOnly",
     [](const ScratchDir& d) {
       std::string p = d.Write("ro.sav", "readonly");
       chmod(p.c_str(), 0444);
       return p;
     }},
};

class UnopenableTarget : public WriteCommandsTest, public ::testing::WithParamInterface<BadPath> {};

TEST_P(UnopenableTarget, EveryButtonShowsOpenMessageAndCreatesNothing) {
  const std::string path = GetParam().make(dir);
  Start({dir.Write("p.qmt", Project), path});
  const auto before = std::distance(std::filesystem::directory_iterator(dir.File("")), {});
  for (TButton* b : {Form1->Button3, Form1->Button4, Form1->Button5}) {
    MessageBoxSeam::QueueAnswer(IDOK);
    Click(b);
  }
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  for (const auto& box : boxes) ExpectErrorBox(box, QString::fromUtf8(TargetOpenFailedMessage));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")), {}), before);
  if (std::string(GetParam().name) == "ReadOnly") {
    EXPECT_EQ(ReadFile(path), "readonly");
  }
}

INSTANTIATE_TEST_SUITE_P(, UnopenableTarget, ::testing::ValuesIn(BadPaths),
                         [](const auto& info) { return info.param.name; });

TEST_F(WriteCommandsTest, FailedWriteIsReported) {
  Start({dir.Write("p.qmt", Project), "/dev/full"});
  MessageBoxSeam::QueueAnswer(IDOK);
  Click(Form1->Button5);
  const auto boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  ExpectErrorBox(boxes[0], QString::fromUtf8(TargetWriteFailedMessage));
}

TEST_F(WriteCommandsTest, BrowseSetsTargetPathAndCancelKeepsIt) {
  StartWithTarget();
  const std::string other = dir.Write("other.sav", "xx");
  OpenDialogSeam::QueueAnswer(std::nullopt);
  Click(Form1->Button6);
  EXPECT_EQ(Form1->Edit4->Text(), QString::fromStdString(target));

  OpenDialogSeam::QueueAnswer(QString::fromStdString(other));
  Form1->K1->Action()->trigger();
  EXPECT_EQ(Form1->Edit4->Text(), QString::fromStdString(other));
  ASSERT_EQ(OpenDialogSeam::Shown().size(), 2u);
  for (const ShownOpenDialog& d : OpenDialogSeam::Shown()) {
    EXPECT_EQ(d.title, "Open save-data file.");
    EXPECT_EQ(d.filterIndex, 2);
  }
  EXPECT_EQ(OpenDialogSeam::Shown()[1].fileName, "") << "a cancel confirms no name";
  Click(Form1->Button3);
  EXPECT_EQ(ReadFile(other), std::string("xx\0", 3)) << "flag a at offset 2 grew the chosen file";
  EXPECT_EQ(Target(), Original);
}

TEST_F(WriteCommandsTest, DialogRemembersLastNameAcrossBothCommands) {
  StartWithTarget();
  const std::string project = dir.File("p.qmt");
  OpenDialogSeam::QueueAnswer(QString::fromStdString(project));
  Key(Form1->Edit4, Qt::Key_O, Qt::ControlModifier);
  OpenDialogSeam::QueueAnswer(std::nullopt);
  Click(Form1->Button6);
  ASSERT_EQ(OpenDialogSeam::Shown().size(), 2u);
  const ShownOpenDialog& d = OpenDialogSeam::Shown()[1];
  EXPECT_EQ(d.fileName, QString::fromStdString(project));
  EXPECT_EQ(d.title, "Open save-data file.");
  EXPECT_EQ(d.filterIndex, 2);
  EXPECT_EQ(Form1->Edit4->Text(), QString::fromStdString(target));

  OpenDialogSeam::QueueAnswer(std::nullopt);
  Key(Form1->Edit4, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(OpenDialogSeam::Shown()[2].fileName, QString::fromStdString(project))
      << "the cancelled showing kept the remembered name";
  EXPECT_EQ(OpenDialogSeam::Shown()[2].filterIndex, 1);
}

TEST_F(WriteCommandsTest, TargetPathUsedAsTyped) {
  target = dir.Write("target.sav", Original);
  Start({dir.Write("p.qmt", Project)});
  TypeReplacing(Form1->Edit4, QString::fromStdString(target));
  TypeReplacing(Form1->Edit2, "90");
  Click(Form1->Button3);
  EXPECT_EQ(Target(), std::string("ABZDEFGH"));

  // A blank after the name is part of the path: no such file.
  QTest::keyClicks(Form1->Edit4, " ");
  MessageBoxSeam::QueueAnswer(IDOK);
  Click(Form1->Button3);
  ASSERT_EQ(TakeBoxes().size(), 1u);
}

}  // namespace
}  // namespace qmt_test

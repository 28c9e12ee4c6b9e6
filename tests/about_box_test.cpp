// The about box: what it shows before and after loads, and how it closes.
#include <QAction>
#include <QTimer>

#include "gui_support.h"
#include "project/tables.h"

namespace qmt_test {
namespace {

class AboutBoxTest : public GuiTest {
protected:
  // Chooses the help menu's entry and runs `whileShown` inside the modal
  // box; returns when the box has closed.
  void ShowAbout(const std::function<void()>& whileShown) {
    bool ran = false;
    QTimer::singleShot(0, Form1, [&] {
      ran = true;
      EXPECT_TRUE(Form2->isVisible());
      EXPECT_TRUE(Form2->InModalLoop());
      whileShown();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &guard, [] {
      ADD_FAILURE() << "the about box did not close";
      Form2->SetModalResult(mrCancel);
    });
    guard.start(5000);
    Form1->KA1->Action()->trigger();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(Form2->isVisible()) << "hidden after closing";
  }
  void ClickOk() { Click(Form2->Button1); }
  QString Credit() {
    QString text;
    ShowAbout([&] {
      text = Form2->Label5->Caption();
      ClickOk();
    });
    return text;
  }
};

TEST_F(AboutBoxTest, ShowsTitleVersionIconAndLayout) {
  Start();
  ShowAbout([&] {
    EXPECT_EQ(Form2->Caption(), "バージョン情報");
    EXPECT_EQ(Form2->Client()->size(), QSize(219, 83));
    EXPECT_EQ(Form2->minimumSize(), Form2->maximumSize());
    EXPECT_FALSE(Form2->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Form2->Label1->Caption(), "トルメリア");
    EXPECT_EQ(Form2->Label1->font().pixelSize(), 16);
    EXPECT_EQ(Form2->Label1->pos(), QPoint(48, 8));
    EXPECT_EQ(Form2->Label2->Caption(), "Ver 0.02");
    EXPECT_EQ(Form2->Label2->geometry().right() + 1, 217) << "right-aligned to end at x = 217";
    EXPECT_EQ(Form2->Label4->Caption(), "Projectfile produce by...");
    EXPECT_EQ(Form2->Label5->pos(), QPoint(12, 69));
    EXPECT_FALSE(Form2->Label3->Caption().isEmpty());
    EXPECT_EQ(Form2->Label3->pos(), QPoint(124, 36));
    EXPECT_LT(Form2->Label3->geometry().right(), 219) << "the copyright line fits the box";
    EXPECT_TRUE(Form2->Image1->HasPicture());
    EXPECT_EQ(Form2->Image1->geometry(), QRect(8, 0, 32, 32));
    EXPECT_FALSE(Form2->Icon().isNull());
    EXPECT_EQ(Form2->Button1->text(), "&OK");
    EXPECT_EQ(Form2->Button1->geometry(), QRect(176, 60, 41, 21));
    ClickOk();
  });
  EXPECT_EQ(Form2->ModalResult(), mrOk);
  EXPECT_FALSE(Form1->Icon().isNull()) << "the main window carries the application icon";
}

TEST_F(AboutBoxTest, CreditLineFollowsTheLoads) {
  Start();
  EXPECT_EQ(Credit(), "(Not load...)");

  OpenDialogSeam::QueueAnswer(QString::fromStdString(dir.Write("a.qmt", "#copy\nMade by \x93\xfa\x96\x7b\n#end\n")));
  Form1->KO1->Action()->trigger();
  EXPECT_EQ(Credit(), "Made by 日本");

  OpenDialogSeam::QueueAnswer(QString::fromStdString(dir.Write("b.qmt", "#title\nNo credit\n#end\n")));
  Form1->KO1->Action()->trigger();
  EXPECT_EQ(Credit(), "");

  OpenDialogSeam::QueueAnswer(QString::fromStdString(dir.Write("c.qmt", "#copy\nX\n#tab\nP\n")));
  MessageBoxSeam::QueueAnswer(IDOK);
  Form1->KO1->Action()->trigger();
  TakeBoxes();
  EXPECT_EQ(Credit(), "(Not load...)");
}

TEST_F(AboutBoxTest, LongCreditRunsUnderTheOkButtonAndIsCutAtTheEdge) {
  Start({dir.Write("a.qmt", "#copy\n" + std::string(60, 'W') + "\n#end\n")});
  ShowAbout([&] {
    EXPECT_GT(Form2->Label5->geometry().right(), 219);
    const QPoint okCentre = Form2->Button1->geometry().center();
    EXPECT_EQ(Form2->Client()->childAt(okCentre), Form2->Button1) << "the label lies beneath the button";
    Click(Form2->Button1);
  });
  EXPECT_EQ(Form2->ModalResult(), mrOk);
}

TEST_F(AboutBoxTest, ClosesWithEnterAndWithTitleBarButtonButNotEscape) {
  Start();
  ShowAbout([&] {
    Key(Form2->Button1, Qt::Key_Escape);
    EXPECT_TRUE(Form2->isVisible()) << "Escape does nothing";
    Key(Form2->Button1, Qt::Key_Return);
  });
  EXPECT_EQ(Form2->ModalResult(), mrOk);

  ShowAbout([&] { Form2->close(); });  // the title bar's close button
  EXPECT_EQ(Form2->ModalResult(), mrCancel);
  EXPECT_NE(Form2, nullptr);

  // The main window takes input again, as after OK.
  TypeReplacing(Form1->Edit3, "7f");
  EXPECT_EQ(Form1->Edit2->Text(), "127");
}

TEST_F(AboutBoxTest, MainWindowTakesNoInputWhileShown) {
  Start();
  ShowAbout([&] {
    EXPECT_EQ(QApplication::activeModalWidget(), Form2);
    ClickOk();
  });
}

}  // namespace
}  // namespace qmt_test

// The document memo of the main window, driven as a user drives it: long
// lines wrap into rows, scrolling reaches every row, the mouse and the keys
// select, Ctrl+C copies, and long documents are cheap to show.
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <functional>

#include "gui_support.h"

namespace qmt_test {
namespace {

// The helpers are public: the tables of cases below drive the memo through them.
class MemoTest : public GuiTest {
public:
  void SetUp() override {
    Start();
    memo = Form1->Memo1;
    bar = memo->verticalScrollBar();
    QApplication::clipboard()->setText("untouched");
  }

  void Paint() {
    memo->viewport()->repaint();
    QApplication::processEvents();
  }

  int RowHeight() const { return QFontMetrics(memo->font()).lineSpacing(); }
  // A point on the given row of the view, `x` pixels from its left edge.
  // Rows are one line height apart; the point lies a little below the middle
  // of the row, which keeps it on the row whatever small margin the text has
  // above it.
  QPoint At(int viewRow, int x) const { return {x, viewRow * RowHeight() + RowHeight() / 2 + 2}; }
  QPoint RowStart(int viewRow) const { return At(viewRow, 1); }
  QPoint RowEnd(int viewRow) const { return At(viewRow, memo->viewport()->width() - 1); }

  void Press(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mousePress(memo->viewport(), Qt::LeftButton, mods, p);
  }
  void Release(QPoint p) { QTest::mouseRelease(memo->viewport(), Qt::LeftButton, Qt::NoModifier, p); }
  void ClickAt(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseClick(memo->viewport(), Qt::LeftButton, mods, p);
  }
  // A mouse move with the left button held, as a drag sends it.
  void DragTo(QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, memo->viewport()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(memo->viewport(), &move);
  }
  void MemoKey(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(memo, key, mods); }
  QString Copied() {
    MemoKey(Qt::Key_C, Qt::ControlModifier);
    return QApplication::clipboard()->text();
  }
  // What the view shows from its first row to the end of its last whole row.
  QString ShownText() {
    ClickAt(RowStart(0));
    ClickAt(RowEnd(bar->pageStep() - 1), Qt::ShiftModifier);
    return Copied();
  }

  TMemo* memo = nullptr;
  QScrollBar* bar = nullptr;
};

QStringList Numbered(int n, const QString& prefix = QStringLiteral("line ")) {
  QStringList lines;
  lines.reserve(n);
  for (int i = 0; i < n; ++i) lines << prefix + QString::number(i);
  return lines;
}

TEST_F(MemoTest, LongLineWrapsAtWordsIntoRowsAndTheRangeGrowsWhenLaidOut) {
  const QString longLine = QStringLiteral("word ").repeated(60).trimmed();
  QStringList lines = Numbered(20);
  lines.insert(1, longLine);
  memo->SetLines(lines);
  EXPECT_EQ(memo->RowCount(), lines.size()) << "nothing laid out before it is shown";
  const int rangeBefore = bar->maximum();

  Paint();
  const int rows = memo->RowCount() - static_cast<int>(lines.size()) + 1;
  const int wide = QFontMetrics(memo->font()).horizontalAdvance(longLine);
  EXPECT_GE(rows, wide / memo->viewport()->width() + 1) << "rows no wider than the view";
  EXPECT_LE(rows, wide / (memo->viewport()->width() - 30) + 2) << "rows as full as whole words allow";
  EXPECT_EQ(bar->maximum(), rangeBefore + rows - 1);

  // The first row of the long line ends after a whole word.
  ClickAt(RowStart(1));
  MemoKey(Qt::Key_End, Qt::ShiftModifier);
  const QString firstRow = Copied();
  EXPECT_TRUE(longLine.startsWith(firstRow)) << firstRow.toStdString();
  EXPECT_TRUE(firstRow.endsWith(QStringLiteral("word"))) << firstRow.toStdString();
  EXPECT_LT(firstRow.size(), longLine.size());

  // A word longer than a row breaks anywhere.
  const QString noSpaces(400, QLatin1Char('w'));
  memo->SetLines({noSpaces});
  Paint();
  EXPECT_GE(memo->RowCount(), QFontMetrics(memo->font()).horizontalAdvance(noSpaces) / memo->viewport()->width() + 1);
}

TEST_F(MemoTest, WidthAndFontChangesWrapAfresh) {
  memo->SetLines({QStringLiteral("word ").repeated(80), QStringLiteral("short")});
  Paint();
  const int rows = memo->RowCount();
  ASSERT_GT(rows, 4);
  memo->resize(memo->width() * 2, memo->height());
  Paint();
  EXPECT_LT(memo->RowCount(), rows);
  memo->resize(memo->width() / 2, memo->height());
  Paint();
  EXPECT_EQ(memo->RowCount(), rows);

  QFont bigger = memo->font();
  bigger.setPixelSize(bigger.pixelSize() * 2);
  memo->setFont(bigger);
  Paint();
  EXPECT_GT(memo->RowCount(), rows);

  // A taller view at the end: the range shrinks and the view still ends
  // with the last line.
  bar->setValue(bar->maximum());
  memo->resize(memo->width(), memo->height() * 2);
  Paint();
  EXPECT_EQ(bar->value(), bar->maximum());
  const QString shown = ShownText();
  EXPECT_TRUE(shown.endsWith("short")) << shown.toStdString();
  bar->setValue(0);
  bar->setValue(bar->maximum());
  EXPECT_EQ(ShownText(), shown) << "the view shows what its scroll bar says";
}

struct ScrollCase {
  const char* name;
  std::function<void(MemoTest&)> scroll;
};

void PrintTo(const ScrollCase& c, std::ostream* os) { *os << c.name; }

class ScrollToEnd : public MemoTest, public ::testing::WithParamInterface<ScrollCase> {
public:
  void Wheel(int clicks) {
    const QPoint p = RowStart(0);
    for (int i = 0; i < clicks; ++i) {
      QWheelEvent wheel(p, memo->viewport()->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
      QApplication::sendEvent(memo->viewport(), &wheel);
    }
  }
};

// Lines far down that wrap are laid out only when they come into view; the
// last line wraps too and must still be reached whole.
TEST_P(ScrollToEnd, ShowsTheLastLineWhole) {
  const QString lastLine = QStringLiteral("the last line").append(QStringLiteral(" piece").repeated(8));
  QStringList lines = Numbered(300);
  lines[150] = QStringLiteral("middle ").repeated(50);
  lines << lastLine;
  memo->SetLines(lines);
  Paint();
  memo->setFocus(Qt::MouseFocusReason);
  GetParam().scroll(*this);
  Paint();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(bar->maximum(), memo->RowCount() - bar->pageStep());
  EXPECT_TRUE(ShownText().endsWith("\n" + lastLine)) << QApplication::clipboard()->text().toStdString();

  MemoKey(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(ShownText().startsWith(QStringLiteral("line 0\nline 1\n")));
}

INSTANTIATE_TEST_SUITE_P(
    , ScrollToEnd,
    ::testing::Values(ScrollCase{"ScrollBarDraggedToTheBottom",
                                 [](MemoTest& t) {
                                   t.bar->setSliderDown(true);
                                   t.bar->setValue(t.bar->maximum());
                                   t.bar->setSliderDown(false);
                                 }},
                      ScrollCase{"CtrlEnd", [](MemoTest& t) { t.MemoKey(Qt::Key_End, Qt::ControlModifier); }},
                      ScrollCase{"PageDown",
                                 [](MemoTest& t) {
                                   for (int i = 0; i < 400; ++i) t.MemoKey(Qt::Key_PageDown);
                                 }},
                      ScrollCase{"Down",
                                 [](MemoTest& t) {
                                   for (int i = 0; i < 400; ++i) t.MemoKey(Qt::Key_Down);
                                 }},
                      ScrollCase{"Wheel", [](MemoTest& t) { static_cast<ScrollToEnd&>(t).Wheel(200); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemoTest, KeysMoveTheViewOnlyAsFarAsTheCaretNeeds) {
  memo->SetLines(Numbered(50));
  Paint();
  const int page = bar->pageStep();
  ASSERT_GE(page, 2);
  ClickAt(RowStart(0));
  for (int i = 0; i < page - 1; ++i) MemoKey(Qt::Key_Down);
  EXPECT_EQ(bar->value(), 0) << "the caret is still on the last whole row";
  MemoKey(Qt::Key_Down);
  EXPECT_EQ(bar->value(), 1);
  MemoKey(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(bar->value(), 2) << "Ctrl+Down scrolls without the caret";
  MemoKey(Qt::Key_PageDown);
  EXPECT_EQ(bar->value(), 2 + page);
  MemoKey(Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(Copied(), "line " + QString::number(2 * page)) << "the caret moves with the view";
  MemoKey(Qt::Key_PageUp);
  MemoKey(Qt::Key_PageUp);
  EXPECT_EQ(bar->value(), 0);
}

struct SelectCase {
  const char* name;
  std::function<void(MemoTest&)> select;
  const char* copied;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class Selecting : public MemoTest, public ::testing::WithParamInterface<SelectCase> {};

TEST_P(Selecting, CopiesTheSelectionWithLinesJoinedByNewline) {
  memo->SetLines({"alpha beta", "gamma", "delta epsilon", "zeta"});
  Paint();
  GetParam().select(*this);
  EXPECT_EQ(memo->SelectedText(), GetParam().copied);
  EXPECT_EQ(Copied(), GetParam().copied);
  QApplication::clipboard()->setText("untouched");
  MemoKey(Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), GetParam().copied) << "Ctrl+Insert copies too";
}

INSTANTIATE_TEST_SUITE_P(
    , Selecting,
    ::testing::Values(SelectCase{"Drag",
                                 [](MemoTest& t) {
                                   t.Press(t.RowStart(0));
                                   t.DragTo(t.At(1, 5));
                                   t.DragTo(t.RowEnd(2));
                                   t.Release(t.RowEnd(2));
                                 },
                                 "alpha beta\ngamma\ndelta epsilon"},
                      SelectCase{"DragUpwards",
                                 [](MemoTest& t) {
                                   t.Press(t.RowEnd(1));
                                   t.DragTo(t.RowStart(0));
                                   t.Release(t.RowStart(0));
                                 },
                                 "alpha beta\ngamma"},
                      SelectCase{"ShiftClick",
                                 [](MemoTest& t) {
                                   t.ClickAt(t.RowStart(1));
                                   t.ClickAt(t.RowEnd(2), Qt::ShiftModifier);
                                 },
                                 "gamma\ndelta epsilon"},
                      SelectCase{"ShiftArrows",
                                 [](MemoTest& t) {
                                   t.ClickAt(t.RowStart(0));
                                   t.MemoKey(Qt::Key_Down, Qt::ShiftModifier);
                                   t.MemoKey(Qt::Key_Down, Qt::ShiftModifier);
                                   for (int i = 0; i < 5; ++i) t.MemoKey(Qt::Key_Right, Qt::ShiftModifier);
                                 },
                                 "alpha beta\ngamma\ndelta"},
                      SelectCase{"ShiftLeftAcrossLineStart",
                                 [](MemoTest& t) {
                                   t.ClickAt(t.RowStart(2));
                                   t.MemoKey(Qt::Key_Right);
                                   t.MemoKey(Qt::Key_Left, Qt::ShiftModifier);
                                   t.MemoKey(Qt::Key_Left, Qt::ShiftModifier);
                                   t.MemoKey(Qt::Key_Left, Qt::ShiftModifier);
                                 },
                                 "a\nd"},
                      SelectCase{"ShiftCtrlEnd",
                                 [](MemoTest& t) {
                                   t.ClickAt(t.RowStart(2));
                                   t.MemoKey(Qt::Key_Right, Qt::ControlModifier);
                                   t.MemoKey(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
                                 },
                                 "epsilon\nzeta"},
                      SelectCase{"DoubleClickOnAWord",
                                 [](MemoTest& t) {
                                   const QFontMetrics fm(t.memo->font());
                                   const QPoint p =
                                       t.At(2, fm.horizontalAdvance("delta ") + fm.horizontalAdvance("eps"));
                                   QTest::mouseDClick(t.memo->viewport(), Qt::LeftButton, Qt::NoModifier, p);
                                 },
                                 "epsilon"},
                      SelectCase{"ContextMenuSelectAll",
                                 [](MemoTest& t) {
                                   t.ClickAt(t.RowStart(1));
                                   QStringList texts;
                                   QTimer::singleShot(0, [&texts] {
                                     auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                                     ASSERT_NE(menu, nullptr);
                                     for (QAction* a : menu->actions())
                                       if (!a->isSeparator()) texts << a->text() + (a->isEnabled() ? "" : " (off)");
                                     menu->setActiveAction(menu->actions().back());
                                     QTest::keyClick(menu, Qt::Key_Return);
                                   });
                                   QContextMenuEvent event(QContextMenuEvent::Mouse, t.RowStart(1),
                                                           t.memo->viewport()->mapToGlobal(t.RowStart(1)));
                                   QApplication::sendEvent(t.memo->viewport(), &event);
                                   EXPECT_EQ(texts, (QStringList{"&Copy\tCtrl+C (off)", "Select All"}));
                                 },
                                 "alpha beta\ngamma\ndelta epsilon\nzeta"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemoTest, ContextMenuCopiesTheSelection) {
  memo->SetLines({"one", "two"});
  Paint();
  ClickAt(RowStart(0));
  ClickAt(RowEnd(1), Qt::ShiftModifier);
  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->setActiveAction(menu->actions().front());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  QContextMenuEvent event(QContextMenuEvent::Keyboard, RowStart(0), memo->viewport()->mapToGlobal(RowStart(0)));
  QApplication::sendEvent(memo->viewport(), &event);
  EXPECT_EQ(QApplication::clipboard()->text(), "one\ntwo");
}

TEST_F(MemoTest, DragPastTheBottomEdgeScrollsAndSelectsOn) {
  memo->SetLines(Numbered(100));
  Paint();
  Press(RowStart(0));
  const QPoint below(10, memo->viewport()->height() + 5);
  DragTo(below);
  QTRY_VERIFY(bar->value() >= 5);
  DragTo(RowEnd(0));  // back inside: the scrolling stops
  const int stopped = bar->value();
  QTest::qWait(200);
  EXPECT_EQ(bar->value(), stopped);
  Release(RowEnd(0));
  const QStringList copied = Copied().split('\n');
  EXPECT_EQ(copied.front(), "line 0");
  EXPECT_EQ(copied.size(), stopped + 1) << "from the first line to the top row of the view";
}

TEST_F(MemoTest, SetLinesGoesBackToTheTopWithNothingSelected) {
  memo->SetLines(Numbered(100));
  Paint();
  ClickAt(RowStart(0));
  MemoKey(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
  ASSERT_EQ(bar->value(), bar->maximum());
  ASSERT_GT(bar->value(), 0);

  memo->SetLines(Numbered(100, "other "));
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(memo->SelectedText(), "");
  QApplication::clipboard()->setText("untouched");
  EXPECT_EQ(Copied(), "untouched") << "nothing selected, nothing copied";
  EXPECT_TRUE(ShownText().startsWith("other 0\n"));

  // An empty memo takes every key and click without effect.
  QApplication::clipboard()->setText("untouched");
  memo->SetLines({});
  Paint();
  ClickAt(RowStart(1));
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Left}) MemoKey(key, Qt::ShiftModifier);
  QTest::mouseDClick(memo->viewport(), Qt::LeftButton, Qt::NoModifier, RowStart(0));
  EXPECT_EQ(memo->RowCount(), 0);
  EXPECT_EQ(bar->maximum(), 0);
  EXPECT_EQ(Copied(), "untouched");
}

// The real figure is the window benchmark's; this bound only catches a memo
// that lays out or copies every line.
TEST_F(MemoTest, HundredThousandLinesAreQuickToShowAndScroll) {
  QStringList lines = Numbered(100000);
  lines[99999] = QStringLiteral("end ").repeated(40);
  QElapsedTimer clock;
  clock.start();
  memo->SetLines(lines);
  Paint();
  memo->setFocus(Qt::MouseFocusReason);
  MemoKey(Qt::Key_End, Qt::ControlModifier);
  Paint();
  bar->setValue(bar->maximum() / 2);
  Paint();
  ClickAt(RowStart(0));
  MemoKey(Qt::Key_PageDown);
  Paint();
  const qint64 ms = clock.elapsed();
  EXPECT_LT(ms, 200);
  EXPECT_EQ(memo->Lines().constData(), lines.constData()) << "the memo shares the list it was given, copies no line";
  EXPECT_EQ(bar->value(), bar->maximum() / 2 + bar->pageStep());
  EXPECT_TRUE(ShownText().startsWith("line " + QString::number(bar->value()) + "\n"));
}

}  // namespace
}  // namespace qmt_test

// The memo's caret and selection: keys, mouse, the context menu and copying.
// Nothing the user does changes the lines.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>

#include "platform/memo.h"

namespace {
// How often the view moves by a row while a drag is held past its edge.
constexpr int AutoScrollMs = 50;
}  // namespace

QString TMemo::SelectedText() const {
  const TextPos from = std::min(anchor_, caret_);
  const TextPos to = std::max(anchor_, caret_);
  if (from == to) return {};
  if (from.line == to.line) return lines_.at(from.line).mid(from.col, to.col - from.col);
  qsizetype size = lines_.at(from.line).size() - from.col + to.col;
  for (int i = from.line + 1; i < to.line; ++i) size += lines_.at(i).size() + 1;
  QString out;
  out.reserve(size + 1);
  out += QStringView(lines_.at(from.line)).mid(from.col);
  for (int i = from.line + 1; i < to.line; ++i) {
    out += QLatin1Char('\n');
    out += lines_.at(i);
  }
  out += QLatin1Char('\n');
  out += QStringView(lines_.at(to.line)).left(to.col);
  return out;
}

void TMemo::SelectAll() {
  if (lines_.isEmpty()) return;
  anchor_ = TextPos{};
  caret_ = EndPos();
  viewport()->update();
}

void TMemo::CopySelection() const {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

QMenu* TMemo::CreateContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  const QString copyKey = QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText);
  QAction* copy = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "&Copy") + '\t' + copyKey, this,
                                  [this] { CopySelection(); });
  copy->setEnabled(HasSelection());
  menu->addSeparator();
  // Without the usual Ctrl+A beside it: that key belongs to the window's menu.
  QAction* all =
      menu->addAction(QCoreApplication::translate("QWidgetTextControl", "Select All"), this, [this] { SelectAll(); });
  all->setEnabled(!lines_.isEmpty());
  return menu;
}

// --- Places ----------------------------------------------------------------------

TextPos TMemo::HitTest(QPoint point, bool onCharacter) {
  if (rows_.Lines() == 0) return {};
  RowPlace place = top_;
  Layout(place.line);
  const int dy = point.y() - TopY();
  const int down = dy >= 0 ? dy / rowHeight_ : -((rowHeight_ - 1 - dy) / rowHeight_);
  Step(place, std::clamp(down, -1, viewport()->height() / rowHeight_ + 1));
  const QTextLine row = Layout(place.line)->lineAt(place.sub);
  const int col = row.xToCursor(point.x() - Margin,
                                onCharacter ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters);
  return {place.line, col};
}

TextPos TMemo::CharStep(TextPos pos, int dir, bool words) {
  const QTextLayout* layout = Layout(pos.line);
  const auto mode = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
  const int length = static_cast<int>(lines_.at(pos.line).size());
  if (dir < 0) {
    if (pos.col > 0) return {pos.line, layout->previousCursorPosition(pos.col, mode)};
    if (pos.line > 0) return {pos.line - 1, static_cast<int>(lines_.at(pos.line - 1).size())};
  } else {
    if (pos.col < length) return {pos.line, layout->nextCursorPosition(pos.col, mode)};
    if (pos.line + 1 < rows_.Lines()) return {pos.line + 1, 0};
  }
  return pos;
}

// The start or the end of the visual row of `pos`. A row that wrapped at a
// space ends before it, so that the caret stays on the row.
TextPos TMemo::RowEdge(TextPos pos, bool end) {
  const RowPlace at = PlaceOf(pos);
  const QTextLayout* layout = Layout(pos.line);
  const QTextLine row = layout->lineAt(at.sub);
  if (!end) return {pos.line, row.textStart()};
  int col = row.textStart() + row.textLength();
  if (at.sub + 1 < layout->lineCount() && col > row.textStart() && lines_.at(pos.line).at(col - 1).isSpace()) --col;
  return {pos.line, col};
}

// `rows` rows up (negative) or down from `pos`, at the same distance from
// the left edge as where the vertical moves began.
TextPos TMemo::Vertical(TextPos pos, int rows) {
  RowPlace at = PlaceOf(pos);
  if (wantedX_ < 0) wantedX_ = qRound(Layout(pos.line)->lineAt(at.sub).cursorToX(pos.col));
  Step(at, rows);
  return {at.line, Layout(at.line)->lineAt(at.sub).xToCursor(wantedX_)};
}

// Page Up and Page Down: the view moves by its height and the caret with it,
// from where the caret is.
void TMemo::PageMove(int dir, bool extend) {
  EnsureVisible(caret_);
  RowPlace top = top_;
  Layout(top.line);
  Step(top, dir * PageRows());
  SetTop(top);
  MoveCaret(Vertical(caret_, dir * PageRows()), extend);
}

void TMemo::MoveCaret(TextPos to, bool extend) {
  caret_ = to;
  if (!extend) anchor_ = to;
  EnsureVisible(caret_);
  RestartBlink();
  viewport()->update();
}

void TMemo::RestartBlink() {
  caretOn_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash >= 2)
    blink_.start(flash / 2, this);
  else
    blink_.stop();
}

// --- Keys ------------------------------------------------------------------------

bool TMemo::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    event->accept();
    return true;
  }
  return QAbstractScrollArea::event(event);
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    return;
  }
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if ((mods & ~(Qt::ShiftModifier | Qt::ControlModifier)) || rows_.Lines() == 0) {
    event->ignore();
    return;
  }
  const bool extend = mods & Qt::ShiftModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  const TextPos from = std::min(anchor_, caret_);
  const TextPos to = std::max(anchor_, caret_);
  TextPos next = caret_;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const int dir = event->key() == Qt::Key_Left ? -1 : 1;
      // Without Shift a selection collapses to the side the arrow points to.
      next = HasSelection() && !extend ? (dir < 0 ? from : to) : CharStep(caret_, dir, ctrl);
      wantedX_ = -1;
      break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const int dir = event->key() == Qt::Key_Up ? -1 : 1;
      if (ctrl) {  // scrolls the view, the caret stays
        verticalScrollBar()->triggerAction(dir < 0 ? QAbstractSlider::SliderSingleStepSub
                                                   : QAbstractSlider::SliderSingleStepAdd);
        return;
      }
      next = Vertical(caret_, dir);
      break;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      PageMove(event->key() == Qt::Key_PageUp ? -1 : 1, extend);
      return;
    case Qt::Key_Home:
      next = ctrl ? TextPos{} : RowEdge(caret_, false);
      wantedX_ = -1;
      break;
    case Qt::Key_End:
      next = ctrl ? EndPos() : RowEdge(caret_, true);
      wantedX_ = -1;
      break;
    default:
      event->ignore();  // typing changes nothing
      return;
  }
  MoveCaret(next, extend);
}

// --- Mouse -----------------------------------------------------------------------

void TMemo::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const TextPos at = HitTest(event->position().toPoint());
  caret_ = at;
  if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = at;
  wantedX_ = -1;
  dragging_ = true;
  dragPoint_ = event->position().toPoint();
  RestartBlink();
  viewport()->update();
}

void TMemo::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  dragPoint_ = event->position().toPoint();
  if (dragPoint_.y() < 0 || dragPoint_.y() >= viewport()->height()) {
    if (!autoScroll_.isActive()) autoScroll_.start(AutoScrollMs, this);
  } else {
    autoScroll_.stop();
  }
  UpdateMouseSelection();
}

void TMemo::UpdateMouseSelection() {
  caret_ = HitTest(dragPoint_);
  RestartBlink();
  viewport()->update();
}

void TMemo::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  autoScroll_.stop();
  QClipboard* clipboard = QApplication::clipboard();
  if (HasSelection() && clipboard->supportsSelection()) clipboard->setText(SelectedText(), QClipboard::Selection);
}

// Selects the word under the mouse.
void TMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || rows_.Lines() == 0) return;
  const TextPos at = HitTest(event->position().toPoint(), true);
  const QString& text = lines_.at(at.line);
  QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
  words.setPosition(at.col);
  qsizetype start = words.isAtBoundary() ? at.col : words.toPreviousBoundary();
  words.setPosition(at.col);
  qsizetype end = words.toNextBoundary();
  if (start < 0) start = 0;
  if (end < 0) end = text.size();
  anchor_ = {at.line, static_cast<int>(start)};
  caret_ = {at.line, static_cast<int>(end)};
  dragging_ = false;
  RestartBlink();
  viewport()->update();
}

void TMemo::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(CreateContextMenu(this));
  menu->exec(event->globalPos());
}

// --- Focus and timers -----------------------------------------------------------

void TMemo::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void TMemo::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_.stop();
  dragging_ = false;
  autoScroll_.stop();
  viewport()->update();
}

void TMemo::timerEvent(QTimerEvent* event) {
  if (event->timerId() == blink_.timerId()) {
    caretOn_ = !caretOn_;
    viewport()->update();
  } else if (event->timerId() == autoScroll_.timerId()) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + (dragPoint_.y() < 0 ? -1 : 1));
    UpdateMouseSelection();
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

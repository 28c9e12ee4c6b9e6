// The memo's lines, their layout and painting, and vertical scrolling by
// visual rows.
#include "platform/memo.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cstdlib>

namespace {

// Layouts kept before the ones far from the view are dropped.
constexpr size_t KeptLayouts = 256;
// Lines around the view whose layouts are never dropped.
constexpr int LayoutSlack = 64;

}  // namespace

TMemo::TMemo(QWidget* parent, int left, int top, int width, int height) : QAbstractScrollArea(parent) {
  setGeometry(left, top, width, height);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setCursor(Qt::IBeamCursor);
  rows_.Reset(0);
  Relayout();
}

TMemo::~TMemo() = default;

void TMemo::SetLines(const QStringList& lines) {
  lines_ = lines;
  layouts_.clear();
  rows_.Reset(static_cast<int>(lines_.size()));
  tailLaidOut_ = false;
  anchor_ = caret_ = TextPos{};
  wantedX_ = -1;
  dragging_ = false;
  autoScroll_.stop();
  top_ = RowPlace{};
  UpdateRange();
  SetTop(top_);
}

// --- Layout ------------------------------------------------------------------

QTextLayout* TMemo::Layout(int line) {
  if (auto it = layouts_.find(line); it != layouts_.end()) return it->second.get();
  auto layout = std::make_unique<QTextLayout>(lines_.at(line), font(), viewport());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout->setTextOption(option);
  layout->setCacheEnabled(true);
  layout->beginLayout();
  int rows = 0;
  for (;;) {
    QTextLine row = layout->createLine();
    if (!row.isValid()) break;
    row.setLeadingIncluded(true);
    row.setLineWidth(textWidth_);
    row.setPosition(QPointF(0, rows * rowHeight_));
    ++rows;
  }
  layout->endLayout();
  QTextLayout* result = layout.get();
  layouts_.emplace(line, std::move(layout));
  if (rows != rows_.Rows(line)) LineLaidOut(line, rows);
  return result;
}

// A line now takes `rows` rows. The view stays on the same text: when the
// line lies above it, the scroll bar's value moves by the difference.
void TMemo::LineLaidOut(int line, int rows) {
  rows_.SetRows(line, rows);
  ++syncing_;
  ApplyRange();
  if (line < top_.line) verticalScrollBar()->setValue(rows_.RowsBefore(top_.line) + top_.sub);
  --syncing_;
}

// The width or the font changed: every line is one row again until it is
// laid out anew, and the view keeps its first line.
void TMemo::Relayout() {
  rowHeight_ = std::max(1, QFontMetrics(font()).lineSpacing());
  textWidth_ = std::max(1, viewport()->width() - 2 * Margin);
  layouts_.clear();
  rows_.Reset(static_cast<int>(lines_.size()));
  tailLaidOut_ = false;
  top_ = RowPlace{std::min(top_.line, std::max(0, rows_.Lines() - 1)), 0};
  UpdateRange();
  SetTop(top_);
}

// The last lines decide how far the view can go down: they are laid out
// before the scroll range is trusted.
void TMemo::LayOutTail() {
  tailLaidOut_ = true;
  int need = PageRows();
  for (int line = rows_.Lines() - 1; line >= 0 && need > 0; --line) {
    Layout(line);
    need -= rows_.Rows(line);
  }
  UpdateRange();
}

// The range as the rows known so far give it. A range that no longer reaches
// the view moves it up to the last row it does reach.
void TMemo::UpdateRange() {
  const int before = verticalScrollBar()->value();
  ++syncing_;
  ApplyRange();
  --syncing_;
  const int value = verticalScrollBar()->value();
  if (value != before && rows_.Lines() > 0) {
    top_ = rows_.Find(value);
    viewport()->update();
  }
}

void TMemo::ApplyRange() {
  QScrollBar* bar = verticalScrollBar();
  const int page = PageRows();
  bar->setSingleStep(1);
  bar->setPageStep(page);
  bar->setRange(0, std::max(0, rows_.Total() - page));
}

// Puts `top` first in view and the scroll bar at its row.
void TMemo::SetTop(RowPlace top) {
  top_ = top;
  ++syncing_;
  verticalScrollBar()->setValue(rows_.Lines() > 0 ? rows_.RowsBefore(top.line) + top.sub : 0);
  --syncing_;
  // The value is out of range when the tail is not laid out yet.
  if (rows_.Lines() > 0 && verticalScrollBar()->value() != rows_.RowsBefore(top.line) + top.sub)
    top_ = rows_.Find(verticalScrollBar()->value());
  viewport()->update();
}

// A step of a few rows (wheel, arrows, a page) goes from row to row, laying
// out the lines it passes, so that no row is skipped; a jump of the slider
// goes straight to the row of that number.
void TMemo::scrollContentsBy(int, int dy) {
  viewport()->update();
  if (syncing_ > 0) return;
  if (rows_.Lines() == 0) {
    top_ = RowPlace{};
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  if (dy != 0 && std::abs(dy) <= PageRows() && !bar->isSliderDown()) {
    RowPlace top = top_;
    Layout(top.line);
    Step(top, -dy);
    SetTop(top);
  } else {
    top_ = rows_.Find(bar->value());
  }
}

// The rows that fit in the view whole.
int TMemo::PageRows() const { return std::max(1, (viewport()->height() - Margin - 1) / rowHeight_); }

int TMemo::TopY() const { return top_.line == 0 && top_.sub == 0 ? Margin : 0; }

RowPlace TMemo::PlaceOf(TextPos pos) {
  QTextLayout* layout = Layout(pos.line);
  const QTextLine row = layout->lineForTextPosition(pos.col);
  return {pos.line, row.isValid() ? row.lineNumber() : layout->lineCount() - 1};
}

int TMemo::Step(RowPlace& place, int delta) {
  int moved = 0;
  for (; delta > 0; --delta, ++moved) {
    if (place.sub + 1 < rows_.Rows(place.line)) {
      ++place.sub;
    } else if (place.line + 1 < rows_.Lines()) {
      Layout(++place.line);
      place.sub = 0;
    } else {
      break;
    }
  }
  for (; delta < 0; ++delta, ++moved) {
    if (place.sub > 0) {
      --place.sub;
    } else if (place.line > 0) {
      Layout(--place.line);
      place.sub = rows_.Rows(place.line) - 1;
    } else {
      break;
    }
  }
  return moved;
}

// Scrolls as little as shows the row of `pos` whole.
void TMemo::EnsureVisible(TextPos pos) {
  if (rows_.Lines() == 0) return;
  const RowPlace at = PlaceOf(pos);
  // The top that shows it on the last whole row of the view; laying out the
  // rows above it may move the view's own row numbers, so these come after.
  RowPlace highest = at;
  Step(highest, -(PageRows() - 1));
  const int row = rows_.RowsBefore(at.line) + at.sub;
  const int top = rows_.RowsBefore(top_.line) + top_.sub;
  if (row < top)
    SetTop(at);
  else if (rows_.RowsBefore(highest.line) + highest.sub > top)
    SetTop(highest);
}

void TMemo::TrimLayouts(int firstLine, int lastLine) {
  if (layouts_.size() <= KeptLayouts) return;
  for (auto it = layouts_.begin(); it != layouts_.end();) {
    if (it->first < firstLine - LayoutSlack || it->first > lastLine + LayoutSlack)
      it = layouts_.erase(it);
    else
      ++it;
  }
}

// --- Painting ------------------------------------------------------------------

void TMemo::paintEvent(QPaintEvent* event) {
  if (!tailLaidOut_) LayOutTail();
  QPainter p(viewport());
  if (lines_.isEmpty()) return;
  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  const QPalette& pal = palette();
  p.setPen(pal.color(group, QPalette::Text));
  const TextPos from = std::min(anchor_, caret_);
  const TextPos to = std::max(anchor_, caret_);
  const bool showCaret = hasFocus() && caretOn_;
  const QRectF clip = event->rect();

  const RowPlace top = top_;
  int line = top.line;
  int y = TopY() - top.sub * rowHeight_;
  const int bottom = viewport()->height();
  for (; line < rows_.Lines() && y < bottom; ++line) {
    QTextLayout* layout = Layout(line);
    QList<QTextLayout::FormatRange> selection;
    if (from != to && from.line <= line && line <= to.line) {
      QTextLayout::FormatRange range;
      range.start = line == from.line ? from.col : 0;
      // A selection that goes on past the line's end shows a sliver there.
      const int end = line == to.line ? to.col : static_cast<int>(lines_.at(line).size()) + 1;
      range.length = end - range.start;
      range.format.setBackground(pal.brush(group, QPalette::Highlight));
      range.format.setForeground(pal.brush(group, QPalette::HighlightedText));
      if (range.length > 0) selection << range;
    }
    const QPointF at(Margin, y);
    layout->draw(&p, at, selection, clip);
    if (showCaret && caret_.line == line) layout->drawCursor(&p, at, caret_.col, 1);
    y += rows_.Rows(line) * rowHeight_;
  }
  TrimLayouts(top.line, line);
}

void TMemo::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (std::max(1, viewport()->width() - 2 * Margin) != textWidth_) {
    Relayout();
  } else {
    tailLaidOut_ = false;
    UpdateRange();
  }
}

void TMemo::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) Relayout();
}

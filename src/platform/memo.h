#pragma once
// A read-only memo with a vertical scroll bar; long lines wrap at the width of
// the view. It keeps its lines as strings and lays out only the lines near
// the view: a line not laid out yet counts as one row until it is, so that
// filling it with a long document costs little more than copying the list.
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QStringList>
#include <memory>
#include <unordered_map>

#include "platform/row_index.h"

class QMenu;
class QTextLayout;

// A place between two characters: line and position within the line.
struct TextPos {
  int line = 0;
  int col = 0;
  auto operator<=>(const TextPos&) const = default;
};

class TMemo : public QAbstractScrollArea {
public:
  TMemo(QWidget* parent, int left, int top, int width, int height);
  ~TMemo() override;

  // Replaces the lines as a whole; back to the top, nothing selected.
  void SetLines(const QStringList& lines);
  QStringList Lines() const { return lines_; }

  // The selected text, its lines joined by "\n".
  QString SelectedText() const;
  void SelectAll();
  // Copies the selection to the clipboard; without one, does nothing.
  void CopySelection() const;
  // The visual rows as far as they are known.
  int RowCount() const { return rows_.Total(); }
  // The menu the right mouse button shows.
  QMenu* CreateContextMenu(QWidget* parent);

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

private:
  // Space between the frame and the text, as a plain text edit leaves it;
  // the top one only shows while the first row is at the top.
  static constexpr int Margin = 4;

  // Layout and scrolling (memo.cpp).
  QTextLayout* Layout(int line);
  void LineLaidOut(int line, int rows);
  void Relayout();
  void LayOutTail();
  void UpdateRange();
  void ApplyRange();
  void SetTop(RowPlace top);
  int PageRows() const;
  int TopY() const;
  RowPlace PlaceOf(TextPos pos);
  // Moves `place` by `delta` rows, laying out the lines it reaches; stops at
  // the first and the last row. Returns the rows moved.
  int Step(RowPlace& place, int delta);
  void TrimLayouts(int firstLine, int lastLine);
  void EnsureVisible(TextPos pos);

  // Caret, selection and input (memo_input.cpp).
  bool HasSelection() const { return anchor_ != caret_; }
  // After the last character of the last line; needs a line.
  TextPos EndPos() const { return {static_cast<int>(lines_.size()) - 1, static_cast<int>(lines_.constLast().size())}; }
  // The place nearest to `point`, or with `onCharacter` the character under it.
  TextPos HitTest(QPoint point, bool onCharacter = false);
  TextPos CharStep(TextPos pos, int dir, bool words);
  TextPos RowEdge(TextPos pos, bool end);
  TextPos Vertical(TextPos pos, int rows);
  void PageMove(int dir, bool extend);
  void MoveCaret(TextPos to, bool extend);
  void RestartBlink();
  void UpdateMouseSelection();

  // Shared with the list it was set from: read only through at() and the
  // other const accessors, which do not copy it.
  QStringList lines_;
  RowIndex rows_;
  std::unordered_map<int, std::unique_ptr<QTextLayout>> layouts_;
  RowPlace top_;     // the first row in view
  int syncing_ = 0;  // the scroll bar follows top_, not the other way round
  bool tailLaidOut_ = false;
  int rowHeight_ = 1;
  int textWidth_ = 1;

  TextPos anchor_, caret_;
  int wantedX_ = -1;  // the caret's column in pixels across vertical moves
  bool caretOn_ = false;
  bool dragging_ = false;
  QPoint dragPoint_;
  QBasicTimer blink_;
  QBasicTimer autoScroll_;
};

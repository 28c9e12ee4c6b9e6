#pragma once
// How many visual rows each line of a memo takes, with the rows before a line
// and the line under a row found in O(log n): a Fenwick tree over the counts.
#include <vector>

struct RowPlace {
  int line = 0;
  int sub = 0;  // the row within the line
};

class RowIndex {
public:
  // `lines` lines of one row each, in O(n).
  void Reset(int lines) {
    lines_ = lines;
    total_ = lines;
    tree_.assign(static_cast<size_t>(lines) + 1, 0);
    for (int i = 1; i <= lines; ++i) tree_[i] = i & -i;
    top_ = 1;
    while (top_ * 2 <= lines) top_ *= 2;
  }

  int Lines() const { return lines_; }
  int Total() const { return total_; }

  // The rows of the lines before `line`.
  int RowsBefore(int line) const {
    int sum = 0;
    for (int i = line; i > 0; i -= i & -i) sum += tree_[i];
    return sum;
  }

  int Rows(int line) const { return RowsBefore(line + 1) - RowsBefore(line); }

  void SetRows(int line, int rows) {
    const int delta = rows - Rows(line);
    if (delta == 0) return;
    total_ += delta;
    for (int i = line + 1; i <= lines_; i += i & -i) tree_[i] += delta;
  }

  // The line holding `row`, and the row within it; a row past the end is the
  // last row of the last line. Needs at least one line.
  RowPlace Find(int row) const {
    if (row >= total_) return {lines_ - 1, Rows(lines_ - 1) - 1};
    if (row < 0) row = 0;
    int pos = 0;
    for (int step = top_; step > 0; step /= 2) {
      if (pos + step <= lines_ && tree_[pos + step] <= row) {
        pos += step;
        row -= tree_[pos];
      }
    }
    return {pos, row};
  }

private:
  std::vector<int> tree_;
  int lines_ = 0;
  int total_ = 0;
  int top_ = 1;  // the highest power of two not above lines_
};

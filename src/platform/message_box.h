#pragma once
// Modal message boxes, through one seam: a test queues the next answer and
// reads back what was shown; with no answer queued the real box is shown,
// unless scripted mode is on, where an unscripted box is a failure at once.
#include <QString>
#include <functional>
#include <vector>

struct ShownMessageBox {
  QString text;
  QString caption;
  int flags = 0;  // MB_OK | MB_ICONERROR ...
};

namespace MessageBoxSeam {
// Queues the answer (a button id) of the next box.
void QueueAnswer(int button);
// Every box shown since the last Clear, scripted or real, oldest first.
const std::vector<ShownMessageBox>& Shown();
void Clear();
// Scripted mode: a box with no queued answer calls `onUnscripted` (the
// default aborts the process) and answers OK instead of blocking.
void SetScripted(bool scripted, std::function<void(const ShownMessageBox&)> onUnscripted = {});
// Number of queued answers not taken yet.
int Pending();
}  // namespace MessageBoxSeam

// Shows the box (or takes the scripted answer) and returns the button.
int ShowMessageBox(const QString& text, const QString& caption, int flags);

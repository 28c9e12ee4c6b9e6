#pragma once
// The open-file dialog. Showing it goes through one seam: a test queues the
// next answer (a path, or cancel) and reads back how the dialog was set up.
#include <QString>
#include <functional>
#include <optional>
#include <vector>

enum TOpenOption : unsigned {
  ofHideReadOnly = 1u << 0,
  ofPathMustExist = 1u << 1,
  ofFileMustExist = 1u << 2,
};

class TOpenDialog {
public:
  // "Name|pattern|Name|pattern..." as the form resource gives it.
  QString Filter;
  // 1-based; the dialog sets it to the type chosen when a file is confirmed.
  int FilterIndex = 1;
  QString Title;
  // The name last confirmed, offered as the initial name of the next showing.
  QString FileName;
  unsigned Options = 0;

  // Shows the dialog modally; true when a file was confirmed, whose full
  // path is then FileName.
  bool Execute();
};

struct ShownOpenDialog {
  QString title;
  QString filter;
  int filterIndex = 0;
  QString fileName;  // the initial name offered
  unsigned options = 0;
};

namespace OpenDialogSeam {
// The next showing confirms `path` (made absolute), or cancels with nullopt.
void QueueAnswer(std::optional<QString> path);
const std::vector<ShownOpenDialog>& Shown();
void Clear();
// Scripted mode: a showing with no queued answer calls `onUnscripted` (the
// default aborts) and cancels instead of blocking.
void SetScripted(bool scripted, std::function<void(const ShownOpenDialog&)> onUnscripted = {});
int Pending();
}  // namespace OpenDialogSeam

#include "platform/open_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {
std::deque<std::optional<QString>> g_answers;
std::vector<ShownOpenDialog> g_shown;
bool g_scripted = false;
std::function<void(const ShownOpenDialog&)> g_onUnscripted;

// "Name|pattern|..." to Qt's "Name (pattern)" entries. A name that already
// ends in its pattern in parentheses is kept as it stands.
QStringList QtNameFilters(const QString& filter) {
  QStringList out;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& name = parts[i];
    const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
    if (name.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
      out << name;
    else
      out << name + QLatin1String(" (") + pattern + QLatin1Char(')');
  }
  return out;
}

std::optional<QString> ShowReal(TOpenDialog& d) {
  QFileDialog dialog(QApplication::activeWindow(), d.Title);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((d.Options & ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setWindowModality(Qt::ApplicationModal);
  const QStringList filters = QtNameFilters(d.Filter);
  dialog.setNameFilters(filters);
  if (d.FilterIndex >= 1 && d.FilterIndex <= filters.size()) dialog.selectNameFilter(filters[d.FilterIndex - 1]);
  if (!d.FileName.isEmpty()) {
    const QFileInfo info(d.FileName);
    if (info.isAbsolute()) dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
  if (chosen >= 0) d.FilterIndex = static_cast<int>(chosen) + 1;
  return dialog.selectedFiles().first();
}
}  // namespace

namespace OpenDialogSeam {
void QueueAnswer(std::optional<QString> path) { g_answers.push_back(std::move(path)); }
const std::vector<ShownOpenDialog>& Shown() { return g_shown; }
void Clear() {
  g_shown.clear();
  g_answers.clear();
}
void SetScripted(bool scripted, std::function<void(const ShownOpenDialog&)> onUnscripted) {
  g_scripted = scripted;
  g_onUnscripted = std::move(onUnscripted);
}
int Pending() { return static_cast<int>(g_answers.size()); }
}  // namespace OpenDialogSeam

bool TOpenDialog::Execute() {
  ShownOpenDialog shown{Title, Filter, FilterIndex, FileName, Options};
  g_shown.push_back(shown);
  std::optional<QString> answer;
  if (!g_answers.empty()) {
    answer = g_answers.front();
    g_answers.pop_front();
    if (answer) answer = QFileInfo(*answer).absoluteFilePath();
  } else if (g_scripted) {
    if (g_onUnscripted) {
      g_onUnscripted(shown);
    } else {
      std::fprintf(stderr, "unscripted open dialog: %s\n", qUtf8Printable(Title));
      std::abort();
    }
  } else {
    answer = ShowReal(*this);
  }
  if (!answer) return false;
  FileName = *answer;
  return true;
}

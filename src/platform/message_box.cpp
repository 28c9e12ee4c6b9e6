#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "platform/application.h"

namespace {
std::deque<int> g_answers;
std::vector<ShownMessageBox> g_shown;
bool g_scripted = false;
std::function<void(const ShownMessageBox&)> g_onUnscripted;

int ShowReal(const ShownMessageBox& box) {
  QMessageBox mb(box.flags & MB_ICONERROR ? QMessageBox::Critical : QMessageBox::NoIcon, box.caption,
                 box.text, QMessageBox::Ok, QApplication::activeWindow());
  mb.setWindowModality(Qt::ApplicationModal);
  if (Application && !Application->Icon().isNull()) mb.setWindowIcon(Application->Icon());
  mb.exec();
  return IDOK;
}
}  // namespace

namespace MessageBoxSeam {
void QueueAnswer(int button) { g_answers.push_back(button); }
const std::vector<ShownMessageBox>& Shown() { return g_shown; }
void Clear() {
  g_shown.clear();
  g_answers.clear();
}
void SetScripted(bool scripted, std::function<void(const ShownMessageBox&)> onUnscripted) {
  g_scripted = scripted;
  g_onUnscripted = std::move(onUnscripted);
}
int Pending() { return static_cast<int>(g_answers.size()); }
}  // namespace MessageBoxSeam

int ShowMessageBox(const QString& text, const QString& caption, int flags) {
  ShownMessageBox box{text, caption, flags};
  g_shown.push_back(box);
  if (!g_answers.empty()) {
    const int answer = g_answers.front();
    g_answers.pop_front();
    return answer;
  }
  if (g_scripted) {
    if (g_onUnscripted) {
      g_onUnscripted(box);
    } else {
      std::fprintf(stderr, "unscripted message box: %s | %s\n", qUtf8Printable(caption), qUtf8Printable(text));
      std::abort();
    }
    return IDOK;
  }
  return ShowReal(box);
}

#include "platform/application.h"

#include <QApplication>
#include <QPixmap>

#include "platform/classic_style.h"
#include "platform/exceptions.h"
#include "platform/form.h"
#include "platform/message_box.h"

TApplication* Application = nullptr;

namespace {
const char* const* g_mainIconXpm = nullptr;
QApplication* g_ownQt = nullptr;
int g_qtArgc = 1;
char* g_qtArgv[2] = {nullptr, nullptr};

QString ExecutableFileName(const std::string& argv0) {
  QString path = QString::fromLocal8Bit(argv0.c_str());
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? path : path.mid(slash + 1);
}
}  // namespace

void TApplication::RegisterMainIcon(const char* const* xpm) { g_mainIconXpm = xpm; }

TApplication::TApplication(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) args_.emplace_back(argv[i] ? argv[i] : "");
  if (args_.empty()) args_.emplace_back("qmtedit");
  if (!QApplication::instance()) {
    // Qt sees only the program name: every argument is the program's own.
    static std::string argv0;
    argv0 = args_[0];
    g_qtArgv[0] = argv0.data();
    g_ownQt = new QApplication(g_qtArgc, g_qtArgv);
  }
  QApplication::setQuitOnLastWindowClosed(false);
  // The classic look the layout was drawn for: captions on group box frames.
  if (qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE")) QApplication::setStyle(new ClassicStyle);
  title_ = ExecutableFileName(args_[0]);
  if (g_mainIconXpm) icon_ = QIcon(QPixmap(g_mainIconXpm));
  Application = this;
}

TApplication::~TApplication() {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) delete *it;
  forms_.clear();
  if (Application == this) Application = nullptr;
  delete g_ownQt;
  g_ownQt = nullptr;
}

void TApplication::Adopt(TForm* form) {
  forms_.push_back(form);
  if (!mainForm_) mainForm_ = form;
  Dispatch([form] { form->DoCreate(); });
}

void TApplication::Run() {
  if (!mainForm_) return;
  mainForm_->show();
  QApplication::exec();
}

int TApplication::MessageBox(const QString& text, const QString& caption, int flags) {
  return ShowMessageBox(text, caption, flags);
}

void TApplication::ShowException(const std::exception& e) {
  MessageBox(QString::fromUtf8(e.what()) + QLatin1Char('.'), title_, MB_OK | MB_ICONERROR);
}

void Dispatch(const std::function<void()>& handler) {
  if (!handler) return;
  try {
    handler();
  } catch (const std::exception& e) {
    if (Application) Application->ShowException(e);
  } catch (...) {
    if (Application) Application->ShowException(Exception("Unknown error"));
  }
}

#pragma once
// The application object: title, icon, forms, the message loop, modal
// message boxes and the default exception report.
#include <QIcon>
#include <QString>
#include <exception>
#include <functional>
#include <string>
#include <vector>

class TForm;
class QApplication;

// Button flags and results of message boxes.
enum : int {
  MB_OK = 0x0,
  MB_ICONERROR = 0x10,
  IDOK = 1,
  IDCANCEL = 2,
};

class TApplication {
public:
  // `argv` as the system passed it: element 0 is the program, the rest are
  // the program's own arguments, untouched by Qt.
  TApplication(int argc, char** argv);
  ~TApplication();

  void Initialize() {}

  // Creates a form, stores it in `ref`, then runs its creation handler. The
  // first form created is the main form. An exception that escapes the
  // creation handler is reported and creation goes on.
  template <class T>
  void CreateForm(T*& ref) {
    ref = new T();
    Adopt(ref);
  }

  const QString& Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }
  const QIcon& Icon() const { return icon_; }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and runs the message loop until the main form has
  // closed.
  void Run();

  // A modal message box over the application: `flags` combines MB_OK and
  // MB_ICONERROR. Returns the button pressed (IDOK).
  int MessageBox(const QString& text, const QString& caption, int flags);
  // The default exception report: the message followed by ".", the title as
  // caption, the error icon, OK.
  void ShowException(const std::exception& e);

  int ParamCount() const { return static_cast<int>(args_.size()) - 1; }
  // Argument i as the system's bytes; i = 0 is the program.
  const std::string& ParamStr(int i) const { return args_[static_cast<size_t>(i)]; }

  // The icon resource "MAINICON", registered by the program before the
  // application object is made (an XPM image).
  static void RegisterMainIcon(const char* const* xpm);

private:
  void Adopt(TForm* form);

  std::vector<std::string> args_;
  QString title_;
  QIcon icon_;
  TForm* mainForm_ = nullptr;
  std::vector<TForm*> forms_;
};

extern TApplication* Application;

// Runs an event handler. Nothing thrown by it crosses the event loop: the
// platform's Exception and any std::exception are reported through
// ShowException, and the program goes on.
void Dispatch(const std::function<void()>& handler);

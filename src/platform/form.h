#pragma once
// Forms: fixed-size windows with a client area of their own size below an
// optional menu bar, shown modelessly (the main form) or modally.
#include <QIcon>
#include <QKeySequence>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/controls.h"

class QAction;
class QMenu;
class QMenuBar;

// Modal results.
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A menu entry: a drop-down menu of the menu bar or an item inside one.
// Captions mark their access key with "&"; "-" is a separator line.
class TMenuItem {
public:
  QString Caption;
  // Ctrl 0x4000, Shift 0x2000, Alt 0x8000 plus the key's virtual-key code.
  int ShortCut = 0;
  TNotifyEvent OnClick;

  QAction* Action() const { return action_; }
  QMenu* Menu() const { return menu_; }

private:
  friend class TMainMenu;
  QAction* action_ = nullptr;
  QMenu* menu_ = nullptr;
};

QKeySequence ShortCutToKey(int shortCut);

class TForm;

// The menu bar of a form. Its shortcuts run their entries' handlers
// whichever control of the form has the focus, before that control sees
// the key.
class TMainMenu {
public:
  explicit TMainMenu(TForm* form);
  // Adds a drop-down menu to the bar.
  void AddMenu(TMenuItem* menu);
  // Adds an item to a drop-down menu.
  void AddItem(TMenuItem* menu, TMenuItem* item);
  bool HandlesShortcut(const QKeySequence& key) const;
  QMenuBar* Bar() const { return bar_; }

private:
  TForm* form_;
  QMenuBar* bar_;
  std::vector<TMenuItem*> items_;
};

class TForm : public QMainWindow {
public:
  TForm();
  ~TForm() override;

  // The client area below the menu bar, parent of the form's controls.
  QWidget* Client() const { return client_; }
  // Fixes the client area's size; the window cannot be resized.
  void SetClientSize(int width, int height);
  // Title bar buttons: the system menu (close) and minimize; no maximize.
  void SetMinimizeOnlyBorder();
  // Takes the menu; the form owns it from then on.
  void SetMenu(TMainMenu* menu);
  TMainMenu* Menu() const { return menu_.get(); }

  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& caption) { setWindowTitle(caption); }
  QIcon Icon() const { return windowIcon(); }
  void SetIcon(const QIcon& icon) { setWindowIcon(icon); }

  // Enter presses this button while the form has the focus.
  TButton* DefaultButton = nullptr;

  // Shows the form modally to the application; returns the modal result:
  // the one set through SetModalResult, or mrCancel when closed from its
  // title bar.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result);
  bool InModalLoop() const { return modalLoop_ != nullptr; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnClose;

  // Puts labels, bevels and images beneath the windowed controls of the
  // same parent, as painted shapes lie beneath real controls; among
  // themselves they keep their creation order. Called once the form's
  // controls are made.
  void StackGraphicControls();

  // Runs OnCreate (the application object does this right after making the
  // form).
  void DoCreate();

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  QWidget* client_;
  std::unique_ptr<TMainMenu> menu_;
  int modalResult_ = mrNone;
  class QEventLoop* modalLoop_ = nullptr;
};

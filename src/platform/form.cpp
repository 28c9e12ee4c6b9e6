#include "platform/form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

#include "platform/application.h"

QKeySequence ShortCutToKey(int shortCut) {
  if (shortCut == 0) return {};
  int key = shortCut & 0xFF;
  // Virtual-key codes of letters and digits are their upper-case ASCII.
  Qt::KeyboardModifiers mods;
  if (shortCut & 0x4000) mods |= Qt::ControlModifier;
  if (shortCut & 0x2000) mods |= Qt::ShiftModifier;
  if (shortCut & 0x8000) mods |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(mods, Qt::Key(key)));
}

namespace {
// Lets the form's menu shortcuts win over the focused control: a control
// (an edit field claims Ctrl+A, for one) may not override them.
class MenuShortcutFilter : public QObject {
public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    auto* form = dynamic_cast<TForm*>(widget->window());
    if (!form || !form->Menu()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence seq(key->keyCombination());
    if (!form->Menu()->HandlesShortcut(seq)) return false;
    event->ignore();
    return true;
  }
};

void InstallMenuShortcutFilter() {
  static MenuShortcutFilter* filter = nullptr;
  if (filter && filter->parent() == QCoreApplication::instance()) return;
  filter = new MenuShortcutFilter(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(filter);
}
}  // namespace

// --- TMainMenu -------------------------------------------------------------

TMainMenu::TMainMenu(TForm* form) : form_(form), bar_(new QMenuBar(form)) {}

void TMainMenu::AddMenu(TMenuItem* menu) {
  menu->menu_ = bar_->addMenu(menu->Caption);
  menu->action_ = menu->menu_->menuAction();
  items_.push_back(menu);
}

void TMainMenu::AddItem(TMenuItem* menu, TMenuItem* item) {
  if (item->Caption == QLatin1String("-")) {
    item->action_ = menu->menu_->addSeparator();
  } else {
    item->action_ = menu->menu_->addAction(item->Caption);
    if (item->ShortCut) {
      item->action_->setShortcut(ShortCutToKey(item->ShortCut));
      item->action_->setShortcutContext(Qt::WindowShortcut);
      item->action_->setShortcutVisibleInContextMenu(true);
      form_->addAction(item->action_);
    }
    QObject::connect(item->action_, &QAction::triggered, form_, [item] { Dispatch(item->OnClick); });
  }
  items_.push_back(item);
}

bool TMainMenu::HandlesShortcut(const QKeySequence& key) const {
  for (const TMenuItem* item : items_)
    if (item->ShortCut && ShortCutToKey(item->ShortCut) == key) return true;
  return false;
}

// --- TForm -----------------------------------------------------------------

TForm::TForm() : client_(new QWidget(this)) {
  setCentralWidget(client_);
  setFont(UiFont(12));
  setAttribute(Qt::WA_DeleteOnClose, false);
  InstallMenuShortcutFilter();
}

TForm::~TForm() = default;

void TForm::SetClientSize(int width, int height) {
  client_->setFixedSize(width, height);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
}

void TForm::SetMinimizeOnlyBorder() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
}

void TForm::SetMenu(TMainMenu* menu) {
  menu_.reset(menu);
  setMenuBar(menu->Bar());
  adjustSize();
}

static void StackGraphicChildren(QWidget* parent) {
  std::vector<QWidget*> graphic;
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w) continue;
    if (dynamic_cast<TLabel*>(w) || dynamic_cast<TBevel*>(w) || dynamic_cast<TImage*>(w))
      graphic.push_back(w);
    else
      StackGraphicChildren(w);
  }
  for (auto it = graphic.rbegin(); it != graphic.rend(); ++it) (*it)->lower();
}

void TForm::StackGraphicControls() { StackGraphicChildren(client_); }

void TForm::DoCreate() { Dispatch(OnCreate); }

int TForm::ShowModal() {
  modalResult_ = mrNone;
  setWindowModality(Qt::ApplicationModal);
  show();
  activateWindow();
  raise();
  QEventLoop loop;
  modalLoop_ = &loop;
  if (modalResult_ == mrNone && isVisible()) loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
  hide();
  setWindowModality(Qt::NonModal);
  return modalResult_;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (result != mrNone && modalLoop_) modalLoop_->quit();
}

void TForm::closeEvent(QCloseEvent* event) {
  if (modalLoop_) {
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    event->accept();
    modalLoop_->quit();
    return;
  }
  Dispatch(OnClose);
  event->accept();
  if (Application && Application->MainForm() == this) QCoreApplication::quit();
}

void TForm::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && DefaultButton &&
      DefaultButton->isVisible() && DefaultButton->isEnabled()) {
    DefaultButton->click();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

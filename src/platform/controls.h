#pragma once
// The standard controls, placed by pixel geometry relative to the parent's
// client area. Change and click events go through Dispatch; the program
// sets texts and selections without raising the user-choice events.
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/memo.h"

class QTabBar;
class QValidator;

using TObject = QObject;
using TNotifyEvent = std::function<void()>;

// The window font, "ＭＳ Ｐゴシック" where it exists, else a metric twin.
QFont UiFont(int pixelHeight);
// The family UiFont uses; empty when none of them is installed.
QString UiFontFamily();

class TLabel : public QLabel {
public:
  TLabel(QWidget* parent, int left, int top, int width, int height);
  // The label sizes itself to its text on one line: a right-justified label
  // keeps its right edge, any other its left edge. Off for a label that
  // spans its parent.
  bool AutoSize = true;
  void SetAlignment(Qt::Alignment a);
  void SetCaption(const QString& caption);
  QString Caption() const { return text(); }

private:
  void Fit();
  int right_;
};

// A line along the top edge of its rectangle.
class TBevel : public QFrame {
public:
  TBevel(QWidget* parent, int left, int top, int width, int height);

protected:
  void paintEvent(QPaintEvent*) override;
};

class TButton : public QPushButton {
public:
  TButton(QWidget* parent, int left, int top, int width, int height, const QString& caption);
  TNotifyEvent OnClick;
};

class TGroupBox : public QGroupBox {
public:
  TGroupBox(QWidget* parent, int left, int top, int width, int height, const QString& caption);
};

// An edit field. Setting its text to the text it holds raises nothing; a
// different text raises OnChange once, nested inside the setting. MaxLength
// limits only what the user types or pastes.
class TEdit : public QLineEdit {
public:
  TEdit(QWidget* parent, int left, int top, int width, int height);
  void SetText(const QString& text);
  QString Text() const { return text(); }
  void SetMaxLength(int n) { maxLength_ = n; }
  int MaxLength() const { return maxLength_; }
  TNotifyEvent OnChange;

private:
  friend class TypingLimit;
  int maxLength_ = 0;  // 0: no limit
  int programSetting_ = 0;
  QString before_;  // the text before the change being validated
};

// A drop-down list (choice from the list only).
class TComboBox : public QComboBox {
public:
  TComboBox(QWidget* parent, int left, int top, int width, int height);
  // Replaces the items, leaving nothing selected; raises nothing.
  void SetItems(const QStringList& items);
  int ItemIndex() const { return currentIndex(); }
  // Raises nothing; an index outside the items leaves nothing selected.
  void SetItemIndex(int index);
  TNotifyEvent OnChange;  // the user chose an item
};

// A tab strip over a page area.
class TTabControl : public QWidget {
public:
  TTabControl(QWidget* parent, int left, int top, int width, int height);
  // Replaces the tabs as a whole; raises nothing. The first tab becomes the
  // selected one.
  void SetTabs(const QStringList& tabs);
  QStringList Tabs() const;
  int TabIndex() const;  // -1 without tabs
  // Repaints at once.
  void Update();
  QTabBar* Bar() const { return bar_; }
  TNotifyEvent OnChange;  // the user chose another tab

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

private:
  QTabBar* bar_;
  int programChanging_ = 0;
};

// A picture that takes the size of its image.
class TImage : public QLabel {
public:
  TImage(QWidget* parent, int left, int top, int width, int height);
  void SetIcon(const QIcon& icon);
  bool HasPicture() const { return !pixmap().isNull(); }
};

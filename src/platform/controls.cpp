#include "platform/controls.h"

#include <QFontDatabase>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QValidator>

#include "platform/application.h"

QString UiFontFamily() {
  static const QString family = [] {
    // One listing of the installed families for all the names: asking for
    // each name on its own lists them again and also runs it through the
    // font configuration's substitution rules.
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック"}) {
      const QString family = QString::fromUtf8(name);
      if (installed.contains(family, Qt::CaseInsensitive)) return family;
    }
    return QString();
  }();
  return family;
}

QFont UiFont(int pixelHeight) {
  QFont font;
  if (!UiFontFamily().isEmpty()) font.setFamily(UiFontFamily());
  font.setPixelSize(pixelHeight);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

// --- TLabel --------------------------------------------------------------

TLabel::TLabel(QWidget* parent, int left, int top, int width, int height)
    : QLabel(parent), right_(left + width) {
  setGeometry(left, top, width, height);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

void TLabel::SetAlignment(Qt::Alignment a) {
  setAlignment(a | Qt::AlignVCenter);
  Fit();
}

void TLabel::SetCaption(const QString& caption) {
  setText(caption);
  Fit();
}

void TLabel::Fit() {
  if (!AutoSize) return;
  const int w = fontMetrics().horizontalAdvance(text());
  if (alignment() & Qt::AlignRight)
    setGeometry(right_ - w, y(), w, height());
  else
    setGeometry(x(), y(), w, height());
}

// --- TBevel --------------------------------------------------------------

TBevel::TBevel(QWidget* parent, int left, int top, int width, int height) : QFrame(parent) {
  setGeometry(left, top, width, height);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(0, 0, width() - 1, 0);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(0, 1, width() - 1, 1);
}

// --- TButton / TGroupBox ---------------------------------------------------

TButton::TButton(QWidget* parent, int left, int top, int width, int height, const QString& caption)
    : QPushButton(caption, parent) {
  setGeometry(left, top, width, height);
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] { Dispatch(OnClick); });
}

TGroupBox::TGroupBox(QWidget* parent, int left, int top, int width, int height, const QString& caption)
    : QGroupBox(caption, parent) {
  setGeometry(left, top, width, height);
  setFocusPolicy(Qt::NoFocus);
}

// --- TEdit -----------------------------------------------------------------

// Cuts what the user types or pastes so that the field holds no more than
// MaxLength characters; texts set by the program pass whole.
class TypingLimit : public QValidator {
public:
  explicit TypingLimit(TEdit* edit) : QValidator(edit), edit_(edit) {}
  State validate(QString& input, int& pos) const override {
    const int limit = edit_->maxLength_;
    if (edit_->programSetting_ > 0 || limit <= 0 || input.size() <= limit) return Acceptable;
    // What stayed of the old text is its common start and end with the new
    // one; the rest of the new text was typed or pasted in between.
    const QString& before = edit_->before_;
    qsizetype head = 0;
    const qsizetype most = std::min(before.size(), input.size());
    while (head < most && before[head] == input[head]) ++head;
    qsizetype tail = 0;
    while (tail < most - head && before[before.size() - 1 - tail] == input[input.size() - 1 - tail]) ++tail;
    const qsizetype kept = head + tail;
    const qsizetype inserted = input.size() - kept;
    const qsizetype room = std::max<qsizetype>(0, limit - kept);
    if (inserted <= room) return Acceptable;
    input.remove(head + room, inserted - room);
    pos = static_cast<int>(head + room);
    return Acceptable;
  }

private:
  TEdit* edit_;
};

TEdit::TEdit(QWidget* parent, int left, int top, int width, int height) : QLineEdit(parent) {
  setGeometry(left, top, width, height);
  setValidator(new TypingLimit(this));
  connect(this, &QLineEdit::textChanged, this, [this] {
    before_ = text();
    Dispatch(OnChange);
  });
}

void TEdit::SetText(const QString& text) {
  ++programSetting_;
  struct Done {
    int& n;
    ~Done() { --n; }
  } done{programSetting_};
  setText(text);
}

// --- TComboBox -------------------------------------------------------------

TComboBox::TComboBox(QWidget* parent, int left, int top, int width, int height) : QComboBox(parent) {
  setGeometry(left, top, width, height);
  setEditable(false);
  setMaxVisibleItems(8);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QComboBox::activated, this, [this](int) { Dispatch(OnChange); });
}

void TComboBox::SetItems(const QStringList& items) {
  const QSignalBlocker block(this);
  clear();
  addItems(items);
  setCurrentIndex(-1);
}

void TComboBox::SetItemIndex(int index) {
  const QSignalBlocker block(this);
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

// --- TTabControl -----------------------------------------------------------

TTabControl::TTabControl(QWidget* parent, int left, int top, int width, int height)
    : QWidget(parent), bar_(new QTabBar(this)) {
  setGeometry(left, top, width, height);
  bar_->setExpanding(false);
  bar_->setUsesScrollButtons(true);
  bar_->setDrawBase(false);
  bar_->setFocusPolicy(Qt::StrongFocus);
  bar_->setElideMode(Qt::ElideNone);
  connect(bar_, &QTabBar::currentChanged, this, [this](int) {
    if (programChanging_ == 0) Dispatch(OnChange);
  });
  bar_->setGeometry(0, 0, width, bar_->sizeHint().height());
}

void TTabControl::SetTabs(const QStringList& tabs) {
  ++programChanging_;
  while (bar_->count() > 0) bar_->removeTab(bar_->count() - 1);
  for (const QString& t : tabs) bar_->addTab(t);
  if (bar_->count() > 0) bar_->setCurrentIndex(0);
  --programChanging_;
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
  update();
}

QStringList TTabControl::Tabs() const {
  QStringList out;
  for (int i = 0; i < bar_->count(); ++i) out << bar_->tabText(i);
  return out;
}

int TTabControl::TabIndex() const { return bar_->count() > 0 ? bar_->currentIndex() : -1; }

void TTabControl::Update() { repaint(); }

void TTabControl::resizeEvent(QResizeEvent*) { bar_->setGeometry(0, 0, width(), bar_->sizeHint().height()); }

void TTabControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionTabWidgetFrame opt;
  opt.initFrom(this);
  const int barHeight = bar_->count() > 0 ? bar_->sizeHint().height() : 0;
  opt.rect = QRect(0, barHeight > 0 ? barHeight - 1 : 0, width(), height() - (barHeight > 0 ? barHeight - 1 : 0));
  opt.shape = QTabBar::RoundedNorth;
  opt.tabBarSize = QSize(bar_->width(), barHeight);
  opt.tabBarRect = QRect(0, 0, bar_->width(), barHeight);
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &opt, &p, this);
}

// --- TImage ----------------------------------------------------------------

TImage::TImage(QWidget* parent, int left, int top, int width, int height) : QLabel(parent) {
  setGeometry(left, top, width, height);
}

void TImage::SetIcon(const QIcon& icon) {
  const QPixmap pm = icon.pixmap(QSize(32, 32));
  setPixmap(pm);
  if (!pm.isNull()) resize(pm.size() / pm.devicePixelRatio());
}

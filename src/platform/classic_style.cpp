#include "platform/classic_style.h"

#include <QApplication>
#include <QIconEngine>
#include <QPointer>
#include <QStyleFactory>
#include <QWidget>

namespace {
// A style's standard icon, asked of the style on first use.
class DeferredStandardIcon : public QIconEngine {
public:
  DeferredStandardIcon(const QStyle* style, QStyle::StandardPixmap which) : style_(style), which_(which) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Real().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Real().pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    return Real().pixmap(size, scale, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Real().actualSize(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Real().availableSizes(mode, state);
  }
  void addPixmap(const QPixmap& pixmap, QIcon::Mode mode, QIcon::State state) override {
    Real().addPixmap(pixmap, mode, state);
  }
  void addFile(const QString& fileName, const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    Real().addFile(fileName, size, mode, state);
  }
  QString iconName() override { return Real().name(); }
  bool isNull() override { return Real().isNull(); }
  QString key() const override { return QStringLiteral("qmt.deferred-standard-icon"); }
  QIconEngine* clone() const override { return new DeferredStandardIcon(*this); }

private:
  QIcon& Real() {
    if (!made_) {
      const QStyle* style = style_ ? style_.data() : QApplication::style();
      real_ = style->standardIcon(which_);
      made_ = true;
    }
    return real_;
  }

  QPointer<const QStyle> style_;
  QStyle::StandardPixmap which_;
  QIcon real_;
  bool made_ = false;
};
}  // namespace

ClassicStyle::ClassicStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

QIcon ClassicStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const {
  // Only the plain request of a menu bar in the application's direction is
  // deferred: the icon made later, without the widget, is then the same.
  const bool plain = option == nullptr &&
                     (widget == nullptr || widget->layoutDirection() == QGuiApplication::layoutDirection());
  if (icon == SP_ToolBarHorizontalExtensionButton && plain)
    return QIcon(new DeferredStandardIcon(baseStyle(), icon));
  return QProxyStyle::standardIcon(icon, option, widget);
}

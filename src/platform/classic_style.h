#pragma once
// The classic look the layout was drawn for: Qt's Windows style, with
// captions on group box frames. One change of its own: the icon of a menu
// bar's overflow button (shown only when the menus do not fit on the bar)
// is read when it is first needed instead of when the menu bar is made.
// Reading it sets off the loading of every image format plug-in; the icon
// is the same either way.
#include <QProxyStyle>

class ClassicStyle : public QProxyStyle {
public:
  ClassicStyle();
  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
};

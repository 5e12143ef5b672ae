// The program's style: the platform's own, except for the few pictures Qt
// keeps as image files and asks for while the window is built (the dock's
// title buttons and the tool bar's overflow button), which are drawn here.
// Reading one image file loads every image reader Qt has, none of which the
// program needs.
#pragma once

#include <QProxyStyle>

class WindowStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Takes over base, which stays the style of everything else.
    explicit WindowStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// Makes WindowStyle, around the style the application has, the application's style.
void UseWindowStyle();

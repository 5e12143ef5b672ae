// The program's style: the platform's own, except for
// - the few pictures Qt keeps as image files and asks for while the window is
//   built (the dock's title buttons and the tool bar's overflow button),
//   which are drawn here: reading one image file loads every image reader Qt
//   has, none of which the program needs;
// - the frame of a text field, which the style draws as an antialiased
//   outline each time a field is painted, and which is the same for every
//   field of a size and state: it is drawn once and kept as a picture (where
//   the platform's style is the one that draws it from its state alone).
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
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    // Draws a text field's frame from its kept picture; false when the
    // painter is not one the picture can stand in for.
    bool DrawKeptFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;

    bool m_keepsFrames;
};

// Makes WindowStyle, around the style the application has, the application's style.
void UseWindowStyle();

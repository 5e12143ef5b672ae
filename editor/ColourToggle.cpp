#include "editor/ColourToggle.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

const QColor FrameColour(0x8a, 0x8a, 0x8a);
const QColor PressedFrameColour(0x1a, 0x1a, 0x1a);
const QColor DisabledTextColour(0x80, 0x80, 0x80);
constexpr int FrameWidth = 1;
constexpr int PressedFrameWidth = 3;
constexpr qreal CornerRadius = 2;

} // namespace

ColourToggle::ColourToggle(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setCheckable(true);
}

void ColourToggle::SetColour(const QColor& colour)
{
    if (colour == m_colour) return;
    m_colour = colour;
    update();
}

void ColourToggle::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const bool pressed = isChecked() || isDown();
    const int frame = pressed ? PressedFrameWidth : FrameWidth;
    // The frame's pen is centred on its path: the path runs half a frame inside the edge.
    const qreal inset = frame / 2.0;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(pressed ? PressedFrameColour : FrameColour, frame));
    painter.setBrush(m_colour);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), CornerRadius, CornerRadius);

    QFont font = this->font();
    font.setBold(isChecked());
    painter.setFont(font);
    painter.setPen(isEnabled() ? QColor(Qt::black) : DisabledTextColour);
    painter.drawText(rect(), int(Qt::AlignCenter) | int(Qt::TextShowMnemonic), text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1);
        focus.backgroundColor = m_colour;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

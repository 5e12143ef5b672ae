#include "editor/DayCell.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

DayCell::DayCell(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DayCell::SetColour(const QColor& colour)
{
    if (colour == m_colour) return;
    m_colour = colour;
    update();
}

void DayCell::SetFreeDayLook(bool freeDay)
{
    const int size = freeDay ? 16 : 9;
    if (freeDay == m_struck && size == m_pointSize) return;
    m_struck = freeDay;
    m_pointSize = size;
    update();
}

void DayCell::SetCornerText(const QString& text)
{
    if (text == m_corner) return;
    m_corner = text;
    update();
}

void DayCell::SetMarked(bool marked)
{
    if (marked == m_marked) return;
    m_marked = marked;
    update();
}

QSize DayCell::sizeHint() const
{
    return QSize(33, 23);
}

double DayCell::Growth() const
{
    const QSize drawn = sizeHint();
    const double growth = std::min(width() / double(drawn.width()), height() / double(drawn.height()));
    return std::clamp(growth, 1.0, MostGrowth);
}

void DayCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, m_colour.isValid() ? m_colour : palette().color(QPalette::Button));

    // A raised edge, sunk while pressed.
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const bool sunk = isDown();
    // (Each edge a filled row or column of pixels: the same pixels as a
    // line, without the line drawing's setup.)
    const QColor& upper = sunk ? dark : light;
    const QColor& lower = sunk ? light : dark;
    painter.fillRect(QRect(area.left(), area.top(), area.width(), 1), upper);
    painter.fillRect(QRect(area.left(), area.top(), 1, area.height()), upper);
    painter.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), lower);
    painter.fillRect(QRect(area.right(), area.top(), 1, area.height()), lower);

    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.setPen(isEnabled() ? QColor(Qt::black) : palette().color(group, QPalette::WindowText));
    // Larger cells show larger digits, up to a limit.
    const double growth = Growth();
    QFont dayFont = font();
    dayFont.setPointSizeF(m_pointSize * growth);
    dayFont.setStrikeOut(m_struck);
    painter.setFont(dayFont);
    painter.drawText(area, Qt::AlignCenter, text());

    if (!m_corner.isEmpty()) {
        QFont small = font();
        small.setPointSizeF(qMax(5.0, font().pointSizeF() * 0.7 * growth));
        painter.setFont(small);
        painter.drawText(area.adjusted(0, 0, -2, -1), Qt::AlignRight | Qt::AlignBottom, m_corner);
    }
    if (m_marked) {
        const int size = qMax(5, std::min(area.height(), area.width()) / 3);
        const QPoint corner = area.topRight();
        const QPolygon mark{corner, corner - QPoint(size, 0), corner + QPoint(0, size)};
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xD0, 0, 0));
        painter.drawPolygon(mark);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = area.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

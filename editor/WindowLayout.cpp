#include "editor/WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// The grid takes at most this share of the width beyond the drawn size; its
// days grow to at most this many times their drawn width, and become at most
// this much taller than wide, compared with their drawn shape.
constexpr double ShareAcross = 0.4;
constexpr double MostAcross = 2.2;
constexpr double MostTaller = 1.6;

int Pixels(double twips, double scale)
{
    return int(std::lround(twips * scale));
}

} // namespace

WindowLayout::WindowLayout(QWidget* parent, QSize designSize, QRect calendar)
    : TwipsLayout(parent, designSize), m_design(designSize), m_calendar(calendar)
{
}

void WindowLayout::setGeometry(const QRect& rect)
{
    const QSize drawn = DesignPixels();
    m_extra = QSize(std::max(0, rect.width() - drawn.width()), std::max(0, rect.height() - drawn.height()));
    const double scale = PixelsPerTwip();
    const double fillDown = 1 + m_extra.height() / (m_calendar.height() * scale);
    const double shareAcross = 1 + m_extra.width() * ShareAcross / (m_calendar.width() * scale);
    m_across = std::min({fillDown, shareAcross, MostAcross});
    m_down = std::min(fillDown, m_across * MostTaller);
    TwipsLayout::setGeometry(rect);
}

QRect WindowLayout::Place(const QRect& twips, int rule, const QRect& area) const
{
    const double scale = PixelsPerTwip();
    const int calendarWider = Pixels(m_calendar.width() * (m_across - 1), scale);
    const int calendarTaller = Pixels(m_calendar.height() * (m_down - 1), scale);
    int left = Pixels(twips.left(), scale);
    int right = Pixels(twips.left() + twips.width(), scale);
    int top = Pixels(twips.top(), scale);
    int bottom = Pixels(twips.top() + twips.height(), scale);
    switch (rule & 0xF) {
    case AtLeft: // and AtTop
        break;
    case ToCalendarEdge:
        right += calendarWider;
        break;
    case AsCalendar:
        right = left + Pixels(twips.width() * m_across, scale);
        break;
    case BesideList:
        left += calendarWider;
        right += calendarWider;
        break;
    case AsList:
        left += calendarWider;
        right += m_extra.width();
        break;
    case AtRight:
        left += m_extra.width();
        right += m_extra.width();
        break;
    default:
        break;
    }
    switch (rule & 0xF0) {
    case AsCalendarDown:
        bottom = top + Pixels(twips.height() * m_down, scale);
        break;
    case UnderCalendar:
        top += calendarTaller;
        bottom += calendarTaller;
        break;
    case AtBottom:
        top += m_extra.height();
        bottom += m_extra.height();
        break;
    case ToBottom:
        bottom += m_extra.height();
        break;
    default:
        break;
    }
    return QRect(area.left() + left, area.top() + top, right - left, bottom - top);
}

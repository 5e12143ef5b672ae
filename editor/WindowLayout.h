// The main window's layout. At its drawn size every part lies where the
// window is drawn. A larger window gives the month grid larger days, as
// large as the height allows but within a share of the extra width, up to a
// limit and never much taller than wide, and gives the employee list the
// rest of the width and height; the fields, labels and buttons keep their size, the
// parts under the grid follow it down and the button row stays at the bottom.
#pragma once

#include "editor/TwipsLayout.h"

class WindowLayout : public TwipsLayout
{
public:
    // How a part follows a window larger than drawn: one value across and
    // one down, joined with |.
    enum Rule {
        // across
        AtLeft = 0,         // stays as drawn
        ToCalendarEdge = 1, // its right edge follows the grid's (the plan box)
        AsCalendar = 2,     // the month grid
        BesideList = 3,     // moves with the list's left edge, keeps its width
        AsList = 4,         // from the list's left edge to the window's right edge
        AtRight = 5,        // keeps its distance from the right edge
        // down
        AtTop = 0,
        AsCalendarDown = 1 << 4,
        UnderCalendar = 2 << 4, // follows the grid's bottom edge
        AtBottom = 3 << 4,      // keeps its distance from the bottom edge
        ToBottom = 4 << 4,      // from its top to its distance from the bottom edge
    };

    // calendar: the month grid's place in twips.
    WindowLayout(QWidget* parent, QSize designSize, QRect calendar);

    void setGeometry(const QRect& rect) override;
    // How much larger than drawn the month grid is, across and down.
    double CalendarAcross() const { return m_across; }
    double CalendarDown() const { return m_down; }

protected:
    QRect Place(const QRect& twips, int rule, const QRect& area) const override;

private:
    QSize m_design;
    QRect m_calendar;
    double m_across = 1;
    double m_down = 1;
    QSize m_extra; // pixels beyond the drawn size
};

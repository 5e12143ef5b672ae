#include "export/PdfExport.h"

#include "export/PlanShifts.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {

// Colours of the printout (the slots' own colours come with the input).
const QColor Ink(0x20, 0x20, 0x20);
const QColor Muted(0x60, 0x60, 0x60);
const QColor Rule(0x9A, 0x9A, 0x9A);
const QColor OutsideMonth(0xF7, 0xF7, 0xF7);
const QColor FreeDayInk(0xB0, 0x00, 0x00);
const QColor SundayInk(255, 0, 0);   // as the calendar's "N."
const QColor SaturdayInk(0, 128, 0); // as the calendar's "So."

constexpr double SidebarWidth = 70; // millimetres
constexpr double Gap = 6;
constexpr double WeekColumnWidth = 9;
constexpr double HeaderHeight = 17;
constexpr double FooterHeight = 6;
constexpr double WeekdayRowHeight = 7;

// The slots in the order of the schedule editor's rows.
constexpr std::array<int, 6> ScheduleRows{0, 1, 2, 3, 5, 6};

QColor colourOf(uint32_t rgb)
{
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

QString hours(const DaySchedule& times)
{
    return TimeOfDayText(times.Entry) + QStringLiteral("–") + TimeOfDayText(times.Exit);
}

struct Day
{
    int32_t Number = 0;
    bool InRange = false;
    bool Works = false;
    uint32_t Colour = WindowBackground;
    int Slot = FreeDaySlot;
    const Shift* Work = nullptr;
    const QString* FreeDayName = nullptr;
};

class MonthPage
{
public:
    MonthPage(QPainter& painter, const PlanExportInput& input, const QVector<Shift>& shifts)
        : m_p(painter), m_input(input), m_plan(input.Plan), m_shifts(shifts)
    {
        const QPaintDevice* device = painter.device();
        m_unit = device->logicalDpiX() / 25.4;
        m_width = device->width() / m_unit;
        m_height = device->height() / m_unit;
        m_days = ExportDays(input);
    }

    void Paint(const QDate& month, int page, int pages)
    {
        m_month = month;
        collectDays();
        paintHeader();
        paintGrid(QRectF(0, HeaderHeight, m_width - SidebarWidth - Gap, m_height - HeaderHeight - FooterHeight - 2));
        paintSidebar(
            QRectF(m_width - SidebarWidth, HeaderHeight, SidebarWidth, m_height - HeaderHeight - FooterHeight - 2));
        paintFooter(page, pages);
    }

private:
    QPainter& m_p;
    const PlanExportInput& m_input;
    const WorkPlan& m_plan;
    const QVector<Shift>& m_shifts;
    double m_unit = 1; // device units per millimetre
    double m_width = 0, m_height = 0;
    DaySpan m_days;
    QDate m_month;
    QVector<Day> m_monthDays; // index = day of month - 1

    QRectF mm(const QRectF& r) const
    {
        return {r.x() * m_unit, r.y() * m_unit, r.width() * m_unit, r.height() * m_unit};
    }
    QPointF mm(double x, double y) const { return {x * m_unit, y * m_unit}; }

    void setFont(double points, bool bold = false, bool italic = false, bool struck = false)
    {
        QFont font;
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        font.setItalic(italic);
        font.setStrikeOut(struck);
        m_p.setFont(font);
    }

    void setPen(const QColor& colour, double widthMm = 0.2) { m_p.setPen(QPen(colour, widthMm * m_unit)); }

    void text(const QRectF& r, int flags, const QString& s) { m_p.drawText(mm(r), flags, s); }

    // The text cut to the width with an ellipsis.
    QString elided(const QString& s, double widthMm) const
    {
        return QFontMetricsF(m_p.font(), m_p.device()).elidedText(s, Qt::ElideRight, widthMm * m_unit);
    }

    // Up to two lines of the words of s within widthMm, the second elided.
    QStringList twoLines(const QString& s, double widthMm) const
    {
        const QFontMetricsF metrics(m_p.font(), m_p.device());
        const double width = widthMm * m_unit;
        QString first;
        const QStringList words = s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        qsizetype used = 0;
        for (; used < words.size(); ++used) {
            const QString candidate = first.isEmpty() ? words.at(used) : first + QLatin1Char(' ') + words.at(used);
            if (metrics.horizontalAdvance(candidate) > width && !first.isEmpty()) break;
            first = candidate;
        }
        QStringList lines{metrics.elidedText(first, Qt::ElideRight, width)};
        if (used < words.size())
            lines.append(metrics.elidedText(words.mid(used).join(QLatin1Char(' ')), Qt::ElideRight, width));
        return lines;
    }

    void collectDays()
    {
        m_monthDays.clear();
        const int32_t first = DayOfDate(m_month);
        auto shift = std::lower_bound(m_shifts.begin(), m_shifts.end(), first,
                                      [](const Shift& s, int32_t day) { return s.Day < day; });
        for (int i = 0; i < m_month.daysInMonth(); ++i) {
            Day day;
            day.Number = first + i;
            day.InRange = day.Number >= m_days.First && day.Number <= m_days.Last;
            if (shift != m_shifts.end() && shift->Day == day.Number) day.Work = &*shift++;
            const auto free = m_input.FreeDays.constFind(day.Number);
            if (free != m_input.FreeDays.constEnd()) day.FreeDayName = &free.value();
            if (m_plan.Kind == PlanKind::WeeklyPlan) {
                // Working days in colour 1, the others in colour 0, as the
                // editor paints weekly plans; a free day off work counts as off.
                day.Colour = m_input.SlotColours[day.Work ? 1 : 0];
            } else if (m_plan.Days.Contains(day.Number)) {
                day.Slot = m_plan.Days.At(day.Number);
                if (day.Slot >= 0 && day.Slot < SlotCount) day.Colour = m_input.SlotColours[day.Slot];
            }
            m_monthDays.append(day);
        }
    }

    void paintHeader()
    {
        setPen(Ink);
        setFont(15, true);
        const double titleWidth = 95;
        text(QRectF(0, 0, m_width - titleWidth, 8), Qt::AlignLeft | Qt::AlignVCenter,
             elided(QStringLiteral("Plan pracy „%1”").arg(m_plan.Name), m_width - titleWidth));
        setPen(Muted);
        setFont(8.5);
        const QString kind = m_plan.Kind == PlanKind::WeeklyPlan ? QStringLiteral("plan tygodniowy")
                                                                 : QStringLiteral("plan harmonogramów");
        text(QRectF(0, 8.5, m_width - titleWidth, 5), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Zakres planu: %1 – %2   ·   %3")
                 .arg(DateText(DateOfDay(m_plan.FirstDay)), DateText(DateOfDay(m_plan.LastDay)), kind));
        setPen(Ink);
        setFont(22, true);
        text(QRectF(m_width - titleWidth, 0, titleWidth, 13), Qt::AlignRight | Qt::AlignVCenter,
             PolishMonthName(m_month.month()).toUpper() + QLatin1Char(' ') + QString::number(m_month.year()));
        setPen(Ink, 0.5);
        m_p.drawLine(mm(0, 14.5), mm(m_width, 14.5));
    }

    void paintGrid(const QRectF& area)
    {
        const int lead = m_month.dayOfWeek() - 1; // Monday first
        const int weeks = (lead + m_month.daysInMonth() + 6) / 7;
        const double left = area.left() + WeekColumnWidth;
        const double cellWidth = (area.width() - WeekColumnWidth) / 7;
        const double top = area.top() + WeekdayRowHeight;
        const double cellHeight = (area.height() - WeekdayRowHeight) / weeks;

        setFont(8.5, true);
        for (int column = 0; column < 7; ++column) {
            setPen(column == 6 ? SundayInk : column == 5 ? SaturdayInk : Ink);
            text(QRectF(left + column * cellWidth, area.top(), cellWidth, WeekdayRowHeight), Qt::AlignCenter,
                 PolishWeekdayName(column + 1));
        }
        setPen(Muted);
        setFont(6.5);
        text(QRectF(area.left(), area.top(), WeekColumnWidth, WeekdayRowHeight), Qt::AlignCenter,
             QStringLiteral("tydz."));

        for (int week = 0; week < weeks; ++week) {
            const QDate monday = m_month.addDays(week * 7 - lead);
            setPen(Muted);
            setFont(7);
            text(QRectF(area.left(), top + week * cellHeight, WeekColumnWidth - 1, cellHeight), Qt::AlignCenter,
                 QString::number(monday.weekNumber()));
            for (int column = 0; column < 7; ++column) {
                const QRectF cell(left + column * cellWidth, top + week * cellHeight, cellWidth, cellHeight);
                const int dayOfMonth = week * 7 + column - lead + 1;
                if (dayOfMonth < 1 || dayOfMonth > m_monthDays.size())
                    m_p.fillRect(mm(cell), OutsideMonth);
                else
                    paintCell(cell, dayOfMonth, m_monthDays.at(dayOfMonth - 1));
                setPen(Rule);
                m_p.setBrush(Qt::NoBrush);
                m_p.drawRect(mm(cell));
            }
        }
        setPen(Ink, 0.5);
        m_p.drawRect(mm(QRectF(left, top, cellWidth * 7, cellHeight * weeks)));
    }

    void paintCell(const QRectF& cell, int dayOfMonth, const Day& day)
    {
        const double pad = 1.4;
        const QRectF inner = cell.adjusted(pad, pad * 0.6, -pad, -pad * 0.6);
        if (day.InRange) {
            m_p.fillRect(mm(cell), colourOf(day.Colour));
        } else {
            hatch(cell);
        }

        // The day of the month; a free day of the suite struck through, larger.
        if (day.FreeDayName) {
            setPen(FreeDayInk);
            setFont(13, true, false, true);
        } else {
            setPen(day.InRange ? Ink : Muted);
            setFont(10.5, true);
        }
        text(QRectF(inner.left(), inner.top(), inner.width(), 6), Qt::AlignLeft | Qt::AlignTop,
             QString::number(dayOfMonth));

        if (!day.InRange) {
            setPen(Muted);
            setFont(6.5, false, true);
            text(inner, Qt::AlignCenter, QStringLiteral("poza planem"));
        } else {
            paintCellPlan(inner, day);
        }

        if (day.FreeDayName) {
            setPen(FreeDayInk);
            setFont(6.3, false, true);
            const QStringList lines = twoLines(day.FreeDayName->trimmed(), inner.width());
            const double lineHeight = 2.7;
            for (int i = 0; i < lines.size(); ++i)
                text(QRectF(inner.left(), inner.bottom() - lineHeight * (lines.size() - i), inner.width(), lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, lines.at(i));
        }
    }

    // A day outside the plan's range: white with thin diagonal lines.
    void hatch(const QRectF& cell)
    {
        m_p.fillRect(mm(cell), Qt::white);
        m_p.save();
        m_p.setClipRect(mm(cell));
        setPen(QColor(0xD8, 0xD8, 0xD8), 0.15);
        for (double x = cell.left() - cell.height(); x < cell.right(); x += 2.5)
            m_p.drawLine(mm(x, cell.bottom()), mm(x + cell.height(), cell.top()));
        m_p.restore();
    }

    void paintCellPlan(const QRectF& inner, const Day& day)
    {
        // Small texts in grey, or in ink on a dark colour.
        const QColor small = qGray(QRgb(day.Colour)) < 150 ? Ink : Muted;
        // The schedule's name in the corner.
        setPen(small);
        setFont(6.5);
        QString tag;
        if (m_plan.Kind == PlanKind::SchedulePlan)
            tag = day.Slot == FreeDaySlot ? QStringLiteral("wolne")
                                          : QStringLiteral("harm. %1").arg(ScheduleNumber(day.Slot));
        text(QRectF(inner.left(), inner.top() + 0.5, inner.width(), 4), Qt::AlignRight | Qt::AlignTop, tag);
        if (!day.Work) return;

        const Shift& shift = *day.Work;
        const double middle = inner.top() + inner.height() * 0.45;
        setPen(Ink);
        setFont(9.5, true);
        text(QRectF(inner.left() - 1, middle - 3.2, inner.width() + 2, 5), Qt::AlignCenter,
             TimeOfDayText(shift.Start) + QStringLiteral("–") + TimeOfDayText(shift.End()));
        setFont(6.3);
        setPen(small);
        const QString detail =
            shift.BreakFrom != EmptyTime
                ? QStringLiteral("przerwa %1–%2").arg(TimeOfDayText(shift.BreakFrom), TimeOfDayText(shift.BreakTo))
                : QString();
        text(QRectF(inner.left(), middle + 1.8, inner.width(), 3), Qt::AlignCenter, detail);
        if (!day.FreeDayName) {
            setPen(Ink);
            setFont(6.5);
            text(QRectF(inner.left(), inner.bottom() - 3, inner.width(), 3), Qt::AlignRight | Qt::AlignBottom,
                 DurationText(shift.WorkingTime) + QStringLiteral(" h"));
        }
    }

    // A section title of the sidebar with a rule under it; the next line's top.
    double section(const QRectF& area, double y, const QString& title)
    {
        setPen(Ink);
        setFont(9, true);
        text(QRectF(area.left(), y, area.width(), 5), Qt::AlignLeft | Qt::AlignVCenter, title);
        setPen(Rule, 0.25);
        m_p.drawLine(mm(area.left(), y + 5.5), mm(area.right(), y + 5.5));
        return y + 7;
    }

    // A label and a value at the right edge; the next line's top.
    double row(const QRectF& area, double y, const QString& label, const QString& value, bool bold = false)
    {
        setFont(7.8, bold);
        setPen(Ink);
        text(QRectF(area.left(), y, area.width(), 4), Qt::AlignLeft | Qt::AlignVCenter, label);
        text(QRectF(area.left(), y, area.width(), 4), Qt::AlignRight | Qt::AlignVCenter, value);
        return y + 4.4;
    }

    void swatch(double x, double y, uint32_t colour)
    {
        m_p.setBrush(colourOf(colour));
        setPen(Muted, 0.2);
        m_p.drawRect(mm(QRectF(x, y, 5, 3.6)));
        m_p.setBrush(Qt::NoBrush);
    }

    double scheduleLegend(const QRectF& area, double y)
    {
        y = section(area, y, QStringLiteral("Harmonogramy"));
        for (const int slot : ScheduleRows) {
            const DaySchedule& times = m_plan.Schedules[slot];
            if (times.Entry == EmptyTime || times.Exit == EmptyTime) continue;
            swatch(area.left(), y + 0.3, m_input.SlotColours[slot]);
            setPen(Ink);
            setFont(7.8, true);
            text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Harmonogram %1").arg(ScheduleNumber(slot)));
            setFont(7.8);
            text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignRight | Qt::AlignVCenter, hours(times));
            setPen(Muted);
            setFont(6.8);
            const bool hasBreak = times.BreakFrom != EmptyTime && times.BreakTo != EmptyTime;
            text(QRectF(area.left() + 7, y + 3.9, area.width() - 7, 3.4), Qt::AlignLeft | Qt::AlignVCenter,
                 hasBreak
                     ? QStringLiteral("przerwa %1–%2").arg(TimeOfDayText(times.BreakFrom), TimeOfDayText(times.BreakTo))
                     : QStringLiteral("bez przerwy"));
            y += 8.4;
        }
        swatch(area.left(), y + 0.3, m_input.SlotColours[FreeDaySlot]);
        setPen(Ink);
        setFont(7.8, true);
        text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Dzień wolny"));
        y = freeDayKey(area, y + 5);

        y = section(area, y + 1, QStringLiteral("Tolerancje"));
        static const char* const labels[4] = {"Wcześniejsze wejście", "Maksymalny czas nadgodzin",
                                              "Maksymalny czas przerw", "Późniejsze wyjście"};
        for (const int i : {0, 3, 2, 1}) {
            const int16_t value = m_plan.Tolerances[i];
            y = row(area, y, QString::fromUtf8(labels[i]),
                    value == EmptyTime ? QStringLiteral("—") : DurationText(value));
        }
        return y;
    }

    // How the suite's free days look in the grid; the next line's top.
    double freeDayKey(const QRectF& area, double y)
    {
        setPen(FreeDayInk);
        setFont(9, true, false, true);
        text(QRectF(area.left(), y - 0.5, 7, 5), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("11"));
        setPen(Ink);
        setFont(7.8, true);
        text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Święto, dzień wolny z listy"));
        return y + 5.5;
    }

    double weeklyLegend(const QRectF& area, double y)
    {
        y = section(area, y, QStringLiteral("Tydzień pracy"));
        static const char* const shortNames[7] = {"Pn", "Wt", "Śr", "Cz", "Pt", "So", "N"};
        const double box = area.width() / 7;
        for (int column = 0; column < 7; ++column) {
            const bool working = m_plan.WeekdayKinds[(column + 1) % 7] == WorkingWeekday;
            const QRectF r(area.left() + column * box, y, box, 7);
            m_p.fillRect(mm(r), colourOf(m_input.SlotColours[working ? 1 : 0]));
            setPen(Rule);
            m_p.drawRect(mm(r));
            setPen(column == 6 ? SundayInk : column == 5 ? SaturdayInk : Ink);
            setFont(7.5, true);
            text(QRectF(r.left(), r.top(), r.width(), 3.6), Qt::AlignCenter, QString::fromUtf8(shortNames[column]));
            setPen(Ink);
            setFont(5.8);
            text(QRectF(r.left(), r.top() + 3.3, r.width(), 3.4), Qt::AlignCenter,
                 working ? QStringLiteral("praca") : QStringLiteral("wolne"));
        }
        y = freeDayKey(area, y + 8.5);
        y = row(area, y, QStringLiteral("Norma dzienna"), DurationText(m_plan.DailyNorm));
        y = row(area, y, QStringLiteral("Początek doby"), TimeOfDayText(m_plan.DayStart));
        y = row(area, y, QStringLiteral("Godziny pracy"),
                TimeOfDayText(m_plan.DayStart) + QStringLiteral("–") +
                    TimeOfDayText(m_plan.DayStart + m_plan.DailyNorm));
        y = row(area, y, QStringLiteral("Dni wolne z listy"),
                m_plan.IncludeFreeDays ? QStringLiteral("uwzględniane") : QStringLiteral("nieuwzględniane"));
        return y;
    }

    void paintSidebar(const QRectF& area)
    {
        double y = area.top() + 1;
        y = m_plan.Kind == PlanKind::WeeklyPlan ? weeklyLegend(area, y) : scheduleLegend(area, y);

        int workingDays = 0;
        int32_t planned = 0;
        for (const Day& day : m_monthDays) {
            if (!day.Work || !day.InRange) continue;
            ++workingDays;
            planned += day.Work->WorkingTime;
        }
        y = section(area, y + 2, QStringLiteral("Miesiąc"));
        y = row(area, y, QStringLiteral("Dni pracy"), QString::number(workingDays));
        y = row(area, y, QStringLiteral("Planowany czas pracy"), DurationText(planned) + QStringLiteral(" h"), true);
        const auto norm = m_input.MonthNorms.constFind(m_month);
        if (norm != m_input.MonthNorms.constEnd())
            y = row(area, y, QStringLiteral("Wymiar czasu pracy"), DurationText(norm.value()) + QStringLiteral(" h"));

        QStringList freeDays;
        for (int i = 0; i < m_monthDays.size(); ++i) {
            if (m_monthDays.at(i).FreeDayName)
                freeDays.append(QStringLiteral("%1 – %2").arg(i + 1).arg(m_monthDays.at(i).FreeDayName->trimmed()));
        }
        if (freeDays.isEmpty()) return;
        y = section(area, y + 2, QStringLiteral("Dni wolne"));
        setFont(7.2);
        for (const QString& line : freeDays) {
            if (y + 4 > area.bottom()) break;
            setPen(FreeDayInk);
            text(QRectF(area.left(), y, area.width(), 3.8), Qt::AlignLeft | Qt::AlignVCenter,
                 elided(line, area.width()));
            y += 3.9;
        }
    }

    void paintFooter(int page, int pages)
    {
        const double top = m_height - FooterHeight;
        setPen(Rule, 0.25);
        m_p.drawLine(mm(0, top), mm(m_width, top));
        setPen(Muted);
        setFont(7);
        const QRectF line(0, top + 1, m_width, FooterHeight - 1);
        text(line, Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Wydrukowano: %1").arg(ExportTime(m_input).toString(QStringLiteral("dd-MM-yyyy HH:mm"))));
        text(line, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Grafenta – plan pracy „%1”").arg(m_plan.Name));
        text(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Strona %1 z %2").arg(page).arg(pages));
    }
};

} // namespace

QPageLayout PlanPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

int PaintPlanPages(QPainter& painter, QPagedPaintDevice& device, const PlanExportInput& input)
{
    const QVector<QDate> months = ExportMonths(input);
    const DaySpan days = ExportDays(input);
    const QVector<Shift> shifts = PlanShifts(input.Plan, input.FreeDays, days.First, days.Last);
    MonthPage page(painter, input, shifts);
    for (int i = 0; i < months.size(); ++i) {
        if (i > 0) device.newPage();
        page.Paint(months.at(i), i + 1, int(months.size()));
    }
    return int(months.size());
}

bool WritePlanPdf(const PlanExportInput& input, QIODevice& out)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || ExportMonths(input).isEmpty()) return false;
    QPdfWriter writer(&out);
    writer.setPageLayout(PlanPageLayout());
    writer.setResolution(600);
    writer.setTitle(QStringLiteral("Plan pracy „%1”").arg(input.Plan.Name));
    writer.setCreator(QStringLiteral("Grafenta"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    PaintPlanPages(painter, writer, input);
    return painter.end();
}

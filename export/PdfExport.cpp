#include "export/PdfExport.h"

#include "export/PageCanvas.h"
#include "plan/PlanShifts.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {

// Colours of the printout beside the canvas's inks (the slots' own colours come with the input).
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

QColor ColourOf(uint32_t rgb)
{
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

QString Hours(const DaySchedule& times)
{
    return TimeOfDayText(times.Entry) + QStringLiteral("–") + TimeOfDayText(times.Exit);
}

struct Day
{
    int32_t Number = 0;
    bool InRange = false;
    uint32_t Colour = WindowBackground;
    int Slot = FreeDaySlot;
    const Shift* Work = nullptr;
    const QString* FreeDayName = nullptr;
};

class MonthPage : PageCanvas
{
public:
    MonthPage(QPainter& painter, const PlanExportInput& input, const QVector<Shift>& shifts)
        : PageCanvas(painter), m_input(input), m_plan(input.Plan), m_shifts(shifts), m_days(ExportDays(input))
    {
    }

    void Paint(const QDate& month, int page, int pages)
    {
        m_month = month;
        CollectDays();
        PaintHeader();
        PaintGrid(QRectF(0, HeaderHeight, m_width - SidebarWidth - Gap, m_height - HeaderHeight - FooterHeight - 2));
        PaintSidebar(
            QRectF(m_width - SidebarWidth, HeaderHeight, SidebarWidth, m_height - HeaderHeight - FooterHeight - 2));
        PaintFooter(page, pages);
    }

private:
    const PlanExportInput& m_input;
    const WorkPlan& m_plan;
    const QVector<Shift>& m_shifts;
    DaySpan m_days;
    QDate m_month;
    QVector<Day> m_monthDays; // index = day of month - 1

    // Up to two lines of the words of s within widthMm, the second elided.
    QStringList TwoLines(const QString& s, double widthMm) const
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

    void CollectDays()
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

    void PaintHeader()
    {
        SetPen(Ink);
        SetFont(15, true);
        const double titleWidth = 95;
        Text(QRectF(0, 0, m_width - titleWidth, 8), Qt::AlignLeft | Qt::AlignVCenter,
             Elided(QStringLiteral("Plan pracy „%1”").arg(m_plan.Name), m_width - titleWidth));
        SetPen(Muted);
        SetFont(8.5);
        const QString kind = m_plan.Kind == PlanKind::WeeklyPlan ? QStringLiteral("plan tygodniowy")
                                                                 : QStringLiteral("plan harmonogramów");
        Text(QRectF(0, 8.5, m_width - titleWidth, 5), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Zakres planu: %1 – %2   ·   %3")
                 .arg(DateText(DateOfDay(m_plan.FirstDay)), DateText(DateOfDay(m_plan.LastDay)), kind));
        SetPen(Ink);
        SetFont(22, true);
        Text(QRectF(m_width - titleWidth, 0, titleWidth, 13), Qt::AlignRight | Qt::AlignVCenter,
             PolishMonthName(m_month.month()).toUpper() + QLatin1Char(' ') + QString::number(m_month.year()));
        SetPen(Ink, 0.5);
        m_p.drawLine(ToDevice(0, 14.5), ToDevice(m_width, 14.5));
    }

    void PaintGrid(const QRectF& area)
    {
        const int lead = m_month.dayOfWeek() - 1; // Monday first
        const int weeks = (lead + m_month.daysInMonth() + 6) / 7;
        const double left = area.left() + WeekColumnWidth;
        const double cellWidth = (area.width() - WeekColumnWidth) / 7;
        const double top = area.top() + WeekdayRowHeight;
        const double cellHeight = (area.height() - WeekdayRowHeight) / weeks;

        SetFont(8.5, true);
        for (int column = 0; column < 7; ++column) {
            SetPen(column == 6 ? SundayInk : column == 5 ? SaturdayInk : Ink);
            Text(QRectF(left + column * cellWidth, area.top(), cellWidth, WeekdayRowHeight), Qt::AlignCenter,
                 PolishWeekdayName(column + 1));
        }
        SetPen(Muted);
        SetFont(6.5);
        Text(QRectF(area.left(), area.top(), WeekColumnWidth, WeekdayRowHeight), Qt::AlignCenter,
             QStringLiteral("tydz."));

        for (int week = 0; week < weeks; ++week) {
            const QDate monday = m_month.addDays(week * 7 - lead);
            SetPen(Muted);
            SetFont(7);
            Text(QRectF(area.left(), top + week * cellHeight, WeekColumnWidth - 1, cellHeight), Qt::AlignCenter,
                 QString::number(monday.weekNumber()));
            for (int column = 0; column < 7; ++column) {
                const QRectF cell(left + column * cellWidth, top + week * cellHeight, cellWidth, cellHeight);
                const int dayOfMonth = week * 7 + column - lead + 1;
                if (dayOfMonth < 1 || dayOfMonth > m_monthDays.size())
                    m_p.fillRect(ToDevice(cell), OutsideMonth);
                else
                    PaintCell(cell, dayOfMonth, m_monthDays.at(dayOfMonth - 1));
                SetPen(Rule);
                m_p.setBrush(Qt::NoBrush);
                m_p.drawRect(ToDevice(cell));
            }
        }
        SetPen(Ink, 0.5);
        m_p.drawRect(ToDevice(QRectF(left, top, cellWidth * 7, cellHeight * weeks)));
    }

    void PaintCell(const QRectF& cell, int dayOfMonth, const Day& day)
    {
        const double pad = 1.4;
        const QRectF inner = cell.adjusted(pad, pad * 0.6, -pad, -pad * 0.6);
        if (day.InRange) {
            m_p.fillRect(ToDevice(cell), ColourOf(day.Colour));
        } else {
            Hatch(cell);
        }

        // The day of the month; a free day of the suite struck through, larger.
        if (day.FreeDayName) {
            SetPen(FreeDayInk);
            SetFont(13, true, false, true);
        } else {
            SetPen(day.InRange ? Ink : Muted);
            SetFont(10.5, true);
        }
        Text(QRectF(inner.left(), inner.top(), inner.width(), 6), Qt::AlignLeft | Qt::AlignTop,
             QString::number(dayOfMonth));

        if (!day.InRange) {
            SetPen(Muted);
            SetFont(6.5, false, true);
            Text(inner, Qt::AlignCenter, QStringLiteral("poza planem"));
        } else {
            PaintCellPlan(inner, day);
        }

        if (day.FreeDayName) {
            SetPen(FreeDayInk);
            SetFont(6.3, false, true);
            const QStringList lines = TwoLines(day.FreeDayName->trimmed(), inner.width());
            const double lineHeight = 2.7;
            for (int i = 0; i < lines.size(); ++i)
                Text(QRectF(inner.left(), inner.bottom() - lineHeight * (lines.size() - i), inner.width(), lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, lines.at(i));
        }
    }

    // A day outside the plan's range: white with thin diagonal lines.
    void Hatch(const QRectF& cell)
    {
        m_p.fillRect(ToDevice(cell), Qt::white);
        m_p.save();
        m_p.setClipRect(ToDevice(cell));
        SetPen(QColor(0xD8, 0xD8, 0xD8), 0.15);
        for (double x = cell.left() - cell.height(); x < cell.right(); x += 2.5)
            m_p.drawLine(ToDevice(x, cell.bottom()), ToDevice(x + cell.height(), cell.top()));
        m_p.restore();
    }

    void PaintCellPlan(const QRectF& inner, const Day& day)
    {
        // Small texts in grey, or in ink on a dark colour.
        const QColor small = qGray(QRgb(day.Colour)) < 150 ? Ink : Muted;
        // The schedule's name in the corner.
        SetPen(small);
        SetFont(6.5);
        QString tag;
        if (m_plan.Kind == PlanKind::SchedulePlan)
            tag = day.Slot == FreeDaySlot ? QStringLiteral("wolne") : QStringLiteral("harm. %1").arg(day.Slot);
        Text(QRectF(inner.left(), inner.top() + 0.5, inner.width(), 4), Qt::AlignRight | Qt::AlignTop, tag);
        if (!day.Work) return;

        const Shift& shift = *day.Work;
        const double middle = inner.top() + inner.height() * 0.45;
        SetPen(Ink);
        SetFont(9.5, true);
        Text(QRectF(inner.left() - 1, middle - 3.2, inner.width() + 2, 5), Qt::AlignCenter,
             TimeOfDayText(shift.Start) + QStringLiteral("–") + TimeOfDayText(shift.End()));
        SetFont(6.3);
        SetPen(small);
        const QString detail =
            shift.BreakFrom != EmptyTime
                ? QStringLiteral("przerwa %1–%2").arg(TimeOfDayText(shift.BreakFrom), TimeOfDayText(shift.BreakTo))
                : QString();
        Text(QRectF(inner.left(), middle + 1.8, inner.width(), 3), Qt::AlignCenter, detail);
        if (!day.FreeDayName) {
            SetPen(Ink);
            SetFont(6.5);
            Text(QRectF(inner.left(), inner.bottom() - 3, inner.width(), 3), Qt::AlignRight | Qt::AlignBottom,
                 DurationText(shift.WorkingTime) + QStringLiteral(" h"));
        }
    }

    void Swatch(double x, double y, uint32_t colour)
    {
        m_p.setBrush(ColourOf(colour));
        SetPen(Muted, 0.2);
        m_p.drawRect(ToDevice(QRectF(x, y, 5, 3.6)));
        m_p.setBrush(Qt::NoBrush);
    }

    double ScheduleLegend(const QRectF& area, double y)
    {
        y = Section(area, y, QStringLiteral("Harmonogramy"));
        for (const int slot : ScheduleRows) {
            const DaySchedule& times = m_plan.Schedules[slot];
            if (times.Entry == EmptyTime || times.Exit == EmptyTime) continue;
            Swatch(area.left(), y + 0.3, m_input.SlotColours[slot]);
            SetPen(Ink);
            SetFont(7.8, true);
            Text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Harmonogram %1").arg(slot));
            SetFont(7.8);
            Text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignRight | Qt::AlignVCenter, Hours(times));
            SetPen(Muted);
            SetFont(6.8);
            const bool hasBreak = times.BreakFrom != EmptyTime && times.BreakTo != EmptyTime;
            Text(QRectF(area.left() + 7, y + 3.9, area.width() - 7, 3.4), Qt::AlignLeft | Qt::AlignVCenter,
                 hasBreak
                     ? QStringLiteral("przerwa %1–%2").arg(TimeOfDayText(times.BreakFrom), TimeOfDayText(times.BreakTo))
                     : QStringLiteral("bez przerwy"));
            y += 8.4;
        }
        Swatch(area.left(), y + 0.3, m_input.SlotColours[FreeDaySlot]);
        SetPen(Ink);
        SetFont(7.8, true);
        Text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Dzień wolny"));
        y = FreeDayKey(area, y + 5);

        y = Section(area, y + 1, QStringLiteral("Tolerancje"));
        static const char* const labels[4] = {"Wcześniejsze wejście", "Maksymalny czas nadgodzin",
                                              "Maksymalny czas przerw", "Późniejsze wyjście"};
        for (const int i : {0, 3, 2, 1}) {
            const int16_t value = m_plan.Tolerances[i];
            y = Row(area, y, QString::fromUtf8(labels[i]),
                    value == EmptyTime ? QStringLiteral("—") : DurationText(value));
        }
        return y;
    }

    // How the suite's free days look in the grid; the next line's top.
    double FreeDayKey(const QRectF& area, double y)
    {
        SetPen(FreeDayInk);
        SetFont(9, true, false, true);
        Text(QRectF(area.left(), y - 0.5, 7, 5), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("11"));
        SetPen(Ink);
        SetFont(7.8, true);
        Text(QRectF(area.left() + 7, y, area.width() - 7, 4), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Święto, dzień wolny z listy"));
        return y + 5.5;
    }

    double WeeklyLegend(const QRectF& area, double y)
    {
        y = Section(area, y, QStringLiteral("Tydzień pracy"));
        static const char* const shortNames[7] = {"Pn", "Wt", "Śr", "Cz", "Pt", "So", "N"};
        const double box = area.width() / 7;
        for (int column = 0; column < 7; ++column) {
            const bool working = m_plan.WeekdayKinds[(column + 1) % 7] == WorkingWeekday;
            const QRectF r(area.left() + column * box, y, box, 7);
            m_p.fillRect(ToDevice(r), ColourOf(m_input.SlotColours[working ? 1 : 0]));
            SetPen(Rule);
            m_p.drawRect(ToDevice(r));
            SetPen(column == 6 ? SundayInk : column == 5 ? SaturdayInk : Ink);
            SetFont(7.5, true);
            Text(QRectF(r.left(), r.top(), r.width(), 3.6), Qt::AlignCenter, QString::fromUtf8(shortNames[column]));
            SetPen(Ink);
            SetFont(5.8);
            Text(QRectF(r.left(), r.top() + 3.3, r.width(), 3.4), Qt::AlignCenter,
                 working ? QStringLiteral("praca") : QStringLiteral("wolne"));
        }
        y = FreeDayKey(area, y + 8.5);
        y = Row(area, y, QStringLiteral("Norma dzienna"), DurationText(m_plan.DailyNorm));
        y = Row(area, y, QStringLiteral("Początek doby"), TimeOfDayText(m_plan.DayStart));
        y = Row(area, y, QStringLiteral("Godziny pracy"),
                TimeOfDayText(m_plan.DayStart) + QStringLiteral("–") +
                    TimeOfDayText(m_plan.DayStart + m_plan.DailyNorm));
        y = Row(area, y, QStringLiteral("Dni wolne z listy"),
                m_plan.IncludeFreeDays ? QStringLiteral("uwzględniane") : QStringLiteral("nieuwzględniane"));
        return y;
    }

    void PaintSidebar(const QRectF& area)
    {
        double y = area.top() + 1;
        y = m_plan.Kind == PlanKind::WeeklyPlan ? WeeklyLegend(area, y) : ScheduleLegend(area, y);

        int workingDays = 0;
        int32_t planned = 0;
        for (const Day& day : m_monthDays) {
            if (!day.Work || !day.InRange) continue;
            ++workingDays;
            planned += day.Work->WorkingTime;
        }
        y = Section(area, y + 2, QStringLiteral("Miesiąc"));
        y = Row(area, y, QStringLiteral("Dni pracy"), QString::number(workingDays));
        y = Row(area, y, QStringLiteral("Planowany czas pracy"), DurationText(planned) + QStringLiteral(" h"), true);
        const auto norm = m_input.MonthNorms.constFind(m_month);
        if (norm != m_input.MonthNorms.constEnd())
            y = Row(area, y, QStringLiteral("Wymiar czasu pracy"), DurationText(norm.value()) + QStringLiteral(" h"));

        QStringList freeDays;
        for (int i = 0; i < m_monthDays.size(); ++i) {
            if (m_monthDays.at(i).FreeDayName)
                freeDays.append(QStringLiteral("%1 – %2").arg(i + 1).arg(m_monthDays.at(i).FreeDayName->trimmed()));
        }
        if (freeDays.isEmpty()) return;
        y = Section(area, y + 2, QStringLiteral("Dni wolne"));
        SetFont(7.2);
        for (const QString& line : freeDays) {
            if (y + 4 > area.bottom()) break;
            SetPen(FreeDayInk);
            Text(QRectF(area.left(), y, area.width(), 3.8), Qt::AlignLeft | Qt::AlignVCenter,
                 Elided(line, area.width()));
            y += 3.9;
        }
    }

    void PaintFooter(int page, int pages)
    {
        Footer(FooterHeight,
               QStringLiteral("Wydrukowano: %1").arg(ExportTime(m_input).toString(QStringLiteral("dd-MM-yyyy HH:mm"))),
               QStringLiteral("Grafenta – plan pracy „%1”").arg(m_plan.Name), page, pages);
    }
};

} // namespace

QPageLayout PlanPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

int PaintPlanPages(QPainter& painter, QPagedPaintDevice& device, const PlanExportInput& input,
                   const PageProgress& progress)
{
    const QVector<QDate> months = ExportMonths(input);
    const DaySpan days = ExportDays(input);
    const QVector<Shift> shifts = PlanShifts(input.Plan, input.FreeDays, days.First, days.Last);
    MonthPage page(painter, input, shifts);
    for (int i = 0; i < months.size(); ++i) {
        if (i > 0) device.newPage();
        page.Paint(months.at(i), i + 1, int(months.size()));
        if (progress && !progress(i + 1, int(months.size()))) return i + 1;
    }
    return int(months.size());
}

bool WritePlanPdf(const PlanExportInput& input, QIODevice& out, const PageProgress& progress)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || ExportMonths(input).isEmpty()) return false;
    QPdfWriter writer(&out);
    SetUpPdfWriter(writer, PlanPageLayout(), QStringLiteral("Plan pracy „%1”").arg(input.Plan.Name));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const int painted = PaintPlanPages(painter, writer, input, progress);
    return painter.end() && painted == ExportMonths(input).size();
}

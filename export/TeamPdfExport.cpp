#include "export/TeamExport.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace {

// Sizes in millimetres.
constexpr double LineHeight = 3.3;
constexpr double TitleHeight = 12;
constexpr double DayHeadHeight = 6.5;
constexpr double FooterHeight = 5;
constexpr double NameWidth = 46;
constexpr double PlanWidth = 22;
constexpr double SumWidth = 11;
constexpr int MostMembersPerPage = 40;

const QColor Ink(0x1A, 0x1A, 0x1A);
const QColor Grey(0x66, 0x66, 0x66);
const QColor Lines(0xB4, 0xB4, 0xB4);
const QColor RestDay(0xEC, 0xEC, 0xEC); // Sundays and the suite's free days
const QColor Short(0xF6, 0xC4, 0xC4);
const QColor Red(0xB0, 0x00, 0x00);

// What one line of a page holds: a member, the gap before the coverage, or one coverage line.
struct Line
{
    enum Kind { Member, Gap, Working, Shift } What = Member;
    int Index = 0; // the member, or the shift kind
};

// A month's days within the range, and the lines of its pages.
struct Section
{
    QDate Month;
    int32_t First = 0;
    int32_t Last = -1;
    QVector<QVector<Line>> Pages;
};

// The months of the range, each cut into pages of lineCount lines, at most 40 of them members.
QVector<Section> Sections(const TeamExportInput& input, int lineCount)
{
    QVector<Section> sections;
    const TeamMonth& month = input.Month;
    if (month.LastDay < month.FirstDay) return sections;
    for (QDate start = DateOfDay(month.FirstDay); DayOfDate(start) <= month.LastDay;) {
        Section section;
        section.Month = QDate(start.year(), start.month(), 1);
        section.First = DayOfDate(start);
        section.Last = std::min(month.LastDay, DayOfDate(section.Month.addMonths(1)) - 1);
        QVector<Line> lines;
        for (const int member : input.Rows)
            lines.append({Line::Member, member});
        lines.append({Line::Gap, 0});
        lines.append({Line::Working, 0});
        for (int kind = 0; kind < month.Kinds.size(); ++kind)
            lines.append({Line::Shift, kind});
        QVector<Line> page;
        int members = 0;
        for (const Line& line : std::as_const(lines)) {
            const bool full = page.size() >= lineCount || (line.What == Line::Member && members == MostMembersPerPage);
            if (full) {
                section.Pages.append(page);
                page.clear();
                members = 0;
            }
            if (line.What == Line::Gap && page.isEmpty()) continue;
            page.append(line);
            members += line.What == Line::Member ? 1 : 0;
        }
        section.Pages.append(page);
        sections.append(section);
        start = section.Month.addMonths(1);
    }
    return sections;
}

int LinesPerPage(double pageHeight)
{
    return std::max(8, int((pageHeight - TitleHeight - DayHeadHeight - FooterHeight - 1) / LineHeight));
}

class TeamPage
{
public:
    TeamPage(QPainter& painter, const TeamExportInput& input, const QVector<DayCoverage>& coverage)
        : m_p(painter), m_in(input), m_month(input.Month), m_coverage(coverage)
    {
        m_perMm = painter.device()->logicalDpiX() / 25.4;
        m_width = painter.device()->width() / m_perMm;
        m_height = painter.device()->height() / m_perMm;
    }

    double Height() const { return m_height; }

    void Paint(const Section& section, const QVector<Line>& lines, int page, int pages)
    {
        m_section = &section;
        const int days = section.Last - section.First + 1;
        m_dayWidth = (m_width - NameWidth - PlanWidth - 2 * SumWidth) / std::max(days, 28);
        Heading();
        DayHeads(days);
        double y = TitleHeight + DayHeadHeight;
        for (const Line& line : lines) {
            switch (line.What) {
            case Line::Member:
                MemberLine(y, line.Index, days);
                break;
            case Line::Gap:
                break;
            case Line::Working:
                CoverageLine(y, days, -1);
                break;
            case Line::Shift:
                CoverageLine(y, days, line.Index);
                break;
            }
            y += LineHeight;
        }
        Pen(Ink, 0.35);
        m_p.drawLine(Point(0, TitleHeight + DayHeadHeight), Point(m_width, TitleHeight + DayHeadHeight));
        Footer(page, pages);
    }

private:
    QPainter& m_p;
    const TeamExportInput& m_in;
    const TeamMonth& m_month;
    const QVector<DayCoverage>& m_coverage;
    const Section* m_section = nullptr;
    double m_perMm = 1;
    double m_width = 0;
    double m_height = 0;
    double m_dayWidth = 6;

    QRectF Box(double x, double y, double w, double h) const
    {
        return {x * m_perMm, y * m_perMm, w * m_perMm, h * m_perMm};
    }
    QPointF Point(double x, double y) const { return {x * m_perMm, y * m_perMm}; }
    double DayLeft(int32_t day) const { return NameWidth + PlanWidth + (day - m_section->First) * m_dayWidth; }
    double SumsLeft(int days) const { return NameWidth + PlanWidth + days * m_dayWidth; }

    void Pen(const QColor& colour, double mm = 0.15) { m_p.setPen(QPen(colour, mm * m_perMm)); }
    void Font(double points, QFont::Weight weight = QFont::Normal, bool italic = false, bool struck = false)
    {
        QFont font(
            QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        font.setStyleHint(QFont::SansSerif);
        // Without ligatures, so that "fi" stays two letters for search and copying.
        font.setStyleStrategy(QFont::PreferNoShaping);
        font.setPointSizeF(points);
        font.setWeight(weight);
        font.setItalic(italic);
        font.setStrikeOut(struck);
        m_p.setFont(font);
    }
    // The text in a box, its font made smaller (down to 3.5 pt) until it fits the width.
    void Fitted(const QRectF& box, int align, const QString& text, double points)
    {
        QFont font = m_p.font();
        font.setPointSizeF(points);
        while (points > 3.5 && QFontMetricsF(font, m_p.device()).horizontalAdvance(text) > box.width() * m_perMm) {
            points -= 0.3;
            font.setPointSizeF(points);
        }
        m_p.setFont(font);
        m_p.drawText(Box(box.x(), box.y(), box.width(), box.height()), align, text);
    }
    void Write(double x, double y, double w, double h, int align, const QString& text)
    {
        const QFontMetricsF metrics(m_p.font(), m_p.device());
        m_p.drawText(Box(x, y, w, h), align, metrics.elidedText(text, Qt::ElideRight, w * m_perMm));
    }

    bool IsRestDay(int32_t day) const { return WeekdayOf(day) == 0 || m_month.FreeDays.contains(day); }

    void Heading()
    {
        Pen(Ink);
        Font(13, QFont::Bold);
        const QDate& month = m_section->Month;
        Write(0, 0, m_width * 0.6, 6.5, Qt::AlignLeft | Qt::AlignVCenter,
              QStringLiteral("Grafik zespołu – %1 %2").arg(PolishMonthName(month.month())).arg(month.year()));
        Font(7.5);
        Pen(Grey);
        QString detail = QStringLiteral("%1 – %2   ·   pracowników: %3")
                             .arg(DateText(DateOfDay(m_section->First)), DateText(DateOfDay(m_section->Last)))
                             .arg(m_in.Rows.size());
        if (!m_in.Selection.isEmpty()) detail += QStringLiteral("   ·   ") + m_in.Selection;
        Write(0, 6.5, m_width * 0.6, 4, Qt::AlignLeft | Qt::AlignVCenter, detail);
        QStringList free;
        for (auto it = m_month.FreeDays.lowerBound(m_section->First);
             it != m_month.FreeDays.cend() && it.key() <= m_section->Last; ++it)
            free.append(QStringLiteral("%1 – %2").arg(DateOfDay(it.key()).day()).arg(it.value().trimmed()));
        const QString right =
            free.isEmpty() ? QString() : QStringLiteral("Dni wolne: ") + free.join(QStringLiteral("; "));
        Pen(Red);
        Write(m_width * 0.6, 6.5, m_width * 0.4, 4, Qt::AlignRight | Qt::AlignVCenter, right);
    }

    void DayHeads(int days)
    {
        const double top = TitleHeight;
        Pen(Ink);
        Font(6.5, QFont::Bold);
        Write(1, top, NameWidth - 1, DayHeadHeight, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pracownik"));
        Write(NameWidth, top, PlanWidth, DayHeadHeight, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Plan pracy"));
        static const char* const weekdays[7] = {"nd", "pn", "wt", "śr", "cz", "pt", "so"};
        for (int32_t day = m_section->First; day <= m_section->Last; ++day) {
            const double x = DayLeft(day);
            const bool free = m_month.FreeDays.contains(day);
            if (IsRestDay(day)) m_p.fillRect(Box(x, top, m_dayWidth, DayHeadHeight), RestDay);
            Pen(IsRestDay(day) ? Red : Ink);
            Font(7, QFont::Bold, false, free);
            Write(x, top, m_dayWidth, DayHeadHeight * 0.55, Qt::AlignCenter, QString::number(DateOfDay(day).day()));
            Font(5.2, QFont::Normal, free);
            Write(x, top + DayHeadHeight * 0.5, m_dayWidth, DayHeadHeight * 0.5, Qt::AlignCenter,
                  free ? QStringLiteral("św.") : QString::fromUtf8(weekdays[WeekdayOf(day)]));
        }
        Pen(Ink);
        Font(6, QFont::Bold);
        const double sums = SumsLeft(days);
        Write(sums, top, SumWidth, DayHeadHeight, Qt::AlignCenter, QStringLiteral("Plan. h"));
        Write(sums + SumWidth, top, SumWidth, DayHeadHeight, Qt::AlignCenter, QStringLiteral("Norma h"));
    }

    void RowRule(double y, int days)
    {
        Pen(Lines, 0.1);
        m_p.drawLine(Point(0, y + LineHeight), Point(SumsLeft(days) + 2 * SumWidth, y + LineHeight));
    }

    void MemberLine(double y, int member, int days)
    {
        const TeamMember& who = m_month.Members.at(member);
        Pen(Ink);
        Font(6.3);
        Write(1, y, NameWidth - 2, LineHeight, Qt::AlignLeft | Qt::AlignVCenter,
              QStringLiteral("%1 %2 %3").arg(who.Row.Number, who.Row.Surname, who.Row.FirstName));
        Font(5.6);
        Pen(Grey);
        Write(NameWidth, y, PlanWidth - 1, LineHeight, Qt::AlignLeft | Qt::AlignVCenter, who.Row.Plan);
        int64_t planned = 0;
        for (int32_t day = m_section->First; day <= m_section->Last; ++day) {
            const QRectF cell(DayLeft(day), y, m_dayWidth, LineHeight);
            const Shift* shift = m_month.WorkOn(member, day);
            if (!shift) {
                if (IsRestDay(day)) m_p.fillRect(Box(cell.x(), y, cell.width(), LineHeight), RestDay);
                continue;
            }
            planned += shift->WorkingTime;
            m_p.fillRect(Box(cell.x() + 0.15, y + 0.2, cell.width() - 0.3, LineHeight - 0.4),
                         QColor::fromRgb(QRgb(0xFF000000u | ShiftColour(*shift, m_in.SlotColours))));
            Pen(Ink);
            Font(5.4);
            Fitted(cell, Qt::AlignCenter, ShortHoursText(HoursOf(*shift)), 5.4);
        }
        if (who.State != TeamPlanState::Ok) {
            Pen(Red);
            Font(5.8, QFont::Normal, true);
            Write(DayLeft(m_section->First) + 1, y, days * m_dayWidth - 2, LineHeight, Qt::AlignLeft | Qt::AlignVCenter,
                  StateText(who.State));
        }
        const double sums = SumsLeft(days);
        Pen(Ink);
        Font(6, QFont::Bold);
        Write(sums, y, SumWidth - 1, LineHeight, Qt::AlignRight | Qt::AlignVCenter, DurationText(int32_t(planned)));
        const bool wholeRange = m_section->First == m_month.FirstDay && m_section->Last == m_month.LastDay;
        const std::optional<int64_t> norm = wholeRange ? m_month.NormMinutes(member) : std::nullopt;
        Font(6);
        Write(sums + SumWidth, y, SumWidth - 1, LineHeight, Qt::AlignRight | Qt::AlignVCenter,
              norm ? DurationText(int32_t(*norm)) : QStringLiteral("—"));
        RowRule(y, days);
    }

    // The people at work each day (kind -1), or on one shift with its minimum and shortfalls.
    void CoverageLine(double y, int days, int kind)
    {
        QString label = QStringLiteral("Pracujący");
        if (kind >= 0) {
            label = QStringLiteral("Zmiana ") +
                    HoursText(m_month.Kinds.at(kind)).replace(QLatin1Char('-'), QStringLiteral("–"));
            const int minimum = m_in.Minimums.value(HoursText(m_month.Kinds.at(kind)), 0);
            if (minimum > 0) label += QStringLiteral(" (min. %1)").arg(minimum);
        }
        Pen(Ink);
        Font(6.3, QFont::Bold);
        Write(1, y, NameWidth + PlanWidth - 2, LineHeight, Qt::AlignLeft | Qt::AlignVCenter, label);
        for (int32_t day = m_section->First; day <= m_section->Last; ++day) {
            const DayCoverage& cover = m_coverage.at(day - m_month.FirstDay);
            const int count = kind >= 0 ? cover.ByKind.at(kind) : cover.Working;
            const int lacking = kind >= 0 ? Shortfall(m_in, kind, cover) : 0;
            const QRectF cell(DayLeft(day), y, m_dayWidth, LineHeight);
            if (lacking > 0) m_p.fillRect(Box(cell.x() + 0.15, y + 0.2, cell.width() - 0.3, LineHeight - 0.4), Short);
            Pen(lacking > 0 ? Red : Ink);
            Font(6, lacking > 0 ? QFont::Bold : QFont::Normal);
            // A shortfall is told by its mark as well as by its colour.
            Write(cell.x(), y, cell.width(), LineHeight, Qt::AlignCenter,
                  lacking > 0 ? QStringLiteral("%1!").arg(count) : QString::number(count));
        }
        RowRule(y, days);
    }

    void Footer(int page, int pages)
    {
        const double top = m_height - FooterHeight;
        Pen(Lines, 0.2);
        m_p.drawLine(Point(0, top), Point(m_width, top));
        Pen(Grey);
        Font(6.5);
        const QDateTime printed = m_in.Now.isValid() ? m_in.Now : QDateTime::currentDateTime();
        Write(0, top + 0.8, m_width / 3, FooterHeight - 0.8, Qt::AlignLeft | Qt::AlignVCenter,
              QStringLiteral("Wydrukowano: ") + printed.toString(QStringLiteral("dd-MM-yyyy HH:mm")));
        Write(m_width / 3, top + 0.8, m_width / 3, FooterHeight - 0.8, Qt::AlignCenter,
              QStringLiteral("Grafenta – grafik zespołu. Liczba z „!”: mniej osób niż minimum zmiany."));
        Write(m_width * 2 / 3, top + 0.8, m_width / 3, FooterHeight - 0.8, Qt::AlignRight | Qt::AlignVCenter,
              QStringLiteral("Strona %1 z %2").arg(page).arg(pages));
    }
};

// The page's height in millimetres on A4 landscape with the plan pages' margins.
double A4Height()
{
    return PlanPageLayout().paintRect(QPageLayout::Millimeter).height();
}

} // namespace

int TeamPageCount(const TeamExportInput& input)
{
    int pages = 0;
    for (const Section& section : Sections(input, LinesPerPage(A4Height())))
        pages += int(section.Pages.size());
    return pages;
}

int PaintTeamPages(QPainter& painter, QPagedPaintDevice& device, const TeamExportInput& input,
                   const PageProgress& progress)
{
    const QVector<DayCoverage> coverage = TeamCoverage(input.Month, input.Rows);
    TeamPage page(painter, input, coverage);
    const QVector<Section> sections = Sections(input, LinesPerPage(page.Height()));
    int pages = 0;
    for (const Section& section : sections)
        pages += int(section.Pages.size());
    int done = 0;
    for (const Section& section : sections) {
        for (const QVector<Line>& lines : section.Pages) {
            if (done > 0) device.newPage();
            page.Paint(section, lines, done + 1, pages);
            ++done;
            if (progress && !progress(done, pages)) return done;
        }
    }
    return done;
}

bool WriteTeamPdf(const TeamExportInput& input, QIODevice& out, const PageProgress& progress)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || input.Month.DayCount() == 0) return false;
    QPdfWriter writer(&out);
    writer.setPageLayout(PlanPageLayout());
    writer.setResolution(600);
    writer.setTitle(QStringLiteral("Grafik zespołu %1 – %2")
                        .arg(DateText(DateOfDay(input.Month.FirstDay)), DateText(DateOfDay(input.Month.LastDay))));
    writer.setCreator(QStringLiteral("Grafenta"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const int painted = PaintTeamPages(painter, writer, input, progress);
    return painter.end() && painted == TeamPageCount(input);
}

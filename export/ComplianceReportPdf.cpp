#include "export/ComplianceReportPdf.h"

#include "export/PageCanvas.h"
#include "export/PlanExport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <functional>

namespace {

const QColor ErrorInk(0xA0, 0x00, 0x00);
const QColor WarningInk(0x8A, 0x55, 0x00);
const QColor HeaderFill(0xE8, 0xE8, 0xE8);

constexpr double FooterHeight = 6;
constexpr double RunningHeaderHeight = 8;
constexpr double CellPad = 1.2;    // millimetres inside a table cell
constexpr double LineHeight = 3.4; // one line of the tables' text
constexpr double BodyPoints = 7.6;
constexpr double FactValueLeft = 90; // where the values of the plan's facts and options begin
// The columns of the findings before their message.
constexpr double NumberWidth = 10, DateWidth = 22, RuleWidth = 42, KindWidth = 20;

// One piece of the report that is never split across pages: a title, a line,
// a table's row. A row of a table (Table >= 0) that starts a page gets its
// table's header above it.
struct Block
{
    double Height = 0;
    std::function<void(double top)> Paint;
    int Table = -1;
    bool KeepWithNext = false; // a title stays on the page of what follows it
};

// A table's columns: titles and widths in millimetres, the last one taking what is left.
struct Columns
{
    QStringList Titles;
    QVector<double> Widths;
    QVector<int> Alignments;
};

QString DayText(int32_t day)
{
    return DateText(DateOfDay(day));
}

QString HoursText(int64_t minutes)
{
    return DurationText(int32_t(minutes)) + QStringLiteral(" h");
}

class ReportPages : PageCanvas
{
public:
    ReportPages(QPainter& painter, QPdfWriter& writer, const ComplianceReportInput& input)
        : PageCanvas(painter), m_writer(writer), m_in(input), m_options(input.Options), m_report(input.Report),
          m_now((input.Now.isValid() ? input.Now : QDateTime::currentDateTime())
                    .toString(QStringLiteral("dd-MM-yyyy HH:mm")))
    {
    }

    bool Paint()
    {
        Title();
        Facts();
        Summary();
        RuleCounts();
        FindingRows();
        PeriodRows();
        Signature();
        return Place();
    }

private:
    QPdfWriter& m_writer;
    const ComplianceReportInput& m_in;
    const ComplianceOptions& m_options;
    const ComplianceReport& m_report;
    const QString m_now; // the report's date as shown
    std::vector<Block> m_blocks;
    std::vector<Block> m_tableHeaders;

    QString PlanName() const { return QStringLiteral("„%1”").arg(m_in.Plan.Name); }
    QString RangeText() const
    {
        return DayText(m_in.Plan.FirstDay) + QStringLiteral(" – ") + DayText(m_in.Plan.LastDay);
    }

    void Add(double height, std::function<void(double)> paint, bool keepWithNext = false, int table = -1)
    {
        m_blocks.push_back({height, std::move(paint), table, keepWithNext});
    }

    void Title()
    {
        Add(21, [this](double top) {
            SetPen(Ink);
            SetFont(15, true);
            Text(QRectF(0, top, m_width, 8), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Raport zgodności planu pracy z Kodeksem pracy"));
            SetFont(10.5);
            Text(QRectF(0, top + 9, m_width, 6), Qt::AlignLeft | Qt::AlignVCenter,
                 Elided(QStringLiteral("Plan pracy %1, %2").arg(PlanName(), RangeText()), m_width));
            SetPen(Ink, 0.5);
            m_p.drawLine(ToDevice(0, top + 17), ToDevice(m_width, top + 17));
        });
    }

    // The plan and the options: a label and its value a line each.
    void Facts()
    {
        const QString kind = m_in.Plan.Kind == PlanKind::WeeklyPlan ? QStringLiteral("plan tygodniowy")
                                                                    : QStringLiteral("plan harmonogramów");
        const QList<std::pair<QString, QString>> facts{
            {QStringLiteral("Plan pracy"), PlanName() + QStringLiteral(" (") + kind + QLatin1Char(')')},
            {QStringLiteral("Zakres planu"), RangeText()},
            {QStringLiteral("System czasu pracy"), SystemText(m_options.System)},
            {QStringLiteral("Okres rozliczeniowy"),
             PeriodText(m_options.PeriodMonths) + QStringLiteral(", od początku roku kalendarzowego")},
            {QStringLiteral("Początek niedzieli i święta"),
             QStringLiteral("%1 (doba od tej godziny)").arg(HourText(m_options.SundayStart))},
            {QStringLiteral("Pora nocna"), NightText(m_options.NightStart)},
            {QStringLiteral("Praca szczególnie niebezpieczna lub z dużym wysiłkiem"),
             m_options.ArduousWork ? QStringLiteral("tak") : QStringLiteral("nie")},
            {QStringLiteral("Data sporządzenia raportu"), m_now},
        };
        for (const auto& fact : facts) {
            Add(4.6, [this, fact](double top) {
                const auto& [label, value] = fact;
                SetPen(Muted);
                SetFont(8.2);
                Text(QRectF(0, top, FactValueLeft, 4.6), Qt::AlignLeft | Qt::AlignVCenter, label);
                SetPen(Ink);
                SetFont(8.2, true);
                Text(QRectF(FactValueLeft, top, m_width - FactValueLeft, 4.6), Qt::AlignLeft | Qt::AlignVCenter,
                     Elided(value, m_width - FactValueLeft));
            });
        }
    }

    int Count(FindingSeverity severity, std::optional<ComplianceRule> rule = {}) const
    {
        return int(std::count_if(m_report.Findings.cbegin(), m_report.Findings.cend(), [&](const auto& finding) {
            return finding.Severity == severity && (!rule || finding.Rule == *rule);
        }));
    }

    void Summary()
    {
        const int errors = Count(FindingSeverity::Error);
        const int warnings = Count(FindingSeverity::Warning);
        const QString text =
            errors + warnings == 0
                ? QStringLiteral("Wynik: nie stwierdzono niezgodności z Kodeksem pracy.")
                : QStringLiteral("Wynik: błędy: %1, ostrzeżenia: %2 (wykaz poniżej).").arg(errors).arg(warnings);
        Add(11, [this, text, errors](double top) {
            SetPen(errors > 0 ? ErrorInk : Ink);
            SetFont(10, true);
            Text(QRectF(0, top + 3, m_width, 6), Qt::AlignLeft | Qt::AlignVCenter, text);
        });
    }

    // A section title, kept with what follows it.
    void Heading(const QString& title)
    {
        Add(
            10, [this, title](double top) { Section(QRectF(0, 0, m_width, 0), top + 2.5, title); }, true);
    }

    void TableHeader(const Columns& columns)
    {
        const int table = int(m_tableHeaders.size());
        Block header{LineHeight + 2 * CellPad,
                     [this, columns](double top) {
                         const double height = LineHeight + 2 * CellPad;
                         m_p.fillRect(ToDevice(QRectF(0, top, m_width, height)), HeaderFill);
                         SetPen(Ink);
                         SetFont(BodyPoints, true);
                         double x = 0;
                         for (qsizetype i = 0; i < columns.Titles.size(); ++i) {
                             const double width = Width(columns, i);
                             Text(QRectF(x + CellPad, top + CellPad, width - 2 * CellPad, LineHeight),
                                  columns.Alignments.at(i) | Qt::AlignVCenter, columns.Titles.at(i));
                             x += width;
                         }
                     },
                     table, true};
        m_tableHeaders.push_back(header);
        m_blocks.push_back(header);
    }

    double Width(const Columns& columns, qsizetype i) const
    {
        if (i < columns.Widths.size()) return columns.Widths.at(i);
        double used = 0;
        for (const double width : columns.Widths)
            used += width;
        return m_width - used;
    }

    // A row of cells of one line each, in the table's alignments.
    void TableRow(const Columns& columns, const QStringList& cells, const QColor& ink = Ink, bool bold = false)
    {
        const int table = int(m_tableHeaders.size()) - 1;
        Add(
            LineHeight + 2 * CellPad,
            [this, columns, cells, ink, bold](double top) {
                SetPen(ink);
                SetFont(BodyPoints, bold);
                double x = 0;
                for (qsizetype i = 0; i < cells.size(); ++i) {
                    const double width = Width(columns, i);
                    Text(QRectF(x + CellPad, top + CellPad, width - 2 * CellPad, LineHeight),
                         columns.Alignments.at(i) | Qt::AlignVCenter, Elided(cells.at(i), width - 2 * CellPad));
                    x += width;
                }
                RowRule(top + LineHeight + 2 * CellPad);
            },
            false, table);
    }

    void RowRule(double y)
    {
        SetPen(Rule, 0.15);
        m_p.drawLine(ToDevice(0, y), ToDevice(m_width, y));
    }

    void RuleCounts()
    {
        Heading(QStringLiteral("Sprawdzone zasady"));
        const Columns columns{{QStringLiteral("Zasada"), QStringLiteral("Podstawa prawna"), QStringLiteral("Błędy"),
                               QStringLiteral("Ostrzeżenia")},
                              {70, 45, 30},
                              {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight}};
        TableHeader(columns);
        for (int i = 0; i < ComplianceRuleCount; ++i) {
            const auto rule = ComplianceRule(i);
            // Rules the plan or the options leave out are named as such, not counted as kept.
            const bool applies = (rule != ComplianceRule::Night || m_options.ArduousWork) &&
                                 (rule != ComplianceRule::Break || m_in.Plan.Kind == PlanKind::SchedulePlan);
            const int errors = Count(FindingSeverity::Error, rule);
            const int warnings = Count(FindingSeverity::Warning, rule);
            const QString notApplicable = QStringLiteral("nie dotyczy");
            TableRow(columns,
                     {RuleName(rule), RuleArticle(rule, m_options.System),
                      applies ? QString::number(errors) : notApplicable,
                      applies ? QString::number(warnings) : notApplicable},
                     errors > 0 ? ErrorInk : Ink, errors + warnings > 0);
        }
        Add(LineHeight * 2 + 1, [this](double top) {
            SetPen(Muted);
            SetFont(6.8, false, true);
            Text(QRectF(0, top + 1, m_width, LineHeight * 2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                 QStringLiteral("Przerw nie sprawdza się w planie tygodniowym, który ich nie zapisuje; normy pracy "
                                "w nocy (art. 151⁷ § 3) – gdy praca nie jest szczególnie niebezpieczna ani związana "
                                "z dużym wysiłkiem. Kodeks pracy w brzmieniu obowiązującym od 26-04-2023."));
        });
    }

    void FindingRows()
    {
        Heading(QStringLiteral("Stwierdzone niezgodności"));
        if (m_report.Findings.isEmpty()) {
            Add(7, [this](double top) {
                SetPen(Ink);
                SetFont(8.2);
                Text(QRectF(0, top, m_width, 6), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Nie stwierdzono niezgodności."));
            });
            return;
        }
        const Columns columns{{QStringLiteral("Lp."), QStringLiteral("Data"), QStringLiteral("Zasada i podstawa"),
                               QStringLiteral("Rodzaj"), QStringLiteral("Opis")},
                              {NumberWidth, DateWidth, RuleWidth, KindWidth},
                              {Qt::AlignRight, Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft}};
        TableHeader(columns);
        const int table = int(m_tableHeaders.size()) - 1;
        const double describe = Width(columns, 4) - 2 * CellPad;
        SetFont(BodyPoints);
        for (qsizetype i = 0; i < m_report.Findings.size(); ++i) {
            const ComplianceFinding& finding = m_report.Findings.at(i);
            const double text = std::max(2 * LineHeight, WrappedHeight(finding.Message(), describe));
            Add(
                text + 2 * CellPad,
                [this, &finding, i, text, describe](double top) {
                    const bool error = finding.Severity == FindingSeverity::Error;
                    const double y = top + CellPad;
                    SetPen(Ink);
                    SetFont(BodyPoints);
                    // The columns' left edges.
                    const double dateLeft = NumberWidth, ruleLeft = dateLeft + DateWidth,
                                 kindLeft = ruleLeft + RuleWidth, messageLeft = kindLeft + KindWidth;
                    const auto cell = [y](double left, double width, int line = 0) {
                        return QRectF(left + CellPad, y + line * LineHeight, width - 2 * CellPad, LineHeight);
                    };
                    SetPen(Ink);
                    SetFont(BodyPoints);
                    Text(cell(0, NumberWidth), Qt::AlignRight | Qt::AlignVCenter, QString::number(i + 1));
                    Text(cell(dateLeft, DateWidth), Qt::AlignLeft | Qt::AlignVCenter, DayText(finding.Day));
                    SetFont(BodyPoints, true);
                    Text(cell(ruleLeft, RuleWidth), Qt::AlignLeft | Qt::AlignVCenter,
                         Elided(RuleName(finding.Rule), RuleWidth - 2 * CellPad));
                    SetPen(error ? ErrorInk : WarningInk);
                    Text(cell(kindLeft, KindWidth), Qt::AlignLeft | Qt::AlignVCenter,
                         error ? QStringLiteral("błąd") : QStringLiteral("ostrzeżenie"));
                    SetPen(Muted);
                    SetFont(BodyPoints - 0.6);
                    Text(cell(dateLeft, DateWidth, 1), Qt::AlignLeft | Qt::AlignVCenter,
                         PolishWeekdayName(DateOfDay(finding.Day).dayOfWeek()));
                    Text(cell(ruleLeft, RuleWidth, 1), Qt::AlignLeft | Qt::AlignVCenter, finding.Article());
                    SetPen(Ink);
                    SetFont(BodyPoints);
                    Text(QRectF(messageLeft + CellPad, y, describe, text),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, finding.Message());
                    RowRule(top + text + 2 * CellPad);
                },
                false, table);
        }
    }

    void PeriodRows()
    {
        Heading(QStringLiteral("Okresy rozliczeniowe"));
        const Columns columns{{QStringLiteral("Okres"), QStringLiteral("Wymiar czasu pracy"),
                               QStringLiteral("Zaplanowano"), QStringLiteral("Różnica"),
                               QStringLiteral("W porze nocnej")},
                              {48, 34, 30, 30},
                              {Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight}};
        TableHeader(columns);
        bool partial = false;
        for (const SettlementPeriod& period : m_report.Periods) {
            partial = partial || !period.NormMinutes;
            const QString difference =
                period.NormMinutes ? (period.PlannedMinutes > *period.NormMinutes ? QStringLiteral("+") : QString()) +
                                         HoursText(period.PlannedMinutes - *period.NormMinutes)
                                   : QStringLiteral("–");
            TableRow(columns,
                     {DayText(period.FirstDay) + QStringLiteral(" – ") + DayText(period.LastDay),
                      period.NormMinutes ? HoursText(*period.NormMinutes) : QStringLiteral("–"),
                      HoursText(period.PlannedMinutes), difference, HoursText(period.NightMinutes)},
                     period.NormMinutes && period.PlannedMinutes > *period.NormMinutes ? ErrorInk : Ink);
        }
        if (!partial) return;
        Add(LineHeight + 1, [this](double top) {
            SetPen(Muted);
            SetFont(6.8, false, true);
            Text(QRectF(0, top + 1, m_width, LineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("– okres objęty planem tylko w części: wymiaru czasu pracy nie ustala się."));
        });
    }

    void Signature()
    {
        Add(24, [this](double top) {
            SetPen(Ink);
            SetFont(8.2);
            const QString line = QStringLiteral("..........................................");
            Text(QRectF(0, top + 12, m_width / 2, 5), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("Sporządził(a): ") + line);
            Text(QRectF(m_width / 2, top + 12, m_width / 2, 5), Qt::AlignRight | Qt::AlignVCenter,
                 QStringLiteral("Data i podpis: ") + line);
        });
    }

    // The blocks laid out on pages, then painted page by page with the
    // running header and the footer that names the number of pages.
    bool Place()
    {
        const double bottom = m_height - FooterHeight - 2;
        std::vector<std::vector<std::pair<const Block*, double>>> pages(1);
        double y = 0;
        for (size_t i = 0; i < m_blocks.size(); ++i) {
            const Block& block = m_blocks[i];
            double needed = block.Height;
            for (size_t next = i; next + 1 < m_blocks.size() && m_blocks[next].KeepWithNext; ++next)
                needed += m_blocks[next + 1].Height;
            if (y + needed > bottom && !pages.back().empty()) {
                pages.emplace_back();
                y = RunningHeaderHeight;
                if (block.Table >= 0 && !block.KeepWithNext) {
                    pages.back().emplace_back(&m_tableHeaders[size_t(block.Table)], y);
                    y += m_tableHeaders[size_t(block.Table)].Height;
                }
            }
            pages.back().emplace_back(&block, y);
            y += block.Height;
        }
        const int count = int(pages.size());
        for (int page = 0; page < count; ++page) {
            if (page > 0 && !m_writer.newPage()) return false;
            if (page > 0) RunningHeader();
            for (const auto& [block, top] : pages[size_t(page)])
                block->Paint(top);
            Footer(FooterHeight, QStringLiteral("Sporządzono: %1").arg(m_now),
                   QStringLiteral("Grafenta – raport zgodności planu %1").arg(PlanName()), page + 1, count);
        }
        return true;
    }

    void RunningHeader()
    {
        SetPen(Muted);
        SetFont(7);
        Text(QRectF(0, 0, m_width, 4), Qt::AlignLeft | Qt::AlignVCenter,
             Elided(QStringLiteral("Raport zgodności planu pracy %1, %2 (ciąg dalszy)").arg(PlanName(), RangeText()),
                    m_width));
        SetPen(Rule, 0.25);
        m_p.drawLine(ToDevice(0, 5), ToDevice(m_width, 5));
    }
};

} // namespace

QPageLayout ComplianceReportLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

bool WriteComplianceReportPdf(const ComplianceReportInput& input, QIODevice& out)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    QPdfWriter writer(&out);
    SetUpPdfWriter(writer, ComplianceReportLayout(),
                   QStringLiteral("Raport zgodności planu pracy „%1”").arg(input.Plan.Name));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const bool painted = ReportPages(painter, writer, input).Paint();
    return painter.end() && painted;
}

QByteArray ComplianceReportPdf(const ComplianceReportInput& input)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !WriteComplianceReportPdf(input, buffer)) return {};
    return bytes;
}

#include "editor/ComplianceModels.h"

#include <QAbstractItemView>
#include <QBrush>
#include <QHeaderView>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Hours and minutes of a count of minutes: "168:00".
QString Hours(int64_t minutes)
{
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString DateText(int32_t day)
{
    return DateOfDay(day).toString(QStringLiteral("dd-MM-yyyy"));
}

// How a period's planned time stands against its norm: colour and a sign
// both tell it. Without a norm there is neither.
enum class Standing : uint8_t { NoNorm, Above, Below, Equal };
constexpr int StandingCount = 4;

Standing StandingOf(const SettlementPeriod& period)
{
    if (!period.NormMinutes) return Standing::NoNorm;
    return period.PlannedMinutes > *period.NormMinutes   ? Standing::Above
           : period.PlannedMinutes < *period.NormMinutes ? Standing::Below
                                                         : Standing::Equal;
}

QString SignOf(Standing standing)
{
    switch (standing) {
    case Standing::Above:
        return QStringLiteral(" ▲");
    case Standing::Below:
        return QStringLiteral(" ▼");
    case Standing::Equal:
        return QStringLiteral(" ✓");
    case Standing::NoNorm:
        break;
    }
    return {};
}

QColor ColourOf(Standing standing)
{
    switch (standing) {
    case Standing::Above:
        return {255, 190, 190};
    case Standing::Below:
        return {255, 230, 170};
    case Standing::Equal:
        return {200, 240, 200};
    case Standing::NoNorm:
        break;
    }
    return {235, 235, 235};
}

} // namespace

// ---------------------------------------------------------------- findings

void FindingsModel::SetReport(const ComplianceReport* report)
{
    beginResetModel();
    m_report = report;
    endResetModel();
}

QString FindingsModel::RuleText(const ComplianceFinding& finding)
{
    return (finding.Severity == FindingSeverity::Error ? QStringLiteral("błąd: ") : QStringLiteral("uwaga: ")) +
           RuleName(finding.Rule) + QStringLiteral(" (") + finding.Article() + QLatin1Char(')');
}

QStringList FindingsModel::RuleSamples() const
{
    QStringList samples;
    if (!m_report) return samples;
    std::array<bool, ComplianceRuleCount * 2> seen{};
    for (const ComplianceFinding& finding : m_report->Findings) {
        bool& rule = seen[size_t(finding.Rule) * 2 + (finding.Severity == FindingSeverity::Error ? 0 : 1)];
        if (!std::exchange(rule, true)) samples.append(RuleText(finding));
    }
    return samples;
}

int FindingsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_report ? 0 : int(m_report->Findings.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ComplianceFinding& finding = Finding(index.row());
    const bool error = finding.Severity == FindingSeverity::Error;
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == DayColumn    ? DateText(finding.Day)
               : index.column() == RuleColumn ? RuleText(finding)
                                              : finding.Message();
    case Qt::UserRole:
        return index.column() == DayColumn ? QVariant(finding.Day) : QVariant();
    case Qt::ForegroundRole:
        return index.column() == RuleColumn ? QVariant(QBrush(error ? QColor(176, 0, 0) : QColor(150, 90, 0)))
                                            : QVariant();
    case Qt::ToolTipRole:
        if (index.column() == RuleColumn)
            return QStringLiteral("%1 – %2, Kodeks pracy %3\nZasada: %4")
                .arg(error ? QStringLiteral("Błąd") : QStringLiteral("Ostrzeżenie"), RuleName(finding.Rule),
                     finding.Article(), RuleId(finding.Rule));
        if (index.column() == MessageColumn)
            return finding.Message() + QStringLiteral("\n(") + finding.Article() + QStringLiteral(" Kodeksu pracy)");
        return {};
    default:
        return {};
    }
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const std::array<QString, ColumnCount> names{QStringLiteral("Dzień"), QStringLiteral("Zasada"),
                                                        QStringLiteral("Opis")};
    return section >= 0 && section < ColumnCount ? names[size_t(section)] : QString();
}

// ---------------------------------------------------------------- periods

void PeriodsModel::SetReport(const ComplianceReport* report, int32_t nightStart)
{
    beginResetModel();
    m_report = report;
    m_nightStart = nightStart;
    endResetModel();
}

QStringList PeriodsModel::Samples(int column) const
{
    if (!m_report || m_report->Periods.isEmpty()) return {};
    if (column == PeriodColumn) return {Text(0, PeriodColumn)};
    int64_t most = 0;
    std::array<bool, StandingCount> standings{};
    for (const SettlementPeriod& period : m_report->Periods) {
        const Standing standing = StandingOf(period);
        standings[size_t(standing)] = true;
        if (column == NormColumn && period.NormMinutes) most = std::max(most, *period.NormMinutes);
        if (column == PlannedColumn) most = std::max(most, period.PlannedMinutes);
        if (column == NightColumn) most = std::max(most, period.NightMinutes);
    }
    if (column == NightColumn) return {Hours(most)};
    QStringList samples;
    for (int standing = 0; standing < StandingCount; ++standing) {
        if (!standings[size_t(standing)]) continue;
        if (column == PlannedColumn)
            samples.append(Hours(most) + SignOf(Standing(standing)));
        else if (Standing(standing) == Standing::NoNorm)
            samples.append(QStringLiteral("–"));
        else
            samples.append(Hours(most));
    }
    return samples;
}

QVector<int> PeriodsModel::SampleRows() const
{
    QVector<int> rows;
    if (!m_report) return rows;
    std::array<bool, StandingCount> seen{};
    for (int row = 0; row < m_report->Periods.size(); ++row) {
        if (!std::exchange(seen[size_t(StandingOf(m_report->Periods.at(row)))], true)) rows.append(row);
    }
    return rows;
}

int PeriodsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_report ? 0 : int(m_report->Periods.size());
}

int PeriodsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PeriodsModel::Text(int row, int column) const
{
    const SettlementPeriod& period = m_report->Periods.at(row);
    switch (column) {
    case PeriodColumn:
        return DateText(period.FirstDay) + QStringLiteral(" – ") + DateText(period.LastDay);
    case NormColumn:
        return period.NormMinutes ? Hours(*period.NormMinutes) : QStringLiteral("–");
    case PlannedColumn:
        return Hours(period.PlannedMinutes) + SignOf(StandingOf(period));
    default:
        return Hours(period.NightMinutes);
    }
}

QVariant PeriodsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case Qt::BackgroundRole:
        return index.column() == NormColumn || index.column() == PlannedColumn
                   ? QVariant(QBrush(ColourOf(StandingOf(m_report->Periods.at(index.row())))))
                   : QVariant();
    case Qt::ToolTipRole:
        return index.column() == NightColumn
                   ? QVariant(QStringLiteral("Czas pracy w porze nocnej %1").arg(NightText(m_nightStart)))
                   : QVariant();
    default:
        return {};
    }
}

QVariant PeriodsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const std::array<QString, ColumnCount> names{QStringLiteral("Okres"), QStringLiteral("Norma"),
                                                        QStringLiteral("Plan"), QStringLiteral("Noc")};
    return section >= 0 && section < ColumnCount ? names[size_t(section)] : QString();
}

// ---------------------------------------------------------------- column widths

int ColumnWidthFor(const QAbstractItemView& view, const QHeaderView& header, int column, const QStringList& samples,
                   int grid)
{
    const int least = header.sectionSizeHint(column);
    const QAbstractItemModel* model = view.model();
    if (!model || model->rowCount() == 0 || samples.isEmpty()) return least;
    const QFontMetrics metrics = view.fontMetrics();
    QChar widest = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest)) widest = QChar(digit);
    }
    const QModelIndex first = model->index(0, column);
    const int margins = view.sizeHintForIndex(first).width() - metrics.horizontalAdvance(first.data().toString());
    int width = 0;
    for (QString sample : samples) {
        for (QChar& c : sample) {
            if (c.isDigit()) c = widest;
        }
        width = std::max(width, metrics.horizontalAdvance(sample));
    }
    return std::max(least, width + margins + grid);
}

int Measurement::Of(const QStringList& texts, const QFont& font, const std::function<int()>& measure)
{
    QStringList key = texts;
    for (QString& text : key) {
        for (QChar& c : text) {
            if (c.isDigit()) c = u'0';
        }
    }
    if (m_size < 0 || key != m_texts || font != m_font) {
        m_size = measure();
        m_texts = std::move(key);
        m_font = font;
    }
    return m_size;
}

// The check panel's two lists as models over the report the panel shows: the
// findings (day, rule, description) and the settlement periods (period,
// norm, planned and night time). A text is made when a view asks for it, so
// a long plan's thousands of findings cost nothing until they scroll into
// sight. The report stays the panel's; a model only points at it, and is
// told when it changes.
#pragma once

#include "compliance/ComplianceCheck.h"

#include <QAbstractTableModel>
#include <QFont>

#include <functional>

class QAbstractItemView;
class QHeaderView;

class FindingsModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    enum Column { DayColumn, RuleColumn, MessageColumn, ColumnCount };

    // Shows the report's findings (none for nullptr) from now on.
    void SetReport(const ComplianceReport* report);
    const ComplianceFinding& Finding(int row) const { return m_report->Findings.at(row); }

    // "błąd: Norma dobowa (art. 129 § 1)"; the severity in words, so that
    // its colour is not the only sign of it.
    static QString RuleText(const ComplianceFinding& finding);
    // The widest texts the rule column holds: one of each rule and severity found.
    QStringList RuleSamples() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display texts, the rule's colour and tooltips; the day (days since
    // 2000-01-01) as Qt::UserRole of the day column.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const ComplianceReport* m_report = nullptr;
};

class PeriodsModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    enum Column { PeriodColumn, NormColumn, PlannedColumn, NightColumn, ColumnCount };

    // Shows the report's periods (none for nullptr); nightStart names the
    // night time in the night column's tooltip.
    void SetReport(const ComplianceReport* report, int32_t nightStart);
    // The widest texts of a column: the most hours of it, with each sign the
    // planned time carries.
    QStringList Samples(int column) const;
    // Rows that stand for every kind of row: the first of each sign.
    QVector<int> SampleRows() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display texts, the norm's colour behind the norm and the planned time, tooltips.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString Text(int row, int column) const;

    const ComplianceReport* m_report = nullptr;
    int32_t m_nightStart = 0;
};

// The width a view's column needs for texts like the samples, as fitting it
// to its contents would give without measuring every row: the widest sample,
// every digit counted as the font's widest (so that one date stands for every
// date), with the delegate's margins as the column's first row has them, plus
// grid (the width of a grid line, if drawn); never less than the header asks.
int ColumnWidthFor(const QAbstractItemView& view, const QHeaderView& header, int column, const QStringList& samples,
                   int grid = 0);

// A size measured for texts in a font, kept with them: measured again only
// when the texts (every digit counting as any other) or the font change. A
// check after every edit mostly finds the same rules and the same kinds of
// periods, and opening a plan again finds them all.
class Measurement
{
public:
    int Of(const QStringList& texts, const QFont& font, const std::function<int()>& measure);

private:
    QStringList m_texts;
    QFont m_font;
    int m_size = -1;
};

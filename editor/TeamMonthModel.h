// The models of "Grafik zespołu": the grid of employees by days (each cell
// the shift's colour, its hours and its slot digit), the filter and order of
// its rows, and the coverage rows under it (the people at work each day and
// on each shift, with the shift's minimum and the days short of it).
#pragma once

#include "export/TeamExport.h"

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

#include <optional>

// Roles of the grid's cells beyond Qt's own.
enum TeamRole {
    CornerRole = Qt::UserRole + 1, // the slot digit ("P" for a weekly plan's working day)
    HatchRole,                     // a member whose plan is missing, unreadable or none
};

// Both views' columns: the two before the days, then the days.
constexpr int FirstDayColumn = 2;

class TeamGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TeamGridModel(QObject* parent = nullptr);

    // The planned time and the norm come before the days, beside the names;
    // the group and the plan after them.
    enum Lead { PlannedColumn = 0, NormColumn, LeadColumns };
    enum Trail { GroupColumn = 0, PlanColumn, TrailColumns };

    void SetMonth(const TeamMonth& month, const std::array<uint32_t, SlotCount>& colours);
    const TeamMonth& Month() const { return m_month; }
    int DayCount() const { return m_days; }
    int ColumnOf(Trail trail) const { return LeadColumns + m_days + int(trail); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant DayData(int member, int32_t day, int role) const;

    TeamMonth m_month;
    std::array<uint32_t, SlotCount> m_colours{};
    int m_days = 0;
    QVector<QString> m_kindTexts; // ShortHoursText of each shift kind
};

// What the rows are chosen and ordered by.
enum class TeamOrder { Name, Number, Group, Plan, Planned };

class TeamFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // A group or plan to keep (letter case aside), none for all; a text the
    // number, surname or first name must hold.
    void SetFilter(std::optional<QString> group, std::optional<QString> plan, const QString& text);
    void SetOrder(TeamOrder order);
    // Sort keys for the month's texts, made once a month is shown.
    void PrepareKeys();
    // The members shown, in order.
    QVector<int> ShownMembers() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const TeamMonth& Month() const;

    std::optional<QString> m_group;
    std::optional<QString> m_plan;
    QString m_text;
    TeamOrder m_order = TeamOrder::Name;
    QVector<QCollatorSortKey> m_groupKeys;
    QVector<QCollatorSortKey> m_planKeys;
};

// The coverage of the rows shown: "Pracujący", then a row per shift, each
// with the shift's minimum and the number of days short of it. The planner
// sets the minimums for the whole team and for each group (the group the
// rows are filtered by); the user's settings keep them.
class TeamCoverageModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TeamCoverageModel(QObject* parent = nullptr);

    // Where the minimum of a shift is kept in the user's settings: for a
    // group (letter case aside), or for the whole team.
    static QString SettingsKey(const std::optional<QString>& group, ShiftHours hours);

    // Before the days, under the grid's planned time and norm: each shift's
    // minimum and the number of days short of it.
    enum Lead { MinimumColumn = 0, ShortColumn, LeadColumns };

    // The month, the members counted and the group they were chosen by (none:
    // the whole team, whose minimums then apply).
    void SetCoverage(const TeamMonth& month, const QVector<int>& members, const std::optional<QString>& group = {});
    const QVector<DayCoverage>& Coverage() const { return m_coverage; }
    const QMap<QString, int>& Minimums() const { return m_minimums; }
    // The days on which some shift has fewer people than its minimum.
    QVector<int32_t> ShortDays() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A shift's minimum was set.
    void MinimumChanged();

private:
    int Lacking(int kind, const DayCoverage& day) const;
    void LoadMinimums();
    // The minimum and short-days columns of a shift's row.
    QVariant ShiftData(int kind, int column, int role) const;

    TeamMonth m_month;
    QVector<DayCoverage> m_coverage;
    QMap<QString, int> m_minimums;
    std::optional<QString> m_group;
    int m_days = 0;
};

// Paints a day cell: the colour, the hours in the middle and the slot digit
// in the top corner, so that the colour never speaks alone.
class TeamCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The weekday abbreviations the day headings use, Sunday first.
QString WeekdayAbbreviation(int32_t day);

#include "editor/TeamMonthModel.h"

#include <QApplication>
#include <QCollator>
#include <QLocale>
#include <QPainter>
#include <QSettings>
#include <QSpinBox>

namespace {

const QColor RestDayShade(0xE4, 0xE4, 0xE4);
const QColor ShortShade(0xF6, 0xC4, 0xC4);
const QColor Ink(0x1A, 0x1A, 0x1A);

QString DayText(int32_t day)
{
    return DateOfDay(day).toString(QStringLiteral("dd-MM-yyyy"));
}

QString WeekdayName(int32_t day)
{
    return PolishWeekdayName(DateOfDay(day).dayOfWeek());
}

// "Nazwisko Imię (numer)", as the rows are headed.
QString MemberTitle(const EmployeeRow& row)
{
    return QStringLiteral("%1 %2 (%3)").arg(row.Surname, row.FirstName, row.Number);
}

QString PersonCount(int count)
{
    if (count == 1) return QStringLiteral("1 osoba");
    const int tens = count % 100;
    const bool few = count % 10 >= 2 && count % 10 <= 4 && (tens < 12 || tens > 14);
    return QStringLiteral("%1 %2").arg(count).arg(few ? QStringLiteral("osoby") : QStringLiteral("osób"));
}

QCollator PolishCollator()
{
    return QCollator(QLocale(QLocale::Polish, QLocale::Poland));
}

bool IsRestDay(const TeamMonth& month, int32_t day)
{
    return WeekdayOf(day) == 0 || month.FreeDays.contains(day);
}

// The heading of a day column: the day of the month over its weekday, "św." on a free day.
QVariant DayHeading(const TeamMonth& month, int32_t day, int role)
{
    const auto free = month.FreeDays.constFind(day);
    const bool isFree = free != month.FreeDays.cend();
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(DateOfDay(day).day()) + QLatin1Char('\n') +
               (isFree ? QStringLiteral("św.") : WeekdayAbbreviation(day));
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return DayText(day) + u' ' + WeekdayName(day) +
               (isFree ? QStringLiteral(" – dzień wolny: ") + *free : QString());
    case Qt::ForegroundRole:
        return IsRestDay(month, day) ? QVariant(QColor(0xB0, 0, 0)) : QVariant();
    case Qt::FontRole:
        if (isFree) {
            QFont font = QApplication::font();
            font.setStrikeOut(true);
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

static_assert(TeamGridModel::LeadColumns == FirstDayColumn && TeamCoverageModel::LeadColumns == FirstDayColumn,
              "the grid's days and the coverage's days stand in the same columns");

} // namespace

QString WeekdayAbbreviation(int32_t day)
{
    static const char* const names[7] = {"nd", "pn", "wt", "śr", "cz", "pt", "so"};
    return QString::fromUtf8(names[WeekdayOf(day)]);
}

// ---------------------------------------------------------------- the grid

TeamGridModel::TeamGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TeamGridModel::SetMonth(const TeamMonth& month, const std::array<uint32_t, SlotCount>& colours)
{
    beginResetModel();
    m_month = month;
    m_colours = colours;
    m_days = month.DayCount();
    m_kindTexts.clear();
    for (const ShiftHours& hours : month.Kinds)
        m_kindTexts.append(ShortHoursText(hours));
    endResetModel();
}

int TeamGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_month.Members.size());
}

int TeamGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : LeadColumns + m_days + TrailColumns;
}

QVariant TeamGridModel::DayData(int member, int32_t day, int role) const
{
    const Shift* shift = m_month.WorkOn(member, day);
    switch (role) {
    case Qt::DisplayRole:
        return shift ? m_kindTexts.at(m_month.KindOn(member, day)) : QString();
    case Qt::BackgroundRole:
        if (shift) return QColor::fromRgb(QRgb(0xFF000000u | ShiftColour(*shift, m_colours)));
        return IsRestDay(m_month, day) ? QVariant(RestDayShade) : QVariant();
    case CornerRole:
        if (!shift) return {};
        return shift->Slot >= 0 ? QString::number(shift->Slot) : QStringLiteral("P");
    case HatchRole:
        return m_month.Members.at(member).State != TeamPlanState::Ok;
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
        const TeamMember& who = m_month.Members.at(member);
        QString text =
            QStringLiteral("%1 %2, %3 %4: ").arg(who.Row.Surname, who.Row.FirstName, DayText(day), WeekdayName(day));
        if (!shift) {
            const QString state = StateText(who.State);
            text += state.isEmpty() ? QStringLiteral("wolne") : state;
        } else {
            text += QStringLiteral("zmiana %1, %2, czas pracy %3")
                        .arg(HoursText(HoursOf(*shift)).replace(QLatin1Char('-'), QStringLiteral("–")),
                             shift->Slot >= 0 ? QStringLiteral("harmonogram %1").arg(shift->Slot)
                                              : QStringLiteral("plan tygodniowy"),
                             DurationText(shift->WorkingTime));
        }
        const auto free = m_month.FreeDays.constFind(day);
        if (free != m_month.FreeDays.cend()) text += QStringLiteral(" (dzień wolny: %1)").arg(*free);
        return text;
    }
    default:
        return {};
    }
}

QVariant TeamGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_month.Members.size()) return {};
    const int member = index.row();
    const int column = index.column();
    if (column >= LeadColumns && column < LeadColumns + m_days)
        return DayData(member, m_month.FirstDay + column - LeadColumns, role);
    const TeamMember& who = m_month.Members.at(member);
    if (role == Qt::TextAlignmentRole)
        return column < LeadColumns ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole) return {};
    if (column == PlannedColumn) return DurationText(int32_t(m_month.PlannedMinutes(member)));
    if (column == NormColumn) {
        const std::optional<int64_t> norm = m_month.NormMinutes(member);
        return norm ? DurationText(int32_t(*norm)) : QStringLiteral("—");
    }
    if (column == ColumnOf(GroupColumn)) return who.Row.Group;
    const QString state = StateText(who.State);
    return who.State == TeamPlanState::Ok || who.State == TeamPlanState::NoPlan
               ? who.Row.Plan
               : QStringLiteral("%1 (%2)").arg(who.Row.Plan, state);
}

QVariant TeamGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (section < 0 || section >= m_month.Members.size()) return {};
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole) return {};
        // Whoever has no days for want of a plan says why beside the name.
        const TeamMember& who = m_month.Members.at(section);
        const QString state = StateText(who.State);
        return state.isEmpty() ? MemberTitle(who.Row) : MemberTitle(who.Row) + QStringLiteral(": ") + state;
    }
    if (section >= LeadColumns && section < LeadColumns + m_days)
        return DayHeading(m_month, m_month.FirstDay + section - LeadColumns, role);
    if (role == Qt::ToolTipRole && section < LeadColumns)
        return section == PlannedColumn ? QStringLiteral("Zaplanowany czas pracy w miesiącu (godziny:minuty)")
                                        : QStringLiteral("Wymiar czasu pracy miesiąca (godziny:minuty)");
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole) return {};
    if (section == PlannedColumn) return QStringLiteral("Zaplanowano");
    if (section == NormColumn) return QStringLiteral("Norma");
    if (section == ColumnOf(GroupColumn)) return QStringLiteral("Grupa");
    if (section == ColumnOf(PlanColumn)) return QStringLiteral("Plan pracy");
    return {};
}

// ---------------------------------------------------------------- filter and order

const TeamMonth& TeamFilter::Month() const
{
    return static_cast<const TeamGridModel*>(sourceModel())->Month();
}

void TeamFilter::SetFilter(std::optional<QString> group, std::optional<QString> plan, const QString& text)
{
    m_group = std::move(group);
    m_plan = std::move(plan);
    m_text = text.trimmed();
    invalidateRowsFilter();
}

void TeamFilter::SetOrder(TeamOrder order)
{
    m_order = order;
    invalidate();
    sort(0);
}

void TeamFilter::PrepareKeys()
{
    const QCollator collator = PolishCollator();
    m_groupKeys.clear();
    m_planKeys.clear();
    for (const TeamMember& member : Month().Members) {
        m_groupKeys.append(collator.sortKey(member.Row.Group));
        m_planKeys.append(collator.sortKey(member.Row.Plan));
    }
    invalidate();
    sort(0);
}

QVector<int> TeamFilter::ShownMembers() const
{
    QVector<int> members;
    members.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        members.append(mapToSource(index(row, 0)).row());
    return members;
}

bool TeamFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    const EmployeeRow& row = Month().Members.at(sourceRow).Row;
    if (m_group && row.Group.compare(*m_group, Qt::CaseInsensitive) != 0) return false;
    if (m_plan && row.Plan.compare(*m_plan, Qt::CaseInsensitive) != 0) return false;
    if (m_text.isEmpty()) return true;
    return row.Surname.contains(m_text, Qt::CaseInsensitive) || row.FirstName.contains(m_text, Qt::CaseInsensitive) ||
           row.Number.contains(m_text) || (row.Surname + u' ' + row.FirstName).contains(m_text, Qt::CaseInsensitive);
}

bool TeamFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    // The month lists its members in Polish order of their names: ties keep it.
    const int a = left.row();
    const int b = right.row();
    const TeamMonth& month = Month();
    int order = 0;
    switch (m_order) {
    case TeamOrder::Name:
        break;
    case TeamOrder::Number:
        order = month.Members.at(a).Row.Number.compare(month.Members.at(b).Row.Number);
        break;
    case TeamOrder::Group:
        if (a < m_groupKeys.size() && b < m_groupKeys.size()) order = m_groupKeys.at(a).compare(m_groupKeys.at(b));
        break;
    case TeamOrder::Plan:
        if (a < m_planKeys.size() && b < m_planKeys.size()) order = m_planKeys.at(a).compare(m_planKeys.at(b));
        break;
    case TeamOrder::Planned: {
        const int64_t planned = month.PlannedMinutes(a) - month.PlannedMinutes(b);
        order = planned < 0 ? -1 : planned > 0 ? 1 : 0;
        break;
    }
    }
    return order != 0 ? order < 0 : a < b;
}

// ---------------------------------------------------------------- coverage

TeamCoverageModel::TeamCoverageModel(QObject* parent) : QAbstractTableModel(parent) {}

QString TeamCoverageModel::SettingsKey(const std::optional<QString>& group, ShiftHours hours)
{
    // Group names may hold characters the settings take for separators.
    const QString scope = group ? QStringLiteral("grupa-") + QString::fromLatin1(group->toCaseFolded().toUtf8().toHex())
                                : QStringLiteral("wszyscy");
    return QStringLiteral("grafikZespolu/minimum/%1/%2").arg(scope, HoursText(hours));
}

void TeamCoverageModel::LoadMinimums()
{
    m_minimums.clear();
    const QSettings settings;
    for (const ShiftHours& hours : std::as_const(m_month.Kinds)) {
        const int minimum = settings.value(SettingsKey(m_group, hours), 0).toInt();
        if (minimum > 0) m_minimums.insert(HoursText(hours), minimum);
    }
}

void TeamCoverageModel::SetCoverage(const TeamMonth& month, const QVector<int>& members,
                                    const std::optional<QString>& group)
{
    const bool sameShape = month.Kinds == m_month.Kinds && month.DayCount() == m_days;
    const bool sameGroup =
        group.has_value() == m_group.has_value() && (!group || group->compare(*m_group, Qt::CaseInsensitive) == 0);
    if (!sameShape) beginResetModel();
    m_month = month;
    m_days = month.DayCount();
    m_group = group;
    m_coverage = TeamCoverage(month, members);
    if (!sameShape || !sameGroup) LoadMinimums();
    if (!sameShape) {
        endResetModel();
    } else if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

int TeamCoverageModel::Lacking(int kind, const DayCoverage& day) const
{
    return std::max(0, m_minimums.value(HoursText(m_month.Kinds.at(kind)), 0) - day.ByKind.at(kind));
}

QVector<int32_t> TeamCoverageModel::ShortDays() const
{
    QVector<int32_t> days;
    for (const DayCoverage& day : m_coverage) {
        for (int kind = 0; kind < m_month.Kinds.size(); ++kind) {
            if (Lacking(kind, day) > 0) {
                days.append(day.Day);
                break;
            }
        }
    }
    return days;
}

QVariant TeamCoverageModel::ShiftData(int kind, int column, int role) const
{
    const QString hours = HoursText(m_month.Kinds.at(kind));
    const int minimum = m_minimums.value(hours, 0);
    if (role == Qt::TextAlignmentRole) return Qt::AlignCenter;
    if (column == ShortColumn) {
        int days = 0;
        for (const DayCoverage& day : m_coverage)
            days += Lacking(kind, day) > 0 ? 1 : 0;
        if (role == Qt::DisplayRole) return minimum > 0 ? QString::number(days) : QString();
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return minimum > 0 ? QStringLiteral("Zmiana %1: dni z brakami obsady: %2").arg(hours).arg(days)
                               : QStringLiteral("Zmiana %1: bez minimum").arg(hours);
        return {};
    }
    if (role == Qt::EditRole) return minimum;
    if (role == Qt::DisplayRole) return minimum > 0 ? QString::number(minimum) : QString();
    if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return QStringLiteral("Minimum zmiany %1 %2: %3 (F2 zmienia)")
            .arg(hours, m_group ? QStringLiteral("w grupie „%1”").arg(*m_group) : QStringLiteral("w całym zespole"),
                 minimum > 0 ? PersonCount(minimum) : QStringLiteral("brak"));
    return {};
}

int TeamCoverageModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_month.Kinds.size()) + 1;
}

int TeamCoverageModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : LeadColumns + m_days;
}

QVariant TeamCoverageModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    const int kind = index.row() - 1; // row 0: everybody at work
    if (index.column() < LeadColumns) return kind < 0 ? QVariant() : ShiftData(kind, index.column(), role);
    const int dayIndex = index.column() - LeadColumns;
    if (dayIndex >= m_coverage.size()) return {};
    const DayCoverage& day = m_coverage.at(dayIndex);
    const int count = kind < 0 ? day.Working : day.ByKind.at(kind);
    const int lacking = kind < 0 ? 0 : Lacking(kind, day);
    switch (role) {
    case Qt::DisplayRole:
        // A shortfall is marked in the text as well as in colour.
        return lacking > 0 ? QStringLiteral("%1!").arg(count) : QString::number(count);
    case Qt::TextAlignmentRole:
        return Qt::AlignCenter;
    case Qt::BackgroundRole:
        if (lacking > 0) return ShortShade;
        return IsRestDay(m_month, day.Day) ? QVariant(RestDayShade) : QVariant();
    case Qt::FontRole:
        if (lacking > 0) {
            QFont font = QApplication::font();
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
        QString text = DayText(day.Day) + u' ' + WeekdayName(day.Day) + QStringLiteral(": ");
        if (kind < 0) return text + QStringLiteral("w pracy %1").arg(PersonCount(count));
        text += QStringLiteral("zmiana %1, %2").arg(HoursText(m_month.Kinds.at(kind)), PersonCount(count));
        if (lacking > 0)
            text +=
                lacking == 1 ? QStringLiteral(", brakuje 1 osoby") : QStringLiteral(", brakuje %1 osób").arg(lacking);
        return text;
    }
    default:
        return {};
    }
}

bool TeamCoverageModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != MinimumColumn || index.row() < 1) return false;
    bool ok = false;
    const int minimum = value.toInt(&ok);
    if (!ok || minimum < 0) return false;
    const ShiftHours hours = m_month.Kinds.at(index.row() - 1);
    QSettings settings;
    if (minimum == 0) {
        settings.remove(SettingsKey(m_group, hours));
        m_minimums.remove(HoursText(hours));
    } else {
        settings.setValue(SettingsKey(m_group, hours), minimum);
        m_minimums.insert(HoursText(hours), minimum);
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    emit MinimumChanged();
    return true;
}

Qt::ItemFlags TeamCoverageModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == MinimumColumn && index.row() >= 1) flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant TeamCoverageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole) return {};
        if (section == 0) return QStringLiteral("Pracujący");
        if (section - 1 >= m_month.Kinds.size()) return {};
        return QStringLiteral("Zmiana ") +
               HoursText(m_month.Kinds.at(section - 1)).replace(QLatin1Char('-'), QStringLiteral("–"));
    }
    if (section >= LeadColumns) return DayHeading(m_month, m_month.FirstDay + section - LeadColumns, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return section == MinimumColumn ? QStringLiteral("Minimum") : QStringLiteral("Braki");
    if (role == Qt::ToolTipRole)
        return section == MinimumColumn
                   ? QStringLiteral(
                         "Najmniejsza liczba osób na zmianie, dla całego zespołu albo wybranej grupy; F2 zmienia")
                   : QStringLiteral("Dni, w których zmiana ma mniej osób niż minimum");
    return {};
}

// ---------------------------------------------------------------- cells

void TeamCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant corner = index.data(CornerRole);
    if (!corner.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        // No plan to show: lined across, besides the state beside the name.
        if (index.data(HatchRole).toBool())
            painter->fillRect(option.rect, QBrush(QColor(0xA0, 0xA0, 0xA0), Qt::BDiagPattern));
        return;
    }
    painter->save();
    const QRect cell = option.rect;
    painter->fillRect(cell, index.data(Qt::BackgroundRole).value<QColor>());
    painter->setPen(Ink);
    QFont font = option.font;
    font.setPointSizeF(std::max(6.0, font.pointSizeF() - 2));
    painter->setFont(font);
    painter->drawText(cell.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, corner.toString());
    font.setPointSizeF(option.font.pointSizeF());
    painter->setFont(font);
    painter->drawText(cell.adjusted(5, 1, -1, 0), Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_Selected) {
        painter->setPen(QPen(option.palette.highlight(), 2));
        painter->drawRect(cell.adjusted(1, 1, -1, -1));
    }
    painter->restore();
}

QWidget* TeamCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setRange(0, 999);
        spin->setObjectName(QStringLiteral("teamMinimumEdit"));
        spin->setAccessibleName(QStringLiteral("Minimum zmiany ") +
                                index.model()->headerData(index.row(), Qt::Vertical).toString());
    }
    return editor;
}

#include "dialogs/FreeDaysTableModel.h"

#include <QLocale>

namespace {

const QLocale Polish(QLocale::Polish, QLocale::Poland);

} // namespace

FreeDaysTableModel::FreeDaysTableModel(FreeDaysDocument& doc, QObject* parent) : QAbstractTableModel(parent), m_doc(doc)
{
}

int FreeDaysTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_doc.Entries.size());
}

int FreeDaysTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FreeDaysTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_doc.Entries.size()) return {};
    const FreeDayEntry& entry = m_doc.Entries.at(index.row());
    const QString repeat = entry.Recurring ? QStringLiteral("co roku") : QStringLiteral("jeden raz");
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case DateColumn:
            return entry.Date.toString(entry.Recurring ? QStringLiteral("dd-MM") : QStringLiteral("dd-MM-yyyy"));
        case RepeatColumn:
            return repeat;
        default:
            return entry.Description;
        }
    case Qt::AccessibleTextRole:
        if (index.column() == DateColumn) {
            return Polish.toString(entry.Date,
                                   entry.Recurring ? QStringLiteral("d MMMM, co roku") : QStringLiteral("d MMMM yyyy"));
        }
        return data(index, Qt::DisplayRole);
    case SortRole:
        switch (index.column()) {
        case DateColumn:
            // Entries of every year first, by month and day; then the others by date.
            return entry.Recurring ? entry.Date.month() * 100 + entry.Date.day()
                                   : 10000 + entry.Date.year() * 10000 + entry.Date.month() * 100 + entry.Date.day();
        case RepeatColumn:
            return repeat;
        default:
            return entry.Description;
        }
    default:
        return {};
    }
}

QVariant FreeDaysTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case DateColumn:
        return QStringLiteral("Data");
    case RepeatColumn:
        return QStringLiteral("Powtarzanie");
    default:
        return QStringLiteral("Opis");
    }
}

void FreeDaysTableModel::Reload()
{
    beginResetModel();
    endResetModel();
}

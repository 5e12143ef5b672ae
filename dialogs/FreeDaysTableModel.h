// The entries of the free-days list as the table of the "Dni wolne" dialog
// shows them: the date ("dd-MM" for an entry of every year), whether it
// recurs, and the description. Sorting by the first column puts the entries
// of every year first, by month and day, then the others by date.
#pragma once

#include "freedays/FreeDaysDocument.h"

#include <QAbstractTableModel>

class FreeDaysTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { DateColumn = 0, RepeatColumn = 1, DescriptionColumn = 2, ColumnCount = 3 };
    // The value the proxy sorts by.
    static constexpr int SortRole = Qt::UserRole;

    explicit FreeDaysTableModel(FreeDaysDocument& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The list changed under the model: it is shown anew.
    void Reload();

private:
    FreeDaysDocument& m_doc;
};

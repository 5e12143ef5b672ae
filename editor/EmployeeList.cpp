#include "editor/EmployeeList.h"

#include "editor/ClearButton.h"
#include "editor/OneLineDelegate.h"
#include "env/PolishOrder.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace {

// The list's filter, which sorts its text columns in Polish alphabetical
// order without regard to letter case, and card numbers as numbers.
class EmployeeFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        return ComparePolish(left.data().toString(), right.data().toString(), PolishNumbers::AsNumbers) < 0;
    }
};

} // namespace

void EmployeeListModel::SetRows(EmployeeRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void EmployeeListModel::PlanChanged(int row)
{
    const QModelIndex cell = index(row, 3);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

int EmployeeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int EmployeeListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 5;
}

QVariant EmployeeListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return EmployeeCell(m_rows.at(index.row()), index.column());
    return {};
}

QVariant EmployeeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return EmployeeColumnTitles().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

EmployeeList::EmployeeList(QWidget* parent)
    : QObject(parent), m_model(new EmployeeListModel(this)), m_filter(new EmployeeFilter(this)),
      m_view(new QTableView(parent)), m_search(new QLineEdit(parent)), m_message(new QLineEdit(parent))
{
    m_filter->setSourceModel(m_model);
    m_filter->setFilterKeyColumn(-1);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_view->setObjectName(QStringLiteral("lstListaPracownikow"));
    m_view->setAccessibleName(QStringLiteral("Lista pracowników"));
    m_view->setModel(m_filter);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One stop of the Tab key: the arrows move inside the list, Tab leaves it.
    m_view->setTabKeyNavigation(false);
    m_view->setShowGrid(false);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->setItemDelegate(new OneLineDelegate(m_view));
    m_view->verticalHeader()->setVisible(false);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setSectionsClickable(true);
    m_view->horizontalHeader()->setStretchLastSection(true);
    const int widths[5] = {46, 100, 78, 92, 60};
    for (int column = 0; column < 5; ++column)
        m_view->setColumnWidth(column, widths[column]);
    // A header click sorts by its column, ascending however often it is clicked.
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, &EmployeeList::SortBy);

    m_search->setObjectName(QStringLiteral("employeeSearch"));
    m_search->setPlaceholderText(QStringLiteral("Szukaj pracownika"));
    m_search->setAccessibleName(QStringLiteral("Szukaj pracownika"));
    AddClearButton(*m_search);
    connect(m_search, &QLineEdit::textChanged, m_filter, &QSortFilterProxyModel::setFilterFixedString);

    m_message->setObjectName(QStringLiteral("txtKomunikat"));
    m_message->setText(QStringLiteral("Lista pracowników niedostępna"));
    m_message->setAccessibleName(m_message->text());
    m_message->setReadOnly(true);
    m_message->setFocusPolicy(Qt::NoFocus);
    m_message->setVisible(false);
    QWidget::setTabOrder(m_search, m_view);
}

void EmployeeList::SortBy(int column)
{
    m_filter->sort(column, Qt::AscendingOrder);
    m_view->horizontalHeader()->setSortIndicatorShown(true);
    m_view->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
}

QList<int> EmployeeList::SelectedRows() const
{
    QList<int> rows;
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    for (const QModelIndex& index : selected)
        rows.append(m_filter->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool EmployeeList::SelectFirst()
{
    if (m_filter->rowCount() == 0) return false;
    m_view->selectRow(0);
    return true;
}

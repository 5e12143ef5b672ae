// The employee list of the main window (lstListaPracownikow): the rows read
// from the personnel folder in a table model, behind a filter that keeps
// the rows matching the search field in any column and sorts by the column
// whose header is clicked, always ascending: text in Polish alphabetical
// order, card numbers as numbers.
#pragma once

#include "staff/ObslugaListy.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

class QLineEdit;
class QTableView;
class QWidget;

class EmployeeListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    EmployeeRows& Rows() { return m_rows; }
    const EmployeeRows& Rows() const { return m_rows; }
    // Takes the rows the reader gave.
    void SetRows(EmployeeRows rows);
    // A row's "Plan pracy" cell changed.
    void PlanChanged(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    EmployeeRows m_rows;
};

// The list's widgets and their model: the search field, the view and the
// message line (txtKomunikat) over the view's top edge.
class EmployeeList : public QObject
{
    Q_OBJECT

public:
    explicit EmployeeList(QWidget* parent);

    EmployeeListModel* Model() const { return m_model; }
    QSortFilterProxyModel* Filter() const { return m_filter; }
    QTableView* View() const { return m_view; }
    QLineEdit* Search() const { return m_search; }
    QLineEdit* Message() const { return m_message; }

    // Sorts by a column (0-based) in ascending text order, as a header click does.
    void SortBy(int column);
    // The source rows selected among those the filter shows.
    QList<int> SelectedRows() const;
    // Selects the first row shown; false when the list is empty.
    bool SelectFirst();

private:
    EmployeeListModel* m_model;
    QSortFilterProxyModel* m_filter;
    QTableView* m_view;
    QLineEdit* m_search;
    QLineEdit* m_message;
};

// The free-days dialog ("Dni wolne"): the suite's list of free days, its
// entries added, changed and removed, and a year's public holidays added in
// one step ("Dodaj święta ustawowe…"). It holds the free-days lock from
// opening to closing; "Zapisz" writes the list and puts it into the
// program's free days, and closing with changes unsaved asks first.
#pragma once

#include "freedays/FreeDaysDocument.h"

#include <QDate>
#include <QDialog>

class FreeDaysTableModel;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
struct Environment;
struct SuiteFreeDays;

class FreeDaysDialog : public QDialog
{
    Q_OBJECT

public:
    FreeDaysDialog(const Environment& env, SuiteFreeDays& freeDays, QWidget* parent = nullptr);
    ~FreeDaysDialog() override;

    // Takes the lock and reads the list; false (its message shown) when the
    // list cannot be edited now. The dialog is then not to be shown.
    bool Open();
    // Whether the list was written while the dialog was open.
    bool Saved() const { return m_saved; }
    // Today's date: the holidays offered first are of the first year from it
    // that the list lacks.
    void SetToday(const QDate& today) { m_today = today; }

    const FreeDaysDocument& Document() const { return m_doc; }
    QTableView* Table() const { return m_table; }
    QLabel* Status() const { return m_status; }
    QPushButton* Button(const char* name) const;

    // The buttons' work; the entry and year dialogs are modal.
    void AddEntry();
    void EditEntry();
    void RemoveEntry();
    void AddHolidays();
    // Adds a year's holidays without asking for the year.
    void AddHolidaysOf(int year);

    // Zapisz: writes the list and closes; a failed write keeps the dialog open.
    void accept() override;
    // Anuluj, Escape and the frame: unsaved changes are offered for saving first.
    void reject() override;

private:
    // The entry of the table's current row, or -1.
    int CurrentEntry() const;
    void SelectEntry(int entry);
    void Changed(const QString& status);
    bool Save();
    void Close(int result);

    const Environment& m_env;
    SuiteFreeDays& m_freeDays;
    FreeDaysDocument m_doc;
    bool m_open = false;
    bool m_saved = false;
    QDate m_today = QDate::currentDate();
    FreeDaysTableModel* m_model;
    QSortFilterProxyModel* m_sorted;
    QTableView* m_table;
    QLabel* m_status;
};

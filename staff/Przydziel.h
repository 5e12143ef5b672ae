// Assigning a plan to the employees selected in the list: every selected
// employee's record is rewritten with the plan's name, keeping the rest.
#pragma once

#include "env/OdczytZapisPliku.h"
#include "staff/ObslugaListy.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

struct Environment;

// The employee of the row being assigned: what the rewrite stores.
struct EmployeeData
{
    int16_t Number = 0;
    QString Surname;   // trimmed
    QString FirstName; // trimmed
};

enum class AssignmentResult { Assigned, Deleted, Failed };

struct AssignmentOutcome
{
    int Row = 0;
    AssignmentResult Result = AssignmentResult::Failed;
    // Failed: why the record could not be rewritten, when a file operation
    // said so (none for a record the rewrite refuses by its contents).
    FileFault Fault = {};

    friend bool operator==(const AssignmentOutcome&, const AssignmentOutcome&) = default;
};

// The list's selection as the run's snapshot (Zaznaczeni): one flag per row,
// set for the selected rows.
QVector<bool> ZaznaczWybranych(int rowCount, const QList<int>& selectedRows);

// Binds the suite library to the personnel folder (the result does not matter).
void UstawKatalogPersonelu(const Environment& env);

// The file-name stem of a row's employee: the library's name for the
// surname, or for its first 8 characters when it is longer.
QString RdzenNazwy(const Environment& env, const EmployeeRow& row);

// Takes the row's card number, surname and first name into employee and
// returns NumerNaTekst of the number.
QString DanePracownika(const EmployeeRow& row, EmployeeData& employee);

// The path of the record fileName in folder, found without regard to letter
// case; empty when there is no such file.
QString RecordPath(const QString& folder, const QString& fileName);

// The new contents of the record fileName: its header word, group and entries
// (in stored order) with the employee's names and the plan ("<BRAK>" is
// stored as "****"). Nothing when the record must not be rewritten: a
// negative entry count, a stored surname that does not belong to the file
// name, or a data start before the first byte.
std::optional<QByteArray> RewrittenRecord(const Environment& env, const QString& fileName, const QByteArray& record,
                                          const EmployeeData& employee, const QString& planText);

// Rewrites the record stem + "." + numberText in the personnel folder under
// exclusive access (retried while another program holds it, waiting through
// the hooks; any other failure to open it fails at once). True on success;
// false, with the record as it was, on any failure, whose file fault (if a
// file operation failed) goes to fault.
bool ZapiszPlanPracownika(const Environment& env, const QString& stem, const QString& numberText,
                          const EmployeeData& employee, const QString& planText, const StaffHooks& hooks,
                          FileFault* fault = nullptr);

// The assignment run over the rows flagged in selected (Zaznaczeni): each gets
// planText (the plan box's text) in its record and in its "Plan pracy" cell.
// A deleted employee or a failed rewrite asks whether to go on (the question
// names the cause of a failed file operation); No ends the run. The caller
// disables its window around the call. Returns what became of each selected
// row that was reached.
QVector<AssignmentOutcome> PrzydzielPlan(const Environment& env, EmployeeRows& rows, const QVector<bool>& selected,
                                         const QString& planText, const StaffHooks& hooks);

// What an assignment run came to, in one line: "Przydzielono plan „Biuro” 3
// pracownikom." and the employees who did not get it, each with the reason;
// selectedCount tells whether the run was stopped before the last of them.
QString AssignmentSummary(const QString& planText, const QVector<AssignmentOutcome>& outcomes, const EmployeeRows& rows,
                          int selectedCount);

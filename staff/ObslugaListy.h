// The employee list: reading the personnel folder into rows.
//
// The rows are plain values; the main window's table model holds them and
// shows the five columns "Numer", "Nazwisko", "Imię", "Plan pracy", "Grupa".
// Everything the reader needs from the window (the splash bar, keeping the
// window alive during long loops, the one-second waits on a busy file) comes
// in through StaffHooks, so that tests and tools run the same code.
#pragma once

#include "staff/EmployeeRecord.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

struct Environment;

// One row of the list, as shown: the card number in three digits, then the
// texts without surrounding spaces; "****" as a plan shows as "<BRAK>", a
// missing group as an empty text.
struct EmployeeRow
{
    QString Number;
    QString Surname;
    QString FirstName;
    QString Plan;
    QString Group;

    friend bool operator==(const EmployeeRow&, const EmployeeRow&) = default;
};
using EmployeeRows = QVector<EmployeeRow>;

// The list's column titles, in column order, and a row's text in a column.
QStringList EmployeeColumnTitles();
QString EmployeeCell(const EmployeeRow& row, int column);

// Busy records are retried this many times, with a wait of RetryWaitMs before
// each retry.
constexpr int BusyRetries = 5;
constexpr int RetryWaitMs = 1000;

struct StaffHooks
{
    // The progress bar's value, 0..100.
    std::function<void(int)> Progress;
    // Lets the window handle its pending events.
    std::function<void()> ProcessEvents;
    // Waits before the next attempt on a busy record; a real sleep when empty.
    std::function<void(int milliseconds)> Wait;
    // The "Plan pracy" cell of a row got a new text.
    std::function<void(int row)> PlanCellChanged;

    void SetProgress(int value) const;
    void Events() const;
    void Sleep(int milliseconds) const;
};

// Adds a step to a progress, never beyond 100, and reports the bar's value.
void AdvanceProgress(double& progress, double step, const StaffHooks& hooks);

// The personnel folder, with a closing separator (as the suite's library is given it).
QString PersonnelFolder(const Environment& env);

// Points the environment at a data directory (the folder holding PLANY and PERSONEL).
void UseDataDirectory(Environment& env, const QString& dataDir);

// The personnel folder's file names in listing order (by name, letter case
// ignored), leaving out names that start with a full stop.
QStringList PersonnelListing(const QString& folder);

// The number in a file name: the text after the first full stop, when it is
// made of decimal digits only. Nothing for other names.
std::optional<int> NumberFromFileName(const QString& name);

// The suite library's name for a text (what file names are made of).
QString NazwaZTekstu(const Environment& env, const QString& text);

// Whether a record's file name fits its surname: the name less its last four
// characters must begin the library's name for the surname (letter case aside).
bool NameFitsSurname(const Environment& env, const QString& fileName, const QString& surname);

// "00" + number below 10, "0" + number from 10 to 99, the number from 100 to
// 999, an empty text from 1000 on: the number text of a record's file name.
QString NumerNaTekst(int number);

// One flag per card number 1..999 (index number - 1).
using CardNumberFlags = std::array<bool, 999>;

// NumeryZdublowane: the numbers that occur in the names of two or more of the
// listed records. Numbers above 999 have no place in the table. Nothing is
// marked when the library cannot be bound to the personnel folder.
CardNumberFlags SzukajZdublowanych(const Environment& env, const QStringList& listing, const StaffHooks& hooks);

// What becomes of one record once it is open and read.
enum class RecordVerdict {
    Listed,           // a row for the list
    SkippedShortName, // skipped without a message
    SkippedInvalid,   // the invalid-file message, then the next record
    BadFiles,         // the bad-files message; the program ends
    CardOutOfRange,   // the invalid-file message; the program ends
    NumberMismatch,   // the wrong-files message; the program ends
};

struct RecordCheck
{
    RecordVerdict Verdict = RecordVerdict::SkippedInvalid;
    EmployeeRow Row;
};

// Checks a record in the reader's order: the entry count, the name's length,
// the stem against the surname, the entries, the card number against its
// range and the name.
RecordCheck CheckEmployeeRecord(const Environment& env, const QString& fileName, const QByteArray& bytes);

// Reads the personnel folder into rows (cleared first), in listing order.
// True when the folder was read to its end. False after a message when the
// reading stopped early (busy records, no records, an open error): the rows
// read so far stay. Faults of the data end the program: then ProgramEnding
// is set as well.
bool WczytajPracownikow(Environment& env, EmployeeRows& rows, const StaffHooks& hooks);

// The messages of the employee folder.
QString InvalidFileMessage(const Environment& env, const QString& fileName);
QString BadFilesMessage(const Environment& env);

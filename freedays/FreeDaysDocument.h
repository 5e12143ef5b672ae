// The suite's free-days list (WOLNE.DAT) as the free-days editor keeps it:
// entries with their whole date, added, changed and removed, then written
// back in the layout the reader reads (DniWolne.h). A record read from the
// file keeps its bytes until it is changed, so a file that is read and
// written without a change comes back byte for byte, unused bytes included.
//
// Editing holds the free-days lock ("EditFree") from opening to closing, so
// that no other workstation reads or writes the list half changed.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

struct Environment;
struct FreeDayList;
struct SuiteFreeDays;

// The dates an entry may have: the suite's minute counts start on
// 1 January 2000, and no plan reaches past 2050.
inline const QDate FirstFreeDayDate(2000, 1, 1);
inline const QDate LastFreeDayDate(2099, 12, 31);

struct FreeDayEntry
{
    QDate Date;             // the day; its year counts only when the entry does not recur
    bool Recurring = false; // free on this month and day every year
    QString Description;    // as shown (trimmed, unscrambled)
    QByteArray Stored;      // the record as read; empty for an entry added or changed since
    bool SameContent(const FreeDayEntry& other) const
    {
        return Date == other.Date && Recurring == other.Recurring && Description == other.Description;
    }
};

struct FreeDaysDocument
{
    QVector<FreeDayEntry> Entries; // in file order
    QByteArray Tail;               // bytes after the last whole record, kept at the end
    QString Path;                  // the file read, or where a new one goes
    QByteArray Original;           // the bytes as read (or last saved)
    // Whether writing the list would change the file.
    bool Modified() const;
};

// The entries of WOLNE.DAT's bytes; nothing when a record fails the reader's
// check (a negative date or a blank description).
std::optional<FreeDaysDocument> ParseFreeDays(QByteArrayView bytes);

// The file's bytes: every record kept as read where its entry is unchanged,
// a new record for every other entry (the date at 00:00 as a minute count,
// the description in windows-1250 padded with spaces and scrambled, the
// recurring flag, zeros in the unused bytes), then the tail.
QByteArray EncodeFreeDays(const FreeDaysDocument& doc);

// Why a description cannot be stored so that the reader gets it back, as a
// message for the user; empty when it can. The stored text is the trimmed one.
QString FreeDayDescriptionFault(const QString& description);

// Why an entry cannot be stored (its date outside FirstFreeDayDate to
// LastFreeDayDate, or its description's fault); empty when it can.
QString FreeDayEntryFault(const FreeDayEntry& entry);

// The entry that already makes an entry of this date and kind needless: for
// a recurring one, a recurring entry of the same month and day; for one of a
// single year, any entry that makes that date free. -1 when there is none.
int CoveringEntry(const FreeDaysDocument& doc, const QDate& date, bool recurring);

// Changes an entry; an entry given its own values again keeps its record.
void SetEntry(FreeDaysDocument& doc, int index, const FreeDayEntry& entry);

// Adds the public holidays of a year (PublicHolidays.h) that no entry covers
// yet, at the end of the list; the entries added, in date order.
QVector<FreeDayEntry> AddPublicHolidays(FreeDaysDocument& doc, int year);

// Removes the entry that makes date free: its one-year entry, or else the
// recurring entry of its month and day. The entry removed, or nothing.
std::optional<FreeDayEntry> RemoveFreeDay(FreeDaysDocument& doc, const QDate& date);

// The list the program holds for the entries, as reading the file gives it.
FreeDayList FreeDayListOfDocument(const FreeDaysDocument& doc);

// Opens the list for editing: takes the free-days lock and reads WOLNE.DAT
// from the plans folder (any letter case; no file is an empty list). A
// refused lock shows who holds it ("Blokada danych niemożliwa." without a
// user name), a file that cannot be read its file error with "Anulowano
// odczyt pliku dni wolnych.", a bad record "Błędny plik. Odczyt danych dni
// wolnych anulowany."; each gives false with no lock held.
bool OpenFreeDaysForEditing(const Environment& env, SuiteFreeDays& freeDays, FreeDaysDocument& doc);

// Writes the list over its file in one step through the file layer, and
// puts it into the program's free days, which count as loaded from then on.
// An entry that cannot be stored shows its fault and nothing is written.
// A failure of the file shows its file error with "Anulowano zapis pliku dni wolnych."
// and leaves the file and the program's free days as they were.
bool SaveFreeDays(const Environment& env, SuiteFreeDays& freeDays, FreeDaysDocument& doc);

// Ends editing: releases the free-days lock.
void CloseFreeDays(const Environment& env, SuiteFreeDays& freeDays);

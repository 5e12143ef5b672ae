// The suite's free days, read once at start-up from WOLNE.DAT in the plans
// folder.
//
// WOLNE.DAT is a run of 92-byte records without a header, little-endian:
//    0  int32   the day at 00:00 as a minute count; never negative
//    4  80 B    description, windows-1250, padded with spaces, scrambled
//   84  byte    non-zero = free on this month and day every year
//   85  7 B     not used here
// Scrambling turns every byte but a space into byte XOR 0x5E; spaces stay.
// Bytes after the last whole record (a file whose length is not a multiple
// of 92) are ignored: they cannot hold a complete record, and the suite's
// reading stops at the last whole one.
#pragma once

#include "freedays/FreeDayList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

class KelbrinLibrary;
struct Environment;

// The file's name in the plans folder (matched without regard to letter case).
inline const QString FreeDaysFileName = QStringLiteral("WOLNE.DAT");

constexpr int FreeDayRecordSize = 92;
constexpr int FreeDayDescriptionOffset = 4;
constexpr int FreeDayDescriptionSize = 80;
constexpr int FreeDayRecurringOffset = 84;

// One record as read: the date as stored and the unscrambled description.
struct FreeDayRecord
{
    int32_t Date = 0;
    QString Name;
    uint8_t Recurring = 0;
};

// The records of a file in file order, up to the first that fails the check.
struct FreeDayFile
{
    QVector<FreeDayRecord> Records;
    int BadRecord = -1;        // index of the record that failed the check, -1 when none did
    qsizetype IgnoredTail = 0; // bytes after the last whole record
    bool Ok() const { return BadRecord < 0; }
};

// Scrambles or unscrambles 8-bit text: every byte but a space XOR 0x5E.
QByteArray OdkodujTekst(QByteArrayView text);

// The record check: a date that is not negative and a description that is
// not blank.
bool SprawdzDzienWolny(const FreeDayRecord& record);

// Decodes the bytes of WOLNE.DAT: each description trimmed of its padding,
// unscrambled and converted from windows-1250; stops at the first record that
// fails SprawdzDzienWolny.
FreeDayFile DecodeFreeDays(QByteArrayView bytes);

// The suite's free days as the program holds them, with their lock.
struct SuiteFreeDays
{
    FreeDayList Days;
    // Set when WOLNE.DAT was read to its end; free days are used only then.
    bool FreeDaysLoaded = false;
    int32_t FreeDaysLockHandle = -1;
};

// The most WOLNE.DAT may hold: far more records than any suite keeps.
constexpr qint64 FreeDaysReadLimit = 64 * 1024 * 1024;

// The bytes of WOLNE.DAT at path. A file that cannot be read (or one far
// too large to be the suite's) shows its file error with "Anulowano odczyt
// pliku dni wolnych." and gives nothing.
std::optional<QByteArray> ReadFreeDaysFile(const Environment& env, const QString& path);

// Start-up: FreeDaysLoaded = false; when WOLNE.DAT exists it is read and the
// dates normalised. A missing file means no free days, no lock and no message.
void WczytajDniWolne(Environment& env, SuiteFreeDays& freeDays);

// Reads WOLNE.DAT into the list under the free-days lock, which is released
// on every way out. A refused lock ends the program (its message has been
// shown). A file error is shown with "Anulowano odczyt pliku dni wolnych.";
// a bad record shows "Błędny plik. Odczyt danych dni wolnych anulowany." and
// leaves the records before it in the list. True, with FreeDaysLoaded set,
// when every record was read.
bool CzytajPlikDniWolnych(Environment& env, SuiteFreeDays& freeDays);

// Moves every date of the list to the same month and day of 2000 and keeps
// its year as an offset from 2000.
void NormujDniWolne(const KelbrinLibrary& lib, FreeDayList& days);

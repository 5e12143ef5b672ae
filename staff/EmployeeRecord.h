// One employee's record file in the personnel folder, as the suite's
// administration program writes it. Little-endian, no padding:
//
//   offset 0   int32  data start: 1-based position of the first card entry
//   offset 4   int16  header word: not ours to interpret, kept on a rewrite
//   offset 6   surname     scrambled text, then a 0 byte
//              first name  scrambled text, then a 0 byte
//              plan name   plain text, then a 0 byte ("****" = no plan)
//              group       scrambled text, then a 0 byte; present only when
//                          the data start lies beyond the plan name
//   data start - 1: card entries to the end of the file, 6 bytes each:
//              int32 key, int16 card number
//
// A scrambled text stores each windows-1250 byte XOR ScrambleMask; a text
// ends at the first byte that is 0 as stored, so a character equal to the
// mask cannot be stored. Texts here are the windows-1250 bytes, unscrambled.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

// One card entry: column 0 the key, column 1 the card number.
using CardEntry = std::array<int32_t, 2>;
using CardEntries = QVector<CardEntry>;

// The stored plan name of an employee without a plan, and how lists show it.
inline const QByteArray StoredNoPlan = QByteArrayLiteral("****");
inline const QString NoPlanText = QStringLiteral("<BRAK>");

// Bigger files are not employee records; nobody reads them whole.
constexpr qsizetype MaxRecordSize = 1 << 20;
constexpr int CardEntrySize = 6;

struct EmployeeRecord
{
    int32_t DataStart = 0;
    int16_t HeaderWord = 0;
    QByteArray Surname;
    QByteArray FirstName;
    QByteArray Plan;
    QByteArray Group;
    bool GroupRead = false; // the data start did not follow the plan name
    qsizetype PlanEnd = 0;  // offset just past the plan name's 0 byte
    qsizetype Length = 0;   // of the whole file
    int64_t EntryCount = 0; // (Length - DataStart) / 6, halves to even; negative when the data start lies past the end
};

// Reads the header and the texts. Bytes missing at the end of a short file
// read as 0 (a 4-byte field is then 0, a text ends there), so any input
// gives a record.
EmployeeRecord ParseEmployeeRecord(const QByteArray& bytes);

// (length - dataStart) / 6 rounded to the nearest whole number, halves to even.
int64_t EntryCountFor(int64_t length, int64_t dataStart);

// The record's EntryCount entries from the data start on, in file order;
// missing bytes at the end read as 0. False, with nothing read, when the data
// start is not a position in the file (below 1) or the count is negative.
bool ReadCardEntries(const QByteArray& bytes, const EmployeeRecord& record, CardEntries& entries);

// The employee's card number: the entries are sorted in place in descending
// order of key, equal keys keeping their order, and the card number of the
// entry at index last (the smallest key; of equal keys the one stored last)
// is the result. last must be a valid index.
int16_t NumerPracownika(CardEntries& entries, int last);

// XOR with ScrambleMask, byte by byte; scrambling twice gives the text back.
QByteArray Scrambled(QByteArray text);

// A whole record: header word, the texts (unscrambled windows-1250 bytes) and
// the entries, with the data start computed. An empty group is left out.
QByteArray EncodeEmployeeRecord(int16_t headerWord, const QByteArray& surname, const QByteArray& firstName,
                                const QByteArray& plan, const QByteArray& group, const CardEntries& entries);

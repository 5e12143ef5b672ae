// The suite's free days as the program keeps them after reading WOLNE.DAT:
// each date moved to the same month and day of 2000, its year kept as an
// offset from 2000. Pure values: no files, no library.
#pragma once

#include <QBitArray>
#include <QMap>
#include <QString>
#include <QVector>

#include <cstdint>

struct FreeDayRecord;

struct FreeDayList
{
    QVector<int32_t> Dates;     // FreeDayDates: minute count of the month and day in 2000
    QVector<int32_t> Years;     // FreeDayYears: year - 2000
    QVector<uint8_t> Recurring; // FreeDayRecurring: non-zero = every year
    QVector<QString> Names;     // FreeDayNames: the descriptions
    int Count() const { return int(Dates.size()); }
    void Clear()
    {
        Dates.clear();
        Years.clear();
        Recurring.clear();
        Names.clear();
    }
};

// The list that reading and normalising these records gives (the calendar
// is the proleptic Gregorian one of the suite's minute counts).
FreeDayList FreeDayListOf(const QVector<FreeDayRecord>& records);

// Whether a day (days since 2000-01-01) is free: an entry has its month and
// day and either recurs every year or belongs to the day's year.
bool IsFreeDayNumber(const FreeDayList& days, int32_t dayNumber);

// Bit i tells whether day firstDay + i is free, for every day of
// firstDay..lastDay: the free-day test above, found entry by entry rather
// than day by day.
QBitArray FreeDayMask(const FreeDayList& days, int32_t firstDay, int32_t lastDay);

// The free days among firstDay..lastDay with the description of the first
// entry that makes each free. Time grows with the days and the entries, not
// with their product.
QMap<int32_t, QString> FreeDaysBetween(const FreeDayList& days, int32_t firstDay, int32_t lastDay);

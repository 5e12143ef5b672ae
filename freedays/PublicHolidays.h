// Poland's public holidays of a year: the holidays of fixed date, which the
// free-days list keeps as entries that recur every year, and those that move
// with Easter, kept as entries of their own year. Christmas Eve is a holiday
// from 2025 on, so it is an entry of each year from then, never a recurring
// one (a recurring entry would mark the years before too). Pure values.
#pragma once

#include <QDate>
#include <QString>
#include <QVector>

// The first year in which 24 December is a public holiday.
constexpr int ChristmasEveHolidayFrom = 2025;

struct PublicHoliday
{
    QDate Date;
    bool Recurring = false; // the same month and day every year
    QString Name;
    bool operator==(const PublicHoliday&) const = default;
};

// Easter Sunday of a year of the Gregorian calendar (the computus).
QDate EasterSunday(int year);

// The public holidays of a year in the order of the year: the fixed ones
// dated in that year and marked recurring, Easter Sunday, Easter Monday,
// Pentecost Sunday and Corpus Christi, and from 2025 on Christmas Eve.
QVector<PublicHoliday> PublicHolidaysOf(int year);

#include "freedays/PublicHolidays.h"

#include <algorithm>

namespace {

struct FixedHoliday
{
    int Month, Day;
    const char* Name;
};

const FixedHoliday FixedHolidays[] = {
    {1, 1, "Nowy Rok"},
    {1, 6, "Święto Trzech Króli"},
    {5, 1, "Święto Pracy"},
    {5, 3, "Święto Narodowe Trzeciego Maja"},
    {8, 15, "Wniebowzięcie Najświętszej Maryi Panny"},
    {11, 1, "Wszystkich Świętych"},
    {11, 11, "Narodowe Święto Niepodległości"},
    {12, 25, "Boże Narodzenie (pierwszy dzień)"},
    {12, 26, "Boże Narodzenie (drugi dzień)"},
};

// The feasts that follow Easter, in days after Easter Sunday.
struct MovableHoliday
{
    int DaysAfterEaster;
    const char* Name;
};

const MovableHoliday MovableHolidays[] = {
    {0, "Wielkanoc"},
    {1, "Poniedziałek Wielkanocny"},
    {49, "Zielone Świątki"},
    {60, "Boże Ciało"},
};

} // namespace

QDate EasterSunday(int year)
{
    // The anonymous Gregorian computus: the golden number, the century's
    // corrections, the epact and the weekday give the Sunday after the
    // paschal full moon.
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int n = h + l - 7 * m + 114;
    return QDate(year, n / 31, n % 31 + 1);
}

QVector<PublicHoliday> PublicHolidaysOf(int year)
{
    QVector<PublicHoliday> holidays;
    for (const FixedHoliday& fixed : FixedHolidays)
        holidays.append({QDate(year, fixed.Month, fixed.Day), true, QString::fromUtf8(fixed.Name)});
    const QDate easter = EasterSunday(year);
    for (const MovableHoliday& movable : MovableHolidays)
        holidays.append({easter.addDays(movable.DaysAfterEaster), false, QString::fromUtf8(movable.Name)});
    if (year >= ChristmasEveHolidayFrom)
        holidays.append({QDate(year, 12, 24), false, QStringLiteral("Wigilia Bożego Narodzenia")});
    std::stable_sort(holidays.begin(), holidays.end(),
                     [](const PublicHoliday& a, const PublicHoliday& b) { return a.Date < b.Date; });
    return holidays;
}

// Whether a date is one of the suite's free days.
#pragma once

#include <cstdint>

class KelbrinLibrary;
struct FreeDayList;

// A day is free when an entry has its month and day (the entry's date in the
// year 2000) and either recurs every year or belongs to the day's year.
bool IsFreeDay(const FreeDayList& days, const KelbrinLibrary& lib, int32_t year, uint8_t month, uint8_t day);

// The same for a day number (days since 2000-01-01).
bool IsFreeDayNumber(const FreeDayList& days, const KelbrinLibrary& lib, int32_t dayNumber);

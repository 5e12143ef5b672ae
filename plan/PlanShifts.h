// The shifts a plan asks for: when an employee starts and stops work on each
// day, and how much of it is working time. Pure: no files, no program state.
#pragma once

#include "plan/WorkPlan.h"

#include <QMap>
#include <QString>
#include <QVector>

#include <cstdint>

// The first minutes of a break that always count as working time.
constexpr int32_t PaidBreakMinutes = 15;

// The break the labour code requires in a shift of length minutes whose
// break window is breakLength minutes long: with W the length less the part
// of the break beyond PaidBreakMinutes, 15 minutes from 6 hours of W, 30 from
// more than 9 hours, 45 from more than 16 hours, else none. Every required
// minute of break is working time.
int32_t RequiredBreak(int32_t length, int32_t breakLength);

// The working time of such a shift: its length less the part of the break
// beyond both PaidBreakMinutes and the required break, never below zero.
int32_t WorkingTimeOf(int32_t length, int32_t breakLength);

struct Shift
{
    int32_t Day = 0;   // the day the shift starts on (a shift belongs to that day)
    int Slot = -1;     // the schedule slot; -1 in a weekly plan
    int32_t Start = 0; // minute count of the start: Day * 1440 + the entry time
    int32_t Length = 0;
    // The break window as times of day, both EmptyTime when there is none.
    int16_t BreakFrom = EmptyTime;
    int16_t BreakTo = EmptyTime;
    int32_t BreakLength = 0;
    int32_t WorkingTime = 0; // WorkingTimeOf(Length, BreakLength)

    int32_t End() const { return Start + Length; }
    bool operator==(const Shift&) const = default;
};

// The shifts that start on firstDay..lastDay (clipped to the plan's range),
// in day order.
//
// Schedule plan: a day whose slot is not the free-day slot and whose schedule
// has both an entry and an exit has one shift from the entry, lasting
// exit - entry, or a day more when the exit is not after the entry (the shift
// crosses midnight; equal times make a 24-hour shift). Its break is the break
// window when both ends are set and differ, (to - from) mod 1440 long; its
// working time is WorkingTimeOf its length and break. Times are taken mod 1440, so a
// schedule normalised for saving gives the same shifts.
//
// Weekly plan: every working weekday has one shift from DayStart (mod 1440)
// lasting DailyNorm, except the days of freeDays when the plan includes free
// days; nothing is known of its break (Slot is -1).
// A norm of zero or less gives no shifts.
QVector<Shift> PlanShifts(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays, int32_t firstDay,
                          int32_t lastDay);

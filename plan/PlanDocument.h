// The open plan: the model, what the window's time fields hold of it, and
// the flags and the edit lock that go with it. One instance, owned with the
// rest of the program-wide state.
#pragma once

#include "plan/WorkPlan.h"

#include <QString>

#include <cstdint>

// Kind probe values (ProbedKind).
constexpr uint8_t ProbeWeeklyPlan = 0;
constexpr uint8_t ProbeSchedulePlan = 1;
constexpr uint8_t ProbeFailed = 5;

// PlanLockState before any refusal: no lock request has been turned down.
constexpr int32_t NoLockRefusal = 0;

struct PlanDocument
{
    WorkPlan Plan;
    ScheduleFields Fields;
    QString CurrentPlanName;
    uint8_t ProbedKind = ProbeFailed;
    bool IsCurrentFormat = true;
    bool PlanModified = false;
    bool SchedulesFilled = false;
    bool SchedulePlanShown = false;
    bool PlanReadOk = false;
    // A range picker was changed to a new value (read and cleared by the
    // dialogs); the to-date last seen by the range pickers, as text.
    bool RangeEdited = false;
    QString LastToDate;
    uint8_t PlanRangeStatus = 0;

    // The edit lock of the open plan: its handle (-1 = none held), and a copy
    // taken right after each request, -1 after a refusal.
    int32_t PlanLockHandle = -1;
    int32_t PlanLockState = NoLockRefusal;
};

// ZmienZakresDni: gives the plan the range firstDay..lastDay (day numbers)
// and its DayTable one free-day slot (4) per day. The days the old and the
// new range share keep their slots, unless nothing was worth keeping yet
// (SchedulePlanShown clear, as for a plan being made); either way
// SchedulePlanShown is set afterwards.
void ZmienZakresDni(PlanDocument& doc, int32_t firstDay, int32_t lastDay);

// The plan as the window holds it now: the model, with the schedules, the
// allowances, the daily norm and the start of the day taken from the time
// fields as typed (as times of day, empty fields as EmptyTime).
WorkPlan EditedPlan(const PlanDocument& doc);

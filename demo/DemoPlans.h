// Work plans made the way the user makes them: times typed into the window's
// fields (each through the leave-field parser), days painted with slots, then
// saved by the plan writers. Used for the demo data directory, and by the
// tests and benchmarks for their own plans.
#pragma once

#include "plan/PlanDocument.h"

#include <QString>
#include <QStringList>

// Types text into a field and leaves it. False when the parser refuses it.
bool TypeTime(TimeField& field, const QString& text, bool minimumOneMinute = false);

// "08:00-16:00" or "08:00-16:00 12:00-12:30" (work, then break); "" clears
// the row, "-" leaves a range empty ("- 12:00-12:30" is a break alone).
bool TypeSchedule(ScheduleFields& fields, int slot, const QString& times);

// Earlier entry, maximum overtime, maximum break time, later exit.
bool TypeAllowances(ScheduleFields& fields, const QStringList& texts);

// A schedule plan from firstDay on, with one digit (the slot) per day.
void SetDays(WorkPlan& plan, int32_t firstDay, const QString& daySlots);

// The largest schedule plan (days 0..18500): every day but Sunday a working
// day with a break, all four allowances set; the variant moves the hours.
void FillLargestSchedulePlan(PlanDocument& doc, int variant);

// The largest weekly plan; the variant moves the day start and the norm.
void FillLargestWeeklyPlan(PlanDocument& doc, int variant);

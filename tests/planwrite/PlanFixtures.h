// Plans for the writer tests, filled the way the user fills the window: every
// time goes through the leave-field parser.
#pragma once

#include "env/ProgramState.h"

#include <QString>
#include <QStringList>

// Types text into a field and leaves it. False when the parser refuses it.
bool TypeTime(TimeField& field, const QString& text, bool minimumOneMinute = false);

// "08:00-16:00" or "08:00-16:00 12:00-12:30" (work, then break); "" clears the row.
bool TypeSchedule(ScheduleFields& fields, int slot, const QString& times);

// Earlier entry, maximum overtime, maximum break time, later exit.
bool TypeAllowances(ScheduleFields& fields, const QStringList& texts);

// A schedule plan over FirstDay.. with one digit (the slot) per day.
void SetDays(WorkPlan& plan, int32_t firstDay, const QString& daySlots);

// The largest schedule plan (days 0..18500): every day but Sunday a working
// day with a break, all four allowances set; the variant moves the hours.
void FillLargestSchedulePlan(ProgramState& state, int variant);

// The largest weekly plan; the variant moves the day start and the norm.
void FillLargestWeeklyPlan(ProgramState& state, int variant);

// Painting many days of a schedule plan at once: a shift cycle (a rotation
// whose slot follows the day's place in a repeating cycle rather than its
// weekday), and the repetition of a week or a month to the end of the plan.
// Pure functions from the plan's day table to the days they paint; the
// editor makes one undo step of the result, plntool saves it.
#pragma once

#include "plan/WorkPlan.h"

#include <QBitArray>
#include <QString>
#include <QVector>

#include <optional>

class Prompt;

// The longest cycle: a year of days.
constexpr int MaxCycleLength = 366;

// A cycle the planner starts from; brigades (crews) work the same cycle,
// each Brigades-th of it later than the one before.
struct CyclePreset
{
    QString Name;
    QVector<int> Slots;
    int Brigades = 1;
};

// "Trzy zmiany, cztery brygady (8 h)", "Dzień – noc – wolne – wolne (12 h)",
// "Pięć dni pracy, dwa wolne", "Sześć dni pracy, dwa wolne".
const QVector<CyclePreset>& CyclePresets();

// The offset into the cycle of brigade 1..Brigades: brigade b starts
// (b - 1) * length / Brigades days into the cycle.
int BrigadeOffset(const CyclePreset& preset, int brigade);

// The slots of a cycle typed as text: digits 0..6 separated by blanks, commas
// or semicolons ("0 0 1 1 2 2 4 4", "0,0,1,1", "00112244"). Nothing, with
// the reason for the user in why, when the text is no cycle.
std::optional<QVector<int>> ParseCycle(const QString& text, QString* why = nullptr);
// The cycle as the dialog shows it: slots separated by blanks.
QString CycleText(const QVector<int>& cycle);

struct CyclePainting
{
    QVector<int> Cycle;   // at least one slot, each 0..6
    int32_t FirstDay = 0; // the day on which the cycle starts at Offset
    int Offset = 0;       // the place in the cycle on FirstDay (a brigade)
    int32_t From = 0;     // the days painted: From..To, as far as the plan reaches
    int32_t To = 0;
    bool KeepFreeDays = false; // days of the free-days list are painted free (slot 4)
    bool operator==(const CyclePainting&) const = default;
};

// New slots for consecutive days: Slots[i] is the slot of day First + i.
struct DayRun
{
    int32_t First = 0;
    QVector<int32_t> Slots;
    bool IsEmpty() const { return Slots.isEmpty(); }
    int32_t Last() const { return First + int32_t(Slots.size()) - 1; }
    bool operator==(const DayRun&) const = default;
};

// The slot the cycle gives a day (days before FirstDay run the cycle backwards).
int CycleSlot(const CyclePainting& painting, int32_t day);

// The days of From..To that the day table holds, each with the slot of the
// cycle, or the free day where KeepFreeDays is set and bit (day - first day
// of the table) of freeDays is set. Empty when the range misses the plan.
DayRun PaintCycle(const DayTable& days, const CyclePainting& painting, const QBitArray& freeDays = {});

// The week weekFirst..weekFirst + 6 repeated to the end of the plan: every
// later day takes the slot of the day of its weekday in that week; a day
// whose weekday the week has outside the plan keeps its slot.
DayRun RepeatWeek(const DayTable& days, int32_t weekFirst);

// The month of a date repeated to the end of the plan: every later day takes
// the slot of the day of the same number in that month; a day whose number
// that month lacks (the 31st after a 30-day month) or has outside the plan
// keeps its slot.
DayRun RepeatMonth(const DayTable& days, const QDate& month);

// The checks of painting a day with a slot, for every slot of painted: a slot
// other than the free day whose entry or exit is empty is refused with the
// incomplete-schedule message (exclamation icon); slotOnFirstDay, the slot
// painted on 1 January 2000 if that day is painted, may not open its
// earlier-entry window before that day (critical icon). False after a message.
bool MayPaintSlots(Prompt& prompt, const ScheduleFields& fields, const QVector<int>& painted, int slotOnFirstDay = -1);

// MayPaintSlots for the slots a run paints, with the slot it gives 1 January
// 2000 when it covers that day. An empty run paints nothing and is refused
// without a message.
bool MayPaintRun(Prompt& prompt, const ScheduleFields& fields, const DayRun& run);

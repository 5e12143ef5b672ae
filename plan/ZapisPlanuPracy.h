// Writing the open plan to its .PLN file: the schedule check, the two writers
// (schedule plans and weekly plans) and file deletion.
//
// The writers read the window's time fields (text and minute value of each),
// the plan (range, Days, WeekdayKinds, IncludeFreeDays) and the suite's free
// days. The stored plan is replaced in one step: a refused or failed save
// leaves the old file exactly as it was, and a save leaves no scratch file
// behind.
#pragma once

#include "env/OdczytZapisPliku.h"
#include "plan/WorkPlan.h"

#include <QString>

#include <optional>

class Prompt;
struct AreaChainInput;
struct Environment;
struct PlanDocument;
struct SuiteFreeDays;

// The longest plan name: the name, ".PLN" and the lock record's object must
// fit the file systems' 255-byte names in any encoding.
constexpr int MaxPlanNameLength = 100;

// Whether a plan's file can carry the name: not empty, at most
// MaxPlanNameLength characters, no folder separators, no characters that
// file names of the suite's platforms may not hold or windows-1250 cannot
// store, no control characters, no device name (CON, NUL, COM1 ...), and no
// full stop in front (".", "..": a hidden file that no plan list shows).
bool IsStorablePlanName(const QString& name);

// A schedule the check refuses: the message kind (1 a time text that is not
// hh:mm, 2 a break with one end, 3 a break outside the working hours), the
// slot, and the field of that slot that takes the focus.
struct ScheduleFault
{
    int Kind = 0; // 0 = no fault
    int Slot = -1;
    ScheduleColumn Focus = EntryColumn;
    bool IsFault() const { return Kind != 0; }
    bool operator==(const ScheduleFault&) const = default;
};

// Moves the minute values of every schedule (slot 4 excepted) so that the
// schedule runs forward from its Entry: an Exit at or before the Entry and a
// break that lies before the Entry or wraps move to the next day (+1440).
void NormujGodziny(ScheduleFields& fields);

// Both checks without messages: the texts (length 0 or 5, slot by slot, the
// allowance of the same index with slots 0..3), then the breaks by their
// minute values. The first fault found, if any.
ScheduleFault FindScheduleFault(const ScheduleFields& fields);

// Shows the message of a schedule fault (exclamation icon) and returns the
// fault with the field that takes the focus: Entry for kind 1, BreakFrom for 2 and 3.
ScheduleFault BladHarmonogramu(Prompt& prompt, int kind, int slot);

// NormujGodziny on the fields, then both checks; a fault is shown through
// BladHarmonogramu and returned.
ScheduleFault SprawdzHarmonogramy(Prompt& prompt, ScheduleFields& fields);

enum class SaveStatus {
    Saved,
    ScheduleRefused, // a schedule fault, shown whatever the message switch says
    Overlap,         // two areas overlap; the calendar moves to OverlapStart's day
    PathError,       // the TEMP folder could not be bound, or the plans folder is missing
    FileError,       // a file operation failed (ShowFileError)
};

struct PlanSaveResult
{
    SaveStatus Status = SaveStatus::FileError;
    ScheduleFault Fault;                 // ScheduleRefused
    std::optional<int32_t> OverlapStart; // Overlap: start of the area that overlaps
    FileFault File;                      // PathError, FileError: the file operation that failed, if one did
    bool Ok() const { return Status == SaveStatus::Saved; }
    // Overlap: the day the calendar moves to, selects and flashes.
    std::optional<int32_t> OverlapDay() const
    {
        return OverlapStart ? std::optional<int32_t>(*OverlapStart / MinutesPerDay) : std::nullopt;
    }
};

// Saves a schedule plan as name.PLN (the name trimmed; an existing plan whose
// name differs only in letter case is that plan): check, expansion into
// areas, the file written in KatalogTemp, the areas read back and checked,
// and only then the plan's file replaced. A plan file that cannot be put in
// place shows the file error of its cause ("Odmowa dostępu...", "Dysk jest
// pełny"...); only a missing plans folder shows that the path is wrong. With
// showMessages off the failures are silent (a schedule fault is still
// shown); an overlap returns its area's start either way, for the calendar
// to show and flash that day.
PlanSaveResult ZapiszPlanHarmonogramow(const Environment& env, PlanDocument& doc, const QString& name,
                                       bool showMessages);

// Saves a weekly plan as name.PLN: one area per day of the range, starting at
// the day start; free weekdays, and with IncludeFreeDays the loaded free days,
// become free-day areas. uniformWeek makes every weekday a working day (and
// stores every weekday as free). On success the caller stops the calendar's flashing.
PlanSaveResult ZapiszPlanTygodniowy(const Environment& env, PlanDocument& doc, const SuiteFreeDays& freeDays,
                                    const QString& name, bool showMessages, bool uniformWeek);

// What the schedule-plan writer expands into areas: the fields' minute
// values (after NormujGodziny) and the plan's range and day table.
AreaChainInput AreaInputOf(const ScheduleFields& fields, const WorkPlan& plan);

// The kind of a weekly plan's area of day: a free day (overtime's kind) for
// a day of the suite's free days (freeDay) or a free weekday, unless the week
// is uniform; else work.
uint8_t WeeklyAreaKind(const WorkPlan& plan, int32_t day, bool freeDay, bool uniformWeek);

// Deletes a file; a failure goes to ShowFileError and gives false.
bool UsunPlik(Prompt& prompt, const QString& path, bool showMessages);

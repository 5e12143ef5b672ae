// Finding and opening plans: the plan list, the kind probe and the readers of
// schedule and weekly plans in both file layouts. The readers take the plan's
// edit lock, check the file, and put what they read into the open plan's
// model and time fields. What they do to the window itself is handed back in
// PlanWindowEffects for the window to carry out.
#pragma once

#include "plan/PlanDecoder.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class KelbrinLibrary;
struct Environment;
struct PlanDocument;

// The window's part of a plan read, as it stands when the routine returns.
struct PlanWindowEffects
{
    // The editing controls are locked; a reader clears this again when it succeeds.
    bool CommandButtonsDisabled = false;
    // The plan box goes back to its "no plan" entry.
    bool ShowNoPlanEntry = false;
    // The plan's range (FirstDay..LastDay) is shown.
    bool RangeShown = false;
    // The month grid shows the weekly plan's WeekdayKinds, column by column.
    bool WeekdayCellsPainted = false;
    // The displayed month is redrawn and renamed (schedule plans).
    bool MonthRedrawn = false;
};

// The plan names of the plans folder ("*.PLN" in any letter case), in Polish
// alphabetical order without regard to letter case, each the file name less
// its last four characters. A plans folder that cannot be bound shows "Brak dostepu do
// plików planu pracy." and ends the program (ProgramEnding).
QStringList ListPlans(Environment& env);
// The order of the plan list: Polish alphabetical order without regard to letter case.
bool PlanNameLess(const QString& a, const QString& b);

// 1 schedule plan, 0 weekly plan, 5 when the plans folder cannot be bound or
// the file cannot be opened (both shown, and the plan box back at its "no
// plan" entry). Sets IsCurrentFormat.
uint8_t ProbePlanKind(const Environment& env, PlanDocument& doc, const QString& name,
                      PlanWindowEffects* effects = nullptr);

// The readers. True when the plan is open; false after a refused lock, a bad
// plans folder, an open error or a library error (each shown), or silently
// for a missing, short or damaged file. A reader that fails after the lock
// was taken keeps it.
bool ReadSchedulePlan(const Environment& env, PlanDocument& doc, const QString& name,
                      PlanWindowEffects* effects = nullptr);
bool ReadWeeklyPlan(const Environment& env, PlanDocument& doc, const QString& name,
                    PlanWindowEffects* effects = nullptr);
bool ReadLegacySchedulePlan(const Environment& env, PlanDocument& doc, const QString& name,
                            PlanWindowEffects* effects = nullptr);
bool ReadLegacyWeeklyPlan(const Environment& env, PlanDocument& doc, const QString& name,
                          PlanWindowEffects* effects = nullptr);

// The reader that fits ProbedKind and IsCurrentFormat; its result goes to PlanReadOk.
bool ReadProbedPlan(const Environment& env, PlanDocument& doc, const QString& name,
                    PlanWindowEffects* effects = nullptr);

// How the plan chooser and the new-plan dialog open a plan: the probe (into
// ProbedKind), "Nie udana próba odczytu typu planu pracy" when it fails, else
// the matching reader. The result is also in PlanReadOk.
bool ProbeAndReadPlan(const Environment& env, PlanDocument& doc, const QString& name,
                      PlanWindowEffects* effects = nullptr);

// The file of a plan in the plans folder: the file whose name matches name +
// ".PLN" without regard to letter case when there is one (as on the suite's
// own platform), else the path as built.
QString PlanFilePath(const Environment& env, const QString& name);

// What the readers put into the window's fields, as pure functions.

// The day number of a minute count, rounded down.
int32_t DayOfMinute(int32_t count);

// A stored time put into a field: -1 leaves the field empty; any other value
// is written as hour ":" minute of its time of day and run through the field's
// leave-field parser. minimumOneMinute for the earlier-entry and later-exit
// allowances.
TimeField ShownTime(const KelbrinLibrary& lib, int32_t value, bool minimumOneMinute = false);

// The schedule rows and allowances as a schedule reader fills them: every
// slot the layout stores (7, legacy 4), break fields left empty when both
// break times are equal; the allowances of slots 0..3. Other fields stay.
void ShowScheduleTimes(const KelbrinLibrary& lib, const DecodedPlan& plan, ScheduleFields& fields);

// txtNorma and txtStartDnia as a weekly reader fills them.
void ShowWeeklyTimes(const KelbrinLibrary& lib, const DecodedPlan& plan, ScheduleFields& fields);

// The team's month: for every employee of the personnel folder, each day's
// work as the employee's plan says it, and how many people work on each day,
// on each shift and at each hour. Read-only: plans and records are only
// read, no lock is taken and nothing is shown for a plan that cannot be read
// (the member's state says it).
//
// Rules settled here:
// - A day's work is the shift that starts on it (PlanShifts): schedule plans
//   by the day's slot, weekly plans by weekday, a weekly plan that takes the
//   suite's free days into account free on them. Days outside the plan's
//   range have no work.
// - A shift belongs to the day it starts on: it counts there among the
//   working people and in its shift's coverage, and in the hours it covers,
//   also those of the next day. A shift of the day before the range counts in
//   the range's first hours. (Only a weekly plan with a daily norm above 24
//   hours reaches further; its shifts count from the day before the range.)
// - "At work at hh:00": the shift started at or before the full hour and ends
//   after it.
// - Shifts are told apart by their hours (start and end time of day), not by
//   slot: slot 1 of one plan and slot 2 of another are one shift when their
//   hours agree.
// - Planned minutes: the working time of the shifts starting in the range.
//   The norm: the working-time norm of the labour-code check for the whole
//   months of the range, with the options of the member's plan; none when the
//   range holds part of a month.
// - Each plan is read once, however many members name it; names are matched
//   without regard to letter case, as plan files are.
// - Members are in Polish alphabetical order of surname, then first name,
//   then card number.
#pragma once

#include "compliance/ComplianceCheck.h"
#include "freedays/FreeDayList.h"
#include "plan/PlanShifts.h"
#include "staff/ObslugaListy.h"

#include <QMap>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

struct Environment;

enum class TeamPlanState : uint8_t {
    Ok,      // the plan was read
    NoPlan,  // the record names no plan ("<BRAK>")
    Missing, // no such plan in the plans folder
    Damaged, // the plan file cannot be read as a plan
};

// "ok", "no-plan", "missing", "damaged".
QString StateId(TeamPlanState state);
// How a state reads in Polish: empty for a read plan, "brak planu", "brak
// pliku planu" or "plan uszkodzony".
QString StateText(TeamPlanState state);

// The hours of a shift: its start and end as times of day.
struct ShiftHours
{
    int16_t Start = 0;
    int16_t End = 0;
    bool operator==(const ShiftHours&) const = default;
    // By start, then by end.
    bool operator<(const ShiftHours& other) const
    {
        return Start != other.Start ? Start < other.Start : End < other.End;
    }
};
ShiftHours HoursOf(const Shift& shift);
// "06:00-14:00".
QString HoursText(ShiftHours hours);

// A plan as the team's month reads it.
struct PlanRead
{
    TeamPlanState State = TeamPlanState::Missing;
    WorkPlan Plan;
};
// Reads a plan of the plans folder without a lock and without a message:
// missing when no file of that name exists (letter case aside) or the name
// is no plain file name, damaged when the file cannot be opened or decoded,
// or when the suite library gives a weekly plan no range.
PlanRead ReadPlanReadOnly(const Environment& env, const QString& name);

// One plan of the team with what the month needs of it.
struct TeamPlan
{
    QString Name; // as the first member naming it spells it
    TeamPlanState State = TeamPlanState::Missing;
    PlanKind Kind = PlanKind::SchedulePlan;
    QVector<Shift> Shifts;       // starting in the range, in day order
    QVector<int> ShiftKinds;     // beside Shifts: index into TeamMonth::Kinds
    QVector<int> DayShift;       // per day of the range: index into Shifts, or -1
    QVector<Shift> ReachingIn;   // shifts of days before the range, for the hours
    int64_t PlannedMinutes = 0;  // working time of Shifts
    std::optional<int64_t> Norm; // the norm with the plan's options
};

struct TeamMember
{
    EmployeeRow Row;
    int Plan = -1; // index into TeamMonth::Plans; -1 without a plan
    TeamPlanState State = TeamPlanState::NoPlan;
};

struct TeamMonth
{
    int32_t FirstDay = 0;
    int32_t LastDay = -1;
    QVector<TeamPlan> Plans;
    QVector<TeamMember> Members;     // in Polish order
    QVector<ShiftHours> Kinds;       // every shift's hours met in the range, in order of start, then end
    QMap<int32_t, QString> FreeDays; // the suite's free days of the range, with their descriptions
    std::optional<int64_t> Norm;     // with the default options, for members without a readable plan

    int32_t DayCount() const { return LastDay >= FirstDay ? LastDay - FirstDay + 1 : 0; }
    // The member's shift starting on day, or none.
    const Shift* WorkOn(int member, int32_t day) const;
    // The shift-kind index of the member's shift on day, or -1.
    int KindOn(int member, int32_t day) const;
    int64_t PlannedMinutes(int member) const;
    std::optional<int64_t> NormMinutes(int member) const;
};

struct TeamOptions
{
    // The suite's free days; weekly plans that take them into account are
    // free on them, and the norm leaves them out.
    FreeDayList FreeDays;
    // The labour-code options of a plan, for its norm; the defaults when empty.
    std::function<ComplianceOptions(const QString& plan)> PlanOptions;
};

// How a plan is read: ReadPlanReadOnly, or values in a test.
using PlanSource = std::function<PlanRead(const QString& name)>;

// The team's month over firstDay..lastDay from the list's rows. Each plan is
// asked of plans once.
TeamMonth BuildTeamMonth(const EmployeeRows& rows, const PlanSource& plans, int32_t firstDay, int32_t lastDay,
                         const TeamOptions& options);

// The same with the plans of the environment's plans folder.
TeamMonth ReadTeamMonth(const Environment& env, const EmployeeRows& rows, int32_t firstDay, int32_t lastDay,
                        const TeamOptions& options);

// How many of a set of members work on one day.
struct DayCoverage
{
    int32_t Day = 0;
    int Working = 0;              // whose shift starts on the day
    QVector<int> ByKind;          // the same per shift kind, index into TeamMonth::Kinds
    std::array<int, 24> ByHour{}; // at work at 00:00, 01:00, ... 23:00
    bool operator==(const DayCoverage&) const = default;
};

// Coverage of every day of the range by the members given (indexes into
// Members; each counted once however often given).
QVector<DayCoverage> TeamCoverage(const TeamMonth& month, const QVector<int>& members);
// Coverage by all members.
QVector<DayCoverage> TeamCoverage(const TeamMonth& month);

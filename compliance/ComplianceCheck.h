// The labour-code check of a plan: daily and weekly rest, the daily limit,
// breaks, Sundays, the suite's free days and the working-time norm of each
// settlement period. A pure function of values: no files, no library, no
// program state, so the window can run it after every edit and plntool and
// the tests call it directly.
//
// Times are minutes; day d starts at minute d * 1440 (days since 2000-01-01).
//
// Shifts. A day of a schedule plan whose slot is not the free-day slot and
// whose schedule has both Entry and Exit has one shift from Entry, lasting
// Exit - Entry when Exit > Entry and Exit - Entry + 1440 otherwise (equal
// times make a 24-hour shift). Its break window is BreakFrom..BreakTo when
// both are set and differ, (BreakTo - BreakFrom) mod 1440 long. Its working
// time is its length less the part of the break beyond the first 15 minutes,
// never below zero. Times are taken mod 1440, so normalised values (Exit run
// into the next day) give the same shift. A schedule without Entry or Exit,
// and a slot outside 0..6, gives no shift. A weekly plan has a shift on every
// weekday whose stored kind is WorkingWeekday, unless the plan takes the free
// days into account and the day is one: it starts at DayStart (mod 1440) and
// lasts DailyNorm, all of it working time, with nothing known of its break;
// a DailyNorm of zero or less gives no shifts. A shift belongs to the day it
// starts on; there is at most one a day, so day order is start order.
//
// Corners settled here:
// - "doba" and "odpoczynek-dobowy" compare each shift with the one before it
//   in start order (the previous working day, however far back).
// - A week or settlement period counts as whole when all its days lie in the
//   plan's range; only whole weeks are checked for weekly rest, only whole
//   periods get a norm and a "wymiar" finding. Periods are listed with their
//   own calendar bounds even when the plan covers only part of them.
// - The weekly rest is the longest stretch inside the week's 7 x 1440 minutes
//   not covered by any shift, shifts of neighbouring days cut at its edges.
// - The norm never falls below zero, however many free days a period holds.
// - A run of worked Sundays counts Sundays of the plan's range only.
// - "wymiar" findings are dated on the period's first day.
// - Findings are sorted by day, then by rule in the order of ComplianceRule.
#pragma once

#include "plan/WorkPlan.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

enum class WorkingTimeSystem : uint8_t {
    Basic,      // "podstawowy": at most 8 hours a day
    Equivalent, // "równoważny": at most 12 hours a day
};

struct ComplianceOptions
{
    WorkingTimeSystem System = WorkingTimeSystem::Basic;
    int PeriodMonths = 1; // the settlement period: 1, 2, 3 or 4 months, aligned to the calendar year
};

// In the order findings of one day are listed.
enum class ComplianceRule : uint8_t {
    WorkingDay, // "doba": a shift starts less than 24 h after the previous one started
    DailyRest,  // "odpoczynek-dobowy": less than 11 h between two shifts
    DailyLimit, // "norma-dobowa": working time above the system's daily limit
    Break,      // "przerwa": 6 h of work or more without a 15-minute break
    WeeklyRest, // "odpoczynek-tygodniowy": no 35-hour rest in a week
    Sunday,     // "niedziela": the fourth worked Sunday in a row and every further one
    FreeDay,    // "swieto": work starts on one of the suite's free days
    PeriodNorm, // "wymiar": planned time differs from the settlement period's norm
};

// The rule's id as the findings and plntool name it ("doba", "przerwa", ...).
QString RuleId(ComplianceRule rule);

enum class FindingSeverity : uint8_t { Error, Warning };

struct ComplianceFinding
{
    int32_t Day = 0;
    ComplianceRule Rule = ComplianceRule::WorkingDay;
    FindingSeverity Severity = FindingSeverity::Error;
    QString Message; // Polish, for the user
    bool operator==(const ComplianceFinding&) const = default;
};

struct SettlementPeriod
{
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    std::optional<int64_t> NormMinutes; // only when the whole period lies in the plan's range
    int64_t PlannedMinutes = 0;         // working time of the shifts starting in the period
    bool operator==(const SettlementPeriod&) const = default;
};

struct ComplianceReport
{
    QVector<ComplianceFinding> Findings;
    QVector<SettlementPeriod> Periods; // every period the plan's range touches, in order
    bool HasError() const;
};

// Checks plan over FirstDay..LastDay; a range the readers would refuse (not
// within 0..MaxPlanDay, or ending before it begins) gives an empty report.
// freeDays holds the suite's free days of
// that range with their descriptions (FreeDaysBetween). Time and memory grow
// linearly with the plan's length.
ComplianceReport CheckCompliance(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays,
                                 const ComplianceOptions& options);

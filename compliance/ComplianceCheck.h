// The labour-code check of a plan: the employee day, daily and weekly rest,
// the daily limit, breaks, night work, Sundays and the day off for them, the
// suite's free days and the working-time norm of each settlement period. A
// pure function of values: no files, no library, no program state, so the
// window can run it after every edit and plntool and the tests call it
// directly.
//
// Times are minutes; day d starts at minute d * 1440 (days since 2000-01-01).
//
// Shifts are those of PlanShifts (plan/PlanShifts.h): at most one a day,
// belonging to the day it starts on, so day order is start order. A shift's
// working interval runs from its start for its length.
//
// Corners settled here:
// - "doba" and "odpoczynek-dobowy" compare each shift with the one before it
//   in start order (the previous working day, however far back).
// - "przerwa" holds for schedule plans only: a weekly plan says nothing of
//   its breaks.
// - A Sunday or a free day of the list lasts 24 hours from its SundayStart; a
//   shift works on it when its working interval overlaps that window, so a
//   night shift may work on the day before or after the one it starts on.
//   Only days of the plan's range count.
// - A week or settlement period counts as whole when all its days lie in the
//   plan's range; only whole weeks are checked for weekly rest, only whole
//   periods get a norm and a "wymiar" finding. Weeks are the 7-day blocks
//   from each period's first day; a period's last days short of a week are no
//   week. Periods are listed with their own calendar bounds even when the plan
//   covers only part of them.
// - The weekly rest is the longest stretch inside the week's 7 x 1440 minutes
//   not covered by any shift, shifts of neighbouring days cut at its edges.
// - The norm never falls below zero, however many free days a period holds.
// - "wymiar" findings are dated on the period's first day, "niedziela",
//   "dzien-wolny-za-niedziele" and "swieto" on the Sunday or free day, the
//   others on the day the shift starts.
// - Findings are sorted by day, then by rule in the order of ComplianceRule.
#pragma once

#include "plan/WorkPlan.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <optional>

enum class WorkingTimeSystem : uint8_t {
    Basic,      // "podstawowy": at most 8 hours a day
    Equivalent, // "równoważny": at most 12 hours a day
};

// The settlement periods the check knows, in months, aligned to the calendar year.
constexpr std::array<int, 6> SettlementPeriodMonths{1, 2, 3, 4, 6, 12};
// The hours at which the night window may start; it lasts NightLength.
constexpr std::array<int, 3> NightStartHours{21, 22, 23};
constexpr int32_t NightLength = 8 * 60;

struct ComplianceOptions
{
    WorkingTimeSystem System = WorkingTimeSystem::Basic;
    int PeriodMonths = 1;      // the settlement period: one of SettlementPeriodMonths
    int32_t SundayStart = 360; // "Początek niedzieli i święta": a whole hour, 00:00 to 23:00, as a minute of the day
    int32_t NightStart = 1320; // "Pora nocna": NightLength from 21:00, 22:00 or 23:00, as a minute of the day
    // "Praca szczególnie niebezpieczna lub z dużym wysiłkiem": at most 8 hours
    // of work in a day with night work.
    bool ArduousWork = false;
    bool operator==(const ComplianceOptions&) const = default;
};

// Whether the options are ones the check knows (the period, whole hours).
bool OptionsValid(const ComplianceOptions& options);

// How the options read for the user: "podstawowy (8 h)", "3 miesiące",
// "22:00–06:00", "06:00".
QString SystemText(WorkingTimeSystem system);
QString PeriodText(int months);
QString NightText(int32_t nightStart);
QString HourText(int32_t minuteOfDay);

// In the order findings of one day are listed.
enum class ComplianceRule : uint8_t {
    WorkingDay,      // "doba": a shift starts less than 24 h after the previous one started
    DailyRest,       // "odpoczynek-dobowy": less than 11 h between two shifts
    DailyLimit,      // "norma-dobowa": working time above the system's daily limit
    Break,           // "przerwa": a shorter break than the working time requires (RequiredBreak)
    Night,           // "noc": arduous work with 3 h at night and more than 8 h of work (option)
    WeeklyRest,      // "odpoczynek-tygodniowy": no 35-hour rest in a week
    Sunday,          // "niedziela": the fourth worked Sunday in a row and every further one
    DayOffForSunday, // "dzien-wolny-za-niedziele": a worked Sunday with no day off within 6 days either side
    FreeDay,         // "swieto": work on one of the suite's free days
    PeriodNorm,      // "wymiar": planned time differs from the settlement period's norm
};
constexpr int ComplianceRuleCount = 10;

// The rule's id as the findings and plntool name it ("doba", "przerwa", ...).
QString RuleId(ComplianceRule rule);
// The rule in Polish words, for the user: "Odpoczynek tygodniowy".
QString RuleName(ComplianceRule rule);
// The article of the labour code that the rule applies ("art. 133 § 1"); the
// daily limit's depends on the working-time system.
QString RuleArticle(ComplianceRule rule, WorkingTimeSystem system);

enum class FindingSeverity : uint8_t { Error, Warning };

struct ComplianceFinding
{
    int32_t Day = 0;
    ComplianceRule Rule = ComplianceRule::WorkingDay;
    FindingSeverity Severity = FindingSeverity::Error;
    WorkingTimeSystem System = WorkingTimeSystem::Basic; // of the check
    // What the message words beyond the day: minutes, days and counts in the
    // rule's own order, and the free day's description for "swieto".
    std::array<int32_t, 4> Figures{};
    QString FreeDayName;
    // Polish, for the user. Worded when asked: a long plan has thousands of
    // findings, and a window shows a screenful of them.
    QString Message() const;
    QString Article() const { return RuleArticle(Rule, System); }
    bool operator==(const ComplianceFinding&) const = default;
};
// Moved as bytes when a list of findings grows: a long plan has thousands.
Q_DECLARE_TYPEINFO(ComplianceFinding, Q_RELOCATABLE_TYPE);

struct SettlementPeriod
{
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    std::optional<int64_t> NormMinutes; // only when the whole period lies in the plan's range
    int64_t PlannedMinutes = 0;         // working time of the shifts starting in the period
    int64_t NightMinutes = 0;           // night time of the shifts starting in the period
    bool operator==(const SettlementPeriod&) const = default;
};

struct ComplianceReport
{
    QVector<ComplianceFinding> Findings;
    QVector<SettlementPeriod> Periods; // every period the plan's range touches, in order
    bool HasError() const;
};

// The minutes of the working interval from start, length minutes long, that
// lie in a night window of NightLength from nightStart (a minute of the day).
int32_t NightMinutesOf(int64_t start, int32_t length, int32_t nightStart);

// Checks plan over FirstDay..LastDay; a range the readers would refuse (not
// within 0..MaxPlanDay, or ending before it begins) gives an empty report, and
// so do options that are not OptionsValid.
// freeDays holds the suite's free days of
// that range with their descriptions (FreeDaysBetween). Time and memory grow
// linearly with the plan's length.
ComplianceReport CheckCompliance(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays,
                                 const ComplianceOptions& options);

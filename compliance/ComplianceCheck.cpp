#include "compliance/ComplianceCheck.h"

#include "plan/PlanShifts.h"

#include <QDate>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr int64_t Hour = 60;
constexpr int64_t WorkingDayLength = 24 * Hour;
constexpr int64_t DailyRest = 11 * Hour;
constexpr int64_t WeeklyRest = 35 * Hour;
constexpr int64_t BreakCountedAsWork = 15; // the first minutes of a break are working time
constexpr int64_t BreakNeededFrom = 6 * Hour;
constexpr int64_t WeekNorm = 40 * Hour;
constexpr int64_t WeekdayNorm = 8 * Hour;
constexpr int SundayRun = 4;
constexpr int Sunday = 0;
constexpr int64_t EpochJulianDay = 2451545; // 2000-01-01

int32_t DayOf(const QDate& date)
{
    return int32_t(date.toJulianDay() - EpochJulianDay);
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// What the messages show: a day as dd-MM-yyyy, a minute's time of day as
// hh:mm, a minute as both, a length as "8 h", "7 h 45 min" or "45 min".
struct Date
{
    int32_t Day;
};
struct Clock
{
    int64_t Minute;
};
struct Moment
{
    int64_t Minute;
};
struct Duration
{
    int64_t Minutes;
};

// A message put together in one buffer: the check may word thousands of
// findings for a long plan, so it avoids the format parsing of arg().
class Text
{
public:
    Text() { m_text.reserve(160); }
    Text& operator<<(QStringView part)
    {
        m_text += part;
        return *this;
    }
    Text& operator<<(int64_t number) { return Digits(number, 1); }
    Text& operator<<(Date date)
    {
        int year = 0, month = 0, day = 0;
        DateOfDay(date.Day).getDate(&year, &month, &day);
        Digits(day, 2) << u"-";
        Digits(month, 2) << u"-";
        return Digits(year, 4);
    }
    Text& operator<<(Clock clock)
    {
        const int64_t ofDay = clock.Minute - FloorDiv(clock.Minute, MinutesPerDay) * MinutesPerDay;
        Digits(ofDay / Hour, 2) << u":";
        return Digits(ofDay % Hour, 2);
    }
    Text& operator<<(Moment moment)
    {
        return *this << Date{int32_t(FloorDiv(moment.Minute, MinutesPerDay))} << u" " << Clock{moment.Minute};
    }
    Text& operator<<(Duration duration)
    {
        const int64_t hours = duration.Minutes / Hour;
        const int64_t rest = duration.Minutes % Hour;
        if (hours != 0 || rest == 0) *this << hours << u" h";
        if (hours != 0 && rest != 0) *this << u" ";
        if (rest != 0) *this << rest << u" min";
        return *this;
    }
    operator QString() const { return m_text; }

private:
    Text& Digits(int64_t number, int width)
    {
        char16_t digits[24];
        int count = 0;
        uint64_t rest = number < 0 ? uint64_t(0) - uint64_t(number) : uint64_t(number);
        do {
            digits[count++] = char16_t(u'0' + rest % 10);
            rest /= 10;
        } while (rest != 0 || count < width);
        if (number < 0) m_text += u'-';
        while (count > 0)
            m_text += QChar(digits[--count]);
        return *this;
    }

    QString m_text;
};

// The free day's description of every day of the range, or null.
std::vector<const QString*> FreeDayNames(const QMap<int32_t, QString>& freeDays, int32_t first, int32_t last)
{
    std::vector<const QString*> names(size_t(last - first + 1), nullptr);
    for (auto it = freeDays.lowerBound(first); it != freeDays.cend() && it.key() <= last; ++it)
        names[size_t(it.key() - first)] = &it.value();
    return names;
}

struct Checker
{
    const WorkPlan& Plan;
    const QMap<int32_t, QString>& FreeDays;
    ComplianceOptions Options;
    std::vector<const QString*> FreeNames;
    QVector<Shift> Shifts;

    int64_t DailyLimit() const { return Options.System == WorkingTimeSystem::Equivalent ? 12 * Hour : 8 * Hour; }

    void Add(QVector<ComplianceFinding>& out, int32_t day, ComplianceRule rule, QString message,
             FindingSeverity severity = FindingSeverity::Error) const
    {
        out.append({day, rule, severity, std::move(message)});
    }

    // Findings about single shifts and single days, in day and rule order.
    QVector<ComplianceFinding> DayFindings() const
    {
        QVector<ComplianceFinding> out;
        const QStringView systemName =
            Options.System == WorkingTimeSystem::Equivalent ? u"równoważnym" : u"podstawowym";
        qsizetype next = 0;
        const Shift* previous = nullptr;
        int sundays = 0;
        int32_t runStart = 0;
        for (int32_t day = Plan.FirstDay; day <= Plan.LastDay; ++day) {
            const Shift* shift = next < Shifts.size() && Shifts[next].Day == day ? &Shifts[next++] : nullptr;
            if (shift) {
                const Clock clock{shift->Start};
                if (previous && shift->Start - previous->Start < WorkingDayLength) {
                    Add(out, day, ComplianceRule::WorkingDay,
                        Text() << u"Zmiana o " << clock << u" zaczyna się " << Duration{shift->Start - previous->Start}
                               << u" po początku poprzedniej (" << Moment{previous->Start}
                               << u"): ponowna praca w tej samej dobie pracowniczej.");
                }
                if (previous && shift->Start - previous->End() < DailyRest) {
                    const int64_t rest = shift->Start - previous->End();
                    Add(out, day, ComplianceRule::DailyRest,
                        rest < 0 ? Text() << u"Zmiana o " << clock << u" zaczyna się przed końcem poprzedniej ("
                                          << Moment{previous->End()}
                                          << u"): brak odpoczynku dobowego, należy się co najmniej 11 h."
                                 : Text() << u"Odpoczynek przed zmianą o " << clock << u" trwa " << Duration{rest}
                                          << u" (od końca poprzedniej zmiany " << Moment{previous->End()}
                                          << u"), należy się co najmniej 11 h.");
                }
                if (shift->WorkingTime > DailyLimit()) {
                    Add(out, day, ComplianceRule::DailyLimit,
                        Text() << u"Czas pracy zmiany o " << clock << u" (" << Duration{shift->WorkingTime}
                               << u") przekracza normę dobową " << Duration{DailyLimit()} << u" w systemie "
                               << systemName << u".");
                }
                if (shift->Slot >= 0 && shift->WorkingTime >= BreakNeededFrom &&
                    shift->BreakLength < BreakCountedAsWork) {
                    Add(out, day, ComplianceRule::Break,
                        Text() << u"Zmiana o " << clock << u" ma " << Duration{shift->WorkingTime}
                               << u" czasu pracy bez co najmniej 15-minutowej przerwy (należy się od 6 h pracy).");
                }
                previous = shift;
            }
            if (WeekdayOf(day) == Sunday) {
                if (!shift) {
                    sundays = 0;
                } else if (++sundays == 1) {
                    runStart = day;
                } else if (sundays >= SundayRun) {
                    Add(out, day, ComplianceRule::Sunday,
                        Text() << int64_t(sundays) << u". niedziela z rzędu z pracą (od " << Date{runStart}
                               << u"): co najmniej co czwarta niedziela ma być wolna od pracy.");
                }
            }
            if (shift && FreeNames[size_t(day - Plan.FirstDay)]) {
                Add(out, day, ComplianceRule::FreeDay,
                    Text() << u"Praca w dniu wolnym: " << *FreeNames[size_t(day - Plan.FirstDay)] << u".",
                    FindingSeverity::Warning);
            }
        }
        return out;
    }

    QVector<SettlementPeriod> Periods() const
    {
        QVector<SettlementPeriod> periods;
        const int months = qBound(1, Options.PeriodMonths, 4);
        const QDate first = DateOfDay(Plan.FirstDay);
        QDate start(first.year(), (first.month() - 1) / months * months + 1, 1);
        qsizetype next = 0;
        while (DayOf(start) <= Plan.LastDay) {
            const QDate following = start.addMonths(months);
            SettlementPeriod period;
            period.FirstDay = DayOf(start);
            period.LastDay = DayOf(following) - 1;
            while (next < Shifts.size() && Shifts[next].Day <= period.LastDay)
                period.PlannedMinutes += Shifts[next++].WorkingTime;
            if (period.FirstDay >= Plan.FirstDay && period.LastDay <= Plan.LastDay) period.NormMinutes = NormOf(period);
            periods.append(period);
            start = following;
        }
        return periods;
    }

    int64_t NormOf(const SettlementPeriod& period) const
    {
        const int32_t days = period.LastDay - period.FirstDay + 1;
        int64_t norm = WeekNorm * (days / 7);
        for (int32_t day = period.FirstDay + days / 7 * 7; day <= period.LastDay; ++day) {
            if (WeekdayOf(day) >= 1 && WeekdayOf(day) <= 5) norm += WeekdayNorm;
        }
        for (auto it = FreeDays.lowerBound(period.FirstDay); it != FreeDays.cend() && it.key() <= period.LastDay;
             ++it) {
            if (WeekdayOf(it.key()) != Sunday) norm -= WeekdayNorm;
        }
        return std::max<int64_t>(0, norm);
    }

    // Weekly rest: the 7-day blocks of every period, in day order.
    QVector<ComplianceFinding> WeekFindings(const QVector<SettlementPeriod>& periods) const
    {
        QVector<ComplianceFinding> out;
        qsizetype next = 0; // the first shift not yet passed
        int64_t coveredUntil = std::numeric_limits<int64_t>::min();
        for (const SettlementPeriod& period : periods) {
            for (int32_t week = period.FirstDay; week + 6 <= period.LastDay; week += 7) {
                if (week < Plan.FirstDay || week + 6 > Plan.LastDay) continue;
                const int64_t from = int64_t(week) * MinutesPerDay;
                const int64_t to = from + 7 * MinutesPerDay;
                while (next < Shifts.size() && Shifts[next].Start < from)
                    coveredUntil = std::max<int64_t>(coveredUntil, Shifts[next++].End());
                int64_t cursor = std::max(from, coveredUntil);
                int64_t longest = 0;
                for (qsizetype i = next; i < Shifts.size() && Shifts[i].Start < to; ++i) {
                    longest = std::max<int64_t>(longest, Shifts[i].Start - cursor);
                    cursor = std::max<int64_t>(cursor, Shifts[i].End());
                }
                longest = std::max(longest, to - cursor);
                if (longest < WeeklyRest) {
                    Add(out, week, ComplianceRule::WeeklyRest,
                        Text() << u"Najdłuższy nieprzerwany odpoczynek w tygodniu " << Date{week} << u" – "
                               << Date{week + 6} << u" trwa " << Duration{longest}
                               << u", należy się co najmniej 35 h.");
                }
            }
        }
        return out;
    }

    QVector<ComplianceFinding> PeriodFindings(const QVector<SettlementPeriod>& periods) const
    {
        QVector<ComplianceFinding> out;
        for (const SettlementPeriod& period : periods) {
            if (!period.NormMinutes || period.PlannedMinutes == *period.NormMinutes) continue;
            const bool above = period.PlannedMinutes > *period.NormMinutes;
            Add(out, period.FirstDay, ComplianceRule::PeriodNorm,
                Text() << u"Zaplanowano " << Duration{period.PlannedMinutes}
                       << u", a wymiar czasu pracy okresu rozliczeniowego " << Date{period.FirstDay} << u" – "
                       << Date{period.LastDay} << u" wynosi " << Duration{*period.NormMinutes} << u": o "
                       << Duration{std::abs(period.PlannedMinutes - *period.NormMinutes)}
                       << (above ? u" za dużo." : u" za mało."),
                above ? FindingSeverity::Error : FindingSeverity::Warning);
        }
        return out;
    }
};

bool FindingBefore(const ComplianceFinding& a, const ComplianceFinding& b)
{
    return a.Day != b.Day ? a.Day < b.Day : a.Rule < b.Rule;
}

QVector<ComplianceFinding> Merged(QVector<ComplianceFinding> a, QVector<ComplianceFinding> b)
{
    QVector<ComplianceFinding> out;
    out.reserve(a.size() + b.size());
    std::merge(std::make_move_iterator(a.begin()), std::make_move_iterator(a.end()), std::make_move_iterator(b.begin()),
               std::make_move_iterator(b.end()), std::back_inserter(out), FindingBefore);
    return out;
}

} // namespace

QString RuleId(ComplianceRule rule)
{
    // In the order of ComplianceRule.
    static constexpr QStringView Ids[] = {
        u"doba",  u"odpoczynek-dobowy", u"norma-dobowa", u"przerwa", u"odpoczynek-tygodniowy", u"niedziela", u"swieto",
        u"wymiar"};
    return Ids[size_t(rule)].toString();
}

bool ComplianceReport::HasError() const
{
    return std::any_of(Findings.cbegin(), Findings.cend(),
                       [](const ComplianceFinding& finding) { return finding.Severity == FindingSeverity::Error; });
}

ComplianceReport CheckCompliance(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays,
                                 const ComplianceOptions& options)
{
    ComplianceReport report;
    if (plan.FirstDay < 0 || plan.LastDay > MaxPlanDay || plan.LastDay < plan.FirstDay) return report;
    Checker checker{plan, freeDays, options, FreeDayNames(freeDays, plan.FirstDay, plan.LastDay), {}};
    checker.Shifts = PlanShifts(plan, freeDays, plan.FirstDay, plan.LastDay);
    report.Periods = checker.Periods();
    // Each part comes in day and rule order, so merging keeps the whole sorted.
    report.Findings = Merged(Merged(checker.DayFindings(), checker.WeekFindings(report.Periods)),
                             checker.PeriodFindings(report.Periods));
    return report;
}

#include "compliance/ComplianceCheck.h"

#include "plan/PlanShifts.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr int64_t Hour = 60;
constexpr int64_t WorkingDayLength = 24 * Hour;
constexpr int64_t DailyRest = 11 * Hour;
constexpr int64_t WeeklyRest = 35 * Hour;
constexpr int32_t ArduousNight = 3 * 60; // night time that makes a day one with night work
constexpr int32_t ArduousLimit = 8 * 60; // the most working time of such a day in arduous work
constexpr int32_t DayOffSpan = 6;        // the days before and after a Sunday that may hold its day off
constexpr int64_t WeekNorm = 40 * Hour;
constexpr int64_t WeekdayNorm = 8 * Hour;
constexpr int SundayRun = 4;
constexpr int Sunday = 0;

// The most working time of a day in the system.
int64_t DailyLimitOf(WorkingTimeSystem system)
{
    return system == WorkingTimeSystem::Equivalent ? 12 * Hour : 8 * Hour;
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

// A message put together in a buffer on the stack and handed over as a
// string of its exact size: a report or plntool may word thousands of
// findings of a long plan, so it avoids the format parsing of arg(), spare
// capacity and a call for every piece. A message longer than the buffer (a
// free day's long description) goes on in a string behind it.
class Text
{
public:
    Text() = default;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    // A literal's length is known: copied without a search for its end or a call.
    template <size_t N> Text& operator<<(const char16_t (&part)[N])
    {
        static_assert(N - 1 <= Room);
        std::copy_n(part, N - 1, Reserve(N - 1));
        m_size += qsizetype(N - 1);
        return *this;
    }
    Text& operator<<(QStringView part)
    {
        if (part.size() > Room) {
            Spill();
            m_spill.append(part);
            return *this;
        }
        std::copy_n(part.utf16(), part.size(), Reserve(part.size()));
        m_size += part.size();
        return *this;
    }
    Text& operator<<(int64_t number) { return Digits(number, 1); }
    Text& operator<<(Date date)
    {
        const CivilDate civil = CivilDateOfDay(date.Day);
        Digits(civil.Day, 2) << u"-";
        Digits(civil.Month, 2) << u"-";
        return Digits(civil.Year, 4);
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
    operator QString() const
    {
        const QStringView buffered(m_chars.data(), m_size);
        return m_spill.isEmpty() ? buffered.toString() : m_spill + buffered.toString();
    }

private:
    static constexpr qsizetype Room = 400;
    // The largest number's 20 digits and its sign.
    static constexpr qsizetype NumberRoom = 21;

    // Where the next size characters go, the buffer spilled first when they do not fit.
    char16_t* Reserve(qsizetype size)
    {
        if (size > Room - m_size) Spill();
        return m_chars.data() + m_size;
    }
    void Spill()
    {
        m_spill.append(QStringView(m_chars.data(), m_size));
        m_size = 0;
    }
    // The number's digits, at least width of them.
    Text& Digits(int64_t number, int width)
    {
        const uint64_t magnitude = number < 0 ? uint64_t(0) - uint64_t(number) : uint64_t(number);
        int count = 1;
        for (uint64_t rest = magnitude / 10; rest != 0; rest /= 10)
            ++count;
        count = std::max(count, width);
        char16_t* out = Reserve(NumberRoom);
        if (number < 0) *out++ = u'-';
        uint64_t rest = magnitude;
        for (int at = count - 1; at >= 0; --at, rest /= 10)
            out[at] = char16_t(u'0' + rest % 10);
        m_size = out + count - m_chars.data();
        return *this;
    }

    std::array<char16_t, Room> m_chars; // filled up to m_size
    qsizetype m_size = 0;
    QString m_spill; // what the buffer held before it last ran full
};

struct Checker
{
    const WorkPlan& Plan;
    const QMap<int32_t, QString>& FreeDays;
    ComplianceOptions Options;
    QVector<Shift> Shifts;
    std::vector<int32_t> NightMinutes; // of each shift
    // Per day of the range: the first shift whose working interval overlaps
    // the day's Sunday and holiday window, or -1.
    std::vector<int32_t> WindowShift;
    // Per day of the range and one more: the shifts that start before it.
    std::vector<int32_t> StartsBefore;

    int32_t Days() const { return Plan.LastDay - Plan.FirstDay + 1; }
    int64_t DailyLimit() const { return DailyLimitOf(Options.System); }

    void Prepare()
    {
        NightMinutes.resize(size_t(Shifts.size()));
        WindowShift.assign(size_t(Days()), -1);
        StartsBefore.assign(size_t(Days()) + 1, 0);
        // A shift's night time depends on its time of day and its length
        // alone, and most shifts are like the one before.
        int32_t nightOf = -1, nightLength = -1, night = 0;
        for (qsizetype i = 0; i < Shifts.size(); ++i) {
            const Shift& shift = Shifts.at(i);
            const int32_t ofDay = shift.Start - shift.Day * MinutesPerDay;
            if (ofDay != nightOf || shift.Length != nightLength) {
                nightOf = ofDay;
                nightLength = shift.Length;
                night = NightMinutesOf(shift.Start, shift.Length, Options.NightStart);
            }
            NightMinutes[size_t(i)] = night;
            // The windows that hold the shift's first and last minutes, and those between.
            const int64_t first = FloorDiv(int64_t(shift.Start) - Options.SundayStart, MinutesPerDay);
            const int64_t last = FloorDiv(int64_t(shift.End()) - 1 - Options.SundayStart, MinutesPerDay);
            for (int64_t day = std::max<int64_t>(first, Plan.FirstDay); day <= std::min<int64_t>(last, Plan.LastDay);
                 ++day) {
                int32_t& window = WindowShift[size_t(day - Plan.FirstDay)];
                if (window < 0) window = int32_t(i);
            }
            ++StartsBefore[size_t(shift.Day - Plan.FirstDay) + 1];
        }
        for (size_t day = 1; day < StartsBefore.size(); ++day)
            StartsBefore[day] += StartsBefore[day - 1];
    }

    // The shifts that start on first..last, days of the range.
    int32_t StartsBetween(int32_t first, int32_t last) const
    {
        return StartsBefore[size_t(last - Plan.FirstDay) + 1] - StartsBefore[size_t(first - Plan.FirstDay)];
    }

    // A finding with the figures its message words (ComplianceFinding::Message).
    void Add(QVector<ComplianceFinding>& out, int32_t day, ComplianceRule rule, std::array<int32_t, 4> figures,
             FindingSeverity severity = FindingSeverity::Error, const QString& freeDayName = {}) const
    {
        out.append({day, rule, severity, Options.System, figures, freeDayName});
    }

    // Findings about single shifts.
    void ShiftFindings(QVector<ComplianceFinding>& out, const Shift& shift, const Shift* previous, int32_t night) const
    {
        const int32_t day = shift.Day;
        if (previous && shift.Start - previous->Start < WorkingDayLength)
            Add(out, day, ComplianceRule::WorkingDay, {shift.Start, previous->Start});
        if (previous && shift.Start - previous->End() < DailyRest)
            Add(out, day, ComplianceRule::DailyRest, {shift.Start, previous->End()});
        if (shift.WorkingTime > DailyLimit())
            Add(out, day, ComplianceRule::DailyLimit, {shift.Start, shift.WorkingTime});
        const int32_t required = shift.Slot >= 0 ? RequiredBreak(shift.Length, shift.BreakLength) : 0;
        if (shift.BreakLength < required)
            Add(out, day, ComplianceRule::Break, {shift.Start, shift.WorkingTime, shift.BreakLength, required});
        if (Options.ArduousWork && night >= ArduousNight && shift.WorkingTime > ArduousLimit)
            Add(out, day, ComplianceRule::Night, {shift.Start, night, shift.WorkingTime});
    }

    // Every finding, in day and rule order: those of single shifts and days,
    // with the weekly-rest and period findings (each in day order) put in
    // their places.
    QVector<ComplianceFinding> Findings(QVector<ComplianceFinding> weeks, QVector<ComplianceFinding> periods) const
    {
        QVector<ComplianceFinding> out;
        auto week = weeks.begin();
        auto period = periods.begin();
        qsizetype next = 0;
        const Shift* previous = nullptr;
        int sundays = 0;
        int32_t runStart = 0;
        auto freeDay = FreeDays.lowerBound(Plan.FirstDay); // the next free day of the list
        for (int32_t day = Plan.FirstDay; day <= Plan.LastDay; ++day) {
            if (next < Shifts.size() && Shifts[next].Day == day) {
                ShiftFindings(out, Shifts[next], previous, NightMinutes[size_t(next)]);
                previous = &Shifts[next++];
            }
            for (; week != weeks.end() && week->Day == day; ++week)
                out.append(std::move(*week));
            const int32_t window = WindowShift[size_t(day - Plan.FirstDay)];
            if (WeekdayOf(day) == Sunday) {
                if (window < 0) {
                    sundays = 0;
                } else if (++sundays == 1) {
                    runStart = day;
                } else if (sundays >= SundayRun) {
                    Add(out, day, ComplianceRule::Sunday, {sundays, runStart});
                }
                if (window >= 0 && day - DayOffSpan >= Plan.FirstDay && day + DayOffSpan <= Plan.LastDay &&
                    StartsBetween(day - DayOffSpan, day - 1) == DayOffSpan &&
                    StartsBetween(day + 1, day + DayOffSpan) == DayOffSpan) {
                    Add(out, day, ComplianceRule::DayOffForSunday, {}, FindingSeverity::Warning);
                }
            }
            const bool free = freeDay != FreeDays.cend() && freeDay.key() == day;
            if (window >= 0 && free) {
                const Shift& shift = Shifts.at(window);
                Add(out, day, ComplianceRule::FreeDay, {shift.Start, shift.Day, Options.SundayStart},
                    FindingSeverity::Warning, freeDay.value());
            }
            if (free) ++freeDay;
            for (; period != periods.end() && period->Day == day; ++period)
                out.append(std::move(*period));
        }
        return out;
    }

    QVector<SettlementPeriod> Periods() const
    {
        QVector<SettlementPeriod> periods;
        const int months = Options.PeriodMonths;
        const CivilDate first = CivilDateOfDay(Plan.FirstDay);
        // Months counted from January of year 0, so that a period is a step of months.
        int start = first.Year * 12 + (first.Month - 1) / months * months;
        const auto dayOf = [](int month) { return DayOfCivilDate(month / 12, month % 12 + 1, 1); };
        qsizetype next = 0;
        for (; dayOf(start) <= Plan.LastDay; start += months) {
            SettlementPeriod period;
            period.FirstDay = dayOf(start);
            period.LastDay = dayOf(start + months) - 1;
            for (; next < Shifts.size() && Shifts[next].Day <= period.LastDay; ++next) {
                period.PlannedMinutes += Shifts[next].WorkingTime;
                period.NightMinutes += NightMinutes[size_t(next)];
            }
            if (period.FirstDay >= Plan.FirstDay && period.LastDay <= Plan.LastDay) period.NormMinutes = NormOf(period);
            periods.append(period);
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
                if (longest < WeeklyRest)
                    Add(out, week, ComplianceRule::WeeklyRest, {int32_t(longest), period.FirstDay});
            }
        }
        return out;
    }

    QVector<ComplianceFinding> PeriodFindings(const QVector<SettlementPeriod>& periods) const
    {
        QVector<ComplianceFinding> out;
        for (const SettlementPeriod& period : periods) {
            if (!period.NormMinutes || period.PlannedMinutes == *period.NormMinutes) continue;
            Add(out, period.FirstDay, ComplianceRule::PeriodNorm,
                {int32_t(period.PlannedMinutes), int32_t(*period.NormMinutes), period.FirstDay, period.LastDay},
                period.PlannedMinutes > *period.NormMinutes ? FindingSeverity::Error : FindingSeverity::Warning);
        }
        return out;
    }
};

} // namespace

namespace {

// What the user and the tools read of a rule: its id, its name and its article.
struct RuleTexts
{
    QString Id, Name, Article;
};

const RuleTexts& TextsOf(ComplianceRule rule)
{
    // In the order of ComplianceRule.
    static const RuleTexts texts[ComplianceRuleCount] = {
        {QStringLiteral("doba"), QStringLiteral("Doba pracownicza"), QStringLiteral("art. 128 § 3 pkt 1")},
        {QStringLiteral("odpoczynek-dobowy"), QStringLiteral("Odpoczynek dobowy"), QStringLiteral("art. 132 § 1")},
        {QStringLiteral("norma-dobowa"), QStringLiteral("Norma dobowa"), QStringLiteral("art. 129 § 1")},
        {QStringLiteral("przerwa"), QStringLiteral("Przerwa w pracy"), QStringLiteral("art. 134")},
        {QStringLiteral("noc"), QStringLiteral("Praca w nocy"), QStringLiteral("art. 151⁷ § 3")},
        {QStringLiteral("odpoczynek-tygodniowy"), QStringLiteral("Odpoczynek tygodniowy"),
         QStringLiteral("art. 133 § 1")},
        {QStringLiteral("niedziela"), QStringLiteral("Wolna niedziela"), QStringLiteral("art. 151¹²")},
        {QStringLiteral("dzien-wolny-za-niedziele"), QStringLiteral("Dzień wolny za niedzielę"),
         QStringLiteral("art. 151¹¹ § 1 pkt 1")},
        {QStringLiteral("swieto"), QStringLiteral("Praca w dniu wolnym"), QStringLiteral("art. 151⁹ § 1")},
        {QStringLiteral("wymiar"), QStringLiteral("Wymiar czasu pracy"), QStringLiteral("art. 130")}};
    return texts[size_t(rule)];
}

} // namespace

QString RuleId(ComplianceRule rule)
{
    return TextsOf(rule).Id;
}

QString RuleName(ComplianceRule rule)
{
    return TextsOf(rule).Name;
}

QString RuleArticle(ComplianceRule rule, WorkingTimeSystem system)
{
    // The equivalent system's longer days have an article of their own.
    static const QString equivalentLimit = QStringLiteral("art. 135 § 1");
    return rule == ComplianceRule::DailyLimit && system == WorkingTimeSystem::Equivalent ? equivalentLimit
                                                                                         : TextsOf(rule).Article;
}

QString ComplianceFinding::Message() const
{
    const auto [first, second, third, fourth] = Figures;
    Text text;
    switch (Rule) {
    case ComplianceRule::WorkingDay: // the shift's start, the previous one's start
        text << u"Zmiana o " << Clock{first} << u" zaczyna się " << Duration{first - second}
             << u" po początku poprzedniej (" << Moment{second} << u"): ponowna praca w tej samej dobie pracowniczej.";
        break;
    case ComplianceRule::DailyRest: // the shift's start, the previous one's end
        if (first < second)
            text << u"Zmiana o " << Clock{first} << u" zaczyna się przed końcem poprzedniej (" << Moment{second}
                 << u"): brak odpoczynku dobowego, należy się co najmniej 11 h.";
        else
            text << u"Odpoczynek przed zmianą o " << Clock{first} << u" trwa " << Duration{first - second}
                 << u" (od końca poprzedniej zmiany " << Moment{second} << u"), należy się co najmniej 11 h.";
        break;
    case ComplianceRule::DailyLimit: // start, working time
        text << u"Czas pracy zmiany o " << Clock{first} << u" (" << Duration{second} << u") przekracza normę dobową "
             << Duration{DailyLimitOf(System)} << u" w systemie "
             << (System == WorkingTimeSystem::Equivalent ? u"równoważnym." : u"podstawowym.");
        break;
    case ComplianceRule::Break: // start, working time, the break, the break required
        text << u"Zmiana o " << Clock{first} << u" ma " << Duration{second} << u" czasu pracy";
        if (third > 0)
            text << u" i przerwę " << Duration{third};
        else
            text << u" bez przerwy";
        text << u", a należy się co najmniej " << Duration{fourth} << u" przerwy wliczanej do czasu pracy.";
        break;
    case ComplianceRule::Night: // start, night time, working time
        text << u"Zmiana o " << Clock{first} << u" ma " << Duration{second} << u" w porze nocnej i " << Duration{third}
             << u" czasu pracy: przy pracy szczególnie niebezpiecznej lub z dużym wysiłkiem "
                u"czas pracy w dobie z co najmniej 3 h pracy w nocy nie może przekraczać 8 h.";
        break;
    case ComplianceRule::WeeklyRest: // the longest rest, the first day of the week's period
        text << u"Najdłuższy nieprzerwany odpoczynek w tygodniu " << Date{Day} << u" – " << Date{Day + 6} << u" trwa "
             << Duration{first} << u", należy się co najmniej 35 h.";
        // A Monday-to-Friday week then has its Saturday and its Sunday in two different weeks.
        if (WeekdayOf(second) == Sunday)
            text << u" Tygodnie liczy się od pierwszego dnia okresu rozliczeniowego (art. 128 § 3 pkt 2), "
                    u"a ten okres zaczyna się w niedzielę "
                 << Date{second} << u": sobota i następna niedziela należą do różnych tygodni.";
        break;
    case ComplianceRule::Sunday: // the Sundays in a row, the first of them
        text << int64_t(first) << u". niedziela z rzędu z pracą (od " << Date{second}
             << u"): co najmniej co czwarta niedziela ma być wolna od pracy.";
        break;
    case ComplianceRule::DayOffForSunday:
        text << u"Za pracę w niedzielę należy się inny dzień wolny w ciągu 6 dni przed nią lub po niej, a każdy "
                u"dzień od "
             << Date{Day - DayOffSpan} << u" do " << Date{Day + DayOffSpan} << u" ma zmianę.";
        break;
    case ComplianceRule::FreeDay: // the start of the shift that works on it, the day it starts, SundayStart
        text << u"Praca w dniu wolnym: " << FreeDayName << u".";
        if (second != Day)
            text << u" Zmiana od " << Moment{first} << u" trwa w czasie tego dnia, liczonym od " << Clock{third}
                 << u".";
        break;
    case ComplianceRule::PeriodNorm: // planned time, the norm, the period's first and last days
        text << u"Zaplanowano " << Duration{first} << u", a wymiar czasu pracy okresu rozliczeniowego " << Date{third}
             << u" – " << Date{fourth} << u" wynosi " << Duration{second} << u": o "
             << Duration{std::abs(first - second)} << (first > second ? u" za dużo." : u" za mało.");
        break;
    }
    return text;
}

bool OptionsValid(const ComplianceOptions& options)
{
    return std::find(SettlementPeriodMonths.begin(), SettlementPeriodMonths.end(), options.PeriodMonths) !=
               SettlementPeriodMonths.end() &&
           options.SundayStart >= 0 && options.SundayStart < MinutesPerDay && options.SundayStart % Hour == 0 &&
           std::find(NightStartHours.begin(), NightStartHours.end(), options.NightStart / Hour) !=
               NightStartHours.end() &&
           options.NightStart % Hour == 0;
}

QString SystemText(WorkingTimeSystem system)
{
    return system == WorkingTimeSystem::Equivalent ? QStringLiteral("równoważny (12 h)")
                                                   : QStringLiteral("podstawowy (8 h)");
}

QString PeriodText(int months)
{
    const int last = months % 10;
    const bool few = last >= 2 && last <= 4 && (months % 100 < 12 || months % 100 > 14);
    return QString::number(months) + (months == 1 ? QStringLiteral(" miesiąc")
                                      : few       ? QStringLiteral(" miesiące")
                                                  : QStringLiteral(" miesięcy"));
}

QString HourText(int32_t minuteOfDay)
{
    return Text() << Clock{minuteOfDay};
}

QString NightText(int32_t nightStart)
{
    return Text() << Clock{nightStart} << u"–" << Clock{nightStart + NightLength};
}

int32_t NightMinutesOf(int64_t start, int32_t length, int32_t nightStart)
{
    // The windows of the day before the start, of its day and of the next
    // day are the only ones a shift of up to two days can reach.
    const int64_t day = FloorDiv(start, MinutesPerDay);
    int64_t night = 0;
    for (int64_t window = (day - 1) * MinutesPerDay + nightStart; window < start + length; window += MinutesPerDay)
        night += std::max<int64_t>(0, std::min(start + length, window + NightLength) - std::max(start, window));
    return int32_t(night);
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
    if (plan.FirstDay < 0 || plan.LastDay > MaxPlanDay || plan.LastDay < plan.FirstDay || !OptionsValid(options))
        return report;
    Checker checker{plan, freeDays, options, {}, {}, {}, {}};
    checker.Shifts = PlanShifts(plan, freeDays, plan.FirstDay, plan.LastDay);
    checker.Prepare();
    report.Periods = checker.Periods();
    report.Findings = checker.Findings(checker.WeekFindings(report.Periods), checker.PeriodFindings(report.Periods));
    return report;
}

// The labour-code check against a model of its rules written apart from it,
// on hundreds of random plans and options: the model takes every shift
// minute by minute (night time, the Sunday and holiday windows, the weekly
// rest) where the check works with intervals, and counts a period's norm as
// 8 hours for every weekday less the free days on weekdays and Saturdays
// where the check counts whole weeks. Findings are compared as date, rule and
// severity; periods as bounds, norm, planned and night time.
#include "compliance/ComplianceCheck.h"

#include "TestSupport.h"

#include <QRandomGenerator>
#include <QTest>

#include <map>
#include <set>

namespace {

struct ModelShift
{
    int32_t Day;
    int64_t Start, End;
    int32_t Break;    // the break window's length, 0 without one
    int32_t Required; // the break the law requires, 0 for a weekly plan (its break is unknown)
    int32_t Work;
};

int64_t Floor(int64_t a, int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int32_t Mod(int32_t value)
{
    return ((value % 1440) + 1440) % 1440;
}

// The break the law asks for and the working time, as art. 134 has them
// since 2023: with W the time less the part of the break beyond 15 minutes,
// 15 minutes from 6 hours, 30 beyond 9, 45 beyond 16; required breaks are work.
ModelShift MakeShift(int32_t day, int32_t entry, int64_t length, int32_t breakLength, bool weekly)
{
    ModelShift shift{day, int64_t(day) * 1440 + entry, int64_t(day) * 1440 + entry + length, breakLength, 0, 0};
    const int64_t w = length - std::max(0, breakLength - 15);
    shift.Required = weekly ? 0 : w > 960 ? 45 : w > 540 ? 30 : w >= 360 ? 15 : 0;
    const int paid = std::max(15, weekly ? 0 : shift.Required);
    shift.Work = int32_t(std::max<int64_t>(0, length - std::max(0, breakLength - paid)));
    return shift;
}

std::vector<ModelShift> ModelShifts(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays)
{
    std::vector<ModelShift> shifts;
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day) {
        if (plan.Kind == PlanKind::WeeklyPlan) {
            if (plan.DailyNorm > 0 && plan.WeekdayKinds[WeekdayOf(day)] == WorkingWeekday &&
                !(plan.IncludeFreeDays && freeDays.contains(day)))
                shifts.push_back(MakeShift(day, Mod(plan.DayStart), plan.DailyNorm, 0, true));
            continue;
        }
        const int32_t slot = plan.Days.At(day);
        const DaySchedule& times = plan.Schedules[size_t(slot)];
        if (slot == FreeDaySlot || times.Entry < 0 || times.Exit < 0) continue;
        const int32_t entry = Mod(times.Entry);
        int32_t length = Mod(times.Exit - entry);
        if (length == 0) length = 1440;
        const bool hasBreak = times.BreakFrom >= 0 && times.BreakTo >= 0 && Mod(times.BreakFrom) != Mod(times.BreakTo);
        shifts.push_back(MakeShift(day, entry, length, hasBreak ? Mod(times.BreakTo - times.BreakFrom) : 0, false));
    }
    return shifts;
}

bool AtNight(int64_t minute, int32_t nightStart)
{
    return Mod(int32_t(minute % 1440) - nightStart) < NightLength;
}

int32_t NightOf(const ModelShift& shift, int32_t nightStart)
{
    int32_t night = 0;
    for (int64_t minute = shift.Start; minute < shift.End; ++minute)
        night += AtNight(minute, nightStart) ? 1 : 0;
    return night;
}

// Each finding as "yyyy-MM-dd rule severity", and each period as "from to norm planned night".
struct Outcome
{
    std::multiset<QString> Findings;
    QStringList Periods;
};

QString DateOf(int32_t day)
{
    return DateOfDay(day).toString(Qt::ISODate);
}

void Find(Outcome& out, int32_t day, ComplianceRule rule, bool error)
{
    out.Findings.insert(DateOf(day) + u' ' + RuleId(rule) + (error ? u" error"_s : u" warning"_s));
}

Outcome Model(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays, const ComplianceOptions& options)
{
    Outcome out;
    const std::vector<ModelShift> shifts = ModelShifts(plan, freeDays);
    const int32_t limit = options.System == WorkingTimeSystem::Equivalent ? 720 : 480;
    std::set<int32_t> startDays;
    std::set<int32_t> windowWork; // days of the range whose Sunday and holiday window holds work
    for (size_t i = 0; i < shifts.size(); ++i) {
        const ModelShift& shift = shifts[i];
        startDays.insert(shift.Day);
        if (i > 0 && shift.Start - shifts[i - 1].Start < 1440) Find(out, shift.Day, ComplianceRule::WorkingDay, true);
        if (i > 0 && shift.Start - shifts[i - 1].End < 660) Find(out, shift.Day, ComplianceRule::DailyRest, true);
        if (shift.Work > limit) Find(out, shift.Day, ComplianceRule::DailyLimit, true);
        if (shift.Break < shift.Required) Find(out, shift.Day, ComplianceRule::Break, true);
        if (options.ArduousWork && NightOf(shift, options.NightStart) >= 180 && shift.Work > 480)
            Find(out, shift.Day, ComplianceRule::Night, true);
        for (int64_t minute = shift.Start; minute < shift.End; ++minute) {
            const int32_t day = int32_t(Floor(minute - options.SundayStart, 1440));
            if (day >= plan.FirstDay && day <= plan.LastDay && !windowWork.count(day)) windowWork.insert(day);
        }
    }
    int run = 0;
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day) {
        const bool worked = windowWork.count(day) > 0;
        if (freeDays.contains(day) && worked) Find(out, day, ComplianceRule::FreeDay, false);
        if (WeekdayOf(day) != 0) continue;
        run = worked ? run + 1 : 0;
        if (run >= 4) Find(out, day, ComplianceRule::Sunday, true);
        bool dayOff = day - 6 < plan.FirstDay || day + 6 > plan.LastDay;
        for (int32_t near = day - 6; near <= day + 6; ++near)
            dayOff = dayOff || (near != day && startDays.count(near) == 0);
        if (worked && !dayOff) Find(out, day, ComplianceRule::DayOffForSunday, false);
    }

    const QDate first = DateOfDay(plan.FirstDay);
    for (QDate start(first.year(), (first.month() - 1) / options.PeriodMonths * options.PeriodMonths + 1, 1);
         DayOfDate(start) <= plan.LastDay; start = start.addMonths(options.PeriodMonths)) {
        const int32_t from = DayOfDate(start);
        const int32_t to = DayOfDate(start.addMonths(options.PeriodMonths)) - 1;
        const bool whole = from >= plan.FirstDay && to <= plan.LastDay;
        int64_t planned = 0, night = 0, norm = 0;
        for (const ModelShift& shift : shifts) {
            if (shift.Day < from || shift.Day > to) continue;
            planned += shift.Work;
            night += NightOf(shift, options.NightStart);
        }
        for (int32_t day = from; day <= to; ++day) {
            const int weekday = WeekdayOf(day);
            norm += (weekday >= 1 && weekday <= 5 ? 480 : 0) - (weekday != 0 && freeDays.contains(day) ? 480 : 0);
        }
        norm = std::max<int64_t>(0, norm);
        out.Periods << u"%1 %2 %3 %4 %5"_s.arg(DateOf(from), DateOf(to), whole ? QString::number(norm) : u"-"_s)
                           .arg(planned)
                           .arg(night);
        if (whole && planned != norm) Find(out, from, ComplianceRule::PeriodNorm, planned > norm);
        // Weekly rest: every 7 days from the period's first day inside the period and the plan.
        for (int32_t week = from; week + 6 <= to; week += 7) {
            if (week < plan.FirstDay || week + 6 > plan.LastDay) continue;
            std::vector<bool> busy(7 * 1440, false);
            const int64_t base = int64_t(week) * 1440;
            for (const ModelShift& shift : shifts) {
                for (int64_t minute = std::max(shift.Start, base); minute < std::min(shift.End, base + 7 * 1440);
                     ++minute)
                    busy[size_t(minute - base)] = true;
            }
            int longest = 0, free = 0;
            for (const bool taken : busy) {
                free = taken ? 0 : free + 1;
                longest = std::max(longest, free);
            }
            if (longest < 35 * 60) Find(out, week, ComplianceRule::WeeklyRest, true);
        }
    }
    return out;
}

Outcome Check(const WorkPlan& plan, const QMap<int32_t, QString>& freeDays, const ComplianceOptions& options)
{
    Outcome out;
    const ComplianceReport report = CheckCompliance(plan, freeDays, options);
    for (const ComplianceFinding& finding : report.Findings) {
        Find(out, finding.Day, finding.Rule, finding.Severity == FindingSeverity::Error);
        if (finding.Article() != RuleArticle(finding.Rule, options.System) || finding.Message().isEmpty())
            out.Findings.insert(u"no article or message: "_s + RuleId(finding.Rule));
    }
    for (const SettlementPeriod& period : report.Periods)
        out.Periods << u"%1 %2 %3 %4 %5"_s
                           .arg(DateOf(period.FirstDay), DateOf(period.LastDay),
                                period.NormMinutes ? QString::number(*period.NormMinutes) : u"-"_s)
                           .arg(period.PlannedMinutes)
                           .arg(period.NightMinutes);
    return out;
}

// A time of day, mostly on the quarter hour, now and then none.
int16_t RandomTime(QRandomGenerator& random)
{
    if (random.bounded(12) == 0) return EmptyTime;
    return int16_t(random.bounded(4) == 0 ? random.bounded(1440) : random.bounded(96) * 15);
}

struct RandomCase
{
    WorkPlan Plan;
    QMap<int32_t, QString> FreeDays;
    ComplianceOptions Options;
};

RandomCase RandomPlan(QRandomGenerator& random)
{
    RandomCase made;
    WorkPlan& plan = made.Plan;
    plan.FirstDay = DayOfDate(QDate(2024, 1, 1)) + int32_t(random.bounded(900));
    // Mostly weeks to a few months; now and then more than a year, for the longest periods.
    plan.LastDay = plan.FirstDay + int32_t(random.bounded(10) == 0 ? 360 + random.bounded(120) : random.bounded(120));
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day) {
        if (random.bounded(12) == 0) made.FreeDays.insert(day, u"Dzień wolny"_s);
    }
    if (random.bounded(5) == 0) {
        plan.Kind = PlanKind::WeeklyPlan;
        for (uint8_t& kind : plan.WeekdayKinds)
            kind = random.bounded(3) == 0 ? FreeWeekday : WorkingWeekday;
        plan.DailyNorm = random.bounded(8) == 0 ? int32_t(random.bounded(3000)) - 100 : int32_t(random.bounded(760));
        plan.DayStart = int32_t(random.bounded(1440));
        plan.IncludeFreeDays = random.bounded(2) == 0;
    } else {
        for (int slot = 0; slot < SlotCount; ++slot) {
            DaySchedule& times = plan.Schedules[size_t(slot)];
            times.Entry = RandomTime(random);
            times.Exit = RandomTime(random);
            int breakLength = 0;
            if (random.bounded(3) != 0) {
                times.BreakFrom = RandomTime(random);
                const int lengths[] = {0, 5, 10, 14, 15, 16, 20, 29, 30, 31, 44, 45, 60, 90};
                breakLength = lengths[random.bounded(14)];
                times.BreakTo =
                    times.BreakFrom < 0 ? RandomTime(random) : int16_t((times.BreakFrom + breakLength) % 1440);
            }
            // Half the shifts a minute either side of where another break is required.
            if (times.Entry >= 0 && random.bounded(2) == 0) {
                const int thresholds[] = {360, 540, 960};
                const int length =
                    thresholds[random.bounded(3)] + std::max(0, breakLength - 15) + int(random.bounded(3)) - 1;
                times.Exit = int16_t((times.Entry + length) % 1440);
            }
        }
        plan.Days.Reset(plan.FirstDay, plan.LastDay, FreeDaySlot);
        // Runs of one slot, as planners paint them, among free days.
        for (int32_t day = plan.FirstDay; day <= plan.LastDay;) {
            const int32_t slot = random.bounded(3) == 0 ? FreeDaySlot : int32_t(random.bounded(SlotCount));
            for (int32_t end = day + int32_t(random.bounded(7)) + 1; day < end && day <= plan.LastDay; ++day)
                plan.Days.Set(day, slot);
        }
    }
    ComplianceOptions& options = made.Options;
    options.System = random.bounded(2) == 0 ? WorkingTimeSystem::Basic : WorkingTimeSystem::Equivalent;
    options.PeriodMonths = SettlementPeriodMonths[random.bounded(int(SettlementPeriodMonths.size()))];
    options.SundayStart = random.bounded(3) == 0 ? int32_t(random.bounded(24)) * 60 : 360;
    options.NightStart = NightStartHours[random.bounded(int(NightStartHours.size()))] * 60;
    options.ArduousWork = random.bounded(2) == 0;
    return made;
}

} // namespace

class TestComplianceModel : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithTheModel_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 300; ++seed)
            QTest::addRow("plan %u", seed) << seed;
    }

    void agreesWithTheModel()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const RandomCase made = RandomPlan(random);
        const Outcome check = Check(made.Plan, made.FreeDays, made.Options);
        const Outcome model = Model(made.Plan, made.FreeDays, made.Options);
        QCOMPARE(check.Periods, model.Periods);
        const QStringList checked(check.Findings.begin(), check.Findings.end());
        const QStringList expected(model.Findings.begin(), model.Findings.end());
        QCOMPARE(checked, expected);
    }
};

QTEST_GUILESS_MAIN(TestComplianceModel)
#include "tst_ComplianceModel.moc"

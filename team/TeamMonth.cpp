#include "team/TeamMonth.h"

#include "env/Environment.h"
#include "env/Kelbrin.h"
#include "env/OdczytZapisPliku.h"
#include "plan/PlanDecoder.h"
#include "plan/PlanOfDecoded.h"
#include "plan/PlanReader.h"
#include "staff/EmployeeRecord.h"

#include <QCollator>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

constexpr int HoursPerDay = 24;
constexpr int64_t MinutesPerHour = 60;

// The first full hour at or after a minute, counted from base.
int64_t HourAtOrAfter(int64_t minute, int64_t base)
{
    const int64_t offset = minute - base;
    return offset >= 0 ? (offset + MinutesPerHour - 1) / MinutesPerHour : -((-offset) / MinutesPerHour);
}

// A plan name that can only name a file of the plans folder itself.
bool IsPlainPlanName(const QString& name)
{
    return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

// The labour-code check's working-time norm of the whole months first..last,
// each month a settlement period of its own; none when the range does not
// consist of whole months or lies beyond the days a plan may hold.
std::optional<int64_t> WholeMonthsNorm(int32_t first, int32_t last, const QMap<int32_t, QString>& freeDays,
                                       ComplianceOptions options)
{
    if (last < first || first < 0 || last > MaxPlanDay) return std::nullopt;
    if (DateOfDay(first).day() != 1 || DateOfDay(last + 1).day() != 1) return std::nullopt;
    // A plan of the range with no work at all: the check's periods then carry the norm alone.
    WorkPlan idle;
    idle.Kind = PlanKind::WeeklyPlan;
    idle.FirstDay = first;
    idle.LastDay = last;
    idle.DailyNorm = 0;
    options.PeriodMonths = 1;
    const ComplianceReport report = CheckCompliance(idle, freeDays, options);
    int64_t norm = 0;
    for (const SettlementPeriod& period : report.Periods) {
        if (!period.NormMinutes) return std::nullopt;
        norm += *period.NormMinutes;
    }
    return norm;
}

ComplianceOptions OptionsOf(const TeamOptions& options, const QString& plan)
{
    return options.PlanOptions ? options.PlanOptions(plan) : ComplianceOptions{};
}

// Fills a read plan's shifts, day index (already sized for the range) and minutes.
void TakeShifts(TeamPlan& team, const WorkPlan& plan, const QMap<int32_t, QString>& freeDays, int32_t first,
                int32_t last)
{
    if (last < first) return;
    // A shift of the day before reaches into the range's first hours.
    const QVector<Shift> shifts = PlanShifts(plan, freeDays, first - 1, last);
    for (const Shift& shift : shifts) {
        if (shift.Day < first) {
            team.ReachingIn.append(shift);
            continue;
        }
        team.DayShift[shift.Day - first] = int(team.Shifts.size());
        team.Shifts.append(shift);
        team.PlannedMinutes += shift.WorkingTime;
    }
}

// Every shift's hours in order, and each plan's shifts pointed at them.
void CollectKinds(TeamMonth& month)
{
    for (const TeamPlan& plan : std::as_const(month.Plans)) {
        for (const Shift& shift : plan.Shifts)
            month.Kinds.append(HoursOf(shift));
    }
    std::sort(month.Kinds.begin(), month.Kinds.end());
    month.Kinds.erase(std::unique(month.Kinds.begin(), month.Kinds.end()), month.Kinds.end());
    for (TeamPlan& plan : month.Plans) {
        plan.ShiftKinds.reserve(plan.Shifts.size());
        for (const Shift& shift : std::as_const(plan.Shifts))
            plan.ShiftKinds.append(
                int(std::lower_bound(month.Kinds.cbegin(), month.Kinds.cend(), HoursOf(shift)) - month.Kinds.cbegin()));
    }
}

// Polish alphabetical order: surname, first name, then the card number.
void SortMembers(QVector<TeamMember>& members)
{
    QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
    struct Keyed
    {
        QCollatorSortKey Surname;
        QCollatorSortKey FirstName;
        TeamMember* Member;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(members.size()));
    for (TeamMember& member : members)
        keyed.push_back({collator.sortKey(member.Row.Surname), collator.sortKey(member.Row.FirstName), &member});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (const int c = a.Surname.compare(b.Surname)) return c < 0;
        if (const int c = a.FirstName.compare(b.FirstName)) return c < 0;
        return a.Member->Row.Number < b.Member->Row.Number;
    });
    QVector<TeamMember> sorted;
    sorted.reserve(members.size());
    for (Keyed& entry : keyed)
        sorted.append(std::move(*entry.Member));
    members = std::move(sorted);
}

} // namespace

namespace {

// Each state's name for scripts and its Polish words for the user, in the order of TeamPlanState.
struct StateNames
{
    QStringView Id;
    QStringView Text;
};
constexpr StateNames StateTable[] = {
    {u"ok", u""}, {u"no-plan", u"brak planu"}, {u"missing", u"brak pliku planu"}, {u"damaged", u"plan uszkodzony"}};

} // namespace

QString StateId(TeamPlanState state)
{
    return StateTable[size_t(state)].Id.toString();
}

QString StateText(TeamPlanState state)
{
    return StateTable[size_t(state)].Text.toString();
}

ShiftHours HoursOf(const Shift& shift)
{
    const auto ofDay = [](int64_t minute) {
        return int16_t(((minute % MinutesPerDay) + MinutesPerDay) % MinutesPerDay);
    };
    return {ofDay(shift.Start), ofDay(int64_t(shift.Start) + shift.Length)};
}

QString HoursText(ShiftHours hours)
{
    const auto text = [](int minutes) {
        return QStringLiteral("%1:%2")
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    return text(hours.Start) + QLatin1Char('-') + text(hours.End);
}

PlanRead ReadPlanReadOnly(const Environment& env, const QString& name)
{
    PlanRead read;
    if (!IsPlainPlanName(name)) return read;
    const QString path = PlanFilePath(env, name);
    const QFileInfo info(path);
    if (!info.isFile()) return read;
    read.State = TeamPlanState::Damaged;

    DataFile file;
    if (file.Open(path, FileAccess::Read) != OpenStatus::Opened) return read;
    const qint64 size = file.Size();
    if (size < 0) return read;
    QByteArray head(qsizetype(std::min(size, PlanReadLimit)), Qt::Uninitialized);
    const qint64 got = file.Read(head.data(), head.size());
    file.Close();
    if (got < 0) return read;
    head.truncate(qsizetype(got));

    const PlanProbe probe = ProbePlanBytes(head);
    const DecodedPlan decoded = DecodePlanAs(head, size, probe.Format, probe.Kind);
    if (!decoded.Ok()) return read;
    int32_t firstDay = 0;
    int32_t lastDay = -1;
    if (decoded.Kind == PlanKind::WeeklyPlan) {
        // A weekly plan keeps its range only in the area section.
        int32_t first = 0;
        int32_t last = -1;
        if (env.Lib.GetPlanRange(path, first, last) != 0) return read;
        firstDay = DayOfMinute(first);
        lastDay = DayOfMinute(last);
        if (firstDay < 0 || lastDay > MaxPlanDay || lastDay < firstDay) return read;
    }
    read.Plan = PlanOfDecoded(decoded, info.completeBaseName(), firstDay, lastDay);
    read.State = TeamPlanState::Ok;
    return read;
}

const Shift* TeamMonth::WorkOn(int member, int32_t day) const
{
    const int plan = Members.at(member).Plan;
    if (plan < 0 || day < FirstDay || day > LastDay) return nullptr;
    const TeamPlan& read = Plans.at(plan);
    if (read.DayShift.isEmpty()) return nullptr;
    const int shift = read.DayShift.at(day - FirstDay);
    return shift >= 0 ? &read.Shifts.at(shift) : nullptr;
}

int TeamMonth::KindOn(int member, int32_t day) const
{
    const int plan = Members.at(member).Plan;
    if (plan < 0 || day < FirstDay || day > LastDay) return -1;
    const TeamPlan& read = Plans.at(plan);
    if (read.DayShift.isEmpty()) return -1;
    const int shift = read.DayShift.at(day - FirstDay);
    return shift >= 0 ? read.ShiftKinds.at(shift) : -1;
}

int64_t TeamMonth::PlannedMinutes(int member) const
{
    const int plan = Members.at(member).Plan;
    return plan >= 0 ? Plans.at(plan).PlannedMinutes : 0;
}

std::optional<int64_t> TeamMonth::NormMinutes(int member) const
{
    const int plan = Members.at(member).Plan;
    return plan >= 0 && Plans.at(plan).State == TeamPlanState::Ok ? Plans.at(plan).Norm : Norm;
}

TeamMonth BuildTeamMonth(const EmployeeRows& rows, const PlanSource& plans, int32_t firstDay, int32_t lastDay,
                         const TeamOptions& options)
{
    TeamMonth month;
    month.FirstDay = firstDay;
    month.LastDay = lastDay;
    const QMap<int32_t, QString> freeDays = FreeDaysBetween(options.FreeDays, firstDay - 1, lastDay);
    month.Norm = WholeMonthsNorm(firstDay, lastDay, freeDays, ComplianceOptions{});
    for (auto it = freeDays.lowerBound(firstDay); it != freeDays.cend(); ++it)
        month.FreeDays.insert(it.key(), it.value());

    QHash<QString, int> planIndex; // by the name in folded case
    month.Members.reserve(rows.size());
    for (const EmployeeRow& row : rows) {
        TeamMember member;
        member.Row = row;
        if (row.Plan != NoPlanText) {
            const QString key = row.Plan.toCaseFolded();
            auto found = planIndex.constFind(key);
            if (found == planIndex.cend()) {
                TeamPlan team;
                team.Name = row.Plan;
                const PlanRead read = plans(row.Plan);
                team.State = read.State;
                team.DayShift = QVector<int>(month.DayCount(), -1);
                if (read.State == TeamPlanState::Ok) {
                    team.Kind = read.Plan.Kind;
                    TakeShifts(team, read.Plan, freeDays, firstDay, lastDay);
                    team.Norm = WholeMonthsNorm(firstDay, lastDay, freeDays, OptionsOf(options, row.Plan));
                }
                found = planIndex.insert(key, int(month.Plans.size()));
                month.Plans.append(std::move(team));
            }
            member.Plan = found.value();
            member.State = month.Plans.at(member.Plan).State;
        }
        month.Members.append(std::move(member));
    }
    CollectKinds(month);
    SortMembers(month.Members);
    return month;
}

TeamMonth ReadTeamMonth(const Environment& env, const EmployeeRows& rows, int32_t firstDay, int32_t lastDay,
                        const TeamOptions& options)
{
    return BuildTeamMonth(
        rows, [&env](const QString& name) { return ReadPlanReadOnly(env, name); }, firstDay, lastDay, options);
}

QVector<DayCoverage> TeamCoverage(const TeamMonth& month, const QVector<int>& members)
{
    // How many of the members each plan has: the coverage is the plans' shifts that many times over.
    QVector<int> perPlan(month.Plans.size(), 0);
    std::vector<bool> seen(size_t(month.Members.size()), false);
    for (const int member : members) {
        if (member < 0 || member >= month.Members.size() || seen[size_t(member)]) continue;
        seen[size_t(member)] = true;
        const int plan = month.Members.at(member).Plan;
        if (plan >= 0) ++perPlan[plan];
    }

    const int32_t days = month.DayCount();
    QVector<DayCoverage> coverage(days);
    for (int32_t i = 0; i < days; ++i) {
        coverage[i].Day = month.FirstDay + i;
        coverage[i].ByKind = QVector<int>(month.Kinds.size(), 0);
    }
    // Hours as differences: +n where the members' shifts begin to cover a full hour, -n where they stop.
    const int64_t hours = int64_t(days) * HoursPerDay;
    std::vector<int64_t> steps(size_t(hours) + 1, 0);
    const int64_t base = int64_t(month.FirstDay) * MinutesPerDay;
    const auto addHours = [&](const Shift& shift, int count) {
        const int64_t from = std::clamp<int64_t>(HourAtOrAfter(shift.Start, base), 0, hours);
        const int64_t to = std::clamp<int64_t>(HourAtOrAfter(int64_t(shift.Start) + shift.Length, base), 0, hours);
        if (from >= to) return;
        steps[size_t(from)] += count;
        steps[size_t(to)] -= count;
    };
    for (qsizetype p = 0; p < month.Plans.size(); ++p) {
        const int count = perPlan.at(p);
        if (count == 0) continue;
        const TeamPlan& plan = month.Plans.at(p);
        for (qsizetype s = 0; s < plan.Shifts.size(); ++s) {
            const Shift& shift = plan.Shifts.at(s);
            DayCoverage& day = coverage[shift.Day - month.FirstDay];
            day.Working += count;
            day.ByKind[plan.ShiftKinds.at(s)] += count;
            addHours(shift, count);
        }
        for (const Shift& shift : plan.ReachingIn)
            addHours(shift, count);
    }
    int64_t present = 0;
    for (int64_t hour = 0; hour < hours; ++hour) {
        present += steps[size_t(hour)];
        coverage[hour / HoursPerDay].ByHour[size_t(hour % HoursPerDay)] = int(present);
    }
    return coverage;
}

QVector<DayCoverage> TeamCoverage(const TeamMonth& month)
{
    QVector<int> all(month.Members.size());
    std::iota(all.begin(), all.end(), 0);
    return TeamCoverage(month, all);
}

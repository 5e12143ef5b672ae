#include "plan/PlanIntegrity.h"

#include "plan/AreaChain.h"
#include "plan/PlanDecoder.h"
#include "plan/PlanReader.h"
#include "plan/ZapisPlanuPracy.h"

#include <QVector>

#include <algorithm>

using namespace PlanLayout;

namespace {

// The section a writer makes, and for each area the kinds it may have instead
// of its own (a weekly plan's days whose kind the file cannot tell).
struct ExpectedSection
{
    int32_t FirstDay = 0;
    int32_t LastDay = -1;
    QVector<uint32_t> DayIndex;
    uint32_t EndWord = 0;
    QVector<uint32_t> Areas;
    QVector<uint32_t> Alternatives; // per area: the word it may be instead, or the word itself
};

PlanDifference Differs(const QString& what, std::optional<int32_t> day = std::nullopt)
{
    return PlanDifference{what, day};
}

int32_t DayOfArea(uint32_t word)
{
    return DayOfMinute(AreaStart(word));
}

ExpectedSection ScheduleSection(const DecodedPlan& stored)
{
    // The fields as the writer had them: every stored time its minute value.
    ScheduleFields fields;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const DaySchedule& times = stored.Schedules[slot];
        fields.Slots[slot][EntryColumn].Value = times.Entry;
        fields.Slots[slot][ExitColumn].Value = times.Exit;
        fields.Slots[slot][BreakFromColumn].Value = times.BreakFrom;
        fields.Slots[slot][BreakToColumn].Value = times.BreakTo;
    }
    for (size_t i = 0; i < fields.Pozostale.size(); ++i)
        fields.Pozostale[i].Value = stored.Tolerances[i];
    NormujGodziny(fields);
    WorkPlan plan;
    plan.FirstDay = stored.FirstDay;
    plan.LastDay = stored.LastDay;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    plan.Days.Fill(stored.DayBytes);
    const AreaChain chain = ExpandSchedulePlan(AreaInputOf(fields, plan));
    return {plan.FirstDay, plan.LastDay, chain.DayIndex, chain.EndWord(), chain.Areas, chain.Areas};
}

ExpectedSection WeeklySection(const DecodedPlan& stored, int32_t firstDay, int32_t lastDay)
{
    WorkPlan plan;
    plan.WeekdayKinds = WeekdayKindsOf(stored, plan.WeekdayKinds);
    const bool uniformWeekPossible = std::all_of(plan.WeekdayKinds.begin(), plan.WeekdayKinds.end(),
                                                 [](uint8_t kind) { return kind == FreeWeekday; });
    ExpectedSection section{firstDay, lastDay, {}, uint32_t(lastDay * MinutesPerDay) & AreaStartMask, {}, {}};
    for (int32_t day = firstDay; day <= lastDay; ++day) {
        const int32_t start = day * MinutesPerDay + stored.DayStart;
        const uint8_t kind = WeeklyAreaKind(plan, day, false, false);
        // The other kind the same writer may have given the day.
        uint8_t other = kind;
        if (kind == Work && stored.IncludeFreeDays()) other = WeeklyAreaKind(plan, day, true, false);
        if (kind == Overtime && uniformWeekPossible) other = WeeklyAreaKind(plan, day, false, true);
        section.DayIndex.append(uint32_t(start) & AreaStartMask);
        section.Areas.append(AreaWord(start, kind, FirstOfDayBit));
        section.Alternatives.append(AreaWord(start, other, FirstOfDayBit));
    }
    return section;
}

// The section against the one a writer makes, in file order.
std::optional<PlanDifference> Compare(const AreaSection& section, const ExpectedSection& expected)
{
    const qsizetype days = section.DayIndex.size(); // as many as the range has
    if (section.FirstMinute != expected.FirstDay * MinutesPerDay)
        return Differs(QStringLiteral("the first-minute word is not the range's first day"), expected.FirstDay);
    for (qsizetype i = 0; i < days; ++i) {
        if (uint32_t(section.DayIndex.at(i)) != expected.DayIndex.at(i))
            return Differs(QStringLiteral("day index entry %1 is not the day's first area").arg(i),
                           expected.FirstDay + int32_t(i));
    }
    if (section.EndWord != expected.EndWord)
        return Differs(QStringLiteral("the end word is not what the writer puts there"), expected.LastDay);
    const qsizetype common = qMin(section.Areas.size(), expected.Areas.size());
    for (qsizetype i = 0; i < common; ++i) {
        const uint32_t word = section.Areas.at(i);
        if (word != expected.Areas.at(i) && word != expected.Alternatives.at(i))
            return Differs(QStringLiteral("area %1 is not the one the writer makes there").arg(i),
                           DayOfArea(expected.Areas.at(i)));
    }
    if (section.Areas.size() < expected.Areas.size())
        return Differs(
            QStringLiteral("the areas end after %1 of %2").arg(section.Areas.size()).arg(expected.Areas.size()),
            DayOfArea(expected.Areas.at(section.Areas.size())));
    if (section.Areas.size() > expected.Areas.size())
        return Differs(
            QStringLiteral("%1 areas more than the writer makes").arg(section.Areas.size() - expected.Areas.size()),
            DayOfArea(section.Areas.at(expected.Areas.size())));
    return std::nullopt;
}

// The older layout: the frame of a section that its writer made.
std::optional<PlanDifference> CheckLegacySection(const AreaSection& section, int32_t firstDay)
{
    const qsizetype days = section.DayIndex.size(); // as many as the range has
    if (section.FirstMinute != firstDay * MinutesPerDay)
        return Differs(QStringLiteral("the first-minute word is not the range's first day"), firstDay);
    if (const auto overlap = FindAreaOverlap(section.Areas))
        return Differs(QStringLiteral("area %1 does not start after the one before").arg(overlap->Index),
                       overlap->Day());
    // Each day's index entry is the start of a first area of a day, in order.
    qsizetype area = 0;
    for (qsizetype i = 0; i < days; ++i) {
        const uint32_t start = uint32_t(section.DayIndex.at(i)) & AreaStartMask;
        while (area < section.Areas.size() && uint32_t(AreaStart(section.Areas.at(area))) < start)
            ++area;
        if (area == section.Areas.size() || uint32_t(AreaStart(section.Areas.at(area))) != start ||
            !(section.Areas.at(area) & FirstOfDayBit))
            return Differs(QStringLiteral("no first area of a day where day index entry %1 points").arg(i),
                           firstDay + int32_t(i));
    }
    const uint32_t last = section.Areas.last();
    if (!(last & FirstOfDayBit) || section.EndWord != (last & AreaStartMask))
        return Differs(QStringLiteral("no final area where the end word points"), DayOfArea(last));
    return std::nullopt;
}

} // namespace

std::optional<PlanDifference> CheckWholePlan(QByteArrayView file)
{
    const DecodedPlan plan = DecodePlan(file);
    if (!plan.Ok()) return Differs(QStringLiteral("not a readable plan: ") + DamageText(plan.Damage));
    const auto section = DecodeAreaSection(file);
    if (!section) return Differs(QStringLiteral("no area section where the plan block puts it"));
    if (section->TrailingBytes) return Differs(QStringLiteral("bytes after the last whole area record"));
    if (section->Areas.isEmpty()) return Differs(QStringLiteral("no area records"));

    // A weekly plan keeps its range in the section alone, as midnights.
    int32_t firstDay = plan.FirstDay;
    int32_t lastDay = plan.LastDay;
    if (plan.Kind == PlanKind::WeeklyPlan) {
        firstDay = DayOfMinute(section->FirstMinute);
        lastDay = DayOfMinute(int32_t(section->EndWord));
        if (section->FirstMinute % MinutesPerDay != 0 || firstDay < 0 || lastDay < firstDay || lastDay > MaxPlanDay)
            return Differs(QStringLiteral("the section holds no range of days"));
    }
    const qsizetype days = qsizetype(lastDay) - firstDay + 1;
    if (section->DayIndex.size() != days)
        return Differs(
            QStringLiteral("the day index holds %1 days, the range %2").arg(section->DayIndex.size()).arg(days),
            firstDay);
    if (plan.Format == PlanFormat::Legacy) return CheckLegacySection(*section, firstDay);
    return Compare(*section, plan.Kind == PlanKind::SchedulePlan ? ScheduleSection(plan)
                                                                 : WeeklySection(plan, firstDay, lastDay));
}

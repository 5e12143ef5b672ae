// Plans as program versions up to 1.04 wrote them: the 20-byte header, the
// 54-byte plan record, the day table from offset 74 and the area section. A
// schedule plan with three rotating shifts, a weekly plan, and a schedule plan
// whose day table holds a slot the old layout does not know.
//
// The area sections are framed as the suite expects (length word, first
// minute, day index, end word, records) so that the plan range service reads
// them. Their records give each working day its work and break areas without
// the allowance windows; the editor rewrites the whole section when a legacy
// plan is first saved.
#include "DemoData.h"

#include "env/Kelbrin.h"
#include "plan/PlanLayout.h"
#include "plan/WorkPlan.h"

#include <QDataStream>
#include <QDir>

#include <array>
#include <vector>

namespace {

struct LegacySlot
{
    int16_t Entry, Exit, BreakFrom, BreakTo;
};

struct LegacyPlan
{
    QString Name;
    bool Schedule = true;
    std::array<LegacySlot, 4> Slots{};
    std::array<int16_t, 4> Tolerances{-1, -1, -1, -1};
    bool IncludeFreeDays = false;
    int32_t DailyNorm = 0;
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    QByteArray DayBytes; // one slot per day, or seven weekday bytes (4 = free day)
};

constexpr uint32_t KindShift = PlanLayout::AreaKindShift;

uint32_t Area(int32_t start, PlanLayout::AreaKind kind, uint32_t flags = 0)
{
    return (uint32_t(start) & PlanLayout::AreaStartMask) | (uint32_t(kind) << KindShift) | flags;
}

// The area records of every day in the range and each day's first start.
void BuildAreas(const LegacyPlan& plan, std::vector<uint32_t>& records, std::vector<int32_t>& dayIndex)
{
    int32_t lastEnd = -1;
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day) {
        const int32_t midnight = day * MinutesPerDay;
        if (!plan.Schedule) {
            const auto weekday = static_cast<uint8_t>(plan.DayBytes.at(WeekdayOf(day)));
            const auto kind = weekday == LegacyLayout::FreeWeekdayByte ? PlanLayout::Overtime : PlanLayout::Work;
            records.push_back(Area(midnight, kind, PlanLayout::FirstOfDayBit));
            dayIndex.push_back(midnight);
            continue;
        }
        const int slot = uint8_t(plan.DayBytes.at(day - plan.FirstDay));
        if (slot == FreeDaySlot) {
            const int32_t start = lastEnd < midnight ? midnight : lastEnd + 1;
            records.push_back(Area(start, PlanLayout::NotCounted, PlanLayout::FirstOfDayBit));
            dayIndex.push_back(start);
            lastEnd = start;
            continue;
        }
        const LegacySlot& s = plan.Slots[slot];
        const int32_t entry = midnight + s.Entry;
        const int32_t exit = midnight + s.Exit + (s.Exit <= s.Entry ? MinutesPerDay : 0);
        records.push_back(Area(entry, PlanLayout::Work, PlanLayout::FirstOfDayBit));
        dayIndex.push_back(entry);
        if (s.BreakFrom != s.BreakTo) {
            const int32_t from = midnight + s.BreakFrom + (s.BreakFrom < s.Entry ? MinutesPerDay : 0);
            const int32_t to = midnight + s.BreakTo + (s.BreakTo < s.Entry ? MinutesPerDay : 0);
            records.push_back(Area(from, PlanLayout::Break));
            records.push_back(Area(to, PlanLayout::Work));
        }
        records.push_back(Area(exit, PlanLayout::NotCounted));
        lastEnd = exit;
    }
    // The final record closes the chain.
    records.back() |= PlanLayout::FirstOfDayBit;
}

QByteArray LegacyFile(const LegacyPlan& plan)
{
    std::vector<uint32_t> records;
    std::vector<int32_t> dayIndex;
    BuildAreas(plan, records, dayIndex);
    const auto count = int32_t(dayIndex.size());
    const int32_t sectionOffset = LegacyLayout::DayTableOffset + int32_t(plan.DayBytes.size());
    const int32_t firstRecord = sectionOffset + count * 4 + 12;

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const int32_t maxBreak = plan.Schedule ? plan.Tolerances[MaxBreakTime] : 0;
    out << firstRecord << int32_t(12) << int32_t(0) << maxBreak
        << (plan.Schedule ? int32_t(0) : plan.DailyNorm - MinutesPerDay);
    out << int32_t(LegacyLayout::RecordSize + plan.DayBytes.size());
    for (const auto field : {&LegacySlot::Entry, &LegacySlot::Exit, &LegacySlot::BreakFrom, &LegacySlot::BreakTo}) {
        for (const LegacySlot& slot : plan.Slots)
            out << slot.*field;
    }
    for (int16_t tolerance : plan.Tolerances)
        out << tolerance;
    const uint8_t flags = (plan.Schedule ? PlanLayout::FlagSchedulePlan : 0) |
                          (plan.IncludeFreeDays ? PlanLayout::FlagIncludeFreeDays : 0);
    out << uint8_t(plan.Schedule ? 1 : 0) << flags;
    out << (plan.Schedule ? plan.FirstDay : 0) << (plan.Schedule ? plan.LastDay : 0);
    out.writeRawData(plan.DayBytes.constData(), int(plan.DayBytes.size()));
    out << count * 4 + 8 << plan.FirstDay * MinutesPerDay;
    for (int32_t start : dayIndex)
        out << start;
    out << int32_t(records.back() & PlanLayout::AreaStartMask);
    for (uint32_t record : records)
        out << record;
    return bytes;
}

// Three shifts rotating weekly, Monday to Friday, weekends free.
QByteArray RotatingDays(int32_t firstDay, int32_t lastDay)
{
    QByteArray days;
    for (int32_t day = firstDay; day <= lastDay; ++day) {
        const int weekday = WeekdayOf(day);
        const int week = (day - firstDay) / 7;
        days.append(char(weekday == 0 || weekday == 6 ? FreeDaySlot : week % 3));
    }
    return days;
}

} // namespace

bool WriteDemoLegacyPlans(const KelbrinLibrary& lib, const QString& dataDir, QString* error)
{
    const QDir plans(QDir(dataDir).filePath(QStringLiteral("PLANY")));
    // 2005-01-03 is a Monday.
    const int32_t first = lib.DateToLong(2005, 1, 3) / MinutesPerDay;
    const int32_t last = lib.DateToLong(2005, 12, 31) / MinutesPerDay;

    LegacyPlan shifts;
    shifts.Name = QStringLiteral("STARY_ZMIANOWY");
    shifts.Slots[0] = {6 * 60, 14 * 60, 10 * 60, 10 * 60 + 15};
    shifts.Slots[1] = {14 * 60, 22 * 60, 18 * 60, 18 * 60 + 15};
    shifts.Slots[2] = {22 * 60, 6 * 60, 2 * 60, 2 * 60 + 15};
    shifts.Slots[3] = {8 * 60, 16 * 60, -1, -1};
    shifts.Tolerances = {15, 120, 30, 15};
    shifts.FirstDay = first;
    shifts.LastDay = last;
    shifts.DayBytes = RotatingDays(first, last);

    LegacyPlan weekly;
    weekly.Name = QStringLiteral("STARY_TYGODNIOWY");
    weekly.Schedule = false;
    weekly.IncludeFreeDays = true;
    weekly.DailyNorm = 8 * 60;
    weekly.FirstDay = first;
    weekly.LastDay = last;
    weekly.DayBytes = QByteArray("\x04\x00\x00\x00\x00\x00\x04", 7);

    // A month whose day table names slot 5, which the old layout did not have.
    LegacyPlan damaged = shifts;
    damaged.Name = QStringLiteral("USZKODZONY");
    damaged.LastDay = first + 27;
    damaged.DayBytes = RotatingDays(first, damaged.LastDay);
    QByteArray damagedBytes = LegacyFile(damaged); // framed as a readable plan, then one day spoilt
    damagedBytes[LegacyLayout::DayTableOffset + 9] = 5;

    return WriteWholeFile(plans.filePath(shifts.Name + QStringLiteral(".PLN")), LegacyFile(shifts), error) &&
           WriteWholeFile(plans.filePath(weekly.Name + QStringLiteral(".PLN")), LegacyFile(weekly), error) &&
           WriteWholeFile(plans.filePath(damaged.Name + QStringLiteral(".PLN")), damagedBytes, error);
}

#include "plan/PlanDecoder.h"

#include "env/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace {

// The checks of a decoding: a part that the file does not hold marks the
// plan truncated at the file's end.
class Decoding
{
public:
    Decoding(QByteArrayView bytes, qint64 fileSize, DecodedPlan& plan)
        : In(bytes.first(qMin<qint64>(bytes.size(), fileSize))), m_plan(plan)
    {
    }

    bool Need(qint64 offset, qint64 width)
    {
        if (In.Has(offset, width)) return true;
        Fail(PlanDamage::Truncated, In.Size());
        return false;
    }
    void Fail(PlanDamage damage, qint64 offset)
    {
        m_plan.Damage = damage;
        m_plan.DamageOffset = offset;
    }

    const ByteReader In;

private:
    DecodedPlan& m_plan;
};

// Where each part lies in one of the two layouts.
struct RecordPlace
{
    int Offset;
    int Size;
    int Entry, Exit, BreakFrom, BreakTo, Tolerances;
    int KindByte, Flags, FirstDay, LastDay;
    int Slots;
    uint8_t HighestDaySlot;
};

constexpr RecordPlace CurrentPlace{PlanLayout::BlockOffset,    PlanLayout::BlockSize,      PlanLayout::EntryTimes,
                                   PlanLayout::ExitTimes,      PlanLayout::BreakFromTimes, PlanLayout::BreakToTimes,
                                   PlanLayout::ToleranceTimes, PlanLayout::KindByte,       PlanLayout::Flags,
                                   PlanLayout::FirstDayField,  PlanLayout::LastDayField,   SlotCount,
                                   uint8_t(SlotCount - 1)};

// The legacy record has no byte of its own for the kind; byte 44 sits where
// the current block keeps it and is taken along unread by the program.
constexpr RecordPlace LegacyPlace{
    LegacyLayout::RecordOffset,   LegacyLayout::RecordSize,     LegacyLayout::EntryTimes,
    LegacyLayout::ExitTimes,      LegacyLayout::BreakFromTimes, LegacyLayout::BreakToTimes,
    LegacyLayout::ToleranceTimes, LegacyLayout::Flags - 1,      LegacyLayout::Flags,
    LegacyLayout::FirstDayField,  LegacyLayout::LastDayField,   LegacyLayout::LegacySlotCount,
    uint8_t(FreeDaySlot)};

constexpr int FormatMarkOffset = PlanLayout::BlockOffset + PlanLayout::FormatMark; // 24

int16_t SlotTime(const ByteReader& in, const RecordPlace& place, int field, int slot)
{
    return in.Int16(place.Offset + field + 2 * slot);
}

// Whether any byte is above highest (at most 0x7F), eight bytes at a time: a
// sound day table is checked at the speed of reading it. Adding 0x80 - 1 -
// highest to a byte sets its top bit exactly when it is above highest; a
// byte with its top bit set already counts by itself.
bool AnyByteAbove(QByteArrayView bytes, uint8_t highest)
{
    const uint64_t add = 0x0101010101010101ULL * uint64_t(0x7F - highest);
    constexpr uint64_t TopBits = 0x8080808080808080ULL;
    const char* in = bytes.data();
    const qsizetype n = bytes.size();
    uint64_t seen = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, in + i, 8);
        seen |= ((word & ~TopBits) + add) | word;
    }
    for (; i < n; ++i)
        seen |= uint8_t(in[i]) > highest ? TopBits : 0;
    return (seen & TopBits) != 0;
}

} // namespace

QString DamageText(PlanDamage damage)
{
    switch (damage) {
    case PlanDamage::None:
        return QStringLiteral("no damage");
    case PlanDamage::ShortFile:
        return QStringLiteral("the file is shorter than 104 bytes");
    case PlanDamage::Truncated:
        return QStringLiteral("the file ends inside the plan record or the day table");
    case PlanDamage::AreaOffsetBeyondEnd:
        return QStringLiteral("header word 0 points beyond the end of the file");
    case PlanDamage::FirstDayNegative:
        return QStringLiteral("the first day of the range is negative");
    case PlanDamage::LastDayTooLate:
        return QStringLiteral("the last day of the range lies beyond day 18500");
    case PlanDamage::LastDayBeforeFirst:
        return QStringLiteral("the last day of the range lies before the first");
    case PlanDamage::BadDayByte:
        return QStringLiteral("a day of the day table has no valid slot");
    }
    return QStringLiteral("unknown damage");
}

PlanProbe ProbePlanBytes(QByteArrayView head)
{
    // Bytes a short file lacks read as zero.
    const ByteReader in(head);
    PlanProbe probe;
    int flagsOffset = LegacyLayout::RecordOffset + LegacyLayout::Flags;
    if (PlanLayout::IsCurrentMark(in.Int32(FormatMarkOffset))) {
        probe.Format = PlanFormat::Current;
        flagsOffset = PlanLayout::BlockOffset + PlanLayout::Flags;
    }
    probe.Kind = (in.Byte(flagsOffset) & PlanLayout::FlagSchedulePlan) ? PlanKind::SchedulePlan : PlanKind::WeeklyPlan;
    return probe;
}

DecodedPlan DecodePlanAs(QByteArrayView bytes, qint64 fileSize, PlanFormat format, PlanKind kind)
{
    DecodedPlan plan;
    plan.Format = format;
    plan.Kind = kind;
    plan.FileSize = fileSize;
    Decoding decoding(bytes, fileSize, plan);
    const ByteReader& in = decoding.In;
    const RecordPlace& place = format == PlanFormat::Current ? CurrentPlace : LegacyPlace;

    if (fileSize < PlanLayout::MinimumFileSize) {
        decoding.Fail(PlanDamage::ShortFile, 0);
        return plan;
    }

    // Header and plan record.
    if (!decoding.Need(0, place.Offset + place.Size)) return plan;
    for (int i = 0; i < 5; ++i)
        plan.Header[i] = in.Int32(4 * i);
    plan.RecordLength = in.Int32(place.Offset);
    plan.FormatMark = in.Int32(FormatMarkOffset);
    for (int slot = 0; slot < place.Slots; ++slot) {
        DaySchedule& schedule = plan.Schedules[slot];
        schedule.Entry = SlotTime(in, place, place.Entry, slot);
        schedule.Exit = SlotTime(in, place, place.Exit, slot);
        schedule.BreakFrom = SlotTime(in, place, place.BreakFrom, slot);
        schedule.BreakTo = SlotTime(in, place, place.BreakTo, slot);
    }
    const int toleranceWords = format == PlanFormat::Current ? SlotCount : LegacyLayout::LegacySlotCount;
    for (int i = 0; i < toleranceWords; ++i)
        plan.Tolerances[i] = SlotTime(in, place, place.Tolerances, i);
    plan.KindByte = in.Byte(place.Offset + place.KindByte);
    plan.Flags = in.Byte(place.Offset + place.Flags);
    plan.FirstDay = in.Int32(place.Offset + place.FirstDay);
    plan.LastDay = in.Int32(place.Offset + place.LastDay);

    if (plan.Header[0] > fileSize) {
        decoding.Fail(PlanDamage::AreaOffsetBeyondEnd, 0);
        return plan;
    }
    if (plan.FirstDay < 0) {
        decoding.Fail(PlanDamage::FirstDayNegative, place.Offset + place.FirstDay);
        return plan;
    }
    if (plan.LastDay > MaxPlanDay) {
        decoding.Fail(PlanDamage::LastDayTooLate, place.Offset + place.LastDay);
        return plan;
    }
    if (plan.LastDay < plan.FirstDay) {
        decoding.Fail(PlanDamage::LastDayBeforeFirst, place.Offset + place.LastDay);
        return plan;
    }

    qint64 offset = place.Offset + place.Size;
    if (format == PlanFormat::Current && PlanLayout::HasStartOfDayWord(plan.FormatMark)) {
        if (!decoding.Need(offset, 4)) return plan;
        plan.HasDayStart = true;
        plan.DayStart = in.Int32(offset);
        offset += 4;
    }

    // The day table, taken as the readers take it: day by day up to the first
    // slot byte out of range or the end of the file, whichever comes first.
    // The range is checked above, so a schedule plan's table holds at most
    // 18501 bytes, and nothing is kept beyond what the file holds.
    plan.DayTableStarted = true;
    plan.DayTableOffset = offset;
    const qint64 count = kind == PlanKind::SchedulePlan ? qint64(plan.LastDay) - plan.FirstDay + 1 : 7;
    const QByteArrayView table = in.Bytes(offset, count);
    const qint64 present = table.size();
    qint64 good = present;
    if (kind == PlanKind::SchedulePlan && AnyByteAbove(table, place.HighestDaySlot)) {
        const auto bad = std::find_if(table.begin(), table.end(),
                                      [&](char c) { return static_cast<uint8_t>(c) > place.HighestDaySlot; });
        good = bad - table.begin();
    }
    plan.DayBytes = table.first(good).toByteArray();
    if (good < present) {
        decoding.Fail(PlanDamage::BadDayByte, offset + good);
        return plan;
    }
    if (!decoding.Need(offset, count)) return plan;
    offset += count;
    plan.AreaSectionOffset = offset;
    return plan;
}

DecodedPlan DecodePlan(QByteArrayView file)
{
    const PlanProbe probe = ProbePlanBytes(file);
    return DecodePlanAs(file, file.size(), probe.Format, probe.Kind);
}

std::array<uint8_t, 7> WeekdayKindsOf(const DecodedPlan& plan, std::array<uint8_t, 7> before)
{
    const qsizetype count = qMin<qsizetype>(plan.DayBytes.size(), 7);
    for (qsizetype day = 0; day < count; ++day) {
        const auto stored = static_cast<uint8_t>(plan.DayBytes.at(day));
        if (plan.Format == PlanFormat::Legacy)
            before[day] = stored == LegacyLayout::FreeWeekdayByte ? FreeWeekday : WorkingWeekday;
        else
            before[day] = stored;
    }
    return before;
}

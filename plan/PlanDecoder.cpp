#include "plan/PlanDecoder.h"

#include <algorithm>

#include <QtEndian>

namespace {

// Checked little-endian reads over the bytes at hand. A read that does not fit
// marks the decoding truncated at its offset and gives 0.
class ByteReader
{
public:
    ByteReader(QByteArrayView bytes, qint64 fileSize, DecodedPlan& plan)
        : m_bytes(bytes), m_available(qMin<qint64>(bytes.size(), fileSize)), m_plan(plan)
    {
    }

    bool Has(qint64 offset, qint64 width) const { return offset >= 0 && width <= m_available - offset; }

    // Marks the plan truncated, at the end of the file, unless [offset, offset
    // + width) lies in the file.
    bool Need(qint64 offset, qint64 width)
    {
        if (Has(offset, width)) return true;
        Fail(PlanDamage::Truncated, m_available);
        return false;
    }

    int32_t Int32(qint64 offset) const { return qFromLittleEndian<qint32>(m_bytes.data() + offset); }
    int16_t Int16(qint64 offset) const { return qFromLittleEndian<qint16>(m_bytes.data() + offset); }
    uint8_t Byte(qint64 offset) const { return static_cast<uint8_t>(m_bytes.at(offset)); }
    // The bytes [offset, offset + width), which must lie in the file.
    QByteArrayView Bytes(qint64 offset, qint64 width) const { return m_bytes.sliced(offset, width); }
    qint64 Available() const { return m_available; }

    void Fail(PlanDamage damage, qint64 offset)
    {
        m_plan.Damage = damage;
        m_plan.DamageOffset = offset;
    }

private:
    QByteArrayView m_bytes;
    qint64 m_available;
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

int16_t slotTime(const ByteReader& in, const RecordPlace& place, int field, int slot)
{
    return in.Int16(place.Offset + field + 2 * slot);
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
    const auto byteAt = [&](qint64 offset) -> uint8_t {
        return offset < head.size() ? static_cast<uint8_t>(head.at(offset)) : 0;
    };
    int32_t mark = 0;
    for (int i = 3; i >= 0; --i)
        mark = int32_t(uint32_t(mark) << 8 | byteAt(FormatMarkOffset + i));
    PlanProbe probe;
    int flagsOffset = LegacyLayout::RecordOffset + LegacyLayout::Flags;
    if (PlanLayout::IsCurrentMark(mark)) {
        probe.Format = PlanFormat::Current;
        flagsOffset = PlanLayout::BlockOffset + PlanLayout::Flags;
    }
    probe.Kind = (byteAt(flagsOffset) & PlanLayout::FlagSchedulePlan) ? PlanKind::SchedulePlan : PlanKind::WeeklyPlan;
    return probe;
}

DecodedPlan DecodePlanAs(QByteArrayView bytes, qint64 fileSize, PlanFormat format, PlanKind kind)
{
    DecodedPlan plan;
    plan.Format = format;
    plan.Kind = kind;
    plan.FileSize = fileSize;
    ByteReader in(bytes, fileSize, plan);
    const RecordPlace& place = format == PlanFormat::Current ? CurrentPlace : LegacyPlace;

    if (fileSize < PlanLayout::MinimumFileSize) {
        in.Fail(PlanDamage::ShortFile, 0);
        return plan;
    }

    // Header and plan record.
    if (!in.Need(0, place.Offset + place.Size)) return plan;
    for (int i = 0; i < 5; ++i)
        plan.Header[i] = in.Int32(4 * i);
    plan.RecordLength = in.Int32(place.Offset);
    plan.FormatMark = in.Int32(FormatMarkOffset);
    for (int slot = 0; slot < place.Slots; ++slot) {
        DaySchedule& schedule = plan.Schedules[slot];
        schedule.Entry = slotTime(in, place, place.Entry, slot);
        schedule.Exit = slotTime(in, place, place.Exit, slot);
        schedule.BreakFrom = slotTime(in, place, place.BreakFrom, slot);
        schedule.BreakTo = slotTime(in, place, place.BreakTo, slot);
    }
    const int toleranceWords = format == PlanFormat::Current ? SlotCount : LegacyLayout::LegacySlotCount;
    for (int i = 0; i < toleranceWords; ++i)
        plan.Tolerances[i] = slotTime(in, place, place.Tolerances, i);
    plan.KindByte = in.Byte(place.Offset + place.KindByte);
    plan.Flags = in.Byte(place.Offset + place.Flags);
    plan.FirstDay = in.Int32(place.Offset + place.FirstDay);
    plan.LastDay = in.Int32(place.Offset + place.LastDay);

    if (plan.Header[0] > fileSize) {
        in.Fail(PlanDamage::AreaOffsetBeyondEnd, 0);
        return plan;
    }
    if (plan.FirstDay < 0) {
        in.Fail(PlanDamage::FirstDayNegative, place.Offset + place.FirstDay);
        return plan;
    }
    if (plan.LastDay > MaxPlanDay) {
        in.Fail(PlanDamage::LastDayTooLate, place.Offset + place.LastDay);
        return plan;
    }
    if (plan.LastDay < plan.FirstDay) {
        in.Fail(PlanDamage::LastDayBeforeFirst, place.Offset + place.LastDay);
        return plan;
    }

    qint64 offset = place.Offset + place.Size;
    if (format == PlanFormat::Current && PlanLayout::HasStartOfDayWord(plan.FormatMark)) {
        if (!in.Need(offset, 4)) return plan;
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
    const qint64 present = in.Has(offset, 0) ? qMin(count, in.Available() - offset) : 0;
    const QByteArrayView table = present > 0 ? in.Bytes(offset, present) : QByteArrayView();
    qint64 good = present;
    if (kind == PlanKind::SchedulePlan) {
        const auto bad = std::find_if(table.begin(), table.end(),
                                      [&](char c) { return static_cast<uint8_t>(c) > place.HighestDaySlot; });
        good = bad - table.begin();
    }
    plan.DayBytes = table.first(good).toByteArray();
    if (good < present) {
        in.Fail(PlanDamage::BadDayByte, offset + good);
        return plan;
    }
    if (!in.Need(offset, count)) return plan;
    offset += count;
    plan.AreaSectionOffset = offset;
    return plan;
}

DecodedPlan DecodePlan(QByteArrayView file)
{
    const PlanProbe probe = ProbePlanBytes(file);
    return DecodePlanAs(file, file.size(), probe.Format, probe.Kind);
}

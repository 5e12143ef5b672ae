// Plan files for the tests, laid out byte by byte from readable values: the
// 20-byte header, the 88-byte block (or the 54-byte record of the old layout),
// the start-of-day word when the mark asks for it, the day table and an area
// section with one work record per day of the area range.
#pragma once

#include "TestSupport.h"

#include <QByteArray>

#include <array>
#include <cstdint>

struct StoredSlot
{
    int16_t Entry = -1, Exit = -1, BreakFrom = -1, BreakTo = -1;
};

struct PlanFile
{
    bool Legacy = false;
    std::array<int32_t, 5> Header{0, 12, 0, 0, 0};
    bool AutoAreaOffset = true; // header word 0 = offset of the first area record
    int32_t Mark = -88;         // current layout only
    std::array<StoredSlot, 7> Slots{};
    std::array<int16_t, 7> Tolerances{};
    uint8_t KindByte = 1;
    uint8_t Flags = 1;
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    int32_t DayStart = 0; // written when |Mark| = 88
    QByteArray DayBytes;
    int32_t AreaFirstDay = 0; // the range the area section covers
    int32_t AreaLastDay = 0;
    qsizetype MinimumSize = 104;

    QByteArray Build() const
    {
        QByteArray bytes;
        for (int32_t word : Header)
            AppendInt32(bytes, word);
        const int slotCount = Legacy ? 4 : 7;
        AppendInt32(bytes, int32_t((Legacy ? 54 : 88) + DayBytes.size()));
        if (!Legacy) AppendInt32(bytes, Mark);
        for (int slot = 0; slot < slotCount; ++slot)
            AppendInt16(bytes, Slots[slot].Entry);
        for (int slot = 0; slot < slotCount; ++slot)
            AppendInt16(bytes, Slots[slot].Exit);
        for (int slot = 0; slot < slotCount; ++slot)
            AppendInt16(bytes, Slots[slot].BreakFrom);
        for (int slot = 0; slot < slotCount; ++slot)
            AppendInt16(bytes, Slots[slot].BreakTo);
        for (int i = 0; i < slotCount; ++i)
            AppendInt16(bytes, Tolerances[i]);
        AppendByte(bytes, KindByte);
        AppendByte(bytes, Flags);
        AppendInt32(bytes, FirstDay);
        AppendInt32(bytes, LastDay);
        if (!Legacy && (Mark == 88 || Mark == -88)) AppendInt32(bytes, DayStart);
        bytes += DayBytes;

        const int32_t count = qMax(1, AreaLastDay - AreaFirstDay + 1);
        AppendInt32(bytes, count * 4 + 8);
        AppendInt32(bytes, AreaFirstDay * 1440);
        const qsizetype firstRecord = bytes.size() + count * 4 + 4;
        for (int32_t i = 0; i < count; ++i)
            AppendInt32(bytes, (AreaFirstDay + i) * 1440);
        AppendInt32(bytes, AreaLastDay * 1440);
        for (int32_t i = 0; i < count; ++i)
            AppendInt32(bytes, int32_t(uint32_t((AreaFirstDay + i) * 1440) | 0x20000000u | (2u << 26)));
        // Files shorter than 104 bytes are refused before anything else is
        // looked at; small plans get further not-counted records.
        for (int32_t minute = (AreaLastDay + 1) * 1440; bytes.size() < MinimumSize; ++minute)
            AppendInt32(bytes, int32_t(uint32_t(minute)));
        if (AutoAreaOffset) {
            QByteArray word;
            AppendInt32(word, int32_t(firstRecord));
            bytes.replace(0, 4, word);
        }
        return bytes;
    }
};

// A schedule plan over first..last; days holds one slot digit per day ("0124...").
inline PlanFile SchedulePlanFile(int32_t first, int32_t last, const QByteArray& days, bool legacy = false)
{
    PlanFile plan;
    plan.Legacy = legacy;
    plan.FirstDay = plan.AreaFirstDay = first;
    plan.LastDay = plan.AreaLastDay = last;
    for (char digit : days)
        plan.DayBytes.append(char(digit - '0'));
    return plan;
}

// A weekly plan over first..last (kept in the area section only) with the
// seven weekday bytes given, Sunday first.
inline PlanFile WeeklyPlanFile(int32_t first, int32_t last, const std::array<uint8_t, 7>& weekdays, bool legacy = false)
{
    PlanFile plan;
    plan.Legacy = legacy;
    plan.KindByte = 0;
    plan.Flags = 0;
    plan.AreaFirstDay = first;
    plan.AreaLastDay = last;
    for (uint8_t day : weekdays)
        plan.DayBytes.append(char(day));
    return plan;
}

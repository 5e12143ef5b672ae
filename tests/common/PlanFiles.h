// Plan files for the tests, laid out byte by byte from readable values: the
// 20-byte header, the 88-byte block (or the 54-byte record of the old layout),
// the start-of-day word when the mark asks for it, the day table and the area
// section.
#pragma once

#include "TestSupport.h"

#include "plan/AreaChain.h"

#include <QStringList>

#include <array>

struct StoredSlot
{
    int16_t Entry = -1, Exit = -1, BreakFrom = -1, BreakTo = -1;
};

struct PlanFile
{
    bool Legacy = false;
    std::array<int32_t, 5> Header{0, 12, 0, 0, 0}; // word 0 is set to the offset of the first area record
    int32_t Mark = -88;                            // current layout only
    std::array<StoredSlot, 7> Slots{};
    std::array<int16_t, 7> Tolerances{};
    uint8_t KindByte = 1, Flags = 1;
    int32_t FirstDay = 0, LastDay = 0;
    int32_t DayStart = 0; // written when |Mark| = 88
    QByteArray DayBytes;
    // The area section covers AreaFirstDay..AreaLastDay. Left empty, the day
    // index holds each day's midnight, the records are one work record a day
    // there and the end word is the last day's midnight.
    int32_t AreaFirstDay = 0, AreaLastDay = 0;
    QVector<uint32_t> Index, Areas;
    int32_t EndWord = -1;

    QByteArray Build() const
    {
        QByteArray bytes;
        for (int32_t word : Header)
            AppendInt32(bytes, word);
        const int slotCount = Legacy ? 4 : 7;
        AppendInt32(bytes, int32_t((Legacy ? 54 : 88) + DayBytes.size()));
        if (!Legacy) AppendInt32(bytes, Mark);
        for (auto time : {&StoredSlot::Entry, &StoredSlot::Exit, &StoredSlot::BreakFrom, &StoredSlot::BreakTo}) {
            for (int slot = 0; slot < slotCount; ++slot)
                AppendInt16(bytes, Slots[slot].*time);
        }
        for (int i = 0; i < slotCount; ++i)
            AppendInt16(bytes, Tolerances[i]);
        bytes.append(char(KindByte));
        bytes.append(char(Flags));
        AppendInt32(bytes, FirstDay);
        AppendInt32(bytes, LastDay);
        if (!Legacy && (Mark == 88 || Mark == -88)) AppendInt32(bytes, DayStart);
        bytes += DayBytes;

        const int32_t count = qMax(1, AreaLastDay - AreaFirstDay + 1);
        AppendInt32(bytes, count * 4 + 8);
        AppendInt32(bytes, AreaFirstDay * 1440);
        for (int32_t i = 0; i < count; ++i)
            AppendInt32(bytes, Index.isEmpty() ? (AreaFirstDay + i) * 1440 : int32_t(Index.at(i)));
        AppendInt32(bytes, EndWord >= 0 ? EndWord : AreaLastDay * 1440);
        const QByteArray firstRecord = Word(bytes.size());
        for (int32_t i = 0; i < (Areas.isEmpty() ? count : Areas.size()); ++i)
            AppendInt32(bytes,
                        int32_t(Areas.isEmpty() ? AreaWord((AreaFirstDay + i) * 1440, 2, 0x20000000) : Areas[i]));
        return bytes.replace(0, 4, firstRecord);
    }
    static QByteArray Word(qsizetype value)
    {
        QByteArray bytes;
        AppendInt32(bytes, int32_t(value));
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
    plan.KindByte = plan.Flags = 0;
    plan.AreaFirstDay = first;
    plan.AreaLastDay = last;
    plan.DayBytes = QByteArray(reinterpret_cast<const char*>(weekdays.data()), 7);
    return plan;
}

// The bytes with the 32-bit word at offset replaced, after cutting them to size.
inline QByteArray Patched(QByteArray bytes, qsizetype offset, int32_t value, qsizetype size = -1)
{
    if (size >= 0) bytes.resize(size);
    return bytes.replace(offset, 4, PlanFile::Word(value));
}

// Area records written "DAY hh:mm KIND": DAY counted from firstDay, KIND one of
// N (not counted), P (private stay), W (work), B (break), O (overtime),
// followed by '*' for a day's first record (and the final one) and '+' for work
// after an earlier-entry window. Without a KIND, the minute count alone (a
// day index).
inline QVector<uint32_t> AreaWords(const QString& text, int32_t firstDay)
{
    QVector<uint32_t> words;
    for (const QString& item : text.split(u", "_s, Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u' ');
        const int32_t minute =
            (firstDay + parts.at(0).toInt()) * 1440 + parts.at(1).left(2).toInt() * 60 + parts.at(1).mid(3).toInt();
        const QString kind = parts.value(2);
        const uint32_t flags = (kind.contains(u'*') ? 0x20000000u : 0u) | (kind.contains(u'+') ? 0x40000000u : 0u);
        words.append(kind.isEmpty() ? uint32_t(minute)
                                    : AreaWord(minute, uint8_t(u"NPWBO"_s.indexOf(kind.at(0))), flags));
    }
    return words;
}

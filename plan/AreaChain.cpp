#include "plan/AreaChain.h"

#include "env/LittleEndian.h"
#include "env/Prompt.h"
#include "plan/TimeText.h"

using namespace PlanLayout;

namespace {

bool IsFreeDaySlot(int32_t slot)
{
    return slot == FreeDaySlot || slot < 0 || slot >= SlotCount;
}

} // namespace

namespace {

// The records of a working day of one slot, as minutes after the day's
// midnight with their kind and flags: every working day of the slot has
// them, moved by its midnight.
struct DayPattern
{
    bool Free = true;
    int32_t Count = 0;
    int32_t WindowStart = 0; // Entry less the earlier entry, whether or not that makes a window
    int32_t FirstStart = 0;  // of the day's first record
    int32_t Closing = 0;
    std::array<int32_t, MaxAreasPerDay> Starts{};
    std::array<uint32_t, MaxAreasPerDay> Bits{};

    void Add(int32_t start, uint8_t kind, uint32_t flags = 0)
    {
        Starts[size_t(Count)] = start;
        Bits[size_t(Count)] = AreaWord(0, kind, flags);
        ++Count;
    }
};

DayPattern PatternOf(const AreaChainInput& input, int32_t slot)
{
    DayPattern p;
    if (IsFreeDaySlot(slot)) return p;
    const AreaSchedule& s = input.Schedules[size_t(slot)];
    p.Free = false;
    const int32_t windowStart = s.Entry - input.EarlierEntry;
    const int32_t workEnd = s.Exit;
    const int32_t overtimeEnd = workEnd + input.MaxOvertime;
    p.Closing = overtimeEnd + input.LaterExit;
    p.WindowStart = p.FirstStart = windowStart;
    uint32_t workFlag = FirstOfDayBit;
    if (windowStart < s.Entry) {
        p.Add(windowStart, PrivateStay, FirstOfDayBit);
        workFlag = AfterEarlyEntryBit;
    } else {
        p.FirstStart = s.Entry;
    }
    p.Add(s.Entry, Work, workFlag);
    if (s.BreakFrom < s.BreakTo) {
        p.Add(s.BreakFrom, Break);
        p.Add(s.BreakTo, Work);
    }
    if (workEnd < overtimeEnd) p.Add(workEnd, Overtime);
    if (overtimeEnd < p.Closing) p.Add(overtimeEnd, PrivateStay);
    p.Add(p.Closing, NotCounted);
    return p;
}

} // namespace

qsizetype ExpandSchedulePlanInto(const AreaChainInput& input, uint32_t* areas, uint32_t* dayIndex)
{
    const int32_t dayCount = input.LastDay >= input.FirstDay ? input.LastDay - input.FirstDay + 1 : 0;
    std::array<DayPattern, SlotCount> patterns;
    for (int32_t slot = 0; slot < SlotCount; ++slot)
        patterns[size_t(slot)] = PatternOf(input, slot);
    const DayPattern freeDay;
    const int32_t* const daySlots = input.Slots.constData();
    const int32_t slotCount = int32_t(input.Slots.size());

    uint32_t* out = areas;
    int32_t lastEnd = -1;
    for (int32_t i = 0; i < dayCount; ++i) {
        const int32_t t = (input.FirstDay + i) * MinutesPerDay;
        const int32_t slot = i < slotCount ? daySlots[i] : 0;
        const DayPattern& p = slot >= 0 && slot < SlotCount ? patterns[size_t(slot)] : freeDay;
        if (p.Free) {
            const int32_t start = lastEnd < t ? t : lastEnd + 1;
            *out++ = AreaWord(start, NotCounted, FirstOfDayBit);
            dayIndex[i] = uint32_t(start) & AreaStartMask;
            lastEnd = start;
            continue;
        }
        // The window reaches back to the previous day's last record: this day
        // takes its place (an earlier record it reaches shows up as an overlap).
        if (lastEnd >= t + p.WindowStart && out != areas) --out;
        dayIndex[i] = uint32_t(t + p.FirstStart) & AreaStartMask;
        // All the pattern's places are written, the unused ones to be written
        // over by the next day: a loop of fixed length the compiler unrolls.
        for (size_t k = 0; k < MaxAreasPerDay; ++k)
            out[k] = (uint32_t(t + p.Starts[k]) & AreaStartMask) | p.Bits[k];
        out += p.Count;
        lastEnd = t + p.Closing;
    }
    // The final record closes the chain: not counted, marked like a day's first.
    if (out != areas) out[-1] = AreaWord(lastEnd, NotCounted, FirstOfDayBit);
    return out - areas;
}

AreaChain ExpandSchedulePlan(const AreaChainInput& input)
{
    AreaChain chain;
    const int32_t dayCount = input.LastDay >= input.FirstDay ? input.LastDay - input.FirstDay + 1 : 0;
    chain.DayIndex.resize(dayCount);
    chain.Areas.resize(qsizetype(dayCount) * MaxAreasPerDay);
    chain.Areas.resize(ExpandSchedulePlanInto(input, chain.Areas.data(), chain.DayIndex.data()));
    return chain;
}

QString AreaKindLabel(uint8_t kind)
{
    switch (kind) {
    case NotCounted:
        return QStringLiteral(" nie rozliczany ");
    case PrivateStay:
        return QStringLiteral(" przebywania prywatnego ");
    case Work:
        return QStringLiteral(" pracy ");
    case Break:
        return QStringLiteral(" przerwy ");
    case Overtime:
        return QStringLiteral(" nadgodzin ");
    default:
        return {};
    }
}

std::optional<AreaOverlap> FindAreaOverlap(std::span<const uint32_t> areas, int32_t previousStart)
{
    if (areas.empty()) return std::nullopt;
    // A chain that is saved rises throughout: test that without stopping
    // early, which the compiler turns into vector code, and look for the
    // place only when it does not.
    uint32_t falls = AreaStart(areas[0]) <= previousStart;
    const uint32_t* const words = areas.data();
    for (size_t i = 1; i < areas.size(); ++i)
        falls |= uint32_t((words[i] & AreaStartMask) <= (words[i - 1] & AreaStartMask));
    if (!falls) return std::nullopt;
    int32_t previous = previousStart;
    for (size_t i = 0; i < areas.size(); ++i) {
        const int32_t start = AreaStart(areas[i]);
        if (start <= previous) return AreaOverlap{qsizetype(i), areas[i]};
        previous = start;
    }
    return std::nullopt;
}

QString AreaOverlapMessage(const KelbrinLibrary& lib, uint32_t word)
{
    const int32_t start = AreaStart(word);
    return QStringLiteral("Zapis planu niemożliwy.") + Cr + QStringLiteral("Obszar") + AreaKindLabel(AreaKindOf(word)) +
           QStringLiteral("zaczynający się w dniu ") + DataNaTekst(lib, start) + QStringLiteral(" o godzinie ") +
           MinutyNaGodzine(start) + QStringLiteral(" nakłada się na poprzednie obszary.");
}

namespace {

std::optional<int32_t> Int32At(const ByteReader& in, qsizetype offset)
{
    if (!in.Has(offset, 4)) return std::nullopt;
    return in.Int32(offset);
}

std::optional<qsizetype> SectionOffset(const ByteReader& in)
{
    const auto mark = Int32At(in, BlockOffset + FormatMark);
    if (!mark) return std::nullopt;
    if (IsCurrentMark(*mark)) {
        const auto blockLength = Int32At(in, BlockOffset + BlockLength);
        if (!blockLength || *blockLength < BlockSize || *blockLength > BlockSize + MaxPlanDay + 1) return std::nullopt;
        const qsizetype dayTable = BlockEnd + (HasStartOfDayWord(*mark) ? 4 : 0);
        return dayTable + (*blockLength - BlockSize);
    }
    if (!in.Has(LegacyLayout::RecordOffset + LegacyLayout::Flags, 1)) return std::nullopt;
    if ((in.Byte(LegacyLayout::RecordOffset + LegacyLayout::Flags) & FlagSchedulePlan) == 0)
        return LegacyLayout::DayTableOffset + 7;
    const auto first = Int32At(in, LegacyLayout::RecordOffset + LegacyLayout::FirstDayField);
    const auto last = Int32At(in, LegacyLayout::RecordOffset + LegacyLayout::LastDayField);
    if (!first || !last || *first < 0 || *last > MaxPlanDay || *last < *first) return std::nullopt;
    return LegacyLayout::DayTableOffset + (qsizetype(*last) - *first + 1);
}

} // namespace

std::optional<AreaSection> DecodeAreaSection(QByteArrayView file)
{
    const ByteReader in(file);
    const auto firstArea = Int32At(in, 0);
    const auto offset = SectionOffset(in);
    if (!firstArea || !offset) return std::nullopt;
    const auto length = Int32At(in, *offset);
    const auto firstMinute = Int32At(in, *offset + 4);
    if (!length || !firstMinute || *length < 12 || (*length - 8) % 4 != 0) return std::nullopt;
    const qsizetype endWord = *offset + *length;
    // The section must end where header word 0 puts the first record; this
    // also bounds the day index by the file's size before anything is read.
    if (endWord + 4 != *firstArea || *firstArea > file.size()) return std::nullopt;
    AreaSection section;
    section.Offset = *offset;
    section.FirstMinute = *firstMinute;
    const qsizetype days = (*length - 8) / 4;
    section.DayIndex.resize(days);
    for (qsizetype i = 0; i < days; ++i)
        section.DayIndex[i] = in.Int32(*offset + 8 + i * 4);
    section.EndWord = in.Word(endWord) & AreaStartMask;
    section.FirstAreaOffset = *firstArea;
    const qsizetype areaBytes = file.size() - *firstArea;
    section.Areas = in.Words(*firstArea, areaBytes / 4);
    section.TrailingBytes = areaBytes % 4 != 0;
    return section;
}

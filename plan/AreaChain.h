// The plan expanded into a chain of typed areas of time, as the attendance
// system reads it from a plan file's area section, and the check that the
// areas follow one another. Values in, values out: no files, no messages.
//
// An area record is one 32-bit word: bits 0-25 its start as a minute count,
// bits 26-28 its kind, bit 29 the first record of a day (and the final
// record), bit 30 a work start that follows an earlier-entry window. An area
// runs from its start to the start of the next record.
#pragma once

#include "plan/PlanLayout.h"
#include "plan/WorkPlan.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <optional>
#include <span>

class KelbrinLibrary;

constexpr uint32_t AreaWord(int32_t start, uint8_t kind, uint32_t flags = 0)
{
    return (uint32_t(start) & PlanLayout::AreaStartMask) |
           (uint32_t(kind & PlanLayout::AreaKindMask) << PlanLayout::AreaKindShift) | flags;
}
constexpr int32_t AreaStart(uint32_t word)
{
    return int32_t(word & PlanLayout::AreaStartMask);
}
constexpr uint8_t AreaKindOf(uint32_t word)
{
    return uint8_t((word >> PlanLayout::AreaKindShift) & PlanLayout::AreaKindMask);
}

// One schedule as the expansion uses it: minutes after the day's midnight,
// already normalised so that Exit and the break lie after Entry (they may
// reach into the next day, up to 2879); -1 = empty.
struct AreaSchedule
{
    int32_t Entry = -1;
    int32_t Exit = -1;
    int32_t BreakFrom = -1;
    int32_t BreakTo = -1;
};

struct AreaChainInput
{
    std::array<AreaSchedule, SlotCount> Schedules{};
    // The allowances in minutes as their fields hold them, -1 when empty. An
    // empty allowance takes part in the sums with that value.
    int32_t EarlierEntry = -1; // how much earlier than Entry an entry counts
    int32_t MaxOvertime = -1;  // overtime after Exit
    int32_t LaterExit = -1;    // private stay after the overtime
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    // The slot of each day from FirstDay on (DayTable::Slots()). A day the
    // table does not reach counts as slot 0; a slot outside 0..6 as the free day.
    QVector<int32_t> Slots;
};

struct AreaChain
{
    QVector<uint32_t> Areas;    // the records in order; the final one carries bit 29
    QVector<uint32_t> DayIndex; // for each day, the start minute of its first record
    // The end word of the section: the start of the final record.
    uint32_t EndWord() const { return Areas.isEmpty() ? 0 : Areas.back() & PlanLayout::AreaStartMask; }
};

// Expands every day of a schedule plan into its areas. A working day gives,
// in order: the earlier-entry window (private stay) when there is one, work,
// the break and work again when the break is not empty, overtime, private stay
// for the later exit, and a closing "not counted" record. A day whose window
// starts at or before the previous day's last record replaces that record. A
// free day is one "not counted" record at its midnight, or one minute after
// the previous record when that lies at or after the midnight.
AreaChain ExpandSchedulePlan(const AreaChainInput& input);

// The most records one day expands into.
constexpr size_t MaxAreasPerDay = 7;

// The same into the caller's memory: areas with room for MaxAreasPerDay
// records a day (all of it may be written), dayIndex for one word a day. The
// number of records of the chain.
qsizetype ExpandSchedulePlanInto(const AreaChainInput& input, uint32_t* areas, uint32_t* dayIndex);

// The label of an area kind inside messages (" pracy " and so on); empty for
// a kind the system does not use.
QString AreaKindLabel(uint8_t kind);

// The first record whose start does not lie after the start of the record
// before it (the first record is compared with previousStart; a chain read in
// pieces passes the last start of the piece before).
struct AreaOverlap
{
    qsizetype Index = 0;
    uint32_t Word = 0;
    int32_t Start() const { return AreaStart(Word); }
    // The day the calendar moves to and flashes.
    int32_t Day() const { return Start() / MinutesPerDay; }
};
std::optional<AreaOverlap> FindAreaOverlap(std::span<const uint32_t> areas, int32_t previousStart = -1);

// "Zapis planu niemożliwy." and the area's kind, date and time.
QString AreaOverlapMessage(const KelbrinLibrary& lib, uint32_t word);

// The area section of a plan file, located through the plan block (either
// file layout). Nothing when the file is too short for what its block says,
// or when the section does not end where header word 0 puts the first record.
struct AreaSection
{
    qsizetype Offset = 0; // of the section's length word
    int32_t FirstMinute = 0;
    QVector<int32_t> DayIndex;
    uint32_t EndWord = 0;
    qsizetype FirstAreaOffset = 0;
    QVector<uint32_t> Areas;    // whole words from FirstAreaOffset to the end of the file
    bool TrailingBytes = false; // a part word after the last whole one
};
std::optional<AreaSection> DecodeAreaSection(QByteArrayView file);

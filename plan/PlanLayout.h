// Byte layout of a .PLN file. All integers little-endian, no padding.
//
//   0   header: 5 x int32 — [0] offset of the first area record (-1 while a
//       save is unfinished), [1] 12, [2] 0, [3] maximum break time
//       (schedule plans) or 0, [4] DailyNorm - 1440 (weekly plans) or 0
//   20  plan block, 88 bytes (offsets below relative to it):
//         0 int32 88 + number of day-table bytes
//         4 int32 format mark (written -88)
//         8 7 x int16 Entry, 22 Exit, 36 BreakFrom, 50 BreakTo, 64 Tolerances (4 used)
//        78 byte 1 (schedule) / 0 (weekly), 79 flags, 80 int32 FirstDay, 84 int32 LastDay
//   108 start-of-day word (int32), only when |mark| = 88
//   then the day table: one byte per day (schedule plan) or 7 weekday bytes (weekly)
//   then the area section: int32 length (days * 4 + 8), int32 first minute,
//        days x int32 day index, int32 end word, area records to the end of the file
//
// The older layout (program versions up to 1.04) has a 54-byte plan record
// at offset 20 and its day table at offset 74; see LegacyLayout below.
#pragma once

#include <QtGlobal>

#include <cstdint>

namespace PlanLayout {

constexpr int HeaderSize = 20;
constexpr int BlockOffset = 20;
constexpr int BlockSize = 88;
constexpr int BlockEnd = BlockOffset + BlockSize; // 108
constexpr int StartOfDayOffset = 108;
constexpr int MinimumFileSize = 104; // shorter files are never opened
// Header, block, 18501 day bytes, the day index and eight areas a day come to
// well under this; a larger file is no plan.
constexpr qint64 MaxPlanFileSize = 16 * 1024 * 1024;

// Offsets within the plan block.
constexpr int BlockLength = 0;
constexpr int FormatMark = 4;
constexpr int EntryTimes = 8;
constexpr int ExitTimes = 22;
constexpr int BreakFromTimes = 36;
constexpr int BreakToTimes = 50;
constexpr int ToleranceTimes = 64;
constexpr int KindByte = 78;
constexpr int Flags = 79;
constexpr int FirstDayField = 80;
constexpr int LastDayField = 84;

constexpr int32_t WrittenMark = -88;
constexpr uint8_t FlagSchedulePlan = 0x01;
constexpr uint8_t FlagIncludeFreeDays = 0x02;

// A file is in the current layout when its mark is one of these.
constexpr bool IsCurrentMark(int32_t mark)
{
    return mark == 84 || mark == -84 || mark == 88 || mark == -88;
}
constexpr bool HasStartOfDayWord(int32_t mark)
{
    return mark == 88 || mark == -88;
}

// Area records.
constexpr uint32_t AreaStartMask = 0x3ffffff;
constexpr int AreaKindShift = 26;
constexpr uint32_t AreaKindMask = 0x7;
constexpr uint32_t FirstOfDayBit = 0x20000000;
constexpr uint32_t AfterEarlyEntryBit = 0x40000000;

enum AreaKind : uint8_t { NotCounted = 0, PrivateStay = 1, Work = 2, Break = 3, Overtime = 4 };

} // namespace PlanLayout

namespace LegacyLayout {

constexpr int RecordOffset = 20;
constexpr int RecordSize = 54;
constexpr int DayTableOffset = 74;
// Offsets within the legacy record.
constexpr int EntryTimes = 4; // 4 x int16, slots 0..3
constexpr int ExitTimes = 12;
constexpr int BreakFromTimes = 20;
constexpr int BreakToTimes = 28;
constexpr int ToleranceTimes = 36;
constexpr int Flags = 45;
constexpr int FirstDayField = 46;
constexpr int LastDayField = 50;
constexpr uint8_t FreeWeekdayByte = 4; // in a legacy weekly plan
constexpr int LegacySlotCount = 4;

} // namespace LegacyLayout

// Decoding the bytes of a .PLN file, in the current layout and in the layout
// of program versions up to 1.04. Pure functions: no files, no library, no
// program state. The readers (PlanReader.h) wrap them with locks, messages and
// the window's fields; plntool and the fuzzers call them directly.
#pragma once

#include "plan/PlanLayout.h"
#include "plan/WorkPlan.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

enum class PlanFormat : uint8_t { Current, Legacy };

// Why a file cannot be read as a plan. The readers refuse such a file
// silently; the window then reports the plan as damaged.
enum class PlanDamage : uint8_t {
    None,
    ShortFile,           // under 104 bytes: never opened
    Truncated,           // the file ends inside a part the reader needs
    AreaOffsetBeyondEnd, // header word 0 is greater than the file's length
    FirstDayNegative,
    LastDayTooLate, // beyond day 18500
    LastDayBeforeFirst,
    BadDayByte, // a day's slot above 6 (legacy layout: above 4)
};

// A short English description of a damage kind, for the command-line tool.
QString DamageText(PlanDamage damage);

// What the readers take from a plan file. A decoding that stops at a damage
// keeps what was read before it: the reader shows nothing of a damaged file,
// but the day table it had begun to fill stays as far as it got.
struct DecodedPlan
{
    PlanFormat Format = PlanFormat::Current;
    PlanKind Kind = PlanKind::SchedulePlan; // the kind the file was read as
    qint64 FileSize = 0;

    std::array<int32_t, 5> Header{};
    int32_t FormatMark = 0;   // the word at file offset 24 (in the legacy layout: slot 0 and 1 entry times)
    int32_t RecordLength = 0; // word 0 of the plan block or legacy record (not used by the program)

    // Stored times, -1 = empty. The legacy layout fills slots 0..3 only and
    // leaves the others at -1.
    std::array<DaySchedule, SlotCount> Schedules{};
    // The seven tolerance words of the current block (only 0..3 carry
    // values); in the legacy layout the four tolerances and zeros.
    std::array<int16_t, SlotCount> Tolerances{};
    uint8_t KindByte = 0;
    uint8_t Flags = 0;
    int32_t FirstDay = 0;
    int32_t LastDay = 0;

    bool HasDayStart = false; // the start-of-day word was present (|mark| = 88)
    int32_t DayStart = 0;

    // Schedule plan: one slot byte per day from FirstDay; weekly plan: the
    // seven weekday bytes, Sunday first, as stored. Up to a damage: the bytes
    // read before it.
    QByteArray DayBytes;
    bool DayTableStarted = false; // the range passed its checks and the day table was begun
    qint64 DayTableOffset = 0;
    qint64 AreaSectionOffset = 0; // right after the day table (when undamaged)

    PlanDamage Damage = PlanDamage::None;
    qint64 DamageOffset = -1; // where the damage shows: the bad field or byte, or the end of a cut-off file

    bool Ok() const { return Damage == PlanDamage::None; }
    bool IncludeFreeDays() const { return (Flags & PlanLayout::FlagIncludeFreeDays) != 0; }
    // Header word 4 holds the daily norm less 1440 (wrapping like the 32-bit field it is).
    int32_t DailyNorm() const { return int32_t(uint32_t(Header[4]) + uint32_t(MinutesPerDay)); }
    // Slots whose times the layout stores: 7, or 4 in the legacy layout.
    int StoredSlots() const { return Format == PlanFormat::Legacy ? LegacyLayout::LegacySlotCount : SlotCount; }
};

// What the kind probe reads from the head of a file: the format from the
// mark, the kind from the flags byte of the block or of the legacy record.
// Bytes a short file lacks count as zero, as if read from a fresh record: a
// file too short to hold a plan is then taken for a legacy weekly plan, and
// its reader refuses it.
struct PlanProbe
{
    PlanFormat Format = PlanFormat::Legacy;
    PlanKind Kind = PlanKind::WeeklyPlan;
};
PlanProbe ProbePlanBytes(QByteArrayView head);

// The most bytes a reader needs from the start of a file: header, block,
// start-of-day word and the longest day table. A reader reads no more than
// this, and passes the file's real size beside it.
constexpr qint64 PlanReadLimit = PlanLayout::StartOfDayOffset + 4 + MaxPlanDay + 1;

// Decodes the file's first bytes as a plan of the given layout and kind, with
// every check of the readers in their order: the file's size, the header and
// block, header word 0 against the file's size, the range, the start-of-day
// word, then the day table byte by byte. bytes holds the whole file or at
// least its first PlanReadLimit bytes; fileSize is the file's length.
DecodedPlan DecodePlanAs(QByteArrayView bytes, qint64 fileSize, PlanFormat format, PlanKind kind);

// The probe followed by DecodePlanAs on a whole file.
DecodedPlan DecodePlan(QByteArrayView file);

// The weekday kinds a weekly reader gives the month grid, Sunday first: the
// stored bytes of the current layout as they are; in the legacy layout 4
// becomes a free day (1) and every other value a working day (2). Weekdays
// whose byte the file did not hold keep their kind from before.
std::array<uint8_t, 7> WeekdayKindsOf(const DecodedPlan& plan, std::array<uint8_t, 7> before);

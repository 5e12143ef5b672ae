// What the exports of a plan take: the plan, the suite's free days, the
// colours of the slots and the months to cover, and the helpers that the PDF,
// iCalendar and CSV writers share. Pure values, no files.
#pragma once

#include "env/OdczytZapisPliku.h"
#include "plan/PlanOfDecoded.h"
#include "plan/WorkPlan.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// Slot colours as 0xRRGGBB, slot 0..6, as the calendar paints them; slot 4
// (the free day) is the window's background, which the caller knows.
constexpr uint32_t WindowBackground = 0xF0F0F0;
constexpr std::array<uint32_t, SlotCount> DefaultSlotColours{0xBBFFBB,         0xBBBBFF, 0xFF11EE, 0xFFBBBB,
                                                             WindowBackground, 0xFFF077, 0xEEEEEE};

// The months First..Last, each given by any of its days.
struct MonthSpan
{
    QDate First;
    QDate Last;
};

struct PlanExportInput
{
    // Name, kind, range, day table, schedules, allowances (Tolerances) and,
    // for weekly plans, weekday kinds, daily norm, day start and whether the
    // free days count.
    WorkPlan Plan;
    // The suite's free days in the plan's range, with their descriptions.
    QMap<int32_t, QString> FreeDays;
    std::array<uint32_t, SlotCount> SlotColours = DefaultSlotColours;
    // Only these months of the plan; the whole range when absent.
    std::optional<MonthSpan> Months;
    // The working-time norm of a month in minutes, keyed by its first day,
    // printed beside the planned hours when given.
    QMap<QDate, int32_t> MonthNorms;
    // "Now": the print date and the iCalendar time stamp. The current time
    // when invalid.
    QDateTime Now;
};

// The days to export: the plan's range cut to the chosen months. Empty
// (first > last) when the months miss the range.
struct DaySpan
{
    int32_t First = 0;
    int32_t Last = -1;
    bool IsEmpty() const { return Last < First; }
};
DaySpan ExportDays(const PlanExportInput& input);

// The first days of the months that hold an exported day, in order.
QVector<QDate> ExportMonths(const PlanExportInput& input);

// The moment stamped on the outputs.
QDateTime ExportTime(const PlanExportInput& input);

// hh:mm of a time of day (taken modulo a day); empty for EmptyTime.
QString TimeOfDayText(int32_t minutes);
// A duration as hours and minutes, "h:mm" with at least two hour digits ("07:30", "168:00").
QString DurationText(int32_t minutes);
// value as width decimal digits (0 to 9999), for writers that build bytes.
void AppendDigits(QByteArray& out, int value, int width);
// A date as the editor shows it: dd-MM-yyyy.
QString DateText(const QDate& date);
// Polish names: "styczeń" (1..12), "poniedziałek" (Qt::DayOfWeek, 1 = Monday).
QString PolishMonthName(int month);
QString PolishWeekdayName(int dayOfWeek);

// Why an export may not be written to a path: the rule of every file written
// (a link, a folder, a device, a pipe, a file the export reads), and the
// name of a plan file (".PLN" in any letter case) of a data directory or
// anywhere else, which only the plan writers write.
enum class ExportRefusal : uint8_t { None, Link, NotRegular, Input, PlanFile };
ExportRefusal CheckExportTarget(const QString& path, const QList<FileIdentity>& inputs);
// The refusal that a file layer's refusal is for an export.
ExportRefusal ExportRefusalOf(TargetRefusal refusal);

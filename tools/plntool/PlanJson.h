// A plan as plntool reads and prints it: the texts the window's fields would
// show (or the user would type), in JSON:
//
// {"name", "kind": "schedule"|"weekly", "format": "current"|"legacy" (printed only),
//  "from": "YYYY-MM-DD", "to": "YYYY-MM-DD",
//  "schedules": [7 x {"entry","exit","breakFrom","breakTo"}] (hh:mm or ""; a
//      weekly plan may leave them out),
//  "tolerances": [earlier entry, max overtime, max break, later exit] (hh:mm or
//      ""; a weekly plan may leave them out),
//  "days": "one digit 0..6 per day from..to" (schedule plans),
//  "weekdays": [7 stored values, Sunday first] (weekly plans),
//  "dailyNorm": hh:mm, "dayStart": hh:mm, "includeFreeDays": bool}
#pragma once

#include "plan/WorkPlan.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

class KelbrinLibrary;

struct PlanText
{
    QString Name;
    PlanKind Kind = PlanKind::SchedulePlan;
    std::optional<bool> Legacy; // printed as "format" when set
    int32_t FirstDay = 0;       // day numbers of "from" and "to"
    int32_t LastDay = 0;
    std::array<std::array<QString, 4>, SlotCount> Schedules{}; // entry, exit, breakFrom, breakTo
    std::array<QString, 4> Tolerances{};
    QString Days;                                     // schedule plans
    std::array<int, 7> Weekdays{1, 2, 2, 2, 2, 2, 1}; // weekly plans
    QString DailyNorm;
    QString DayStart;
    bool IncludeFreeDays = false;
};

QByteArray PlanToJson(const KelbrinLibrary& lib, const PlanText& plan);
// The largest JSON text read: far more than any plan's description needs.
constexpr qint64 MaxPlanJsonSize = 4 * 1024 * 1024;

// Nothing, with the reason in error, when the JSON does not describe a plan
// (a missing key is named) or names a plan no file can be called.
std::optional<PlanText> PlanFromJson(const KelbrinLibrary& lib, const QByteArray& json, QString* error);

// What must hold for any bytes fed to the plan decoder, shared by the fuzz
// targets of both file layouts. A broken rule stops the run with a trap.
#pragma once

#include "env/Kelbrin.h"
#include "plan/PlanDecoder.h"
#include "plan/PlanReader.h"

#include <QFileInfo>

#include <cstddef>
#include <cstdint>

namespace planfuzz {

inline void Require(bool rule)
{
    if (!rule) __builtin_trap();
}

// The suite library beside the fuzzer, for the field texts; without it only
// the decoder is checked.
inline const KelbrinLibrary* Library()
{
    static KelbrinLibrary* lib = [] {
        auto* loaded = new KelbrinLibrary;
        const QString folder =
            QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
        return loaded->Load(folder) ? loaded : nullptr;
    }();
    return lib;
}

inline void RequireFieldText(const TimeField& field)
{
    if (field.Text.isEmpty()) {
        Require(field.Value == -1);
        return;
    }
    Require(field.Text.size() == 5 && field.Text.at(2) == QLatin1Char(':'));
    Require(field.Value >= 0 && field.Value < 1440);
    Require(field.Text.left(2).toInt() * 60 + field.Text.mid(3).toInt() == field.Value);
}

inline void CheckDecoding(const uint8_t* data, size_t size, PlanFormat format, PlanKind kind)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DecodedPlan plan = DecodePlanAs(bytes, qint64(size), format, kind);
    Require(plan.DayBytes.size() <= qsizetype(size));
    if (size > size_t(PlanReadLimit)) {
        // A reader holds only the head of a long file and must decide alike.
        const DecodedPlan head = DecodePlanAs(bytes.first(PlanReadLimit), qint64(size), format, kind);
        Require(head.Damage == plan.Damage && head.DayBytes == plan.DayBytes);
    }
    if (!plan.Ok()) return;
    Require(size >= size_t(PlanLayout::MinimumFileSize));
    Require(plan.Header[0] <= qint64(size));
    Require(plan.FirstDay >= 0 && plan.LastDay <= MaxPlanDay && plan.FirstDay <= plan.LastDay);
    Require(plan.AreaSectionOffset <= qint64(size));
    const uint8_t highest = format == PlanFormat::Current ? 6 : 4;
    if (kind == PlanKind::SchedulePlan) {
        Require(plan.DayBytes.size() == qsizetype(plan.LastDay) - plan.FirstDay + 1);
        for (const char day : plan.DayBytes)
            Require(static_cast<uint8_t>(day) <= highest);
    } else {
        Require(plan.DayBytes.size() == 7);
        std::array<uint8_t, 7> before{};
        const std::array<uint8_t, 7> kinds = WeekdayKindsOf(plan, before);
        for (int day = 0; day < 7; ++day) {
            if (format == PlanFormat::Legacy)
                Require(kinds[day] == FreeWeekday || kinds[day] == WorkingWeekday);
            else
                Require(kinds[day] == static_cast<uint8_t>(plan.DayBytes.at(day)));
        }
    }
    if (const KelbrinLibrary* lib = Library()) {
        ScheduleFields fields;
        if (kind == PlanKind::SchedulePlan) {
            ShowScheduleTimes(*lib, plan, fields);
            for (const auto& row : fields.Slots) {
                for (const TimeField& field : row)
                    RequireFieldText(field);
            }
            for (const TimeField& field : fields.Pozostale)
                RequireFieldText(field);
        } else {
            ShowWeeklyTimes(*lib, plan, fields);
            RequireFieldText(fields.Norma);
            Require(fields.StartDnia.Text.size() == 5);
        }
    }
}

} // namespace planfuzz

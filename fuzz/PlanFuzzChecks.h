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

inline void require(bool rule)
{
    if (!rule) __builtin_trap();
}

// The suite library beside the fuzzer, for the field texts; without it only
// the decoder is checked.
inline const KelbrinLibrary* library()
{
    static KelbrinLibrary* lib = [] {
        auto* loaded = new KelbrinLibrary;
        const QString folder =
            QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
        return loaded->load(folder) ? loaded : nullptr;
    }();
    return lib;
}

inline void requireFieldText(const TimeField& field)
{
    if (field.Text.isEmpty()) {
        require(field.Value == -1);
        return;
    }
    require(field.Text.size() == 5 && field.Text.at(2) == QLatin1Char(':'));
    require(field.Value >= 0 && field.Value < 1440);
    require(field.Text.left(2).toInt() * 60 + field.Text.mid(3).toInt() == field.Value);
}

inline void checkDecoding(const uint8_t* data, size_t size, PlanFormat format, PlanKind kind)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DecodedPlan plan = DecodePlanAs(bytes, qint64(size), format, kind);
    require(plan.DayBytes.size() <= qsizetype(size));
    if (size > size_t(PlanReadLimit)) {
        // A reader holds only the head of a long file and must decide alike.
        const DecodedPlan head = DecodePlanAs(bytes.first(PlanReadLimit), qint64(size), format, kind);
        require(head.Damage == plan.Damage && head.DayBytes == plan.DayBytes);
    }
    if (!plan.Ok()) return;
    require(size >= size_t(PlanLayout::MinimumFileSize));
    require(plan.Header[0] <= qint64(size));
    require(plan.FirstDay >= 0 && plan.LastDay <= MaxPlanDay && plan.FirstDay <= plan.LastDay);
    require(plan.AreaSectionOffset <= qint64(size));
    const uint8_t highest = format == PlanFormat::Current ? 6 : 4;
    if (kind == PlanKind::SchedulePlan) {
        require(plan.DayBytes.size() == qsizetype(plan.LastDay) - plan.FirstDay + 1);
        for (const char day : plan.DayBytes)
            require(static_cast<uint8_t>(day) <= highest);
    } else {
        require(plan.DayBytes.size() == 7);
        std::array<uint8_t, 7> before{};
        const std::array<uint8_t, 7> kinds = WeekdayKindsOf(plan, before);
        for (int day = 0; day < 7; ++day) {
            if (format == PlanFormat::Legacy)
                require(kinds[day] == FreeWeekday || kinds[day] == WorkingWeekday);
            else
                require(kinds[day] == static_cast<uint8_t>(plan.DayBytes.at(day)));
        }
    }
    if (const KelbrinLibrary* lib = library()) {
        ScheduleFields fields;
        if (kind == PlanKind::SchedulePlan) {
            ShowScheduleTimes(*lib, plan, fields);
            for (const auto& row : fields.Slots) {
                for (const TimeField& field : row)
                    requireFieldText(field);
            }
            for (const TimeField& field : fields.Pozostale)
                requireFieldText(field);
        } else {
            ShowWeeklyTimes(*lib, plan, fields);
            requireFieldText(fields.Norma);
            require(fields.StartDnia.Text.size() == 5);
        }
    }
}

} // namespace planfuzz

#include "export/CsvExport.h"

#include "plan/PlanShifts.h"

namespace {

// The columns after the schedule's of a day with this shift (none: no shift).
QByteArray ShiftColumns(const Shift* shift)
{
    if (!shift) return QByteArrayLiteral(";;;;;") + DurationText(0).toUtf8();
    return QStringList{QString(),
                       TimeOfDayText(shift->Start),
                       TimeOfDayText(shift->End()),
                       TimeOfDayText(shift->BreakFrom),
                       TimeOfDayText(shift->BreakTo),
                       DurationText(shift->WorkingTime)}
        .join(QLatin1Char(';'))
        .toUtf8();
}

} // namespace

QByteArray PlanCsv(const PlanExportInput& input)
{
    const WorkPlan& plan = input.Plan;
    const DaySpan days = ExportDays(input);
    const QVector<Shift> shifts = PlanShifts(plan, input.FreeDays, days.First, days.Last);

    // Every shift of a slot (or of the weekly plan) has the same columns, so
    // they are made once.
    const QByteArray freeDay = QStringLiteral("dzień wolny").toUtf8();
    const QByteArray workingDay = QStringLiteral("dzień pracujący").toUtf8();
    const QByteArray noShift = ShiftColumns(nullptr);
    std::array<QByteArray, SlotCount> schedules;
    std::array<QByteArray, SlotCount + 1> shiftTexts;
    for (int slot = 0; slot < SlotCount; ++slot)
        schedules[slot] = slot == FreeDaySlot ? freeDay : QByteArray::number(slot);
    for (const Shift& shift : shifts) {
        QByteArray& text = shiftTexts[shift.Slot < 0 ? SlotCount : shift.Slot];
        if (text.isEmpty()) text = ShiftColumns(&shift);
    }
    std::array<QByteArray, 8> weekdays; // Qt::DayOfWeek 1..7
    for (int weekday = 1; weekday <= 7; ++weekday)
        weekdays[weekday] = PolishWeekdayName(weekday).toUtf8();

    QByteArray out("\xEF\xBB\xBF");
    out +=
        QStringLiteral("Data;Dzień tygodnia;Harmonogram;Wejście;Wyjście;Przerwa od;Przerwa do;Czas pracy\r\n").toUtf8();
    out.reserve(out.size() + 64 * (days.IsEmpty() ? 0 : days.Last - days.First + 1));
    qsizetype next = 0;
    for (int32_t day = days.First; day <= days.Last; ++day) {
        const Shift* shift = next < shifts.size() && shifts.at(next).Day == day ? &shifts.at(next++) : nullptr;
        const QDate date = DateOfDay(day);
        int year = 0, month = 0, dayOfMonth = 0;
        date.getDate(&year, &month, &dayOfMonth);
        AppendDigits(out, year, 4);
        out += '-';
        AppendDigits(out, month, 2);
        out += '-';
        AppendDigits(out, dayOfMonth, 2);
        out += ';';
        out += weekdays[date.dayOfWeek()];
        out += ';';
        if (plan.Kind == PlanKind::WeeklyPlan) {
            out += shift ? workingDay : freeDay;
        } else {
            const int32_t slot = plan.Days.Contains(day) ? plan.Days.At(day) : FreeDaySlot;
            out += slot >= 0 && slot < SlotCount ? schedules[slot] : freeDay;
        }
        out += shift ? shiftTexts[shift->Slot < 0 ? SlotCount : shift->Slot] : noShift;
        out += "\r\n";
    }
    return out;
}

#include "export/CsvExport.h"

#include "export/PlanShifts.h"

namespace {

const QString FreeDay = QStringLiteral("dzień wolny");
const QString WorkingDay = QStringLiteral("dzień pracujący");

QString scheduleColumn(const WorkPlan& plan, int32_t day, bool hasShift)
{
    if (plan.Kind == PlanKind::WeeklyPlan) return hasShift ? WorkingDay : FreeDay;
    const int32_t slot = plan.Days.Contains(day) ? plan.Days.At(day) : FreeDaySlot;
    return slot == FreeDaySlot ? FreeDay : QString::number(ScheduleNumber(slot));
}

} // namespace

QByteArray PlanCsv(const PlanExportInput& input)
{
    const WorkPlan& plan = input.Plan;
    const DaySpan days = ExportDays(input);
    const QVector<Shift> shifts = PlanShifts(plan, input.FreeDays, days.First, days.Last);
    const QLatin1Char separator(';');
    const QLatin1String lineEnd("\r\n");

    std::array<QString, 8> weekdays; // Qt::DayOfWeek 1..7
    for (int weekday = 1; weekday <= 7; ++weekday)
        weekdays[weekday] = PolishWeekdayName(weekday);

    QString text;
    text.reserve(64 * (days.IsEmpty() ? 1 : days.Last - days.First + 2));
    text += QStringLiteral("Data;Dzień tygodnia;Harmonogram;Wejście;Wyjście;Przerwa od;Przerwa do;Czas pracy");
    text += lineEnd;
    qsizetype next = 0;
    for (int32_t day = days.First; day <= days.Last; ++day) {
        const QDate date = DateOfDay(day);
        const Shift* shift = next < shifts.size() && shifts.at(next).Day == day ? &shifts.at(next++) : nullptr;
        text += date.toString(Qt::ISODate);
        text += separator;
        text += weekdays[date.dayOfWeek()];
        text += separator;
        text += scheduleColumn(plan, day, shift != nullptr);
        text += separator;
        if (shift) {
            text += TimeOfDayText(shift->Start);
            text += separator;
            text += TimeOfDayText(shift->End());
            text += separator;
            text += TimeOfDayText(shift->BreakFrom);
            text += separator;
            text += TimeOfDayText(shift->BreakTo);
            text += separator;
        } else {
            text += QLatin1String(";;;;");
        }
        text += DurationText(shift ? shift->WorkingTime : 0);
        text += lineEnd;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

#include "DemoPlans.h"

#include "DemoData.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"
#include "plan/ProgramState.h"
#include "plan/TimeText.h"
#include "plan/ZapisPlanuPracy.h"

#include <QDir>
#include <QTemporaryDir>

bool TypeTime(TimeField& field, const QString& text, bool minimumOneMinute)
{
    const TimeFieldParse parse = ParseTimeField(text, minimumOneMinute);
    if (parse.IsError()) return false;
    field.Text = parse.Text;
    field.Value = parse.Value;
    return true;
}

bool TypeSchedule(ScheduleFields& fields, int slot, const QString& times)
{
    auto& row = fields.Slots[slot];
    const QStringList ranges = times.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList texts{QString(), QString(), QString(), QString()};
    for (int i = 0; i < ranges.size() && i < 2; ++i) {
        const QStringList ends = ranges.at(i).split(QLatin1Char('-'));
        if (ends.size() != 2) return false;
        texts[i * 2] = ends.at(0);
        texts[i * 2 + 1] = ends.at(1);
    }
    bool ok = true;
    for (int column = 0; column < 4; ++column)
        ok = TypeTime(row[column], texts.at(column)) && ok;
    return ok;
}

bool TypeAllowances(ScheduleFields& fields, const QStringList& texts)
{
    bool ok = true;
    for (int i = 0; i < 4; ++i)
        ok = TypeTime(fields.Pozostale[i], texts.value(i), i == EarlierEntry || i == LaterExit) && ok;
    return ok;
}

void SetDays(WorkPlan& plan, int32_t firstDay, const QString& daySlots)
{
    plan.Kind = PlanKind::SchedulePlan;
    plan.FirstDay = firstDay;
    plan.LastDay = firstDay + int32_t(daySlots.size()) - 1;
    plan.Days.Reset(plan.FirstDay, plan.LastDay);
    for (int i = 0; i < daySlots.size(); ++i)
        plan.Days.Set(firstDay + i, daySlots.at(i).digitValue());
}

void FillLargestSchedulePlan(PlanDocument& doc, int variant)
{
    doc.Fields = {};
    TypeSchedule(doc.Fields, 0,
                 variant == 0 ? QStringLiteral("08:00-16:00 12:00-12:30") : QStringLiteral("07:00-15:00 11:00-11:30"));
    TypeSchedule(doc.Fields, 1, QStringLiteral("06:00-14:00 10:00-10:15"));
    TypeAllowances(doc.Fields, {QStringLiteral("00:30"), QStringLiteral("02:00"), QStringLiteral("00:45"),
                                QStringLiteral("00:30")});
    doc.Plan = {};
    doc.Plan.Kind = PlanKind::SchedulePlan;
    doc.Plan.FirstDay = 0;
    doc.Plan.LastDay = MaxPlanDay;
    doc.Plan.Days.Reset(0, MaxPlanDay);
    for (int32_t day = 0; day <= MaxPlanDay; ++day) {
        const int weekday = WeekdayOf(day);
        doc.Plan.Days.Set(day, weekday == 0 ? FreeDaySlot : (weekday == 6 ? 1 : 0));
    }
}

void FillLargestWeeklyPlan(PlanDocument& doc, int variant)
{
    doc.Fields = {};
    TypeTime(doc.Fields.Norma, variant == 0 ? QStringLiteral("08:00") : QStringLiteral("07:30"));
    TypeTime(doc.Fields.StartDnia, variant == 0 ? QStringLiteral("06:00") : QStringLiteral("05:00"));
    doc.Plan = {};
    doc.Plan.Kind = PlanKind::WeeklyPlan;
    doc.Plan.FirstDay = 0;
    doc.Plan.LastDay = MaxPlanDay;
}

namespace {

int32_t DayOf(const KelbrinLibrary& lib, int year, int month, int day)
{
    return lib.DateToLong(year, uint8_t(month), uint8_t(day), 0, 0) / MinutesPerDay;
}

// One digit per day from first to last: the slot of the day's weekday.
QString WeekPattern(int32_t first, int32_t last, const QString& sundayFirst)
{
    QString days;
    for (int32_t day = first; day <= last; ++day)
        days += sundayFirst.at(WeekdayOf(day));
    return days;
}

// Morning, afternoon and night shifts a week each, Monday to Friday.
QString RotatingShifts(int32_t first, int32_t last)
{
    static const QString shifts = QStringLiteral("012");
    QString days;
    for (int32_t day = first; day <= last; ++day) {
        const int weekday = WeekdayOf(day);
        const int32_t week = (day - first + WeekdayOf(first) + 6) / 7;
        days += (weekday == 0 || weekday == 6) ? QLatin1Char('4') : shifts.at(int(week % 3));
    }
    return days;
}

struct DemoWriter
{
    const KelbrinLibrary& Lib;
    const QString& DataDir;
    QString* Error;
    QTemporaryDir Temp;
    RecordingPrompt Ui;
    ProgramState State{Lib, Ui};

    DemoWriter(const KelbrinLibrary& lib, const QString& dataDir, QString* error)
        : Lib(lib), DataDir(dataDir), Error(error)
    {
        const QDir data(dataDir);
        QDir root(data);
        root.cdUp();
        Environment& env = State.Env;
        env.ProgramDir = root.path();
        env.DataRootDir = root.path();
        env.DataFolderName = data.dirName();
        env.KatalogTemp = Temp.path();
        env.UserName = QStringLiteral("grafenta-demo");
        env.ComputerName = QStringLiteral("demo");
    }

    void Begin(PlanKind kind)
    {
        State.Doc.Plan = {};
        State.Doc.Plan.Kind = kind;
        State.Doc.Fields = {};
        Ui.Clear();
    }

    // A schedule plan's times: rows of (slot, "work break"), and the four
    // allowances separated by blanks.
    void BeginSchedules(std::initializer_list<std::pair<int, const char*>> rows, const char* allowances)
    {
        Begin(PlanKind::SchedulePlan);
        for (const auto& [slot, times] : rows)
            TypeSchedule(State.Doc.Fields, slot, QString::fromLatin1(times));
        TypeAllowances(State.Doc.Fields, QString::fromLatin1(allowances).split(QLatin1Char(' ')));
    }

    bool Save(const QString& name)
    {
        const PlanSaveResult result =
            State.Doc.Plan.Kind == PlanKind::WeeklyPlan
                ? ZapiszPlanTygodniowy(State.Env, State.Doc, State.FreeDays, name, true, false)
                : ZapiszPlanHarmonogramow(State.Env, State.Doc, name, true);
        if (!result.Ok() && Error) *Error = QStringLiteral("%1: %2").arg(name, Ui.Texts().join(QLatin1Char(' ')));
        return result.Ok();
    }
};

} // namespace

namespace {

// The demo plans; the demo employees are given these names.
const QString OfficePlan = QStringLiteral("Biuro");
const QString ShiftsPlan = QStringLiteral("Trzy zmiany");
const QString WeekendPlan = QStringLiteral("Weekendy");
const QString WorkWeekPlan = QStringLiteral("Tydzień pracy");
const QString SixDayPlan = QStringLiteral("Sześć dni");
const QString CompliantPlan = QStringLiteral("Biuro zgodne");
const QString FaultyPlan = QStringLiteral("Grafik z błędami");

} // namespace

QStringList DemoPlanNames()
{
    return {OfficePlan, ShiftsPlan, WeekendPlan, WorkWeekPlan, SixDayPlan};
}

bool WriteDemoPlans(const KelbrinLibrary& lib, const QString& dataDir, QString* error)
{
    DemoWriter out(lib, dataDir, error);
    if (!out.Temp.isValid()) {
        if (error) *error = QStringLiteral("no temporary folder: %1").arg(out.Temp.errorString());
        return false;
    }
    ScheduleFields& fields = out.State.Doc.Fields;
    WorkPlan& plan = out.State.Doc.Plan;

    // An office: day work Monday to Friday with a lunch break.
    out.BeginSchedules({{0, "08:00-16:00 12:00-12:30"}, {1, "07:00-15:00 11:00-11:20"}}, "00:15 02:00 00:30 00:30");
    {
        const int32_t first = DayOf(lib, 2024, 1, 1), last = DayOf(lib, 2026, 12, 31);
        SetDays(plan, first, WeekPattern(first, last, QStringLiteral("4000004")));
        // Fridays in summer start an hour earlier.
        for (int32_t day = first; day <= last; ++day) {
            const KlnxDate date = lib.LongToDate(day * MinutesPerDay);
            if (WeekdayOf(day) == 5 && date.Month >= 6 && date.Month <= 8) plan.Days.Set(day, 1);
        }
    }
    if (!out.Save(OfficePlan)) return false;

    // Three shifts, a week each, with the night shift's break after midnight.
    out.BeginSchedules({{0, "06:00-14:00 10:00-10:15"}, {1, "14:00-22:00 18:00-18:15"}, {2, "22:00-06:00 02:00-02:30"}},
                       "00:30 01:00 00:30 00:15");
    {
        const int32_t first = DayOf(lib, 2025, 1, 6), last = DayOf(lib, 2026, 6, 30);
        SetDays(plan, first, RotatingShifts(first, last));
    }
    if (!out.Save(ShiftsPlan)) return false;

    // Twelve-hour weekend shifts: Saturday by day, Sunday by night.
    out.BeginSchedules({{5, "07:00-19:00 12:00-13:00"}, {6, "19:00-07:00 00:00-01:00"}}, "00:30 00:30 01:00 00:30");
    {
        const int32_t first = DayOf(lib, 2025, 1, 1), last = DayOf(lib, 2025, 12, 31);
        SetDays(plan, first, WeekPattern(first, last, QStringLiteral("6444445")));
    }
    if (!out.Save(WeekendPlan)) return false;

    // Weekly plans: Monday to Friday honouring the suite's free days (read
    // from WOLNE.DAT as the editor reads them at start-up), and a six-day week.
    out.Begin(PlanKind::WeeklyPlan);
    WczytajDniWolne(out.State.Env, out.State.FreeDays);
    if (out.State.Env.ProgramEnding) {
        if (error) *error = QStringLiteral("free days: %1").arg(out.Ui.Texts().join(QLatin1Char(' ')));
        return false;
    }
    plan.FirstDay = DayOf(lib, 2024, 1, 1);
    plan.LastDay = DayOf(lib, 2026, 12, 31);
    plan.WeekdayKinds = {FreeWeekday,    WorkingWeekday, WorkingWeekday, WorkingWeekday,
                         WorkingWeekday, WorkingWeekday, FreeWeekday};
    plan.IncludeFreeDays = true;
    TypeTime(fields.Norma, QStringLiteral("08:00"));
    TypeTime(fields.StartDnia, QStringLiteral("06:00"));
    if (!out.Save(WorkWeekPlan)) return false;

    out.Begin(PlanKind::WeeklyPlan);
    plan.FirstDay = DayOf(lib, 2025, 1, 1);
    plan.LastDay = DayOf(lib, 2025, 12, 31);
    plan.WeekdayKinds = {FreeWeekday,    WorkingWeekday, WorkingWeekday, WorkingWeekday,
                         WorkingWeekday, WorkingWeekday, WorkingWeekday};
    TypeTime(fields.Norma, QStringLiteral("06:40"));
    TypeTime(fields.StartDnia, QStringLiteral("00:00"));
    if (!out.Save(SixDayPlan)) return false;

    // For the labour-code check: an office plan that keeps every rule, and a
    // month with the planners' usual mistakes (a morning after a late
    // shift, a 12-hour day, 7 hours without a break, four Sundays in a row,
    // work on Easter, more hours than the month's norm).
    out.BeginSchedules({{0, "08:00-16:00 12:00-12:15"}}, "00:15 01:00 00:30 00:15");
    {
        const int32_t first = DayOf(lib, 2025, 7, 1), last = DayOf(lib, 2025, 12, 31);
        SetDays(plan, first, WeekPattern(first, last, QStringLiteral("4000004")));
        for (const auto& [month, day] : {std::pair{8, 15}, {11, 10}, {11, 11}, {12, 24}, {12, 25}, {12, 26}})
            plan.Days.Set(DayOf(lib, 2025, month, day), FreeDaySlot);
    }
    if (!out.Save(CompliantPlan)) return false;

    out.BeginSchedules({{0, "06:00-14:00 10:00-10:15"},
                        {1, "14:00-22:00 18:00-18:15"},
                        {3, "07:00-19:00 12:00-12:30"},
                        {5, "06:00-13:00"}},
                       "00:15 01:00 00:30 00:15");
    {
        const int32_t first = DayOf(lib, 2025, 4, 1), last = DayOf(lib, 2025, 4, 30);
        SetDays(plan, first, WeekPattern(first, last, QStringLiteral("0000004")));
        for (const auto& [day, slot] : {std::pair{7, 1}, {12, 3}, {14, 4}, {15, 5}})
            plan.Days.Set(DayOf(lib, 2025, 4, day), slot);
    }
    return out.Save(FaultyPlan);
}

// plntool show FILE.PLN: prints a plan as JSON with the texts the editor's
// fields would show after opening it. The file may lie anywhere, so the
// command decodes its bytes directly instead of going through the plans
// folder and the edit lock; a weekly plan's range comes from the suite
// library, as in the editor.
#include "Command.h"
#include "PlanJson.h"

#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "plan/PlanReader.h"

#include <QFileInfo>

namespace {

PlanText TextOf(const KelbrinLibrary& lib, const DecodedPlan& plan, const QString& name)
{
    PlanText document;
    document.Name = name;
    document.Kind = plan.Kind;
    document.Legacy = plan.Format == PlanFormat::Legacy;
    ScheduleFields fields;
    if (plan.Kind == PlanKind::SchedulePlan) {
        ShowScheduleTimes(lib, plan, fields);
        document.FirstDay = plan.FirstDay;
        document.LastDay = plan.LastDay;
        for (const char slot : plan.DayBytes)
            document.Days.append(QLatin1Char(char('0' + slot)));
    } else {
        ShowWeeklyTimes(lib, plan, fields);
        const WorkPlan fresh;
        const std::array<uint8_t, 7> kinds = WeekdayKindsOf(plan, fresh.WeekdayKinds);
        std::copy(kinds.begin(), kinds.end(), document.Weekdays.begin());
        document.IncludeFreeDays = plan.IncludeFreeDays();
        document.DailyNorm = fields.Norma.Text;
        document.DayStart = fields.StartDnia.Text;
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        for (int column = 0; column < 4; ++column)
            document.Schedules[slot][column] = fields.Slots[slot][column].Text;
    }
    for (int i = 0; i < 4; ++i)
        document.Tolerances[i] = fields.Pozostale[i].Text;
    return document;
}

int Show(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 1) {
        context.Err << "usage: plntool show FILE.PLN\n";
        return ExitUsage;
    }
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    const auto file = ReadInputFile(context, "show", args.first());
    if (!file) return ExitRefused;
    const DecodedPlan plan = DecodePlan(*file);
    if (!plan.Ok()) {
        context.Err << "plntool show: " << args.first() << ": not a readable plan: " << DamageText(plan.Damage)
                    << " (at byte " << plan.DamageOffset << ")\n";
        return ExitRefused;
    }
    WarnUnlessWhole(context, "show", args.first(), *file);
    PlanText document = TextOf(context.Lib, plan, PlanNameOfPath(path));
    if (plan.Kind == PlanKind::WeeklyPlan) {
        int32_t first = 0;
        int32_t last = -1;
        const uint8_t status = context.Lib.GetPlanRange(path, first, last);
        const int shownBefore = context.Ui.MessageCount();
        if (ShowLibraryError(context.Ui, status, true)) {
            if (context.Ui.MessageCount() == shownBefore) // a status the library keeps quiet about
                context.Err << "plntool show: " << args.first() << ": plan range status " << status << '\n';
            return ExitRefused;
        }
        document.FirstDay = DayOfMinute(first);
        document.LastDay = DayOfMinute(last);
    }
    context.Out << QString::fromUtf8(PlanToJson(context.Lib, document));
    return ExitOk;
}

const Registration Registered{"show", "FILE.PLN", "print a plan (either layout) as JSON, as the editor shows it", Show};

} // namespace

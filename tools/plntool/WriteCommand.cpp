// plntool write PLAN.json DATADIR: saves the plan that PLAN.json describes as
// DATADIR/PLANY/<name>.PLN, as the editor's save button does once the user
// has typed the JSON's texts into the window: every time goes through the
// leave-field parser, then the writer of the plan's kind runs. DATADIR is the
// folder that holds PLANY and PERSONEL.
#include "Command.h"
#include "PlanJson.h"

#include "env/Kelbrin.h"
#include "env/ProgramState.h"
#include "env/UserIdentity.h"
#include "freedays/DniWolne.h"
#include "plan/TimeText.h"
#include "plan/ZapisPlanuPracy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// Leaves a field holding text, as the window does: false, with the parser's
// message shown, when it refuses the text.
bool typeInto(ProgramState& state, TimeField& field, const QString& text, bool minimumOneMinute = false)
{
    const TimeFieldParse parse = ParseTimeField(text, minimumOneMinute);
    if (parse.IsError()) {
        state.Ui.ShowMessage(MessageIcon::Exclamation, parse.Message());
        return false;
    }
    field.Text = parse.Text;
    field.Value = parse.Value;
    return true;
}

bool typeFields(ProgramState& state, const PlanDocument& document)
{
    ScheduleFields& fields = state.Fields;
    for (int slot = 0; slot < SlotCount; ++slot) {
        for (int column = 0; column < 4; ++column) {
            if (!typeInto(state, fields.Slots[slot][column], document.Schedules[slot][column])) return false;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (!typeInto(state, fields.Pozostale[i], document.Tolerances[i], i == EarlierEntry || i == LaterExit))
            return false;
    }
    return typeInto(state, fields.Norma, document.DailyNorm) && typeInto(state, fields.StartDnia, document.DayStart);
}

void setPlan(ProgramState& state, const PlanDocument& document)
{
    WorkPlan& plan = state.Plan;
    plan.Name = document.Name;
    plan.Kind = document.Kind;
    plan.FirstDay = document.FirstDay;
    plan.LastDay = document.LastDay;
    if (document.Kind == PlanKind::SchedulePlan) {
        plan.Days.Reset(plan.FirstDay, plan.LastDay);
        for (int i = 0; i < document.Days.size(); ++i)
            plan.Days.Set(plan.FirstDay + i, document.Days.at(i).digitValue());
    }
    for (int i = 0; i < 7; ++i)
        plan.WeekdayKinds[i] = uint8_t(document.Weekdays[i]);
    plan.IncludeFreeDays = document.IncludeFreeDays;
    state.ProbedKind = uint8_t(document.Kind);
    state.CurrentPlanName = document.Name;
}

int write(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 2) {
        context.Err << "usage: plntool write PLAN.json DATADIR\n";
        return ExitUsage;
    }
    QFile json(args.at(0));
    if (!json.open(QIODevice::ReadOnly)) {
        context.Err << "plntool write: " << args.at(0) << ": " << json.errorString() << '\n';
        return ExitUsage;
    }
    QString why;
    const auto document = PlanFromJson(context.Lib, json.readAll(), &why);
    if (!document) {
        context.Err << "plntool write: " << args.at(0) << ": " << why << '\n';
        return ExitUsage;
    }
    const QDir dataDir(QFileInfo(args.at(1)).absoluteFilePath());
    if (!QFileInfo(dataDir.filePath(QStringLiteral("PLANY"))).isDir()) {
        context.Err << "plntool write: " << args.at(1) << ": no PLANY folder\n";
        return ExitUsage;
    }
    QTemporaryDir temp;
    if (!temp.isValid()) {
        context.Err << "plntool write: no temporary folder: " << temp.errorString() << '\n';
        return ExitUsage;
    }

    ProgramState state(context.Lib, context.Ui);
    QDir root = dataDir;
    root.cdUp();
    state.ProgramDir = context.ProgramDir;
    state.DataRootDir = root.path();
    state.DataFolderName = dataDir.dirName();
    state.KatalogTemp = temp.path();
    state.UserName = SystemUserName();
    state.ComputerName = SystemComputerName();

    if (!typeFields(state, *document)) return ExitRefused;
    setPlan(state, *document);

    PlanSaveResult result;
    if (document->Kind == PlanKind::WeeklyPlan) {
        if (document->IncludeFreeDays) {
            WczytajDniWolne(state);
            if (state.ProgramEnding) return ExitRefused;
        }
        result = ZapiszPlanTygodniowy(state, document->Name, true, false);
    } else {
        result = ZapiszPlanHarmonogramow(state, document->Name, true);
    }
    switch (result.Status) {
    case SaveStatus::Saved:
        return ExitOk;
    case SaveStatus::ScheduleRefused:
    case SaveStatus::Overlap:
        return ExitRefused;
    case SaveStatus::PathError:
    case SaveStatus::FileError:
        break;
    }
    return ExitUsage;
}

const Registration registration{"write", "PLAN.json DATADIR",
                                "save the plan of PLAN.json (plntool show's form) as DATADIR/PLANY/<name>.PLN, as the "
                                "editor's save button does",
                                write};

} // namespace

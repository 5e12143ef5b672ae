// plntool write PLAN.json DATADIR: saves the plan that PLAN.json describes as
// DATADIR/PLANY/<name>.PLN, as the editor's save button does once the user
// has typed the JSON's texts into the window: every time goes through the
// leave-field parser, then the writer of the plan's kind runs, under the
// plan's edit lock. DATADIR is the folder that holds PLANY and PERSONEL.
#include "Command.h"
#include "PlanJson.h"

#include "env/Kelbrin.h"
#include "env/Locks.h"
#include "env/UserIdentity.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "plan/TimeText.h"
#include "plan/ZapisPlanuPracy.h"

namespace {

// Leaves a field holding text, as the window does: false, with the parser's
// message shown, when it refuses the text.
bool TypeInto(const Environment& env, TimeField& field, const QString& text, bool minimumOneMinute = false)
{
    const TimeFieldParse parse = ParseTimeField(text, minimumOneMinute);
    if (parse.IsError()) {
        env.Ui.ShowMessage(MessageIcon::Exclamation, parse.Message());
        return false;
    }
    field.Text = parse.Text;
    field.Value = parse.Value;
    return true;
}

bool TypeFields(const Environment& env, ScheduleFields& fields, const PlanText& text)
{
    for (int slot = 0; slot < SlotCount; ++slot) {
        for (int column = 0; column < 4; ++column) {
            if (!TypeInto(env, fields.Slots[slot][column], text.Schedules[slot][column])) return false;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (!TypeInto(env, fields.Pozostale[i], text.Tolerances[i], i == EarlierEntry || i == LaterExit)) return false;
    }
    return TypeInto(env, fields.Norma, text.DailyNorm) && TypeInto(env, fields.StartDnia, text.DayStart);
}

void SetPlan(PlanDocument& doc, const PlanText& text)
{
    WorkPlan& plan = doc.Plan;
    plan.Name = text.Name;
    plan.Kind = text.Kind;
    plan.FirstDay = text.FirstDay;
    plan.LastDay = text.LastDay;
    if (text.Kind == PlanKind::SchedulePlan) {
        plan.Days.Reset(plan.FirstDay, plan.LastDay);
        for (int i = 0; i < text.Days.size(); ++i)
            plan.Days.Set(plan.FirstDay + i, text.Days.at(i).digitValue());
    }
    for (int i = 0; i < 7; ++i)
        plan.WeekdayKinds[i] = uint8_t(text.Weekdays[i]);
    plan.IncludeFreeDays = text.IncludeFreeDays;
    doc.ProbedKind = uint8_t(text.Kind);
    doc.CurrentPlanName = text.Name;
}

int Write(PlntoolContext& context, const QStringList& args)
{
    if (args.size() != 2) {
        context.Err << "usage: plntool write PLAN.json DATADIR\n";
        return ExitUsage;
    }
    FileIdentity jsonFile;
    const auto json = ReadInputFile(context, "write", args.at(0), MaxPlanJsonSize, &jsonFile);
    if (!json) return ExitUsage;
    QString why;
    const auto text = PlanFromJson(context.Lib, *json, &why);
    if (!text) {
        context.Err << "plntool write: " << args.at(0) << ": " << why << '\n';
        return ExitUsage;
    }
    ProgramState state(context.Lib, context.Ui);
    Environment& env = state.Env;
    if (!UseDataDirectoryForWriting(context, "write", env, args.at(1))) return ExitUsage;

    if (!TypeFields(env, state.Doc.Fields, *text)) return ExitRefused;
    SetPlan(state.Doc, *text);
    // The plan never takes the place of the file it is written from.
    const QString target = PlanFilePath(env, text->Name.trimmed());
    if (IdentityOf(target) == jsonFile) {
        context.Err << "plntool write: " << target << ": the file the plan is written from, which it never replaces\n";
        return ExitUsage;
    }

    // Another workstation editing the plan keeps this save out, as it keeps
    // the editor out.
    if (!AcquirePlanLock(env, text->Name, state.Doc.PlanLockHandle, state.Doc.PlanLockState)) return ExitRefused;
    if (text->Kind == PlanKind::WeeklyPlan && text->IncludeFreeDays) WczytajDniWolne(env, state.FreeDays);
    PlanSaveResult result;
    if (!env.ProgramEnding) {
        result = text->Kind == PlanKind::WeeklyPlan
                     ? ZapiszPlanTygodniowy(env, state.Doc, state.FreeDays, text->Name, true, false)
                     : ZapiszPlanHarmonogramow(env, state.Doc, text->Name, true);
    }
    ReleaseLock(env, state.Doc.PlanLockHandle);
    if (env.ProgramEnding) return ExitRefused;
    // The system's reason, beside the message the editor would show.
    if (result.File.IsFault()) context.Err << "plntool write: " << target << ": " << FileFaultText(result.File) << '\n';
    return ExitCodeOfSave(result.Status);
}

const Registration Registered{"write", "PLAN.json DATADIR",
                              "save the plan of PLAN.json (plntool show's form) as DATADIR/PLANY/<name>.PLN, as the "
                              "editor's save button does",
                              Write};

} // namespace

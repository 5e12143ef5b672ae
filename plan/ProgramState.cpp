#include "plan/ProgramState.h"

#include "plan/TimeText.h"

namespace {

// The open plan as an empty window shows it.
void ResetOpenPlan(PlanDocument& doc)
{
    doc.PlanLockHandle = -1;
    doc.SchedulesFilled = false;
    doc.SchedulePlanShown = false;
    doc.RangeEdited = false;
    const auto recompute = [](TimeField& field) { field.Value = GodzinaNaMinuty(field.Text); };
    for (auto& slot : doc.Fields.Slots)
        for (TimeField& field : slot)
            recompute(field);
    for (TimeField& field : doc.Fields.Pozostale)
        recompute(field);
    recompute(doc.Fields.Norma);
    recompute(doc.Fields.StartDnia);
}

} // namespace

bool StartProgram(ProgramState& state, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                  StartupSteps steps)
{
    steps.PrepareEmptyWindow = [&state, window = std::move(steps.PrepareEmptyWindow)](Environment& env) {
        ResetOpenPlan(state.Doc);
        if (window) window(env);
    };
    if (!steps.ReadFreeDays) steps.ReadFreeDays = [&state](Environment& env) { WczytajDniWolne(env, state.FreeDays); };
    return StartProgram(state.Env, library, instance, programDir, steps);
}

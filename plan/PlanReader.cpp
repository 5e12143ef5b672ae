#include "plan/PlanReader.h"

#include "env/Blokady.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"
#include "plan/TimeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString PlanExtension = QStringLiteral(".PLN");

// The plan's file in the plans folder. The list takes "*.PLN" in any letter
// case, so the file is looked up the same way; a file not found keeps the
// name as built, for the messages.
QString planFilePath(const ProgramState& state, const QString& name)
{
    const QString path = QDir(state.PlansDir()).filePath(name + PlanExtension);
    const QString found = FindFileIgnoringCase(path);
    return found.isEmpty() ? path : found;
}

// Binds the library to the program's folder (result ignored), then to the
// plans folder. A failure of the latter is shown and cboPlany goes back to
// "<BRAK>".
bool bindPlansFolder(ProgramState& state, PlanWindowEffects& effects)
{
    state.Lib.SetDir(state.ProgramDir);
    if (state.Lib.SetDir(state.PlansDir()) == 0) return true;
    state.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nieprawidłowa ścieżka dostępu do planu pracy."));
    effects.ShowNoPlanEntry = true;
    return false;
}

// The first bytes of a plan file (at most limit) and its length. An open or
// read failure goes to the file-error message under the name given.
struct PlanFileHead
{
    QByteArray Bytes;
    qint64 Size = 0;
};

bool readPlanHead(ProgramState& state, const QString& path, const QString& shownName, qint64 limit, PlanFileHead& head)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        head.Size = file.size();
        head.Bytes = file.read(qMin(head.Size, limit));
        if (file.error() == QFileDevice::NoError) return true;
    }
    ShowFileError(state.Ui, FileErrorNumberFor(file), shownName, QString(), true);
    return false;
}

PlanWindowEffects& effectsOrScratch(PlanWindowEffects* effects, PlanWindowEffects& scratch)
{
    return effects ? *effects : scratch;
}

bool readSchedulePlan(ProgramState& state, const QString& name, PlanWindowEffects& effects, PlanFormat format)
{
    effects.CommandButtonsDisabled = true;
    if (!AcquirePlanLock(state, name)) return false;
    if (!bindPlansFolder(state, effects)) return false;
    const QString path = planFilePath(state, name);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() < PlanLayout::MinimumFileSize) return false;
    PlanFileHead head;
    if (!readPlanHead(state, path, name + PlanExtension, PlanReadLimit, head)) return false;

    const DecodedPlan plan = DecodePlanAs(head.Bytes, head.Size, format, PlanKind::SchedulePlan);
    if (plan.DayTableStarted) {
        // The day table is made afresh for the range and filled day by day, so
        // a damaged file leaves it filled up to the bad byte.
        state.Plan.Days.Reset(plan.FirstDay, plan.LastDay);
        state.Plan.Days.Fill(plan.DayBytes);
    }
    if (!plan.Ok()) return false;

    state.Plan.FirstDay = plan.FirstDay;
    state.Plan.LastDay = plan.LastDay;
    for (int slot = 0; slot < plan.StoredSlots(); ++slot)
        state.Plan.Schedules[slot] = plan.Schedules[slot];
    for (int i = 0; i < int(state.Plan.Tolerances.size()); ++i)
        state.Plan.Tolerances[i] = plan.Tolerances[i];
    ShowScheduleTimes(state.Lib, plan, state.Fields);
    state.SchedulesFilled = true;
    effects.RangeShown = true;
    effects.CommandButtonsDisabled = false;
    effects.MonthRedrawn = true;

    state.Plan.Name = name;
    state.Plan.Kind = PlanKind::SchedulePlan;
    state.PlanModified = false;
    state.SchedulePlanShown = true;
    return true;
}

bool readWeeklyPlan(ProgramState& state, const QString& name, PlanWindowEffects& effects, PlanFormat format)
{
    effects.CommandButtonsDisabled = true;
    state.Plan.IncludeFreeDays = false;
    if (!AcquirePlanLock(state, name)) return false;

    // A weekly plan keeps its range only in the area section.
    state.Lib.SetDir(state.PlansDir());
    const QString path = planFilePath(state, name);
    int32_t first = 0;
    int32_t last = -1;
    state.PlanRangeStatus = state.Lib.GetPlanRange(path, first, last);
    if (ShowLibraryError(state.Ui, state.PlanRangeStatus, true)) return false;
    state.Plan.FirstDay = DayOfMinute(first);
    state.Plan.LastDay = DayOfMinute(last);
    effects.RangeShown = true;

    PlanFileHead head;
    if (!readPlanHead(state, path, name + PlanExtension, PlanReadLimit, head)) return false;
    const DecodedPlan plan = DecodePlanAs(head.Bytes, head.Size, format, PlanKind::WeeklyPlan);
    if (plan.DayTableStarted) {
        state.Plan.WeekdayKinds = WeekdayKindsOf(plan, state.Plan.WeekdayKinds);
        effects.WeekdayCellsPainted = true;
    }
    if (!plan.Ok()) return false;

    state.Plan.IncludeFreeDays = plan.IncludeFreeDays();
    state.Plan.DailyNorm = plan.DailyNorm();
    state.Plan.DayStart = plan.DayStart;
    ShowWeeklyTimes(state.Lib, plan, state.Fields);

    state.Plan.Name = name;
    state.Plan.Kind = PlanKind::WeeklyPlan;
    effects.CommandButtonsDisabled = false;
    state.PlanModified = false;
    return true;
}

} // namespace

QStringList ListPlans(ProgramState& state)
{
    state.Lib.SetDir(state.ProgramDir);
    if (state.Lib.SetDir(state.PlansDir()) != 0) {
        state.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Brak dostepu do plików planu pracy."));
        state.ProgramEnding = true;
        return {};
    }
    // QDir matches name filters without regard to letter case unless told
    // otherwise; Unsorted keeps the order the system lists the folder in.
    // Hidden files (on Unix: names starting with a dot) are left out, as a
    // pattern listing of the folder leaves them out on Windows.
    const QStringList files =
        QDir(state.PlansDir()).entryList({QLatin1Char('*') + PlanExtension}, QDir::Files, QDir::Unsorted);
    QStringList names;
    names.reserve(files.size());
    for (const QString& file : files)
        names.append(file.chopped(PlanExtension.size()));
    return names;
}

uint8_t ProbePlanKind(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    PlanWindowEffects& fx = effectsOrScratch(effects, scratch);
    if (!bindPlansFolder(state, fx)) return ProbeFailed;
    PlanFileHead head;
    if (!readPlanHead(state, planFilePath(state, name), name, PlanLayout::BlockEnd, head)) {
        fx.ShowNoPlanEntry = true;
        return ProbeFailed;
    }
    const PlanProbe probe = ProbePlanBytes(head.Bytes);
    state.IsCurrentFormat = probe.Format == PlanFormat::Current;
    return probe.Kind == PlanKind::SchedulePlan ? ProbeSchedulePlan : ProbeWeeklyPlan;
}

bool ReadSchedulePlan(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return readSchedulePlan(state, name, effectsOrScratch(effects, scratch), PlanFormat::Current);
}

bool ReadWeeklyPlan(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return readWeeklyPlan(state, name, effectsOrScratch(effects, scratch), PlanFormat::Current);
}

bool ReadLegacySchedulePlan(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return readSchedulePlan(state, name, effectsOrScratch(effects, scratch), PlanFormat::Legacy);
}

bool ReadLegacyWeeklyPlan(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return readWeeklyPlan(state, name, effectsOrScratch(effects, scratch), PlanFormat::Legacy);
}

bool ReadProbedPlan(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    bool ok = false;
    if (state.ProbedKind == ProbeSchedulePlan)
        ok = state.IsCurrentFormat ? ReadSchedulePlan(state, name, effects)
                                   : ReadLegacySchedulePlan(state, name, effects);
    else if (state.ProbedKind == ProbeWeeklyPlan)
        ok = state.IsCurrentFormat ? ReadWeeklyPlan(state, name, effects) : ReadLegacyWeeklyPlan(state, name, effects);
    state.PlanReadOk = ok;
    return ok;
}

bool ProbeAndReadPlan(ProgramState& state, const QString& name, PlanWindowEffects* effects)
{
    state.ProbedKind = ProbePlanKind(state, name, effects);
    if (state.ProbedKind == ProbeFailed) {
        state.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nie udana próba odczytu typu planu pracy"));
        state.PlanReadOk = false;
        return false;
    }
    return ReadProbedPlan(state, name, effects);
}

int32_t DayOfMinute(int32_t count)
{
    const int32_t day = count / MinutesPerDay;
    return (count % MinutesPerDay < 0) ? day - 1 : day;
}

TimeField ShownTime(const KelbrinLibrary& lib, int32_t value, bool minimumOneMinute)
{
    QString text;
    if (value != EmptyTime) {
        const KlnxDate time = lib.LongToDate(value);
        text = QString::number(time.Hour) + QLatin1Char(':') + QString::number(time.Minute);
    }
    const TimeFieldParse parse = ParseTimeField(text, minimumOneMinute);
    return TimeField{parse.Text, parse.Value};
}

void ShowScheduleTimes(const KelbrinLibrary& lib, const DecodedPlan& plan, ScheduleFields& fields)
{
    for (int slot = 0; slot < plan.StoredSlots(); ++slot) {
        const DaySchedule& stored = plan.Schedules[slot];
        auto& row = fields.Slots[slot];
        row[EntryColumn] = ShownTime(lib, stored.Entry);
        row[ExitColumn] = ShownTime(lib, stored.Exit);
        const bool noBreak = stored.BreakFrom == stored.BreakTo;
        row[BreakFromColumn] = ShownTime(lib, noBreak ? EmptyTime : stored.BreakFrom);
        row[BreakToColumn] = ShownTime(lib, noBreak ? EmptyTime : stored.BreakTo);
    }
    for (int i = 0; i < int(fields.Pozostale.size()); ++i) {
        const bool minimumOneMinute = i == EarlierEntry || i == LaterExit;
        fields.Pozostale[i] = ShownTime(lib, plan.Tolerances[i], minimumOneMinute);
    }
}

void ShowWeeklyTimes(const KelbrinLibrary& lib, const DecodedPlan& plan, ScheduleFields& fields)
{
    // The norm is put into its field as hh:mm and its leave-field routine
    // runs, which keeps the minute of the day as the field's value. The start
    // of the day is only shown; its field keeps the stored number. A legacy
    // plan has no start of day: the field gets 0 and 00:00 and is checked
    // like a typed one.
    const TimeFieldParse norm = ParseTimeField(MinutyNaGodzine(plan.DailyNorm()));
    fields.Norma = TimeField{norm.Text, norm.Value};
    if (plan.Format == PlanFormat::Legacy) {
        fields.StartDnia = ShownTime(lib, 0);
    } else {
        fields.StartDnia = TimeField{MinutyNaGodzine(plan.DayStart), plan.DayStart};
    }
}

std::array<uint8_t, 7> WeekdayKindsOf(const DecodedPlan& plan, std::array<uint8_t, 7> before)
{
    const qsizetype count = qMin<qsizetype>(plan.DayBytes.size(), 7);
    for (qsizetype day = 0; day < count; ++day) {
        const auto stored = static_cast<uint8_t>(plan.DayBytes.at(day));
        if (plan.Format == PlanFormat::Legacy)
            before[day] = stored == LegacyLayout::FreeWeekdayByte ? FreeWeekday : WorkingWeekday;
        else
            before[day] = stored;
    }
    return before;
}

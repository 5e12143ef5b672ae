#include "plan/PlanReader.h"

#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/Locks.h"
#include "env/OdczytZapisPliku.h"
#include "env/PolishOrder.h"
#include "env/Prompt.h"
#include "plan/PlanDocument.h"
#include "plan/TimeText.h"

#include <QDir>

#include <algorithm>

namespace {

const QString PlanExtension = QStringLiteral(".PLN");

// Binds the library to the program's folder (result ignored), then to the
// plans folder. A failure of the latter is shown and the plan box goes back
// to its "no plan" entry.
bool BindPlansFolder(const Environment& env, PlanWindowEffects& effects)
{
    env.Lib.SetDir(env.ProgramDir);
    if (env.Lib.SetDir(env.PlansDir()) == 0) return true;
    env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nieprawidłowa ścieżka dostępu do planu pracy."));
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

bool ReadOpenedHead(DataFile& file, qint64 limit, PlanFileHead& head)
{
    if ((head.Size = file.Size()) < 0) return false;
    head.Bytes.resize(qsizetype(qMin(head.Size, limit)));
    const qint64 read = file.Read(head.Bytes.data(), head.Bytes.size());
    if (read < 0) return false;
    head.Bytes.truncate(qsizetype(read));
    return true;
}

// With quietWhenNoFile, a path where no regular file stands (nothing, a
// folder, a device, a broken link) fails without a message.
bool ReadPlanHead(const Environment& env, const QString& path, const QString& shownName, qint64 limit,
                  PlanFileHead& head, bool quietWhenNoFile = false)
{
    DataFile file;
    const OpenStatus opened = file.Open(path, FileAccess::Read);
    if (opened == OpenStatus::Opened && ReadOpenedHead(file, limit, head)) return true;
    const int16_t number = file.ErrorNumber();
    const bool noFile = opened != OpenStatus::Opened && (number == FileNotFound || number == PathNotFound ||
                                                         number == PathFileAccessError || number == DeviceUnavailable);
    if (!(quietWhenNoFile && noFile)) ShowFileError(env.Ui, number, shownName, QString(), true);
    return false;
}

// The head of the named plan's file (see PlanFilePath): the file of the
// name as written is opened at once; only where none opens is a name that
// differs in letter case looked for, and what that finds reports failures.
bool ReadNamedPlanHead(const Environment& env, const QString& name, const QString& shownName, qint64 limit,
                       PlanFileHead& head, bool quietWhenNoFile = false)
{
    DataFile file;
    if (file.Open(QDir(env.PlansDir()).filePath(name + PlanExtension), FileAccess::Read) == OpenStatus::Opened &&
        ReadOpenedHead(file, limit, head))
        return true;
    return ReadPlanHead(env, PlanFilePath(env, name), shownName, limit, head, quietWhenNoFile);
}

PlanWindowEffects& EffectsOrScratch(PlanWindowEffects* effects, PlanWindowEffects& scratch)
{
    return effects ? *effects : scratch;
}

bool ReadSchedule(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects& effects,
                  PlanFormat format)
{
    effects.CommandButtonsDisabled = true;
    if (!AcquirePlanLock(env, name, doc.PlanLockHandle, doc.PlanLockState)) return false;
    if (!BindPlansFolder(env, effects)) return false;
    // A missing file, anything but a regular file and a file too short for a
    // plan fail silently; the file is looked at once, by its open.
    PlanFileHead head;
    if (!ReadNamedPlanHead(env, name, name + PlanExtension, PlanReadLimit, head, true) ||
        head.Size < PlanLayout::MinimumFileSize)
        return false;

    const DecodedPlan plan = DecodePlanAs(head.Bytes, head.Size, format, PlanKind::SchedulePlan);
    WorkPlan& model = doc.Plan;
    if (plan.DayTableStarted) {
        // The day table is made afresh for the range and filled day by day, so
        // a damaged file leaves it filled up to the bad byte.
        model.Days.Reset(plan.FirstDay, plan.LastDay);
        model.Days.Fill(plan.DayBytes);
    }
    if (!plan.Ok()) return false;

    model.FirstDay = plan.FirstDay;
    model.LastDay = plan.LastDay;
    for (int slot = 0; slot < plan.StoredSlots(); ++slot)
        model.Schedules[slot] = plan.Schedules[slot];
    for (int i = 0; i < int(model.Tolerances.size()); ++i)
        model.Tolerances[i] = plan.Tolerances[i];
    ShowScheduleTimes(env.Lib, plan, doc.Fields);
    doc.SchedulesFilled = true;
    effects.RangeShown = true;
    effects.CommandButtonsDisabled = false;
    effects.MonthRedrawn = true;

    model.Name = name;
    model.Kind = PlanKind::SchedulePlan;
    doc.PlanModified = false;
    doc.SchedulePlanShown = true;
    return true;
}

bool ReadWeekly(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects& effects,
                PlanFormat format)
{
    WorkPlan& model = doc.Plan;
    effects.CommandButtonsDisabled = true;
    model.IncludeFreeDays = false;
    if (!AcquirePlanLock(env, name, doc.PlanLockHandle, doc.PlanLockState)) return false;

    // A weekly plan keeps its range only in the area section.
    env.Lib.SetDir(env.PlansDir());
    const QString path = PlanFilePath(env, name);
    int32_t first = 0;
    int32_t last = -1;
    doc.PlanRangeStatus = env.Lib.GetPlanRange(path, first, last);
    if (ShowLibraryError(env.Ui, doc.PlanRangeStatus, true)) return false;
    model.FirstDay = DayOfMinute(first);
    model.LastDay = DayOfMinute(last);
    effects.RangeShown = true;

    PlanFileHead head;
    if (!ReadPlanHead(env, path, name + PlanExtension, PlanReadLimit, head)) return false;
    const DecodedPlan plan = DecodePlanAs(head.Bytes, head.Size, format, PlanKind::WeeklyPlan);
    if (plan.DayTableStarted) {
        model.WeekdayKinds = WeekdayKindsOf(plan, model.WeekdayKinds);
        effects.WeekdayCellsPainted = true;
    }
    if (!plan.Ok()) return false;

    model.IncludeFreeDays = plan.IncludeFreeDays();
    model.DailyNorm = plan.DailyNorm();
    model.DayStart = plan.DayStart;
    ShowWeeklyTimes(env.Lib, plan, doc.Fields);

    model.Name = name;
    model.Kind = PlanKind::WeeklyPlan;
    effects.CommandButtonsDisabled = false;
    doc.PlanModified = false;
    return true;
}

} // namespace

QString PlanFilePath(const Environment& env, const QString& name)
{
    const QString path = QDir(env.PlansDir()).filePath(name + PlanExtension);
    const QString found = FindFileIgnoringCase(path);
    return found.isEmpty() ? path : found;
}

QStringList ListPlans(Environment& env)
{
    env.Lib.SetDir(env.ProgramDir);
    if (env.Lib.SetDir(env.PlansDir()) != 0) {
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Brak dostepu do plików planu pracy."));
        env.ProgramEnding = true;
        return {};
    }
    // Every file whose name ends with the extension in any letter case, as
    // the pattern "*.PLN" matches (compared directly: a name filter of QDir
    // compiles a regular expression for it). Hidden files (on Unix: names
    // starting with a dot) are left out, as a pattern listing of the folder
    // leaves them out on Windows.
    const QStringList files = QDir(env.PlansDir()).entryList(QDir::Files, QDir::Unsorted);
    QStringList names;
    names.reserve(files.size());
    for (const QString& file : files)
        if (file.endsWith(PlanExtension, Qt::CaseInsensitive)) names.append(file.chopped(PlanExtension.size()));
    std::sort(names.begin(), names.end(), PlanNameLess);
    return names;
}

bool PlanNameLess(const QString& a, const QString& b)
{
    // Names that differ in letter case only keep one order from run to run.
    const int order = ComparePolish(a, b);
    return order != 0 ? order < 0 : a < b;
}

uint8_t ProbePlanKind(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    PlanWindowEffects& fx = EffectsOrScratch(effects, scratch);
    if (!BindPlansFolder(env, fx)) return ProbeFailed;
    PlanFileHead head;
    if (!ReadNamedPlanHead(env, name, name, PlanLayout::BlockEnd, head)) {
        fx.ShowNoPlanEntry = true;
        return ProbeFailed;
    }
    const PlanProbe probe = ProbePlanBytes(head.Bytes);
    doc.IsCurrentFormat = probe.Format == PlanFormat::Current;
    return probe.Kind == PlanKind::SchedulePlan ? ProbeSchedulePlan : ProbeWeeklyPlan;
}

bool ReadSchedulePlan(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return ReadSchedule(env, doc, name, EffectsOrScratch(effects, scratch), PlanFormat::Current);
}

bool ReadWeeklyPlan(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return ReadWeekly(env, doc, name, EffectsOrScratch(effects, scratch), PlanFormat::Current);
}

bool ReadLegacySchedulePlan(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return ReadSchedule(env, doc, name, EffectsOrScratch(effects, scratch), PlanFormat::Legacy);
}

bool ReadLegacyWeeklyPlan(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    PlanWindowEffects scratch;
    return ReadWeekly(env, doc, name, EffectsOrScratch(effects, scratch), PlanFormat::Legacy);
}

bool ReadProbedPlan(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    bool ok = false;
    if (doc.ProbedKind == ProbeSchedulePlan)
        ok = doc.IsCurrentFormat ? ReadSchedulePlan(env, doc, name, effects)
                                 : ReadLegacySchedulePlan(env, doc, name, effects);
    else if (doc.ProbedKind == ProbeWeeklyPlan)
        ok = doc.IsCurrentFormat ? ReadWeeklyPlan(env, doc, name, effects)
                                 : ReadLegacyWeeklyPlan(env, doc, name, effects);
    doc.PlanReadOk = ok;
    return ok;
}

bool ProbeAndReadPlan(const Environment& env, PlanDocument& doc, const QString& name, PlanWindowEffects* effects)
{
    doc.ProbedKind = ProbePlanKind(env, doc, name, effects);
    if (doc.ProbedKind == ProbeFailed) {
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nie udana próba odczytu typu planu pracy"));
        doc.PlanReadOk = false;
        return false;
    }
    return ReadProbedPlan(env, doc, name, effects);
}

int32_t DayOfMinute(int32_t count)
{
    const int32_t day = count / MinutesPerDay;
    return (count % MinutesPerDay < 0) ? day - 1 : day;
}

TimeField ShownTime(const KelbrinLibrary& lib, int32_t value, bool minimumOneMinute)
{
    if (value == EmptyTime) return {};
    // The library's hour and minute always pass the leave-field parser, which
    // writes them with two digits each (and a zero earlier-entry or
    // later-exit allowance as one minute).
    const KlnxDate time = lib.LongToDate(value);
    const int minutes = time.Hour * 60 + time.Minute;
    return TimeField{MinutyNaGodzine(minutes == 0 && minimumOneMinute ? 1 : minutes),
                     minutes == 0 && minimumOneMinute ? 1 : minutes};
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

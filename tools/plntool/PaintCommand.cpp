// plntool paint FILE.PLN --cycle 0,0,1,1,2,2,4,4 [--from YYYY-MM-DD]
// [--to YYYY-MM-DD] [--offset N] [--keep-free-days]: paints a shift cycle
// over the days of a schedule plan and saves it, as the editor's "Wzór
// zmian…" and save button do: under the plan's edit lock, with the slots'
// schedules checked first and the plan written by the plan writer. The cycle
// starts at --from (the plan's first day when left out) at place --offset;
// the days from --from to --to (the plan's last day) are painted, as far as
// the plan reaches; with --keep-free-days the days of WOLNE.DAT stay free.
// FILE.PLN lies in the PLANY folder of a data directory. One line on stdout
// says what was painted.
#include "Command.h"

#include "env/Locks.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "plan/ShiftCycle.h"
#include "plan/ZapisPlanuPracy.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char* const Usage = "usage: plntool paint FILE.PLN --cycle 0,0,1,1,2,2,4,4 [--from YYYY-MM-DD] [--to YYYY-MM-DD] "
                          "[--offset N] [--keep-free-days]\n";

struct PaintArguments
{
    QString PlanPath;
    QVector<int> Cycle;
    QDate From, To;
    int Offset = 0;
    bool KeepFreeDays = false;
};

// The arguments, or nothing with the reason in why.
std::optional<PaintArguments> ParseArguments(const QStringList& args, QString& why)
{
    PaintArguments parsed;
    bool cycleGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--keep-free-days")) {
            parsed.KeepFreeDays = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!parsed.PlanPath.isEmpty()) return std::nullopt;
            parsed.PlanPath = arg;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        const QString& value = args.at(++i);
        if (arg == QLatin1String("--cycle")) {
            const auto cycle = ParseCycle(value, &why);
            if (!cycle) return std::nullopt;
            parsed.Cycle = *cycle;
            cycleGiven = true;
        } else if (arg == QLatin1String("--from") || arg == QLatin1String("--to")) {
            const QDate date = DateArgument(value);
            if (!date.isValid() || date < DateOfDay(0) || date > DateOfDay(MaxPlanDay)) {
                why = QStringLiteral("%1 must be a date YYYY-MM-DD from 2000-01-01 to %2")
                          .arg(arg, DateOfDay(MaxPlanDay).toString(Qt::ISODate));
                return std::nullopt;
            }
            (arg == QLatin1String("--from") ? parsed.From : parsed.To) = date;
        } else if (arg == QLatin1String("--offset")) {
            bool ok = false;
            parsed.Offset = value.toInt(&ok);
            if (!ok || parsed.Offset < 0 || parsed.Offset >= MaxCycleLength) {
                why = QStringLiteral("--offset must be a number of days from 0 to %1").arg(MaxCycleLength - 1);
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    if (parsed.PlanPath.isEmpty() || !cycleGiven) return std::nullopt;
    return parsed;
}

// The plan's name and its data directory: FILE.PLN must lie in DATADIR/PLANY.
bool LocatePlan(PlntoolContext& context, Environment& env, const QString& path, QString& name)
{
    const QFileInfo file(path);
    QDir plans = file.absoluteDir();
    const QString fileName = file.fileName();
    if (!file.isFile() || !fileName.endsWith(QLatin1String(".PLN"), Qt::CaseInsensitive) ||
        plans.dirName() != QLatin1String("PLANY") || !plans.cdUp()) {
        context.Err << "plntool paint: " << path << ": no plan file in the PLANY folder of a data directory\n";
        return false;
    }
    name = fileName.chopped(4);
    return UseDataDirectoryForWriting(context, "paint", env, plans.path());
}

int Paint(PlntoolContext& context, const QStringList& args)
{
    QString why;
    const std::optional<PaintArguments> parsed = ParseArguments(args, why);
    if (!parsed) {
        if (!why.isEmpty()) context.Err << "plntool paint: " << why << '\n';
        context.Err << Usage;
        return ExitUsage;
    }
    ProgramState state(context.Lib, context.Ui);
    Environment& env = state.Env;
    PlanDocument& doc = state.Doc;
    QString name;
    if (!LocatePlan(context, env, parsed->PlanPath, name)) return ExitUsage;

    // The plan is opened as the editor opens it, under its edit lock.
    const bool read = ProbeAndReadPlan(env, doc, name);
    const auto finish = [&](int code) {
        ReleaseLock(env, doc.PlanLockHandle);
        return code;
    };
    if (!read) {
        context.Err << "plntool paint: " << parsed->PlanPath << ": the plan cannot be opened\n";
        return finish(ExitRefused);
    }
    if (doc.ProbedKind != ProbeSchedulePlan) {
        env.Ui.ShowMessage(MessageIcon::Exclamation,
                           QStringLiteral("Wzór zmian można nanieść tylko na plan harmonogramów."));
        return finish(ExitRefused);
    }

    const DayTable& days = doc.Plan.Days;
    CyclePainting painting;
    painting.Cycle = parsed->Cycle;
    painting.From = parsed->From.isValid() ? DayOfDate(parsed->From) : days.FirstDay();
    painting.To = parsed->To.isValid() ? DayOfDate(parsed->To) : days.LastDay();
    painting.FirstDay = painting.From;
    painting.Offset = parsed->Offset % int(painting.Cycle.size());
    painting.KeepFreeDays = parsed->KeepFreeDays;
    QBitArray free;
    if (painting.KeepFreeDays) {
        WczytajDniWolne(env, state.FreeDays);
        if (env.ProgramEnding) return finish(ExitRefused);
        if (state.FreeDays.FreeDaysLoaded) free = FreeDayMask(state.FreeDays.Days, days.FirstDay(), days.LastDay());
    }
    const DayRun run = PaintCycle(days, painting, free);
    if (run.IsEmpty()) {
        context.Err << "plntool paint: " << DateOfDay(painting.From).toString(Qt::ISODate) << ".."
                    << DateOfDay(painting.To).toString(Qt::ISODate) << " misses the plan's days "
                    << DateOfDay(days.FirstDay()).toString(Qt::ISODate) << ".."
                    << DateOfDay(days.LastDay()).toString(Qt::ISODate) << '\n';
        return finish(ExitUsage);
    }
    if (!MayPaintRun(env.Ui, doc.Fields, run)) return finish(ExitRefused);

    int changed = 0;
    for (qsizetype i = 0; i < run.Slots.size(); ++i) {
        const int32_t day = run.First + int32_t(i);
        if (doc.Plan.Days.At(day) != run.Slots.at(i)) ++changed;
        doc.Plan.Days.Set(day, run.Slots.at(i));
    }
    doc.PlanModified = true;
    const PlanSaveResult result = ZapiszPlanHarmonogramow(env, doc, name, true);
    if (result.Ok()) {
        context.Out << "painted " << run.Slots.size() << " days from " << DateOfDay(run.First).toString(Qt::ISODate)
                    << " to " << DateOfDay(run.Last()).toString(Qt::ISODate) << ", " << changed << " changed\n";
    }
    return finish(ExitCodeOfSave(result.Status));
}

const Registration Registered{
    "paint", "FILE.PLN --cycle 0,0,1,1,2,2,4,4 [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--offset N] [--keep-free-days]",
    "paint a shift cycle over a schedule plan's days and save it under the plan's lock, as the editor does", Paint};

} // namespace

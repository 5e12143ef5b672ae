// plntool lint FILE.PLN [--wolne WOLNE.DAT] [--system podstawowy|rownowazny]
// [--okres 1|2|3|4]: the labour-code check of a plan, as JSON:
//
// {"system": "podstawowy"|"rownowazny", "periodMonths": 1..4,
//  "findings": [{"date": "YYYY-MM-DD", "rule", "severity": "error"|"warning", "message"}],
//  "periods": [{"from", "to", "normMinutes" (null when the plan covers part of the period), "plannedMinutes"}]}
//
// The free days come from --wolne, else from WOLNE.DAT (any letter case) in
// the plan's folder when there is one. Exit codes: 0 no error finding, 3 an
// error finding, 1 the plan cannot be read, 2 usage or an unreadable free-days
// file. Files are refused before they are opened unless they are regular files
// of at most 16 MiB, so that a pipe or a device never blocks the tool.
#include "Command.h"

#include "compliance/ComplianceCheck.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "plan/PlanDecoder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr int ExitErrorFound = 3;
const char* const Usage = "usage: plntool lint FILE.PLN [--wolne WOLNE.DAT] [--system podstawowy|rownowazny] "
                          "[--okres 1|2|3|4]\n";

struct LintArguments
{
    QString PlanPath;
    QString FreeDaysPath;
    ComplianceOptions Options;
};

std::optional<LintArguments> ParseArguments(const QStringList& args)
{
    LintArguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!parsed.PlanPath.isEmpty()) return std::nullopt;
            parsed.PlanPath = arg;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        const QString& value = args.at(++i);
        if (arg == QLatin1String("--wolne")) {
            parsed.FreeDaysPath = value;
        } else if (arg == QLatin1String("--system")) {
            if (value == QLatin1String("podstawowy"))
                parsed.Options.System = WorkingTimeSystem::Basic;
            else if (value == QLatin1String("rownowazny") || value == QStringLiteral("równoważny"))
                parsed.Options.System = WorkingTimeSystem::Equivalent;
            else
                return std::nullopt;
        } else if (arg == QLatin1String("--okres")) {
            bool ok = false;
            parsed.Options.PeriodMonths = value.toInt(&ok);
            if (!ok || parsed.Options.PeriodMonths < 1 || parsed.Options.PeriodMonths > 4) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.PlanPath.isEmpty()) return std::nullopt;
    return parsed;
}

// WOLNE.DAT in the plan's folder, whatever the letter case of its name.
QString FreeDaysBeside(const QString& planPath)
{
    return FindFileIgnoringCase(QFileInfo(planPath).absoluteDir().filePath(QStringLiteral("WOLNE.DAT")));
}

// The plan the file holds, with a weekly plan's range from the suite library.
std::optional<WorkPlan> PlanOf(PlntoolContext& context, const QString& path)
{
    const auto bytes = ReadInputFile(context, "lint", path);
    if (!bytes) return std::nullopt;
    const DecodedPlan decoded = DecodePlan(*bytes);
    if (!decoded.Ok()) {
        context.Err << "plntool lint: " << path << ": not a readable plan: " << DamageText(decoded.Damage) << '\n';
        return std::nullopt;
    }
    WarnUnlessWhole(context, "lint", path, *bytes);
    WorkPlan plan;
    plan.Kind = decoded.Kind;
    plan.Schedules = decoded.Schedules;
    if (decoded.Kind == PlanKind::SchedulePlan) {
        plan.FirstDay = decoded.FirstDay;
        plan.LastDay = decoded.LastDay;
        plan.Days.Reset(plan.FirstDay, plan.LastDay);
        plan.Days.Fill(decoded.DayBytes);
        return plan;
    }
    plan.WeekdayKinds = WeekdayKindsOf(decoded, plan.WeekdayKinds);
    plan.DailyNorm = decoded.DailyNorm();
    plan.DayStart = decoded.DayStart;
    plan.IncludeFreeDays = decoded.IncludeFreeDays();
    int32_t first = 0;
    int32_t last = -1;
    const uint8_t status = context.Lib.GetPlanRange(QFileInfo(path).absoluteFilePath(), first, last);
    if (status != 0 || first < 0 || last < first || last / MinutesPerDay > MaxPlanDay) {
        context.Err << "plntool lint: " << path << ": no plan range (status " << status << ", minutes " << first << ".."
                    << last << ")\n";
        return std::nullopt;
    }
    plan.FirstDay = first / MinutesPerDay;
    plan.LastDay = last / MinutesPerDay;
    return plan;
}

QString JsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString DateJson(int32_t day)
{
    return JsonString(DateOfDay(day).toString(Qt::ISODate));
}

void PrintReport(QTextStream& out, const ComplianceOptions& options, const ComplianceReport& report)
{
    out << "{\n  \"system\": " << (options.System == WorkingTimeSystem::Basic ? "\"podstawowy\"" : "\"rownowazny\"")
        << ",\n  \"periodMonths\": " << options.PeriodMonths << ",\n  \"findings\": [";
    const char* separator = "\n";
    for (const ComplianceFinding& finding : report.Findings) {
        out << separator << "    {\"date\": " << DateJson(finding.Day)
            << ", \"rule\": " << JsonString(RuleId(finding.Rule))
            << ", \"severity\": " << (finding.Severity == FindingSeverity::Error ? "\"error\"" : "\"warning\"")
            << ", \"message\": " << JsonString(finding.Message) << '}';
        separator = ",\n";
    }
    out << (report.Findings.isEmpty() ? "" : "\n  ") << "],\n  \"periods\": [";
    separator = "\n";
    for (const SettlementPeriod& period : report.Periods) {
        out << separator << "    {\"from\": " << DateJson(period.FirstDay) << ", \"to\": " << DateJson(period.LastDay)
            << ", \"normMinutes\": "
            << (period.NormMinutes ? QString::number(*period.NormMinutes) : QStringLiteral("null"))
            << ", \"plannedMinutes\": " << period.PlannedMinutes << '}';
        separator = ",\n";
    }
    out << (report.Periods.isEmpty() ? "" : "\n  ") << "]\n}\n";
}

int Lint(PlntoolContext& context, const QStringList& args)
{
    const std::optional<LintArguments> parsed = ParseArguments(args);
    if (!parsed) {
        context.Err << Usage;
        return ExitUsage;
    }
    const std::optional<WorkPlan> plan = PlanOf(context, parsed->PlanPath);
    if (!plan) return ExitRefused;

    const QString freeDaysPath =
        parsed->FreeDaysPath.isEmpty() ? FreeDaysBeside(parsed->PlanPath) : parsed->FreeDaysPath;
    QMap<int32_t, QString> freeDays;
    if (!freeDaysPath.isEmpty()) {
        const auto bytes = ReadInputFile(context, "lint", freeDaysPath, FreeDaysReadLimit);
        if (!bytes) return ExitUsage;
        const FreeDayFile file = DecodeFreeDays(*bytes);
        if (file.BadRecord >= 0) {
            context.Err << "plntool lint: " << freeDaysPath << ": bad free-day record " << file.BadRecord << '\n';
            return ExitUsage;
        }
        freeDays = FreeDaysBetween(FreeDayListOf(file.Records), plan->FirstDay, plan->LastDay);
    }

    const ComplianceReport report = CheckCompliance(*plan, freeDays, parsed->Options);
    PrintReport(context.Out, parsed->Options, report);
    return report.HasError() ? ExitErrorFound : ExitOk;
}

const Registration Registered{
    "lint", "FILE.PLN [--wolne WOLNE.DAT] [--system podstawowy|rownowazny] [--okres 1|2|3|4]",
    "check a plan against the labour code's rest, limit, Sunday and norm rules; JSON, exit 3 on an error", Lint};

} // namespace

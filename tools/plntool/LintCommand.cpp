// plntool lint FILE.PLN [--wolne WOLNE.DAT] [--system podstawowy|rownowazny]
// [--okres 1|2|3|4|6|12] [--niedziela HH:MM] [--noc 21|22|23]
// [--szczegolnie-niebezpieczna] [--pdf OUT.pdf]: the labour-code check of a
// plan, as JSON:
//
// {"system": "podstawowy"|"rownowazny", "periodMonths": 1..12,
//  "sundayStart": "HH:MM", "nightStart": "HH:MM", "arduousWork": true|false,
//  "findings": [{"date": "YYYY-MM-DD", "rule", "severity": "error"|"warning", "message", "article"}],
//  "periods": [{"from", "to", "normMinutes" (null when the plan covers part of the period), "plannedMinutes",
//               "nightMinutes"}]}
//
// --pdf also writes the report for an inspection (export/ComplianceReportPdf.h),
// replaced in one step; its date honours SOURCE_DATE_EPOCH. The free days come
// from --wolne, else from WOLNE.DAT (any letter case) in the plan's folder
// when there is one. Exit codes: 0 no error finding, 3 an error finding, 1 the
// plan cannot be read, 2 usage, an unreadable free-days file or a report that
// cannot be written. Files are refused before they are opened unless they are
// regular files of at most 16 MiB, so that a pipe or a device never blocks the
// tool.
#include "Command.h"

#include "compliance/ComplianceCheck.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/OdczytZapisPliku.h"
#include "export/ComplianceReportPdf.h"
#include "export/PlanExport.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "plan/PlanDecoder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

constexpr int ExitErrorFound = 3;
const char* const Arguments = "FILE.PLN [--wolne WOLNE.DAT] [--system podstawowy|rownowazny] [--okres 1|2|3|4|6|12] "
                              "[--niedziela HH:MM] [--noc 21|22|23] [--szczegolnie-niebezpieczna] [--pdf OUT.pdf]";

struct LintArguments
{
    QString PlanPath;
    QString FreeDaysPath;
    QString PdfPath;
    ComplianceOptions Options;
};

// A whole hour as HH:MM, 00:00 to 23:00, as a minute of the day; -1 otherwise.
int32_t WholeHour(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([01][0-9]|2[0-3]):00$"));
    return form.match(text).hasMatch() ? int32_t(text.left(2).toInt() * 60) : -1;
}

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
        if (arg == QLatin1String("--szczegolnie-niebezpieczna")) {
            parsed.Options.ArduousWork = true;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        const QString& value = args.at(++i);
        bool ok = true;
        if (arg == QLatin1String("--wolne")) {
            parsed.FreeDaysPath = value;
        } else if (arg == QLatin1String("--pdf")) {
            parsed.PdfPath = value;
        } else if (arg == QLatin1String("--system")) {
            if (value == QLatin1String("podstawowy"))
                parsed.Options.System = WorkingTimeSystem::Basic;
            else if (value == QLatin1String("rownowazny") || value == QStringLiteral("równoważny"))
                parsed.Options.System = WorkingTimeSystem::Equivalent;
            else
                return std::nullopt;
        } else if (arg == QLatin1String("--okres")) {
            parsed.Options.PeriodMonths = value.toInt(&ok);
        } else if (arg == QLatin1String("--niedziela")) {
            parsed.Options.SundayStart = WholeHour(value);
        } else if (arg == QLatin1String("--noc")) {
            parsed.Options.NightStart = value.toInt(&ok) * 60;
        } else {
            return std::nullopt;
        }
        if (!ok || value.isEmpty()) return std::nullopt;
    }
    if (parsed.PlanPath.isEmpty() || !OptionsValid(parsed.Options)) return std::nullopt;
    return parsed;
}

// WOLNE.DAT in the plan's folder, whatever the letter case of its name.
QString FreeDaysBeside(const QString& planPath)
{
    return FindFileIgnoringCase(QFileInfo(planPath).absoluteDir().filePath(QStringLiteral("WOLNE.DAT")));
}

// The plan the file holds, named after it, with a weekly plan's range from the suite library.
std::optional<WorkPlan> PlanOf(PlntoolContext& context, const QString& path, FileIdentity& identity)
{
    const auto bytes = ReadInputFile(context, "lint", path, LargestPlausiblePlan, &identity);
    if (!bytes) return std::nullopt;
    const DecodedPlan decoded = DecodePlan(*bytes);
    if (!decoded.Ok()) {
        context.Err << "plntool lint: " << path << ": not a readable plan: " << DamageText(decoded.Damage) << '\n';
        return std::nullopt;
    }
    WarnUnlessWhole(context, "lint", path, *bytes);
    int32_t first = 0;
    int32_t last = -1;
    if (decoded.Kind == PlanKind::WeeklyPlan) {
        const uint8_t status = context.Lib.GetPlanRange(QFileInfo(path).absoluteFilePath(), first, last);
        if (status != 0 || first < 0 || last < first || last / MinutesPerDay > MaxPlanDay) {
            context.Err << "plntool lint: " << path << ": no plan range (status " << status << ", minutes " << first
                        << ".." << last << ")\n";
            return std::nullopt;
        }
    }
    return PlanOfDecoded(decoded, PlanNameOfPath(path), first / MinutesPerDay, last / MinutesPerDay);
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
        << ",\n  \"periodMonths\": " << options.PeriodMonths << ",\n  \"sundayStart\": \""
        << HourText(options.SundayStart) << "\",\n  \"nightStart\": \"" << HourText(options.NightStart)
        << "\",\n  \"arduousWork\": " << (options.ArduousWork ? "true" : "false") << ",\n  \"findings\": [";
    const char* separator = "\n";
    for (const ComplianceFinding& finding : report.Findings) {
        out << separator << "    {\"date\": " << DateJson(finding.Day)
            << ", \"rule\": " << JsonString(RuleId(finding.Rule))
            << ", \"severity\": " << (finding.Severity == FindingSeverity::Error ? "\"error\"" : "\"warning\"")
            << ", \"message\": " << JsonString(finding.Message()) << ", \"article\": " << JsonString(finding.Article())
            << '}';
        separator = ",\n";
    }
    out << (report.Findings.isEmpty() ? "" : "\n  ") << "],\n  \"periods\": [";
    separator = "\n";
    for (const SettlementPeriod& period : report.Periods) {
        out << separator << "    {\"from\": " << DateJson(period.FirstDay) << ", \"to\": " << DateJson(period.LastDay)
            << ", \"normMinutes\": "
            << (period.NormMinutes ? QString::number(*period.NormMinutes) : QStringLiteral("null"))
            << ", \"plannedMinutes\": " << period.PlannedMinutes << ", \"nightMinutes\": " << period.NightMinutes
            << '}';
        separator = ",\n";
    }
    out << (report.Periods.isEmpty() ? "" : "\n  ") << "]\n}\n";
}

int Lint(PlntoolContext& context, const QStringList& args)
{
    const std::optional<LintArguments> parsed = ParseArguments(args);
    if (!parsed) {
        context.Err << "usage: plntool lint " << Arguments << '\n';
        return ExitUsage;
    }
    // The report is never written over the plan or the free days it reads.
    QList<FileIdentity> inputs(1);
    const std::optional<WorkPlan> plan = PlanOf(context, parsed->PlanPath, inputs.first());
    if (!plan) return ExitRefused;

    const QString freeDaysPath =
        parsed->FreeDaysPath.isEmpty() ? FreeDaysBeside(parsed->PlanPath) : parsed->FreeDaysPath;
    QMap<int32_t, QString> freeDays;
    if (!freeDaysPath.isEmpty()) {
        const auto bytes = ReadInputFile(context, "lint", freeDaysPath, FreeDaysReadLimit, &inputs.emplace_back());
        if (!bytes) return ExitUsage;
        const FreeDayFile file = DecodeFreeDays(*bytes);
        if (file.BadRecord >= 0) {
            context.Err << "plntool lint: " << freeDaysPath << ": bad free-day record " << file.BadRecord << '\n';
            return ExitUsage;
        }
        freeDays = FreeDaysBetween(FreeDayListOf(file.Records), plan->FirstDay, plan->LastDay);
    }

    ComplianceReportInput input{*plan, parsed->Options, CheckCompliance(*plan, freeDays, parsed->Options),
                                OutputTime()};
    PrintReport(context.Out, parsed->Options, input.Report);
    if (!parsed->PdfPath.isEmpty()) {
        const QByteArray pdf = context.Pdf ? context.Pdf->Report(input) : QByteArray();
        if (pdf.isEmpty()) {
            context.Err << "plntool lint: " << parsed->PdfPath << ": the report could not be made\n";
            return ExitUsage;
        }
        if (!PutOutputInPlace(context, "lint", parsed->PdfPath, pdf, inputs)) return ExitUsage;
    }
    return input.Report.HasError() ? ExitErrorFound : ExitOk;
}

// Fonts, which the report needs, come with a QGuiApplication.
bool Paints(const QStringList& args)
{
    return args.contains(QLatin1String("--pdf"));
}

const Registration Registered{"lint", Arguments,
                              "check a plan against the labour code's rest, limit, break, night, Sunday, free-day and "
                              "norm rules; JSON (and a PDF report), exit 3 on an error",
                              Lint, Paints};

} // namespace

// plntool team DATADIR --month YYYY-MM [--csv OUT.csv] [--pdf OUT.pdf]: the
// team's month of a data directory, read only, as JSON on stdout, or as the
// window's table and printed pages (their print date honours SOURCE_DATE_EPOCH).
//
// {"from", "to",
//  "employees": [{"number", "surname", "firstName", "group", "plan",
//                 "state": "ok"|"no-plan"|"missing"|"damaged",
//                 "days": [{"date", "start", "end", "minutes"}],   (days with work only)
//                 "plannedMinutes", "normMinutes" (null when unknown)}],
//  "coverage": [{"date", "working", "bySlot": {"06:00-14:00": n, ...}, "byHour": [24 numbers]}]}
//
// bySlot counts the shifts starting on the day by their hours; every shift
// of the month has its key on every day. byHour counts who is at work at
// 00:00, 01:00, ... 23:00.
#include "Command.h"

#include "env/Environment.h"
#include "env/Konfiguracja.h"
#include "export/TeamExport.h"
#include "freedays/DniWolne.h"
#include "staff/ObslugaListy.h"
#include "team/TeamMonth.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

const char* const Usage = "usage: plntool team DATADIR --month YYYY-MM [--csv OUT.csv] [--pdf OUT.pdf]\n";

struct TeamArguments
{
    QString DataDir;
    QDate Month;
    QString Csv;
    QString Pdf;
};

std::optional<TeamArguments> Parse(const QStringList& args)
{
    TeamArguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!parsed.DataDir.isEmpty()) return std::nullopt;
            parsed.DataDir = arg;
            continue;
        }
        if (++i == args.size() || args.at(i).isEmpty()) return std::nullopt;
        const QString& value = args.at(i);
        if (arg == QLatin1String("--month")) {
            static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}$"));
            parsed.Month =
                form.match(value).hasMatch() ? QDate::fromString(value + QStringLiteral("-01"), Qt::ISODate) : QDate();
            if (!parsed.Month.isValid()) return std::nullopt;
        } else if (arg == QLatin1String("--csv")) {
            parsed.Csv = QFileInfo(value).absoluteFilePath();
        } else if (arg == QLatin1String("--pdf")) {
            parsed.Pdf = QFileInfo(value).absoluteFilePath();
        } else {
            return std::nullopt;
        }
    }
    if (parsed.DataDir.isEmpty() || !parsed.Month.isValid()) return std::nullopt;
    // Reading the records moves the current folder into the data directory:
    // the paths given are taken from where the command was started.
    parsed.DataDir = QFileInfo(parsed.DataDir).absoluteFilePath();
    return parsed;
}

QString Quoted(const QString& text)
{
    const QByteArray json = QJsonDocument(QJsonArray{QJsonValue(text)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.sliced(1, json.size() - 2));
}

QString DayJson(int32_t day)
{
    return Quoted(DateOfDay(day).toString(Qt::ISODate));
}

QString TimeJson(int64_t minute)
{
    return Quoted(TimeOfDayText(int32_t(((minute % MinutesPerDay) + MinutesPerDay) % MinutesPerDay)));
}

void PrintJson(QTextStream& out, const TeamMonth& month)
{
    out << "{\"from\": " << DayJson(month.FirstDay) << ", \"to\": " << DayJson(month.LastDay) << ",\n \"employees\": [";
    for (int i = 0; i < month.Members.size(); ++i) {
        const TeamMember& member = month.Members.at(i);
        const EmployeeRow& row = member.Row;
        out << (i ? ",\n  " : "\n  ") << "{\"number\": " << Quoted(row.Number)
            << ", \"surname\": " << Quoted(row.Surname) << ", \"firstName\": " << Quoted(row.FirstName)
            << ", \"group\": " << Quoted(row.Group) << ", \"plan\": " << Quoted(row.Plan)
            << ", \"state\": " << Quoted(StateId(member.State)) << ", \"days\": [";
        const char* separator = "";
        for (int32_t day = month.FirstDay; day <= month.LastDay; ++day) {
            const Shift* shift = month.WorkOn(i, day);
            if (!shift) continue;
            out << separator << "{\"date\": " << DayJson(day) << ", \"start\": " << TimeJson(shift->Start)
                << ", \"end\": " << TimeJson(int64_t(shift->Start) + shift->Length)
                << ", \"minutes\": " << shift->WorkingTime << '}';
            separator = ", ";
        }
        const std::optional<int64_t> norm = month.NormMinutes(i);
        out << "], \"plannedMinutes\": " << month.PlannedMinutes(i)
            << ", \"normMinutes\": " << (norm ? QString::number(*norm) : QStringLiteral("null")) << '}';
    }
    out << (month.Members.isEmpty() ? "],\n" : "\n ],\n") << " \"coverage\": [";
    const QVector<DayCoverage> coverage = TeamCoverage(month);
    for (qsizetype i = 0; i < coverage.size(); ++i) {
        const DayCoverage& day = coverage.at(i);
        out << (i ? ",\n  " : "\n  ") << "{\"date\": " << DayJson(day.Day) << ", \"working\": " << day.Working
            << ", \"bySlot\": {";
        for (qsizetype kind = 0; kind < month.Kinds.size(); ++kind)
            out << (kind ? ", " : "") << Quoted(HoursText(month.Kinds.at(kind))) << ": " << day.ByKind.at(kind);
        out << "}, \"byHour\": [";
        for (size_t hour = 0; hour < day.ByHour.size(); ++hour)
            out << (hour ? ", " : "") << day.ByHour[hour];
        out << "]}";
    }
    out << (coverage.isEmpty() ? "]\n}\n" : "\n ]\n}\n");
}

// The suite's free days of the data directory; none without WOLNE.DAT. A
// damaged file leaves none and says so.
FreeDayList FreeDaysOf(PlntoolContext& context, const QString& plansDir)
{
    const QString path = FindFileIgnoringCase(QDir(plansDir).filePath(QStringLiteral("WOLNE.DAT")));
    if (path.isEmpty()) return {};
    const auto bytes = ReadInputFile(context, "team", path, FreeDaysReadLimit);
    if (!bytes) return {};
    const FreeDayFile file = DecodeFreeDays(*bytes);
    if (file.Ok()) return FreeDayListOf(file.Records);
    context.Err << "plntool team: " << path << ": Błędny plik. Odczyt danych dni wolnych anulowany.\n";
    return {};
}

// Everything of the data directory that the month is read from: the team's
// outputs never replace any of it.
QList<FileIdentity> InputsOf(const Environment& env)
{
    QList<FileIdentity> inputs;
    for (const QString& folder : {env.StaffDir(), env.PlansDir()}) {
        QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System);
        while (files.hasNext()) {
            if (const std::optional<FileIdentity> identity = IdentityOf(files.next())) inputs.append(*identity);
        }
    }
    return inputs;
}

int Team(PlntoolContext& context, const QStringList& args)
{
    const std::optional<TeamArguments> parsed = Parse(args);
    if (!parsed) {
        context.Err << Usage;
        return ExitUsage;
    }
    Environment env(context.Lib, context.Ui);
    env.ProgramDir = context.ProgramDir;
    UseDataDirectory(env, parsed->DataDir);
    EmployeeRows rows;
    if (!WczytajPracownikow(env, rows, StaffHooks{})) return ExitRefused;
    TeamOptions options;
    options.FreeDays = FreeDaysOf(context, env.PlansDir());
    const int32_t first = DayOfDate(parsed->Month);
    const int32_t last = DayOfDate(parsed->Month.addMonths(1)) - 1;
    const TeamMonth month = ReadTeamMonth(env, rows, first, last, options);

    if (parsed->Csv.isEmpty() && parsed->Pdf.isEmpty()) {
        PrintJson(context.Out, month);
        return ExitOk;
    }
    TeamExportInput input = TeamExportOf(month);
    // The print date of reproducible builds, when one is given.
    bool fixed = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&fixed);
    if (fixed) input.Now = QDateTime::fromSecsSinceEpoch(epoch);
    if (!parsed->Csv.isEmpty() && !parsed->Pdf.isEmpty() && SameOutput(parsed->Csv, parsed->Pdf)) {
        context.Err << "plntool team: --csv and --pdf name the same file " << parsed->Pdf << '\n';
        return ExitUsage;
    }
    const QList<FileIdentity> inputs = InputsOf(env);
    for (const QString& path : {parsed->Csv, parsed->Pdf}) {
        if (!path.isEmpty() && RefuseOutput(context, "team", path, inputs)) return ExitUsage;
    }
    bool ok = true;
    if (!parsed->Csv.isEmpty()) ok = PutOutputInPlace(context, "team", parsed->Csv, TeamCsv(input), inputs);
    if (ok && !parsed->Pdf.isEmpty()) {
        QByteArray pdf;
        QBuffer buffer(&pdf);
        ok = buffer.open(QIODevice::WriteOnly) && context.Pdf && context.Pdf->Team(input, buffer);
        if (!ok) context.Err << "plntool team: the pages could not be made\n";
        ok = ok && PutOutputInPlace(context, "team", parsed->Pdf, pdf, inputs);
    }
    return ok ? ExitOk : ExitUsage;
}

bool Paints(const QStringList& args)
{
    return args.contains(QLatin1String("--pdf"));
}

const Registration Registered{"team", "DATADIR --month YYYY-MM [--csv OUT.csv] [--pdf OUT.pdf]",
                              "the employees' days, planned hours and norm, and each day's coverage, of a month "
                              "of DATADIR as JSON (or a CSV table and PDF pages)",
                              Team, Paints};

} // namespace

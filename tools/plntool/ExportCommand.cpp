// plntool export FILE.PLN --pdf OUT.pdf | --ics OUT.ics | --csv OUT.csv
//                [--from YYYY-MM] [--to YYYY-MM] [--wolne WOLNE.DAT]
// writes a plan as PDF pages, an iCalendar file or a CSV table, each
// replaced in one step. The suite's free days come from --wolne, else from
// WOLNE.DAT (any letter case) beside the plan when there is one. A weekly
// plan's range comes from the suite library, as in the editor. The print
// date and time stamps honour SOURCE_DATE_EPOCH.
//
// An output is refused (exit 2, before anything is written) when it names
// the plan or the free days read (by any name), a plan file (.PLN), a link,
// a folder, a device or a pipe, or the same file as another output.
#include "Command.h"

#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "export/CsvExport.h"
#include "export/ICalendarExport.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "plan/PlanDecoder.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <functional>

namespace {

const char* const Usage = "usage: plntool export FILE.PLN --pdf OUT.pdf|--ics OUT.ics|--csv OUT.csv "
                          "[--from YYYY-MM] [--to YYYY-MM] [--wolne WOLNE.DAT]\n";

struct Options
{
    QString Plan;
    QString Pdf, Ics, Csv;
    QDate From, To; // the first of a month, or invalid
    QString FreeDays;
};

QDate MonthOf(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}$"));
    return form.match(text).hasMatch() ? QDate::fromString(text + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"))
                                       : QDate();
}

// The options, or an empty Plan with the reason in why.
Options Parse(const QStringList& args, QString& why)
{
    Options options;
    QString* const outputs[] = {&options.Pdf, &options.Ics, &options.Csv, &options.FreeDays};
    const QStringList names{QStringLiteral("--pdf"), QStringLiteral("--ics"), QStringLiteral("--csv"),
                            QStringLiteral("--wolne")};
    QString plan;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const qsizetype named = names.indexOf(arg);
        const bool month = arg == QLatin1String("--from") || arg == QLatin1String("--to");
        if (named < 0 && !month) {
            if (arg.startsWith(QLatin1String("--")) || !plan.isEmpty()) {
                why = QStringLiteral("unexpected argument ") + arg;
                return {};
            }
            plan = arg;
            continue;
        }
        if (++i == args.size() || args.at(i).isEmpty()) {
            why = arg + QStringLiteral(" needs a value");
            return {};
        }
        if (month) {
            QDate& target = arg == QLatin1String("--from") ? options.From : options.To;
            target = MonthOf(args.at(i));
            if (!target.isValid()) {
                why = arg + QStringLiteral(" takes a month as YYYY-MM, not ") + args.at(i);
                return {};
            }
        } else {
            *outputs[named] = args.at(i);
        }
    }
    if (plan.isEmpty() || (options.Pdf.isEmpty() && options.Ics.isEmpty() && options.Csv.isEmpty())) {
        why = QStringLiteral("a plan file and at least one of --pdf, --ics, --csv are needed");
        return {};
    }
    if (options.From.isValid() && options.To.isValid() && options.To < options.From) {
        why = QStringLiteral("--to is before --from");
        return {};
    }
    options.Plan = plan;
    return options;
}

// WOLNE.DAT beside the plan, in any letter case (whatever it is: a pipe
// there is refused, not passed over); empty when there is none.
QString FreeDaysBeside(const QString& planPath)
{
    return FindFileIgnoringCase(QFileInfo(planPath).absoluteDir().filePath(QStringLiteral("WOLNE.DAT")));
}

// One file to write: its option, its name, and what goes into it.
struct Output
{
    const char* Option;
    QString Path;
    std::function<bool(QIODevice&)> Write;
};

QString RefusalText(ExportRefusal refusal)
{
    if (refusal == ExportRefusal::PlanFile)
        return QStringLiteral("the name of a plan file, which only the plan writers write");
    if (refusal == ExportRefusal::Input) return QStringLiteral("a file this command reads, which it never replaces");
    const TargetRefusal target = refusal == ExportRefusal::Link ? TargetRefusal::Link : TargetRefusal::NotRegular;
    return FileFaultText(FileFault{PathFileAccessError, 0, target, false});
}

} // namespace

bool SameOutput(const QString& a, const QString& b)
{
    if (QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath()) return true;
    const auto first = IdentityOf(a);
    return first && first == IdentityOf(b);
}

bool RefuseOutput(PlntoolContext& context, const char* command, const QString& path, const QList<FileIdentity>& inputs)
{
    const ExportRefusal refusal = CheckExportTarget(QFileInfo(path).absoluteFilePath(), inputs);
    if (refusal == ExportRefusal::None) return false;
    context.Err << "plntool " << command << ": " << path << ": " << RefusalText(refusal) << '\n';
    return true;
}

bool PutOutputInPlace(PlntoolContext& context, const char* command, const QString& path, QByteArrayView bytes,
                      const QList<FileIdentity>& inputs)
{
    if (RefuseOutput(context, command, path, inputs)) return false;
    FileReplacement file;
    file.KeepInputs(inputs);
    const QString target = QFileInfo(path).absoluteFilePath();
    int16_t number = file.Write(QFileInfo(target).absolutePath(), {bytes});
    if (number == 0) number = file.Commit(target);
    if (number == 0) return true;
    context.Err << "plntool " << command << ": " << path << ": " << FileFaultText(file.Fault()) << '\n';
    return false;
}

namespace {

// Makes the output in memory and puts it in place in one step, never over
// an input.
bool WriteOutput(PlntoolContext& context, const Output& output, const QList<FileIdentity>& inputs)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !output.Write(buffer)) {
        context.Err << "plntool export: " << output.Path << ": the " << (output.Option + 2) << " could not be made\n";
        return false;
    }
    return PutOutputInPlace(context, "export", output.Path, bytes, inputs);
}

int ExportPlan(PlntoolContext& context, const QStringList& args)
{
    QString why;
    const Options options = Parse(args, why);
    if (options.Plan.isEmpty()) {
        context.Err << "plntool export: " << why << '\n' << Usage;
        return ExitUsage;
    }

    // Two options that name one file are refused before anything is read.
    PlanExportInput input;
    const auto bytesOf = [](const std::function<QByteArray()>& make) {
        return [make](QIODevice& out) {
            const QByteArray content = make();
            return out.write(content) == content.size();
        };
    };
    QList<Output> outputs;
    if (!options.Pdf.isEmpty())
        outputs.append({"--pdf", options.Pdf,
                        [&input, &context](QIODevice& out) { return context.Pdf && context.Pdf->Plan(input, out); }});
    if (!options.Ics.isEmpty())
        outputs.append({"--ics", options.Ics, bytesOf([&input] { return PlanICalendar(input); })});
    if (!options.Csv.isEmpty()) outputs.append({"--csv", options.Csv, bytesOf([&input] { return PlanCsv(input); })});
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        for (qsizetype j = 0; j < i; ++j) {
            if (SameOutput(outputs[j].Path, outputs[i].Path)) {
                context.Err << "plntool export: " << outputs[j].Option << " and " << outputs[i].Option
                            << " name the same file " << outputs[i].Path << '\n';
                return ExitUsage;
            }
        }
    }
    const QString path = QFileInfo(options.Plan).absoluteFilePath();
    QList<FileIdentity> inputs(1);
    const auto bytes = ReadInputFile(context, "export", options.Plan, LargestPlausiblePlan, &inputs.first());
    if (!bytes) return ExitRefused;
    const DecodedPlan decoded = DecodePlan(*bytes);
    if (!decoded.Ok()) {
        context.Err << "plntool export: " << options.Plan << ": not a readable plan: " << DamageText(decoded.Damage)
                    << " (at byte " << decoded.DamageOffset << ")\n";
        return ExitRefused;
    }
    WarnUnlessWhole(context, "export", options.Plan, *bytes);
    int32_t firstDay = 0, lastDay = -1;
    if (decoded.Kind == PlanKind::WeeklyPlan) {
        int32_t first = 0, last = -1;
        const uint8_t status = context.Lib.GetPlanRange(path, first, last);
        if (status != 0 || last < first || first < 0) {
            context.Err << "plntool export: " << options.Plan << ": no plan range (status " << status << ")\n";
            return ExitRefused;
        }
        firstDay = first / MinutesPerDay;
        lastDay = last / MinutesPerDay;
    }

    input.Plan = PlanOfDecoded(decoded, PlanNameOfPath(path), firstDay, lastDay);
    input.Now = OutputTime();
    if (options.From.isValid() || options.To.isValid())
        input.Months = MonthSpan{options.From.isValid() ? options.From : DateOfDay(input.Plan.FirstDay),
                                 options.To.isValid() ? options.To : DateOfDay(input.Plan.LastDay)};
    if (ExportMonths(input).isEmpty()) {
        context.Err << "plntool export: the plan runs from " << DateText(DateOfDay(input.Plan.FirstDay)) << " to "
                    << DateText(DateOfDay(input.Plan.LastDay)) << ", outside the months asked for\n";
        return ExitUsage;
    }

    const QString freeDaysPath = options.FreeDays.isEmpty() ? FreeDaysBeside(path) : options.FreeDays;
    if (!freeDaysPath.isEmpty()) {
        FileIdentity freeDaysFile;
        const auto freeDayBytes = ReadInputFile(context, "export", freeDaysPath, FreeDaysReadLimit, &freeDaysFile);
        if (!freeDayBytes) return ExitUsage;
        inputs.append(freeDaysFile);
        // The free days of the whole months: the pages mark them outside the
        // plan's range too. As in the editor, a bad record leaves none at all.
        const FreeDayFile freeDays = DecodeFreeDays(*freeDayBytes);
        const QVector<QDate> months = ExportMonths(input);
        if (freeDays.Ok())
            input.FreeDays = FreeDaysBetween(FreeDayListOf(freeDays.Records), DayOfDate(months.first()),
                                             DayOfDate(months.last().addMonths(1)) - 1);
        else
            context.Err << "plntool export: " << freeDaysPath
                        << ": Błędny plik. Odczyt danych dni wolnych anulowany.\n";
    }

    for (const Output& output : outputs) {
        if (RefuseOutput(context, "export", output.Path, inputs)) return ExitUsage;
    }
    for (const Output& output : outputs) {
        if (!WriteOutput(context, output, inputs)) return ExitUsage;
    }
    return ExitOk;
}

// Fonts, which the PDF pages need, come with a QGuiApplication.
bool Paints(const QStringList& args)
{
    return args.contains(QLatin1String("--pdf"));
}

const Registration registration{"export",
                                "FILE.PLN --pdf OUT.pdf|--ics OUT.ics|--csv OUT.csv [--from YYYY-MM] [--to YYYY-MM] "
                                "[--wolne WOLNE.DAT]",
                                "write a plan as PDF pages, an iCalendar file or a CSV table", ExportPlan, Paints};

} // namespace

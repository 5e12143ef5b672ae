// plntool export FILE.PLN --pdf OUT.pdf | --ics OUT.ics | --csv OUT.csv
//                [--from YYYY-MM] [--to YYYY-MM] [--wolne WOLNE.DAT]
// writes a plan as PDF pages, an iCalendar file or a CSV table, each
// replaced in one step. The suite's free days come from --wolne, else from
// WOLNE.DAT (any letter case) beside the plan when there is one. A weekly
// plan's range comes from the suite library, as in the editor. The print
// date and time stamps honour SOURCE_DATE_EPOCH.
#include "Command.h"

#include "env/Kelbrin.h"
#include "export/CsvExport.h"
#include "export/ICalendarExport.h"
#include "export/PdfExport.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "plan/PlanDecoder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <functional>

namespace {

// Header, plan block, 18,501 day bytes, the day index and eight areas a day
// come to well under this; WOLNE.DAT is far smaller still.
constexpr qint64 LargestInputFile = 16 * 1024 * 1024;

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

// A whole small file: refused before it is opened when it is not a regular
// file or is larger than any input can be.
std::optional<QByteArray> ReadInputFile(const QString& path, QString& why)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        why = QStringLiteral("no such file");
    } else if (!info.isFile()) {
        why = QStringLiteral("not a regular file");
    } else if (info.size() > LargestInputFile) {
        why = QStringLiteral("far larger than it can be (%1 bytes)").arg(info.size());
    } else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            QByteArray bytes = file.read(LargestInputFile + 1);
            if (file.error() == QFileDevice::NoError && bytes.size() <= LargestInputFile) return bytes;
        }
        why = file.errorString();
    }
    return std::nullopt;
}

// WOLNE.DAT beside the plan, in any letter case; empty when there is none.
QString FreeDaysBeside(const QString& planPath)
{
    const QFileInfoList files = QFileInfo(planPath).dir().entryInfoList(QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.fileName().compare(QLatin1String("WOLNE.DAT"), Qt::CaseInsensitive) == 0) return file.filePath();
    }
    return {};
}

bool WriteAtomically(PlntoolContext& context, const QString& path, const std::function<bool(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && write(file) && file.commit()) return true;
    const QString why =
        file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("the output could not be made");
    file.cancelWriting();
    context.Err << "plntool export: " << path << ": " << why << '\n';
    return false;
}

int ExportPlan(PlntoolContext& context, const QStringList& args)
{
    QString why;
    const Options options = Parse(args, why);
    if (options.Plan.isEmpty()) {
        context.Err << "plntool export: " << why << '\n' << Usage;
        return ExitUsage;
    }
    const QString path = QFileInfo(options.Plan).absoluteFilePath();
    const auto bytes = ReadInputFile(path, why);
    if (!bytes) {
        context.Err << "plntool export: " << options.Plan << ": " << why << '\n';
        return ExitRefused;
    }
    const DecodedPlan decoded = DecodePlan(*bytes);
    if (!decoded.Ok()) {
        context.Err << "plntool export: " << options.Plan << ": not a readable plan: " << DamageText(decoded.Damage)
                    << " (at byte " << decoded.DamageOffset << ")\n";
        return ExitRefused;
    }
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

    PlanExportInput input;
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
        const auto freeDayBytes = ReadInputFile(freeDaysPath, why);
        if (!freeDayBytes) {
            context.Err << "plntool export: " << freeDaysPath << ": " << why << '\n';
            return ExitUsage;
        }
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

    const auto bytesOf = [](const QByteArray& content) {
        return [content](QIODevice& out) { return out.write(content) == content.size(); };
    };
    bool written = true;
    if (!options.Pdf.isEmpty())
        written = WriteAtomically(context, options.Pdf, [&](QIODevice& out) { return WritePlanPdf(input, out); });
    if (written && !options.Ics.isEmpty())
        written = WriteAtomically(context, options.Ics, bytesOf(PlanICalendar(input)));
    if (written && !options.Csv.isEmpty()) written = WriteAtomically(context, options.Csv, bytesOf(PlanCsv(input)));
    return written ? ExitOk : ExitUsage;
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

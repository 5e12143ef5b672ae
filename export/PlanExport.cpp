#include "export/PlanExport.h"

#include <QLocale>

#include <algorithm>

namespace {

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QDate FirstOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

} // namespace

DaySpan ExportDays(const PlanExportInput& input)
{
    DaySpan span{input.Plan.FirstDay, input.Plan.LastDay};
    if (input.Months) {
        const QDate first = FirstOfMonth(input.Months->First);
        const QDate last = FirstOfMonth(input.Months->Last).addMonths(1).addDays(-1);
        span.First = std::max(span.First, DayOfDate(first));
        span.Last = std::min(span.Last, DayOfDate(last));
    }
    return span;
}

QVector<QDate> ExportMonths(const PlanExportInput& input)
{
    QVector<QDate> months;
    const DaySpan days = ExportDays(input);
    if (days.IsEmpty()) return months;
    const QDate last = DateOfDay(days.Last);
    for (QDate month = FirstOfMonth(DateOfDay(days.First)); month <= last; month = month.addMonths(1))
        months.append(month);
    return months;
}

QDateTime ExportTime(const PlanExportInput& input)
{
    return input.Now.isValid() ? input.Now : QDateTime::currentDateTime();
}

QString TimeOfDayText(int32_t minutes)
{
    if (minutes < 0) return {};
    minutes %= MinutesPerDay;
    return TwoDigits(minutes / 60) + QLatin1Char(':') + TwoDigits(minutes % 60);
}

QString DurationText(int32_t minutes)
{
    const QString sign = minutes < 0 ? QStringLiteral("-") : QString();
    minutes = std::abs(minutes);
    return sign + TwoDigits(minutes / 60) + QLatin1Char(':') + TwoDigits(minutes % 60);
}

void AppendDigits(QByteArray& out, int value, int width)
{
    char digits[4] = {};
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

QString DateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd-MM-yyyy"));
}

QString PolishMonthName(int month)
{
    return QLocale(QLocale::Polish).standaloneMonthName(month, QLocale::LongFormat);
}

QString PolishWeekdayName(int dayOfWeek)
{
    return QLocale(QLocale::Polish).dayName(dayOfWeek, QLocale::LongFormat);
}

ExportRefusal ExportRefusalOf(TargetRefusal refusal)
{
    switch (refusal) {
    case TargetRefusal::None:
        break;
    case TargetRefusal::Link:
        return ExportRefusal::Link;
    case TargetRefusal::NotRegular:
        return ExportRefusal::NotRegular;
    case TargetRefusal::Input:
        return ExportRefusal::Input;
    }
    return ExportRefusal::None;
}

ExportRefusal CheckExportTarget(const QString& path, const QList<FileIdentity>& inputs)
{
    if (path.endsWith(QLatin1String(".PLN"), Qt::CaseInsensitive)) return ExportRefusal::PlanFile;
    return ExportRefusalOf(CheckWriteTarget(path, inputs));
}

#include "plan/TimeText.h"

#include "env/Kelbrin.h"

namespace {

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

bool IsWholeNumber(QStringView text)
{
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    }
    return true;
}

} // namespace

int32_t GodzinaNaMinuty(const QString& text)
{
    if (text.trimmed().isEmpty()) return -1;
    const int hour = text.mid(0, 2).trimmed().toInt();
    const int minute = text.mid(3, 2).trimmed().toInt();
    return hour * 60 + minute;
}

QString MinutyNaGodzine(int32_t count)
{
    const int32_t minuteOfDay = ((count % 1440) + 1440) % 1440;
    return TwoDigits(minuteOfDay / 60) + QLatin1Char(':') + TwoDigits(minuteOfDay % 60);
}

QString DataNaTekst(const KelbrinLibrary& lib, int32_t count)
{
    const KlnxDate date = lib.LongToDate(count);
    return TwoDigits(date.Day) + QLatin1Char('-') + TwoDigits(date.Month) + QLatin1Char('-') +
           QString::number(date.Year);
}

QString TimeFieldParse::Message() const
{
    switch (Result) {
    case FormatError:
        return QStringLiteral("Niepoprawnie wprowadzona godzina. Format godziny gg:mm");
    case HoursError:
        return QStringLiteral("Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23.");
    case MinutesError:
        return QStringLiteral("Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.");
    default:
        return {};
    }
}

TimeFieldParse ParseTimeField(const QString& text, bool minimumOneMinute)
{
    TimeFieldParse parse;
    const QString t = text.trimmed();
    if (t.isEmpty()) return parse;
    parse.Result = TimeFieldParse::FormatError;
    if (t.size() <= 2 || t.startsWith(QLatin1Char(':'))) return parse;
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    if (colon < 0 || colon > 2) return parse;
    const QStringView hours = QStringView(t).left(colon);
    const QStringView minutes = QStringView(t).mid(colon + 1);
    if (minutes.isEmpty() || minutes.size() > 2 || minutes.contains(QLatin1Char(':'))) return parse;
    if (!IsWholeNumber(hours) || !IsWholeNumber(minutes)) return parse;
    int hh = hours.toInt();
    int mm = minutes.toInt();
    if (hh >= 24) {
        parse.Result = TimeFieldParse::HoursError;
        return parse;
    }
    if (mm >= 60) {
        parse.Result = TimeFieldParse::MinutesError;
        return parse;
    }
    if (minimumOneMinute && hh == 0 && mm == 0) mm = 1;
    parse.Result = TimeFieldParse::Accepted;
    parse.Text = TwoDigits(hh) + QLatin1Char(':') + TwoDigits(mm);
    parse.Value = hh * 60 + mm;
    return parse;
}

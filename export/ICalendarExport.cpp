#include "export/ICalendarExport.h"

#include "plan/PlanShifts.h"

#include <QCryptographicHash>

namespace {

constexpr qsizetype MaxLineOctets = 75;

// Central European time with summer time from the last Sunday of March,
// 02:00, to the last Sunday of October, 03:00 (the European rule since 1996).
const char* const WarsawTimeZone = "BEGIN:VTIMEZONE\r\n"
                                   "TZID:Europe/Warsaw\r\n"
                                   "BEGIN:DAYLIGHT\r\n"
                                   "TZOFFSETFROM:+0100\r\n"
                                   "TZOFFSETTO:+0200\r\n"
                                   "TZNAME:CEST\r\n"
                                   "DTSTART:19960331T020000\r\n"
                                   "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                                   "END:DAYLIGHT\r\n"
                                   "BEGIN:STANDARD\r\n"
                                   "TZOFFSETFROM:+0200\r\n"
                                   "TZOFFSETTO:+0100\r\n"
                                   "TZNAME:CET\r\n"
                                   "DTSTART:19961027T030000\r\n"
                                   "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                                   "END:STANDARD\r\n"
                                   "END:VTIMEZONE\r\n";

// TEXT value escaping: backslash, semicolon, comma and line breaks.
QByteArray Escaped(const QString& text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == ';' || c == ',') out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

// Ends the content line that begins at lineStart: folds it into lines of at
// most 75 octets, each continuation starting with a blank, never inside a
// UTF-8 sequence, and adds the CRLF.
void EndLine(QByteArray& out, qsizetype lineStart)
{
    if (out.size() - lineStart > MaxLineOctets) {
        const QByteArray line = out.mid(lineStart);
        out.truncate(lineStart);
        qsizetype from = 0;
        qsizetype room = MaxLineOctets;
        while (line.size() - from > room) {
            qsizetype cut = from + room;
            while (cut > from && (uchar(line.at(cut)) & 0xC0) == 0x80)
                --cut;
            out += QByteArrayView(line).sliced(from, cut - from);
            out += "\r\n ";
            from = cut;
            room = MaxLineOctets - 1;
        }
        out += QByteArrayView(line).sliced(from);
    }
    out += "\r\n";
}

void AppendLine(QByteArray& out, const char* name, const QByteArray& value)
{
    const qsizetype start = out.size();
    out += name;
    out += value;
    EndLine(out, start);
}

// yyyyMMdd of a day number.
void AppendDate(QByteArray& out, int32_t day)
{
    int year = 0, month = 0, dayOfMonth = 0;
    DateOfDay(day).getDate(&year, &month, &dayOfMonth);
    AppendDigits(out, year, 4);
    AppendDigits(out, month, 2);
    AppendDigits(out, dayOfMonth, 2);
}

// yyyyMMddTHHmmss of a minute count (not negative: plans start in 2000).
void AppendLocalTime(QByteArray& out, int32_t minute)
{
    const int32_t day = minute / MinutesPerDay;
    const int32_t time = minute % MinutesPerDay;
    AppendDate(out, day);
    out += 'T';
    AppendDigits(out, time / 60, 2);
    AppendDigits(out, time % 60, 2);
    out += "00";
}

} // namespace

QByteArray PlanICalendar(const PlanExportInput& input)
{
    const WorkPlan& plan = input.Plan;
    const DaySpan days = ExportDays(input);
    const QVector<Shift> shifts = PlanShifts(plan, input.FreeDays, days.First, days.Last);

    // The day and the plan's name make the UID, the name as part of its hash:
    // plain ASCII that no reader alters (some readers undo percent escapes).
    const QByteArray uidSuffix =
        '-' + QCryptographicHash::hash(plan.Name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16) + "@grafenta";
    const QByteArray stamp =
        "DTSTAMP:" + ExportTime(input).toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1() + "\r\n";
    const QByteArray planLine = Escaped(QStringLiteral("Plan pracy: ") + plan.Name);
    // Summary and description lines per slot; the weekly plan's after them.
    std::array<QByteArray, SlotCount + 1> summaries;
    std::array<QByteArray, SlotCount + 1> descriptions;
    for (int slot = 0; slot < SlotCount; ++slot) {
        summaries[slot] = Escaped(QStringLiteral("Praca – harmonogram %1").arg(slot));
        const DaySchedule& times = plan.Schedules[slot];
        const bool hasBreak =
            times.BreakFrom != EmptyTime && times.BreakTo != EmptyTime && times.BreakFrom != times.BreakTo;
        descriptions[slot] = hasBreak ? Escaped(QStringLiteral("Przerwa: %1–%2\n")
                                                    .arg(TimeOfDayText(times.BreakFrom), TimeOfDayText(times.BreakTo)))
                                      : QByteArray();
        descriptions[slot] += planLine;
    }
    summaries[SlotCount] = Escaped(QStringLiteral("Praca"));
    descriptions[SlotCount] = planLine;

    QByteArray out;
    out.reserve(1024 + shifts.size() * (300 + 2 * planLine.size()));
    out += "BEGIN:VCALENDAR\r\n"
           "VERSION:2.0\r\n"
           "PRODID:-//Grafenta//Plan pracy//PL\r\n"
           "CALSCALE:GREGORIAN\r\n"
           "METHOD:PUBLISH\r\n";
    AppendLine(out, "X-WR-CALNAME:", Escaped(plan.Name));
    out += "X-WR-TIMEZONE:Europe/Warsaw\r\n";
    out += WarsawTimeZone;
    for (const Shift& shift : shifts) {
        const int row = shift.Slot < 0 ? SlotCount : shift.Slot;
        out += "BEGIN:VEVENT\r\n";
        const qsizetype uidStart = out.size();
        out += "UID:";
        AppendDate(out, shift.Day);
        out += uidSuffix;
        EndLine(out, uidStart);
        out += stamp;
        out += "DTSTART;TZID=Europe/Warsaw:";
        AppendLocalTime(out, shift.Start);
        out += "\r\nDTEND;TZID=Europe/Warsaw:";
        AppendLocalTime(out, shift.End());
        out += "\r\n";
        AppendLine(out, "SUMMARY:", summaries[row]);
        AppendLine(out, "DESCRIPTION:", descriptions[row]);
        out += "END:VEVENT\r\n";
    }
    out += "END:VCALENDAR\r\n";
    return out;
}

#include "export/TeamExport.h"

#include "env/ErrorMessages.h"
#include "env/OdczytZapisPliku.h"
#include "export/PlanExport.h"

#include <QFileInfo>

#include <numeric>

namespace {

// A field of the table: quoted when it holds the separator, a quote or a line break.
QByteArray Field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(';') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r')) return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

// A row of the coverage part: a label, the member columns left empty, a note, one number a day.
QByteArray CoverageRow(const QString& label, const QString& note, const QVector<int>& perDay, bool blankZeros)
{
    QByteArray row = Field(label) + ";;;;;" + Field(note);
    for (const int count : perDay) {
        row += ';';
        if (count != 0 || !blankZeros) row += QByteArray::number(count);
    }
    return row + ";;\r\n";
}

} // namespace

TeamExportInput TeamExportOf(const TeamMonth& month)
{
    TeamExportInput input;
    input.Month = month;
    input.Rows.resize(month.Members.size());
    std::iota(input.Rows.begin(), input.Rows.end(), 0);
    return input;
}

QString ShortHoursText(ShiftHours hours)
{
    const auto text = [](int minutes) {
        const QString hour = QString::number(minutes / 60);
        return minutes % 60 == 0
                   ? hour
                   : hour + QLatin1Char(':') + QStringLiteral("%1").arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    return text(hours.Start) + QStringLiteral("–") + text(hours.End);
}

uint32_t ShiftColour(const Shift& shift, const std::array<uint32_t, SlotCount>& colours)
{
    return colours[size_t(shift.Slot >= 0 && shift.Slot < SlotCount ? shift.Slot : 1)];
}

int Shortfall(const TeamExportInput& input, qsizetype kind, const DayCoverage& day)
{
    const int minimum = input.Minimums.value(HoursText(input.Month.Kinds.at(kind)), 0);
    return std::max(0, minimum - day.ByKind.at(kind));
}

QByteArray TeamCsv(const TeamExportInput& input)
{
    const TeamMonth& month = input.Month;
    QByteArray out("\xEF\xBB\xBF");
    out += QStringLiteral("Numer;Nazwisko;Imię;Grupa;Plan pracy;Stan").toUtf8();
    for (int32_t day = month.FirstDay; day <= month.LastDay; ++day)
        out += ';' + DateOfDay(day).toString(Qt::ISODate).toUtf8();
    out += ";Zaplanowano;Norma\r\n";

    // Each shift kind's text is made once.
    QVector<QByteArray> kindTexts;
    for (const ShiftHours& hours : month.Kinds)
        kindTexts.append(HoursText(hours).toUtf8());
    for (const int member : input.Rows) {
        const EmployeeRow& row = month.Members.at(member).Row;
        out += Field(row.Number) + ';' + Field(row.Surname) + ';' + Field(row.FirstName) + ';' + Field(row.Group) +
               ';' + Field(row.Plan) + ';' + Field(StateText(month.Members.at(member).State));
        for (int32_t day = month.FirstDay; day <= month.LastDay; ++day) {
            out += ';';
            const int kind = month.KindOn(member, day);
            if (kind >= 0) out += kindTexts.at(kind);
        }
        const std::optional<int64_t> norm = month.NormMinutes(member);
        out += ';' + DurationText(int32_t(month.PlannedMinutes(member))).toUtf8() + ';' +
               (norm ? DurationText(int32_t(*norm)).toUtf8() : QByteArray()) + "\r\n";
    }

    const QVector<DayCoverage> coverage = TeamCoverage(month, input.Rows);
    out += "\r\n";
    QVector<int> perDay(coverage.size());
    for (qsizetype i = 0; i < coverage.size(); ++i)
        perDay[i] = coverage.at(i).Working;
    out += CoverageRow(QStringLiteral("Pracujący"), QString(), perDay, false);
    for (qsizetype kind = 0; kind < month.Kinds.size(); ++kind) {
        const QString hours = HoursText(month.Kinds.at(kind));
        const int minimum = input.Minimums.value(hours, 0);
        for (qsizetype i = 0; i < coverage.size(); ++i)
            perDay[i] = coverage.at(i).ByKind.at(kind);
        out += CoverageRow(QStringLiteral("Zmiana ") + hours,
                           minimum > 0 ? QStringLiteral("minimum %1").arg(minimum) : QString(), perDay, false);
        if (minimum <= 0) continue;
        for (qsizetype i = 0; i < coverage.size(); ++i)
            perDay[i] = Shortfall(input, kind, coverage.at(i));
        out += CoverageRow(QStringLiteral("Brakuje na zmianie ") + hours, QString(), perDay, true);
    }
    for (int hour = 0; hour < 24; ++hour) {
        for (qsizetype i = 0; i < coverage.size(); ++i)
            perDay[i] = coverage.at(i).ByHour[size_t(hour)];
        out +=
            CoverageRow(QStringLiteral("W pracy o %1:00").arg(hour, 2, 10, QLatin1Char('0')), QString(), perDay, false);
    }
    return out;
}

int16_t SaveExportFile(const QString& path, QByteArrayView bytes)
{
    if (CheckExportTarget(QFileInfo(path).absoluteFilePath(), {}) != ExportRefusal::None) return PathFileAccessError;
    return ReplaceFile(path, bytes);
}

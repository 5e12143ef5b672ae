// WOLNE.DAT with Poland's public holidays: the holidays of fixed date as
// records that recur every year, the movable feasts that follow Easter as
// one-time records for every year a plan can reach (2000..2050), and
// Christmas Eve, a holiday from 2025 on, as one-time records from then.
#include "DemoData.h"

#include "env/CodePage.h"
#include "env/Kelbrin.h"
#include "freedays/DniWolne.h"
#include "plan/WorkPlan.h"

#include <QDataStream>
#include <QDir>

namespace {

constexpr int FirstYear = 2000;
constexpr int LastYear = 2050;
constexpr int ChristmasEveFrom = 2025;

struct FixedHoliday
{
    uint8_t Month, Day;
    const char* Name;
};

const FixedHoliday FixedHolidays[] = {
    {1, 1, "Nowy Rok"},
    {1, 6, "Święto Trzech Króli"},
    {5, 1, "Święto Pracy"},
    {5, 3, "Święto Narodowe Trzeciego Maja"},
    {8, 15, "Wniebowzięcie Najświętszej Maryi Panny"},
    {11, 1, "Wszystkich Świętych"},
    {11, 11, "Narodowe Święto Niepodległości"},
    {12, 25, "Boże Narodzenie (pierwszy dzień)"},
    {12, 26, "Boże Narodzenie (drugi dzień)"},
};

// Easter Sunday of a Gregorian year (month, day), by the anonymous
// Gregorian computus.
std::pair<uint8_t, uint8_t> EasterSunday(int year)
{
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int n = h + l - 7 * m + 114;
    return {uint8_t(n / 31), uint8_t(n % 31 + 1)};
}

void AppendRecord(QDataStream& out, int32_t date, const QString& name, bool recurring)
{
    QByteArray description = ToCodePage(name).left(FreeDayDescriptionSize);
    description.append(FreeDayDescriptionSize - description.size(), ' ');
    const QByteArray scrambled = OdkodujTekst(description);
    out << date;
    out.writeRawData(scrambled.constData(), int(scrambled.size()));
    out << uint8_t(recurring ? 1 : 0);
    const char unused[FreeDayRecordSize - FreeDayRecurringOffset - 1] = {};
    out.writeRawData(unused, int(sizeof unused));
}

} // namespace

bool WriteDemoFreeDays(const KelbrinLibrary& lib, const QString& dataDir, QString* error)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (const FixedHoliday& holiday : FixedHolidays)
        AppendRecord(out, lib.DateToLong(FirstYear, holiday.Month, holiday.Day), QString::fromUtf8(holiday.Name), true);
    for (int year = FirstYear; year <= LastYear; ++year) {
        const auto [month, day] = EasterSunday(year);
        const int32_t easter = lib.DateToLong(year, month, day);
        AppendRecord(out, easter, QStringLiteral("Wielkanoc"), false);
        AppendRecord(out, easter + MinutesPerDay, QStringLiteral("Poniedziałek Wielkanocny"), false);
        AppendRecord(out, easter + 49 * MinutesPerDay, QStringLiteral("Zielone Świątki"), false);
        AppendRecord(out, easter + 60 * MinutesPerDay, QStringLiteral("Boże Ciało"), false);
        if (year >= ChristmasEveFrom)
            AppendRecord(out, lib.DateToLong(year, 12, 24), QStringLiteral("Wigilia Bożego Narodzenia"), false);
    }
    const QString path = QDir(dataDir).filePath(QStringLiteral("PLANY/WOLNE.DAT"));
    return WriteWholeFile(path, bytes, error);
}

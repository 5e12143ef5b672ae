// WOLNE.DAT with Poland's public holidays: the holidays of fixed date as
// records that recur every year (dated in 2000), then, for every year a plan
// can reach (2000..2050), that year's holidays of its own: the feasts that
// follow Easter and, from 2025 on, Christmas Eve.
#include "DemoData.h"

#include "freedays/FreeDaysDocument.h"
#include "freedays/PublicHolidays.h"

#include <QDir>

namespace {

constexpr int FirstYear = 2000;
constexpr int LastYear = 2050;

} // namespace

FreeDaysDocument DemoFreeDaysDocument()
{
    FreeDaysDocument days;
    for (const PublicHoliday& holiday : PublicHolidaysOf(FirstYear)) {
        if (holiday.Recurring) days.Entries.append({holiday.Date, true, holiday.Name, {}});
    }
    for (int year = FirstYear; year <= LastYear; ++year) {
        for (const PublicHoliday& holiday : PublicHolidaysOf(year)) {
            if (!holiday.Recurring) days.Entries.append({holiday.Date, false, holiday.Name, {}});
        }
    }
    return days;
}

bool WriteDemoFreeDays(const KelbrinLibrary&, const QString& dataDir, QString* error)
{
    const QString path = QDir(dataDir).filePath(QStringLiteral("PLANY/WOLNE.DAT"));
    return WriteWholeFile(path, EncodeFreeDays(DemoFreeDaysDocument()), error);
}

#include "freedays/FreeDaysDocument.h"

#include "env/CodePage.h"
#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Konfiguracja.h"
#include "env/Locks.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "env/UserIdentity.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDayList.h"
#include "freedays/PublicHolidays.h"
#include "plan/WorkPlan.h"

#include <QDir>
#include <QtEndian>

#include <algorithm>

namespace {

// The 92 bytes of an entry that has no record of its own yet.
QByteArray NewRecord(const FreeDayEntry& entry)
{
    QByteArray record(FreeDayRecordSize, '\0');
    qToLittleEndian<int32_t>(DayOfDate(entry.Date) * MinutesPerDay, record.data());
    const QByteArray text =
        OdkodujTekst(ToCodePage(entry.Description.trimmed()).leftJustified(FreeDayDescriptionSize, ' ', true));
    record.replace(FreeDayDescriptionOffset, FreeDayDescriptionSize, text);
    record[FreeDayRecurringOffset] = entry.Recurring ? char(1) : char(0);
    return record;
}

bool SameMonthAndDay(const QDate& a, const QDate& b)
{
    return a.month() == b.month() && a.day() == b.day();
}

} // namespace

bool FreeDaysDocument::Modified() const
{
    return EncodeFreeDays(*this) != Original;
}

std::optional<FreeDaysDocument> ParseFreeDays(QByteArrayView bytes)
{
    const FreeDayFile file = DecodeFreeDays(bytes);
    if (!file.Ok()) return std::nullopt;
    FreeDaysDocument doc;
    doc.Entries.reserve(file.Records.size());
    for (qsizetype i = 0; i < file.Records.size(); ++i) {
        const FreeDayRecord& record = file.Records.at(i);
        doc.Entries.append({DateOfDay(record.Date / MinutesPerDay), record.Recurring != 0, record.Name,
                            bytes.sliced(i * FreeDayRecordSize, FreeDayRecordSize).toByteArray()});
    }
    doc.Tail = bytes.last(file.IgnoredTail).toByteArray();
    doc.Original = bytes.toByteArray();
    return doc;
}

QByteArray EncodeFreeDays(const FreeDaysDocument& doc)
{
    QByteArray bytes;
    bytes.reserve(doc.Entries.size() * FreeDayRecordSize + doc.Tail.size());
    for (const FreeDayEntry& entry : doc.Entries)
        bytes += entry.Stored.size() == FreeDayRecordSize ? entry.Stored : NewRecord(entry);
    return bytes + doc.Tail;
}

QString FreeDayDescriptionFault(const QString& description)
{
    const QString text = description.trimmed();
    if (text.isEmpty()) return QStringLiteral("Opis dnia wolnego nie może być pusty.");
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("Opis dnia wolnego nie może zawierać znaków sterujących.");
        // A tilde is stored scrambled as a space, and the reader would take a space back.
        if (c == QLatin1Char('~')) return QStringLiteral("Opis dnia wolnego nie może zawierać znaku „~”.");
        if (!FitsCodePage(QString(c)))
            return QStringLiteral(
                       "Opis dnia wolnego zawiera znak, którego nie można zapisać w pliku dni wolnych: „%1”.")
                .arg(c);
    }
    if (text.size() > FreeDayDescriptionSize)
        return QStringLiteral("Opis dnia wolnego może mieć najwyżej %1 znaków.").arg(FreeDayDescriptionSize);
    return {};
}

QString FreeDayEntryFault(const FreeDayEntry& entry)
{
    if (!entry.Date.isValid() || entry.Date < FirstFreeDayDate || entry.Date > LastFreeDayDate) {
        return QStringLiteral("Data dnia wolnego musi leżeć między %1 a %2.")
            .arg(FirstFreeDayDate.toString(QStringLiteral("dd-MM-yyyy")),
                 LastFreeDayDate.toString(QStringLiteral("dd-MM-yyyy")));
    }
    return FreeDayDescriptionFault(entry.Description);
}

int CoveringEntry(const FreeDaysDocument& doc, const QDate& date, bool recurring)
{
    for (int i = 0; i < doc.Entries.size(); ++i) {
        const FreeDayEntry& entry = doc.Entries.at(i);
        if (!SameMonthAndDay(entry.Date, date)) continue;
        if (entry.Recurring || (!recurring && entry.Date.year() == date.year())) return i;
    }
    return -1;
}

void SetEntry(FreeDaysDocument& doc, int index, const FreeDayEntry& entry)
{
    FreeDayEntry& old = doc.Entries[index];
    if (old.SameContent(entry)) return;
    old = entry;
    old.Stored.clear();
}

QVector<FreeDayEntry> AddPublicHolidays(FreeDaysDocument& doc, int year)
{
    QVector<FreeDayEntry> added;
    for (const PublicHoliday& holiday : PublicHolidaysOf(year)) {
        if (CoveringEntry(doc, holiday.Date, holiday.Recurring) >= 0) continue;
        const FreeDayEntry entry{holiday.Date, holiday.Recurring, holiday.Name, {}};
        doc.Entries.append(entry);
        added.append(entry);
    }
    return added;
}

std::optional<FreeDayEntry> RemoveFreeDay(FreeDaysDocument& doc, const QDate& date)
{
    const auto& entries = doc.Entries;
    auto found = std::find_if(entries.cbegin(), entries.cend(),
                              [&](const FreeDayEntry& e) { return !e.Recurring && e.Date == date; });
    if (found == entries.cend()) {
        found = std::find_if(entries.cbegin(), entries.cend(),
                             [&](const FreeDayEntry& e) { return e.Recurring && SameMonthAndDay(e.Date, date); });
    }
    if (found == entries.cend()) return std::nullopt;
    const FreeDayEntry removed = *found;
    doc.Entries.removeAt(found - entries.cbegin());
    return removed;
}

FreeDayList FreeDayListOfDocument(const FreeDaysDocument& doc)
{
    return FreeDayListOf(DecodeFreeDays(EncodeFreeDays(doc)).Records);
}

bool OpenFreeDaysForEditing(const Environment& env, SuiteFreeDays& freeDays, FreeDaysDocument& doc)
{
    if (TrimBlanks(env.UserName).isEmpty()) {
        // Without a user name no lock can be taken, and the list is not edited without one.
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Blokada danych niemożliwa."));
        return false;
    }
    if (!AcquireFreeDaysLock(env, freeDays.FreeDaysLockHandle)) return false;
    const QString expected = QDir(env.PlansDir()).filePath(FreeDaysFileName);
    const QString path = FindFileIgnoringCase(expected);
    if (path.isEmpty()) {
        doc = FreeDaysDocument{};
        doc.Path = expected;
        return true;
    }
    const std::optional<QByteArray> bytes = ReadFreeDaysFile(env, path);
    if (!bytes) {
        CloseFreeDays(env, freeDays);
        return false;
    }
    std::optional<FreeDaysDocument> parsed = ParseFreeDays(*bytes);
    if (!parsed) {
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Błędny plik. Odczyt danych dni wolnych anulowany."));
        CloseFreeDays(env, freeDays);
        return false;
    }
    doc = std::move(*parsed);
    doc.Path = path;
    return true;
}

bool SaveFreeDays(const Environment& env, SuiteFreeDays& freeDays, FreeDaysDocument& doc)
{
    for (const FreeDayEntry& entry : std::as_const(doc.Entries)) {
        const QString fault = entry.Stored.isEmpty() ? FreeDayEntryFault(entry) : QString();
        if (!fault.isEmpty()) {
            env.Ui.ShowMessage(MessageIcon::Exclamation, fault);
            return false;
        }
    }
    const QByteArray bytes = EncodeFreeDays(doc);
    const int16_t error = ReplaceFile(doc.Path, bytes);
    if (error != 0) {
        ShowFileError(env.Ui, error, FreeDaysFileName, QStringLiteral("Anulowano zapis pliku dni wolnych."), true);
        return false;
    }
    // From now on the entries are the records just written.
    const QString path = doc.Path;
    doc = *ParseFreeDays(bytes);
    doc.Path = path;
    freeDays.Days = FreeDayListOfDocument(doc);
    freeDays.FreeDaysLoaded = true;
    return true;
}

void CloseFreeDays(const Environment& env, SuiteFreeDays& freeDays)
{
    ReleaseLock(env, freeDays.FreeDaysLockHandle);
}

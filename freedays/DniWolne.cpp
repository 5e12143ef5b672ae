#include "freedays/DniWolne.h"

#include "env/CodePage.h"
#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/LittleEndian.h"
#include "env/Locks.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"

#include <QDir>

#include <algorithm>

namespace {

// Leading and trailing spaces off, and nothing else: the padding of the
// description field is spaces, and a tab or any other byte is text.
QByteArrayView TrimSpaces(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == ' ')
        ++begin;
    while (end > begin && text.at(end - 1) == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

QByteArray OdkodujTekst(QByteArrayView text)
{
    QByteArray result(text.data(), text.size());
    for (char& c : result) {
        if (c != ' ') c = char(c ^ ScrambleMask);
    }
    return result;
}

bool SprawdzDzienWolny(const FreeDayRecord& record)
{
    const bool blank =
        std::all_of(record.Name.cbegin(), record.Name.cend(), [](QChar c) { return c == QLatin1Char(' '); });
    return record.Date >= 0 && !blank;
}

FreeDayFile DecodeFreeDays(QByteArrayView bytes)
{
    FreeDayFile file;
    const qsizetype count = bytes.size() / FreeDayRecordSize;
    file.IgnoredTail = bytes.size() % FreeDayRecordSize;
    file.Records.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArrayView raw = bytes.sliced(i * FreeDayRecordSize, FreeDayRecordSize);
        FreeDayRecord record;
        record.Date = ByteReader(raw).Int32(0);
        record.Name =
            FromCodePage(OdkodujTekst(TrimSpaces(raw.sliced(FreeDayDescriptionOffset, FreeDayDescriptionSize))));
        record.Recurring = static_cast<uint8_t>(raw.at(FreeDayRecurringOffset));
        if (!SprawdzDzienWolny(record)) {
            file.BadRecord = int(i);
            break;
        }
        file.Records.append(record);
    }
    return file;
}

std::optional<QByteArray> ReadFreeDaysFile(const Environment& env, const QString& path)
{
    QByteArray bytes;
    int16_t error = 0;
    const ReadStatus read = ReadWholeFile(path, FreeDaysReadLimit, bytes, &error);
    if (read == ReadStatus::Ok) return bytes;
    // A file far too large to be the suite's is not one it can read.
    ShowFileError(env.Ui, read == ReadStatus::TooLarge ? int16_t(DeviceIoError) : error, FreeDaysFileName,
                  QStringLiteral("Anulowano odczyt pliku dni wolnych."), true);
    return std::nullopt;
}

bool CzytajPlikDniWolnych(Environment& env, SuiteFreeDays& freeDays)
{
    if (!AcquireFreeDaysLock(env, freeDays.FreeDaysLockHandle)) {
        env.ProgramEnding = true;
        return false;
    }
    const auto done = [&](bool ok) {
        ReleaseLock(env, freeDays.FreeDaysLockHandle);
        freeDays.FreeDaysLoaded = ok;
        return ok;
    };
    // The file's name is matched without regard to letter case, as on the
    // suite's own platform.
    const QString path = FindFileIgnoringCase(QDir(env.PlansDir()).filePath(FreeDaysFileName));
    if (path.isEmpty()) return done(false);
    const std::optional<QByteArray> bytes = ReadFreeDaysFile(env, path);
    if (!bytes) return done(false);

    freeDays.Days.Clear();
    const FreeDayFile decoded = DecodeFreeDays(*bytes);
    for (const FreeDayRecord& record : decoded.Records) {
        freeDays.Days.Dates.append(record.Date);
        freeDays.Days.Years.append(0);
        freeDays.Days.Recurring.append(record.Recurring);
        freeDays.Days.Names.append(record.Name);
    }
    if (!decoded.Ok()) {
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Błędny plik. Odczyt danych dni wolnych anulowany."));
        return done(false);
    }
    return done(true);
}

void NormujDniWolne(const KelbrinLibrary& lib, FreeDayList& days)
{
    for (int i = 0; i < days.Count(); ++i) {
        const KlnxDate date = lib.LongToDate(days.Dates.at(i));
        days.Years[i] = date.Year - 2000;
        days.Dates[i] = lib.DateToLong(2000, date.Month, date.Day, 0, 0);
    }
}

void WczytajDniWolne(Environment& env, SuiteFreeDays& freeDays)
{
    freeDays.FreeDaysLoaded = false;
    if (!PlikIstnieje(QDir(env.PlansDir()).filePath(FreeDaysFileName))) return;
    if (CzytajPlikDniWolnych(env, freeDays)) NormujDniWolne(env.Lib, freeDays.Days);
}

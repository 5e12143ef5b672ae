#include "freedays/DniWolne.h"

#include "env/Blokady.h"
#include "env/CodePage.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {

const QString FreeDaysFileName = QStringLiteral("WOLNE.DAT");

// Leading and trailing spaces off, and nothing else: the padding of the
// description field is spaces, and a tab or any other byte is text.
QByteArrayView trimSpaces(QByteArrayView text)
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
        record.Date = qFromLittleEndian<qint32>(raw.data());
        record.Name =
            FromCodePage(OdkodujTekst(trimSpaces(raw.sliced(FreeDayDescriptionOffset, FreeDayDescriptionSize))));
        record.Recurring = static_cast<uint8_t>(raw.at(FreeDayRecurringOffset));
        if (!SprawdzDzienWolny(record)) {
            file.BadRecord = int(i);
            break;
        }
        file.Records.append(record);
    }
    return file;
}

bool CzytajPlikDniWolnych(ProgramState& state)
{
    if (!AcquireFreeDaysLock(state)) {
        state.ProgramEnding = true;
        return false;
    }
    // The file's name is matched without regard to letter case, as on the
    // suite's own platform.
    const QString path = FindFileIgnoringCase(QDir(state.PlansDir()).filePath(FreeDaysFileName));
    if (path.isEmpty()) {
        ReleaseLock(state, state.FreeDaysLockHandle);
        return false;
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        // Without the file there is nothing to read, whether or not the
        // error number is one the message routine knows.
        ShowFileError(state.Ui, FileErrorNumberFor(file), FreeDaysFileName,
                      QStringLiteral("Anulowano odczyt pliku dni wolnych."), true);
        ReleaseLock(state, state.FreeDaysLockHandle);
        return false;
    }
    file.close();

    state.FreeDays.Clear();
    const FreeDayFile decoded = DecodeFreeDays(bytes);
    for (const FreeDayRecord& record : decoded.Records) {
        state.FreeDays.Dates.append(record.Date);
        state.FreeDays.Years.append(0);
        state.FreeDays.Recurring.append(record.Recurring);
        state.FreeDays.Names.append(record.Name);
    }
    if (!decoded.Ok()) {
        state.Ui.ShowMessage(MessageIcon::Critical,
                             QStringLiteral("Błędny plik. Odczyt danych dni wolnych anulowany."));
        ReleaseLock(state, state.FreeDaysLockHandle);
        return false;
    }
    ReleaseLock(state, state.FreeDaysLockHandle);
    state.FreeDaysLoaded = true;
    return true;
}

void NormujDniWolne(ProgramState& state)
{
    FreeDayList& days = state.FreeDays;
    for (int i = 0; i < days.Count(); ++i) {
        const KlnxDate date = state.Lib.LongToDate(days.Dates.at(i));
        days.Years[i] = date.Year - 2000;
        days.Dates[i] = state.Lib.DateToLong(2000, date.Month, date.Day, 0, 0);
    }
}

void WczytajDniWolne(ProgramState& state)
{
    state.FreeDaysLoaded = false;
    if (!PlikIstnieje(QDir(state.PlansDir()).filePath(FreeDaysFileName))) return;
    if (CzytajPlikDniWolnych(state)) NormujDniWolne(state);
}

#include "staff/ObslugaListy.h"

#include "env/CodePage.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"
#include "staff/OdczytZapisPliku.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <array>

namespace {

const QString AdminProgram = QStringLiteral("Zarvik");

QString repairAdvice()
{
    return QStringLiteral("W celu usunięcia problemu proszę uruchomić program ") + AdminProgram +
           QStringLiteral(" i wejść w edycję pracowników w oknie głównym aplikacji.");
}

QString missingFolderMessage()
{
    return QStringLiteral("Nie odnazliono katalogu z danymi pracowników.") + Cr +
           QStringLiteral("W celu skonfigurowania na nowo katalogu, uruchom program ") + AdminProgram +
           QStringLiteral(".");
}

QString duplicatesMessage()
{
    return QStringLiteral("Niektóre numery kart pracowników są zdublowane. ") + Cr + repairAdvice();
}

QString wrongFilesMessage()
{
    return QStringLiteral("Wykryto nieprawidłowe pliki zawierające dane pracowników.") + Cr + repairAdvice();
}

QString busyMessage()
{
    return QStringLiteral("Dane pracowników są zablokowane przez inny program.") + Cr +
           QStringLiteral("Poczekaj chwilę i uruchom program ponownie.");
}

bool endProgram(ProgramState& state, const QString& message)
{
    state.Ui.ShowMessage(MessageIcon::Critical, message);
    state.ProgramEnding = true;
    return false;
}

QString shownText(const QByteArray& bytes)
{
    return FromCodePage(bytes).trimmed();
}

} // namespace

QStringList EmployeeColumnTitles()
{
    return {QStringLiteral("Numer"), QStringLiteral("Nazwisko"), QStringLiteral("Imię"), QStringLiteral("Plan pracy"),
            QStringLiteral("Grupa")};
}

QString EmployeeCell(const EmployeeRow& row, int column)
{
    switch (column) {
    case 0:
        return row.Number;
    case 1:
        return row.Surname;
    case 2:
        return row.FirstName;
    case 3:
        return row.Plan;
    case 4:
        return row.Group;
    default:
        return {};
    }
}

void StaffHooks::SetProgress(int value) const
{
    if (Progress) Progress(value);
}

void StaffHooks::Events() const
{
    if (ProcessEvents) ProcessEvents();
}

void StaffHooks::Sleep(int milliseconds) const
{
    if (Wait)
        Wait(milliseconds);
    else
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void AdvanceProgress(double& progress, double step, const StaffHooks& hooks)
{
    progress = std::min(progress + step, 100.0);
    hooks.SetProgress(static_cast<int>(progress));
}

QString KatalogPersonelu(const ProgramState& state)
{
    return state.StaffDir() + QLatin1Char('/');
}

void UseDataDirectory(ProgramState& state, const QString& dataDir)
{
    const QFileInfo info(QDir(dataDir).absolutePath());
    state.DataRootDir = info.absolutePath();
    state.DataFolderName = info.fileName();
}

QStringList PersonnelListing(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    names.removeIf([](const QString& name) { return name.startsWith(QLatin1Char('.')); });
    return names;
}

std::optional<int> NumberFromFileName(const QString& name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0) return std::nullopt;
    const QStringView text = QStringView(name).mid(dot + 1);
    // Nine digits at most: the value stays within an int.
    if (text.isEmpty() || text.size() > 9) return std::nullopt;
    int number = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        number = number * 10 + (c.unicode() - '0');
    }
    return number;
}

QString NazwaZTekstu(const ProgramState& state, const QString& text)
{
    return state.Lib.TxtToName(text);
}

bool NameFitsSurname(const ProgramState& state, const QString& fileName, const QString& surname)
{
    const QString base = fileName.chopped(qMin<qsizetype>(4, fileName.size()));
    return NazwaZTekstu(state, surname).left(base.size()).compare(base, Qt::CaseInsensitive) == 0;
}

QString ListNumberText(int number)
{
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

QString InvalidFileMessage(const ProgramState& state, const QString& fileName)
{
    return QStringLiteral("Wykryto nieprawidłowy plik ") + fileName + QStringLiteral(" w katalogu") + Cr +
           QDir::toNativeSeparators(KatalogPersonelu(state)) + Cr + repairAdvice();
}

QString BadFilesMessage(const ProgramState& state)
{
    return QStringLiteral("Wykryto błędne pliki z danymi pracowników.") + Cr +
           QDir::toNativeSeparators(KatalogPersonelu(state)) + Cr + repairAdvice();
}

void SzukajZdublowanych(ProgramState& state, const StaffHooks& hooks)
{
    state.NumeryZdublowane.fill(false);
    std::array<bool, 999> seen{};
    const QString folder = KatalogPersonelu(state);
    if (state.Lib.SetDir(folder) != 0) return;
    for (const QString& name : PersonnelListing(folder)) {
        const std::optional<int> number = NumberFromFileName(name);
        if (number && *number > 0 && *number <= 999) {
            bool& first = seen[size_t(*number - 1)];
            if (first) state.NumeryZdublowane[size_t(*number - 1)] = true;
            first = true;
        }
        hooks.Events();
    }
}

RecordCheck CheckEmployeeRecord(const ProgramState& state, const QString& fileName, const QByteArray& bytes,
                                CardEntries& entries)
{
    RecordCheck check;
    entries.clear();
    const EmployeeRecord record = ParseEmployeeRecord(bytes);
    if (record.EntryCount < 0) {
        check.Verdict = RecordVerdict::SkippedInvalid;
        return check;
    }
    if (fileName.size() < 5) {
        check.Verdict = RecordVerdict::SkippedShortName;
        return check;
    }
    const QString surname = FromCodePage(record.Surname);
    if (!NameFitsSurname(state, fileName, surname) || record.EntryCount < 1) {
        check.Verdict = RecordVerdict::BadFiles;
        return check;
    }
    // A data start before the first byte points nowhere.
    if (!ReadCardEntries(bytes, record, entries)) {
        check.Verdict = RecordVerdict::SkippedInvalid;
        return check;
    }
    const int cardNumber = NumerPracownika(entries, int(entries.size()) - 1);
    if (cardNumber < 1 || cardNumber > 1000) {
        check.Verdict = RecordVerdict::CardOutOfRange;
        return check;
    }
    const std::optional<int> nameNumber = NumberFromFileName(fileName);
    if (!nameNumber || *nameNumber != cardNumber) {
        check.Verdict = RecordVerdict::NumberMismatch;
        return check;
    }
    check.Verdict = RecordVerdict::Listed;
    check.Row.Number = ListNumberText(cardNumber);
    check.Row.Surname = surname.trimmed();
    check.Row.FirstName = shownText(record.FirstName);
    const QString plan = shownText(record.Plan);
    check.Row.Plan = plan == QLatin1String(StoredNoPlan) ? NoPlanText : plan;
    check.Row.Group = shownText(record.Group);
    return check;
}

bool WczytajPracownikow(ProgramState& state, EmployeeRows& rows, const StaffHooks& hooks)
{
    hooks.SetProgress(0);
    hooks.Events();
    const QString folder = KatalogPersonelu(state);
    if (state.Lib.SetDir(folder) != 0) return endProgram(state, missingFolderMessage());

    SzukajZdublowanych(state, hooks);
    const QStringList names = PersonnelListing(folder);
    const double step = 100.0 / double(names.size() + 1);
    double progress = 0;

    rows.clear();
    if (names.isEmpty()) {
        state.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Brak plików z danymi pracowników"));
        return false;
    }
    state.NumeryUzyte.fill(false);

    const QDir dir(folder);
    QByteArray bytes;
    for (const QString& name : names) {
        RecordFile file;
        OpenStatus status = file.Open(dir.filePath(name), RecordAccess::ReadDenyWriters);
        for (int retry = 0; status == OpenStatus::Busy && retry < BusyRetries; ++retry) {
            hooks.Sleep(RetryWaitMs);
            hooks.Events();
            status = file.Open(dir.filePath(name), RecordAccess::ReadDenyWriters);
        }
        if (status == OpenStatus::Busy) {
            state.Ui.ShowMessage(MessageIcon::Critical, busyMessage());
            return false;
        }

        bool listable = status == OpenStatus::Opened;
        if (!listable && ShowFileError(state.Ui, file.ErrorNumber(), QString(), QString(), true)) return false;

        const std::optional<int> number = NumberFromFileName(name);
        if (listable && number && *number > 999) {
            // No card number has more than three digits in a file name.
            state.Ui.ShowMessage(MessageIcon::Critical, InvalidFileMessage(state, name));
            listable = false;
        } else if (listable && number && *number > 0 && state.NumeryZdublowane[size_t(*number - 1)]) {
            bool& used = state.NumeryUzyte[size_t(*number - 1)];
            if (used) return endProgram(state, duplicatesMessage());
            used = true;
        }

        if (listable) {
            const ReadStatus read = file.ReadAll(bytes, MaxRecordSize);
            if (read == ReadStatus::Failed && ShowFileError(state.Ui, file.ErrorNumber(), QString(), QString(), true))
                return false;
            if (read == ReadStatus::TooLarge)
                state.Ui.ShowMessage(MessageIcon::Critical, InvalidFileMessage(state, name));
            listable = read == ReadStatus::Ok;
        }

        if (listable) {
            const RecordCheck check = CheckEmployeeRecord(state, name, bytes, state.WpisyKart);
            switch (check.Verdict) {
            case RecordVerdict::Listed:
                rows.append(check.Row);
                break;
            case RecordVerdict::SkippedShortName:
                break;
            case RecordVerdict::SkippedInvalid:
                state.Ui.ShowMessage(MessageIcon::Critical, InvalidFileMessage(state, name));
                break;
            case RecordVerdict::BadFiles:
                return endProgram(state, BadFilesMessage(state));
            case RecordVerdict::CardOutOfRange:
                return endProgram(state, InvalidFileMessage(state, name));
            case RecordVerdict::NumberMismatch:
                return endProgram(state, wrongFilesMessage());
            }
        }

        AdvanceProgress(progress, step, hooks);
        file.Close();
        hooks.Events();
    }

    state.Zaznaczeni = QVector<bool>(rows.size(), false);
    return true;
}

#include "staff/ObslugaListy.h"

#include "env/CodePage.h"
#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <array>

namespace {

const QString AdminProgram = QStringLiteral("Zarvik");

QString RepairAdvice()
{
    return QStringLiteral("W celu usunięcia problemu proszę uruchomić program ") + AdminProgram +
           QStringLiteral(" i wejść w edycję pracowników w oknie głównym aplikacji.");
}

QString MissingFolderMessage()
{
    return QStringLiteral("Nie odnazliono katalogu z danymi pracowników.") + Cr +
           QStringLiteral("W celu skonfigurowania na nowo katalogu, uruchom program ") + AdminProgram +
           QStringLiteral(".");
}

QString DuplicatesMessage()
{
    return QStringLiteral("Niektóre numery kart pracowników są zdublowane. ") + Cr + RepairAdvice();
}

QString WrongFilesMessage()
{
    return QStringLiteral("Wykryto nieprawidłowe pliki zawierające dane pracowników.") + Cr + RepairAdvice();
}

QString BusyMessage()
{
    return QStringLiteral("Dane pracowników są zablokowane przez inny program.") + Cr +
           QStringLiteral("Poczekaj chwilę i uruchom program ponownie.");
}

bool EndProgram(Environment& env, const QString& message)
{
    env.Ui.ShowMessage(MessageIcon::Critical, message);
    env.ProgramEnding = true;
    return false;
}

QString ShownText(const QByteArray& bytes)
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

QString PersonnelFolder(const Environment& env)
{
    return env.StaffDir() + QLatin1Char('/');
}

void UseDataDirectory(Environment& env, const QString& dataDir)
{
    const QFileInfo info(QDir(dataDir).absolutePath());
    env.DataRootDir = info.absolutePath();
    env.DataFolderName = info.fileName();
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

QString NazwaZTekstu(const Environment& env, const QString& text)
{
    return env.Lib.TxtToName(text);
}

bool NameFitsSurname(const Environment& env, const QString& fileName, const QString& surname)
{
    const QString base = fileName.chopped(qMin<qsizetype>(4, fileName.size()));
    return NazwaZTekstu(env, surname).left(base.size()).compare(base, Qt::CaseInsensitive) == 0;
}

QString NumerNaTekst(int number)
{
    if (number < 10) return QStringLiteral("00") + QString::number(number);
    if (number < 100) return QStringLiteral("0") + QString::number(number);
    if (number < 1000) return QString::number(number);
    return {};
}

QString InvalidFileMessage(const Environment& env, const QString& fileName)
{
    return QStringLiteral("Wykryto nieprawidłowy plik ") + fileName + QStringLiteral(" w katalogu") + Cr +
           QDir::toNativeSeparators(PersonnelFolder(env)) + Cr + RepairAdvice();
}

QString BadFilesMessage(const Environment& env)
{
    return QStringLiteral("Wykryto błędne pliki z danymi pracowników.") + Cr +
           QDir::toNativeSeparators(PersonnelFolder(env)) + Cr + RepairAdvice();
}

CardNumberFlags SzukajZdublowanych(const Environment& env, const QStringList& listing, const StaffHooks& hooks)
{
    CardNumberFlags duplicated{};
    CardNumberFlags seen{};
    if (env.Lib.SetDir(PersonnelFolder(env)) != 0) return duplicated;
    for (const QString& name : listing) {
        const std::optional<int> number = NumberFromFileName(name);
        if (number && *number > 0 && *number <= 999) {
            bool& first = seen[size_t(*number - 1)];
            if (first) duplicated[size_t(*number - 1)] = true;
            first = true;
        }
        hooks.Events();
    }
    return duplicated;
}

RecordCheck CheckEmployeeRecord(const Environment& env, const QString& fileName, const QByteArray& bytes)
{
    RecordCheck check;
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
    if (!NameFitsSurname(env, fileName, surname) || record.EntryCount < 1) {
        check.Verdict = RecordVerdict::BadFiles;
        return check;
    }
    // A data start before the first byte points nowhere.
    CardEntries entries;
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
    // Three digits with leading zeros; 1000 has no shorter form.
    check.Row.Number = cardNumber < 1000 ? NumerNaTekst(cardNumber) : QString::number(cardNumber);
    check.Row.Surname = surname.trimmed();
    check.Row.FirstName = ShownText(record.FirstName);
    const QString plan = ShownText(record.Plan);
    check.Row.Plan = plan == QLatin1String(StoredNoPlan) ? NoPlanText : plan;
    check.Row.Group = ShownText(record.Group);
    return check;
}

bool WczytajPracownikow(Environment& env, EmployeeRows& rows, const StaffHooks& hooks)
{
    hooks.SetProgress(0);
    hooks.Events();
    const QString folder = PersonnelFolder(env);
    if (env.Lib.SetDir(folder) != 0) return EndProgram(env, MissingFolderMessage());

    const QStringList names = PersonnelListing(folder);
    const CardNumberFlags duplicated = SzukajZdublowanych(env, names, hooks);
    const double step = 100.0 / double(names.size() + 1);
    double progress = 0;

    rows.clear();
    if (names.isEmpty()) {
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Brak plików z danymi pracowników"));
        return false;
    }
    CardNumberFlags used{};

    const DataFolder records(folder);
    QByteArray bytes;
    for (const QString& name : names) {
        DataFile file;
        const OpenStatus status =
            OpenWithRetries(file, records, name, FileAccess::ReadDenyWriters, BusyRetries, [&hooks] {
                hooks.Sleep(RetryWaitMs);
                hooks.Events();
            });
        if (status == OpenStatus::Busy) {
            env.Ui.ShowMessage(MessageIcon::Critical, BusyMessage());
            return false;
        }

        bool listable = status == OpenStatus::Opened;
        if (!listable && ShowFileError(env.Ui, file.ErrorNumber(), QString(), QString(), true)) return false;

        const std::optional<int> number = NumberFromFileName(name);
        if (listable && number && *number > 0 && *number <= 999 && duplicated[size_t(*number - 1)]) {
            bool& met = used[size_t(*number - 1)];
            if (met) return EndProgram(env, DuplicatesMessage());
            met = true;
        }

        if (listable) {
            const ReadStatus read = file.ReadAll(bytes, MaxRecordSize);
            if (read == ReadStatus::Failed && ShowFileError(env.Ui, file.ErrorNumber(), QString(), QString(), true))
                return false;
            if (read == ReadStatus::TooLarge) env.Ui.ShowMessage(MessageIcon::Critical, InvalidFileMessage(env, name));
            listable = read == ReadStatus::Ok;
        }

        if (listable) {
            const RecordCheck check = CheckEmployeeRecord(env, name, bytes);
            switch (check.Verdict) {
            case RecordVerdict::Listed:
                rows.append(check.Row);
                break;
            case RecordVerdict::SkippedShortName:
                break;
            case RecordVerdict::SkippedInvalid:
                env.Ui.ShowMessage(MessageIcon::Critical, InvalidFileMessage(env, name));
                break;
            case RecordVerdict::BadFiles:
                return EndProgram(env, BadFilesMessage(env));
            case RecordVerdict::CardOutOfRange:
                return EndProgram(env, InvalidFileMessage(env, name));
            case RecordVerdict::NumberMismatch:
                return EndProgram(env, WrongFilesMessage());
            }
        }

        AdvanceProgress(progress, step, hooks);
        file.Close();
        hooks.Events();
    }
    return true;
}

#include "staff/Przydziel.h"

#include "env/CodePage.h"
#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "staff/EmployeeRecord.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <memory>

namespace {

const QString GoOnQuestion = QStringLiteral("Czy kontynuować przydzielanie planu dla pozostałych pracowników?");

QString DeletedQuestion(const EmployeeRow& row)
{
    return QStringLiteral("Pracownik ") + row.Surname + QLatin1Char(' ') + row.FirstName +
           QStringLiteral(" został usunięty z bazy danych.") + Cr + GoOnQuestion;
}

// The cause of a failed file operation, when there was one, stands between
// the two lines.
QString FailedQuestion(const EmployeeRow& row, const QString& fileName, const FileFault& fault)
{
    const QString cause = FileErrorCause(fault.Number, fileName);
    return QStringLiteral("Nie udana próba przydzielenia planu pracy dla pracownika: ") + row.Surname +
           QLatin1Char(' ') + row.FirstName + Cr + (cause.isEmpty() ? QString() : cause + Cr) + GoOnQuestion;
}

} // namespace

QVector<bool> ZaznaczWybranych(int rowCount, const QList<int>& selectedRows)
{
    QVector<bool> selected(qMax(rowCount, 0), false);
    for (const int row : selectedRows) {
        if (row >= 0 && row < rowCount) selected[row] = true;
    }
    return selected;
}

void UstawKatalogPersonelu(const Environment& env)
{
    env.Lib.SetDir(PersonnelFolder(env));
}

QString RdzenNazwy(const Environment& env, const EmployeeRow& row)
{
    const QString surname = row.Surname.trimmed();
    return NazwaZTekstu(env, surname.size() <= 8 ? surname : surname.left(8));
}

QString DanePracownika(const EmployeeRow& row, EmployeeData& employee)
{
    employee.Number = static_cast<int16_t>(row.Number.trimmed().toShort());
    employee.Surname = row.Surname.trimmed();
    employee.FirstName = row.FirstName.trimmed();
    return NumerNaTekst(employee.Number);
}

QString RecordPath(const QString& folder, const QString& fileName)
{
    // The suite's file systems ignore letter case in names.
    return FindFileIgnoringCase(QDir(folder).filePath(fileName));
}

std::optional<QByteArray> RewrittenRecord(const Environment& env, const QString& fileName, const QByteArray& record,
                                          const EmployeeData& employee, const QString& planText)
{
    const EmployeeRecord stored = ParseEmployeeRecord(record);
    if (stored.EntryCount < 0) return std::nullopt;
    if (!NameFitsSurname(env, fileName, FromCodePage(stored.Surname))) return std::nullopt;
    CardEntries entries; // WpisyKart, in file order
    if (!ReadCardEntries(record, stored, entries)) return std::nullopt;
    const QString plan = planText.trimmed();
    // A name the code page cannot hold would be stored mangled: leave the record as it is.
    if (!FitsCodePage(plan)) return std::nullopt;
    const QByteArray storedPlan = plan == NoPlanText ? StoredNoPlan : ToCodePage(plan);
    return EncodeEmployeeRecord(stored.HeaderWord, ToCodePage(employee.Surname), ToCodePage(employee.FirstName),
                                storedPlan, stored.Group, entries);
}

namespace {

// The records of the personnel folder as one listing found them, looked up
// by name without regard to letter case, as RecordPath finds them: the name
// itself where it is there, else the first that differs in case alone.
class RecordNames
{
public:
    explicit RecordNames(const QString& folder)
    {
        QDirIterator entries(folder, QDir::Files | QDir::System | QDir::Hidden);
        while (entries.hasNext()) {
            entries.next();
            const QString name = entries.fileName();
            m_names.insert(name);
            m_folded.insert(name.toCaseFolded(), name); // keeps the first
        }
    }
    // The listed name of the record fileName; empty when none was listed.
    QString Find(const QString& fileName) const
    {
        if (m_names.contains(fileName)) return fileName;
        return m_folded.value(fileName.toCaseFolded());
    }

private:
    QSet<QString> m_names;
    QHash<QString, QString> m_folded;
};

// A record opened for its rewrite and its new contents, or why not.
struct PreparedRecord
{
    enum Outcome : uint8_t { Ready, Busy, Failed };
    Outcome What = Failed;
    std::unique_ptr<DataFile> File;
    QByteArray Bytes;
    FileFault Fault; // Failed: the file operation that failed, if one did
};

// Opens the record name, stored as fileName in folder, under exclusive
// access and makes its new contents; reach, when given, is how far locks
// reach in its folder. A record that another program holds is waited for
// when mayWait is set (the hooks wait), else reported Busy at once.
PreparedRecord PrepareRecord(const Environment& env, const QString& name, const DataFolder& folder,
                             const QString& fileName, const EmployeeData& employee, const QString& planText,
                             const StaffHooks& hooks, std::optional<LockReach> reach, bool mayWait)
{
    PreparedRecord prepared;

    // Only a record that another program holds is waited for (the window's
    // events wait meanwhile); one that cannot be opened at all fails at once.
    prepared.File = std::make_unique<DataFile>();
    DataFile& file = *prepared.File;
    if (reach) file.SetLockReach(*reach);
    const OpenStatus status = mayWait ? OpenWithRetries(file, folder, fileName, FileAccess::Exclusive, BusyRetries,
                                                        [&hooks] { hooks.Sleep(RetryWaitMs); })
                                      : file.Open(folder, fileName, FileAccess::Exclusive);
    if (status == OpenStatus::Busy) {
        prepared.What = PreparedRecord::Busy;
        prepared.Fault = FileFault{PermissionDenied, 0, TargetRefusal::None, true};
        return prepared;
    }
    if (status != OpenStatus::Opened) {
        prepared.Fault = file.Fault();
        return prepared;
    }
    QByteArray record;
    const ReadStatus read = file.ReadAll(record, MaxRecordSize);
    if (read == ReadStatus::Failed) prepared.Fault = file.Fault();
    if (read != ReadStatus::Ok) return prepared;
    std::optional<QByteArray> rewritten = RewrittenRecord(env, name, record, employee, planText);
    if (!rewritten) return prepared;
    prepared.What = PreparedRecord::Ready;
    prepared.Bytes = std::move(*rewritten);
    return prepared;
}

} // namespace

bool ZapiszPlanPracownika(const Environment& env, const QString& stem, const QString& numberText,
                          const EmployeeData& employee, const QString& planText, const StaffHooks& hooks,
                          FileFault* fault)
{
    const QString name = stem + QLatin1Char('.') + numberText;
    const QString folder = PersonnelFolder(env);
    const QString path = RecordPath(folder, name);
    const DataFolder records(folder);
    const QString fileName = path.isEmpty() ? name : QFileInfo(path).fileName();
    const PreparedRecord prepared =
        PrepareRecord(env, name, records, fileName, employee, planText, hooks, std::nullopt, true);
    FileFault why = prepared.Fault;
    const bool done = prepared.What == PreparedRecord::Ready && prepared.File->Replace(prepared.Bytes);
    if (prepared.What == PreparedRecord::Ready && !done) why = prepared.File->Fault();
    if (!done && fault) *fault = why;
    return done;
}

QVector<AssignmentOutcome> PrzydzielPlan(const Environment& env, EmployeeRows& rows, const QVector<bool>& selected,
                                         const QString& planText, const StaffHooks& hooks)
{
    QVector<AssignmentOutcome> outcomes;
    UstawKatalogPersonelu(env);
    const auto isSelected = [&](int row) { return row < selected.size() && selected[row]; };
    int count = 0;
    for (int row = 0; row < rows.size(); ++row)
        count += isSelected(row) ? 1 : 0;
    const double step = 100.0 / double(count + 1);
    double progress = 0;
    hooks.Events();

    const QString folder = PersonnelFolder(env);
    // Replacements left by runs that died go first.
    RemoveStaleTemporaries(folder);
    // Whether rewrites need lock records is asked of the file system once.
    const LockReach reach = LockReachOf(folder);
    // The folder is listed once, and every record opened by its name there.
    const RecordNames listed(folder);
    const DataFolder records(folder);

    // The bar moves a step for every row dealt with, in the rows' order.
    int stepped = 0;
    const auto stepThrough = [&](int row) {
        for (; stepped <= row; ++stepped)
            AdvanceProgress(progress, step, hooks);
    };
    const auto assigned = [&](int row) {
        rows[row].Plan = planText;
        if (hooks.PlanCellChanged) hooks.PlanCellChanged(row);
        outcomes.append({row, AssignmentResult::Assigned});
    };
    // A row that did not get the plan: whether to go on.
    const auto goOn = [&](int row, AssignmentResult result, const FileFault& fault) {
        outcomes.append({row, result, fault});
        const EmployeeRow& employee = rows[row];
        if (result == AssignmentResult::Deleted)
            return env.Ui.Ask(MessageIcon::Exclamation, DeletedQuestion(employee), MessageButtons::YesNo) != Answer::No;
        EmployeeData data;
        const QString fileName = RdzenNazwy(env, employee) + QLatin1Char('.') + DanePracownika(employee, data);
        return env.Ui.Ask(MessageIcon::Critical, FailedQuestion(employee, fileName, fault), MessageButtons::YesNo) !=
               Answer::No;
    };

    // Rewritten records wait in the batch, open and locked, and are put in
    // place together: before the run asks about a later row, before it waits
    // for a busy record, when the batch is full, and at the end. Every row
    // before the one asked about has then got the plan, as if the records
    // were rewritten one by one.
    ReplacementBatch batch;
    QList<int> waiting; // the rows of the batch's records
    enum class Next { Row, Again, Stop };
    int row = 0;
    // Puts the batch in place: Row when every record went in (the rows before
    // `row` are done), Again from the row after one that failed when the user
    // goes on, Stop when not.
    const auto putInPlace = [&]() {
        const qsizetype done = batch.Commit();
        for (qsizetype i = 0; i < done; ++i)
            assigned(waiting.at(i));
        if (done == waiting.size()) {
            waiting.clear();
            stepThrough(row - 1);
            return Next::Row;
        }
        const int failed = waiting.at(done);
        waiting.clear();
        stepThrough(failed - 1);
        if (!goOn(failed, AssignmentResult::Failed, batch.Fault())) return Next::Stop;
        stepThrough(failed);
        row = failed + 1;
        return Next::Again;
    };

    while (row < rows.size()) {
        if (!isSelected(row)) {
            if (waiting.isEmpty()) stepThrough(row);
            ++row;
            continue;
        }
        EmployeeData employee;
        const QString stem = RdzenNazwy(env, rows[row]);
        const QString numberText = DanePracownika(rows[row], employee);
        const QString name = stem + QLatin1Char('.') + numberText;
        // A record made since the listing is looked for on its own.
        QString fileName = listed.Find(name);
        if (fileName.isEmpty()) fileName = QFileInfo(RecordPath(folder, name)).fileName();
        PreparedRecord prepared;
        if (!fileName.isEmpty())
            prepared = PrepareRecord(env, name, records, fileName, employee, planText, hooks, reach, waiting.isEmpty());
        // So is one that was gone when it was opened: the employee was deleted
        // since the listing, or while the record was waited for.
        const bool deleted =
            fileName.isEmpty() || (prepared.What == PreparedRecord::Failed && prepared.Fault.Number == FileNotFound &&
                                   RecordPath(folder, name).isEmpty());
        if (deleted) {
            if (const Next next = waiting.isEmpty() ? Next::Row : putInPlace(); next != Next::Row) {
                if (next == Next::Stop) return outcomes;
                continue;
            }
            if (!goOn(row, AssignmentResult::Deleted, {})) return outcomes;
            stepThrough(row++);
            continue;
        }
        if (prepared.What == PreparedRecord::Ready && batch.Add(prepared.File, prepared.Bytes)) {
            waiting.append(row++);
            if (batch.Full() && putInPlace() == Next::Stop) return outcomes;
            continue;
        }
        // Everything before this row goes in first; a busy record is then
        // tried again, with its waits.
        if (!waiting.isEmpty()) {
            prepared.File.reset();
            if (putInPlace() == Next::Stop) return outcomes;
            continue;
        }
        if (prepared.What == PreparedRecord::Ready && prepared.File->Replace(prepared.Bytes)) {
            assigned(row);
        } else {
            const FileFault fault = prepared.What == PreparedRecord::Ready ? prepared.File->Fault() : prepared.Fault;
            prepared.File.reset();
            if (!goOn(row, AssignmentResult::Failed, fault)) return outcomes;
        }
        stepThrough(row++);
    }
    if (!waiting.isEmpty() && putInPlace() == Next::Stop) return outcomes;
    stepThrough(int(rows.size()) - 1);
    return outcomes;
}

QString AssignmentSummary(const QString& planText, const QVector<AssignmentOutcome>& outcomes, const EmployeeRows& rows,
                          int selectedCount)
{
    int assigned = 0;
    QStringList missed;
    for (const AssignmentOutcome& outcome : outcomes) {
        if (outcome.Result == AssignmentResult::Assigned) {
            ++assigned;
            continue;
        }
        const EmployeeRow& row = rows.at(outcome.Row);
        missed << QStringLiteral("%1 %2 (%3)")
                      .arg(row.Surname, row.FirstName,
                           outcome.Result == AssignmentResult::Deleted ? QStringLiteral("usunięty z bazy danych")
                                                                       : QStringLiteral("nieudany zapis rekordu"));
    }
    const QString plan = QStringLiteral("„%1”").arg(planText.trimmed());
    const QString reasons = missed.join(QStringLiteral(", "));
    QString summary;
    if (assigned > 0) {
        summary = QStringLiteral("Przydzielono plan %1 %2 %3.")
                      .arg(plan)
                      .arg(assigned)
                      .arg(assigned == 1 ? QStringLiteral("pracownikowi") : QStringLiteral("pracownikom"));
        if (!missed.isEmpty()) summary += QStringLiteral(" Nie przydzielono: %1.").arg(reasons);
    } else {
        summary = missed.isEmpty() ? QStringLiteral("Nie przydzielono planu %1 żadnemu pracownikowi.").arg(plan)
                                   : QStringLiteral("Nie przydzielono planu %1: %2.").arg(plan, reasons);
    }
    if (outcomes.size() < selectedCount) summary += QStringLiteral(" Przydzielanie przerwano.");
    return summary;
}

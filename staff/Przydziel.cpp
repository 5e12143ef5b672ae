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

bool ZapiszPlanPracownika(const Environment& env, const QString& stem, const QString& numberText,
                          const EmployeeData& employee, const QString& planText, const StaffHooks& hooks,
                          FileFault* fault)
{
    const QString name = stem + QLatin1Char('.') + numberText;
    const QString folder = PersonnelFolder(env);
    QString path = RecordPath(folder, name);
    if (path.isEmpty()) path = QDir(folder).filePath(name);
    const auto failed = [fault](const FileFault& why) {
        if (fault) *fault = why;
        return false;
    };

    // Only a record that another program holds is waited for (the window's
    // events wait meanwhile); one that cannot be opened at all fails at once.
    DataFile file;
    const OpenStatus status =
        OpenWithRetries(file, path, FileAccess::Exclusive, BusyRetries, [&hooks] { hooks.Sleep(RetryWaitMs); });
    if (status == OpenStatus::Busy) return failed(FileFault{PermissionDenied, 0, TargetRefusal::None, true});
    if (status != OpenStatus::Opened) return failed(file.Fault());

    QByteArray record;
    const ReadStatus read = file.ReadAll(record, MaxRecordSize);
    if (read == ReadStatus::Failed) return failed(file.Fault());
    if (read != ReadStatus::Ok) return false;
    const std::optional<QByteArray> rewritten = RewrittenRecord(env, name, record, employee, planText);
    if (!rewritten) return false;
    return file.Replace(*rewritten) || failed(file.Fault());
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
    for (int row = 0; row < rows.size(); ++row) {
        if (isSelected(row)) {
            EmployeeData employee;
            const QString stem = RdzenNazwy(env, rows[row]);
            const QString numberText = DanePracownika(rows[row], employee);
            if (RecordPath(folder, stem + QLatin1Char('.') + numberText).isEmpty()) {
                outcomes.append({row, AssignmentResult::Deleted});
                if (env.Ui.Ask(MessageIcon::Exclamation, DeletedQuestion(rows[row]), MessageButtons::YesNo) ==
                    Answer::No)
                    return outcomes;
            } else if (FileFault fault;
                       ZapiszPlanPracownika(env, stem, numberText, employee, planText, hooks, &fault)) {
                rows[row].Plan = planText;
                if (hooks.PlanCellChanged) hooks.PlanCellChanged(row);
                outcomes.append({row, AssignmentResult::Assigned});
            } else {
                outcomes.append({row, AssignmentResult::Failed, fault});
                const QString question = FailedQuestion(rows[row], stem + QLatin1Char('.') + numberText, fault);
                if (env.Ui.Ask(MessageIcon::Critical, question, MessageButtons::YesNo) == Answer::No) return outcomes;
            }
        }
        AdvanceProgress(progress, step, hooks);
    }
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

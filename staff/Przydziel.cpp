#include "staff/Przydziel.h"

#include "env/CodePage.h"
#include "env/Konfiguracja.h"
#include "env/Kelbrin.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"
#include "staff/EmployeeRecord.h"
#include "staff/OdczytZapisPliku.h"

#include <QDir>

namespace {

const QString GoOnQuestion = QStringLiteral("Czy kontynuować przydzielanie planu dla pozostałych pracowników?");

QString deletedQuestion(const EmployeeRow& row)
{
    return QStringLiteral("Pracownik ") + row.Surname + QLatin1Char(' ') + row.FirstName +
           QStringLiteral(" został usunięty z bazy danych.") + Cr + GoOnQuestion;
}

QString failedQuestion(const EmployeeRow& row)
{
    return QStringLiteral("Nie udana próba przydzielenia planu pracy dla pracownika: ") + row.Surname +
           QLatin1Char(' ') + row.FirstName + Cr + GoOnQuestion;
}

} // namespace

void ZaznaczWybranych(ProgramState& state, int rowCount, const QList<int>& selectedRows)
{
    state.Zaznaczeni = QVector<bool>(qMax(rowCount, 0), false);
    for (const int row : selectedRows) {
        if (row >= 0 && row < rowCount) state.Zaznaczeni[row] = true;
    }
}

void UstawKatalogPersonelu(const ProgramState& state)
{
    state.Lib.SetDir(KatalogPersonelu(state));
}

QString RdzenNazwy(const ProgramState& state, const EmployeeRow& row)
{
    const QString surname = row.Surname.trimmed();
    return NazwaZTekstu(state, surname.size() <= 8 ? surname : surname.left(8));
}

QString DanePracownika(const EmployeeRow& row, EmployeeData& employee)
{
    employee.Number = static_cast<int16_t>(row.Number.trimmed().toShort());
    employee.Surname = row.Surname.trimmed();
    employee.FirstName = row.FirstName.trimmed();
    return NumerNaTekst(employee.Number);
}

QString NumerNaTekst(int number)
{
    if (number < 10) return QStringLiteral("00") + QString::number(number);
    if (number < 100) return QStringLiteral("0") + QString::number(number);
    if (number < 1000) return QString::number(number);
    return {};
}

QString RecordPath(const QString& folder, const QString& fileName)
{
    // The suite's file systems ignore letter case in names.
    return FindFileIgnoringCase(QDir(folder).filePath(fileName));
}

std::optional<QByteArray> RewrittenRecord(ProgramState& state, const QString& fileName, const QByteArray& record,
                                          const EmployeeData& employee, const QString& planText)
{
    const EmployeeRecord stored = ParseEmployeeRecord(record);
    if (stored.EntryCount < 0) return std::nullopt;
    if (!NameFitsSurname(state, fileName, FromCodePage(stored.Surname))) return std::nullopt;
    if (!ReadCardEntries(record, stored, state.WpisyKart)) return std::nullopt;
    const QString plan = planText.trimmed();
    const QByteArray storedPlan = plan == NoPlanText ? StoredNoPlan : ToCodePage(plan);
    return EncodeEmployeeRecord(stored.HeaderWord, ToCodePage(employee.Surname), ToCodePage(employee.FirstName),
                                storedPlan, stored.Group, state.WpisyKart);
}

bool ZapiszPlanPracownika(ProgramState& state, const QString& stem, const QString& numberText,
                          const EmployeeData& employee, const QString& planText, const StaffHooks& hooks)
{
    const QString name = stem + QLatin1Char('.') + numberText;
    const QString folder = KatalogPersonelu(state);
    QString path = RecordPath(folder, name);
    if (path.isEmpty()) path = QDir(folder).filePath(name);

    RecordFile file;
    OpenStatus status = file.Open(path, RecordAccess::Exclusive);
    for (int retry = 0; status != OpenStatus::Opened && retry < BusyRetries; ++retry) {
        hooks.Sleep(RetryWaitMs);
        status = file.Open(path, RecordAccess::Exclusive);
    }
    if (status != OpenStatus::Opened) return false;

    QByteArray record;
    if (file.ReadAll(record, MaxRecordSize) != ReadStatus::Ok) return false;
    const std::optional<QByteArray> rewritten = RewrittenRecord(state, name, record, employee, planText);
    return rewritten && file.Replace(*rewritten);
}

QVector<AssignmentOutcome> PrzydzielPlan(ProgramState& state, EmployeeRows& rows, const QString& planText,
                                         const StaffHooks& hooks)
{
    QVector<AssignmentOutcome> outcomes;
    UstawKatalogPersonelu(state);
    const auto selected = [&](int row) { return row < state.Zaznaczeni.size() && state.Zaznaczeni[row]; };
    int count = 0;
    for (int row = 0; row < rows.size(); ++row)
        count += selected(row) ? 1 : 0;
    const double step = 100.0 / double(count + 1);
    double progress = 0;
    hooks.Events();

    const QString folder = KatalogPersonelu(state);
    for (int row = 0; row < rows.size(); ++row) {
        if (selected(row)) {
            EmployeeData employee;
            const QString stem = RdzenNazwy(state, rows[row]);
            const QString numberText = DanePracownika(rows[row], employee);
            if (RecordPath(folder, stem + QLatin1Char('.') + numberText).isEmpty()) {
                outcomes.append({row, AssignmentResult::Deleted});
                if (state.Ui.Ask(MessageIcon::Exclamation, deletedQuestion(rows[row]), MessageButtons::YesNo) ==
                    Answer::No)
                    return outcomes;
            } else if (ZapiszPlanPracownika(state, stem, numberText, employee, planText, hooks)) {
                rows[row].Plan = planText;
                if (hooks.PlanCellChanged) hooks.PlanCellChanged(row);
                outcomes.append({row, AssignmentResult::Assigned});
            } else {
                outcomes.append({row, AssignmentResult::Failed});
                if (state.Ui.Ask(MessageIcon::Critical, failedQuestion(rows[row]), MessageButtons::YesNo) == Answer::No)
                    return outcomes;
            }
        }
        AdvanceProgress(progress, step, hooks);
    }
    return outcomes;
}

#include "editor/PlanCommands.h"

#include "dialogs/FrmProgress.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/TimeFieldEdit.h"
#include "env/Locks.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "staff/EmployeeRecord.h"
#include "staff/Przydziel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

namespace {

const QString UnsavedQuestion = QStringLiteral(
    "Edytowany plan pracy lub dokonane zmiany nie zostały zapisane do pliku. Czy dokonać zapisu planu pracy?");

} // namespace

PlanCommands::PlanCommands(ProgramState& state, FrmGrafenta& window)
    : QObject(&window), m_state(state), m_window(window)
{
}

PlanSaveResult PlanCommands::SavePlan(const QString& name, bool showMessages)
{
    ProgramState& s = m_state;
    const PlanSaveResult result = s.Doc.ProbedKind == ProbeWeeklyPlan
                                      ? ZapiszPlanTygodniowy(s.Env, s.Doc, s.FreeDays, name, showMessages, false)
                                      : ZapiszPlanHarmonogramow(s.Env, s.Doc, name, showMessages);
    AfterSave(result);
    return result;
}

void PlanCommands::AfterSave(const PlanSaveResult& result)
{
    switch (result.Status) {
    case SaveStatus::Saved:
        if (m_state.Doc.ProbedKind == ProbeWeeklyPlan) m_window.Calendar()->StopBlink();
        m_window.ResetUndo();
        break;
    case SaveStatus::Overlap:
        m_window.ShowOverlap(*result.OverlapDay());
        break;
    case SaveStatus::ScheduleRefused:
        m_window.FocusField(FieldIds::Of(result.Fault.Slot, result.Fault.Focus));
        break;
    case SaveStatus::PathError:
    case SaveStatus::FileError:
        break;
    }
}

void PlanCommands::cboPlany_Change(const QString& name)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    if (name == NoPlanText) {
        m_window.Blokuj_Przyciski(true);
        m_window.Calendar()->Czysc_Kalendarz();
        m_window.ClearPlanCaptions();
        m_window.Button("cmdUsun")->setEnabled(false);
        m_window.Button("cmdPrzydziel")->setEnabled(false);
        doc.CurrentPlanName = NoPlanText;
        ReleaseLock(env, doc.PlanLockHandle);
        m_window.ResetUndo();
        m_window.PlanShownOrClosed();
        return;
    }
    if (SuppressPlanSelection) {
        SuppressPlanSelection = false;
        return;
    }
    if (name == doc.CurrentPlanName) return;
    if (KopiaPlanu) {
        SuppressPlanSelection = true;
    } else if (doc.CurrentPlanName != NoPlanText && doc.PlanModified) {
        const Answer answer = env.Ui.Ask(MessageIcon::Exclamation, UnsavedQuestion, MessageButtons::YesNoCancel);
        // The plan stays open, and so does its name in the box: the save
        // command and the assignment take the box's text as the plan's name.
        if (answer == Answer::Cancel || (answer == Answer::Yes && !SavePlan(doc.CurrentPlanName, true).Ok())) {
            m_window.ShowPlanEntry(doc.CurrentPlanName);
            return;
        }
    }
    ReleaseLock(env, doc.PlanLockHandle);
    OpenPlan(name);
}

void PlanCommands::OpenPlan(const QString& name)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    m_window.Calendar()->StopBlink();
    PlanWindowEffects effects;
    doc.ProbedKind = ProbePlanKind(env, doc, name, &effects);
    if (doc.ProbedKind == ProbeFailed) {
        m_window.ApplyReadEffects(effects);
        env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nie udana próba odczytu typu planu pracy"));
        m_window.PlanShownOrClosed();
        return;
    }
    const bool read = ReadProbedPlan(env, doc, name, &effects);
    m_window.ApplyReadEffects(effects);
    if (!read) {
        if (doc.PlanLockState != -1) {
            env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Plik planu pracy jest uszkodzony.") + Cr +
                                                          QStringLiteral("Odczyt niemożliwy."));
            m_window.Button("cmdUsun")->setEnabled(true);
        } else {
            m_window.Button("cmdUsun")->setEnabled(false);
        }
        m_window.Button("cmdPrzydziel")->setEnabled(false);
        doc.PlanModified = false;
        m_window.Calendar()->Czysc_Kalendarz();
        m_window.ClearPlanCaptions();
    } else if (doc.ProbedKind == ProbeSchedulePlan) {
        MonthCalendar* calendar = m_window.Calendar();
        calendar->BlokujPrzyciskiZmianyMiesiaca();
        m_window.UstawTypPlanu(1);
        m_window.Button("cmdPrzydziel")->setEnabled(true);
        calendar->cmdMiesiac_Click(255);
        calendar->BlokujCzyste();
    } else {
        m_window.UstawTypPlanu(0);
        m_window.Button("cmdPrzydziel")->setEnabled(true);
    }
    m_window.ResetUndo();
    doc.CurrentPlanName = name;
    m_window.PlanShownOrClosed();
}

void PlanCommands::cmdNowy_Click()
{
    PlanDocument& doc = m_state.Doc;
    m_window.Calendar()->StopBlink();
    if (doc.PlanModified) {
        const Answer answer = m_state.Env.Ui.Ask(
            MessageIcon::Question,
            QStringLiteral("Zmiany w edytowanym planie pracy nie zostały zapisane na dysk. Czy chcesz zapisać zmiany?"),
            MessageButtons::YesNoCancel);
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Yes && !SavePlan(m_window.PlanBox()->currentText(), true).Ok()) return;
    }
    doc.Plan.Days.Reset(0, 0);
    SuppressPlanSelection = true;
    doc.SchedulePlanShown = false;
    if (ShowNewPlanDialog) ShowNewPlanDialog();
}

void PlanCommands::cmdUsun_Click()
{
    Environment& env = m_state.Env;
    m_window.Calendar()->StopBlink();
    if (env.Ui.Ask(MessageIcon::Question, QStringLiteral("Czy napewno usunąć plik planu pracy?"),
                   MessageButtons::YesNo) != Answer::Yes)
        return;
    QComboBox* plans = m_window.PlanBox();
    const QString name = plans->currentText();
    if (!UsunPlik(env.Ui, PlanFilePath(env, name), true)) return;
    {
        const QSignalBlocker quiet(plans);
        plans->removeItem(plans->findText(name, Qt::MatchExactly));
        plans->setCurrentIndex(-1);
    }
    // Chosen from here as a user would choose it: the plan is closed and its lock released.
    plans->setCurrentIndex(plans->count() - 1);
    m_state.Doc.PlanModified = false;
}

void PlanCommands::cmdZakres_Click()
{
    m_window.Calendar()->StopBlink();
    SuppressPlanSelection = false;
    if (ShowRangeDialog) ShowRangeDialog();
}

void PlanCommands::cmdZapisz_Click()
{
    SavePlan(m_window.PlanBox()->currentText(), true);
}

void PlanCommands::cmdPrzydziel_Click()
{
    FrmProgress* progress = m_window.Progress();
    progress->Bar()->setValue(0);
    EmployeeList* list = m_window.Employees();
    const QString plan = m_window.PlanBox()->currentText();
    if (plan.isEmpty() || list->Model()->rowCount() < 1) return;
    // The selection is taken with the list switched off, as a snapshot.
    list->View()->setEnabled(false);
    const QVector<bool> selected = ZaznaczWybranych(list->Model()->rowCount(), list->SelectedRows());
    list->View()->setEnabled(true);

    StaffHooks hooks;
    hooks.Progress = [progress](int value) { progress->Bar()->setValue(value); };
    hooks.ProcessEvents = [] { QCoreApplication::processEvents(); };
    hooks.PlanCellChanged = [list](int row) { list->Model()->PlanChanged(row); };
    m_window.setEnabled(false);
    progress->show();
    PrzydzielPlan(m_state.Env, list->Model()->Rows(), selected, plan, hooks);
    m_window.setEnabled(true);
    progress->hide();
}

bool PlanCommands::cmdWyjdz_Click()
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    if (env.Ui.Ask(MessageIcon::Question, QStringLiteral("Czy zakończyć program?"), MessageButtons::YesNo) !=
        Answer::Yes)
        return false;
    if (doc.PlanModified) {
        const Answer answer = env.Ui.Ask(MessageIcon::Exclamation, UnsavedQuestion, MessageButtons::YesNoCancel);
        if (answer == Answer::Cancel) return false;
        const QString name = m_window.PlanBox()->currentText();
        if (answer == Answer::Yes && doc.ProbedKind != ProbeSchedulePlan) {
            // A weekly plan is left whatever its save came to.
            ZapiszPlanTygodniowy(env, doc, m_state.FreeDays, name, true, false);
        } else if (answer == Answer::Yes && !ZapiszPlanHarmonogramow(env, doc, name, false).Ok()) {
            env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nieudana próba zapisu pliku planu pracy."));
            return false;
        }
    }
    ReleaseLock(env, doc.PlanLockHandle);
    ReleaseLock(env, m_state.FreeDays.FreeDaysLockHandle);
    return true;
}

#include "editor/PlanCommands.h"

#include "dialogs/FrmNowyPlan.h"
#include "dialogs/FrmProgress.h"
#include "dialogs/FrmZmianaZakresu.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/TimeFieldEdit.h"
#include "editor/commands/EditCommands.h"
#include "env/Kelbrin.h"
#include "env/Locks.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "plan/TimeText.h"
#include "staff/EmployeeRecord.h"
#include "staff/Przydziel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

namespace {

const QString UnsavedQuestion = QStringLiteral(
    "Edytowany plan pracy lub dokonane zmiany nie zostały zapisane do pliku. Czy dokonać zapisu planu pracy?");
const QString CopyFailed = QStringLiteral("Nie powiodło sie utworzenie kopii planu pracy.");
const QString SourceUnreadable = QStringLiteral("Utworzenie niemożliwe, nie można odczytać pliku planu pracy.");

// A time typed into a field and left: the text and value the parser makes of it.
TimeField Typed(const char* text, bool minimumOneMinute = false)
{
    const TimeFieldParse parse = ParseTimeField(QString::fromLatin1(text), minimumOneMinute);
    return {parse.Text, parse.Value};
}

QString Quoted(const QString& name)
{
    return QStringLiteral("„%1”").arg(name);
}

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
    m_window.Report(result.Ok() ? QStringLiteral("Zapisano plan pracy %1.").arg(Quoted(name))
                                : QStringLiteral("Nie zapisano planu pracy %1.").arg(Quoted(name)));
    return result;
}

void PlanCommands::AfterSave(const PlanSaveResult& result)
{
    switch (result.Status) {
    case SaveStatus::Saved:
        if (m_state.Doc.ProbedKind == ProbeWeeklyPlan) m_window.Calendar()->StopBlink();
        // The steps stay; undone past this point the plan counts as changed again.
        m_window.Undo()->setClean();
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
        ClosePlan();
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

void PlanCommands::ClosePlan()
{
    PlanDocument& doc = m_state.Doc;
    const QString closed = doc.CurrentPlanName;
    doc.CurrentPlanName = NoPlanText;
    ReleaseLock(m_state.Env, doc.PlanLockHandle);
    m_window.ShowNoPlan(NoPlanText);
    m_window.ResetUndo();
    m_window.Report(closed.isEmpty() || closed == NoPlanText
                        ? QString()
                        : QStringLiteral("Zamknięto plan pracy %1.").arg(Quoted(closed)));
}

void PlanCommands::OpenPlan(const QString& name)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    m_window.Calendar()->StopBlink();
    // What the readers hand back for the window comes down to the open plan
    // shown, or none; the plan box goes back to "<BRAK>" when they say so.
    PlanWindowEffects effects;
    doc.ProbedKind = ProbePlanKind(env, doc, name, &effects);
    const bool read = doc.ProbedKind != ProbeFailed && ReadProbedPlan(env, doc, name, &effects);
    if (!read) {
        // No plan is open: the plan box names the plan only while its file
        // is held (damaged, to be deleted); the previous plan's lock is gone.
        const bool reached = doc.ProbedKind != ProbeFailed && doc.PlanLockState != -1;
        const bool held = reached && !effects.ShowNoPlanEntry;
        doc.CurrentPlanName = held ? name : NoPlanText;
        doc.PlanModified = false;
        m_window.ShowNoPlan(doc.CurrentPlanName);
        m_window.ResetUndo();
        if (doc.ProbedKind == ProbeFailed)
            env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nie udana próba odczytu typu planu pracy"));
        else if (reached)
            env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Plik planu pracy jest uszkodzony.") + Cr +
                                                          QStringLiteral("Odczyt niemożliwy."));
        m_window.Report(QStringLiteral("Nie otwarto planu pracy %1.").arg(Quoted(name)));
        return;
    }
    doc.CurrentPlanName = name;
    m_window.ShowOpenPlan();
    m_window.ResetUndo();
    m_window.Report(QStringLiteral("Otwarto plan pracy %1.").arg(Quoted(name)));
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
    FrmNowyPlan* dialog = m_window.NewPlanDialog();
    if (!dialog) return;
    SuppressPlanSelection = true;
    QStringList plans;
    const QComboBox* box = m_window.PlanBox();
    for (int i = 0; i + 1 < box->count(); ++i)
        plans << box->itemText(i);
    dialog->SetUnusableColour(QColor(QRgb(m_state.Env.ColourTable[FreeDaySlot])));
    if (!dialog->Ask(plans, [this](const NewPlanRequest& request) { return MakePlan(request); })) {
        DialogAnulowany = true;
        SuppressPlanSelection = false;
    }
}

bool PlanCommands::Refuse(int icon, const QString& text)
{
    m_state.Env.Ui.ShowMessage(MessageIcon(icon), text);
    return false;
}

bool PlanCommands::MakePlan(const NewPlanRequest& request)
{
    Environment& env = m_state.Env;
    const QString& name = request.Name;
    if (name.isEmpty()) return Refuse(int(MessageIcon::Information), QStringLiteral("Wprowadź nazwę planu pracy"));
    if (name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')))
        return Refuse(int(MessageIcon::Critical), QStringLiteral("Błędna nazwa planu pracy.") + Cr +
                                                      QStringLiteral("Nazwa nie może zawierać znaków :,\\,/"));
    if (!IsStorablePlanName(name))
        return Refuse(int(MessageIcon::Critical),
                      QStringLiteral("Błędna nazwa planu pracy.") + Cr +
                          QStringLiteral("Nazwa może mieć najwyżej %1 znaków i nie może zawierać znaków sterujących, "
                                         "znaków *?\"<>| ani nazwy urządzenia (CON, NUL, COM1...).")
                              .arg(MaxPlanNameLength));
    const QString plansDir = env.PlansDir();
    if (env.Lib.SetDir(plansDir) > 0)
        return Refuse(int(MessageIcon::Critical),
                      QStringLiteral("Nie można odnależć ścieżki: ") + QDir::toNativeSeparators(plansDir + u'/'));
    const QStringList files = QDir(plansDir).entryList({QStringLiteral("*.PLN")}, QDir::Files, QDir::Unsorted);
    for (const QString& file : files) {
        QCoreApplication::processEvents();
        if (file.compare(name + QStringLiteral(".PLN"), Qt::CaseInsensitive) == 0)
            return Refuse(int(MessageIcon::Information), QStringLiteral("Plan o podanej nazwie już został utworzony.") +
                                                             Cr + QStringLiteral("Zmień nazwę planu pracy"));
    }
    KopiaPlanu = request.Copy;
    const bool made = request.Copy      ? MakeCopy(request)
                      : request.NoRange ? MakeWeeklyPlan(name)
                                        : MakeSchedulePlan(request);
    KopiaPlanu = false;
    if (!made) return false;
    SuppressPlanSelection = false;
    m_window.Button("cmdPrzydziel")->setEnabled(true);
    m_window.Report(
        request.Copy
            ? QStringLiteral("Utworzono plan pracy %1 jako kopię planu %2.").arg(Quoted(name), Quoted(request.Source))
            : QStringLiteral("Utworzono plan pracy %1.").arg(Quoted(name)));
    return true;
}

bool PlanCommands::MakeCopy(const NewPlanRequest& request)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    const uint8_t kind = ProbePlanKind(env, doc, request.Source);
    // The open plan is closed first and its lock released; the window waits.
    ClosePlan();
    QCoreApplication::processEvents();
    doc.ProbedKind = kind;
    doc.PlanReadOk = kind != ProbeFailed && ReadProbedPlan(env, doc, request.Source);
    // A reader that failed keeps the lock it took until the next plan is
    // chosen or the program ends; a source that was read gives it back at once.
    if (!doc.PlanReadOk) return Refuse(int(MessageIcon::Critical), SourceUnreadable);
    ReleaseLock(env, doc.PlanLockHandle);
    const QString target = QDir(env.PlansDir()).filePath(request.Name + QStringLiteral(".PLN"));
    if (CopyToNewFile(PlanFilePath(env, request.Source), target, PlanLayout::MaxPlanFileSize) != 0)
        return Refuse(int(MessageIcon::Critical), CopyFailed);
    // The copy is read as any plan is opened, under its own lock, by the
    // reader of its kind and layout.
    if (!ReadProbedPlan(env, doc, request.Name)) {
        ReleaseLock(env, doc.PlanLockHandle);
        return Refuse(int(MessageIcon::Critical), QStringLiteral("Odczytanie planu pracy niemożliwe."));
    }
    TakeMadePlan(request.Name);
    return true;
}

bool PlanCommands::MakeSchedulePlan(const NewPlanRequest& request)
{
    // Made on a copy of the open plan: a refusal leaves the open plan as it was.
    PlanDocument made = m_state.Doc;
    made.ProbedKind = ProbeSchedulePlan;
    // The new plan keeps the open plan's schedules, not its days.
    made.Plan.Days.Reset(0, 0);
    made.SchedulePlanShown = false;
    ZmienZakresDni(made, DayOfDate(request.From), DayOfDate(request.To));
    made.Fields.Pozostale = {Typed("00:01", true), Typed("00:00"), Typed("00:00"), Typed("00:01", true)};
    if (!ZapiszPlanHarmonogramow(m_state.Env, made, request.Name, false).Ok())
        return Refuse(int(MessageIcon::Critical), QStringLiteral("Nie powiodło sie utworzenie planu pracy."));
    m_state.Doc = made;
    TakeMadePlan(request.Name, false);
    return true;
}

bool PlanCommands::MakeWeeklyPlan(const QString& name)
{
    PlanDocument made = m_state.Doc;
    made.ProbedKind = ProbeWeeklyPlan;
    made.Plan.FirstDay = DayOfDate(QDate(2001, 1, 1));
    made.Plan.LastDay = DayOfDate(QDate(2002, 1, 1));
    made.Fields.Norma = Typed("08:00");
    made.Fields.StartDnia = Typed("00:00");
    if (!ZapiszPlanTygodniowy(m_state.Env, made, m_state.FreeDays, name, false, true).Ok())
        return Refuse(int(MessageIcon::Critical), QStringLiteral("Nie powiodło się utworzenie pliku planu pracy."));
    made.Plan.WeekdayKinds.fill(FreeWeekday); // as the uniform week stores them
    made.Plan.IncludeFreeDays = true;
    m_state.Doc = made;
    TakeMadePlan(name, false);
    return true;
}

void PlanCommands::TakeMadePlan(const QString& name, bool locked)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    doc.CurrentPlanName = name;
    doc.Plan.Name = name;
    if (!locked) {
        ReleaseLock(env, doc.PlanLockHandle);
        AcquirePlanLock(env, name, doc.PlanLockHandle, doc.PlanLockState);
    }
    m_window.AddPlanEntry(name);
    m_window.ShowOpenPlan();
    m_window.ResetUndo();
    doc.PlanModified = false;
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
    m_window.Report(QStringLiteral("Usunięto plan pracy %1.").arg(Quoted(name)));
}

void PlanCommands::cmdZakres_Click()
{
    m_window.Calendar()->StopBlink();
    SuppressPlanSelection = false;
    FrmZmianaZakresu* dialog = m_window.RangeDialog();
    if (!dialog) return;
    DialogAnulowany = false;
    const WorkPlan& plan = m_state.Doc.Plan;
    const std::optional<RangeRequest> request = dialog->Ask(DateOfDay(plan.FirstDay), DateOfDay(plan.LastDay));
    if (!request) {
        DialogAnulowany = true;
        return;
    }
    ChangeRange(*request);
}

void PlanCommands::ChangeRange(const RangeRequest& request)
{
    PlanDocument& doc = m_state.Doc;
    // The new range and its day table, worked out on a copy: the change is one step.
    const PlanRangeState before = PlanRangeState::Of(doc);
    PlanDocument changed = doc;
    ZmienZakresDni(changed, DayOfDate(request.From), DayOfDate(request.To));
    m_window.Undo()->push(new RangeChangeCommand(
        doc, [this] { m_window.ShowPlanRange(); }, before, PlanRangeState::Of(changed)));
    m_window.Report(QStringLiteral("Plan pracy obowiązuje od %1 do %2.")
                        .arg(request.From.toString(QStringLiteral("dd-MM-yyyy")),
                             request.To.toString(QStringLiteral("dd-MM-yyyy"))));
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
    const QList<int> rows = list->SelectedRows();
    const QVector<bool> selected = ZaznaczWybranych(list->Model()->rowCount(), rows);
    list->View()->setEnabled(true);
    if (rows.isEmpty()) {
        m_state.Env.Ui.ShowMessage(MessageIcon::Information,
                                   QStringLiteral("Nie zaznaczono żadnego pracownika. Zaznacz na liście pracowników, "
                                                  "którym przydzielić plan pracy."));
        list->View()->setFocus(Qt::OtherFocusReason);
        return;
    }

    StaffHooks hooks;
    hooks.Progress = [progress](int value) { progress->Bar()->setValue(value); };
    hooks.ProcessEvents = [] { QCoreApplication::processEvents(); };
    hooks.PlanCellChanged = [list](int row) { list->Model()->PlanChanged(row); };
    m_window.setEnabled(false);
    progress->show();
    const QVector<AssignmentOutcome> outcomes =
        PrzydzielPlan(m_state.Env, list->Model()->Rows(), selected, plan, hooks);
    m_window.setEnabled(true);
    progress->hide();
    m_window.Report(AssignmentSummary(plan, outcomes, list->Model()->Rows(), int(rows.size())));
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

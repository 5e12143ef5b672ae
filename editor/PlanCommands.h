// The plan commands of the main window: the choice in the plan box and the
// buttons along the bottom ("&Nowy", "&Usuń", "&Zapisz", "&Przydziel",
// "Z&akres ", "&Wyjdź"), each in the order of its steps, with the
// unsaved-changes questions, the choice of reader and writer by plan kind,
// the lock releases and the window's state after each. The new-plan and
// range dialogs hand back what the user asked for; the commands carry it out
// here and leave the window showing the plan that ends up open.
#pragma once

#include "plan/ZapisPlanuPracy.h"

#include <QObject>
#include <QString>

class FrmGrafenta;
struct NewPlanRequest;
struct ProgramState;
struct RangeRequest;

class PlanCommands : public QObject
{
    Q_OBJECT

public:
    PlanCommands(ProgramState& state, FrmGrafenta& window);

    // The next selection change of the plan box only clears this flag.
    bool SuppressPlanSelection = false;
    // A copy of a plan is being made ("&Utwórz z istniejącego").
    bool KopiaPlanu = false;
    // The new-plan or range dialog was cancelled last.
    bool DialogAnulowany = false;

    // A plan name chosen in the plan box (by the user or from code).
    void cboPlany_Change(const QString& name);
    void cmdNowy_Click();
    void cmdUsun_Click();
    void cmdZakres_Click();
    void cmdZapisz_Click();
    void cmdPrzydziel_Click();
    // True when the program is to end: the locks are released then.
    bool cmdWyjdz_Click();

    // Makes the plan the new-plan dialog asks for and opens it; false after
    // a refusal (shown), with the dialog to stay open.
    bool MakePlan(const NewPlanRequest& request);
    // Gives the open schedule plan the range asked for, as one undoable step.
    void ChangeRange(const RangeRequest& request);
    // Saves the open plan under a name with the writer of its kind.
    PlanSaveResult SavePlan(const QString& name, bool showMessages);

private:
    // After a save: the overlap shown, the faulty field focused, the steps kept as saved.
    void AfterSave(const PlanSaveResult& result);
    void OpenPlan(const QString& name);
    // The "<BRAK>" choice: the plan's lock released, no plan shown.
    void ClosePlan();
    bool Refuse(int icon, const QString& text);
    bool MakeCopy(const NewPlanRequest& request);
    bool MakeSchedulePlan(const NewPlanRequest& request);
    bool MakeWeeklyPlan(const QString& name);
    // A made plan is the open plan: its name in the plan box, its lock (taken
    // here unless the reader took it), the window showing it.
    void TakeMadePlan(const QString& name, bool locked = true);

    ProgramState& m_state;
    FrmGrafenta& m_window;
};

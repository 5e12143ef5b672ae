// The plan commands of the main window: the choice in the plan box and the
// buttons along the bottom ("&Nowy", "&Usuń", "&Zapisz", "&Przydziel",
// "Z&akres ", "&Wyjdź"), each in the order of its steps, with the
// unsaved-changes questions, the choice of reader and writer by plan kind,
// the lock releases and the window's state after each.
#pragma once

#include "plan/ZapisPlanuPracy.h"

#include <QObject>
#include <QString>

#include <functional>

class FrmGrafenta;
struct ProgramState;

class PlanCommands : public QObject
{
    Q_OBJECT

public:
    PlanCommands(ProgramState& state, FrmGrafenta& window);

    // The next selection change of the plan box only clears this flag.
    bool SuppressPlanSelection = false;
    // The new-plan dialog is making a copy of a plan ("&Utwórz z istniejącego").
    bool KopiaPlanu = false;
    // The new-plan or range dialog was cancelled last.
    bool DialogAnulowany = false;

    // The dialogs of the new-plan and range commands; none until they are set.
    std::function<void()> ShowNewPlanDialog;
    std::function<void()> ShowRangeDialog;

    // A plan name chosen in the plan box (by the user or from code).
    void cboPlany_Change(const QString& name);
    void cmdNowy_Click();
    void cmdUsun_Click();
    void cmdZakres_Click();
    void cmdZapisz_Click();
    void cmdPrzydziel_Click();
    // True when the program is to end: the locks are released then.
    bool cmdWyjdz_Click();

    // Saves the open plan under a name with the writer of its kind.
    PlanSaveResult SavePlan(const QString& name, bool showMessages);

private:
    // After a save: the overlap shown, the faulty field focused, the steps kept as saved.
    void AfterSave(const PlanSaveResult& result);
    void OpenPlan(const QString& name);

    ProgramState& m_state;
    FrmGrafenta& m_window;
};

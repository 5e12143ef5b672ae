// The plan range dialog ("Zakres planu pracy"): moves both ends of a
// schedule plan's range. OK gives the plan the new range and its day table
// the days that both ranges share, as one undoable step; Cancel puts the
// pickers back.
#pragma once

#include <QDialog>

class FrmGrafenta;
class PlanCommands;
class QDateEdit;
class RangePickers;
struct ProgramState;

class FrmZmianaZakresu : public QDialog
{
    Q_OBJECT

public:
    FrmZmianaZakresu(ProgramState& state, FrmGrafenta& window, QWidget* parent = nullptr);

    QDateEdit* From() const { return m_from; }
    QDateEdit* To() const { return m_to; }
    RangePickers* Range() const { return m_range; }

    // cmdZakres: the open plan's range in the pickers, then the dialog, modally.
    void ShowForPlan();
    void cmdOK_Click();
    // Cancel, the window's close button and Escape: the pickers go back.
    void reject() override;

private:
    ProgramState& m_state;
    FrmGrafenta& m_window;
    QDateEdit* m_from;
    QDateEdit* m_to;
    RangePickers* m_range;
};

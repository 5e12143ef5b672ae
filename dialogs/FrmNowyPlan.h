// The new-plan dialog ("Nowy plan"): makes a new plan file and opens it in
// the main window. An empty schedule plan over a range, an empty weekly plan
// ("Bez planu pracy"), or a copy of an existing plan of either kind and file
// layout ("&Utwórz z istniejącego"). The dialog lives for the whole run; its
// two pickers hold the open plan's range.
#pragma once

#include <QDialog>

class FrmGrafenta;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class RangePickers;
struct ProgramState;

class FrmNowyPlan : public QDialog
{
    Q_OBJECT

public:
    FrmNowyPlan(ProgramState& state, FrmGrafenta& window, QWidget* parent = nullptr);

    QLineEdit* Name() const { return m_name; }
    QCheckBox* CopyCheck() const { return m_copy; }
    QCheckBox* NoRangeCheck() const { return m_noRange; }
    QComboBox* Plans() const { return m_plans; }
    RangePickers* Range() const { return m_range; }

    // The open plan's range in the pickers.
    void ShowRange(int32_t firstDay, int32_t lastDay);
    // cmdNowy: the dialog, modally, made ready as each showing makes it.
    void ShowForNewPlan();

    void chkUtworz_Click();
    void chkBezPlanu_Click();
    // True when the plan was made (the dialog then hides).
    bool cmdOK_Click();
    // Cancel, the window's close button and Escape: the pickers go back.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Activated();
    // cmdOK's steps; true when the plan was made.
    bool MakePlan();
    // A refusal: the message, the focus back to the name; false.
    bool Refuse(int icon, const QString& text);
    bool MakeSchedulePlan(const QString& name, bool copying, const QString& source);
    bool MakeWeeklyPlan(const QString& name, bool copying, const QString& source);
    // What every made plan ends with in the main window.
    void OpenInWindow(const QString& name);
    void ShowPlanBackground(bool white);

    ProgramState& m_state;
    FrmGrafenta& m_window;
    QLineEdit* m_name;
    QCheckBox* m_copy;
    QComboBox* m_plans;
    QCheckBox* m_noRange;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    RangePickers* m_range;
};

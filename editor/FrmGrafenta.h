// The main window. It arranges the month calendar, the schedule panel, the
// allowances, the employee list and the command buttons as the program's
// window is drawn, shows the plan that is open (or none), keeps the edits of
// the open plan as undoable steps and says in its status bar what a command
// did. What the commands do lives in PlanCommands.
#pragma once

#include "env/Startup.h"
#include "plan/WorkPlan.h"
#include "staff/ObslugaListy.h"

#include <QMainWindow>
#include <QUndoStack>

class AllowancePanel;
class QAction;
class CompliancePanel;
class PlanOutput;
class QDockWidget;
class EmployeeList;
class EmployeePrefetch;
class FrmAbout;
class FrmNowyPlan;
class FrmObrazek;
class FrmZmianaZakresu;
class FrmProgress;
class MonthCalendar;
class PlanCommands;
class QComboBox;
class QLabel;
class QPushButton;
class SchedulePanel;
class TimeFieldEdit;
class WindowLayout;
struct ProgramState;

class FrmGrafenta : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmGrafenta(ProgramState& state, QWidget* parent = nullptr);
    ~FrmGrafenta() override;

    // The window's turns in the start-up sequence.
    StartupSteps WindowStartupSteps();
    // Waits for the employees read while the window was built (the splash
    // shows how far they are when that takes long); start-up's reading of
    // the employees then takes them, when the reading went cleanly.
    void AwaitEmployees(EmployeePrefetch& prefetch);
    // The window at its described size: the window as drawn (all but the
    // tool row, the check and the status bar) at its drawn size, the check
    // beside it at its first width.
    void ShowDescribedSize();
    // The window's background colour, 0xRRGGBB.
    uint32_t BackgroundColour() const;

    ProgramState& State() { return m_state; }
    MonthCalendar* Calendar() const { return m_calendar; }
    SchedulePanel* Panel() const { return m_panel; }
    AllowancePanel* Allowances() const { return m_allowances; }
    EmployeeList* Employees() const { return m_employees; }
    PlanCommands* Commands() const { return m_commands; }
    QUndoStack* Undo() { return &m_undo; }
    CompliancePanel* Compliance() const { return m_compliance; }
    QDockWidget* ComplianceDock() const { return m_complianceDock; }
    PlanOutput* Output() const { return m_output; }
    QComboBox* PlanBox() const { return m_plans; }
    // The progress and about windows, made when first needed.
    FrmProgress* Progress();
    FrmNowyPlan* NewPlanDialog() const { return m_newPlan; }
    FrmZmianaZakresu* RangeDialog() const { return m_rangeDialog; }
    FrmAbout* AboutDialog();
    QPushButton* Button(const char* name) const;
    TimeFieldEdit* Field(int id) const;

    // Locks (true) or unlocks the editing controls.
    void Blokuj_Przyciski(bool lock);
    // Arranges the window for a plan kind: 0 weekly, any other schedule.
    void UstawTypPlanu(uint8_t kind);
    // All 42 day cells in ColourTable(0) with the tag "1".
    void CzyscDniPlanu();

    // The open plan's range in lblOd1 and lbldo1 ("dd-MM-yyyy").
    void ShowRangeLabels();
    // A schedule plan's range everywhere it shows: the labels, the new-plan
    // dialog's pickers, and the calendar at the first month, drawn anew.
    void ShowPlanRange();
    // The about button: the versions and the package name, then the window.
    void ShowAbout();
    // lblOd1, lbldo1 and lblMiesiac emptied.
    void ClearPlanCaptions();
    // The window arranged for the open plan, whichever way it was opened or
    // made: its kind's controls, its fields, its range, its first month (or
    // its weekdays), the editing controls unlocked and its name in the plan
    // box. (What a plan reader hands back on success comes down to this.)
    void ShowOpenPlan();
    // No plan on show: the fields emptied, the editing controls locked, the
    // calendar and the captions cleared, "&Przydziel" off, and the plan box
    // at entry: the plan whose damaged file is still held ("&Usuń" on, to
    // delete it), or "<BRAK>".
    void ShowNoPlan(const QString& entry);
    // Shows name in cboPlany without running the plan choice.
    void ShowPlanEntry(const QString& name);
    // A made plan joins the plan box in its place in the order.
    void AddPlanEntry(const QString& name);
    // What a command did, in the status bar.
    void Report(const QString& text);
    // After the writer found overlapping areas: the day's month shown, the day focused and blinking.
    void ShowOverlap(int32_t day);
    // Puts the focus into a time field.
    void FocusField(int id);
    // Edits start afresh: the undo steps go and the plan counts as unchanged from here.
    void ResetUndo();
    // A plan was opened, made or closed: the check follows the window.
    void PlanShownOrClosed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void Connect();
    QPushButton* AddButton(const char* name, const QString& caption, int left, int width = 975);
    void ShowField(int id);
    void ReadEmployees();
    // The employee rows in the list; read tells whether the folder was read to its end.
    void ShowEmployees(EmployeeRows rows, bool read);
    // The splash, made when first needed.
    FrmObrazek* Splash();
    void ListPlansIntoBox();
    void FieldEdited(int id, const TimeField& before, const TimeField& after, bool marksModified);
    // Ctrl+S: "&Zapisz" as if clicked.
    void SaveByKey();
    // Undo (back) or redo: a fixed caption, the step's name in the tooltip
    // with the key, what it did in the status bar.
    QAction* StepAction(bool back);

    ProgramState& m_state;
    WindowLayout* m_layout = nullptr;
    MonthCalendar* m_calendar = nullptr;
    SchedulePanel* m_panel = nullptr;
    AllowancePanel* m_allowances = nullptr;
    EmployeeList* m_employees = nullptr;
    PlanCommands* m_commands = nullptr;
    FrmProgress* m_progress = nullptr;
    FrmNowyPlan* m_newPlan = nullptr;
    FrmZmianaZakresu* m_rangeDialog = nullptr;
    FrmAbout* m_about = nullptr;
    FrmObrazek* m_splash = nullptr;
    EmployeePrefetch* m_prefetch = nullptr;
    QComboBox* m_plans = nullptr;
    QLabel* m_from = nullptr; // lblOd1
    QLabel* m_to = nullptr;   // lbldo1
    CompliancePanel* m_compliance = nullptr;
    QDockWidget* m_complianceDock = nullptr;
    PlanOutput* m_output = nullptr;
    QUndoStack m_undo;
    QRect m_listTwips;   // the employee list as start-up left it
    int m_arranged = -1; // the plan kind the window is arranged for, -1 before the first
};

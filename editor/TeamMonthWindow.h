// "Grafik zespołu": the team's month in a window of its own beside the main
// window. Rows are the employees of the list (filtered by group, plan and
// name, in Polish order), columns the month's days, each cell the shift's
// colour, hours and slot digit; beside each row the planned hours and the
// month's norm. Under the grid the coverage: the people at work each day and
// on each shift, each shift with a minimum the planner sets (kept in the
// user's settings) and the days short of it marked; under that the people at
// work at each hour of the chosen day. A double-click (or Enter) on an
// employee opens the employee's plan in the main window through its plan
// box, so the unsaved-changes question and the locks apply as ever. Plans
// are only read: no lock, no message per damaged plan.
#pragma once

#include "editor/TeamMonthModel.h"

#include <QWidget>

#include <functional>

class FrmGrafenta;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;
class QToolBar;
struct ProgramState;

class TeamMonthWindow : public QWidget
{
    Q_OBJECT

public:
    // rows: the employee list's rows, as they stand when the view is filled.
    TeamMonthWindow(ProgramState& state, std::function<EmployeeRows()> rows, QWidget* parent = nullptr);

    // Shows a month: the first day of it, or any.
    void ShowMonth(const QDate& month);
    QDate Month() const;
    // Reads the employees' plans again and fills the view.
    void Reload();
    // The members shown, in order.
    QVector<int> ShownMembers() const { return m_filter->ShownMembers(); }
    // What the print and export would take.
    TeamExportInput ExportInput() const;

    TeamGridModel* Grid() const { return m_grid; }
    TeamFilter* Filter() const { return m_filter; }
    TeamCoverageModel* CoverageModel() const { return m_coverage; }
    QTableView* GridView() const { return m_gridView; }
    QTableView* CoverageView() const { return m_coverageView; }
    QLabel* Summary() const { return m_summary; }

    void Print();
    void Export();
    // Writes the export the extension names (.pdf or .csv); false after a message.
    bool ExportTo(const QString& path);

signals:
    // The user asked for the plan of an employee (a member of Grid()->Month()).
    void OpenPlanRequested(const TeamMember& member);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void FillFilterChoices();
    void ApplyFilter();
    void UpdateCoverage();
    // The people at work at each hour of a day of the month (its index).
    void ShowHours(int dayIndex);
    void OpenCurrent();
    QString SelectionText() const;

    ProgramState& m_state;
    std::function<EmployeeRows()> m_rows;
    TeamGridModel* m_grid;
    TeamFilter* m_filter;
    TeamCoverageModel* m_coverage;
    QComboBox* m_monthChoice = nullptr;
    QSpinBox* m_yearChoice = nullptr;
    QComboBox* m_groupChoice = nullptr;
    QComboBox* m_planChoice = nullptr;
    QComboBox* m_orderChoice = nullptr;
    QLineEdit* m_search = nullptr;
    QTableView* m_gridView = nullptr;
    QTableView* m_coverageView = nullptr;
    QTableWidget* m_hours = nullptr;
    QLabel* m_hoursTitle = nullptr;
    QLabel* m_summary = nullptr;
    int m_hoursDay = 0;
    bool m_filling = false;
};

// The toolbar action "Grafik zespołu" (Ctrl+G) of the main window, with the
// window it opens (made the first time); the window's requests to open a
// plan go to the main window's plan box.
void InstallTeamMonth(FrmGrafenta& window, QToolBar& tools);

// Opens a member's plan in the main window as choosing it in the plan box
// does; tells the user why when the member has no plan or the plan is not
// in the plans folder.
void OpenMemberPlan(FrmGrafenta& window, const TeamMember& member);

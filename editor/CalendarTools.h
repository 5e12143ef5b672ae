// The calendar's tools beside the described window: painting a shift cycle
// over many days ("Wzór zmian…"), repeating the chosen week or the shown
// month to the end of the plan, and keeping the suite's free-days list
// ("Dni wolne…"). They sit on the window's tool bar and in the calendar's
// context menu; each painting is one undoable step, and after the free days
// change the calendar, the weekly plan's controls and the check follow.
#pragma once

#include "plan/ShiftCycle.h"

#include <QObject>
#include <QString>

#include <optional>

class CycleDialog;
class FrmGrafenta;
class QAction;
class QMenu;
struct Environment;
struct PlanDocument;
struct SuiteFreeDays;

class CalendarTools : public QObject
{
    Q_OBJECT

public:
    CalendarTools(const Environment& env, PlanDocument& doc, SuiteFreeDays& freeDays, FrmGrafenta& window);

    QAction* CycleAction() const { return m_cycle; }
    QAction* RepeatWeekAction() const { return m_repeatWeek; }
    QAction* RepeatMonthAction() const { return m_repeatMonth; }
    QAction* FreeDaysAction() const { return m_freeDays; }
    // The cycle dialog, made when it is first needed.
    CycleDialog* Dialog();

    // "Wzór zmian…": the dialog, then the days it asks for painted.
    void PaintCycle();
    // Paints what a cycle gives, as one step; false (its message shown) when refused.
    bool Paint(const CyclePainting& painting);
    // The week (Sunday to Saturday, as the grid's rows) of a day repeated to the end of the plan.
    void RepeatWeekOf(int32_t day);
    // The month the calendar shows repeated to the end of the plan.
    void RepeatShownMonth();
    // "Dni wolne…": the free-days dialog under the free-days lock.
    void EditFreeDays();
    // The free days were written: the window shows them.
    void FreeDaysChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A schedule plan is open and may be edited.
    bool Editable() const;
    void UpdateActions();
    // The day the week tools work on: the focused cell's, else the last one
    // painted or pointed at when it is shown, else the shown month's first in the plan.
    int32_t ChosenDay() const;
    // The days a cycle paints.
    DayRun CycleRun(const CyclePainting& painting) const;
    // Whether the slots a run paints may be painted; false after the message.
    bool MayPaint(const DayRun& run) const;
    // Checks the slots a run paints and pushes it as one step.
    bool Push(const DayRun& run, const QString& text);
    void ShowMenu(const QPoint& globalPosition, int cell);

    const Environment& m_env;
    PlanDocument& m_doc;
    SuiteFreeDays& m_freeDaysState;
    FrmGrafenta& m_window;
    QAction* m_cycle;
    QAction* m_repeatWeek;
    QAction* m_repeatMonth;
    QAction* m_freeDays;
    CycleDialog* m_dialog = nullptr;
    std::optional<CyclePainting> m_last; // the painting asked for last, in plan m_lastPlan
    QString m_lastPlan;
    std::optional<int32_t> m_lastDay;
};

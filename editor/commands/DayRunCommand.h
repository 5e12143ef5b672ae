// Many days of a schedule plan painted at once (a shift cycle, a repeated
// week or month) as one undoable step: the days' new slots, and the slots
// they had before.
#pragma once

#include "plan/PlanDocument.h"
#include "plan/ShiftCycle.h"

#include <QUndoCommand>

#include <functional>

class DayRunCommand : public QUndoCommand
{
public:
    // show brings the calendar up to the plan's days after each step.
    DayRunCommand(PlanDocument& doc, std::function<void()> show, DayRun after, const QString& text);
    void redo() override;
    void undo() override;

private:
    void Apply(const DayRun& run);

    PlanDocument& m_doc;
    std::function<void()> m_show;
    DayRun m_before;
    DayRun m_after;
};

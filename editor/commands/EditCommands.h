// The edits of the main window as undoable steps: painting days of a
// schedule plan, marking weekdays of a weekly plan, and editing a time field.
// A drag over several cells is one step (commands of the same stroke merge).
// Every step marks the plan modified; the window clears the flag again when
// the steps are undone back to the plan as it was opened or saved.
#pragma once

#include "plan/PlanDocument.h"

#include <QUndoCommand>

#include <array>
#include <functional>

class MonthCalendar;

class PaintDaysCommand : public QUndoCommand
{
public:
    PaintDaysCommand(PlanDocument& doc, MonthCalendar& calendar, int stroke, const QVector<int32_t>& days, int slot);
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override;
    void redo() override;
    void undo() override;

private:
    PlanDocument& m_doc;
    MonthCalendar& m_calendar;
    int m_stroke;
    int m_slot;
    QVector<int32_t> m_days;
    QVector<int32_t> m_before; // the slot each day had
};

class WeekdayMarkCommand : public QUndoCommand
{
public:
    WeekdayMarkCommand(PlanDocument& doc, MonthCalendar& calendar, int stroke, int weekday, uint8_t kind);
    int id() const override { return 2; }
    bool mergeWith(const QUndoCommand* other) override;
    void redo() override;
    void undo() override;

private:
    PlanDocument& m_doc;
    MonthCalendar& m_calendar;
    int m_stroke;
    std::array<uint8_t, 7> m_before;
    std::array<uint8_t, 7> m_after;
};

class FieldEditCommand : public QUndoCommand
{
public:
    // show puts the field's stored text back into its widget.
    FieldEditCommand(PlanDocument& doc, std::function<void(int)> show, int id, const TimeField& before,
                     const TimeField& after, bool marksModified);
    void redo() override;
    void undo() override;

private:
    PlanDocument& m_doc;
    std::function<void(int)> m_show;
    int m_id;
    TimeField m_before;
    TimeField m_after;
    bool m_marksModified;
};

// A schedule plan's range and its day table, before and after a change of the range.
struct PlanRangeState
{
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    DayTable Days;
    bool SchedulePlanShown = false;

    static PlanRangeState Of(const PlanDocument& doc);
    void ApplyTo(PlanDocument& doc) const;
};

class RangeChangeCommand : public QUndoCommand
{
public:
    // show brings the window up to the plan's range after each step.
    RangeChangeCommand(PlanDocument& doc, std::function<void()> show, PlanRangeState before, PlanRangeState after);
    void redo() override;
    void undo() override;

private:
    PlanDocument& m_doc;
    std::function<void()> m_show;
    PlanRangeState m_before;
    PlanRangeState m_after;
};

#include "editor/commands/EditCommands.h"

#include "editor/MonthCalendar.h"
#include "editor/TimeFieldEdit.h"

PaintDaysCommand::PaintDaysCommand(PlanDocument& doc, MonthCalendar& calendar, int stroke, const QVector<int32_t>& days,
                                   int slot)
    : m_doc(doc), m_calendar(calendar), m_stroke(stroke), m_slot(slot)
{
    setText(QStringLiteral("Malowanie dni"));
    for (const int32_t day : days) {
        if (!doc.Plan.Days.Contains(day) || m_days.contains(day)) continue;
        m_days.append(day);
        m_before.append(doc.Plan.Days.At(day));
    }
}

bool PaintDaysCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const PaintDaysCommand*>(other);
    if (next->m_stroke != m_stroke || next->m_slot != m_slot) return false;
    for (qsizetype i = 0; i < next->m_days.size(); ++i) {
        if (m_days.contains(next->m_days.at(i))) continue;
        m_days.append(next->m_days.at(i));
        m_before.append(next->m_before.at(i));
    }
    return true;
}

void PaintDaysCommand::redo()
{
    for (const int32_t day : std::as_const(m_days)) {
        m_doc.Plan.Days.Set(day, m_slot);
        m_calendar.ShowDay(day);
    }
    m_doc.PlanModified = true;
}

void PaintDaysCommand::undo()
{
    for (qsizetype i = 0; i < m_days.size(); ++i) {
        m_doc.Plan.Days.Set(m_days.at(i), m_before.at(i));
        m_calendar.ShowDay(m_days.at(i));
    }
    m_doc.PlanModified = true;
}

WeekdayMarkCommand::WeekdayMarkCommand(PlanDocument& doc, MonthCalendar& calendar, int stroke, int weekday,
                                       uint8_t kind)
    : m_doc(doc), m_calendar(calendar), m_stroke(stroke), m_before(doc.Plan.WeekdayKinds),
      m_after(doc.Plan.WeekdayKinds)
{
    setText(QStringLiteral("Oznaczenie dnia tygodnia"));
    m_after[size_t(weekday)] = kind;
}

bool WeekdayMarkCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const WeekdayMarkCommand*>(other);
    if (next->m_stroke != m_stroke) return false;
    m_after = next->m_after;
    return true;
}

void WeekdayMarkCommand::redo()
{
    m_doc.Plan.WeekdayKinds = m_after;
    m_calendar.ShowWeekdayKinds(m_after);
    m_doc.PlanModified = true;
}

void WeekdayMarkCommand::undo()
{
    m_doc.Plan.WeekdayKinds = m_before;
    m_calendar.ShowWeekdayKinds(m_before);
    m_doc.PlanModified = true;
}

FieldEditCommand::FieldEditCommand(PlanDocument& doc, std::function<void(int)> show, int id, const TimeField& before,
                                   const TimeField& after, bool marksModified)
    : m_doc(doc), m_show(std::move(show)), m_id(id), m_before(before), m_after(after), m_marksModified(marksModified)
{
    setText(QStringLiteral("Zmiana godziny"));
}

void FieldEditCommand::redo()
{
    FieldById(m_doc.Fields, m_id) = m_after;
    m_show(m_id);
    // A cleared field does not mark the plan modified.
    if (m_marksModified) m_doc.PlanModified = true;
}

void FieldEditCommand::undo()
{
    FieldById(m_doc.Fields, m_id) = m_before;
    m_show(m_id);
    m_doc.PlanModified = true;
}

PlanRangeState PlanRangeState::Of(const PlanDocument& doc)
{
    return {doc.Plan.FirstDay, doc.Plan.LastDay, doc.Plan.Days, doc.SchedulePlanShown};
}

void PlanRangeState::ApplyTo(PlanDocument& doc) const
{
    doc.Plan.FirstDay = FirstDay;
    doc.Plan.LastDay = LastDay;
    doc.Plan.Days = Days;
    doc.SchedulePlanShown = SchedulePlanShown;
}

RangeChangeCommand::RangeChangeCommand(PlanDocument& doc, std::function<void()> show, PlanRangeState before,
                                       PlanRangeState after)
    : m_doc(doc), m_show(std::move(show)), m_before(std::move(before)), m_after(std::move(after))
{
    setText(QStringLiteral("Zmiana zakresu planu"));
}

void RangeChangeCommand::redo()
{
    m_after.ApplyTo(m_doc);
    m_show();
    m_doc.PlanModified = true;
}

void RangeChangeCommand::undo()
{
    m_before.ApplyTo(m_doc);
    m_show();
    m_doc.PlanModified = true;
}

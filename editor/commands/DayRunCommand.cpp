#include "editor/commands/DayRunCommand.h"

DayRunCommand::DayRunCommand(PlanDocument& doc, std::function<void()> show, DayRun after, const QString& text)
    : m_doc(doc), m_show(std::move(show)), m_after(std::move(after))
{
    setText(text);
    const DayTable& days = doc.Plan.Days;
    m_before.First = m_after.First;
    m_before.Slots.reserve(m_after.Slots.size());
    for (int32_t day = m_after.First; day <= m_after.Last(); ++day)
        m_before.Slots.append(days.Contains(day) ? days.At(day) : FreeDaySlot);
}

void DayRunCommand::Apply(const DayRun& run)
{
    DayTable& days = m_doc.Plan.Days;
    for (qsizetype i = 0; i < run.Slots.size(); ++i) {
        const int32_t day = run.First + int32_t(i);
        if (days.Contains(day)) days.Set(day, run.Slots.at(i));
    }
    m_doc.PlanModified = true;
    m_show();
}

void DayRunCommand::redo()
{
    Apply(m_after);
}

void DayRunCommand::undo()
{
    Apply(m_before);
}

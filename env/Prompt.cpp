#include "env/Prompt.h"

#include <QStringList>

void RecordingPrompt::ShowMessage(MessageIcon icon, const QString& text)
{
    m_entries.append({icon, text, false, MessageButtons::Ok});
}

Answer RecordingPrompt::Ask(MessageIcon icon, const QString& text, MessageButtons buttons)
{
    m_entries.append({icon, text, true, buttons});
    return m_script.isEmpty() ? m_default : m_script.takeFirst();
}

QStringList RecordingPrompt::Texts() const
{
    QStringList texts;
    for (const Entry& entry : m_entries)
        texts.append(entry.Text);
    return texts;
}

QString RecordingPrompt::OnlyText() const
{
    return m_entries.size() == 1 ? m_entries.first().Text : QString();
}

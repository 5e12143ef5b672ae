// How the core talks to the user. Core routines never open a window: they
// show messages and ask questions through this interface. The editor answers
// with message boxes, the tests with a recorder of scripted answers, the
// command-line tool on the terminal.
//
// Every box carries the program's title (MessageTitle). A line break inside a
// text is the character 13 (Cr below); whoever displays the text turns it into
// a real line break.
#pragma once

#include <QList>
#include <QString>

enum class MessageIcon { Critical, Exclamation, Question, Information };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

inline const QString MessageTitle = QStringLiteral("Grafenta");
inline const QChar Cr = QChar(13);

class Prompt
{
public:
    virtual ~Prompt() = default;
    virtual void ShowMessage(MessageIcon icon, const QString& text) = 0;
    virtual Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) = 0;
};

// Keeps every message and question, and answers questions from a script.
class RecordingPrompt : public Prompt
{
public:
    struct Entry
    {
        MessageIcon Icon;
        QString Text;
        bool Question = false;
        MessageButtons Buttons = MessageButtons::Ok;
    };

    void ShowMessage(MessageIcon icon, const QString& text) override;
    Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) override;

    // Answers for the next questions, in order; when they run out the
    // default answer is given.
    void ScriptAnswers(const QList<Answer>& answers) { m_script += answers; }
    void SetDefaultAnswer(Answer answer) { m_default = answer; }

    const QList<Entry>& Entries() const { return m_entries; }
    QStringList Texts() const;
    // Text of the only entry; empty when there were none or several.
    QString OnlyText() const;
    void Clear() { m_entries.clear(); }

private:
    QList<Entry> m_entries;
    QList<Answer> m_script;
    Answer m_default = Answer::Yes;
};

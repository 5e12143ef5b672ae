// The prompt of the running program: every message and question is a modal
// message box titled MessageTitle.
#pragma once

#include "env/Prompt.h"

#include <QMessageBox>
#include <QPointer>

class QWidget;

class MessageBoxPrompt : public Prompt
{
public:
    explicit MessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}

    // The window the boxes are centred on (none: the screen).
    void SetParentWindow(QWidget* parent) { m_parent = parent; }

    void ShowMessage(MessageIcon icon, const QString& text) override;
    Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) override;

    // The text as a message box shows it: every character 13 (alone or
    // followed by a line feed) becomes a line break.
    static QString DisplayText(const QString& text);
    static QMessageBox::Icon BoxIcon(MessageIcon icon);

private:
    QPointer<QWidget> m_parent;
};

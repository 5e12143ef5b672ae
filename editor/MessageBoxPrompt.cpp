#include "editor/MessageBoxPrompt.h"

#include <QPushButton>

namespace {

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// Escape and the window's close button give the answer that changes nothing:
// No when there are Yes and No only, Cancel when there is a Cancel.
QMessageBox::StandardButton EscapeButton(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::YesNo:
        return QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

Answer ToAnswer(int button, MessageButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        break;
    }
    return ToAnswer(EscapeButton(buttons), buttons);
}

} // namespace

QString MessageBoxPrompt::DisplayText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(Cr, u'\n');
    return shown;
}

QMessageBox::Icon MessageBoxPrompt::BoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

void MessageBoxPrompt::ShowMessage(MessageIcon icon, const QString& text)
{
    Ask(icon, text, MessageButtons::Ok);
}

Answer MessageBoxPrompt::Ask(MessageIcon icon, const QString& text, MessageButtons buttons)
{
    QMessageBox box(BoxIcon(icon), MessageTitle, DisplayText(text), BoxButtons(buttons), m_parent);
    box.setTextFormat(Qt::PlainText);
    // The first button is the default, as in every box of the suite.
    box.setDefaultButton(buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes);
    box.setEscapeButton(EscapeButton(buttons));
    return ToAnswer(box.exec(), buttons);
}

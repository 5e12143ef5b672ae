#include "editor/TimeFieldEdit.h"

#include "env/Prompt.h"
#include "plan/TimeText.h"

#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

TimeField& FieldById(ScheduleFields& fields, int id)
{
    if (id < FieldIds::Allowance(0)) return fields.Slots[size_t(id / 4)][size_t(id % 4)];
    if (id < FieldIds::Norm) return fields.Pozostale[size_t(id - FieldIds::Allowance(0))];
    return id == FieldIds::Norm ? fields.Norma : fields.StartDnia;
}

const TimeField& FieldById(const ScheduleFields& fields, int id)
{
    return FieldById(const_cast<ScheduleFields&>(fields), id);
}

TimeFieldEdit::TimeFieldEdit(int id, ScheduleFields& fields, Prompt& prompt, QWidget* parent)
    : QLineEdit(parent), m_id(id), m_fields(fields), m_prompt(prompt)
{
    setMaxLength(16);
    setAlignment(Qt::AlignCenter);
    // hh:mm fills the narrow field: no room is lost to padding.
    setTextMargins(-2, 0, -2, 0);
}

void TimeFieldEdit::ShowStored()
{
    setText(FieldById(m_fields, m_id).Text);
}

void TimeFieldEdit::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_keys != Keys::Any) {
        if (m_next) m_next->setFocus(Qt::TabFocusReason);
        return;
    }
    if (m_keys == Keys::TimeOnly) {
        // Characters other than 0..9 and the colon never reach the field;
        // moving and deleting keys carry no character and still work.
        const QString typed = event->text();
        const auto timeCharacter = [](QChar c) {
            return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == u':';
        };
        const bool carriesText = !typed.isEmpty() && typed.at(0).isPrint();
        if (carriesText && event->key() != Qt::Key_Backspace &&
            !std::all_of(typed.cbegin(), typed.cend(), timeCharacter))
            return;
    }
    QLineEdit::keyPressEvent(event);
}

void TimeFieldEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Only leaving for another field of the window counts, not the window
    // losing the focus or a menu opening.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    Leave();
}

bool TimeFieldEdit::Leave()
{
    if (m_leaving) return true;
    const TimeFieldParse parse = ParseTimeField(text(), m_minimumOneMinute);
    m_refused = parse.IsError();
    if (parse.IsError()) {
        m_leaving = true;
        m_prompt.ShowMessage(MessageIcon::Exclamation, parse.Message());
        m_leaving = false;
        // The text stays as typed; the focus comes back once the message is gone.
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        return false;
    }
    const TimeField before = FieldById(m_fields, m_id);
    const TimeField after{parse.Text, parse.Value};
    setText(after.Text);
    emit Edited(m_id, before, after, parse.MarksModified());
    return true;
}

// A time field of the main window (txtOd, txtdo, txtPrzeOd, txtPrzeDo,
// txtPozostale, txtNorma, txtStartDnia): hh:mm text checked by the
// leave-field parser when the user leaves the field. The field shows the
// text of its place in the open plan's fields; what the user makes of it is
// handed on as an edit (before and after), which the window applies.
#pragma once

#include "plan/WorkPlan.h"

#include <QLineEdit>

class Prompt;

// The places of the time fields in ScheduleFields: slot × 4 + column for the
// schedule rows, then the four allowances, the daily norm and the day start.
namespace FieldIds {
constexpr int Of(int slot, int column)
{
    return slot * 4 + column;
}
constexpr int Allowance(int index)
{
    return SlotCount * 4 + index;
}
constexpr int Norm = SlotCount * 4 + 4;
constexpr int DayStart = Norm + 1;
constexpr int Count = DayStart + 1;
} // namespace FieldIds

TimeField& FieldById(ScheduleFields& fields, int id);
const TimeField& FieldById(const ScheduleFields& fields, int id);

class TimeFieldEdit : public QLineEdit
{
    Q_OBJECT

public:
    enum class Keys {
        Any,         // every key reaches the field
        TimeOnly,    // only digits, ":" and Backspace reach it; Enter moves on
        EnterMovesOn // every key reaches it; Enter moves on
    };

    TimeFieldEdit(int id, ScheduleFields& fields, Prompt& prompt, QWidget* parent = nullptr);

    int Id() const { return m_id; }
    void SetKeys(Keys keys) { m_keys = keys; }
    // Where Enter moves the focus.
    void SetNext(QWidget* next) { m_next = next; }
    // The earlier-entry and later-exit allowances keep a zero as one minute.
    void SetMinimumOneMinute(bool minimum) { m_minimumOneMinute = minimum; }
    // Shows the text of the field's place again.
    void ShowStored();
    // Runs the leave-field parser on the text as it stands; false when it
    // refused the text (message shown, focus back here).
    bool Leave();
    // The parser refused the text when the field was last left.
    bool Refused() const { return m_refused; }

signals:
    // The user left the field with a text the parser accepted or cleared.
    // marksModified: an accepted time marks the plan modified, a cleared field does not.
    void Edited(int id, const TimeField& before, const TimeField& after, bool marksModified);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int m_id;
    ScheduleFields& m_fields;
    Prompt& m_prompt;
    Keys m_keys = Keys::Any;
    QWidget* m_next = nullptr;
    bool m_minimumOneMinute = false;
    bool m_leaving = false;
    bool m_refused = false;
};

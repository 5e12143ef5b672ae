// A date field of a plan's range (dtpOd, dtpDo): a date typed as dd-mm-yyyy
// (dots, slashes or blanks between the parts will do) or picked from a
// calendar (the button in the field, Alt+Down or F4). What is typed stays as
// typed until the field is left or Enter is pressed; then it is checked, and
// a text that is no date of the field's span is named in a message and the
// focus comes back, as in the time fields. Up and Down move a day.
#pragma once

#include <QDate>
#include <QLineEdit>

class Prompt;
class QCalendarWidget;

class DateField : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QDate date READ Date WRITE SetDate NOTIFY DateChanged USER true)

public:
    explicit DateField(Prompt& prompt, QWidget* parent = nullptr);

    QDate Date() const { return m_date; }
    // Shows a date (within the span); DateChanged follows when it is another.
    void SetDate(QDate date);
    void SetSpan(QDate first, QDate last);
    // Checks what is typed and takes it; false when it is refused (message
    // shown, focus back here). A text that shows the date already is taken at once.
    bool Commit();
    // The calendar to pick from, opened under the field.
    void ShowCalendar();

    // The date a text names, whatever separates its parts; invalid when none.
    static QDate ParseDate(const QString& text);

signals:
    void DateChanged(QDate date);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Prompt& m_prompt;
    QDate m_date;
    QDate m_first;
    QDate m_last;
    bool m_leaving = false;
};

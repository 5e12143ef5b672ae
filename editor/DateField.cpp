#include "editor/DateField.h"

#include "editor/RangePickers.h"
#include "env/Prompt.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

// A small sheet of a calendar for the field's button, drawn in the text colour.
QIcon CalendarIcon(const QColor& ink)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(ink, 2));
    painter.drawRect(4, 6, 24, 22);
    painter.fillRect(4, 6, 24, 6, ink);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column)
            painter.fillRect(8 + 5 * column, 15 + 4 * row, 3, 2, ink);
    }
    return QIcon(pixmap);
}

} // namespace

DateField::DateField(Prompt& prompt, QWidget* parent)
    : QLineEdit(parent), m_prompt(prompt), m_date(QDate::currentDate())
{
    setMaxLength(16);
    QAction* calendar = addAction(CalendarIcon(palette().color(QPalette::Text)), QLineEdit::TrailingPosition);
    calendar->setObjectName(QStringLiteral("calendarAction"));
    calendar->setText(QStringLiteral("Kalendarz"));
    calendar->setToolTip(QStringLiteral("Wybierz datę z kalendarza (Alt+Strzałka w dół)"));
    connect(calendar, &QAction::triggered, this, &DateField::ShowCalendar);
    setText(m_date.toString(RangeDateFormat));
}

QDate DateField::ParseDate(const QString& text)
{
    static const QRegularExpression parts(QStringLiteral(R"(^\s*(\d{1,2})\D+(\d{1,2})\D+(\d{4}|\d{2})\s*$)"));
    static const QRegularExpression digits(QStringLiteral(R"(^\s*(\d{2})(\d{2})(\d{4})\s*$)"));
    QRegularExpressionMatch match = parts.match(text);
    if (!match.hasMatch()) match = digits.match(text);
    if (!match.hasMatch()) return {};
    int year = match.captured(3).toInt();
    if (match.captured(3).size() == 2) year += 2000;
    return QDate(year, match.captured(2).toInt(), match.captured(1).toInt());
}

void DateField::SetSpan(QDate first, QDate last)
{
    m_first = first;
    m_last = last;
    SetDate(std::clamp(m_date, m_first, m_last));
}

void DateField::SetDate(QDate date)
{
    if (!date.isValid()) return;
    if (m_first.isValid()) date = std::clamp(date, m_first, m_last);
    setText(date.toString(RangeDateFormat));
    if (date == m_date) return;
    m_date = date;
    emit DateChanged(m_date);
}

bool DateField::Commit()
{
    if (text() == m_date.toString(RangeDateFormat)) return true;
    const QDate typed = ParseDate(text());
    QString refusal;
    if (!typed.isValid())
        refusal = QStringLiteral("Niepoprawnie wprowadzona data. Format daty dd-mm-rrrr");
    else if (m_first.isValid() && (typed < m_first || typed > m_last))
        refusal = QStringLiteral("Niepoprawnie wprowadzona data. Zakres dat od %1 do %2.")
                      .arg(m_first.toString(RangeDateFormat), m_last.toString(RangeDateFormat));
    if (refusal.isEmpty()) {
        SetDate(typed);
        return true;
    }
    m_leaving = true;
    m_prompt.ShowMessage(MessageIcon::Exclamation, refusal);
    m_leaving = false;
    // The text stays as typed; the focus comes back once the message is gone.
    QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
    return false;
}

void DateField::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Down && event->modifiers() & Qt::AltModifier) || key == Qt::Key_F4) {
        ShowCalendar();
        return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && Commit()) {
        SetDate(m_date.addDays(key == Qt::Key_Up ? 1 : -1));
        selectAll();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // A date taken lets Enter go on to the dialog (its default button).
        if (Commit())
            event->ignore();
        else
            event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DateField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Only leaving for another control counts, not a message or a menu opening.
    if (m_leaving || event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    Commit();
}

void DateField::ShowCalendar()
{
    if (!Commit()) return;
    auto* calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("calendarPopup"));
    calendar->setAccessibleName(QStringLiteral("Kalendarz"));
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    if (m_first.isValid()) calendar->setDateRange(m_first, m_last);
    calendar->setSelectedDate(m_date);
    const auto pick = [this, calendar](QDate date) {
        calendar->close();
        SetDate(date);
        setFocus(Qt::PopupFocusReason);
        selectAll();
    };
    connect(calendar, &QCalendarWidget::clicked, this, pick);
    connect(calendar, &QCalendarWidget::activated, this, pick);
    calendar->adjustSize();
    // Under the field, or over it where the screen ends.
    QPoint place = mapToGlobal(QPoint(0, height()));
    if (const QScreen* shown = screen()) {
        const QRect room = shown->availableGeometry();
        if (place.y() + calendar->height() > room.bottom())
            place.setY(mapToGlobal(QPoint(0, 0)).y() - calendar->height());
        place.setX(std::clamp(place.x(), room.left(), qMax(room.left(), room.right() - calendar->width())));
    }
    calendar->move(place);
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

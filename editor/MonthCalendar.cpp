#include "editor/MonthCalendar.h"

#include "editor/DayCell.h"
#include "editor/TwipsLayout.h"
#include "env/Environment.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"
#include "plan/PlanDocument.h"
#include "plan/ShiftCycle.h"

#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>

namespace {

const QStringList WeekdayCaptions{QStringLiteral("N."),  QStringLiteral("Pn."), QStringLiteral("Wt."),
                                  QStringLiteral("Śr."), QStringLiteral("Cz."), QStringLiteral("Pt."),
                                  QStringLiteral("So.")};

const QLocale Polish(QLocale::Polish, QLocale::Poland);

} // namespace

MonthCalendar::MonthCalendar(const Environment& env, PlanDocument& doc, const SuiteFreeDays& freeDays, QWidget* parent)
    : QWidget(parent), m_env(env), m_doc(doc), m_freeDays(freeDays)
{
    BuildControls();
}

void MonthCalendar::BuildControls()
{
    // Twips from the grid's top left corner: headers at 0, cells from 210 in
    // steps of 480 x 330 (neighbours overlap by 15), month buttons at 2250.
    auto* layout = new TwipsLayout(this, QSize(3375, 2490));
    for (int column = 0; column < 7; ++column) {
        auto* label = new QLabel(WeekdayCaptions.at(column), this);
        label->setObjectName(QStringLiteral("lblDzien_%1").arg(column));
        label->setAlignment(Qt::AlignCenter);
        label->setAccessibleName(Polish.standaloneDayName(column == 0 ? 7 : column));
        const QColor colour = column == 0 ? QColor(255, 0, 0) : column == 6 ? QColor(0, 128, 0) : QColor(Qt::black);
        // In the palette of every state rather than a style sheet, which costs a style of its own.
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
        layout->AddWidget(label, QRect(480 * column, 0, 495, 210));
        m_weekdayLabels[size_t(column)] = label;
    }
    for (int index = 0; index < CellCount; ++index) {
        auto* cell = new DayCell(this);
        cell->setObjectName(QStringLiteral("cmdDzien_%1").arg(index));
        cell->installEventFilter(this);
        layout->AddWidget(cell, QRect(480 * (index % 7), 210 + 330 * (index / 7), 495, 345));
        m_cells[size_t(index)] = cell;
    }
    const char* arrows[2] = {"<<", ">>"};
    const char* names[2] = {"Poprzedni miesiąc", "Następny miesiąc"};
    for (int index = 0; index < 2; ++index) {
        auto* button = new QPushButton(QString::fromLatin1(arrows[index]), this);
        button->setObjectName(QStringLiteral("cmdMiesiac_%1").arg(index));
        button->setAccessibleName(QString::fromUtf8(names[index]));
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this, [this, index] { cmdMiesiac_Click(index); });
        layout->AddWidget(button, QRect(index == 0 ? 0 : 2880, 2250, 495, 240));
        m_monthButtons[size_t(index)] = button;
    }
    m_title = new QLabel(QStringLiteral("Styczeń"), this);
    m_title->setObjectName(QStringLiteral("lblMiesiac"));
    m_title->setAlignment(Qt::AlignCenter);
    layout->AddWidget(m_title, QRect(600, 2250, 2175, 240));

    m_month = new QDateEdit(QDate::currentDate(), this);
    m_month->setObjectName(QStringLiteral("dtpMiesiac"));
    m_month->setAccessibleName(QStringLiteral("Wyświetlany miesiąc"));
    m_month->setVisible(false);
    SetDisplayedMonth(QDate::currentDate());

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer"));
    m_timer->setInterval(300);
    connect(m_timer, &QTimer::timeout, this, &MonthCalendar::Blink);
}

void MonthCalendar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize drawn = static_cast<TwipsLayout*>(layout())->DesignPixels();
    const double growth = std::clamp(std::min(width() / double(drawn.width()), height() / double(drawn.height())), 1.0,
                                     DayCell::MostGrowth);
    QFont scaled = font();
    scaled.setPointSizeF(font().pointSizeF() * growth);
    for (QLabel* label : m_weekdayLabels)
        label->setFont(scaled);
    for (QPushButton* button : m_monthButtons)
        button->setFont(scaled);
    scaled.setBold(true);
    m_title->setFont(scaled);
}

void MonthCalendar::SetSlotSource(std::function<int()> selectedSlot, std::function<uint8_t()> markingValue)
{
    m_selectedSlot = std::move(selectedSlot);
    m_markingValue = std::move(markingValue);
}

QDate MonthCalendar::DisplayedMonth() const
{
    return m_month->date();
}

void MonthCalendar::SetDisplayedMonth(QDate date)
{
    m_month->setDate(QDate(date.year(), date.month(), 1));
}

int MonthCalendar::CellOfDay(int dayOfMonth) const
{
    const int index = m_firstWeekdayColumn - 2 + dayOfMonth;
    return dayOfMonth >= 1 && dayOfMonth <= m_daysInMonth && index >= 0 && index < CellCount ? index : -1;
}

QColor MonthCalendar::SlotColour(int slot) const
{
    const int index = slot >= 0 && slot < SlotCount ? slot : FreeDaySlot;
    return QColor(QRgb(m_env.ColourTable[size_t(index)]));
}

void MonthCalendar::ShowTitle()
{
    const QDate month = DisplayedMonth();
    m_title->setText(Polish.standaloneMonthName(month.month()).toUpper() + QLatin1Char(' ') +
                     QString::number(month.year()));
}

void MonthCalendar::cmdMiesiac_Click(int index)
{
    Blokuj_Kalendarz();
    m_timer->stop();
    const WorkPlan& plan = m_doc.Plan;
    const QDate first = DateOfDay(plan.FirstDay);
    const QDate last = DateOfDay(plan.LastDay);
    if (index != 255) {
        const QDate shown = DisplayedMonth();
        int year = shown.year();
        int month = shown.month();
        bool moved = false;
        if (index == 1 && shown < last) {
            if (month == 12 && year < last.year()) {
                month = 1;
                ++year;
            } else {
                if (year < last.year()) ++month;
                if (year == last.year() && month < last.month()) ++month;
            }
            moved = true;
        } else if (index == 0 && shown > first) {
            if (month == 1 && year > first.year()) {
                month = 12;
                --year;
            } else {
                if (year > first.year()) --month;
                if (year == first.year() && month > first.month()) --month;
            }
            moved = true;
        }
        if (moved) {
            SetDisplayedMonth(QDate(year, month, 1));
            ShowTitle();
        }
    }
    const QDate shown = DisplayedMonth();
    // The weekday of the 1st, Sunday = 1.
    m_firstWeekdayColumn = shown.dayOfWeek() % 7 + 1;
    Wpisz_Cyfry(m_firstWeekdayColumn);

    const auto inShownMonth = [&shown](const QDate& date) {
        return date.year() == shown.year() && date.month() == shown.month();
    };
    const int32_t monthStart = m_env.Lib.DateToLong(shown.year(), uint8_t(shown.month()), 1) / MinutesPerDay;
    const int32_t paintFrom = inShownMonth(first) ? plan.FirstDay : monthStart;
    const int32_t paintTo = inShownMonth(last) ? plan.LastDay : monthStart + m_daysInMonth - 1;
    for (int32_t day = paintFrom; day <= paintTo; ++day) {
        if (!plan.Days.Contains(day)) continue;
        const int cell = CellOfDay(day - monthStart + 1);
        if (cell >= 0) m_cells[size_t(cell)]->SetColour(SlotColour(plan.Days.At(day)));
    }
    Blokuj_Kalendarz();
    Odznacz_Uzywane(m_firstWeekdayColumn);
    ZaznaczDniWolne();
    BlokujPrzyciskiZmianyMiesiaca();
    Describe();
    emit Redrawn();
}

void MonthCalendar::Wpisz_Cyfry(int first)
{
    Czysc_Kalendarz();
    const QDate shown = DisplayedMonth();
    m_daysInMonth = shown.daysInMonth();
    SetDisplayedMonth(shown);
    for (int day = 1; day <= m_daysInMonth; ++day) {
        const int index = first - 2 + day;
        if (index >= 0 && index < CellCount) m_cells[size_t(index)]->setText(QString::number(day));
    }
}

void MonthCalendar::Czysc_Kalendarz()
{
    m_weekdaysShown = false;
    for (DayCell* cell : m_cells) {
        cell->setText(QString());
        cell->SetColour(SlotColour(FreeDaySlot));
        cell->SetTag(QStringLiteral("4"));
        cell->SetFreeDayLook(false);
        cell->setToolTip(QString());
        cell->SetCornerText(QString());
        cell->SetMarked(false);
    }
}

void MonthCalendar::Blokuj_Kalendarz()
{
    for (DayCell* cell : m_cells)
        cell->setEnabled(false);
    UpdateTabStop();
}

void MonthCalendar::Odznacz_Uzywane(int first)
{
    const QDate shown = DisplayedMonth();
    const QDate start = DateOfDay(m_doc.Plan.FirstDay);
    const QDate end = DateOfDay(m_doc.Plan.LastDay);
    const bool startHere = start.year() == shown.year() && start.month() == shown.month();
    const bool endHere = end.year() == shown.year() && end.month() == shown.month();
    const int fromDay = startHere ? start.day() : 1;
    const int toDay = endHere ? end.day() : m_daysInMonth;
    for (int day = fromDay; day <= toDay; ++day) {
        const int index = first - 2 + day;
        if (index >= 0 && index < CellCount) m_cells[size_t(index)]->setEnabled(true);
    }
    UpdateTabStop();
}

void MonthCalendar::BlokujCzyste()
{
    for (DayCell* cell : m_cells) {
        if (cell->text().trimmed().isEmpty()) cell->setEnabled(false);
    }
    UpdateTabStop();
}

void MonthCalendar::ZaznaczDniWolne()
{
    if (!m_freeDays.FreeDaysLoaded) {
        for (DayCell* cell : m_cells) {
            cell->setToolTip(QString());
            cell->SetFreeDayLook(false);
        }
        return;
    }
    const QDate shown = DisplayedMonth();
    const FreeDayList& days = m_freeDays.Days;
    int32_t minutes = m_env.Lib.DateToLong(2000, uint8_t(shown.month()), 1);
    for (int day = 1; day <= m_daysInMonth; ++day, minutes += MinutesPerDay) {
        for (int i = 0; i < days.Count(); ++i) {
            if (days.Dates.at(i) != minutes) continue;
            if (days.Recurring.at(i) == 0 && days.Years.at(i) + 2000 != shown.year()) continue;
            const int index = m_firstWeekdayColumn - 2 + day;
            if (index < 0 || index >= CellCount) continue;
            m_cells[size_t(index)]->setToolTip(days.Names.at(i).trimmed());
            m_cells[size_t(index)]->SetFreeDayLook(true);
        }
    }
}

void MonthCalendar::BlokujPrzyciskiZmianyMiesiaca()
{
    m_monthButtons[0]->setEnabled(true);
    m_monthButtons[1]->setEnabled(true);
    const QDate shown = DisplayedMonth();
    const int32_t first = m_env.Lib.DateToLong(shown.year(), uint8_t(shown.month()), 1) / MinutesPerDay;
    const int32_t last = first + shown.daysInMonth() - 1;
    if (last >= m_doc.Plan.FirstDay && first <= m_doc.Plan.FirstDay) m_monthButtons[0]->setEnabled(false);
    if (last >= m_doc.Plan.LastDay) m_monthButtons[1]->setEnabled(false);
}

void MonthCalendar::SetEditable(bool enabled)
{
    for (DayCell* cell : m_cells)
        cell->setEnabled(enabled);
    for (QPushButton* button : m_monthButtons)
        button->setEnabled(enabled);
    UpdateTabStop();
}

void MonthCalendar::UpdateTabStop()
{
    const auto usable = [this](int index) { return index >= 0 && m_cells[size_t(index)]->isEnabled(); };
    int stop = -1;
    for (int index = 0; index < CellCount && stop < 0; ++index) {
        if (m_cells[size_t(index)]->hasFocus() && usable(index)) stop = index;
    }
    if (stop < 0 && usable(m_tabStop)) stop = m_tabStop;
    for (int index = 0; index < CellCount && stop < 0; ++index) {
        if (usable(index)) stop = index;
    }
    m_tabStop = stop;
    for (int index = 0; index < CellCount; ++index)
        m_cells[size_t(index)]->setFocusPolicy(index == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

void MonthCalendar::ShowWeekdayKinds(const std::array<uint8_t, 7>& kinds)
{
    m_weekdaysShown = true;
    for (int index = 0; index < CellCount; ++index) {
        const uint8_t kind = kinds[size_t(index % 7)];
        DayCell* cell = m_cells[size_t(index)];
        cell->SetColour(SlotColour(kind == WorkingWeekday ? 1 : 0));
        cell->SetTag(QString::number(kind));
    }
    Describe();
}

void MonthCalendar::ShowDay(int32_t day)
{
    const std::optional<int32_t> shownFirst = DayOfCell(CellOfDay(1));
    if (!shownFirst || !m_doc.Plan.Days.Contains(day)) return;
    const int index = CellOfDay(day - *shownFirst + 1);
    if (index < 0) return;
    const int slot = m_doc.Plan.Days.At(day);
    m_cells[size_t(index)]->SetTag(QString::number(slot));
    m_cells[size_t(index)]->SetColour(SlotColour(slot));
    Describe();
}

void MonthCalendar::ClearCaptions()
{
    for (DayCell* cell : m_cells)
        cell->setText(QString());
    Describe();
}

std::optional<int32_t> MonthCalendar::DayOfCell(int index) const
{
    if (index < 0 || index >= CellCount) return std::nullopt;
    bool ok = false;
    const int dayOfMonth = m_cells[size_t(index)]->text().trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    const QDate shown = DisplayedMonth();
    return m_env.Lib.DateToLong(shown.year(), uint8_t(shown.month()), uint8_t(dayOfMonth)) / MinutesPerDay;
}

// ---------------------------------------------------------------- painting

bool MonthCalendar::MayPaint(int index, int slot)
{
    const QDate shown = DisplayedMonth();
    const bool firstDay = shown.year() == 2000 && shown.month() == 1 && index == m_firstWeekdayColumn - 1;
    return MayPaintSlots(m_env.Ui, m_doc.Fields, {slot}, firstDay ? slot : -1);
}

void MonthCalendar::PaintCell(int index)
{
    const int slot = m_selectedSlot ? m_selectedSlot() : 0;
    if (m_timer->isActive() && index == m_firstWeekdayColumn + m_blinkDay - 1 && SlotColour(slot) != m_blinkColour)
        m_timer->stop();
    if (m_doc.ProbedKind != ProbeSchedulePlan) {
        emit WeekdayMarked(m_stroke, index % 7, m_markingValue ? m_markingValue() : FreeWeekday);
        return;
    }
    if (!MayPaint(index, slot)) {
        m_stroking = false;
        return;
    }
    if (const std::optional<int32_t> day = DayOfCell(index)) emit DaysPainted(m_stroke, {*day}, slot);
}

void MonthCalendar::CellPressed(int index)
{
    m_lastCell = index;
    PaintCell(index);
}

void MonthCalendar::CellEntered(int index)
{
    if (!m_stroking || index == m_lastCell || index < 0 || !m_cells[size_t(index)]->isEnabled()) return;
    m_lastCell = index;
    // A weekly plan marks columns: the stroke goes on only into another one.
    PaintCell(index);
}

int MonthCalendar::CellAt(QPoint globalPosition) const
{
    for (int index = 0; index < CellCount; ++index) {
        const DayCell* cell = m_cells[size_t(index)];
        if (cell->isVisible() && cell->rect().contains(cell->mapFromGlobal(globalPosition))) return index;
    }
    return -1;
}

void MonthCalendar::MoveFocus(int from, int step)
{
    for (int index = from + step; index >= 0 && index < CellCount; index += step) {
        if ((step == 1 || step == -1) && index / 7 != from / 7) return; // left and right stay in the week
        if (m_cells[size_t(index)]->isEnabled()) {
            m_cells[size_t(index)]->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

bool MonthCalendar::eventFilter(QObject* watched, QEvent* event)
{
    const auto* cell = qobject_cast<DayCell*>(watched);
    const int index = cell ? int(std::find(m_cells.begin(), m_cells.end(), cell) - m_cells.begin()) : -1;
    if (index < 0 || index >= CellCount) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        // The cell the arrows or the mouse reached is where Tab comes back to.
        m_tabStop = index;
        UpdateTabStop();
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && cell->isEnabled()) {
            ++m_stroke;
            m_stroking = true;
            CellPressed(index);
        }
        break;
    case QEvent::MouseMove:
        if (m_stroking) CellEntered(CellAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
        break;
    case QEvent::MouseButtonRelease:
        m_stroking = false;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
            MoveFocus(index, key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : key == Qt::Key_Up ? -7 : 7);
            return true;
        }
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            ++m_stroke;
            CellPressed(index);
            return true;
        }
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QPushButton* button = m_monthButtons[key == Qt::Key_PageUp ? 0 : 1];
            if (button->isEnabled()) button->click();
            MoveFocus(-1, 1);
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Space; // the press has painted; no click follows
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- blink

void MonthCalendar::StartBlink(int dayOfMonth)
{
    m_blinkDay = dayOfMonth - 1;
    const int index = m_firstWeekdayColumn + m_blinkDay - 1;
    if (index < 0 || index >= CellCount) return;
    m_blinkColour = m_cells[size_t(index)]->Colour();
    m_cells[size_t(index)]->setFocus(Qt::OtherFocusReason);
    m_timer->start();
}

void MonthCalendar::StopBlink()
{
    m_timer->stop();
}

bool MonthCalendar::IsBlinking() const
{
    return m_timer->isActive();
}

void MonthCalendar::Blink()
{
    const int index = m_firstWeekdayColumn + m_blinkDay - 1;
    if (index < 0 || index >= CellCount) return;
    DayCell* cell = m_cells[size_t(index)];
    cell->SetColour(cell->Colour() == QColor(BlinkOffColour) ? m_blinkColour : QColor(BlinkOffColour));
}

// ---------------------------------------------------------------- words for the cells

void MonthCalendar::SetDayMarks(DayMarks marks)
{
    m_marks = std::move(marks);
    Describe();
}

void MonthCalendar::Describe()
{
    const bool weekly = m_weekdaysShown;
    for (int index = 0; index < CellCount; ++index) {
        DayCell* cell = m_cells[size_t(index)];
        QString name, description, corner, markText;
        if (const std::optional<int32_t> day = DayOfCell(index)) {
            name = cell->text();
            const QDate date = DateOfDay(*day);
            QStringList words{date.toString(Qt::ISODate)};
            if (!weekly && m_doc.Plan.Days.Contains(*day)) {
                const int slot = m_doc.Plan.Days.At(*day);
                words << (slot == FreeDaySlot ? QStringLiteral("dzień wolny")
                                              : QStringLiteral("harmonogram %1").arg(slot));
                if (slot != FreeDaySlot) corner = QString::number(slot);
            } else if (!weekly) {
                words << QStringLiteral("poza zakresem planu");
            }
            if (cell->IsStruckThrough()) words << QStringLiteral("święto: ") + cell->toolTip();
            if (m_marks) markText = m_marks(*day);
            if (!markText.isEmpty()) words << markText;
            description = words.join(QStringLiteral(", "));
        } else if (weekly && cell->text().isEmpty()) {
            const bool working = cell->Tag() == QString::number(WorkingWeekday);
            name = Polish.standaloneDayName(index % 7 == 0 ? 7 : index % 7);
            description = working ? QStringLiteral("dzień pracujący") : QStringLiteral("dzień wolny");
            corner = working ? QStringLiteral("P") : QStringLiteral("W");
        }
        // Each change is an event for the screen reader: only real ones.
        if (cell->accessibleName() != name) cell->setAccessibleName(name);
        if (cell->accessibleDescription() != description) cell->setAccessibleDescription(description);
        cell->SetCornerText(corner);
        cell->SetMarked(!markText.isEmpty());
        if (!markText.isEmpty() && !cell->IsStruckThrough()) cell->setToolTip(markText);
    }
}

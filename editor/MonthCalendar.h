// The month calendar of the main window: the 6 x 7 grid of day cells
// (cmdDzien), the weekday headers (lblDzien), the month title (lblMiesiac)
// between the month buttons (cmdMiesiac), the displayed month (dtpMiesiac)
// and the blink timer (Timer). It draws the open plan's month, moves within
// the plan's range, and turns clicks, drags and keys on the cells into
// paint requests, which the window carries out as undoable steps.
#pragma once

#include "plan/WorkPlan.h"

#include <QDate>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class DayCell;
class QDateEdit;
class QLabel;
class QPushButton;
class QTimer;
struct Environment;
struct PlanDocument;
struct SuiteFreeDays;

class MonthCalendar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int CellCount = 42;
    // The blinking cell alternates with this colour.
    static constexpr QRgb BlinkOffColour = qRgb(255, 249, 240);

    MonthCalendar(const Environment& env, PlanDocument& doc, const SuiteFreeDays& freeDays, QWidget* parent = nullptr);

    // What a day click paints with: the pressed colour toggle's slot, and in a
    // weekly plan the weekday-marking value (1 free, 2 working).
    void SetSlotSource(std::function<int()> selectedSlot, std::function<uint8_t()> markingValue);

    DayCell* Cell(int index) const { return m_cells.at(size_t(index)); }
    QPushButton* MonthButton(int index) const { return m_monthButtons.at(size_t(index)); }
    QLabel* Title() const { return m_title; }

    // The displayed month (dtpMiesiac); its day is always 1.
    QDate DisplayedMonth() const;
    void SetDisplayedMonth(QDate date);
    int FirstWeekdayColumn() const { return m_firstWeekdayColumn; }
    int DaysInMonth() const { return m_daysInMonth; }
    // The cell of a day of the displayed month (1-based), or -1.
    int CellOfDay(int dayOfMonth) const;

    // 0 previous month, 1 next month, 255 redraw without moving.
    void cmdMiesiac_Click(int index);
    void Wpisz_Cyfry(int first);
    void Czysc_Kalendarz();
    void Blokuj_Kalendarz();
    void Odznacz_Uzywane(int first);
    void BlokujCzyste();
    void ZaznaczDniWolne();
    void BlokujPrzyciskiZmianyMiesiaca();
    // The month title: the month's name in capitals, a blank and the year.
    void ShowTitle();

    // Enables or disables all 42 cells and both month buttons together.
    void SetEditable(bool enabled);

    // A weekly plan's weekday kinds on the grid, column by column (Sunday
    // first): ColourTable(1) for working days, ColourTable(0) for any other,
    // with the kind as the cells' tag.
    void ShowWeekdayKinds(const std::array<uint8_t, 7>& kinds);
    // The cell of a day again in its slot's colour, when the day is shown.
    void ShowDay(int32_t day);
    // Empties every caption (the weekly arrangement shows no day numbers).
    void ClearCaptions();

    // Makes the cell of a day of the displayed month blink, with its colour.
    void StartBlink(int dayOfMonth);
    void StopBlink();
    bool IsBlinking() const;

    // What the labour-code check says against a day, empty for nothing.
    using DayMarks = std::function<QString(int32_t day)>;
    // Accessible names and descriptions of the cells, and the labour-code
    // marks: the shown days that marks says something against, with what it
    // says. Asked for the shown days only, whenever the grid is drawn.
    void SetDayMarks(DayMarks marks);
    // The day number of a cell of the displayed month, or nothing.
    std::optional<int32_t> DayOfCell(int index) const;

signals:
    // A schedule plan's days painted with a slot; stroke numbers one drag
    // (or one click) so that the window makes it one undo step.
    void DaysPainted(int stroke, const QVector<int32_t>& days, int slot);
    // A weekly plan's weekday column marked with a kind.
    void WeekdayMarked(int stroke, int weekday, uint8_t kind);
    // The grid shows another month, or was drawn anew.
    void Redrawn();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A larger grid gets larger weekday names, title and arrows, up to a limit.
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void CellPressed(int index);
    void CellEntered(int index);
    // The day-click checks for a cell; false (message shown) when it may not be painted.
    bool MayPaint(int index, int slot);
    void PaintCell(int index);
    void Blink();
    void MoveFocus(int from, int step);
    int CellAt(QPoint globalPosition) const;
    void Describe();
    QColor SlotColour(int slot) const;
    // The grid is one stop of the Tab key: the focused cell, else the cell
    // focused last, else the first enabled one; the arrows move inside.
    void UpdateTabStop();

    const Environment& m_env;
    PlanDocument& m_doc;
    const SuiteFreeDays& m_freeDays;
    std::function<int()> m_selectedSlot;
    std::function<uint8_t()> m_markingValue;

    std::array<DayCell*, CellCount> m_cells{};
    std::array<QLabel*, 7> m_weekdayLabels{};
    std::array<QPushButton*, 2> m_monthButtons{};
    QLabel* m_title = nullptr;
    QDateEdit* m_month = nullptr; // dtpMiesiac
    QTimer* m_timer = nullptr;    // Timer

    int m_firstWeekdayColumn = 1; // FirstWeekdayColumn: Sunday = 1
    int m_daysInMonth = 31;       // DaysInMonth
    int m_blinkDay = 0;           // BlinkDay: zero-based day of the month
    QColor m_blinkColour;         // BlinkColour
    DayMarks m_marks;
    bool m_weekdaysShown = false; // the cells carry a weekly plan's weekday kinds
    int m_tabStop = -1;           // the cell Tab reaches

    // The drag in progress: its number, and whether it still paints.
    int m_stroke = 0;
    bool m_stroking = false;
    int m_lastCell = -1;
};

#include "editor/CalendarTools.h"

#include "dialogs/CycleDialog.h"
#include "dialogs/FreeDaysDialog.h"
#include "editor/CompliancePanel.h"
#include "editor/DayCell.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/SchedulePanel.h"
#include "editor/commands/DayRunCommand.h"
#include "env/Environment.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"
#include "plan/PlanDocument.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

namespace {

QAction* MakeAction(QObject* parent, const char* name, const QString& text, const QString& tip)
{
    auto* action = new QAction(text, parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(tip);
    action->setStatusTip(tip);
    return action;
}

QString ShortDate(int32_t day)
{
    return DateOfDay(day).toString(QStringLiteral("dd.MM"));
}

} // namespace

CalendarTools::CalendarTools(const Environment& env, PlanDocument& doc, SuiteFreeDays& freeDays, FrmGrafenta& window)
    : QObject(&window), m_env(env), m_doc(doc), m_freeDaysState(freeDays), m_window(window),
      m_cycle(MakeAction(this, "cycleAction", QStringLiteral("Wzór zmian…"),
                         QStringLiteral("Maluje dni planu według powtarzającego się cyklu zmian"))),
      m_repeatWeek(MakeAction(this, "repeatWeekAction", QStringLiteral("Powtórz tydzień"),
                              QStringLiteral("Powtarza wybrany tydzień do końca planu"))),
      m_repeatMonth(MakeAction(this, "repeatMonthAction", QStringLiteral("Powtórz miesiąc"),
                               QStringLiteral("Powtarza pokazany miesiąc do końca planu"))),
      m_freeDays(MakeAction(this, "freeDaysAction", QStringLiteral("Dni wolne…"),
                            QStringLiteral("Lista dni wolnych: święta i inne dni wolne od pracy")))
{
    m_cycle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_freeDays->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(m_cycle, &QAction::triggered, this, &CalendarTools::PaintCycle);
    connect(m_repeatWeek, &QAction::triggered, this, [this] { RepeatWeekOf(ChosenDay()); });
    connect(m_repeatMonth, &QAction::triggered, this, &CalendarTools::RepeatShownMonth);
    connect(m_freeDays, &QAction::triggered, this, &CalendarTools::EditFreeDays);

    QToolBar* tools = window.findChild<QToolBar*>(QStringLiteral("toolBar"));
    if (tools) tools->addSeparator();
    for (QAction* action : {m_cycle, m_repeatWeek, m_repeatMonth, m_freeDays}) {
        window.addAction(action); // the shortcuts work wherever the focus is
        if (tools) tools->addAction(action);
    }

    // The actions follow the window: enabled while a schedule plan may be edited.
    MonthCalendar* calendar = window.Calendar();
    calendar->installEventFilter(this);
    window.Button("cmdZapisz")->installEventFilter(this);
    connect(calendar, &MonthCalendar::Redrawn, this, &CalendarTools::UpdateActions);
    // A plan opened, made or closed starts its edits afresh.
    connect(window.Undo(), &QUndoStack::indexChanged, this, &CalendarTools::UpdateActions);
    connect(window.PlanBox(), &QComboBox::currentIndexChanged, this,
            [this] { QTimer::singleShot(0, this, &CalendarTools::UpdateActions); });
    connect(calendar, &MonthCalendar::DaysPainted, this,
            [this](int, const QVector<int32_t>& days, int) { m_lastDay = days.isEmpty() ? m_lastDay : days.last(); });
    UpdateActions();
}

CycleDialog* CalendarTools::Dialog()
{
    if (!m_dialog) {
        m_dialog = new CycleDialog(m_env.ColourTable, &m_window);
        m_dialog->Check = [this](const CyclePainting& painting) { return MayPaint(CycleRun(painting)); };
    }
    return m_dialog;
}

bool CalendarTools::Editable() const
{
    const QPushButton* save = m_window.Button("cmdZapisz");
    return save && save->isEnabled() && m_doc.ProbedKind == ProbeSchedulePlan && m_doc.Plan.Days.Size() > 0;
}

void CalendarTools::UpdateActions()
{
    const bool editable = Editable();
    for (QAction* action : {m_cycle, m_repeatWeek, m_repeatMonth})
        action->setEnabled(editable);
}

void CalendarTools::PaintCycle()
{
    if (!Editable()) return;
    const DayTable& days = m_doc.Plan.Days;
    const QDate shown = m_window.Calendar()->DisplayedMonth();
    const int32_t start = qBound(days.FirstDay(), DayOfDate(shown), days.LastDay());
    const bool samePlan = m_last && m_lastPlan == m_doc.CurrentPlanName;
    std::optional<CyclePainting> last = m_last;
    if (last && !samePlan) last->FirstDay = start;
    CycleDialog* dialog = Dialog();
    const QBitArray free = m_freeDaysState.FreeDaysLoaded
                               ? FreeDayMask(m_freeDaysState.Days, days.FirstDay(), days.LastDay())
                               : QBitArray();
    dialog->Prepare(days.FirstDay(), days.LastDay(), last ? last->FirstDay : start, last ? &*last : nullptr, free,
                    m_freeDaysState.FreeDaysLoaded);
    if (dialog->exec() != QDialog::Accepted) return;
    Paint(dialog->Request());
}

DayRun CalendarTools::CycleRun(const CyclePainting& painting) const
{
    const DayTable& days = m_doc.Plan.Days;
    const QBitArray free = painting.KeepFreeDays && m_freeDaysState.FreeDaysLoaded
                               ? FreeDayMask(m_freeDaysState.Days, days.FirstDay(), days.LastDay())
                               : QBitArray();
    return ::PaintCycle(days, painting, free);
}

bool CalendarTools::Paint(const CyclePainting& painting)
{
    if (!Editable() || painting.Cycle.isEmpty()) return false;
    if (!Push(CycleRun(painting), QStringLiteral("Wzór zmian"))) return false;
    m_last = painting;
    m_lastPlan = m_doc.CurrentPlanName;
    return true;
}

void CalendarTools::RepeatWeekOf(int32_t day)
{
    if (!Editable()) return;
    const int32_t weekFirst = day - WeekdayOf(day);
    const DayRun run = RepeatWeek(m_doc.Plan.Days, weekFirst);
    if (run.IsEmpty()) {
        m_env.Ui.ShowMessage(MessageIcon::Information,
                             QStringLiteral("Po tygodniu %1–%2 plan nie ma już dni do wypełnienia.")
                                 .arg(ShortDate(weekFirst), ShortDate(weekFirst + 6)));
        return;
    }
    Push(run, QStringLiteral("Powtórzenie tygodnia"));
}

void CalendarTools::RepeatShownMonth()
{
    if (!Editable()) return;
    const QDate shown = m_window.Calendar()->DisplayedMonth();
    const DayRun run = RepeatMonth(m_doc.Plan.Days, shown);
    if (run.IsEmpty()) {
        m_env.Ui.ShowMessage(MessageIcon::Information,
                             QStringLiteral("Po pokazanym miesiącu plan nie ma już dni do wypełnienia."));
        return;
    }
    Push(run, QStringLiteral("Powtórzenie miesiąca"));
}

bool CalendarTools::MayPaint(const DayRun& run) const
{
    return MayPaintRun(m_env.Ui, m_doc.Fields, run);
}

bool CalendarTools::Push(const DayRun& run, const QString& text)
{
    if (!MayPaint(run)) return false;
    MonthCalendar* calendar = m_window.Calendar();
    m_window.Undo()->push(new DayRunCommand(
        m_doc, [calendar] { calendar->cmdMiesiac_Click(255); }, run, text));
    return true;
}

int32_t CalendarTools::ChosenDay() const
{
    MonthCalendar* calendar = m_window.Calendar();
    for (int index = 0; index < MonthCalendar::CellCount; ++index) {
        if (calendar->Cell(index)->hasFocus()) {
            if (const std::optional<int32_t> day = calendar->DayOfCell(index)) return *day;
        }
    }
    const QDate shown = calendar->DisplayedMonth();
    const int32_t monthFirst = DayOfDate(shown);
    const int32_t monthLast = monthFirst + shown.daysInMonth() - 1;
    if (m_lastDay && *m_lastDay >= monthFirst && *m_lastDay <= monthLast) return *m_lastDay;
    return qBound(monthFirst, m_doc.Plan.Days.FirstDay(), monthLast);
}

void CalendarTools::ShowMenu(const QPoint& globalPosition, int cell)
{
    MonthCalendar* calendar = m_window.Calendar();
    // Any day of the cell's row names its week, shown or not.
    std::optional<int32_t> day;
    for (int index = cell - cell % 7; cell >= 0 && !day && index < cell - cell % 7 + 7; ++index) {
        if (const std::optional<int32_t> shown = calendar->DayOfCell(index)) day = *shown + (cell - index);
    }
    if (day) m_lastDay = *day;
    const int32_t chosen = day.value_or(ChosenDay());
    const int32_t weekFirst = chosen - WeekdayOf(chosen);
    UpdateActions();
    QMenu menu(calendar);
    menu.setObjectName(QStringLiteral("calendarMenu"));
    menu.addAction(m_cycle);
    QAction* week = menu.addAction(
        QStringLiteral("Powtórz tydzień %1–%2 do końca planu").arg(ShortDate(weekFirst), ShortDate(weekFirst + 6)));
    week->setObjectName(QStringLiteral("repeatThisWeekAction"));
    week->setEnabled(m_repeatWeek->isEnabled());
    connect(week, &QAction::triggered, this, [this, chosen] { RepeatWeekOf(chosen); });
    menu.addAction(m_repeatMonth);
    menu.addSeparator();
    menu.addAction(m_freeDays);
    menu.exec(globalPosition);
}

bool CalendarTools::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && watched == m_window.Button("cmdZapisz")) {
        UpdateActions();
    } else if (event->type() == QEvent::ContextMenu && watched == m_window.Calendar()) {
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        MonthCalendar* calendar = m_window.Calendar();
        int cell = -1;
        for (int index = 0; index < MonthCalendar::CellCount; ++index) {
            DayCell* candidate = calendar->Cell(index);
            const bool pointed = menuEvent->reason() == QContextMenuEvent::Keyboard
                                     ? candidate->hasFocus()
                                     : candidate->rect().contains(candidate->mapFromGlobal(menuEvent->globalPos()));
            if (pointed) cell = index;
        }
        const QPoint at = menuEvent->reason() == QContextMenuEvent::Keyboard && cell >= 0
                              ? calendar->Cell(cell)->mapToGlobal(calendar->Cell(cell)->rect().center())
                              : menuEvent->globalPos();
        ShowMenu(at, cell);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CalendarTools::EditFreeDays()
{
    FreeDaysDialog dialog(m_env, m_freeDaysState, &m_window);
    dialog.SetToday(QDate::currentDate());
    if (!dialog.Open()) return;
    dialog.exec();
    if (dialog.Saved()) FreeDaysChanged();
}

void CalendarTools::FreeDaysChanged()
{
    const bool planOpen = m_window.Button("cmdZapisz")->isEnabled();
    if (planOpen && m_doc.ProbedKind == ProbeSchedulePlan) m_window.Calendar()->cmdMiesiac_Click(255);
    // A weekly plan may take the free days into account as soon as there are any.
    QCheckBox* include = m_window.Panel()->IncludeFreeDays();
    if (!include->isEnabled() && m_freeDaysState.FreeDaysLoaded && m_doc.ProbedKind == ProbeWeeklyPlan) {
        const QSignalBlocker quiet(include);
        include->setChecked(m_doc.Plan.IncludeFreeDays);
    }
    include->setEnabled(m_freeDaysState.FreeDaysLoaded);
    if (planOpen) m_window.Compliance()->PlanChanged();
}

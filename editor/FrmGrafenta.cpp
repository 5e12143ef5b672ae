#include "editor/FrmGrafenta.h"

#include "dialogs/Artwork.h"
#include "dialogs/FrmAbout.h"
#include "dialogs/FrmNowyPlan.h"
#include "dialogs/FrmObrazek.h"
#include "dialogs/FrmProgress.h"
#include "dialogs/FrmZmianaZakresu.h"
#include "editor/CalendarTools.h"
#include "editor/CompliancePanel.h"
#include "editor/EmployeeList.h"
#include "editor/EmployeePrefetch.h"
#include "editor/MonthCalendar.h"
#include "editor/PlanCommands.h"
#include "editor/PlanOutput.h"
#include "editor/RangePickers.h"
#include "editor/SchedulePanel.h"
#include "editor/TeamMonthWindow.h"
#include "editor/WindowLayout.h"
#include "editor/commands/EditCommands.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "staff/EmployeeRecord.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <optional>
#include <utility>

namespace {

// How often start-up's reading of the employees shows its progress and lets
// the window system in.
constexpr qint64 StartupTurnMs = 50;
// How long the employees read while the window is built may take before the
// splash shows their progress.
constexpr qint64 SplashDelayMs = 100;

// The window's client area in twips, and where its parts lie.
constexpr QSize DesignSize(9135, 6375);
constexpr QRect CalendarTwips(120, 720, 3375, 2490);
constexpr QRect PanelTwips(0, 3240, 3600, 2520);
constexpr QRect ListTwips(3600, 480, 5415, 4680);
constexpr QRect AllowanceTwips(3600, 5190, 5415, 660);
constexpr int ButtonTop = 5880;
// The check beside the window, at first.
constexpr int CheckWidth = 420;

const QString DateFormat = QStringLiteral("dd-MM-yyyy");

QLabel* AddLabel(TwipsLayout* layout, QWidget* parent, const char* name, const QString& text, QRect twips)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    layout->AddWidget(label, twips, WindowLayout::AtLeft | WindowLayout::AtTop);
    return label;
}

} // namespace

FrmGrafenta::FrmGrafenta(ProgramState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("frmGrafenta"));
    setWindowIcon(QIcon(EmblemPixmap(64, 2.0)));
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);
    BuildControls();
    m_commands = new PlanCommands(state, *this);
    Connect();
    new CalendarTools(state.Env, state.Doc, state.FreeDays, *this);
}

FrmGrafenta::~FrmGrafenta() = default;

void FrmGrafenta::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    m_layout = new WindowLayout(central, DesignSize, CalendarTwips);
    Environment& env = m_state.Env;

    QLabel* planLabel =
        AddLabel(m_layout, central, "planLabel", QStringLiteral("Plan pracy:"), QRect(120, 165, 960, 225));
    m_plans = new QComboBox(central);
    m_plans->setObjectName(QStringLiteral("cboPlany"));
    m_plans->setAccessibleName(QStringLiteral("Plan pracy"));
    planLabel->setBuddy(m_plans);
    m_layout->AddWidget(m_plans, QRect(1080, 120, 2415, 315), WindowLayout::ToCalendarEdge | WindowLayout::AtTop);
    AddLabel(m_layout, central, "lblOpisOd", QStringLiteral("Od"), QRect(120, 480, 300, 225));
    m_from = AddLabel(m_layout, central, "lblOd1", QString(), QRect(420, 480, 1080, 225));
    AddLabel(m_layout, central, "lblOpisDo", QStringLiteral("do"), QRect(1560, 480, 270, 225));
    m_to = AddLabel(m_layout, central, "lbldo1", QString(), QRect(1830, 480, 1050, 225));
    m_from->setAccessibleName(QStringLiteral("Plan obowiązuje od"));
    m_to->setAccessibleName(QStringLiteral("Plan obowiązuje do"));

    m_calendar = new MonthCalendar(env, m_state.Doc, m_state.FreeDays, central);
    m_layout->AddWidget(m_calendar, CalendarTwips, WindowLayout::AsCalendar | WindowLayout::AsCalendarDown);
    m_panel = new SchedulePanel(env, m_state.Doc, central);
    m_layout->AddWidget(m_panel, PanelTwips, WindowLayout::AtLeft | WindowLayout::UnderCalendar);
    m_calendar->SetSlotSource([this] { return m_panel->SelectedSlot(); }, [this] { return m_panel->MarkingValue(); });

    m_employees = new EmployeeList(central);
    m_layout->AddWidget(m_employees->Search(), QRect(3600, 120, 5415, 315), WindowLayout::AsList | WindowLayout::AtTop);
    m_layout->AddWidget(m_employees->View(), ListTwips, WindowLayout::AsList | WindowLayout::ToBottom);
    m_layout->AddWidget(m_employees->Message(), QRect(3615, 480, 5385, 315),
                        WindowLayout::AsList | WindowLayout::AtTop);
    m_employees->Message()->raise();
    m_listTwips = ListTwips;
    m_allowances = new AllowancePanel(env, m_state.Doc, central);
    m_layout->AddWidget(m_allowances, AllowanceTwips, WindowLayout::BesideList | WindowLayout::AtBottom);

    AddButton("cmdNowy", QStringLiteral("&Nowy"), 120);
    AddButton("cmdUsun", QStringLiteral("&Usuń"), 1320)->setEnabled(false);
    AddButton("cmdZapisz", QStringLiteral("&Zapisz"), 2520);
    AddButton("cmdPrzydziel", QStringLiteral("&Przydziel"), 3720);
    AddButton("cmdZakres", QStringLiteral("Z&akres "), 4920);
    AddButton("cmdAbout", QStringLiteral("&O programie..."), 6120, 1695);
    AddButton("cmdWyjdz", QStringLiteral("&Wyjdź"), 8040);

    // Beside the described window: the labour-code check, which can be hidden.
    m_compliance = new CompliancePanel(m_state.Doc, m_state.FreeDays, *m_calendar, this);
    m_complianceDock = new QDockWidget(QStringLiteral("Kontrola planu"), this);
    m_complianceDock->setObjectName(QStringLiteral("complianceDock"));
    m_complianceDock->setWidget(m_compliance);
    m_complianceDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::RightDockWidgetArea, m_complianceDock);
    m_output = new PlanOutput(m_state.Env, m_state.Doc, m_state.FreeDays, this);
    connect(m_compliance, &CompliancePanel::ReportRequested, m_output, &PlanOutput::ExportComplianceReport);
    // What the commands did, said under the window.
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setAccessibleName(QStringLiteral("Komunikaty programu"));
    centralWidget()->setMinimumSize(m_layout->DesignPixels());
    // A little larger than the drawing at first: larger days, a wider list.
    resize(
        QSize(m_layout->DesignPixels().width() * 5 / 4 + CheckWidth, m_layout->DesignPixels().height() * 5 / 4 + 40));
    resizeDocks({m_complianceDock}, {CheckWidth}, Qt::Horizontal);
}

void FrmGrafenta::ShowDescribedSize()
{
    for (int again = 0; again < 3; ++again) {
        const QSize check(CheckWidth - m_complianceDock->width(), 0);
        resize(size() - centralWidget()->size() + m_layout->DesignPixels() + check);
        resizeDocks({m_complianceDock}, {CheckWidth}, Qt::Horizontal);
        QCoreApplication::processEvents();
    }
}

QPushButton* FrmGrafenta::AddButton(const char* name, const QString& caption, int left, int width)
{
    auto* button = new QPushButton(caption, centralWidget());
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')).trimmed());
    button->setAutoDefault(false);
    // Under the grid the buttons stay, under the list they move with it, the last keeps to the right edge.
    const int across = left < ListTwips.left()                   ? WindowLayout::AtLeft
                       : left + width + 120 < DesignSize.width() ? WindowLayout::BesideList
                                                                 : WindowLayout::AtRight;
    m_layout->AddWidget(button, QRect(left, ButtonTop, width, 375), across | WindowLayout::AtBottom);
    return button;
}

QPushButton* FrmGrafenta::Button(const char* name) const
{
    return centralWidget()->findChild<QPushButton*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

TimeFieldEdit* FrmGrafenta::Field(int id) const
{
    if (id >= FieldIds::Allowance(0) && id < FieldIds::Norm) return m_allowances->Field(id - FieldIds::Allowance(0));
    return m_panel->Field(id);
}

void FrmGrafenta::Connect()
{
    connect(m_plans, &QComboBox::currentIndexChanged, this,
            [this] { m_commands->cboPlany_Change(m_plans->currentText()); });
    connect(Button("cmdNowy"), &QPushButton::clicked, m_commands, &PlanCommands::cmdNowy_Click);
    connect(Button("cmdUsun"), &QPushButton::clicked, m_commands, &PlanCommands::cmdUsun_Click);
    connect(Button("cmdZapisz"), &QPushButton::clicked, m_commands, &PlanCommands::cmdZapisz_Click);
    connect(Button("cmdPrzydziel"), &QPushButton::clicked, m_commands, &PlanCommands::cmdPrzydziel_Click);
    connect(Button("cmdZakres"), &QPushButton::clicked, m_commands, &PlanCommands::cmdZakres_Click);
    connect(Button("cmdWyjdz"), &QPushButton::clicked, this, &QWidget::close);
    connect(Button("cmdAbout"), &QPushButton::clicked, this, &FrmGrafenta::ShowAbout);

    // Every edit of the plan is an undoable step.
    connect(m_calendar, &MonthCalendar::DaysPainted, this, [this](int stroke, const QVector<int32_t>& days, int slot) {
        m_undo.push(new PaintDaysCommand(m_state.Doc, *m_calendar, stroke, days, slot));
    });
    connect(m_calendar, &MonthCalendar::WeekdayMarked, this, [this](int stroke, int weekday, uint8_t kind) {
        m_undo.push(new WeekdayMarkCommand(m_state.Doc, *m_calendar, stroke, weekday, kind));
    });
    connect(m_panel, &SchedulePanel::FieldEdited, this, &FrmGrafenta::FieldEdited);
    connect(m_allowances, &AllowancePanel::FieldEdited, this, &FrmGrafenta::FieldEdited);
    connect(m_panel, &SchedulePanel::RangeChanged, this, [this](QDate from, QDate to) {
        m_state.Doc.Plan.FirstDay = DayOfDate(from);
        m_state.Doc.Plan.LastDay = DayOfDate(to);
        m_state.Doc.PlanModified = true;
        m_compliance->PlanChanged();
    });
    connect(m_panel, &SchedulePanel::IncludeFreeDaysClicked, this, [this](bool checked) {
        m_state.Doc.Plan.IncludeFreeDays = checked;
        m_state.Doc.PlanModified = true;
        m_compliance->PlanChanged();
    });
    // Back at the state last opened or saved, the plan is unchanged again.
    connect(&m_undo, &QUndoStack::indexChanged, this, [this] {
        if (m_undo.isClean()) m_state.Doc.PlanModified = false;
    });
    // A small tool row above the window: undo, redo, the check, print and export.
    QToolBar* tools = addToolBar(QStringLiteral("Narzędzia"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->setMovable(false);
    QAction* undo = StepAction(true);
    undo->setShortcuts(QKeySequence::Undo);
    QAction* redo = StepAction(false);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    QAction* check = m_complianceDock->toggleViewAction();
    check->setText(QStringLiteral("Kontrola planu"));
    check->setShortcut(Qt::Key_F9);
    QAction* print = new QAction(QStringLiteral("Drukuj..."), this);
    print->setObjectName(QStringLiteral("printAction"));
    print->setShortcut(QKeySequence::Print);
    QAction* exportAction = new QAction(QStringLiteral("Eksportuj..."), this);
    exportAction->setObjectName(QStringLiteral("exportAction"));
    for (QAction* action : {undo, redo, check, print, exportAction})
        tools->addAction(action);
    InstallTeamMonth(*this, *tools);
    connect(print, &QAction::triggered, m_output, &PlanOutput::Print);
    connect(exportAction, &QAction::triggered, m_output, &PlanOutput::Export);
    connect(m_output, &PlanOutput::Reported, this, &FrmGrafenta::Report);
    // Printing and export need an open plan, as saving does.
    print->setEnabled(false);
    exportAction->setEnabled(false);
    connect(&m_undo, &QUndoStack::indexChanged, m_compliance, &CompliancePanel::PlanChanged);

    // Keys of their own: Ctrl+S saves, F1 opens the about window, Ctrl+F
    // goes to the employee search.
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, &FrmGrafenta::SaveByKey);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, &FrmGrafenta::ShowAbout);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_employees->Search()->setFocus(Qt::ShortcutFocusReason);
        m_employees->Search()->selectAll();
    });
    Button("cmdZapisz")->setToolTip(QStringLiteral("Zapisz plan pracy (Ctrl+S)"));
    Button("cmdAbout")->setToolTip(QStringLiteral("Informacje o programie (F1)"));
    m_employees->Search()->setToolTip(QStringLiteral("Szukaj pracownika (Ctrl+F)"));
}

QAction* FrmGrafenta::StepAction(bool back)
{
    auto* action = new QAction(back ? QStringLiteral("Cofnij") : QStringLiteral("Ponów"), this);
    action->setObjectName(back ? QStringLiteral("undoAction") : QStringLiteral("redoAction"));
    action->setEnabled(false);
    // The caption stays, so the buttons keep their place; the step's name is in the tooltip.
    const auto showStep = [action, back](const QString& step) {
        const QString key = back ? QStringLiteral("Ctrl+Z") : QStringLiteral("Ctrl+Y");
        action->setToolTip(step.isEmpty() ? QStringLiteral("%1 (%2)").arg(action->text(), key)
                                          : QStringLiteral("%1: %2 (%3)").arg(action->text(), step, key));
    };
    showStep(QString());
    connect(&m_undo, back ? &QUndoStack::undoTextChanged : &QUndoStack::redoTextChanged, action, showStep);
    connect(&m_undo, back ? &QUndoStack::canUndoChanged : &QUndoStack::canRedoChanged, action, &QAction::setEnabled);
    connect(action, &QAction::triggered, this, [this, back] {
        const QString step = back ? m_undo.undoText() : m_undo.redoText();
        if (back)
            m_undo.undo();
        else
            m_undo.redo();
        Report((back ? QStringLiteral("Cofnięto: %1.") : QStringLiteral("Ponowiono: %1.")).arg(step));
    });
    return action;
}

void FrmGrafenta::SaveByKey()
{
    QPushButton* save = Button("cmdZapisz");
    if (!save->isEnabled()) return;
    // As a click on the button: the field being typed into is left first,
    // and a time it refuses stops the save.
    auto* typing = qobject_cast<TimeFieldEdit*>(QApplication::focusWidget());
    save->setFocus(Qt::ShortcutFocusReason);
    if (typing && typing->Refused()) return;
    save->click();
}

void FrmGrafenta::FieldEdited(int id, const TimeField& before, const TimeField& after, bool marksModified)
{
    if (before == after) {
        // Nothing to undo; an accepted time still marks the plan modified.
        if (marksModified) m_state.Doc.PlanModified = true;
        m_compliance->PlanChanged();
        return;
    }
    m_undo.push(new FieldEditCommand(
        m_state.Doc, [this](int field) { ShowField(field); }, id, before, after, marksModified));
}

void FrmGrafenta::ShowField(int id)
{
    if (TimeFieldEdit* field = Field(id)) field->ShowStored();
}

void FrmGrafenta::ResetUndo()
{
    m_undo.clear();
}

void FrmGrafenta::PlanShownOrClosed()
{
    const bool open = Button("cmdZapisz")->isEnabled();
    for (const char* name : {"printAction", "exportAction"})
        findChild<QAction*>(QString::fromLatin1(name))->setEnabled(open);
    if (open)
        m_compliance->PlanOpened(m_state.Doc.CurrentPlanName);
    else
        m_compliance->PlanClosed();
}

uint32_t FrmGrafenta::BackgroundColour() const
{
    return palette().color(QPalette::Window).rgb() & 0xFFFFFF;
}

// ---------------------------------------------------------------- window states

void FrmGrafenta::Blokuj_Przyciski(bool lock)
{
    m_panel->SetLocked(lock);
    Button("cmdZapisz")->setEnabled(!lock);
    m_calendar->SetEditable(!lock);
    m_allowances->SetLocked(lock);
    Button("cmdZakres")->setEnabled(!lock);
    if (!lock) Button("cmdUsun")->setEnabled(true);
}

void FrmGrafenta::UstawTypPlanu(uint8_t kind)
{
    const bool weekly = kind == 0;
    // Already so arranged: the controls stand where they are, and only those
    // that change are drawn again (turning updates back on draws the whole window).
    const int arranged = weekly ? 0 : 1;
    if (arranged == m_arranged) {
        if (weekly) m_calendar->ClearCaptions();
        m_panel->ArrangeFor(kind, m_state.FreeDays.FreeDaysLoaded);
        return;
    }
    setUpdatesEnabled(false);
    if (weekly) m_calendar->ClearCaptions();
    m_panel->ArrangeFor(kind, m_state.FreeDays.FreeDaysLoaded);
    m_arranged = arranged;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_calendar->MonthButton(0), m_calendar->MonthButton(1), Button("cmdZakres"), m_allowances,
             m_calendar->Title(), m_from, m_to, centralWidget()->findChild<QLabel*>(QStringLiteral("lblOpisOd")),
             centralWidget()->findChild<QLabel*>(QStringLiteral("lblOpisDo"))})
        widget->setVisible(!weekly);
    // The weekly arrangement lengthens the list down to the range frame.
    QRect list = m_listTwips;
    if (weekly) list.setBottom(SchedulePanel::RangeFrameTwips().bottom() - 7);
    m_layout->SetTwips(m_employees->View(), list);
    setUpdatesEnabled(true);
}

void FrmGrafenta::CzyscDniPlanu()
{
    m_calendar->ShowWeekdayKinds(
        {FreeWeekday, FreeWeekday, FreeWeekday, FreeWeekday, FreeWeekday, FreeWeekday, FreeWeekday});
}

void FrmGrafenta::ShowRangeLabels()
{
    m_from->setText(DateOfDay(m_state.Doc.Plan.FirstDay).toString(DateFormat));
    m_to->setText(DateOfDay(m_state.Doc.Plan.LastDay).toString(DateFormat));
}

void FrmGrafenta::ShowPlanRange()
{
    const WorkPlan& plan = m_state.Doc.Plan;
    ShowRangeLabels();
    if (m_newPlan) m_newPlan->ShowRange(DateOfDay(plan.FirstDay), DateOfDay(plan.LastDay));
    m_calendar->SetDisplayedMonth(DateOfDay(plan.FirstDay));
    m_calendar->BlokujPrzyciskiZmianyMiesiaca();
    m_calendar->cmdMiesiac_Click(255);
    m_calendar->BlokujCzyste();
    m_calendar->ShowTitle();
}

void FrmGrafenta::ShowAbout()
{
    const KlnxVersion version = m_state.Env.Lib.GetVersion();
    FrmAbout* about = AboutDialog();
    about->SetLibraryVersion(version.Major, version.Minor);
    about->SetPackageName(m_state.Env.PakietNazwa);
    about->exec();
}

FrmAbout* FrmGrafenta::AboutDialog()
{
    if (!m_about) m_about = new FrmAbout(this);
    return m_about;
}

FrmProgress* FrmGrafenta::Progress()
{
    if (!m_progress) {
        m_progress = new FrmProgress(this);
        m_progress->setModal(false);
    }
    return m_progress;
}

void FrmGrafenta::ClearPlanCaptions()
{
    m_from->clear();
    m_to->clear();
    m_calendar->Title()->clear();
}

void FrmGrafenta::ShowOpenPlan()
{
    const PlanDocument& doc = m_state.Doc;
    // The check runs while the window is arranged; the panel shows it at the end.
    m_compliance->CheckAhead(doc.CurrentPlanName);
    m_calendar->StopBlink();
    const bool weekly = doc.ProbedKind == ProbeWeeklyPlan;
    UstawTypPlanu(weekly ? 0 : 1);
    m_panel->ShowFields();
    for (int i = 0; i < 4; ++i)
        m_allowances->Field(i)->ShowStored();
    Blokuj_Przyciski(false);
    if (weekly) {
        m_panel->ShowRange(DateOfDay(doc.Plan.FirstDay), DateOfDay(doc.Plan.LastDay));
        m_calendar->ShowWeekdayKinds(doc.Plan.WeekdayKinds);
    } else {
        ShowPlanRange();
    }
    Button("cmdPrzydziel")->setEnabled(true);
    ShowPlanEntry(doc.CurrentPlanName);
    PlanShownOrClosed();
}

void FrmGrafenta::ShowNoPlan(const QString& entry)
{
    m_calendar->StopBlink();
    m_state.Doc.Fields = ScheduleFields();
    // As at start-up: the schedule arrangement, locked and empty.
    UstawTypPlanu(1);
    m_panel->ShowFields();
    for (int i = 0; i < 4; ++i)
        m_allowances->Field(i)->ShowStored();
    Blokuj_Przyciski(true);
    m_calendar->Czysc_Kalendarz();
    ClearPlanCaptions();
    Button("cmdUsun")->setEnabled(entry != NoPlanText);
    Button("cmdPrzydziel")->setEnabled(false);
    ShowPlanEntry(entry);
    PlanShownOrClosed();
}

void FrmGrafenta::ShowPlanEntry(const QString& name)
{
    const QSignalBlocker quiet(m_plans);
    m_plans->setCurrentIndex(m_plans->findText(name));
}

void FrmGrafenta::AddPlanEntry(const QString& name)
{
    if (m_plans->findText(name) >= 0) return;
    int place = 0;
    while (place + 1 < m_plans->count() && PlanNameLess(m_plans->itemText(place), name))
        ++place;
    const QSignalBlocker quiet(m_plans);
    m_plans->insertItem(place, name);
}

void FrmGrafenta::Report(const QString& text)
{
    statusBar()->showMessage(text);
}

void FrmGrafenta::ShowOverlap(int32_t day)
{
    m_calendar->SetDisplayedMonth(DateOfDay(day));
    m_calendar->cmdMiesiac_Click(255);
    m_calendar->ShowTitle();
    m_calendar->StartBlink(DateOfDay(day).day());
}

void FrmGrafenta::FocusField(int id)
{
    if (TimeFieldEdit* field = Field(id)) field->setFocus(Qt::OtherFocusReason);
}

void FrmGrafenta::closeEvent(QCloseEvent* event)
{
    // The frame's close runs the exit command; only that command ends the program.
    if (m_commands->cmdWyjdz_Click())
        event->accept();
    else
        event->ignore();
}

// ---------------------------------------------------------------- start-up

StartupSteps FrmGrafenta::WindowStartupSteps()
{
    StartupSteps steps;
    steps.ProcessEvents = [] { QCoreApplication::processEvents(); };
    steps.WindowColour = BackgroundColour();
    steps.PrepareEmptyWindow = [this](Environment&) {
        m_calendar->Title()->setText(QStringLiteral("-------------------"));
        m_calendar->Czysc_Kalendarz();
        m_from->setText(QStringLiteral("---------"));
        m_to->setText(QStringLiteral("---------"));
        m_panel->ShowColours();
        m_panel->ShowFields();
    };
    steps.ShowSplash = [this](Environment& env) {
        m_rangeDialog = new FrmZmianaZakresu(env.Ui, m_state.Doc, this);
        m_newPlan = new FrmNowyPlan(env.Ui, m_state.Doc, this);
        Splash()->show();
        QCoreApplication::processEvents();
    };
    steps.ReadEmployees = [this](Environment&) { ReadEmployees(); };
    steps.ListPlans = [this](Environment&) { ListPlansIntoBox(); };
    steps.ArrangeWindow = [this](Environment&) {
        m_calendar->SetDisplayedMonth(m_newPlan ? m_newPlan->Range()->From() : QDate::currentDate());
        UstawTypPlanu(1);
        if (!m_state.Doc.SchedulesFilled) Blokuj_Przyciski(true);
    };
    steps.FinishWindow = [this](Environment&) {
        // Not needed again: its picture and its window's memory go with it.
        delete m_splash;
        m_splash = nullptr;
        setWindowTitle(MessageTitle);
    };
    return steps;
}

FrmObrazek* FrmGrafenta::Splash()
{
    if (!m_splash) m_splash = new FrmObrazek(this);
    return m_splash;
}

void FrmGrafenta::AwaitEmployees(EmployeePrefetch& prefetch)
{
    QElapsedTimer waiting;
    waiting.start();
    prefetch.Wait([this, &waiting](int progress) {
        if (waiting.elapsed() < SplashDelayMs) return;
        Splash()->show();
        m_splash->Bar()->setValue(progress);
        QCoreApplication::processEvents();
    });
    m_prefetch = &prefetch;
}

void FrmGrafenta::ReadEmployees()
{
    if (EmployeePrefetch* prefetch = std::exchange(m_prefetch, nullptr)) {
        const QString folder = PersonnelFolder(m_state.Env);
        if (std::optional<EmployeeRows> rows = prefetch->Take(folder)) {
            // The library bound to the personnel folder, as the reader leaves it.
            m_state.Env.Lib.SetDir(folder);
            ShowEmployees(std::move(*rows), true);
            return;
        }
    }
    StaffHooks hooks;
    // The reader reports after every record; the splash's bar (which draws
    // itself at once when its value changes) and the window take their turn
    // some twenty times a second, which looks the same as once per percent.
    QElapsedTimer sinceBar;
    QElapsedTimer sinceEvents;
    sinceBar.start();
    sinceEvents.start();
    hooks.Progress = [this, &sinceBar](int value) {
        if (!m_splash || sinceBar.elapsed() < StartupTurnMs) return;
        m_splash->Bar()->setValue(value);
        sinceBar.restart();
    };
    hooks.ProcessEvents = [&sinceEvents] {
        if (sinceEvents.elapsed() < StartupTurnMs) return;
        QCoreApplication::processEvents();
        sinceEvents.restart();
    };
    // A busy record is waited for with the window alive.
    hooks.Wait = [](int milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    };
    EmployeeRows rows;
    const bool read = WczytajPracownikow(m_state.Env, rows, hooks);
    ShowEmployees(std::move(rows), read);
}

void FrmGrafenta::ShowEmployees(EmployeeRows rows, bool read)
{
    m_employees->Model()->SetRows(std::move(rows));
    m_employees->Message()->setVisible(!read);
    if (!m_employees->SelectFirst()) Button("cmdPrzydziel")->setEnabled(false);
}

void FrmGrafenta::ListPlansIntoBox()
{
    const QStringList names = ListPlans(m_state.Env);
    if (m_state.Env.ProgramEnding) return;
    const QSignalBlocker quiet(m_plans);
    if (!names.isEmpty()) {
        m_plans->clear();
        m_plans->addItems(names);
    }
    m_plans->addItem(NoPlanText);
    m_plans->setCurrentIndex(m_plans->count() - 1);
}

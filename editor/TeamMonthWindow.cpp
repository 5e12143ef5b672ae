#include "editor/TeamMonthWindow.h"

#include "editor/ClearButton.h"
#include "editor/CompliancePanel.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/Printing.h"
#include "env/Prompt.h"
#include "plan/ProgramState.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

constexpr int DayWidth = 46;
constexpr int NameWidth = 250;
constexpr int HourWidth = 30;
// The two columns before the days (planned time and norm; a shift's minimum
// and its short days) and the two after them (group, plan).
constexpr std::array<int, FirstDayColumn> LeadWidths{86, 64};
constexpr std::array<int, TeamGridModel::TrailColumns> TrailWidths{110, 170};

const QString FolderKey = QStringLiteral("eksport/folder");

QComboBox* Choice(const char* name, const QString& accessible, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessible);
    return box;
}

QPushButton* Button(const char* name, const QString& caption, const QString& accessible, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessible);
    button->setAutoDefault(false);
    return button;
}

// A label that names a control and takes the focus there with its Alt key.
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

void SetUpTable(QTableView* view, const char* name, const QString& accessible)
{
    view->setObjectName(QString::fromLatin1(name));
    view->setAccessibleName(accessible);
    view->setWordWrap(false);
    view->setShowGrid(true);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setDefaultSectionSize(DayWidth);
    view->horizontalHeader()->setHighlightSections(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setFixedWidth(NameWidth);
    view->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->verticalHeader()->setHighlightSections(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

// The labour-code options the user keeps for a plan, as the check's panel keeps them.
ComplianceOptions RememberedOptions(const QSettings& settings, const QString& plan)
{
    ComplianceOptions options;
    if (settings.value(CompliancePanel::SettingsKey(plan) + QStringLiteral("/system"), 0).toInt() == 1)
        options.System = WorkingTimeSystem::Equivalent;
    return options;
}

} // namespace

TeamMonthWindow::TeamMonthWindow(ProgramState& state, std::function<EmployeeRows()> rows, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_rows(std::move(rows)), m_grid(new TeamGridModel(this)),
      m_filter(new TeamFilter(this)), m_coverage(new TeamCoverageModel(this))
{
    setObjectName(QStringLiteral("teamMonthWindow"));
    setWindowTitle(QStringLiteral("Grafik zespołu"));
    setAccessibleName(QStringLiteral("Grafik zespołu"));
    m_filter->setSourceModel(m_grid);
    m_filter->setDynamicSortFilter(false);
    BuildControls();
    // The month is read when the window is opened (ShowMonth).
    m_filling = true;
    m_monthChoice->setCurrentIndex(QDate::currentDate().month() - 1);
    m_yearChoice->setValue(QDate::currentDate().year());
    m_filling = false;
    resize(1280, 760);
}

void TeamMonthWindow::BuildControls()
{
    auto* layout = new QVBoxLayout(this);

    // The month, the filter and the order.
    auto* choices = new QHBoxLayout;
    m_monthChoice = Choice("teamMonthChoice", QStringLiteral("Miesiąc"), this);
    for (int month = 1; month <= 12; ++month)
        m_monthChoice->addItem(PolishMonthName(month));
    m_yearChoice = new QSpinBox(this);
    m_yearChoice->setObjectName(QStringLiteral("teamYearChoice"));
    m_yearChoice->setAccessibleName(QStringLiteral("Rok"));
    m_yearChoice->setRange(2000, DateOfDay(MaxPlanDay).year());
    auto* previous = Button("teamPreviousMonth", QStringLiteral("◀"), QStringLiteral("Poprzedni miesiąc"), this);
    auto* next = Button("teamNextMonth", QStringLiteral("▶"), QStringLiteral("Następny miesiąc"), this);
    previous->setToolTip(QStringLiteral("Poprzedni miesiąc (Ctrl+PgUp)"));
    next->setToolTip(QStringLiteral("Następny miesiąc (Ctrl+PgDown)"));
    m_groupChoice = Choice("teamGroupChoice", QStringLiteral("Grupa"), this);
    m_planChoice = Choice("teamPlanChoice", QStringLiteral("Plan pracy"), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("teamSearch"));
    m_search->setAccessibleName(QStringLiteral("Szukaj pracownika"));
    m_search->setPlaceholderText(QStringLiteral("nazwisko, imię lub numer"));
    AddClearButton(*m_search);
    m_orderChoice = Choice("teamOrderChoice", QStringLiteral("Kolejność"), this);
    m_orderChoice->addItems({QStringLiteral("nazwisko i imię"), QStringLiteral("numer"), QStringLiteral("grupa"),
                             QStringLiteral("plan pracy"), QStringLiteral("zaplanowany czas")});
    choices->addWidget(Caption(QStringLiteral("&Miesiąc:"), m_monthChoice, this));
    choices->addWidget(m_monthChoice);
    choices->addWidget(m_yearChoice);
    choices->addWidget(previous);
    choices->addWidget(next);
    choices->addSpacing(16);
    choices->addWidget(Caption(QStringLiteral("&Grupa:"), m_groupChoice, this));
    choices->addWidget(m_groupChoice);
    choices->addWidget(Caption(QStringLiteral("&Plan pracy:"), m_planChoice, this));
    choices->addWidget(m_planChoice);
    choices->addWidget(Caption(QStringLiteral("&Szukaj:"), m_search, this));
    choices->addWidget(m_search, 1);
    choices->addWidget(Caption(QStringLiteral("&Kolejność:"), m_orderChoice, this));
    choices->addWidget(m_orderChoice);
    layout->addLayout(choices);

    // The grid over the coverage, their columns one above the other.
    m_gridView = new QTableView(this);
    SetUpTable(m_gridView, "teamGrid", QStringLiteral("Grafik zespołu: pracownicy i dni miesiąca"));
    m_gridView->setModel(m_filter);
    m_gridView->setItemDelegate(new TeamCellDelegate(m_gridView));
    m_gridView->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_gridView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_gridView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_gridView->horizontalHeader()->setMinimumSectionSize(DayWidth);
    m_gridView->horizontalHeader()->setFixedHeight(m_gridView->fontMetrics().height() * 2 + 8);
    m_coverageView = new QTableView(this);
    SetUpTable(m_coverageView, "teamCoverage", QStringLiteral("Obsada zmian"));
    m_coverageView->setModel(m_coverage);
    m_coverageView->setItemDelegate(new TeamCellDelegate(m_coverageView));
    m_coverageView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_coverageView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                    QAbstractItemView::AnyKeyPressed);
    m_coverageView->horizontalHeader()->setFixedHeight(m_gridView->horizontalHeader()->height());
    m_coverageView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_coverageView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_coverageView->setToolTip(
        QStringLiteral("Liczba z „!” na czerwonym tle: mniej osób niż minimum zmiany. Minimum zmienia F2."));
    layout->addWidget(m_gridView, 1);
    layout->addWidget(m_coverageView);
    // One scroll for both.
    connect(m_gridView->horizontalScrollBar(), &QScrollBar::valueChanged, m_coverageView->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(m_coverageView->horizontalScrollBar(), &QScrollBar::valueChanged, m_gridView->horizontalScrollBar(),
            &QScrollBar::setValue);

    // The people at work at each hour of one day.
    auto* hoursRow = new QHBoxLayout;
    m_hoursTitle = new QLabel(this);
    m_hoursTitle->setObjectName(QStringLiteral("teamHoursTitle"));
    m_hours = new QTableWidget(1, 24, this);
    m_hours->setObjectName(QStringLiteral("teamHours"));
    m_hours->setAccessibleName(QStringLiteral("Obecni w pracy o pełnych godzinach"));
    m_hoursTitle->setBuddy(m_hours);
    m_hours->verticalHeader()->setVisible(false);
    m_hours->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_hours->horizontalHeader()->setDefaultSectionSize(HourWidth);
    m_hours->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_hours->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_hours->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QStringList hourTitles;
    for (int hour = 0; hour < 24; ++hour)
        hourTitles.append(QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
    m_hours->setHorizontalHeaderLabels(hourTitles);
    m_hours->setFixedSize(HourWidth * 24 + 2 * m_hours->frameWidth(), m_hours->horizontalHeader()->sizeHint().height() +
                                                                          m_hours->rowHeight(0) +
                                                                          2 * m_hours->frameWidth());
    hoursRow->addWidget(m_hoursTitle);
    hoursRow->addWidget(m_hours);
    hoursRow->addStretch(1);
    layout->addLayout(hoursRow);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("teamSummary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_summary->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(m_summary);

    auto* buttons = new QHBoxLayout;
    auto* reload = Button("teamReload", QStringLiteral("&Odśwież"), QStringLiteral("Odśwież"), this);
    reload->setToolTip(QStringLiteral("Czyta plany pracowników ponownie (F5)"));
    auto* open = Button("teamOpenPlan", QStringLiteral("Otwórz plan pracow&nika"),
                        QStringLiteral("Otwórz plan pracownika"), this);
    open->setToolTip(QStringLiteral("Otwiera plan wybranego pracownika w oknie głównym (Enter, dwuklik)"));
    auto* print = Button("teamPrint", QStringLiteral("&Drukuj..."), QStringLiteral("Drukuj"), this);
    auto* exportButton = Button("teamExport", QStringLiteral("&Eksportuj..."), QStringLiteral("Eksportuj"), this);
    auto* close = Button("teamClose", QStringLiteral("&Zamknij"), QStringLiteral("Zamknij"), this);
    buttons->addWidget(reload);
    buttons->addWidget(open);
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    // What each control does.
    const auto monthChosen = [this] {
        if (!m_filling) Reload();
    };
    connect(m_monthChoice, &QComboBox::currentIndexChanged, this, monthChosen);
    connect(m_yearChoice, &QSpinBox::valueChanged, this, monthChosen);
    connect(previous, &QPushButton::clicked, this, [this] { ShowMonth(Month().addMonths(-1)); });
    connect(next, &QPushButton::clicked, this, [this] { ShowMonth(Month().addMonths(1)); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this), &QShortcut::activated, previous,
            &QPushButton::click);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this), &QShortcut::activated, next,
            &QPushButton::click);
    connect(m_groupChoice, &QComboBox::currentIndexChanged, this, &TeamMonthWindow::ApplyFilter);
    connect(m_planChoice, &QComboBox::currentIndexChanged, this, &TeamMonthWindow::ApplyFilter);
    connect(m_search, &QLineEdit::textChanged, this, &TeamMonthWindow::ApplyFilter);
    connect(m_orderChoice, &QComboBox::currentIndexChanged, this, [this](int order) {
        m_filter->SetOrder(TeamOrder(order));
        UpdateCoverage();
    });
    connect(m_gridView, &QAbstractItemView::activated, this, &TeamMonthWindow::OpenCurrent);
    connect(m_gridView->verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int row) {
        m_gridView->setCurrentIndex(m_filter->index(row, 0));
        OpenCurrent();
    });
    connect(m_gridView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ShowHours(current.column() - FirstDayColumn); });
    connect(m_coverageView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ShowHours(current.column() - FirstDayColumn); });
    connect(m_coverage, &TeamCoverageModel::MinimumChanged, this, &TeamMonthWindow::UpdateCoverage);
    connect(reload, &QPushButton::clicked, this, &TeamMonthWindow::Reload);
    connect(new QShortcut(QKeySequence::Refresh, this), &QShortcut::activated, this, &TeamMonthWindow::Reload);
    connect(open, &QPushButton::clicked, this, &TeamMonthWindow::OpenCurrent);
    connect(print, &QPushButton::clicked, this, &TeamMonthWindow::Print);
    connect(exportButton, &QPushButton::clicked, this, &TeamMonthWindow::Export);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void TeamMonthWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_gridView->setFocus(Qt::ActiveWindowFocusReason);
}

QDate TeamMonthWindow::Month() const
{
    return QDate(m_yearChoice->value(), m_monthChoice->currentIndex() + 1, 1);
}

void TeamMonthWindow::ShowMonth(const QDate& month)
{
    if (!month.isValid()) return;
    const QDate shown(std::clamp(month.year(), m_yearChoice->minimum(), m_yearChoice->maximum()), month.month(), 1);
    m_filling = true;
    m_monthChoice->setCurrentIndex(shown.month() - 1);
    m_yearChoice->setValue(shown.year());
    m_filling = false;
    Reload();
}

void TeamMonthWindow::Reload()
{
    const QDate month = Month();
    TeamOptions options;
    if (m_state.FreeDays.FreeDaysLoaded) options.FreeDays = m_state.FreeDays.Days;
    const QSettings settings;
    options.PlanOptions = [&settings](const QString& plan) { return RememberedOptions(settings, plan); };
    const TeamMonth team =
        ReadTeamMonth(m_state.Env, m_rows(), DayOfDate(month), DayOfDate(month.addMonths(1)) - 1, options);
    m_grid->SetMonth(team, m_state.Env.ColourTable);
    m_filter->PrepareKeys();
    for (int column = 0; column < FirstDayColumn; ++column)
        m_gridView->setColumnWidth(column, LeadWidths[size_t(column)]);
    for (int trail = 0; trail < TeamGridModel::TrailColumns; ++trail)
        m_gridView->setColumnWidth(m_grid->ColumnOf(TeamGridModel::Trail(trail)), TrailWidths[size_t(trail)]);
    FillFilterChoices();
    m_hoursDay = std::clamp(m_hoursDay, 0, m_grid->DayCount() - 1);
    ApplyFilter();
}

void TeamMonthWindow::FillFilterChoices()
{
    // The groups and plans of the employees, in Polish order; the choice made stays where it can.
    const auto fill = [this](QComboBox* box, const QString& all, QStringList names, const QString& none) {
        const QVariant chosen = box->currentData();
        QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
        std::sort(names.begin(), names.end(), collator);
        // Names that differ in letter case only are one choice: the filter ignores letter case.
        names.erase(
            std::unique(names.begin(), names.end(),
                        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }),
            names.end());
        const QSignalBlocker quiet(box);
        box->clear();
        box->addItem(all);
        for (const QString& name : std::as_const(names))
            box->addItem(name.isEmpty() ? none : name, name);
        int index = -1;
        for (int i = 1; chosen.isValid() && i < box->count() && index < 0; ++i) {
            if (box->itemData(i).toString().compare(chosen.toString(), Qt::CaseInsensitive) == 0) index = i;
        }
        box->setCurrentIndex(std::max(index, 0));
    };
    QStringList groups;
    QStringList plans;
    for (const TeamMember& member : m_grid->Month().Members) {
        groups.append(member.Row.Group);
        plans.append(member.Row.Plan);
    }
    fill(m_groupChoice, QStringLiteral("wszystkie grupy"), groups, QStringLiteral("(bez grupy)"));
    fill(m_planChoice, QStringLiteral("wszystkie plany"), plans, QString());
}

namespace {

std::optional<QString> Chosen(const QComboBox* box)
{
    if (box->currentIndex() <= 0) return std::nullopt;
    return box->currentData().toString();
}

} // namespace

void TeamMonthWindow::ApplyFilter()
{
    m_filter->SetFilter(Chosen(m_groupChoice), Chosen(m_planChoice), m_search->text());
    UpdateCoverage();
}

void TeamMonthWindow::UpdateCoverage()
{
    const QVector<int> shown = m_filter->ShownMembers();
    m_coverage->SetCoverage(m_grid->Month(), shown, Chosen(m_groupChoice));
    for (int column = 0; column < FirstDayColumn; ++column)
        m_coverageView->setColumnWidth(column, LeadWidths[size_t(column)]);
    const int rows = m_coverage->rowCount();
    m_coverageView->setFixedHeight(m_coverageView->horizontalHeader()->height() +
                                   rows * m_coverageView->verticalHeader()->defaultSectionSize() +
                                   2 * m_coverageView->frameWidth());

    const TeamMonth& month = m_grid->Month();
    int64_t planned = 0;
    for (const int member : shown)
        planned += month.PlannedMinutes(member);
    QString summary = QStringLiteral("Pracownicy: %1 z %2, zaplanowano razem %3 h.")
                          .arg(shown.size())
                          .arg(month.Members.size())
                          .arg(DurationText(int32_t(planned)));
    const QVector<int32_t> shortDays = m_coverage->ShortDays();
    if (m_coverage->Minimums().isEmpty()) {
        summary += m_groupChoice->currentIndex() > 0
                       ? QStringLiteral(" Minimum obsady zmiany w tej grupie wpisz w kolumnie „Minimum” pod grafikiem.")
                       : QStringLiteral(" Minimum obsady zmiany wpisz w kolumnie „Minimum” pod grafikiem.");
    } else if (shortDays.isEmpty()) {
        summary += QStringLiteral(" Każda zmiana ma co najmniej swoje minimum.");
    } else {
        QStringList days;
        for (const int32_t day : shortDays)
            days.append(QString::number(DateOfDay(day).day()));
        summary += QStringLiteral(" Za mało osób na zmianie w dniach: %1.").arg(days.join(QStringLiteral(", ")));
    }
    m_summary->setText(summary);
    m_summary->setAccessibleName(summary);
    ShowHours(m_hoursDay);
}

void TeamMonthWindow::ShowHours(int dayIndex)
{
    const QVector<DayCoverage>& coverage = m_coverage->Coverage();
    if (dayIndex < 0 || dayIndex >= coverage.size()) {
        if (coverage.isEmpty()) return;
        dayIndex = m_hoursDay < coverage.size() ? m_hoursDay : 0;
    }
    m_hoursDay = dayIndex;
    const DayCoverage& day = coverage.at(dayIndex);
    const QString title = QStringLiteral("W pracy %1 (%2) o godzinie:")
                              .arg(DateOfDay(day.Day).toString(QStringLiteral("dd-MM-yyyy")),
                                   PolishWeekdayName(DateOfDay(day.Day).dayOfWeek()));
    m_hoursTitle->setText(title);
    for (int hour = 0; hour < 24; ++hour) {
        auto* item = new QTableWidgetItem(QString::number(day.ByHour[size_t(hour)]));
        item->setTextAlignment(Qt::AlignCenter);
        item->setData(Qt::AccessibleTextRole,
                      QStringLiteral("o %1:00: %2").arg(hour, 2, 10, QLatin1Char('0')).arg(day.ByHour[size_t(hour)]));
        m_hours->setItem(0, hour, item);
    }
}

void TeamMonthWindow::OpenCurrent()
{
    const QModelIndex current = m_gridView->currentIndex();
    if (!current.isValid()) return;
    const int member = m_filter->mapToSource(current).row();
    emit OpenPlanRequested(m_grid->Month().Members.at(member));
}

QString TeamMonthWindow::SelectionText() const
{
    QStringList parts;
    if (m_groupChoice->currentIndex() > 0) parts.append(QStringLiteral("grupa: ") + m_groupChoice->currentText());
    if (m_planChoice->currentIndex() > 0) parts.append(QStringLiteral("plan: ") + m_planChoice->currentText());
    if (!m_search->text().trimmed().isEmpty()) parts.append(QStringLiteral("szukano: ") + m_search->text().trimmed());
    return parts.join(QStringLiteral(", "));
}

TeamExportInput TeamMonthWindow::ExportInput() const
{
    TeamExportInput input;
    input.Month = m_grid->Month();
    input.Rows = ShownMembers();
    input.Minimums = m_coverage->Minimums();
    input.SlotColours = m_state.Env.ColourTable;
    input.Selection = SelectionText();
    return input;
}

void TeamMonthWindow::Print()
{
    PrintRequest request;
    request.Title = QStringLiteral("Drukuj grafik zespołu");
    request.DocumentName = QStringLiteral("Grafik zespołu");
    request.Layout = PlanPageLayout();
    QString error;
    const std::unique_ptr<ChosenPrinter> printer = ChoosePrinter(this, request, &error);
    if (!printer) {
        if (!error.isEmpty()) m_state.Env.Ui.ShowMessage(MessageIcon::Critical, error);
        return;
    }
    QPainter painter;
    const bool printed =
        painter.begin(&printer->Device()) && PaintTeamPages(painter, printer->Device(), ExportInput()) > 0;
    if (!painter.end() || !printed)
        m_state.Env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Wydruk grafiku zespołu nie powiódł się."));
}

void TeamMonthWindow::Export()
{
    QSettings settings;
    const QString folder = settings.value(FolderKey, QDir::homePath()).toString();
    const QString name = QStringLiteral("Grafik zespołu %1").arg(Month().toString(QStringLiteral("yyyy-MM")));
    QString filter;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Eksportuj grafik zespołu"), QDir(folder).filePath(name),
                                     QStringLiteral("PDF (*.pdf);;Arkusz CSV (*.csv)"), &filter);
    if (path.isEmpty()) return;
    settings.setValue(FolderKey, QFileInfo(path).absolutePath());
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty())
        target += filter.startsWith(QLatin1String("PDF")) ? QStringLiteral(".pdf") : QStringLiteral(".csv");
    ExportTo(target);
}

bool TeamMonthWindow::ExportTo(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const TeamExportInput input = ExportInput();
    QByteArray bytes;
    bool made = false;
    if (suffix == QLatin1String("pdf")) {
        QBuffer buffer(&bytes);
        made = buffer.open(QIODevice::WriteOnly) && WriteTeamPdf(input, buffer);
    } else if (suffix == QLatin1String("csv")) {
        bytes = TeamCsv(input);
        made = true;
    }
    if (made && SaveExportFile(path, bytes) == 0) return true;
    m_state.Env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nie można zapisać pliku ") +
                                                          QDir::toNativeSeparators(path) + Cr +
                                                          QStringLiteral("Eksport grafiku zespołu nie powiódł się."));
    return false;
}

namespace {

// The team's window of the main window, following the list and the plan.
TeamMonthWindow* MakeTeamMonth(FrmGrafenta& window)
{
    auto* team = new TeamMonthWindow(
        window.State(), [&window] { return window.Employees()->Model()->Rows(); }, &window);
    QObject::connect(team, &TeamMonthWindow::OpenPlanRequested, &window,
                     [&window](const TeamMember& member) { OpenMemberPlan(window, member); });
    // An assignment changes plans in the list: the open view follows, once for a whole run.
    auto* soon = new QTimer(team);
    soon->setSingleShot(true);
    soon->setInterval(0);
    QObject::connect(soon, &QTimer::timeout, team, &TeamMonthWindow::Reload);
    const auto follow = [team, soon] {
        if (team->isVisible()) soon->start();
    };
    QObject::connect(window.Employees()->Model(), &QAbstractItemModel::dataChanged, team, follow);
    QObject::connect(window.Employees()->Model(), &QAbstractItemModel::modelReset, team, follow);
    // So does a plan saved (or another opened): the edits start afresh then.
    QObject::connect(window.Undo(), &QUndoStack::cleanChanged, team, [follow](bool clean) {
        if (clean) follow();
    });
    return team;
}

} // namespace

void InstallTeamMonth(FrmGrafenta& window, QToolBar& tools)
{
    auto* action = new QAction(QStringLiteral("Grafik zespołu"), &window);
    action->setObjectName(QStringLiteral("teamMonthAction"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    action->setToolTip(QStringLiteral("Grafik zespołu: kto pracuje w których dniach miesiąca (Ctrl+G)"));
    tools.addAction(action);
    // The window is made when first asked for, so that start-up does not wait for it.
    QObject::connect(action, &QAction::triggered, &window, [&window] {
        auto* team = window.findChild<TeamMonthWindow*>(QString(), Qt::FindDirectChildrenOnly);
        if (!team) team = MakeTeamMonth(window);
        const QDate shown = window.Calendar()->DisplayedMonth();
        team->ShowMonth(shown.isValid() ? shown : QDate::currentDate());
        team->show();
        team->raise();
        team->activateWindow();
    });
}

void OpenMemberPlan(FrmGrafenta& window, const TeamMember& member)
{
    Prompt& ui = window.State().Env.Ui;
    const QString who = member.Row.Surname + u' ' + member.Row.FirstName;
    if (member.State == TeamPlanState::NoPlan) {
        ui.ShowMessage(MessageIcon::Information,
                       QStringLiteral("Pracownik %1 nie ma przydzielonego planu pracy.").arg(who));
        return;
    }
    QComboBox* plans = window.PlanBox();
    const int index = plans->findText(member.Row.Plan, Qt::MatchFixedString);
    if (index < 0 || plans->itemText(index) == NoPlanText) {
        ui.ShowMessage(MessageIcon::Exclamation,
                       QStringLiteral("Planu pracy „%1” nie ma w katalogu planów.").arg(member.Row.Plan));
        return;
    }
    window.raise();
    window.activateWindow();
    // The window's own plan choice: it asks about unsaved changes and takes the locks.
    plans->setCurrentIndex(index);
}

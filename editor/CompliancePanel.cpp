#include "editor/CompliancePanel.h"

#include "editor/ComplianceModels.h"
#include "editor/DayCell.h"
#include "editor/MonthCalendar.h"
#include "editor/OneLineDelegate.h"
#include "freedays/DniWolne.h"
#include "plan/PlanDocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <future>
#include <utility>

CompliancePanel::CompliancePanel(const PlanDocument& doc, const SuiteFreeDays& freeDays, MonthCalendar& calendar,
                                 QWidget* parent)
    : QWidget(parent), m_doc(doc), m_freeDays(freeDays), m_calendar(calendar), m_system(new QComboBox(this)),
      m_period(new QComboBox(this)), m_sundayStart(new QComboBox(this)), m_night(new QComboBox(this)),
      // The option's long name on two lines, so that the panel stays narrow.
      m_arduous(new QCheckBox(QStringLiteral("Praca szczególnie niebezpieczna\nlub z dużym wysiłkiem"), this)),
      m_reportButton(new QPushButton(QStringLiteral("&Raport zgodności…"), this)), m_summary(new QLabel(this)),
      m_findingList(new FindingsModel(this)), m_periodList(new PeriodsModel(this)), m_findings(new QTableView(this)),
      m_periods(new QTableView(this)), m_delay(new QTimer(this))
{
    setObjectName(QStringLiteral("compliancePanel"));
    // Wide enough to read a finding beside its day and rule.
    setMinimumWidth(fontMetrics().averageCharWidth() * 58);
    setAccessibleName(QStringLiteral("Kontrola planu"));
    m_system->setObjectName(QStringLiteral("complianceSystem"));
    m_system->addItems({SystemText(WorkingTimeSystem::Basic), SystemText(WorkingTimeSystem::Equivalent)});
    m_system->setAccessibleName(QStringLiteral("System czasu pracy"));
    m_period->setObjectName(QStringLiteral("compliancePeriod"));
    for (const int months : SettlementPeriodMonths)
        m_period->addItem(PeriodText(months), months);
    m_period->setAccessibleName(QStringLiteral("Okres rozliczeniowy"));
    m_sundayStart->setObjectName(QStringLiteral("complianceSundayStart"));
    for (int hour = 0; hour < 24; ++hour)
        m_sundayStart->addItem(HourText(hour * 60), hour * 60);
    m_sundayStart->setAccessibleName(QStringLiteral("Początek niedzieli i święta"));
    m_sundayStart->setToolTip(QStringLiteral("Niedziela i święto trwają 24 godziny od tej godziny (art. 151⁹ § 2)."));
    m_night->setObjectName(QStringLiteral("complianceNight"));
    for (const int hour : NightStartHours)
        m_night->addItem(NightText(hour * 60), hour * 60);
    m_night->setAccessibleName(QStringLiteral("Pora nocna"));
    m_night->setToolTip(QStringLiteral("Osiem godzin między 21:00 a 7:00 (art. 151⁷ § 1)."));
    m_arduous->setObjectName(QStringLiteral("complianceArduous"));
    m_arduous->setAccessibleName(m_arduous->text().replace(u'\n', u' '));
    m_arduous->setToolTip(QStringLiteral("Wtedy czas pracy w dobie z co najmniej 3 h pracy w porze nocnej "
                                         "nie może przekraczać 8 h (art. 151⁷ § 3)."));
    const ComplianceOptions defaults;
    m_period->setCurrentIndex(m_period->findData(defaults.PeriodMonths));
    m_sundayStart->setCurrentIndex(m_sundayStart->findData(defaults.SundayStart));
    m_night->setCurrentIndex(m_night->findData(defaults.NightStart));
    m_reportButton->setObjectName(QStringLiteral("complianceReport"));
    m_reportButton->setAccessibleName(QStringLiteral("Raport zgodności"));
    m_reportButton->setToolTip(QStringLiteral("Zapisuje raport kontroli planu w pliku PDF, do wydruku dla inspekcji."));
    m_summary->setObjectName(QStringLiteral("complianceSummary"));
    m_summary->setWordWrap(true);
    m_findings->setObjectName(QStringLiteral("complianceFindings"));
    m_findings->setAccessibleName(QStringLiteral("Wyniki kontroli"));
    m_findings->setModel(m_findingList);
    m_findings->setItemDelegate(new OneLineDelegate(m_findings));
    // A list of rows: chosen whole, one at a time, without lines between the
    // cells. A table keeps nothing for each of a long plan's thousands of
    // rows, where a tree lays out an item for each.
    m_findings->setShowGrid(false);
    m_findings->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_findings->setSelectionMode(QAbstractItemView::SingleSelection);
    m_findings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_findings->setTabKeyNavigation(false);
    m_findings->verticalHeader()->setVisible(false);
    m_findings->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // One line a finding, cut short where the column ends; the tooltip has it whole.
    m_findings->setWordWrap(false);
    m_findings->setTextElideMode(Qt::ElideRight);
    m_findings->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_findings->horizontalHeader()->setHighlightSections(false);
    m_findings->horizontalHeader()->setStretchLastSection(true);
    m_findings->horizontalHeader()->setMinimumSectionSize(m_findings->fontMetrics().averageCharWidth() * 6);
    // The columns fit the list whenever its width changes, so "Opis" always shows.
    m_findings->viewport()->installEventFilter(this);
    m_periods->setObjectName(QStringLiteral("compliancePeriods"));
    m_periods->setAccessibleName(QStringLiteral("Okresy rozliczeniowe"));
    m_periods->setModel(m_periodList);
    m_periods->setItemDelegate(new OneLineDelegate(m_periods));
    m_periods->verticalHeader()->setVisible(false);
    // One line a period: every row as high as the first of its kind, not
    // each of hundreds measured.
    m_periods->setWordWrap(false);
    m_periods->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_periods->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_periods->setTabKeyNavigation(false);
    m_periods->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    auto* options = new QFormLayout;
    options->addRow(QStringLiteral("System czasu pracy:"), m_system);
    options->addRow(QStringLiteral("Okres rozliczeniowy:"), m_period);
    options->addRow(QStringLiteral("Początek niedzieli i święta:"), m_sundayStart);
    options->addRow(QStringLiteral("Pora nocna:"), m_night);
    options->addRow(m_arduous);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(m_reportButton, 0, Qt::AlignLeft);
    layout->addWidget(m_summary);
    layout->addWidget(m_findings, 3);
    layout->addWidget(m_periods, 2);

    m_delay->setSingleShot(true);
    m_delay->setInterval(150);
    connect(m_delay, &QTimer::timeout, this, &CompliancePanel::CheckNow);
    connect(m_system, &QComboBox::currentIndexChanged, this, &CompliancePanel::OptionsChanged);
    connect(m_period, &QComboBox::currentIndexChanged, this, &CompliancePanel::OptionsChanged);
    connect(m_sundayStart, &QComboBox::currentIndexChanged, this, &CompliancePanel::OptionsChanged);
    connect(m_night, &QComboBox::currentIndexChanged, this, &CompliancePanel::OptionsChanged);
    connect(m_arduous, &QCheckBox::toggled, this, &CompliancePanel::OptionsChanged);
    connect(m_reportButton, &QPushButton::clicked, this, [this] { emit ReportRequested(Options()); });
    connect(m_findings, &QTableView::activated, this, &CompliancePanel::FindingActivated);
    connect(m_findings, &QTableView::clicked, this, &CompliancePanel::FindingActivated);
    PlanClosed();
}

QString CompliancePanel::SettingsKey(const QString& planName)
{
    // Plan names may hold characters the settings take for separators.
    return QStringLiteral("kontrola/") + QString::fromLatin1(planName.toUtf8().toHex());
}

void CompliancePanel::LoadOptions(const QString& name)
{
    m_planName = name;
    m_open = true;
    const QSettings settings;
    const QString key = SettingsKey(name);
    const ComplianceOptions defaults;
    // A value that is not one of the choices leaves the default.
    const auto choose = [&](QComboBox* box, const char* setting, int fallback) {
        const int index = box->findData(settings.value(key + QLatin1String(setting), fallback).toInt());
        box->setCurrentIndex(index >= 0 ? index : box->findData(fallback));
    };
    m_loading = true;
    m_system->setCurrentIndex(settings.value(key + QStringLiteral("/system"), 0).toInt() == 1 ? 1 : 0);
    choose(m_period, "/okres", defaults.PeriodMonths);
    choose(m_sundayStart, "/niedziela", defaults.SundayStart);
    choose(m_night, "/noc", defaults.NightStart);
    m_arduous->setChecked(settings.value(key + QStringLiteral("/szczegolnie"), defaults.ArduousWork).toBool());
    m_loading = false;
}

std::function<ComplianceReport()> CompliancePanel::CheckTask() const
{
    WorkPlan plan = EditedPlan(m_doc);
    QMap<int32_t, QString> freeDays = m_freeDays.FreeDaysLoaded
                                          ? FreeDaysBetween(m_freeDays.Days, plan.FirstDay, plan.LastDay)
                                          : QMap<int32_t, QString>();
    return [plan = std::move(plan), freeDays = std::move(freeDays), options = Options()] {
        return CheckCompliance(plan, freeDays, options);
    };
}

// A check either thread may carry out: whichever takes it first. A pool
// thread that has not started by the time the result is needed leaves the
// check to the window, which then does not wait for it.
struct CompliancePanel::AheadCheck
{
    std::function<ComplianceReport()> Task;
    std::atomic<bool> Taken{false};
    std::promise<ComplianceReport> Result;

    // The report: checked here, or as the thread that took it checked it.
    ComplianceReport Take()
    {
        if (!Taken.exchange(true)) return Task();
        return Result.get_future().get();
    }
};

void CompliancePanel::CheckAhead(const QString& name)
{
    LoadOptions(name);
    auto ahead = std::make_shared<AheadCheck>();
    ahead->Task = CheckTask();
    m_ahead = ahead;
    m_aheadName = name;
    QThreadPool::globalInstance()->tryStart([ahead] {
        if (!ahead->Taken.exchange(true)) ahead->Result.set_value(ahead->Task());
    });
}

void CompliancePanel::PlanOpened(const QString& name)
{
    const std::shared_ptr<AheadCheck> ahead = std::exchange(m_ahead, nullptr);
    const bool checkedAhead = ahead && m_aheadName == name;
    if (!checkedAhead) LoadOptions(name);
    setEnabled(true);
    m_delay->stop();
    m_report = checkedAhead ? ahead->Take() : CheckTask()();
    ShowReport();
}

void CompliancePanel::PlanClosed()
{
    m_ahead = nullptr;
    m_open = false;
    m_delay->stop();
    m_report = {};
    setEnabled(false);
    ShowReport();
}

void CompliancePanel::PlanChanged()
{
    if (m_open) m_delay->start();
}

void CompliancePanel::OptionsChanged()
{
    if (m_loading || !m_open) return;
    QSettings settings;
    const QString key = SettingsKey(m_planName);
    const ComplianceOptions options = Options();
    settings.setValue(key + QStringLiteral("/system"), m_system->currentIndex());
    settings.setValue(key + QStringLiteral("/okres"), options.PeriodMonths);
    settings.setValue(key + QStringLiteral("/niedziela"), options.SundayStart);
    settings.setValue(key + QStringLiteral("/noc"), options.NightStart);
    settings.setValue(key + QStringLiteral("/szczegolnie"), options.ArduousWork);
    CheckNow();
}

ComplianceOptions CompliancePanel::Options() const
{
    ComplianceOptions options;
    options.System = m_system->currentIndex() == 1 ? WorkingTimeSystem::Equivalent : WorkingTimeSystem::Basic;
    options.PeriodMonths = m_period->currentData().toInt();
    options.SundayStart = m_sundayStart->currentData().toInt();
    options.NightStart = m_night->currentData().toInt();
    options.ArduousWork = m_arduous->isChecked();
    return options;
}

void CompliancePanel::CheckNow()
{
    m_delay->stop();
    if (!m_open) return;
    m_report = CheckTask()();
    ShowReport();
}

QString CompliancePanel::DayMark(int32_t day) const
{
    // The findings are in day order.
    const auto first = std::lower_bound(m_report.Findings.cbegin(), m_report.Findings.cend(), day,
                                        [](const ComplianceFinding& finding, int32_t d) { return finding.Day < d; });
    QString mark;
    for (auto finding = first; finding != m_report.Findings.cend() && finding->Day == day; ++finding) {
        // A period's norm is no fault of its first day: it shows in the period table.
        if (finding->Severity != FindingSeverity::Error || finding->Rule == ComplianceRule::PeriodNorm) continue;
        if (!mark.isEmpty()) mark += QStringLiteral("; ");
        mark += finding->Message();
    }
    return mark;
}

void CompliancePanel::ShowReport()
{
    const int errors =
        int(std::count_if(m_report.Findings.cbegin(), m_report.Findings.cend(),
                          [](const ComplianceFinding& finding) { return finding.Severity == FindingSeverity::Error; }));
    m_findingList->SetReport(&m_report);
    FitFindingColumns(true);
    const int warnings = int(m_report.Findings.size()) - errors;
    m_summary->setText(!m_open ? QStringLiteral("Brak otwartego planu.")
                       : errors + warnings == 0
                           ? QStringLiteral("Plan zgodny z Kodeksem pracy.")
                           : QStringLiteral("Błędy: %1, ostrzeżenia: %2").arg(errors).arg(warnings));
    m_summary->setAccessibleName(m_summary->text());
    m_calendar.SetDayMarks([this](int32_t day) { return DayMark(day); });
    m_periodList->SetReport(&m_report, m_night->currentData().toInt());
    FitPeriods();
}

void CompliancePanel::FitPeriods()
{
    const QVector<int> rows = m_periodList->SampleRows();
    // The sample rows differ in the sign of their planned time.
    const QStringList kinds = m_periodList->Samples(PeriodsModel::PlannedColumn);
    if (!rows.isEmpty()) {
        m_periods->verticalHeader()->setDefaultSectionSize(m_periodRows.Of(kinds, m_periods->font(), [&] {
            const QAbstractItemView& view = *m_periods; // where the row's size hint is public
            int height = m_periods->verticalHeader()->sectionSizeHint(0);
            for (const int row : rows)
                height = std::max(height, view.sizeHintForRow(row));
            return height;
        }));
    }
    const int grid = m_periods->showGrid() ? 1 : 0;
    for (const int column : {PeriodsModel::NormColumn, PeriodsModel::PlannedColumn, PeriodsModel::NightColumn}) {
        const QStringList samples = m_periodList->Samples(column);
        m_periods->setColumnWidth(column, m_periodColumns[size_t(column)].Of(samples, m_periods->font(), [&] {
            return ColumnWidthFor(*m_periods, *m_periods->horizontalHeader(), column, samples, grid);
        }));
    }
}

bool CompliancePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_findings->viewport() && event->type() == QEvent::Resize) FitFindingColumns(false);
    return QWidget::eventFilter(watched, event);
}

void CompliancePanel::FitFindingColumns(bool measure)
{
    // The day as wide as it needs, the rule up to two fifths of the width,
    // the description the rest. The texts are measured when they change,
    // not each time the list changes its width.
    if (measure) {
        const QHeaderView& header = *m_findings->horizontalHeader();
        // Every row one line high, as the first.
        if (m_findingList->rowCount() > 0) {
            const int height = m_findingRows.Of({}, m_findings->font(), [&] {
                const QAbstractItemView& view = *m_findings; // where the row's size hint is public
                return view.sizeHintForRow(0);
            });
            // (The header's own least height is the style's, taller than a line.)
            m_findings->verticalHeader()->setMinimumSectionSize(height);
            m_findings->verticalHeader()->setDefaultSectionSize(height);
        }
        const QStringList days{m_findingList->index(0, FindingsModel::DayColumn).data().toString()};
        const QStringList rules = m_findingList->RuleSamples();
        m_findings->setColumnWidth(FindingsModel::DayColumn, m_dayColumn.Of(days, m_findings->font(), [&] {
            return ColumnWidthFor(*m_findings, header, FindingsModel::DayColumn, days);
        }));
        m_ruleWidth = m_ruleColumn.Of(rules, m_findings->font(), [&] {
            return ColumnWidthFor(*m_findings, header, FindingsModel::RuleColumn, rules);
        });
    }
    m_findings->setColumnWidth(FindingsModel::RuleColumn,
                               std::min(m_ruleWidth, m_findings->viewport()->width() * 2 / 5));
}

void CompliancePanel::FindingActivated(const QModelIndex& index)
{
    // A weekly plan's grid shows weekdays, not days.
    if (!index.isValid() || m_doc.ProbedKind != ProbeSchedulePlan) return;
    const QDate date = DateOfDay(m_findingList->Finding(index.row()).Day);
    m_calendar.SetDisplayedMonth(date);
    m_calendar.cmdMiesiac_Click(255);
    m_calendar.ShowTitle();
    const int cell = m_calendar.CellOfDay(date.day());
    if (cell >= 0) m_calendar.Cell(cell)->setFocus(Qt::OtherFocusReason);
}

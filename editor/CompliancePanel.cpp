#include "editor/CompliancePanel.h"

#include "editor/DayCell.h"
#include "editor/MonthCalendar.h"
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
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Hours and minutes of a count of minutes: "168:00".
QString Hours(int64_t minutes)
{
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString DateText(int32_t day)
{
    return DateOfDay(day).toString(QStringLiteral("dd-MM-yyyy"));
}

} // namespace

CompliancePanel::CompliancePanel(const PlanDocument& doc, const SuiteFreeDays& freeDays, MonthCalendar& calendar,
                                 QWidget* parent)
    : QWidget(parent), m_doc(doc), m_freeDays(freeDays), m_calendar(calendar), m_system(new QComboBox(this)),
      m_period(new QComboBox(this)), m_sundayStart(new QComboBox(this)), m_night(new QComboBox(this)),
      // The option's long name on two lines, so that the panel stays narrow.
      m_arduous(new QCheckBox(QStringLiteral("Praca szczególnie niebezpieczna\nlub z dużym wysiłkiem"), this)),
      m_reportButton(new QPushButton(QStringLiteral("&Raport zgodności…"), this)), m_summary(new QLabel(this)),
      m_findings(new QTreeWidget(this)), m_periods(new QTableWidget(0, 4, this)), m_delay(new QTimer(this))
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
    m_findings->setHeaderLabels({QStringLiteral("Dzień"), QStringLiteral("Zasada"), QStringLiteral("Opis")});
    m_findings->setRootIsDecorated(false);
    // One line a finding, cut short where the column ends; the tooltip has it whole.
    m_findings->setWordWrap(false);
    m_findings->setUniformRowHeights(true);
    m_findings->setTextElideMode(Qt::ElideRight);
    m_findings->header()->setStretchLastSection(true);
    m_findings->header()->setMinimumSectionSize(m_findings->fontMetrics().averageCharWidth() * 6);
    // The columns fit the list whenever its width changes, so "Opis" always shows.
    m_findings->viewport()->installEventFilter(this);
    m_periods->setObjectName(QStringLiteral("compliancePeriods"));
    m_periods->setAccessibleName(QStringLiteral("Okresy rozliczeniowe"));
    m_periods->setHorizontalHeaderLabels(
        {QStringLiteral("Okres"), QStringLiteral("Norma"), QStringLiteral("Plan"), QStringLiteral("Noc")});
    m_periods->verticalHeader()->setVisible(false);
    m_periods->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
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
    connect(m_findings, &QTreeWidget::itemActivated, this, &CompliancePanel::FindingActivated);
    connect(m_findings, &QTreeWidget::itemClicked, this, &CompliancePanel::FindingActivated);
    PlanClosed();
}

QString CompliancePanel::SettingsKey(const QString& planName)
{
    // Plan names may hold characters the settings take for separators.
    return QStringLiteral("kontrola/") + QString::fromLatin1(planName.toUtf8().toHex());
}

void CompliancePanel::PlanOpened(const QString& name)
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
    setEnabled(true);
    CheckNow();
}

void CompliancePanel::PlanClosed()
{
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
    const WorkPlan plan = EditedPlan(m_doc);
    const QMap<int32_t, QString> freeDays = m_freeDays.FreeDaysLoaded
                                                ? FreeDaysBetween(m_freeDays.Days, plan.FirstDay, plan.LastDay)
                                                : QMap<int32_t, QString>();
    m_report = CheckCompliance(plan, freeDays, Options());
    ShowReport();
}

void CompliancePanel::ShowReport()
{
    m_findings->clear();
    QHash<int32_t, QString> marks;
    int errors = 0;
    QList<QTreeWidgetItem*> items;
    for (const ComplianceFinding& finding : std::as_const(m_report.Findings)) {
        const bool error = finding.Severity == FindingSeverity::Error;
        errors += error;
        const QString rule = RuleName(finding.Rule) + QStringLiteral(" (") + finding.Article + QLatin1Char(')');
        auto* item = new QTreeWidgetItem({DateText(finding.Day),
                                          (error ? QStringLiteral("błąd: ") : QStringLiteral("uwaga: ")) + rule,
                                          finding.Message});
        item->setData(0, Qt::UserRole, finding.Day);
        item->setForeground(1, error ? QColor(176, 0, 0) : QColor(150, 90, 0));
        item->setToolTip(1, QStringLiteral("%1 – %2, Kodeks pracy %3\nZasada: %4")
                                .arg(error ? QStringLiteral("Błąd") : QStringLiteral("Ostrzeżenie"),
                                     RuleName(finding.Rule), finding.Article, RuleId(finding.Rule)));
        item->setToolTip(2,
                         finding.Message + QStringLiteral("\n(") + finding.Article + QStringLiteral(" Kodeksu pracy)"));
        items.append(item);
        // A period's norm is no fault of its first day: it shows in the period table.
        if (error && finding.Rule != ComplianceRule::PeriodNorm) {
            QString& mark = marks[finding.Day];
            mark += (mark.isEmpty() ? QString() : QStringLiteral("; ")) + finding.Message;
        }
    }
    m_findings->addTopLevelItems(items);
    FitFindingColumns(true);
    const int warnings = int(m_report.Findings.size()) - errors;
    m_summary->setText(!m_open ? QStringLiteral("Brak otwartego planu.")
                       : errors + warnings == 0
                           ? QStringLiteral("Plan zgodny z Kodeksem pracy.")
                           : QStringLiteral("Błędy: %1, ostrzeżenia: %2").arg(errors).arg(warnings));
    m_summary->setAccessibleName(m_summary->text());
    m_calendar.SetDayMarks(marks);

    m_periods->setRowCount(int(m_report.Periods.size()));
    for (int row = 0; row < m_report.Periods.size(); ++row) {
        const SettlementPeriod& period = m_report.Periods.at(row);
        const QString norm = period.NormMinutes ? Hours(*period.NormMinutes) : QStringLiteral("–");
        QString planned = Hours(period.PlannedMinutes);
        QColor colour(235, 235, 235);
        if (period.NormMinutes) {
            // Colour and a sign both tell how the plan stands against the norm.
            const int64_t difference = period.PlannedMinutes - *period.NormMinutes;
            colour = difference > 0   ? QColor(255, 190, 190)
                     : difference < 0 ? QColor(255, 230, 170)
                                      : QColor(200, 240, 200);
            planned += difference > 0   ? QStringLiteral(" ▲")
                       : difference < 0 ? QStringLiteral(" ▼")
                                        : QStringLiteral(" ✓");
        }
        const QStringList cells{DateText(period.FirstDay) + QStringLiteral(" – ") + DateText(period.LastDay), norm,
                                planned, Hours(period.NightMinutes)};
        for (int column = 0; column < 4; ++column) {
            auto* cell = new QTableWidgetItem(cells.at(column));
            if (column == 1 || column == 2) cell->setBackground(colour);
            m_periods->setItem(row, column, cell);
        }
        m_periods->item(row, 3)->setToolTip(
            QStringLiteral("Czas pracy w porze nocnej %1").arg(NightText(m_night->currentData().toInt())));
    }
    m_periods->resizeColumnToContents(1);
    m_periods->resizeColumnToContents(2);
    m_periods->resizeColumnToContents(3);
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
        m_findings->resizeColumnToContents(0);
        m_findings->resizeColumnToContents(1);
        m_ruleWidth = m_findings->columnWidth(1);
    }
    m_findings->setColumnWidth(1, std::min(m_ruleWidth, m_findings->viewport()->width() * 2 / 5));
}

void CompliancePanel::FindingActivated(QTreeWidgetItem* item)
{
    // A weekly plan's grid shows weekdays, not days.
    if (!item || m_doc.ProbedKind != ProbeSchedulePlan) return;
    const QDate date = DateOfDay(item->data(0, Qt::UserRole).toInt());
    m_calendar.SetDisplayedMonth(date);
    m_calendar.cmdMiesiac_Click(255);
    m_calendar.ShowTitle();
    const int cell = m_calendar.CellOfDay(date.day());
    if (cell >= 0) m_calendar.Cell(cell)->setFocus(Qt::OtherFocusReason);
}

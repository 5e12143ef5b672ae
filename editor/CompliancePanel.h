// "Kontrola planu": the labour-code check of the open plan, beside the
// window. It checks the plan as the window holds it a moment after every
// change, lists the findings with their rule in words and its article (a
// click shows the day in the calendar), shows the settlement periods' norm,
// planned and night time, and marks the days with an error in the calendar.
// The options (working-time system, settlement period, start of Sundays and
// holidays, night time, arduous work) are remembered per plan name in the
// user's settings. "Raport zgodności…" asks for the report for an inspection.
#pragma once

#include "compliance/ComplianceCheck.h"
#include "editor/ComplianceModels.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class MonthCalendar;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QModelIndex;
class QTableView;
class QTimer;
struct PlanDocument;
struct SuiteFreeDays;

class CompliancePanel : public QWidget
{
    Q_OBJECT

public:
    CompliancePanel(const PlanDocument& doc, const SuiteFreeDays& freeDays, MonthCalendar& calendar,
                    QWidget* parent = nullptr);

    // A plan is about to be shown: its remembered options, and its check
    // started beside the window's work of showing it (on another thread, on
    // copies of the plan and the free days); PlanOpened takes the result.
    void CheckAhead(const QString& name);
    // A plan was opened (or made): its remembered options, then a check
    // (the one started ahead for it, if any).
    void PlanOpened(const QString& name);
    // No plan is open: nothing to check.
    void PlanClosed();
    // The plan changed: a check follows shortly.
    void PlanChanged();
    // Checks now.
    void CheckNow();

    const ComplianceReport& Report() const { return m_report; }
    // The options chosen.
    ComplianceOptions Options() const;
    QTableView* Findings() const { return m_findings; }
    QTableView* Periods() const { return m_periods; }
    QComboBox* SystemChoice() const { return m_system; }
    QComboBox* PeriodChoice() const { return m_period; }
    QComboBox* SundayStartChoice() const { return m_sundayStart; }
    QComboBox* NightChoice() const { return m_night; }
    QCheckBox* ArduousChoice() const { return m_arduous; }
    QPushButton* ReportButton() const { return m_reportButton; }

    // Where the options of a plan are kept in the settings.
    static QString SettingsKey(const QString& planName);

signals:
    // "Raport zgodności…": the report of the open plan with these options.
    void ReportRequested(const ComplianceOptions& options);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The remembered options of a plan in the controls.
    void LoadOptions(const QString& name);
    // The check of the plan as the window holds it, with the options chosen, as a task of its own.
    std::function<ComplianceReport()> CheckTask() const;
    // The findings' columns fitted to the list's width; measure: their texts changed.
    void FitFindingColumns(bool measure);
    // The periods' rows one line high and their columns as wide as their texts.
    void FitPeriods();
    void OptionsChanged();
    // What the report says against a day, for the calendar's marks: its
    // errors (not the period norm's), separated by "; ".
    QString DayMark(int32_t day) const;
    void FindingActivated(const QModelIndex& index);
    void ShowReport();

    const PlanDocument& m_doc;
    const SuiteFreeDays& m_freeDays;
    MonthCalendar& m_calendar;
    QComboBox* m_system;
    QComboBox* m_period;
    QComboBox* m_sundayStart;
    QComboBox* m_night;
    QCheckBox* m_arduous;
    QPushButton* m_reportButton;
    QLabel* m_summary;
    FindingsModel* m_findingList;
    PeriodsModel* m_periodList;
    QTableView* m_findings;
    QTableView* m_periods;
    QTimer* m_delay;
    QString m_planName;
    bool m_open = false;
    bool m_loading = false;
    int m_ruleWidth = 0; // what the rules' column needs
    // The measured sizes of the lists, kept while their texts stay alike.
    Measurement m_dayColumn;
    Measurement m_ruleColumn;
    Measurement m_findingRows;
    Measurement m_periodRows;
    std::array<Measurement, PeriodsModel::ColumnCount> m_periodColumns;
    ComplianceReport m_report;
    // The check started ahead, and for which plan.
    struct AheadCheck;
    std::shared_ptr<AheadCheck> m_ahead;
    QString m_aheadName;
};

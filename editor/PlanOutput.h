// The open plan on paper and in files: "Drukuj..." prints the months through
// the system's print dialog (its page range picks months), "Eksportuj..."
// asks for the months and writes a PDF, an iCalendar file or a spreadsheet
// (CSV) where the user chooses, remembering the folder. Long plans show how
// far the pages have got. The labour-code check's report for an inspection
// goes the same way.
#pragma once

#include "compliance/ComplianceCheck.h"
#include "env/OdczytZapisPliku.h"
#include "export/PlanExport.h"

#include <QDialog>
#include <QObject>

#include <optional>

class QComboBox;
class QPagedPaintDevice;
class QWidget;
struct Environment;
struct PlanDocument;
struct SuiteFreeDays;

// Which months of the plan to export: the first and the last, the whole
// range at first.
class ExportMonthsDialog : public QDialog
{
    Q_OBJECT

public:
    // months: the first days of the plan's months, in order.
    ExportMonthsDialog(const QVector<QDate>& months, QWidget* parent);
    // The chosen months; none when all are chosen.
    std::optional<MonthSpan> Span() const;

private:
    QVector<QDate> m_months;
    QComboBox* m_first;
    QComboBox* m_last;
};

class PlanOutput : public QObject
{
    Q_OBJECT

public:
    PlanOutput(const Environment& env, const PlanDocument& doc, const SuiteFreeDays& freeDays, QWidget* window);

    // What the exports get of the open plan: the plan as edited, the free
    // days, the window's colours and each month's norm; only the given
    // months when there are some.
    PlanExportInput Input(std::optional<MonthSpan> months = {}) const;

    void Print();
    void Export();
    // Prints the months of the pages fromPage to toPage (page n = the plan's
    // n-th month) on a printer, every month when fromPage is 0; false when
    // stopped or failed.
    bool PrintTo(QPagedPaintDevice& printer, int fromPage = 0, int toPage = 0);
    // Writes the export the file's extension names (.pdf, .ics, .csv); false
    // after a message that names the cause when it cannot be written. A
    // target that the export may not replace (the plan's file, the free
    // days, any plan file, a link, a folder, a device, a pipe) is refused
    // before anything is made.
    bool ExportTo(const QString& path, std::optional<MonthSpan> months = {});
    // Asks where to write the compliance report of the open plan, checked
    // with options, and writes it there.
    void ExportComplianceReport(const ComplianceOptions& options);
    // Writes that report as a PDF file, replaced in one step; false after a
    // message when it cannot be written.
    bool ComplianceReportTo(const QString& path, const ComplianceOptions& options);

signals:
    // What was printed or written, for the window's status bar.
    void Reported(const QString& text);

private:
    // The first days of the plan's months, one page each; the range alone
    // decides them, so no export input is built for it.
    QVector<QDate> PlanMonths() const;
    // The files of the data that the export must never replace: the open
    // plan's file and the free days.
    QList<FileIdentity> Inputs() const;
    // Puts bytes in place as target, in one step, never over inputs; the
    // cause of a failure, or nothing.
    QString Store(const QString& target, const QByteArray& bytes, const QList<FileIdentity>& inputs) const;

    const Environment& m_env;
    const PlanDocument& m_doc;
    const SuiteFreeDays& m_freeDays;
    QWidget* m_window;
};

// The open plan on paper and in files: "Drukuj..." prints the months through
// the system's print dialog, "Eksportuj..." writes a PDF, an iCalendar file or
// a spreadsheet (CSV) where the user chooses, remembering the folder. Long
// plans show how far the pages have got.
#pragma once

#include "export/PlanExport.h"

#include <QObject>

class QPrinter;
class QWidget;
struct Environment;
struct PlanDocument;
struct SuiteFreeDays;

class PlanOutput : public QObject
{
    Q_OBJECT

public:
    PlanOutput(const Environment& env, const PlanDocument& doc, const SuiteFreeDays& freeDays, QWidget* window);

    // What the exports get of the open plan: the plan as edited, the free
    // days, the window's colours and each month's norm.
    PlanExportInput Input() const;

    void Print();
    void Export();
    // Prints every month on printer; false when stopped or failed.
    bool PrintTo(QPrinter& printer);
    // Writes the export the file's extension names (.pdf, .ics, .csv); false
    // after a message when it cannot be written.
    bool ExportTo(const QString& path);

private:
    const Environment& m_env;
    const PlanDocument& m_doc;
    const SuiteFreeDays& m_freeDays;
    QWidget* m_window;
};

// The labour-code check of a plan on paper, as a planner hands it to an
// inspector: an A4 report in Polish with the plan, its range, the options of
// the check and the date, the count of findings of every rule checked, every
// finding with its date, rule, article and message, and the settlement
// periods with their norm, planned time and night time. Written with the
// same page code as the plan's printed months.
#pragma once

#include "compliance/ComplianceCheck.h"

#include <QDateTime>

class QIODevice;
class QPageLayout;

struct ComplianceReportInput
{
    WorkPlan Plan;             // its name, kind and range are shown
    ComplianceOptions Options; // the options the check ran with
    ComplianceReport Report;   // CheckCompliance of the plan with those options
    QDateTime Now;             // the report's date; the current time when invalid
};

// The layout the report is made for: A4 portrait, 15 mm margins.
QPageLayout ComplianceReportLayout();

// The report as a PDF document written to out. False when there is no
// QGuiApplication (the fonts come with it) or the document cannot be made.
bool WriteComplianceReportPdf(const ComplianceReportInput& input, QIODevice& out);

// The same report as the bytes of a PDF file; empty on failure.
QByteArray ComplianceReportPdf(const ComplianceReportInput& input);

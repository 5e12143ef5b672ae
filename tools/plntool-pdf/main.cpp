// plntool-pdf: plntool with the PDF writers, which need QtGui. plntool runs
// it for the commands that paint (export --pdf, lint --pdf, team --pdf); it
// runs every other command as plntool does.
#include "../plntool/Command.h"

#include "export/ComplianceReportPdf.h"
#include "export/PdfExport.h"
#include "export/TeamExport.h"

#include <QGuiApplication>

#include <memory>

namespace {

const PdfWriters Writers{
    [](const PlanExportInput& input, QIODevice& out) { return WritePlanPdf(input, out); },
    [](const ComplianceReportInput& input) { return ComplianceReportPdf(input); },
    [](const TeamExportInput& input, QIODevice& out) { return WriteTeamPdf(input, out); },
};

// A QGuiApplication for a command that paints, drawing offscreen unless a
// platform is chosen (plntool never opens a window); else a QCoreApplication.
std::unique_ptr<QCoreApplication> ApplicationFor(int& argc, char** argv)
{
    if (CommandPaints(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> application = ApplicationFor(argc, argv);
    return RunPlntool(*application, argc, argv, &Writers);
}

// The printing module: the system's print dialog and the printer chosen in
// it, loaded by the editor when the user prints (editor/Printing.h).
#include "editor/Printing.h"

#include <QDir>
#include <QPrintDialog>
#include <QPrinter>

namespace {

class Printer final : public ChosenPrinter
{
public:
    QPrinter Chosen{QPrinter::HighResolution};

    QPagedPaintDevice& Device() override { return Chosen; }
    int FromPage() const override { return Chosen.fromPage(); }
    int ToPage() const override { return Chosen.toPage(); }
    QString Destination() const override
    {
        return Chosen.outputFileName().isEmpty() ? Chosen.printerName()
                                                 : QDir::toNativeSeparators(Chosen.outputFileName());
    }
};

} // namespace

extern "C" Q_DECL_EXPORT ChosenPrinter* GrafentaChoosePrinter(QWidget* parent, const PrintRequest& request)
{
    auto printer = std::make_unique<Printer>();
    printer->Chosen.setPageLayout(request.Layout);
    printer->Chosen.setDocName(request.DocumentName);
    QPrintDialog dialog(&printer->Chosen, parent);
    dialog.setWindowTitle(request.Title);
    if (request.LastPage > 0) {
        dialog.setMinMax(request.FirstPage, request.LastPage);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    }
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    return printer.release();
}

// Printing goes through a module of its own (printing/), which the editor
// loads the first time the user prints: Qt's printing support is a library
// the window needs for nothing else, and linking it would load it at every
// start. The module shows the system's print dialog and hands back the
// printer chosen, to be painted on as any paged device.
#pragma once

#include <QPageLayout>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QWidget;

// What the print dialog is opened with.
struct PrintRequest
{
    QString Title;        // of the dialog
    QString DocumentName; // what the printer's queue shows
    QPageLayout Layout;
    // The pages the user may choose from; no choice of pages when LastPage is 0.
    int FirstPage = 0;
    int LastPage = 0;
};

// A printer the user chose in the print dialog.
class ChosenPrinter
{
public:
    virtual ~ChosenPrinter() = default;
    virtual QPagedPaintDevice& Device() = 0;
    // The pages the user chose; both 0 for all of them.
    virtual int FromPage() const = 0;
    virtual int ToPage() const = 0;
    // The printer's name, or the native path of the file printed to.
    virtual QString Destination() const = 0;
};

// The module's one function, looked up by this name: shows the print dialog
// over parent and returns the printer chosen (the caller owns it), or
// nullptr when the user cancelled.
using ChoosePrinterFunction = ChosenPrinter* (*)(QWidget* parent, const PrintRequest& request);
inline constexpr char ChoosePrinterSymbol[] = "GrafentaChoosePrinter";

// Shows the print dialog through the module, loaded beside the program on
// first use. Nothing when the user cancelled (error stays empty) or when the
// module cannot be loaded (error says why, in Polish).
std::unique_ptr<ChosenPrinter> ChoosePrinter(QWidget* parent, const PrintRequest& request, QString* error);

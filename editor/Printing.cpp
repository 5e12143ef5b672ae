#include "editor/Printing.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

std::unique_ptr<ChosenPrinter> ChoosePrinter(QWidget* parent, const PrintRequest& request, QString* error)
{
    // Loaded once and kept for the rest of the run.
    static QLibrary module(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("grafenta_printing")));
    static const auto choose = reinterpret_cast<ChoosePrinterFunction>(module.resolve(ChoosePrinterSymbol));
    if (!choose) {
        if (error) *error = QStringLiteral("Nie można wczytać modułu drukowania (%1).").arg(module.errorString());
        return nullptr;
    }
    if (error) error->clear();
    return std::unique_ptr<ChosenPrinter>(choose(parent, request));
}

#include "editor/EditorApplication.h"

#include "editor/PolishLanguage.h"
#include "editor/WindowStyle.h"

#include <QApplication>

void PrepareEditorApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Grafenta"));
    QApplication::setOrganizationName(QStringLiteral("Grafenta"));
    UsePolishLanguage(app);
    UseWindowStyle();
}

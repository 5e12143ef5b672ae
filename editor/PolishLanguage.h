// The program speaks Polish whatever the system's locale: Qt's own texts
// (standard buttons, the print and file dialogs, the calendars, the text
// fields' menus) from Qt's Polish translations, and Polish/Poland as the
// default locale, so that day and month names and sorting follow Polish.
#pragma once

#include <QString>

class QCoreApplication;

// Sets the default locale and loads Qt's Polish translations from folder
// (Qt's translations folder when empty). False when the translations are not
// there: the program then runs with Qt's English texts.
bool UsePolishLanguage(QCoreApplication& app, const QString& folder = {});

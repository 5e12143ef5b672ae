// The editor's application as its windows expect it, set up once the
// QApplication is made and before the first window is built.
#pragma once

class QApplication;

// The program's name (its settings are kept under it), Qt's own texts in
// Polish where Qt's translations are installed (otherwise in English) and the
// program's style.
void PrepareEditorApplication(QApplication& app);

// The floor of the editor's start-up (bench_start): the editor's main window
// built in its empty state, in the program's language and style, and shown,
// with none of the start-up's work (no settings, free days, employees or
// plans read, no splash). It ends once the window is shown, as the editor
// does when its benchmark asks.
#include "editor/EditorApplication.h"
#include "editor/FrmGrafenta.h"
#include "editor/MessageBoxPrompt.h"
#include "env/Kelbrin.h"
#include "plan/ProgramState.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareEditorApplication(app);
    KelbrinLibrary library;
    MessageBoxPrompt prompt;
    ProgramState state(library, prompt);
    FrmGrafenta window(state);
    window.show();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    const int status = QApplication::exec();
    // Ends as the editor does: the system takes the whole process apart at once.
    std::_Exit(status);
}

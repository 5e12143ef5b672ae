// The editor: speaks Polish, runs start-up for the folder the program lies
// in and, when nothing stopped it, shows the main window until the exit
// command ends it; then it lets go of its locks and ends at once.
#include "editor/EditorApplication.h"
#include "editor/EmployeePrefetch.h"
#include "editor/FrmGrafenta.h"
#include "editor/MessageBoxPrompt.h"
#include "env/Kelbrin.h"
#include "env/Locks.h"
#include "env/Startup.h"
#include "plan/ProgramState.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#ifdef __GLIBC__
#    include <malloc.h>
#endif

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // One heap for the whole program: the employees' reader thread would get
    // a heap of its own, and the memory it used while reading would be kept
    // apart from the window's.
    mallopt(M_ARENA_MAX, 1);
#endif
    QApplication app(argc, argv);
    PrepareEditorApplication(app);
    KelbrinLibrary library;
    MessageBoxPrompt prompt;
    ProgramState state(library, prompt);
    InstanceLock instance;
    // The employees are read while the window is built (which needs no
    // current folder: the reading moves it); start-up begins once they are.
    EmployeePrefetch prefetch(instance, QCoreApplication::applicationDirPath());
    FrmGrafenta window(state);
    prompt.SetParentWindow(&window);
    window.AwaitEmployees(prefetch);

    if (!StartProgram(state, library, instance, QCoreApplication::applicationDirPath(), window.WindowStartupSteps()))
        return 1;

    window.show();
    // For the start-up benchmark (bench/bench_start.cpp): GRAFENTA_OPEN_PLAN
    // names a plan to open once the window is shown, and GRAFENTA_QUIT_WHEN_SHOWN
    // ends the program as soon as the window (with that plan) is shown.
    const QString plan = qEnvironmentVariable("GRAFENTA_OPEN_PLAN");
    if (!plan.isEmpty()) window.PlanBox()->setCurrentIndex(window.PlanBox()->findText(plan));
    // (exit() leaves the event loop without closing the window, which would ask first.)
    if (qEnvironmentVariableIsSet("GRAFENTA_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    const int status = QApplication::exec();

    // The locks the run still holds go, however it ended (the exit command
    // has let them go already).
    ReleaseLock(state.Env, state.Doc.PlanLockHandle);
    ReleaseLock(state.Env, state.FreeDays.FreeDaysLockHandle);
    // Nothing in the window, its models or Qt's own state waits to be written,
    // and the system frees the memory of the whole process at once: taking
    // them apart piece by piece would only put off the end. Except for text
    // the user copied from the program, which Qt's own ending hands over to
    // the desktop.
    if (!QGuiApplication::clipboard()->ownsClipboard()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

// planwrite_saver KIND VARIANT PROGRAMDIR NAME [LIMIT [die]]
//
// Saves one of the largest plans (KIND schedule or weekly, VARIANT 0 or 1)
// as NAME in PROGRAMDIR (which holds DANE/PLANY and TEMP), the way the editor
// does. With LIMIT no file may grow past LIMIT bytes: a write beyond fails,
// or with "die" ends the process (SIGXFSZ). Prints "ready" just before the
// save starts, then each message shown; exits 0 when the plan was saved.
#include "TestSupport.h"
#include "demo/DemoPlans.h"
#include "plan/ZapisPlanuPracy.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) return 2;
    const bool weekly = args.at(1) == QLatin1String("weekly");
    const int variant = args.at(2).toInt();
    const QString programDir = args.at(3);

    RecordingPrompt ui;
    ProgramState state(TestLibrary(), ui);
    state.ProgramDir = programDir;
    state.DataRootDir = programDir;
    state.KatalogTemp = QDir(programDir).filePath(QStringLiteral("TEMP"));
    weekly ? FillLargestWeeklyPlan(state, variant) : FillLargestSchedulePlan(state, variant);

    if (args.size() > 5) {
        rlimit size{};
        size.rlim_cur = size.rlim_max = args.at(5).toULongLong();
        std::signal(SIGXFSZ, args.size() > 6 ? SIG_DFL : SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &size) != 0) return 2;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    const PlanSaveResult result = weekly ? ZapiszPlanTygodniowy(state, args.at(4), true, false)
                                         : ZapiszPlanHarmonogramow(state, args.at(4), true);
    for (const QString& text : ui.Texts())
        std::printf("%s\n", text.toUtf8().constData());
    return result.Ok() ? 0 : 1;
}

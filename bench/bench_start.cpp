// The editor as a whole process, offscreen, beside a minimal Qt program that
// shows an empty QMainWindow (minimal_window, built with the benchmarks):
// - EditorStartRatio/N: the time from starting the editor to its main window
//   shown (splash, N employees and the plan list read), against the minimal
//   program's time to its window; target: a ratio of at most 1.5.
// - PeakMemoryRatio: the editor's peak resident memory after opening the
//   largest plan (18,501 days, with its labour-code check), against the
//   minimal program's; target: at most 1.5.
// - WindowAloneRatio: the floor of the start-up, shown beside it: the
//   editor's main window built and shown with none of the start-up's work
//   (window_alone), against the minimal program.
// Each program runs from a program folder of its own, holding a copy of its
// executable (the editor finds its data beside it), and ends at once once its
// window is shown (GRAFENTA_QUIT_WHEN_SHOWN; GRAFENTA_OPEN_PLAN opens a plan
// first; see app/main.cpp).
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const QString EditorName = QStringLiteral("grafenta");
const QString MinimalName = QStringLiteral("minimal_window");
const QString WindowAloneName = QStringLiteral("window_alone");

// The two programs, each in a folder of its own.
struct Programs
{
    explicit Programs(int employees) : Editor(ProgramFolder(employees))
    {
        const QDir built(QCoreApplication::applicationDirPath());
        if (!QFile::copy(built.filePath(EditorName), Editor->filePath(EditorName)) ||
            !QFile::copy(built.filePath(MinimalName), Minimal.filePath(MinimalName)))
            qFatal("the editor or the minimal program is not built beside the benchmark");
    }
    QString EditorPath() const { return Editor->filePath(EditorName); }
    QString MinimalPath() const { return Minimal.filePath(MinimalName); }
    // What both programs run with: offscreen, ending once shown, the user's
    // settings in a folder of the benchmark; extra adds to it.
    QProcessEnvironment Environment(const QStringList& extra = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("GRAFENTA_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Editor->filePath(QStringLiteral("settings")));
        for (const QString& setting : extra)
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        return environment;
    }

    std::unique_ptr<QTemporaryDir> Editor;
    QTemporaryDir Minimal;
};

// Milliseconds from starting the program to its end; negative when it failed.
double RunMs(const QString& program, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

// The peak resident memory of the program's run in KiB, 0 when it failed.
// Spawned and waited for here rather than through QProcess, since only the
// wait of the parent itself (wait4) hands over the child's own peak.
long PeakKiB(const QString& program, const QProcessEnvironment& environment)
{
    const QStringList variables = environment.toStringList();
    std::vector<QByteArray> settings;
    settings.reserve(size_t(variables.size()));
    for (const QString& setting : variables)
        settings.push_back(setting.toLocal8Bit());
    std::vector<char*> envp;
    envp.reserve(settings.size() + 1);
    for (QByteArray& setting : settings)
        envp.push_back(setting.data());
    envp.push_back(nullptr);
    QByteArray path = QFile::encodeName(program);
    char* argv[] = {path.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, path.constData(), nullptr, nullptr, argv, envp.data()) != 0) return 0;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
    return usage.ru_maxrss; // KiB on Linux
}

// Each round measures the program under test, then the minimal program
// (positive figures, anything else a failure); the counters get the means
// under the programs' and the unit's names (tested: editorMs, say), and
// their ratio. The tested program's figure of a round also goes to onTested.
template <typename Measure, typename OnTested>
void MeasureBoth(benchmark::State& run, const char* tested, const char* unit, Measure measure, OnTested onTested)
{
    double testedSum = 0;
    double minimal = 0;
    for (auto _ : run) {
        const double testedFigure = measure(true);
        const double minimalFigure = measure(false);
        if (testedFigure <= 0 || minimalFigure <= 0) {
            run.SkipWithError("a program did not end by itself");
            return;
        }
        onTested(testedFigure);
        testedSum += testedFigure;
        minimal += minimalFigure;
    }
    const auto rounds = double(run.iterations());
    run.counters[std::string(tested) + unit] = testedSum / rounds;
    run.counters[std::string("minimal") + unit] = minimal / rounds;
    run.counters["ratio"] = testedSum / minimal;
}

void EditorStartRatio(benchmark::State& run)
{
    const Programs programs(int(run.range(0)));
    const QProcessEnvironment environment = programs.Environment();
    MeasureBoth(
        run, "editor", "Ms",
        [&](bool editor) { return RunMs(editor ? programs.EditorPath() : programs.MinimalPath(), environment); },
        [&run](double editorMs) { run.SetIterationTime(editorMs / 1000); });
}

// What no start-up of this window can go below: the window alone is built
// beside the benchmark and reads nothing, so it runs from there.
void WindowAloneRatio(benchmark::State& run)
{
    const Programs programs(1);
    const QString windowAlone = QDir(QCoreApplication::applicationDirPath()).filePath(WindowAloneName);
    const QProcessEnvironment environment = programs.Environment();
    MeasureBoth(
        run, "window", "Ms",
        [&](bool window) { return RunMs(window ? windowAlone : programs.MinimalPath(), environment); },
        [&run](double windowMs) { run.SetIterationTime(windowMs / 1000); });
}

void PeakMemoryRatio(benchmark::State& run)
{
    const Programs programs(40);
    const QProcessEnvironment editorEnvironment =
        programs.Environment({QStringLiteral("GRAFENTA_OPEN_PLAN=") + LargestPlanName});
    const QProcessEnvironment minimalEnvironment = programs.Environment();
    MeasureBoth(
        run, "editor", "KiB",
        [&](bool editor) {
            return double(editor ? PeakKiB(programs.EditorPath(), editorEnvironment)
                                 : PeakKiB(programs.MinimalPath(), minimalEnvironment));
        },
        [](double) {});
}

} // namespace

BENCHMARK(EditorStartRatio)->Arg(999)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(WindowAloneRatio)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(PeakMemoryRatio)->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return RunCoreBenchmarks(argc, argv);
}

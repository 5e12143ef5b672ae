// How long plntool takes as a whole process, from its start to its end,
// beside a program that makes a QCoreApplication and ends (minimal_core,
// built with the benchmarks). plntool runs without arguments: it loads,
// prints its usage and ends, which is the start every command pays. The two
// alternate, so that both meet the same machine; the ratio is the target's
// measure.
#include "BenchLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Runs program (no arguments, output to /dev/null) and waits for it; its
// exit code, or -1 when it could not be run or did not end normally.
int RunProgram(const QByteArray& program)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* const argv[] = {const_cast<char*>(program.constData()), nullptr};
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

QByteArray ProgramBeside(const char* name)
{
    return QFile::encodeName(QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(name)));
}

void ToolStartRatio(benchmark::State& run)
{
    const QByteArray plntool = ProgramBeside("plntool");
    const QByteArray minimal = ProgramBeside("minimal_core");
    // plntool without a command shows its usage and ends with 2.
    if (RunProgram(plntool) != 2 || RunProgram(minimal) != 0) {
        run.SkipWithError("plntool or minimal_core does not run");
        return;
    }
    qint64 toolNs = 0, minimalNs = 0;
    QElapsedTimer timer;
    for (auto _ : run) {
        timer.start();
        if (RunProgram(plntool) != 2) run.SkipWithError("plntool failed");
        toolNs += timer.nsecsElapsed();
        timer.start();
        if (RunProgram(minimal) != 0) run.SkipWithError("minimal_core failed");
        minimalNs += timer.nsecsElapsed();
    }
    const double n = double(run.iterations());
    run.counters["plntoolMs"] = double(toolNs) / n / 1e6;
    run.counters["minimalMs"] = double(minimalNs) / n / 1e6;
    run.counters["ratio"] = minimalNs ? double(toolNs) / double(minimalNs) : 0.0;
}

} // namespace

BENCHMARK(ToolStartRatio)->Unit(benchmark::kMillisecond)->Iterations(100);

int main(int argc, char** argv)
{
    return RunCoreBenchmarks(argc, argv);
}

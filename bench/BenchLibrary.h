// The suite library beside the benchmark program, loaded once.
#pragma once

#include "env/Kelbrin.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <functional>
#include <type_traits>

inline const KelbrinLibrary& Library()
{
    static KelbrinLibrary lib;
    if (!lib.IsLoaded() && !lib.Load(QCoreApplication::applicationDirPath()))
        qFatal("cannot load the suite library: %s", qPrintable(lib.ErrorString()));
    return lib;
}

// The main of a benchmark program: the benchmarks asked for on the command
// line, run in an App (a QCoreApplication, or a QGuiApplication or
// QApplication for pages and windows, drawn offscreen unless a platform is
// set). atEnd runs while the application still exists, for what must end
// before it (windows).
template <typename App = QCoreApplication>
int RunBenchmarks(int argc, char** argv, const std::function<void()>& atEnd = {})
{
    if (!std::is_same_v<App, QCoreApplication> && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (atEnd) atEnd();
    return 0;
}

inline int RunCoreBenchmarks(int argc, char** argv)
{
    return RunBenchmarks<QCoreApplication>(argc, argv);
}

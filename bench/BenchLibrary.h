// The suite library beside the benchmark program, loaded once.
#pragma once

#include "env/Kelbrin.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

inline const KelbrinLibrary& Library()
{
    static KelbrinLibrary lib;
    if (!lib.IsLoaded() && !lib.Load(QCoreApplication::applicationDirPath()))
        qFatal("cannot load the suite library: %s", qPrintable(lib.ErrorString()));
    return lib;
}

// The main of a benchmark program of the core: the benchmarks asked for on
// the command line, run in a QCoreApplication.
inline int RunCoreBenchmarks(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

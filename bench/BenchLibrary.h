// The suite library beside the benchmark program, loaded once.
#pragma once

#include "env/Kelbrin.h"

#include <QCoreApplication>

inline const KelbrinLibrary& Library()
{
    static KelbrinLibrary lib;
    if (!lib.IsLoaded() && !lib.Load(QCoreApplication::applicationDirPath()))
        qFatal("cannot load the suite library: %s", qPrintable(lib.ErrorString()));
    return lib;
}

#include "Internal.h"
#include "kelbrin.h"

#include <QDir>
#include <QFileInfo>

// The library's version; a build may give another minor number.
#ifndef KELBRIN_VERSION_MINOR
#    define KELBRIN_VERSION_MINOR 0
#endif

extern "C" KELBRIN_API uint8_t KLNX_GetVersion(uint8_t* major, uint8_t* minor, int32_t* level)
{
    if (major) *major = 1;
    if (minor) *minor = KELBRIN_VERSION_MINOR;
    if (level) *level = 2;
    return 0;
}

extern "C" KELBRIN_API int32_t KLNX_SetDir(const char* directory)
{
    if (!directory || !*directory) return 2;
    const QString path = kelbrin::LocalPath(directory);
    if (!QFileInfo(path).isDir()) return 1;
    return QDir::setCurrent(path) ? 0 : 1;
}

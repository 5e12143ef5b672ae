#include "Internal.h"
#include "kelbrin.h"

#include <QDir>

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
    // Changing into it is the test that it is a folder that can be entered:
    // a missing name, a file or a folder without search permission fail.
    return QDir::setCurrent(kelbrin::LocalPath(directory)) ? 0 : 1;
}

// A suite library of another interface level (3). It exports every function
// that the program binds, so that loading and binding succeed and only the
// level check can turn it away. Apart from the version and the folder
// binding, which start-up calls before it checks the level, its functions
// refuse or do nothing.
#include "kelbrin.h"

#include <unistd.h>

extern "C" {
KELBRIN_API uint8_t KLNX_GetVersion(uint8_t* major, uint8_t* minor, int32_t* level)
{
    *major = 3;
    *minor = 0;
    *level = 3;
    return 0;
}
KELBRIN_API int32_t KLNX_SetDir(const char* directory)
{
    return chdir(directory) == 0 ? 0 : 1;
}
KELBRIN_API int32_t KLNX_DateToLong(int32_t, uint8_t, uint8_t, uint8_t, uint8_t)
{
    return 0;
}
KELBRIN_API void KLNX_LongToDate(int32_t, int32_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*) {}
KELBRIN_API uint8_t KLNX_GetPlanRange(const char*, int32_t*, int32_t*)
{
    return 1;
}
KELBRIN_API int32_t KLNX_CreateLock(const char*, const char*, char*, char*)
{
    return -1;
}
KELBRIN_API uint8_t KLNX_DeleteLock(int32_t)
{
    return 1;
}
KELBRIN_API void KLNX_TxtToName(char*) {}
}

/*
 * The suite library: the services that every program of the time-and-attendance
 * suite shares. Grafenta loads it at run time (libkelbrin.so, kelbrin.dll on
 * Windows) from its own folder and calls these functions through pointers.
 *
 * Conventions of the interface
 *  - Texts are NUL-terminated 8-bit strings in code page windows-1250.
 *  - An in/out text is a buffer of the caller's that the library rewrites in
 *    place; it never writes past the buffer's incoming length (its strlen),
 *    and the terminating NUL stays where it was.
 *  - Minute counts are signed 32-bit minutes since 2000-01-01 00:00 of the
 *    proleptic Gregorian calendar. count / 1440 (rounded down) is the day
 *    number, count mod 1440 the minute of the day.
 */
#ifndef KELBRIN_H
#define KELBRIN_H

#include <stdint.h>

#if defined(_WIN32)
#    if defined(KELBRIN_BUILDING)
#        define KELBRIN_API __declspec(dllexport)
#    else
#        define KELBRIN_API __declspec(dllimport)
#    endif
#else
#    define KELBRIN_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Version 1.0 of the library, interface level 2. Returns 0. */
KELBRIN_API uint8_t KLNX_GetVersion(uint8_t* major, uint8_t* minor, int32_t* level);

/* Makes the folder the process's current directory. Both "/" and "\" separate
 * folders; a trailing separator is allowed. Returns 0 on success, 1 when the
 * folder does not exist or cannot be entered, 2 for a null or empty text. */
KELBRIN_API int32_t KLNX_SetDir(const char* directory);

/* Minute count of a date and time. Out-of-range months, days, hours and
 * minutes carry over arithmetically (month 13 is January of the next year). */
KELBRIN_API int32_t KLNX_DateToLong(int32_t year, uint8_t month, uint8_t day, uint8_t hour, uint8_t minute);

/* Date and time of a minute count; the exact inverse of KLNX_DateToLong. */
KELBRIN_API void KLNX_LongToDate(int32_t count, int32_t* year, uint8_t* month, uint8_t* day, uint8_t* hour,
                                 uint8_t* minute);

/* Reads the area section of a plan file (either file layout) and returns its
 * first-minute word in *first and its end word (26 bits) in *last.
 * Status 0 = success, 1 = the file cannot be opened or read, 2 = the file's
 * structure is damaged. *first and *last are left alone on failure. */
KELBRIN_API uint8_t KLNX_GetPlanRange(const char* file, int32_t* first, int32_t* last);

/* Lock records live in the folder "BLOKADY" of the current directory (bind
 * the data directory with KLNX_SetDir first). One record per kind and object;
 * objects are compared without regard to letter case.
 * Returns a handle > 0, or -1 when refused. On refusal the owner buffer holds
 * the current holder's text (padded with blanks), or stays as it came when the
 * holder is unknown or the record could not be created at all. A record left
 * behind by a process of this host that no longer runs is taken over. The
 * holder buffer is read only. */
KELBRIN_API int32_t KLNX_CreateLock(const char* kind, const char* object, char* holder, char* owner);

/* Releases a lock taken by this process. 0 = released, 1 = unknown handle. */
KELBRIN_API uint8_t KLNX_DeleteLock(int32_t handle);

/* Turns a surname into a file-name stem, in place: letters are put in upper
 * case, the Polish letters ĄĆĘŁŃÓŚŹŻ (either case) become ACELNOSZZ, and every
 * character other than A-Z, 0-9, "_" and "-" is dropped; the rest moves up and
 * the text ends earlier. */
KELBRIN_API void KLNX_TxtToName(char* text);

/* Pointer types for run-time binding. */
typedef uint8_t (*KLNX_GetVersion_fn)(uint8_t*, uint8_t*, int32_t*);
typedef int32_t (*KLNX_SetDir_fn)(const char*);
typedef int32_t (*KLNX_DateToLong_fn)(int32_t, uint8_t, uint8_t, uint8_t, uint8_t);
typedef void (*KLNX_LongToDate_fn)(int32_t, int32_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*);
typedef uint8_t (*KLNX_GetPlanRange_fn)(const char*, int32_t*, int32_t*);
typedef int32_t (*KLNX_CreateLock_fn)(const char*, const char*, char*, char*);
typedef uint8_t (*KLNX_DeleteLock_fn)(int32_t);
typedef void (*KLNX_TxtToName_fn)(char*);

#ifdef __cplusplus
}
#endif

#endif

// Run-time binding of the suite library (libkelbrin.so / kelbrin.dll).
#pragma once

#include <QLibrary>
#include <QString>

#include <cstdint>

#include "kelbrin.h"

// A date and time as the library splits a minute count.
struct KlnxDate
{
    int32_t Year = 2000;
    uint8_t Month = 1, Day = 1, Hour = 0, Minute = 0;
};

struct KlnxVersion
{
    uint8_t Major = 0, Minor = 0;
    int32_t Level = 0;
};

// The suite library, loaded from a folder with QLibrary. Every call converts
// QString texts to and from windows-1250 at this boundary.
class KelbrinLibrary
{
public:
    KelbrinLibrary() = default;
    KelbrinLibrary(const KelbrinLibrary&) = delete;
    KelbrinLibrary& operator=(const KelbrinLibrary&) = delete;

    // The library's file name on this platform.
    static QString FileName();

    // Loads the library from the folder and resolves every function. False
    // when the file is missing, cannot be loaded or lacks a function.
    bool Load(const QString& directory);
    bool IsLoaded() const { return m_loaded; }
    QString ErrorString() const { return m_error; }

    KlnxVersion GetVersion() const;
    int32_t SetDir(const QString& directory) const;
    int32_t DateToLong(int32_t year, uint8_t month, uint8_t day, uint8_t hour = 0, uint8_t minute = 0) const;
    KlnxDate LongToDate(int32_t count) const;
    uint8_t GetPlanRange(const QString& file, int32_t& first, int32_t& last) const;
    // owner is the caller's buffer text (256 blanks); on refusal it holds what
    // the library wrote into it, and systemError the system's error when the
    // lock record could not be written (0 when the lock is held).
    int32_t CreateLock(const QString& kind, const QString& object, const QString& holder, QString& owner,
                       int* systemError = nullptr) const;
    uint8_t DeleteLock(int32_t handle) const;
    QString TxtToName(const QString& text) const;

private:
    QLibrary m_library;
    bool m_loaded = false;
    QString m_error;
    KLNX_GetVersion_fn m_getVersion = nullptr;
    KLNX_SetDir_fn m_setDir = nullptr;
    KLNX_DateToLong_fn m_dateToLong = nullptr;
    KLNX_LongToDate_fn m_longToDate = nullptr;
    KLNX_GetPlanRange_fn m_getPlanRange = nullptr;
    KLNX_CreateLock_fn m_createLock = nullptr;
    KLNX_DeleteLock_fn m_deleteLock = nullptr;
    KLNX_TxtToName_fn m_txtToName = nullptr;
};

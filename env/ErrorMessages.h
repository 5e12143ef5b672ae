// The two routines through which file and library failures reach the user,
// and the mapping of this platform's file failures onto the file-error numbers.
#pragma once

#include <QFileDevice>
#include <QString>

#include <cstdint>

class Prompt;

// The file-error numbers of the suite's programs.
enum FileErrorNumber : int16_t {
    BadFileName = 52,
    FileNotFound = 53,
    FileAlreadyOpen = 55,
    DeviceIoError = 57,
    DiskFull = 61,
    DeviceUnavailable = 68,
    PermissionDenied = 70,
    DiskNotReady = 71,
    PathFileAccessError = 75,
    PathNotFound = 76,
};

// Shows the message of a file error (critical icon) when show is set. True
// when the number is one of the ten file errors, shown or not; false, with
// nothing shown, for any other number (0 included).
bool ShowFileError(Prompt& prompt, int16_t number, const QString& fileName, const QString& extraText, bool show);

// Shows the message of a library status (critical icon). True for every
// status but 0. Status 63 is never shown; an unknown status is shown even when
// show is not set.
bool ShowLibraryError(Prompt& prompt, uint8_t status, bool show);

// The file-error number of a failed operation on the file at path (0 when
// error is NoError). Looks at the file and its folder to tell a missing
// folder, a missing file and a refused access apart.
int16_t FileErrorNumberFor(QFileDevice::FileError error, const QString& path);
inline int16_t FileErrorNumberFor(const QFileDevice& file)
{
    return FileErrorNumberFor(file.error(), file.fileName());
}

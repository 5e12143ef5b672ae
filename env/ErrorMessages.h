// The two routines through which file and library failures reach the user.
// The system's file failures are mapped onto the file-error numbers by the
// file layer (OdczytZapisPliku.h).
#pragma once

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

// The text that ShowFileError shows; empty for a number that is no file error.
QString FileErrorMessage(int16_t number, const QString& fileName, const QString& extraText);

// The cause of a failure as a line (or two) inside another message: the file
// error's text without the empty extra line; empty for no file error.
QString FileErrorCause(int16_t number, const QString& fileName);

// Shows the message of a library status (critical icon). True for every
// status but 0. Status 63 is never shown; an unknown status is shown even when
// show is not set.
bool ShowLibraryError(Prompt& prompt, uint8_t status, bool show);

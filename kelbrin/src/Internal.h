// Helpers shared by the parts of the suite library.
#pragma once

#include "env/CodePage.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace kelbrin {

// Texts cross the interface in windows-1250, converted by the program's
// own table of the code page (which needs none of the system's converter data).
using ::FromCodePage;
using ::ToCodePage;
QString FromCodePage(const char* text);

// Rewrites a caller's buffer in place: the new bytes, then blanks up to the
// buffer's incoming length. Never writes past that length.
void FillBuffer(char* buffer, const QByteArray& bytes);

// A folder given in the suite's notation ("\" or "/" separators) as a local path.
QString LocalPath(const char* text);

// Day count since 2000-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
void CivilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day);

} // namespace kelbrin

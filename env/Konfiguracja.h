// The optional file sciezka.ini beside the program: where the data lies.
//
// The file is 8-bit text in windows-1250. Every line (ended by CR LF, CR or
// LF; the last line needs no ending) is trimmed of white space; a zero
// character ends the line's text, as it ends any text handed to the system.
// Empty lines and lines that do not start with "[" are ignored. A line
// starting with "[" is a section line: its section name runs from the "["
// up to and including the first "]" (a line without "]" has no section), and
// its value is what follows the "]" and one further separator character,
// trimmed. Only "[SCIEZKA]", in exactly that letter case, is used: a
// non-empty value becomes the data root, less one trailing "\". The last
// such line wins.
//
//     [SCIEZKA] D:\KZT          -> D:\KZT
//     [SCIEZKA]=D:\KZT\         -> D:\KZT
//     [SCIEZKA]D:\KZT           -> :\KZT   (the first character is taken as the separator)
//
// Because the program also runs where folders are separated by "/", a
// trailing "/" is dropped the same way (again only one). A value that is
// nothing but one separator ("\" or "/") names the root and is kept as it is.
//
// Only the first SciezkaIniReadLimit bytes of the file are read. When the
// file is longer, the line that the limit cuts through is dropped with
// everything after it, so a huge file costs at most that much memory and
// never yields half a path. A file that is missing, unreadable, not a regular
// file (a folder, a pipe, a device) or full of garbage leaves the data root
// as it was.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct Environment;

constexpr qint64 SciezkaIniReadLimit = 4 * 1024 * 1024;

// The data root given by the text of a sciezka.ini, exactly as written less
// its trailing separator; nothing when the text gives none.
std::optional<QString> ParseSciezkaIni(const QByteArray& bytes);

// The data root as a path of this system: on systems that separate folders
// with "/", every "\" becomes "/"; a relative path is taken from the
// folder that holds sciezka.ini.
QString LocalDataRoot(const QString& value, const QString& iniFolder);

// Reads sciezka.ini (the name's letter case does not matter) in ConfigDir,
// or in ProgramDir when ConfigDir is not set, and sets DataRootDir when it
// names a folder. Never fails: a missing or damaged file leaves DataRootDir
// alone.
void CzytajSciezke(Environment& env);

// True when the folder of the path holds a file of that name (anything but a
// folder), the name's letter case ignored. The name is compared as it is:
// "*" and "?" are not patterns.
bool PlikIstnieje(const QString& path);

// The path under which PlikIstnieje finds the file (with the letter case of
// the file on disk), or an empty text.
QString FindFileIgnoringCase(const QString& path);

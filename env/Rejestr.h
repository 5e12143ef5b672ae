// The name of the installed package of the suite, shown in the about window.
//
// On Windows it is the text value "Pakiet" of the key
// HKEY_LOCAL_MACHINE\software\Morvane\Morvane KZT, in the 32-bit view of the
// registry where the suite's installer writes it. Elsewhere the same
// organisation and application name a system-wide configuration file
// (QSettings::SystemScope in INI format, e.g. "/etc/xdg/Morvane/Morvane KZT.ini")
// with the key "Pakiet" in its general section:
//
//     [General]
//     Pakiet="Morvane KZT, wersja sieciowa"
//
// Quote the value when it holds a comma; unquoted, the INI reader splits it
// into parts, which are joined again with ", ".
#pragma once

#include <QString>

class QSettings;

constexpr int PakietMaxBytes = 253;

// The value "Pakiet" of the source, cut at its first zero character. Empty
// when the value is absent, cannot be read, is blank, or its windows-1250
// text is longer than the PakietMaxBytes bytes it is read into.
QString CzytajPakiet(const QSettings& source);

// The same from the system's own source described above.
QString CzytajPakiet();

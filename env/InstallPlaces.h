// Where a run of the program finds what the program folder holds in a
// self-contained install.
//
// A folder install (any folder the program is copied or `cmake --install`ed
// to, as on Windows) keeps everything beside the program: sciezka.ini, the
// TEMP folder and, unless sciezka.ini names another place, the data root.
// The package name comes from the system's own source (CzytajPakiet()).
//
// A system install is the program folder that the Debian package puts the
// programs in (/usr/lib/grafenta). Nobody but the package may write there,
// so the other places follow the file-system hierarchy:
//
//     sciezka.ini        /etc/grafenta/sciezka.ini
//     the package name   /etc/grafenta/pakiet.ini, key "Pakiet"
//     the data root      /var/lib/grafenta (when sciezka.ini names none)
//     TEMP               $XDG_RUNTIME_DIR/grafenta/TEMP, or, without a runtime
//                        folder, $XDG_CACHE_HOME/grafenta/TEMP (~/.cache/...)
//
// so every user has a TEMP of their own, and the folders above it that the
// program makes are private to that user.
#pragma once

#include <QProcessEnvironment>
#include <QString>

struct Environment;

// The fixed folders of a system install; an empty ProgramDir means none.
struct InstallLayout
{
    QString ProgramDir;
    QString ConfigDir;
    QString DataRoot;
};

// The system install this program was built for (empty on Windows).
InstallLayout InstalledLayout();

struct InstallPlaces
{
    bool SystemInstall = false;
    QString ConfigDir;       // the folder of sciezka.ini; relative paths in it start here
    QString DataRoot;        // the data root when sciezka.ini names none
    QString KatalogTemp;     // the TEMP folder
    QString PackageNameFile; // INI file holding "Pakiet"; empty: the system's own source
};

// The places of a run from programDir. A system install is recognised by its
// program folder, however the path is written (links resolved). The process
// environment gives the user's runtime and cache folders; XDG variables that
// hold relative paths are ignored, as are runtime folders that do not exist.
InstallPlaces PlacesOf(const QString& programDir, const InstallLayout& layout,
                       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// Makes the TEMP folder of the places when it is missing. In a system
// install the folders above it that are missing are made too, each readable
// by its owner only. False when it cannot be made.
bool MakeTempFolder(const InstallPlaces& places);

// The package name from where the environment's PackageNameFile says.
QString ReadPackageName(const Environment& env);

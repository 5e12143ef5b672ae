// What the program needs from its surroundings: the suite library, the way
// to the user, who is working, and where the program and its data lie. One
// instance, set up at start-up; routines that need no more take it alone.
#pragma once

#include <QDir>
#include <QString>

#include <array>
#include <cstdint>

class KelbrinLibrary;
class Prompt;

// ColourTable holds one colour per schedule slot; the free day's slot takes
// the window's background.
constexpr int ColourSlots = 7;
constexpr int FreeDayColourSlot = 4;

struct Environment
{
    Environment(const KelbrinLibrary& library, Prompt& prompt) : Lib(library), Ui(prompt) {}

    const KelbrinLibrary& Lib; // the bound suite library
    Prompt& Ui;                // messages and questions

    // Set by a routine whose failure ends the program, after it has shown its
    // message. The routine then returns at once, and so does every caller up
    // to main (or the tool), which ends the program.
    bool ProgramEnding = false;

    // Who works here: the system's user name and computer name, read at
    // start-up; the holder text of lock records is built from them.
    QString UserName;
    QString ComputerName;

    // ProgramDir is the folder of the executable; the data directory is
    // DataRootDir/DataFolderName with PLANY and PERSONEL in it. ConfigDir
    // holds sciezka.ini: the program folder, or the system's configuration
    // folder in a system install (env/InstallPlaces.h), where
    // PackageNameFile names the file of the package name.
    QString ProgramDir;
    QString ConfigDir;
    QString PackageNameFile;
    QString DataRootDir;
    QString DataFolderName = QStringLiteral("DANE");
    QString KatalogTemp;
    QString PakietNazwa;

    // Colour of each slot, 0xRRGGBB; slot 4 is the window's background.
    std::array<uint32_t, ColourSlots> ColourTable{};

    QString DataDir() const { return QDir(DataRootDir).filePath(DataFolderName); }
    QString PlansDir() const { return QDir(DataDir()).filePath(QStringLiteral("PLANY")); }
    QString StaffDir() const { return QDir(DataDir()).filePath(QStringLiteral("PERSONEL")); }
};

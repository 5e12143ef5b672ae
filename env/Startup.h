// Start-up of the program: one copy per program folder, the suite library
// bound and checked, the data directory found, the TEMP folder made, and the
// places where the window and the readers of free days, employees and plans
// take their turn.
#pragma once

#include "env/InstallPlaces.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class KelbrinLibrary;
class QLockFile;
struct Environment;

// The program's title, as named in the message about a second copy.
inline const QString ProgramTitle = QStringLiteral("Grafenta");

// The interface level of the suite library that this program speaks.
constexpr int32_t KelbrinInterfaceLevel = 2;

// Background of a window when no window tells its own (slot 4 of ColourTable).
constexpr uint32_t DefaultWindowColour = 0xF0F0F0;

// Keeps the user's other copies of the program out of the same program
// folder. The lock is a file in the user's own runtime folder (mode 0700,
// which no other account may enter) whose name is made from the program
// folder, so each installation (each workstation's folder) has its own and
// no other user can keep a copy from starting. On Unix the file is never
// removed: the copy that runs holds an flock() on it, which the system drops
// when the copy ends in any way, so a crashed copy never keeps the next one
// out. Elsewhere a lock file of a copy that no longer runs is taken over.
class InstanceLock
{
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // The user's runtime folder: on Unix $XDG_RUNTIME_DIR when it is a folder
    // of this user that nobody else may enter, else grafenta-<uid> in the
    // system's temporary folder, made with mode 0700 and taken only when it
    // is this user's and closed to others; elsewhere the user's temporary
    // folder. Empty when there is none.
    static QString RuntimeFolder();
    // The lock file of a program folder; empty without a runtime folder.
    static QString LockFilePath(const QString& programDir);

    // Takes the lock of the program folder; false when another running copy
    // of this user holds it. Held until destruction; taking it again while
    // held answers true at once. When the runtime folder
    // does not let a lock file be made at all, the answer is true but
    // IsHeld() is false: the program then runs without the guard.
    bool Acquire(const QString& programDir);
    bool IsHeld() const;

private:
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    std::unique_ptr<QLockFile> m_lock;
#endif
};

// The parts of start-up that belong to others: the window and the readers
// of the data. Each is called at its place in the order below when it is
// set; after each one start-up stops if it set ProgramEnding.
struct StartupSteps
{
    // Lets the window system handle what is pending.
    std::function<void()> ProcessEvents;

    // The background colour of the main window, 0xRRGGBB.
    uint32_t WindowColour = DefaultWindowColour;

    // The window's own part of the initialisation, after ColourTable is
    // filled: the window in its empty state.
    std::function<void(Environment&)> PrepareEmptyWindow;

    // The window's dialogs made and the splash shown.
    std::function<void(Environment&)> ShowSplash;

    // The suite's free days read under their lock.
    std::function<void(Environment&)> ReadFreeDays;

    // The employee directory read and shown.
    std::function<void(Environment&)> ReadEmployees;

    // The plans listed and shown.
    std::function<void(Environment&)> ListPlans;

    // The window arranged for a schedule plan, with nothing open.
    std::function<void(Environment&)> ArrangeWindow;

    // The splash gone; the window's caption set.
    std::function<void(Environment&)> FinishWindow;

    // Where the package name comes from; ReadPackageName() when not set.
    std::function<QString()> ReadPackageName;

    // The system install: a program folder of its own tells start-up to find
    // sciezka.ini, the package name, the data and TEMP where it puts them.
    InstallLayout Layout = InstalledLayout();
};

// Fills ColourTable: the fixed colours of the schedule slots, and slot 4
// (the free day) in the window's background colour.
void FillColourTable(Environment& env, uint32_t windowColour);

// The program's initialisation: the program folder as current directory,
// the library's interface level, the places of the install (the data root
// at the program folder or the system's data folder, where sciezka.ini
// lies), ColourTable, the window's empty state and the TEMP folder. Expects
// ProgramDir set and the library loaded. False when the program ends
// (message shown, ProgramEnding set).
bool Inicjalizacja(Environment& env, const StartupSteps& steps);

// What start-up has done by the time it reads the employees, done ahead
// (on a thread of its own, while the window is built) for an environment of
// that thread's own: the instance lock taken, the library loaded from the
// program folder and of this program's interface level, the program folder
// bound, the places of the install and sciezka.ini read. Nothing is shown,
// nothing written: false, with nothing more done, wherever start-up itself
// would stop or speak first (another copy running, no library, a library of
// another level), and start-up then says so in its place.
bool PrepareEarlyReading(Environment& env, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                         const InstallLayout& layout = InstalledLayout());

// The whole start-up of the program in programDir. library must be the
// object that env.Lib refers to; it is loaded here from the program folder.
// instance keeps the folder's instance lock for as long as the program runs.
// False when the program is to end: its message, if any, has been shown and
// ProgramEnding is set.
bool StartProgram(Environment& env, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                  const StartupSteps& steps = {});

#include "env/Startup.h"

#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"
#include "env/RecordLocks.h"
#include "env/UserIdentity.h"
#include "plan/TimeText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifdef Q_OS_UNIX
#    include <cerrno>
#    include <fcntl.h>
#    include <sys/file.h>
#    include <sys/stat.h>
#    include <unistd.h>
#endif

namespace {

// Colours of the schedule slots, 0xRRGGBB; slot 4 takes the window's background.
constexpr std::array<uint32_t, SlotCount> SlotColours{0xBBFFBB, 0xBBBBFF, 0xFF11EE, 0xFFBBBB, DefaultWindowColour,
                                                      0xFFF077, 0xEEEEEE};

bool End(ProgramState& state)
{
    state.Env.ProgramEnding = true;
    return false;
}

bool Fatal(ProgramState& state, const QString& text)
{
    state.Env.Ui.ShowMessage(MessageIcon::Critical, text);
    return End(state);
}

// Runs one of the steps that belong to others; false when it ended the program.
bool RunStep(const std::function<void(ProgramState&)>& step, ProgramState& state)
{
    if (step) step(state);
    return !state.Env.ProgramEnding;
}

void ProcessEvents(const StartupSteps& steps)
{
    if (steps.ProcessEvents) steps.ProcessEvents();
}

// The library takes folders with a trailing separator.
QString FolderForLibrary(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// Every time field's minute value follows from its text.
void RecomputeFieldValues(ScheduleFields& fields)
{
    const auto recompute = [](TimeField& field) { field.Value = GodzinaNaMinuty(field.Text); };
    for (auto& slot : fields.Slots)
        for (TimeField& field : slot)
            recompute(field);
    for (TimeField& field : fields.Pozostale)
        recompute(field);
    recompute(fields.Norma);
    recompute(fields.StartDnia);
}

// Where this install keeps what a program folder holds otherwise.
void UseInstallPlaces(Environment& env, const InstallPlaces& places)
{
    env.ConfigDir = places.ConfigDir;
    env.PackageNameFile = places.PackageNameFile;
    env.DataRootDir = places.DataRoot;
    env.KatalogTemp = places.KatalogTemp;
}

} // namespace

InstanceLock::InstanceLock() = default;

QString InstanceLock::LockFilePath(const QString& programDir)
{
    QString folder = QFileInfo(programDir).canonicalFilePath();
    if (folder.isEmpty()) folder = QDir::cleanPath(QDir(programDir).absolutePath());
#ifdef Q_OS_WIN
    folder = folder.toLower();
#endif
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(QDir::tempPath()).filePath(QStringLiteral("grafenta-%1.lock").arg(QString::fromLatin1(hash)));
}

#ifdef Q_OS_UNIX

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0) ::close(m_fd); // the lock goes with it
}

bool InstanceLock::Acquire(const QString& programDir)
{
    const QByteArray path = QFile::encodeName(LockFilePath(programDir));
    // Never through a link someone planted in the shared temporary folder.
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    // No lock file can be made here at all: the program runs unguarded rather than not at all.
    if (fd < 0) return true;
    // Every user's copy must be able to open the file later.
    ::fchmod(fd, 0666);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    m_fd = fd;
    return true;
}

bool InstanceLock::IsHeld() const
{
    return m_fd >= 0;
}

#else

InstanceLock::~InstanceLock() = default;

bool InstanceLock::Acquire(const QString& programDir)
{
    m_lock = std::make_unique<QLockFile>(LockFilePath(programDir));
    // Held for the whole run: only a dead holder makes the lock stale, never its age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) return true;
    if (m_lock->error() != QLockFile::LockFailedError) {
        m_lock.reset();
        return true;
    }
    if (m_lock->removeStaleLockFile() && m_lock->tryLock(0)) return true;
    m_lock.reset();
    return false;
}

bool InstanceLock::IsHeld() const
{
    return m_lock && m_lock->isLocked();
}

#endif

void FillColourTable(Environment& env, uint32_t windowColour)
{
    env.ColourTable = SlotColours;
    env.ColourTable[FreeDaySlot] = windowColour & 0xFFFFFF;
}

bool Inicjalizacja(ProgramState& state, const StartupSteps& steps)
{
    Environment& env = state.Env;
    if (!QDir::setCurrent(env.ProgramDir))
        return Fatal(state, QStringLiteral("Ustawienie ścieżki aplikacji nie powiodlo się."));

    if (env.Lib.GetVersion().Level != KelbrinInterfaceLevel)
        return Fatal(state, QStringLiteral("Nieprawidłowa wersja biblioteki kelbrin.dll"));

    state.Doc.PlanLockHandle = -1;
    state.Doc.SchedulesFilled = false;
    state.Doc.SchedulePlanShown = false;
    const InstallPlaces places = PlacesOf(env.ProgramDir, steps.Layout);
    UseInstallPlaces(env, places);
    RecomputeFieldValues(state.Doc.Fields);
    state.Doc.RangeEdited = false;
    FillColourTable(env, steps.WindowColour);
    if (!RunStep(steps.PrepareEmptyWindow, state)) return false;

    // TEMP lies under the program folder (in a system install, the user's own
    // folder), wherever the data are.
    env.Lib.SetDir(FolderForLibrary(env.ProgramDir));
    if (!MakeTempFolder(places)) {
        // A folder that cannot be made (no rights, or a file of that name in the
        // way) is an access error on the path.
        if (ShowFileError(env.Ui, PathFileAccessError, QString(), QStringLiteral("Utworzenie katalogu TEMP niemożliwe"),
                          true))
            return End(state);
    }
    return true;
}

bool StartProgram(ProgramState& state, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                  const StartupSteps& steps)
{
    Environment& env = state.Env;
    Q_ASSERT(&env.Lib == &library);
    env.ProgramEnding = false;
    env.ProgramDir = QDir::cleanPath(QDir(programDir).absolutePath());

    if (!instance.Acquire(env.ProgramDir))
        return Fatal(state, QStringLiteral("Program ") + ProgramTitle + QStringLiteral(" jest już uruchomiony."));

    ProcessEvents(steps);
    // The library is loaded from the program folder before anything is asked of it.
    if (!library.Load(env.ProgramDir)) return Fatal(state, QStringLiteral("Nie odnaleziono biblioteki Kelbrin.dll."));
    if (library.SetDir(FolderForLibrary(env.ProgramDir)) != 0) return End(state);

    env.DataFolderName = QStringLiteral("DANE");
    if (!Inicjalizacja(state, steps)) return false;

    if (!RunStep(steps.ShowSplash, state)) return false;
    ProcessEvents(steps);

    CzytajSciezke(env);
    // Said once a run: a share that keeps locks inside each workstation's mount.
    WarnWhenLocksStayLocal(env.Ui, env.DataDir());
    // Lock records name who holds them; the free days are read under a lock.
    env.UserName = SystemUserName();
    env.ComputerName = SystemComputerName();

    if (!RunStep(steps.ReadFreeDays, state) || !RunStep(steps.ReadEmployees, state) ||
        !RunStep(steps.ListPlans, state) || !RunStep(steps.ArrangeWindow, state) || !RunStep(steps.FinishWindow, state))
        return false;

    env.PakietNazwa = steps.ReadPackageName ? steps.ReadPackageName() : ReadPackageName(env);
    return true;
}

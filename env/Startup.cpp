#include "env/Startup.h"

#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/Konfiguracja.h"
#include "env/Prompt.h"
#include "env/RecordLocks.h"
#include "env/UserIdentity.h"

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
constexpr std::array<uint32_t, ColourSlots> SlotColours{0xBBFFBB, 0xBBBBFF, 0xFF11EE, 0xFFBBBB, DefaultWindowColour,
                                                        0xFFF077, 0xEEEEEE};

bool End(Environment& env)
{
    env.ProgramEnding = true;
    return false;
}

bool Fatal(Environment& env, const QString& text)
{
    env.Ui.ShowMessage(MessageIcon::Critical, text);
    return End(env);
}

// Runs one of the steps that belong to others; false when it ended the program.
bool RunStep(const std::function<void(Environment&)>& step, Environment& env)
{
    if (step) step(env);
    return !env.ProgramEnding;
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

// The program folder as start-up keeps it: absolute, without a closing separator.
QString ProgramFolder(const QString& programDir)
{
    return QDir::cleanPath(QDir(programDir).absolutePath());
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
    const QString runtime = RuntimeFolder();
    if (runtime.isEmpty()) return {};
    QString folder = QFileInfo(programDir).canonicalFilePath();
    if (folder.isEmpty()) folder = QDir::cleanPath(QDir(programDir).absolutePath());
#ifdef Q_OS_WIN
    folder = folder.toLower();
#endif
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(runtime).filePath(QStringLiteral("grafenta-%1.lock").arg(QString::fromLatin1(hash)));
}

#ifdef Q_OS_UNIX

namespace {

// A folder of this user only: not a link, owned by the user, closed to all others.
bool IsPrivateFolder(const QByteArray& path)
{
    struct stat status;
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & 077) == 0;
}

} // namespace

QString InstanceLock::RuntimeFolder()
{
    const QByteArray given = qgetenv("XDG_RUNTIME_DIR");
    if (!given.isEmpty() && given.startsWith('/') && IsPrivateFolder(given)) return QFile::decodeName(given);
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("grafenta-%1").arg(::geteuid()));
    const QByteArray path = QFile::encodeName(own);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return {};
    return IsPrivateFolder(path) ? own : QString();
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0) ::close(m_fd); // the lock goes with it
}

bool InstanceLock::Acquire(const QString& programDir)
{
    if (IsHeld()) return true;
    const QString lockFile = LockFilePath(programDir);
    // No folder of this user's own: the program runs unguarded rather than not at all.
    if (lockFile.isEmpty()) return true;
    const QByteArray path = QFile::encodeName(lockFile);
    // Never through a link, even in a folder of our own.
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    // No lock file can be made here at all: the program runs unguarded rather than not at all.
    if (fd < 0) return true;
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

QString InstanceLock::RuntimeFolder()
{
    // The user's own temporary folder.
    return QDir::tempPath();
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::Acquire(const QString& programDir)
{
    if (IsHeld()) return true;
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
    env.ColourTable[FreeDayColourSlot] = windowColour & 0xFFFFFF;
}

bool Inicjalizacja(Environment& env, const StartupSteps& steps)
{
    if (!QDir::setCurrent(env.ProgramDir))
        return Fatal(env, QStringLiteral("Ustawienie ścieżki aplikacji nie powiodlo się."));

    if (env.Lib.GetVersion().Level != KelbrinInterfaceLevel)
        return Fatal(env, QStringLiteral("Nieprawidłowa wersja biblioteki kelbrin.dll"));

    const InstallPlaces places = PlacesOf(env.ProgramDir, steps.Layout);
    UseInstallPlaces(env, places);
    FillColourTable(env, steps.WindowColour);
    if (!RunStep(steps.PrepareEmptyWindow, env)) return false;

    // TEMP lies under the program folder (in a system install, the user's own
    // folder), wherever the data are.
    env.Lib.SetDir(FolderForLibrary(env.ProgramDir));
    if (!MakeTempFolder(places)) {
        // A folder that cannot be made (no rights, or a file of that name in the
        // way) is an access error on the path.
        if (ShowFileError(env.Ui, PathFileAccessError, QString(), QStringLiteral("Utworzenie katalogu TEMP niemożliwe"),
                          true))
            return End(env);
    }
    return true;
}

bool PrepareEarlyReading(Environment& env, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                         const InstallLayout& layout)
{
    Q_ASSERT(&env.Lib == &library);
    env.ProgramEnding = false;
    env.ProgramDir = ProgramFolder(programDir);
    if (!instance.Acquire(env.ProgramDir) || !library.Load(env.ProgramDir) ||
        library.SetDir(FolderForLibrary(env.ProgramDir)) != 0 || library.GetVersion().Level != KelbrinInterfaceLevel)
        return false;
    UseInstallPlaces(env, PlacesOf(env.ProgramDir, layout));
    CzytajSciezke(env);
    return true;
}

bool StartProgram(Environment& env, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                  const StartupSteps& steps)
{
    Q_ASSERT(&env.Lib == &library);
    env.ProgramEnding = false;
    env.ProgramDir = ProgramFolder(programDir);

    if (!instance.Acquire(env.ProgramDir))
        return Fatal(env, QStringLiteral("Program ") + ProgramTitle + QStringLiteral(" jest już uruchomiony."));

    ProcessEvents(steps);
    // The library is loaded from the program folder before anything is asked of it.
    if (!library.Load(env.ProgramDir)) return Fatal(env, QStringLiteral("Nie odnaleziono biblioteki Kelbrin.dll."));
    if (library.SetDir(FolderForLibrary(env.ProgramDir)) != 0) return End(env);

    env.DataFolderName = QStringLiteral("DANE");
    if (!Inicjalizacja(env, steps)) return false;

    if (!RunStep(steps.ShowSplash, env)) return false;
    ProcessEvents(steps);

    CzytajSciezke(env);
    // Said once a run: a share that keeps locks inside each workstation's mount.
    WarnWhenLocksStayLocal(env.Ui, env.DataDir());
    // Lock records name who holds them; the free days are read under a lock.
    env.UserName = SystemUserName();
    env.ComputerName = SystemComputerName();

    if (!RunStep(steps.ReadFreeDays, env) || !RunStep(steps.ReadEmployees, env) || !RunStep(steps.ListPlans, env) ||
        !RunStep(steps.ArrangeWindow, env) || !RunStep(steps.FinishWindow, env))
        return false;

    env.PakietNazwa = steps.ReadPackageName ? steps.ReadPackageName() : ReadPackageName(env);
    return true;
}

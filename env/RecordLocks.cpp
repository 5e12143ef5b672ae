#include "env/RecordLocks.h"

#include "env/ErrorMessages.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>

#ifndef Q_OS_WIN
#    include <cerrno>
#    include <csignal>
#    include <fcntl.h>
#    include <sys/file.h>
#    include <sys/stat.h>
#    include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#    include <linux/magic.h>
#    include <sys/statfs.h>
#    include <sys/sysmacros.h>
#endif

namespace {

// File systems of one computer's disks (and memory): a lock is seen by
// every process, there being no other computer to see it.
bool IsLocalDisk(const QString& type)
{
    static const QStringList types =
        QStringLiteral("ext2 ext3 ext4 xfs btrfs tmpfs ramfs overlay zfs f2fs jfs reiserfs bcachefs nilfs2 vfat msdos "
                       "exfat ntfs ntfs3 fuseblk hfsplus udf iso9660 squashfs erofs")
            .split(QLatin1Char(' '));
    return types.contains(type);
}

bool IsNfs(const QString& type)
{
    return type == QLatin1String("nfs") || type == QLatin1String("nfs4");
}

bool IsSmb(const QString& type)
{
    return type == QLatin1String("cifs") || type == QLatin1String("smb3") || type == QLatin1String("smb2");
}

// The mount option that keeps the locks of an NFS or SMB mount on this
// computer, if it has one.
QString LocalLockOption(const MountedFileSystem& fileSystem)
{
    static const QStringList nfs{QStringLiteral("local_lock=posix"), QStringLiteral("local_lock=all"),
                                 QStringLiteral("nolock")};
    static const QStringList smb{QStringLiteral("nobrl"), QStringLiteral("nolock")};
    const QStringList& options = IsNfs(fileSystem.Type) ? nfs : smb;
    for (const QString& option : options) {
        if (fileSystem.Options.contains(option)) return option;
    }
    return {};
}

} // namespace

std::optional<MountedFileSystem> MountOfDevice(QByteArrayView mountInfo, quint32 deviceMajor, quint32 deviceMinor)
{
    const QByteArray device = QByteArray::number(deviceMajor) + ':' + QByteArray::number(deviceMinor);
    for (const QByteArray& line : mountInfo.toByteArray().split('\n')) {
        // ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPEROPTIONS
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 10 || fields.at(2) != device) continue;
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (dash < 0 || dash + 3 >= fields.size()) continue;
        MountedFileSystem fileSystem;
        fileSystem.Type = QString::fromUtf8(fields.at(dash + 1));
        fileSystem.Options =
            QString::fromUtf8(fields.at(5) + ',' + fields.at(dash + 3)).split(u',', Qt::SkipEmptyParts);
        return fileSystem;
    }
    return std::nullopt;
}

std::optional<MountedFileSystem> FileSystemOf(const QString& path)
{
#ifdef Q_OS_LINUX
    struct stat status;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly)) return std::nullopt;
    // The table tells no size before it is read: read as it comes, so that a
    // few mounts take a few kilobytes rather than a buffer for thousands.
    const QByteArray text = table.readAll();
    return MountOfDevice(text, ::major(status.st_dev), ::minor(status.st_dev));
#else
    Q_UNUSED(path);
    return std::nullopt;
#endif
}

LockReach ReachOf(const MountedFileSystem& fileSystem)
{
    if (IsNfs(fileSystem.Type) || IsSmb(fileSystem.Type))
        return LocalLockOption(fileSystem).isEmpty() ? LockReach::AllWorkstations : LockReach::ThisMount;
    if (fileSystem.Type == QLatin1String("fuse.sshfs")) return LockReach::ThisMount;
    return IsLocalDisk(fileSystem.Type) ? LockReach::AllWorkstations : LockReach::NotKnown;
}

#ifdef Q_OS_LINUX

namespace {

// The commonest local disks, told without reading the mount table.
bool OnCommonLocalDisk(const QString& path)
{
    struct statfs disk;
    if (::statfs(QFile::encodeName(path).constData(), &disk) != 0) return false;
    switch (disk.f_type) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

#endif

LockReach LockReachOf(const QString& path)
{
#ifdef Q_OS_LINUX
    if (OnCommonLocalDisk(path)) return LockReach::AllWorkstations;
    const std::optional<MountedFileSystem> fileSystem = FileSystemOf(path);
    return fileSystem ? ReachOf(*fileSystem) : LockReach::NotKnown;
#else
    Q_UNUSED(path);
    return LockReach::AllWorkstations;
#endif
}

QString ShownFileSystem(const MountedFileSystem& fileSystem)
{
    const QString name = fileSystem.Type.startsWith(QLatin1String("fuse.")) ? fileSystem.Type.mid(5) : fileSystem.Type;
    const QString option = IsNfs(fileSystem.Type) || IsSmb(fileSystem.Type) ? LocalLockOption(fileSystem) : QString();
    return option.isEmpty() ? name : name + QStringLiteral(" (") + option + QLatin1Char(')');
}

QString LocksStayLocalMessage(const MountedFileSystem& fileSystem)
{
    return QStringLiteral("Katalog danych leży w systemie plików ") + ShownFileSystem(fileSystem) +
           QStringLiteral(", który nie przekazuje blokad plików między stanowiskami.") + Cr +
           QStringLiteral("Dane pracowników są tu chronione przed jednoczesnym zapisem tylko plikami blokad "
                          "tego programu; inne programy pakietu ich nie widzą.");
}

bool WarnWhenLocksStayLocal(Prompt& ui, const QString& dataDir)
{
#ifdef Q_OS_LINUX
    if (OnCommonLocalDisk(dataDir)) return false;
#endif
    const std::optional<MountedFileSystem> fileSystem = FileSystemOf(dataDir);
    if (!fileSystem || ReachOf(*fileSystem) != LockReach::ThisMount) return false;
    ui.ShowMessage(MessageIcon::Exclamation, LocksStayLocalMessage(*fileSystem));
    return true;
}

#ifndef Q_OS_WIN

namespace {

constexpr qsizetype MaxLockRecordSize = 512;

// What stands at a lock record's name: its text and which file it is, so
// that a record put there anew is never taken for the one seen before.
struct Sighting
{
    bool Present = false;
    QByteArray Content;
    QByteArray Seen; // content and identity
};

Sighting Look(const QString& path)
{
    Sighting sighting;
    const QByteArray native = QFile::encodeName(path);
    struct stat status;
    // Opening (not only asking about the name) makes a network mount look at
    // the server again: sshfs keeps a name it saw for many seconds otherwise.
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || ::lstat(native.constData(), &status) != 0) return sighting;
    } else {
        const bool known = ::fstat(fd, &status) == 0;
        if (known && S_ISREG(status.st_mode)) {
            sighting.Content.resize(MaxLockRecordSize);
            const ssize_t n = ::read(fd, sighting.Content.data(), size_t(MaxLockRecordSize));
            sighting.Content.resize(n > 0 ? qsizetype(n) : 0);
        }
        ::close(fd);
        if (!known) return sighting;
    }
    sighting.Present = true;
    sighting.Seen = sighting.Content + "\n@" + QByteArray::number(quint64(status.st_ino)) + ':' +
                    QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.' +
                    QByteArray::number(qint64(status.st_mtim.tv_nsec)) + ':' +
                    QByteArray::number(quint32(status.st_mode), 8);
    return sighting;
}

QByteArray Field(const QByteArray& content, const QByteArray& key)
{
    for (const QByteArray& line : content.split('\n')) {
        if (line.startsWith(key + '=')) return line.mid(key.size() + 1);
    }
    return {};
}

const QByteArray& HostName()
{
    static const QByteArray name = QSysInfo::machineHostName().toUtf8();
    return name;
}

// A record written on this computer by a process that is gone.
bool LeftByDeadProcess(const QByteArray& content)
{
    bool ok = false;
    const qint64 pid = Field(content, "pid").toLongLong(&ok);
    if (!ok || Field(content, "host") != HostName() || pid <= 0 || pid > 0x7fffffff) return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

LockResult LockWholeFile(int fd, bool exclusive)
{
    int result;
#    ifdef F_OFD_SETLK
    struct flock range = {};
    range.l_type = exclusive ? F_WRLCK : F_RDLCK;
    range.l_whence = SEEK_SET; // from the first byte to the end, however far it grows
    do {
        result = ::fcntl(fd, F_OFD_SETLK, &range);
    } while (result != 0 && errno == EINTR);
#    else
    do {
        result = ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (result != 0 && errno == EINTR);
#    endif
    if (result == 0) return LockResult::Locked;
    switch (errno) {
    case EAGAIN:
    case EACCES:
        return LockResult::Busy;
    case ENOLCK:
    case ENOSYS:
    case ENOTSUP:
        return LockResult::NoLocks;
    default:
        return LockResult::Failed;
    }
}

LockRecord::~LockRecord()
{
    Release();
}

QString LockRecord::PathFor(const QString& recordPath)
{
    const QFileInfo record(recordPath);
    return record.dir().filePath(QStringLiteral(".grafenta-") + record.fileName().toUpper() + QStringLiteral(".lck"));
}

LockRecord::Status LockRecord::Take(const QString& recordPath)
{
    Release();
    m_path = PathFor(recordPath);
    m_error = 0;
    const quint64 random[2] = {QRandomGenerator::system()->generate64(), QRandomGenerator::system()->generate64()};
    const QByteArray token = QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex();
    const QByteArray content = "GRAFENTA RECORD LOCK\nhost=" + HostName() +
                               "\npid=" + QByteArray::number(QCoreApplication::applicationPid()) + "\ntoken=" + token +
                               '\n';
    // A few rounds: a record may go, or be found abandoned, between our looks.
    for (int round = 0; round < 3; ++round) {
        FileReplacement record;
        int16_t number = record.Write(QFileInfo(m_path).absolutePath(), {content});
        if (number == 0) number = record.CommitNew(m_path);
        if (number == 0) {
            m_token = token;
            m_seen.clear();
            return Status::Taken;
        }
        const Sighting holder = Look(m_path);
        if (!holder.Present) {
            // The name was free after all: the record went meanwhile, or the
            // file system refused the link, which a name taken shows as 75.
            if (number == PathFileAccessError) continue;
            m_error = number;
            return Status::Failed;
        }
        const bool abandoned = holder.Seen == m_seen && m_seenFor.elapsed() >= m_abandonedAfterMs;
        if (LeftByDeadProcess(holder.Content) || abandoned) {
            RemoveIfUnchanged(holder.Seen);
            continue;
        }
        if (holder.Seen != m_seen) {
            m_seen = holder.Seen;
            m_seenFor.start();
        }
        return Status::Busy;
    }
    return Status::Busy;
}

void LockRecord::Release()
{
    if (m_token.isEmpty()) return;
    const Sighting now = Look(m_path);
    // A record that is no longer ours was put there by someone who took ours for abandoned.
    if (now.Present && Field(now.Content, "token") == m_token) DeleteDataFile(m_path);
    m_token.clear();
}

bool LockRecord::RemoveIfUnchanged(const QByteArray& seen)
{
    const Sighting now = Look(m_path);
    return now.Present && now.Seen == seen && DeleteDataFile(m_path) == 0;
}

#endif

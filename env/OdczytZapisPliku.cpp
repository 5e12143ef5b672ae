#include "env/OdczytZapisPliku.h"

#include "env/ErrorMessages.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#    include <windows.h>

#    include <cstring>
#    include <vector>
#else
#    include <cerrno>
#    include <csignal>
#    include <fcntl.h>
#    include <sys/resource.h>
#    include <sys/stat.h>
#    include <sys/sysmacros.h>
#    include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#    include <cstdio>
#    include <linux/magic.h>
#    include <sys/statfs.h>
#    include <sys/utsname.h>
#endif

namespace {

// ---------------------------------------------------------------- temporary names

const QString TemporaryPrefix = QStringLiteral(".grafenta-");
const QString TemporarySuffix = QStringLiteral(".tmp");

// Eight hex digits of this computer's name: temporary files of a shared
// folder tell whose they are.
const QString& HostTag()
{
    static const QString tag = QString::fromLatin1(
        QCryptographicHash::hash(QSysInfo::machineHostName().toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return tag;
}

QString NewTemporaryName()
{
    return TemporaryPrefix + HostTag() + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid()) +
           QLatin1Char('-') + QString::number(QRandomGenerator::global()->generate(), 16) + TemporarySuffix;
}

const QRegularExpression& TemporaryPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.grafenta-([0-9a-f]{8})-([0-9]{1,10})-[0-9a-f]{1,8}\\.tmp$"));
    return pattern;
}

bool ProcessRuns(qint64 pid);

QString FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

bool IsTemporaryFileName(const QString& name)
{
    return TemporaryPattern().match(name).hasMatch();
}

void RemoveStaleTemporaries(const QString& folder)
{
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    // Names are told by their prefix before anything else is asked of them:
    // a folder of plans or records is mostly anything else.
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (!name.startsWith(TemporaryPrefix)) continue;
        const QRegularExpressionMatch match = TemporaryPattern().match(name);
        if (!match.hasMatch()) continue;
        const QFileInfo entry = entries.fileInfo();
        const bool ours = match.captured(1) == HostTag();
        const bool stale = ours ? !ProcessRuns(match.captured(2).toLongLong()) : entry.lastModified().toUTC() < dayAgo;
        if (stale) QFile::remove(entry.absoluteFilePath());
    }
}

namespace {

OpenStatus Retrying(const std::function<OpenStatus()>& open, int retries, const std::function<void()>& waitBeforeRetry)
{
    OpenStatus status = open();
    for (int retry = 0; status == OpenStatus::Busy && retry < retries; ++retry) {
        if (waitBeforeRetry) waitBeforeRetry();
        status = open();
    }
    return status;
}

} // namespace

OpenStatus OpenWithRetries(DataFile& file, const QString& path, FileAccess access, int retries,
                           const std::function<void()>& waitBeforeRetry)
{
    return Retrying([&] { return file.Open(path, access); }, retries, waitBeforeRetry);
}

OpenStatus OpenWithRetries(DataFile& file, const DataFolder& folder, const QString& name, FileAccess access,
                           int retries, const std::function<void()>& waitBeforeRetry)
{
    return Retrying([&] { return file.Open(folder, name, access); }, retries, waitBeforeRetry);
}

ReadStatus ReadWholeFile(const QString& path, qint64 limit, QByteArray& bytes, int16_t* error, FileIdentity* identity)
{
    DataFile file;
    ReadStatus status = ReadStatus::Failed;
    if (file.Open(path, FileAccess::Read) == OpenStatus::Opened) status = file.ReadAll(bytes, limit);
    if (error) *error = status == ReadStatus::Failed ? file.ErrorNumber() : int16_t(0);
    if (identity) *identity = file.Identity();
    return status;
}

int16_t ReplaceFile(const QString& target, QByteArrayView bytes, FileFault* fault)
{
    FileReplacement replacement;
    int16_t number = replacement.Write(FolderOf(target), {bytes});
    if (number == 0) number = replacement.Commit(target);
    if (fault) *fault = replacement.Fault();
    return number;
}

QString SystemErrorText(int nativeError)
{
    return qt_error_string(nativeError);
}

int16_t CopyToNewFile(const QString& source, const QString& target, qint64 limit)
{
    QByteArray bytes;
    int16_t error = 0;
    const ReadStatus read = ReadWholeFile(source, limit, bytes, &error);
    if (read == ReadStatus::TooLarge) return DeviceIoError;
    if (read != ReadStatus::Ok) return error;
    FileReplacement copy;
    const int16_t number = copy.Write(FolderOf(target), {bytes});
    return number != 0 ? number : copy.CommitNew(target);
}

FileReplacement::~FileReplacement()
{
    Discard();
}

namespace {

// Runs work(i) for every i below count, spread over a few threads, so that
// the waits for the disk of each (a flush, the discard of a file's freed
// blocks) are waited for together: the disk serves many at once where one
// after the other each would wait for its own. The threads end before the
// call returns, so that nothing of them outlives it (a process may fork
// later).
void InThreads(size_t count, const std::function<void(size_t)>& work)
{
    constexpr size_t MostThreads = 16;
    const size_t threads = std::min(count, MostThreads);
    const auto share = [&work, count, threads](size_t first) {
        for (size_t i = first; i < count; i += threads)
            work(i);
    };
    std::vector<std::thread> running;
    running.reserve(threads);
    for (size_t first = 0; first < threads; ++first) {
        try {
            running.emplace_back(share, first);
        } catch (const std::system_error&) { // no thread to be had: this one waits here
            share(first);
        }
    }
    for (std::thread& thread : running)
        thread.join();
}

} // namespace

#ifndef Q_OS_WIN

// ================================================================ Unix

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

bool ProcessRuns(qint64 pid)
{
    if (pid <= 0 || pid > 0x7fffffff) return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Writes all of bytes; false with errno set when a write fails.
bool WriteAll(int fd, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

int OpenRetryingInterrupts(const QByteArray& path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The status of an open file as its file system has it now. A network mount
// (sshfs) may otherwise answer from what it saw before another workstation
// replaced the file, and reads would end at the old length.
int FreshStatus(int fd, struct stat& status)
{
#    ifdef AT_STATX_FORCE_SYNC
    struct statx fresh;
    constexpr unsigned Wanted = STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, Wanted, &fresh) == 0 &&
        (fresh.stx_mask & Wanted) == Wanted) {
        status = {};
        status.st_mode = fresh.stx_mode;
        status.st_nlink = fresh.stx_nlink;
        status.st_ino = fresh.stx_ino;
        status.st_size = off_t(fresh.stx_size);
        // The same device number as stat gives.
        status.st_dev = makedev(fresh.stx_dev_major, fresh.stx_dev_minor);
        return 0;
    }
#    endif
    return ::fstat(fd, &status);
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileIdentity IdentityOfStat(const struct stat& status)
{
    return {uint64_t(status.st_dev), uint64_t(status.st_ino)};
}

// A file opened for its path only, closed on destruction.
struct HeldFile
{
    int Fd = -1;
    HeldFile() = default;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile() { Close(); }
    void Close()
    {
        if (Fd >= 0) ::close(Fd);
        Fd = -1;
    }
};

// What stands at a target's name, opened without following a link and told
// by fstat. Where the system can, it is opened for its path only (O_PATH):
// no device is opened, no pipe waited on, and closing it never drops a
// record lock this process holds on the file; a regular file judged there
// may then be kept open in held. Elsewhere the name is looked at first, and
// only a regular file is opened (without waiting) to be told by fstat, so
// that a file put there in between is the one judged. found receives its
// status when it is a regular file.
TargetRefusal InspectTarget(const QByteArray& path, const QList<FileIdentity>& inputs,
                            std::optional<struct stat>& found, HeldFile* held = nullptr)
{
    found.reset();
    struct stat status;
#    ifdef O_PATH
    HeldFile fd;
    fd.Fd = OpenRetryingInterrupts(path, O_PATH | O_NOFOLLOW);
    if (fd.Fd < 0) return TargetRefusal::None; // nothing there, or the rename tells why
    if (::fstat(fd.Fd, &status) != 0) return TargetRefusal::None;
    if (held && S_ISREG(status.st_mode)) std::swap(held->Fd, fd.Fd);
#    else
    Q_UNUSED(held);
    if (::lstat(path.constData(), &status) != 0) return TargetRefusal::None;
    if (S_ISREG(status.st_mode)) {
        const int fd = OpenRetryingInterrupts(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0 && errno == ELOOP) return TargetRefusal::Link;
        if (fd >= 0) {
            struct stat opened;
            if (::fstat(fd, &opened) == 0) status = opened;
            ::close(fd);
        }
    }
#    endif
    if (S_ISLNK(status.st_mode)) return TargetRefusal::Link;
    if (!S_ISREG(status.st_mode)) return TargetRefusal::NotRegular;
    if (inputs.contains(IdentityOfStat(status))) return TargetRefusal::Input;
    found = status;
    return TargetRefusal::None;
}

} // namespace

void FlushFolder(const QString& folder)
{
    const int fd = OpenRetryingInterrupts(Native(folder), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

namespace {

// Flushes folder while the file that a rename took the last name of is let
// go on another thread: freeing its space (and telling the disk so, where it
// is mounted to be told) takes place while the disk writes the folder.
void FlushFolderReleasing(const QString& folder, HeldFile& old)
{
    InThreads(old.Fd >= 0 ? 2 : 1, [&folder, &old](size_t i) {
        if (i == 0)
            FlushFolder(folder);
        else
            old.Close();
    });
}

} // namespace

std::optional<FileIdentity> IdentityOf(const QString& path)
{
    struct stat status;
    if (path.isEmpty() || ::stat(Native(path).constData(), &status) != 0) return std::nullopt;
    return IdentityOfStat(status);
}

TargetRefusal CheckWriteTarget(const QString& path, const QList<FileIdentity>& inputs)
{
    std::optional<struct stat> found;
    return path.isEmpty() ? TargetRefusal::None : InspectTarget(Native(path), inputs, found);
}

NameStatus StatusOfName(const QString& path)
{
    NameStatus status;
    struct stat named;
    if (path.isEmpty() || ::lstat(Native(path).constData(), &named) != 0) return status;
    status.What = S_ISREG(named.st_mode)   ? NameStatus::RegularFile
                  : S_ISLNK(named.st_mode) ? NameStatus::Link
                                           : NameStatus::Other;
    status.Identity = IdentityOfStat(named);
    status.ModifiedMs = qint64(named.st_mtim.tv_sec) * 1000 + named.st_mtim.tv_nsec / 1000000;
    return status;
}

constexpr int BadHandleError = EBADF;

namespace {

bool IsAccessDenied(int nativeError)
{
    return nativeError == EACCES || nativeError == EPERM;
}

} // namespace

int16_t FileErrorNumber(int nativeError, const QString& path)
{
    switch (nativeError) {
    case 0:
        return 0;
    case ENOENT: {
        if (path.isEmpty()) return BadFileName;
        const QFileInfo folder(FolderOf(path));
        return folder.isDir() ? int16_t(FileNotFound) : int16_t(PathNotFound);
    }
    case ENOTDIR:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:
    case EBUSY:
        return PermissionDenied;
    case EROFS:
    case EISDIR:
    case ELOOP:
    case ETXTBSY:
    case EEXIST:
    case EXDEV:
        return PathFileAccessError;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return BadFileName;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case ENODEV:
    case ENXIO:
        return DeviceUnavailable;
    default:
        return DeviceIoError;
    }
}

bool DataFile::IsOpen() const
{
    return m_fd >= 0;
}

DataFolder::DataFolder(const QString& path) : m_path(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'))
{
#    ifdef O_PATH
    constexpr int Flags = O_PATH | O_DIRECTORY;
#    else
    constexpr int Flags = O_RDONLY | O_DIRECTORY;
#    endif
    if (!path.isEmpty() && !path.contains(QChar(0))) m_fd = OpenRetryingInterrupts(Native(path), Flags);
}

DataFolder::~DataFolder()
{
    if (m_fd >= 0) ::close(m_fd);
}

OpenStatus DataFile::Open(const QString& path, FileAccess access)
{
    Close();
    m_path = path;
    return OpenAt(AT_FDCWD, path.contains(QChar(0)) ? QByteArray() : Native(path), access);
}

OpenStatus DataFile::Open(const DataFolder& folder, const QString& name, FileAccess access)
{
    Close();
    m_path = folder.Path() + name;
    // A name is looked up in the folder alone; anything that could lead
    // elsewhere goes by the whole path.
    const bool plainName = folder.m_fd >= 0 && !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
                           name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QChar(0));
    if (!plainName) return Open(m_path, access);
    return OpenAt(folder.m_fd, Native(name), access);
}

OpenStatus DataFile::OpenAt(int folderFd, const QByteArray& native, FileAccess access)
{
    const QString& path = m_path;
    m_access = access;
    m_error = 0;
    m_fault = {};
    m_identity = {};
    if (path.isEmpty() || native.isEmpty()) {
        Fail(FileFault{BadFileName, 0, TargetRefusal::None, false});
        return OpenStatus::Failed;
    }
    const bool exclusive = access == FileAccess::Exclusive;
    // Where locks stay inside this workstation's mount, a rewrite takes the
    // record's lock record first, and so opens the record as its last writer
    // left it.
    if (exclusive && (m_reach ? *m_reach : LockReachOf(FolderOf(path))) != LockReach::AllWorkstations) {
        const OpenStatus taken = TakeLockRecord();
        if (taken != OpenStatus::Opened) return taken;
    }
    // Non-blocking, so that a pipe opens at once and is then turned away; a
    // file opened for a rewrite is never reached through a link.
    const int mode = exclusive                          ? O_RDWR | O_NOFOLLOW
                     : access == FileAccess::ReadNoLink ? O_RDONLY | O_NOFOLLOW
                                                        : O_RDONLY;
    int fd;
    do {
        fd = ::openat(folderFd, native.constData(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    const auto turnedAway = [&](OpenStatus status, int error) {
        if (fd >= 0) ::close(fd);
        m_lockRecord.Release();
        if (error != 0) Fail(error); // else the file-error number is set already
        return status;
    };
    if (fd < 0) return turnedAway(OpenStatus::Failed, errno);
    struct stat opened;
    if (FreshStatus(fd, opened) != 0) return turnedAway(OpenStatus::Failed, errno);
    if (!S_ISREG(opened.st_mode)) return turnedAway(OpenStatus::Failed, S_ISDIR(opened.st_mode) ? EISDIR : ENXIO);
    m_identity = IdentityOfStat(opened);
    if (access == FileAccess::ReadDenyWriters || exclusive) {
        // The lock keeps out a rewrite in place of this very file; a reader
        // needs nothing more. A rewrite that replaced the record between our
        // open and our lock left the file we hold whole, as its last version
        // before the new one.
        const OpenStatus locked = LockForAccess(fd);
        if (locked != OpenStatus::Opened) return turnedAway(locked, 0);
        // A rewrite must hold the file at the name, though: replacing the old,
        // unlinked one would undo the other rewrite. The next attempt opens
        // the new file.
        struct stat current;
        if (exclusive && ::fstatat(folderFd, native.constData(), &current, 0) != 0)
            return turnedAway(OpenStatus::Failed, errno);
        if (exclusive && !SameFile(opened, current)) return turnedAway(OpenStatus::Busy, 0);
    }
    // A regular file ignores the non-blocking flag: reads wait for the disk as always.
    m_fd = fd;
    m_size = qint64(opened.st_size);
    m_atStart = true;
    return OpenStatus::Opened;
}

qint64 DataFile::Size()
{
    if (m_fd < 0) Fail(EBADF);
    return m_fd < 0 ? -1 : m_size;
}

qint64 DataFile::Read(char* data, qint64 size, qint64 enough)
{
    qint64 total = 0;
    m_atStart = m_atStart && size <= 0;
    while (total < size) {
        const qint64 asked = size - total;
        const ssize_t n = ::read(m_fd, data + total, size_t(asked));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(errno);
            return -1;
        }
        total += n;
        if (n == 0 || (n < asked && total >= enough)) break;
    }
    return total;
}

bool DataFile::Seek(qint64 offset)
{
    const bool moved = ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset);
    m_atStart = moved && offset == 0;
    return moved || Fail(errno);
}

bool DataFile::RewriteInPlace(QByteArrayView bytes)
{
    if (m_fd < 0 || m_access != FileAccess::Exclusive) return Fail(EBADF);
    // Another name of the file (a hard link someone made) would change with it.
    struct stat now;
    if (::fstat(m_fd, &now) != 0) return Fail(errno);
    if (now.st_nlink > 1) return Fail(FileFault{PathFileAccessError, 0, TargetRefusal::Link, false});
    if (!Seek(0)) return false;
    m_atStart = bytes.isEmpty();
    if (!WriteAll(m_fd, bytes) || ::ftruncate(m_fd, off_t(bytes.size())) != 0 || ::fsync(m_fd) != 0) return Fail(errno);
    return true;
}

void DataFile::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd); // also releases the byte-range lock
        m_fd = -1;
    }
    m_lockRecord.Release();
}

bool DataFile::HoldsLockRecord() const
{
    return m_lockRecord.IsTaken();
}

OpenStatus DataFile::LockForAccess(int fd)
{
    switch (LockWholeFile(fd, m_access == FileAccess::Exclusive)) {
    case LockResult::Locked:
        return OpenStatus::Opened;
    case LockResult::Busy:
        return OpenStatus::Busy;
    case LockResult::NoLocks:
        // Readers go on; a rewrite holds the lock record instead.
        return m_access == FileAccess::Exclusive && !m_lockRecord.IsTaken() ? TakeLockRecord() : OpenStatus::Opened;
    case LockResult::Failed:
        break;
    }
    Fail(errno);
    return OpenStatus::Failed;
}

OpenStatus DataFile::TakeLockRecord()
{
    switch (m_lockRecord.Take(m_path)) {
    case LockRecord::Status::Taken:
        return OpenStatus::Opened;
    case LockRecord::Status::Busy:
        return OpenStatus::Busy;
    case LockRecord::Status::Failed:
        break;
    }
    m_error = m_lockRecord.ErrorNumber();
    return OpenStatus::Failed;
}

int16_t FileReplacement::Write(const QString& folder, const QList<QByteArrayView>& parts, FlushTiming flush)
{
    Discard();
    m_parts = parts;
    int fd = -1;
    QString path;
    // A name already there is never opened: another one is made up.
    m_fault = {};
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        path = QDir(folder).filePath(NewTemporaryName());
        fd = OpenRetryingInterrupts(Native(path), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return Fail(errno, path);
    m_path = path;
    m_durable = flush != FlushTiming::Never;
    bool ok = true;
    for (const QByteArrayView part : parts)
        ok = ok && WriteAll(fd, part);
    if (ok && !m_durable) {
        // Closed, not flushed: a network file system still hands it to its
        // server here, so that the file is whole wherever it appears.
        if (::close(fd) == 0) return 0;
        const int16_t number = Fail(errno, path);
        Discard();
        return number;
    }
    if (ok && flush != FlushTiming::Now) {
        // The disk starts on it now; Flush waits for it with the others.
#    ifdef SYNC_FILE_RANGE_WRITE
        if (flush == FlushTiming::Later) ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#    endif
        m_fd = fd;
        return 0;
    }
    m_fd = fd;
    if (!ok) {
        const int16_t number = Fail(errno ? errno : EIO, path);
        ::close(m_fd);
        m_fd = -1;
        Discard();
        return number;
    }
    return Flush();
}

int16_t FileReplacement::Flush()
{
    return Close(true);
}

int16_t FileReplacement::Close(bool flush)
{
    if (m_fd < 0) return 0;
    bool ok = !flush || ::fsync(m_fd) == 0;
    int error = ok ? 0 : errno;
    // Some file systems report a failed write only when the file is closed.
    if (::close(m_fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    m_fd = -1;
    if (ok) return 0;
    const int16_t number = Fail(error ? error : EIO, m_path);
    Discard();
    return number;
}

int16_t FileReplacement::Commit(const QString& target, FlushTiming folderFlush)
{
    m_fault = {};
    if (m_path.isEmpty()) return Fail(ENOENT, target);
    if (const int16_t number = Flush(); number != 0) return number;
    const QByteArray from = Native(m_path);
    const QByteArray to = Native(target);
    std::optional<struct stat> old;
    // A large file replaced is held open past the rename, so that its space
    // is freed while the folder is flushed rather than by the rename itself.
    // A small one is freed quicker than a thread is started for it.
    HeldFile oldFile;
    const TargetRefusal refusal =
        InspectTarget(to, m_inputs, old, folderFlush == FlushTiming::Now ? &oldFile : nullptr);
    if (refusal != TargetRefusal::None) return Refuse(refusal);
    constexpr off_t LargeFile = 64 * 1024;
    if (old && old->st_size < LargeFile) oldFile.Close();
    struct stat folder;
    if (old) {
        ::chmod(from.constData(), old->st_mode & 07777);
        // The group may only be given by its members; otherwise it stays ours.
        if (::chown(from.constData(), uid_t(-1), old->st_gid) != 0) {
        }
    } else if (::stat(Native(FolderOf(target)).constData(), &folder) == 0 && (folder.st_mode & S_ISGID)) {
        // A new file takes the group of a set-group-ID folder, as one made
        // there would: the scratch file was made elsewhere (TEMP).
        if (::chown(from.constData(), uid_t(-1), folder.st_gid) != 0) {
        }
    }
    if (::rename(from.constData(), to.constData()) == 0) {
        m_path.clear();
        if (folderFlush == FlushTiming::Now) FlushFolderReleasing(FolderOf(target), oldFile);
        return 0;
    }
    const int error = errno;
    if (error != EXDEV) {
        Discard();
        return Fail(error, target);
    }
    return CommitBeside(target);
}

namespace {

// The errors of a file system that makes no hard links.
bool LinksMissing(int error)
{
#    if defined(EOPNOTSUPP) && EOPNOTSUPP != ENOTSUP
    if (error == EOPNOTSUPP) return true;
#    endif
    return error == EPERM || error == ENOTSUP || error == ENOSYS;
}

} // namespace

int16_t FileReplacement::CommitNew(const QString& target)
{
    m_fault = {};
    if (m_path.isEmpty()) return Fail(ENOENT, target);
    if (const int16_t number = Flush(); number != 0) return number;
    const QByteArray from = Native(m_path);
    const QByteArray to = Native(target);
    // A link never replaces a name that is there already, not even a link.
    bool linked = ::link(from.constData(), to.constData()) == 0;
    const int error = linked ? 0 : errno;
    if (!linked && error != EEXIST) {
        // A network file system may report a failure for a link it made; the
        // temporary file's count of names tells.
        struct stat status;
        linked = ::stat(from.constData(), &status) == 0 && status.st_nlink == 2;
    }
    if (linked) {
        Discard();
        if (m_durable) FlushFolder(FolderOf(target));
        return 0;
    }
    if (!LinksMissing(error)) {
        Discard();
        return Fail(error, target);
    }
    // No hard links here: the target is created exclusively and written.
    Discard();
    const int fd = OpenRetryingInterrupts(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY, 0666);
    if (fd < 0) return Fail(errno, target);
    bool ok = true;
    for (const QByteArrayView part : std::as_const(m_parts))
        ok = ok && WriteAll(fd, part);
    ok = ok && (!m_durable || ::fsync(fd) == 0);
    const int writeError = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) ok = false;
    if (ok) {
        if (m_durable) FlushFolder(FolderOf(target));
        return 0;
    }
    ::unlink(to.constData());
    return Fail(writeError ? writeError : EIO, target);
}

void FileReplacement::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_path.isEmpty()) return;
    ::unlink(Native(m_path).constData());
    m_path.clear();
}

int16_t DeleteDataFile(const QString& path, FileFault* fault)
{
    if (path.isEmpty()) return BadFileName;
    if (::unlink(Native(path).constData()) == 0) return 0;
    const int error = errno;
    if (fault) *fault = FileFault{FileErrorNumber(error, path), error, TargetRefusal::None, false};
    return FileErrorNumber(error, path);
}

#else // Q_OS_WIN

// ================================================================ Windows

namespace {

std::wstring Native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

bool ProcessRuns(qint64 pid)
{
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

bool WriteAll(HANDLE handle, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(qMin<qsizetype>(bytes.size() - done, 1 << 30));
        if (!::WriteFile(handle, bytes.data() + done, chunk, &n, nullptr)) return false;
        if (n == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += n;
    }
    return true;
}

std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(handle, &information)) return std::nullopt;
    return information;
}

FileIdentity IdentityOfInformation(const BY_HANDLE_FILE_INFORMATION& information)
{
    return {uint64_t(information.dwVolumeSerialNumber),
            (uint64_t(information.nFileIndexHigh) << 32) | uint64_t(information.nFileIndexLow)};
}

// What stands at a target's name: a reparse point (a link) is neither
// followed nor replaced, and anything but a file on a disk is never
// replaced. found receives the file's attributes when it is a plain file.
TargetRefusal InspectTarget(const std::wstring& path, const QList<FileIdentity>& inputs, DWORD* found)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return TargetRefusal::None;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return TargetRefusal::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TargetRefusal::NotRegular;
    const HANDLE handle = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return TargetRefusal::None;
    const bool disk = ::GetFileType(handle) == FILE_TYPE_DISK;
    const auto information = InformationOf(handle);
    ::CloseHandle(handle);
    if (!disk) return TargetRefusal::NotRegular;
    if (information && inputs.contains(IdentityOfInformation(*information))) return TargetRefusal::Input;
    if (found) *found = attributes;
    return TargetRefusal::None;
}

} // namespace

std::optional<FileIdentity> IdentityOf(const QString& path)
{
    if (path.isEmpty()) return std::nullopt;
    const HANDLE handle = ::CreateFileW(Native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto information = InformationOf(handle);
    ::CloseHandle(handle);
    if (!information) return std::nullopt;
    return IdentityOfInformation(*information);
}

TargetRefusal CheckWriteTarget(const QString& path, const QList<FileIdentity>& inputs)
{
    return path.isEmpty() ? TargetRefusal::None : InspectTarget(Native(path), inputs, nullptr);
}

NameStatus StatusOfName(const QString& path)
{
    NameStatus status;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.isEmpty() || !::GetFileAttributesExW(Native(path).c_str(), GetFileExInfoStandard, &data)) return status;
    status.What = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? NameStatus::Link
                  : (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)   ? NameStatus::Other
                                                                         : NameStatus::RegularFile;
    // 100-nanosecond steps since 1601.
    const qint64 ticks = (qint64(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    status.ModifiedMs = ticks / 10000 - 11644473600000LL;
    const HANDLE handle = ::CreateFileW(Native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        if (::GetFileType(handle) != FILE_TYPE_DISK && status.What == NameStatus::RegularFile)
            status.What = NameStatus::Other;
        if (const auto information = InformationOf(handle)) status.Identity = IdentityOfInformation(*information);
        ::CloseHandle(handle);
    }
    return status;
}

constexpr int BadHandleError = int(ERROR_INVALID_HANDLE);

namespace {

bool IsAccessDenied(int nativeError)
{
    return DWORD(nativeError) == ERROR_ACCESS_DENIED;
}

} // namespace

int16_t FileErrorNumber(int nativeError, const QString& path)
{
    switch (DWORD(nativeError)) {
    case 0:
        return 0;
    case ERROR_FILE_NOT_FOUND:
        return QFileInfo(FolderOf(path)).isDir() ? int16_t(FileNotFound) : int16_t(PathNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
        return PathNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
        return PermissionDenied;
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_NOT_SAME_DEVICE:
        return PathFileAccessError;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return BadFileName;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return DiskFull;
    case ERROR_NOT_READY:
        return DiskNotReady;
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_UNIT:
        return DeviceUnavailable;
    default:
        return DeviceIoError;
    }
}

bool DataFile::IsOpen() const
{
    return m_handle != nullptr;
}

DataFolder::DataFolder(const QString& path)
    : m_path(path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')) ? path : path + QLatin1Char('/'))
{
}

DataFolder::~DataFolder() = default;

OpenStatus DataFile::Open(const DataFolder& folder, const QString& name, FileAccess access)
{
    return Open(folder.Path() + name, access);
}

OpenStatus DataFile::Open(const QString& path, FileAccess access)
{
    Close();
    m_path = path;
    m_access = access;
    m_error = 0;
    m_fault = {};
    m_identity = {};
    if (path.isEmpty() || path.contains(QChar(0))) {
        Fail(FileFault{BadFileName, 0, TargetRefusal::None, false});
        return OpenStatus::Failed;
    }
    // Readers of records share with readers only. A rewrite shares with
    // nobody, but allows the rename by which its replacement takes the
    // record's place.
    const bool exclusive = access == FileAccess::Exclusive;
    const bool plain = access == FileAccess::Read || access == FileAccess::ReadNoLink;
    const bool noLink = exclusive || access == FileAccess::ReadNoLink;
    const DWORD share = plain       ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                        : exclusive ? FILE_SHARE_DELETE
                                    : FILE_SHARE_READ;
    // A file opened for a rewrite is never reached through a link.
    const HANDLE handle =
        ::CreateFileW(Native(path).c_str(), exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, share, nullptr,
                      OPEN_EXISTING, noLink ? FILE_FLAG_OPEN_REPARSE_POINT : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (!plain && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)) return OpenStatus::Busy;
        Fail(int(error));
        return OpenStatus::Failed;
    }
    const auto information = InformationOf(handle);
    if (::GetFileType(handle) != FILE_TYPE_DISK || !information ||
        (information->dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        ::CloseHandle(handle);
        Fail(int(ERROR_ACCESS_DENIED));
        return OpenStatus::Failed;
    }
    m_identity = IdentityOfInformation(*information);
    m_handle = handle;
    m_atStart = true;
    return OpenStatus::Opened;
}

qint64 DataFile::Size()
{
    LARGE_INTEGER size;
    if (!m_handle || !::GetFileSizeEx(m_handle, &size)) {
        Fail(m_handle ? int(::GetLastError()) : int(ERROR_INVALID_HANDLE));
        return -1;
    }
    return qint64(size.QuadPart);
}

qint64 DataFile::Read(char* data, qint64 size, qint64 enough)
{
    qint64 total = 0;
    m_atStart = m_atStart && size <= 0;
    while (total < size) {
        DWORD n = 0;
        const DWORD chunk = DWORD(qMin<qint64>(size - total, 1 << 30));
        if (!::ReadFile(m_handle, data + total, chunk, &n, nullptr)) {
            Fail(int(::GetLastError()));
            return -1;
        }
        total += n;
        if (n == 0 || (n < chunk && total >= enough)) break;
    }
    return total;
}

bool DataFile::Seek(qint64 offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    const bool moved = ::SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN);
    m_atStart = moved && offset == 0;
    return moved || Fail(int(::GetLastError()));
}

bool DataFile::RewriteInPlace(QByteArrayView bytes)
{
    if (!m_handle || m_access != FileAccess::Exclusive) return Fail(int(ERROR_INVALID_HANDLE));
    // Another name of the file (a hard link someone made) would change with it.
    const auto information = InformationOf(m_handle);
    if (!information) return Fail(int(::GetLastError()));
    if (information->nNumberOfLinks > 1) return Fail(FileFault{PathFileAccessError, 0, TargetRefusal::Link, false});
    if (!Seek(0)) return false;
    m_atStart = bytes.isEmpty();
    if (!WriteAll(m_handle, bytes) || !::SetEndOfFile(m_handle) || !::FlushFileBuffers(m_handle))
        return Fail(int(::GetLastError()));
    return true;
}

void DataFile::Close()
{
    if (m_handle) {
        ::CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

bool DataFile::HoldsLockRecord() const
{
    return false;
}

void FlushFolder(const QString&) {}

// Windows flushes every new file as it is written, unless it never need reach
// the disk: FlushTiming::Later only matters on Unix.
int16_t FileReplacement::Write(const QString& folder, const QList<QByteArrayView>& parts, FlushTiming flush)
{
    Discard();
    m_parts = parts;
    HANDLE handle = INVALID_HANDLE_VALUE;
    QString path;
    DWORD error = 0;
    m_fault = {};
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 8; ++attempt) {
        path = QDir(folder).filePath(NewTemporaryName());
        handle =
            ::CreateFileW(Native(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        error = ::GetLastError();
        if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) return Fail(int(error), path);
    m_path = path;
    bool ok = true;
    for (const QByteArrayView part : parts)
        ok = ok && WriteAll(handle, part);
    m_durable = flush != FlushTiming::Never;
    ok = ok && (!m_durable || ::FlushFileBuffers(handle));
    error = ::GetLastError();
    ::CloseHandle(handle);
    if (ok) return 0;
    const int16_t number = Fail(int(error), path);
    Discard();
    return number;
}

int16_t FileReplacement::Flush()
{
    return 0;
}

// The move writes through to the disk: there is no folder to flush afterwards.
int16_t FileReplacement::Commit(const QString& target, FlushTiming)
{
    m_fault = {};
    if (m_path.isEmpty()) return Fail(int(ERROR_FILE_NOT_FOUND), target);
    const std::wstring from = Native(m_path);
    const std::wstring to = Native(target);
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    const TargetRefusal refusal = InspectTarget(to, m_inputs, &attributes);
    if (refusal != TargetRefusal::None) return Refuse(refusal);
    ::SetFileAttributesW(from.c_str(), attributes == INVALID_FILE_ATTRIBUTES
                                           ? FILE_ATTRIBUTE_NORMAL
                                           : attributes & ~DWORD(FILE_ATTRIBUTE_DIRECTORY));
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        m_path.clear();
        return 0;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_NOT_SAME_DEVICE) {
        Discard();
        return Fail(int(error), target);
    }
    return CommitBeside(target);
}

int16_t FileReplacement::CommitNew(const QString& target)
{
    m_fault = {};
    if (m_path.isEmpty()) return Fail(int(ERROR_FILE_NOT_FOUND), target);
    const std::wstring from = Native(m_path);
    const std::wstring to = Native(target);
    ::SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target.
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        m_path.clear();
        return 0;
    }
    const DWORD error = ::GetLastError();
    Discard();
    return Fail(int(error), target);
}

void FileReplacement::Discard()
{
    if (m_path.isEmpty()) return;
    ::DeleteFileW(Native(m_path).c_str());
    m_path.clear();
}

int16_t DeleteDataFile(const QString& path, FileFault* fault)
{
    if (path.isEmpty()) return BadFileName;
    if (::DeleteFileW(Native(path).c_str())) return 0;
    const int error = int(::GetLastError());
    if (fault) *fault = FileFault{FileErrorNumber(error, path), error, TargetRefusal::None, false};
    return FileErrorNumber(error, path);
}

#endif

// What both platforms share.

DataFile::~DataFile()
{
    Close();
}

bool DataFile::Fail(int nativeError)
{
    return Fail(FileFault{FileErrorNumber(nativeError, m_path), nativeError, TargetRefusal::None, false});
}

bool DataFile::Fail(const FileFault& fault)
{
    m_fault = fault;
    m_error = fault.Number;
    return false;
}

int16_t FileReplacement::Fail(int nativeError, const QString& path)
{
    m_fault = FileFault{FileErrorNumber(nativeError, path), nativeError, TargetRefusal::None, false};
    return m_fault.Number;
}

int16_t FileReplacement::Refuse(TargetRefusal refusal)
{
    Discard();
    m_fault = FileFault{PathFileAccessError, 0, refusal, false};
    return m_fault.Number;
}

ReadStatus DataFile::ReadAll(QByteArray& bytes, qint64 limit)
{
    bytes.clear();
    const qint64 size = Size();
    // A file just opened is read from its start without being moved there.
    if (size < 0 || (!m_atStart && !Seek(0))) return ReadStatus::Failed;
    if (size > limit) return ReadStatus::TooLarge;
    // One byte more than the size tells whether the file grew meanwhile;
    // a read that stops short of it, with the size in, has met the end.
    bytes.resize(qsizetype(size) + 1);
    const qint64 read = Read(bytes.data(), bytes.size(), size);
    if (read < 0) {
        bytes.clear();
        return ReadStatus::Failed;
    }
    if (read > size) {
        bytes.clear();
        return ReadStatus::TooLarge;
    }
    bytes.resize(qsizetype(read));
    return ReadStatus::Ok;
}

bool DataFile::Replace(QByteArrayView bytes)
{
    if (!IsOpen() || m_access != FileAccess::Exclusive) return Fail(BadHandleError);
    FileReplacement replacement;
    replacement.Write(FolderOf(m_path), {bytes});
    return PutInPlace(replacement, bytes, FlushTiming::Now);
}

bool DataFile::PutInPlace(FileReplacement& replacement, QByteArrayView bytes, FlushTiming folderFlush)
{
    int16_t number = replacement.Fault().Number;
    if (number == 0) number = replacement.Flush();
#ifndef Q_OS_WIN
    // Held by its lock record, the file need not stay open while it is
    // replaced; a FUSE mount (sshfs) would otherwise move the open file aside
    // first and rename twice, leaving a moment without it.
    if (number == 0 && m_lockRecord.IsTaken()) {
        ::close(m_fd);
        m_fd = -1;
    }
#endif
    if (number == 0) number = replacement.Commit(m_path, folderFlush);
    if (number == 0) return true;
    // No file may be made or renamed in the folder (a sticky folder keeps
    // others' names), but the record is ours to write. Never after a refusal:
    // what stands at the name now is not the record that was opened.
    const FileFault fault = replacement.Fault();
    if (fault.Refusal == TargetRefusal::None && IsAccessDenied(fault.SystemError) && IsOpen())
        return RewriteInPlace(bytes);
    return Fail(fault);
}

struct ReplacementBatch::Entry
{
    std::unique_ptr<DataFile> File;
    QByteArray Bytes;
    FileReplacement Replacement;
    // The new file has the file's permission bits and group already.
    bool Dressed = false;
};

namespace {

// A batch takes at the most a quarter of the files a process may open, and
// between these bounds.
constexpr qsizetype LeastBatch = 16;
constexpr qsizetype MostBatch = 512;

#ifdef Q_OS_LINUX

// From how many new files on one file system a flush of the whole file
// system replaces a flush of each: below, a flush of the disk's cache per
// file costs little, and the whole file system may hold much else to write.
constexpr size_t FlushWholeFrom = 8;

// Whether a flush of the whole file system that holds fd puts its files on
// the disk and reports every write of the file system that failed: a local
// disk, on Linux 5.8 or later (earlier, syncfs reported nothing).
bool FlushesWholeFileSystem(int fd)
{
    static const bool reports = [] {
        utsname system{};
        int major = 0;
        int minor = 0;
        return ::uname(&system) == 0 && std::sscanf(system.release, "%d.%d", &major, &minor) == 2 &&
               (major > 5 || (major == 5 && minor >= 8));
    }();
    struct statfs fileSystem;
    if (!reports || ::fstatfs(fd, &fileSystem) != 0) return false;
    switch (fileSystem.f_type) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

#endif

} // namespace

ReplacementBatch::ReplacementBatch() = default;

ReplacementBatch::~ReplacementBatch()
{
    Discard();
}

qsizetype ReplacementBatch::Capacity()
{
#ifdef Q_OS_WIN
    return MostBatch;
#else
    static const qsizetype capacity = [] {
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return MostBatch;
        return std::clamp(qsizetype(files.rlim_cur / 4), LeastBatch, MostBatch);
    }();
    return capacity;
#endif
}

bool ReplacementBatch::Add(std::unique_ptr<DataFile>& file, QByteArray bytes)
{
    if (!file || !file->IsOpen() || file->m_access != FileAccess::Exclusive || file->HoldsLockRecord() || Full())
        return false;
    auto entry = std::make_unique<Entry>();
    entry->Bytes = std::move(bytes);
    FileReplacement& replacement = entry->Replacement;
    // A file system flushed whole writes every new file in one go at the
    // flush; elsewhere the disk starts on each at once.
    FlushTiming timing = FlushTiming::Later;
#ifdef Q_OS_LINUX
    const uint64_t device = file->Identity().Device;
    auto known = std::find_if(m_flushedWhole.begin(), m_flushedWhole.end(),
                              [device](const auto& fileSystem) { return fileSystem.first == device; });
    if (known == m_flushedWhole.end())
        known = m_flushedWhole.insert(m_flushedWhole.end(), {device, FlushesWholeFileSystem(file->m_fd)});
    if (known->second) timing = FlushTiming::Together;
#endif
    if (replacement.Write(FolderOf(file->m_path), {entry->Bytes}, timing) != 0) return false;
#ifndef Q_OS_WIN
    // The new file takes the file's permission bits and group now, through
    // its open file, so that they reach the disk with its contents. The
    // group may only be given by its members; otherwise it stays ours.
    struct stat old;
    struct stat made;
    if (::fstat(file->m_fd, &old) == 0 && ::fstat(replacement.m_fd, &made) == 0) {
        const bool moded =
            (made.st_mode & 07777) == (old.st_mode & 07777) || ::fchmod(replacement.m_fd, old.st_mode & 07777) == 0;
        if (made.st_gid != old.st_gid && ::fchown(replacement.m_fd, uid_t(-1), old.st_gid) != 0) {
        }
        entry->Dressed = moded;
    }
#endif
    entry->File = std::move(file);
    m_entries.push_back(std::move(entry));
    return true;
}

void ReplacementBatch::FlushNewFiles()
{
    std::vector<FileReplacement*> eachOnItsOwn;
#ifdef Q_OS_LINUX
    // The new files by file system, in the order added.
    std::vector<std::pair<uint64_t, std::vector<FileReplacement*>>> fileSystems;
    for (const std::unique_ptr<Entry>& entry : m_entries) {
        const uint64_t device = entry->File->Identity().Device;
        auto found = std::find_if(fileSystems.begin(), fileSystems.end(),
                                  [device](const auto& fileSystem) { return fileSystem.first == device; });
        if (found == fileSystems.end()) found = fileSystems.insert(fileSystems.end(), {device, {}});
        found->second.push_back(&entry->Replacement);
    }
    for (const auto& fileSystem : fileSystems) {
        const uint64_t device = fileSystem.first;
        const std::vector<FileReplacement*>& files = fileSystem.second;
        // The first new file was opened before any was written: a failed
        // write of any of them is reported to it.
        const int first = files.front()->m_fd;
        const auto known = std::find_if(m_flushedWhole.begin(), m_flushedWhole.end(),
                                        [device](const auto& fileSystem) { return fileSystem.first == device; });
        const bool whole = known != m_flushedWhole.end() && known->second;
        if (whole && files.size() >= FlushWholeFrom && first >= 0 && ::syncfs(first) == 0) {
            for (FileReplacement* file : files)
                file->Close(false);
        } else {
            eachOnItsOwn.insert(eachOnItsOwn.end(), files.begin(), files.end());
        }
    }
#else
    for (const std::unique_ptr<Entry>& entry : m_entries)
        eachOnItsOwn.push_back(&entry->Replacement);
#endif
    // Flushes issued together are served together (one write of the file
    // system's records, one flush of the disk's cache for all).
    InThreads(eachOnItsOwn.size(), [&eachOnItsOwn](size_t i) { eachOnItsOwn[i]->Flush(); });
}

qsizetype ReplacementBatch::Commit()
{
    m_fault = {};
    // The disk has been writing every new file since it was added. All are
    // flushed before the first rename, so that none takes its file's place
    // before its contents are there for good.
    FlushNewFiles();
    qsizetype done = 0;
    QStringList folders;
    for (; done < qsizetype(m_entries.size()); ++done) {
        Entry& entry = *m_entries[size_t(done)];
        DataFile& file = *entry.File;
        if (!RenameOverOpenFile(entry) && !file.PutInPlace(entry.Replacement, entry.Bytes, FlushTiming::Later)) {
            m_fault = file.Fault();
            break;
        }
        const QString folder = FolderOf(file.m_path);
        if (!folders.contains(folder)) folders.append(folder);
    }
    for (const QString& folder : std::as_const(folders))
        FlushFolder(folder);
    // Closing a replaced file frees it, and a disk mounted to discard freed
    // blocks may make each close wait for that.
    InThreads(size_t(done), [this](size_t i) { m_entries[i]->File->Close(); });
    Discard();
    return done;
}

bool ReplacementBatch::RenameOverOpenFile(Entry& entry)
{
#ifdef Q_OS_WIN
    Q_UNUSED(entry);
    return false;
#else
    // Where the name still leads to the file held open, not through a link,
    // and the new file is on the disk with the file's bits and group, only
    // the rename is left. Anything else goes the general way, which tells
    // what it refuses, and rewrites in place where the rename is refused.
    const DataFile& file = *entry.File;
    FileReplacement& replacement = entry.Replacement;
    if (!entry.Dressed || replacement.Fault().Number != 0 || replacement.m_path.isEmpty()) return false;
    struct stat named;
    const QByteArray target = Native(file.m_path);
    if (::fstatat(AT_FDCWD, target.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode) ||
        IdentityOfStat(named) != file.Identity())
        return false;
    if (::rename(Native(replacement.m_path).constData(), target.constData()) != 0) return false;
    replacement.m_path.clear();
    return true;
#endif
}

void ReplacementBatch::Discard()
{
    // Each entry's replacement removes its file unless it was put in place,
    // and its record is closed.
    m_entries.clear();
    m_flushedWhole.clear();
}

// The temporary lies on another file system than the target: the same
// contents once more beside the target, and that one renamed.
int16_t FileReplacement::CommitBeside(const QString& target)
{
    FileReplacement beside;
    beside.KeepInputs(m_inputs);
    int16_t number = beside.Write(FolderOf(target), m_parts);
    if (number == 0) number = beside.Commit(target);
    m_fault = beside.Fault();
    Discard();
    return number;
}

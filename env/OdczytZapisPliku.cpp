#include "env/OdczytZapisPliku.h"

#include "env/ErrorMessages.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#    include <windows.h>

#    include <cstring>
#    include <vector>
#else
#    include <cerrno>
#    include <csignal>
#    include <fcntl.h>
#    include <sys/stat.h>
#    include <unistd.h>
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
    const QDir dir(folder);
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    const QFileInfoList entries = dir.entryInfoList({TemporaryPrefix + QLatin1Char('*') + TemporarySuffix},
                                                    QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch match = TemporaryPattern().match(entry.fileName());
        if (!match.hasMatch()) continue;
        const bool ours = match.captured(1) == HostTag();
        const bool stale = ours ? !ProcessRuns(match.captured(2).toLongLong()) : entry.lastModified().toUTC() < dayAgo;
        if (stale) QFile::remove(entry.absoluteFilePath());
    }
}

OpenStatus OpenWithRetries(DataFile& file, const QString& path, FileAccess access, RetryWhen retryWhen, int retries,
                           const std::function<void()>& waitBeforeRetry)
{
    const auto again = [retryWhen](OpenStatus status) {
        return retryWhen == RetryWhen::Busy ? status == OpenStatus::Busy : status != OpenStatus::Opened;
    };
    OpenStatus status = file.Open(path, access);
    for (int retry = 0; again(status) && retry < retries; ++retry) {
        if (waitBeforeRetry) waitBeforeRetry();
        status = file.Open(path, access);
    }
    return status;
}

ReadStatus ReadWholeFile(const QString& path, qint64 limit, QByteArray& bytes, int16_t* error)
{
    DataFile file;
    ReadStatus status = ReadStatus::Failed;
    if (file.Open(path, FileAccess::Read) == OpenStatus::Opened) status = file.ReadAll(bytes, limit);
    if (error) *error = status == ReadStatus::Failed ? file.ErrorNumber() : int16_t(0);
    return status;
}

int16_t ReplaceFile(const QString& target, QByteArrayView bytes)
{
    FileReplacement replacement;
    const int16_t number = replacement.Write(FolderOf(target), {bytes});
    return number != 0 ? number : replacement.Commit(target);
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

// Flushes a folder's entries to disk; file systems that cannot are let be.
void SyncFolder(const QString& folder)
{
    const int fd = OpenRetryingInterrupts(Native(folder), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The status of an open file as its file system has it now. A network mount
// (sshfs) may otherwise answer from what it saw before another workstation
// replaced the file, and reads would end at the old length.
int FreshStatus(int fd, struct stat& status)
{
#    ifdef AT_STATX_FORCE_SYNC
    struct statx fresh;
    ::statx(fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &fresh); // refreshes what fstat tells
#    endif
    return ::fstat(fd, &status);
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

constexpr int BadHandleError = EBADF;

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

OpenStatus DataFile::Open(const QString& path, FileAccess access)
{
    Close();
    m_path = path;
    m_access = access;
    m_error = 0;
    if (path.isEmpty() || path.contains(QChar(0))) {
        m_error = BadFileName;
        return OpenStatus::Failed;
    }
    const QByteArray native = Native(path);
    const bool exclusive = access == FileAccess::Exclusive;
    // Where locks stay inside this workstation's mount, a rewrite takes the
    // record's lock record first, and so opens the record as its last writer
    // left it.
    if (exclusive && (m_reach ? *m_reach : LockReachOf(FolderOf(path))) != LockReach::AllWorkstations) {
        const OpenStatus taken = TakeLockRecord();
        if (taken != OpenStatus::Opened) return taken;
    }
    // Non-blocking, so that a pipe opens at once and is then turned away.
    const int fd = OpenRetryingInterrupts(native, (exclusive ? O_RDWR : O_RDONLY) | O_NOCTTY | O_NONBLOCK);
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
    if (access != FileAccess::Read) {
        const OpenStatus locked = LockForAccess(fd);
        if (locked != OpenStatus::Opened) return turnedAway(locked, 0);
        // A rewrite may have replaced the record between our open and our
        // lock; we would then hold the old, unlinked file. The next attempt
        // opens the new one.
        struct stat current;
        if (::stat(native.constData(), &current) != 0) return turnedAway(OpenStatus::Failed, errno);
        if (!SameFile(opened, current)) return turnedAway(OpenStatus::Busy, 0);
    }
    // A regular file ignores the non-blocking flag: reads wait for the disk as always.
    m_fd = fd;
    m_size = qint64(opened.st_size);
    return OpenStatus::Opened;
}

qint64 DataFile::Size()
{
    if (m_fd < 0) Fail(EBADF);
    return m_fd < 0 ? -1 : m_size;
}

qint64 DataFile::Read(char* data, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        const ssize_t n = ::read(m_fd, data + total, size_t(size - total));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(errno);
            return -1;
        }
        if (n == 0) break;
        total += n;
    }
    return total;
}

bool DataFile::Seek(qint64 offset)
{
    return ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset) || Fail(errno);
}

bool DataFile::RewriteInPlace(QByteArrayView bytes)
{
    if (m_fd < 0 || m_access != FileAccess::Exclusive) return Fail(EBADF);
    if (!Seek(0)) return false;
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

int16_t FileReplacement::Write(const QString& folder, const QList<QByteArrayView>& parts)
{
    Discard();
    m_parts = parts;
    int fd = -1;
    QString path;
    // A name already there is never opened: another one is made up.
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        path = QDir(folder).filePath(NewTemporaryName());
        fd = OpenRetryingInterrupts(Native(path), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return FileErrorNumber(errno, path);
    m_path = path;
    bool ok = true;
    for (const QByteArrayView part : parts)
        ok = ok && WriteAll(fd, part);
    ok = ok && ::fsync(fd) == 0;
    const int error = errno;
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0 && ok) ok = false;
    if (ok) return 0;
    const int16_t number = FileErrorNumber(error ? error : EIO, path);
    Discard();
    return number;
}

int16_t FileReplacement::Commit(const QString& target)
{
    if (m_path.isEmpty()) return FileErrorNumber(ENOENT, target);
    const QByteArray from = Native(m_path);
    const QByteArray to = Native(target);
    struct stat old;
    struct stat folder;
    if (::stat(to.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::chmod(from.constData(), old.st_mode & 07777);
        // The group may only be given by its members; otherwise it stays ours.
        if (::chown(from.constData(), uid_t(-1), old.st_gid) != 0) {
        }
    } else if (::stat(Native(FolderOf(target)).constData(), &folder) == 0 && (folder.st_mode & S_ISGID)) {
        // A new file takes the group of a set-group-ID folder, as one made
        // there would: the scratch file was made elsewhere (TEMP).
        if (::chown(from.constData(), uid_t(-1), folder.st_gid) != 0) {
        }
    }
    if (::rename(from.constData(), to.constData()) == 0) {
        m_path.clear();
        SyncFolder(FolderOf(target));
        return 0;
    }
    const int error = errno;
    if (error != EXDEV) {
        Discard();
        return FileErrorNumber(error, target);
    }
    return CommitBeside(target);
}

int16_t FileReplacement::CommitNew(const QString& target)
{
    if (m_path.isEmpty()) return FileErrorNumber(ENOENT, target);
    const QByteArray from = Native(m_path);
    const QByteArray to = Native(target);
    // A link never replaces a name that is there already.
    if (::link(from.constData(), to.constData()) == 0) {
        Discard();
        SyncFolder(FolderOf(target));
        return 0;
    }
    const int error = errno;
    Discard();
    return FileErrorNumber(error == EEXIST ? EEXIST : error, target);
}

void FileReplacement::Discard()
{
    if (m_path.isEmpty()) return;
    ::unlink(Native(m_path).constData());
    m_path.clear();
}

int16_t DeleteDataFile(const QString& path)
{
    if (path.isEmpty()) return BadFileName;
    if (::unlink(Native(path).constData()) == 0) return 0;
    return FileErrorNumber(errno, path);
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

} // namespace

constexpr int BadHandleError = int(ERROR_INVALID_HANDLE);

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

OpenStatus DataFile::Open(const QString& path, FileAccess access)
{
    Close();
    m_path = path;
    m_access = access;
    m_error = 0;
    if (path.isEmpty() || path.contains(QChar(0))) {
        m_error = BadFileName;
        return OpenStatus::Failed;
    }
    // Readers of records share with readers only. A rewrite shares with
    // nobody, but allows the rename by which its replacement takes the
    // record's place.
    const bool exclusive = access == FileAccess::Exclusive;
    const DWORD share = access == FileAccess::Read ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                        : exclusive                ? FILE_SHARE_DELETE
                                                   : FILE_SHARE_READ;
    const HANDLE handle = ::CreateFileW(Native(path).c_str(), exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                        share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (access != FileAccess::Read && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION))
            return OpenStatus::Busy;
        Fail(int(error));
        return OpenStatus::Failed;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        Fail(int(ERROR_ACCESS_DENIED));
        return OpenStatus::Failed;
    }
    m_handle = handle;
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

qint64 DataFile::Read(char* data, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        DWORD n = 0;
        const DWORD chunk = DWORD(qMin<qint64>(size - total, 1 << 30));
        if (!::ReadFile(m_handle, data + total, chunk, &n, nullptr)) {
            Fail(int(::GetLastError()));
            return -1;
        }
        if (n == 0) break;
        total += n;
    }
    return total;
}

bool DataFile::Seek(qint64 offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return ::SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) || Fail(int(::GetLastError()));
}

bool DataFile::RewriteInPlace(QByteArrayView bytes)
{
    if (!m_handle || m_access != FileAccess::Exclusive) return Fail(int(ERROR_INVALID_HANDLE));
    if (!Seek(0)) return false;
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

int16_t FileReplacement::Write(const QString& folder, const QList<QByteArrayView>& parts)
{
    Discard();
    m_parts = parts;
    HANDLE handle = INVALID_HANDLE_VALUE;
    QString path;
    DWORD error = 0;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 8; ++attempt) {
        path = QDir(folder).filePath(NewTemporaryName());
        handle =
            ::CreateFileW(Native(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        error = ::GetLastError();
        if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) return FileErrorNumber(int(error), path);
    m_path = path;
    bool ok = true;
    for (const QByteArrayView part : parts)
        ok = ok && WriteAll(handle, part);
    ok = ok && ::FlushFileBuffers(handle);
    error = ::GetLastError();
    ::CloseHandle(handle);
    if (ok) return 0;
    const int16_t number = FileErrorNumber(int(error), path);
    Discard();
    return number;
}

int16_t FileReplacement::Commit(const QString& target)
{
    if (m_path.isEmpty()) return FileErrorNumber(int(ERROR_FILE_NOT_FOUND), target);
    const std::wstring from = Native(m_path);
    const std::wstring to = Native(target);
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
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
        return FileErrorNumber(int(error), target);
    }
    return CommitBeside(target);
}

int16_t FileReplacement::CommitNew(const QString& target)
{
    if (m_path.isEmpty()) return FileErrorNumber(int(ERROR_FILE_NOT_FOUND), target);
    const std::wstring from = Native(m_path);
    const std::wstring to = Native(target);
    ::SetFileAttributesW(from.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        m_path.clear();
        return 0;
    }
    const DWORD error = ::GetLastError();
    Discard();
    return FileErrorNumber(int(error), target);
}

void FileReplacement::Discard()
{
    if (m_path.isEmpty()) return;
    ::DeleteFileW(Native(m_path).c_str());
    m_path.clear();
}

int16_t DeleteDataFile(const QString& path)
{
    if (path.isEmpty()) return BadFileName;
    if (::DeleteFileW(Native(path).c_str())) return 0;
    return FileErrorNumber(int(::GetLastError()), path);
}

#endif

// What both platforms share.

DataFile::~DataFile()
{
    Close();
}

bool DataFile::Fail(int nativeError)
{
    m_error = FileErrorNumber(nativeError, m_path);
    return false;
}

ReadStatus DataFile::ReadAll(QByteArray& bytes, qint64 limit)
{
    bytes.clear();
    const qint64 size = Size();
    if (size < 0 || !Seek(0)) return ReadStatus::Failed;
    if (size > limit) return ReadStatus::TooLarge;
    // One byte more than the size tells whether the file grew meanwhile.
    bytes.resize(qsizetype(size) + 1);
    const qint64 read = Read(bytes.data(), bytes.size());
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
    int16_t number = replacement.Write(FolderOf(m_path), {bytes});
#ifndef Q_OS_WIN
    // Held by its lock record, the file need not stay open while it is
    // replaced; a FUSE mount (sshfs) would otherwise move the open file aside
    // first and rename twice, leaving a moment without it.
    if (number == 0 && m_lockRecord.IsTaken()) {
        ::close(m_fd);
        m_fd = -1;
    }
#endif
    if (number == 0) number = replacement.Commit(m_path);
    // No file may be made or renamed in the folder, but the record is ours to write.
    if ((number == PermissionDenied || number == PathFileAccessError) && IsOpen()) return RewriteInPlace(bytes);
    m_error = number;
    return number == 0;
}

// The temporary lies on another file system than the target: the same
// contents once more beside the target, and that one renamed.
int16_t FileReplacement::CommitBeside(const QString& target)
{
    FileReplacement beside;
    int16_t number = beside.Write(FolderOf(target), m_parts);
    if (number == 0) number = beside.Commit(target);
    Discard();
    return number;
}

#include "staff/OdczytZapisPliku.h"

#include "env/ErrorMessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>

#include <cstring>
#include <vector>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString RecordFile::ReplacementPath(const QString& path)
{
    // Record names never start with a full stop (their stems are made of
    // letters, digits, '_' and '-'), and the personnel listing passes over
    // such names, so a replacement left behind by a crash is never taken for
    // a record.
    const QFileInfo info(path);
    return info.dir().filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".new"));
}

RecordFile::~RecordFile()
{
    Close();
}

#ifndef Q_OS_WIN

namespace {

int16_t errorNumberFor(int error)
{
    switch (error) {
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:
    case ETXTBSY:
        return PathFileAccessError;
    case ENAMETOOLONG:
    case EINVAL:
        return BadFileName;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case ENXIO:
    case ENODEV:
        return DeviceUnavailable;
    case EWOULDBLOCK:
    case EBUSY:
        return PermissionDenied;
    default:
        return DeviceIoError;
    }
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool writeAll(int fd, const QByteArray& bytes, int& error)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

bool RecordFile::IsOpen() const
{
    return m_fd >= 0;
}

OpenStatus RecordFile::Open(const QString& path, RecordAccess access)
{
    Close();
    m_path = path;
    m_access = access;
    m_error = 0;
    const QByteArray native = QFile::encodeName(path);
    const int mode = access == RecordAccess::Exclusive ? O_RDWR : O_RDONLY;
    int fd;
    do {
        fd = ::open(native.constData(), mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_error = errorNumberFor(errno);
        return OpenStatus::Failed;
    }
    const auto fail = [&](int error) {
        ::close(fd);
        m_error = errorNumberFor(error);
        return OpenStatus::Failed;
    };
    struct stat opened;
    if (::fstat(fd, &opened) != 0) return fail(errno);
    if (!S_ISREG(opened.st_mode)) return fail(EISDIR);
    int locked;
    do {
        locked = ::flock(fd, (access == RecordAccess::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            return OpenStatus::Busy;
        }
        return fail(errno);
    }
    // A rewrite may have replaced the record between our open and our lock;
    // we would then hold the old, unlinked file. The next attempt opens the
    // new one.
    struct stat current;
    if (::stat(native.constData(), &current) != 0) return fail(errno);
    if (!sameFile(opened, current)) {
        ::close(fd);
        return OpenStatus::Busy;
    }
    m_fd = fd;
    return OpenStatus::Opened;
}

ReadStatus RecordFile::ReadAll(QByteArray& bytes, qsizetype limit)
{
    bytes.clear();
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_error = m_fd < 0 ? int16_t(BadFileName) : errorNumberFor(errno);
        return ReadStatus::Failed;
    }
    if (info.st_size > limit) return ReadStatus::TooLarge;
    // One byte more than the size tells whether the file grew meanwhile.
    bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > limit) return ReadStatus::TooLarge;
            bytes.resize(std::min(total * 2, limit + 1));
        }
        const ssize_t n = ::read(m_fd, bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0) {
            if (errno == EINTR) continue;
            m_error = errorNumberFor(errno);
            bytes.clear();
            return ReadStatus::Failed;
        }
        if (n == 0) break;
        total += n;
    }
    bytes.resize(total);
    return total > limit ? ReadStatus::TooLarge : ReadStatus::Ok;
}

bool RecordFile::Replace(const QByteArray& bytes)
{
    struct stat info;
    if (m_fd < 0 || m_access != RecordAccess::Exclusive || ::fstat(m_fd, &info) != 0) {
        m_error = PathFileAccessError;
        return false;
    }
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray temporary = QFile::encodeName(ReplacementPath(m_path));
    int out;
    do {
        out = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, info.st_mode & 0666);
    } while (out < 0 && errno == EINTR);
    if (out < 0) {
        m_error = errorNumberFor(errno);
        return false;
    }
    int error = 0;
    bool ok = writeAll(out, bytes, error);
    if (ok && ::fchmod(out, info.st_mode & 07777) != 0) {
        ok = false;
        error = errno;
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    // On ext4 and its kin a rename over an existing file also orders the new
    // data to disk ahead of the rename; no fsync per record.
    if (ok && ::rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        m_error = errorNumberFor(error);
    }
    return ok;
}

void RecordFile::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd); // also releases the lock
        m_fd = -1;
    }
}

#else // Q_OS_WIN

namespace {

int16_t errorNumberFor(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
        return PathNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return PermissionDenied;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
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

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
}

} // namespace

bool RecordFile::IsOpen() const
{
    return m_handle != nullptr;
}

OpenStatus RecordFile::Open(const QString& path, RecordAccess access)
{
    Close();
    m_path = path;
    m_access = access;
    m_error = 0;
    // Readers share with readers only. A rewrite shares with nobody, but
    // allows the rename by which its own replacement takes the record's place.
    const bool exclusive = access == RecordAccess::Exclusive;
    const HANDLE handle = ::CreateFileW(
        nativePath(path).c_str(), exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
        exclusive ? FILE_SHARE_DELETE : FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return OpenStatus::Busy;
        m_error = errorNumberFor(error);
        return OpenStatus::Failed;
    }
    m_handle = handle;
    return OpenStatus::Opened;
}

ReadStatus RecordFile::ReadAll(QByteArray& bytes, qsizetype limit)
{
    bytes.clear();
    LARGE_INTEGER size;
    LARGE_INTEGER zero{};
    if (!m_handle || !::GetFileSizeEx(m_handle, &size) || !::SetFilePointerEx(m_handle, zero, nullptr, FILE_BEGIN)) {
        m_error = m_handle ? errorNumberFor(::GetLastError()) : int16_t(BadFileName);
        return ReadStatus::Failed;
    }
    if (size.QuadPart > limit) return ReadStatus::TooLarge;
    bytes.resize(qsizetype(size.QuadPart));
    qsizetype total = 0;
    while (total < bytes.size()) {
        DWORD n = 0;
        if (!::ReadFile(m_handle, bytes.data() + total, DWORD(bytes.size() - total), &n, nullptr)) {
            m_error = errorNumberFor(::GetLastError());
            bytes.clear();
            return ReadStatus::Failed;
        }
        if (n == 0) break;
        total += n;
    }
    bytes.resize(total);
    return ReadStatus::Ok;
}

bool RecordFile::Replace(const QByteArray& bytes)
{
    if (!m_handle || m_access != RecordAccess::Exclusive) {
        m_error = PathFileAccessError;
        return false;
    }
    const std::wstring temporaryPath = nativePath(ReplacementPath(m_path));
    const HANDLE out = ::CreateFileW(temporaryPath.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        m_error = errorNumberFor(::GetLastError());
        return false;
    }
    bool ok = true;
    DWORD error = 0;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        if (!::WriteFile(out, bytes.constData() + done, DWORD(bytes.size() - done), &n, nullptr) || n == 0) {
            ok = false;
            error = ::GetLastError();
        }
        done += n;
    }
    if (ok) {
        // Rename with POSIX semantics: the record may stay open (ours, with
        // delete sharing) while its replacement takes the name.
        const std::wstring target = nativePath(m_path);
        std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = DWORD(target.size() * sizeof(wchar_t));
        std::memcpy(rename->FileName, target.c_str(), rename->FileNameLength);
        if (!::SetFileInformationByHandle(out, FileRenameInfoEx, rename, DWORD(buffer.size()))) {
            ok = false;
            error = ::GetLastError();
        }
    }
    ::CloseHandle(out);
    if (!ok) {
        ::DeleteFileW(temporaryPath.c_str());
        m_error = errorNumberFor(error);
    }
    return ok;
}

void RecordFile::Close()
{
    if (m_handle) {
        ::CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

#endif

#include "Internal.h"
#include "kelbrin.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#ifdef Q_OS_WIN
#    include <windows.h>
#else
#    include <cerrno>
#    include <csignal>
#    include <fcntl.h>
#    include <sys/stat.h>
#    include <sys/types.h>
#    include <unistd.h>
#endif

// A lock is a small text file in the folder BLOKADY of the current directory,
// named after its kind and object (both in capitals, so that letter case does
// not matter). It holds the holder text, the host, the process id, the
// process's start marker and a random token that tells this record apart from
// any later one of the same name:
//
//   KELBRIN LOCK
//   kind=PlnEdit
//   object=PLAN1.PLN
//   holder=jan z stanowisko3
//   host=stanowisko3
//   pid=4711
//   start=123456
//   token=9f0c...
//   END
//
// Creation. The whole record is written to a private file first and then
// hard-linked under the record's name. link() refuses an existing name, so of
// any number of processes asking at once exactly one succeeds, and nobody
// ever sees a record of the winner without its holder. (QFile::rename is no
// use here: when the target appears after its own check it falls back to
// copying over it.) On a file system without hard links the record is created
// with exclusive creation and written afterwards.
//
// Judging an existing record:
//  - finished (it has its END line): held, unless it was written on this host
//    by a process that no longer runs (a zombie counts as gone, and so does a
//    process whose start marker differs: its id was reused); then it is stale.
//    A record of this very process is held as long as its handle is.
//  - unfinished: its writer is at work or died while writing. One that names
//    another host is held. Otherwise it is held while it is young, and stale
//    once it is older than a few seconds.
// Stale records are removed under a guard file, and only after reading the
// record again, so that a record written in the meantime is never removed by
// anyone but its holder.

namespace {

constexpr qint64 GiveUpAfterMs = 2000;     // how long one request may try
constexpr qint64 UnfinishedGraceMs = 100;  // how long to wait for a record being written
constexpr qint64 UnfinishedStaleMs = 5000; // an unfinished record older than this is abandoned
constexpr int GuardStaleMs = 5000;         // a guard file older than this is abandoned
constexpr unsigned long PollMs = 5;
constexpr qint64 MaxRecordSize = 4096;
constexpr qsizetype MaxStemLength = 150;

// ---------------------------------------------------------------------------
// The locks this process holds.

struct HeldLock
{
    QString Path;
    QByteArray Token;
};

QMutex HeldMutex;
QHash<int32_t, HeldLock> HeldLocks;
int32_t NextHandle = 1;

// The handle is registered before the record exists, so that another thread
// of this process never takes a record of ours for a leftover.
int32_t RegisterLock(const QString& path, const QByteArray& token)
{
    QMutexLocker locker(&HeldMutex);
    const int32_t handle = NextHandle;
    NextHandle = NextHandle == INT32_MAX ? 1 : NextHandle + 1;
    HeldLocks.insert(handle, HeldLock{path, token});
    return handle;
}

void ForgetLock(int32_t handle)
{
    QMutexLocker locker(&HeldMutex);
    HeldLocks.remove(handle);
}

bool HeldHere(const QByteArray& token)
{
    QMutexLocker locker(&HeldMutex);
    for (const HeldLock& lock : std::as_const(HeldLocks)) {
        if (lock.Token == token) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Processes and hosts.

struct ProcessInfo
{
    bool Running = false;
    QByteArray Start; // changes when a process id is reused; empty when unknown
};

ProcessInfo InspectProcess(qlonglong pid)
{
    ProcessInfo info;
    if (pid <= 0) return info;
#if defined(Q_OS_LINUX)
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        // "pid (command) state ppid ...": the command may hold blanks and
        // parentheses, so the fields are counted from the last ')'. The
        // start time in clock ticks since boot is field 22.
        const QByteArray line = stat.read(4096);
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> fields = close < 0 ? QList<QByteArray>() : line.mid(close + 2).split(' ');
        info.Running = !fields.isEmpty() && fields.at(0) != "Z" && fields.at(0) != "X";
        if (fields.size() > 19) info.Start = fields.at(19);
        return info;
    }
    if (QFileInfo::exists(QStringLiteral("/proc/self/stat"))) return info; // /proc is there and knows no such process
#endif
#if defined(Q_OS_WIN)
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process) {
        info.Running = GetLastError() == ERROR_ACCESS_DENIED;
        return info;
    }
    info.Running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
#else
    info.Running = kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
    return info;
}

qlonglong OwnProcessId()
{
#ifdef Q_OS_WIN
    return qlonglong(GetCurrentProcessId());
#else
    return qlonglong(getpid());
#endif
}

const QByteArray& OwnStartMarker()
{
    static const QByteArray marker = InspectProcess(OwnProcessId()).Start;
    return marker;
}

const QByteArray& HostName()
{
    static const QByteArray name = QSysInfo::machineHostName().toUtf8();
    return name;
}

// ---------------------------------------------------------------------------
// Records.

QByteArray OneLine(QByteArray text)
{
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

// A part of a record's file name: the text in capitals, as UTF-8, with every
// byte outside A-Z, 0-9, "_", "-" and "." written as %XX.
QByteArray FileNamePart(const char* text)
{
    const QByteArray utf8 = kelbrin::FromCodePage(text).toUpper().toUtf8();
    QByteArray part;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-' || u == '.') {
            part += c;
        } else {
            part += '%';
            part += QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        }
    }
    return part;
}

// "KIND+OBJECT.lck". "+" never occurs inside an escaped part, so different
// pairs never share a name. Long names are cut and end in "~" and a digest of
// the whole, to stay within the file system's limit.
QString RecordFileName(const char* kind, const char* object)
{
    QByteArray stem = FileNamePart(kind) + '+' + FileNamePart(object);
    if (stem.size() > MaxStemLength) {
        const QByteArray digest = QCryptographicHash::hash(stem, QCryptographicHash::Sha1).toHex().left(16);
        stem = stem.left(MaxStemLength - digest.size() - 1) + '~' + digest;
    }
    return QString::fromLatin1(stem) + QStringLiteral(".lck");
}

struct Record
{
    bool Finished = false;
    QByteArray Holder, Host, Pid, Start, Token;
};

// Reads the complete lines of a record; a last line without its line break is
// still being written and is ignored.
Record ParseRecord(const QByteArray& content)
{
    Record record;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = content.indexOf('\n', from);
        if (end < 0) break;
        const QByteArray line = content.mid(from, end - from);
        from = end + 1;
        if (line == "END") {
            record.Finished = true;
            break;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "holder")
            record.Holder = value;
        else if (key == "host")
            record.Host = value;
        else if (key == "pid")
            record.Pid = value;
        else if (key == "start")
            record.Start = value;
        else if (key == "token")
            record.Token = value;
    }
    return record;
}

bool IsStale(const Record& record)
{
    if (record.Host != HostName()) return false;
    bool ok = false;
    const qlonglong pid = record.Pid.toLongLong(&ok);
    if (!ok || pid <= 0) return true; // not a process this host ever had
    if (pid == OwnProcessId() && record.Start == OwnStartMarker()) return !HeldHere(record.Token);
    const ProcessInfo process = InspectProcess(pid);
    if (!process.Running) return true;
    return !record.Start.isEmpty() && !process.Start.isEmpty() && record.Start != process.Start;
}

struct Snapshot
{
    bool Exists = false;
    bool Readable = false;
    QByteArray Content;
    QDateTime Modified;
};

Snapshot ReadRecord(const QString& path)
{
    Snapshot snapshot;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
#ifdef Q_OS_WIN
        snapshot.Exists = QFileInfo::exists(path);
#else
        // Only an open tells: a network mount (sshfs) goes on saying that a
        // name exists for a while after another workstation removed it.
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        snapshot.Exists = fd >= 0 || errno != ENOENT;
        if (fd >= 0) ::close(fd);
#endif
        return snapshot;
    }
    snapshot.Exists = snapshot.Readable = true;
    snapshot.Content = file.read(MaxRecordSize);
    snapshot.Modified = QFileInfo(file).lastModified().toUTC();
    return snapshot;
}

// Removes a record judged stale, provided it is still the very record that
// was judged. The guard admits one taker at a time.
void TakeOver(const QString& path, const Snapshot& judged)
{
    QLockFile guard(path + QStringLiteral(".guard"));
    guard.setStaleLockTime(GuardStaleMs);
    if (!guard.tryLock(0)) {
        QThread::msleep(PollMs);
        return;
    }
    const Snapshot now = ReadRecord(path);
    if (now.Readable && now.Content == judged.Content && now.Modified == judged.Modified) QFile::remove(path);
    guard.unlock();
}

QByteArray NewToken()
{
    const quint64 a = QRandomGenerator::system()->generate64();
    const quint64 b = QRandomGenerator::system()->generate64();
    return QByteArray::number(a, 16).rightJustified(16, '0') + QByteArray::number(b, 16).rightJustified(16, '0');
}

enum class Publish { Done, Exists, Failed };

bool WriteNewFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const bool written = file.write(content) == content.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        QFile::remove(path);
        return false;
    }
    return true;
}

#ifndef Q_OS_WIN
bool LinksMissing(int error)
{
#    if defined(EOPNOTSUPP) && EOPNOTSUPP != ENOTSUP
    if (error == EOPNOTSUPP) return true;
#    endif
    return error == EPERM || error == ENOTSUP || error == ENOSYS;
}
#endif

// Puts the complete record under its name, unless the name is taken.
Publish PublishRecord(const QString& folder, const QString& path, const QByteArray& content, const QByteArray& token)
{
    const QString temporary =
        QDir(folder).filePath(QLatin1Char('~') + QString::fromLatin1(token) + QStringLiteral(".tmp"));
    if (!WriteNewFile(temporary, content)) return Publish::Failed;
#ifdef Q_OS_WIN
    const QString from = QDir::toNativeSeparators(temporary);
    const QString to = QDir::toNativeSeparators(path);
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target.
    if (MoveFileExW(reinterpret_cast<LPCWSTR>(from.utf16()), reinterpret_cast<LPCWSTR>(to.utf16()),
                    MOVEFILE_WRITE_THROUGH))
        return Publish::Done;
    const DWORD error = GetLastError();
    QFile::remove(temporary);
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Publish::Exists : Publish::Failed;
#else
    const QByteArray from = QFile::encodeName(temporary);
    int error = 0;
    bool linked = ::link(from.constData(), QFile::encodeName(path).constData()) == 0;
    if (!linked) {
        error = errno;
        // A network file system may report a failure for a link that was
        // made; the private file's link count tells.
        struct stat status;
        linked = ::stat(from.constData(), &status) == 0 && status.st_nlink == 2;
    }
    QFile::remove(temporary);
    if (linked) return Publish::Done;
    if (error == EEXIST) return Publish::Exists;
    if (LinksMissing(error)) {
        if (WriteNewFile(path, content)) return Publish::Done;
        return QFileInfo::exists(path) ? Publish::Exists : Publish::Failed;
    }
    return Publish::Failed;
#endif
}

} // namespace

extern "C" KELBRIN_API int32_t KLNX_CreateLock(const char* kind, const char* object, char* holder, char* owner)
{
    if (!kind || !object || !*kind || !*object) return -1;
    const QString folder = QDir::current().filePath(QStringLiteral("BLOKADY"));
    if (!QDir().mkpath(folder)) return -1;
    const QString path = QDir(folder).filePath(RecordFileName(kind, object));
    const QByteArray token = NewToken();
    const QByteArray content = "KELBRIN LOCK\nkind=" + OneLine(kind) + "\nobject=" + OneLine(object) +
                               "\nholder=" + OneLine(holder ? QByteArray(holder) : QByteArray()) +
                               "\nhost=" + HostName() + "\npid=" + QByteArray::number(OwnProcessId()) +
                               "\nstart=" + OwnStartMarker() + "\ntoken=" + token + "\nEND\n";
    const int32_t handle = RegisterLock(path, token);

    QElapsedTimer clock;
    clock.start();
    qint64 unfinishedSince = -1;
    while (clock.elapsed() < GiveUpAfterMs) {
        const Publish result = PublishRecord(folder, path, content, token);
        if (result == Publish::Done) return handle;
        if (result == Publish::Failed) break;

        const Snapshot existing = ReadRecord(path);
        if (!existing.Readable) {
            if (existing.Exists) break; // something we cannot read holds the name
            continue;                   // released between our two looks
        }
        const Record record = ParseRecord(existing.Content);
        if (record.Finished) {
            if (!IsStale(record)) {
                ForgetLock(handle);
                if (!record.Holder.isEmpty()) kelbrin::FillBuffer(owner, record.Holder);
                return -1;
            }
            TakeOver(path, existing);
            continue;
        }
        if (!record.Host.isEmpty() && record.Host != HostName()) break;
        if (existing.Modified.msecsTo(QDateTime::currentDateTimeUtc()) > UnfinishedStaleMs) {
            TakeOver(path, existing);
            continue;
        }
        if (unfinishedSince < 0)
            unfinishedSince = clock.elapsed();
        else if (clock.elapsed() - unfinishedSince > UnfinishedGraceMs)
            break;
        QThread::msleep(PollMs);
    }
    ForgetLock(handle);
    return -1;
}

extern "C" KELBRIN_API uint8_t KLNX_DeleteLock(int32_t handle)
{
    HeldLock lock;
    {
        QMutexLocker locker(&HeldMutex);
        const auto it = HeldLocks.constFind(handle);
        if (it == HeldLocks.constEnd()) return 1;
        lock = it.value();
    }
    // The record goes while the handle is still registered, so that no other
    // thread of ours takes it for a leftover and puts its own in its place
    // just before we remove it.
    const Snapshot snapshot = ReadRecord(lock.Path);
    if (snapshot.Readable && ParseRecord(snapshot.Content).Token == lock.Token) QFile::remove(lock.Path);
    ForgetLock(handle);
    return 0;
}

#include "Internal.h"
#include "kelbrin.h"

#include "env/OdczytZapisPliku.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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
// Records are read and written through the program's file layer
// (OdczytZapisPliku): only a regular file at the record's own name is read,
// opened without waiting and without following a link, and never more than a
// record can hold.
//
// Creation. The whole record is written to a private file first and then
// hard-linked under the record's name. link() refuses an existing name, so of
// any number of processes asking at once exactly one succeeds, and nobody
// ever sees a record of the winner without its holder. (QFile::rename is no
// use here: when the target appears after its own check it falls back to
// copying over it.) On a file system without hard links the record is created
// with exclusive creation and written afterwards. Neither the record nor its
// folder is flushed to the disk: a record has to be whole when it appears,
// not to outlive a power cut. One that did would name a process that is gone
// (stale), and one that a crash left empty or cut short is an unfinished
// record of no host, stale once it is a few seconds old.
//
// Judging an existing record:
//  - finished (it has its END line): held, unless it was written on this host
//    by a process that no longer runs (a zombie counts as gone, and so does a
//    process whose start marker differs: its id was reused); then it is stale.
//    A record of this very process is held as long as its handle is.
//  - unfinished: its writer is at work or died while writing. One that names
//    another host is held. Otherwise it is held while it is young, and stale
//    once it is older than a few seconds.
//  - anything else at the record's name (a link, a pipe, a device, a folder)
//    is no record at all and names no host: it is judged as an unfinished
//    record, held (by nobody the caller can be told of) while it is young,
//    stale and removed once it is older. A folder is never removed.
// Stale records are removed under a guard file, and only after looking at the
// record again, so that a record written in the meantime is never removed by
// anyone but its holder.
//
// A refusal leaves errno (on Windows the last error) at the system's error
// when the record could not be written, and at 0 when the lock is held.

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
    NameStatus Name;       // what stands at the record's name
    bool Readable = false; // a regular file that could be read
    QByteArray Content;    // its first MaxRecordSize bytes
    bool Exists() const { return Name.What != NameStatus::Absent; }
    qint64 AgeMs() const { return QDateTime::currentMSecsSinceEpoch() - Name.ModifiedMs; }
};

Snapshot ReadRecord(const QString& path)
{
    Snapshot snapshot;
    snapshot.Name = StatusOfName(path);
    if (snapshot.Name.What != NameStatus::RegularFile) return snapshot;
    DataFile file;
    if (file.Open(path, FileAccess::ReadNoLink) != OpenStatus::Opened) {
#ifndef Q_OS_WIN
        // Only an open tells: a network mount (sshfs) goes on saying that a
        // name exists for a while after another workstation removed it.
        if (file.Fault().SystemError == ENOENT) snapshot.Name = NameStatus();
#endif
        return snapshot;
    }
    snapshot.Content.resize(MaxRecordSize);
    const qint64 read = file.Read(snapshot.Content.data(), MaxRecordSize);
    snapshot.Readable = read >= 0 && file.Identity() == snapshot.Name.Identity;
    snapshot.Content.resize(qMax<qint64>(read, 0));
    return snapshot;
}

// Whether a guard file's content ("host pid start") names a taker on this
// host that has ended: a process that no longer runs, or whose id now
// belongs to another process.
bool GuardTakerEnded(const QByteArray& content)
{
    const QList<QByteArray> fields = content.trimmed().split(' ');
    if (fields.size() < 2 || fields.at(0) != HostName()) return false;
    bool ok = false;
    const qlonglong pid = fields.at(1).toLongLong(&ok);
    if (!ok || pid <= 0) return false;
    const QByteArray start = fields.value(2);
    if (pid == OwnProcessId() && start == OwnStartMarker()) return false; // another thread of ours
    const ProcessInfo process = InspectProcess(pid);
    if (!process.Running) return true;
    return !start.isEmpty() && !process.Start.isEmpty() && start != process.Start;
}

// The guard that admits one taker of a stale record at a time: a file made
// new beside the record, removed by its taker, or by anyone once its taker
// is known to have ended or it is older than GuardStaleMs (its taker died
// elsewhere).
class TakeOverGuard
{
public:
    explicit TakeOverGuard(const QString& record) : m_path(record + QStringLiteral(".guard"))
    {
        for (int attempt = 0; attempt < 2 && !m_held; ++attempt) {
            FileReplacement guard;
            const QByteArray content =
                HostName() + ' ' + QByteArray::number(OwnProcessId()) + ' ' + OwnStartMarker() + '\n';
            m_held = guard.Write(QFileInfo(m_path).absolutePath(), {content}, FlushTiming::Never) == 0 &&
                     guard.CommitNew(m_path) == 0;
            if (m_held) break;
            const Snapshot old = ReadRecord(m_path);
            if (!old.Exists()) break;
            if (old.AgeMs() <= GuardStaleMs && !(old.Readable && GuardTakerEnded(old.Content))) break;
            if (StatusOfName(m_path) == old.Name) DeleteDataFile(m_path);
        }
    }
    ~TakeOverGuard()
    {
        if (m_held) DeleteDataFile(m_path);
    }
    TakeOverGuard(const TakeOverGuard&) = delete;
    TakeOverGuard& operator=(const TakeOverGuard&) = delete;
    bool Held() const { return m_held; }

private:
    QString m_path;
    bool m_held = false;
};

enum class TakeOverResult { Removed, Later, Impossible };

// Removes a record judged stale, provided it is still the very record (or
// the very thing at its name) that was judged. Later when another taker is
// at work or the record changed meanwhile (the caller waits a moment and
// looks again); Impossible when it cannot be removed (a folder, or no right
// to remove it), with the system's error in systemError.
TakeOverResult TakeOver(const QString& path, const Snapshot& judged, int& systemError)
{
    const TakeOverGuard guard(path);
    if (!guard.Held()) return TakeOverResult::Later;
    const Snapshot now = ReadRecord(path);
    if (now.Name != judged.Name || now.Readable != judged.Readable || now.Content != judged.Content)
        return TakeOverResult::Later;
    FileFault fault;
    if (DeleteDataFile(path, &fault) == 0) return TakeOverResult::Removed;
    systemError = fault.SystemError;
    return StatusOfName(path).What == NameStatus::Absent ? TakeOverResult::Removed : TakeOverResult::Impossible;
}

QByteArray NewToken()
{
    const quint64 a = QRandomGenerator::system()->generate64();
    const quint64 b = QRandomGenerator::system()->generate64();
    return QByteArray::number(a, 16).rightJustified(16, '0') + QByteArray::number(b, 16).rightJustified(16, '0');
}

enum class Publish { Done, Exists, Failed };

// The system's error of a new name that something holds already.
bool NameTaken(int systemError)
{
#ifdef Q_OS_WIN
    return systemError == int(ERROR_ALREADY_EXISTS) || systemError == int(ERROR_FILE_EXISTS);
#else
    return systemError == EEXIST;
#endif
}

// Puts the complete record under its name, unless something stands there;
// the system's error of a failure goes to systemError.
Publish PublishRecord(const QString& folder, const QString& path, const QByteArray& content, int& systemError)
{
    FileReplacement record;
    // Whole and in one step, not flushed: a record that outlived a crash
    // would only be a stale one (and an empty one is judged unfinished).
    const int16_t number = record.Write(folder, {content}, FlushTiming::Never);
    if (number == 0 && record.CommitNew(path) == 0) return Publish::Done;
    systemError = record.Fault().SystemError;
    // Something held the name (it may be gone again by now: the caller looks).
    const bool taken = NameTaken(systemError) || StatusOfName(path).What != NameStatus::Absent;
    return number == 0 && taken ? Publish::Exists : Publish::Failed;
}

// Leaves the system's error of a refusal where the caller of the C interface finds it.
void SetSystemError(int error)
{
#ifdef Q_OS_WIN
    SetLastError(DWORD(error));
#else
    errno = error;
#endif
}

} // namespace

extern "C" KELBRIN_API int32_t KLNX_CreateLock(const char* kind, const char* object, char* holder, char* owner)
{
    const int32_t refused = -1;
    SetSystemError(0);
    if (!kind || !object || !*kind || !*object) return refused;
    const QString folder = QDir::current().filePath(QStringLiteral("BLOKADY"));
    if (!QDir().mkpath(folder)) {
#ifdef Q_OS_WIN
        SetSystemError(int(ERROR_PATH_NOT_FOUND));
#else
        SetSystemError(QFileInfo::exists(folder) ? ENOTDIR : EACCES);
#endif
        return refused;
    }
    RemoveStaleTemporaries(folder);
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
    int systemError = 0;
    while (clock.elapsed() < GiveUpAfterMs) {
        const Publish result = PublishRecord(folder, path, content, systemError);
        if (result == Publish::Done) return handle;
        if (result == Publish::Failed) break;
        systemError = 0;

        const Snapshot existing = ReadRecord(path);
        if (!existing.Exists()) continue; // released between our two looks
        // A regular file that cannot be read is somebody's: held. Anything
        // else at the name is no record; like an unfinished one it names no host.
        if (existing.Name.What == NameStatus::RegularFile && !existing.Readable) break;
        const Record record = ParseRecord(existing.Content);
        if (record.Finished) {
            if (!IsStale(record)) {
                ForgetLock(handle);
                if (!record.Holder.isEmpty()) kelbrin::FillBuffer(owner, record.Holder);
                SetSystemError(0);
                return refused;
            }
        } else if (!record.Host.isEmpty() && record.Host != HostName()) {
            break;
        } else if (existing.AgeMs() <= UnfinishedStaleMs) {
            if (unfinishedSince < 0)
                unfinishedSince = clock.elapsed();
            else if (clock.elapsed() - unfinishedSince > UnfinishedGraceMs)
                break;
            QThread::msleep(PollMs);
            continue;
        }
        const TakeOverResult taken = TakeOver(path, existing, systemError);
        if (taken == TakeOverResult::Impossible) break;
        if (taken == TakeOverResult::Later) QThread::msleep(PollMs);
    }
    ForgetLock(handle);
    SetSystemError(systemError);
    return refused;
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
    if (snapshot.Readable && ParseRecord(snapshot.Content).Token == lock.Token) DeleteDataFile(lock.Path);
    ForgetLock(handle);
    return 0;
}

#include "Internal.h"
#include "kelbrin.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#ifdef Q_OS_WIN
#  include <windows.h>
#else
#  include <cerrno>
#  include <csignal>
#  include <sys/types.h>
#  include <unistd.h>
#endif

// A lock is a small text file in the folder BLOKADY of the data directory,
// named after its kind and object. It is created with exclusive creation, so
// of two processes asking at once exactly one succeeds. It holds the holder
// text, the host, the process id, the process's start marker and a random
// token that tells this record apart from any later one of the same name:
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
// A record whose process is gone from this host is stale and is taken over.
// Taking over happens under a guard file, and only after reading the record
// again, so a live record is never removed by anyone but its holder. A record
// without its final END line is being written; it counts as held (holder
// unknown) until it is older than a few seconds, when its writer must have died.

namespace {

constexpr int MaxAttempts = 400;
constexpr int RetryDelayMs = 5;
constexpr qint64 UnfinishedRecordAgeMs = 5000;
constexpr qint64 MaxRecordSize = 4096;

struct HeldLock
{
    QString path;
    QByteArray token;
};

QMutex heldMutex;
QHash<int32_t, HeldLock> heldLocks;
int32_t nextHandle = 1;

QByteArray currentProcessId()
{
#ifdef Q_OS_WIN
    return QByteArray::number(qulonglong(GetCurrentProcessId()));
#else
    return QByteArray::number(qlonglong(getpid()));
#endif
}

// Something that changes when a process id is reused: the process's start
// time in clock ticks since boot where the system tells it, else nothing.
QByteArray startMarker(const QByteArray& pid)
{
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.read(4096);
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return {};
    // Fields after the command name start with field 3 (state); the start time is field 22.
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields.at(19) : QByteArray();
#else
    Q_UNUSED(pid);
    return {};
#endif
}

bool processRuns(const QByteArray& pidText)
{
    bool ok = false;
    const qlonglong pid = pidText.toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#else
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}

QByteArray hostName()
{
    return QSysInfo::machineHostName().toUtf8();
}

QByteArray oneLine(QByteArray text)
{
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

// The record's file name: kind and object in capitals, bytes outside a safe
// set written as %XX, so that any object text gives a valid file name.
QString recordFileName(const char* kind, const char* object)
{
    const QByteArray raw = kelbrin::toCodePage(kelbrin::fromCodePage(kind).toUpper()) + '_' +
                           kelbrin::toCodePage(kelbrin::fromCodePage(object).toUpper());
    QString name;
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-' || u == '.')
            name += QLatin1Char(c);
        else
            name += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return name + QStringLiteral(".lck");
}

struct Record
{
    bool finished = false;
    QByteArray holder, host, pid, start, token;
};

Record parseRecord(const QByteArray& content)
{
    Record record;
    const QList<QByteArray> lines = content.split('\n');
    for (const QByteArray& line : lines) {
        if (line == "END") {
            record.finished = true;
            break;
        }
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "holder")
            record.holder = value;
        else if (key == "host")
            record.host = value;
        else if (key == "pid")
            record.pid = value;
        else if (key == "start")
            record.start = value;
        else if (key == "token")
            record.token = value;
    }
    return record;
}

bool heldHere(const QByteArray& token)
{
    QMutexLocker locker(&heldMutex);
    for (const HeldLock& lock : std::as_const(heldLocks)) {
        if (lock.token == token)
            return true;
    }
    return false;
}

// A finished record is stale when its process is known to be gone: it was
// written on this host and no process with its id and start marker runs.
bool isStale(const Record& record)
{
    if (record.host != hostName())
        return false;
    if (record.pid == currentProcessId() && record.start == startMarker(record.pid))
        return !heldHere(record.token);
    if (!processRuns(record.pid))
        return true;
    return !record.start.isEmpty() && record.start != startMarker(record.pid);
}

struct Snapshot
{
    bool exists = false;
    QByteArray content;
    QDateTime modified;
};

Snapshot readRecord(const QString& path)
{
    Snapshot snapshot;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return snapshot;
    snapshot.exists = true;
    snapshot.content = file.read(MaxRecordSize);
    snapshot.modified = QFileInfo(file).lastModified().toUTC();
    return snapshot;
}

// Removes a record judged stale, provided it is still the very record that was
// judged. Two takers never both act: the guard admits one at a time.
void takeOver(const QString& path, const Snapshot& judged)
{
    QLockFile guard(path + QStringLiteral(".guard"));
    if (!guard.tryLock(200))
        return;
    const Snapshot now = readRecord(path);
    if (now.exists && now.content == judged.content && now.modified == judged.modified)
        QFile::remove(path);
    guard.unlock();
}

QByteArray newToken()
{
    const quint64 a = QRandomGenerator::system()->generate64();
    const quint64 b = QRandomGenerator::system()->generate64();
    return QByteArray::number(a, 16) + QByteArray::number(b, 16);
}

} // namespace

extern "C" KELBRIN_API int32_t KLNX_CreateLock(const char* kind, const char* object, char* holder, char* owner)
{
    if (!kind || !object || !*kind || !*object)
        return -1;
    const QString folder = QDir::current().filePath(QStringLiteral("BLOKADY"));
    if (!QDir().mkpath(folder))
        return -1;
    const QString path = QDir(folder).filePath(recordFileName(kind, object));
    const QByteArray token = newToken();
    const QByteArray pid = currentProcessId();
    const QByteArray content = "KELBRIN LOCK\nkind=" + oneLine(kind) + "\nobject=" + oneLine(object) +
                               "\nholder=" + oneLine(holder ? QByteArray(holder) : QByteArray()) +
                               "\nhost=" + hostName() + "\npid=" + pid + "\nstart=" + startMarker(pid) +
                               "\ntoken=" + token + "\nEND\n";

    int vanished = 0;
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const bool written = file.write(content) == content.size() && file.flush();
            file.close();
            if (!written || file.error() != QFileDevice::NoError) {
                QFile::remove(path);
                return -1;
            }
            QMutexLocker locker(&heldMutex);
            const int32_t handle = nextHandle++;
            heldLocks.insert(handle, HeldLock{path, token});
            return handle;
        }
        const Snapshot existing = readRecord(path);
        if (!existing.exists) {
            // Either the folder refuses new files, or the record was released
            // between our two looks; only the latter is worth another try.
            if (++vanished > 3)
                return -1;
            continue;
        }
        const Record record = parseRecord(existing.content);
        if (record.finished) {
            if (!isStale(record)) {
                kelbrin::fillBuffer(owner, record.holder);
                return -1;
            }
            takeOver(path, existing);
            continue;
        }
        const qint64 age = existing.modified.msecsTo(QDateTime::currentDateTimeUtc());
        if (age > UnfinishedRecordAgeMs) {
            takeOver(path, existing);
            continue;
        }
        QThread::msleep(RetryDelayMs);
    }
    return -1;
}

extern "C" KELBRIN_API uint8_t KLNX_DeleteLock(int32_t handle)
{
    HeldLock lock;
    {
        QMutexLocker locker(&heldMutex);
        const auto it = heldLocks.find(handle);
        if (it == heldLocks.end())
            return 1;
        lock = it.value();
        heldLocks.erase(it);
    }
    const Snapshot snapshot = readRecord(lock.path);
    if (snapshot.exists && parseRecord(snapshot.content).token == lock.token)
        QFile::remove(lock.path);
    return 0;
}

// Keeping an employee record to one writer when several workstations share
// the data directory.
//
// A record is read under a shared and rewritten under an exclusive
// byte-range lock of the whole file (an open-file-description lock where
// the system has one: it belongs to the open, not to the process, so two
// opens in one program keep each other out as two programs do). Whether such
// a lock reaches the other workstations depends on the file system of the
// data directory:
//
// - a local disk: there is only this computer, every process sees the lock;
// - NFS and SMB (CIFS) carry byte-range locks to the server, unless the
//   mount keeps them local (NFS "local_lock=posix" or "=all", "nolock";
//   SMB "nobrl");
// - sshfs keeps them inside the mount that took them: another workstation's
//   mount never sees them (the share test measures this).
//
// Where the lock does not reach (or the file system is not one we know), a
// rewrite also takes a lock record: a small file beside the record, created
// exclusively, named ".grafenta-<RECORD NAME>.lck" (a leading full stop, so
// that no listing of the personnel folder takes it for an employee), held
// for the few milliseconds of the rewrite. Exclusive creation is carried by
// every share we know. A record of a process of this computer that no longer
// runs is removed at once; any other record that stays unchanged for
// AbandonedAfterMs while we wait for it is taken for the leftover of a
// workstation that went down and removed.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class Prompt;

// How far the byte-range locks taken on a file system reach.
enum class LockReach {
    AllWorkstations, // every process that opens the file sees them
    ThisMount,       // known to stay inside the mount that took them
    NotKnown,        // a file system this program does not know: handled as ThisMount, without a warning
};

// A mounted file system as the system describes it: its type ("ext4",
// "nfs4", "fuse.sshfs") and its mount and file-system options.
struct MountedFileSystem
{
    QString Type;
    QStringList Options;
};

// The file system of the device deviceMajor:deviceMinor in the text of a mount table in
// the layout of /proc/self/mountinfo; nothing when no line names it.
std::optional<MountedFileSystem> MountOfDevice(QByteArrayView mountInfo, quint32 deviceMajor, quint32 deviceMinor);

// The file system a path lies on; nothing where it cannot be told (no
// such path, no mount table, another system than Linux).
std::optional<MountedFileSystem> FileSystemOf(const QString& path);

// How far byte-range locks reach on a file system.
LockReach ReachOf(const MountedFileSystem& fileSystem);

// How far byte-range locks reach on the file system of path. Linux tells
// from its mount table; Windows hands the locks of its opens to SMB servers,
// and other systems are taken at their word: AllWorkstations.
LockReach LockReachOf(const QString& path);

// The file system's name as a user knows it, with the option that keeps its
// locks local where one does: "sshfs", "nfs4 (local_lock=all)".
QString ShownFileSystem(const MountedFileSystem& fileSystem);

// At start-up: when the data directory lies on a file system known to keep
// byte-range locks inside its mount, says once what that means (exclamation
// icon). True when it warned.
bool WarnWhenLocksStayLocal(Prompt& ui, const QString& dataDir);

// The warning's text for a file system.
QString LocksStayLocalMessage(const MountedFileSystem& fileSystem);

#ifndef Q_OS_WIN

enum class LockResult {
    Locked,
    Busy,    // another open holds a lock in the way
    NoLocks, // the file system takes no byte-range locks at all
    Failed,  // errno tells
};

// Takes a byte-range lock of the whole open file fd, shared or exclusive,
// without waiting.
LockResult LockWholeFile(int fd, bool exclusive);

// The lock record of one employee record, beside it.
class LockRecord
{
public:
    // How long a record seen unchanged, while waiting for it, counts as held.
    static constexpr qint64 AbandonedAfterMs = 3000;

    explicit LockRecord(qint64 abandonedAfterMs = AbandonedAfterMs) : m_abandonedAfterMs(abandonedAfterMs) {}
    ~LockRecord();
    LockRecord(const LockRecord&) = delete;
    LockRecord& operator=(const LockRecord&) = delete;

    // The lock record's path for a record's path.
    static QString PathFor(const QString& recordPath);

    enum class Status { Taken, Busy, Failed };
    // Writes the lock record of recordPath whole and puts it in place when
    // no other is there. Busy while another holds it; Failed (the file-error
    // number in ErrorNumber()) when none can be made. A holder's record seen
    // by an earlier Take of this object and still there, unchanged, after
    // the abandonment time is removed, and the lock record taken.
    Status Take(const QString& recordPath);
    // Removes the lock record, if it is still ours. Taking again later is allowed.
    void Release();
    bool IsTaken() const { return !m_token.isEmpty(); }

    // The file-error number of the last failed Take.
    int16_t ErrorNumber() const { return m_error; }

private:
    // Removes the record at m_path if it is still the one seen as seen.
    bool RemoveIfUnchanged(const QByteArray& seen);

    qint64 m_abandonedAfterMs;
    QString m_path;
    QByteArray m_token; // ours, while taken
    QByteArray m_seen;  // the holder's record at the last busy Take
    QElapsedTimer m_seenFor;
    int16_t m_error = 0;
};

#endif

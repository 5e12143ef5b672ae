// The program's access to its data files: plan files, the free-days file and
// employee records, read and written through one small set of routines.
//
// - Only regular files are opened: a folder, a pipe or a device fails at
//   once (opening a pipe could wait for ever, a device could never end).
// - Reads are capped: a caller says how much it can use at the most, and a
//   larger file is refused before anything is allocated for it.
// - Employee records are shared with the suite's other programs. A record is
//   opened either for reading while denying writers (other readers welcome)
//   or exclusively for a rewrite: an advisory byte-range lock of the whole
//   file, shared or exclusive, never waited for, on Unix, and where the data
//   directory's file system keeps such locks inside one workstation's mount
//   a lock record beside the record as well (RecordLocks.h); the share modes
//   of the open on Windows. A record held that way elsewhere, also by
//   another open of this program, reports Busy.
// - A file is replaced in one step: the new contents go to a temporary file
//   in the same folder (created new and exclusive, hidden, with a unique name
//   that ends in ".tmp" so that no listing of the suite takes it for data),
//   which is flushed to disk and renamed over the target; then the folder is
//   flushed. The target keeps its permission bits (and group where the
//   system allows). A failure or a crash part way leaves the old file. A
//   temporary file left behind by a program that died is removed by the next
//   run that works in that folder.
//
// Failures are reported as one of the ten file-error numbers of the error
// routine (ErrorMessages.h), mapped from the system's error in one place.
#pragma once

#include "env/RecordLocks.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

enum class FileAccess {
    Read,            // plain reading
    ReadDenyWriters, // reading an employee record: others may read, nobody may write
    Exclusive,       // reading and rewriting an employee record: nobody else
};
enum class OpenStatus { Opened, Busy, Failed };
enum class ReadStatus { Ok, TooLarge, Failed };

class DataFile
{
public:
    DataFile() = default;
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Failed leaves the file-error number in ErrorNumber().
    OpenStatus Open(const QString& path, FileAccess access);
    bool IsOpen() const;
    // The file's length when it was opened; -1 when it cannot be told.
    qint64 Size();
    // The whole file; TooLarge, with nothing read, when it holds more than limit bytes.
    ReadStatus ReadAll(QByteArray& bytes, qint64 limit);
    // Up to size bytes from the current position; the count read, or -1.
    qint64 Read(char* data, qint64 size);
    bool Seek(qint64 offset);
    // Exclusive access only: writes bytes over the file from its start in one
    // write, ends the file there and flushes it to disk. Used where no
    // replacement can be made beside the file; a failure part way leaves the
    // file torn.
    bool RewriteInPlace(QByteArrayView bytes);
    // Exclusive access only: the file is replaced by bytes in one step (see
    // above) while this open keeps others out; where no temporary file can be
    // made beside it but the file itself may be written, it is rewritten in
    // place. Where a lock record keeps others out, the file is closed before
    // its replacement takes its place (only Close() is left to do) and is
    // never rewritten in place.
    bool Replace(QByteArrayView bytes);
    // Releases the lock and the file; also done on destruction.
    void Close();

    // How far locks on the file's folder reach, for a folder whose file system
    // is known; otherwise each open asks the file system.
    void SetLockReach(LockReach reach) { m_reach = reach; }

    // The file-error number (52..76) of the last failure.
    int16_t ErrorNumber() const { return m_error; }

private:
    bool Fail(int nativeError);

    QString m_path;
    FileAccess m_access = FileAccess::Read;
    int16_t m_error = 0;
    qint64 m_size = -1; // as the open found it
    std::optional<LockReach> m_reach;
#ifdef Q_OS_WIN
    void* m_handle = nullptr;
#else
    // The byte-range lock of a reading or rewriting open of fd, and the lock
    // record of a rewrite where the file system takes no such locks.
    OpenStatus LockForAccess(int fd);
    OpenStatus TakeLockRecord();

    int m_fd = -1;
    LockRecord m_lockRecord; // kept across opens: it remembers the holder it waits for
#endif
};

// When OpenWithRetries tries again: after a busy attempt only, or after any
// attempt that did not open the file.
enum class RetryWhen { Busy, NotOpened };

// Opens a file, trying again as retryWhen says: before each further attempt
// waitBeforeRetry runs (a one-second wait, say); retries of them at the most.
OpenStatus OpenWithRetries(DataFile& file, const QString& path, FileAccess access, RetryWhen retryWhen, int retries,
                           const std::function<void()>& waitBeforeRetry);

// The whole of a regular file of at most limit bytes, read with FileAccess::Read.
// error receives the file-error number of a failure.
ReadStatus ReadWholeFile(const QString& path, qint64 limit, QByteArray& bytes, int16_t* error = nullptr);

// Writes a file's new contents to a temporary file and puts it in place
// over a target afterwards, so that the caller can check what was written
// in between. A replacement that is not committed is removed.
class FileReplacement
{
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Writes the parts, one after the other, to a new temporary file in
    // folder and flushes it to disk. 0, or the file-error number. The parts
    // must stay alive until Commit().
    int16_t Write(const QString& folder, const QList<QByteArrayView>& parts);
    // The temporary file written.
    const QString& Path() const { return m_path; }
    // Puts the temporary file in place as target, keeping target's
    // permission bits, and flushes target's folder. A temporary file on
    // another file system is written again beside target first. 0, or the
    // file-error number; target is then as it was.
    int16_t Commit(const QString& target);
    // Puts the temporary file in place as target only when no target exists.
    int16_t CommitNew(const QString& target);
    // Removes the temporary file unless it was committed.
    void Discard();

private:
    int16_t CommitBeside(const QString& target);

    QString m_path;
    QList<QByteArrayView> m_parts;
};

// Replaces target by bytes in one step, through a temporary file beside it.
// 0, or the file-error number; target is then as it was.
int16_t ReplaceFile(const QString& target, QByteArrayView bytes);

// Copies source to a new file target; an existing target is never
// overwritten (it is a failure). The copy appears whole or not at all.
// 0, or the file-error number.
int16_t CopyToNewFile(const QString& source, const QString& target, qint64 limit);

// Deletes a file. 0, or the file-error number.
int16_t DeleteDataFile(const QString& path);

// Whether a file name is one of this program's temporary files.
bool IsTemporaryFileName(const QString& name);

// Removes the temporary files in folder that programs which no longer run
// left behind: those of this computer whose process is gone, and those of
// other computers untouched for a day.
void RemoveStaleTemporaries(const QString& folder);

// The file-error number of a failure of the system (errno, or the Windows
// error code) on path. A missing file is told from a missing folder by
// looking at the folder.
int16_t FileErrorNumber(int nativeError, const QString& path);

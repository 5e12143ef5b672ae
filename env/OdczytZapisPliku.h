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
//   run that works in that folder. Many files replaced at once (a plan
//   assigned to many employees) share their waits for the disk: all new
//   files are written, then flushed together, then renamed one by one, and
//   the folder is flushed once (ReplacementBatch).
// - One rule for every file written: the target is a regular file or
//   nothing. A link at the target's name is neither followed nor replaced, a
//   folder, device, pipe or socket is never replaced, and neither is any file
//   the command reads (told by device and inode, whatever the name). The
//   target is opened without following a link, without opening a device and
//   without waiting (O_PATH and O_NOFOLLOW, or O_NOFOLLOW and O_NONBLOCK
//   after a look at the name), and told by fstat, before anything is put in
//   its place; an employee record rewritten under its lock is opened without
//   following a link as well.
//
// Failures are reported as one of the ten file-error numbers of the error
// routine (ErrorMessages.h), mapped from the system's error in one place; the
// system's own error is kept beside the number for those who can show it.
#pragma once

#include "env/RecordLocks.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum class FileAccess {
    Read,            // plain reading
    ReadNoLink,      // plain reading of what stands at the name itself: a link there fails
    ReadDenyWriters, // reading an employee record: others may read, nobody may write
    Exclusive,       // reading and rewriting an employee record: nobody else
};
enum class OpenStatus { Opened, Busy, Failed };
// When what was written must have reached the disk: before the call
// returns, or at a later call that waits for it (ReplacementBatch), the
// disk starting on it at once (Later) or only with the flush that waits for
// it, which may write many files in one go (Together); or never: a file that
// need only be whole when it appears under its name, not outlive a power cut
// (a lock record: one that outlived a crash would be stale).
enum class FlushTiming : uint8_t { Now, Later, Together, Never };
enum class ReadStatus { Ok, TooLarge, Failed };

// Who a file is, whatever name it was reached by: its device and inode (on
// Windows its volume and file index).
struct FileIdentity
{
    uint64_t Device = 0;
    uint64_t Inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Why a file is not written over what stands at its name.
enum class TargetRefusal : uint8_t {
    None,
    Link,       // a symbolic link: neither followed nor replaced
    NotRegular, // a folder, a device, a pipe or a socket: never replaced
    Input,      // a file the command reads, under this name or another
};

// A failed file operation: the file-error number, the system's own error
// (errno, or the Windows code; 0 when the program refused by itself), and
// what the program refused.
struct FileFault
{
    int16_t Number = 0;
    int SystemError = 0;
    TargetRefusal Refusal = TargetRefusal::None;
    bool Busy = false; // held by another program through every attempt
    bool IsFault() const { return Number != 0; }
    friend bool operator==(const FileFault&, const FileFault&) = default;
};

class FileReplacement;

// A folder whose files are opened by their names alone: the system finds
// the folder once, not again at every open (a personnel folder's thousand
// records). A folder that cannot be opened leaves its files opened by path.
class DataFolder
{
public:
    explicit DataFolder(const QString& path);
    ~DataFolder();
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // The folder's path, ending in a separator.
    const QString& Path() const { return m_path; }

private:
    friend class DataFile;
    QString m_path;
#ifndef Q_OS_WIN
    int m_fd = -1;
#endif
};

class DataFile
{
public:
    DataFile() = default;
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Failed leaves the file-error number in ErrorNumber(). Exclusive access
    // never follows a link at the file's name: it fails at once.
    OpenStatus Open(const QString& path, FileAccess access);
    // The file name in folder, as Open(folder path + name) does.
    OpenStatus Open(const DataFolder& folder, const QString& name, FileAccess access);
    bool IsOpen() const;
    // The file's length when it was opened; -1 when it cannot be told.
    qint64 Size();
    // The whole file; TooLarge, with nothing read, when it holds more than limit bytes.
    ReadStatus ReadAll(QByteArray& bytes, qint64 limit);
    // Up to size bytes from the current position; the count read, or -1.
    // Once enough bytes are in, a read that brings fewer than it asked for
    // has met the end of the file: no further read looks for it.
    qint64 Read(char* data, qint64 size, qint64 enough = INT64_MAX);
    bool Seek(qint64 offset);
    // Exclusive access only: writes bytes over the file from its start in one
    // write, ends the file there and flushes it to disk. Used where no
    // replacement can be made beside the file; a failure part way leaves the
    // file torn. A file that has other names as well is refused: they would
    // all change.
    bool RewriteInPlace(QByteArrayView bytes);
    // Exclusive access only: the file is replaced by bytes in one step (see
    // above) while this open keeps others out; where the folder takes no new
    // file or refuses the rename but the file itself may be written, it is
    // rewritten in place. Where a lock record keeps others out, the file is
    // closed before its replacement takes its place (only Close() is left to
    // do) and is never rewritten in place.
    bool Replace(QByteArrayView bytes);
    // Releases the lock and the file; also done on destruction.
    void Close();

    // Whether a lock record keeps others out of this open (rather than the
    // byte-range lock alone).
    bool HoldsLockRecord() const;

    // How far locks on the file's folder reach, for a folder whose file system
    // is known; otherwise each open asks the file system.
    void SetLockReach(LockReach reach) { m_reach = reach; }

    // The file-error number (52..76) of the last failure.
    int16_t ErrorNumber() const { return m_error; }
    // The last failure whole.
    FileFault Fault() const { return m_fault; }
    // Who the open file is.
    FileIdentity Identity() const { return m_identity; }

private:
    friend class ReplacementBatch;

    bool Fail(int nativeError);
    bool Fail(const FileFault& fault);
    // The second half of Replace: replacement, written beside the file, is
    // put in its place (or the file rewritten in place where the folder
    // takes no new file); the folder is flushed now or by the caller later.
    bool PutInPlace(FileReplacement& replacement, QByteArrayView bytes, FlushTiming folderFlush);

    QString m_path;
    FileAccess m_access = FileAccess::Read;
    int16_t m_error = 0;
    FileFault m_fault;
    qint64 m_size = -1;     // as the open found it
    bool m_atStart = false; // nothing read since the open or a move to the start
    std::optional<LockReach> m_reach;
    FileIdentity m_identity;
#ifdef Q_OS_WIN
    void* m_handle = nullptr;
#else
    // The byte-range lock of a reading or rewriting open of fd, and the lock
    // record of a rewrite where the file system takes no such locks.
    OpenStatus LockForAccess(int fd);
    OpenStatus TakeLockRecord();
    // Opens name (relative to the folder folderFd, or a path) as the file m_path.
    OpenStatus OpenAt(int folderFd, const QByteArray& name, FileAccess access);

    int m_fd = -1;
    LockRecord m_lockRecord; // kept across opens: it remembers the holder it waits for
#endif
};

// Opens a file, trying again while another program holds it: before each
// further attempt waitBeforeRetry runs (a one-second wait, say); retries of
// them at the most. A file that cannot be opened for any other reason fails
// at once: no wait would change that.
OpenStatus OpenWithRetries(DataFile& file, const QString& path, FileAccess access, int retries,
                           const std::function<void()>& waitBeforeRetry);
OpenStatus OpenWithRetries(DataFile& file, const DataFolder& folder, const QString& name, FileAccess access,
                           int retries, const std::function<void()>& waitBeforeRetry);

// The whole of a regular file of at most limit bytes, read with FileAccess::Read.
// error receives the file-error number of a failure, identity who the file is.
ReadStatus ReadWholeFile(const QString& path, qint64 limit, QByteArray& bytes, int16_t* error = nullptr,
                         FileIdentity* identity = nullptr);

// The file a path leads to (links followed), when there is one.
std::optional<FileIdentity> IdentityOf(const QString& path);

// What stands at a name itself (a link there is not followed): its kind, who
// it is and when it last changed (milliseconds since the epoch, UTC).
struct NameStatus
{
    enum Kind : uint8_t { Absent, RegularFile, Link, Other };
    Kind What = Absent;
    FileIdentity Identity;
    qint64 ModifiedMs = 0;
    friend bool operator==(const NameStatus&, const NameStatus&) = default;
};
NameStatus StatusOfName(const QString& path);

// What stands at path as the target of a write, looked at without following
// a link and without opening a device or waiting on a pipe: None for nothing
// or a regular file that is none of inputs.
TargetRefusal CheckWriteTarget(const QString& path, const QList<FileIdentity>& inputs = {});

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

    // The files the command reads: Commit never puts the new file in their place.
    void KeepInputs(const QList<FileIdentity>& inputs) { m_inputs = inputs; }

    // Writes the parts, one after the other, to a new temporary file in
    // folder and flushes it to disk. 0, or the file-error number. The parts
    // must stay alive until Commit(). With FlushTiming::Later the file is
    // only sent on its way to the disk and stays open: Flush() waits for it;
    // with FlushTiming::Together it is not even sent. With FlushTiming::Never
    // it is closed unflushed, and CommitNew does not flush its folder either.
    int16_t Write(const QString& folder, const QList<QByteArrayView>& parts, FlushTiming flush = FlushTiming::Now);
    // Waits until the file written with FlushTiming::Later is on the disk,
    // and closes it. 0, or the file-error number (the file is then removed).
    int16_t Flush();
    // The temporary file written.
    const QString& Path() const { return m_path; }
    // Puts the temporary file in place as target, keeping target's
    // permission bits, and flushes target's folder. A temporary file on
    // another file system is written again beside target first. A target
    // that CheckWriteTarget refuses is left alone (PathFileAccessError). 0,
    // or the file-error number; target is then as it was. With
    // FlushTiming::Later the caller flushes the folder (FlushFolder) once
    // it has put all its files in place.
    int16_t Commit(const QString& target, FlushTiming folderFlush = FlushTiming::Now);
    // Puts the temporary file in place as target only when nothing stands at
    // target's name (no link either): of several programs asking at once,
    // exactly one succeeds. Where the file system has no hard links, the
    // target is created exclusively and written.
    int16_t CommitNew(const QString& target);
    // Removes the temporary file unless it was committed.
    void Discard();

    // The last failure whole; Refusal says what Commit refused to replace.
    FileFault Fault() const { return m_fault; }

private:
    friend class ReplacementBatch;

    int16_t CommitBeside(const QString& target);
    int16_t Fail(int nativeError, const QString& path);
    int16_t Refuse(TargetRefusal refusal);
#ifndef Q_OS_WIN
    // Closes the file written with a later flush timing, flushing it first
    // unless a flush of its whole file system has put it on the disk.
    int16_t Close(bool flush);
#endif

    QString m_path;
    QList<QByteArrayView> m_parts;
    QList<FileIdentity> m_inputs;
    FileFault m_fault;
#ifndef Q_OS_WIN
    int m_fd = -1; // open until flushed, when written with FlushTiming::Later
#endif
    bool m_durable = true; // not written with FlushTiming::Never
};

// Files open for a rewrite (FileAccess::Exclusive), replaced one after the
// other with a single wait for the disk: each new file is written beside its
// file as it is added (with the file's permission bits and group), all are
// flushed to disk together at Commit, then each is renamed over its file in
// the order added, and their folders are flushed once. Every file is still
// replaced in one step and stays open, and so locked, until it is: a
// failure or a crash leaves each file old or new. A file held by its lock
// record does not join (that record would outlast the few milliseconds
// other workstations wait for it): it is replaced on its own
// (DataFile::Replace).
//
// Flushing together: on a local disk of Linux 5.8 or later, which reports
// every failed write of the file system to the flush of the whole file
// system (syncfs), a batch of many files flushes its file system once, one
// write of the disk's cache for all, instead of once for every file. A
// failure there, or a network file system, or a batch of a few files,
// flushes every file on its own (all at once, each in a thread), which
// tells the file that failed.
class ReplacementBatch
{
public:
    ReplacementBatch();
    ~ReplacementBatch();
    ReplacementBatch(const ReplacementBatch&) = delete;
    ReplacementBatch& operator=(const ReplacementBatch&) = delete;

    // How many files a batch takes at the most: each keeps two files open
    // until Commit, and a process may open only so many.
    static qsizetype Capacity();

    // Takes file, open for a rewrite, with its new contents. False, with
    // file handed back untouched, when it cannot join: held by its lock
    // record, no new file could be written beside it, or the batch is full.
    bool Add(std::unique_ptr<DataFile>& file, QByteArray bytes);
    qsizetype Size() const { return qsizetype(m_entries.size()); }
    bool Full() const { return Size() >= Capacity(); }

    // Flushes the new files, then puts them in place in the order added,
    // stopping at the first that cannot be (its failure in Fault()); every
    // file is closed and the batch is empty afterwards. The number put in
    // place: the files after it are as they were.
    qsizetype Commit();
    // Removes every new file not put in place, leaving its file as it was.
    void Discard();

    FileFault Fault() const { return m_fault; }

private:
    struct Entry;
    // Puts every new file on the disk; a file that failed keeps its fault
    // in its replacement.
    void FlushNewFiles();
    // Renames the entry's new file over its file, when nothing but the
    // rename is left to do; false leaves both as they were.
    static bool RenameOverOpenFile(Entry& entry);
    std::vector<std::unique_ptr<Entry>> m_entries;
    // For each file system met, by device: whether it is flushed whole.
    std::vector<std::pair<uint64_t, bool>> m_flushedWhole;
    FileFault m_fault;
};

// Flushes a folder's entries (new names, renames) to disk; file systems that
// cannot are let be.
void FlushFolder(const QString& folder);

// Replaces target by bytes in one step, through a temporary file beside it.
// 0, or the file-error number (with the whole failure in fault); target is
// then as it was.
int16_t ReplaceFile(const QString& target, QByteArrayView bytes, FileFault* fault = nullptr);

// Copies source to a new file target; an existing target is never
// overwritten (it is a failure). The copy appears whole or not at all.
// 0, or the file-error number.
int16_t CopyToNewFile(const QString& source, const QString& target, qint64 limit);

// Deletes a file (a link itself, never what it leads to). 0, or the
// file-error number (with the whole failure in fault).
int16_t DeleteDataFile(const QString& path, FileFault* fault = nullptr);

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

// The system's own words for its error (in the system's language).
QString SystemErrorText(int nativeError);

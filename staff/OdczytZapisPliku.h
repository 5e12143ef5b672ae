// Low-level access to employee record files.
//
// The suite's programs share the personnel folder: a record being read must
// not change underneath, and a record being rewritten must be nobody else's.
// A record is therefore opened either for reading while denying writers
// (other readers welcome) or exclusively for a rewrite. On Unix that is an
// advisory flock(), shared or exclusive, never waited for; on Windows the
// share modes of the open. Either way a record held by another program, or
// by another open of this program, makes the open report Busy.
//
// A rewrite never changes the record in place: the new contents go to a
// hidden file beside the record, which then replaces the record by a rename
// while the lock is held. A full disk or a crash part way leaves the old
// record as it was.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

enum class RecordAccess { ReadDenyWriters, Exclusive };
enum class OpenStatus { Opened, Busy, Failed };
enum class ReadStatus { Ok, TooLarge, Failed };

class RecordFile
{
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Failed leaves the file-error number of the failure in ErrorNumber().
    OpenStatus Open(const QString& path, RecordAccess access);
    bool IsOpen() const;
    // The whole record; TooLarge when it holds more than limit bytes.
    ReadStatus ReadAll(QByteArray& bytes, qsizetype limit);
    // Replaces the record by bytes (Exclusive access only). False, with the
    // old record untouched and the error number set, when anything fails.
    bool Replace(const QByteArray& bytes);
    // Releases the lock and the file; also done on destruction.
    void Close();

    // The file-error number (52..76) of the last failure.
    int16_t ErrorNumber() const { return m_error; }
    // The name of the hidden file through which a record at path is replaced.
    static QString ReplacementPath(const QString& path);

private:
    QString m_path;
    RecordAccess m_access = RecordAccess::ReadDenyWriters;
    int16_t m_error = 0;
#ifdef Q_OS_WIN
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

#include "TestSupport.h"

#include "env/ErrorMessages.h"
#include "env/OdczytZapisPliku.h"
#include "env/RecordLocks.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTest>

#include <functional>

// How far the locks of a file system reach, and the lock records that stand
// in for them beside employee records where they stay in one mount.
namespace {

// Something a test does to a folder; what it returns stays until the test ends.
using FolderStep = std::function<void(const QString& folder)>;

const QString Record = u"NOWAK.012"_s;
const QString Held = u".grafenta-NOWAK.012.lck"_s;

QByteArray HolderText(const QString& host, qint64 pid)
{
    return "GRAFENTA RECORD LOCK\nhost=" + host.toUtf8() + "\npid=" + QByteArray::number(pid) + "\ntoken=0123\n";
}

// Whether the lock record at path names this process of this computer.
bool Ours(const QString& path)
{
    const QByteArray mine = HolderText(QSysInfo::machineHostName(), QCoreApplication::applicationPid());
    return ReadFile(path).startsWith(mine.left(mine.indexOf("token=")));
}

// The id of a process of this computer that has ended.
qint64 EndedProcess()
{
    QProcess ended;
    ended.start(u"true"_s);
    const qint64 pid = ended.waitForStarted() ? ended.processId() : 0;
    ended.waitForFinished();
    return pid;
}

FolderStep HeldBy(const QByteArray& text)
{
    return [text](const QString& folder) { WriteFile(QDir(folder).filePath(Held), text); };
}

FolderStep AtLockName(const PathSetup& put)
{
    return [put](const QString& folder) { put(QDir(folder).filePath(Held)); };
}

QString StatusName(LockRecord::Status status)
{
    static const QStringList names{u"Taken"_s, u"Busy"_s, u"Failed"_s};
    return names.at(int(status));
}

struct TakeCase
{
    FolderStep Before;
    qint64 AbandonedAfterMs = 0;
    FolderStep Between; // between the first Take and the second
    QString Takes;      // what the two Takes gave
};

struct OpenCase
{
    LockReach Reach;
    FileAccess Access;
    FolderStep Before;
    OpenStatus Status;
    bool LockRecordWhileOpen;
};

} // namespace

Q_DECLARE_METATYPE(TakeCase)
Q_DECLARE_METATYPE(OpenCase)
Q_DECLARE_METATYPE(LockReach)

class TestRecordLocks : public QObject
{
    Q_OBJECT

private slots:
    // The file system of a device, from a mount table: the line of its
    // device (the first of several), with any number of optional fields.
    void mountOfDevice_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<quint32>("deviceMajor");
        QTest::addColumn<quint32>("deviceMinor");
        QTest::addColumn<QString>("found"); // type, then the options; "-" for none
        const QByteArray root = "29 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n";
        const QByteArray share = "120 29 0:52 / /srv/dane rw,nosuid,nodev - fuse.sshfs kzt@serwer:/dane rw,user_id=0\n";
        const QString sshfs = u"fuse.sshfs rw nosuid nodev rw user_id=0"_s;
        QTest::newRow("the root disk") << root + share << 254u << 0u << u"ext4 rw relatime rw discard"_s;
        QTest::newRow("a mount without optional fields") << share + root << 0u << 52u << sshfs;
        QTest::newRow("several optional fields")
            << QByteArray("7 1 0:0 / /mnt rw shared:5 master:3 propagate_from:2 - nfs4 srv:/ rw,local_lock=none\n")
            << 0u << 0u << u"nfs4 rw rw local_lock=none"_s;
        QTest::newRow("first of two lines (a bind mount)")
            << share + "121 29 0:52 /PLANY /mnt/plany ro - fuse.other x rw\n"
            << 0u << 52u << sshfs;
        QTest::newRow("a broken line before the good one")
            << QByteArray("120 29 0:52 / /srv/dane rw - fuse.sshfs\n118 29 0:52 / /x rw\n") + share << 0u << 52u
            << sshfs;
        QTest::newRow("numbers that only start alike") << share << 0u << 5u << u"-"_s;
        QTest::newRow("not in the table") << root << 0u << 52u << u"-"_s;
        QTest::newRow("no table") << QByteArray() << 0u << 52u << u"-"_s;
    }

    void mountOfDevice()
    {
        QFETCH(QByteArray, table);
        QFETCH(quint32, deviceMajor);
        QFETCH(quint32, deviceMinor);
        QFETCH(QString, found);
        const std::optional<MountedFileSystem> mount = MountOfDevice(table, deviceMajor, deviceMinor);
        QCOMPARE(mount ? (QStringList{mount->Type} + mount->Options).join(u' ') : u"-"_s, found);
    }

    // How far byte-range locks reach, by type and mount options, and the
    // name the start-up warning gives the file system.
    void reach_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("options");
        QTest::addColumn<LockReach>("reach");
        QTest::addColumn<QString>("shown");
        const auto all = LockReach::AllWorkstations, mount = LockReach::ThisMount, unknown = LockReach::NotKnown;
        QTest::newRow("local disk") << u"ext4"_s << u"rw,relatime"_s << all << u"ext4"_s;
        QTest::newRow("local disk through FUSE") << u"fuseblk"_s << u"rw"_s << all << u"fuseblk"_s;
        QTest::newRow("NFS") << u"nfs4"_s << u"rw,vers=4.2,local_lock=none"_s << all << u"nfs4"_s;
        QTest::newRow("NFS, flock local") << u"nfs"_s << u"rw,local_lock=flock"_s << all << u"nfs"_s;
        QTest::newRow("NFS, byte-range locks local")
            << u"nfs4"_s << u"rw,local_lock=posix"_s << mount << u"nfs4 (local_lock=posix)"_s;
        QTest::newRow("NFS, all locks local")
            << u"nfs"_s << u"rw,local_lock=all"_s << mount << u"nfs (local_lock=all)"_s;
        QTest::newRow("NFS without a lock service") << u"nfs"_s << u"rw,nolock"_s << mount << u"nfs (nolock)"_s;
        QTest::newRow("SMB") << u"cifs"_s << u"rw,vers=3.1.1"_s << all << u"cifs"_s;
        QTest::newRow("SMB without byte-range locks") << u"cifs"_s << u"rw,nobrl"_s << mount << u"cifs (nobrl)"_s;
        QTest::newRow("SMB 3, locks local") << u"smb3"_s << u"rw,nolock"_s << mount << u"smb3 (nolock)"_s;
        QTest::newRow("sshfs") << u"fuse.sshfs"_s << u"rw,user_id=0"_s << mount << u"sshfs"_s;
        QTest::newRow("another FUSE share") << u"fuse.rclone"_s << u"rw"_s << unknown << u"rclone"_s;
        QTest::newRow("9p") << u"9p"_s << u"rw,trans=virtio"_s << unknown << u"9p"_s;
    }

    void reach()
    {
        QFETCH(QString, type);
        QFETCH(QString, options);
        QFETCH(LockReach, reach);
        QFETCH(QString, shown);
        const MountedFileSystem fileSystem{type, options.split(u',')};
        QCOMPARE(ReachOf(fileSystem), reach);
        QCOMPARE(ShownFileSystem(fileSystem), shown);
    }

    // The warning names the file system and what holds instead; on a local
    // disk start-up says nothing.
    void startUpWarning()
    {
        const MountedFileSystem nfs{u"nfs4"_s, {u"rw"_s, u"local_lock=all"_s}};
        QCOMPARE(LocksStayLocalMessage(nfs),
                 u"Katalog danych leży w systemie plików nfs4 (local_lock=all), który nie przekazuje blokad plików "
                 "między stanowiskami.\rDane pracowników są tu chronione przed jednoczesnym zapisem tylko plikami "
                 "blokad tego programu; inne programy pakietu ich nie widzą."_s);
        TestEnvironment env;
        QVERIFY(!WarnWhenLocksStayLocal(env.Ui, env.DataDir()));
        QVERIFY(!WarnWhenLocksStayLocal(env.Ui, env.Root.filePath(u"NO SUCH FOLDER"_s)));
        QCOMPARE(env.Ui.Entries().size(), 0);
    }

    // Two Takes of one lock record in a row, with what stood at its name
    // before: a record whose holder is gone goes at once; any other holder
    // is waited for until it has stayed the same for the abandonment time;
    // a holder that changed is waited for anew. Nothing at the name is ever
    // opened for writing or followed.
    void takes_data()
    {
        QTest::addColumn<TakeCase>("c");
        const QString here = QSysInfo::machineHostName();
        const FolderStep none = [](const QString&) {};
        const FolderStep renewed = HeldBy(HolderText(u"stanowisko9"_s, 4243));
        QTest::newRow("free") << TakeCase{none, 0, none, u"Taken"_s};
        QTest::newRow("a process of this computer that ended")
            << TakeCase{HeldBy(HolderText(here, EndedProcess())), LockRecord::AbandonedAfterMs, none, u"Taken"_s};
        QTest::newRow("a process of this computer that runs")
            << TakeCase{HeldBy(HolderText(here, QCoreApplication::applicationPid())), 0, none, u"Busy Taken"_s};
        QTest::newRow("another computer, abandoned")
            << TakeCase{HeldBy(HolderText(u"stanowisko9"_s, 4242)), 0, none, u"Busy Taken"_s};
        QTest::newRow("another computer, within the time")
            << TakeCase{HeldBy(HolderText(u"stanowisko9"_s, 4242)), LockRecord::AbandonedAfterMs, none, u"Busy Busy"_s};
        QTest::newRow("another holder between the looks")
            << TakeCase{HeldBy(HolderText(u"stanowisko9"_s, 4242)), 0, renewed, u"Busy Busy"_s};
        QTest::newRow("a record still being written") << TakeCase{HeldBy({}), 0, none, u"Busy Taken"_s};
        QTest::newRow("a named pipe") << TakeCase{AtLockName(Pipe()), 0, none, u"Busy Taken"_s};
        QTest::newRow("a link to a file elsewhere")
            << TakeCase{[](const QString& folder) {
                            QFile::link(QDir(folder).filePath(u"../elsewhere"_s), QDir(folder).filePath(Held));
                        },
                        0, none, u"Busy Taken"_s};
        QTest::newRow("a folder") << TakeCase{AtLockName(Directory()), 0, none, u"Busy Busy"_s};
    }

    void takes()
    {
        QFETCH(TakeCase, c);
        QTemporaryDir root;
        const QString folder = root.filePath(u"PERSONEL"_s);
        QVERIFY(QDir().mkpath(folder) && WriteFile(root.filePath(u"elsewhere"_s), "kept"));
        c.Before(folder);
        LockRecord lock(c.AbandonedAfterMs);
        const QString record = QDir(folder).filePath(Record);
        QCOMPARE(LockRecord::PathFor(record), QDir(folder).filePath(Held));
        QStringList takes{StatusName(lock.Take(record))};
        if (!lock.IsTaken()) {
            c.Between(folder);
            takes << StatusName(lock.Take(record));
        }
        QCOMPARE(takes.join(u' '), c.Takes);
        QCOMPARE(ReadFile(root.filePath(u"elsewhere"_s)), QByteArray("kept"));
        if (!lock.IsTaken()) return;
        // The record names this process of this computer; released, it goes.
        QVERIFY(Ours(QDir(folder).filePath(Held)));
        QCOMPARE(FolderEntries(folder), Held);
        lock.Release();
        QCOMPARE(FolderEntries(folder), QString());
    }

    // A lock record that someone put in the place of ours (taking ours for
    // abandoned) stays when we let go; a folder that is not there fails.
    void releaseAndFailure()
    {
        QTemporaryDir root;
        const QString record = root.filePath(Record);
        LockRecord lock;
        QCOMPARE(lock.Take(record), LockRecord::Status::Taken);
        const QByteArray theirs = HolderText(u"stanowisko9"_s, 4242);
        QVERIFY(WriteFile(LockRecord::PathFor(record), theirs));
        lock.Release();
        QCOMPARE(ReadFile(LockRecord::PathFor(record)), theirs);

        LockRecord nowhere;
        QCOMPARE(nowhere.Take(root.filePath(u"NO FOLDER/"_s + Record)), LockRecord::Status::Failed);
        QCOMPARE(nowhere.ErrorNumber(), int16_t(PathNotFound));
    }

    // A rewrite holds the record's lock record where locks do not reach
    // every workstation, and only there; readers never make one. Another
    // workstation's lock record keeps the rewrite out.
    void openedRecords_data()
    {
        QTest::addColumn<OpenCase>("c");
        const FolderStep none = [](const QString&) {};
        const FolderStep elsewhere = HeldBy(HolderText(u"stanowisko9"_s, 4242));
        const auto all = LockReach::AllWorkstations, mount = LockReach::ThisMount;
        QTest::newRow("locks reach everyone") << OpenCase{all, FileAccess::Exclusive, none, OpenStatus::Opened, false};
        QTest::newRow("held elsewhere, locks reach everyone")
            << OpenCase{all, FileAccess::Exclusive, elsewhere, OpenStatus::Opened, false};
        QTest::newRow("locks stay in the mount")
            << OpenCase{mount, FileAccess::Exclusive, none, OpenStatus::Opened, true};
        QTest::newRow("not known") << OpenCase{LockReach::NotKnown, FileAccess::Exclusive, none, OpenStatus::Opened,
                                               true};
        QTest::newRow("held elsewhere, locks stay in the mount")
            << OpenCase{mount, FileAccess::Exclusive, elsewhere, OpenStatus::Busy, false};
        QTest::newRow("a reader") << OpenCase{mount, FileAccess::ReadDenyWriters, elsewhere, OpenStatus::Opened, false};
    }

    void openedRecords()
    {
        QFETCH(OpenCase, c);
        QTemporaryDir root;
        const QString path = root.filePath(Record);
        QVERIFY(WriteFile(path, "old"));
        c.Before(root.path());
        const QString before = FolderEntries(root.path());
        {
            DataFile file;
            file.SetLockReach(c.Reach);
            QCOMPARE(file.Open(path, c.Access), c.Status);
            QCOMPARE(Ours(LockRecord::PathFor(path)), c.LockRecordWhileOpen);
            if (c.Status != OpenStatus::Opened || c.Access != FileAccess::Exclusive) return;
            // Replaced while the lock record keeps others out, the file is no longer open.
            QVERIFY(file.Replace("new"));
            QCOMPARE(file.IsOpen(), !c.LockRecordWhileOpen);
            QCOMPARE(ReadFile(path), QByteArray("new"));
        }
        QCOMPARE(FolderEntries(root.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestRecordLocks)
#include "tst_RecordLocks.moc"

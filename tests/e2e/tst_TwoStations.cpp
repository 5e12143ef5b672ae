// Two workstations on one data directory, each a real copy of the program in
// a program folder of its own whose sciezka.ini names the shared folder: the
// locks that keep them apart, the lock a killed copy leaves behind, plan
// files that a copy killed in the middle of saving leaves whole, and
// employee records that two assigning at once leave whole.
//
// Run with GRAFENTA_SHARE=sshfs, each workstation reaches the shared folder
// through a mount of its own, over SSH (SshShare.h), as workstations of an
// office reach a network share; the test skips where FUSE, sshfs or the SSH
// server is missing.
#include "HolderProcess.h"
#include "SshShare.h"
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/OdczytZapisPliku.h"
#include "env/RecordLocks.h"
#include "env/UserIdentity.h"
#include "staff/EmployeeRecord.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList LeaveQuestion{u"ask Question YesNo Czy zakończyć program?"_s};
const QString SavedMessage = u"say Information Plan pracy został poprawnie zapisany do pliku."_s;
const QString ShareWarning =
    u"say Exclamation Katalog danych leży w systemie plików sshfs, który nie przekazuje blokad plików między "
    "stanowiskami./Dane pracowników są tu chronione przed jednoczesnym zapisem tylko plikami blokad tego programu; "
    "inne programy pakietu ich nie widzą."_s;

// One copy of the program, driven through grafenta-station.
class Station
{
public:
    Station(const QString& programDir, const QString& user) : m_user(user)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen"); // for the copies, which inherit it
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QDir(programDir).filePath(u"grafenta-station"_s), {u"--user"_s, user});
        Pid = m_process.waitForStarted() ? m_process.processId() : 0;
        StartLines = Until(u"ok start"_s);
        // The share's warning is looked at apart from the rest.
        Warned = StartLines.removeAll(ShareWarning) > 0;
    }
    ~Station() { Kill(); }

    // Sends a command at once, not when the test next waits for the copy.
    void Send(const QString& command)
    {
        m_process.write((command + u'\n').toUtf8());
        m_process.waitForBytesWritten(10000);
    }
    // What the copy showed while it carried out the commands, one after the other.
    QStringList Run(const QStringList& commands)
    {
        QStringList lines;
        for (const QString& command : commands) {
            Send(command);
            lines += Until(u"ok "_s + command.section(u' ', 0, 0));
        }
        return lines;
    }
    // What leaving showed, once the copy has ended.
    QStringList Leave()
    {
        QStringList lines = Run({u"leave"_s});
        return EndedWith(0) ? lines : lines << u"(still running)"_s;
    }
    bool EndedWith(int code)
    {
        return (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(20000)) &&
               m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == code;
    }
    // The lines shown before last; "(ended)" closes them when last never came.
    QStringList Until(const QString& last)
    {
        QStringList lines;
        for (;;) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine().chopped(1));
                if (line == last) return lines;
                lines << line;
            }
            if (!m_process.waitForReadyRead(30000)) return lines << u"(ended)"_s;
        }
    }
    // SIGKILL: the copy ends at once, wherever it was.
    void Kill()
    {
        m_process.kill();
        m_process.waitForFinished(20000);
    }

    // The record of this copy's lock of the plan Biuro.
    QString PlanRecord() const
    {
        return u"PLNEDIT+BIURO.PLN.lck %1 z %2 %3"_s.arg(m_user, SystemComputerName()).arg(Pid);
    }

    qint64 Pid = 0;
    QStringList StartLines;
    bool Warned = false;

private:
    QString m_user;
    QProcess m_process;
};

// What the shared folder gives two workstations: a probe acts on it as one
// reaches it (first) and as the other does (second), and says what came of it.
using Probe = std::function<QString(const QDir& first, const QDir& second)>;

int CreateNew(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

int OpenToWrite(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
}

QString ExclusiveCreation(const QDir& first, const QDir& second)
{
    const int made = CreateNew(first.filePath(u"X"_s));
    const int again = CreateNew(second.filePath(u"X"_s));
    const bool refused = again < 0 && errno == EEXIST;
    for (const int fd : {made, again})
        if (fd >= 0) ::close(fd);
    return made < 0 ? u"failed"_s : refused ? u"refused"_s : u"made twice"_s;
}

QString LinkOverName(const QDir& first, const QDir& second)
{
    if (!WriteFile(first.filePath(u"X"_s), "first") || !WriteFile(second.filePath(u"T"_s), "second"))
        return u"failed"_s;
    const bool linked = ::link(QFile::encodeName(second.filePath(u"T"_s)).constData(),
                               QFile::encodeName(second.filePath(u"X"_s)).constData()) == 0;
    return linked ? u"linked"_s : errno == EEXIST ? u"refused"_s : u"failed"_s;
}

// A file that the second wrote and looked at, replaced through the first
// and read by the second at once: all of the new contents, or as many bytes
// as the second read.
QString ReadAfterReplacement(const QDir& first, const QDir& second)
{
    const QByteArray longer = "replaced by a longer text";
    const QByteArray path = QFile::encodeName(second.filePath(u"R"_s));
    struct stat status;
    QByteArray read;
    DataFile reader;
    if (ReplaceFile(second.filePath(u"R"_s), "short") != 0 || ::stat(path.constData(), &status) != 0 ||
        ReplaceFile(first.filePath(u"R"_s), longer) != 0 ||
        reader.Open(second.filePath(u"R"_s), FileAccess::Read) != OpenStatus::Opened ||
        reader.ReadAll(read, 100) != ReadStatus::Ok)
        return u"failed"_s;
    return read == longer ? u"whole"_s : u"%1 bytes"_s.arg(read.size());
}

// A byte-range lock of a file taken through the first: a lock through the
// second kept out, or let in.
QString SecondLock(const QDir& first, const QDir& second)
{
    if (!WriteFile(first.filePath(u"R"_s), "record")) return u"failed"_s;
    const int one = OpenToWrite(first.filePath(u"R"_s));
    const int other = OpenToWrite(second.filePath(u"R"_s));
    const LockResult firstLocked = LockWholeFile(one, true);
    const LockResult secondLocked = LockWholeFile(other, true);
    ::close(one);
    ::close(other);
    return firstLocked != LockResult::Locked    ? u"failed"_s
           : secondLocked == LockResult::Locked ? u"let in"_s
                                                : u"kept out"_s;
}

// The second waits for a lock record of the first, which then lets go.
QString LockRecordLetGo(const QDir& first, const QDir& second)
{
    LockRecord one;
    LockRecord other;
    const QString path = u"R"_s;
    if (one.Take(first.filePath(path)) != LockRecord::Status::Taken ||
        other.Take(second.filePath(path)) != LockRecord::Status::Busy)
        return u"failed"_s;
    one.Release();
    return other.Take(second.filePath(path)) == LockRecord::Status::Taken ? u"taken at once"_s : u"still busy"_s;
}

} // namespace

Q_DECLARE_METATYPE(Probe)

class TestTwoStations : public QObject
{
    Q_OBJECT

    const QString m_host = SystemComputerName();
    const bool m_onShare = qEnvironmentVariable("GRAFENTA_SHARE") == "sshfs"_L1;
    // ROOT/shared/DANE (the demo data), the program folders beside it, and
    // on a share each workstation's mount of ROOT/shared, ROOT/mount-NAME.
    std::optional<QTemporaryDir> m_root;
    std::optional<SshShare> m_share;

    QString DataDir() const { return m_root->filePath(u"shared/DANE"_s); }
    QString PlanFile() const { return QDir(DataDir()).filePath(u"PLANY/Biuro.PLN"_s); }
    QString StaffDir() const { return QDir(DataDir()).filePath(u"PERSONEL"_s); }
    // The shared folder as the workstation of program folder name reaches it.
    QString SharedFolder(const QString& name) const
    {
        return m_root->filePath(m_share ? u"mount-"_s + name : u"shared"_s);
    }

    // A workstation's program folder: the program, the suite library and a sciezka.ini.
    QString ProgramDir(const QString& name) const
    {
        const QDir dir(m_root->filePath(name));
        if (!dir.exists()) {
            const QDir built(QCoreApplication::applicationDirPath());
            dir.mkpath(u"."_s);
            for (const QString& file : {u"grafenta-station"_s, KelbrinLibrary::FileName()})
                QFile::copy(built.filePath(file), dir.filePath(file));
            WriteFile(dir.filePath(u"sciezka.ini"_s), "[SCIEZKA] " + QFile::encodeName(SharedFolder(name)));
        }
        return dir.path();
    }

    // The lock records of the data directory: file name, holder and process of each.
    QString Records() const
    {
        static const QRegularExpression fields(u"\nholder=(.*)\n.*\npid=(.*)\n"_s);
        QStringList records;
        const QDir folder(QDir(DataDir()).filePath(u"BLOKADY"_s));
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
            const QRegularExpressionMatch match = fields.match(QString::fromUtf8(ReadFile(folder.filePath(name))));
            records << u"%1 %2 %3"_s.arg(name, match.captured(1), match.captured(2));
        }
        return records.join(u", "_s);
    }

    // The employee records: file name and contents.
    QMap<QString, QByteArray> StaffRecords() const
    {
        QMap<QString, QByteArray> records;
        const QDir folder(StaffDir());
        for (const QString& name : folder.entryList(QDir::Files))
            records.insert(name, ReadFile(folder.filePath(name)));
        return records;
    }

private slots:
    void initTestCase()
    {
        if (!m_onShare) return;
        const QString missing = SshShare::Missing();
        if (!missing.isEmpty()) QSKIP(qPrintable(u"no share can be made here: "_s + missing));
        m_share.emplace();
        QVERIFY2(m_share->Start(), qPrintable(m_share->Error()));
    }

    // A new shared data directory for each test, and on a share a mount of
    // it for each of the workstations A and B.
    void init()
    {
        m_root.emplace();
        QVERIFY(WriteDemoDataDirectory(TestLibrary(), m_root->filePath(u"shared"_s), nullptr));
        if (!m_share) return;
        for (const QString& name : {u"A"_s, u"B"_s})
            QVERIFY2(m_share->Mount(m_root->filePath(u"shared"_s), SharedFolder(name)), qPrintable(m_share->Error()));
    }

    void cleanup()
    {
        if (m_share) m_share->UnmountAll();
    }

    void planLockRefusedUntilHolderLeaves()
    {
        Station anna(ProgramDir(u"A"_s), u"anna"_s);
        Station piotr(ProgramDir(u"B"_s), u"piotr"_s);
        QCOMPARE(anna.StartLines + piotr.StartLines + anna.Run({u"choose Biuro"_s}), QStringList());
        // On a share whose locks stay in each mount both were told so.
        QCOMPARE(QList<bool>({anna.Warned, piotr.Warned}), QList<bool>(2, m_onShare));
        QCOMPARE(piotr.Run({u"choose Biuro"_s}),
                 QStringList{u"say Critical Plan pracy: Biuro jest zablokowana przez: anna z %1./Edycja planu pracy "
                             "niemożliwa."_s.arg(m_host)});
        QCOMPARE(Records(), anna.PlanRecord());
        QCOMPARE(anna.Leave(), LeaveQuestion);
        QCOMPARE(Records(), QString());
        // Chosen again once the other has left, the plan opens.
        QCOMPARE(piotr.Run({u"choose <BRAK>"_s, u"choose Biuro"_s}), QStringList());
        QCOMPARE(Records(), piotr.PlanRecord());
    }

    // While one copy holds the suite's free days, another cannot start: its
    // start-up reads them under their lock.
    void freeDaysLockRefusedUntilHolderLeaves()
    {
        Station anna(ProgramDir(u"A"_s), u"anna"_s);
        QCOMPARE(anna.Run({u"holdfree"_s}), QStringList());
        QCOMPARE(Records(), u"EDITFREE+FREEDAYS.lck anna z %1 %2"_s.arg(m_host).arg(anna.Pid));
        Station refused(ProgramDir(u"B"_s), u"piotr"_s);
        QCOMPARE(refused.StartLines,
                 (QStringList{u"say Critical Zapis danych niemożliwy./Dostęp do danych zablokowany "
                              "przez: anna z %1./Poczekaj aż zostanie zwolniony i spróbuj ponownie."_s.arg(m_host),
                              u"(ended)"_s}));
        QVERIFY(refused.EndedWith(1));
        QCOMPARE(anna.Leave(), LeaveQuestion);
        QCOMPARE(Records(), QString());
        Station piotr(ProgramDir(u"B"_s), u"piotr"_s);
        QCOMPARE(piotr.StartLines, QStringList());
    }

    // A copy killed while it holds a plan leaves its record; the next copy of
    // this computer that asks for the plan sees its holder gone and takes it.
    void killedHolderTakenOver()
    {
        Station anna(ProgramDir(u"A"_s), u"anna"_s);
        QCOMPARE(anna.Run({u"choose Biuro"_s}), QStringList());
        anna.Kill();
        QCOMPARE(Records(), anna.PlanRecord());
        // Started again in the same folder: the killed copy keeps no other out.
        Station ewa(ProgramDir(u"A"_s), u"ewa"_s);
        QCOMPARE(ewa.StartLines + ewa.Run({u"choose Biuro"_s}), QStringList());
        QCOMPARE(Records(), ewa.PlanRecord());
    }

    // A copy saves the plan over and over, a day painted with one schedule and
    // then the other, and is killed at a random moment: the plan file is always
    // one of the two, and only the killed copy's own temporary files may be
    // left, which the next save removes: the one in TEMP, and, where the plans
    // lie on another file system than TEMP (a share), its copy beside the plan.
    void killedSavesLeaveOldOrNewPlan()
    {
        const QString dir = ProgramDir(u"A"_s);
        const QDir temp(QDir(dir).filePath(u"TEMP"_s));
        const QDir plans(QDir(DataDir()).filePath(u"PLANY"_s));
        const auto strays = [&] {
            QStringList names;
            for (const QDir& folder : {temp, plans}) {
                for (const QString& name : folder.entryList({u".grafenta-*"_s}, QDir::Files | QDir::Hidden))
                    names << folder.dirName() + u'/' + name;
            }
            return names;
        };
        QByteArray contents[2];
        Station first(dir, u"anna"_s);
        QCOMPARE(first.Run({u"choose Biuro"_s}), QStringList());
        for (int slot : {1, 0}) {
            QCOMPARE(first.Run({u"paint %1 3"_s.arg(slot), u"save"_s}), QStringList{SavedMessage});
            contents[slot] = ReadFile(PlanFile());
        }
        QCOMPARE(first.Leave(), LeaveQuestion);
        QVERIFY(!contents[0].isEmpty() && !contents[1].isEmpty() && contents[0] != contents[1]);

        int killedWriting = 0;
        for (int round = 0; round < 50; ++round) {
            Station station(dir, u"anna"_s);
            QCOMPARE(station.StartLines + station.Run({u"choose Biuro"_s}), QStringList());
            station.Send(u"loop 1 0 3"_s);
            QVERIFY(station.Until(SavedMessage).isEmpty());
            const int delay = QRandomGenerator::global()->bounded(25);
            QThread::msleep(delay);
            station.Kill();
            const QByteArray plan = ReadFile(PlanFile());
            QVERIFY2(plan == contents[0] || plan == contents[1],
                     qPrintable(u"round %1, killed after %2 ms: %3 bytes"_s.arg(round).arg(delay).arg(plan.size())));
            const QStringList left = strays();
            bool killedCopys = left.size() <= (m_share ? 2 : 1);
            for (const QString& path : left) {
                const QString folder = path.section(u'/', 0, 0) + u'/';
                const QString name = path.section(u'/', 1);
                killedCopys = killedCopys && IsTemporaryFileName(name) && name.contains(u"-%1-"_s.arg(station.Pid)) &&
                              left.filter(folder).size() == 1 && (m_share || folder == "TEMP/"_L1);
            }
            QVERIFY2(killedCopys, qPrintable(left.join(u' ')));
            killedWriting += left.isEmpty() ? 0 : 1;
        }
        qInfo("%d of 50 copies were killed while a save was under way", killedWriting);

        Station last(dir, u"anna"_s);
        QCOMPARE(last.StartLines + last.Run({u"choose Biuro"_s, u"save"_s}), QStringList{SavedMessage});
        QCOMPARE(last.Leave(), LeaveQuestion);
        QCOMPARE(strays(), QStringList());
        QCOMPARE(FolderEntries(temp.path()), QString());
        QCOMPARE(Records(), QString());
    }

    // What the shared folder gives the two workstations. On a share the
    // byte-range locks of one mount do not reach the other, and a rewrite
    // holds a lock record there instead.
    void whatTheFolderCarries_data()
    {
        QTest::addColumn<Probe>("probe");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("share");
        QTest::newRow("exclusive creation") << Probe(ExclusiveCreation) << u"refused"_s << u"refused"_s;
        QTest::newRow("a hard link onto a name taken") << Probe(LinkOverName) << u"refused"_s << u"refused"_s;
        QTest::newRow("a replacement read at once") << Probe(ReadAfterReplacement) << u"whole"_s << u"whole"_s;
        QTest::newRow("byte-range locks") << Probe(SecondLock) << u"kept out"_s << u"let in"_s;
        QTest::newRow("a lock record let go") << Probe(LockRecordLetGo) << u"taken at once"_s << u"taken at once"_s;
    }

    void whatTheFolderCarries()
    {
        QFETCH(Probe, probe);
        QFETCH(QString, local);
        QFETCH(QString, share);
        QVERIFY(QDir(SharedFolder(u"A"_s)).mkpath(u"probe"_s));
        const auto reach = [this](const QString& name) { return QDir(SharedFolder(name) + u"/probe"_s); };
        QCOMPARE(probe(reach(u"A"_s), reach(u"B"_s)), m_share ? share : local);
    }

    // An employee's record that the other workstation holds for a rewrite
    // is left alone until it lets go: the assignment waits, then writes.
    void assignmentWaitsForRecordHeldElsewhere()
    {
        Station anna(ProgramDir(u"A"_s), u"anna"_s);
        QCOMPARE(anna.Run({u"choose Biuro"_s}), QStringList());
        const QMap<QString, QByteArray> records = StaffRecords();
        const QString& name = records.firstKey();
        const QString path = QDir(StaffDir()).filePath(name);
        HolderProcess other({u"record"_s, QDir(SharedFolder(u"B"_s)).filePath(u"DANE/PERSONEL/"_s + name)});
        QVERIFY(other.Take() && other.Holds());
        anna.Send(u"assign "_s + name.section(u'.', 1));
        // The assignment tries once a second meanwhile.
        QThread::msleep(2500);
        QCOMPARE(ReadFile(path), records.first());
        other.Go();
        QCOMPARE(anna.Until(u"ok assign"_s), QStringList());
        QCOMPARE(ParseEmployeeRecord(ReadFile(path)).Plan, QByteArray("Biuro"));
        QCOMPARE(FolderEntries(StaffDir()), QStringList(records.keys()).join(u' '));
    }

    // Two workstations assign their plans to all employees at the same time,
    // three times over: no assignment fails, and every record ends whole,
    // with one of the two plans and everything else as it was.
    void concurrentAssignmentsLeaveRecordsWhole()
    {
        Station anna(ProgramDir(u"A"_s), u"anna"_s);
        Station piotr(ProgramDir(u"B"_s), u"piotr"_s);
        QCOMPARE(anna.Run({u"choose Biuro"_s}) + piotr.Run({u"choose Weekendy"_s}), QStringList());
        const QMap<QString, QByteArray> before = StaffRecords();
        for (int round = 0; round < 3; ++round) {
            anna.Send(u"assign all"_s);
            piotr.Send(u"assign all"_s);
            QCOMPARE(anna.Until(u"ok assign"_s) + piotr.Until(u"ok assign"_s), QStringList());
        }
        const QMap<QString, QByteArray> after = StaffRecords();
        QCOMPARE(after.keys(), before.keys());
        for (auto record = before.begin(); record != before.end(); ++record) {
            const EmployeeRecord stored = ParseEmployeeRecord(record.value());
            CardEntries entries;
            QVERIFY(ReadCardEntries(record.value(), stored, entries));
            const auto with = [&](const QByteArray& plan) {
                return EncodeEmployeeRecord(stored.HeaderWord, stored.Surname, stored.FirstName, plan, stored.Group,
                                            entries);
            };
            const QByteArray& now = after.value(record.key());
            QVERIFY2(now == with("Biuro") || now == with("Weekendy"), qPrintable(record.key()));
        }
        // No lock record and no temporary file left beside the records.
        QCOMPARE(FolderEntries(StaffDir()), QStringList(before.keys()).join(u' '));
    }
};

QTEST_GUILESS_MAIN(TestTwoStations)
#include "tst_TwoStations.moc"

// Two workstations on one data directory, each a real copy of the program in
// a program folder of its own whose sciezka.ini names the shared folder: the
// locks that keep them apart, the lock a killed copy leaves behind, and plan
// files that a copy killed in the middle of saving leaves whole.
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/OdczytZapisPliku.h"
#include "env/UserIdentity.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <optional>

namespace {

const QStringList LeaveQuestion{u"ask Question YesNo Czy zakończyć program?"_s};
const QString SavedMessage = u"say Information Plan pracy został poprawnie zapisany do pliku."_s;

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
    }
    ~Station() { Kill(); }

    void Send(const QString& command) { m_process.write((command + u'\n').toUtf8()); }
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

private:
    QString m_user;
    QProcess m_process;
};

} // namespace

class TestTwoStations : public QObject
{
    Q_OBJECT

    const QString m_host = SystemComputerName();
    std::optional<QTemporaryDir> m_root; // ROOT/shared/DANE (the demo data) and the program folders beside it

    QString DataDir() const { return m_root->filePath(u"shared/DANE"_s); }
    QString PlanFile() const { return QDir(DataDir()).filePath(u"PLANY/Biuro.PLN"_s); }

    // A workstation's program folder: the program, the suite library and a sciezka.ini.
    QString ProgramDir(const QString& name) const
    {
        const QDir dir(m_root->filePath(name));
        if (!dir.exists()) {
            const QDir built(QCoreApplication::applicationDirPath());
            dir.mkpath(u"."_s);
            for (const QString& file : {u"grafenta-station"_s, KelbrinLibrary::FileName()})
                QFile::copy(built.filePath(file), dir.filePath(file));
            WriteFile(dir.filePath(u"sciezka.ini"_s), "[SCIEZKA] " + QFile::encodeName(m_root->filePath(u"shared"_s)));
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

private slots:
    // A new shared data directory for each test.
    void init()
    {
        m_root.emplace();
        QVERIFY(WriteDemoDataDirectory(TestLibrary(), m_root->filePath(u"shared"_s), nullptr));
    }

    void planLockRefusedUntilHolderLeaves()
    {
        Station anna(ProgramDir(u"A"_s), u"anna"_s);
        Station piotr(ProgramDir(u"B"_s), u"piotr"_s);
        QCOMPARE(anna.StartLines + piotr.StartLines + anna.Run({u"choose Biuro"_s}), QStringList());
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
    // one of the two, and only the killed copy's own temporary file may be left,
    // which the next save removes.
    void killedSavesLeaveOldOrNewPlan()
    {
        const QString dir = ProgramDir(u"A"_s);
        const QDir temp(QDir(dir).filePath(u"TEMP"_s));
        const auto strays = [&] {
            QStringList names;
            for (const QDir& folder : {temp, QDir(QDir(DataDir()).filePath(u"PLANY"_s))})
                names += folder.entryList({u".grafenta-*"_s}, QDir::Files | QDir::Hidden);
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
            QVERIFY2(left.isEmpty() || (left.size() == 1 && IsTemporaryFileName(left.first()) &&
                                        left.first().contains(u"-%1-"_s.arg(station.Pid)) && temp.exists(left.first())),
                     qPrintable(left.join(u' ')));
            killedWriting += left.size();
        }
        qInfo("%d of 50 copies were killed while a save was under way", killedWriting);

        Station last(dir, u"anna"_s);
        QCOMPARE(last.StartLines + last.Run({u"choose Biuro"_s, u"save"_s}), QStringList{SavedMessage});
        QCOMPARE(last.Leave(), LeaveQuestion);
        QCOMPARE(strays(), QStringList());
        QCOMPARE(FolderEntries(temp.path()), QString());
        QCOMPARE(Records(), QString());
    }
};

QTEST_GUILESS_MAIN(TestTwoStations)
#include "tst_TwoStations.moc"

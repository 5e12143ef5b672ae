#include "Contender.h"
#include "TestSupport.h"

#include "env/CodePage.h"
#include "kelbrin.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// Lock records of the suite library: exclusive across processes, stale
// records of dead processes taken over, live and foreign ones never.
namespace {

QByteArray Cp(const QString& text)
{
    return ToCodePage(text);
}

// Asks for a lock in this process; owner is the caller's buffer.
int32_t Ask(const QString& kind, const QString& object, const QString& holder, QByteArray& owner)
{
    QByteArray holderBuffer = Cp(holder);
    return KLNX_CreateLock(Cp(kind).constData(), Cp(object).constData(), holderBuffer.data(), owner.data());
}

int32_t Ask(const QString& kind, const QString& object, const QString& holder = QStringLiteral("Tester z TU"))
{
    QByteArray owner(256, ' ');
    return Ask(kind, object, holder, owner);
}

// What the lock folder holds besides "." and "..".
QStringList LockFolderEntries(const QString& dataDir)
{
    return QDir(QDir(dataDir).filePath(QStringLiteral("BLOKADY")))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The path of the record whose object line is the given one.
QString RecordOf(const QString& dataDir, const QByteArray& object)
{
    const QDir folder(QDir(dataDir).filePath(QStringLiteral("BLOKADY")));
    for (const QString& name : folder.entryList({QStringLiteral("*.lck")}, QDir::Files)) {
        if (ReadFile(folder.filePath(name)).contains("\nobject=" + object + '\n')) return folder.filePath(name);
    }
    return QString();
}

QByteArray LineOf(const QByteArray& record, const QByteArray& key)
{
    for (const QByteArray& line : record.split('\n')) {
        if (line.startsWith(key + '=')) return line;
    }
    return QByteArray();
}

QByteArray Without(QByteArray record, const QByteArray& line)
{
    return record.replace(line + '\n', QByteArray());
}

#ifdef Q_OS_LINUX
char ProcessState(qint64 pid)
{
    const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 || close + 2 >= stat.size() ? '\0' : stat.at(close + 2);
}
#endif

enum Start { FolderPresent, FolderMissing, StaleRecord };

enum Change {
    Unchanged,
    OtherHost,
    LiveProcess,
    LivePidWithoutStart,
    ReusedPid,
    Unfinished,
    UnfinishedOtherHost,
    Empty,
    Zombie
};

} // namespace

class TestLockRecords : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void contention_data();
    void contention();
    void staleRecords_data();
    void staleRecords();
    void ownLeftoverRecord();
    void ownerBuffer_data();
    void ownerBuffer();
    void cannotCreate_data();
    void cannotCreate();
    void names_data();
    void names();
    void deleteUnknownHandle_data();
    void deleteUnknownHandle();
    void releaseLetsAnotherProcessIn();

private:
    QString m_startFolder;
    QTemporaryDir* m_data = nullptr;
    QString Data() const { return m_data->path(); }
};

void TestLockRecords::init()
{
    m_startFolder = QDir::currentPath();
    m_data = new QTemporaryDir;
    QVERIFY(m_data->isValid());
    QCOMPARE(KLNX_SetDir(Cp(Data()).constData()), 0);
}

void TestLockRecords::cleanup()
{
    QDir::setCurrent(m_startFolder);
    delete m_data;
    m_data = nullptr;
}

void TestLockRecords::contention_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("rounds");
    QTest::newRow("lock folder present") << int(FolderPresent) << 300;
    QTest::newRow("lock folder made by the contenders") << int(FolderMissing) << 100;
    QTest::newRow("over a stale record") << int(StaleRecord) << 100;
}

// Two processes ask for the same lock at the same moment: exactly one gets
// it, and the other is told who.
void TestLockRecords::contention()
{
    QFETCH(int, start);
    QFETCH(int, rounds);

    const QString object = QStringLiteral("WSPÓLNY.PLN");
    const QString lockFolder = QDir(Data()).filePath(QStringLiteral("BLOKADY"));
    QByteArray staleRecord;
    QString stalePath;
    if (start == StaleRecord) {
        Contender dead(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Zmarły z STACJA-0"));
        QVERIFY(dead.Ask());
        QVERIFY(dead.Holds());
        dead.Kill();
        stalePath = RecordOf(Data(), Cp(object));
        QVERIFY(!stalePath.isEmpty());
        staleRecord = ReadFile(stalePath);
    }

    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < rounds; ++round) {
        switch (start) {
        case FolderPresent:
            QVERIFY(QDir().mkpath(lockFolder));
            break;
        case FolderMissing:
            QVERIFY(QDir(lockFolder).removeRecursively());
            break;
        case StaleRecord:
            QVERIFY(WriteFile(stalePath, staleRecord));
            break;
        }
        Contender a(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Łucja z STACJA-1"));
        Contender b(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Żaneta z STACJA-2"));
        QVERIFY(a.Start());
        QVERIFY(b.Start());
        if (round % 2) {
            a.Go();
            b.Go();
        } else {
            b.Go();
            a.Go();
        }
        QVERIFY(a.WaitForAnswer());
        QVERIFY(b.WaitForAnswer());
        QVERIFY2(a.Holds() != b.Holds(),
                 qPrintable(QStringLiteral("round %1: handles %2 and %3").arg(round).arg(a.Handle()).arg(b.Handle())));
        Contender& winner = a.Holds() ? a : b;
        Contender& loser = a.Holds() ? b : a;
        QVERIFY(winner.Handle() > 0);
        QCOMPARE(loser.Owner(), winner.Holder().leftJustified(256, QLatin1Char(' ')));
        QCOMPARE(loser.Release(), 1); // the loser has no handle to give back
        QCOMPARE(winner.Release(), 0);
        QVERIFY2(LockFolderEntries(Data()).isEmpty(), qPrintable(LockFolderEntries(Data()).join(QLatin1Char(' '))));
    }
    qInfo("%d rounds of two processes in %lld ms", rounds, qlonglong(clock.elapsed()));
}

void TestLockRecords::staleRecords_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<bool>("old"); // the record was last written a minute ago
    QTest::addColumn<bool>("takenOver");
    QTest::addColumn<bool>("ownerNamed"); // a refusal names the record's holder

    QTest::newRow("holder killed") << int(Unchanged) << false << true << false;
    QTest::newRow("holder killed, not yet reaped") << int(Zombie) << false << true << false;
    QTest::newRow("another host") << int(OtherHost) << false << false << true;
    QTest::newRow("another host, old") << int(OtherHost) << true << false << true;
    QTest::newRow("live process") << int(LiveProcess) << true << false << true;
    QTest::newRow("live process id, start unknown") << int(LivePidWithoutStart) << true << false << true;
    QTest::newRow("process id reused") << int(ReusedPid) << false << true << false;
    QTest::newRow("unfinished, young") << int(Unfinished) << false << false << false;
    QTest::newRow("unfinished, old") << int(Unfinished) << true << true << false;
    QTest::newRow("unfinished of another host, old") << int(UnfinishedOtherHost) << true << false << false;
    QTest::newRow("empty, young") << int(Empty) << false << false << false;
    QTest::newRow("empty, old") << int(Empty) << true << true << false;
}

// A record left by a holder that was killed, changed as the row says, then
// asked for by this process.
void TestLockRecords::staleRecords()
{
    QFETCH(int, change);
    QFETCH(bool, old);
    QFETCH(bool, takenOver);
    QFETCH(bool, ownerNamed);

    const QString deadHolder = QStringLiteral("Zbigniew Źrebiec z STACJA-9");
    Contender dead(Data(), QStringLiteral("PlnEdit"), QStringLiteral("STARY.PLN"), deadHolder);
    QVERIFY(dead.Ask());
    QVERIFY(dead.Holds());

    // A live process with a record of its own, whose process lines are borrowed.
    Contender live(Data(), QStringLiteral("PlnEdit"), QStringLiteral("INNY.PLN"), QStringLiteral("Ktoś z STACJA-8"));
    QByteArray liveRecord;
    if (change == LiveProcess || change == LivePidWithoutStart || change == ReusedPid) {
        QVERIFY(live.Ask());
        QVERIFY(live.Holds());
        liveRecord = ReadFile(RecordOf(Data(), "INNY.PLN"));
        QVERIFY(!LineOf(liveRecord, "start").isEmpty());
    }

    if (change == Zombie) {
#ifdef Q_OS_LINUX
        dead.Kill(false);
        QElapsedTimer clock;
        clock.start();
        while (ProcessState(dead.Pid()) != 'Z' && ProcessState(dead.Pid()) != '\0' && clock.elapsed() < 5000)
            QThread::msleep(2);
        if (ProcessState(dead.Pid()) != 'Z') QSKIP("the killed process was reaped at once");
#else
        QSKIP("zombies are a matter of Linux");
#endif
    } else {
        dead.Kill();
    }

    const QString path = RecordOf(Data(), "STARY.PLN");
    QVERIFY(!path.isEmpty());
    QByteArray record = ReadFile(path);
    const QByteArray hostLine = LineOf(record, "host");
    switch (change) {
    case OtherHost:
        record.replace(hostLine, "host=gdzie-indziej");
        break;
    case LiveProcess:
        record.replace(LineOf(record, "pid"), LineOf(liveRecord, "pid"));
        record.replace(LineOf(record, "start"), LineOf(liveRecord, "start"));
        break;
    case LivePidWithoutStart:
        record.replace(LineOf(record, "pid"), LineOf(liveRecord, "pid"));
        record = Without(record, LineOf(record, "start"));
        break;
    case ReusedPid:
        record.replace(LineOf(record, "pid"), LineOf(liveRecord, "pid"));
        record.replace(LineOf(record, "start"), "start=1");
        break;
    case Unfinished:
        record = Without(record, "END");
        break;
    case UnfinishedOtherHost:
        record.replace(hostLine, "host=gdzie-indziej");
        record = Without(record, "END");
        break;
    case Empty:
        record.clear();
        break;
    default:
        break;
    }
    QVERIFY(WriteFile(path, record));
    if (old) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    }

    QByteArray owner(40, '.');
    const int32_t handle =
        Ask(QStringLiteral("PlnEdit"), QStringLiteral("stary.pln"), QStringLiteral("Tester z TU"), owner);
    if (takenOver) {
        QVERIFY(handle > 0);
        QVERIFY(ReadFile(path).contains("\nholder=Tester z TU\n"));
        QCOMPARE(owner, QByteArray(40, '.'));
        QCOMPARE(KLNX_DeleteLock(handle), uint8_t(0));
        QVERIFY(!QFile::exists(path));
    } else {
        QCOMPARE(handle, -1);
        QCOMPARE(owner, ownerNamed ? Cp(deadHolder).leftJustified(40, ' ') : QByteArray(40, '.'));
        QCOMPARE(ReadFile(path), record);
    }
}

// A record of this very process counts as held while its handle is; one
// that outlived its handle is a leftover.
void TestLockRecords::ownLeftoverRecord()
{
    const int32_t handle = Ask(QStringLiteral("PlnEdit"), QStringLiteral("WŁASNY.PLN"), QStringLiteral("Ja z TU"));
    QVERIFY(handle > 0);
    QByteArray owner(16, ' ');
    QCOMPARE(Ask(QStringLiteral("PlnEdit"), QStringLiteral("WŁASNY.PLN"), QStringLiteral("Ja z TU"), owner), -1);
    QCOMPARE(owner, QByteArray("Ja z TU         "));

    const QString path = RecordOf(Data(), Cp(QStringLiteral("WŁASNY.PLN")));
    const QByteArray record = ReadFile(path);
    QCOMPARE(KLNX_DeleteLock(handle), uint8_t(0));
    QVERIFY(!QFile::exists(path));
    QVERIFY(WriteFile(path, record)); // as if the release had not removed it

    const int32_t again = Ask(QStringLiteral("PlnEdit"), QStringLiteral("WŁASNY.PLN"), QStringLiteral("Ja z TU"));
    QVERIFY(again > 0);
    QVERIFY(again != handle);
    QVERIFY(ReadFile(path) != record);
    QCOMPARE(KLNX_DeleteLock(again), uint8_t(0));
}

void TestLockRecords::ownerBuffer_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("owner");

    QTest::newRow("padded with blanks") << QStringLiteral("Anna z PC2") << 20 << QByteArray("Anna z PC2          ");
    QTest::newRow("cut to the buffer") << QStringLiteral("Anna z PC2") << 4 << QByteArray("Anna");
    QTest::newRow("exactly the buffer") << QStringLiteral("Anna z PC2") << 10 << QByteArray("Anna z PC2");
    QTest::newRow("empty buffer") << QStringLiteral("Anna z PC2") << 0 << QByteArray();
    QTest::newRow("Polish holder") << QStringLiteral("Łucja Żak z KADRY") << 20
                                   << Cp(QStringLiteral("Łucja Żak z KADRY   "));
    QTest::newRow("holder unknown") << QString() << 12 << QByteArray(12, '.');
    QTest::newRow("line breaks in the holder") << QStringLiteral("Anna\nz\rPC2") << 12 << QByteArray("Anna z PC2  ");
}

// The owner buffer is rewritten in place, never past its length; the holder
// buffer is only read.
void TestLockRecords::ownerBuffer()
{
    QFETCH(QString, holder);
    QFETCH(int, length);
    QFETCH(QByteArray, owner);

    QByteArray holderBuffer = Cp(holder);
    const QByteArray holderBefore = holderBuffer;
    const int32_t handle =
        KLNX_CreateLock("PlnEdit", "BUFOR.PLN", holderBuffer.isEmpty() ? nullptr : holderBuffer.data(), nullptr);
    QVERIFY(handle > 0);
    QCOMPARE(holderBuffer, holderBefore);

    const QByteArray guard("GUARD-GUARD");
    QByteArray buffer = QByteArray(length, '.') + '\0' + guard;
    QByteArray asking("Inny z PC3");
    QCOMPARE(KLNX_CreateLock("PlnEdit", "bufor.pln", asking.data(), buffer.data()), -1);
    QCOMPARE(buffer.left(length), owner);
    QCOMPARE(buffer.at(length), '\0');
    QCOMPARE(buffer.mid(length + 1), guard);
    QCOMPARE(asking, QByteArray("Inny z PC3"));
    QCOMPARE(KLNX_DeleteLock(handle), uint8_t(0));
}

void TestLockRecords::cannotCreate_data()
{
    QTest::addColumn<QString>("obstacle");
    // A file where the lock folder should be: no permission bits involved,
    // so this holds for root too.
    QTest::newRow("lock folder is a file") << QStringLiteral("BLOKADY");
    QTest::newRow("record name taken by a folder") << QStringLiteral("BLOKADY/PLNEDIT+ZABLOKOWANY.PLN.lck");
}

void TestLockRecords::cannotCreate()
{
    QFETCH(QString, obstacle);
    const QString path = QDir(Data()).filePath(obstacle);
    if (obstacle.endsWith(QStringLiteral(".lck")))
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(WriteFile(path, "not a folder"));

    QByteArray owner(24, '.');
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Ask(QStringLiteral("PlnEdit"), QStringLiteral("Zablokowany.PLN"), QStringLiteral("Tester z TU"), owner),
             -1);
    QCOMPARE(owner, QByteArray(24, '.'));
    QVERIFY2(clock.elapsed() < 1000, "a request that cannot succeed is refused at once");
}

void TestLockRecords::names_data()
{
    QTest::addColumn<QString>("firstKind");
    QTest::addColumn<QString>("firstObject");
    QTest::addColumn<QString>("secondKind");
    QTest::addColumn<QString>("secondObject");
    QTest::addColumn<bool>("collide");

    const QString plan = QStringLiteral("PlnEdit");
    const QString longName = QString(300, QLatin1Char('N'));
    QTest::newRow("same") << plan << QStringLiteral("PLAN1.PLN") << plan << QStringLiteral("PLAN1.PLN") << true;
    QTest::newRow("object in other case")
        << plan << QStringLiteral("plan1.pln") << plan << QStringLiteral("PLAN1.PLN") << true;
    QTest::newRow("Polish object in other case")
        << plan << QStringLiteral("żółw ąę.pln") << plan << QStringLiteral("ŻÓŁW ĄĘ.PLN") << true;
    QTest::newRow("kind in other case") << plan << QStringLiteral("PLAN1.PLN") << QStringLiteral("PLNEDIT")
                                        << QStringLiteral("PLAN1.PLN") << true;
    QTest::newRow("other object") << plan << QStringLiteral("PLAN1.PLN") << plan << QStringLiteral("PLAN2.PLN")
                                  << false;
    QTest::newRow("other kind") << plan << QStringLiteral("FreeDays") << QStringLiteral("EditFree")
                                << QStringLiteral("FreeDays") << false;
    QTest::newRow("blank matters") << plan << QStringLiteral("PLAN 1.PLN") << plan << QStringLiteral("PLAN1.PLN")
                                   << false;
    QTest::newRow("accent matters") << plan << QStringLiteral("ŁAD.PLN") << plan << QStringLiteral("LAD.PLN") << false;
    QTest::newRow("escape cannot be forged")
        << plan << QStringLiteral("A+B.PLN") << plan << QStringLiteral("A%2BB.PLN") << false;
    QTest::newRow("kind and object boundary")
        << QStringLiteral("A") << QStringLiteral("B+C") << QStringLiteral("A+B") << QStringLiteral("C") << false;
    QTest::newRow("path characters") << plan << QStringLiteral("../PLAN1.PLN") << plan << QStringLiteral("PLAN1.PLN")
                                     << false;
    QTest::newRow("long names differing at the end")
        << plan << longName + QStringLiteral("1") << plan << longName + QStringLiteral("2") << false;
    QTest::newRow("long names in other case") << plan << longName.toLower() << plan << longName << true;
}

// Records are one per kind and object, without regard to letter case.
void TestLockRecords::names()
{
    QFETCH(QString, firstKind);
    QFETCH(QString, firstObject);
    QFETCH(QString, secondKind);
    QFETCH(QString, secondObject);
    QFETCH(bool, collide);

    const int32_t first = Ask(firstKind, firstObject, QStringLiteral("Pierwszy z PC1"));
    QVERIFY(first > 0);
    QByteArray owner(16, ' ');
    const int32_t second = Ask(secondKind, secondObject, QStringLiteral("Drugi z PC2"), owner);
    if (collide) {
        QCOMPARE(second, -1);
        QCOMPARE(owner, QByteArray("Pierwszy z PC1  "));
    } else {
        QVERIFY(second > 0);
        QCOMPARE(KLNX_DeleteLock(second), uint8_t(0));
    }
    QCOMPARE(KLNX_DeleteLock(first), uint8_t(0));
    QVERIFY(LockFolderEntries(Data()).isEmpty());
    QVERIFY(QDir(Data()).entryList(QDir::Files).isEmpty()); // nothing written outside the lock folder
}

void TestLockRecords::deleteUnknownHandle_data()
{
    QTest::addColumn<int>("handle");
    QTest::addColumn<bool>("releasedBefore"); // the handle is one given and released just before
    QTest::newRow("refused request") << -1 << false;
    QTest::newRow("zero") << 0 << false;
    QTest::newRow("never given") << 987654 << false;
    QTest::newRow("already released") << 0 << true;
}

void TestLockRecords::deleteUnknownHandle()
{
    QFETCH(int, handle);
    QFETCH(bool, releasedBefore);
    if (releasedBefore) {
        handle = Ask(QStringLiteral("PlnEdit"), QStringLiteral("RAZ.PLN"));
        QVERIFY(handle > 0);
        QCOMPARE(KLNX_DeleteLock(handle), uint8_t(0));
    }
    const int32_t held = Ask(QStringLiteral("PlnEdit"), QStringLiteral("TRZYMANY.PLN"));
    QVERIFY(held > 0);
    QCOMPARE(KLNX_DeleteLock(handle), uint8_t(1));
    // Nothing else was let go.
    QCOMPARE(Ask(QStringLiteral("PlnEdit"), QStringLiteral("TRZYMANY.PLN")), -1);
    QCOMPARE(KLNX_DeleteLock(held), uint8_t(0));
}

void TestLockRecords::releaseLetsAnotherProcessIn()
{
    const QString object = QStringLiteral("KOLEJKA.PLN");
    Contender first(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Pierwszy z PC1"));
    QVERIFY(first.Ask());
    QVERIFY(first.Holds());
    {
        Contender refused(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Drugi z PC2"));
        QVERIFY(refused.Ask());
        QVERIFY(!refused.Holds());
        QCOMPARE(refused.Owner().trimmed(), first.Holder());
    }
    QCOMPARE(first.Release(), 0);

    // This process takes it next, then hands it on.
    const int32_t handle = Ask(QStringLiteral("PlnEdit"), object);
    QVERIFY(handle > 0);
    {
        Contender refused(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Drugi z PC2"));
        QVERIFY(refused.Ask());
        QVERIFY(!refused.Holds());
        QCOMPARE(refused.Owner().trimmed(), QStringLiteral("Tester z TU"));
    }
    QCOMPARE(KLNX_DeleteLock(handle), uint8_t(0));
    Contender next(Data(), QStringLiteral("PlnEdit"), object, QStringLiteral("Trzeci z PC3"));
    QVERIFY(next.Ask());
    QVERIFY(next.Holds());
    QCOMPARE(next.Release(), 0);
}

QTEST_GUILESS_MAIN(TestLockRecords)
#include "tst_LockRecords.moc"

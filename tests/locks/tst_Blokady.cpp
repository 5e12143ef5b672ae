#include "Contender.h"
#include "TestSupport.h"

#include "env/Blokady.h"

#include <QDir>
#include <QTest>

// The program's lock routines: what they take, what they tell the user and
// what they leave in the lock handles.
namespace {

const QString PlanName = QStringLiteral("Plan Łódź 1");
const QString PlanObject = QStringLiteral("Plan Łódź 1.PLN");

// How a row keeps the lock from us.
enum Obstacle {
    OtherProcess,   // another process holds it with the row's holder text
    LockFolderFile, // a file named BLOKADY stands where the lock folder belongs
};

const QString KnownHolderPlan = QStringLiteral("Plan pracy: ") + PlanName + QStringLiteral(" jest zablokowana przez: ");
const QString UnknownHolderPlan =
    QStringLiteral("Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy.");
const QString UnknownHolderFreeDays = QStringLiteral("Blokada danych niemożliwa.");

QString PlanRefusal(const QString& owner)
{
    return KnownHolderPlan + owner + QStringLiteral(".\rEdycja planu pracy niemożliwa.");
}

QString FreeDaysRefusal(const QString& owner)
{
    return QStringLiteral("Zapis danych niemożliwy.\rDostęp do danych zablokowany przez: ") + owner +
           QStringLiteral(".\rPoczekaj aż zostanie zwolniony i spróbuj ponownie.");
}

void SetUser(TestEnvironment& env)
{
    env.State.UserName = QStringLiteral(" jan ");
    env.State.ComputerName = QStringLiteral(" STACJA-3 ");
}

} // namespace

class TestBlokady : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void planLockTaken();
    void planLockRefused_data();
    void planLockRefused();
    void freeDaysLockTaken();
    void freeDaysLockRefused_data();
    void freeDaysLockRefused();
    void noUserName_data();
    void noUserName();
    void newPlanLockReplacesHandle();
    void releaseFreeDaysLeavesPlanLock();
    void releaseNothingHeld();

private:
    void refusalRows(bool plan);
    QString m_startFolder;
};

void TestBlokady::init()
{
    m_startFolder = QDir::currentPath();
}

void TestBlokady::cleanup()
{
    QDir::setCurrent(m_startFolder);
}

// A plan lock taken is a record in the data directory under the user's
// holder text: another process is refused and told who holds it.
void TestBlokady::planLockTaken()
{
    TestEnvironment env;
    SetUser(env);
    QVERIFY(AcquirePlanLock(env.State, PlanName));
    QVERIFY(env.Ui.Entries().isEmpty());
    QVERIFY(env.State.PlanLockHandle > 0);
    QCOMPARE(env.State.PlanLockState, env.State.PlanLockHandle);
    QCOMPARE(QDir::current().canonicalPath(), QDir(env.State.DataDir()).canonicalPath());

    Contender other(env.State.DataDir(), QStringLiteral("PlnEdit"), PlanObject.toUpper(), QStringLiteral("Anna z PC2"));
    QVERIFY(other.Ask());
    QVERIFY(!other.Holds());
    QCOMPARE(other.Owner().trimmed(), QStringLiteral("jan z STACJA-3"));
    ReleaseLock(env.State, env.State.PlanLockHandle);
}

void TestBlokady::refusalRows(bool plan)
{
    QTest::addColumn<int>("obstacle");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("message");

    auto refusal = plan ? PlanRefusal : FreeDaysRefusal;
    const QString unknown = plan ? UnknownHolderPlan : UnknownHolderFreeDays;
    QTest::newRow("holder known") << int(OtherProcess) << QStringLiteral("Anna z PC2")
                                  << refusal(QStringLiteral("Anna z PC2"));
    QTest::newRow("holder shown trimmed")
        << int(OtherProcess) << QStringLiteral("   Anna z PC2  ") << refusal(QStringLiteral("Anna z PC2"));
    QTest::newRow("holder with Polish letters")
        << int(OtherProcess) << QStringLiteral("Łucja Żak z KADRY-1") << refusal(QStringLiteral("Łucja Żak z KADRY-1"));
    QTest::newRow("only blanks are trimmed")
        << int(OtherProcess) << QStringLiteral(" Anna z PC2\t ") << refusal(QStringLiteral("Anna z PC2\t"));
    QTest::newRow("holder longer than the owner buffer")
        << int(OtherProcess) << QString(300, QLatin1Char('x')) << refusal(QString(256, QLatin1Char('x')));
    QTest::newRow("holder unknown") << int(OtherProcess) << QString() << unknown;
    QTest::newRow("holder of blanks") << int(OtherProcess) << QStringLiteral("    ") << unknown;
    QTest::newRow("lock folder cannot be made") << int(LockFolderFile) << QString() << unknown;
}

void TestBlokady::planLockRefused_data()
{
    refusalRows(true);
}

void TestBlokady::planLockRefused()
{
    QFETCH(int, obstacle);
    QFETCH(QString, holder);
    QFETCH(QString, message);

    TestEnvironment env;
    SetUser(env);
    Contender other(env.State.DataDir(), QStringLiteral("PlnEdit"), PlanObject, holder);
    if (obstacle == OtherProcess) {
        QVERIFY(other.Ask());
        QVERIFY(other.Holds());
    } else {
        QVERIFY(WriteFile(QDir(env.State.DataDir()).filePath(QStringLiteral("BLOKADY")), "not a folder"));
    }
    env.State.PlanLockHandle = 7;
    env.State.PlanLockState = 7;

    QVERIFY(!AcquirePlanLock(env.State, PlanName));
    QCOMPARE(env.State.PlanLockHandle, -1);
    QCOMPARE(env.State.PlanLockState, -1);
    QCOMPARE(env.Ui.Entries().size(), 1);
    QCOMPARE(env.Ui.Entries().at(0).icon, MessageIcon::Critical);
    QVERIFY(!env.Ui.Entries().at(0).question);
    QCOMPARE(env.Ui.Entries().at(0).text, message);
}

void TestBlokady::freeDaysLockTaken()
{
    TestEnvironment env;
    SetUser(env);
    QVERIFY(AcquireFreeDaysLock(env.State));
    QVERIFY(env.Ui.Entries().isEmpty());
    QVERIFY(env.State.FreeDaysLockHandle > 0);
    QCOMPARE(env.State.PlanLockHandle, -1);
    QCOMPARE(env.State.PlanLockState, -1);

    Contender other(env.State.DataDir(), QStringLiteral("EditFree"), QStringLiteral("FREEDAYS"),
                    QStringLiteral("Anna z PC2"));
    QVERIFY(other.Ask());
    QVERIFY(!other.Holds());
    QCOMPARE(other.Owner().trimmed(), QStringLiteral("jan z STACJA-3"));
    ReleaseLock(env.State, env.State.FreeDaysLockHandle);
}

void TestBlokady::freeDaysLockRefused_data()
{
    refusalRows(false);
}

void TestBlokady::freeDaysLockRefused()
{
    QFETCH(int, obstacle);
    QFETCH(QString, holder);
    QFETCH(QString, message);

    TestEnvironment env;
    SetUser(env);
    Contender other(env.State.DataDir(), QStringLiteral("EditFree"), QStringLiteral("FreeDays"), holder);
    if (obstacle == OtherProcess) {
        QVERIFY(other.Ask());
        QVERIFY(other.Holds());
    } else {
        QVERIFY(WriteFile(QDir(env.State.DataDir()).filePath(QStringLiteral("BLOKADY")), "not a folder"));
    }
    env.State.FreeDaysLockHandle = 7;

    QVERIFY(!AcquireFreeDaysLock(env.State));
    QCOMPARE(env.State.FreeDaysLockHandle, -1);
    QCOMPARE(env.Ui.Entries().size(), 1);
    QCOMPARE(env.Ui.Entries().at(0).icon, MessageIcon::Critical);
    QVERIFY(!env.Ui.Entries().at(0).question);
    QCOMPARE(env.Ui.Entries().at(0).text, message);
}

void TestBlokady::noUserName_data()
{
    QTest::addColumn<QString>("user");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("   ");
}

// Without a user name a plan opens without a lock and the free days are not
// read; neither says anything, and no record is made.
void TestBlokady::noUserName()
{
    QFETCH(QString, user);
    TestEnvironment env;
    env.State.UserName = user;
    env.State.ComputerName = QStringLiteral("STACJA-3");

    QVERIFY(AcquirePlanLock(env.State, PlanName));
    QCOMPARE(env.State.PlanLockHandle, -1);
    QCOMPARE(env.State.PlanLockState, -1);
    QVERIFY(!AcquireFreeDaysLock(env.State));
    QCOMPARE(env.State.FreeDaysLockHandle, -1);
    QVERIFY(env.Ui.Entries().isEmpty());

    Contender plan(env.State.DataDir(), QStringLiteral("PlnEdit"), PlanObject, QStringLiteral("Anna z PC2"));
    QVERIFY(plan.Ask());
    QVERIFY(plan.Holds());
    Contender freeDays(env.State.DataDir(), QStringLiteral("EditFree"), QStringLiteral("FreeDays"),
                       QStringLiteral("Anna z PC2"));
    QVERIFY(freeDays.Ask());
    QVERIFY(freeDays.Holds());
}

// Taking a plan lock replaces the handle without releasing the one before.
void TestBlokady::newPlanLockReplacesHandle()
{
    TestEnvironment env;
    SetUser(env);
    QVERIFY(AcquirePlanLock(env.State, QStringLiteral("PIERWSZY")));
    const int32_t first = env.State.PlanLockHandle;
    QVERIFY(AcquirePlanLock(env.State, QStringLiteral("DRUGI")));
    const int32_t second = env.State.PlanLockHandle;
    QVERIFY(second > 0);
    QVERIFY(second != first);
    QCOMPARE(env.State.PlanLockState, second);

    Contender other(env.State.DataDir(), QStringLiteral("PlnEdit"), QStringLiteral("PIERWSZY.PLN"),
                    QStringLiteral("Anna z PC2"));
    QVERIFY(other.Ask());
    QVERIFY(!other.Holds());

    int32_t firstHandle = first;
    ReleaseLock(env.State, firstHandle);
    ReleaseLock(env.State, env.State.PlanLockHandle);
}

void TestBlokady::releaseFreeDaysLeavesPlanLock()
{
    TestEnvironment env;
    SetUser(env);
    QVERIFY(AcquirePlanLock(env.State, PlanName));
    QVERIFY(AcquireFreeDaysLock(env.State));
    const int32_t planHandle = env.State.PlanLockHandle;

    ReleaseLock(env.State, env.State.FreeDaysLockHandle);
    QCOMPARE(env.State.FreeDaysLockHandle, -1);
    QCOMPARE(env.State.PlanLockHandle, planHandle);
    QCOMPARE(env.State.PlanLockState, planHandle);

    Contender freeDays(env.State.DataDir(), QStringLiteral("EditFree"), QStringLiteral("FreeDays"),
                       QStringLiteral("Anna z PC2"));
    QVERIFY(freeDays.Ask());
    QVERIFY(freeDays.Holds());
    Contender plan(env.State.DataDir(), QStringLiteral("PlnEdit"), PlanObject, QStringLiteral("Anna z PC2"));
    QVERIFY(plan.Ask());
    QVERIFY(!plan.Holds());
    QCOMPARE(freeDays.Release(), 0);
    QCOMPARE(plan.Release(), 1);

    ReleaseLock(env.State, env.State.PlanLockHandle);
    QCOMPARE(env.State.PlanLockHandle, -1);
    Contender after(env.State.DataDir(), QStringLiteral("PlnEdit"), PlanObject, QStringLiteral("Anna z PC2"));
    QVERIFY(after.Ask());
    QVERIFY(after.Holds());
}

// Releasing a variable of -1, as after a refusal, lets go of nothing.
void TestBlokady::releaseNothingHeld()
{
    TestEnvironment env;
    SetUser(env);
    QVERIFY(AcquirePlanLock(env.State, PlanName));
    const int32_t held = env.State.PlanLockHandle;
    int32_t nothing = -1;
    ReleaseLock(env.State, nothing);
    QCOMPARE(nothing, -1);
    ReleaseLock(env.State, env.State.FreeDaysLockHandle);
    QCOMPARE(env.State.FreeDaysLockHandle, -1);
    QCOMPARE(env.State.PlanLockHandle, held);

    Contender other(env.State.DataDir(), QStringLiteral("PlnEdit"), PlanObject, QStringLiteral("Anna z PC2"));
    QVERIFY(other.Ask());
    QVERIFY(!other.Holds());
    ReleaseLock(env.State, env.State.PlanLockHandle);
}

QTEST_GUILESS_MAIN(TestBlokady)
#include "tst_Blokady.moc"

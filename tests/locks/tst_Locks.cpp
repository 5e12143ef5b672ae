#include "HolderProcess.h"
#include "TestSupport.h"

#include "env/Locks.h"
#include "env/UserIdentity.h"

#include <QDir>
#include <QTest>

// The program's lock routines and the names their holder text is made of.
namespace {

const QString Plan = QStringLiteral("Plan Łódź 1");

// What another process asking for the lock is told: who holds it, or
// nothing when it got the lock (and let it go again).
QString OtherIsTold(const TestEnvironment& env, const QString& kind, const QString& object)
{
    HolderProcess other({QStringLiteral("lock"), env.DataDir(), kind, object, QStringLiteral("Anna z PC2")});
    return !other.Take() ? QStringLiteral("no answer") : other.Holds() ? QString() : other.Owner();
}

} // namespace

class TestLocks : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    // Locks taken under "user z computer" keep other processes out and tell
    // them who; a new plan lock replaces the handle without letting go of
    // the one before; each release lets go of its own lock only.
    void takenAndReleased()
    {
        TestEnvironment env;
        env.Env.UserName = QStringLiteral(" jan ");
        env.Env.ComputerName = QStringLiteral(" STACJA-3 ");
        QVERIFY(AcquirePlanLock(env.Env, env.Doc, QStringLiteral("PIERWSZY")));
        int32_t first = env.Doc.PlanLockHandle;
        QVERIFY(AcquirePlanLock(env.Env, env.Doc, Plan) && AcquireFreeDaysLock(env.Env, env.State.FreeDays));
        QVERIFY(env.Ui.Entries().isEmpty());
        const int32_t plan = env.Doc.PlanLockHandle;
        QVERIFY(first > 0 && plan > 0 && plan != first && env.State.FreeDays.FreeDaysLockHandle > 0);
        QCOMPARE(env.Doc.PlanLockState, plan);
        const QString jan = QStringLiteral("jan z STACJA-3");
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), QStringLiteral("pierwszy.pln")), jan);
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), QStringLiteral("PLAN ŁÓDŹ 1.PLN")), jan);
        QCOMPARE(OtherIsTold(env, QStringLiteral("EditFree"), QStringLiteral("FreeDays")), jan);
        ReleaseLock(env.Env, env.State.FreeDays.FreeDaysLockHandle);
        QVERIFY(env.State.FreeDays.FreeDaysLockHandle == -1 && env.Doc.PlanLockHandle == plan);
        QCOMPARE(OtherIsTold(env, QStringLiteral("EditFree"), QStringLiteral("FreeDays")), QString());
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), Plan + QStringLiteral(".PLN")), jan);
        ReleaseLock(env.Env, env.Doc.PlanLockHandle);
        ReleaseLock(env.Env, first);
        QCOMPARE(env.Doc.PlanLockHandle, -1);
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), Plan + QStringLiteral(".PLN")), QString());
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), QStringLiteral("PIERWSZY.PLN")), QString());
    }

    // A refusal that names nobody: a holder of blanks, or no lock folder.
    void refusedWithoutAName()
    {
        TestEnvironment env, noFolder;
        const auto other = HeldElsewhere(env.DataDir(), QStringLiteral("PlnEdit"), Plan + QStringLiteral(".PLN"),
                                         QStringLiteral("    "));
        QVERIFY(other && WriteFile(QDir(noFolder.DataDir()).filePath(QStringLiteral("BLOKADY")), "not a folder"));
        QVERIFY(!AcquirePlanLock(env.Env, env.Doc, Plan) && env.Doc.PlanLockState == -1);
        QVERIFY(!AcquireFreeDaysLock(noFolder.Env, noFolder.State.FreeDays));
        QCOMPARE(env.Ui.OnlyText(),
                 QStringLiteral("Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy."));
        QCOMPARE(noFolder.Ui.OnlyText(), QStringLiteral("Blokada danych niemożliwa."));
    }

    void nameFromBuffer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("result");
        QTest::newRow("blanks go, tab and line break stay") << " \tjan\r  " << 256 << "\tjan\r";
        QTest::newRow("256 bytes in 256") << QString(256, u'u') << 256 << "";
        // One byte each in the code page, two in UTF-8.
        QTest::newRow("Polish letters") << QString(200, u'ł') << 256 << QString(200, u'ł');
    }

    void nameFromBuffer()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(QString, result);
        QCOMPARE(NameFromBuffer(name, size), result);
    }
};

QTEST_GUILESS_MAIN(TestLocks)
#include "tst_Locks.moc"

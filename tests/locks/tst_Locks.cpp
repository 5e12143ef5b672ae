#include "HolderProcess.h"
#include "TestSupport.h"

#include "env/Locks.h"
#include "env/UserIdentity.h"

#include <QDir>
#include <QTest>

// The program's lock routines and the names their holder text is made of.
namespace {

const QString Plan = u"Plan Łódź 1"_s;

// What another process asking for the lock is told: who holds it, or
// nothing when it got the lock (and let it go again).
QString OtherIsTold(const TestEnvironment& env, const QString& kind, const QString& object)
{
    HolderProcess other({u"lock"_s, env.DataDir(), kind, object, u"Anna z PC2"_s});
    return !other.Take() ? u"no answer"_s : other.Holds() ? QString() : other.Owner();
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
        env.Env.UserName = u" jan "_s;
        env.Env.ComputerName = u" STACJA-3 "_s;
        QVERIFY(AcquirePlanLock(env.Env, env.Doc, u"PIERWSZY"_s));
        int32_t first = env.Doc.PlanLockHandle;
        QVERIFY(AcquirePlanLock(env.Env, env.Doc, Plan) && AcquireFreeDaysLock(env.Env, env.State.FreeDays));
        QVERIFY(env.Ui.Entries().isEmpty());
        const int32_t plan = env.Doc.PlanLockHandle;
        QVERIFY(first > 0 && plan > 0 && plan != first && env.State.FreeDays.FreeDaysLockHandle > 0);
        QCOMPARE(env.Doc.PlanLockState, plan);
        const QString jan = u"jan z STACJA-3"_s;
        QCOMPARE(OtherIsTold(env, u"PlnEdit"_s, u"pierwszy.pln"_s), jan);
        QCOMPARE(OtherIsTold(env, u"PlnEdit"_s, u"PLAN ŁÓDŹ 1.PLN"_s), jan);
        QCOMPARE(OtherIsTold(env, u"EditFree"_s, u"FreeDays"_s), jan);
        ReleaseLock(env.Env, env.State.FreeDays.FreeDaysLockHandle);
        QVERIFY(env.State.FreeDays.FreeDaysLockHandle == -1 && env.Doc.PlanLockHandle == plan);
        QCOMPARE(OtherIsTold(env, u"EditFree"_s, u"FreeDays"_s), QString());
        QCOMPARE(OtherIsTold(env, u"PlnEdit"_s, Plan + u".PLN"_s), jan);
        ReleaseLock(env.Env, env.Doc.PlanLockHandle);
        ReleaseLock(env.Env, first);
        QCOMPARE(env.Doc.PlanLockHandle, -1);
        QCOMPARE(OtherIsTold(env, u"PlnEdit"_s, Plan + u".PLN"_s), QString());
        QCOMPARE(OtherIsTold(env, u"PlnEdit"_s, u"PIERWSZY.PLN"_s), QString());
    }

    // A refusal that names nobody: a holder of blanks, or no lock folder.
    void refusedWithoutAName()
    {
        TestEnvironment env, noFolder;
        const auto other = HeldElsewhere(env.DataDir(), u"PlnEdit"_s, Plan + u".PLN"_s, u"    "_s);
        QVERIFY(other && WriteFile(QDir(noFolder.DataDir()).filePath(u"BLOKADY"_s), "not a folder"));
        QVERIFY(!AcquirePlanLock(env.Env, env.Doc, Plan) && env.Doc.PlanLockState == -1);
        QVERIFY(!AcquireFreeDaysLock(noFolder.Env, noFolder.State.FreeDays));
        QCOMPARE(env.Ui.OnlyText(), u"Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy."_s);
        QCOMPARE(noFolder.Ui.OnlyText(), u"Blokada danych niemożliwa."_s);
    }

    void nameFromBuffer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("result");
        QTest::newRow("blanks go, tab and line break stay") << " \tjan\r  "
                                                            << "\tjan\r";
        QTest::newRow("256 bytes in 256") << QString(256, u'u') << "";
        // One byte each in the code page, two in UTF-8.
        QTest::newRow("Polish letters") << QString(200, u'ł') << QString(200, u'ł');
    }

    void nameFromBuffer()
    {
        QFETCH(QString, name);
        QFETCH(QString, result);
        QCOMPARE(NameFromBuffer(name, 256), result); // a buffer of 256 bytes
    }
};

QTEST_GUILESS_MAIN(TestLocks)
#include "tst_Locks.moc"

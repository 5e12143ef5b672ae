#include "HolderProcess.h"
#include "TestSupport.h"

#include "env/Blokady.h"
#include "env/UserIdentity.h"

#include <QDir>
#include <QTest>

// The program's lock routines and the names their holder text is made of.
namespace {

const QString Plan = QStringLiteral("Plan Łódź 1");

void SetUser(TestEnvironment& env)
{
    env.State.UserName = QStringLiteral(" jan ");
    env.State.ComputerName = QStringLiteral(" STACJA-3 ");
}

// What another process asking for the lock is told: who holds it, or
// nothing when it got the lock (and let it go again).
QString OtherIsTold(const TestEnvironment& env, const QString& kind, const QString& object)
{
    HolderProcess other({QStringLiteral("lock"), env.State.DataDir(), kind, object, QStringLiteral("Anna z PC2")});
    if (!other.Take()) return QStringLiteral("no answer");
    return other.Holds() ? QString() : other.Owner();
}

} // namespace

class TestBlokady : public QObject
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
        SetUser(env);
        QVERIFY(AcquirePlanLock(env.State, QStringLiteral("PIERWSZY")));
        int32_t first = env.State.PlanLockHandle;
        QVERIFY(AcquirePlanLock(env.State, Plan));
        QVERIFY(AcquireFreeDaysLock(env.State));
        QVERIFY(env.Ui.Entries().isEmpty());
        const int32_t plan = env.State.PlanLockHandle;
        QVERIFY(first > 0 && plan > 0 && plan != first && env.State.FreeDaysLockHandle > 0);
        QCOMPARE(env.State.PlanLockState, plan);
        const QString jan = QStringLiteral("jan z STACJA-3");
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), QStringLiteral("pierwszy.pln")), jan);
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), QStringLiteral("PLAN ŁÓDŹ 1.PLN")), jan);
        QCOMPARE(OtherIsTold(env, QStringLiteral("EditFree"), QStringLiteral("FreeDays")), jan);

        ReleaseLock(env.State, env.State.FreeDaysLockHandle);
        QCOMPARE(env.State.FreeDaysLockHandle, -1);
        QCOMPARE(env.State.PlanLockHandle, plan);
        QCOMPARE(OtherIsTold(env, QStringLiteral("EditFree"), QStringLiteral("FreeDays")), QString());
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), Plan + QStringLiteral(".PLN")), jan);
        ReleaseLock(env.State, env.State.PlanLockHandle);
        ReleaseLock(env.State, first);
        QCOMPARE(env.State.PlanLockHandle, -1);
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), Plan + QStringLiteral(".PLN")), QString());
        QCOMPARE(OtherIsTold(env, QStringLiteral("PlnEdit"), QStringLiteral("PIERWSZY.PLN")), QString());
    }

    void refused_data()
    {
        QTest::addColumn<bool>("plan");
        QTest::addColumn<QString>("holder"); // of the other process; null: a file stands where the lock folder belongs
        QTest::addColumn<QString>("message");
        QTest::newRow("plan, holder shown trimmed")
            << true << "  Anna z PC2 "
            << "Plan pracy: Plan Łódź 1 jest zablokowana przez: Anna z PC2.\rEdycja planu pracy niemożliwa.";
        QTest::newRow("plan, holder of blanks")
            << true << "    "
            << "Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy.";
        QTest::newRow("free days, holder known")
            << false << "Łucja Żak z KADRY-1"
            << "Zapis danych niemożliwy.\rDostęp do danych zablokowany przez: Łucja Żak z KADRY-1.\r"
               "Poczekaj aż zostanie zwolniony i spróbuj ponownie.";
        QTest::newRow("free days, no lock folder") << false << QString() << "Blokada danych niemożliwa.";
    }

    void refused()
    {
        QFETCH(bool, plan);
        QFETCH(QString, holder);
        QFETCH(QString, message);
        TestEnvironment env;
        SetUser(env);
        HolderProcess other({QStringLiteral("lock"), env.State.DataDir(),
                             plan ? QStringLiteral("PlnEdit") : QStringLiteral("EditFree"),
                             plan ? Plan + QStringLiteral(".PLN") : QStringLiteral("FreeDays"), holder});
        if (holder.isNull())
            QVERIFY(WriteFile(QDir(env.State.DataDir()).filePath(QStringLiteral("BLOKADY")), "not a folder"));
        else
            QVERIFY(other.Take() && other.Holds());
        env.State.PlanLockHandle = env.State.PlanLockState = env.State.FreeDaysLockHandle = 7;

        QVERIFY(!(plan ? AcquirePlanLock(env.State, Plan) : AcquireFreeDaysLock(env.State)));
        QCOMPARE(plan ? env.State.PlanLockHandle : env.State.FreeDaysLockHandle, -1);
        QCOMPARE(env.State.PlanLockState, plan ? -1 : 7);
        QCOMPARE(env.Ui.Texts(), QStringList{message});
        QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
    }

    // Without a user name a plan opens without a lock and the free days are
    // not read; neither says a word.
    void noUserName()
    {
        TestEnvironment env;
        env.State.UserName = QStringLiteral("   ");
        env.State.ComputerName = QStringLiteral("STACJA-3");
        QVERIFY(AcquirePlanLock(env.State, Plan));
        QVERIFY(!AcquireFreeDaysLock(env.State));
        QCOMPARE(env.State.PlanLockHandle, -1);
        QCOMPARE(env.State.PlanLockState, -1);
        QCOMPARE(env.State.FreeDaysLockHandle, -1);
        QVERIFY(env.Ui.Entries().isEmpty());
    }

    void nameFromBuffer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("result");
        QTest::newRow("blanks go, tab and line break stay") << " \tjan\r  " << 256 << "\tjan\r";
        QTest::newRow("only blanks") << "    " << 256 << "";
        QTest::newRow("255 bytes in 256") << QString(255, u'u') << 256 << QString(255, u'u');
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

    // The user name is the account's, whatever the environment says: without
    // it plans would open without a lock.
    void userNameIsTheAccount()
    {
        QProcess id;
        id.start(QStringLiteral("id"), {QStringLiteral("-un")});
        if (!id.waitForFinished(10000) || id.exitCode() != 0) QSKIP("no id command to compare with");
        const QByteArray user = qgetenv("USER");
        qputenv("USER", "ktos-inny");
        const QString name = SystemUserName();
        qputenv("USER", user);
        QCOMPARE(name, QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed());
    }
};

QTEST_GUILESS_MAIN(TestBlokady)
#include "tst_Blokady.moc"

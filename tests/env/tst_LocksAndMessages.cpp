#include "HolderProcess.h"
#include "TestSupport.h"

#include "env/ErrorMessages.h"
#include "env/Locks.h"
#include "env/UserIdentity.h"

#include <QDir>
#include <QTest>

#include <functional>

// The program's lock routines and the names their holder text is made of, and
// the messages of failure codes.
namespace {

// A call of one of the two routines that turn failure codes into messages.
using Call = std::function<bool(Prompt&)>;

const QString Plan = u"Plan Łódź 1"_s;

// What another process asking for the lock is told: who holds it, or
// nothing when it got the lock (and let it go again).
QString OtherIsTold(const TestEnvironment& env, const QString& kind, const QString& object)
{
    HolderProcess other({u"lock"_s, env.DataDir(), kind, object, u"Anna z PC2"_s});
    return !other.Take() ? u"no answer"_s : other.Holds() ? QString() : other.Owner();
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestLocksAndMessages : public QObject
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
        QVERIFY(AcquirePlanLock(env.Env, u"PIERWSZY"_s, env.Doc.PlanLockHandle, env.Doc.PlanLockState));
        int32_t first = env.Doc.PlanLockHandle;
        QVERIFY(AcquirePlanLock(env.Env, Plan, env.Doc.PlanLockHandle, env.Doc.PlanLockState) &&
                AcquireFreeDaysLock(env.Env, env.State.FreeDays.FreeDaysLockHandle));
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

    // A refusal that names nobody: a holder of blanks, or no lock folder
    // (which the message names as the cause).
    void refusedWithoutAName()
    {
        TestEnvironment env, noFolder;
        const auto other = HeldElsewhere(env.DataDir(), u"PlnEdit"_s, Plan + u".PLN"_s, u"    "_s);
        QVERIFY(other && WriteFile(QDir(noFolder.DataDir()).filePath(u"BLOKADY"_s), "not a folder"));
        QVERIFY(!AcquirePlanLock(env.Env, Plan, env.Doc.PlanLockHandle, env.Doc.PlanLockState) &&
                env.Doc.PlanLockState == -1);
        QVERIFY(!AcquireFreeDaysLock(noFolder.Env, noFolder.State.FreeDays.FreeDaysLockHandle));
        QCOMPARE(env.Ui.OnlyText(), u"Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy."_s);
        QCOMPARE(noFolder.Ui.OnlyText(), u"Blokada danych niemożliwa."_s + Cr + u"Nie odnaleziono pliku BLOKADY"_s);
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

    // The two routines that turn failure codes into messages.
    void messages_data()
    {
        QTest::addColumn<Call>("call"); // one of the two routines
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("text"); // empty: nothing shown
        const QString extra = u"Anulowano odczyt pliku dni wolnych."_s;
        const auto file = [](int number, const QString& extra, bool show = true) {
            return Call([=](Prompt& ui) { return ShowFileError(ui, int16_t(number), u"A.PLN"_s, extra, show); });
        };
        const auto status = [](int number, bool show = true) {
            return Call([=](Prompt& ui) { return ShowLibraryError(ui, uint8_t(number), show); });
        };
        // clang-format off
        QTest::newRow("file error 52") << file(52, extra) << true << u"Nieprawidłowa nazwa pliku A.PLN\r"_s + extra;
        QTest::newRow("file error 55") << file(55, extra) << true << "Plik A.PLN jest już otwarty. ";
        QTest::newRow("file error 70") << file(70, extra) << true << u"Odmowa dostępu. Plik jest zablokowany przez inny program.\r"_s + extra;
        QTest::newRow("file error 71") << file(71, extra) << true << "Dysk niegotowy.";
        QTest::newRow("file error 70 not shown") << file(70, {}, false) << true << "";
        QTest::newRow("54 is no file error") << file(54, {}) << false << "";
        QTest::newRow("library status 0") << status(0) << false << "";
        QTest::newRow("library status 3") << status(3) << true << "Błąd allokacji pamięci.";
        QTest::newRow("library status 4") << status(4) << true << "Błąd chronologi danych.";
        QTest::newRow("library status 5") << status(5) << true << "Niepoprawny zakres raportu.\rPlan pracy nie obejmuje ustalonego przedziału raportowania.";
        QTest::newRow("library status 6") << status(6) << true << "Przekroczona liczba planów pracy.";
        QTest::newRow("library status 2, not shown") << status(2, false) << true << "";
        QTest::newRow("library status 63") << status(63) << true << "";
        QTest::newRow("library status 7") << status(7) << true << "Wystąpił błąd biblioteki numer: 7";
        QTest::newRow("library status 200, not shown") << status(200, false) << true << "Wystąpił błąd biblioteki numer: 200";
        // clang-format on
    }

    void messages()
    {
        QFETCH(Call, call);
        QFETCH(bool, result);
        QFETCH(QString, text);
        RecordingPrompt ui;
        QCOMPARE(call(ui), result);
        QCOMPARE(ui.Texts().join(u'|'), text);
        for (const RecordingPrompt::Entry& entry : ui.Entries())
            QCOMPARE(entry.Icon, MessageIcon::Critical);
    }
};

QTEST_GUILESS_MAIN(TestLocksAndMessages)
#include "tst_LocksAndMessages.moc"

// Saves that run out of disk space or are cut short, in a child process
// (planwrite_saver) so that the file-size limit and the kill hit only it.
#include "TestSupport.h"

#include "demo/DemoPlans.h"
#include "plan/ZapisPlanuPracy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

const QString PlanName = QStringLiteral("Duży plan");

struct ChildRun
{
    bool Crashed = false;
    int ExitCode = -1;
    QString Out;                 // the messages shown, a line each
    qint64 SaveMicroseconds = 0; // from "ready" to the end
};

// Runs the saver on the plan of the kind and variant given, with the extra
// arguments; with killAfter >= 0 it is killed that many microseconds after
// it says it starts saving.
ChildRun runSaver(bool weekly, int variant, const QString& programDir, const QStringList& extra = {},
                  qint64 killAfter = -1)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("planwrite_saver")),
        QStringList{QLatin1String(weekly ? "weekly" : "schedule"), QString::number(variant), programDir, PlanName} +
            extra);
    ChildRun run;
    if (!child.waitForStarted(10000)) return run;
    while (!child.canReadLine() && child.waitForReadyRead(10000)) {
    }
    QElapsedTimer timer;
    timer.start();
    if (child.readLine() == "ready\n" && killAfter >= 0) {
        QThread::usleep(unsigned(killAfter));
        ::kill(pid_t(child.processId()), SIGKILL);
    }
    child.waitForFinished(60000);
    run.SaveMicroseconds = timer.nsecsElapsed() / 1000;
    run.Crashed = child.exitStatus() == QProcess::CrashExit;
    run.ExitCode = child.exitCode();
    run.Out = QString::fromUtf8(child.readAllStandardOutput());
    return run;
}

QString entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(u' ');
}

// The bytes the writer gives the plan of the kind and variant.
QByteArray savedBytes(bool weekly, int variant)
{
    TestEnvironment env;
    weekly ? FillLargestWeeklyPlan(env.State, variant) : FillLargestSchedulePlan(env.State, variant);
    const bool ok = weekly ? ZapiszPlanTygodniowy(env.State, PlanName, false, false).Ok()
                           : ZapiszPlanHarmonogramow(env.State, PlanName, false).Ok();
    return ok ? ReadFile(env.State.PlanPath(PlanName)) : QByteArray();
}

} // namespace

class TestSaveFailures : public QObject
{
    Q_OBJECT

private slots:
    void diskFull_data();
    void diskFull();
    void cutShort_data();
    void cutShort();
};

void TestSaveFailures::diskFull_data()
{
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<int>("limit"); // no write may reach past it: at once, in the head, in the records
    for (const bool weekly : {false, true}) {
        for (const int limit : {0, 4096, 100000})
            QTest::addRow("%s, %d bytes", weekly ? "weekly" : "schedule", limit) << weekly << limit;
    }
}

void TestSaveFailures::diskFull()
{
    QFETCH(bool, weekly);
    QFETCH(int, limit);
    TestEnvironment env;
    const QByteArray old = savedBytes(weekly, 0);
    QVERIFY(old.size() > 100000);
    const QString path = env.State.PlanPath(PlanName);
    QVERIFY(WriteFile(path, old));

    const ChildRun run = runSaver(weekly, 1, env.ProgramDir(), {QString::number(limit)});
    QVERIFY(!run.Crashed);
    QCOMPARE(run.ExitCode, 1);
    // The message of a full disk, with the file's name nowhere in it.
    QCOMPARE(run.Out, QStringLiteral("Dysk jest pełny \r\n"));
    QCOMPARE(ReadFile(path), old);
    QCOMPARE(entriesOf(env.PlansDir()), PlanName + QStringLiteral(".PLN"));
    QCOMPARE(entriesOf(env.State.KatalogTemp), QString());
}

void TestSaveFailures::cutShort_data()
{
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<bool>("atFileSize"); // else killed after a delay
    QTest::newRow("schedule, stopped at a file size") << false << true;
    QTest::newRow("weekly, stopped at a file size") << true << true;
    QTest::newRow("schedule, killed") << false << false;
    QTest::newRow("weekly, killed") << true << false;
}

// Saves stopped at points spread over the file's write, or killed at delays
// spread over the whole save (write, check, replacement), one after another
// over the same plan, which stays one of the two variants, whole, throughout.
void TestSaveFailures::cutShort()
{
    QFETCH(bool, weekly);
    QFETCH(bool, atFileSize);
    const QByteArray variants[2] = {savedBytes(weekly, 0), savedBytes(weekly, 1)};
    QVERIFY(!variants[0].isEmpty() && !variants[1].isEmpty() && variants[0] != variants[1]);
    TestEnvironment env;
    const QString path = env.State.PlanPath(PlanName);
    QVERIFY(WriteFile(path, variants[0]));
    // How long an undisturbed save takes, to spread the kills over it.
    const ChildRun whole = runSaver(weekly, 1, env.ProgramDir());
    QVERIFY(whole.ExitCode == 0 && ReadFile(path) == variants[1]);
    int current = 1, cutBefore = 0;
    const int rounds = atFileSize ? 12 : 30;
    for (int round = 0; round < rounds; ++round) {
        const int next = 1 - current;
        const qint64 step = whole.SaveMicroseconds * 3 / 2 / rounds;
        const ChildRun run =
            atFileSize ? runSaver(weekly, next, env.ProgramDir(),
                                  {QString::number(variants[next].size() * round / rounds), QStringLiteral("die")})
                       : runSaver(weekly, next, env.ProgramDir(), {},
                                  step * round + QRandomGenerator::global()->bounded(step + 1));
        QVERIFY(run.Crashed || !atFileSize);
        const QByteArray now = ReadFile(path);
        QVERIFY2(now == variants[current] || now == variants[next], qPrintable(QStringLiteral("round %1").arg(round)));
        QVERIFY(run.Crashed || (run.ExitCode == 0 && now == variants[next]));
        cutBefore += run.Crashed && now == variants[current];
        current = now == variants[next] ? next : current;
        QCOMPARE(entriesOf(env.PlansDir()), PlanName + QStringLiteral(".PLN"));
    }
    QVERIFY(cutBefore > 0);
    // A save that is let run afterwards still replaces the plan.
    QCOMPARE(runSaver(weekly, 1 - current, env.ProgramDir()).ExitCode, 0);
    QCOMPARE(ReadFile(path), variants[1 - current]);
    QCOMPARE(entriesOf(env.State.KatalogTemp), QString());
}

QTEST_GUILESS_MAIN(TestSaveFailures)
#include "tst_SaveFailures.moc"

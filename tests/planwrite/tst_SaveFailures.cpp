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
    QStringList Messages;
    qint64 SaveMicroseconds = 0; // from "ready" to the end
};

QStringList childArguments(bool weekly, int variant, const QString& programDir)
{
    return {weekly ? QStringLiteral("weekly") : QStringLiteral("schedule"), QString::number(variant), programDir,
            PlanName};
}

// Runs the saver; with killAfter >= 0 it is killed that many microseconds
// after it says it starts saving.
ChildRun runSaver(const QStringList& arguments, qint64 killAfter = -1)
{
    QProcess child;
    child.setProgram(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("planwrite_saver")));
    child.setArguments(arguments);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start();
    ChildRun run;
    if (!child.waitForStarted(10000)) return run;
    while (!child.canReadLine() && child.waitForReadyRead(10000)) {
    }
    QElapsedTimer timer;
    timer.start();
    const QByteArray ready = child.readLine();
    if (ready == "ready\n" && killAfter >= 0) {
        if (killAfter > 0) QThread::usleep(unsigned(killAfter));
        ::kill(pid_t(child.processId()), SIGKILL);
    }
    child.waitForFinished(60000);
    run.SaveMicroseconds = timer.nsecsElapsed() / 1000;
    run.Crashed = child.exitStatus() == QProcess::CrashExit;
    run.ExitCode = child.exitCode();
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty()) run.Messages.append(QString::fromUtf8(line));
    }
    return run;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Writes both variants of the plan with the writer and keeps their bytes.
QByteArray savedBytes(bool weekly, int variant)
{
    TestEnvironment env;
    if (weekly) {
        FillLargestWeeklyPlan(env.State, variant);
        if (!ZapiszPlanTygodniowy(env.State, PlanName, false, false).Ok()) return {};
    } else {
        FillLargestSchedulePlan(env.State, variant);
        if (!ZapiszPlanHarmonogramow(env.State, PlanName, false).Ok()) return {};
    }
    return ReadFile(env.State.PlanPath(PlanName));
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
    QTest::addColumn<int>("limit");

    for (const bool weekly : {false, true}) {
        for (const int limit : {0, 4096, 100000}) {
            const QByteArray name = (weekly ? "weekly, " : "schedule, ") + QByteArray::number(limit) + " bytes";
            QTest::newRow(name.constData()) << weekly << limit;
        }
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

    const ChildRun run = runSaver(childArguments(weekly, 1, env.ProgramDir()) << QString::number(limit));
    QVERIFY(!run.Crashed);
    QCOMPARE(run.ExitCode, 1);
    // The message of a full disk, with the file's name nowhere in it.
    QCOMPARE(run.Messages, QStringList{QStringLiteral("Dysk jest pełny ") + QChar(13)});
    QCOMPARE(ReadFile(path), old);
    QCOMPARE(entriesOf(env.PlansDir()), QStringList{PlanName + QStringLiteral(".PLN")});
    QCOMPARE(entriesOf(env.State.KatalogTemp), QStringList{});
}

void TestSaveFailures::cutShort_data()
{
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<bool>("atFileSize"); // else killed after a random delay

    QTest::newRow("schedule, stopped at a file size") << false << true;
    QTest::newRow("weekly, stopped at a file size") << true << true;
    QTest::newRow("schedule, killed at random") << false << false;
    QTest::newRow("weekly, killed at random") << true << false;
}

void TestSaveFailures::cutShort()
{
    QFETCH(bool, weekly);
    QFETCH(bool, atFileSize);
    const QByteArray variants[2] = {savedBytes(weekly, 0), savedBytes(weekly, 1)};
    QVERIFY(!variants[0].isEmpty() && !variants[1].isEmpty() && variants[0] != variants[1]);

    TestEnvironment env;
    const QString path = env.State.PlanPath(PlanName);
    QVERIFY(WriteFile(path, variants[0]));
    int current = 0;
    int cutBefore = 0, cutAfter = 0, finished = 0;

    // How long an undisturbed save takes, to spread the kills over it.
    const ChildRun whole = runSaver(childArguments(weekly, 1, env.ProgramDir()));
    QCOMPARE(whole.ExitCode, 0);
    QCOMPARE(ReadFile(path), variants[1]);
    current = 1;

    const int rounds = atFileSize ? 24 : 60;
    for (int round = 0; round < rounds; ++round) {
        const int next = 1 - current;
        QStringList arguments = childArguments(weekly, next, env.ProgramDir());
        ChildRun run;
        if (atFileSize) {
            const qint64 limit = qint64(variants[next].size()) * round / rounds;
            run = runSaver(arguments << QString::number(limit) << QStringLiteral("die"));
            QVERIFY2(run.Crashed, qPrintable(QStringLiteral("limit %1").arg(limit)));
        } else {
            const qint64 delay = QRandomGenerator::global()->bounded(whole.SaveMicroseconds * 3 / 2 + 1);
            run = runSaver(arguments, delay);
        }
        const QByteArray now = ReadFile(path);
        QVERIFY2(now == variants[current] || now == variants[next],
                 qPrintable(QStringLiteral("round %1: %2 bytes of neither plan").arg(round).arg(now.size())));
        const bool replaced = now == variants[next];
        if (!run.Crashed) {
            QCOMPARE(run.ExitCode, 0);
            QVERIFY(replaced);
            ++finished;
        } else {
            ++(replaced ? cutAfter : cutBefore);
        }
        if (replaced) current = next;
        QCOMPARE(entriesOf(env.PlansDir()), QStringList{PlanName + QStringLiteral(".PLN")});
    }
    qInfo("%d saves cut short before the plan was replaced, %d after, %d finished", cutBefore, cutAfter, finished);
    QVERIFY(cutBefore > 0);
    // A save that is let run afterwards still replaces the plan.
    QCOMPARE(runSaver(childArguments(weekly, 1 - current, env.ProgramDir())).ExitCode, 0);
    QCOMPARE(ReadFile(path), variants[1 - current]);
    QCOMPARE(entriesOf(env.State.KatalogTemp), QStringList{});
}

QTEST_GUILESS_MAIN(TestSaveFailures)
#include "tst_SaveFailures.moc"

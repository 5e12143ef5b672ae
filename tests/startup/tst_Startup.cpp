#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/Startup.h"
#include "env/UserIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString Cr1(QChar(13));

// One start of the program: its own library object, prompt, state and
// instance lock, as main() has them.
struct ProgramRun
{
    KelbrinLibrary Library;
    RecordingPrompt Ui;
    ProgramState State{Library, Ui};
    InstanceLock Instance;

    bool Start(const QString& programDir, const StartupSteps& steps = {})
    {
        return StartProgram(State, Library, Instance, programDir, steps);
    }
};

QString BinDir()
{
    return QCoreApplication::applicationDirPath();
}

// A program folder holding a copy of the suite library ("suite"), the
// library of the wrong interface level ("wrong"), a file that is no library
// at all ("garbage") or nothing ("none").
std::unique_ptr<QTemporaryDir> MakeProgramFolder(const QString& library = QStringLiteral("suite"))
{
    auto folder = std::make_unique<QTemporaryDir>();
    const QString target = folder->filePath(KelbrinLibrary::fileName());
    bool ok = true;
    if (library == QLatin1String("suite"))
        ok = QFile::copy(QDir(BinDir()).filePath(KelbrinLibrary::fileName()), target);
    else if (library == QLatin1String("wrong"))
        ok = QFile::copy(QDir(BinDir()).filePath(QStringLiteral("wronglib/") + KelbrinLibrary::fileName()), target);
    else if (library == QLatin1String("garbage"))
        ok = WriteFile(target, QByteArray(4096, '\x7f'));
    if (!ok) qFatal("cannot prepare a program folder with the library \"%s\"", qPrintable(library));
    return folder;
}

QString Clean(const QString& path)
{
    return QDir::cleanPath(path);
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Another process that holds (or tries to take) the instance lock of a folder.
class Holder
{
public:
    // Starts the holder; its first line says whether it got the lock.
    QByteArray Start(const QString& programDir)
    {
        m_process.start(QDir(BinDir()).filePath(QStringLiteral("grafenta-instance-holder")), {programDir});
        if (!m_process.waitForStarted(10000)) return "not started";
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        return m_process.readLine().trimmed();
    }
    void Release()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished(10000);
    }
    void Crash()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    int ExitCode() { return m_process.waitForFinished(10000) ? m_process.exitCode() : -1; }
    ~Holder()
    {
        if (m_process.state() != QProcess::NotRunning) Crash();
    }

private:
    QProcess m_process;
};

const QStringList StepNames{QStringLiteral("PrepareEmptyWindow"), QStringLiteral("ShowSplash"),
                            QStringLiteral("ReadFreeDays"),       QStringLiteral("ReadEmployees"),
                            QStringLiteral("ListPlans"),          QStringLiteral("ArrangeWindow"),
                            QStringLiteral("FinishWindow")};

// Steps that note their names in calls; the one named endingAt ends the
// program, as a reader does after its message.
StartupSteps RecordingSteps(QStringList& calls, const QString& endingAt)
{
    const auto step = [&calls, endingAt](const QString& name) {
        return [&calls, endingAt, name](ProgramState& state) {
            calls.append(name);
            if (name == endingAt) state.ProgramEnding = true;
        };
    };
    StartupSteps steps;
    steps.PrepareEmptyWindow = step(StepNames[0]);
    steps.ShowSplash = step(StepNames[1]);
    steps.ReadFreeDays = step(StepNames[2]);
    steps.ReadEmployees = step(StepNames[3]);
    steps.ListPlans = step(StepNames[4]);
    steps.ArrangeWindow = step(StepNames[5]);
    steps.FinishWindow = step(StepNames[6]);
    steps.ReadPackageName = [&calls] {
        calls.append(QStringLiteral("ReadPackageName"));
        return QStringLiteral("Pakiet testowy");
    };
    return steps;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void startOrEnd_data();
    void startOrEnd();
    void secondInstance();
    void twoProgramFolders();
    void abandonedLockRecord();
    void programFolderGone();
    void dataElsewhereTempHere();
    void laterSteps_data();
    void laterSteps();
};

void TestStartup::cleanup()
{
    // Start-up moves into the program folder; leave it before the folder goes.
    QDir::setCurrent(QDir::tempPath());
}

void TestStartup::startOrEnd_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("temp"); // what stands at TEMP before: none, folder or file
    QTest::addColumn<QString>("message");

    const QString noLibrary = QStringLiteral("Nie odnaleziono biblioteki Kelbrin.dll.");
    const QString wrongLevel = QStringLiteral("Nieprawidłowa wersja biblioteki kelbrin.dll");
    const QString noTemp =
        QStringLiteral("Brak dostępu do pliku ") + Cr1 + QStringLiteral("Utworzenie katalogu TEMP niemożliwe");

    QTest::newRow("suite library") << "suite"
                                   << "none"
                                   << "";
    QTest::newRow("TEMP already there") << "suite"
                                        << "folder"
                                        << "";
    QTest::newRow("library of interface level 3") << "wrong"
                                                  << "none" << wrongLevel;
    QTest::newRow("no library") << "none"
                                << "none" << noLibrary;
    QTest::newRow("a file that is no library") << "garbage"
                                               << "none" << noLibrary;
    QTest::newRow("TEMP taken by a file") << "suite"
                                          << "file" << noTemp;
    QTest::newRow("the level is checked before TEMP") << "wrong"
                                                      << "file" << wrongLevel;
}

void TestStartup::startOrEnd()
{
    QFETCH(QString, library);
    QFETCH(QString, temp);
    QFETCH(QString, message);

    const auto folder = MakeProgramFolder(library);
    const QString tempPath = folder->filePath(QStringLiteral("TEMP"));
    if (temp == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(tempPath));
    else if (temp == QLatin1String("file"))
        QVERIFY(WriteFile(tempPath, "not a folder"));
    const QStringList before = Entries(folder->path());

    ProgramRun run;
    run.State.PlanLockHandle = 7;
    run.State.SchedulesFilled = true;
    run.State.Fields.Slots[2][EntryColumn] = {QStringLiteral("07:30"), -1};
    const bool started = run.Start(folder->path());

    QCOMPARE(started, message.isEmpty());
    QCOMPARE(run.State.ProgramEnding, !started);
    if (message.isEmpty()) {
        QVERIFY(run.Ui.Entries().isEmpty());
        const QString programDir = Clean(folder->path());
        QCOMPARE(run.State.ProgramDir, programDir);
        QCOMPARE(run.State.DataRootDir, programDir);
        QCOMPARE(Clean(run.State.DataDir()), programDir + QStringLiteral("/DANE"));
        QCOMPARE(Clean(run.State.KatalogTemp), programDir + QStringLiteral("/TEMP"));
        QVERIFY(QFileInfo(tempPath).isDir());
        QCOMPARE(QDir::current().canonicalPath(), QDir(programDir).canonicalPath());
        QCOMPARE(run.State.PlanLockHandle, -1);
        QVERIFY(!run.State.SchedulesFilled);
        QCOMPARE(run.State.Fields.Slots[2][EntryColumn].Value, 450);
        QCOMPARE(run.State.ColourTable[FreeDaySlot], DefaultWindowColour);
    } else {
        QCOMPARE(run.Ui.Entries().size(), 1);
        QCOMPARE(run.Ui.Entries().first().text, message);
        QCOMPARE(run.Ui.Entries().first().icon, MessageIcon::Critical);
        // Nothing was made in the program folder.
        QCOMPARE(Entries(folder->path()), before);
    }
}

void TestStartup::secondInstance()
{
    const auto folder = MakeProgramFolder();
    const QStringList before = Entries(folder->path());
    {
        Holder holder;
        QCOMPARE(holder.Start(folder->path()), QByteArray("held"));

        ProgramRun second;
        QVERIFY(!second.Start(folder->path()));
        QVERIFY(second.State.ProgramEnding);
        QCOMPARE(second.Ui.Texts(), QStringList{QStringLiteral("Program Grafenta jest już uruchomiony.")});
        QCOMPARE(second.Ui.Entries().first().icon, MessageIcon::Critical);
        // It ended before it touched the library or the folder.
        QVERIFY(!second.Library.isLoaded());
        QCOMPARE(Entries(folder->path()), before);

        // The running copy ends without tidying up: its lock is stale now.
        holder.Crash();
    }
    ProgramRun third;
    QVERIFY(third.Start(folder->path()));
    QVERIFY(third.Ui.Entries().isEmpty());
    QVERIFY(third.Instance.IsHeld());

    // Now this copy runs and a copy in another process is refused.
    Holder refused;
    QCOMPARE(refused.Start(folder->path()), QByteArray("refused"));
    QCOMPARE(refused.ExitCode(), 1);
}

void TestStartup::twoProgramFolders()
{
    const auto first = MakeProgramFolder();
    const auto second = MakeProgramFolder();
    QVERIFY(InstanceLock::LockFilePath(first->path()) != InstanceLock::LockFilePath(second->path()));

    ProgramRun a;
    ProgramRun b;
    QVERIFY(a.Start(first->path()));
    QVERIFY(b.Start(second->path()));
    QVERIFY(a.Ui.Entries().isEmpty());
    QVERIFY(b.Ui.Entries().isEmpty());
    QVERIFY(QFileInfo(first->filePath(QStringLiteral("TEMP"))).isDir());
    QVERIFY(QFileInfo(second->filePath(QStringLiteral("TEMP"))).isDir());

    // Each folder is taken, by this process as by any other.
    ProgramRun again;
    QVERIFY(!again.Start(first->path()));
    QCOMPARE(again.Ui.OnlyText(), QStringLiteral("Program Grafenta jest już uruchomiony."));
    Holder other;
    QCOMPARE(other.Start(second->path()), QByteArray("refused"));

    // The same folder written differently is still the same folder.
    ProgramRun sameFolder;
    QVERIFY(!sameFolder.Start(first->path() + QStringLiteral("/./")));
}

void TestStartup::abandonedLockRecord()
{
    // A lock record that names a running process of this program's name (its
    // number taken again after a crash) while no process holds the file.
    const auto folder = MakeProgramFolder();
    const QString lockPath = InstanceLock::LockFilePath(folder->path());
    QByteArray record;
    {
        QLockFile lock(lockPath);
        QVERIFY(lock.tryLock(0));
        record = ReadFile(lockPath);
        lock.unlock();
    }
    QVERIFY(!record.isEmpty());
    QVERIFY(WriteFile(lockPath, record));

    ProgramRun run;
    QVERIFY(run.Start(folder->path()));
    QVERIFY(run.Instance.IsHeld());
    QVERIFY(run.Ui.Entries().isEmpty());
}

void TestStartup::programFolderGone()
{
    TestEnvironment env;
    env.State.ProgramDir = QDir(env.ProgramDir()).filePath(QStringLiteral("gone"));
    QVERIFY(!Inicjalizacja(env.State, {}));
    QVERIFY(env.State.ProgramEnding);
    QCOMPARE(env.Ui.OnlyText(), QStringLiteral("Ustawienie ścieżki aplikacji nie powiodlo się."));
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
}

void TestStartup::dataElsewhereTempHere()
{
    const auto folder = MakeProgramFolder();
    QTemporaryDir data;
    QVERIFY(WriteFile(folder->filePath(QStringLiteral("sciezka.ini")),
                      QByteArray("[SCIEZKA] ") + QFile::encodeName(data.path()) + "/\r\n"));
    const QString dataDir = QDir(data.path()).filePath(QStringLiteral("DANE"));
    QVERIFY(QDir().mkpath(QDir(dataDir).filePath(QStringLiteral("PLANY"))));
    QString error;
    QVERIFY2(WriteDemoFreeDays(TestLibrary(), dataDir, &error), qPrintable(error));

    ProgramRun run;
    QVERIFY(run.Start(folder->path()));
    QVERIFY(run.Ui.Entries().isEmpty());
    QCOMPARE(Clean(run.State.DataDir()), Clean(dataDir));
    QCOMPARE(Clean(run.State.KatalogTemp), Clean(folder->path()) + QStringLiteral("/TEMP"));
    QVERIFY(QFileInfo(folder->filePath(QStringLiteral("TEMP"))).isDir());
    QVERIFY(!QFileInfo::exists(data.filePath(QStringLiteral("TEMP"))));

    // The free days come from the configured data, read under the user's name.
    QCOMPARE(run.State.UserName, SystemUserName());
    QVERIFY(run.State.FreeDaysLoaded);
    QVERIFY(run.State.FreeDays.Count() > 0);
    QCOMPARE(run.State.FreeDaysLockHandle, -1);
}

void TestStartup::laterSteps_data()
{
    QTest::addColumn<QString>("endingAt");
    QTest::newRow("all steps run") << "";
    for (const QString& name : StepNames)
        QTest::newRow(qPrintable(QStringLiteral("ending in ") + name)) << name;
}

void TestStartup::laterSteps()
{
    QFETCH(QString, endingAt);
    const auto folder = MakeProgramFolder();
    QStringList calls;
    ProgramRun run;
    const bool started = run.Start(folder->path(), RecordingSteps(calls, endingAt));

    QStringList expected = StepNames;
    expected.append(QStringLiteral("ReadPackageName"));
    if (!endingAt.isEmpty()) expected = expected.mid(0, StepNames.indexOf(endingAt) + 1);
    QCOMPARE(calls, expected);
    QCOMPARE(started, endingAt.isEmpty());
    QCOMPARE(run.State.ProgramEnding, !endingAt.isEmpty());
    QCOMPARE(run.State.PakietNazwa, endingAt.isEmpty() ? QStringLiteral("Pakiet testowy") : QString());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_Startup.moc"

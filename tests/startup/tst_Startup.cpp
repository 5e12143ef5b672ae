#include "HolderProcess.h"
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(PathSetup)

namespace {

// One start of the program, with what main() has for it.
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

// A program folder holding the suite library ("suite"), the library of
// interface level 3 ("wrong") or none ("none").
std::unique_ptr<QTemporaryDir> ProgramFolder(const QString& library = QStringLiteral("suite"))
{
    auto folder = std::make_unique<QTemporaryDir>();
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString name = KelbrinLibrary::FileName();
    const QString source = bin.filePath(library == QLatin1String("wrong") ? QStringLiteral("wronglib/") + name : name);
    if (library != QLatin1String("none") && !QFile::copy(source, folder->filePath(name)))
        qFatal("cannot copy %s", qPrintable(source));
    return folder;
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The steps of the window and the readers, in their order.
std::function<void(ProgramState&)> StartupSteps::*const LaterSteps[]{
    &StartupSteps::PrepareEmptyWindow, &StartupSteps::ShowSplash, &StartupSteps::ReadFreeDays,
    &StartupSteps::ReadEmployees,      &StartupSteps::ListPlans,  &StartupSteps::ArrangeWindow,
    &StartupSteps::FinishWindow};
constexpr int StepCount = int(std::size(LaterSteps));

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir::setCurrent(QDir::tempPath()); } // start-up moves into the program folder

    // sciezka.ini moves the data elsewhere: the free days are read from
    // there, TEMP is made under the program folder all the same.
    void starts()
    {
        const auto folder = ProgramFolder();
        const QString programDir = QDir::cleanPath(folder->path());
        QTemporaryDir data;
        const QString dataDir = QDir::cleanPath(data.filePath(QStringLiteral("DANE")));
        QVERIFY(QDir().mkpath(dataDir + QStringLiteral("/PLANY")) &&
                WriteDemoFreeDays(TestLibrary(), dataDir, nullptr));
        QVERIFY(WriteFile(folder->filePath(QStringLiteral("sciezka.ini")),
                          "[SCIEZKA] " + QFile::encodeName(data.path()) + "/\r\n"));
        ProgramRun run;
        run.State.Doc.PlanLockHandle = 7;
        run.State.Doc.SchedulesFilled = true;
        run.State.Doc.Fields.Slots[2][EntryColumn] = {QStringLiteral("07:30"), -1};
        QVERIFY(run.Start(programDir) && !run.State.Env.ProgramEnding && run.Ui.Entries().isEmpty());
        const Environment& env = run.State.Env;
        QCOMPARE(QDir::cleanPath(env.DataDir()), dataDir);
        QCOMPARE(QDir::cleanPath(env.KatalogTemp), programDir + QStringLiteral("/TEMP"));
        QVERIFY(QFileInfo(env.KatalogTemp).isDir() && !QFileInfo::exists(data.filePath(QStringLiteral("TEMP"))));
        QVERIFY(run.State.FreeDays.FreeDaysLoaded && run.State.FreeDays.Days.Count() > 0);
        QCOMPARE(run.State.FreeDays.FreeDaysLockHandle, -1);
        QCOMPARE(run.State.Doc.PlanLockHandle, -1);
        QVERIFY(!run.State.Doc.SchedulesFilled);
        QCOMPARE(run.State.Doc.Fields.Slots[2][EntryColumn].Value, 450);
        QCOMPARE(env.ColourTable[FreeDaySlot], DefaultWindowColour);
    }

    void endsAtStart_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<PathSetup>("temp"); // what stands where TEMP belongs
        QTest::addColumn<QString>("message");
        QTest::newRow("library of interface level 3")
            << "wrong" << Nothing() << "Nieprawidłowa wersja biblioteki kelbrin.dll";
        QTest::newRow("no library") << "none" << Nothing() << "Nie odnaleziono biblioteki Kelbrin.dll.";
        QTest::newRow("TEMP cannot be made")
            << "suite" << FileOf("not a folder") << "Brak dostępu do pliku \rUtworzenie katalogu TEMP niemożliwe";
    }

    // The program ends at once, after its message, and leaves the program folder as it was.
    void endsAtStart()
    {
        QFETCH(QString, library);
        QFETCH(PathSetup, temp);
        QFETCH(QString, message);
        const auto folder = ProgramFolder(library);
        temp(folder->filePath(QStringLiteral("TEMP")));
        const QStringList before = Entries(folder->path());
        ProgramRun run;
        QVERIFY(!run.Start(folder->path()) && run.State.Env.ProgramEnding);
        QCOMPARE(run.Ui.Texts(), QStringList{message});
        QCOMPARE(run.Ui.Entries().first().icon, MessageIcon::Critical);
        QCOMPARE(Entries(folder->path()), before);
    }

    void programFolderGone()
    {
        TestEnvironment env;
        env.Env.ProgramDir = env.Root.filePath(QStringLiteral("gone"));
        QVERIFY(!Inicjalizacja(env.State, {}));
        QVERIFY(env.Env.ProgramEnding);
        QCOMPARE(env.Ui.OnlyText(), QStringLiteral("Ustawienie ścieżki aplikacji nie powiodlo się."));
    }

    // A copy running in another process keeps this one out of its folder,
    // however the folder is written, but not out of another folder. Once it
    // has crashed, its folder can be taken, and then it is the other process
    // that is kept out.
    void secondInstance()
    {
        const auto folder = ProgramFolder(), otherFolder = ProgramFolder();
        const QStringList before = Entries(folder->path());
        HolderProcess running({QStringLiteral("instance"), folder->path()});
        QVERIFY(running.Take() && running.Holds());
        ProgramRun second;
        QVERIFY(!second.Start(folder->path() + QStringLiteral("/./")));
        QVERIFY(second.State.Env.ProgramEnding);
        QCOMPARE(second.Ui.Texts(), QStringList{QStringLiteral("Program Grafenta jest już uruchomiony.")});
        QCOMPARE(second.Ui.Entries().first().icon, MessageIcon::Critical);
        QVERIFY(!second.Library.IsLoaded()); // it ended before it touched the library or the folder
        QCOMPARE(Entries(folder->path()), before);
        // Nor does a lock file left behind that names a running program while
        // no process holds the file itself.
        const QString lockPath = InstanceLock::LockFilePath(otherFolder->path());
        QByteArray record;
        {
            QLockFile lock(lockPath);
            QVERIFY(lock.tryLock(0));
            record = ReadFile(lockPath);
        }
        QVERIFY(!record.isEmpty() && WriteFile(lockPath, record));
        ProgramRun elsewhere;
        QVERIFY(elsewhere.Start(otherFolder->path()) && elsewhere.Instance.IsHeld());

        running.Kill();
        ProgramRun third;
        QVERIFY(third.Start(folder->path()));
        QVERIFY(third.Instance.IsHeld());
        HolderProcess refused({QStringLiteral("instance"), folder->path()});
        QVERIFY(refused.Take());
        QVERIFY(!refused.Holds());
    }

    void laterSteps_data()
    {
        QTest::addColumn<int>("ending"); // the step that ends the program
        for (int step = 0; step <= StepCount; ++step)
            QTest::addRow(step < StepCount ? "step %d ends the program" : "all %d steps run", step) << step;
    }

    // The steps run in their order, then the package name is read; a step
    // that ends the program stops start-up right after it.
    void laterSteps()
    {
        QFETCH(int, ending);
        QList<int> calls, expected;
        StartupSteps steps;
        for (int step = 0; step < StepCount; ++step) {
            steps.*LaterSteps[step] = [&calls, step, ending](ProgramState& state) {
                calls << step;
                state.Env.ProgramEnding = step == ending;
            };
        }
        steps.ReadPackageName = [&calls] {
            calls << StepCount;
            return QStringLiteral("Pakiet testowy");
        };
        for (int step = 0; step <= ending; ++step)
            expected << step;

        const auto folder = ProgramFolder();
        ProgramRun run;
        const bool started = run.Start(folder->path(), steps);
        QCOMPARE(calls, expected);
        QCOMPARE(started, ending == StepCount);
        QCOMPARE(run.State.Env.ProgramEnding, !started);
        QCOMPARE(run.State.Env.PakietNazwa, started ? QStringLiteral("Pakiet testowy") : QString());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_Startup.moc"

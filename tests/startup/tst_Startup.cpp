#include "HolderProcess.h"
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/InstallPlaces.h"
#include "env/Konfiguracja.h"
#include "env/Rejestr.h"
#include "env/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(PathSetup)
Q_DECLARE_METATYPE(std::optional<QString>)

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
std::unique_ptr<QTemporaryDir> ProgramFolder(const QString& library = u"suite"_s)
{
    auto folder = std::make_unique<QTemporaryDir>();
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString name = KelbrinLibrary::FileName();
    const QString source = bin.filePath(library == "wrong"_L1 ? u"wronglib/"_s + name : name);
    if (library != "none"_L1 && !QFile::copy(source, folder->filePath(name)))
        qFatal("cannot copy %s", qPrintable(source));
    return folder;
}

// The steps of the window and the readers, in their order.
std::function<void(Environment&)> StartupSteps::*const LaterSteps[]{
    &StartupSteps::PrepareEmptyWindow, &StartupSteps::ShowSplash, &StartupSteps::ReadFreeDays,
    &StartupSteps::ReadEmployees,      &StartupSteps::ListPlans,  &StartupSteps::ArrangeWindow,
    &StartupSteps::FinishWindow};
constexpr int StepCount = int(std::size(LaterSteps));

// The folders that an install spreads over: a program folder, the system's
// configuration and data folders, the user's home and runtime folders.
struct InstallFolders
{
    std::unique_ptr<QTemporaryDir> Program = ProgramFolder();
    QTemporaryDir Root;
    QString Path(const QString& name) const { return QDir::cleanPath(Root.filePath(name)); }
    InstallFolders()
    {
        for (const char* name : {"etc", "var", "home", "run", "beside", "shared"})
            QDir().mkpath(Path(QString::fromLatin1(name)));
    }
    QString ProgramDir() const { return QDir::cleanPath(Program->path()); }
    InstallLayout Layout() const { return {ProgramDir(), Path(u"etc"_s), Path(u"var"_s)}; }
    // "@program", "@runtime" and the like in text as the folders they name.
    QString Expand(QString text) const
    {
        text.replace(u"@program"_s, ProgramDir());
        for (const char* name : {"etc", "var", "home", "run", "beside", "shared"})
            text.replace(u'@' + QString::fromLatin1(name), Path(QString::fromLatin1(name)));
        return text;
    }
};

// Sets an environment variable for as long as it lives.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const QString& value)
        : m_name(name), m_old(qgetenv(name)), m_was(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable() { m_was ? qputenv(m_name, m_old) : qunsetenv(m_name); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_was;
};

} // namespace

// Start-up: where the data lie (sciezka.ini), the package name, and the
// program's start with its steps, its instance lock and its failures.
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
        const QString dataDir = QDir::cleanPath(data.filePath(u"DANE"_s));
        QVERIFY(QDir().mkpath(dataDir + u"/PLANY"_s) && WriteDemoFreeDays(TestLibrary(), dataDir, nullptr));
        QVERIFY(WriteFile(folder->filePath(u"sciezka.ini"_s), "[SCIEZKA] " + QFile::encodeName(data.path()) + "/\r\n"));
        ProgramRun run;
        run.State.Doc.PlanLockHandle = 7;
        run.State.Doc.SchedulesFilled = true;
        run.State.Doc.Fields.Slots[2][EntryColumn] = {u"07:30"_s, -1};
        QVERIFY(run.Start(programDir) && !run.State.Env.ProgramEnding && run.Ui.Entries().isEmpty());
        const Environment& env = run.State.Env;
        QCOMPARE(QDir::cleanPath(env.DataDir()), dataDir);
        QCOMPARE(QDir::cleanPath(env.KatalogTemp), programDir + u"/TEMP"_s);
        QVERIFY(QFileInfo(env.KatalogTemp).isDir() && !QFileInfo::exists(data.filePath(u"TEMP"_s)));
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
        // clang-format off
        QTest::newRow("library of interface level 3") << "wrong" << Nothing() << "Nieprawidłowa wersja biblioteki kelbrin.dll";
        QTest::newRow("no library") << "none" << Nothing() << "Nie odnaleziono biblioteki Kelbrin.dll.";
        QTest::newRow("TEMP cannot be made") << "suite" << FileOf("not a folder") << "Brak dostępu do pliku \rUtworzenie katalogu TEMP niemożliwe";
        // clang-format on
    }

    // The program ends at once, after its message, and leaves the program folder as it was.
    void endsAtStart()
    {
        QFETCH(QString, library);
        QFETCH(PathSetup, temp);
        QFETCH(QString, message);
        const auto folder = ProgramFolder(library);
        temp(folder->filePath(u"TEMP"_s));
        const QString before = FolderEntries(folder->path());
        ProgramRun run;
        QVERIFY(!run.Start(folder->path()) && run.State.Env.ProgramEnding);
        QCOMPARE(run.Ui.Texts(), QStringList{message});
        QCOMPARE(run.Ui.Entries().first().Icon, MessageIcon::Critical);
        QCOMPARE(FolderEntries(folder->path()), before);
    }

    void programFolderGone()
    {
        TestEnvironment env;
        env.Env.ProgramDir = env.Root.filePath(u"gone"_s);
        QVERIFY(!Inicjalizacja(env.Env, {}) && env.Env.ProgramEnding);
        QCOMPARE(env.Ui.OnlyText(), u"Ustawienie ścieżki aplikacji nie powiodlo się."_s);
    }

    // A copy running in another process keeps this one out of its folder,
    // however the folder is written, but not out of another folder. Once it
    // has crashed, its folder can be taken, and then it is the other process
    // that is kept out.
    void secondInstance()
    {
        const auto folder = ProgramFolder(), otherFolder = ProgramFolder();
        const QString before = FolderEntries(folder->path());
        HolderProcess running({u"instance"_s, folder->path()});
        QVERIFY(running.Take() && running.Holds());
        ProgramRun second;
        QVERIFY(!second.Start(folder->path() + u"/./"_s));
        QVERIFY(second.State.Env.ProgramEnding);
        QCOMPARE(second.Ui.Texts(), QStringList{u"Program Grafenta jest już uruchomiony."_s});
        QCOMPARE(second.Ui.Entries().first().Icon, MessageIcon::Critical);
        QVERIFY(!second.Library.IsLoaded()); // it ended before it touched the library or the folder
        QCOMPARE(FolderEntries(folder->path()), before);
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
        QVERIFY(third.Start(folder->path()) && third.Instance.IsHeld());
        HolderProcess refused({u"instance"_s, folder->path()});
        QVERIFY(refused.Take() && !refused.Holds());
    }

    // Another user's copy of the program in the same folder keeps nobody out:
    // each user's lock lies in a runtime folder of their own, closed to others.
    void otherUsersCopy()
    {
        const auto other = TestUser(u"grafenta-obcy"_s);
        if (!other) QSKIP("needs root, to make a user with useradd and become it");
        const auto folder = ProgramFolder();
        QCOMPARE(::chmod(QFile::encodeName(folder->path()).constData(), 0755), 0);
        HolderProcess running({u"instance"_s, folder->path()}, AsUser(*other));
        QVERIFY(running.Take() && running.Holds());
        ProgramRun mine;
        QVERIFY(mine.Start(folder->path()) && mine.Instance.IsHeld());
        struct stat runtime;
        const QString lockFolder = QFileInfo(InstanceLock::LockFilePath(folder->path())).absolutePath();
        QVERIFY(::lstat(QFile::encodeName(lockFolder).constData(), &runtime) == 0);
        QCOMPARE(runtime.st_mode & 07777, mode_t(0700));
        QCOMPARE(runtime.st_uid, ::geteuid());
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
            steps.*LaterSteps[step] = [&calls, step, ending](Environment& env) {
                calls << step;
                env.ProgramEnding = step == ending;
            };
        }
        steps.ReadPackageName = [&calls] {
            calls << StepCount;
            return u"Pakiet testowy"_s;
        };
        for (int step = 0; step <= ending; ++step)
            expected << step;

        const auto folder = ProgramFolder();
        ProgramRun run;
        const bool started = run.Start(folder->path(), steps);
        QCOMPARE(calls, expected);
        QCOMPARE(started, ending == StepCount);
        QCOMPARE(run.State.Env.ProgramEnding, !started);
        QCOMPARE(run.State.Env.PakietNazwa, started ? u"Pakiet testowy"_s : QString());
    }

    void installPlaces_data()
    {
        QTest::addColumn<QString>("programDir"); // as the program was started
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("places"); // config, data root, TEMP, package-name file
        const QStringList system{u"@etc"_s, u"@var"_s, u"@run/grafenta/TEMP"_s, u"@etc/pakiet.ini"_s};
        const QStringList xdg{u"XDG_RUNTIME_DIR=@run"_s, u"XDG_CACHE_HOME=@home/cache"_s, u"HOME=@home"_s};
        // clang-format off
        QTest::newRow("folder install: everything beside the program") << "@program" << xdg
            << QStringList{u"@program"_s, u"@program"_s, u"@program/TEMP"_s, QString()};
        QTest::newRow("system install: TEMP in the runtime folder") << "@program" << xdg << system;
        QTest::newRow("system install started through a link") << "@shared/link" << xdg << system;
        QTest::newRow("no runtime folder: the cache folder") << "@program" << QStringList{u"XDG_RUNTIME_DIR=@run/gone"_s, u"XDG_CACHE_HOME=@home/cache"_s}
            << QStringList{u"@etc"_s, u"@var"_s, u"@home/cache/grafenta/TEMP"_s, u"@etc/pakiet.ini"_s};
        QTest::newRow("relative XDG folders do not count") << "@program" << QStringList{u"XDG_RUNTIME_DIR=run"_s, u"XDG_CACHE_HOME=cache"_s, u"HOME=@home"_s}
            << QStringList{u"@etc"_s, u"@var"_s, u"@home/.cache/grafenta/TEMP"_s, u"@etc/pakiet.ini"_s};
        // clang-format on
    }

    // A program folder is a system install only when it is the layout's own;
    // a system install finds its configuration, data and TEMP elsewhere.
    void installPlaces()
    {
        QFETCH(QString, programDir);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, places);
        InstallFolders folders;
        QVERIFY(QFile::link(folders.ProgramDir(), folders.Path(u"shared/link"_s)));
        QProcessEnvironment variables;
        for (const QString& variable : environment)
            variables.insert(variable.section(u'=', 0, 0), folders.Expand(variable.section(u'=', 1)));
        // A folder install is any folder but the layout's program folder.
        const bool system = places.first() != u"@program"_s;
        InstallLayout layout = folders.Layout();
        if (!system) layout.ProgramDir = folders.Path(u"shared"_s);

        const InstallPlaces found = PlacesOf(folders.Expand(programDir), layout, variables);
        QCOMPARE(found.SystemInstall, system);
        const QStringList got{found.ConfigDir, found.DataRoot, found.KatalogTemp, found.PackageNameFile};
        QStringList expected;
        for (const QString& place : places)
            expected << folders.Expand(place);
        QCOMPARE(got, expected);
    }

    void startsInstalled_data()
    {
        QTest::addColumn<bool>("system");
        QTest::addColumn<bool>("configIni");   // sciezka.ini in the configuration folder
        QTest::addColumn<QString>("dataRoot"); // found
        QTest::addColumn<QString>("temp");     // made
        QTest::addColumn<QString>("message");  // the one shown, if any
        // clang-format off
        QTest::newRow("folder install") << false << true << "@beside" << "@program/TEMP" << "";
        QTest::newRow("system install") << true << true << "@shared" << "@run/grafenta/TEMP" << "";
        QTest::newRow("system install without sciezka.ini") << true << false << "@var" << "@run/grafenta/TEMP" << "";
        QTest::newRow("system install, a file where the user's folder belongs") << true << true << "@shared" << "@run/grafenta"
            << "Brak dostępu do pliku \rUtworzenie katalogu TEMP niemożliwe";
        // clang-format on
    }

    // The whole start: sciezka.ini, the package name and TEMP are taken from
    // the places of the install, and a system install writes nothing into
    // its program folder.
    void startsInstalled()
    {
        QFETCH(bool, system);
        QFETCH(bool, configIni);
        QFETCH(QString, dataRoot);
        QFETCH(QString, temp);
        QFETCH(QString, message);
        InstallFolders folders;
        QVERIFY(WriteFile(folders.Program->filePath(u"sciezka.ini"_s),
                          "[SCIEZKA] " + QFile::encodeName(folders.Path(u"beside"_s))));
        if (configIni) QVERIFY(WriteFile(folders.Path(u"etc/sciezka.ini"_s), "[SCIEZKA] ../shared/\n"));
        QVERIFY(WriteFile(folders.Path(u"etc/pakiet.ini"_s), "[General]\nPakiet=Pakiet z /etc\n"));
        if (!message.isEmpty()) QVERIFY(WriteFile(folders.Expand(temp), "in the way"));
        const ScopedVariable runtime("XDG_RUNTIME_DIR", folders.Path(u"run"_s));
        const QString programBefore = FolderEntries(folders.ProgramDir());
        StartupSteps steps;
        steps.ReadFreeDays = nullptr; // there are no data here
        steps.Layout = folders.Layout();
        if (!system) steps.Layout.ProgramDir = folders.Path(u"shared"_s);

        ProgramRun run;
        const bool started = run.Start(folders.ProgramDir(), steps);
        QCOMPARE(run.Ui.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(started, message.isEmpty());
        if (!started) return;
        const Environment& env = run.State.Env;
        QCOMPARE(env.DataRootDir, folders.Expand(dataRoot));
        QCOMPARE(env.KatalogTemp, folders.Expand(temp));
        QVERIFY(QFileInfo(env.KatalogTemp).isDir());
        QCOMPARE(env.PakietNazwa == u"Pakiet z /etc"_s, system);
        if (system) {
            QCOMPARE(FolderEntries(folders.ProgramDir()), programBefore);
            const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                    QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther | QFileDevice::ExeOther;
            QCOMPARE(QFile::permissions(folders.Path(u"run/grafenta"_s)) & others, QFileDevice::Permissions());
        }
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("root");
        const std::optional<QString> none;
        const auto path = [](const char* text) { return std::optional<QString>(QString::fromUtf8(text)); };
        const char zeros[] = "\0\0[SCIEZKA] D:\\A\n[SCIEZKA] D:\\B\0C\n";
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(char(i * 7 % 256));
        // clang-format off
        QTest::newRow("equals sign, one trailing backslash goes") << QByteArray("[SCIEZKA]=D:\\KZT\\\\\r\n") << path("D:\\KZT\\");
        QTest::newRow("the root stays") << QByteArray("[SCIEZKA] \\") << path("\\");
        QTest::newRow("a path right after the name loses its first character") << QByteArray("[SCIEZKA]D:\\KZT") << path(":\\KZT");
        QTest::newRow("line and value trimmed") << QByteArray(" \t[SCIEZKA]=   D:\\KZT  \t") << path("D:\\KZT");
        QTest::newRow("name in other case") << QByteArray("[Sciezka] D:\\KZT") << none;
        QTest::newRow("last one wins, an empty one undoes nothing") << QByteArray("[SCIEZKA] D:\\A\n[SCIEZKA] D:\\B\n[SCIEZKA]=\n") << path("D:\\B");
        QTest::newRow("LF CR, CR and CR LF end lines") << QByteArray("[X]\n\r[SCIEZKA] D:\\A\r[SCIEZKA] D:\\B\r\n") << path("D:\\B");
        QTest::newRow("windows-1250 letters") << QByteArray("[SCIEZKA] D:\\\xa3\xf3" "d\x9f\\") << path("D:\\Łódź");
        QTest::newRow("a zero byte ends the text of a line") << QByteArray(zeros, sizeof zeros - 1) << path("D:\\B");
        QTest::newRow("garbage and a 1 MB line, then a path without a line end") << garbage + QByteArray(1 << 20, 'x') + "\n[SCIEZKA] D:\\A" << path("D:\\A");
        // clang-format on
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, root);
        QCOMPARE(ParseSciezkaIni(bytes), root);
    }

    void readFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<PathSetup>("put"); // what stands there
        QTest::addColumn<QString>("root");  // "@" stands for the program folder
        // Only so much is read: the line that the limit cuts does not count.
        const QByteArray first("[SCIEZKA] /first\n"), last("[SCIEZKA] /second/path/across/the/limit\n");
        const QByteArray filler(SciezkaIniReadLimit - 20 - first.size() - 1, 'x');
        // clang-format off
        QTest::newRow("name in capitals, absolute path") << "SCIEZKA.INI" << FileOf("[SCIEZKA] /srv/kzt/\r\n") << "/srv/kzt";
        QTest::newRow("relative path with backslashes") << "sciezka.ini" << FileOf("[SCIEZKA]=..\\wspolne\\dane\\") << "@/../wspolne/dane";
        QTest::newRow("a pipe") << "sciezka.ini" << Pipe() << "@"; // reading it would wait
        QTest::newRow("line cut by the read limit") << "sciezka.ini" << FileOf(first + filler + '\n' + last) << "/first";
        // clang-format on
    }

    void readFile()
    {
        QFETCH(QString, name);
        QFETCH(PathSetup, put);
        QFETCH(QString, root);
        TestEnvironment env;
        const QString programDir = QDir(env.ProgramDir()).canonicalPath();
        env.Env.ProgramDir = env.Env.DataRootDir = programDir;
        put(QDir(programDir).filePath(name));
        CzytajSciezke(env.Env);
        QCOMPARE(env.Env.DataRootDir, QDir::cleanPath(root.replace(u'@', programDir)));
        QVERIFY(env.Ui.Entries().isEmpty());
    }

    void packageName_data()
    {
        QTest::addColumn<QByteArray>("file"); // the system-wide configuration file
        QTest::addColumn<QString>("name");
        // A value as QSettings stores it.
        const auto stored = [](const QVariant& value) {
            QTemporaryDir dir;
            {
                QSettings writer(dir.filePath(u"P.ini"_s), QSettings::IniFormat);
                writer.setValue(u"Pakiet"_s, value);
            }
            return ReadFile(dir.filePath(u"P.ini"_s));
        };
        // clang-format off
        QTest::newRow("value") << QByteArray("[General]\nPakiet=Wersja sieciowa dla łączności\n") << "Wersja sieciowa dla łączności";
        QTest::newRow("unquoted, with a comma") << QByteArray("[General]\nPakiet=Morvane KZT, sieć\n") << "Morvane KZT, sieć";
        // clang-format on
        QTest::newRow("blank") << QByteArray("[General]\nPakiet=\"   \"\n") << "";
        QTest::newRow("253 bytes") << stored(QString(253, u'ą')) << QString(253, u'ą');
        QTest::newRow("254 bytes") << stored(QString(254, u'ą')) << "";
        QTest::newRow("cut at a zero character") << stored(u"Morvane"_s + QChar(0) + u"KZT"_s) << "Morvane";
    }

    void packageName()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Morvane KZT.ini"_s);
        QVERIFY(WriteFile(path, file));
        QCOMPARE(CzytajPakiet(QSettings(path, QSettings::IniFormat)), name);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_Startup.moc"

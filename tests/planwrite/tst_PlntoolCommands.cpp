// plntool show, write, areas and check, run as the built program: what they
// print, what they refuse, and how write shares the plans with the editor
// (the plan's edit lock, names in other letter case, kills part way).
#include "HolderProcess.h"
#include "PlanFiles.h"

#include "demo/DemoData.h"
#include "plan/PlanReader.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <functional>
#include <unistd.h>

// Makes the input of a command in the folder given and returns its path.
using MakeInput = std::function<QString(const TestEnvironment&)>;

struct InputCase
{
    QString Args; // "IN" stands for the input, "DATA" for the data directory
    MakeInput Input;
    int Code;
    QString Printed; // a part of stdout and stderr
};
Q_DECLARE_METATYPE(InputCase)
Q_DECLARE_METATYPE(Prepare)

namespace {

const QString Saved = u"Plan pracy został poprawnie zapisany do pliku.\n"_s;
const QByteArray Day = R"({"entry": "8:00", "exit": "16:00", "breakFrom": "12:00", "breakTo": "12:30"})";
const QByteArray Night = R"({"entry": "22:00", "exit": "6:00", "breakFrom": "2:00", "breakTo": "2:30"})";
const QByteArray Allowances = R"("00:15", "01:00", "00:45", "00:30")";

QString JsonPath(const TestEnvironment& env)
{
    return QDir(env.ProgramDir()).filePath(u"plan.json"_s);
}

ToolRun Write(const TestEnvironment& env, const QByteArray& json,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    WriteFile(JsonPath(env), json);
    return RunPlntool({u"write"_s, JsonPath(env), env.DataDir()}, 60000, environment);
}

// A schedule plan: its first two slots, the allowances, the range and its days.
QByteArray Schedule(const QByteArray& shifts, const QByteArray& allowances, const QByteArray& range,
                    const QByteArray& days, const QByteArray& name = "Zmiany")
{
    const QList<QByteArray> fromTo = range.split(' ');
    return R"({"name": ")" + name + R"(", "kind": "schedule", "from": ")" + fromTo.at(0) + R"(", "to": ")" +
           fromTo.at(1) + R"(", "schedules": [)" + shifts + R"(, {}, {}, {}, {}, {}], "tolerances": [)" + allowances +
           R"(], "days": ")" + days + R"("})";
}

QByteArray TwoDays(const QByteArray& name = "Zmiany")
{
    return Schedule(Day + ", {}", Allowances, "2024-03-01 2024-03-02", "04", name);
}

// A weekly plan "Tydzień" of the week of 1 May 2025.
QByteArray
Weekly(const QByteArray& includeFreeDays, const QByteArray& dayStart = "6:00",
       const QByteArray& schedules = R"("schedules": [{}, {}, {}, {}, {}, {}, {}], "tolerances": ["", "", "", ""],)")
{
    return R"({"name": "Tydzień", "kind": "weekly", "from": "2025-04-28", "to": "2025-05-04", )" + schedules +
           R"( "weekdays": [1, 2, 2, 2, 2, 2, 1], "dailyNorm": "8:00", "dayStart": ")" + dayStart +
           R"(", "includeFreeDays": )" + includeFreeDays + "}";
}

// The plan files of the plans folder, each with the kinds of its areas.
QString PlansWithAreas(const TestEnvironment& env)
{
    QStringList plans = QDir(env.PlansDir()).entryList({u"*.PLN"_s}, QDir::Files | QDir::Hidden);
    for (QString& plan : plans) {
        const QByteArray bytes = ReadFile(QDir(env.PlansDir()).filePath(plan));
        plan += u':';
        for (const uint32_t word : DecodeAreaSection(bytes).value_or(AreaSection{}).Areas)
            plan += QString::number(AreaKindOf(word));
    }
    return plans.join(u' ');
}

// What stands at P.PLN in the plans folder.
MakeInput At(const PathSetup& put)
{
    return [put](const TestEnvironment& env) {
        put(env.Plan(u"P"_s));
        return env.Plan(u"P"_s);
    };
}

MakeInput Content(const QByteArray& bytes, qint64 size = -1)
{
    return At(FileOf(bytes, size));
}

} // namespace

class TestPlntoolCommands : public QObject
{
    Q_OBJECT

private slots:
    void write_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");   // "%JSON%" stands for the JSON file's path
        QTest::addColumn<QString>("plans"); // the plan files written, with their areas' kinds
        const QString name = QStringLiteral("plntool write: %JSON%: \"name\" cannot name a plan file: at most 100 "
                                            "characters of windows-1250, no control characters, none of / \\ : * ? "
                                            "\" < > | and no device name such as CON or NUL\n");
        // clang-format off
        QTest::newRow("schedule plan, day and night") << Schedule(Day + ", " + Night, Allowances, "2024-03-01 2024-03-04", "0414")
            << 0 << Saved << "Zmiany.PLN:1232410012324100"; // a working day and a free day, twice
        // 1 and 3 May are free days of the suite, 3 and 4 May free weekdays.
        QTest::newRow("weekly plan, free days taken into account") << Weekly("true") << 0 << Saved << "Tydzień.PLN:2224244";
        QTest::newRow("weekly plan without schedules and tolerances") << Weekly("false", "6:00", "") << 0 << Saved << "Tydzień.PLN:2222244";
        QTest::newRow("minutes out of range in a weekly plan") << Weekly("false", "6:60")
            << 1 << "Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.\n" << "";
        QTest::newRow("break with one end")
            << Schedule(R"({"entry": "8:00", "exit": "16:00", "breakTo": "12:00"}, {})", Allowances, "2024-03-01 2024-03-01", "0")
            << 1 << "Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.\n" << "";
        QTest::newRow("earlier entry into the previous day")
            << Schedule(R"({"entry": "14:00", "exit": "22:00"}, {"entry": "4:00", "exit": "12:00"})",
                        R"("05:00", "02:00", "", "01:00")", "2025-12-30 2026-01-02", "4014")
            << 1 << "Zapis planu niemożliwy.\nObszar przebywania prywatnego zaczynający się w dniu 31-12-2025 o "
                    "godzinie 23:00 nakłada się na poprzednie obszary.\n" << "";
        QTest::newRow("not JSON") << QByteArray("{\"name\": ") << 2 << "plntool write: %JSON%: unterminated object\n" << "";
        QTest::newRow("31 April") << Schedule(Day + ", {}", Allowances, "2024-04-30 2024-04-31", "00")
            << 2 << "plntool write: %JSON%: \"from\" and \"to\" must be dates YYYY-MM-DD\n" << "";
        QTest::newRow("schedule plan without schedules")
            << QByteArray(R"({"name": "Z", "kind": "schedule", "from": "2024-03-01", "to": "2024-03-01", "days": "0"})")
            << 2 << "plntool write: %JSON%: \"schedules\" is missing\n" << "";
        QTest::newRow("outside windows-1250") << TwoDays("Zmiana \\u2713") << 2 << name << "";
        QTest::newRow("a full stop") << TwoDays(".") << 2 << name << "";
        QTest::newRow("two full stops") << TwoDays("..") << 2 << name << "";
        // clang-format on
    }

    void write()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, code);
        QFETCH(QString, err);
        QFETCH(QString, plans);
        TestEnvironment env;
        QVERIFY(WriteDemoFreeDays(TestLibrary(), env.DataDir(), nullptr));
        const ToolRun run = Write(env, json);
        QCOMPARE(run.Code, code);
        QCOMPARE(run.Err, err.replace(u"%JSON%"_s, JsonPath(env)));
        QCOMPARE(PlansWithAreas(env), plans);
    }

    // What show prints of a written plan writes the same file again.
    void showWritesTheSameFile()
    {
        for (const QByteArray& json : {TwoDays(), Weekly("true")}) {
            TestEnvironment first, second;
            QVERIFY(Write(first, json).Code == 0);
            const QString plan = QDir(first.PlansDir()).entryList({u"*.PLN"_s}).value(0);
            const ToolRun shown = RunPlntool({u"show"_s, QDir(first.PlansDir()).filePath(plan)});
            QVERIFY(shown.Code == 0 && Write(second, shown.Out.toUtf8()).Code == 0);
            QCOMPARE(ReadFile(QDir(second.PlansDir()).filePath(plan)), ReadFile(QDir(first.PlansDir()).filePath(plan)));
        }
    }

    void inputs_data()
    {
        QTest::addColumn<InputCase>("c");
        const QString show = u"show IN"_s, check = u"check IN"_s, areas = u"areas IN"_s, write = u"write IN DATA"_s;
        const MakeInput fifo = At(Pipe());
        const MakeInput zero = [](const TestEnvironment&) { return u"/dev/zero"_s; };
        const MakeInput missing = [](const TestEnvironment& env) { return env.Plan(u"Brak"_s); };
        const QString device = u"not a regular file (a device)\n"_s;
        TestEnvironment env;
        Write(env, TwoDays());
        const QByteArray plan = ReadFile(env.Plan(u"Zmiany"_s));
        const int area = Int32At(plan, 0); // the first area record
        const QString overlap = QStringLiteral("area %1: Zapis planu niemożliwy. Obszar przerwy zaczynający się w "
                                               "dniu 01-03-2024 o godzinie %2 nakłada się na poprzednie obszary.\n");
        // clang-format off
        QTest::newRow("show: a pipe") << InputCase{show, fifo, 1, device};
        QTest::newRow("areas: a pipe") << InputCase{areas, fifo, 2, device};
        QTest::newRow("write: a pipe") << InputCase{write, fifo, 2, device};
        QTest::newRow("check: /dev/zero") << InputCase{check, zero, 1, device};
        QTest::newRow("show: no such file") << InputCase{show, missing, 1, u"Brak.PLN: no such file\n"_s};
        QTest::newRow("show: 17 MB") << InputCase{show, Content(plan, 17 << 20), 1, u"larger than 16777216 bytes"_s};
        QTest::newRow("write: 200 MB of JSON") << InputCase{write, Content(TwoDays(), 200 << 20), 2, u"larger than 4194304 bytes"_s};
        QTest::newRow("show: a damaged plan") << InputCase{show, Content(SchedulePlanFile(0, 2, "071").Build()), 1,
            u"not a readable plan: a day of the day table has no valid slot (at byte 113)\n"_s};
        QTest::newRow("show: a weekly plan without a readable range")
            << InputCase{show, Content(Patched(WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1}).Build(), 0, 16)), 1, u"Błąd struktury bazy danych.\n"_s};
        QTest::newRow("areas") << InputCase{areas, Content(plan), 0, QStringLiteral("days 2 from 01-03-2024, end 02-03-2024 00:00, 8 areas\n"
            "     0  01-03-2024 07:45  przebywania prywatnego first\n"
            "     1  01-03-2024 08:00  pracy                  after-early-entry\n"
            "     2  01-03-2024 12:00  przerwy\n     3  01-03-2024 12:30  pracy\n     4  01-03-2024 16:00  nadgodzin\n"
            "     5  01-03-2024 17:00  przebywania prywatnego\n     6  01-03-2024 17:30  nie rozliczany\n"
            "     7  02-03-2024 00:00  nie rozliczany         first\n")};
        QTest::newRow("check: as written") << InputCase{check, Content(plan), 0, u"P.PLN: 8 areas, rising, as the writer makes them\n"_s};
        // Cut short after two whole areas, which still rise.
        const QString cut = u"damaged: the areas end after 2 of 8 (day 01-03-2024)\n"_s;
        QTest::newRow("check: cut inside its areas") << InputCase{check, Content(plan.left(area + 8)), 1, cut};
        QTest::newRow("show: cut inside its areas") << InputCase{show, Content(plan.left(area + 8)), 0, u"warning: "_s + cut};
        QTest::newRow("lint: cut inside its areas") << InputCase{u"lint IN"_s, Content(plan.left(area + 8)), 0, u"warning: "_s + cut};
        QTest::newRow("export: cut inside its areas") << InputCase{u"export IN --csv DATA/x.csv"_s, Content(plan.left(area + 8)), 0, u"warning: "_s + cut};
        QTest::newRow("check: two records swapped") // the break before the work it interrupts
            << InputCase{check, Content(Patched(Patched(plan, area + 8, Int32At(plan, area + 12)), area + 12, Int32At(plan, area + 8))), 1, overlap.arg(3).arg(u"12:00"_s)};
        QTest::newRow("check: half a record at the end") << InputCase{check, Content(plan.chopped(2)), 1, u"P.PLN: bytes after the last whole area record\n"_s};
        QTest::newRow("check: no records") << InputCase{check, Content(plan.left(area)), 1, u"P.PLN: no area records\n"_s};
        QTest::newRow("check: section not where the block puts it") << InputCase{check, Content(Patched(plan, 20, 89)), 1, u"P.PLN: no area section where the plan block puts it\n"_s};
        // clang-format on
    }

    // Inputs the commands print or refuse, at once: a reader waits for
    // nothing and reads no more than a plan can hold.
    void inputs()
    {
        QFETCH(InputCase, c);
        TestEnvironment env;
        QStringList args = c.Args.split(u' ');
        args.replaceInStrings(u"IN"_s, c.Input(env)).replaceInStrings(u"DATA"_s, env.DataDir());
        const ToolRun run = RunPlntool(args, 20000);
        QVERIFY2(run.Finished, "still running after 20 s");
        QCOMPARE(run.Code, c.Code);
        QVERIFY2((run.Out + run.Err).contains(c.Printed), qPrintable(run.Out + run.Err));
    }

    void failedWrites_data()
    {
        QTest::addColumn<Prepare>("prepare"); // null: the test cannot make the case here
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err"); // "%PLAN%" stands for the plan's path
        const QString lockRefused = u"Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy.\n"_s;
        const auto fullDisk = [](const QString& folder) {
            return Prepare([folder](TestEnvironment& env) -> std::shared_ptr<void> {
                auto disk = std::make_shared<FullDisk>(QDir(env.DataDir()).filePath(folder));
                if (!disk->IsMounted()) return nullptr;
                disk->Fill();
                return disk;
            });
        };
        const Prepare pipe = [](TestEnvironment& env) {
            QDir().mkpath(QDir(env.DataDir()).filePath(u"BLOKADY"_s));
            Pipe()(QDir(env.DataDir()).filePath(u"BLOKADY/PLNEDIT+ZMIANY.PLN.lck"_s));
            return std::make_shared<int>();
        };
        const Prepare link = [](TestEnvironment& env) {
            WriteFile(env.Root.filePath(u"victim"_s), "victim");
            LinkTo(env.Root.filePath(u"victim"_s))(env.Plan(u"Zmiany"_s));
            return std::make_shared<int>();
        };
        // clang-format off
        QTest::newRow("a pipe at the plan's lock record") << pipe << 1 << lockRefused;
        QTest::newRow("the lock records' disk full") << fullDisk(u"BLOKADY"_s) << 1 << lockRefused.chopped(1) + u"\nDysk jest pełny\n"_s;
        QTest::newRow("the plans' disk full") << fullDisk(u"PLANY"_s) << 2 << u"Dysk jest pełny \n\nplntool write: %PLAN%: No space left on device\n"_s;
        QTest::newRow("a link at the plan's name") << link << 2 << u"Brak dostępu do pliku Zmiany.PLN\n\nplntool write: %PLAN%: a symbolic link stands there, which is neither followed nor replaced\n"_s;
        // clang-format on
    }

    // A save that cannot be made says why, at once: a lock record that is no
    // file never keeps it waiting, and nothing is written through a link.
    void failedWrites()
    {
        QFETCH(Prepare, prepare);
        QFETCH(int, code);
        QFETCH(QString, err);
        TestEnvironment env;
        const auto kept = prepare(env);
        if (!kept) QSKIP("needs root and a tmpfs the test may mount");
        const QString before = WhatStandsAt(env.Plan(u"Zmiany"_s));
        WriteFile(JsonPath(env), TwoDays());
        const ToolRun run = RunPlntool({u"write"_s, JsonPath(env), env.DataDir()}, 20000);
        QVERIFY2(run.Finished, "still running after 20 s");
        QCOMPARE(run.Code, code);
        QCOMPARE(run.Err, err.replace(u"%PLAN%"_s, env.Plan(u"Zmiany"_s)));
        QCOMPARE(WhatStandsAt(env.Plan(u"Zmiany"_s)), before);
        const QString victim = env.Root.filePath(u"victim"_s);
        if (QFile::exists(victim)) QCOMPARE(ReadFile(victim), QByteArray("victim"));
    }

    // A name of a file that is no UTF-8 cannot be found again once Qt has
    // read it: the tool says so instead of "no such file".
    void argumentNotUtf8()
    {
        TestEnvironment env;
        const QByteArray name = QFile::encodeName(env.PlansDir()) + "/Plan \xb3\xf3"
                                                                    "d\x9f.PLN"; // windows-1250
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        const ToolRun run = RunProgram(
            u"/bin/sh"_s, {u"-c"_s, u"exec \"$0\" show \"$(printf '%s/Plan \\263\\363d\\237.PLN' \"$1\")\""_s,
                           QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s), env.PlansDir()});
        ::unlink(name.constData()); // a name that the temporary folder's removal cannot spell
        QCOMPARE(run.Code, 2);
        QCOMPARE(run.Err, u"plntool: argument 2 is not valid UTF-8; names of files must be UTF-8 here\n"_s);
    }

    // Another workstation editing the plan keeps write out, as it keeps the editor out.
    void lockedPlan()
    {
        TestEnvironment env;
        const auto other = HeldElsewhere(env.DataDir(), u"PlnEdit"_s, u"ZMIANY.PLN"_s, u"Anna z PC2"_s);
        QVERIFY(other);
        const ToolRun run = Write(env, TwoDays());
        QCOMPARE(run.Code, 1);
        QCOMPARE(run.Err, QStringLiteral("Plan pracy: Zmiany jest zablokowana przez: Anna z PC2.\nEdycja planu pracy "
                                         "niemożliwa.\n"));
        QCOMPARE(FolderEntries(env.PlansDir()), QString());
    }

    // A name that differs from an existing plan's only in letter case is that plan.
    void nameInOtherCase()
    {
        TestEnvironment env;
        QVERIFY(WriteFile(env.Plan(u"zmiany"_s), "old plan"));
        QCOMPARE(Write(env, TwoDays()).Code, 0);
        QCOMPARE(PlansWithAreas(env), u"zmiany.PLN:12324100"_s);
    }

    // Writes killed at random points leave the plan old or new, whole, and no
    // scratch file that a listing takes for a plan; the system's temporary
    // folder is not used at all. The next whole write removes what dead
    // writes of this computer left; a young one of another computer stays.
    void killedWrites()
    {
        TestEnvironment env;
        QTemporaryDir temp;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TMPDIR"_s, temp.path());
        const QByteArray variants[2] = {TwoDays(), Schedule(Night + ", {}", Allowances, "2024-03-01 2024-03-02", "04")};
        QByteArray written[2];
        for (int i : {1, 0}) {
            QVERIFY(Write(env, variants[i]).Code == 0);
            written[i] = ReadFile(env.Plan(u"Zmiany"_s));
        }
        for (int round = 0; round < 20; ++round) {
            QVERIFY(WriteFile(JsonPath(env), variants[round % 2]));
            QProcess write;
            write.setProcessEnvironment(environment);
            write.start(QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s),
                        {u"write"_s, JsonPath(env), env.DataDir()});
            QVERIFY(write.waitForStarted());
            QThread::usleep(QRandomGenerator::global()->bounded(60000));
            write.kill();
            write.waitForFinished();
            const QByteArray now = ReadFile(env.Plan(u"Zmiany"_s));
            QVERIFY2(now == written[0] || now == written[1], qPrintable(QString::number(round)));
            QCOMPARE(FolderEntries(temp.path()), QString());
            QCOMPARE(ListPlans(env.Env), QStringList{u"Zmiany"_s});
        }
        // The same process number, on another computer.
        const QString dead = DeadProcessScratchName(), foreign = QString(dead).replace(10, 8, u"0000beef"_s);
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(dead), "x"));
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(foreign), "x"));
        QCOMPARE(Write(env, variants[0], environment).Code, 0);
        // (What the killed writes left goes too, unless a running process has
        // taken over a process number in the meantime: that is not asked here.)
        const QDir plans(env.PlansDir());
        QVERIFY(!plans.exists(dead) && plans.exists(foreign) && FolderEntries(temp.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPlntoolCommands)
#include "tst_PlntoolCommands.moc"

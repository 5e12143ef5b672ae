// plntool show, write, areas and check, run as the built program.
#include "../planread/PlanFiles.h"

#include "demo/DemoData.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    int Code = -1;
    QString Out, Err;
};

Run plntool(const QStringList& args)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")), args);
    Run run;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) run.Code = process.exitCode();
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A program folder whose data folder takes the plans plntool writes, with
// the demo free days when asked.
struct Folder : TestEnvironment
{
    explicit Folder(bool freeDays = false)
    {
        if (freeDays) WriteDemoFreeDays(TestLibrary(), State.DataDir(), nullptr);
    }
    QString Plan(const char* name) const
    {
        return QDir(PlansDir()).filePath(QString::fromUtf8(name) + QStringLiteral(".PLN"));
    }
    Run Write(const QByteArray& json) const
    {
        const QString path = QDir(ProgramDir()).filePath(QStringLiteral("plan.json"));
        WriteFile(path, json);
        return plntool({QStringLiteral("write"), path, State.DataDir()});
    }
};

const QByteArray Day = R"({"entry": "8:00", "exit": "16:00", "breakFrom": "12:00", "breakTo": "12:30"})";
const QByteArray Night = R"({"entry": "22:00", "exit": "6:00", "breakFrom": "2:00", "breakTo": "2:30"})";
const QByteArray Allowances = R"("00:15", "01:00", "00:45", "00:30")";

// A schedule plan "Zmiany": its first two slots, the allowances, the range and its days.
QByteArray schedule(const QByteArray& shifts, const QByteArray& allowances, const QByteArray& range,
                    const QByteArray& days)
{
    const QList<QByteArray> fromTo = range.split(' ');
    return R"({"name": "Zmiany", "kind": "schedule", "from": ")" + fromTo.at(0) + R"(", "to": ")" + fromTo.at(1) +
           R"(", "schedules": [)" + shifts + R"(, {}, {}, {}, {}, {}], "tolerances": [)" + allowances +
           R"(], "days": ")" + days + R"("})";
}

QByteArray weekly(const QByteArray& includeFreeDays, const QByteArray& dayStart = "6:00")
{
    return R"({"name": "Tydzień", "kind": "weekly", "from": "2025-04-28", "to": "2025-05-04", "schedules": [{}, {},
               {}, {}, {}, {}, {}], "tolerances": ["", "", "", ""], "weekdays": [1, 2, 2, 2, 2, 2, 1], "dailyNorm":
               "8:00", "dayStart": ")" +
           dayStart + R"(", "includeFreeDays": )" + includeFreeDays + "}";
}

const QByteArray TwoDays = schedule(Day + ", {}", Allowances, "2024-03-01 2024-03-02", "04");

} // namespace

class TestPlntoolCommands : public QObject
{
    Q_OBJECT

private slots:
    void show_data();
    void show();
    void write_data();
    void write();
    void areas();
    void check_data();
    void check();
};

void TestPlntoolCommands::show_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no such file
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("expected"); // JSON members that must be printed, or a text on stderr

    PlanFile legacyWeekly = WeeklyPlanFile(0, 6, {4, 0, 1, 2, 3, 5, 4}, true);
    legacyWeekly.Header[4] = 450 - 1440;
    QTest::newRow("legacy weekly plan")
        << legacyWeekly.Build() << 0
        << QByteArray(R"({"name": "P", "kind": "weekly", "format": "legacy", "from": "2000-01-01", "to": "2000-01-07",
                          "weekdays": [1, 2, 2, 2, 2, 2, 1], "dailyNorm": "07:30", "dayStart": "00:00",
                          "includeFreeDays": false})");
    QTest::newRow("damaged plan") << SchedulePlanFile(0, 2, "071").Build() << 1
                                  << QByteArray("a day of the day table has no valid slot (at byte 113)");
    QTest::newRow("weekly plan without a readable range")
        << Patched(WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1}).Build(), 0, 16) << 1
        << QByteArray("Błąd struktury bazy danych.");
    QTest::newRow("missing file") << QByteArray() << 1 << QByteArray("P.PLN");
}

void TestPlntoolCommands::show()
{
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QByteArray, expected);
    Folder folder;
    if (!file.isEmpty()) QVERIFY(WriteFile(folder.Plan("P"), file));
    const Run run = plntool({QStringLiteral("show"), folder.Plan("P")});
    QCOMPARE(run.Code, code);
    QVERIFY2(code == 0 ? run.Err.isEmpty() : run.Out.isEmpty() && run.Err.contains(QString::fromUtf8(expected)),
             qPrintable(run.Err));
    const QJsonObject printed = QJsonDocument::fromJson(run.Out.toUtf8()).object();
    const QJsonObject wanted = QJsonDocument::fromJson(expected).object();
    QCOMPARE(wanted.isEmpty(), code != 0);
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        QVERIFY2(printed.value(it.key()) == it.value(), qPrintable(it.key()));
}

void TestPlntoolCommands::write_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("freeDays"); // the demo WOLNE.DAT in the plans folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("kinds"); // of the written file's areas

    const QString saved = QStringLiteral("Plan pracy został poprawnie zapisany do pliku.\n");
    // clang-format off
    QTest::newRow("schedule plan, day and night") << schedule(Day + ", " + Night, Allowances, "2024-03-01 2024-03-04", "0414")
        << false << 0 << saved << "1232410012324100"; // a working day and a free day, twice
    // 1 and 3 May are free days of the suite, 3 and 4 May free weekdays.
    QTest::newRow("weekly plan, free days taken into account") << weekly("true") << true << 0 << saved << "2224244";
    QTest::newRow("weekly plan, no free-days file") << weekly("true") << false << 0 << saved << "2222244";
    QTest::newRow("weekly plan, free days not wanted") << weekly("false") << true << 0 << saved << "2222244";
    QTest::newRow("minutes out of range in a weekly plan") << weekly("false", "6:60")
        << false << 1 << "Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.\n" << "";
    QTest::newRow("break with one end")
        << schedule(R"({"entry": "8:00", "exit": "16:00", "breakTo": "12:00"}, {})", Allowances, "2024-03-01 2024-03-01", "0")
        << false << 1 << "Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.\n" << "";
    QTest::newRow("earlier entry into the previous day")
        << schedule(R"({"entry": "14:00", "exit": "22:00"}, {"entry": "4:00", "exit": "12:00"})",
                    R"("05:00", "02:00", "", "01:00")", "2025-12-30 2026-01-02", "4014")
        << false << 1 << "Zapis planu niemożliwy.\nObszar przebywania prywatnego zaczynający się w dniu 31-12-2025 o "
                         "godzinie 23:00 nakłada się na poprzednie obszary.\n" << "";
    QTest::newRow("not JSON") << QByteArray("{\"name\": ") << false << 2 << "plntool write: " << "";
    QTest::newRow("days not matching the range") << schedule(Day + ", {}", Allowances, "2024-03-01 2024-03-04", "00")
        << false << 2 << "plntool write: " << "";
    // clang-format on
}

void TestPlntoolCommands::write()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, freeDays);
    QFETCH(int, code);
    QFETCH(QString, err);
    QFETCH(QString, kinds);
    Folder folder(freeDays);
    const Run run = folder.Write(json);
    QCOMPARE(run.Code, code);
    QCOMPARE(code == 2 ? run.Err.left(err.size()) : run.Err, err);
    const QStringList files = QDir(folder.PlansDir()).entryList({QStringLiteral("*.PLN")});
    QCOMPARE(files.size(), code == 0 ? 1 : 0);
    if (code != 0) return;
    const QString path = QDir(folder.PlansDir()).filePath(files.first());
    QString written;
    for (const uint32_t word : DecodeAreaSection(ReadFile(path)).value_or(AreaSection{}).Areas)
        written += QString::number(AreaKindOf(word));
    QCOMPARE(written, kinds);
    // What show prints writes the same file again.
    const Run shown = plntool({QStringLiteral("show"), path});
    QCOMPARE(shown.Code, 0);
    Folder again(freeDays);
    QCOMPARE(again.Write(shown.Out.toUtf8()).Code, 0);
    QCOMPARE(ReadFile(QDir(again.PlansDir()).filePath(files.first())), ReadFile(path));
}

void TestPlntoolCommands::areas()
{
    Folder folder;
    QCOMPARE(folder.Write(TwoDays).Code, 0);
    const Run run = plntool({QStringLiteral("areas"), folder.Plan("Zmiany")});
    QCOMPARE(run.Code, 0);
    QCOMPARE(run.Out, QStringLiteral("days 2 from 01-03-2024, end 02-03-2024 00:00, 8 areas\n"
                                     "     0  01-03-2024 07:45  przebywania prywatnego first\n"
                                     "     1  01-03-2024 08:00  pracy                  after-early-entry\n"
                                     "     2  01-03-2024 12:00  przerwy\n"
                                     "     3  01-03-2024 12:30  pracy\n"
                                     "     4  01-03-2024 16:00  nadgodzin\n"
                                     "     5  01-03-2024 17:00  przebywania prywatnego\n"
                                     "     6  01-03-2024 17:30  nie rozliczany\n"
                                     "     7  02-03-2024 00:00  nie rozliczany         first\n"));
    QCOMPARE(plntool({QStringLiteral("areas"), folder.Plan("Brak")}).Code, 2);
    QVERIFY(WriteFile(folder.Plan("Krótki"), QByteArray(120, '\0')));
    QCOMPARE(plntool({QStringLiteral("areas"), folder.Plan("Krótki")}).Code, 1);
}

void TestPlntoolCommands::check_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err"); // what stderr says after the file's name
    // clang-format off
    QTest::newRow("as written") << "" << 0 << "";
    QTest::newRow("two records swapped") << "swap" << 1 << "area 3: Zapis planu niemożliwy. Obszar przerwy zaczynający "
        "się w dniu 01-03-2024 o godzinie 12:00 nakłada się na poprzednie obszary.\n";
    QTest::newRow("two records in the same minute") << "same minute" << 1 << "area 2: Zapis planu niemożliwy. Obszar "
        "przerwy zaczynający się w dniu 01-03-2024 o godzinie 08:00 nakłada się na poprzednie obszary.\n";
    QTest::newRow("half a record at the end") << "tail" << 1 << "bytes after the last whole area record\n";
    QTest::newRow("no records") << "no records" << 1 << "no area records\n";
    QTest::newRow("section not where the block puts it") << "block" << 1 << "no area section where the plan block puts it\n";
    QTest::newRow("day byte 7") << "day byte" << 1 << "not a readable plan";
    QTest::newRow("no such file") << "missing" << 1 << "";
    // clang-format on
}

void TestPlntoolCommands::check()
{
    QFETCH(QString, change);
    QFETCH(int, code);
    QFETCH(QString, err);
    Folder folder;
    QCOMPARE(folder.Write(TwoDays).Code, 0);
    QByteArray bytes = ReadFile(folder.Plan("Zmiany"));
    const int area = Int32At(bytes, 0);    // the first area record
    if (change == QLatin1String("swap")) { // the break before the work it interrupts
        bytes = Patched(Patched(bytes, area + 8, Int32At(bytes, area + 12)), area + 12, Int32At(bytes, area + 8));
    } else if (change == QLatin1String("same minute")) { // the break starts with the work
        bytes = Patched(bytes, area + 8, int32_t(AreaWord(Int32At(bytes, area + 4), 3)));
    } else if (change == QLatin1String("tail")) {
        bytes.chop(2);
    } else if (change == QLatin1String("no records")) {
        bytes.truncate(area);
    } else if (change == QLatin1String("block")) {
        bytes = Patched(bytes, 20, 89);
    } else if (change == QLatin1String("day byte")) {
        bytes[112] = 7;
    }
    const QString checked = folder.Plan("Zmienione");
    if (change != QLatin1String("missing")) QVERIFY(WriteFile(checked, bytes));
    const Run run = plntool({QStringLiteral("check"), checked});
    QCOMPARE(run.Code, code);
    if (code == 0) QCOMPARE(run.Out, checked + QStringLiteral(": 8 areas, rising\n"));
    if (code != 0)
        QVERIFY2(run.Err.startsWith(QStringLiteral("plntool check: ") + checked + QStringLiteral(": ") + err),
                 qPrintable(run.Err));
}

QTEST_GUILESS_MAIN(TestPlntoolCommands)
#include "tst_PlntoolCommands.moc"

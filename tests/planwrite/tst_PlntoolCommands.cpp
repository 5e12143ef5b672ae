// plntool write, areas and check, run as the built program.
#include "TestSupport.h"

#include "plan/AreaChain.h"

#include <QCoreApplication>
#include <QDir>
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

// A data folder with PLANY and PERSONEL.
struct DataFolder
{
    QTemporaryDir Root;
    QString Data() const { return QDir(Root.path()).filePath(QStringLiteral("DANE")); }
    QString Plans() const { return QDir(Data()).filePath(QStringLiteral("PLANY")); }
    QString Plan(const QString& name) const { return QDir(Plans()).filePath(name + QStringLiteral(".PLN")); }
    DataFolder()
    {
        QDir(Root.path()).mkpath(QStringLiteral("DANE/PLANY"));
        QDir(Root.path()).mkpath(QStringLiteral("DANE/PERSONEL"));
    }
    QString Spec(const QByteArray& json) const
    {
        const QString path = QDir(Root.path()).filePath(QStringLiteral("spec.json"));
        WriteFile(path, json);
        return path;
    }
};

QByteArray schedule(const QByteArray& slot0, const QByteArray& slot1, const QByteArray& tolerances,
                    const QByteArray& from, const QByteArray& to, const QByteArray& days)
{
    return R"({"name": "Zmiany", "kind": "schedule", "from": ")" + from + R"(", "to": ")" + to +
           R"(", "schedules": [)" + slot0 + ", " + slot1 + R"(, {}, {}, {}, {}, {}], "tolerances": )" + tolerances +
           R"(, "days": ")" + days + R"("})";
}

QByteArray weekly(bool includeFreeDays)
{
    return R"({"name": "Tydzień", "kind": "weekly", "from": "2025-04-28", "to": "2025-05-04",
               "schedules": [{}, {}, {}, {}, {}, {}, {}], "tolerances": ["", "", "", ""],
               "weekdays": [1, 2, 2, 2, 2, 2, 1], "dailyNorm": "8:00", "dayStart": "6:00",
               "includeFreeDays": )" +
           QByteArray(includeFreeDays ? "true" : "false") + "}";
}

const QByteArray DayShift = R"({"entry": "8:00", "exit": "16:00", "breakFrom": "12:00", "breakTo": "12:30"})";
const QByteArray NightShift = R"({"entry": "22:00", "exit": "6:00", "breakFrom": "2:00", "breakTo": "2:30"})";
const QByteArray Allowances = R"(["00:15", "01:00", "00:45", "00:30"])";

// WOLNE.DAT with 1 May every year and 30 April 2025 once.
QByteArray freeDaysFile()
{
    QByteArray bytes;
    for (const auto& [month, day, recurring] : {std::tuple{5, 1, 1}, std::tuple{4, 30, 0}}) {
        AppendInt32(bytes, TestLibrary().DateToLong(2025, uint8_t(month), uint8_t(day), 0, 0));
        QByteArray text = QByteArray("Wolne").leftJustified(80, ' ');
        for (char& c : text) {
            if (c != ' ') c = char(c ^ 0x5E);
        }
        bytes += text;
        AppendByte(bytes, uint8_t(recurring));
        bytes += QByteArray(7, '\0');
    }
    return bytes;
}

// The kind digit of every area record.
QString kindsOf(const QString& path)
{
    QString kinds;
    const auto section = DecodeAreaSection(ReadFile(path));
    if (section) {
        for (const uint32_t word : section->Areas)
            kinds += QString::number(AreaKindOf(word));
    }
    return kinds;
}

const QString Saved = QStringLiteral("Plan pracy został poprawnie zapisany do pliku.\n");

} // namespace

class TestPlntoolCommands : public QObject
{
    Q_OBJECT

private slots:
    void write_data();
    void write();
    void areas();
    void check_data();
    void check();
};

void TestPlntoolCommands::write_data()
{
    QTest::addColumn<QByteArray>("spec");
    QTest::addColumn<bool>("freeDays"); // WOLNE.DAT in the plans folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("kinds"); // of the written file's areas; empty: not checked

    QTest::newRow("schedule plan, day and night")
        << schedule(DayShift, NightShift, Allowances, "2024-03-01", "2024-03-04", "0414") << false << 0 << Saved
        << "1232410012324100"; // a working day and a free day, twice
    QTest::newRow("weekly plan, free days taken into account") << weekly(true) << true << 0 << Saved << "2244244";
    QTest::newRow("weekly plan, no free-days file") << weekly(true) << false << 0 << Saved << "2222244";
    QTest::newRow("weekly plan, free days not wanted") << weekly(false) << true << 0 << Saved << "2222244";
    QTest::newRow("hour out of range") << schedule(R"({"entry": "24:00"})", "{}", Allowances, "2024-03-01",
                                                   "2024-03-01", "0")
                                       << false << 1 << "Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23.\n"
                                       << "";
    QTest::newRow("allowance not a time")
        << schedule(DayShift, "{}", R"(["0:15", "1", "", ""])", "2024-03-01", "2024-03-01", "0") << false << 1
        << "Niepoprawnie wprowadzona godzina. Format godziny gg:mm\n"
        << "";
    QTest::newRow("minutes out of range in a weekly plan")
        << weekly(false).replace("6:00", "6:60") << false << 1
        << "Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.\n"
        << "";
    QTest::newRow("break with one end") << schedule(R"({"entry": "8:00", "exit": "16:00", "breakTo": "12:00"})", "{}",
                                                    Allowances, "2024-03-01", "2024-03-01", "0")
                                        << false << 1
                                        << "Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.\n"
                                        << "";
    QTest::newRow("earlier entry into the previous day")
        << schedule(R"({"entry": "14:00", "exit": "22:00"})", R"({"entry": "4:00", "exit": "12:00"})",
                    R"(["05:00", "02:00", "", "01:00"])", "2025-12-30", "2026-01-02", "4014")
        << false << 1
        << "Zapis planu niemożliwy.\nObszar przebywania prywatnego zaczynający się w dniu 31-12-2025 o godzinie "
           "23:00 nakłada się na poprzednie obszary.\n"
        << "";
    QTest::newRow("not JSON") << QByteArray("{\"name\": ") << false << 2 << ""
                              << "";
    QTest::newRow("days not matching the range")
        << schedule(DayShift, "{}", Allowances, "2024-03-01", "2024-03-04", "00") << false << 2 << ""
        << "";
}

void TestPlntoolCommands::write()
{
    QFETCH(QByteArray, spec);
    QFETCH(bool, freeDays);
    QFETCH(int, code);
    QFETCH(QString, err);
    QFETCH(QString, kinds);

    DataFolder folder;
    if (freeDays) QVERIFY(WriteFile(QDir(folder.Plans()).filePath(QStringLiteral("WOLNE.DAT")), freeDaysFile()));
    const Run run = plntool({QStringLiteral("write"), folder.Spec(spec), folder.Data()});
    QCOMPARE(run.Code, code);
    if (code == 2) {
        QVERIFY(run.Err.startsWith(QStringLiteral("plntool write: ")));
    } else {
        QCOMPARE(run.Err, err);
    }
    const QStringList files = QDir(folder.Plans()).entryList({QStringLiteral("*.PLN")});
    QCOMPARE(files.size(), code == 0 ? 1 : 0);
    if (code != 0) return;
    const QString path = QDir(folder.Plans()).filePath(files.first());
    QCOMPARE(kindsOf(path), kinds);
    QCOMPARE(plntool({QStringLiteral("check"), path}).Code, 0);

    // What show prints writes the same file again.
    const Run shown = plntool({QStringLiteral("show"), path});
    QCOMPARE(shown.Code, 0);
    DataFolder again;
    if (freeDays) QVERIFY(WriteFile(QDir(again.Plans()).filePath(QStringLiteral("WOLNE.DAT")), freeDaysFile()));
    QCOMPARE(plntool({QStringLiteral("write"), again.Spec(shown.Out.toUtf8()), again.Data()}).Code, 0);
    QCOMPARE(ReadFile(QDir(again.Plans()).filePath(files.first())), ReadFile(path));
}

void TestPlntoolCommands::areas()
{
    DataFolder folder;
    QCOMPARE(plntool({QStringLiteral("write"),
                      folder.Spec(schedule(DayShift, NightShift, Allowances, "2024-03-01", "2024-03-03", "041")),
                      folder.Data()})
                 .Code,
             0);
    const Run run = plntool({QStringLiteral("areas"), folder.Plan(QStringLiteral("Zmiany"))});
    QCOMPARE(run.Code, 0);
    QCOMPARE(run.Out, QStringLiteral("days 3 from 01-03-2024, end 04-03-2024 07:30, 15 areas\n"
                                     "     0  01-03-2024 07:45  przebywania prywatnego first\n"
                                     "     1  01-03-2024 08:00  pracy                  after-early-entry\n"
                                     "     2  01-03-2024 12:00  przerwy\n"
                                     "     3  01-03-2024 12:30  pracy\n"
                                     "     4  01-03-2024 16:00  nadgodzin\n"
                                     "     5  01-03-2024 17:00  przebywania prywatnego\n"
                                     "     6  01-03-2024 17:30  nie rozliczany\n"
                                     "     7  02-03-2024 00:00  nie rozliczany         first\n"
                                     "     8  03-03-2024 21:45  przebywania prywatnego first\n"
                                     "     9  03-03-2024 22:00  pracy                  after-early-entry\n"
                                     "    10  04-03-2024 02:00  przerwy\n"
                                     "    11  04-03-2024 02:30  pracy\n"
                                     "    12  04-03-2024 06:00  nadgodzin\n"
                                     "    13  04-03-2024 07:00  przebywania prywatnego\n"
                                     "    14  04-03-2024 07:30  nie rozliczany         first\n"));

    QCOMPARE(plntool({QStringLiteral("areas"), folder.Plan(QStringLiteral("Brak"))}).Code, 2);
    QVERIFY(WriteFile(folder.Plan(QStringLiteral("Krótki")), QByteArray(120, '\0')));
    QCOMPARE(plntool({QStringLiteral("areas"), folder.Plan(QStringLiteral("Krótki"))}).Code, 1);
}

void TestPlntoolCommands::check_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err"); // what stderr says after the file's name

    QTest::newRow("as written") << "" << 0 << "";
    QTest::newRow("two records swapped")
        << "swap" << 1
        << "area 3: Zapis planu niemożliwy. Obszar przerwy zaczynający się w dniu 01-03-2024 o godzinie 12:00 "
           "nakłada się na poprzednie obszary.\n";
    QTest::newRow("two records in the same minute")
        << "same minute" << 1
        << "area 2: Zapis planu niemożliwy. Obszar przerwy zaczynający się w dniu 01-03-2024 o godzinie 08:00 "
           "nakłada się na poprzednie obszary.\n";
    QTest::newRow("half a record at the end") << "tail" << 1 << "bytes after the last whole area record\n";
    QTest::newRow("no records") << "no records" << 1 << "no area records\n";
    QTest::newRow("day byte 7") << "day byte" << 1 << "not a readable plan";
    QTest::newRow("no such file") << "missing" << 1 << "";
}

void TestPlntoolCommands::check()
{
    QFETCH(QString, change);
    QFETCH(int, code);
    QFETCH(QString, err);

    DataFolder folder;
    QCOMPARE(
        plntool({QStringLiteral("write"),
                 folder.Spec(schedule(DayShift, "{}", Allowances, "2024-03-01", "2024-03-02", "04")), folder.Data()})
            .Code,
        0);
    const QString path = folder.Plan(QStringLiteral("Zmiany"));
    QByteArray bytes = ReadFile(path);
    const int firstArea = Int32At(bytes, 0);
    if (change == QLatin1String("swap")) {
        const QByteArray second = bytes.mid(firstArea + 8, 4); // the break
        bytes.replace(firstArea + 8, 4, bytes.mid(firstArea + 12, 4));
        bytes.replace(firstArea + 12, 4, second);
    } else if (change == QLatin1String("same minute")) {
        // The break starts with the work.
        bytes.replace(firstArea + 8, 4, bytes.mid(firstArea + 4, 4));
        bytes[firstArea + 11] = char((bytes.at(firstArea + 11) & ~0x1c) | (3 << 2));
    } else if (change == QLatin1String("tail")) {
        bytes.chop(2);
    } else if (change == QLatin1String("no records")) {
        bytes.truncate(firstArea);
    } else if (change == QLatin1String("day byte")) {
        bytes[112] = 7;
    }
    if (change != QLatin1String("missing")) QVERIFY(WriteFile(path + QStringLiteral("x"), bytes));
    const QString checked = path + QStringLiteral("x");
    const Run run = plntool({QStringLiteral("check"), checked});
    QCOMPARE(run.Code, code);
    if (code == 0)
        QCOMPARE(run.Out, checked + QStringLiteral(": 8 areas, rising\n"));
    else if (code == 1)
        QVERIFY2(run.Err.startsWith(QStringLiteral("plntool check: ") + checked + QStringLiteral(": ") + err),
                 qPrintable(run.Err));
}

QTEST_GUILESS_MAIN(TestPlntoolCommands)
#include "tst_PlntoolCommands.moc"

#include "PlanFiles.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestShowCommand : public QObject
{
    Q_OBJECT

private slots:
    void show_data();
    void show();
};

namespace {

struct Run
{
    int Code = -1;
    QByteArray Out, Err;
};

Run plntool(const QStringList& args)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")), args);
    Run run;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) run.Code = process.exitCode();
    run.Out = process.readAllStandardOutput();
    run.Err = process.readAllStandardError();
    return run;
}

} // namespace

void TestShowCommand::show_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("file"); // empty: no such file
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("expected"); // JSON members that must be printed, or a text on stderr

    PlanFile schedule = SchedulePlanFile(8766, 8769, "0126"); // 2024-01-01 .. 2024-01-04
    schedule.Slots[0] = {420, 900, 660, 660};
    schedule.Slots[6] = {1320, 360, 120, 150};
    schedule.Tolerances = {0, 60, 30, 15, 0, 0, 0};
    QTest::newRow("current schedule plan") << "Zmiana.PLN" << schedule.Build() << 0
                                           << QByteArray(R"({"name": "Zmiana", "kind": "schedule", "format": "current",
                          "from": "2024-01-01", "to": "2024-01-04", "days": "0126",
                          "tolerances": ["00:01", "01:00", "00:30", "00:15"], "includeFreeDays": false})");

    PlanFile weekly = WeeklyPlanFile(9132, 9497, {0, 1, 2, 3, 255, 7, 2}); // 2025-01-01 .. 2026-01-01
    weekly.Flags = 0x02;
    weekly.Header[4] = 480 - 1440;
    weekly.DayStart = 390;
    QTest::newRow("current weekly plan") << "tydzien.pln" << weekly.Build() << 0
                                         << QByteArray(R"({"name": "tydzien", "kind": "weekly", "format": "current",
                          "from": "2025-01-01", "to": "2026-01-01", "weekdays": [0, 1, 2, 3, 255, 7, 2],
                          "dailyNorm": "08:00", "dayStart": "06:30", "includeFreeDays": true})");

    PlanFile legacyWeekly = WeeklyPlanFile(0, 6, {4, 0, 1, 2, 3, 5, 4}, true);
    legacyWeekly.Header[4] = 450 - 1440;
    QTest::newRow("legacy weekly plan") << "Stary.PLN" << legacyWeekly.Build() << 0
                                        << QByteArray(R"({"format": "legacy", "from": "2000-01-01", "to": "2000-01-07",
                          "weekdays": [1, 2, 2, 2, 2, 2, 1], "dailyNorm": "07:30", "dayStart": "00:00"})");

    PlanFile legacySchedule = SchedulePlanFile(0, 1, "40", true);
    legacySchedule.Slots[3] = {480, 960, 720, 750};
    QTest::newRow("legacy schedule plan")
        << "S.PLN" << legacySchedule.Build() << 0 << QByteArray(R"({"format": "legacy", "days": "40", "schedules": [
            {"entry": "", "exit": "", "breakFrom": "", "breakTo": ""},
            {"entry": "", "exit": "", "breakFrom": "", "breakTo": ""},
            {"entry": "", "exit": "", "breakFrom": "", "breakTo": ""},
            {"entry": "08:00", "exit": "16:00", "breakFrom": "12:00", "breakTo": "12:30"},
            {"entry": "", "exit": "", "breakFrom": "", "breakTo": ""},
            {"entry": "", "exit": "", "breakFrom": "", "breakTo": ""},
            {"entry": "", "exit": "", "breakFrom": "", "breakTo": ""}]})");

    QTest::newRow("damaged plan") << "D.PLN" << SchedulePlanFile(0, 2, "071").Build() << 1
                                  << QByteArray("a day of the day table has no valid slot");
    QByteArray badRange = WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1}).Build();
    badRange.replace(0, 4, QByteArray("\x10\x00\x00\x00", 4));
    QTest::newRow("weekly plan without a readable range")
        << "W.PLN" << badRange << 1 << QByteArray("Błąd struktury bazy danych.");
    QTest::newRow("missing file") << "Brak.PLN" << QByteArray() << 1 << QByteArray("Brak.PLN");
}

void TestShowCommand::show()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(fileName);
    if (!file.isEmpty()) QVERIFY(WriteFile(path, file));
    const Run run = plntool({QStringLiteral("show"), path});
    QCOMPARE(run.Code, code);
    if (code != 0) {
        QVERIFY(run.Out.isEmpty());
        QVERIFY2(run.Err.contains(expected), run.Err.constData());
        return;
    }
    QVERIFY2(run.Err.isEmpty(), run.Err.constData());
    const QJsonObject printed = QJsonDocument::fromJson(run.Out).object();
    const QJsonObject wanted = QJsonDocument::fromJson(expected).object();
    QVERIFY(!wanted.isEmpty());
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        QVERIFY2(printed.value(it.key()) == it.value(), qPrintable(it.key()));
}

QTEST_GUILESS_MAIN(TestShowCommand)
#include "tst_ShowCommand.moc"

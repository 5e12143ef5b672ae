// plntool lint run as the built program on plan files beside the demo free
// days: its JSON and its exit codes.
#include "PlanFiles.h"

#include "demo/DemoData.h"
#include "freedays/DniWolne.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

namespace {

int32_t dayOf(const char* iso)
{
    return int32_t(QDate(2000, 1, 1).daysTo(QDate::fromString(QString::fromLatin1(iso), Qt::ISODate)));
}

// Slot 0: 08:00-16:00, break 12:00-12:30; slot 1: 07:00-19:00, break 12:00-12:15.
QByteArray schedulePlan(const char* first, const QByteArray& days)
{
    PlanFile plan = SchedulePlanFile(dayOf(first), dayOf(first) + int32_t(days.size()) - 1, days);
    plan.Slots[0] = {480, 960, 720, 750};
    plan.Slots[1] = {420, 1140, 720, 735};
    return plan.Build();
}

// November 2025 in a weekly plan that takes the free days into account,
// 8 hours a day from 08:00 (from 00:00 in the old layout, which has no start
// of the day).
QByteArray weeklyPlan(const std::array<uint8_t, 7>& weekdays, bool legacy)
{
    PlanFile plan = WeeklyPlanFile(dayOf("2025-11-01"), dayOf("2025-11-30"), weekdays, legacy);
    plan.Header[4] = 8 * 60 - 1440;
    plan.DayStart = 8 * 60;
    plan.Flags = 2;
    return plan.Build();
}

// The plan written to P.PLN, the arguments after "lint" (%1 is the folder of
// P.PLN, of the demo free days and of the files EMPTY and BAD), the exit
// code, then "system months", each finding's "date rule severity" and each
// period's "from to norm planned", joined by "; ".
struct Case
{
    QByteArray Plan;
    const char* Args;
    int Code;
    const char* Json;
};

// The values of the keys (separated by blanks) of each item.
QString joined(const QJsonValue& items, const char* keys)
{
    QStringList out;
    for (const QJsonValue& item : items.toArray()) {
        QStringList fields;
        for (const QString& key : QString::fromLatin1(keys).split(QLatin1Char(' ')))
            fields << (item[key].isNull() ? QStringLiteral("null") : item[key].toVariant().toString());
        out << fields.join(QLatin1Char(' '));
    }
    return out.join(QStringLiteral("; "));
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestPlntoolLint : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;

    QString path(const char* name) const { return QDir(m_root.path()).filePath(QString::fromLatin1(name)); }

    // Exit code and standard output.
    std::pair<int, QByteArray> lint(const QStringList& args) const
    {
        QProcess process;
        process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")),
                      QStringList{QStringLiteral("lint")} + args);
        const bool done = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit;
        return {done ? process.exitCode() : -1, process.readAllStandardOutput()};
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY(QDir().mkpath(path("PLANY")));
        QVERIFY2(WriteDemoFreeDays(TestLibrary(), m_root.path(), &error), qPrintable(error));
        // The suite's file systems ignore letter case; so does the lookup beside the plan.
        QVERIFY(QDir().rename(path("PLANY/WOLNE.DAT"), path("Wolne.dat")));
        QByteArray bad; // a free day before 2000
        AppendInt32(bad, -MinutesPerDay);
        QVERIFY(WriteFile(path("BAD"), bad + QByteArray(FreeDayRecordSize - 4, 'A')));
        QVERIFY(WriteFile(path("EMPTY"), {}));
        QCOMPARE(::mkfifo(QFile::encodeName(path("FIFO")).constData(), 0600), 0);
    }

    void lint_data()
    {
        // clang-format off
        QTest::addColumn<Case>("row");
        const QByteArray office = schedulePlan("2025-01-13", "00000");
        const QByteArray easter = schedulePlan("2025-04-21", "0");
        QTest::newRow("clean") << Case{office, "%1/P.PLN", 0, "podstawowy 1;;2025-01-01 2025-01-31 null 2325"};
        QTest::newRow("quarters")
            << Case{office, "--okres 3 %1/P.PLN", 0, "podstawowy 3;;2025-01-01 2025-03-31 null 2325"};
        QTest::newRow("12 h, equivalent") << Case{schedulePlan("2025-01-14", "1"), "%1/P.PLN --system rownowazny", 0,
            "rownowazny 1;;2025-01-01 2025-01-31 null 720"};
        QTest::newRow("Easter Monday") << Case{easter, "%1/P.PLN", 0,
            "podstawowy 1;2025-04-21 swieto warning;2025-04-01 2025-04-30 null 465"};
        QTest::newRow("Easter Monday, no free days") << Case{easter, "%1/P.PLN --wolne %1/EMPTY", 0,
            "podstawowy 1;;2025-04-01 2025-04-30 null 465"};
        QTest::newRow("weekly, November") << Case{weeklyPlan({1, 2, 2, 2, 2, 2, 1}, false), "%1/P.PLN", 3,
            "podstawowy 1;2025-11-01 wymiar error;2025-11-01 2025-11-30 8640 9120"};
        QTest::newRow("old weekly, November") << Case{weeklyPlan({4, 0, 0, 0, 0, 0, 4}, true), "%1/P.PLN", 3,
            "podstawowy 1;2025-11-01 wymiar error;2025-11-01 2025-11-30 8640 9120"};
        QTest::newRow("damaged plan") << Case{"no plan", "%1/P.PLN", 1, " 0;;"};
        QTest::newRow("no such plan") << Case{office, "%1/MISSING", 1, " 0;;"};
        QTest::newRow("folder for a plan") << Case{office, "%1", 1, " 0;;"};
        // A pipe is refused at once instead of waiting for a writer.
        QTest::newRow("pipe for a plan") << Case{office, "%1/FIFO", 1, " 0;;"};
        QTest::newRow("damaged free days") << Case{office, "%1/P.PLN --wolne %1/BAD", 2, " 0;;"};
        QTest::newRow("five months") << Case{office, "%1/P.PLN --okres 5", 2, " 0;;"};
        // clang-format on
    }
    void lint()
    {
        QFETCH(Case, row);
        QVERIFY(WriteFile(path("P.PLN"), row.Plan));
        const auto [code, out] = lint(QString::fromLatin1(row.Args).arg(m_root.path()).split(QLatin1Char(' ')));
        QCOMPARE(code, row.Code);
        const QJsonObject json = QJsonDocument::fromJson(out).object();
        const QString options = json[QStringLiteral("system")].toString() + QLatin1Char(' ') +
                                QString::number(json[QStringLiteral("periodMonths")].toInt());
        QCOMPARE(QStringList({options, joined(json[QStringLiteral("findings")], "date rule severity"),
                              joined(json[QStringLiteral("periods")], "from to normMinutes plannedMinutes")})
                     .join(QLatin1Char(';')),
                 QString::fromUtf8(row.Json));
    }
};

QTEST_GUILESS_MAIN(TestPlntoolLint)
#include "tst_PlntoolLint.moc"

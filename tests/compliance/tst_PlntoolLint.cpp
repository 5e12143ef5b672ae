// plntool lint run as the built program on plan files beside the demo free
// days: its JSON and its exit codes.
#include "../planread/PlanFiles.h"

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

using namespace Qt::StringLiterals;

namespace {

int32_t dayOf(const char* iso)
{
    return int32_t(QDate(2000, 1, 1).daysTo(QDate::fromString(QString::fromLatin1(iso), Qt::ISODate)));
}

// Slot 0: 08:00-16:00, break 12:00-12:30; slot 1: 14:00-22:00, break
// 18:00-18:15; slot 2: 07:00-19:00, break 12:00-12:15.
QByteArray schedulePlan(const char* first, const QByteArray& days)
{
    PlanFile plan = SchedulePlanFile(dayOf(first), dayOf(first) + int32_t(days.size()) - 1, days);
    plan.Slots[0] = {480, 960, 720, 750};
    plan.Slots[1] = {840, 1320, 1080, 1095};
    plan.Slots[2] = {420, 1140, 720, 735};
    return plan.Build();
}

// Monday to Friday, 8 hours from 08:00, free days taken into account.
QByteArray weeklyPlan(const char* first, const char* last)
{
    PlanFile plan = WeeklyPlanFile(dayOf(first), dayOf(last), {1, 2, 2, 2, 2, 2, 1});
    plan.Header[4] = 8 * 60 - 1440;
    plan.DayStart = 8 * 60;
    plan.Flags = 2;
    return plan.Build();
}

struct Run
{
    int Code = -1;
    QString Out;
};

Run lint(const QStringList& args)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")),
                  QStringList{QStringLiteral("lint")} + args);
    const bool finished = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput())};
}

QStringList texts(const QJsonArray& items, const QStringList& keys)
{
    QStringList out;
    for (const QJsonValue& item : items) {
        QStringList fields;
        for (const QString& key : keys) {
            const QJsonValue value = item.toObject().value(key);
            fields << (value.isNull() ? QStringLiteral("null") : value.toVariant().toString());
        }
        out << fields.join(QLatin1Char(' '));
    }
    return out;
}

} // namespace

class TestPlntoolLint : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_plans;

private slots:
    void initTestCase()
    {
        m_plans = QDir(m_root.path()).filePath(QStringLiteral("PLANY"));
        QVERIFY(QDir().mkpath(m_plans));
        QString error;
        QVERIFY2(WriteDemoFreeDays(TestLibrary(), m_root.path(), &error), qPrintable(error));
        // The suite's file systems ignore letter case; so does the lookup.
        QVERIFY(QDir(m_plans).rename(QStringLiteral("WOLNE.DAT"), QStringLiteral("Wolne.dat")));
        QVERIFY(WriteFile(QDir(m_root.path()).filePath(QStringLiteral("EMPTY.DAT")), {}));
        QByteArray bad; // a free day before 2000
        AppendInt32(bad, -MinutesPerDay);
        bad.append(FreeDayRecordSize - 4, 'A');
        QVERIFY(WriteFile(QDir(m_root.path()).filePath(QStringLiteral("BAD.DAT")), bad));
    }

    void lint_data()
    {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QStringList>("findings");
        QTest::addColumn<QStringList>("periods");
        QTest::addColumn<QString>("message");
        const QByteArray office = schedulePlan("2025-01-13", "00000");
        const QStringList january{u"2025-01-01 2025-01-31 null 2325"_s};
        QTest::newRow("clean") << office << QStringList{u"PLAN"_s} << 0 << u"podstawowy 1"_s << QStringList{} << january
                               << u""_s;
        QTest::newRow("quarters") << office << QStringList{u"--okres"_s, u"3"_s, u"PLAN"_s} << 0 << u"podstawowy 3"_s
                                  << QStringList{} << QStringList{u"2025-01-01 2025-03-31 null 2325"_s} << u""_s;
        QTest::newRow("afternoon, then day") << schedulePlan("2025-01-13", "10") << QStringList{u"PLAN"_s} << 3
            << u"podstawowy 1"_s << QStringList{u"2025-01-14 doba error"_s, u"2025-01-14 odpoczynek-dobowy error"_s}
            << QStringList{u"2025-01-01 2025-01-31 null 945"_s} << u"trwa 10 h"_s;
        QTest::newRow("12 h, basic") << schedulePlan("2025-01-07", "2") << QStringList{u"PLAN"_s} << 3 << u"podstawowy 1"_s
            << QStringList{u"2025-01-07 norma-dobowa error"_s} << QStringList{u"2025-01-01 2025-01-31 null 720"_s} << u""_s;
        QTest::newRow("12 h, equivalent") << schedulePlan("2025-01-07", "2")
            << QStringList{u"PLAN"_s, u"--system"_s, u"rownowazny"_s} << 0 << u"rownowazny 1"_s << QStringList{}
            << QStringList{u"2025-01-01 2025-01-31 null 720"_s} << u""_s;
        QTest::newRow("Easter Monday") << schedulePlan("2025-04-21", "0") << QStringList{u"PLAN"_s} << 0
            << u"podstawowy 1"_s << QStringList{u"2025-04-21 swieto warning"_s}
            << QStringList{u"2025-04-01 2025-04-30 null 465"_s} << u"Poniedziałek Wielkanocny"_s;
        QTest::newRow("Easter Monday, no free days") << schedulePlan("2025-04-21", "0")
            << QStringList{u"PLAN"_s, u"--wolne"_s, u"EMPTY"_s} << 0 << u"podstawowy 1"_s << QStringList{}
            << QStringList{u"2025-04-01 2025-04-30 null 465"_s} << u""_s;
        QTest::newRow("weekly, November") << weeklyPlan("2025-11-01", "2025-11-30") << QStringList{u"PLAN"_s} << 3
            << u"podstawowy 1"_s << QStringList{u"2025-11-01 wymiar error"_s}
            << QStringList{u"2025-11-01 2025-11-30 8640 9120"_s} << u"o 8 h za dużo"_s;
        QTest::newRow("damaged plan") << QByteArray("no plan") << QStringList{u"PLAN"_s} << 1 << u" 0"_s << QStringList{}
                                      << QStringList{} << u""_s;
        QTest::newRow("no such plan") << office << QStringList{u"MISSING"_s} << 1 << u" 0"_s << QStringList{}
                                      << QStringList{} << u""_s;
        QTest::newRow("folder for a plan") << office << QStringList{u"PLANY"_s} << 1 << u" 0"_s << QStringList{}
                                           << QStringList{} << u""_s;
        QTest::newRow("damaged free days") << office << QStringList{u"PLAN"_s, u"--wolne"_s, u"BAD"_s} << 2 << u" 0"_s
                                           << QStringList{} << QStringList{} << u""_s;
        for (const QStringList& args : {QStringList{}, QStringList{u"PLAN"_s, u"PLAN"_s}, QStringList{u"PLAN"_s, u"--wolne"_s},
                                        QStringList{u"PLAN"_s, u"--system"_s, u"ruchomy"_s}, QStringList{u"PLAN"_s, u"--okres"_s, u"5"_s},
                                        QStringList{u"PLAN"_s, u"--norma"_s, u"8"_s}})
            QTest::newRow(qPrintable(QStringLiteral("usage: %1").arg(args.join(QLatin1Char(' ')))))
                << office << args << 2 << u" 0"_s << QStringList{} << QStringList{} << u""_s;
    }
    void lint()
    {
        QFETCH(QByteArray, plan);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, options);
        QFETCH(QStringList, findings);
        QFETCH(QStringList, periods);
        QFETCH(QString, message);
        const QDir plans(m_plans);
        QVERIFY(WriteFile(plans.filePath(QStringLiteral("PLAN.PLN")), plan));
        const QMap<QString, QString> paths{{u"PLAN"_s, plans.filePath(QStringLiteral("PLAN.PLN"))},
                                           {u"MISSING"_s, plans.filePath(QStringLiteral("MISSING.PLN"))},
                                           {u"EMPTY"_s, QDir(m_root.path()).filePath(QStringLiteral("EMPTY.DAT"))},
                                           {u"BAD"_s, QDir(m_root.path()).filePath(QStringLiteral("BAD.DAT"))},
                                           {u"PLANY"_s, m_plans}};
        for (QString& arg : args)
            arg = paths.value(arg, arg);
        const Run run = ::lint(args);
        QCOMPARE(run.Code, code);
        const QJsonObject json = QJsonDocument::fromJson(run.Out.toUtf8()).object();
        QCOMPARE(json.value(QStringLiteral("system")).toString() + QLatin1Char(' ') +
                     QString::number(json.value(QStringLiteral("periodMonths")).toInt()),
                 options);
        QCOMPARE(texts(json.value(QStringLiteral("findings")).toArray(), {u"date"_s, u"rule"_s, u"severity"_s}), findings);
        QCOMPARE(texts(json.value(QStringLiteral("periods")).toArray(),
                       {u"from"_s, u"to"_s, u"normMinutes"_s, u"plannedMinutes"_s}),
                 periods);
        QVERIFY2(run.Out.contains(message), qPrintable(run.Out));
    }

    // A pipe named as the plan is refused at once instead of waiting for a writer.
    void pipeIsRefused()
    {
        const QString fifo = QDir(m_root.path()).filePath(QStringLiteral("FIFO.PLN"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(::lint({fifo}).Code, 1);
    }
};

QTEST_GUILESS_MAIN(TestPlntoolLint)
#include "tst_PlntoolLint.moc"

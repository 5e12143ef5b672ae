// The suite library's services besides the locks, called through the C
// interface where its buffers matter.
#include "PlanFiles.h"

#include "env/CodePage.h"
#include "kelbrin.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(PathSetup)

namespace {

constexpr int32_t First = 7305, Last = 7335; // January 2020

// A plan whose area section covers January 2020; mark 0 makes the older layout.
QByteArray RangePlan(int32_t mark, bool schedule)
{
    PlanFile plan = schedule ? SchedulePlanFile(First, Last, QByteArray(Last - First + 1, '0'), mark == 0)
                             : WeeklyPlanFile(First, Last, {1, 2, 2, 2, 2, 2, 1}, mark == 0);
    plan.Mark = mark;
    plan.EndWord = Last * 1440 | 0x28000000; // the kind and first-of-day bits of the final record
    return plan.Build();
}

} // namespace

class TestInterface : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    // Every day from 1899 to 2101 (the plans' days 0..18500 and a century
    // year either side) to its minute count and back, checked against
    // QDate. Each day is taken at another minute, so every minute of the day
    // is met on many days.
    void dates()
    {
        const KelbrinLibrary& lib = TestLibrary();
        for (int day = -36600; day <= 36600; ++day) {
            const QDate date = QDate(2000, 1, 1).addDays(day);
            const int minute = (day + 36600) % 1440;
            const int32_t count = lib.DateToLong(date.year(), uint8_t(date.month()), uint8_t(date.day()),
                                                 uint8_t(minute / 60), uint8_t(minute % 60));
            const KlnxDate back = lib.LongToDate(count);
            if (count != day * 1440 + minute || back.Year != date.year() || back.Month != date.month() ||
                back.Day != date.day() || back.Hour * 60 + back.Minute != minute)
                QFAIL(qPrintable(date.toString(Qt::ISODate) + QStringLiteral(" %1: %2").arg(minute).arg(count)));
        }
        // Parts out of their range carry over.
        QCOMPARE(lib.DateToLong(2000, 2, 31), 61 * 1440);
        QCOMPARE(lib.DateToLong(2000, 13, 1), 366 * 1440);
        QCOMPARE(lib.DateToLong(2000, 1, 1, 24, 0), 1440);
    }

    void txtToName_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("stem");
        QTest::newRow("Polish surname") << ToCodePage(QStringLiteral("Źdźbło-Łęcka")) << QByteArray("ZDZBLO-LECKA");
        // Every byte once, in order: capitals, Polish letters as ASCII, the rest dropped.
        QByteArray all;
        for (int byte = 1; byte < 256; ++byte)
            all.append(char(byte));
        QTest::newRow("every byte")
            << all << QByteArray("-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZSZSZLAZLAZCENOCENO");
    }

    void txtToName()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, stem);
        // Rewritten in place: nothing past the text's own zero changes.
        QByteArray buffer = text + '\0' + "GUARD";
        KLNX_TxtToName(buffer.data());
        QCOMPARE(QByteArray(buffer.constData()), stem);
        QCOMPARE(buffer.right(6), QByteArray("\0GUARD", 6));
        QCOMPARE(ToCodePage(TestLibrary().TxtToName(FromCodePage(text))), stem);
    }

    void setDir_data()
    {
        QTest::addColumn<QString>("folder"); // "@" stands for a fresh folder, the current one
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("current"); // under "@"
        QTest::newRow("backslashes, one at the end") << "@\\DANE\\PLANY\\" << 0 << "DANE/PLANY";
        QTest::newRow("Polish name, slash at the end") << "@/Łódź Kadry/" << 0 << "Łódź Kadry";
        QTest::newRow("relative") << "DANE" << 0 << "DANE";
        QTest::newRow("missing") << "@/BRAK" << 1 << "";
        QTest::newRow("a file") << "@/plik.txt" << 1 << "";
        QTest::newRow("empty") << "" << 2 << "";
    }

    void setDir()
    {
        QFETCH(QString, folder);
        QFETCH(int, status);
        QFETCH(QString, current);
        QTemporaryDir root;
        const QDir rootDir(QDir(root.path()).canonicalPath());
        QVERIFY(rootDir.mkpath(QStringLiteral("DANE/PLANY")) && rootDir.mkpath(QStringLiteral("Łódź Kadry")));
        QVERIFY(WriteFile(rootDir.filePath(QStringLiteral("plik.txt")), "x") && QDir::setCurrent(rootDir.path()));
        QCOMPARE(KLNX_SetDir(ToCodePage(folder.replace(QLatin1Char('@'), rootDir.path())).constData()), status);
        QCOMPARE(QDir::current().canonicalPath(), rootDir.filePath(current));
    }

    void planRange_data()
    {
        QTest::addColumn<PathSetup>("put");
        QTest::addColumn<int>("status"); // 0: the range is January 2020
        const QByteArray weekly = RangePlan(-88, false);
        const qsizetype section = 20 + 92 + 7, firstArea = Int32At(weekly, 0);
        QTest::newRow("weekly plan, start-of-day word (-88)") << FileOf(weekly) << 0;
        QTest::newRow("weekly plan, start-of-day word (88)") << FileOf(RangePlan(88, false)) << 0;
        QTest::newRow("schedule plan without it (-84)") << FileOf(RangePlan(-84, true)) << 0;
        QTest::newRow("weekly plan without it (84)") << FileOf(RangePlan(84, false)) << 0;
        QTest::newRow("older weekly plan, section at 81") << FileOf(RangePlan(0, false)) << 0;
        QTest::newRow("older schedule plan") << FileOf(RangePlan(0, true)) << 0;
        QTest::newRow("header word 0 one word late") << FileOf(Patched(weekly, 0, int32_t(firstArea + 4))) << 2;
        QTest::newRow("cut inside the day index") << FileOf(weekly.left(section + 20)) << 2;
        QTest::newRow("section length not 4k+8, header word 0 agreeing")
            << FileOf(Patched(Patched(weekly, section, (Last - First + 1) * 4 + 10), 0, int32_t(firstArea + 2))) << 2;
        QTest::newRow("section length negative") << FileOf(Patched(weekly, section, -4)) << 2;
        QTest::newRow("plan record length absurd") << FileOf(Patched(weekly, 20, 0x7fffffff)) << 2;
        QTest::newRow("mark -84 on a file with the start-of-day word") << FileOf(Patched(weekly, 24, -84)) << 2;
        QTest::newRow("older plan, last day before the first")
            << FileOf(Patched(RangePlan(0, true), 70, First - 1)) << 2;
        QTest::newRow("three bytes") << FileOf(QByteArray("\x10\x00\x00", 3)) << 2;
        QTest::newRow("missing file") << Nothing() << 1;
        QTest::newRow("named pipe") << Pipe() << 1; // opening it would wait
    }

    void planRange()
    {
        QFETCH(PathSetup, put);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Plan Łódź.PLN"));
        put(path);
        int32_t firstMinute = 0, lastMinute = -1;
        QCOMPARE(int(KLNX_GetPlanRange(ToCodePage(path).constData(), &firstMinute, &lastMinute)), status);
        // On failure the caller's presets stay.
        QCOMPARE(firstMinute, status ? 0 : First * 1440);
        QCOMPARE(lastMinute, status ? -1 : Last * 1440);
    }
};

QTEST_GUILESS_MAIN(TestInterface)
#include "tst_Interface.moc"

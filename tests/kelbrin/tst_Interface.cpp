#include "TestSupport.h"

#include "env/CodePage.h"
#include "kelbrin.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

// The suite library's services besides the locks, called through the C
// interface where its buffers matter.
namespace {

constexpr int32_t First = 7305, Last = 7335;           // January 2020
constexpr int32_t WorkAreaBits = 0x20000000 | 2 << 26; // first-of-day mark and kind above the minute

QByteArray WithInt32(QByteArray bytes, qsizetype offset, int32_t value)
{
    qToLittleEndian<qint32>(value, bytes.data() + offset);
    return bytes;
}

// A plan file whose area section covers the days First..Last; only what
// the range reader looks at is filled in. mark is the current layout's
// format mark (84, -84, 88, -88; +-88 adds the start-of-day word), 0 makes
// the older layout with its 54-byte record.
QByteArray PlanFile(int32_t mark, bool schedule)
{
    const int32_t days = Last - First + 1, table = schedule ? days : 7;
    QByteArray bytes(20 + (mark == 0 ? 54 : qAbs(mark) == 88 ? 92 : 88) + table, '\0');
    if (mark == 0) {
        bytes[20 + 45] = char(schedule);
        bytes = WithInt32(WithInt32(bytes, 20 + 46, First), 20 + 50, Last);
    } else {
        bytes = WithInt32(WithInt32(bytes, 20, 88 + table), 24, mark);
    }
    AppendInt32(bytes, days * 4 + 8);
    AppendInt32(bytes, First * 1440);
    for (int32_t day = First; day <= Last; ++day)
        AppendInt32(bytes, day * 1440 + 480);
    AppendInt32(bytes, Last * 1440 | WorkAreaBits);
    bytes = WithInt32(bytes, 0, int32_t(bytes.size())); // the first area record follows the end word
    AppendInt32(bytes, (First * 1440 + 480) | WorkAreaBits);
    return bytes;
}

enum Source { File, Missing, Pipe };

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
                QFAIL(qPrintable(
                    QStringLiteral("%1, minute %2: %3").arg(date.toString(Qt::ISODate)).arg(minute).arg(count)));
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
        QTest::newRow("empty") << QByteArray() << QByteArray();
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
        QVERIFY(WriteFile(rootDir.filePath(QStringLiteral("plik.txt")), "x"));
        QVERIFY(QDir::setCurrent(rootDir.path()));
        QCOMPARE(KLNX_SetDir(ToCodePage(folder.replace(QLatin1Char('@'), rootDir.path())).constData()), status);
        QCOMPARE(QDir::current().canonicalPath(), rootDir.filePath(current));
    }

    void planRange_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("status"); // 0: the range is January 2020
        const auto range = [](const char* name, const QByteArray& contents) {
            QTest::newRow(name) << int(File) << contents << 0;
        };
        range("weekly plan, start-of-day word (-88)", PlanFile(-88, false));
        range("weekly plan, start-of-day word (88)", PlanFile(88, false));
        range("schedule plan without it (-84)", PlanFile(-84, true));
        range("weekly plan without it (84)", PlanFile(84, false));
        range("older weekly plan, section at 81", PlanFile(0, false));
        range("older schedule plan", PlanFile(0, true));

        const QByteArray weekly = PlanFile(-88, false);
        const qsizetype section = 20 + 92 + 7, firstArea = weekly.size() - 4;
        const auto damaged = [](const char* name, const QByteArray& contents) {
            QTest::newRow(name) << int(File) << contents << 2;
        };
        damaged("header word 0 one word late", WithInt32(weekly, 0, int32_t(firstArea + 4)));
        damaged("cut inside the day index", weekly.left(section + 20));
        damaged("section length not 4k+8, header word 0 agreeing",
                WithInt32(WithInt32(weekly, section, (Last - First + 1) * 4 + 10), 0, int32_t(firstArea + 2)));
        damaged("section length negative", WithInt32(weekly, section, -4));
        damaged("plan record length absurd", WithInt32(weekly, 20, 0x7fffffff));
        damaged("mark -84 on a file with the start-of-day word", WithInt32(weekly, 24, -84));
        damaged("older plan, last day before the first", WithInt32(PlanFile(0, true), 70, First - 1));
        damaged("three bytes", QByteArray("\x10\x00\x00", 3));

        QTest::newRow("missing file") << int(Missing) << QByteArray() << 1;
        QTest::newRow("named pipe") << int(Pipe) << QByteArray() << 1; // opening it would wait
    }

    void planRange()
    {
        QFETCH(int, source);
        QFETCH(QByteArray, contents);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Plan Łódź.PLN"));
        if (source == File) QVERIFY(WriteFile(path, contents));
        if (source == Pipe) QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        int32_t firstMinute = 0, lastMinute = -1;
        QCOMPARE(int(KLNX_GetPlanRange(ToCodePage(path).constData(), &firstMinute, &lastMinute)), status);
        // On failure the caller's presets stay.
        QCOMPARE(firstMinute, status ? 0 : First * 1440);
        QCOMPARE(lastMinute, status ? -1 : Last * 1440);
    }
};

QTEST_GUILESS_MAIN(TestInterface)
#include "tst_Interface.moc"

#include "TestSupport.h"

#include "env/CodePage.h"
#include "kelbrin.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// KLNX_GetPlanRange on hand-built plan files of both layouts.
namespace {

constexpr int32_t FirstMarkBit = 0x20000000;
constexpr int32_t WorkKind = 2 << 26;

// The area section of a plan of the given days: length word, first-minute
// word, one index word per day, the end word, then one area record per day
// and the final record. Returns the section; areaStart is the offset of the
// first area record within it.
QByteArray AreaSection(int32_t firstDay, int32_t lastDay, int32_t endWord, qsizetype& areaStart)
{
    const int32_t count = lastDay - firstDay + 1;
    QByteArray section;
    AppendInt32(section, count * 4 + 8);
    AppendInt32(section, firstDay * 1440);
    for (int32_t day = firstDay; day <= lastDay; ++day)
        AppendInt32(section, day * 1440 + 480);
    AppendInt32(section, endWord);
    areaStart = section.size();
    for (int32_t day = firstDay; day <= lastDay; ++day)
        AppendInt32(section, (day * 1440 + 480) | FirstMarkBit | WorkKind);
    AppendInt32(section, endWord);
    return section;
}

QByteArray Header(int32_t firstArea)
{
    QByteArray header;
    AppendInt32(header, firstArea);
    AppendInt32(header, 12);
    AppendInt32(header, 0);
    AppendInt32(header, 0);
    AppendInt32(header, 0);
    return header;
}

// A plan in the current layout. A weekly plan keeps its range only in the
// area section; its block's range fields are 0.
QByteArray CurrentPlan(int32_t mark, bool schedule, int32_t firstDay, int32_t lastDay, int32_t endWord)
{
    const int32_t tableBytes = schedule ? lastDay - firstDay + 1 : 7;
    QByteArray body;
    AppendInt32(body, 88 + tableBytes);
    AppendInt32(body, mark);
    for (int i = 0; i < 35; ++i)
        AppendInt16(body, schedule && i < 28 ? int16_t(420 + i) : int16_t(0));
    AppendByte(body, schedule ? 1 : 0);
    AppendByte(body, schedule ? 0x01 : 0x02);
    AppendInt32(body, schedule ? firstDay : 0);
    AppendInt32(body, schedule ? lastDay : 0);
    if (mark == 88 || mark == -88) AppendInt32(body, schedule ? 0 : 360);
    for (int32_t i = 0; i < tableBytes; ++i)
        AppendByte(body, schedule ? uint8_t(i % 7) : uint8_t(i == 0 || i == 6 ? 1 : 2));
    qsizetype areaStart = 0;
    const QByteArray section = AreaSection(firstDay, lastDay, endWord, areaStart);
    return Header(int32_t(20 + body.size() + areaStart)) + body + section;
}

// A plan in the older layout: a 54-byte record and the day table at 74.
QByteArray LegacyPlan(bool schedule, int32_t firstDay, int32_t lastDay, int32_t endWord)
{
    QByteArray body;
    AppendInt32(body, 0);
    for (int16_t time : {480, 450, 420, -1}) // Entry of slots 0..3: never a current format mark
        AppendInt16(body, time);
    for (int i = 0; i < 16; ++i)
        AppendInt16(body, int16_t(900 + i));
    AppendByte(body, 0);
    AppendByte(body, schedule ? 0x01 : 0x00);
    AppendInt32(body, schedule ? firstDay : 0);
    AppendInt32(body, schedule ? lastDay : 0);
    Q_ASSERT(body.size() == 54);
    const int32_t tableBytes = schedule ? lastDay - firstDay + 1 : 7;
    for (int32_t i = 0; i < tableBytes; ++i)
        AppendByte(body, schedule ? uint8_t(i % 5) : uint8_t(i == 0 ? 4 : 1));
    qsizetype areaStart = 0;
    const QByteArray section = AreaSection(firstDay, lastDay, endWord, areaStart);
    return Header(int32_t(20 + body.size() + areaStart)) + body + section;
}

QByteArray WithInt32(QByteArray bytes, qsizetype offset, int32_t value)
{
    QByteArray word;
    AppendInt32(word, value);
    bytes.replace(offset, 4, word);
    return bytes;
}

enum Source { File, Missing, Folder, Pipe, EmptyPath, Backslashes };

} // namespace

class TestPlanRange : public QObject
{
    Q_OBJECT

private slots:
    void range_data();
    void range();
};

void TestPlanRange::range_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    // 2020-01-01 is day 7305. The end word carries kind and mark bits above
    // the 26 bits of its minute.
    const int32_t first = 7305, last = 7335;
    const int32_t endWord = last * 1440 | FirstMarkBit | WorkKind;
    const int firstMinute = first * 1440, lastMinute = last * 1440;

    QTest::newRow("current weekly plan, mark -88")
        << int(File) << CurrentPlan(-88, false, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("current weekly plan, mark -84")
        << int(File) << CurrentPlan(-84, false, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("current weekly plan, mark 88")
        << int(File) << CurrentPlan(88, false, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("current weekly plan, mark 84")
        << int(File) << CurrentPlan(84, false, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("current schedule plan")
        << int(File) << CurrentPlan(-88, true, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("current schedule plan, mark -84")
        << int(File) << CurrentPlan(-84, true, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("current schedule plan of one day")
        << int(File) << CurrentPlan(-88, true, first, first, first * 1440) << 0 << firstMinute << firstMinute;
    QTest::newRow("current weekly plan of the whole range")
        << int(File) << CurrentPlan(-88, false, 0, 18500, 18500 * 1440) << 0 << 0 << 18500 * 1440;
    QTest::newRow("legacy weekly plan") << int(File) << LegacyPlan(false, first, last, endWord) << 0 << firstMinute
                                        << lastMinute;
    QTest::newRow("legacy schedule plan")
        << int(File) << LegacyPlan(true, first, last, endWord) << 0 << firstMinute << lastMinute;
    QTest::newRow("legacy schedule plan of one day")
        << int(File) << LegacyPlan(true, last, last, endWord) << 0 << lastMinute << lastMinute;
    QTest::newRow("path with backslashes")
        << int(Backslashes) << CurrentPlan(-88, false, first, last, endWord) << 0 << firstMinute << lastMinute;

    const QByteArray weekly = CurrentPlan(-88, false, first, last, endWord);
    const QByteArray schedule = CurrentPlan(-84, true, first, last, endWord);
    const QByteArray legacy = LegacyPlan(true, first, last, endWord);
    const int32_t weeklyArea = Int32At(weekly, 0);
    const qsizetype weeklySection = 20 + 88 + 4 + 7; // after the start-of-day word and the weekday bytes
    QCOMPARE(Int32At(weekly, weeklySection), (last - first + 1) * 4 + 8);

    // Damaged files: the outputs keep the caller's presets.
    auto damaged = [](const char* name, const QByteArray& contents) {
        QTest::newRow(name) << int(File) << contents << 2 << 0 << -1;
    };
    damaged("header word 0 one word late", WithInt32(weekly, 0, weeklyArea + 4));
    damaged("header word 0 one word early", WithInt32(weekly, 0, weeklyArea - 4));
    damaged("header word 0 of an unfinished save", WithInt32(weekly, 0, -1));
    damaged("header word 0 past the end of the file", WithInt32(weekly, 0, int32_t(weekly.size()) + 4));
    damaged("truncated inside the day index", weekly.left(weeklySection + 20));
    damaged("truncated inside the end word", weekly.left(weeklyArea - 2));
    damaged("truncated inside the plan block", weekly.left(60));
    damaged("section length not 4k+8", WithInt32(weekly, weeklySection, (last - first + 1) * 4 + 10));
    damaged("section length not 4k+8, header word 0 agreeing",
            WithInt32(WithInt32(weekly, weeklySection, (last - first + 1) * 4 + 10), 0, weeklyArea + 2));
    damaged("section length without days", WithInt32(weekly, weeklySection, 8));
    damaged("section length negative", WithInt32(weekly, weeklySection, -4));
    damaged("section length absurd", WithInt32(weekly, weeklySection, 0x7ffffff8));
    damaged("block length absurd", WithInt32(weekly, 20, 0x7fffffff));
    damaged("block length without a day table", WithInt32(weekly, 20, 88));
    damaged("block length negative", WithInt32(weekly, 20, -95));
    damaged("block length one day short", WithInt32(schedule, 20, Int32At(schedule, 20) - 1));
    damaged("mark -84 on a file with a start-of-day word", WithInt32(weekly, 24, -84));
    damaged("mark -88 on a file without a start-of-day word", WithInt32(schedule, 24, -88));
    damaged("legacy plan, last day before the first", WithInt32(legacy, 20 + 50, first - 1));
    damaged("legacy plan, negative first day", WithInt32(legacy, 20 + 46, -3));
    damaged("legacy plan, absurd last day", WithInt32(legacy, 20 + 50, 1000000000));
    QByteArray weeklyAsSchedule = LegacyPlan(false, first, last, endWord);
    weeklyAsSchedule[20 + 45] = 0x01;
    damaged("legacy weekly plan flagged as a schedule plan", weeklyAsSchedule);
    damaged("zero-length file", QByteArray());
    damaged("three bytes", QByteArray("\x10\x00\x00", 3));
    damaged("header only", weekly.left(20));

    QTest::newRow("missing file") << int(Missing) << QByteArray() << 1 << 0 << -1;
    QTest::newRow("folder instead of a file") << int(Folder) << QByteArray() << 1 << 0 << -1;
    QTest::newRow("empty path") << int(EmptyPath) << QByteArray() << 1 << 0 << -1;
#ifdef Q_OS_UNIX
    // Opening a pipe for reading would wait for a writer.
    QTest::newRow("named pipe") << int(Pipe) << QByteArray() << 1 << 0 << -1;
#endif
}

void TestPlanRange::range()
{
    QFETCH(int, source);
    QFETCH(QByteArray, contents);
    QFETCH(int, status);
    QFETCH(int, first);
    QFETCH(int, last);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("Plan Łódź.PLN"));
    QString asked = path;
    switch (Source(source)) {
    case File:
        QVERIFY(WriteFile(path, contents));
        break;
    case Backslashes:
        QVERIFY(WriteFile(path, contents));
        asked.replace(QLatin1Char('/'), QLatin1Char('\\'));
        break;
    case Missing:
        break;
    case Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    case Pipe:
#ifdef Q_OS_UNIX
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
#endif
        break;
    case EmptyPath:
        asked.clear();
        break;
    }

    int32_t firstMinute = 0, lastMinute = -1;
    const QByteArray text = ToCodePage(asked);
    QCOMPARE(int(KLNX_GetPlanRange(text.constData(), &firstMinute, &lastMinute)), status);
    QCOMPARE(firstMinute, first);
    QCOMPARE(lastMinute, last);
}

QTEST_GUILESS_MAIN(TestPlanRange)
#include "tst_PlanRange.moc"

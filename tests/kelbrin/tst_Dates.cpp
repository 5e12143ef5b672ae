#include "TestSupport.h"

#include <QDate>
#include <QTest>

// Date conversion of the suite library, checked against QDate's own calendar.
class TestDates : public QObject
{
    Q_OBJECT

private slots:
    void wholePlanRangeRoundTrip();
    void everyMinuteOfADay();
    void knownDates_data();
    void knownDates();
    void carryOver_data();
    void carryOver();
};

void TestDates::wholePlanRangeRoundTrip()
{
    const KelbrinLibrary& lib = TestLibrary();
    const QDate origin(2000, 1, 1);
    for (int day = -400; day <= 18501 + 400; ++day) {
        const QDate date = origin.addDays(day);
        const int32_t count = lib.DateToLong(date.year(), uint8_t(date.month()), uint8_t(date.day()), 0, 0);
        if (count != day * 1440)
            QFAIL(qPrintable(QStringLiteral("day %1 (%2) gave %3").arg(day).arg(date.toString()).arg(count)));
        const KlnxDate back = lib.LongToDate(count);
        if (back.Year != date.year() || back.Month != date.month() || back.Day != date.day() || back.Hour != 0 ||
            back.Minute != 0)
            QFAIL(qPrintable(
                QStringLiteral("day %1 came back as %2-%3-%4").arg(day).arg(back.Year).arg(back.Month).arg(back.Day)));
    }
}

void TestDates::everyMinuteOfADay()
{
    const KelbrinLibrary& lib = TestLibrary();
    for (int day : {0, 59, 6999, 18500}) {
        const KlnxDate date = lib.LongToDate(day * 1440);
        for (int minute = 0; minute < 1440; ++minute) {
            const int32_t count =
                lib.DateToLong(date.Year, date.Month, date.Day, uint8_t(minute / 60), uint8_t(minute % 60));
            QCOMPARE(count, day * 1440 + minute);
            const KlnxDate back = lib.LongToDate(count);
            QCOMPARE(int(back.Hour) * 60 + back.Minute, minute);
            QCOMPARE(back.Day, date.Day);
        }
    }
    // A time of day is its minute count on 1 January 2000.
    QCOMPARE(lib.DateToLong(2000, 1, 1, 23, 59), 1439);
}

void TestDates::knownDates_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("dayNumber");
    QTest::newRow("origin") << 2000 << 1 << 1 << 0;
    QTest::newRow("leap day 2000") << 2000 << 2 << 29 << 59;
    QTest::newRow("2001") << 2001 << 1 << 1 << 366;
    QTest::newRow("no leap day 2100") << 2100 << 3 << 1 << 36584;
    QTest::newRow("last plan day") << 2050 << 8 << 26 << 18500;
    QTest::newRow("before origin") << 1999 << 12 << 31 << -1;
    QTest::newRow("1900 not leap") << 1900 << 3 << 1 << -36465;
}

void TestDates::knownDates()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, dayNumber);
    const KelbrinLibrary& lib = TestLibrary();
    QCOMPARE(lib.DateToLong(year, uint8_t(month), uint8_t(day)), dayNumber * 1440);
    const KlnxDate date = lib.LongToDate(dayNumber * 1440 + 1439);
    QCOMPARE(date.Year, year);
    QCOMPARE(int(date.Month), month);
    QCOMPARE(int(date.Day), day);
    QCOMPARE(int(date.Hour), 23);
    QCOMPARE(int(date.Minute), 59);
}

void TestDates::carryOver_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("expected");
    QTest::newRow("31 February is 2 March") << 2 << 31 << 0 << 61 * 1440;
    QTest::newRow("month 13 is January next year") << 13 << 1 << 0 << 366 * 1440;
    QTest::newRow("hour 24 is the next day") << 1 << 1 << 24 << 1440;
}

void TestDates::carryOver()
{
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, hour);
    QFETCH(int, expected);
    QCOMPARE(TestLibrary().DateToLong(2000, uint8_t(month), uint8_t(day), uint8_t(hour), 0), expected);
}

QTEST_GUILESS_MAIN(TestDates)
#include "tst_Dates.moc"

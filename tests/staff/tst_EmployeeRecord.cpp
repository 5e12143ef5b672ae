#include "staff/EmployeeRecord.h"
#include "staff/ObslugaListy.h"

#include <QTest>

Q_DECLARE_METATYPE(CardEntries)

class TestEmployeeRecord : public QObject
{
    Q_OBJECT

private slots:
    void entryCount_data();
    void entryCount();
    void cardNumberOrder_data();
    void cardNumberOrder();
    void numberFromFileName_data();
    void numberFromFileName();
};

void TestEmployeeRecord::entryCount_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("dataStart");
    QTest::addColumn<qint64>("count");

    // (length - dataStart) / 6 to the nearest whole number, halves to even.
    QTest::newRow("9.83 up") << qint64(100) << qint64(41) << qint64(10);
    QTest::newRow("2.33 down") << qint64(54) << qint64(40) << qint64(2);
    QTest::newRow("0.5 to 0") << qint64(43) << qint64(40) << qint64(0);
    QTest::newRow("1.5 to 2") << qint64(49) << qint64(40) << qint64(2);
    QTest::newRow("2.5 to 2") << qint64(55) << qint64(40) << qint64(2);
    QTest::newRow("-0.5 to 0") << qint64(37) << qint64(40) << qint64(0);
    QTest::newRow("-0.67 to -1") << qint64(36) << qint64(40) << qint64(-1);
    QTest::newRow("-1.5 to -2") << qint64(31) << qint64(40) << qint64(-2);
    QTest::newRow("data start far past the end") << qint64(10) << qint64(2'000'000'000) << qint64(-333'333'332);
}

void TestEmployeeRecord::entryCount()
{
    QFETCH(qint64, length);
    QFETCH(qint64, dataStart);
    QFETCH(qint64, count);
    QCOMPARE(EntryCountFor(length, dataStart), count);
}

void TestEmployeeRecord::cardNumberOrder_data()
{
    QTest::addColumn<CardEntries>("entries");
    QTest::addColumn<int>("cardNumber");
    QTest::addColumn<CardEntries>("sorted");

    QTest::newRow("smallest key wins") << CardEntries{{30, 1}, {-10, 2}, {20, 3}} << 2
                                       << CardEntries{{30, 1}, {20, 3}, {-10, 2}};
    QTest::newRow("equal keys keep their order: the smallest stored last wins")
        << CardEntries{{3, 11}, {9, 12}, {3, 13}, {7, 14}, {9, 15}} << 13
        << CardEntries{{9, 12}, {9, 15}, {7, 14}, {3, 11}, {3, 13}};
}

void TestEmployeeRecord::cardNumberOrder()
{
    QFETCH(CardEntries, entries);
    QFETCH(int, cardNumber);
    QFETCH(CardEntries, sorted);
    QCOMPARE(int(NumerPracownika(entries, int(entries.size()) - 1)), cardNumber);
    QCOMPARE(entries, sorted);
}

void TestEmployeeRecord::numberFromFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number"); // -1 = none

    QTest::newRow("digits after the dot") << "KOWALSKI.0123" << 123;
    QTest::newRow("nothing after the dot") << "KOWALSKI." << -1;
    QTest::newRow("after the first dot") << "A.B.001" << -1;
    QTest::newRow("not only digits") << "KOWALSKI.-12" << -1;
    QTest::newRow("too long to be a number") << "KOWALSKI.12345678901" << -1;
}

void TestEmployeeRecord::numberFromFileName()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(NumberFromFileName(name).value_or(-1), number);
}

QTEST_GUILESS_MAIN(TestEmployeeRecord)
#include "tst_EmployeeRecord.moc"

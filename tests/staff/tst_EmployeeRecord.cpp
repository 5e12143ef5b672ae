#include "StaffFixtures.h"

#include "staff/EmployeeRecord.h"
#include "staff/ObslugaListy.h"
#include "staff/Przydziel.h"

#include <QTest>

#include <random>

Q_DECLARE_METATYPE(CardEntries)

class TestEmployeeRecord : public QObject
{
    Q_OBJECT

private slots:
    void entryCount_data();
    void entryCount();
    void cardNumberOrder_data();
    void cardNumberOrder();
    void cardNumberOrderMatchesExchangePasses();
    void numberFromFileName_data();
    void numberFromFileName();
    void numberTexts_data();
    void numberTexts();
};

void TestEmployeeRecord::entryCount_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("dataStart");
    QTest::addColumn<qint64>("count");

    QTest::newRow("9.83 up") << qint64(100) << qint64(41) << qint64(10);
    QTest::newRow("no bytes") << qint64(40) << qint64(41) << qint64(0); // -1/6 -> 0
    QTest::newRow("one entry") << qint64(46) << qint64(40) << qint64(1);
    QTest::newRow("0.5 to even 0") << qint64(43) << qint64(40) << qint64(0);
    QTest::newRow("0.67 up") << qint64(44) << qint64(40) << qint64(1);
    QTest::newRow("1.5 to even 2") << qint64(49) << qint64(40) << qint64(2);
    QTest::newRow("2.5 to even 2") << qint64(55) << qint64(40) << qint64(2);
    QTest::newRow("3.5 to even 4") << qint64(61) << qint64(40) << qint64(4);
    QTest::newRow("2.33 down") << qint64(54) << qint64(40) << qint64(2);
    QTest::newRow("-0.5 to even 0") << qint64(37) << qint64(40) << qint64(0);
    QTest::newRow("-0.67 to -1") << qint64(36) << qint64(40) << qint64(-1);
    QTest::newRow("-1.5 to even -2") << qint64(31) << qint64(40) << qint64(-2);
    QTest::newRow("-2.5 to even -2") << qint64(25) << qint64(40) << qint64(-2);
    QTest::newRow("data start far past the end") << qint64(10) << qint64(2'000'000'000) << qint64(-333'333'332);
    QTest::newRow("negative data start") << qint64(10) << qint64(-20) << qint64(5);
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

    QTest::newRow("one entry") << CardEntries{{5, 17}} << 17 << CardEntries{{5, 17}};
    QTest::newRow("smallest key wins") << CardEntries{{30, 1}, {10, 2}, {20, 3}} << 2
                                       << CardEntries{{30, 1}, {20, 3}, {10, 2}};
    QTest::newRow("equal smallest keys: the one stored last")
        << CardEntries{{3, 11}, {9, 12}, {3, 13}, {7, 14}} << 13 << CardEntries{{9, 12}, {7, 14}, {3, 11}, {3, 13}};
    QTest::newRow("all keys equal keep their order")
        << CardEntries{{4, 1}, {4, 2}, {4, 3}} << 3 << CardEntries{{4, 1}, {4, 2}, {4, 3}};
    QTest::newRow("negative keys") << CardEntries{{-1, 5}, {-8, 6}, {0, 7}} << 6
                                   << CardEntries{{0, 7}, {-1, 5}, {-8, 6}};
    QTest::newRow("card number cut to 16 bits")
        << CardEntries{{1, 70000}} << int(int16_t(70000 & 0xFFFF)) << CardEntries{{1, 70000}};
}

void TestEmployeeRecord::cardNumberOrder()
{
    QFETCH(CardEntries, entries);
    QFETCH(int, cardNumber);
    QFETCH(CardEntries, sorted);
    QCOMPARE(int(NumerPracownika(entries, int(entries.size()) - 1)), cardNumber);
    QCOMPARE(entries, sorted);
}

void TestEmployeeRecord::cardNumberOrderMatchesExchangePasses()
{
    // The suite's own procedure: passes from the end towards the front,
    // exchanging where the later key is strictly greater, until a pass
    // exchanges nothing.
    const auto exchangePasses = [](CardEntries entries) {
        const int last = int(entries.size()) - 1;
        bool exchanged = true;
        while (exchanged) {
            exchanged = false;
            for (int j = 0; j < last; ++j) {
                if (entries[last - j][0] > entries[last - j - 1][0]) {
                    std::swap(entries[last - j], entries[last - j - 1]);
                    exchanged = true;
                }
            }
        }
        return entries;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        CardEntries entries(std::uniform_int_distribution<int>(1, 12)(random));
        for (CardEntry& entry : entries)
            entry = {std::uniform_int_distribution<int32_t>(-3, 3)(random), int32_t(random() % 1000)};
        const CardEntries expected = exchangePasses(entries);
        CardEntries actual = entries;
        QCOMPARE(int(NumerPracownika(actual, int(actual.size()) - 1)), int(int16_t(expected.last()[1])));
        QCOMPARE(actual, expected);
    }
}

void TestEmployeeRecord::numberFromFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number"); // -1 = none

    QTest::newRow("three digits") << "KOWALSKI.007" << 7;
    QTest::newRow("more digits") << "KOWALSKI.1234" << 1234;
    QTest::newRow("zero") << "KOWALSKI.000" << 0;
    QTest::newRow("no dot") << "KOWALSKI" << -1;
    QTest::newRow("nothing after the dot") << "KOWALSKI." << -1;
    QTest::newRow("after the first dot") << "A.B.001" << -1;
    QTest::newRow("letters") << "KOWALSKI.0A1" << -1;
    QTest::newRow("sign") << "KOWALSKI.-12" << -1;
    QTest::newRow("space") << "KOWALSKI. 12" << -1;
    QTest::newRow("too long to be a number") << "KOWALSKI.12345678901" << -1;
}

void TestEmployeeRecord::numberFromFileName()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(NumberFromFileName(name).value_or(-1), number);
}

void TestEmployeeRecord::numberTexts_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("numberText"); // NumerNaTekst
    QTest::addColumn<QString>("listText");

    QTest::newRow("1") << 1 << "001"
                       << "001";
    QTest::newRow("9") << 9 << "009"
                       << "009";
    QTest::newRow("10") << 10 << "010"
                        << "010";
    QTest::newRow("99") << 99 << "099"
                        << "099";
    QTest::newRow("100") << 100 << "100"
                         << "100";
    QTest::newRow("999") << 999 << "999"
                         << "999";
    QTest::newRow("1000 has no file name") << 1000 << ""
                                           << "1000";
}

void TestEmployeeRecord::numberTexts()
{
    QFETCH(int, number);
    QFETCH(QString, numberText);
    QFETCH(QString, listText);
    QCOMPARE(NumerNaTekst(number), numberText);
    QCOMPARE(ListNumberText(number), listText);
}

QTEST_GUILESS_MAIN(TestEmployeeRecord)
#include "tst_EmployeeRecord.moc"

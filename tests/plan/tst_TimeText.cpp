#include "TestSupport.h"

#include "plan/TimeText.h"

#include <QTest>

class TestTimeText : public QObject
{
    Q_OBJECT

private slots:
    void parseTimeField_data();
    void parseTimeField();
    void godzinaNaMinuty_data();
    void godzinaNaMinuty();
    void minutyNaGodzine_data();
    void minutyNaGodzine();
    void dataNaTekst_data();
    void dataNaTekst();
};

void TestTimeText::parseTimeField_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("minimumOneMinute");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    const int ok = TimeFieldParse::Accepted, fmt = TimeFieldParse::FormatError;
    const int hrs = TimeFieldParse::HoursError, mins = TimeFieldParse::MinutesError;
    QTest::newRow("short form padded") << "7:5" << false << ok << "07:05" << 425;
    QTest::newRow("already normal") << "07:30" << false << ok << "07:30" << 450;
    QTest::newRow("blanks trimmed") << "  8:00 " << false << ok << "08:00" << 480;
    QTest::newRow("last minute") << "23:59" << false << ok << "23:59" << 1439;
    QTest::newRow("midnight is not empty") << "00:00" << false << ok << "00:00" << 0;
    QTest::newRow("zero allowance -> one minute") << "00:00" << true << ok << "00:01" << 1;
    QTest::newRow("zero minute kept when not allowance") << "0:0" << false << ok << "00:00" << 0;
    QTest::newRow("allowance non-zero untouched") << "00:15" << true << ok << "00:15" << 15;
    QTest::newRow("empty clears") << "" << false << int(TimeFieldParse::Cleared) << "" << -1;
    QTest::newRow("blank clears") << "   " << false << int(TimeFieldParse::Cleared) << "" << -1;
    QTest::newRow("hours 24") << "24:00" << false << hrs << "" << -1;
    QTest::newRow("hours 99") << "99:59" << false << hrs << "" << -1;
    QTest::newRow("minutes 60") << "12:60" << false << mins << "" << -1;
    QTest::newRow("hours checked before minutes") << "25:61" << false << hrs << "" << -1;
    QTest::newRow("no colon") << "730" << false << fmt << "" << -1;
    QTest::newRow("two characters") << "12" << false << fmt << "" << -1;
    QTest::newRow("one character") << "7" << false << fmt << "" << -1;
    QTest::newRow("leading colon") << ":30" << false << fmt << "" << -1;
    QTest::newRow("long hours") << "123:00" << false << fmt << "" << -1;
    QTest::newRow("long minutes") << "12:300" << false << fmt << "" << -1;
    QTest::newRow("empty minutes") << "12:" << false << fmt << "" << -1;
    QTest::newRow("second colon") << "1:2:3" << false << fmt << "" << -1;
    QTest::newRow("letters") << "ab:cd" << false << fmt << "" << -1;
    QTest::newRow("sign") << "+1:30" << false << fmt << "" << -1;
    QTest::newRow("inner blank") << "1 :30" << false << fmt << "" << -1;
}

void TestTimeText::parseTimeField()
{
    QFETCH(QString, input);
    QFETCH(bool, minimumOneMinute);
    QFETCH(int, outcome);
    QFETCH(QString, text);
    QFETCH(int, value);
    const TimeFieldParse parse = ParseTimeField(input, minimumOneMinute);
    QCOMPARE(int(parse.Result), outcome);
    if (parse.IsError()) {
        QVERIFY(!parse.MarksModified());
        const QString expected = outcome == TimeFieldParse::FormatError
                                     ? QStringLiteral("Niepoprawnie wprowadzona godzina. Format godziny gg:mm")
                                 : outcome == TimeFieldParse::HoursError
                                     ? QStringLiteral("Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23.")
                                     : QStringLiteral("Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.");
        QCOMPARE(parse.Message(), expected);
        return;
    }
    QCOMPARE(parse.Text, text);
    QCOMPARE(parse.Value, value);
    QCOMPARE(parse.MarksModified(), outcome == TimeFieldParse::Accepted);
    QVERIFY(parse.Message().isEmpty());
}

void TestTimeText::godzinaNaMinuty_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minutes");
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blank") << "     " << -1;
    QTest::newRow("midnight") << "00:00" << 0;
    QTest::newRow("evening") << "22:45" << 1365;
    QTest::newRow("last") << "23:59" << 1439;
}

void TestTimeText::godzinaNaMinuty()
{
    QFETCH(QString, text);
    QFETCH(int, minutes);
    QCOMPARE(GodzinaNaMinuty(text), minutes);
}

void TestTimeText::minutyNaGodzine_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "00:00";
    QTest::newRow("single digits") << 65 << "01:05";
    QTest::newRow("last minute") << 1439 << "23:59";
    QTest::newRow("next day wraps") << 1440 + 450 << "07:30";
    QTest::newRow("far date") << 18500 * 1440 + 1380 << "23:00";
}

void TestTimeText::minutyNaGodzine()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(MinutyNaGodzine(count), text);
}

void TestTimeText::dataNaTekst_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("day 0") << 0 << "01-01-2000";
    QTest::newRow("late in day 0") << 1439 << "01-01-2000";
    QTest::newRow("leap day 2000") << 59 * 1440 << "29-02-2000";
    QTest::newRow("1 March 2000") << 60 * 1440 + 5 << "01-03-2000";
    QTest::newRow("last plan day") << 18500 * 1440 << "26-08-2050";
}

void TestTimeText::dataNaTekst()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(DataNaTekst(TestLibrary(), count), text);
}

QTEST_GUILESS_MAIN(TestTimeText)
#include "tst_TimeText.moc"

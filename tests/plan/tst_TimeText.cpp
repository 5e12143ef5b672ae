#include "TestSupport.h"

#include "plan/TimeText.h"

#include <QTest>

class TestTimeText : public QObject
{
    Q_OBJECT

private slots:
    void parseTimeField_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("minimumOneMinute");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        const int ok = TimeFieldParse::Accepted, format = TimeFieldParse::FormatError;
        QTest::newRow("short form padded, blanks trimmed") << " 7:5 " << false << ok << "07:05" << 425;
        QTest::newRow("last minute") << "23:59" << false << ok << "23:59" << 1439;
        QTest::newRow("midnight is not empty") << "0:0" << false << ok << "00:00" << 0;
        QTest::newRow("zero allowance is one minute") << "00:00" << true << ok << "00:01" << 1;
        QTest::newRow("allowance untouched") << "00:15" << true << ok << "00:15" << 15;
        QTest::newRow("blank clears") << "   " << false << int(TimeFieldParse::Cleared) << "" << -1;
        QTest::newRow("hours 24") << "24:00" << false << int(TimeFieldParse::HoursError) << "" << -1;
        QTest::newRow("minutes 60") << "12:60" << false << int(TimeFieldParse::MinutesError) << "" << -1;
        QTest::newRow("hours checked before minutes")
            << "25:61" << false << int(TimeFieldParse::HoursError) << "" << -1;
        for (const char* wrong : {"730", "12", ":30", "123:00", "12:", "12:300", "1:2:3", "+1:30", "1 :30", "ab:cd"})
            QTest::addRow("format %s", wrong) << wrong << false << format << "" << -1;
    }

    void parseTimeField()
    {
        QFETCH(QString, input);
        QFETCH(bool, minimumOneMinute);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        QFETCH(int, value);
        const TimeFieldParse parse = ParseTimeField(input, minimumOneMinute);
        QCOMPARE(int(parse.Result), outcome);
        QCOMPARE(parse.MarksModified(), outcome == TimeFieldParse::Accepted);
        const QString messages[] = {QStringLiteral("Niepoprawnie wprowadzona godzina. Format godziny gg:mm"),
                                    QStringLiteral("Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23."),
                                    QStringLiteral("Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.")};
        const int error = outcome == TimeFieldParse::FormatError ? 0 : outcome == TimeFieldParse::HoursError ? 1 : 2;
        QCOMPARE(parse.Message(), parse.IsError() ? messages[error] : QString());
        if (parse.IsError()) return;
        QCOMPARE(parse.Text, text);
        QCOMPARE(parse.Value, value);
    }

    void clockTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");
        QTest::newRow("blank") << "     " << -1;
        QTest::newRow("midnight") << "00:00" << 0;
        QTest::newRow("single digits") << "01:05" << 65;
        QTest::newRow("last minute") << "23:59" << 1439;
    }

    // A time text and its minute of the day, both ways; a count of a later
    // day gives the time of that day.
    void clockTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        QCOMPARE(GodzinaNaMinuty(text), minutes);
        if (minutes < 0) return;
        QCOMPARE(MinutyNaGodzine(minutes), text);
        QCOMPARE(MinutyNaGodzine(18500 * 1440 + minutes), text);
    }

    void dateText()
    {
        QCOMPARE(DataNaTekst(TestLibrary(), 59 * 1440 + 1439), QStringLiteral("29-02-2000"));
        QCOMPARE(DataNaTekst(TestLibrary(), 18500 * 1440), QStringLiteral("26-08-2050"));
    }
};

QTEST_GUILESS_MAIN(TestTimeText)
#include "tst_TimeText.moc"

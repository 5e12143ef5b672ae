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
        QTest::addColumn<QString>("text"); // empty: cleared, or refused with the message
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("short form padded, blanks trimmed") << " 7:5 " << false << "07:05" << 425 << "";
        QTest::newRow("last minute") << "23:59" << false << "23:59" << 1439 << "";
        QTest::newRow("midnight is not empty") << "0:0" << false << "00:00" << 0 << "";
        QTest::newRow("zero allowance is one minute") << "00:00" << true << "00:01" << 1 << "";
        QTest::newRow("allowance untouched") << "00:15" << true << "00:15" << 15 << "";
        QTest::newRow("blank clears") << "   " << false << "" << -1 << "";
        const QString hours = QStringLiteral("Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23.");
        QTest::newRow("hours 24") << "24:00" << false << "" << -1 << hours;
        QTest::newRow("hours checked before minutes") << "25:61" << false << "" << -1 << hours;
        QTest::newRow("minutes 60") << "12:60" << false << "" << -1
                                    << "Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.";
        for (const char* wrong : {"730", "12", ":30", "123:00", "12:", "12:300", "1:2:3", "+1:30", "1 :30", "ab:cd"})
            QTest::addRow("format %s", wrong)
                << wrong << false << "" << -1 << "Niepoprawnie wprowadzona godzina. Format godziny gg:mm";
    }

    void parseTimeField()
    {
        QFETCH(QString, input);
        QFETCH(bool, minimumOneMinute);
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(QString, message);
        const TimeFieldParse parse = ParseTimeField(input, minimumOneMinute);
        QCOMPARE(parse.Message(), message);
        QCOMPARE(parse.IsError(), !message.isEmpty());
        QCOMPARE(parse.MarksModified(), !text.isEmpty());
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

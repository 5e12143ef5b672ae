#include "TestSupport.h"

#include "plan/TimeText.h"
#include "plan/WorkPlan.h"

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
        QTest::newRow("blank clears") << "   " << false << "" << -1 << "";
        const QString hours = u"Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23."_s;
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
        QCOMPARE(parse.Text, text);
        QCOMPARE(parse.Value, value);
    }

    // Day numbers to dates and back by arithmetic, against QDate: every day
    // from year 1 to 4000, the leap days of the era's turns among them.
    void civilDates()
    {
        for (int32_t day = DayOfDate(QDate(1, 1, 1)); day <= DayOfDate(QDate(4000, 12, 31)); ++day) {
            const QDate date = DateOfDay(day);
            const CivilDate civil = CivilDateOfDay(day);
            if (civil.Year != date.year() || civil.Month != date.month() || civil.Day != date.day() ||
                DayOfCivilDate(date.year(), date.month(), date.day()) != day)
                QFAIL(qPrintable(date.toString(Qt::ISODate)));
        }
    }
};

QTEST_GUILESS_MAIN(TestTimeText)
#include "tst_TimeText.moc"

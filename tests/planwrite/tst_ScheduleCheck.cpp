#include "TestSupport.h"

#include "demo/DemoPlans.h"
#include "plan/TimeText.h"
#include "plan/ZapisPlanuPracy.h"

#include <QTest>

class TestScheduleCheck : public QObject
{
    Q_OBJECT

private slots:
    void normalise_data();
    void normalise();
    void check_data();
    void check();
};

void TestScheduleCheck::normalise_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("times");
    QTest::addColumn<QList<int>>("values"); // Entry, Exit, BreakFrom, BreakTo after normalising

    QTest::newRow("day shift") << 0 << "08:00-16:00 12:00-12:30" << QList<int>{480, 960, 720, 750};
    QTest::newRow("night shift, break after midnight")
        << 1 << "22:00-06:00 02:00-02:30" << QList<int>{1320, 1800, 1560, 1590};
    QTest::newRow("night shift, break before midnight")
        << 2 << "22:00-06:00 23:00-23:30" << QList<int>{1320, 1800, 1380, 1410};
    QTest::newRow("break across midnight") << 3 << "20:00-04:00 23:30-00:30" << QList<int>{1200, 1680, 1410, 1470};
    QTest::newRow("entry equal to exit") << 5 << "08:00-08:00" << QList<int>{480, 1920, -1, -1};
    QTest::newRow("midnight to midnight") << 6 << "00:00-00:00" << QList<int>{0, 1440, -1, -1};
    QTest::newRow("exit one minute after entry") << 0 << "23:58-23:59" << QList<int>{1438, 1439, -1, -1};
    QTest::newRow("reversed break in a day shift") << 0 << "08:00-16:00 13:00-12:00" << QList<int>{480, 960, 780, 2160};
    QTest::newRow("break before the entry") << 0 << "08:00-16:00 07:00-07:30" << QList<int>{480, 960, 1860, 1890};
    QTest::newRow("break of no length") << 0 << "08:00-16:00 12:00-12:00" << QList<int>{480, 960, 720, 2160};
    QTest::newRow("break ending at midnight") << 0 << "16:00-00:00 23:00-00:00" << QList<int>{960, 1440, 1380, 1440};
    QTest::newRow("no working hours") << 0 << "" << QList<int>{-1, -1, -1, -1};
    // The free-day slot keeps whatever its fields hold.
    QTest::newRow("free-day slot untouched") << 4 << "22:00-06:00 02:00-02:30" << QList<int>{1320, 360, 120, 150};
}

void TestScheduleCheck::normalise()
{
    QFETCH(int, slot);
    QFETCH(QString, times);
    QFETCH(QList<int>, values);
    ScheduleFields fields;
    QVERIFY(TypeSchedule(fields, slot, times));
    // Another slot with an entry only, which no rule moves.
    QVERIFY(TypeTime(fields.Slots[slot == 0 ? 1 : 0][EntryColumn], QStringLiteral("22:00")));
    const ScheduleFields typed = fields;

    NormujGodziny(fields);
    QList<int> got;
    for (const TimeField& field : fields.Slots[slot])
        got.append(field.Value);
    QCOMPARE(got, values);
    // The texts stay as typed, and so does every other slot.
    for (int s = 0; s < SlotCount; ++s) {
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(fields.Slots[s][column].Text, typed.Slots[s][column].Text);
            if (s != slot) QCOMPARE(fields.Slots[s][column].Value, typed.Slots[s][column].Value);
        }
    }
    // A second save must not move the times again.
    const ScheduleFields once = fields;
    NormujGodziny(fields);
    QCOMPARE(fields, once);
}

void TestScheduleCheck::check_data()
{
    QTest::addColumn<QStringList>("schedules"); // typed per slot
    QTest::addColumn<QStringList>("allowances");
    QTest::addColumn<int>("rawSlot");   // a field given a text directly, -1 none
    QTest::addColumn<int>("rawColumn"); // 0..3, 4 = the allowance of that index
    QTest::addColumn<QString>("rawText");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("focus");

    const QString day = QStringLiteral("08:00-16:00 12:00-12:30");
    const QStringList good{day, QStringLiteral("22:00-06:00 02:00-02:30"), QString(), day, QString(), day, QString()};
    const QStringList allowances{QStringLiteral("00:15"), QStringLiteral("01:00"), QStringLiteral("00:45"),
                                 QStringLiteral("00:30")};
    const QStringList noAllowances{QString(), QString(), QString(), QString()};
    const int entry = EntryColumn, from = BreakFromColumn;

    QTest::newRow("good schedules") << good << allowances << -1 << 0 << "" << 0 << -1 << entry;
    QTest::newRow("blank texts count as empty") << good << allowances << 2 << 1 << "     " << 0 << -1 << entry;
    QTest::newRow("four-character exit") << good << allowances << 2 << 1 << "8:00" << 1 << 2 << entry;
    QTest::newRow("six-character break end") << good << allowances << 3 << 3 << "12:300" << 1 << 3 << entry;
    QTest::newRow("four-character allowance") << good << allowances << 3 << 4 << "0:30" << 1 << 3 << entry;
    QTest::newRow("allowance checked with slot 0") << good << allowances << 0 << 4 << "1" << 1 << 0 << entry;
    QTest::newRow("last slot checked") << good << allowances << 6 << 0 << "1234567" << 1 << 6 << entry;
    QTest::newRow("free-day slot not checked") << good << allowances << 4 << 0 << "abc" << 0 << -1 << entry;
    QTest::newRow("texts before breaks") << QStringList{day, QStringLiteral("08:00-16:00 12:00-")} << allowances << 6
                                         << 2 << "7:00" << 1 << 6 << entry;
    QTest::newRow("break start without end") << good << allowances << 3 << 3 << "" << 2 << 3 << from;
    QTest::newRow("break end without start") << good << noAllowances << 0 << 2 << "" << 2 << 0 << from;
    QTest::newRow("break after work") << QStringList{day, QStringLiteral("08:00-16:00 17:00-17:30")} << allowances << -1
                                      << 0 << "" << 3 << 1 << from;
    QTest::newRow("break before work") << QStringList{QStringLiteral("08:00-16:00 07:00-07:30")} << allowances << -1
                                       << 0 << "" << 3 << 0 << from;
    QTest::newRow("break of no length") << QStringList{QStringLiteral("08:00-16:00 12:00-12:00")} << allowances << -1
                                        << 0 << "" << 3 << 0 << from;
    QTest::newRow("break reaching past the exit")
        << QStringList{QStringLiteral("08:00-16:00 15:00-16:01")} << allowances << -1 << 0 << "" << 3 << 0 << from;
    QTest::newRow("break from entry to exit")
        << QStringList{QStringLiteral("08:00-16:00 08:00-16:00")} << allowances << -1 << 0 << "" << 0 << -1 << entry;
    QTest::newRow("night break before midnight")
        << QStringList{QStringLiteral("22:00-06:00 23:00-23:30")} << allowances << -1 << 0 << "" << 0 << -1 << entry;
    QTest::newRow("night break past the exit")
        << QStringList{QString(), QString(), QString(), QString(), QString(), QStringLiteral("22:00-06:00 06:30-07:00")}
        << allowances << -1 << 0 << "" << 3 << 5 << from;
    QTest::newRow("break without working hours")
        << QStringList{QStringLiteral("- 12:00-12:30")} << allowances << -1 << 0 << "" << 3 << 0 << from;
}

void TestScheduleCheck::check()
{
    QFETCH(QStringList, schedules);
    QFETCH(QStringList, allowances);
    QFETCH(int, rawSlot);
    QFETCH(int, rawColumn);
    QFETCH(QString, rawText);
    QFETCH(int, kind);
    QFETCH(int, slot);
    QFETCH(int, focus);

    TestEnvironment env;
    ScheduleFields& fields = env.State.Fields;
    for (int s = 0; s < schedules.size(); ++s)
        QVERIFY(TypeSchedule(fields, s, schedules.at(s)));
    QVERIFY(TypeAllowances(fields, allowances));
    if (rawSlot >= 0) {
        // What a field holds when the user typed without leaving it: the
        // text as typed, the value of the last time the parser accepted.
        TimeField& field = rawColumn == 4 ? fields.Pozostale[rawSlot] : fields.Slots[rawSlot][rawColumn];
        field.Text = rawText;
        const TimeFieldParse parse = ParseTimeField(rawText);
        if (parse.Result == TimeFieldParse::Cleared)
            field.Value = -1;
        else if (!parse.IsError())
            field.Value = parse.Value;
    }

    const ScheduleFault fault = SprawdzHarmonogramy(env.State);
    QCOMPARE(fault.Kind, kind);
    QCOMPARE(fault.Slot, slot);
    QCOMPARE(FindScheduleFault(env.State.Fields), fault);
    if (kind == 0) {
        QVERIFY(env.Ui.Entries().isEmpty());
        return;
    }
    QCOMPARE(int(fault.Focus), focus);
    static const QString texts[] = {
        QString(), QStringLiteral("Sprawdź poprawność wpisu w polu."),
        QStringLiteral("Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym."),
        QStringLiteral("Błędny wpis godzin przerw. Godziny przerw nie występują w obszarze pracy.")};
    QCOMPARE(env.Ui.Entries().size(), 1);
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Exclamation);
    QCOMPARE(env.Ui.OnlyText(), texts[kind]);
}

QTEST_GUILESS_MAIN(TestScheduleCheck)
#include "tst_ScheduleCheck.moc"

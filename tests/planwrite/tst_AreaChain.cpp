#include "TestSupport.h"

#include "demo/DemoPlans.h"
#include "plan/AreaChain.h"
#include "plan/ZapisPlanuPracy.h"

#include <QTest>

// Area records written as "DAY hh:mm KIND FLAGS": DAY counted from the
// plan's first day, KIND one of N (not counted), P (private stay), W (work),
// B (break), O (overtime), and '*' for bit 29, '+' for bit 30.
static QString describe(const QVector<uint32_t>& words, int32_t firstDay)
{
    static const char kinds[] = "NPWBO???";
    QStringList parts;
    for (const uint32_t word : words) {
        const int32_t minutes = int32_t(word & 0x3ffffff) - firstDay * 1440;
        const int32_t day = minutes >= 0 ? minutes / 1440 : -((1439 - minutes) / 1440);
        const int32_t minuteOfDay = minutes - day * 1440;
        QString text = QStringLiteral("%1 %2:%3 %4")
                           .arg(day)
                           .arg(minuteOfDay / 60, 2, 10, QLatin1Char('0'))
                           .arg(minuteOfDay % 60, 2, 10, QLatin1Char('0'))
                           .arg(QLatin1Char(kinds[(word >> 26) & 7]));
        if (word & 0x20000000) text += QLatin1Char('*');
        if (word & 0x40000000) text += QLatin1Char('+');
        if (word & 0x80000000) text += QLatin1Char('!');
        parts.append(text);
    }
    return parts.join(QStringLiteral(", "));
}

// The day index in the same notation, without kinds.
static QString describeIndex(const QVector<uint32_t>& index, int32_t firstDay)
{
    QStringList parts;
    for (const uint32_t start : index)
        parts.append(describe({start}, firstDay).chopped(2));
    return parts.join(QStringLiteral(", "));
}

class TestAreaChain : public QObject
{
    Q_OBJECT

private slots:
    void expansion_data();
    void expansion();
    void overlapCheck_data();
    void overlapCheck();
    void overlapMessage_data();
    void overlapMessage();
    void decodeSection_data();
    void decodeSection();
};

void TestAreaChain::expansion_data()
{
    QTest::addColumn<QString>("slot0");
    QTest::addColumn<QString>("slot1");
    QTest::addColumn<QString>("allowances"); // earlier entry, overtime, later exit in minutes; -1 empty
    QTest::addColumn<QString>("days");
    QTest::addColumn<QString>("areas");
    QTest::addColumn<QString>("index");
    QTest::addColumn<int>("overlap"); // index of the first overlapping record, -1 none

    const QString day = QStringLiteral("08:00-16:00 12:00-12:30");
    QTest::newRow("day shift, every allowance")
        << day << ""
        << "15 120 30"
        << "00"
        << "0 07:45 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 O, 0 18:00 P, 0 18:30 N, "
           "1 07:45 P*, 1 08:00 W+, 1 12:00 B, 1 12:30 W, 1 16:00 O, 1 18:00 P, 1 18:30 N*"
        << "0 07:45, 1 07:45" << -1;
    QTest::newRow("night shift, break after midnight")
        << "22:00-06:00 02:00-02:30"
        << ""
        << "30 60 15"
        << "00"
        << "0 21:30 P*, 0 22:00 W+, 1 02:00 B, 1 02:30 W, 1 06:00 O, 1 07:00 P, 1 07:15 N, "
           "1 21:30 P*, 1 22:00 W+, 2 02:00 B, 2 02:30 W, 2 06:00 O, 2 07:00 P, 2 07:15 N*"
        << "0 21:30, 1 21:30" << -1;
    QTest::newRow("night shift, break before midnight") << "22:00-06:00 23:00-23:30"
                                                        << ""
                                                        << "0 0 0"
                                                        << "0"
                                                        << "0 22:00 W*, 0 23:00 B, 0 23:30 W, 1 06:00 N*"
                                                        << "0 22:00" << -1;
    QTest::newRow("break across midnight") << "20:00-04:00 23:30-00:30"
                                           << ""
                                           << "0 0 0"
                                           << "0"
                                           << "0 20:00 W*, 0 23:30 B, 1 00:30 W, 1 04:00 N*"
                                           << "0 20:00" << -1;
    QTest::newRow("free day after a closing entry past its midnight")
        << "22:00-06:00"
        << ""
        << "0 0 0"
        << "040"
        << "0 22:00 W*, 1 06:00 N, 1 06:01 N*, 2 22:00 W*, 3 06:00 N*"
        << "0 22:00, 1 06:01, 2 22:00" << -1;
    QTest::newRow("free day after a closing entry at its midnight") << "16:00-23:00"
                                                                    << ""
                                                                    << "0 60 0"
                                                                    << "04"
                                                                    << "0 16:00 W*, 0 23:00 O, 1 00:00 N, 1 00:01 N*"
                                                                    << "0 16:00, 1 00:01" << -1;
    QTest::newRow("free day after a closing entry before midnight") << "08:00-16:00"
                                                                    << ""
                                                                    << "0 0 0"
                                                                    << "04"
                                                                    << "0 08:00 W*, 0 16:00 N, 1 00:00 N*"
                                                                    << "0 08:00, 1 00:00" << -1;
    QTest::newRow("free days only") << ""
                                    << ""
                                    << "0 0 0"
                                    << "44"
                                    << "0 00:00 N*, 1 00:00 N*"
                                    << "0 00:00, 1 00:00" << -1;
    QTest::newRow("earlier entry replaces the previous closing entry")
        << "14:00-22:00"
        << "06:00-14:00"
        << "300 120 60"
        << "01"
        << "0 09:00 P*, 0 14:00 W+, 0 22:00 O, 1 00:00 P, 1 01:00 P*, 1 06:00 W+, 1 14:00 O, 1 16:00 P, 1 17:00 N*"
        << "0 09:00, 1 01:00" << -1;
    QTest::newRow("earlier entry in the same minute as a private stay")
        << "14:00-22:00"
        << "05:00-13:00"
        << "300 120 60"
        << "01"
        << "0 09:00 P*, 0 14:00 W+, 0 22:00 O, 1 00:00 P, 1 00:00 P*, 1 05:00 W+, 1 13:00 O, 1 15:00 P, 1 16:00 N*"
        << "0 09:00, 1 00:00" << 4;
    QTest::newRow("earlier entry reaching into the previous day's overtime")
        << "14:00-22:00"
        << "04:00-12:00"
        << "300 120 60"
        << "01"
        << "0 09:00 P*, 0 14:00 W+, 0 22:00 O, 1 00:00 P, 0 23:00 P*, 1 04:00 W+, 1 12:00 O, 1 14:00 P, 1 15:00 N*"
        << "0 09:00, 0 23:00" << 4;
    QTest::newRow("slot without a break") << "08:00-16:00"
                                          << ""
                                          << "15 60 30"
                                          << "0"
                                          << "0 07:45 P*, 0 08:00 W+, 0 16:00 O, 0 17:00 P, 0 17:30 N*"
                                          << "0 07:45" << -1;
    QTest::newRow("zero overtime and later exit") << day << ""
                                                  << "15 0 0"
                                                  << "0"
                                                  << "0 07:45 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 N*"
                                                  << "0 07:45" << -1;
    QTest::newRow("zero overtime, later exit set") << day << ""
                                                   << "0 0 30"
                                                   << "0"
                                                   << "0 08:00 W*, 0 12:00 B, 0 12:30 W, 0 16:00 P, 0 16:30 N*"
                                                   << "0 08:00" << -1;
    // An empty allowance counts as -1 minute in the sums.
    QTest::newRow("empty allowances") << day << ""
                                      << "-1 -1 -1"
                                      << "0"
                                      << "0 08:00 W*, 0 12:00 B, 0 12:30 W, 0 15:58 N*"
                                      << "0 08:00" << -1;
    QTest::newRow("overtime, empty later exit") << day << ""
                                                << "0 60 -1"
                                                << "0"
                                                << "0 08:00 W*, 0 12:00 B, 0 12:30 W, 0 16:00 O, 0 16:59 N*"
                                                << "0 08:00" << -1;
    QTest::newRow("break over the whole shift") << "08:00-16:00 08:00-16:00"
                                                << ""
                                                << "0 0 0"
                                                << "0"
                                                << "0 08:00 W*, 0 08:00 B, 0 16:00 W, 0 16:00 N*"
                                                << "0 08:00" << 1;
    QTest::newRow("slot without times painted on a day") << ""
                                                         << ""
                                                         << "0 0 0"
                                                         << "0"
                                                         << "-1 23:59 W*, -1 23:59 N*"
                                                         << "-1 23:59" << 1;
    QTest::newRow("day, free and night slots")
        << day << "22:00-06:00 02:00-02:30"
        << "30 60 15"
        << "0410"
        << "0 07:30 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 O, 0 17:00 P, 0 17:15 N, 1 00:00 N*, "
           "2 21:30 P*, 2 22:00 W+, 3 02:00 B, 3 02:30 W, 3 06:00 O, 3 07:00 P, 3 07:15 N, "
           "3 07:30 P*, 3 08:00 W+, 3 12:00 B, 3 12:30 W, 3 16:00 O, 3 17:00 P, 3 17:15 N*"
        << "0 07:30, 1 00:00, 2 21:30, 3 07:30" << -1;
}

void TestAreaChain::expansion()
{
    QFETCH(QString, slot0);
    QFETCH(QString, slot1);
    QFETCH(QString, allowances);
    QFETCH(QString, days);
    QFETCH(QString, areas);
    QFETCH(QString, index);
    QFETCH(int, overlap);

    ScheduleFields fields;
    QVERIFY(TypeSchedule(fields, 0, slot0));
    QVERIFY(TypeSchedule(fields, 1, slot1));
    NormujGodziny(fields);

    constexpr int32_t firstDay = 100;
    AreaChainInput input;
    for (int slot = 0; slot < 2; ++slot) {
        const auto& row = fields.Slots[slot];
        input.Schedules[slot] = {row[0].Value, row[1].Value, row[2].Value, row[3].Value};
    }
    const QStringList minutes = allowances.split(QLatin1Char(' '));
    input.EarlierEntry = minutes.at(0).toInt();
    input.MaxOvertime = minutes.at(1).toInt();
    input.LaterExit = minutes.at(2).toInt();
    input.FirstDay = firstDay;
    input.LastDay = firstDay + int32_t(days.size()) - 1;
    for (const QChar c : days)
        input.Slots.append(c.digitValue());

    const AreaChain chain = ExpandSchedulePlan(input);
    QCOMPARE(describe(chain.Areas, firstDay), areas);
    QCOMPARE(describeIndex(chain.DayIndex, firstDay), index);
    QCOMPARE(chain.EndWord(), chain.Areas.back() & 0x3ffffff);

    const auto found = FindAreaOverlap(chain.Areas);
    QCOMPARE(found ? int(found->Index) : -1, overlap);
    if (found) QCOMPARE(found->Word, chain.Areas.at(overlap));
}

void TestAreaChain::overlapCheck_data()
{
    QTest::addColumn<QVector<uint32_t>>("words");
    QTest::addColumn<int>("overlap");

    const uint32_t first = 0x20000000, early = 0x40000000;
    QTest::newRow("empty") << QVector<uint32_t>{} << -1;
    QTest::newRow("a record at minute 0") << QVector<uint32_t>{AreaWord(0, 0, first)} << -1;
    QTest::newRow("rising") << QVector<uint32_t>{AreaWord(10, 1, first), AreaWord(11, 2, early), AreaWord(500, 0)}
                            << -1;
    QTest::newRow("same minute") << QVector<uint32_t>{AreaWord(10, 2, first), AreaWord(20, 3), AreaWord(20, 2)} << 2;
    QTest::newRow("falling") << QVector<uint32_t>{AreaWord(10, 2, first), AreaWord(9, 4)} << 1;
    // Kinds and flags lie above the start: they must not take part.
    QTest::newRow("flags on the earlier record")
        << QVector<uint32_t>{AreaWord(10, 4, first | early), AreaWord(11, 0)} << -1;
    QTest::newRow("kind on the later record") << QVector<uint32_t>{AreaWord(10, 0), AreaWord(9, 4, first)} << 1;
    QTest::newRow("only the first overlap counts")
        << QVector<uint32_t>{AreaWord(10, 2), AreaWord(5, 2), AreaWord(4, 2), AreaWord(3, 2)} << 1;
}

void TestAreaChain::overlapCheck()
{
    QFETCH(QVector<uint32_t>, words);
    QFETCH(int, overlap);
    const auto found = FindAreaOverlap(words);
    QCOMPARE(found ? int(found->Index) : -1, overlap);
}

void TestAreaChain::overlapMessage_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("text");

    const QString cr(QChar(13));
    const QString head = QStringLiteral("Zapis planu niemożliwy.") + cr + QStringLiteral("Obszar");
    const QString tail = QStringLiteral(" nakłada się na poprzednie obszary.");
    QTest::newRow("work") << 2 << 2024 << 2 << 29 << 6 << 5
                          << head + QStringLiteral(" pracy zaczynający się w dniu 29-02-2024 o godzinie 06:05") + tail;
    QTest::newRow("private stay")
        << 1 << 2000 << 1 << 1 << 0 << 0
        << head + QStringLiteral(" przebywania prywatnego zaczynający się w dniu 01-01-2000 o godzinie 00:00") + tail;
    QTest::newRow("not counted")
        << 0 << 2050 << 8 << 26 << 23 << 59
        << head + QStringLiteral(" nie rozliczany zaczynający się w dniu 26-08-2050 o godzinie 23:59") + tail;
    QTest::newRow("break") << 3 << 2013 << 12 << 31 << 12 << 30
                           << head + QStringLiteral(" przerwy zaczynający się w dniu 31-12-2013 o godzinie 12:30") +
                                  tail;
    QTest::newRow("overtime") << 4 << 2031 << 10 << 9 << 18 << 45
                              << head +
                                     QStringLiteral(" nadgodzin zaczynający się w dniu 09-10-2031 o godzinie 18:45") +
                                     tail;
}

void TestAreaChain::overlapMessage()
{
    QFETCH(int, kind);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, text);
    const int32_t start = TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute));
    // The first-of-day and early-entry bits do not change the text.
    QCOMPARE(AreaOverlapMessage(TestLibrary(), AreaWord(start, uint8_t(kind), 0x60000000)), text);
    const AreaOverlap overlap{0, AreaWord(start, uint8_t(kind))};
    QCOMPARE(overlap.Day(), TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day), 0, 0) / 1440);
}

// A current-layout schedule plan of two days, the parts given as offsets from
// the right values so that each row breaks one of them.
static QByteArray twoDayPlan(int firstAreaShift, int blockLengthShift, int sectionLengthShift, int mark, int extraBytes)
{
    QByteArray bytes;
    const int dayTable = 108 + ((mark == 88 || mark == -88) ? 4 : 0);
    const int firstArea = dayTable + 2 + 4 + 4 + 2 * 4 + 4;
    AppendInt32(bytes, firstArea + firstAreaShift);
    for (int i = 0; i < 4; ++i)
        AppendInt32(bytes, 0);
    AppendInt32(bytes, 88 + 2 + blockLengthShift);
    AppendInt32(bytes, mark);
    bytes.append(70, '\0');
    AppendByte(bytes, 1);
    AppendByte(bytes, 1);
    AppendInt32(bytes, 10);
    AppendInt32(bytes, 11);
    if (dayTable == 112) AppendInt32(bytes, 0);
    AppendByte(bytes, 0);
    AppendByte(bytes, 4);
    AppendInt32(bytes, 2 * 4 + 8 + sectionLengthShift);
    AppendInt32(bytes, 10 * 1440);
    AppendInt32(bytes, 10 * 1440 + 480);
    AppendInt32(bytes, 11 * 1440);
    AppendInt32(bytes, 11 * 1440);
    AppendInt32(bytes, int32_t(AreaWord(10 * 1440 + 480, 2, 0x20000000)));
    AppendInt32(bytes, int32_t(AreaWord(10 * 1440 + 960, 0)));
    AppendInt32(bytes, int32_t(AreaWord(11 * 1440, 0, 0x20000000)));
    bytes.append(extraBytes, '\x01');
    return bytes;
}

void TestAreaChain::decodeSection_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("decoded");
    QTest::addColumn<int>("areaCount");
    QTest::addColumn<bool>("trailing");

    QTest::newRow("with start-of-day word") << twoDayPlan(0, 0, 0, -88, 0) << true << 3 << false;
    QTest::newRow("without start-of-day word") << twoDayPlan(0, 0, 0, 84, 0) << true << 3 << false;
    QTest::newRow("a part word at the end") << twoDayPlan(0, 0, 0, -88, 3) << true << 3 << true;
    QTest::newRow("header word 0 off by four") << twoDayPlan(4, 0, 0, -88, 0) << false << 0 << false;
    QTest::newRow("still -1 in header word 0") << twoDayPlan(-1000, 0, 0, -88, 0) << false << 0 << false;
    QTest::newRow("block length one day short") << twoDayPlan(0, -1, 0, -88, 0) << false << 0 << false;
    QTest::newRow("block length beyond any plan") << twoDayPlan(0, 100000, 0, -88, 0) << false << 0 << false;
    QTest::newRow("section length not whole words") << twoDayPlan(0, 0, 2, -88, 0) << false << 0 << false;
    QTest::newRow("section length past the file") << twoDayPlan(0, 0, 4000000, -88, 0) << false << 0 << false;
    QTest::newRow("truncated in the day index") << twoDayPlan(0, 0, 0, -88, 0).left(130) << false << 0 << false;
    QTest::newRow("empty file") << QByteArray() << false << 0 << false;
}

void TestAreaChain::decodeSection()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, decoded);
    QFETCH(int, areaCount);
    QFETCH(bool, trailing);
    const auto section = DecodeAreaSection(file);
    QCOMPARE(section.has_value(), decoded);
    if (!section) return;
    QCOMPARE(section->FirstMinute, 10 * 1440);
    QCOMPARE(section->DayIndex, (QVector<int32_t>{10 * 1440 + 480, 11 * 1440}));
    QCOMPARE(section->EndWord, uint32_t(11 * 1440));
    QCOMPARE(section->Areas.size(), areaCount);
    QCOMPARE(section->Areas.back(), AreaWord(11 * 1440, 0, 0x20000000));
    QCOMPARE(section->TrailingBytes, trailing);
}

QTEST_GUILESS_MAIN(TestAreaChain)
#include "tst_AreaChain.moc"

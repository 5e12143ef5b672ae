#include "PlanFiles.h"
#include "TestSupport.h"

#include "plan/PlanDecoder.h"
#include "plan/PlanReader.h"

#include <QTest>

class TestPlanDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void probe_data();
    void probe();
    void storedValues();
    void shownTime_data();
    void shownTime();
    void breakFields_data();
    void breakFields();
    void allowances_data();
    void allowances();
    void legacyLeavesUpperSlots();
    void weeklyTimes_data();
    void weeklyTimes();
    void weekdayKinds_data();
    void weekdayKinds();
};

namespace {

using Bytes = QByteArray;

Bytes withWord0(Bytes bytes, int32_t value)
{
    QByteArray word;
    AppendInt32(word, value);
    return bytes.replace(0, 4, word);
}

Bytes resized(Bytes bytes, qsizetype size)
{
    bytes.resize(size, '\0');
    return bytes;
}

PlanFile withMark(PlanFile plan, int32_t mark)
{
    plan.Mark = mark;
    return plan;
}

Bytes dayDigits(const char* digits)
{
    Bytes bytes;
    for (const char* c = digits; *c; ++c)
        bytes.append(char(*c - '0'));
    return bytes;
}

} // namespace

void TestPlanDecoder::decode_data()
{
    QTest::addColumn<Bytes>("file");
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<int>("damage");
    QTest::addColumn<qint64>("damageOffset"); // -1: not checked
    QTest::addColumn<qint64>("dayTableOffset");
    QTest::addColumn<Bytes>("dayBytes");

    const int ok = int(PlanDamage::None);
    const PlanFile week = SchedulePlanFile(10, 16, "0123456");
    const std::array<uint8_t, 7> oddWeekdays{0, 1, 2, 3, 255, 7, 2};

    QTest::newRow("mark -88: day table after the start word")
        << week.Build() << false << false << ok << -1LL << 112LL << dayDigits("0123456");
    QTest::newRow("mark 88: day table after the start word")
        << withMark(week, 88).Build() << false << false << ok << -1LL << 112LL << dayDigits("0123456");
    QTest::newRow("mark 84: no start word")
        << withMark(week, 84).Build() << false << false << ok << -1LL << 108LL << dayDigits("0123456");
    QTest::newRow("mark -84: no start word")
        << withMark(week, -84).Build() << false << false << ok << -1LL << 108LL << dayDigits("0123456");
    QTest::newRow("one-day plan") << SchedulePlanFile(5, 5, "3").Build() << false << false << ok << -1LL << 112LL
                                  << dayDigits("3");
    QTest::newRow("range from day 0") << SchedulePlanFile(0, 1, "10").Build() << false << false << ok << -1LL << 112LL
                                      << dayDigits("10");
    QTest::newRow("last day 18500") << SchedulePlanFile(18499, 18500, "01").Build() << false << false << ok << -1LL
                                    << 112LL << dayDigits("01");
    QTest::newRow("last day 18501") << SchedulePlanFile(18500, 18501, "01").Build() << false << false
                                    << int(PlanDamage::LastDayTooLate) << 104LL << 0LL << Bytes();
    QTest::newRow("first day -1") << SchedulePlanFile(-1, 1, "012").Build() << false << false
                                  << int(PlanDamage::FirstDayNegative) << 100LL << 0LL << Bytes();
    QTest::newRow("last day = first day - 1") << SchedulePlanFile(10, 9, "").Build() << false << false
                                              << int(PlanDamage::LastDayBeforeFirst) << 104LL << 0LL << Bytes();
    QTest::newRow("day byte 7 stops the table") << SchedulePlanFile(10, 13, "0173").Build() << false << false
                                                << int(PlanDamage::BadDayByte) << 114LL << 112LL << dayDigits("01");
    QTest::newRow("day byte far above 6") << SchedulePlanFile(10, 10, "\xcf").Build() << false << false
                                          << int(PlanDamage::BadDayByte) << 112LL << 112LL << Bytes();
    const Bytes full = week.Build();
    QTest::newRow("header word 0 = file length")
        << withWord0(full, int32_t(full.size())) << false << false << ok << -1LL << 112LL << dayDigits("0123456");
    QTest::newRow("header word 0 beyond the file") << withWord0(full, int32_t(full.size() + 1)) << false << false
                                                   << int(PlanDamage::AreaOffsetBeyondEnd) << 0LL << 0LL << Bytes();
    QTest::newRow("header word 0 = -1 (unfinished save)")
        << withWord0(full, -1) << false << false << ok << -1LL << 112LL << dayDigits("0123456");
    QTest::newRow("current file of 103 bytes")
        << resized(full, 103) << false << false << int(PlanDamage::ShortFile) << 0LL << 0LL << Bytes();
    QTest::newRow("current file of 104 bytes ends inside the block")
        << withWord0(resized(full, 104), 0) << false << false << int(PlanDamage::Truncated) << 104LL << 0LL << Bytes();
    QTest::newRow("start word cut off") << withWord0(resized(full, 110), 0) << false << false
                                        << int(PlanDamage::Truncated) << 110LL << 0LL << Bytes();
    QTest::newRow("day table cut off") << withWord0(resized(full, 115), 0) << false << false
                                       << int(PlanDamage::Truncated) << 115LL << 112LL << dayDigits("012");
    QTest::newRow("weekly plan keeps any weekday byte")
        << WeeklyPlanFile(0, 30, oddWeekdays).Build() << false << true << ok << -1LL << 112LL
        << Bytes("\x00\x01\x02\x03\xff\x07\x02", 7);

    const Bytes legacyWeekly = WeeklyPlanFile(0, 0, {4, 2, 2, 2, 2, 2, 4}, true).Build();
    QTest::newRow("legacy weekly of 104 bytes")
        << resized(legacyWeekly, 104) << true << true << ok << -1LL << 74LL << Bytes("\x04\x02\x02\x02\x02\x02\x04", 7);
    QTest::newRow("legacy weekly of 103 bytes")
        << resized(legacyWeekly, 103) << true << true << int(PlanDamage::ShortFile) << 0LL << 0LL << Bytes();
    QTest::newRow("legacy day byte 4") << SchedulePlanFile(100, 103, "0144", true).Build() << true << false << ok
                                       << -1LL << 74LL << dayDigits("0144");
    QTest::newRow("legacy day byte 5") << SchedulePlanFile(100, 103, "0145", true).Build() << true << false
                                       << int(PlanDamage::BadDayByte) << 77LL << 74LL << dayDigits("014");
    QTest::newRow("legacy last day 18501") << SchedulePlanFile(18500, 18501, "00", true).Build() << true << false
                                           << int(PlanDamage::LastDayTooLate) << 70LL << 0LL << Bytes();
    QTest::newRow("legacy first day -1") << SchedulePlanFile(-1, 0, "00", true).Build() << true << false
                                         << int(PlanDamage::FirstDayNegative) << 66LL << 0LL << Bytes();
}

void TestPlanDecoder::decode()
{
    QFETCH(Bytes, file);
    QFETCH(bool, legacy);
    QFETCH(bool, weekly);
    QFETCH(int, damage);
    QFETCH(qint64, damageOffset);
    QFETCH(qint64, dayTableOffset);
    QFETCH(Bytes, dayBytes);

    const DecodedPlan plan = DecodePlanAs(file, file.size(), legacy ? PlanFormat::Legacy : PlanFormat::Current,
                                          weekly ? PlanKind::WeeklyPlan : PlanKind::SchedulePlan);
    QCOMPARE(int(plan.Damage), damage);
    if (damageOffset >= 0) QCOMPARE(plan.DamageOffset, damageOffset);
    QCOMPARE(plan.DayTableStarted, dayTableOffset > 0);
    if (dayTableOffset > 0) QCOMPARE(plan.DayTableOffset, dayTableOffset);
    QCOMPARE(plan.DayBytes, dayBytes);
    if (plan.Ok()) QCOMPARE(plan.AreaSectionOffset, dayTableOffset + dayBytes.size());

    // A reader that has only the first PlanReadLimit bytes decides the same.
    const DecodedPlan fromHead = DecodePlanAs(file.left(PlanReadLimit), file.size(), plan.Format, plan.Kind);
    QCOMPARE(int(fromHead.Damage), damage);
    QCOMPARE(fromHead.DayBytes, dayBytes);
}

void TestPlanDecoder::probe_data()
{
    QTest::addColumn<Bytes>("head");
    QTest::addColumn<bool>("current");
    QTest::addColumn<int>("kind"); // -1: not checked

    const int schedule = int(PlanKind::SchedulePlan), weekly = int(PlanKind::WeeklyPlan);
    const PlanFile current = SchedulePlanFile(0, 2, "012");
    for (int32_t mark : {84, -84, 88, -88})
        QTest::addRow("mark %d, schedule", mark) << withMark(current, mark).Build() << true << schedule;
    PlanFile currentWeekly = WeeklyPlanFile(0, 6, {1, 2, 2, 2, 2, 2, 1});
    currentWeekly.Flags = 0x02; // free days taken into account, kind bit clear
    QTest::newRow("mark -88, weekly") << currentWeekly.Build() << true << weekly;
    for (int32_t mark : {0, 12, 85, -87, 89}) {
        PlanFile legacy = SchedulePlanFile(0, 2, "014", true);
        legacy.Slots[0].Entry = int16_t(mark & 0xffff);
        legacy.Slots[1].Entry = int16_t(mark >> 16);
        QTest::addRow("legacy with word %d at offset 24", mark) << legacy.Build() << false << schedule;
    }
    QTest::newRow("legacy weekly") << WeeklyPlanFile(0, 6, {4, 1, 1, 1, 1, 1, 4}, true).Build() << false << weekly;
    PlanFile at0124 = SchedulePlanFile(0, 2, "014", true);
    at0124.Slots[0].Entry = 84; // 01:24
    at0124.Slots[1].Entry = 0;  // 00:00
    QTest::newRow("legacy entries 01:24 and 00:00 read as mark 84") << at0124.Build() << true << -1;
    QTest::newRow("empty file") << Bytes() << false << weekly;
    QTest::newRow("file ending before the flags") << withMark(current, -88).Build().left(60) << true << weekly;
}

void TestPlanDecoder::probe()
{
    QFETCH(Bytes, head);
    QFETCH(bool, current);
    QFETCH(int, kind);
    const PlanProbe probe = ProbePlanBytes(head);
    QCOMPARE(probe.Format == PlanFormat::Current, current);
    if (kind >= 0) QCOMPARE(int(probe.Kind), kind);
    // The probe needs no more than the header and block.
    const PlanProbe fromHead = ProbePlanBytes(head.left(PlanLayout::BlockEnd));
    QCOMPARE(fromHead.Format, probe.Format);
    QCOMPARE(fromHead.Kind, probe.Kind);
}

void TestPlanDecoder::storedValues()
{
    PlanFile file = SchedulePlanFile(7000, 7001, "50");
    file.Header = {0, 12, 0, 45, -960};
    file.Slots[0] = {420, 900, 660, 680};
    file.Slots[6] = {1320, 360, -1, -1};
    file.Tolerances = {15, 120, 45, 30, 0, 0, 0};
    file.Flags = 0x03;
    file.DayStart = 390;
    const DecodedPlan plan = DecodePlan(file.Build());
    QVERIFY(plan.Ok());
    QCOMPARE(plan.Format, PlanFormat::Current);
    QCOMPARE(plan.Kind, PlanKind::SchedulePlan);
    QCOMPARE(plan.FormatMark, -88);
    QCOMPARE(plan.RecordLength, 90);
    QCOMPARE(plan.Header[3], 45);
    QCOMPARE(plan.DailyNorm(), 480);
    QCOMPARE(plan.Schedules[0].Entry, int16_t(420));
    QCOMPARE(plan.Schedules[0].BreakTo, int16_t(680));
    QCOMPARE(plan.Schedules[6].Entry, int16_t(1320));
    QCOMPARE(plan.Schedules[6].Exit, int16_t(360));
    QCOMPARE(plan.Schedules[6].BreakFrom, int16_t(-1));
    QCOMPARE(plan.Tolerances[1], int16_t(120));
    QCOMPARE(plan.Tolerances[3], int16_t(30));
    QVERIFY(plan.IncludeFreeDays());
    QVERIFY(plan.HasDayStart);
    QCOMPARE(plan.DayStart, 390);
    QCOMPARE(plan.FirstDay, 7000);
    QCOMPARE(plan.LastDay, 7001);

    PlanFile old = SchedulePlanFile(20, 21, "44", true);
    old.Slots[3] = {480, 960, 720, 750};
    old.Tolerances = {5, 60, 30, 10, 0, 0, 0};
    const DecodedPlan legacy = DecodePlan(old.Build());
    QVERIFY(legacy.Ok());
    QCOMPARE(legacy.Format, PlanFormat::Legacy);
    QCOMPARE(legacy.Schedules[3].Exit, int16_t(960));
    QCOMPARE(legacy.Schedules[3].BreakFrom, int16_t(720));
    QCOMPARE(legacy.Tolerances[2], int16_t(30));
    QCOMPARE(legacy.Schedules[4].Entry, EmptyTime);
    QCOMPARE(legacy.FirstDay, 20);
    QVERIFY(!legacy.HasDayStart);
}

void TestPlanDecoder::shownTime_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("minimumOneMinute");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("empty") << -1 << false << "" << -1;
    QTest::newRow("empty allowance stays empty") << -1 << true << "" << -1;
    QTest::newRow("midnight") << 0 << false << "00:00" << 0;
    QTest::newRow("zero allowance shown as one minute") << 0 << true << "00:01" << 1;
    QTest::newRow("padded") << 425 << false << "07:05" << 425;
    QTest::newRow("last minute") << 1439 << false << "23:59" << 1439;
    QTest::newRow("next day's midnight") << 1440 << false << "00:00" << 0;
    QTest::newRow("next day's time") << 1440 + 75 << false << "01:15" << 75;
    QTest::newRow("negative other than -1") << -2 << false << "23:58" << 1438;
    QTest::newRow("largest 16-bit value") << 32767 << false << "18:07" << 1087;
}

void TestPlanDecoder::shownTime()
{
    QFETCH(int, stored);
    QFETCH(bool, minimumOneMinute);
    QFETCH(QString, text);
    QFETCH(int, value);
    const TimeField field = ShownTime(TestLibrary(), stored, minimumOneMinute);
    QCOMPARE(field.Text, text);
    QCOMPARE(field.Value, value);
}

void TestPlanDecoder::breakFields_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("fromText");
    QTest::addColumn<QString>("toText");

    QTest::newRow("no break") << -1 << -1 << ""
                              << "";
    QTest::newRow("equal times show no break") << 720 << 720 << ""
                                               << "";
    QTest::newRow("equal zeros show no break") << 0 << 0 << ""
                                               << "";
    QTest::newRow("a break") << 720 << 750 << "12:00"
                             << "12:30";
    QTest::newRow("only the end set") << -1 << 750 << ""
                                      << "12:30";
    QTest::newRow("break over midnight") << 1430 << 1450 << "23:50"
                                         << "00:10";
}

void TestPlanDecoder::breakFields()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, fromText);
    QFETCH(QString, toText);
    for (int slot : {0, 5}) {
        PlanFile file = SchedulePlanFile(0, 0, "0");
        file.Slots[slot] = {420, 900, int16_t(from), int16_t(to)};
        ScheduleFields fields;
        ShowScheduleTimes(TestLibrary(), DecodePlan(file.Build()), fields);
        QCOMPARE(fields.Slots[slot][EntryColumn].Text, QStringLiteral("07:00"));
        QCOMPARE(fields.Slots[slot][ExitColumn].Text, QStringLiteral("15:00"));
        QCOMPARE(fields.Slots[slot][BreakFromColumn].Text, fromText);
        QCOMPARE(fields.Slots[slot][BreakToColumn].Text, toText);
    }
}

void TestPlanDecoder::allowances_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("text");

    QTest::newRow("earlier entry 0 -> one minute") << 0 << 0 << "00:01";
    QTest::newRow("overtime 0 stays") << 1 << 0 << "00:00";
    QTest::newRow("break time 0 stays") << 2 << 0 << "00:00";
    QTest::newRow("later exit 0 -> one minute") << 3 << 0 << "00:01";
    QTest::newRow("earlier entry empty") << 0 << -1 << "";
    QTest::newRow("later exit 00:20") << 3 << 20 << "00:20";
    QTest::newRow("overtime 2 h") << 1 << 120 << "02:00";
}

void TestPlanDecoder::allowances()
{
    QFETCH(int, index);
    QFETCH(int, stored);
    QFETCH(QString, text);
    for (bool legacy : {false, true}) {
        PlanFile file = SchedulePlanFile(0, 0, "0", legacy);
        file.Tolerances.fill(45);
        file.Tolerances[index] = int16_t(stored);
        ScheduleFields fields;
        ShowScheduleTimes(TestLibrary(), DecodePlan(file.Build()), fields);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(fields.Pozostale[i].Text, i == index ? text : QStringLiteral("00:45"));
    }
}

void TestPlanDecoder::legacyLeavesUpperSlots()
{
    PlanFile file = SchedulePlanFile(0, 0, "0", true);
    for (int slot = 0; slot < 4; ++slot)
        file.Slots[slot] = {int16_t(360 + slot), 900, 700, 720};
    ScheduleFields fields;
    const TimeField before{QStringLiteral("09:09"), 549};
    for (auto& row : fields.Slots)
        row.fill(before);
    ShowScheduleTimes(TestLibrary(), DecodePlan(file.Build()), fields);
    for (int slot = 0; slot < 4; ++slot)
        QCOMPARE(fields.Slots[slot][EntryColumn].Value, 360 + slot);
    for (int slot = 4; slot < 7; ++slot) {
        for (const TimeField& field : fields.Slots[slot])
            QCOMPARE(field, before);
    }
}

void TestPlanDecoder::weeklyTimes_data()
{
    QTest::addColumn<Bytes>("file");
    QTest::addColumn<QString>("norm");
    QTest::addColumn<int>("normValue");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("startValue");

    PlanFile weekly = WeeklyPlanFile(0, 6, {1, 2, 2, 2, 2, 2, 1});
    weekly.Header[4] = 480 - 1440;
    weekly.DayStart = 450;
    QTest::newRow("mark -88: start of day stored") << weekly.Build() << "08:00" << 480 << "07:30" << 450;
    weekly.Mark = -84;
    QTest::newRow("mark -84: start of day 0") << weekly.Build() << "08:00" << 480 << "00:00" << 0;
    weekly.Mark = 88;
    weekly.DayStart = 1500;
    weekly.Header[4] = 600;
    QTest::newRow("values beyond a day") << weekly.Build() << "10:00" << 600 << "01:00" << 1500;
    PlanFile legacy = WeeklyPlanFile(0, 6, {4, 2, 2, 2, 2, 2, 4}, true);
    legacy.Header[4] = 450 - 1440;
    QTest::newRow("legacy: start of day 00:00") << legacy.Build() << "07:30" << 450 << "00:00" << 0;
}

void TestPlanDecoder::weeklyTimes()
{
    QFETCH(Bytes, file);
    QFETCH(QString, norm);
    QFETCH(int, normValue);
    QFETCH(QString, start);
    QFETCH(int, startValue);
    ScheduleFields fields;
    fields.StartDnia = {QStringLiteral("05:00"), 300};
    ShowWeeklyTimes(TestLibrary(), DecodePlan(file), fields);
    QCOMPARE(fields.Norma.Text, norm);
    QCOMPARE(fields.Norma.Value, normValue);
    QCOMPARE(fields.StartDnia.Text, start);
    QCOMPARE(fields.StartDnia.Value, startValue);
}

void TestPlanDecoder::weekdayKinds_data()
{
    QTest::addColumn<Bytes>("file");
    QTest::addColumn<Bytes>("kinds");

    QTest::newRow("current: kept as stored")
        << WeeklyPlanFile(0, 6, {0, 1, 2, 3, 4, 200, 2}).Build() << Bytes("\x00\x01\x02\x03\x04\xc8\x02", 7);
    QTest::newRow("legacy: 4 free, others working")
        << WeeklyPlanFile(0, 6, {4, 0, 1, 2, 3, 5, 4}, true).Build() << Bytes("\x01\x02\x02\x02\x02\x02\x01", 7);
    QTest::newRow("weekday bytes cut off keep the earlier kinds")
        << withWord0(resized(WeeklyPlanFile(0, 0, {2, 1, 2, 1, 2, 1, 2}).Build(), 115), 0)
        << Bytes("\x02\x01\x02\x09\x09\x09\x09", 7);
}

void TestPlanDecoder::weekdayKinds()
{
    QFETCH(Bytes, file);
    QFETCH(Bytes, kinds);
    const PlanProbe probe = ProbePlanBytes(file);
    const DecodedPlan plan = DecodePlanAs(file, file.size(), probe.Format, PlanKind::WeeklyPlan);
    std::array<uint8_t, 7> before;
    before.fill(9);
    const std::array<uint8_t, 7> result = WeekdayKindsOf(plan, before);
    QCOMPARE(Bytes(reinterpret_cast<const char*>(result.data()), 7), kinds);
}

QTEST_GUILESS_MAIN(TestPlanDecoder)
#include "tst_PlanDecoder.moc"

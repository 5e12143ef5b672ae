#include "PlanFiles.h"
#include "TestSupport.h"

#include "plan/PlanDecoder.h"
#include "plan/PlanReader.h"
#include "plan/TimeText.h"

#include <QTest>

Q_DECLARE_METATYPE(StoredSlot)

class TestPlanDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void probe_data();
    void probe();
    void scheduleFields_data();
    void scheduleFields();
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
    for (int32_t mark : {0, 12, -87}) {
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

void TestPlanDecoder::scheduleFields_data()
{
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<StoredSlot>("slot3");
    QTest::addColumn<int>("allowance");     // index of the allowance stored as 0, the others 00:45
    QTest::addColumn<QStringList>("texts"); // entry, exit, break from, break to of slot 3; the four allowances

    const auto texts = [](const char* list) { return QString::fromLatin1(list).split(QLatin1Char('|')); };
    QTest::newRow("a break; earlier entry 0 shown as 00:01")
        << false << StoredSlot{420, 900, 720, 750} << 0 << texts("07:00|15:00|12:00|12:30|00:01|00:45|00:45|00:45");
    QTest::newRow("equal break times shown empty; overtime 0 stays")
        << false << StoredSlot{420, 900, 720, 720} << 1 << texts("07:00|15:00|||00:45|00:00|00:45|00:45");
    QTest::newRow("no break; break time 0 stays")
        << false << StoredSlot{-1, 900, -1, -1} << 2 << texts("|15:00|||00:45|00:45|00:00|00:45");
    QTest::newRow("one break end; later exit 0 shown as 00:01")
        << false << StoredSlot{0, 1439, -1, 750} << 3 << texts("00:00|23:59||12:30|00:45|00:45|00:45|00:01");
    QTest::newRow("times beyond the day and negative") << false << StoredSlot{1440, 1440 + 75, -2, 32767} << 1
                                                       << texts("00:00|01:15|23:58|18:07|00:45|00:00|00:45|00:45");
    QTest::newRow("legacy: equal breaks, later exit 0")
        << true << StoredSlot{1380, 420, 0, 0} << 3 << texts("23:00|07:00|||00:45|00:45|00:45|00:01");
}

void TestPlanDecoder::scheduleFields()
{
    QFETCH(bool, legacy);
    QFETCH(StoredSlot, slot3);
    QFETCH(int, allowance);
    QFETCH(QStringList, texts);
    PlanFile file = SchedulePlanFile(0, 0, "0", legacy);
    file.Slots[3] = slot3;
    file.Tolerances.fill(45);
    file.Tolerances[allowance] = 0;
    ScheduleFields fields;
    const TimeField kept{QStringLiteral("09:09"), 549};
    fields.Slots[5].fill(kept);
    ShowScheduleTimes(TestLibrary(), DecodePlan(file.Build()), fields);
    QStringList shown;
    for (const TimeField& field : fields.Slots[3])
        shown.append(field.Text);
    for (const TimeField& field : fields.Pozostale)
        shown.append(field.Text);
    QCOMPARE(shown, texts);
    // Every shown time keeps its minute of the day as the field's value.
    for (const TimeField& field : fields.Slots[3])
        QCOMPARE(field.Value, field.Text.isEmpty() ? -1 : GodzinaNaMinuty(field.Text));
    // The old layout has no slot 5: its fields keep what they showed.
    QCOMPARE(fields.Slots[5][EntryColumn] == kept, legacy);
}

QTEST_GUILESS_MAIN(TestPlanDecoder)
#include "tst_PlanDecoder.moc"

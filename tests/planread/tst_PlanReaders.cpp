// Reading plans: the decoding and kind probe of both file layouts with every
// damage rule, and the readers with the fields they fill, their locks,
// messages and silent refusals.
#include "HolderProcess.h"
#include "PlanFiles.h"

#include "env/ErrorMessages.h"
#include "plan/PlanReader.h"
#include "plan/TimeText.h"

#include <QDir>
#include <QTest>

#include <optional>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/resource.h>
#endif

struct DecodeCase
{
    QByteArray File;
    bool Legacy, Weekly;
    PlanDamage Damage;
    qint64 At, Table; // where the damage shows (-1: none); the day table's offset (0: not begun)
    QByteArray Days;  // the day bytes read, as digits
};
Q_DECLARE_METATYPE(DecodeCase)

struct RefusalCase
{
    QString Routine;
    QByteArray File;  // P.PLN; empty: none
    QString Setup;    // "no folder", "locked" (by another process), "no user"
    QString Message;  // the texts shown, joined by '|'; empty: refused silently
    bool NoPlanEntry; // cboPlany back at "<BRAK>"
    QString Days{};   // the day table afterwards; empty: as it was
};
Q_DECLARE_METATYPE(RefusalCase)

class TestPlanReaders : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void listPlans();
    void refusals_data();
    void refusals();
    void opened_data();
    void opened();
    void openFailure();
};

namespace {

struct Env : TestEnvironment
{
    Env()
    {
        State.UserName = QStringLiteral("tester");
        State.ComputerName = QStringLiteral("pc1");
    }
    bool Put(const QString& name, const QByteArray& bytes) { return WriteFile(QDir(PlansDir()).filePath(name), bytes); }
};

// A day table as "FIRSTDAY:slots".
QString daysOf(const DayTable& table)
{
    QString text = QString::number(table.FirstDay()) + QLatin1Char(':');
    for (int32_t slot : table.Slots())
        text += QString::number(slot);
    return text;
}

// Field texts joined by '|', with a '?' after any whose value is not the
// minute of the day it shows.
template <typename Fields> QString texts(const Fields& fields)
{
    QStringList list;
    for (const TimeField& field : fields)
        list.append(field.Value == (field.Text.isEmpty() ? -1 : GodzinaNaMinuty(field.Text)) ? field.Text
                                                                                             : field.Text + u'?');
    return list.join(QLatin1Char('|'));
}

} // namespace

void TestPlanReaders::decode_data()
{
    QTest::addColumn<DecodeCase>("c");
    const auto ok = PlanDamage::None, cut = PlanDamage::Truncated, shortFile = PlanDamage::ShortFile;
    PlanFile week = SchedulePlanFile(10, 16, "0123456");
    const QByteArray full = week.Build();
    PlanFile weekly = WeeklyPlanFile(0, 30, {0, 1, 2, 3, 9, 7, 2});
    weekly.Flags = 0x02; // free days taken into account; the kind bit is clear
    const QByteArray legacyWeekly = WeeklyPlanFile(0, 1, {4, 2, 2, 2, 2, 2, 4}, true).Build();
    const auto plan = [](int32_t first, int32_t last, const QByteArray& days, bool legacy = false) {
        return SchedulePlanFile(first, last, days, legacy).Build();
    };
    // clang-format off
    QTest::newRow("mark -88: start word") << DecodeCase{full, false, false, ok, -1, 112, "0123456"};
    for (int32_t mark : {88, 84, -84}) {
        week.Mark = mark;
        QTest::addRow("mark %d", mark) << DecodeCase{week.Build(), false, false, ok, -1, mark == 88 ? 112 : 108, "0123456"};
    }
    QTest::newRow("last day 18500") << DecodeCase{plan(18499, 18500, "01"), false, false, ok, -1, 112, "01"};
    QTest::newRow("last day 18501") << DecodeCase{plan(18500, 18501, "01"), false, false, PlanDamage::LastDayTooLate, 104, 0, ""};
    QTest::newRow("first day -1") << DecodeCase{plan(-1, 1, "012"), false, false, PlanDamage::FirstDayNegative, 100, 0, ""};
    QTest::newRow("last day before first") << DecodeCase{plan(10, 9, ""), false, false, PlanDamage::LastDayBeforeFirst, 104, 0, ""};
    QTest::newRow("day byte 7 stops the table") << DecodeCase{plan(10, 13, "0173"), false, false, PlanDamage::BadDayByte, 114, 112, "01"};
    QTest::newRow("header word 0 = file length") << DecodeCase{Patched(full, 0, int32_t(full.size())), false, false, ok, -1, 112, "0123456"};
    QTest::newRow("header word 0 beyond the file")
        << DecodeCase{Patched(full, 0, int32_t(full.size() + 1)), false, false, PlanDamage::AreaOffsetBeyondEnd, 0, 0, ""};
    QTest::newRow("header word 0 = -1 (unfinished save)") << DecodeCase{Patched(full, 0, -1), false, false, ok, -1, 112, "0123456"};
    QTest::newRow("103 bytes") << DecodeCase{full.left(103), false, false, shortFile, 0, 0, ""};
    QTest::newRow("104 bytes end inside the block") << DecodeCase{Patched(full, 0, 0, 104), false, false, cut, 104, 0, ""};
    QTest::newRow("start word cut off") << DecodeCase{Patched(full, 0, 0, 110), false, false, cut, 110, 0, ""};
    QTest::newRow("day table cut off") << DecodeCase{Patched(full, 0, 0, 115), false, false, cut, 115, 112, "012"};
    QTest::newRow("weekly plan keeps any weekday byte") << DecodeCase{weekly.Build(), false, true, ok, -1, 112, "0123972"};
    // Bytes a short file lacks count as zero: a legacy weekly plan.
    QTest::newRow("empty file") << DecodeCase{QByteArray(), true, true, shortFile, 0, 0, ""};
    QTest::newRow("ending before the flags") << DecodeCase{full.left(60), false, true, shortFile, 0, 0, ""};
    QTest::newRow("legacy weekly of 104 bytes") << DecodeCase{legacyWeekly.left(104), true, true, ok, -1, 74, "4222224"};
    QTest::newRow("legacy weekly of 103 bytes") << DecodeCase{legacyWeekly.left(103), true, true, shortFile, 0, 0, ""};
    QTest::newRow("legacy day byte 4") << DecodeCase{plan(100, 103, "0144", true), true, false, ok, -1, 74, "0144"};
    QTest::newRow("legacy day byte 5") << DecodeCase{plan(100, 103, "0145", true), true, false, PlanDamage::BadDayByte, 77, 74, "014"};
    QTest::newRow("legacy last day 18501") << DecodeCase{plan(18500, 18501, "00", true), true, false, PlanDamage::LastDayTooLate, 70, 0, ""};
    QTest::newRow("legacy first day -1") << DecodeCase{plan(-1, 0, "00", true), true, false, PlanDamage::FirstDayNegative, 66, 0, ""};
    // clang-format on
    // A legacy record keeps the entry times of slots 0 and 1 where the mark lies.
    for (int32_t mark : {0, 12, -87, 89}) {
        PlanFile legacy = SchedulePlanFile(0, 2, "014", true);
        legacy.Slots[0].Entry = int16_t(mark & 0xffff);
        legacy.Slots[1].Entry = int16_t(mark >> 16);
        QTest::addRow("legacy, word %d at offset 24", mark)
            << DecodeCase{legacy.Build(), true, false, ok, -1, 74, "014"};
    }
}

void TestPlanReaders::decode()
{
    QFETCH(DecodeCase, c);
    const PlanProbe probe = ProbePlanBytes(c.File);
    QCOMPARE(probe.Format == PlanFormat::Legacy, c.Legacy);
    QCOMPARE(probe.Kind == PlanKind::WeeklyPlan, c.Weekly);
    // The probe needs no more than the header and block.
    const PlanProbe fromBlock = ProbePlanBytes(c.File.left(PlanLayout::BlockEnd));
    QVERIFY(fromBlock.Format == probe.Format && fromBlock.Kind == probe.Kind);

    const DecodedPlan plan = DecodePlanAs(c.File, c.File.size(), probe.Format, probe.Kind);
    QCOMPARE(plan.Damage, c.Damage);
    QCOMPARE(plan.DamageOffset, c.At);
    QCOMPARE(plan.DayTableStarted ? plan.DayTableOffset : 0, c.Table);
    QByteArray days;
    for (char byte : plan.DayBytes)
        days.append(char('0' + byte));
    QCOMPARE(days, c.Days);
    if (plan.Ok()) QCOMPARE(plan.AreaSectionOffset, c.Table + c.Days.size());
    // A reader that has only the first PlanReadLimit bytes decides the same.
    const DecodedPlan fromHead = DecodePlanAs(c.File.left(PlanReadLimit), c.File.size(), probe.Format, probe.Kind);
    QVERIFY(fromHead.Damage == c.Damage && fromHead.DayBytes == plan.DayBytes);
}

void TestPlanReaders::listPlans()
{
    Env env;
    QVERIFY(ListPlans(env.State).isEmpty());
    for (const char* file : {"A.PLN", "b.pln", "Zmiana C.Pln", "notes.txt", "D.PLNX", "WOLNE.DAT", "PLN", ".PLN"})
        QVERIFY(env.Put(QString::fromLatin1(file), QByteArray(120, '\0')));
    QVERIFY(QDir(env.PlansDir()).mkdir(QStringLiteral("X.PLN")));
    QStringList names = ListPlans(env.State);
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("A"), QStringLiteral("Zmiana C"), QStringLiteral("b")}));
    QVERIFY(env.Ui.Entries().isEmpty() && !env.State.ProgramEnding);
}

void TestPlanReaders::refusals_data()
{
    QTest::addColumn<RefusalCase>("c");
    const QString badPath = QStringLiteral("Nieprawidłowa ścieżka dostępu do planu pracy.");
    const QString disk = QStringLiteral("Błąd operacji dyskowej.");
    const QString locked = QStringLiteral("Plan pracy: P jest zablokowana przez: jan z stanowisko3.") + Cr +
                           QStringLiteral("Edycja planu pracy niemożliwa.");
    const QString schedule = QStringLiteral("schedule"), weekly = QStringLiteral("weekly"),
                  legacySchedule = QStringLiteral("legacy schedule"), legacyWeekly = QStringLiteral("legacy weekly"),
                  noFolder = QStringLiteral("no folder");
    const QByteArray good = SchedulePlanFile(0, 2, "012").Build();
    const QByteArray goodWeekly = WeeklyPlanFile(0, 6, {1, 2, 2, 2, 2, 2, 1}).Build();
    const QByteArray week = SchedulePlanFile(10, 16, "0123456").Build();
    PlanFile badRange = WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1});
    badRange.LastDay = 18501; // the block's range is checked although a weekly plan does not use it
    // clang-format off
    QTest::newRow("list: no plans folder") << RefusalCase{QStringLiteral("list"), {}, noFolder, QStringLiteral("Brak dostepu do plików planu pracy."), false};
    QTest::newRow("probe: no plans folder") << RefusalCase{QStringLiteral("probe"), good, noFolder, badPath, true};
    QTest::newRow("probe and read: no file") << RefusalCase{QStringLiteral("probe and read"), {}, {},
        QStringLiteral("Plik P nieistnieje ") + Cr + QStringLiteral("|Nie udana próba odczytu typu planu pracy"), true};
    QTest::newRow("schedule: no plans folder") << RefusalCase{schedule, good, noFolder, badPath, true};
    // The weekly readers meet a missing folder or file in the range service.
    QTest::newRow("legacy weekly: no file") << RefusalCase{legacyWeekly, {}, {}, disk, false};
    QTest::newRow("weekly: area section out of frame") // header word 0 off the area section
        << RefusalCase{weekly, Patched(goodWeekly, 0, 16), {}, QStringLiteral("Błąd struktury bazy danych."), false};
    for (const QString& reader : {schedule, legacyWeekly})
        QTest::addRow("%s: plan locked", qPrintable(reader))
            << RefusalCase{reader, reader.endsWith(weekly) ? goodWeekly : good, QStringLiteral("locked"), locked, false};
    // Missing, short and damaged files are refused without a word; the day
    // table of a schedule plan stays filled up to the bad day.
    QTest::newRow("missing file") << RefusalCase{schedule, {}, {}, {}, false};
    QTest::newRow("103 bytes") << RefusalCase{schedule, Patched(week, 0, 0, 103), {}, {}, false};
    QTest::newRow("day byte 9") << RefusalCase{schedule, SchedulePlanFile(100, 105, "512906").Build(), {}, {}, false, QStringLiteral("100:512000")};
    QTest::newRow("legacy day byte 5") << RefusalCase{legacySchedule, SchedulePlanFile(10, 12, "450", true).Build(), {}, {}, false, QStringLiteral("10:400")};
    // Header word 0 stays right, so that the range service accepts the file.
    QTest::newRow("legacy 103 bytes") << RefusalCase{legacyWeekly, WeeklyPlanFile(0, 1, {1, 1, 1, 1, 1, 1, 1}, true).Build().left(103), {}, {}, false};
    QTest::newRow("weekly block range damaged") << RefusalCase{weekly, badRange.Build(), {}, {}, false};
    QTest::newRow("no user name: no lock") << RefusalCase{schedule, SchedulePlanFile(0, 0, "7").Build(), QStringLiteral("no user"), {}, false, QStringLiteral("0:0")};
    // clang-format on
}

void TestPlanReaders::refusals()
{
    QFETCH(RefusalCase, c);
    Env env;
    ProgramState& s = env.State;
    if (c.Setup == QLatin1String("no user")) s.UserName.clear();
    if (!c.File.isEmpty()) QVERIFY(env.Put(QStringLiteral("P.PLN"), c.File));
    if (c.Setup == QLatin1String("no folder")) QVERIFY(QDir(env.PlansDir()).removeRecursively());
    std::optional<HolderProcess> other;
    if (c.Setup == QLatin1String("locked")) {
        other.emplace(QStringList{QStringLiteral("lock"), s.DataDir(), QStringLiteral("PlnEdit"), QStringLiteral("P.PLN"),
                                  QStringLiteral("jan z stanowisko3")});
        QVERIFY(other->Take() && other->Holds());
    }
    s.PlanModified = true;
    s.Plan.Days.Reset(0, 2, 3);
    PlanWindowEffects fx;
    const QString p = QStringLiteral("P");
    const QString& r = c.Routine;
    const bool ok = r == QLatin1String("list")              ? !ListPlans(s).isEmpty()
                    : r == QLatin1String("probe")           ? ProbePlanKind(s, p, &fx) != ProbeFailed
                    : r == QLatin1String("probe and read")  ? ProbeAndReadPlan(s, p, &fx) || s.PlanReadOk
                    : r == QLatin1String("schedule")        ? ReadSchedulePlan(s, p, &fx)
                    : r == QLatin1String("weekly")          ? ReadWeeklyPlan(s, p, &fx)
                    : r == QLatin1String("legacy schedule") ? ReadLegacySchedulePlan(s, p, &fx)
                                                            : ReadLegacyWeeklyPlan(s, p, &fx);
    QVERIFY(!ok);
    QCOMPARE(env.Ui.Texts().join(QLatin1Char('|')), c.Message);
    for (const RecordingPrompt::Entry& entry : env.Ui.Entries())
        QCOMPARE(entry.icon, MessageIcon::Critical);
    QCOMPARE(fx.ShowNoPlanEntry, c.NoPlanEntry);
    QCOMPARE(s.ProgramEnding, r == QLatin1String("list"));
    QCOMPARE(daysOf(s.Plan.Days), c.Days.isEmpty() ? QStringLiteral("0:333") : c.Days);
    QVERIFY(s.PlanModified && !s.SchedulePlanShown && !s.SchedulesFilled && s.Plan.Name.isEmpty());
    if (r == QLatin1String("list") || r.startsWith(QLatin1String("probe"))) return;
    // A reader takes the lock first and keeps it when it fails later; the
    // command buttons stay disabled.
    QCOMPARE(s.PlanLockHandle == -1, c.Setup == QLatin1String("locked") || c.Setup == QLatin1String("no user"));
    QCOMPARE(s.PlanLockState, s.PlanLockHandle);
    QVERIFY(fx.CommandButtonsDisabled && !fx.MonthRedrawn && (c.Message.isEmpty() || !fx.RangeShown));
}

void TestPlanReaders::opened_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown"); // what the plan and the window's fields hold afterwards

    // Slot 1's fields, slot 5's fields and the allowances as shown: earlier
    // entry and later exit at least 00:01, equal break times as no break,
    // times taken modulo a day. The old layout has no slot 5.
    PlanFile schedule = SchedulePlanFile(8766, 8772, "0125364"); // 2024-01-01 .. 2024-01-07
    schedule.Slots[1] = {1440, 1440 + 75, -2, 32767};
    schedule.Slots[5] = {0, 1439, -1, 750};
    QTest::newRow("schedule plan, any letter case of .PLN")
        << "Zmiana.pln" << schedule.Build()
        << "schedule current 8766..8772 8766:0125364 00:00|01:15|23:58|18:07 00:00|23:59||12:30 "
           "00:01|00:00|00:00|00:01";
    PlanFile legacySchedule = SchedulePlanFile(3000, 3004, "04321", true);
    legacySchedule.Slots[1] = {1380, 420, 0, 0};
    legacySchedule.Tolerances = {15, 60, 30, 0};
    QTest::newRow("legacy schedule plan")
        << "Stary.PLN" << legacySchedule.Build()
        << "schedule legacy 3000..3004 3000:04321 23:00|07:00|| 08:08||| 00:15|01:00|00:30|00:01";

    PlanFile weekly = WeeklyPlanFile(8766, 9131, {0, 1, 2, 3, 255, 7, 2});
    weekly.Flags = 0x02;
    weekly.Header[4] = 450 - 1440;
    weekly.DayStart = 360;
    QTest::newRow("weekly plan") << "Tydzien.PLN" << weekly.Build()
                                 << "weekly current 8766..9131 0,1,2,3,255,7,2 free 07:30|06:00";
    PlanFile legacyWeekly = WeeklyPlanFile(100, 200, {4, 0, 1, 2, 3, 5, 4}, true);
    legacyWeekly.Header[4] = 480 - 1440;
    QTest::newRow("legacy weekly plan: 4 is a free weekday")
        << "StaryT.PLN" << legacyWeekly.Build() << "weekly legacy 100..200 1,2,2,2,2,2,1 work 08:00|00:00";
    // Taken for a current weekly plan, whose area section is not where the block puts it.
    PlanFile at0124 = SchedulePlanFile(0, 2, "012", true);
    at0124.Slots[0].Entry = 84; // 01:24
    at0124.Slots[1].Entry = 0;  // 00:00
    QTest::newRow("legacy plan read as mark 84")
        << "M.PLN" << at0124.Build() << "refused as current: Błąd struktury bazy danych.";
}

void TestPlanReaders::opened()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    Env env;
    ProgramState& s = env.State;
    QVERIFY(env.Put(fileName, file));
    s.PlanModified = true;
    s.Fields.Slots[5][EntryColumn] = {QStringLiteral("08:08"), 488};
    s.Fields.StartDnia = {QStringLiteral("06:00"), 360};
    PlanWindowEffects fx;
    const QString name = fileName.chopped(4);
    const bool read = ProbeAndReadPlan(s, name, &fx);
    QCOMPARE(s.PlanReadOk, read);
    const WorkPlan& p = s.Plan;
    const bool isSchedule = p.Kind == PlanKind::SchedulePlan;
    QStringList parts{QLatin1String(isSchedule ? "schedule" : "weekly"),
                      QLatin1String(s.IsCurrentFormat ? "current" : "legacy"),
                      QStringLiteral("%1..%2").arg(p.FirstDay).arg(p.LastDay)};
    if (!read) {
        parts = QStringList{QStringLiteral("refused as"), parts.at(1) + u':', env.Ui.Texts().join(u'|')};
    } else if (isSchedule) {
        parts << daysOf(p.Days) << texts(s.Fields.Slots[1]) << texts(s.Fields.Slots[5]) << texts(s.Fields.Pozostale);
    } else {
        QStringList kinds;
        for (uint8_t kind : p.WeekdayKinds)
            kinds.append(QString::number(kind));
        parts << kinds.join(u',') << QLatin1String(p.IncludeFreeDays ? "free" : "work")
              << texts(std::array<TimeField, 2>{s.Fields.Norma, s.Fields.StartDnia});
    }
    QCOMPARE(parts.join(u' '), shown);
    if (!read) return;
    QVERIFY(env.Ui.Entries().isEmpty());
    QVERIFY(p.Name == name && !s.PlanModified && s.PlanLockHandle != -1);
    QVERIFY(s.SchedulePlanShown == isSchedule && s.SchedulesFilled == isSchedule);
    QVERIFY(!fx.CommandButtonsDisabled && fx.RangeShown);
    QVERIFY(fx.MonthRedrawn == isSchedule && fx.WeekdayCellsPainted != isSchedule);
}

void TestPlanReaders::openFailure()
{
#ifdef Q_OS_LINUX
    // Permissions do not stop root, so the open is made to fail by leaving the
    // process no free file descriptor once the file has been checked. Without
    // a user name the reader takes no lock, and nothing else opens a file
    // before the plan itself.
    Env env;
    env.State.UserName.clear();
    QVERIFY(env.Put(QStringLiteral("P.PLN"), SchedulePlanFile(0, 0, "0").Build()));
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    for (tight.rlim_cur = 0; fcntl(int(tight.rlim_cur), F_GETFD) != -1; ++tight.rlim_cur) {
    }
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
    PlanWindowEffects fx;
    const bool read = ReadSchedulePlan(env.State, QStringLiteral("P"), &fx);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
    QVERIFY(!read && fx.CommandButtonsDisabled);
    // Shown as the file-error routine shows the failure of this open.
    RecordingPrompt expected;
    ShowFileError(expected, FileErrorNumberFor(QFileDevice::ResourceError, env.State.PlanPath(QStringLiteral("P"))),
                  QStringLiteral("P.PLN"), QString(), true);
    QVERIFY(!expected.Texts().isEmpty());
    QCOMPARE(env.Ui.Texts(), expected.Texts());
#else
    QSKIP("needs Linux resource limits");
#endif
}

QTEST_GUILESS_MAIN(TestPlanReaders)
#include "tst_PlanReaders.moc"

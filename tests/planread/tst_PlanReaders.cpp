// Reading plans: the decoding and kind probe of both file layouts with every
// damage rule, and the readers with the fields they fill, their locks,
// messages and silent refusals.
#include "PlanFiles.h"

#include "plan/PlanReader.h"
#include "plan/TimeText.h"

#include <QDir>
#include <QTest>

#include <memory>

struct DecodeCase
{
    QByteArray File;
    bool Legacy, Weekly;
    PlanDamage Damage;
    qint64 At, Table; // where the damage shows (-1: none); the day table's offset (0: not begun)
    QByteArray Days;  // the day bytes read, as digits
};
Q_DECLARE_METATYPE(DecodeCase)

using Reader = bool (*)(const Environment&, PlanDocument&, const QString&, PlanWindowEffects*);

struct RefusalCase
{
    Reader Read;
    Prepare Setup;    // the plans folder
    QString Message;  // the texts shown, joined by '|'; empty: refused silently
    bool NoPlanEntry; // cboPlany back at "<BRAK>"
    const char* Lock; // "held", or PlanLockState when no lock is held
    bool ButtonsDisabled;
    QString Days; // the day table afterwards
};
Q_DECLARE_METATYPE(RefusalCase)

namespace {

// A day table as "FIRSTDAY:slots".
QString DaysOf(const DayTable& table)
{
    QString text = QString::number(table.FirstDay()) + u':';
    for (int32_t slot : table.Slots())
        text += QString::number(slot);
    return text;
}

// Field texts joined by '|', with a '?' after any whose value is not the
// minute of the day it shows.
template <typename Fields> QString Texts(const Fields& fields)
{
    QStringList list;
    for (const TimeField& field : fields)
        list.append(field.Value == (field.Text.isEmpty() ? -1 : GodzinaNaMinuty(field.Text)) ? field.Text
                                                                                             : field.Text + u'?');
    return list.join(u'|');
}

} // namespace

class TestPlanReaders : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    void decode_data()
    {
        QTest::addColumn<DecodeCase>("c");
        const auto ok = PlanDamage::None, cut = PlanDamage::Truncated, shortFile = PlanDamage::ShortFile;
        PlanFile week = SchedulePlanFile(10, 16, "0123456");
        const QByteArray full = week.Build();
        PlanFile weekly = WeeklyPlanFile(0, 30, {0, 1, 2, 3, 9, 7, 2});
        weekly.Flags = 0x02; // free days taken into account; the kind bit is clear
        const QByteArray legacyWeekly = WeeklyPlanFile(0, 1, {4, 2, 2, 2, 2, 2, 4}, true).Build();
        // clang-format off
        for (int32_t mark : {-88, 88, 84, -84}) { // with the start-of-day word, or without
            week.Mark = mark;
            QTest::addRow("mark %d", mark) << DecodeCase{week.Build(), false, false, ok, -1, qAbs(mark) == 88 ? 112 : 108, "0123456"};
        }
        QTest::newRow("last day 18500") << DecodeCase{SchedulePlanFile(18499, 18500, "01").Build(), false, false, ok, -1, 112, "01"};
        QTest::newRow("last day 18501") << DecodeCase{SchedulePlanFile(18500, 18501, "01").Build(), false, false, PlanDamage::LastDayTooLate, 104, 0, ""};
        QTest::newRow("first day -1") << DecodeCase{SchedulePlanFile(-1, 1, "012").Build(), false, false, PlanDamage::FirstDayNegative, 100, 0, ""};
        QTest::newRow("last day before first") << DecodeCase{SchedulePlanFile(10, 9, "").Build(), false, false, PlanDamage::LastDayBeforeFirst, 104, 0, ""};
        QTest::newRow("day byte 7 stops the table") << DecodeCase{SchedulePlanFile(10, 13, "0173").Build(), false, false, PlanDamage::BadDayByte, 114, 112, "01"};
        QTest::newRow("header word 0 = file length") << DecodeCase{Patched(full, 0, int32_t(full.size())), false, false, ok, -1, 112, "0123456"};
        QTest::newRow("header word 0 beyond the file") << DecodeCase{Patched(full, 0, int32_t(full.size() + 1)), false, false, PlanDamage::AreaOffsetBeyondEnd, 0, 0, ""};
        QTest::newRow("103 bytes") << DecodeCase{full.left(103), false, false, shortFile, 0, 0, ""};
        QTest::newRow("104 bytes end inside the block") << DecodeCase{Patched(full, 0, 0, 104), false, false, cut, 104, 0, ""};
        QTest::newRow("day table cut off") << DecodeCase{Patched(full, 0, 0, 115), false, false, cut, 115, 112, "012"};
        QTest::newRow("weekly plan keeps any weekday byte") << DecodeCase{weekly.Build(), false, true, ok, -1, 112, "0123972"};
        // Bytes a short file lacks count as zero: a legacy weekly plan, or the flags of a weekly plan.
        QTest::newRow("ending before the flags") << DecodeCase{full.left(60), false, true, shortFile, 0, 0, ""};
        QTest::newRow("legacy weekly of 104 bytes") << DecodeCase{legacyWeekly.left(104), true, true, ok, -1, 74, "4222224"};
        QTest::newRow("legacy weekly of 103 bytes") << DecodeCase{legacyWeekly.left(103), true, true, shortFile, 0, 0, ""};
        QTest::newRow("legacy day byte 4") << DecodeCase{SchedulePlanFile(100, 103, "0144", true).Build(), true, false, ok, -1, 74, "0144"};
        // clang-format on
        // A legacy record keeps the entry times of slots 0 and 1 where the mark lies.
        // Its kind is its flags byte, whatever the byte before holds.
        for (int32_t mark : {-87, 89}) {
            PlanFile legacy = SchedulePlanFile(0, 2, "014", true);
            legacy.KindByte = 0;
            legacy.Slots[0].Entry = int16_t(mark & 0xffff);
            legacy.Slots[1].Entry = int16_t(mark >> 16);
            QTest::addRow("legacy, word %d at offset 24", mark)
                << DecodeCase{legacy.Build(), true, false, ok, -1, 74, "014"};
        }
    }

    void decode()
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
        QCOMPARE(plan.AreaSectionOffset, plan.Ok() ? c.Table + c.Days.size() : 0);
        // A reader that has only the first PlanReadLimit bytes decides the same.
        const DecodedPlan fromHead = DecodePlanAs(c.File.left(PlanReadLimit), c.File.size(), probe.Format, probe.Kind);
        QVERIFY(fromHead.Damage == c.Damage && fromHead.DayBytes == plan.DayBytes);
    }

    void listPlans()
    {
        TestEnvironment env;
        QVERIFY(ListPlans(env.Env).isEmpty());
        for (const char* file : {"A.PLN", "b.pln", "Zmiana C.Pln", "notes.txt", "D.PLNX", "WOLNE.DAT", "PLN", ".PLN"})
            QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(QString::fromLatin1(file)), QByteArray(120, '\0')));
        QVERIFY(QDir(env.PlansDir()).mkdir(u"X.PLN"_s));
        QStringList names = ListPlans(env.Env);
        names.sort();
        QCOMPARE(names, (QStringList{u"A"_s, u"Zmiana C"_s, u"b"_s}));
        QVERIFY(env.Ui.Entries().isEmpty() && !env.Env.ProgramEnding);
        QVERIFY(QDir(env.PlansDir()).removeRecursively());
        QVERIFY(ListPlans(env.Env).isEmpty() && env.Env.ProgramEnding);
        QCOMPARE(env.Ui.OnlyText(), u"Brak dostepu do plików planu pracy."_s);
    }

    void refusals_data()
    {
        QTest::addColumn<RefusalCase>("c");
        const QString plan = u"P.PLN"_s, other = u"Q.PLN"_s, untouched = u"0:333"_s;
        const QString structure = u"Błąd struktury bazy danych."_s, disk = u"Błąd operacji dyskowej."_s;
        const QString badPath = u"Nieprawidłowa ścieżka dostępu do planu pracy."_s;
        const QString locked =
            u"Plan pracy: P jest zablokowana przez: jan z stanowisko3."_s + Cr + u"Edycja planu pracy niemożliwa."_s;
        const QString noProbe = u"|Nie udana próba odczytu typu planu pracy"_s;
        const QByteArray good = SchedulePlanFile(0, 2, "012").Build();
        PlanFile badRange = WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1});
        badRange.LastDay = 18501; // the block's range is checked although a weekly plan does not use it
        // Taken for a current weekly plan, whose area section is not where the block puts it.
        PlanFile at0124 = SchedulePlanFile(0, 2, "012", true);
        at0124.Slots[0].Entry = 84; // 01:24
        at0124.Slots[1].Entry = 0;  // 00:00
        const Prepare noFolder = [](TestEnvironment& env) {
            QDir(env.PlansDir()).removeRecursively();
            return std::shared_ptr<void>();
        };
        // A pipe, which a reader that opened it would wait on; no user name, so no lock either.
        const Prepare pipe = InPlans(plan, Pipe(), {});
        const Prepare lockedElsewhere = LockedElsewhere(plan, good, u"PlnEdit"_s, u"p.pln"_s);
        // clang-format off
        QTest::newRow("probe: no plans folder") << RefusalCase{ProbeAndReadPlan, noFolder, badPath + noProbe, true, "0", false, untouched};
        QTest::newRow("schedule: no plans folder") << RefusalCase{ReadSchedulePlan, noFolder, badPath, true, "held", true, untouched};
        QTest::newRow("probe: no file") << RefusalCase{ProbeAndReadPlan, InPlans(other, FileOf(good)), u"Plik P nieistnieje "_s + Cr + noProbe, true, "0", false, untouched};
        QTest::newRow("probe: a pipe") << RefusalCase{ProbeAndReadPlan, pipe, u"Urządzenie niedostępne."_s + noProbe, true, "0", false, untouched};
        QTest::newRow("probe: legacy plan read as mark 84") << RefusalCase{ProbeAndReadPlan, InPlans(plan, FileOf(at0124.Build())), structure, false, "held", true, untouched};
        QTest::newRow("schedule: locked") << RefusalCase{ReadSchedulePlan, lockedElsewhere, locked, false, "-1", true, untouched};
        QTest::newRow("legacy weekly: locked") << RefusalCase{ReadLegacyWeeklyPlan, lockedElsewhere, locked, false, "-1", true, untouched};
        // The weekly readers meet a missing file or a pipe in the range service.
        QTest::newRow("legacy weekly: no file") << RefusalCase{ReadLegacyWeeklyPlan, InPlans(other, FileOf(good)), disk, false, "held", true, untouched};
        QTest::newRow("weekly: a pipe") << RefusalCase{ReadWeeklyPlan, pipe, disk, false, "0", true, untouched};
        // Missing and damaged files are refused without a word; the day table
        // of a schedule plan stays filled up to the bad day.
        QTest::newRow("a folder of the plan's name") << RefusalCase{ReadSchedulePlan, InPlans(plan, Directory()), {}, false, "held", true, untouched};
        QTest::newRow("day byte 9") << RefusalCase{ReadSchedulePlan, InPlans(plan, FileOf(SchedulePlanFile(100, 105, "512906").Build())), {}, false, "held", true, u"100:512000"_s};
        QTest::newRow("weekly block range damaged") << RefusalCase{ReadWeeklyPlan, InPlans(plan, FileOf(badRange.Build())), {}, false, "held", true, untouched};
        // Without a user name no lock is asked for, so none is refused: the plan is just damaged.
        QTest::newRow("no user name, damaged") << RefusalCase{ReadSchedulePlan, InPlans(plan, FileOf(SchedulePlanFile(0, 0, "7").Build()), {}), {}, false, "0", true, u"0:0"_s};
        // clang-format on
    }

    void refusals()
    {
        QFETCH(RefusalCase, c);
        TestEnvironment env;
        PlanDocument& doc = env.Doc;
        const std::shared_ptr<void> keep = c.Setup(env);
        doc.PlanModified = true;
        doc.Plan.Days.Reset(0, 2, 3);
        PlanWindowEffects fx;
        QVERIFY(!c.Read(env.Env, doc, u"P"_s, &fx));
        QCOMPARE(env.Ui.Texts().join(u'|'), c.Message);
        for (const RecordingPrompt::Entry& entry : env.Ui.Entries())
            QCOMPARE(entry.Icon, MessageIcon::Critical);
        QCOMPARE(fx.ShowNoPlanEntry, c.NoPlanEntry);
        QCOMPARE(DaysOf(doc.Plan.Days), c.Days);
        QVERIFY(doc.PlanModified && !doc.SchedulePlanShown && !doc.SchedulesFilled && doc.Plan.Name.isEmpty());
        // A reader takes the lock first and keeps it when it fails later.
        QCOMPARE(doc.PlanLockHandle > 0 && doc.PlanLockState == doc.PlanLockHandle ? u"held"_s
                                                                                   : QString::number(doc.PlanLockState),
                 QLatin1String(c.Lock));
        QCOMPARE(fx.CommandButtonsDisabled, c.ButtonsDisabled);
        QVERIFY(!fx.MonthRedrawn && !env.Env.ProgramEnding);
    }

    void opened_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("file");
        // Kind, layout, range, effects, days, slot 1, slot 5, allowances; weekday kinds, free days, norm|day start.
        QTest::addColumn<QString>("shown");
        // Earlier entry and later exit at least 00:01, equal break times as no
        // break, times taken modulo a day. The old layout has no slot 5.
        PlanFile schedule = SchedulePlanFile(8766, 8772, "0125364"); // 2024-01-01 .. 2024-01-07
        schedule.Slots[1] = {1440, 1440 + 75, -2, 32767};
        schedule.Slots[5] = {0, 1439, -1, 750};
        PlanFile legacy = SchedulePlanFile(3000, 3004, "04321", true);
        legacy.Slots[1] = {1380, 420, 0, 0};
        legacy.Tolerances = {15, 60, 30, 0};
        PlanFile weekly = WeeklyPlanFile(8766, 9131, {0, 1, 2, 3, 255, 7, 2});
        weekly.Flags = 0x02;
        weekly.Header[4] = 450 - 1440;
        weekly.DayStart = 360;
        PlanFile legacyWeekly = WeeklyPlanFile(100, 200, {4, 0, 1, 2, 3, 5, 4}, true);
        legacyWeekly.Header[4] = 480 - 1440;
        // clang-format off
        QTest::newRow("schedule plan, any letter case of .PLN") << "Zmiana.pln" << schedule.Build()
            << "1 current 8766..8772 month 8766:0125364 00:00|01:15|23:58|18:07 00:00|23:59||12:30 00:01|00:00|00:00|00:01; 1,2,2,2,2,2,1 work |06:00";
        QTest::newRow("legacy schedule plan") << "Stary.PLN" << legacy.Build()
            << "1 legacy 3000..3004 month 3000:04321 23:00|07:00|| 08:08||| 00:15|01:00|00:30|00:01; 1,2,2,2,2,2,1 work |06:00";
        QTest::newRow("weekly plan") << "Tydzien.PLN" << weekly.Build()
            << "0 current 8766..9131 weekdays 0: ||| 08:08||| |||; 0,1,2,3,255,7,2 free 07:30|06:00";
        QTest::newRow("legacy weekly plan: 4 is a free weekday") << "StaryT.PLN" << legacyWeekly.Build()
            << "0 legacy 100..200 weekdays 0: ||| 08:08||| |||; 1,2,2,2,2,2,1 work 08:00|00:00";
        // clang-format on
    }

    // A plan opened through the plan chooser's path while another was being
    // edited with slot 5's entry and the day start filled in.
    void opened()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        TestEnvironment env;
        PlanDocument& doc = env.Doc;
        const QString name = fileName.chopped(4);
        doc.PlanModified = true;
        doc.Fields.Slots[5][EntryColumn] = {u"08:08"_s, 488};
        doc.Fields.StartDnia = {u"06:00"_s, 360};
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(fileName), file));
        PlanWindowEffects fx;
        QVERIFY(ProbeAndReadPlan(env.Env, doc, name, &fx) && doc.PlanReadOk && env.Ui.Entries().isEmpty());
        QVERIFY(doc.Plan.Name == name && !doc.PlanModified && doc.PlanLockHandle != -1);
        QVERIFY(fx.RangeShown && !fx.CommandButtonsDisabled && fx.MonthRedrawn != fx.WeekdayCellsPainted);
        QVERIFY(doc.SchedulePlanShown == fx.MonthRedrawn && doc.SchedulesFilled == fx.MonthRedrawn);
        QStringList kinds;
        for (uint8_t kind : doc.Plan.WeekdayKinds)
            kinds.append(QString::number(kind));
        const QStringList parts{QString::number(int(doc.Plan.Kind)),
                                QLatin1String(doc.IsCurrentFormat ? "current" : "legacy"),
                                u"%1..%2"_s.arg(doc.Plan.FirstDay).arg(doc.Plan.LastDay),
                                QLatin1String(fx.MonthRedrawn ? "month" : "weekdays"),
                                DaysOf(doc.Plan.Days),
                                Texts(doc.Fields.Slots[1]),
                                Texts(doc.Fields.Slots[5]),
                                Texts(doc.Fields.Pozostale) + u';',
                                kinds.join(u','),
                                QLatin1String(doc.Plan.IncludeFreeDays ? "free" : "work"),
                                Texts(std::array<TimeField, 2>{doc.Fields.Norma, doc.Fields.StartDnia})};
        QCOMPARE(parts.join(u' '), shown);
    }
};

QTEST_GUILESS_MAIN(TestPlanReaders)
#include "tst_PlanReaders.moc"

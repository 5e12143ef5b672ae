#include "HeldLock.h"
#include "PlanFiles.h"
#include "TestSupport.h"

#include "demo/DemoData.h"
#include "env/Blokady.h"
#include "env/ErrorMessages.h"
#include "plan/PlanReader.h"

#include <QDir>
#include <QSet>
#include <QTest>

#include <functional>
#include <optional>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/resource.h>
#endif

class TestPlanReaders : public QObject
{
    Q_OBJECT

private slots:
    void listPlans_data();
    void listPlans();
    void messages_data();
    void messages();
    void readSchedulePlan();
    void silentFailures_data();
    void silentFailures();
    void damagedDayTableFilledUpToTheBadDay();
    void readWeeklyPlan();
    void readLegacyPlans();
    void openFailure();
    void probeAndRead();
    void demoLegacyPlans();
};

namespace {

using Reader = std::function<bool(ProgramState&, const QString&, PlanWindowEffects*)>;

struct Env : TestEnvironment
{
    Env()
    {
        State.UserName = QStringLiteral("tester");
        State.ComputerName = QStringLiteral("pc1");
    }
    bool Put(const QString& name, const QByteArray& bytes) { return WriteFile(PlanPath(name), bytes); }
    QString PlanPath(const QString& name) const { return QDir(PlansDir()).filePath(name); }
};

Reader readerFor(const QString& which)
{
    if (which == QLatin1String("schedule"))
        return [](ProgramState& s, const QString& n, PlanWindowEffects* e) { return ReadSchedulePlan(s, n, e); };
    if (which == QLatin1String("weekly"))
        return [](ProgramState& s, const QString& n, PlanWindowEffects* e) { return ReadWeeklyPlan(s, n, e); };
    if (which == QLatin1String("legacy schedule"))
        return [](ProgramState& s, const QString& n, PlanWindowEffects* e) { return ReadLegacySchedulePlan(s, n, e); };
    return [](ProgramState& s, const QString& n, PlanWindowEffects* e) { return ReadLegacyWeeklyPlan(s, n, e); };
}

QByteArray truncatedTo(QByteArray bytes, qsizetype size)
{
    bytes.truncate(size);
    QByteArray word;
    AppendInt32(word, 0);
    return bytes.replace(0, 4, word);
}

} // namespace

void TestPlanReaders::listPlans_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("names");

    const auto list = [](const char* items) {
        return *items ? QString::fromUtf8(items).split(QLatin1Char('|')) : QStringList();
    };
    QTest::newRow("any letter case of .PLN")
        << list("A.PLN|b.pln|Zmiana C.Pln|notes.txt|D.PLNX|WOLNE.DAT|PLN") << list("") << list("A|b|Zmiana C");
    QTest::newRow("no plans") << list("WOLNE.DAT") << list("") << list("");
    QTest::newRow("folders are not plans") << list("Y.PLN") << list("X.PLN") << list("Y");
    QTest::newRow("hidden file") << list(".PLN|A.PLN") << list("") << list("A");
}

void TestPlanReaders::listPlans()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, names);
    Env env;
    for (const QString& file : files)
        QVERIFY(env.Put(file, QByteArray(120, '\0')));
    for (const QString& folder : folders)
        QVERIFY(QDir(env.PlansDir()).mkdir(folder));
    const QStringList listed = ListPlans(env.State);
    QCOMPARE(QSet<QString>(listed.begin(), listed.end()), QSet<QString>(names.begin(), names.end()));
    QCOMPARE(listed.size(), names.size());
    QVERIFY(env.Ui.Entries().isEmpty());
    QVERIFY(!env.State.ProgramEnding);
}

void TestPlanReaders::messages_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QByteArray>("file"); // empty: none
    QTest::addColumn<bool>("removeFolder");
    QTest::addColumn<bool>("lockHeld"); // another process holds the plan's lock
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("noPlanEntry");

    const QString badPath = QStringLiteral("Nieprawidłowa ścieżka dostępu do planu pracy.");
    const QString locked = QStringLiteral("Plan pracy: P jest zablokowana przez: jan z stanowisko3.") + Cr +
                           QStringLiteral("Edycja planu pracy niemożliwa.");
    const QByteArray schedule = SchedulePlanFile(0, 2, "012").Build();
    const QByteArray weekly = WeeklyPlanFile(0, 6, {1, 2, 2, 2, 2, 2, 1}).Build();
    QByteArray outOfFrame = weekly;
    outOfFrame.replace(0, 4, QByteArray("\x10\x00\x00\x00", 4)); // header word 0 off the area section

    QTest::newRow("list: no plans folder")
        << "list" << QByteArray() << true << false << QStringLiteral("Brak dostepu do plików planu pracy.") << false;
    QTest::newRow("probe: no plans folder") << "probe" << schedule << true << false << badPath << true;
    QTest::newRow("probe: no file") << "probe" << QByteArray() << false << false
                                    << QStringLiteral("Plik P nieistnieje ") + Cr << true;
    QTest::newRow("schedule: no plans folder") << "schedule" << schedule << true << false << badPath << true;
    QTest::newRow("legacy schedule: no plans folder")
        << "legacy schedule" << schedule << true << false << badPath << true;
    // The weekly readers meet a missing folder or file in the range service.
    QTest::newRow("weekly: no plans folder")
        << "weekly" << weekly << true << false << QStringLiteral("Błąd operacji dyskowej.") << false;
    QTest::newRow("legacy weekly: no file")
        << "legacy weekly" << QByteArray() << false << false << QStringLiteral("Błąd operacji dyskowej.") << false;
    QTest::newRow("weekly: area section out of frame")
        << "weekly" << outOfFrame << false << false << QStringLiteral("Błąd struktury bazy danych.") << false;
    for (const char* reader : {"schedule", "weekly", "legacy schedule", "legacy weekly"}) {
        const QByteArray file = QByteArray(reader).endsWith("weekly") ? weekly : schedule;
        QTest::addRow("%s: plan locked", reader) << reader << file << false << true << locked << false;
    }
}

void TestPlanReaders::messages()
{
    QFETCH(QString, routine);
    QFETCH(QByteArray, file);
    QFETCH(bool, removeFolder);
    QFETCH(bool, lockHeld);
    QFETCH(QString, message);
    QFETCH(bool, noPlanEntry);
    Env env;
    if (!file.isEmpty()) QVERIFY(env.Put(QStringLiteral("P.PLN"), file));
    if (removeFolder) QVERIFY(QDir(env.PlansDir()).removeRecursively());
    std::optional<HeldLock> other;
    if (lockHeld) {
        other.emplace(env.State.DataDir(), QStringLiteral("PlnEdit"), QStringLiteral("P.PLN"),
                      QStringLiteral("jan z stanowisko3"));
        QVERIFY(other->Held());
    }
    PlanWindowEffects effects;
    bool ok = true;
    if (routine == QLatin1String("list"))
        ok = !ListPlans(env.State).isEmpty();
    else if (routine == QLatin1String("probe"))
        ok = ProbePlanKind(env.State, QStringLiteral("P"), &effects) != ProbeFailed;
    else
        ok = readerFor(routine)(env.State, QStringLiteral("P"), &effects);
    QVERIFY(!ok);
    QCOMPARE(env.Ui.OnlyText(), message);
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
    QCOMPARE(effects.ShowNoPlanEntry, noPlanEntry);
    QCOMPARE(env.State.ProgramEnding, routine == QLatin1String("list"));
    if (routine == QLatin1String("list") || routine == QLatin1String("probe")) return;
    // A reader takes the lock first and keeps it when it fails later.
    QCOMPARE(env.State.PlanLockHandle == -1, lockHeld);
    QCOMPARE(env.State.PlanLockState, env.State.PlanLockHandle);
    QVERIFY(effects.CommandButtonsDisabled);
    QVERIFY(!effects.RangeShown);
}

void TestPlanReaders::readSchedulePlan()
{
    Env env;
    PlanFile file = SchedulePlanFile(8766, 8772, "0125364"); // 2024-01-01 .. 2024-01-07
    file.Slots[1] = {1320, 360, 120, 120};
    file.Slots[4] = {0, 0, 0, 0}; // the free-day slot, stored as zeros
    file.Tolerances = {0, 90, 30, 0, 0, 0, 0};
    QVERIFY(env.Put(QStringLiteral("Zmiana.pln"), file.Build())); // any letter case of the extension
    env.State.PlanModified = true;
    PlanWindowEffects effects;
    QVERIFY(ReadSchedulePlan(env.State, QStringLiteral("Zmiana"), &effects));
    QVERIFY(env.Ui.Entries().isEmpty());
    const ProgramState& s = env.State;
    QCOMPARE(s.Plan.Name, QStringLiteral("Zmiana"));
    QCOMPARE(s.Plan.FirstDay, 8766);
    QCOMPARE(s.Plan.LastDay, 8772);
    QCOMPARE(s.Plan.Days.FirstDay(), 8766);
    QCOMPARE(s.Plan.Days.Slots(), (QVector<int32_t>{0, 1, 2, 5, 3, 6, 4}));
    QCOMPARE(s.Plan.Schedules[1].Exit, int16_t(360));
    QCOMPARE(s.Fields.Slots[1][ExitColumn].Text, QStringLiteral("06:00"));
    QCOMPARE(s.Fields.Slots[1][BreakFromColumn].Text, QString());
    QCOMPARE(s.Fields.Slots[4][EntryColumn].Text, QStringLiteral("00:00"));
    QCOMPARE(s.Fields.Pozostale[1], (TimeField{QStringLiteral("01:30"), 90}));
    QVERIFY(s.SchedulesFilled && s.SchedulePlanShown && !s.PlanModified);
    QVERIFY(s.PlanLockHandle != -1);
    QVERIFY(!effects.CommandButtonsDisabled && effects.RangeShown && effects.MonthRedrawn);
}

void TestPlanReaders::silentFailures_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("file"); // empty: no file at all
    QTest::addColumn<bool>("lockTaken");

    const QByteArray good = SchedulePlanFile(10, 16, "0123456").Build();
    QTest::newRow("missing file") << "schedule" << QByteArray() << true;
    QTest::newRow("103 bytes") << "schedule" << truncatedTo(good, 103) << true;
    QTest::newRow("104 bytes") << "schedule" << truncatedTo(good, 104) << true;
    QByteArray beyond = good;
    beyond.replace(0, 4, QByteArray("\xff\xff\x00\x00", 4));
    QTest::newRow("header word 0 beyond the end") << "schedule" << beyond << true;
    QTest::newRow("first day -1") << "schedule" << SchedulePlanFile(-1, 0, "00").Build() << true;
    QTest::newRow("last day 18501") << "schedule" << SchedulePlanFile(18500, 18501, "00").Build() << true;
    QTest::newRow("last day before first") << "schedule" << SchedulePlanFile(5, 4, "").Build() << true;
    QTest::newRow("day byte 7") << "schedule" << SchedulePlanFile(10, 12, "070").Build() << true;
    QTest::newRow("day table cut off") << "schedule" << truncatedTo(good, 115) << true;
    QTest::newRow("legacy day byte 5") << "legacy schedule" << SchedulePlanFile(10, 12, "450", true).Build() << true;
    // Header word 0 stays right, so that the range service accepts the file.
    QByteArray legacyShort = WeeklyPlanFile(0, 0, {1, 1, 1, 1, 1, 1, 1}, true).Build();
    legacyShort.resize(103, '\0');
    QTest::newRow("legacy 103 bytes") << "legacy weekly" << legacyShort << true;
    PlanFile weekly = WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1});
    weekly.LastDay = 18501; // the block's range is checked although a weekly plan does not use it
    QTest::newRow("weekly block range damaged") << "weekly" << weekly.Build() << true;
    QTest::newRow("no user name: opened without lock") << "schedule" << SchedulePlanFile(0, 0, "7").Build() << false;
}

void TestPlanReaders::silentFailures()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, file);
    QFETCH(bool, lockTaken);
    Env env;
    if (!lockTaken) env.State.UserName.clear();
    if (!file.isEmpty()) QVERIFY(env.Put(QStringLiteral("P.PLN"), file));
    env.State.PlanModified = true;
    PlanWindowEffects effects;
    QVERIFY(!readerFor(reader)(env.State, QStringLiteral("P"), &effects));
    QCOMPARE(env.Ui.Texts(), QStringList());
    // The lock stays with the failed plan, and so do the disabled buttons.
    QCOMPARE(env.State.PlanLockHandle != -1, lockTaken);
    QCOMPARE(env.State.PlanLockState, env.State.PlanLockHandle);
    QVERIFY(effects.CommandButtonsDisabled);
    QVERIFY(!effects.MonthRedrawn);
    QVERIFY(env.State.PlanModified);
    QVERIFY(!env.State.SchedulePlanShown);
    QVERIFY(env.State.Plan.Name.isEmpty());
}

void TestPlanReaders::damagedDayTableFilledUpToTheBadDay()
{
    Env env;
    env.State.Plan.Days.Reset(0, 2, 3);
    QVERIFY(env.Put(QStringLiteral("P.PLN"), SchedulePlanFile(100, 105, "512906").Build()));
    QVERIFY(!ReadSchedulePlan(env.State, QStringLiteral("P")));
    QCOMPARE(env.State.Plan.Days.FirstDay(), 100);
    QCOMPARE(env.State.Plan.Days.Slots(), (QVector<int32_t>{5, 1, 2, 0, 0, 0}));
    QVERIFY(!env.State.SchedulesFilled);
}

void TestPlanReaders::readWeeklyPlan()
{
    Env env;
    PlanFile file = WeeklyPlanFile(8766, 9131, {0, 1, 2, 3, 255, 7, 2});
    file.Flags = 0x02;
    file.Header[4] = 450 - 1440;
    file.DayStart = 360;
    QVERIFY(env.Put(QStringLiteral("Tydzien.Pln"), file.Build()));
    env.State.PlanModified = true;
    PlanWindowEffects effects;
    QVERIFY(ReadWeeklyPlan(env.State, QStringLiteral("Tydzien"), &effects));
    QVERIFY(env.Ui.Entries().isEmpty());
    const ProgramState& s = env.State;
    QCOMPARE(s.Plan.FirstDay, 8766);
    QCOMPARE(s.Plan.LastDay, 9131);
    QCOMPARE(s.Plan.WeekdayKinds, (std::array<uint8_t, 7>{0, 1, 2, 3, 255, 7, 2}));
    QVERIFY(s.Plan.IncludeFreeDays);
    QCOMPARE(s.Plan.DailyNorm, 450);
    QCOMPARE(s.Fields.Norma, (TimeField{QStringLiteral("07:30"), 450}));
    QCOMPARE(s.Fields.StartDnia, (TimeField{QStringLiteral("06:00"), 360}));
    QVERIFY(!s.PlanModified && !s.SchedulePlanShown);
    QVERIFY(!effects.CommandButtonsDisabled && effects.RangeShown && effects.WeekdayCellsPainted);

    // Without a start-of-day word the day starts at 0.
    ReleaseLock(env.State, env.State.PlanLockHandle);
    file.Mark = -84;
    QVERIFY(env.Put(QStringLiteral("Tydzien.Pln"), file.Build()));
    QVERIFY(ReadWeeklyPlan(env.State, QStringLiteral("Tydzien")));
    QCOMPARE(env.State.Fields.StartDnia, (TimeField{QStringLiteral("00:00"), 0}));
}

void TestPlanReaders::readLegacyPlans()
{
    Env env;
    PlanFile schedule = SchedulePlanFile(3000, 3004, "04321", true);
    schedule.Slots[3] = {1380, 420, 0, 0};
    QVERIFY(env.Put(QStringLiteral("Stary.PLN"), schedule.Build()));
    const TimeField kept{QStringLiteral("08:08"), 488};
    env.State.Fields.Slots[5].fill(kept);
    QVERIFY(ReadLegacySchedulePlan(env.State, QStringLiteral("Stary")));
    const ProgramState& s = env.State;
    QCOMPARE(s.Plan.Days.Slots(), (QVector<int32_t>{0, 4, 3, 2, 1}));
    QCOMPARE(s.Fields.Slots[3][ExitColumn].Text, QStringLiteral("07:00"));
    QCOMPARE(s.Fields.Slots[5], (std::array<TimeField, 4>{kept, kept, kept, kept}));
    QVERIFY(s.SchedulePlanShown);

    PlanFile weekly = WeeklyPlanFile(100, 200, {4, 0, 1, 2, 3, 5, 4}, true);
    weekly.Flags = 0x02;
    weekly.Header[4] = 480 - 1440;
    QVERIFY(env.Put(QStringLiteral("StaryT.PLN"), weekly.Build()));
    env.State.Fields.StartDnia = {QStringLiteral("06:00"), 360};
    QVERIFY(ReadLegacyWeeklyPlan(env.State, QStringLiteral("StaryT")));
    QVERIFY(env.Ui.Entries().isEmpty());
    QCOMPARE(s.Plan.WeekdayKinds, (std::array<uint8_t, 7>{1, 2, 2, 2, 2, 2, 1}));
    QCOMPARE(s.Plan.LastDay, 200);
    QVERIFY(s.Plan.IncludeFreeDays);
    QCOMPARE(s.Plan.DailyNorm, 480);
    QCOMPARE(s.Fields.StartDnia, (TimeField{QStringLiteral("00:00"), 0}));
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
    int lowestFree = 0;
    while (fcntl(lowestFree, F_GETFD) != -1)
        ++lowestFree;
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(lowestFree);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
    PlanWindowEffects effects;
    const bool read = ReadSchedulePlan(env.State, QStringLiteral("P"), &effects);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
    QVERIFY(!read);
    // Shown as the file-error routine shows the failure of this open.
    RecordingPrompt expected;
    QVERIFY(ShowFileError(expected,
                          FileErrorNumberFor(QFileDevice::ResourceError, env.PlanPath(QStringLiteral("P.PLN"))),
                          QStringLiteral("P.PLN"), QString(), true));
    QCOMPARE(env.Ui.Texts(), expected.Texts());
    QVERIFY(effects.CommandButtonsDisabled);
#else
    QSKIP("needs Linux resource limits");
#endif
}

void TestPlanReaders::probeAndRead()
{
    Env env;
    QVERIFY(!ProbeAndReadPlan(env.State, QStringLiteral("Brak")));
    QCOMPARE(env.Ui.Texts(), (QStringList{QStringLiteral("Plik Brak nieistnieje ") + Cr,
                                          QStringLiteral("Nie udana próba odczytu typu planu pracy")}));
    QCOMPARE(int(env.State.ProbedKind), int(ProbeFailed));
    QVERIFY(!env.State.PlanReadOk);
    QCOMPARE(env.State.PlanLockHandle, -1);

    // A legacy weekly plan goes to the legacy reader, which converts the weekday codes.
    env.Ui.Clear();
    QVERIFY(env.Put(QStringLiteral("T.PLN"), WeeklyPlanFile(0, 6, {4, 0, 0, 0, 0, 0, 4}, true).Build()));
    QVERIFY(ProbeAndReadPlan(env.State, QStringLiteral("T")));
    QVERIFY(env.State.PlanReadOk);
    QCOMPARE(int(env.State.ProbedKind), int(ProbeWeeklyPlan));
    QVERIFY(!env.State.IsCurrentFormat);
    QCOMPARE(env.State.Plan.WeekdayKinds, (std::array<uint8_t, 7>{1, 2, 2, 2, 2, 2, 1}));

    // The legacy plan whose first entry times read as the mark 84 is taken
    // for a current one, and the current reader finds no valid range in it.
    PlanFile at0124 = SchedulePlanFile(0, 2, "012", true);
    at0124.Slots[0].Entry = 84;
    at0124.Slots[1].Entry = 0;
    QVERIFY(env.Put(QStringLiteral("M.PLN"), at0124.Build()));
    QVERIFY(!ProbeAndReadPlan(env.State, QStringLiteral("M")));
    QVERIFY(env.State.IsCurrentFormat);
    QVERIFY(!env.State.PlanReadOk);
}

void TestPlanReaders::demoLegacyPlans()
{
    Env env;
    QString error;
    QVERIFY2(WriteDemoLegacyPlans(TestLibrary(), env.State.DataDir(), &error), qPrintable(error));
    const QStringList names = ListPlans(env.State);
    QCOMPARE(names.size(), 3);
    int opened = 0;
    for (const QString& name : names) {
        QVERIFY(ProbePlanKind(env.State, name) != ProbeFailed);
        QVERIFY(!env.State.IsCurrentFormat);
        env.State.ProbedKind = ProbePlanKind(env.State, name);
        if (ReadProbedPlan(env.State, name)) ++opened;
        ReleaseLock(env.State, env.State.PlanLockHandle);
    }
    QCOMPARE(opened, 2);
    QVERIFY(env.Ui.Entries().isEmpty());
}

QTEST_GUILESS_MAIN(TestPlanReaders)
#include "tst_PlanReaders.moc"

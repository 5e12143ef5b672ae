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
    void listPlansWithoutFolder();
    void probe_data();
    void probe();
    void probeFailures_data();
    void probeFailures();
    void readSchedulePlan();
    void silentFailures_data();
    void silentFailures();
    void damagedDayTableFilledUpToTheBadDay();
    void readWeeklyPlan();
    void weeklyRangeFailures_data();
    void weeklyRangeFailures();
    void readLegacySchedulePlan();
    void readLegacyWeeklyPlan();
    void lockRefused_data();
    void lockRefused();
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

void TestPlanReaders::listPlansWithoutFolder()
{
    Env env;
    QVERIFY(QDir(env.PlansDir()).removeRecursively());
    QVERIFY(ListPlans(env.State).isEmpty());
    QCOMPARE(env.Ui.OnlyText(), QStringLiteral("Brak dostepu do plików planu pracy."));
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
    QVERIFY(env.State.ProgramEnding);
}

void TestPlanReaders::probe_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("current");

    QTest::newRow("current schedule") << SchedulePlanFile(0, 3, "0123").Build() << 1 << true;
    QTest::newRow("current weekly") << WeeklyPlanFile(0, 3, {1, 2, 2, 2, 2, 2, 1}).Build() << 0 << true;
    QTest::newRow("legacy schedule") << SchedulePlanFile(0, 3, "0124", true).Build() << 1 << false;
    QTest::newRow("legacy weekly") << WeeklyPlanFile(0, 3, {4, 2, 2, 2, 2, 2, 4}, true).Build() << 0 << false;
    QTest::newRow("short file: weekly, legacy") << QByteArray(10, '\x01') << 0 << false;
}

void TestPlanReaders::probe()
{
    QFETCH(QByteArray, file);
    QFETCH(int, kind);
    QFETCH(bool, current);
    Env env;
    QVERIFY(env.Put(QStringLiteral("P.PLN"), file));
    env.State.IsCurrentFormat = !current;
    PlanWindowEffects effects;
    QCOMPARE(int(ProbePlanKind(env.State, QStringLiteral("P"), &effects)), kind);
    QCOMPARE(env.State.IsCurrentFormat, current);
    QVERIFY(env.Ui.Entries().isEmpty());
    QVERIFY(!effects.ShowNoPlanEntry);
    QCOMPARE(env.State.PlanLockHandle, -1); // the probe takes no lock
}

void TestPlanReaders::probeFailures_data()
{
    QTest::addColumn<bool>("removeFolder");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << false << QStringLiteral("Plik BRAK nieistnieje \r");
    QTest::newRow("missing plans folder") << true << QStringLiteral("Nieprawidłowa ścieżka dostępu do planu pracy.");
}

void TestPlanReaders::probeFailures()
{
    QFETCH(bool, removeFolder);
    QFETCH(QString, message);
    Env env;
    if (removeFolder) QVERIFY(QDir(env.PlansDir()).removeRecursively());
    PlanWindowEffects effects;
    QCOMPARE(int(ProbePlanKind(env.State, QStringLiteral("BRAK"), &effects)), int(ProbeFailed));
    QCOMPARE(env.Ui.OnlyText(), message);
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
    QVERIFY(effects.ShowNoPlanEntry);
}

void TestPlanReaders::readSchedulePlan()
{
    Env env;
    PlanFile file = SchedulePlanFile(8766, 8772, "0125364"); // 2024-01-01 .. 2024-01-07
    file.Slots[0] = {420, 900, 660, 680};
    file.Slots[1] = {1320, 360, 120, 120};
    file.Slots[4] = {0, 0, 0, 0}; // the free-day slot, stored as zeros
    file.Slots[6] = {450, 930, -1, 700};
    file.Tolerances = {0, 90, 30, 0, 0, 0, 0};
    QVERIFY(env.Put(QStringLiteral("Zmiana.PLN"), file.Build()));
    env.State.PlanModified = true;
    PlanWindowEffects effects;
    QVERIFY(ReadSchedulePlan(env.State, QStringLiteral("Zmiana"), &effects));
    QVERIFY(env.Ui.Entries().isEmpty());

    const ProgramState& s = env.State;
    QCOMPARE(s.Plan.Name, QStringLiteral("Zmiana"));
    QCOMPARE(s.Plan.Kind, PlanKind::SchedulePlan);
    QCOMPARE(s.Plan.FirstDay, 8766);
    QCOMPARE(s.Plan.LastDay, 8772);
    QCOMPARE(s.Plan.Days.Slots(), (QVector<int32_t>{0, 1, 2, 5, 3, 6, 4}));
    QCOMPARE(s.Plan.Days.FirstDay(), 8766);
    QCOMPARE(s.Plan.Schedules[1].Exit, int16_t(360));
    QCOMPARE(s.Plan.Tolerances[1], int16_t(90));

    const auto text = [&](int slot, int column) { return s.Fields.Slots[slot][column].Text; };
    QCOMPARE(text(0, EntryColumn), QStringLiteral("07:00"));
    QCOMPARE(text(0, BreakToColumn), QStringLiteral("11:20"));
    QCOMPARE(text(1, ExitColumn), QStringLiteral("06:00"));
    QCOMPARE(text(1, BreakFromColumn), QString()); // equal break times
    QCOMPARE(text(1, BreakToColumn), QString());
    QCOMPARE(text(4, EntryColumn), QStringLiteral("00:00"));
    QCOMPARE(text(4, BreakFromColumn), QString());
    QCOMPARE(text(6, BreakFromColumn), QString());
    QCOMPARE(text(6, BreakToColumn), QStringLiteral("11:40"));
    QCOMPARE(s.Fields.Pozostale[0], (TimeField{QStringLiteral("00:01"), 1}));
    QCOMPARE(s.Fields.Pozostale[1], (TimeField{QStringLiteral("01:30"), 90}));
    QCOMPARE(s.Fields.Pozostale[3], (TimeField{QStringLiteral("00:01"), 1}));

    QVERIFY(s.SchedulesFilled);
    QVERIFY(s.SchedulePlanShown);
    QVERIFY(!s.PlanModified);
    QVERIFY(s.PlanLockHandle != -1);
    QCOMPARE(s.PlanLockState, s.PlanLockHandle);
    QVERIFY(!effects.CommandButtonsDisabled);
    QVERIFY(effects.RangeShown);
    QVERIFY(effects.MonthRedrawn);
    QVERIFY(!effects.ShowNoPlanEntry);
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
    QVERIFY(env.Put(QStringLiteral("Tydzien.PLN"), file.Build()));
    env.State.PlanModified = true;
    PlanWindowEffects effects;
    QVERIFY(ReadWeeklyPlan(env.State, QStringLiteral("Tydzien"), &effects));
    QVERIFY(env.Ui.Entries().isEmpty());
    const ProgramState& s = env.State;
    QCOMPARE(s.PlanRangeStatus, uint8_t(0));
    QCOMPARE(s.Plan.FirstDay, 8766);
    QCOMPARE(s.Plan.LastDay, 9131);
    QCOMPARE(s.Plan.WeekdayKinds, (std::array<uint8_t, 7>{0, 1, 2, 3, 255, 7, 2}));
    QVERIFY(s.Plan.IncludeFreeDays);
    QCOMPARE(s.Plan.DailyNorm, 450);
    QCOMPARE(s.Plan.DayStart, 360);
    QCOMPARE(s.Fields.Norma, (TimeField{QStringLiteral("07:30"), 450}));
    QCOMPARE(s.Fields.StartDnia, (TimeField{QStringLiteral("06:00"), 360}));
    QCOMPARE(s.Plan.Kind, PlanKind::WeeklyPlan);
    QVERIFY(!s.PlanModified);
    QVERIFY(!s.SchedulePlanShown);
    QVERIFY(s.PlanLockHandle != -1);
    QVERIFY(effects.RangeShown);
    QVERIFY(effects.WeekdayCellsPainted);
    QVERIFY(!effects.CommandButtonsDisabled);

    // The free-days flag is cleared first: a plan without it leaves it clear.
    ReleaseLock(env.State, env.State.PlanLockHandle);
    file.Flags = 0;
    QVERIFY(env.Put(QStringLiteral("Tydzien.PLN"), file.Build()));
    QVERIFY(ReadWeeklyPlan(env.State, QStringLiteral("Tydzien")));
    QVERIFY(!env.State.Plan.IncludeFreeDays);
}

void TestPlanReaders::weeklyRangeFailures_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << QByteArray() << 1 << QStringLiteral("Błąd operacji dyskowej.");
    QByteArray badSection = WeeklyPlanFile(0, 30, {1, 2, 2, 2, 2, 2, 1}).Build();
    badSection.replace(0, 4, QByteArray("\x10\x00\x00\x00", 4)); // header word 0 off the section
    QTest::newRow("area section out of frame") << badSection << 2 << QStringLiteral("Błąd struktury bazy danych.");
}

void TestPlanReaders::weeklyRangeFailures()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, message);
    Env env;
    if (!file.isEmpty()) QVERIFY(env.Put(QStringLiteral("W.PLN"), file));
    env.State.Plan.IncludeFreeDays = true;
    PlanWindowEffects effects;
    QVERIFY(!ReadWeeklyPlan(env.State, QStringLiteral("W"), &effects));
    QCOMPARE(int(env.State.PlanRangeStatus), status);
    QCOMPARE(env.Ui.OnlyText(), message);
    QVERIFY(!env.State.Plan.IncludeFreeDays);
    QVERIFY(!effects.RangeShown);
    QVERIFY(effects.CommandButtonsDisabled);
}

void TestPlanReaders::readLegacySchedulePlan()
{
    Env env;
    PlanFile file = SchedulePlanFile(3000, 3004, "04321", true);
    file.Slots[0] = {360, 840, 600, 615};
    file.Slots[3] = {1380, 420, 0, 0};
    file.Tolerances = {10, 60, 20, 0, 0, 0, 0};
    QVERIFY(env.Put(QStringLiteral("Stary.PLN"), file.Build()));
    const TimeField kept{QStringLiteral("08:08"), 488};
    for (int slot = 4; slot < 7; ++slot)
        env.State.Fields.Slots[slot].fill(kept);
    env.State.Plan.Schedules[5] = {1, 2, 3, 4};
    PlanWindowEffects effects;
    QVERIFY(ReadLegacySchedulePlan(env.State, QStringLiteral("Stary"), &effects));
    QVERIFY(env.Ui.Entries().isEmpty());
    const ProgramState& s = env.State;
    QCOMPARE(s.Plan.Days.Slots(), (QVector<int32_t>{0, 4, 3, 2, 1}));
    QCOMPARE(s.Fields.Slots[0][BreakFromColumn].Text, QStringLiteral("10:00"));
    QCOMPARE(s.Fields.Slots[3][ExitColumn].Text, QStringLiteral("07:00"));
    QCOMPARE(s.Fields.Slots[3][BreakFromColumn].Text, QString());
    QCOMPARE(s.Fields.Pozostale[3], (TimeField{QStringLiteral("00:01"), 1}));
    for (int slot = 4; slot < 7; ++slot) {
        for (const TimeField& field : s.Fields.Slots[slot])
            QCOMPARE(field, kept);
    }
    QCOMPARE(s.Plan.Schedules[5].Exit, int16_t(2));
    QVERIFY(s.SchedulePlanShown);
    QVERIFY(effects.MonthRedrawn);
}

void TestPlanReaders::readLegacyWeeklyPlan()
{
    Env env;
    PlanFile file = WeeklyPlanFile(100, 200, {4, 0, 1, 2, 3, 5, 4}, true);
    file.Flags = 0x02;
    file.Header[4] = 480 - 1440;
    QVERIFY(env.Put(QStringLiteral("StaryT.PLN"), file.Build()));
    env.State.Fields.StartDnia = {QStringLiteral("06:00"), 360};
    env.State.Plan.DayStart = 360;
    QVERIFY(ReadLegacyWeeklyPlan(env.State, QStringLiteral("StaryT")));
    QVERIFY(env.Ui.Entries().isEmpty());
    const ProgramState& s = env.State;
    QCOMPARE(s.Plan.WeekdayKinds, (std::array<uint8_t, 7>{1, 2, 2, 2, 2, 2, 1}));
    QCOMPARE(s.Plan.FirstDay, 100);
    QCOMPARE(s.Plan.LastDay, 200);
    QVERIFY(s.Plan.IncludeFreeDays);
    QCOMPARE(s.Plan.DailyNorm, 480);
    QCOMPARE(s.Plan.DayStart, 0);
    QCOMPARE(s.Fields.StartDnia, (TimeField{QStringLiteral("00:00"), 0}));
}

void TestPlanReaders::lockRefused_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("file");
    for (const char* reader : {"schedule", "weekly", "legacy schedule", "legacy weekly"}) {
        const bool legacy = QByteArray(reader).startsWith("legacy");
        const QByteArray file = QByteArray(reader).endsWith("weekly")
                                    ? WeeklyPlanFile(0, 6, {1, 2, 2, 2, 2, 2, 1}, legacy).Build()
                                    : SchedulePlanFile(0, 2, "012", legacy).Build();
        QTest::newRow(reader) << QString::fromLatin1(reader) << file;
    }
}

void TestPlanReaders::lockRefused()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, file);
    Env env;
    QVERIFY(env.Put(QStringLiteral("Zajety.PLN"), file));
    HeldLock other(env.State.DataDir(), QStringLiteral("PlnEdit"), QStringLiteral("Zajety.PLN"),
                   QStringLiteral("jan z stanowisko3"));
    QVERIFY(other.Held());
    env.State.PlanLockHandle = 77;
    PlanWindowEffects effects;
    QVERIFY(!readerFor(reader)(env.State, QStringLiteral("Zajety"), &effects));
    QCOMPARE(env.Ui.OnlyText(), QStringLiteral("Plan pracy: Zajety jest zablokowana przez: jan z stanowisko3.") + Cr +
                                    QStringLiteral("Edycja planu pracy niemożliwa."));
    QCOMPARE(env.State.PlanLockHandle, -1);
    QCOMPARE(env.State.PlanLockState, -1);
    QVERIFY(effects.CommandButtonsDisabled);
    QVERIFY(!effects.RangeShown);
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

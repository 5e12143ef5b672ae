#include "TestSupport.h"

#include "demo/DemoData.h"
#include "demo/DemoPlans.h"
#include "plan/AreaChain.h"
#include "plan/PlanReader.h"
#include "plan/ZapisPlanuPracy.h"

#include <QDir>
#include <QStorageInfo>
#include <QTest>

namespace {

const QString cr(QChar(13));
const QString PathMessage =
    QStringLiteral("Nie można zapisać pliku planu pracy. Ścieżka dostępu do plików planu pracy jest błędna.");
const QString SavedMessage = QStringLiteral("Plan pracy został poprawnie zapisany do pliku.");

uint32_t word(int32_t minute, int kind, uint32_t flags = 0)
{
    return uint32_t(minute) | uint32_t(kind) << 26 | flags;
}
constexpr uint32_t F = 0x20000000; // first of a day, and the final record
constexpr uint32_t E = 0x40000000; // work after an earlier-entry window

// A schedule plan file put together from the layout, field by field.
struct HandSchedulePlan
{
    int32_t First = 0;
    QList<int> Entry, Exit, BreakFrom, BreakTo; // 7 each
    QList<int> Allowances;                      // 4
    QByteArray Slots;                           // one byte per day
    QList<int> Index;
    QList<uint32_t> Areas;

    QByteArray Bytes() const
    {
        const int days = int(Slots.size());
        QByteArray b;
        AppendInt32(b, 20 + 88 + 4 + days + 8 + days * 4 + 4);
        AppendInt32(b, 12);
        AppendInt32(b, 0);
        AppendInt32(b, Allowances.at(2));
        AppendInt32(b, 0);
        AppendInt32(b, 88 + days);
        AppendInt32(b, -88);
        for (const QList<int>* times : {&Entry, &Exit, &BreakFrom, &BreakTo})
            for (int value : *times)
                AppendInt16(b, int16_t(value));
        for (int i = 0; i < 7; ++i)
            AppendInt16(b, int16_t(i < 4 ? Allowances.at(i) : 0));
        AppendByte(b, 1);
        AppendByte(b, 1);
        AppendInt32(b, First);
        AppendInt32(b, First + days - 1);
        AppendInt32(b, 0);
        b.append(Slots);
        AppendInt32(b, days * 4 + 8);
        AppendInt32(b, First * 1440);
        for (int start : Index)
            AppendInt32(b, start);
        AppendInt32(b, int32_t(Areas.last() & 0x3ffffff));
        for (uint32_t area : Areas)
            AppendInt32(b, int32_t(area));
        return b;
    }
};

QByteArray handWeeklyPlan(int32_t first, const QString& kinds, int dayStart, int norm, const QByteArray& weekdays,
                          bool includeFreeDays)
{
    const int days = int(kinds.size());
    QByteArray b;
    AppendInt32(b, 20 + 88 + 4 + 7 + 8 + days * 4 + 4);
    AppendInt32(b, 12);
    AppendInt32(b, 0);
    AppendInt32(b, 0);
    AppendInt32(b, norm - 1440);
    AppendInt32(b, 95);
    AppendInt32(b, -88);
    b.append(70, '\0');
    AppendByte(b, 0);
    AppendByte(b, includeFreeDays ? 2 : 0);
    AppendInt32(b, 0);
    AppendInt32(b, 0);
    AppendInt32(b, dayStart);
    b.append(weekdays);
    AppendInt32(b, days * 4 + 8);
    AppendInt32(b, first * 1440);
    for (int i = 0; i < days; ++i)
        AppendInt32(b, (first + i) * 1440 + dayStart);
    AppendInt32(b, (first + days - 1) * 1440);
    for (int i = 0; i < days; ++i)
        AppendInt32(b, int32_t(word((first + i) * 1440 + dayStart, kinds.at(i).digitValue(), F)));
    return b;
}

int32_t dayOf(int year, int month, int day)
{
    return TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day), 0, 0) / 1440;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A plan that saves cleanly: two slots, three days.
void fillSmallPlan(ProgramState& state)
{
    TypeSchedule(state.Fields, 0, QStringLiteral("08:00-16:00 12:00-12:30"));
    TypeSchedule(state.Fields, 1, QStringLiteral("22:00-06:00"));
    TypeAllowances(state.Fields, {QStringLiteral("00:15"), QStringLiteral("01:00"), QStringLiteral("00:45"),
                                  QStringLiteral("00:30")});
    SetDays(state.Plan, dayOf(2024, 3, 1), QStringLiteral("041"));
}

} // namespace

class TestPlanWriters : public QObject
{
    Q_OBJECT

private slots:
    void scheduleFile_data();
    void scheduleFile();
    void weeklyFile_data();
    void weeklyFile();
    void overlapKeepsOldPlan_data();
    void overlapKeepsOldPlan();
    void scheduleRefusals_data();
    void scheduleRefusals();
    void weeklyRefusals_data();
    void weeklyRefusals();
    void otherFileSystem();
    void deleteFile_data();
    void deleteFile();
    void demoPlans();
};

void TestPlanWriters::scheduleFile_data()
{
    QTest::addColumn<QStringList>("schedules");
    QTest::addColumn<QStringList>("allowances");
    QTest::addColumn<QString>("daySlots");
    QTest::addColumn<int>("first");
    QTest::addColumn<QByteArray>("expected");

    const int n = -1;
    {
        const int32_t first = dayOf(2024, 3, 1);
        const int t = first * 1440;
        HandSchedulePlan plan;
        plan.First = first;
        plan.Entry = {480, 1320, n, n, 0, n, n};
        plan.Exit = {960, 360, n, n, 0, n, n}; // as typed, not moved to the next day
        plan.BreakFrom = {720, n, n, n, 0, n, n};
        plan.BreakTo = {750, n, n, n, 0, n, n};
        plan.Allowances = {15, 60, 45, 30};
        plan.Slots = QByteArray("\x00\x04\x01", 3);
        plan.Index = {t + 465, t + 1440, t + 2880 + 1305};
        plan.Areas = {word(t + 465, 1, F),
                      word(t + 480, 2, E),
                      word(t + 720, 3),
                      word(t + 750, 2),
                      word(t + 960, 4),
                      word(t + 1020, 1),
                      word(t + 1050, 0),
                      word(t + 1440, 0, F),
                      word(t + 2880 + 1305, 1, F),
                      word(t + 2880 + 1320, 2, E),
                      word(t + 4320 + 360, 4),
                      word(t + 4320 + 420, 1),
                      word(t + 4320 + 450, 0, F)};
        QTest::newRow("day, free day, night")
            << QStringList{QStringLiteral("08:00-16:00 12:00-12:30"), QStringLiteral("22:00-06:00")}
            << QStringList{QStringLiteral("00:15"), QStringLiteral("01:00"), QStringLiteral("00:45"),
                           QStringLiteral("00:30")}
            << "041" << first << plan.Bytes();
    }
    {
        HandSchedulePlan plan;
        plan.First = 0;
        plan.Entry = plan.Exit = plan.BreakFrom = plan.BreakTo = {n, n, n, n, 0, n, n};
        plan.Allowances = {n, n, n, n};
        plan.Slots = QByteArray(1, '\x04');
        plan.Index = {0};
        plan.Areas = {word(0, 0, F)};
        QTest::newRow("one free day, nothing typed")
            << QStringList{} << QStringList{QString(), QString(), QString(), QString()} << "4" << 0 << plan.Bytes();
    }
    {
        const int t = 18500 * 1440;
        HandSchedulePlan plan;
        plan.First = 18500;
        plan.Entry = {n, n, n, n, 0, n, 420};
        plan.Exit = {n, n, n, n, 0, n, 900};
        plan.BreakFrom = plan.BreakTo = {n, n, n, n, 0, n, n};
        plan.Allowances = {1, 0, n, 10};
        plan.Slots = QByteArray(1, '\x06');
        plan.Index = {t + 419};
        plan.Areas = {word(t + 419, 1, F), word(t + 420, 2, E), word(t + 900, 1), word(t + 910, 0, F)};
        QTest::newRow("last day of all, zero allowances typed")
            << QStringList{QString(),
                           QString(),
                           QString(),
                           QString(),
                           QString(),
                           QString(),
                           QStringLiteral("07:00-15:00")}
            << QStringList{QStringLiteral("00:00"), QStringLiteral("00:00"), QString(), QStringLiteral("00:10")} << "6"
            << 18500 << plan.Bytes();
    }
}

void TestPlanWriters::scheduleFile()
{
    QFETCH(QStringList, schedules);
    QFETCH(QStringList, allowances);
    QFETCH(QString, daySlots);
    QFETCH(int, first);
    QFETCH(QByteArray, expected);

    TestEnvironment env;
    for (int slot = 0; slot < schedules.size(); ++slot)
        QVERIFY(TypeSchedule(env.State.Fields, slot, schedules.at(slot)));
    QVERIFY(TypeAllowances(env.State.Fields, allowances));
    SetDays(env.State.Plan, first, daySlots);
    env.State.PlanModified = true;

    const PlanSaveResult result = ZapiszPlanHarmonogramow(env.State, QStringLiteral("  Zmiana A "), true);
    QVERIFY(result.Ok());
    QCOMPARE(ReadFile(QDir(env.PlansDir()).filePath(QStringLiteral("Zmiana A.PLN"))), expected);
    QCOMPARE(env.Ui.OnlyText(), SavedMessage);
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Information);
    QVERIFY(!env.State.PlanModified);
    QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Zmiana A.PLN")});
    QCOMPARE(entriesOf(env.State.KatalogTemp), QStringList{});

    // Saving again over the file gives the same bytes.
    QVERIFY(ZapiszPlanHarmonogramow(env.State, QStringLiteral("Zmiana A"), false).Ok());
    QCOMPARE(ReadFile(QDir(env.PlansDir()).filePath(QStringLiteral("Zmiana A.PLN"))), expected);
}

void TestPlanWriters::weeklyFile_data()
{
    QTest::addColumn<bool>("uniform");
    QTest::addColumn<bool>("include");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("oldFile");
    QTest::addColumn<QString>("kinds"); // area kind of each day, 1-7 May 2024 (Wednesday to Tuesday)
    QTest::addColumn<QByteArray>("weekdays");
    QTest::addColumn<bool>("flag");

    const QByteArray usual("\x01\x02\x02\x02\x02\x02\x01", 7);
    const QByteArray allFree(7, '\x01');
    QTest::newRow("weekdays only") << false << false << true << true << "2224422" << usual << false;
    QTest::newRow("uniform week") << true << false << true << true << "2222222" << allFree << false;
    QTest::newRow("free days taken into account") << false << true << true << true << "4244422" << usual << true;
    QTest::newRow("free days in a uniform week") << true << true << true << false << "4242222" << allFree << true;
    QTest::newRow("free days wanted, not loaded") << false << true << false << true << "2224422" << usual << true;
    QTest::newRow("plan with no file yet") << false << false << false << false << "2224422" << usual << false;
}

void TestPlanWriters::weeklyFile()
{
    QFETCH(bool, uniform);
    QFETCH(bool, include);
    QFETCH(bool, loaded);
    QFETCH(bool, oldFile);
    QFETCH(QString, kinds);
    QFETCH(QByteArray, weekdays);
    QFETCH(bool, flag);

    TestEnvironment env;
    ProgramState& state = env.State;
    state.Plan.Kind = PlanKind::WeeklyPlan;
    state.Plan.FirstDay = dayOf(2024, 5, 1);
    state.Plan.LastDay = dayOf(2024, 5, 7);
    state.Plan.IncludeFreeDays = include;
    QVERIFY(TypeTime(state.Fields.Norma, QStringLiteral("07:35")));
    QVERIFY(TypeTime(state.Fields.StartDnia, QStringLiteral("06:00")));
    // 1 May every year, 3 May 2024 once, 2 May 2023 once.
    FreeDayList& free = state.FreeDays;
    for (const auto& [month, day, year, recurring] :
         {std::tuple{5, 1, 2010, true}, std::tuple{5, 3, 2024, false}, std::tuple{5, 2, 2023, false}}) {
        free.Dates.append(TestLibrary().DateToLong(2000, uint8_t(month), uint8_t(day), 0, 0));
        free.Years.append(year - 2000);
        free.Recurring.append(recurring ? 1 : 0);
        free.Names.append(QStringLiteral("Święto"));
    }
    state.FreeDaysLoaded = loaded;
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Tydzień.PLN"));
    if (oldFile) QVERIFY(WriteFile(path, QByteArray(5000, 'x')));
    state.PlanModified = true;

    QVERIFY(ZapiszPlanTygodniowy(state, QStringLiteral("Tydzień"), true, uniform).Ok());
    QCOMPARE(ReadFile(path), handWeeklyPlan(state.Plan.FirstDay, kinds, 360, 455, weekdays, flag));
    QCOMPARE(env.Ui.Texts(), QStringList{SavedMessage});
    QVERIFY(!state.PlanModified);
    QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Tydzień.PLN")});
    QCOMPARE(entriesOf(state.KatalogTemp), QStringList{});
}

void TestPlanWriters::overlapKeepsOldPlan_data()
{
    QTest::addColumn<bool>("show");
    QTest::newRow("messages on") << true;
    QTest::newRow("messages off") << false;
}

void TestPlanWriters::overlapKeepsOldPlan()
{
    QFETCH(bool, show);
    TestEnvironment env;
    ProgramState& state = env.State;
    // A late shift, then an early one whose earlier-entry window reaches into
    // the late shift's overtime.
    QVERIFY(TypeSchedule(state.Fields, 0, QStringLiteral("14:00-22:00")));
    QVERIFY(TypeSchedule(state.Fields, 1, QStringLiteral("04:00-12:00")));
    QVERIFY(TypeAllowances(state.Fields,
                           {QStringLiteral("05:00"), QStringLiteral("02:00"), QString(), QStringLiteral("01:00")}));
    const int32_t first = dayOf(2025, 12, 30);
    SetDays(state.Plan, first, QStringLiteral("4014"));
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Zmiany.PLN"));
    const QByteArray old("the plan as it was");
    QVERIFY(WriteFile(path, old));
    state.PlanModified = true;

    const PlanSaveResult result = ZapiszPlanHarmonogramow(state, QStringLiteral("Zmiany"), show);
    QCOMPARE(result.Status, SaveStatus::Overlap);
    // The window of 1 January starts at 23:00 on 31 December.
    QCOMPARE(result.OverlapStart, std::optional<int32_t>((first + 1) * 1440 + 23 * 60));
    QCOMPARE(result.OverlapDay(), std::optional<int32_t>(first + 1));
    QCOMPARE(env.Ui.Texts(), show ? QStringList{QStringLiteral("Zapis planu niemożliwy.") + cr +
                                                QStringLiteral("Obszar przebywania prywatnego zaczynający się w dniu "
                                                               "31-12-2025 o godzinie 23:00 nakłada się na poprzednie "
                                                               "obszary.")}
                                  : QStringList{});
    if (show) QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
    QCOMPARE(ReadFile(path), old);
    QVERIFY(state.PlanModified);
    QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Zmiany.PLN")});
    QCOMPARE(entriesOf(state.KatalogTemp), QStringList{});
}

void TestPlanWriters::scheduleRefusals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("show");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // with messages on

    const int refused = int(SaveStatus::ScheduleRefused), path = int(SaveStatus::PathError),
              file = int(SaveStatus::FileError);
    const QString breakMessage = QStringLiteral("Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.");
    QTest::newRow("one-ended break") << "one-ended break"
                                     << "Plan" << true << refused << breakMessage;
    QTest::newRow("one-ended break, messages off") << "one-ended break"
                                                   << "Plan" << false << refused << breakMessage;
    QTest::newRow("no TEMP folder") << "no TEMP"
                                    << "Plan" << true << path << PathMessage;
    QTest::newRow("no plans folder") << "no plans folder"
                                     << "Plan" << true << path << PathMessage;
    QTest::newRow("plan file is a folder") << "target folder"
                                           << "Plan" << true << path << PathMessage;
    QTest::newRow("scratch name taken by a folder")
        << "scratch folder"
        << "Plan" << true << file << QStringLiteral("Brak dostępu do pliku Plan.PLN") + cr;
    QTest::newRow("name with a folder in it")
        << ""
        << "../Plan" << true << file << QStringLiteral("Nieprawidłowa nazwa pliku ../Plan.PLN") + cr;
    QTest::newRow("blank name") << ""
                                << "   " << true << file << QStringLiteral("Nieprawidłowa nazwa pliku .PLN") + cr;
    QTest::newRow("no plans folder, messages off") << "no plans folder"
                                                   << "Plan" << false << path << "";
}

void TestPlanWriters::scheduleRefusals()
{
    QFETCH(QString, setup);
    QFETCH(QString, name);
    QFETCH(bool, show);
    QFETCH(int, status);
    QFETCH(QString, message);

    TestEnvironment env;
    ProgramState& state = env.State;
    fillSmallPlan(state);
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Plan.PLN"));
    const QByteArray old("old plan");
    QVERIFY(WriteFile(path, old));
    if (setup == QLatin1String("one-ended break"))
        state.Fields.Slots[1][BreakToColumn] = {QStringLiteral("03:00"), 180};
    else if (setup == QLatin1String("no TEMP"))
        QVERIFY(QDir(state.KatalogTemp).removeRecursively());
    else if (setup == QLatin1String("no plans folder"))
        QVERIFY(QDir(env.PlansDir()).removeRecursively());
    else if (setup == QLatin1String("target folder"))
        QVERIFY(QFile::remove(path) && QDir().mkpath(QDir(path).filePath(QStringLiteral("inside"))));
    else if (setup == QLatin1String("scratch folder"))
        QVERIFY(QDir(state.KatalogTemp).mkdir(QStringLiteral("Plan.PLN")));
    state.PlanModified = true;

    const PlanSaveResult result = ZapiszPlanHarmonogramow(state, name, show);
    QCOMPARE(int(result.Status), status);
    const bool alwaysShown = result.Status == SaveStatus::ScheduleRefused;
    QCOMPARE(env.Ui.Texts(), (show || alwaysShown) && !message.isEmpty() ? QStringList{message} : QStringList{});
    QVERIFY(state.PlanModified);
    QVERIFY(!result.OverlapStart);
    if (setup == QLatin1String("target folder")) {
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(entriesOf(path), QStringList{QStringLiteral("inside")});
    } else if (setup != QLatin1String("no plans folder")) {
        QCOMPARE(ReadFile(path), old);
        QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Plan.PLN")});
    }
    if (setup == QLatin1String("scratch folder"))
        QCOMPARE(entriesOf(state.KatalogTemp), QStringList{QStringLiteral("Plan.PLN")});
    else if (setup != QLatin1String("no TEMP"))
        QCOMPARE(entriesOf(state.KatalogTemp), QStringList{});
    QCOMPARE(entriesOf(QFileInfo(env.PlansDir()).path()),
             QStringList{QStringLiteral("PERSONEL")} +
                 (setup == QLatin1String("no plans folder") ? QStringList{} : QStringList{QStringLiteral("PLANY")}));
}

void TestPlanWriters::weeklyRefusals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("message");

    QTest::newRow("no plans folder") << "no plans folder"
                                     << "Plan" << true << false
                                     << QStringLiteral("Nie odnaleziono pliku Plan.PLN") + cr;
    QTest::newRow("no plans folder, messages off") << "no plans folder"
                                                   << "Plan" << false << false << "";
    QTest::newRow("plan file is a folder")
        << "target folder"
        << "Plan" << true << false << QStringLiteral("Brak dostępu do pliku Plan.PLN") + cr;
    QTest::newRow("name with a folder in it")
        << ""
        << "a/b" << true << false << QStringLiteral("Nieprawidłowa nazwa pliku a/b.PLN") + cr;
    QTest::newRow("no TEMP folder") << "no TEMP"
                                    << "Plan" << true << true << SavedMessage;
    QTest::newRow("scratch name taken by a folder") << "scratch folder"
                                                    << "Plan" << true << true << SavedMessage;
}

void TestPlanWriters::weeklyRefusals()
{
    QFETCH(QString, setup);
    QFETCH(QString, name);
    QFETCH(bool, show);
    QFETCH(bool, saved);
    QFETCH(QString, message);

    TestEnvironment env;
    ProgramState& state = env.State;
    state.Plan.Kind = PlanKind::WeeklyPlan;
    state.Plan.FirstDay = 100;
    state.Plan.LastDay = 130;
    QVERIFY(TypeTime(state.Fields.Norma, QStringLiteral("08:00")));
    QVERIFY(TypeTime(state.Fields.StartDnia, QStringLiteral("00:00")));
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Plan.PLN"));
    const QByteArray old("old plan");
    QVERIFY(WriteFile(path, old));
    if (setup == QLatin1String("no TEMP"))
        QVERIFY(QDir(state.KatalogTemp).removeRecursively());
    else if (setup == QLatin1String("no plans folder"))
        QVERIFY(QDir(env.PlansDir()).removeRecursively());
    else if (setup == QLatin1String("target folder"))
        QVERIFY(QFile::remove(path) && QDir().mkpath(QDir(path).filePath(QStringLiteral("inside"))));
    else if (setup == QLatin1String("scratch folder"))
        QVERIFY(QDir(state.KatalogTemp).mkdir(QStringLiteral("Plan.PLN")));

    const PlanSaveResult result = ZapiszPlanTygodniowy(state, name, show, false);
    QCOMPARE(result.Ok(), saved);
    QCOMPARE(env.Ui.Texts(), show && !message.isEmpty() ? QStringList{message} : QStringList{});
    if (!saved && !message.isEmpty()) QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
    if (saved) {
        QCOMPARE(ReadFile(path).size(), 20 + 88 + 4 + 7 + 12 + 31 * 8);
    } else if (setup.isEmpty()) {
        QCOMPARE(ReadFile(path), old);
    }
    if (setup != QLatin1String("no plans folder") && setup != QLatin1String("target folder"))
        QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Plan.PLN")});
    if (setup == QLatin1String("scratch folder"))
        QCOMPARE(entriesOf(state.KatalogTemp), QStringList{QStringLiteral("Plan.PLN")});
    else if (setup != QLatin1String("no TEMP"))
        QCOMPARE(entriesOf(state.KatalogTemp), QStringList{});
}

// TEMP on another file system than the plans: the new file cannot be renamed
// across, so it is written beside the plan and renamed there.
void TestPlanWriters::otherFileSystem()
{
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/planwrite-XXXXXX"));
    TestEnvironment env;
    if (!elsewhere.isValid() || QStorageInfo(elsewhere.path()).device() == QStorageInfo(env.PlansDir()).device())
        QSKIP("needs a folder on another file system (/dev/shm)");

    TestEnvironment reference;
    fillSmallPlan(reference.State);
    QVERIFY(ZapiszPlanHarmonogramow(reference.State, QStringLiteral("Plan"), false).Ok());
    const QByteArray expected = ReadFile(QDir(reference.PlansDir()).filePath(QStringLiteral("Plan.PLN")));

    fillSmallPlan(env.State);
    env.State.KatalogTemp = elsewhere.path();
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Plan.PLN"));
    QVERIFY(WriteFile(path, "old plan"));
    QVERIFY(ZapiszPlanHarmonogramow(env.State, QStringLiteral("Plan"), false).Ok());
    QCOMPARE(ReadFile(path), expected);
    QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Plan.PLN")});
    QCOMPARE(entriesOf(elsewhere.path()), QStringList{});

    env.State.Plan.Kind = PlanKind::WeeklyPlan;
    QVERIFY(TypeTime(env.State.Fields.Norma, QStringLiteral("08:00")));
    QVERIFY(TypeTime(env.State.Fields.StartDnia, QStringLiteral("07:00")));
    QVERIFY(ZapiszPlanTygodniowy(env.State, QStringLiteral("Plan"), false, true).Ok());
    QCOMPARE(ReadFile(path).size(), 20 + 88 + 4 + 7 + 12 + 3 * 8);
    QCOMPARE(entriesOf(env.PlansDir()), QStringList{QStringLiteral("Plan.PLN")});
    QCOMPARE(entriesOf(elsewhere.path()), QStringList{});
}

void TestPlanWriters::deleteFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("message");

    QTest::newRow("existing file") << "file" << true << true << "";
    QTest::newRow("missing file") << "" << true << false << QStringLiteral("Plik X.PLN nieistnieje ") + cr;
    QTest::newRow("missing file, messages off") << "" << false << false << "";
    QTest::newRow("missing folder") << "no folder" << true << false
                                    << QStringLiteral("Nie odnaleziono pliku X.PLN") + cr;
    QTest::newRow("a folder, not a file")
        << "folder" << true << false << QStringLiteral("Brak dostępu do pliku X.PLN") + cr;
}

void TestPlanWriters::deleteFile()
{
    QFETCH(QString, setup);
    QFETCH(bool, show);
    QFETCH(bool, deleted);
    QFETCH(QString, message);

    TestEnvironment env;
    QString path = QDir(env.PlansDir()).filePath(QStringLiteral("X.PLN"));
    if (setup == QLatin1String("file"))
        QVERIFY(WriteFile(path, "x"));
    else if (setup == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(QDir(path).filePath(QStringLiteral("inside"))));
    else if (setup == QLatin1String("no folder"))
        path = QDir(env.PlansDir()).filePath(QStringLiteral("missing/X.PLN"));

    QCOMPARE(UsunPlik(env.State, path, show), deleted);
    QCOMPARE(env.Ui.Texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(QFileInfo::exists(path), setup == QLatin1String("folder"));
}

// The demo data directory's plans: written by the writers, every one readable
// with a rising chain; the weekly plan marks the suite's free days.
void TestPlanWriters::demoPlans()
{
    TestEnvironment env;
    QString error;
    QVERIFY2(WriteDemoFreeDays(TestLibrary(), env.State.DataDir(), &error), qPrintable(error));
    QVERIFY2(WriteDemoPlans(TestLibrary(), env.State.DataDir(), &error), qPrintable(error));

    const QStringList schedulePlans{QStringLiteral("Biuro"), QStringLiteral("Trzy zmiany"), QStringLiteral("Weekendy")};
    const QStringList weeklyPlans{QStringLiteral("Sześć dni"), QStringLiteral("Tydzień pracy")};
    for (const QString& name : schedulePlans + weeklyPlans) {
        const QByteArray bytes = ReadFile(env.State.PlanPath(name));
        const auto section = DecodeAreaSection(bytes);
        QVERIFY2(section && !section->Areas.isEmpty(), qPrintable(name));
        QVERIFY2(!FindAreaOverlap(section->Areas), qPrintable(name));
        env.State.UserName = QStringLiteral("test");
        QVERIFY2(ProbeAndReadPlan(env.State, name), qPrintable(name));
        QCOMPARE(env.State.Plan.Kind, schedulePlans.contains(name) ? PlanKind::SchedulePlan : PlanKind::WeeklyPlan);
    }
    QVERIFY(env.Ui.Entries().isEmpty());

    // Thursday 1 May 2025 is a free day of the suite, Friday 2 May is not.
    const auto section = DecodeAreaSection(ReadFile(env.State.PlanPath(QStringLiteral("Tydzień pracy"))));
    QVERIFY(section);
    const int32_t first = section->FirstMinute / 1440;
    const auto kindOn = [&](int month, int day) {
        return AreaKindOf(section->Areas.at(dayOf(2025, month, day) - first));
    };
    QCOMPARE(kindOn(5, 1), 4);
    QCOMPARE(kindOn(5, 2), 2);
    QCOMPARE(kindOn(5, 3), 4);
}

QTEST_GUILESS_MAIN(TestPlanWriters)
#include "tst_PlanWriters.moc"

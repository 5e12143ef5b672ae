// The plan writers: the bytes they write, compared with files laid out by
// hand; what a refused save leaves behind; saves that run out of disk space or
// are cut short, in a child process (planwrite_saver) so that the file-size
// limit and the kill hit only it; file deletion; and the demo data
// directory's plans.
#include "../planread/PlanFiles.h"

#include "demo/DemoData.h"
#include "demo/DemoPlans.h"
#include "env/Blokady.h"
#include "plan/PlanReader.h"
#include "plan/ZapisPlanuPracy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

Q_DECLARE_METATYPE(SaveStatus)

namespace {

const QString SavedMessage = QStringLiteral("Plan pracy został poprawnie zapisany do pliku.");

int32_t dayOf(int year, int month, int day)
{
    return TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day), 0, 0) / 1440;
}

QString entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name).join(u' ');
}

// The plans the refusal tests save: a weekly plan of a month, a schedule
// plan of three days, or one whose earlier-entry window on 1 January reaches
// into the overtime of 31 December.
void fillPlan(ProgramState& state, bool weekly, bool overlapping)
{
    if (weekly) {
        state.Plan.Kind = PlanKind::WeeklyPlan;
        state.Plan.FirstDay = 100;
        state.Plan.LastDay = 130;
        TypeTime(state.Fields.Norma, QStringLiteral("08:00"));
        TypeTime(state.Fields.StartDnia, QStringLiteral("07:00"));
    } else {
        TypeSchedule(state.Fields, 0, QLatin1String(overlapping ? "14:00-22:00" : "08:00-16:00 12:00-12:30"));
        TypeSchedule(state.Fields, 1, QLatin1String(overlapping ? "04:00-12:00" : "22:00-06:00"));
        TypeAllowances(state.Fields,
                       QString::fromLatin1(overlapping ? "05:00 02:00  01:00" : "00:15 01:00 00:45 00:30").split(u' '));
        SetDays(state.Plan, overlapping ? dayOf(2025, 12, 30) : dayOf(2024, 3, 1),
                QLatin1String(overlapping ? "4014" : "041"));
    }
    state.PlanModified = true;
}

PlanSaveResult save(ProgramState& state, const QString& name, bool show)
{
    return state.Plan.Kind == PlanKind::WeeklyPlan ? ZapiszPlanTygodniowy(state, name, show, false)
                                                   : ZapiszPlanHarmonogramow(state, name, show);
}

const QString PlanName = QStringLiteral("Duży plan");

struct ChildRun
{
    bool Crashed = false;
    int ExitCode = -1;
    QString Out;                 // the messages shown, a line each
    qint64 SaveMicroseconds = 0; // from "ready" to the end
};

// Runs the saver on the plan of the kind and variant given, with the extra
// arguments; with killAfter >= 0 it is killed that many microseconds after
// it says it starts saving.
ChildRun runSaver(bool weekly, int variant, const QString& programDir, const QStringList& extra = {},
                  qint64 killAfter = -1)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("planwrite_saver")),
        QStringList{QLatin1String(weekly ? "weekly" : "schedule"), QString::number(variant), programDir, PlanName} +
            extra);
    ChildRun run;
    if (!child.waitForStarted(10000)) return run;
    while (!child.canReadLine() && child.waitForReadyRead(10000)) {
    }
    QElapsedTimer timer;
    timer.start();
    if (child.readLine() == "ready\n" && killAfter >= 0) {
        QThread::usleep(unsigned(killAfter));
        ::kill(pid_t(child.processId()), SIGKILL);
    }
    child.waitForFinished(60000);
    run.SaveMicroseconds = timer.nsecsElapsed() / 1000;
    run.Crashed = child.exitStatus() == QProcess::CrashExit;
    run.ExitCode = child.exitCode();
    run.Out = QString::fromUtf8(child.readAllStandardOutput());
    return run;
}

// The bytes the writer gives the largest plan of the kind, in the variant.
QByteArray savedBytes(bool weekly, int variant)
{
    TestEnvironment env;
    weekly ? FillLargestWeeklyPlan(env.State, variant) : FillLargestSchedulePlan(env.State, variant);
    return save(env.State, PlanName, false).Ok() ? ReadFile(env.State.PlanPath(PlanName)) : QByteArray();
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
    void refusals_data();
    void refusals();
    void cutShort_data();
    void cutShort();
    void deleteFile_data();
    void deleteFile();
    void demoPlans();
};

void TestPlanWriters::scheduleFile_data()
{
    QTest::addColumn<QString>("typed"); // schedules "SLOT times" separated by ';', then the four allowances
    QTest::addColumn<QString>("days");  // the slot of each day from the first
    QTest::addColumn<int>("first");
    QTest::addColumn<QString>("stored"); // "SLOT:entry exit from to" separated by ';', then the allowances
    QTest::addColumn<QString>("areas");  // see AreaWords
    QTest::addColumn<QString>("index");
    // clang-format off
    QTest::newRow("day, free day, night") << "0 08:00-16:00 12:00-12:30;1 22:00-06:00;00:15 01:00 00:45 00:30" << "041"
        << dayOf(2024, 3, 1) << "0:480 960 720 750;1:1320 360 -1 -1;15 60 45 30"
        << "0 07:45 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 O, 0 17:00 P, 0 17:30 N, 1 00:00 N*, "
           "2 21:45 P*, 2 22:00 W+, 3 06:00 O, 3 07:00 P, 3 07:30 N*" << "0 07:45, 1 00:00, 2 21:45";
    QTest::newRow("one free day, nothing typed") << "   " << "4" << 0 << "-1 -1 -1 -1" << "0 00:00 N*" << "0 00:00";
    QTest::newRow("last day of all, zero allowances typed") << "6 07:00-15:00;00:00 00:00  00:10" << "6" << 18500
        << "6:420 900 -1 -1;1 0 -1 10" << "0 06:59 P*, 0 07:00 W+, 0 15:00 P, 0 15:10 N*" << "0 06:59";
    // clang-format on
}

void TestPlanWriters::scheduleFile()
{
    QFETCH(QString, typed);
    QFETCH(QString, days);
    QFETCH(int, first);
    QFETCH(QString, stored);
    QFETCH(QString, areas);
    QFETCH(QString, index);
    PlanFile expected = SchedulePlanFile(first, first + int32_t(days.size()) - 1, days.toLatin1());
    expected.Slots[4] = {0, 0, 0, 0};
    QStringList parts = stored.split(u';');
    const QStringList allowances = parts.takeLast().split(u' ');
    for (const QString& slot : parts) {
        const QStringList times = slot.mid(2).split(u' ');
        expected.Slots[slot.at(0).digitValue()] = {int16_t(times.at(0).toInt()), int16_t(times.at(1).toInt()),
                                                   int16_t(times.at(2).toInt()), int16_t(times.at(3).toInt())};
    }
    for (int i = 0; i < 4; ++i)
        expected.Tolerances[i] = int16_t(allowances.at(i).toInt());
    expected.Header[3] = expected.Tolerances[2];
    expected.Areas = AreaWords(areas, first);
    expected.Index = AreaWords(index, first);
    expected.EndWord = int32_t(expected.Areas.last() & 0x3ffffff);

    TestEnvironment env;
    QStringList schedules = typed.split(u';');
    QVERIFY(TypeAllowances(env.State.Fields, schedules.takeLast().split(u' ')));
    for (const QString& schedule : schedules)
        QVERIFY(TypeSchedule(env.State.Fields, schedule.at(0).digitValue(), schedule.mid(2)));
    SetDays(env.State.Plan, first, days);
    env.State.PlanModified = true;
    QVERIFY(ZapiszPlanHarmonogramow(env.State, QStringLiteral("  Zmiana A "), true).Ok());
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Zmiana A.PLN"));
    QCOMPARE(ReadFile(path), expected.Build());
    QCOMPARE(env.Ui.OnlyText(), SavedMessage);
    QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Information);
    QVERIFY(!env.State.PlanModified);
    QCOMPARE(entriesOf(env.PlansDir()), QStringLiteral("Zmiana A.PLN"));
    QCOMPARE(entriesOf(env.State.KatalogTemp), QString());
    // Saving again over the file gives the same bytes.
    QVERIFY(ZapiszPlanHarmonogramow(env.State, QStringLiteral("Zmiana A"), false).Ok());
    QCOMPARE(ReadFile(path), expected.Build());
}

void TestPlanWriters::weeklyFile_data()
{
    QTest::addColumn<bool>("uniform");
    QTest::addColumn<bool>("include");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("oldFile");
    QTest::addColumn<QString>("kinds"); // area kind of each day, 1-7 May 2024 (Wednesday to Tuesday)
    QTest::addColumn<QString>("weekdays");
    // clang-format off
    QTest::newRow("weekdays only") << false << false << true << true << "2224422" << "1222221";
    QTest::newRow("uniform week") << true << false << true << true << "2222222" << "1111111";
    QTest::newRow("free days taken into account") << false << true << true << true << "4244422" << "1222221";
    QTest::newRow("free days in a uniform week") << true << true << true << false << "4242222" << "1111111";
    QTest::newRow("free days wanted, not loaded") << false << true << false << true << "2224422" << "1222221";
    QTest::newRow("plan with no file yet") << false << false << false << false << "2224422" << "1222221";
    // clang-format on
}

void TestPlanWriters::weeklyFile()
{
    QFETCH(bool, uniform);
    QFETCH(bool, include);
    QFETCH(bool, loaded);
    QFETCH(bool, oldFile);
    QFETCH(QString, kinds);
    QFETCH(QString, weekdays);
    TestEnvironment env;
    ProgramState& state = env.State;
    state.Plan.Kind = PlanKind::WeeklyPlan;
    state.Plan.FirstDay = dayOf(2024, 5, 1);
    state.Plan.LastDay = dayOf(2024, 5, 7);
    state.Plan.IncludeFreeDays = include;
    QVERIFY(TypeTime(state.Fields.Norma, QStringLiteral("07:35")));
    QVERIFY(TypeTime(state.Fields.StartDnia, QStringLiteral("06:00")));
    // 1 May every year, 3 May 2024 once, 2 May 2023 once.
    for (const auto& [day, year, recurring] : {std::tuple{1, 10, 1}, std::tuple{3, 24, 0}, std::tuple{2, 23, 0}}) {
        state.FreeDays.Dates.append(TestLibrary().DateToLong(2000, 5, uint8_t(day), 0, 0));
        state.FreeDays.Years.append(year);
        state.FreeDays.Recurring.append(uint8_t(recurring));
        state.FreeDays.Names.append(QStringLiteral("Święto"));
    }
    state.FreeDaysLoaded = loaded;
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Tydzień.PLN"));
    if (oldFile) QVERIFY(WriteFile(path, QByteArray(5000, 'x')));
    state.PlanModified = true;

    PlanFile expected = WeeklyPlanFile(state.Plan.FirstDay, state.Plan.LastDay, {});
    for (int i = 0; i < 7; ++i) {
        const int32_t start = (state.Plan.FirstDay + i) * 1440 + 360;
        expected.DayBytes[i] = char(weekdays.at(i).digitValue());
        expected.Index.append(uint32_t(start));
        expected.Areas.append(AreaWord(start, uint8_t(kinds.at(i).digitValue()), 0x20000000));
    }
    expected.Slots.fill({0, 0, 0, 0});
    expected.Flags = include ? 0x02 : 0;
    expected.Header[4] = 455 - 1440;
    expected.DayStart = 360;
    QVERIFY(ZapiszPlanTygodniowy(state, QStringLiteral("Tydzień"), true, uniform).Ok());
    QCOMPARE(ReadFile(path), expected.Build());
    QCOMPARE(env.Ui.Texts(), QStringList{SavedMessage});
    QVERIFY(!state.PlanModified);
    QCOMPARE(entriesOf(env.PlansDir()), QStringLiteral("Tydzień.PLN"));
    QCOMPARE(entriesOf(state.KatalogTemp), QString());
}

void TestPlanWriters::refusals_data()
{
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("show");
    QTest::addColumn<SaveStatus>("status");
    QTest::addColumn<QString>("message"); // shown with messages on

    const auto saved = SaveStatus::Saved, path = SaveStatus::PathError, file = SaveStatus::FileError;
    const QString pathMessage =
        QStringLiteral("Nie można zapisać pliku planu pracy. Ścieżka dostępu do plików planu pracy jest błędna.");
    const QString breakMessage = QStringLiteral("Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.");
    const QString overlapMessage = QStringLiteral("Zapis planu niemożliwy.") + Cr +
                                   QStringLiteral("Obszar przebywania prywatnego zaczynający się w dniu 31-12-2025 o "
                                                  "godzinie 23:00 nakłada się na poprzednie obszary.");
    const QString access = QStringLiteral("Brak dostępu do pliku Plan.PLN") + Cr;
    const QString badName = QStringLiteral("Nieprawidłowa nazwa pliku ");
    // clang-format off
    QTest::newRow("one-ended break") << false << "one-ended break" << "Plan" << true << SaveStatus::ScheduleRefused << breakMessage;
    QTest::newRow("one-ended break, messages off") << false << "one-ended break" << "Plan" << false << SaveStatus::ScheduleRefused << breakMessage;
    QTest::newRow("overlap") << false << "overlap" << "Plan" << true << SaveStatus::Overlap << overlapMessage;
    QTest::newRow("overlap, messages off") << false << "overlap" << "Plan" << false << SaveStatus::Overlap << "";
    QTest::newRow("no TEMP folder") << false << "no TEMP" << "Plan" << true << path << pathMessage;
    QTest::newRow("no plans folder") << false << "no plans folder" << "Plan" << true << path << pathMessage;
    QTest::newRow("no plans folder, messages off") << false << "no plans folder" << "Plan" << false << path << "";
    QTest::newRow("plan file is a folder") << false << "target folder" << "Plan" << true << path << pathMessage;
    QTest::newRow("scratch name taken by a folder") << false << "scratch folder" << "Plan" << true << file << access;
    QTest::newRow("name with a folder in it") << false << "" << "../Plan" << true << file << badName + QStringLiteral("../Plan.PLN") + Cr;
    QTest::newRow("blank name") << false << "" << "   " << true << file << badName + QStringLiteral(".PLN") + Cr;
    QTest::newRow("TEMP on another file system") << false << "TEMP elsewhere" << "Plan" << true << saved << SavedMessage;
    QTest::newRow("weekly: no plans folder") << true << "no plans folder" << "Plan" << true << file
                                             << QStringLiteral("Nie odnaleziono pliku Plan.PLN") + Cr;
    QTest::newRow("weekly: no plans folder, messages off") << true << "no plans folder" << "Plan" << false << file << "";
    QTest::newRow("weekly: plan file is a folder") << true << "target folder" << "Plan" << true << file << access;
    QTest::newRow("weekly: name with a folder in it") << true << "" << "a/b" << true << file << badName + QStringLiteral("a/b.PLN") + Cr;
    // Without a usable TEMP the weekly writer writes its file beside the plan.
    QTest::newRow("weekly: no TEMP folder") << true << "no TEMP" << "Plan" << true << saved << SavedMessage;
    QTest::newRow("weekly: scratch name taken") << true << "scratch folder" << "Plan" << true << saved << SavedMessage;
    QTest::newRow("weekly: TEMP on another file system") << true << "TEMP elsewhere" << "Plan" << true << saved << SavedMessage;
    // clang-format on
}

void TestPlanWriters::refusals()
{
    QFETCH(bool, weekly);
    QFETCH(QString, setup);
    QFETCH(QString, name);
    QFETCH(bool, show);
    QFETCH(SaveStatus, status);
    QFETCH(QString, message);
    TestEnvironment env;
    ProgramState& state = env.State;
    fillPlan(state, weekly, setup == QLatin1String("overlap"));
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("Plan.PLN"));
    QVERIFY(WriteFile(path, "old plan"));
    std::unique_ptr<QTemporaryDir> elsewhere;
    if (setup == QLatin1String("one-ended break")) {
        state.Fields.Slots[1][BreakToColumn] = {QStringLiteral("03:00"), 180};
    } else if (setup == QLatin1String("no TEMP")) {
        QVERIFY(QDir(state.KatalogTemp).removeRecursively());
    } else if (setup == QLatin1String("no plans folder")) {
        QVERIFY(QDir(env.PlansDir()).removeRecursively());
    } else if (setup == QLatin1String("target folder")) {
        QVERIFY(QFile::remove(path) && QDir().mkpath(QDir(path).filePath(QStringLiteral("inside"))));
    } else if (setup == QLatin1String("scratch folder")) {
        QVERIFY(QDir(state.KatalogTemp).mkdir(QStringLiteral("Plan.PLN")));
    } else if (setup == QLatin1String("TEMP elsewhere")) {
        // The new file cannot be renamed across, so it is written beside the plan.
        elsewhere = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/planwrite-XXXXXX"));
        if (!elsewhere->isValid() || QStorageInfo(elsewhere->path()).device() == QStorageInfo(path).device())
            QSKIP("needs a folder on another file system (/dev/shm)");
        state.KatalogTemp = elsewhere->path();
    }

    const PlanSaveResult result = save(state, name, show);
    QCOMPARE(result.Status, status);
    const bool refused = status == SaveStatus::ScheduleRefused;
    QCOMPARE(env.Ui.Texts().join(u'|'), show || refused ? message : QString());
    if (!env.Ui.Entries().isEmpty())
        QCOMPARE(env.Ui.Entries().first().icon, result.Ok() ? MessageIcon::Information
                                                : refused   ? MessageIcon::Exclamation
                                                            : MessageIcon::Critical);
    QCOMPARE(state.PlanModified, !result.Ok());
    QCOMPARE(result.OverlapDay(),
             setup == QLatin1String("overlap") ? std::optional<int32_t>(dayOf(2025, 12, 31)) : std::nullopt);
    QByteArray expected = "old plan";
    if (result.Ok()) { // the same bytes as a save in the usual folders
        TestEnvironment usual;
        fillPlan(usual.State, weekly, false);
        QVERIFY(save(usual.State, name, false).Ok());
        expected = ReadFile(QDir(usual.PlansDir()).filePath(QStringLiteral("Plan.PLN")));
    }
    if (setup == QLatin1String("target folder"))
        QCOMPARE(entriesOf(path), QStringLiteral("inside"));
    else if (setup != QLatin1String("no plans folder"))
        QCOMPARE(ReadFile(path), expected);
    QCOMPARE(entriesOf(env.PlansDir()), QLatin1String(setup == QLatin1String("no plans folder") ? "" : "Plan.PLN"));
    QCOMPARE(entriesOf(state.KatalogTemp), QLatin1String(setup == QLatin1String("scratch folder") ? "Plan.PLN" : ""));
    QVERIFY(QDir(env.PlansDir()).exists() == (setup != QLatin1String("no plans folder")));
}

void TestPlanWriters::cutShort_data()
{
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<bool>("atFileSize"); // else killed after a delay
    QTest::newRow("schedule, disk full or stopped at a file size") << false << true;
    QTest::newRow("weekly, disk full or stopped at a file size") << true << true;
    QTest::newRow("schedule, killed") << false << false;
    QTest::newRow("weekly, killed") << true << false;
}

// Saves that find no room to write, that are stopped at points spread over
// the file's write, or that are killed at delays spread over the whole save
// (write, check, replacement), one after another over the same plan, which
// stays one of the two variants, whole, throughout.
void TestPlanWriters::cutShort()
{
    QFETCH(bool, weekly);
    QFETCH(bool, atFileSize);
    const QByteArray variants[2] = {savedBytes(weekly, 0), savedBytes(weekly, 1)};
    QVERIFY(!variants[0].isEmpty() && !variants[1].isEmpty() && variants[0] != variants[1]);
    TestEnvironment env;
    const QString path = env.State.PlanPath(PlanName);
    QVERIFY(WriteFile(path, variants[0]));
    // A full disk at once, in the head and in the records: the message of a
    // full disk, with the file's name nowhere in it.
    for (const int limit : {0, 4096, 100000}) {
        if (!atFileSize) break;
        const ChildRun full = runSaver(weekly, 1, env.ProgramDir(), {QString::number(limit)});
        QVERIFY(!full.Crashed && full.ExitCode == 1);
        QCOMPARE(full.Out, QStringLiteral("Dysk jest pełny \r\n"));
        QVERIFY(ReadFile(path) == variants[0] && entriesOf(env.State.KatalogTemp).isEmpty());
    }
    // How long an undisturbed save takes, to spread the kills over it.
    const ChildRun whole = runSaver(weekly, 1, env.ProgramDir());
    QVERIFY(whole.ExitCode == 0 && ReadFile(path) == variants[1]);
    int current = 1, cutBefore = 0;
    const int rounds = atFileSize ? 12 : 30;
    for (int round = 0; round < rounds; ++round) {
        const int next = 1 - current;
        const qint64 step = whole.SaveMicroseconds * 3 / 2 / rounds;
        const ChildRun run =
            atFileSize ? runSaver(weekly, next, env.ProgramDir(),
                                  {QString::number(variants[next].size() * round / rounds), QStringLiteral("die")})
                       : runSaver(weekly, next, env.ProgramDir(), {},
                                  step * round + QRandomGenerator::global()->bounded(step + 1));
        QVERIFY(run.Crashed || !atFileSize);
        const QByteArray now = ReadFile(path);
        QVERIFY2(now == variants[current] || now == variants[next], qPrintable(QStringLiteral("round %1").arg(round)));
        QVERIFY(run.Crashed || (run.ExitCode == 0 && now == variants[next]));
        cutBefore += run.Crashed && now == variants[current];
        current = now == variants[next] ? next : current;
        QCOMPARE(entriesOf(env.PlansDir()), PlanName + QStringLiteral(".PLN"));
    }
    QVERIFY(cutBefore > 0);
    // A save that is let run afterwards still replaces the plan.
    QCOMPARE(runSaver(weekly, 1 - current, env.ProgramDir()).ExitCode, 0);
    QCOMPARE(ReadFile(path), variants[1 - current]);
    QCOMPARE(entriesOf(env.State.KatalogTemp), QString());
}

void TestPlanWriters::deleteFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("existing file") << "file" << true << "";
    QTest::newRow("missing file") << "" << true << QStringLiteral("Plik X.PLN nieistnieje ") + Cr;
    QTest::newRow("missing file, messages off") << "" << false << "";
    QTest::newRow("a folder, not a file") << "folder" << true << QStringLiteral("Brak dostępu do pliku X.PLN") + Cr;
    // clang-format on
}

void TestPlanWriters::deleteFile()
{
    QFETCH(QString, setup);
    QFETCH(bool, show);
    QFETCH(QString, message);
    TestEnvironment env;
    const QString path = QDir(env.PlansDir()).filePath(QStringLiteral("X.PLN"));
    if (setup == QLatin1String("file")) QVERIFY(WriteFile(path, "x"));
    if (setup == QLatin1String("folder")) QVERIFY(QDir().mkpath(QDir(path).filePath(QStringLiteral("inside"))));
    QCOMPARE(UsunPlik(env.State, path, show), setup == QLatin1String("file"));
    QCOMPARE(env.Ui.Texts().join(u'|'), message);
    QCOMPARE(QFileInfo::exists(path), setup == QLatin1String("folder"));
}

// The demo data directory's plans: every one but the damaged legacy plan
// opens without a word, the current ones with a rising chain, and the weekly
// plan marks the suite's free days.
void TestPlanWriters::demoPlans()
{
    TestEnvironment env;
    env.State.UserName = QStringLiteral("test");
    const QString data = env.State.DataDir();
    QVERIFY(WriteDemoFreeDays(TestLibrary(), data, nullptr) && WriteDemoPlans(TestLibrary(), data, nullptr) &&
            WriteDemoLegacyPlans(TestLibrary(), data, nullptr));
    QStringList opened;
    for (const QString& name : ListPlans(env.State)) {
        const bool read = ProbeAndReadPlan(env.State, name);
        ReleaseLock(env.State, env.State.PlanLockHandle);
        const auto section = DecodeAreaSection(ReadFile(env.State.PlanPath(name)));
        QVERIFY2(section && !section->Areas.isEmpty() && !FindAreaOverlap(section->Areas), qPrintable(name));
        if (read)
            opened.append(name + QLatin1String(env.State.IsCurrentFormat ? " " : " legacy ") +
                          QLatin1String(env.State.Plan.Kind == PlanKind::WeeklyPlan ? "weekly" : "schedule"));
    }
    opened.sort();
    QCOMPARE(opened.join(u'|'), QStringLiteral("Biuro schedule|STARY_TYGODNIOWY legacy weekly|STARY_ZMIANOWY legacy "
                                               "schedule|Sześć dni weekly|Trzy zmiany schedule|Tydzień pracy "
                                               "weekly|Weekendy schedule"));
    QVERIFY(env.Ui.Entries().isEmpty());
    // Thursday 1 May 2025 is a free day of the suite, Friday 2 May is not.
    const auto section = DecodeAreaSection(ReadFile(env.State.PlanPath(QStringLiteral("Tydzień pracy"))));
    QString kinds;
    for (int day = 1; day <= 3; ++day)
        kinds += QString::number(AreaKindOf(section->Areas.at(dayOf(2025, 5, day) - section->FirstMinute / 1440)));
    QCOMPARE(kinds, QStringLiteral("424"));
}

QTEST_GUILESS_MAIN(TestPlanWriters)
#include "tst_PlanWriters.moc"

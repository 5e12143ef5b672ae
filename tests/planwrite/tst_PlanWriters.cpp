// The plan writers: the bytes they write, compared with files laid out by
// hand; what a refused save leaves behind; names no file can carry; saves
// that run out of disk space or are cut short, in a child process so that
// the file-size limit and the kill hit only it; file deletion; and the demo
// data directory's plans.
#include "PlanFiles.h"

#include "demo/DemoData.h"
#include "demo/DemoPlans.h"
#include "env/Locks.h"
#include "plan/PlanIntegrity.h"
#include "plan/PlanReader.h"
#include "plan/ZapisPlanuPracy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

struct SaveCase
{
    bool Weekly, Overlapping;                    // the plan filled in (see FillPlan)
    std::function<void(TestEnvironment&)> Setup; // what goes wrong before the save
    QString Name;
    bool Show;
    SaveStatus Status;
    QString Message; // the texts shown, joined by '|'
    MessageIcon Icon;
    QByteArray File; // Plan.PLN afterwards
    int OverlapDay;  // -1: none
};
Q_DECLARE_METATYPE(SaveCase)
using Fill = std::function<PlanSaveResult(TestEnvironment&)>;
Q_DECLARE_METATYPE(Fill)
// How the save of a round is cut short, given the new file's size and how
// long a whole save takes: the file size it may reach (-1: any) and the
// microseconds after which it is killed (-1: never).
using Cut = std::function<std::pair<qint64, qint64>(int round, qint64 size, qint64 whole)>;
Q_DECLARE_METATYPE(Cut)
constexpr int CutRounds = 20;

namespace {

const QString SavedMessage = u"Plan pracy został poprawnie zapisany do pliku."_s;
const QString PlanName = u"Duży plan"_s;

int32_t DayOf(int year, int month, int day)
{
    return TestLibrary().DateToLong(year, uint8_t(month), uint8_t(day), 0, 0) / 1440;
}

// A weekly plan of a month, a schedule plan of three days, or one whose
// earlier-entry window on 1 January reaches into the overtime of 31 December.
void FillPlan(PlanDocument& doc, bool weekly, bool overlapping)
{
    doc.Plan.Kind = weekly ? PlanKind::WeeklyPlan : PlanKind::SchedulePlan;
    doc.Plan.FirstDay = 100;
    doc.Plan.LastDay = 130;
    TypeTime(doc.Fields.Norma, u"08:00"_s);
    TypeTime(doc.Fields.StartDnia, u"07:00"_s);
    TypeSchedule(doc.Fields, 0, QLatin1String(overlapping ? "14:00-22:00" : "08:00-16:00 12:00-12:30"));
    TypeSchedule(doc.Fields, 1, QLatin1String(overlapping ? "04:00-12:00" : "22:00-06:00"));
    TypeAllowances(doc.Fields,
                   QString::fromLatin1(overlapping ? "05:00 02:00  01:00" : "00:15 01:00 00:45 00:30").split(u' '));
    if (!weekly)
        SetDays(doc.Plan, overlapping ? DayOf(2025, 12, 30) : DayOf(2024, 3, 1),
                QLatin1String(overlapping ? "4014" : "041"));
    doc.PlanModified = true;
}

PlanSaveResult Save(TestEnvironment& env, const QString& name, bool show)
{
    return env.Doc.Plan.Kind == PlanKind::WeeklyPlan
               ? ZapiszPlanTygodniowy(env.Env, env.Doc, env.State.FreeDays, name, show, false)
               : ZapiszPlanHarmonogramow(env.Env, env.Doc, name, show);
}

// The bytes a save of FillPlan's plan gives in the usual folders.
QByteArray SavedBytes(bool weekly)
{
    TestEnvironment env;
    FillPlan(env.Doc, weekly, false);
    return Save(env, u"Plan"_s, false).Ok() ? ReadFile(env.Plan(u"Plan"_s)) : QByteArray();
}

// The week of 1 to 7 May 2024 as a weekly plan saved as "Plan", with the
// suite's free days 1 May every year, 3 May 2024 and 2 May 2023.
Fill Weekly(bool uniform, bool include, bool loaded)
{
    return [=](TestEnvironment& env) {
        WorkPlan& plan = env.Doc.Plan;
        plan.Kind = PlanKind::WeeklyPlan;
        plan.FirstDay = DayOf(2024, 5, 1);
        plan.LastDay = DayOf(2024, 5, 7);
        plan.IncludeFreeDays = include;
        TypeTime(env.Doc.Fields.Norma, u"07:35"_s);
        TypeTime(env.Doc.Fields.StartDnia, u"06:00"_s);
        const KelbrinLibrary& lib = TestLibrary();
        env.State.FreeDays.Days = {{lib.DateToLong(2000, 5, 1), lib.DateToLong(2000, 5, 3), lib.DateToLong(2000, 5, 2)},
                                   {10, 24, 23},
                                   {1, 0, 0},
                                   {u"A"_s, u"B"_s, u"C"_s}};
        env.State.FreeDays.FreeDaysLoaded = loaded;
        return ZapiszPlanTygodniowy(env.Env, env.Doc, env.State.FreeDays, u"Plan"_s, true, uniform);
    };
}

// A weekly plan of the seven days from first with a norm of 07:35 and a
// day start of 06:00: the area kind of each day and the stored weekday bytes.
QByteArray WeeklyFile(int32_t first, bool include, const char* kinds, const char* weekdays)
{
    PlanFile plan = WeeklyPlanFile(first, first + 6, {});
    for (int i = 0; i < 7; ++i) {
        const int32_t start = (first + i) * 1440 + 360;
        plan.DayBytes[i] = char(weekdays[i] - '0');
        plan.Index.append(uint32_t(start));
        plan.Areas.append(AreaWord(start, uint8_t(kinds[i] - '0'), 0x20000000));
    }
    plan.Slots.fill({0, 0, 0, 0});
    plan.Flags = include ? 0x02 : 0;
    plan.Header[4] = 455 - 1440;
    plan.DayStart = 360;
    return plan.Build();
}

// Saves the largest plan of the kind as PlanName in a child process, which
// may write files of limit bytes at the most (-1: any; die: a longer write
// ends it) and is killed killAfter microseconds after it starts saving (-1:
// never). The child's exit code: 0 saved, 1 refused with the message of a
// full disk, 2 refused otherwise; -1 when it was ended by a signal.
int SaveInChild(TestEnvironment& env, bool weekly, int variant, qint64 limit = -1, bool die = false,
                qint64 killAfter = -1, qint64* microseconds = nullptr)
{
    int ready[2];
    if (::pipe(ready) != 0) return -2;
    const pid_t child = ::fork();
    if (child == 0) {
        weekly ? FillLargestWeeklyPlan(env.Doc, variant) : FillLargestSchedulePlan(env.Doc, variant);
        const rlimit size{rlim_t(limit), rlim_t(limit)};
        if (limit >= 0) ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, die ? SIG_DFL : SIG_IGN);
        (void)!::write(ready[1], "!", 1);
        const bool saved = Save(env, PlanName, true).Ok();
        ::_exit(saved ? 0 : env.Ui.Texts() == QStringList{u"Dysk jest pełny "_s + Cr} ? 1 : 2);
    }
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    QElapsedTimer timer;
    timer.start();
    if (started && killAfter >= 0) {
        ::usleep(useconds_t(killAfter));
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (microseconds) *microseconds = timer.nsecsElapsed() / 1000;
    ::close(ready[0]);
    ::close(ready[1]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The bytes the writer gives the largest plan of the kind, in the variant.
QByteArray LargestBytes(bool weekly, int variant)
{
    TestEnvironment env;
    return SaveInChild(env, weekly, variant) == 0 ? ReadFile(env.Plan(PlanName)) : QByteArray();
}

} // namespace

class TestPlanWriters : public QObject
{
    Q_OBJECT

private slots:
    void files_data()
    {
        QTest::addColumn<Fill>("fill"); // the window's fields and plan, then the save as "Plan"
        QTest::addColumn<QByteArray>("expected");
        const int32_t march = DayOf(2024, 3, 1), may = DayOf(2024, 5, 1); // a Friday; a Wednesday
        PlanFile dayAndNight = SchedulePlanFile(march, march + 2, "041");
        dayAndNight.Slots = {{{480, 960, 720, 750}, {1320, 360, -1, -1}, {}, {}, {0, 0, 0, 0}, {}, {}}};
        dayAndNight.Tolerances = {15, 60, 45, 30};
        dayAndNight.Header[3] = 45;
        dayAndNight.Areas = AreaWords(u"0 07:45 P*, 0 08:00 W+, 0 12:00 B, 0 12:30 W, 0 16:00 O, 0 17:00 P, 0 17:30 N, "
                                      "1 00:00 N*, 2 21:45 P*, 2 22:00 W+, 3 06:00 O, 3 07:00 P, 3 07:30 N*"_s,
                                      march);
        dayAndNight.Index = AreaWords(u"0 07:45, 1 00:00, 2 21:45"_s, march);
        dayAndNight.EndWord = (march + 3) * 1440 + 450;
        PlanFile lastDay = SchedulePlanFile(MaxPlanDay, MaxPlanDay, "6");
        lastDay.Slots = {{{}, {}, {}, {}, {0, 0, 0, 0}, {}, {420, 900, -1, -1}}};
        lastDay.Tolerances = {1, 0, -1, 10}; // zero allowances typed; the earlier entry at least a minute
        lastDay.Header[3] = -1;
        lastDay.Areas = AreaWords(u"0 06:59 P*, 0 07:00 W+, 0 15:00 P, 0 15:10 N*"_s, MaxPlanDay);
        lastDay.Index = AreaWords(u"0 06:59"_s, MaxPlanDay);
        lastDay.EndWord = MaxPlanDay * 1440 + 910;
        // clang-format off
        QTest::newRow("schedule: day, free day, night") << Fill([](TestEnvironment& env) {
            FillPlan(env.Doc, false, false);
            return Save(env, u"  Plan "_s, true);
        }) << dayAndNight.Build();
        QTest::newRow("schedule: the last day of all") << Fill([](TestEnvironment& env) {
            TypeSchedule(env.Doc.Fields, 6, u"07:00-15:00"_s);
            TypeAllowances(env.Doc.Fields, u"00:00 00:00  00:10"_s.split(u' '));
            SetDays(env.Doc.Plan, MaxPlanDay, u"6"_s);
            return ZapiszPlanHarmonogramow(env.Env, env.Doc, u"Plan"_s, true);
        }) << lastDay.Build();
        // The area kind of each day from 1 to 7 May 2024 and the weekday bytes.
        QTest::newRow("weekly: weekdays only") << Weekly(false, false, true) << WeeklyFile(may, false, "2224422", "1222221");
        QTest::newRow("weekly: free days taken into account") << Weekly(false, true, true) << WeeklyFile(may, true, "4244422", "1222221");
        QTest::newRow("weekly: free days in a uniform week") << Weekly(true, true, true) << WeeklyFile(may, true, "4242222", "1111111");
        QTest::newRow("weekly: free days wanted, not loaded") << Weekly(false, true, false) << WeeklyFile(may, true, "2224422", "1222221");
        // clang-format on
    }

    // The bytes a save writes, over an older file, compared with a file laid
    // out by hand; and a second save over the first gives the same bytes.
    void files()
    {
        QFETCH(Fill, fill);
        QFETCH(QByteArray, expected);
        TestEnvironment env;
        // Scratch files that saves which died left behind go with the next save.
        QVERIFY(WriteFile(env.Plan(u"Plan"_s), QByteArray(5000, 'x')));
        for (const QString& folder : {env.PlansDir(), env.Env.KatalogTemp})
            QVERIFY(WriteFile(QDir(folder).filePath(DeadProcessScratchName()), "x"));
        env.Doc.PlanModified = true;
        QVERIFY(fill(env).Ok() && !env.Doc.PlanModified);
        QCOMPARE(ReadFile(env.Plan(u"Plan"_s)), expected);
        QCOMPARE(env.Ui.OnlyText(), SavedMessage);
        QCOMPARE(env.Ui.Entries().first().Icon, MessageIcon::Information);
        QCOMPARE(FolderEntries(env.PlansDir()) + FolderEntries(env.Env.KatalogTemp), u"Plan.PLN"_s);
        QVERIFY(fill(env).Ok());
        QCOMPARE(ReadFile(env.Plan(u"Plan"_s)), expected);
    }

    void saves_data()
    {
        QTest::addColumn<SaveCase>("c");
        const auto path = SaveStatus::PathError, file = SaveStatus::FileError, saved = SaveStatus::Saved;
        const auto critical = MessageIcon::Critical, info = MessageIcon::Information;
        const QString pathMessage =
            u"Nie można zapisać pliku planu pracy. Ścieżka dostępu do plików planu pracy jest błędna."_s;
        const QString overlapMessage = u"Zapis planu niemożliwy."_s + Cr +
                                       QStringLiteral("Obszar przebywania prywatnego zaczynający się w dniu 31-12-2025 "
                                                      "o godzinie 23:00 nakłada się na poprzednie obszary.");
        const QString breakMessage = u"Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym."_s;
        const QString badName = u"Nieprawidłowa nazwa pliku "_s;
        const QByteArray old = "old plan", schedulePlan = SavedBytes(false), weeklyPlan = SavedBytes(true);
        const int overlapDay = DayOf(2025, 12, 31);
        const auto nothing = [](TestEnvironment&) {};
        const auto oneEndedBreak = [](TestEnvironment& env) {
            env.Doc.Fields.Slots[1][BreakToColumn] = {u"03:00"_s, 180};
        };
        const auto noTemp = [](TestEnvironment& env) { QDir(env.Env.KatalogTemp).removeRecursively(); };
        const auto noPlans = [](TestEnvironment& env) { QDir(env.PlansDir()).removeRecursively(); };
        const auto targetFolder = [](TestEnvironment& env) {
            QFile::remove(env.Plan(u"Plan"_s));
            QDir().mkpath(env.Plan(u"Plan"_s) + u"/inside"_s);
        };
        const QString plan = u"Plan"_s;
        // clang-format off
        QTest::newRow("one-ended break, messages off") << SaveCase{false, false, oneEndedBreak, plan, false, SaveStatus::ScheduleRefused, breakMessage, MessageIcon::Exclamation, old, -1};
        QTest::newRow("overlap") << SaveCase{false, true, nothing, plan, true, SaveStatus::Overlap, overlapMessage, critical, old, overlapDay};
        QTest::newRow("no TEMP folder") << SaveCase{false, false, noTemp, plan, true, path, pathMessage, critical, old, -1};
        QTest::newRow("plan file is a folder") << SaveCase{false, false, targetFolder, plan, true, file, u"Brak dostępu do pliku Plan.PLN"_s + Cr, critical, {}, -1};
        QTest::newRow("no plans folder") << SaveCase{false, false, noPlans, plan, true, path, pathMessage, critical, {}, -1};
        QTest::newRow("device name") << SaveCase{false, false, nothing, u"con"_s, true, file, badName + u"con.PLN"_s + Cr, critical, old, -1};
        QTest::newRow("name in other case, blanks around it") << SaveCase{false, false, nothing, u" PLAN "_s, true, saved, SavedMessage, info, schedulePlan, -1};
        QTest::newRow("weekly: no plans folder") << SaveCase{true, false, noPlans, plan, true, file, u"Nie odnaleziono pliku Plan.PLN"_s + Cr, critical, {}, -1};
        QTest::newRow("weekly: no plans folder, messages off") << SaveCase{true, false, noPlans, plan, false, file, {}, critical, {}, -1};
        QTest::newRow("weekly: plan file is a folder") << SaveCase{true, false, targetFolder, plan, true, file, u"Brak dostępu do pliku Plan.PLN"_s + Cr, critical, {}, -1};
        QTest::newRow("weekly: name outside windows-1250") << SaveCase{true, false, nothing, u"Plan ✓"_s, true, file, badName + u"Plan ✓.PLN"_s + Cr, critical, old, -1};
        // Without a usable TEMP the weekly writer writes its file beside the plan.
        QTest::newRow("weekly: no TEMP folder") << SaveCase{true, false, noTemp, plan, true, saved, SavedMessage, info, weeklyPlan, -1};
        QTest::newRow("weekly: name in other case") << SaveCase{true, false, nothing, u"plan"_s, true, saved, SavedMessage, info, weeklyPlan, -1};
        // clang-format on
    }

    void saves()
    {
        QFETCH(SaveCase, c);
        TestEnvironment env;
        FillPlan(env.Doc, c.Weekly, c.Overlapping);
        QVERIFY(WriteFile(env.Plan(u"Plan"_s), "old plan"));
        c.Setup(env);
        const PlanSaveResult result = Save(env, c.Name, c.Show);
        QCOMPARE(result.Status, c.Status);
        QCOMPARE(env.Ui.Texts().join(u'|'), c.Message);
        for (const RecordingPrompt::Entry& entry : env.Ui.Entries())
            QCOMPARE(entry.Icon, c.Icon);
        QCOMPARE(env.Doc.PlanModified, !result.Ok());
        QCOMPARE(result.OverlapDay().value_or(-1), c.OverlapDay);
        QCOMPARE(ReadFile(env.Plan(u"Plan"_s)), c.File);
        // Nothing else is left in either folder: no second file for a name in
        // other letter case, no scratch file.
        QVERIFY(QStringList({QString(), u"Plan.PLN"_s}).contains(FolderEntries(env.PlansDir())));
        QCOMPARE(FolderEntries(env.Env.KatalogTemp), QString());
    }

    void causes_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<bool>("fullDisk"); // else the plans folder is read-only
        QTest::addColumn<QString>("message");
        const QString denied = u"Odmowa dostępu. Plik jest zablokowany przez inny program."_s + Cr,
                      full = u"Dysk jest pełny "_s + Cr;
        for (const bool weekly : {false, true}) {
            const char* kind = weekly ? "weekly" : "schedule";
            QTest::addRow("%s: plans folder read-only", kind) << weekly << false << denied;
            QTest::addRow("%s: plans folder's disk full, TEMP elsewhere", kind) << weekly << true << full;
        }
    }

    // A plan that cannot be put in place: the message names the cause, for
    // either kind of plan, and the old plan stays.
    void causes()
    {
        QFETCH(bool, weekly);
        QFETCH(bool, fullDisk);
        QFETCH(QString, message);
        const auto planner = TestUser(u"grafenta-planista"_s);
        if (!planner) QSKIP("needs root, to become an ordinary user and to mount a small disk");
        TestEnvironment env;
        FullDisk disk(fullDisk ? env.PlansDir() : QString());
        if (fullDisk && !disk.IsMounted()) QSKIP("needs a tmpfs the test may mount");
        FillPlan(env.Doc, weekly, false);
        QVERIFY(WriteFile(env.Plan(u"Plan"_s), "old plan"));
        disk.Fill();
        GiveTo(*planner, env.ProgramDir());
        if (!fullDisk) QCOMPARE(::chmod(QFile::encodeName(env.PlansDir()).constData(), 0555), 0);
        const QString told = RunAs(*planner, [&] {
            const PlanSaveResult result = Save(env, u"Plan"_s, true);
            return u"%1 %2"_s.arg(int(result.Status)).arg(env.Ui.Texts().join(u'|'));
        });
        ::chmod(QFile::encodeName(env.PlansDir()).constData(), 0755);
        QCOMPARE(told, u"%1 %2"_s.arg(int(SaveStatus::FileError)).arg(message));
        QCOMPARE(ReadFile(env.Plan(u"Plan"_s)), QByteArray("old plan"));
    }

    void storableNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("storable");
        QTest::newRow("Polish letters and blanks") << "Zmiana nocna – ŁÓDŹ" << true;
        QTest::newRow("100 characters") << QString(100, u'ż') << true;
        QTest::newRow("101 characters") << QString(101, u'a') << false;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false;
        QTest::newRow("control character") << "Plan\t1" << false;
        QTest::newRow("backslash") << "A\\B" << false;
        QTest::newRow("device name with an extension") << "COM1.txt" << false;
        QTest::newRow("COM10 is no device") << "COM10" << true;
        // Hidden files, which no plan list shows.
        QTest::newRow("a full stop") << "." << false;
        QTest::newRow("two full stops") << ".." << false;
        QTest::newRow("a full stop in front") << ".Plan" << false;
        QTest::newRow("full stops inside") << "Plan 1.2" << true;
    }

    void storableNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, storable);
        QCOMPARE(IsStorablePlanName(name), storable);
    }

    void fullDisk_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<int>("limit"); // the file size the save may reach
        for (const bool weekly : {false, true}) {
            for (const int limit : {0, 4096, 100000})
                QTest::addRow("%s, %d bytes", weekly ? "weekly" : "schedule", limit) << weekly << limit;
        }
    }

    // No room to write, at once, in the head or in the records: the message
    // of a full disk, with the file's name nowhere in it, and the old plan.
    void fullDisk()
    {
        QFETCH(bool, weekly);
        QFETCH(int, limit);
        TestEnvironment env;
        QVERIFY(WriteFile(env.Plan(PlanName), "old plan"));
        QCOMPARE(SaveInChild(env, weekly, 1, limit), 1);
        QCOMPARE(ReadFile(env.Plan(PlanName)), QByteArray("old plan"));
        QCOMPARE(FolderEntries(env.PlansDir()) + FolderEntries(env.Env.KatalogTemp), PlanName + u".PLN"_s);
    }

    void cutShort_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<Cut>("cut");
        const Cut atSize = [](int round, qint64 size, qint64) {
            return std::pair(size * round / CutRounds, qint64(-1));
        };
        const Cut killed = [](int round, qint64, qint64 whole) {
            const qint64 step = whole * 3 / 2 / CutRounds;
            return std::pair(qint64(-1), step * round + QRandomGenerator::global()->bounded(step + 1));
        };
        QTest::newRow("schedule, stopped at file sizes spread over its write") << false << atSize;
        QTest::newRow("weekly, stopped at file sizes spread over its write") << true << atSize;
        QTest::newRow("schedule, killed at delays spread over the save") << false << killed;
        QTest::newRow("weekly, killed at delays spread over the save") << true << killed;
    }

    // Saves cut short one after another over the same plan, which stays one
    // of the two variants, whole, throughout. The scratch files of the dead
    // saves never show in the plan list, and the next whole save removes them.
    void cutShort()
    {
        QFETCH(bool, weekly);
        QFETCH(Cut, cut);
        const QByteArray variants[2] = {LargestBytes(weekly, 0), LargestBytes(weekly, 1)};
        QVERIFY(!variants[0].isEmpty() && !variants[1].isEmpty() && variants[0] != variants[1]);
        TestEnvironment env;
        const QString path = env.Plan(PlanName);
        QVERIFY(WriteFile(path, variants[0]));
        // How long an undisturbed save takes, to spread the kills over it.
        qint64 whole = 0;
        QVERIFY(SaveInChild(env, weekly, 1, -1, false, -1, &whole) == 0 && ReadFile(path) == variants[1]);
        int current = 1, cutBefore = 0;
        for (int round = 0; round < CutRounds; ++round) {
            const int next = 1 - current;
            const auto [limit, killAfter] = cut(round, variants[next].size(), whole);
            const int code = SaveInChild(env, weekly, next, limit, true, killAfter);
            const QByteArray now = ReadFile(path);
            QVERIFY2(now == variants[current] || now == variants[next], qPrintable(QString::number(round)));
            QVERIFY(code == -1 || (code == 0 && now == variants[next]));
            cutBefore += code == -1 && now == variants[current];
            current = now == variants[next] ? next : current;
            QCOMPARE(ListPlans(env.Env), QStringList{PlanName});
        }
        QVERIFY(cutBefore > 0);
        // A save that is let run afterwards still replaces the plan.
        QCOMPARE(SaveInChild(env, weekly, 1 - current), 0);
        QCOMPARE(ReadFile(path), variants[1 - current]);
        QCOMPARE(FolderEntries(env.PlansDir()) + FolderEntries(env.Env.KatalogTemp), PlanName + u".PLN"_s);
    }

    void sharedPlansFolder_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<bool>("shared");   // PLANY is a set-group-ID folder of another group
        QTest::addColumn<bool>("existing"); // the plan is there already, of a third group
        QTest::addColumn<QString>("group"); // of the saved plan: "folder", "existing" or "ours"
        QTest::newRow("new plan in a shared folder") << false << true << false << "folder";
        QTest::newRow("new weekly plan in a shared folder") << true << true << false << "folder";
        QTest::newRow("new plan in a folder of its own") << false << false << false << "ours";
        QTest::newRow("a plan saved over keeps its group") << false << true << true << "existing";
    }

    // A plan written in a TEMP elsewhere joins the group of a set-group-ID
    // plans folder as a file made there would, so that the group that shares
    // the data directory may replace it later.
    void sharedPlansFolder()
    {
        QFETCH(bool, weekly);
        QFETCH(bool, shared);
        QFETCH(bool, existing);
        QFETCH(QString, group);
        // Two groups this process may give files: any as root, else its own others.
        QList<gid_t> groups;
        if (::geteuid() == 0) {
            groups = {65534, 65533};
        } else {
            gid_t list[64];
            const int count = ::getgroups(64, list);
            for (int i = 0; i < count; ++i)
                if (list[i] != ::getegid() && !groups.contains(list[i])) groups << list[i];
            if (groups.size() < 2) QSKIP("this user belongs to fewer than two groups besides their own");
        }
        TestEnvironment env;
        const QByteArray plans = QFile::encodeName(env.PlansDir());
        if (shared)
            QVERIFY(::chown(plans.constData(), uid_t(-1), groups[0]) == 0 && ::chmod(plans.constData(), 02775) == 0);
        const QString path = env.Plan(PlanName);
        if (existing) {
            QVERIFY(WriteFile(path, "old"));
            QVERIFY(::chown(QFile::encodeName(path).constData(), uid_t(-1), groups[1]) == 0);
        }
        FillPlan(env.Doc, weekly, false);
        QCOMPARE(Save(env, PlanName, false).Status, SaveStatus::Saved);
        struct stat saved;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &saved) == 0);
        const gid_t expected = group == "folder"_L1 ? groups[0] : group == "existing"_L1 ? groups[1] : ::getegid();
        QCOMPARE(saved.st_gid, expected);
    }

    void deleteFile()
    {
        TestEnvironment env;
        const QString path = env.Plan(u"X"_s);
        QVERIFY(WriteFile(path, "x"));
        QVERIFY(UsunPlik(env.Ui, path, true) && !QFileInfo::exists(path) && env.Ui.Entries().isEmpty());
        QVERIFY(!UsunPlik(env.Ui, path, false) && env.Ui.Entries().isEmpty());
        QVERIFY(!UsunPlik(env.Ui, path, true));
        QVERIFY(QDir().mkpath(path + u"/inside"_s));
        QVERIFY(!UsunPlik(env.Ui, path, true) && QFileInfo(path).isDir());
        QCOMPARE(env.Ui.Texts(),
                 (QStringList{u"Plik X.PLN nieistnieje "_s + Cr, u"Brak dostępu do pliku X.PLN"_s + Cr}));
    }

    // The demo data directory's plans: every one but the damaged legacy plan
    // opens without a word, the current ones with a rising chain, and the
    // weekly plan marks the suite's free days.
    void demoPlans()
    {
        TestEnvironment env;
        const QString data = env.DataDir();
        QVERIFY(WriteDemoFreeDays(TestLibrary(), data, nullptr) && WriteDemoPlans(TestLibrary(), data, nullptr) &&
                WriteDemoLegacyPlans(TestLibrary(), data, nullptr));
        QStringList opened;
        for (const QString& name : ListPlans(env.Env)) {
            const bool read = ProbeAndReadPlan(env.Env, env.Doc, name);
            ReleaseLock(env.Env, env.Doc.PlanLockHandle);
            const QByteArray bytes = ReadFile(PlanFilePath(env.Env, name));
            const auto section = DecodeAreaSection(bytes);
            QVERIFY2(section && !section->Areas.isEmpty() && !FindAreaOverlap(section->Areas), qPrintable(name));
            // Whole, as their writers made them, but for the damaged one.
            QCOMPARE(CheckWholePlan(bytes).has_value(), !read);
            if (read)
                opened.append(name + QLatin1String(env.Doc.IsCurrentFormat ? " " : " legacy ") +
                              QLatin1String(env.Doc.Plan.Kind == PlanKind::WeeklyPlan ? "weekly" : "schedule"));
        }
        opened.sort();
        QCOMPARE(opened.join(u'|'), QStringLiteral("Biuro schedule|Biuro zgodne schedule|Grafik z błędami "
                                                   "schedule|STARY_TYGODNIOWY legacy weekly|STARY_ZMIANOWY "
                                                   "legacy schedule|Sześć dni weekly|Trzy zmiany schedule|Tydzień "
                                                   "pracy weekly|Weekendy schedule"));
        QVERIFY(env.Ui.Entries().isEmpty());
        // Thursday 1 May 2025 is a free day of the suite, Friday 2 May is not.
        const auto section = DecodeAreaSection(ReadFile(env.Plan(u"Tydzień pracy"_s)));
        QString kinds;
        for (int day = 1; day <= 3; ++day)
            kinds += QString::number(AreaKindOf(section->Areas.at(DayOf(2025, 5, day) - section->FirstMinute / 1440)));
        QCOMPARE(kinds, u"424"_s);
    }

    // Every demo plan cut short anywhere, at 200 random places each, is
    // damaged, though many cuts leave areas that still rise.
    void truncatedDemoPlans()
    {
        TestEnvironment env;
        QVERIFY(WriteDemoPlans(TestLibrary(), env.DataDir(), nullptr) &&
                WriteDemoLegacyPlans(TestLibrary(), env.DataDir(), nullptr));
        QRandomGenerator random(16);
        int rising = 0;
        for (const QString& name : ListPlans(env.Env)) {
            const QByteArray bytes = ReadFile(PlanFilePath(env.Env, name));
            if (CheckWholePlan(bytes)) continue; // the damaged one
            for (int cut = 0; cut < 200; ++cut) {
                const QByteArray cutShort = bytes.left(random.bounded(int(bytes.size())));
                const auto section = DecodeAreaSection(cutShort);
                rising +=
                    section && !section->TrailingBytes && !section->Areas.isEmpty() && !FindAreaOverlap(section->Areas);
                QVERIFY2(CheckWholePlan(cutShort), qPrintable(u"%1 cut at %2"_s.arg(name).arg(cutShort.size())));
            }
        }
        QVERIFY(rising > 0);
    }

    void changedAreas_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<int>("area");      // the area changed
        QTest::addColumn<uint32_t>("flip"); // the bits flipped in it
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("day"); // of the plan's first, of the first entry that differs
        // clang-format off
        QTest::newRow("schedule: a break a minute later") << false << 2 << 1u << "area 2 is not the one the writer makes there" << 0;
        QTest::newRow("schedule: work marked as overtime") << false << 1 << (6u << 26) << "area 1 is not the one the writer makes there" << 0;
        QTest::newRow("schedule: the last area's day flag") << false << -1 << 0x20000000u << "area 12 is not the one the writer makes there" << 3;
        QTest::newRow("weekly: a free weekday worked") << true << 5 << (6u << 26) << "area 5 is not the one the writer makes there" << 5;
        QTest::newRow("weekly: a working day made free, free days not counted") << true << 0 << (6u << 26) << "area 0 is not the one the writer makes there" << 0;
        // clang-format on
    }

    // A plan whose areas still rise but are not the writer's is damaged, at the day of the first that differs.
    void changedAreas()
    {
        QFETCH(bool, weekly);
        QFETCH(int, area);
        QFETCH(uint32_t, flip);
        QFETCH(QString, what);
        QFETCH(int, day);
        TestEnvironment env;
        FillPlan(env.Doc, weekly, false);
        QVERIFY(Save(env, u"Plan"_s, false).Ok());
        QByteArray bytes = ReadFile(env.Plan(u"Plan"_s));
        QVERIFY(!CheckWholePlan(bytes));
        const qsizetype at = area < 0 ? bytes.size() - 4 : Int32At(bytes, 0) + 4 * area;
        bytes = Patched(bytes, at, int32_t(uint32_t(Int32At(bytes, at)) ^ flip));
        const auto difference = CheckWholePlan(bytes);
        QVERIFY(difference);
        QCOMPARE(difference->What, what);
        QCOMPARE(difference->Day.value_or(-1) - env.Doc.Plan.FirstDay, day);
    }
};

QTEST_GUILESS_MAIN(TestPlanWriters)
#include "tst_PlanWriters.moc"

// Assigning a plan: the records rewritten, the questions about employees
// that cannot get it, rewrites cut short, what the rewrite keeps of the
// record's file, and plntool's assign and staff commands.
#include "StaffFixtures.h"

#include "demo/DemoStaff.h"
#include "env/OdczytZapisPliku.h"
#include "staff/ObslugaListy.h"
#include "staff/Przydziel.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <functional>
#include <grp.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

struct RewriteCase
{
    QString FileName;
    QByteArray Stored;
    EmployeeRow Row;
    QString Plan;
    AssignmentResult Result;
    QByteArray Expected; // the whole file afterwards
    QString Cell;        // the row's "Plan pracy" afterwards
};
Q_DECLARE_METATYPE(RewriteCase)

// A record that the planner, an ordinary user, cannot rewrite: what stands at
// its name in the shared personnel folder (sticky and group-writable, mode
// 3775, as a planners' group shares it), who owns it, and what the planner is
// told.
struct RefusedRecord
{
    std::function<void(const QString& record, const QString& elsewhere)> Put;
    bool Foreign;        // the record (or link) belongs to another user, else to the planner
    int Mode;            // of the record; 0 leaves it
    bool ReadOnlyFolder; // the folder closed to new files
    QString Told;        // "result waits | what the prompt showed"
};
Q_DECLARE_METATYPE(RefusedRecord)

// What became of the second of three selected employees' records, and what follows.
struct SecondCase
{
    std::function<std::shared_ptr<DataFile>(const QString& path)> Setup;
    int ReleaseAtWait; // the record is let go at that wait (0: never)
    Answer GoOn;       // to the question about it
    QString Outcomes;  // "row:result" each
    int Waits;
    QString Plans; // the "Plan pracy" cells afterwards
    bool NowakRewritten, ZakRewritten;
    QString Bar;
    QString Question;              // the question asked, if any
    bool DeletedAtRelease = false; // the record is deleted as it is let go
};
Q_DECLARE_METATYPE(SecondCase)

// A run over more records than are put in place together, one of which
// cannot take the plan.
struct BatchCase
{
    int Refused;  // the row whose record refuses the plan (its surname has another stem)
    Answer GoOn;  // to the question about it
    int Assigned; // rows that got the plan
};
Q_DECLARE_METATYPE(BatchCase)

namespace {

// Asks as the recording prompt does, after looking around (at the files).
class LookingPrompt : public RecordingPrompt
{
public:
    std::function<void()> Look;
    Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) override
    {
        if (Look) Look();
        return RecordingPrompt::Ask(icon, text, buttons);
    }
};

const QString GoOn = u"/Czy kontynuować przydzielanie planu dla pozostałych pracowników?"_s;

EmployeeRow RowOf(const QString& number, const QString& surname, const QString& firstName)
{
    return {number, surname, firstName, u"<BRAK>"_s, {}};
}

bool RewriteNowak(TestEnvironment& env, const QString& plan)
{
    StaffHooks hooks;
    hooks.Wait = [](int) {};
    return ZapiszPlanPracownika(env.Env, u"NOWAK"_s, u"012"_s, {12, u"Nowak"_s, u"Jan"_s}, plan, hooks);
}

// Runs check as an ordinary user: in this process, or, when it runs as root
// (whom no permission stops), in a child process that gives the test's
// folders to the user nobody and becomes that user. 0, or the number of the
// first check that failed.
int AsOrdinaryUser(TestEnvironment& env, const std::function<int()>& check)
{
    if (::geteuid() != 0) return check();
    constexpr uid_t Nobody = 65534;
    QDirIterator folders(env.ProgramDir(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
    while (folders.hasNext())
        (void)!::chown(QFile::encodeName(folders.next()).constData(), Nobody, Nobody);
    (void)!::chown(QFile::encodeName(env.ProgramDir()).constData(), Nobody, Nobody);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgroups(0, nullptr) == 0 && ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0 ? check() : 99);
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

} // namespace

class TestPrzydziel : public QObject
{
    Q_OBJECT

private slots:
    void rewrite_data()
    {
        QTest::addColumn<RewriteCase>("c");
        RecordBytes grouped = Employee(u"Wojciechowska"_s, u"Żaneta"_s, 100, u"NOC"_s, u"Księgowość"_s)
                                  .With({{300, 41}, {100, 100}, {200, 17}});
        grouped.HeaderWord = -291;
        RecordBytes longer = grouped;
        longer.Plan = u"ZMIANA_DZIENNA"_s;
        const QList<Entry> two{{5, 12}, {9, 4}};
        const RecordBytes nowak = Employee(u"Nowak"_s, u"Jan"_s, 12, u"TYDZIEN_STANDARD"_s).With(two);
        const EmployeeRow row = RowOf(u"012"_s, u"Nowak"_s, u"Jan"_s);
        const QByteArray other = Employee(u"Nowicki"_s, u"Jan"_s, 12).Bytes(),
                         plain = Employee(u"Nowak"_s, u"Jan"_s, 12).Bytes();
        const auto assigned = AssignmentResult::Assigned, failed = AssignmentResult::Failed;
        // clang-format off
        QTest::newRow("longer plan name: header word, group and entries kept, long surname's stem") << RewriteCase{u"wojciech.100"_s,
            grouped.Bytes(), RowOf(u"100"_s, u"Wojciechowska"_s, u"Żaneta"_s), u"ZMIANA_DZIENNA"_s, assigned, longer.Bytes(), u"ZMIANA_DZIENNA"_s};
        // Two entries and four bytes: (16 - 1) / 6 = 2.5 entries round to 2.
        QTest::newRow("shorter plan name, the list's names, no group added") << RewriteCase{u"NOWAK.012"_s,
            nowak.With(two, QByteArray("\x07\x00\x00\x00", 4)).Bytes(), RowOf(u"012"_s, u" Nowak "_s, u"Janina "_s), u"  NOC "_s,
            assigned, Employee(u"Nowak"_s, u"Janina"_s, 12, u"NOC"_s).With(two).Bytes(), u"  NOC "_s};
        // Two entries and five bytes: 2.67 entries, the third completed with a 0.
        QTest::newRow("<BRAK> stored as ****, an empty group dropped, a partial entry completed") << RewriteCase{u"NOWAK.012"_s,
            Employee(u"Nowak"_s, u"Jan"_s, 12, u"NOC"_s, QString()).With(two, QByteArray("\x07\x00\x00\x00\x08", 5)).Bytes(), row,
            u"<BRAK>"_s, assigned, Employee(u"Nowak"_s, u"Jan"_s, 12).With(two + QList<Entry>{{7, 8}}).Bytes(), u"<BRAK>"_s};
        QTest::newRow("a plan name windows-1250 cannot hold") << RewriteCase{u"NOWAK.012"_s, plain, row, u"Zmiana ✓"_s, failed, plain, u"<BRAK>"_s};
        QTest::newRow("a stored surname of another stem") << RewriteCase{u"NOWAK.012"_s, other, row, u"NOC"_s, failed, other, u"<BRAK>"_s};
        // clang-format on
    }

    void rewrite()
    {
        QFETCH(RewriteCase, c);
        TestEnvironment env;
        // A replacement that a run which died left behind goes with the next run.
        QVERIFY(WriteFolder(env.StaffDir(), {{c.FileName, c.Stored}, {DeadProcessScratchName(), "x"}}));
        EmployeeRows rows{c.Row};
        QList<int> changed;
        StaffHooks hooks;
        hooks.PlanCellChanged = [&](int r) { changed << r; };
        const QVector<AssignmentOutcome> outcomes =
            PrzydzielPlan(env.Env, rows, ZaznaczWybranych(1, {0}), c.Plan, hooks);
        QCOMPARE(outcomes, (QVector<AssignmentOutcome>{{0, c.Result}}));
        QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(c.FileName)), c.Expected);
        QCOMPARE(rows[0].Plan, c.Cell);
        // Either the cell changed or the user was asked whether to go on.
        QCOMPARE(changed.size() + env.Ui.Entries().size(), 1);
        // Nothing left beside the record.
        QCOMPARE(FolderEntries(env.StaffDir()), c.FileName);
    }

    void secondEmployee_data()
    {
        QTest::addColumn<SecondCase>("c");
        const auto deleted = [](const QString& path) {
            QFile::remove(path);
            return std::shared_ptr<DataFile>();
        };
        const auto held = [](FileAccess access) {
            return [access](const QString& path) {
                auto file = std::make_shared<DataFile>();
                file->Open(path, access);
                return file;
            };
        };
        const QString none = u"<BRAK>"_s;
        const QString deletedQuestion =
            u"ask Exclamation YesNo Pracownik Nowak Jan został usunięty z bazy danych."_s + GoOn;
        // A record held elsewhere through every attempt: the question says so.
        const QString failedQuestion = u"ask Critical YesNo Nie udana próba przydzielenia planu pracy dla pracownika: "
                                       u"Nowak Jan/Odmowa dostępu. Plik jest zablokowany przez inny program."_s +
                                       GoOn;
        // clang-format off
        QTest::newRow("deleted, Yes goes on") << SecondCase{deleted, 0, Answer::Yes, u"0:0 1:1 2:0"_s, 0,
            u"NOC <BRAK> NOC <BRAK> <BRAK>"_s, false, true, u"25 50 75 100 100"_s, deletedQuestion};
        QTest::newRow("read through all attempts, No stops") << SecondCase{held(FileAccess::ReadDenyWriters), 0, Answer::No, u"0:0 1:2"_s, 5,
            u"NOC <BRAK> <BRAK> <BRAK> <BRAK>"_s, false, false, u"25"_s, failedQuestion};
        QTest::newRow("another rewrite gone at the fifth wait") << SecondCase{held(FileAccess::Exclusive), 5, Answer::Yes, u"0:0 1:0 2:0"_s, 5,
            u"NOC NOC NOC <BRAK> <BRAK>"_s, true, true, u"25 50 75 100 100"_s, {}};
        QTest::newRow("deleted while waited for, Yes goes on") << SecondCase{held(FileAccess::Exclusive), 1, Answer::Yes, u"0:0 1:1 2:0"_s, 1,
            u"NOC <BRAK> NOC <BRAK> <BRAK>"_s, false, true, u"25 50 75 100 100"_s, deletedQuestion, true};
        // clang-format on
    }

    void secondEmployee()
    {
        QFETCH(SecondCase, c);
        TestEnvironment env;
        const QByteArray nowak = Employee(u"Nowak"_s, u"Jan"_s, 12).Bytes(),
                         zak = Employee(u"Żak"_s, u"Ewa"_s, 40).Bytes();
        QVERIFY(WriteFolder(env.StaffDir(), {{u"KOWALSKI.003"_s, Employee(u"Kowalski"_s, u"Piotr"_s, 3).Bytes()},
                                             {u"NOWAK.012"_s, nowak},
                                             {u"ZAK.040"_s, zak}}));
        const QString nowakPath = QDir(env.StaffDir()).filePath(u"NOWAK.012"_s);
        const std::shared_ptr<DataFile> holder = c.Setup(nowakPath);
        // Three rows selected, two more not.
        EmployeeRows rows{RowOf(u"003"_s, u"Kowalski"_s, u"Piotr"_s), RowOf(u"012"_s, u"Nowak"_s, u"Jan"_s),
                          RowOf(u"040"_s, u"Żak"_s, u"Ewa"_s), RowOf(u"041"_s, u"Żak"_s, u"Ola"_s),
                          RowOf(u"042"_s, u"Żak"_s, u"Iza"_s)};
        env.Ui.ScriptAnswers({c.GoOn});
        QList<int> waited;
        QStringList bar;
        int events = 0;
        StaffHooks hooks;
        hooks.Progress = [&](int value) { bar << QString::number(value); };
        hooks.ProcessEvents = [&] { ++events; };
        hooks.Wait = [&](int milliseconds) {
            waited << milliseconds;
            if (waited.size() != c.ReleaseAtWait) return;
            holder->Close();
            if (c.DeletedAtRelease) QFile::remove(nowakPath);
        };
        QCOMPARE(ZaznaczWybranych(5, {2, 0, 1, 5, -1}), (QVector<bool>{true, true, true, false, false}));
        QStringList outcomes;
        for (const AssignmentOutcome& outcome :
             PrzydzielPlan(env.Env, rows, ZaznaczWybranych(5, {0, 1, 2}), u"NOC"_s, hooks))
            outcomes << u"%1:%2"_s.arg(outcome.Row).arg(int(outcome.Result));
        QCOMPARE(outcomes.join(u' '), c.Outcomes);
        QCOMPARE(waited, QList<int>(c.Waits, 1000));
        // The rewrite waits without letting the window work: only the one
        // event round before the loop.
        QCOMPARE(events, 1);
        QStringList plans;
        for (const EmployeeRow& row : rows)
            plans << row.Plan;
        QCOMPARE(plans.join(u' '), c.Plans);
        QCOMPARE(ReadFile(nowakPath) == Employee(u"Nowak"_s, u"Jan"_s, 12, u"NOC"_s).Bytes(), c.NowakRewritten);
        QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(u"ZAK.040"_s)) != zak, c.ZakRewritten);
        // Step 100/4 per row, never beyond 100; No ends the run before the second row's step.
        QCOMPARE(bar.join(u' '), c.Bar);
        QCOMPARE(TakePromptLines(env.Ui).join(u'|'), c.Question);
    }

    void batchedRun_data()
    {
        QTest::addColumn<BatchCase>("c");
        QTest::newRow("refused in the first batch, No stops") << BatchCase{40, Answer::No, 40};
        QTest::newRow("refused in the second batch, Yes goes on") << BatchCase{100, Answer::Yes, 149};
        QTest::newRow("refused first, No stops before any") << BatchCase{0, Answer::No, 0};
    }

    // The records of a run are put in place many at a time; still, when the
    // run asks about a record, every row before it has got the plan on disk
    // and no row after it has, and the answer No leaves the later records as
    // they were, with nothing left beside them.
    void batchedRun()
    {
        QFETCH(BatchCase, c);
        constexpr int Rows = 150;
        TestEnvironment env;
        Folder files = Nowaks(Rows);
        const QString refusedName = u"NOWAK.%1"_s.arg(c.Refused + 1, 3, 10, QChar(u'0'));
        files[refusedName] = Employee(u"Nowicki"_s, u"Jan"_s, c.Refused + 1).Bytes();
        QVERIFY(WriteFolder(env.StaffDir(), files));
        const auto newRows = [&] {
            QList<int> rows;
            for (int row = 0; row < Rows; ++row) {
                const QString name = u"NOWAK.%1"_s.arg(row + 1, 3, 10, QChar(u'0'));
                if (ReadFile(QDir(env.StaffDir()).filePath(name)) != files[name]) rows << row;
            }
            return rows;
        };
        QList<int> before;
        for (int row = 0; row < c.Refused; ++row)
            before << row;
        LookingPrompt prompt;
        int asked = 0;
        prompt.Look = [&] {
            ++asked;
            QCOMPARE(newRows(), before);
        };
        prompt.ScriptAnswers({c.GoOn});
        Environment batchEnv(env.Env.Lib, prompt);
        batchEnv.DataRootDir = env.Env.DataRootDir;
        EmployeeRows rows;
        for (int row = 0; row < Rows; ++row)
            rows << RowOf(u"%1"_s.arg(row + 1, 3, 10, QChar(u'0')), u"Nowak"_s, u"Jan"_s);
        QList<int> bar;
        StaffHooks hooks;
        hooks.Progress = [&](int value) { bar << value; };
        const QVector<AssignmentOutcome> outcomes =
            PrzydzielPlan(batchEnv, rows, QVector<bool>(Rows, true), u"NOC"_s, hooks);
        QCOMPARE(asked, 1);
        QList<int> expected;
        for (int row = 0; row < Rows && expected.size() < c.Assigned; ++row) {
            if (row != c.Refused) expected << row;
        }
        QCOMPARE(newRows(), expected);
        for (const int row : expected)
            QCOMPARE(rows[row].Plan, u"NOC"_s);
        QCOMPARE(outcomes.size(), c.GoOn == Answer::Yes ? Rows : c.Refused + 1);
        QCOMPARE(outcomes.at(c.Refused).Result, AssignmentResult::Failed);
        // A step for every row dealt with, in order, and none for the row the run stopped at.
        QCOMPARE(bar.size(), c.GoOn == Answer::Yes ? Rows : c.Refused);
        QVERIFY(std::is_sorted(bar.begin(), bar.end()));
        QCOMPARE(FolderEntries(env.StaffDir()).count(u' ') + 1, Rows);
    }

    // A rewrite that finds no room leaves the record as it was. Rewrites
    // killed at growing delays leave the record one of its complete versions,
    // and the next assignment, of another employee, removes what they left.
    void interruptedRewrites()
    {
        TestEnvironment env;
        RecordBytes record = Employee(u"Nowak"_s, u"Jan"_s, 12, u"NOC"_s, u"Magazyn"_s).With({{300, 41}, {100, 12}});
        QByteArrayList versions{record.Bytes()};
        const QStringList plans{u"TYDZIEN_STANDARD_Z_NADGODZINAMI"_s, u"N"_s};
        for (const QString& plan : plans) {
            record.Plan = plan;
            versions << record.Bytes();
        }
        const QString path = QDir(env.StaffDir()).filePath(u"NOWAK.012"_s);
        QVERIFY(WriteFolder(env.StaffDir(), {{u"NOWAK.012"_s, versions.first()},
                                             {u"ZAK.040"_s, Employee(u"Żak"_s, u"Ewa"_s, 40).Bytes()}}));
        pid_t child = ::fork();
        if (child == 0) { // the child may write files of the old record's size only
            const rlimit size{rlim_t(versions.first().size()), rlim_t(versions.first().size())};
            ::setrlimit(RLIMIT_FSIZE, &size);
            ::signal(SIGXFSZ, SIG_IGN);
            ::_exit(RewriteNowak(env, plans.first()) ? 0 : 1);
        }
        int status = 0;
        QVERIFY(::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 1);
        QCOMPARE(ReadFile(path), versions.first());
        QCOMPARE(FolderEntries(env.StaffDir()), u"NOWAK.012 ZAK.040"_s);
        int started[2];
        QCOMPARE(::pipe(started), 0);
        for (int round = 0; round < 20; ++round) {
            child = ::fork();
            if (child == 0) {
                for (int i = 0;; ++i) {
                    RewriteNowak(env, plans[i % 2]);
                    if (i == 0) (void)!::write(started[1], "!", 1);
                }
            }
            char byte = 0;
            QCOMPARE(::read(started[0], &byte, 1), ssize_t(1));
            ::usleep(useconds_t((round * 97) % 1000));
            ::kill(child, SIGKILL);
            QCOMPARE(::waitpid(child, nullptr, 0), child);
            QVERIFY2(versions.contains(ReadFile(path)), qPrintable(QString::number(round)));
            EmployeeRows rows;
            QVERIFY(WczytajPracownikow(env.Env, rows, StaffHooks{}) && rows.size() == 2);
        }
        ::close(started[0]);
        ::close(started[1]);
        QVERIFY(ReadFile(path) != versions.first() && env.Ui.Entries().isEmpty());
        QVERIFY(WriteFile(QDir(env.StaffDir()).filePath(DeadProcessScratchName()), "x"));
        EmployeeRows rows{RowOf(u"040"_s, u"Żak"_s, u"Ewa"_s)};
        QCOMPARE(PrzydzielPlan(env.Env, rows, {true}, u"NOC"_s, StaffHooks{}).value(0).Result,
                 AssignmentResult::Assigned);
        QCOMPARE(FolderEntries(env.StaffDir()), u"NOWAK.012 ZAK.040"_s);
    }

    // As an ordinary user, a rewrite keeps the record's permission bits,
    // and it rewrites the record in place, shorter, where the folder takes no
    // new file. A link planted where a replacement was once written is not
    // followed.
    void rewriteAsOrdinaryUser()
    {
        TestEnvironment env;
        const QString folder = env.StaffDir(), path = QDir(folder).filePath(u"NOWAK.012"_s);
        const QString victim = env.Root.filePath(u"victim"_s);
        QVERIFY(WriteFile(path, Employee(u"Nowak"_s, u"Jan"_s, 12).Bytes()) && WriteFile(victim, "outside"));
        QVERIFY(QFile::link(victim, QDir(folder).filePath(u".NOWAK.012.new"_s)));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
        int waits = 0;
        StaffHooks hooks;
        hooks.Wait = [&waits](int) { ++waits; };
        struct stat info;
        const auto assigned = [&](const QString& plan) {
            EmployeeRows rows{RowOf(u"012"_s, u"Nowak"_s, u"Jan"_s)};
            return PrzydzielPlan(env.Env, rows, {true}, plan, hooks).value(0).Result == AssignmentResult::Assigned &&
                   ReadFile(path) == Employee(u"Nowak"_s, u"Jan"_s, 12, plan).Bytes() &&
                   ::stat(QFile::encodeName(path).constData(), &info) == 0 && (info.st_mode & 07777) == 0640;
        };
        const int failed = AsOrdinaryUser(env, [&] {
            const bool beside = assigned(u"ZMIANA_DZIENNA"_s);
            const bool inPlace = ::chmod(QFile::encodeName(folder).constData(), 0555) == 0 && assigned(u"NOC"_s);
            // A record that cannot be opened at all fails at once: only a busy one is waited for.
            const bool failedAtOnce =
                ::chmod(QFile::encodeName(path).constData(), 0) == 0 && !assigned(u"N"_s) && waits == 0;
            return !beside ? 1 : !inPlace ? 2 : !failedAtOnce ? 3 : ReadFile(victim) != "outside" ? 4 : 0;
        });
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(failed, 0);
        QCOMPARE(FolderEntries(folder), u".NOWAK.012.new NOWAK.012"_s);
    }

    void refusedRecords_data()
    {
        QTest::addColumn<RefusedRecord>("c");
        const auto record = [](const QString& path, const QString&) {
            WriteFile(path, Employee(u"Adamczyk"_s, u"Jan"_s, 530).Bytes());
        };
        const auto link = [](const QString& path, const QString& elsewhere) { QFile::link(elsewhere, path); };
        const QString failed = u"2 waits 0 | ask Critical YesNo Nie udana próba przydzielenia planu pracy dla "
                               u"pracownika: Adamczyk Jan/"_s;
        // clang-format off
        QTest::newRow("a link another user planted, to the planner's own file") << RefusedRecord{link, true, 0, false,
            failed + u"Brak dostępu do pliku ADAMCZYK.530"_s + GoOn};
        QTest::newRow("another user's record, 644") << RefusedRecord{record, true, 0644, false,
            failed + u"Odmowa dostępu. Plik jest zablokowany przez inny program."_s + GoOn};
        QTest::newRow("the planner's record, 444, in a read-only folder") << RefusedRecord{record, false, 0444, true,
            failed + u"Odmowa dostępu. Plik jest zablokowany przez inny program."_s + GoOn};
        // The sticky folder keeps the planner from renaming over another
        // user's record; the group may write it, so it is rewritten in place.
        QTest::newRow("another user's record, 664: rewritten in place") << RefusedRecord{record, true, 0664, false, u"0 waits 0 | "_s};
        // clang-format on
    }

    // Only a busy record is waited for: one that can never be opened for
    // writing fails at once, and the question says why. A link at a record's
    // name is never followed.
    void refusedRecords()
    {
        QFETCH(RefusedRecord, c);
        const auto planner = TestUser(u"grafenta-planista"_s), other = TestUser(u"grafenta-obcy"_s);
        if (!planner || !other) QSKIP("needs root, to make users with useradd and become them");
        TestEnvironment env;
        const QString folder = env.StaffDir(), path = QDir(folder).filePath(u"ADAMCZYK.530"_s);
        const QString elsewhere = env.Root.filePath(u"kopia.rec"_s);
        const QByteArray copy = Employee(u"Adamczyk"_s, u"Jan"_s, 530, u"STARY"_s).Bytes();
        QVERIFY(WriteFile(elsewhere, copy));
        GiveTo(*planner, env.ProgramDir());
        c.Put(path, elsewhere);
        const LocalUser& owner = c.Foreign ? *other : *planner;
        QCOMPARE(::lchown(QFile::encodeName(path).constData(), owner.Uid, planner->Gid), 0);
        if (c.Mode) QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(c.Mode)), 0);
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), 0, planner->Gid), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), c.ReadOnlyFolder ? 0555 : 03775), 0);
        const QString before = WhatStandsAt(path);
        const QString told = RunAs(*planner, [&] {
            int waits = 0;
            StaffHooks hooks;
            hooks.Wait = [&waits](int) { ++waits; };
            EmployeeRows rows{RowOf(u"530"_s, u"Adamczyk"_s, u"Jan"_s)};
            const AssignmentOutcome outcome = PrzydzielPlan(env.Env, rows, {true}, u"NOC"_s, hooks).value(0);
            return u"%1 waits %2 | %3"_s.arg(int(outcome.Result)).arg(waits).arg(TakePromptLines(env.Ui).join(u'|'));
        });
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(told, c.Told);
        QCOMPARE(ReadFile(elsewhere), copy);
        if (told.startsWith(u'2')) QCOMPARE(WhatStandsAt(path), before);
    }

    // A full disk: the question and the tool name the cause.
    void fullDisk()
    {
        TestEnvironment env;
        FullDisk disk(env.StaffDir());
        if (!disk.IsMounted()) QSKIP("needs root and a tmpfs the test may mount");
        QVERIFY(WriteFolder(env.StaffDir(), {{u"NOWAK.012"_s, Employee(u"Nowak"_s, u"Jan"_s, 12).Bytes()}}) &&
                WriteFile(env.Plan(u"NOC"_s), "plan"));
        disk.Fill();
        EmployeeRows rows{RowOf(u"012"_s, u"Nowak"_s, u"Jan"_s)};
        QCOMPARE(PrzydzielPlan(env.Env, rows, {true}, u"NOC"_s, StaffHooks{}).value(0).Result,
                 AssignmentResult::Failed);
        QCOMPARE(TakePromptLines(env.Ui),
                 QStringList{u"ask Critical YesNo Nie udana próba przydzielenia planu pracy dla pracownika: Nowak "
                             u"Jan/Dysk jest pełny"_s +
                             GoOn});
        const ToolRun assign = RunPlntool({u"assign"_s, env.DataDir(), u"NOC"_s, u"12"_s});
        QCOMPARE(assign.Code, 1);
        QCOMPARE(assign.Out, u"012 Nowak Jan: failed: No space left on device\n"_s);
        QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(u"NOWAK.012"_s)), Employee(u"Nowak"_s, u"Jan"_s, 12).Bytes());
    }

    // Demo employees (with and without plans and groups, Polish names) and
    // the demo plans: the tool lists them as the program reads them, and
    // assigns a plan spelt in other letter case as its file is spelt.
    void assignsAndLists()
    {
        TestEnvironment env;
        QString error;
        // Numbers no demo employee has: those of two more left out of the folder.
        QVector<DemoEmployee> demo = MakeDemoEmployees(22, 99, DemoPlanNames());
        const int odd = demo.takeLast().Number, absent = demo.takeLast().Number;
        QVERIFY2(WriteDemoEmployees(TestLibrary(), env.StaffDir(), demo, &error), qPrintable(error));
        // A first name with characters that JSON must escape.
        QVERIFY(WriteFolder(env.StaffDir(),
                            {{u"ZAK."_s + NumerNaTekst(odd), Employee(u"Żak"_s, u"E\x1F\"\\wa"_s, odd).Bytes()}}));
        for (const QString& name : DemoPlanNames())
            QVERIFY(WriteFile(env.Plan(name), "plan"));
        EmployeeRows rows;
        QVERIFY(WczytajPracownikow(env.Env, rows, StaffHooks{}));
        const QString plan = DemoPlanNames().at(1);
        const ToolRun assign = RunPlntool(
            {u"assign"_s, env.DataDir(), plan.toUpper(), rows[8].Number, QString::number(rows[3].Number.toInt())});
        QCOMPARE(assign.Out, u"%1 %2 %3: assigned %4\n%5 %6 %7: assigned %4\n"_s.arg(
                                 rows[3].Number, rows[3].Surname, rows[3].FirstName, plan, rows[8].Number,
                                 rows[8].Surname, rows[8].FirstName));
        QCOMPARE(assign.Code, 0);
        rows[3].Plan = rows[8].Plan = plan;
        QJsonArray expected;
        for (const EmployeeRow& row : rows)
            expected.append(QJsonObject{{u"number"_s, row.Number},
                                        {u"surname"_s, row.Surname},
                                        {u"firstName"_s, row.FirstName},
                                        {u"plan"_s, row.Plan},
                                        {u"group"_s, row.Group}});
        const ToolRun staff = RunPlntool({u"staff"_s, env.DataDir()});
        QVERIFY(staff.Code == 0 && QJsonDocument::fromJson(staff.Out.toUtf8()).array() == expected);
        QVERIFY(staff.Out.contains(u"\"E\\u001f\\\"\\\\wa\""_s)); // escaped as JSON demands
        const ToolRun missing = RunPlntool({u"assign"_s, env.DataDir(), u"<BRAK>"_s, QString::number(absent)});
        QVERIFY(missing.Code == 2 && missing.Err.contains(NumerNaTekst(absent)) && missing.Out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPrzydziel)
#include "tst_Przydziel.moc"

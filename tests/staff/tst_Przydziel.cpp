#include "StaffFixtures.h"

#include "staff/ObslugaListy.h"
#include "staff/OdczytZapisPliku.h"
#include "staff/Przydziel.h"

#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(EmployeeRow)

class TestPrzydziel : public QObject
{
    Q_OBJECT

private slots:
    void rewrite_data();
    void rewrite();
    void secondEmployee_data();
    void secondEmployee();
    void interruptedRewrites();
};

namespace {

enum SecondRecord { Deleted, Busy, Released };

const QString GoOn = u"\rCzy kontynuować przydzielanie planu dla pozostałych pracowników?"_s;

EmployeeRow rowOf(const QString& number, const QString& surname, const QString& firstName)
{
    return {number, surname, firstName, u"<BRAK>"_s, {}};
}

// Selects the given rows and assigns plan to them.
QVector<AssignmentOutcome> assign(TestEnvironment& env, EmployeeRows& rows, const QList<int>& selected,
                                  const QString& plan, StaffHooks hooks = {})
{
    if (!hooks.Wait) hooks.Wait = [](int) {};
    ZaznaczWybranych(env.State, int(rows.size()), selected);
    return PrzydzielPlan(env.State, rows, plan, hooks);
}

// The rewrite of NOWAK.012 as a child process makes it.
bool rewriteNowak(TestEnvironment& env, const QString& plan)
{
    StaffHooks hooks;
    hooks.Wait = [](int) {};
    return ZapiszPlanPracownika(env.State, u"NOWAK"_s, u"012"_s, {12, u"Nowak"_s, u"Jan"_s}, plan, hooks);
}

} // namespace

void TestPrzydziel::rewrite_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<EmployeeRow>("row");
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QByteArray>("expected"); // the whole file afterwards; empty = left as it was

    RecordBytes grouped = Employee(u"Wojciechowska"_s, u"Żaneta"_s, 100, u"NOC"_s, u"Księgowość"_s)
                              .With({{300, 41}, {100, 100}, {200, 17}});
    grouped.HeaderWord = -291;
    RecordBytes longer = grouped;
    longer.Plan = u"ZMIANA_DZIENNA"_s;
    QTest::newRow("longer plan name: header word, group and entries kept, long surname's stem")
        << "wojciech.100" << grouped.Bytes() << rowOf(u"100"_s, u"Wojciechowska"_s, u"Żaneta"_s) << "ZMIANA_DZIENNA"
        << longer.Bytes();

    const QList<Entry> two{{5, 12}, {9, 4}};
    const RecordBytes nowak = Employee(u"Nowak"_s, u"Jan"_s, 12, u"TYDZIEN_STANDARD"_s).With(two);
    const EmployeeRow row = rowOf(u"012"_s, u"Nowak"_s, u"Jan"_s);
    // Two entries and four bytes: (16 - 1) / 6 = 2.5 entries round to 2.
    QTest::newRow("shorter plan name, the list's names, no group added")
        << "NOWAK.012" << nowak.With(two, QByteArray("\x07\x00\x00\x00", 4)).Bytes()
        << rowOf(u"012"_s, u" Nowak "_s, u"Janina "_s) << "  NOC "
        << Employee(u"Nowak"_s, u"Janina"_s, 12, u"NOC"_s).With(two).Bytes();
    // Two entries and five bytes: 2.67 entries, the third completed with a 0.
    QTest::newRow("<BRAK> stored as ****, an empty group dropped, a partial entry completed")
        << "NOWAK.012"
        << Employee(u"Nowak"_s, u"Jan"_s, 12, u"NOC"_s, QString())
               .With(two, QByteArray("\x07\x00\x00\x00\x08", 5))
               .Bytes()
        << row << "<BRAK>" << Employee(u"Nowak"_s, u"Jan"_s, 12).With(two + QList<Entry>{{7, 8}}).Bytes();
    QTest::newRow("a stored surname of another stem")
        << "NOWAK.012" << Employee(u"Nowicki"_s, u"Jan"_s, 12).Bytes() << row << "NOC" << QByteArray();
    QTest::newRow("a data start before the first byte")
        << "NOWAK.012" << nowak.With(two, {}, -1).Bytes() << row << "NOC" << QByteArray();
}

void TestPrzydziel::rewrite()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, stored);
    QFETCH(EmployeeRow, row);
    QFETCH(QString, plan);
    QFETCH(QByteArray, expected);

    TestEnvironment env;
    QVERIFY(WriteFolder(env.StaffDir(), {{fileName, stored}}));
    EmployeeRows rows{row};
    QList<int> changed;
    StaffHooks hooks;
    hooks.PlanCellChanged = [&](int r) { changed << r; };
    const bool assigned = !expected.isEmpty();

    const QVector<AssignmentOutcome> outcomes = assign(env, rows, {0}, plan, hooks);
    QCOMPARE(outcomes,
             (QVector<AssignmentOutcome>{{0, assigned ? AssignmentResult::Assigned : AssignmentResult::Failed}}));
    QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(fileName)), assigned ? expected : stored);
    QCOMPARE(rows[0].Plan, assigned ? plan : row.Plan);
    QCOMPARE(changed, assigned ? QList<int>{0} : QList<int>{});
    QCOMPARE(env.Ui.Entries().size(), assigned ? 0 : 1);
    // Nothing left beside the record.
    QCOMPARE(QDir(env.StaffDir()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
}

void TestPrzydziel::secondEmployee_data()
{
    QTest::addColumn<int>("second"); // what became of the second employee's record
    QTest::addColumn<bool>("goOn");  // the answer to the question about it

    QTest::newRow("deleted, Yes goes on") << int(Deleted) << true;
    QTest::newRow("deleted, No stops") << int(Deleted) << false;
    QTest::newRow("read through all attempts, No stops") << int(Busy) << false;
    QTest::newRow("another rewrite gone at the fifth wait") << int(Released) << true;
}

void TestPrzydziel::secondEmployee()
{
    QFETCH(int, second);
    QFETCH(bool, goOn);

    TestEnvironment env;
    const QByteArray nowak = Employee(u"Nowak"_s, u"Jan"_s, 12).Bytes();
    const QByteArray zak = Employee(u"Żak"_s, u"Ewa"_s, 40).Bytes();
    Folder files{{u"KOWALSKI.003"_s, Employee(u"Kowalski"_s, u"Piotr"_s, 3).Bytes()}, {u"ZAK.040"_s, zak}};
    if (second != Deleted) files[u"NOWAK.012"_s] = nowak;
    QVERIFY(WriteFolder(env.StaffDir(), files));
    const QString nowakPath = QDir(env.StaffDir()).filePath(u"NOWAK.012"_s);
    RecordFile holder;
    if (second != Deleted) {
        QCOMPARE(holder.Open(nowakPath, second == Busy ? RecordAccess::ReadDenyWriters : RecordAccess::Exclusive),
                 OpenStatus::Opened);
    }
    // Three rows selected, two more not.
    EmployeeRows rows{rowOf(u"003"_s, u"Kowalski"_s, u"Piotr"_s), rowOf(u"012"_s, u"Nowak"_s, u"Jan"_s),
                      rowOf(u"040"_s, u"Żak"_s, u"Ewa"_s), rowOf(u"041"_s, u"Żak"_s, u"Ola"_s),
                      rowOf(u"042"_s, u"Żak"_s, u"Iza"_s)};
    env.Ui.ScriptAnswers({goOn ? Answer::Yes : Answer::No});
    QList<int> bar, waited;
    int events = 0;
    StaffHooks hooks;
    hooks.Progress = [&](int value) { bar << value; };
    hooks.ProcessEvents = [&] { ++events; };
    hooks.Wait = [&](int milliseconds) {
        waited << milliseconds;
        if (second == Released && waited.size() == 5) holder.Close();
    };

    const QVector<AssignmentOutcome> outcomes = assign(env, rows, {0, 1, 2}, u"NOC"_s, hooks);
    const AssignmentResult secondResult = second == Deleted ? AssignmentResult::Deleted
                                          : second == Busy  ? AssignmentResult::Failed
                                                            : AssignmentResult::Assigned;
    QVector<AssignmentOutcome> expected{{0, AssignmentResult::Assigned}, {1, secondResult}};
    if (goOn) expected.append({2, AssignmentResult::Assigned});
    QCOMPARE(outcomes, expected);
    QCOMPARE(waited, QList<int>(second == Deleted ? 0 : 5, 1000));
    // The rewrite waits without letting the window work: only the one
    // event round before the loop.
    QCOMPARE(events, 1);
    const QString none = u"<BRAK>"_s;
    QCOMPARE((QStringList{rows[0].Plan, rows[1].Plan, rows[2].Plan, rows[3].Plan, rows[4].Plan}),
             (QStringList{u"NOC"_s, second == Released ? u"NOC"_s : none, goOn ? u"NOC"_s : none, none, none}));
    if (second != Deleted) QCOMPARE(ReadFile(nowakPath) == nowak, second == Busy);
    QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(u"ZAK.040"_s)) != zak, goOn);
    // Step 100/4 per row, never beyond 100; No ends the run before the second row's step.
    QCOMPARE(bar, goOn ? (QList<int>{25, 50, 75, 100, 100}) : QList<int>{25});

    QCOMPARE(env.Ui.Entries().size(), second == Released ? 0 : 1);
    if (second == Released) return;
    const RecordingPrompt::Entry& asked = env.Ui.Entries().first();
    QVERIFY(asked.question);
    QCOMPARE(asked.buttons, MessageButtons::YesNo);
    QCOMPARE(asked.icon, second == Busy ? MessageIcon::Critical : MessageIcon::Exclamation);
    QCOMPARE(asked.text, second == Busy
                             ? u"Nie udana próba przydzielenia planu pracy dla pracownika: Nowak Jan"_s + GoOn
                             : u"Pracownik Nowak Jan został usunięty z bazy danych."_s + GoOn);
}

void TestPrzydziel::interruptedRewrites()
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
    QVERIFY(WriteFile(path, versions.first()));

    // A full disk: the child may write files of the old record's size only.
    pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const struct rlimit size
        {
            rlim_t(versions.first().size()), rlim_t(versions.first().size())
        };
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, SIG_IGN);
        ::_exit(rewriteNowak(env, plans.first()) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    QCOMPARE(ReadFile(path), versions.first());
    QCOMPARE(QDir(env.StaffDir()).entryList(QDir::Files | QDir::Hidden), QStringList{u"NOWAK.012"_s});

    // A child rewriting the record again and again, alternating two plans, is
    // killed at a growing delay after its first rewrite: the record is always
    // one of the complete versions and the folder still reads.
    int started[2];
    QCOMPARE(::pipe(started), 0);
    for (int round = 0; round < 20; ++round) {
        child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                rewriteNowak(env, plans[i % 2]);
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
        QVERIFY(WczytajPracownikow(env.State, rows, StaffHooks{}));
        QCOMPARE(rows.size(), 1);
    }
    ::close(started[0]);
    ::close(started[1]);
    QVERIFY(ReadFile(path) != versions.first());
    QCOMPARE(env.Ui.Texts(), QStringList());
}

QTEST_GUILESS_MAIN(TestPrzydziel)
#include "tst_Przydziel.moc"

#include "StaffFixtures.h"

#include "staff/OdczytZapisPliku.h"
#include "staff/Przydziel.h"

#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(RecordBytes)
Q_DECLARE_METATYPE(EmployeeRow)

class TestPrzydziel : public QObject
{
    Q_OBJECT

private slots:
    void rewrite_data();
    void rewrite();
    void questions_data();
    void questions();
    void busyRecord_data();
    void busyRecord();
    void progress_data();
    void progress();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void killedDuringRewrites();
};

namespace {

const QString GoOn = QStringLiteral("Czy kontynuować przydzielanie planu dla pozostałych pracowników?");
const QString Cr13 = QString(QChar(13));

EmployeeRow rowOf(const QString& number, const QString& surname, const QString& firstName,
                  const QString& plan = QStringLiteral("<BRAK>"))
{
    return {number, surname, firstName, plan, {}};
}

// Runs the assignment of plan to the given rows of rows.
QVector<AssignmentOutcome> assign(TestEnvironment& env, EmployeeRows& rows, const QList<int>& selected,
                                  const QString& plan, StaffHooks hooks = {})
{
    if (!hooks.Wait) hooks.Wait = [](int) {};
    ZaznaczWybranych(env.State, int(rows.size()), selected);
    return PrzydzielPlan(env.State, rows, plan, hooks);
}

QString recordPath(const TestEnvironment& env, const QString& name)
{
    return QDir(env.StaffDir()).filePath(name);
}

} // namespace

void TestPrzydziel::rewrite_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<RecordBytes>("stored");
    QTest::addColumn<EmployeeRow>("row");
    QTest::addColumn<QString>("plan");
    QTest::addColumn<bool>("assigned");
    QTest::addColumn<QByteArray>("expected"); // the whole file afterwards

    RecordBytes grouped = Employee(QStringLiteral("Kowalski"), QStringLiteral("Piotr"), 3,
                                   QStringLiteral("ZMIANA_NOCNA"), QStringLiteral("Księgowość"));
    grouped.Entries = {{300, 41}, {100, 3}, {200, 17}};
    grouped.HeaderWord = -291;
    const EmployeeRow kowalski = rowOf(QStringLiteral("003"), QStringLiteral("Kowalski"), QStringLiteral("Piotr"),
                                       QStringLiteral("ZMIANA_NOCNA"));
    RecordBytes longer = grouped;
    longer.Plan = QStringLiteral("TYDZIEN_STANDARD");
    QTest::newRow("longer plan name moves the entries, group kept")
        << "KOWALSKI.003" << grouped << kowalski << "TYDZIEN_STANDARD" << true << longer.Bytes();

    RecordBytes plain =
        Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12, QStringLiteral("TYDZIEN_STANDARD"));
    plain.Entries = {{5, 12}, {9, 4}};
    const EmployeeRow nowak = rowOf(QStringLiteral("012"), QStringLiteral("Nowak"), QStringLiteral("Jan"));
    RecordBytes shorter = plain;
    shorter.Plan = QStringLiteral("NOC");
    QTest::newRow("shorter plan name leaves no stale bytes, no group added")
        << "NOWAK.012" << plain << nowak << "NOC" << true << shorter.Bytes();

    RecordBytes none = plain;
    none.Plan = QStringLiteral("****");
    QTest::newRow("<BRAK> is stored as ****") << "NOWAK.012" << plain << nowak << "<BRAK>" << true << none.Bytes();
    QTest::newRow("the plan box text is trimmed")
        << "NOWAK.012" << plain << nowak << "  NOC " << true << shorter.Bytes();

    RecordBytes emptyGroup = plain;
    emptyGroup.Group = QString();
    QTest::newRow("an empty group is dropped")
        << "NOWAK.012" << emptyGroup << nowak << "NOC" << true << shorter.Bytes();

    RecordBytes renamed = plain;
    renamed.FirstName = QStringLiteral("Janina");
    renamed.Plan = QStringLiteral("NOC");
    QTest::newRow("the list's names are stored, not the file's")
        << "NOWAK.012" << plain << rowOf(QStringLiteral("012"), QStringLiteral(" Nowak "), QStringLiteral("Janina "))
        << "NOC" << true << renamed.Bytes();

    RecordBytes longName = Employee(QStringLiteral("Wojciechowska"), QStringLiteral("Żaneta"), 100);
    RecordBytes longNameAfter = longName;
    longNameAfter.Plan = QStringLiteral("ZMIANA_DZIENNA");
    QTest::newRow("a long surname is found by the stem of its first 8 characters")
        << "WOJCIECH.100" << longName
        << rowOf(QStringLiteral("100"), QStringLiteral("Wojciechowska"), QStringLiteral("Żaneta")) << "ZMIANA_DZIENNA"
        << true << longNameAfter.Bytes();

    QTest::newRow("letter case of the file name does not matter")
        << "nowak.012" << plain << nowak << "NOC" << true << shorter.Bytes();

    RecordBytes oddTail = plain;
    // Two entries and four bytes: (16 - 1) / 6 = 2.5 rounds to 2.
    oddTail.Tail = QByteArray("\x07\x00\x00\x00", 4);
    RecordBytes oddTailAfter = shorter;
    QTest::newRow("entries counted with halves to even")
        << "NOWAK.012" << oddTail << nowak << "NOC" << true << oddTailAfter.Bytes();

    RecordBytes roundedUp = plain;
    // Two entries and five bytes: 2.67 entries, the third completed with a 0.
    roundedUp.Tail = QByteArray("\x07\x00\x00\x00\x08", 5);
    RecordBytes roundedUpAfter = shorter;
    roundedUpAfter.Entries << Entry{7, 8};
    QTest::newRow("a partial entry is completed with zeros")
        << "NOWAK.012" << roundedUp << nowak << "NOC" << true << roundedUpAfter.Bytes();

    RecordBytes foreign = plain;
    foreign.Surname = QStringLiteral("Nowicki");
    QTest::newRow("a stored surname of another stem is left alone")
        << "NOWAK.012" << foreign << nowak << "NOC" << false << foreign.Bytes();

    RecordBytes pastEnd = plain;
    pastEnd.DataStart = 200;
    QTest::newRow("a negative entry count is left alone")
        << "NOWAK.012" << pastEnd << nowak << "NOC" << false << pastEnd.Bytes();

    RecordBytes nowhere = plain;
    nowhere.DataStart = -1;
    QTest::newRow("a data start before the first byte is left alone")
        << "NOWAK.012" << nowhere << nowak << "NOC" << false << nowhere.Bytes();
}

void TestPrzydziel::rewrite()
{
    QFETCH(QString, fileName);
    QFETCH(RecordBytes, stored);
    QFETCH(EmployeeRow, row);
    QFETCH(QString, plan);
    QFETCH(bool, assigned);
    QFETCH(QByteArray, expected);

    TestEnvironment env;
    const QByteArray before = stored.Bytes();
    QVERIFY(WriteRecord(env.StaffDir(), fileName, before));
    EmployeeRows rows{row};
    QList<int> changed;
    StaffHooks hooks;
    hooks.PlanCellChanged = [&](int r) { changed << r; };
    env.Ui.ScriptAnswers({Answer::Yes});

    const QVector<AssignmentOutcome> outcomes = assign(env, rows, {0}, plan, hooks);
    QCOMPARE(outcomes,
             (QVector<AssignmentOutcome>{{0, assigned ? AssignmentResult::Assigned : AssignmentResult::Failed}}));
    const QByteArray after = ReadFile(recordPath(env, fileName));
    QCOMPARE(after, expected);
    QCOMPARE(rows[0].Plan, assigned ? plan : row.Plan);
    QCOMPARE(changed, assigned ? QList<int>{0} : QList<int>{});
    // Nothing left beside the record.
    QCOMPARE(QDir(env.StaffDir()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
    if (assigned) {
        QVERIFY(env.Ui.Entries().isEmpty());
    } else {
        QCOMPARE(env.Ui.Entries().size(), 1);
        QCOMPARE(env.Ui.Entries().first().icon, MessageIcon::Critical);
        QCOMPARE(env.Ui.Entries().first().text,
                 QStringLiteral("Nie udana próba przydzielenia planu pracy dla pracownika: ") + row.Surname +
                     QLatin1Char(' ') + row.FirstName + Cr13 + GoOn);
    }
}

void TestPrzydziel::questions_data()
{
    QTest::addColumn<bool>("busySecond"); // else the second employee is deleted
    QTest::addColumn<int>("answer");      // to the question about the second employee
    QTest::addColumn<QString>("question");

    const QString deleted = QStringLiteral("Pracownik Nowak Jan został usunięty z bazy danych.") + Cr13 + GoOn;
    const QString failed =
        QStringLiteral("Nie udana próba przydzielenia planu pracy dla pracownika: Nowak Jan") + Cr13 + GoOn;
    QTest::newRow("deleted, Yes goes on") << false << int(Answer::Yes) << deleted;
    QTest::newRow("deleted, No stops") << false << int(Answer::No) << deleted;
    QTest::newRow("failed, Yes goes on") << true << int(Answer::Yes) << failed;
    QTest::newRow("failed, No stops") << true << int(Answer::No) << failed;
}

void TestPrzydziel::questions()
{
    QFETCH(bool, busySecond);
    QFETCH(int, answer);
    QFETCH(QString, question);

    TestEnvironment env;
    const QByteArray kowalski = Employee(QStringLiteral("Kowalski"), QStringLiteral("Piotr"), 3).Bytes();
    const QByteArray nowak = Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12).Bytes();
    const QByteArray zak = Employee(QStringLiteral("Żak"), QStringLiteral("Ewa"), 40).Bytes();
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("KOWALSKI.003"), kowalski));
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("ZAK.040"), zak));
    RecordFile holder;
    if (busySecond) {
        QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.012"), nowak));
        QCOMPARE(holder.Open(recordPath(env, QStringLiteral("NOWAK.012")), RecordAccess::ReadDenyWriters),
                 OpenStatus::Opened);
    }
    EmployeeRows rows{rowOf(QStringLiteral("003"), QStringLiteral("Kowalski"), QStringLiteral("Piotr")),
                      rowOf(QStringLiteral("012"), QStringLiteral("Nowak"), QStringLiteral("Jan")),
                      rowOf(QStringLiteral("040"), QStringLiteral("Żak"), QStringLiteral("Ewa"))};
    env.Ui.ScriptAnswers({Answer(answer)});
    QList<int> bar;
    StaffHooks hooks;
    hooks.Progress = [&](int value) { bar << value; };

    const QVector<AssignmentOutcome> outcomes = assign(env, rows, {0, 1, 2}, QStringLiteral("NOC"), hooks);
    const bool goOn = Answer(answer) == Answer::Yes;
    QVector<AssignmentOutcome> expected{
        {0, AssignmentResult::Assigned},
        {1, busySecond ? AssignmentResult::Failed : AssignmentResult::Deleted},
    };
    if (goOn) expected.append({2, AssignmentResult::Assigned});
    QCOMPARE(outcomes, expected);

    QCOMPARE(env.Ui.Entries().size(), 1);
    const RecordingPrompt::Entry& asked = env.Ui.Entries().first();
    QVERIFY(asked.question);
    QCOMPARE(asked.buttons, MessageButtons::YesNo);
    QCOMPARE(asked.icon, busySecond ? MessageIcon::Critical : MessageIcon::Exclamation);
    QCOMPARE(asked.text, question);

    QCOMPARE(rows[0].Plan, QStringLiteral("NOC"));
    QCOMPARE(rows[1].Plan, QStringLiteral("<BRAK>"));
    QCOMPARE(rows[2].Plan, goOn ? QStringLiteral("NOC") : QStringLiteral("<BRAK>"));
    QVERIFY(ReadFile(recordPath(env, QStringLiteral("KOWALSKI.003"))) != kowalski);
    QCOMPARE(ReadFile(recordPath(env, QStringLiteral("ZAK.040"))) != zak, goOn);
    if (busySecond) QCOMPARE(ReadFile(recordPath(env, QStringLiteral("NOWAK.012"))), nowak);
    // Step 100/4 per row: No ends the run before the second row's step.
    QCOMPARE(bar, goOn ? (QList<int>{25, 50, 75}) : QList<int>{25});
}

void TestPrzydziel::busyRecord_data()
{
    QTest::addColumn<int>("releaseAtWait"); // 0 = never
    QTest::addColumn<bool>("shared");       // held by a reader, else by another rewrite
    QTest::addColumn<bool>("assigned");
    QTest::addColumn<int>("waits");

    QTest::newRow("reader gone at the second wait") << 2 << true << true << 2;
    QTest::newRow("rewrite gone at the fifth wait") << 5 << false << true << 5;
    QTest::newRow("read through all attempts") << 0 << true << false << 5;
    QTest::newRow("rewritten through all attempts") << 0 << false << false << 5;
}

void TestPrzydziel::busyRecord()
{
    QFETCH(int, releaseAtWait);
    QFETCH(bool, shared);
    QFETCH(bool, assigned);
    QFETCH(int, waits);

    TestEnvironment env;
    const QByteArray before = Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12).Bytes();
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.012"), before));
    RecordFile holder;
    QCOMPARE(holder.Open(recordPath(env, QStringLiteral("NOWAK.012")),
                         shared ? RecordAccess::ReadDenyWriters : RecordAccess::Exclusive),
             OpenStatus::Opened);
    QList<int> waited;
    int events = 0;
    StaffHooks hooks;
    hooks.ProcessEvents = [&] { ++events; };
    hooks.Wait = [&](int milliseconds) {
        waited << milliseconds;
        if (waited.size() == releaseAtWait) holder.Close();
    };
    EmployeeRows rows{rowOf(QStringLiteral("012"), QStringLiteral("Nowak"), QStringLiteral("Jan"))};
    const QVector<AssignmentOutcome> outcomes = assign(env, rows, {0}, QStringLiteral("NOC"), hooks);
    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes.first().Result, assigned ? AssignmentResult::Assigned : AssignmentResult::Failed);
    QCOMPARE(waited, QList<int>(waits, 1000));
    // The rewrite waits without letting the window work: only the one
    // event round before the loop.
    QCOMPARE(events, 1);
    QCOMPARE(ReadFile(recordPath(env, QStringLiteral("NOWAK.012"))) == before, !assigned);
}

void TestPrzydziel::progress_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("bar");

    QTest::newRow("2 of 10: step 100/3") << 10 << QList<int>{2, 6}
                                         << QList<int>{33, 66, 100, 100, 100, 100, 100, 100, 100, 100};
    QTest::newRow("none of 3: step 100") << 3 << QList<int>{} << QList<int>{100, 100, 100};
    QTest::newRow("all of 4: step 100/5") << 4 << QList<int>{0, 1, 2, 3} << QList<int>{20, 40, 60, 80};
    QTest::newRow("6 of 6: step 100/7") << 6 << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{14, 28, 42, 57, 71, 85};
}

void TestPrzydziel::progress()
{
    QFETCH(int, rowCount);
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, bar);

    TestEnvironment env;
    EmployeeRows rows;
    for (int i = 0; i < rowCount; ++i) {
        const int number = i + 1;
        QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.%1").arg(number, 3, 10, QLatin1Char('0')),
                            Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), number).Bytes()));
        rows.append(rowOf(QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')), QStringLiteral("Nowak"),
                          QStringLiteral("Jan")));
    }
    QList<int> shown;
    StaffHooks hooks;
    hooks.Progress = [&](int value) { shown << value; };
    const QVector<AssignmentOutcome> outcomes = assign(env, rows, selected, QStringLiteral("NOC"), hooks);
    QCOMPARE(shown, bar);
    QCOMPARE(outcomes.size(), selected.size());
    for (int i = 0; i < rowCount; ++i)
        QCOMPARE(rows[i].Plan == QLatin1String("NOC"), selected.contains(i));
}

void TestPrzydziel::fileSizeLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("assigned");

    QTest::newRow("room for the new record") << qint64(4096) << true;
    QTest::newRow("limit at the old record's size") << qint64(-1) << false;
    QTest::newRow("no room at all") << qint64(0) << false;
}

void TestPrzydziel::fileSizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(bool, assigned);

    TestEnvironment env;
    const QByteArray before =
        Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 12, QStringLiteral("NOC"), QStringLiteral("Biuro"))
            .Bytes();
    QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.012"), before));
    if (limit < 0) limit = before.size();

    // The child writes under the limit; a write beyond it fails with EFBIG.
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const struct rlimit size
        {
            rlim_t(limit), rlim_t(limit)
        };
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, SIG_IGN);
        StaffHooks hooks;
        hooks.Wait = [](int) {};
        EmployeeData employee{12, QStringLiteral("Nowak"), QStringLiteral("Jan")};
        const bool ok = ZapiszPlanPracownika(env.State, QStringLiteral("NOWAK"), QStringLiteral("012"), employee,
                                             QStringLiteral("ZMIANA_DZIENNA"), hooks);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), assigned ? 0 : 1);
    const QByteArray after = ReadFile(recordPath(env, QStringLiteral("NOWAK.012")));
    if (assigned) {
        QCOMPARE(after.size(), before.size() + 11);
    } else {
        QCOMPARE(after, before);
    }
    QCOMPARE(QDir(env.StaffDir()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("NOWAK.012")});
}

void TestPrzydziel::killedDuringRewrites()
{
    // A child rewrites one record again and again, alternating two plans, and
    // is killed after a growing delay. Whenever it dies, the record is one of
    // the complete versions and the folder still reads.
    TestEnvironment env;
    RecordBytes record = Employee(QStringLiteral("Kowalski"), QStringLiteral("Piotr"), 3,
                                  QStringLiteral("ZMIANA_NOCNA"), QStringLiteral("Magazyn"));
    record.Entries = {{300, 41}, {100, 3}, {200, 17}};
    const QByteArray original = record.Bytes();
    record.Plan = QStringLiteral("TYDZIEN_STANDARD_Z_NADGODZINAMI");
    const QByteArray longer = record.Bytes();
    record.Plan = QStringLiteral("N");
    const QByteArray shorter = record.Bytes();
    const QString path = recordPath(env, QStringLiteral("KOWALSKI.003"));
    QVERIFY(WriteFile(path, original));

    int interrupted = 0;
    for (int round = 0; round < 80; ++round) {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            StaffHooks hooks;
            hooks.Wait = [](int) {};
            const EmployeeData employee{3, QStringLiteral("Kowalski"), QStringLiteral("Piotr")};
            for (bool flip = false;; flip = !flip) {
                ZapiszPlanPracownika(env.State, QStringLiteral("KOWALSKI"), QStringLiteral("003"), employee,
                                     flip ? QStringLiteral("N") : QStringLiteral("TYDZIEN_STANDARD_Z_NADGODZINAMI"),
                                     hooks);
            }
        }
        ::usleep(useconds_t(200 + (round * 97) % 3000));
        ::kill(child, SIGKILL);
        QCOMPARE(::waitpid(child, nullptr, 0), child);

        const QByteArray now = ReadFile(path);
        QVERIFY2(now == original || now == longer || now == shorter, qPrintable(QString::number(round)));
        if (QFileInfo::exists(RecordFile::ReplacementPath(path))) ++interrupted;
        EmployeeRows rows;
        TestEnvironment reader;
        reader.State.DataRootDir = env.State.DataRootDir;
        QVERIFY(WczytajPracownikow(reader.State, rows, StaffHooks{}));
        QCOMPARE(rows.size(), 1);
        QVERIFY(reader.Ui.Entries().isEmpty());
    }
    qInfo("%d of 80 kills left a replacement half-made", interrupted);
}

QTEST_GUILESS_MAIN(TestPrzydziel)
#include "tst_Przydziel.moc"

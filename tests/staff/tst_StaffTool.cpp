#include "StaffFixtures.h"

#include "demo/DemoStaff.h"
#include "staff/ObslugaListy.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

class TestStaffTool : public QObject
{
    Q_OBJECT

private slots:
    void assignsAndLists();
    void refusals_data();
    void refusals();
};

namespace {

struct Run
{
    int code = -1;
    QByteArray out;
    QString err;
};

Run plntool(const QStringList& args)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s), args);
    Run run;
    if (!process.waitForFinished(60000)) return run;
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

void TestStaffTool::assignsAndLists()
{
    // Demo employees (with and without plans and groups, Polish names) and
    // the demo plans; the tool lists them as the program reads them.
    TestEnvironment env;
    QString error;
    QVERIFY2(WriteDemoEmployees(TestLibrary(), env.StaffDir(), MakeDemoEmployees(20, 99, DemoPlanNames()), &error),
             qPrintable(error));
    for (const QString& name : DemoPlanNames())
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(name + u".PLN"_s), "plan"));
    EmployeeRows rows;
    QVERIFY(WczytajPracownikow(env.State, rows, StaffHooks{}));
    const auto listed = [&] {
        QJsonArray expected;
        for (const EmployeeRow& row : rows) {
            expected.append(QJsonObject{{u"number"_s, row.Number},
                                        {u"surname"_s, row.Surname},
                                        {u"firstName"_s, row.FirstName},
                                        {u"plan"_s, row.Plan},
                                        {u"group"_s, row.Group}});
        }
        const Run run = plntool({u"staff"_s, env.State.DataDir()});
        return run.code == 0 && QJsonDocument::fromJson(run.out).array() == expected;
    };
    QVERIFY(listed());

    // A plan spelt in other letter case is taken as its file is spelt.
    const auto assign = [&](const QString& plan, const QString& shown, const QList<int>& selected) {
        QStringList args{u"assign"_s, env.State.DataDir(), plan}, lines;
        for (const int i : selected) {
            args.insert(3, rows[i].Number); // reversed: the results follow the list's order
            rows[i].Plan = shown;
            lines << u"%1 %2 %3: assigned %4"_s.arg(rows[i].Number, rows[i].Surname, rows[i].FirstName, shown);
        }
        const Run run = plntool(args);
        return run.code == 0 && QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts) == lines;
    };
    QVERIFY(assign(DemoPlanNames().at(1).toUpper(), DemoPlanNames().at(1), {3, 8}));
    QVERIFY(listed());
    QVERIFY(assign(u"<BRAK>"_s, u"<BRAK>"_s, {8}));
    QVERIFY(listed());
}

void TestStaffTool::refusals_data()
{
    QTest::addColumn<QStringList>("args"); // DATADIR goes second
    QTest::addColumn<bool>("duplicate");   // a second record of card number 5
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // part of stderr

    QTest::newRow("staff: the list does not read")
        << QStringList{u"staff"_s} << true << 1 << "Niektóre numery kart pracowników są zdublowane. ";
    QTest::newRow("assign: unknown plan")
        << QStringList{u"assign"_s, u"ZMIANA_X"_s, u"1"_s} << false << 2 << "ZMIANA_X";
    QTest::newRow("assign: not a card number")
        << QStringList{u"assign"_s, u"<BRAK>"_s, u"1000"_s} << false << 2 << "1000";
    QTest::newRow("assign: no such employee")
        << QStringList{u"assign"_s, u"<BRAK>"_s, u"0998"_s} << false << 2 << "998";
    QTest::newRow("assign: the list does not read") << QStringList{u"assign"_s, u"<BRAK>"_s, u"5"_s} << true << 1
                                                    << "Niektóre numery kart pracowników są zdublowane. ";
}

void TestStaffTool::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(bool, duplicate);
    QFETCH(int, code);
    QFETCH(QString, message);

    TestEnvironment env;
    Folder files{{u"NOWAK.005"_s, Employee(u"Nowak"_s, u"Jan"_s, 5).Bytes()}};
    if (duplicate) files[u"ZAK.005"_s] = Employee(u"Żak"_s, u"Ewa"_s, 5).Bytes();
    QVERIFY(WriteFolder(env.StaffDir(), files));
    args.insert(1, env.State.DataDir());
    const Run run = plntool(args);
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.trimmed().isEmpty());
    QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(u"NOWAK.005"_s)), files.first());
}

QTEST_GUILESS_MAIN(TestStaffTool)
#include "tst_StaffTool.moc"

#include "StaffFixtures.h"

#include "demo/DemoStaff.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

class TestStaffTool : public QObject
{
    Q_OBJECT

private slots:
    void assignsAndLists_data();
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

void TestStaffTool::assignsAndLists_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("shown");

    QTest::newRow("spelt in other letter case") << "zmiana_dzienna"
                                                << "ZMIANA_DZIENNA";
    QTest::newRow("no plan") << "<BRAK>"
                             << "<BRAK>";
}

void TestStaffTool::assignsAndLists()
{
    QFETCH(QString, plan);
    QFETCH(QString, shown);

    // Demo employees (with and without plans and groups, Polish names) and
    // the demo plans, in listing order.
    TestEnvironment env;
    QVector<DemoEmployee> employees = MakeDemoEmployees(20, 99, DemoPlanNames());
    QString error;
    QVERIFY2(WriteDemoEmployees(TestLibrary(), env.StaffDir(), employees, &error), qPrintable(error));
    for (const QString& name : DemoPlanNames())
        QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(name + u".PLN"_s), "plan"));
    std::sort(employees.begin(), employees.end(), [](const DemoEmployee& a, const DemoEmployee& b) {
        return DemoEmployeeFileName(TestLibrary(), a)
                   .compare(DemoEmployeeFileName(TestLibrary(), b), Qt::CaseInsensitive) < 0;
    });
    QJsonArray expected;
    for (const DemoEmployee& employee : employees) {
        expected.append(QJsonObject{{u"number"_s, u"%1"_s.arg(employee.Number, 3, 10, QLatin1Char('0'))},
                                    {u"surname"_s, employee.Surname},
                                    {u"firstName"_s, employee.FirstName},
                                    {u"plan"_s, employee.Plan == QLatin1String("****") ? u"<BRAK>"_s : employee.Plan},
                                    {u"group"_s, employee.Group}});
    }
    const Run before = plntool({u"staff"_s, env.State.DataDir()});
    QCOMPARE(before.code, 0);
    // The keys in the order of the list's columns.
    QVERIFY(QString::fromUtf8(before.out)
                .contains(QRegularExpression(
                    u"\\{\"number\": \"\\d{3}\", \"surname\": .*, \"firstName\": .*, \"plan\": .*, \"group\": "_s)));
    QCOMPARE(QJsonDocument::fromJson(before.out).array(), expected);

    const Run run = plntool({u"assign"_s, env.State.DataDir(), plan, QString::number(employees[8].Number),
                             QString::number(employees[3].Number)});
    QCOMPARE(run.code, 0);
    QStringList lines;
    for (const int i : {3, 8}) {
        lines << u"%1 %2 %3: assigned %4"_s.arg(employees[i].Number, 3, 10, QLatin1Char('0'))
                     .arg(employees[i].Surname, employees[i].FirstName, shown);
        QJsonObject row = expected[i].toObject();
        row[u"plan"_s] = shown;
        expected[i] = row;
    }
    QCOMPARE(QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), lines);
    QCOMPARE(QJsonDocument::fromJson(plntool({u"staff"_s, env.State.DataDir()}).out).array(), expected);
}

void TestStaffTool::refusals_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("duplicate");   // a second record of card number 5
    QTest::addColumn<QStringList>("args"); // after DATADIR
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // part of stderr

    QTest::newRow("staff: two folders") << "staff" << false << QStringList{u"x"_s} << 2 << "usage";
    QTest::newRow("staff: the list does not read")
        << "staff" << true << QStringList{} << 1 << "Niektóre numery kart pracowników są zdublowane. ";
    QTest::newRow("assign: unknown plan") << "assign" << false << QStringList{u"ZMIANA_X"_s, u"1"_s} << 2 << "ZMIANA_X";
    QTest::newRow("assign: not a card number")
        << "assign" << false << QStringList{u"<BRAK>"_s, u"1000"_s} << 2 << "1000";
    QTest::newRow("assign: no such employee") << "assign" << false << QStringList{u"<BRAK>"_s, u"0998"_s} << 2 << "998";
    QTest::newRow("assign: the list does not read") << "assign" << true << QStringList{u"<BRAK>"_s, u"5"_s} << 1
                                                    << "Niektóre numery kart pracowników są zdublowane. ";
}

void TestStaffTool::refusals()
{
    QFETCH(QString, command);
    QFETCH(bool, duplicate);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);

    TestEnvironment env;
    Folder files{{u"NOWAK.005"_s, Employee(u"Nowak"_s, u"Jan"_s, 5).Bytes()}};
    if (duplicate) files[u"ZAK.005"_s] = Employee(u"Żak"_s, u"Ewa"_s, 5).Bytes();
    QVERIFY(WriteFolder(env.StaffDir(), files));
    const Run run = plntool(QStringList{command, env.State.DataDir()} + args);
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.trimmed().isEmpty());
    QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(u"NOWAK.005"_s)), files.first());
}

QTEST_GUILESS_MAIN(TestStaffTool)
#include "tst_StaffTool.moc"

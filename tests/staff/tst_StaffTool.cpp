#include "StaffFixtures.h"

#include "demo/DemoStaff.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <algorithm>

class TestStaffTool : public QObject
{
    Q_OBJECT

private slots:
    void listsTheFolder();
    void assignsAndListsAgain_data();
    void assignsAndListsAgain();
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
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")), args);
    Run run;
    if (!process.waitForFinished(60000)) return run;
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The demo employees of a seed in a test folder, with the plans of PLANY.
struct Personnel
{
    TestEnvironment env;
    QVector<DemoEmployee> employees;
    explicit Personnel(int count)
    {
        employees = MakeDemoEmployees(count, 99, DemoPlanNames());
        QString error;
        if (!WriteDemoEmployees(TestLibrary(), env.StaffDir(), employees, &error)) qFatal("%s", qPrintable(error));
        for (const QString& plan : DemoPlanNames())
            WriteFile(QDir(env.PlansDir()).filePath(plan + QStringLiteral(".PLN")), QByteArray("plan"));
        // Listing order: by file name.
        std::sort(employees.begin(), employees.end(), [](const DemoEmployee& a, const DemoEmployee& b) {
            return DemoEmployeeFileName(TestLibrary(), a)
                       .compare(DemoEmployeeFileName(TestLibrary(), b), Qt::CaseInsensitive) < 0;
        });
    }
    QString dataDir() const { return env.State.DataDir(); }
};

QJsonObject expectedRow(const DemoEmployee& employee)
{
    return {{QStringLiteral("number"), QStringLiteral("%1").arg(employee.Number, 3, 10, QLatin1Char('0'))},
            {QStringLiteral("surname"), employee.Surname},
            {QStringLiteral("firstName"), employee.FirstName},
            {QStringLiteral("plan"), employee.Plan == QLatin1String("****") ? QStringLiteral("<BRAK>") : employee.Plan},
            {QStringLiteral("group"), employee.Group}};
}

} // namespace

void TestStaffTool::listsTheFolder()
{
    Personnel personnel(25);
    const Run run = plntool({QStringLiteral("staff"), personnel.dataDir()});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.err, QString());
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(run.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QJsonArray expected;
    for (const DemoEmployee& employee : personnel.employees)
        expected.append(expectedRow(employee));
    QCOMPARE(json.array(), expected);
    // The keys in the order of the list's columns.
    const qsizetype first = run.out.indexOf('{');
    const QByteArray object = run.out.mid(first, run.out.indexOf('}') - first);
    QVERIFY(object.indexOf("\"number\"") < object.indexOf("\"surname\""));
    QVERIFY(object.indexOf("\"surname\"") < object.indexOf("\"firstName\""));
    QVERIFY(object.indexOf("\"firstName\"") < object.indexOf("\"plan\""));
    QVERIFY(object.indexOf("\"plan\"") < object.indexOf("\"group\""));
}

void TestStaffTool::assignsAndListsAgain_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("shown");

    QTest::newRow("a plan") << DemoPlanNames().at(1) << DemoPlanNames().at(1);
    QTest::newRow("spelt in other letter case") << DemoPlanNames().at(0).toLower() << DemoPlanNames().at(0);
    QTest::newRow("no plan") << "<BRAK>"
                             << "<BRAK>";
}

void TestStaffTool::assignsAndListsAgain()
{
    QFETCH(QString, plan);
    QFETCH(QString, shown);

    Personnel personnel(12);
    const DemoEmployee& first = personnel.employees.at(3);
    const DemoEmployee& second = personnel.employees.at(8);
    const Run run = plntool({QStringLiteral("assign"), personnel.dataDir(), plan, QString::number(second.Number),
                             QString::number(first.Number)});
    QCOMPARE(run.code, 0);
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto line = [&](const DemoEmployee& employee) {
        return QStringLiteral("%1 %2 %3: assigned %4")
            .arg(employee.Number, 3, 10, QLatin1Char('0'))
            .arg(employee.Surname, employee.FirstName, shown);
    };
    QCOMPARE(lines, (QStringList{line(first), line(second)}));

    const Run listed = plntool({QStringLiteral("staff"), personnel.dataDir()});
    QCOMPARE(listed.code, 0);
    const QJsonArray rows = QJsonDocument::fromJson(listed.out).array();
    QCOMPARE(rows.size(), 12);
    for (int i = 0; i < rows.size(); ++i) {
        QJsonObject expected = expectedRow(personnel.employees.at(i));
        if (i == 3 || i == 8) expected[QStringLiteral("plan")] = shown;
        QCOMPARE(rows.at(i).toObject(), expected);
    }
}

void TestStaffTool::refusals_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QStringList>("args"); // after DATADIR
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // part of stderr

    QTest::newRow("staff: empty folder") << "staff"
                                         << "empty" << QStringList{} << 1 << "Brak plików z danymi pracowników";
    QTest::newRow("staff: duplicates end the program")
        << "staff"
        << "duplicate" << QStringList{} << 1 << "Niektóre numery kart pracowników są zdublowane. ";
    QTest::newRow("staff: no folder") << "staff"
                                      << "missing" << QStringList{} << 1
                                      << "Nie odnazliono katalogu z danymi pracowników.";
    QTest::newRow("staff: two folders") << "staff"
                                        << "" << QStringList{QStringLiteral("x")} << 2 << "usage";
    QTest::newRow("assign: unknown plan")
        << "assign"
        << "" << QStringList{QStringLiteral("ZMIANA_X"), QStringLiteral("1")} << 2 << "ZMIANA_X";
    QTest::newRow("assign: not a number")
        << "assign"
        << "" << QStringList{QStringLiteral("<BRAK>"), QStringLiteral("1000")} << 2 << "1000";
    QTest::newRow("assign: no such employee")
        << "assign"
        << "" << QStringList{QStringLiteral("<BRAK>"), QStringLiteral("0998")} << 2 << "998";
    QTest::newRow("assign: the list does not read")
        << "assign"
        << "duplicate" << QStringList{QStringLiteral("<BRAK>"), QStringLiteral("5")} << 1
        << "Niektóre numery kart pracowników są zdublowane. ";
}

void TestStaffTool::refusals()
{
    QFETCH(QString, command);
    QFETCH(QString, setUp);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);

    TestEnvironment env;
    if (setUp.isEmpty()) {
        // One employee, card number 5, no plans.
        QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.005"),
                            Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 5).Bytes()));
    } else if (setUp == QLatin1String("duplicate")) {
        QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("NOWAK.005"),
                            Employee(QStringLiteral("Nowak"), QStringLiteral("Jan"), 5).Bytes()));
        QVERIFY(WriteRecord(env.StaffDir(), QStringLiteral("ZAK.005"),
                            Employee(QStringLiteral("Żak"), QStringLiteral("Ewa"), 5).Bytes()));
    } else if (setUp == QLatin1String("missing")) {
        QVERIFY(QDir(env.StaffDir()).removeRecursively());
    }
    const QByteArray before = ReadFile(QDir(env.StaffDir()).filePath(QStringLiteral("NOWAK.005")));
    const Run run = plntool(QStringList{command, env.State.DataDir()} + args);
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.trimmed().isEmpty());
    QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(QStringLiteral("NOWAK.005"))), before);
}

QTEST_GUILESS_MAIN(TestStaffTool)
#include "tst_StaffTool.moc"

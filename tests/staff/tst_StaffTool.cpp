// plntool staff and assign, run as the built program.
#include "StaffFixtures.h"

#include "demo/DemoStaff.h"
#include "staff/ObslugaListy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class TestStaffTool : public QObject
{
    Q_OBJECT

private slots:
    // Demo employees (with and without plans and groups, Polish names) and
    // the demo plans: the tool lists them as the program reads them, and
    // assigns a plan spelt in other letter case as its file is spelt.
    void assignsAndLists()
    {
        TestEnvironment env;
        QString error;
        QVERIFY2(WriteDemoEmployees(TestLibrary(), env.StaffDir(), MakeDemoEmployees(20, 99, DemoPlanNames()), &error),
                 qPrintable(error));
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
        int absent = 1;
        while (std::any_of(rows.cbegin(), rows.cend(),
                           [absent](const EmployeeRow& row) { return row.Number.toInt() == absent; }))
            ++absent;
        const ToolRun missing = RunPlntool({u"assign"_s, env.DataDir(), u"<BRAK>"_s, QString::number(absent)});
        QVERIFY(missing.Code == 2 && missing.Err.contains(NumerNaTekst(absent)) && missing.Out.isEmpty());
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args"); // DATADIR goes second
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // part of stderr
        const QString duplicated = u"Niektóre numery kart pracowników są zdublowane. "_s;
        QTest::newRow("staff: the list does not read") << QStringList{u"staff"_s} << 1 << duplicated;
        QTest::newRow("assign: unknown plan") << QStringList{u"assign"_s, u"ZMIANA_X"_s, u"1"_s} << 2 << "ZMIANA_X";
        QTest::newRow("assign: not a card number") << QStringList{u"assign"_s, u"<BRAK>"_s, u"1000"_s} << 2 << "1000";
        QTest::newRow("assign: the list does not read")
            << QStringList{u"assign"_s, u"<BRAK>"_s, u"6"_s} << 1 << duplicated;
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        TestEnvironment env;
        const Folder files{{u"NOWAK.006"_s, Employee(u"Nowak"_s, u"Jan"_s, 6).Bytes()},
                           {u"ZAK.005"_s, Employee(u"Żak"_s, u"Ewa"_s, 5).Bytes()},
                           {u"ZAK.05"_s, Employee(u"Żak"_s, u"Ewa"_s, 5).Bytes()}};
        QVERIFY(WriteFolder(env.StaffDir(), files));
        args.insert(1, env.DataDir());
        const ToolRun run = RunPlntool(args);
        QCOMPARE(run.Code, code);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        QVERIFY(run.Out.trimmed().isEmpty());
        QCOMPARE(ReadFile(QDir(env.StaffDir()).filePath(u"NOWAK.006"_s)), files.first());
    }
};

QTEST_GUILESS_MAIN(TestStaffTool)
#include "tst_StaffTool.moc"

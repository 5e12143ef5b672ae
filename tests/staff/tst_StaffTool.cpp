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
};

QTEST_GUILESS_MAIN(TestStaffTool)
#include "tst_StaffTool.moc"

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
        const QVector<DemoEmployee> demo = MakeDemoEmployees(20, 99, DemoPlanNames());
        const auto unused = [&demo](int number) {
            while (
                std::any_of(demo.cbegin(), demo.cend(), [number](const DemoEmployee& e) { return e.Number == number; }))
                ++number;
            return number;
        };
        const int odd = unused(1), absent = unused(odd + 1);
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

QTEST_GUILESS_MAIN(TestStaffTool)
#include "tst_StaffTool.moc"

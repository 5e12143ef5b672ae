// The team's month from small data directories written here: employee
// records, plan files laid out byte by byte and the suite's free days, read
// as the editor reads them and checked day by day, with the coverage of
// every day and hour, the norm of whole months, the Polish order, and the
// read-only way plans are read.
#include "PlanFiles.h"

#include "demo/DemoStaff.h"
#include "env/Locks.h"
#include "freedays/DniWolne.h"
#include "team/TeamMonth.h"

#include <QDir>
#include <QTest>

#include <unistd.h>

namespace {

const QDate Monday(2025, 3, 3);
const int32_t Week = DayOfDate(Monday);

int16_t At(int hour, int minute = 0)
{
    return int16_t(hour * 60 + minute);
}

// Slot 0 06:00-14:00 (break 10:00-10:30), 1 14:00-22:00 (no break), 2
// 22:00-06:00 (break 02:00-02:30), over firstDay and the days the digits give.
QByteArray ShiftsPlan(int32_t firstDay, const QByteArray& days, bool legacy = false)
{
    PlanFile plan = SchedulePlanFile(firstDay, firstDay + int32_t(days.size()) - 1, days, legacy);
    plan.Slots[0] = {At(6), At(14), At(10), At(10, 30)};
    plan.Slots[1] = {At(14), At(22), -1, -1};
    plan.Slots[2] = {At(22), At(6), At(2), At(2, 30)};
    return plan.Build();
}

// Monday to Friday from 07:00 for 8 hours over 2025; includeFreeDays as the plan's flag.
QByteArray OfficeWeek(bool includeFreeDays)
{
    PlanFile plan = WeeklyPlanFile(
        DayOfDate(QDate(2025, 1, 1)), DayOfDate(QDate(2025, 12, 31)),
        {FreeWeekday, WorkingWeekday, WorkingWeekday, WorkingWeekday, WorkingWeekday, WorkingWeekday, FreeWeekday});
    plan.Header[4] = 480 - 1440;
    plan.DayStart = At(7);
    plan.Flags = includeFreeDays ? 2 : 0;
    return plan.Build();
}

QByteArray DamagedPlan()
{
    PlanFile plan = SchedulePlanFile(Week, Week + 6, "0000000");
    plan.DayBytes[3] = 7; // no slot has that number
    return plan.Build();
}

// The suite's free days: Wednesday 05-03-2025 once, 1 and 3 May every year.
FreeDayList FreeDays()
{
    const auto at = [](int year, int month, int day) { return DayOfDate(QDate(year, month, day)) * MinutesPerDay; };
    return FreeDayListOf({{at(2025, 3, 5), u"Dzień firmy"_s, 0},
                          {at(2000, 5, 1), u"Święto Pracy"_s, 1},
                          {at(2000, 5, 3), u"Święto Konstytucji"_s, 1}});
}

// "Surname|First name|number|plan|group" into a record of the personnel folder.
DemoEmployee EmployeeOf(const QString& line)
{
    const QStringList parts = line.split(u'|');
    DemoEmployee employee;
    employee.Surname = parts.at(0);
    employee.FirstName = parts.at(1);
    employee.Number = parts.at(2).toInt();
    employee.Plan = parts.at(3);
    employee.Group = parts.value(4);
    employee.Entries = {{7'000'000 + employee.Number, employee.Number}};
    return employee;
}

// A day's work as "hh:mm-hh:mm/minutes", or "." for none.
QString WorkText(const Shift* shift)
{
    return shift ? HoursText(HoursOf(*shift)) + u'/' + QString::number(shift->WorkingTime) : u"."_s;
}

// "Surname First state planned norm: each day's work".
QStringList MemberLines(const TeamMonth& month)
{
    QStringList lines;
    for (int i = 0; i < month.Members.size(); ++i) {
        const TeamMember& member = month.Members.at(i);
        const std::optional<int64_t> norm = month.NormMinutes(i);
        QStringList days;
        for (int32_t day = month.FirstDay; day <= month.LastDay; ++day)
            days.append(WorkText(month.WorkOn(i, day)));
        lines.append(u"%1 %2 %3 %4 %5: %6"_s.arg(member.Row.Surname, member.Row.FirstName, StateId(member.State))
                         .arg(month.PlannedMinutes(i))
                         .arg(norm ? QString::number(*norm) : u"-"_s, days.join(u' ')));
    }
    return lines;
}

// "dd working kind=count...: the 24 hours as digits".
QStringList CoverageLines(const TeamMonth& month, const QVector<DayCoverage>& coverage)
{
    QStringList lines;
    for (const DayCoverage& day : coverage) {
        QString line = DateOfDay(day.Day).toString(u"dd"_s) + u' ' + QString::number(day.Working);
        for (qsizetype kind = 0; kind < month.Kinds.size(); ++kind)
            line += u' ' + HoursText(month.Kinds.at(kind)) + u'=' + QString::number(day.ByKind.at(kind));
        line += u": "_s;
        for (const int present : day.ByHour)
            line += QString::number(present);
        lines.append(line);
    }
    return lines;
}

} // namespace

using Files = QMap<QString, QByteArray>;

class TestTeamMonth : public QObject
{
    Q_OBJECT

    // The data directory of a case: its plans and employees.
    static void Write(TestEnvironment& env, const Files& plans, const QStringList& staff)
    {
        for (auto plan = plans.cbegin(); plan != plans.cend(); ++plan)
            QVERIFY(WriteFile(QDir(env.PlansDir()).filePath(plan.key()), plan.value()));
        QVector<DemoEmployee> employees;
        for (const QString& line : staff)
            employees.append(EmployeeOf(line));
        QString error;
        QVERIFY2(WriteDemoEmployees(TestLibrary(), env.StaffDir(), employees, &error), qPrintable(error));
    }

    // The records as the editor's list reads them.
    static EmployeeRows Staff(TestEnvironment& env)
    {
        EmployeeRows rows;
        if (!WczytajPracownikow(env.Env, rows, StaffHooks{})) qWarning() << env.Ui.Texts();
        return rows;
    }

private slots:
    void week_data()
    {
        QTest::addColumn<Files>("plans");
        QTest::addColumn<QStringList>("staff");
        QTest::addColumn<bool>("freeDays");
        QTest::addColumn<QStringList>("members");
        QTest::addColumn<QStringList>("coverage");

        // The night shift of Sunday 02-03 runs into Monday's first hours.
        QTest::newRow("schedule plan, nights across midnight")
            << Files{{u"Zmiany.PLN"_s, ShiftsPlan(Week - 1, "20124044")}} << QStringList{u"Nowak|Jan|1|Zmiany"_s}
            << true
            << QStringList{u"Nowak Jan ok 1875 -: 06:00-14:00/465 14:00-22:00/480 22:00-06:00/465 . "
                           u"06:00-14:00/465 . ."_s}
            << QStringList{u"03 1 06:00-14:00=1 14:00-22:00=0 22:00-06:00=0: 111111111111110000000000"_s,
                           u"04 1 06:00-14:00=0 14:00-22:00=1 22:00-06:00=0: 000000000000001111111100"_s,
                           u"05 1 06:00-14:00=0 14:00-22:00=0 22:00-06:00=1: 000000000000000000000011"_s,
                           u"06 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: 111111000000000000000000"_s,
                           u"07 1 06:00-14:00=1 14:00-22:00=0 22:00-06:00=0: 000000111111110000000000"_s,
                           u"08 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: 000000000000000000000000"_s,
                           u"09 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: 000000000000000000000000"_s};
        QTest::newRow("the older file layout")
            << Files{{u"STARY.PLN"_s, ShiftsPlan(Week, "0100000", true)}} << QStringList{u"Lis|Ewa|2|STARY"_s} << false
            << QStringList{u"Lis Ewa ok 3270 -: 06:00-14:00/465 14:00-22:00/480 06:00-14:00/465 06:00-14:00/465 "
                           u"06:00-14:00/465 06:00-14:00/465 06:00-14:00/465"_s}
            << QStringList{u"03 1 06:00-14:00=1 14:00-22:00=0: 000000111111110000000000"_s,
                           u"04 1 06:00-14:00=0 14:00-22:00=1: 000000000000001111111100"_s,
                           u"05 1 06:00-14:00=1 14:00-22:00=0: 000000111111110000000000"_s,
                           u"06 1 06:00-14:00=1 14:00-22:00=0: 000000111111110000000000"_s,
                           u"07 1 06:00-14:00=1 14:00-22:00=0: 000000111111110000000000"_s,
                           u"08 1 06:00-14:00=1 14:00-22:00=0: 000000111111110000000000"_s,
                           u"09 1 06:00-14:00=1 14:00-22:00=0: 000000111111110000000000"_s};
        const QStringList office{
            u"03 1 07:00-15:00=1: 000000011111111000000000"_s, u"04 1 07:00-15:00=1: 000000011111111000000000"_s,
            u"05 1 07:00-15:00=1: 000000011111111000000000"_s, u"06 1 07:00-15:00=1: 000000011111111000000000"_s,
            u"07 1 07:00-15:00=1: 000000011111111000000000"_s, u"08 0 07:00-15:00=0: 000000000000000000000000"_s,
            u"09 0 07:00-15:00=0: 000000000000000000000000"_s};
        QStringList officeFreeWednesday = office;
        officeFreeWednesday[2] = u"05 0 07:00-15:00=0: 000000000000000000000000"_s;
        const QString fiveDays =
            u"ok 2400 -: 07:00-15:00/480 07:00-15:00/480 07:00-15:00/480 07:00-15:00/480 07:00-15:00/480 . ."_s;
        QTest::newRow("weekly plan that takes the free days")
            << Files{{u"Tydzień.PLN"_s, OfficeWeek(true)}} << QStringList{u"Wójcik|Anna|3|Tydzień|Biuro"_s} << true
            << QStringList{u"Wójcik Anna ok 1920 -: 07:00-15:00/480 07:00-15:00/480 . 07:00-15:00/480 "
                           u"07:00-15:00/480 . ."_s}
            << officeFreeWednesday;
        QTest::newRow("weekly plan that takes them, without a list")
            << Files{{u"Tydzień.PLN"_s, OfficeWeek(true)}} << QStringList{u"Wójcik|Anna|3|Tydzień|Biuro"_s} << false
            << QStringList{u"Wójcik Anna "_s + fiveDays} << office;
        QTest::newRow("weekly plan that ignores the free days")
            << Files{{u"Tydzień.PLN"_s, OfficeWeek(false)}} << QStringList{u"Wójcik|Anna|3|Tydzień|Biuro"_s} << true
            << QStringList{u"Wójcik Anna "_s + fiveDays} << office;

        const QString zeros = u"000000000000000000000000"_s;
        QTest::newRow("days outside the plan's range")
            << Files{{u"Krótki.PLN"_s, ShiftsPlan(Week + 2, "012")}} << QStringList{u"Sowa|Piotr|4|Krótki"_s} << true
            << QStringList{u"Sowa Piotr ok 1410 -: . . 06:00-14:00/465 14:00-22:00/480 22:00-06:00/465 . ."_s}
            << QStringList{u"03 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: "_s + zeros,
                           u"04 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: "_s + zeros,
                           u"05 1 06:00-14:00=1 14:00-22:00=0 22:00-06:00=0: 000000111111110000000000"_s,
                           u"06 1 06:00-14:00=0 14:00-22:00=1 22:00-06:00=0: 000000000000001111111100"_s,
                           u"07 1 06:00-14:00=0 14:00-22:00=0 22:00-06:00=1: 000000000000000000000011"_s,
                           u"08 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: 111111000000000000000000"_s,
                           u"09 0 06:00-14:00=0 14:00-22:00=0 22:00-06:00=0: "_s + zeros};

        QStringList none;
        for (int day = 3; day <= 9; ++day)
            none.append(u"0%1 0: "_s.arg(day) + zeros);
        const QString idle = u": . . . . . . ."_s;
        QTest::newRow("no plan, a missing plan, a damaged plan")
            << Files{{u"Zepsuty.PLN"_s, DamagedPlan()}}
            << QStringList{u"Adamczyk|Ola|5|****"_s, u"Bąk|Jan|6|Nieistniejący"_s, u"Cieślak|Jan|7|Zepsuty"_s,
                           u"Dudek|Jan|8|../PLANY/Zepsuty"_s}
            << true
            << QStringList{u"Adamczyk Ola no-plan 0 -"_s + idle, u"Bąk Jan missing 0 -"_s + idle,
                           u"Cieślak Jan damaged 0 -"_s + idle, u"Dudek Jan missing 0 -"_s + idle}
            << none;
        QTest::newRow("employees sharing a plan, named in other letter case")
            << Files{{u"Zmiany.PLN"_s, ShiftsPlan(Week, "0120000")}, {u"Tydzień.PLN"_s, OfficeWeek(true)}}
            << QStringList{u"Kamińska|Ewa|9|ZMIANY"_s, u"Kamiński|Adam|10|Zmiany"_s, u"Król|Jan|11|tydzień"_s} << true
            << QStringList{u"Kamińska Ewa ok 3270 -: 06:00-14:00/465 14:00-22:00/480 22:00-06:00/465 "
                           u"06:00-14:00/465 06:00-14:00/465 06:00-14:00/465 06:00-14:00/465"_s,
                           u"Kamiński Adam ok 3270 -: 06:00-14:00/465 14:00-22:00/480 22:00-06:00/465 "
                           u"06:00-14:00/465 06:00-14:00/465 06:00-14:00/465 06:00-14:00/465"_s,
                           u"Król Jan ok 1920 -: 07:00-15:00/480 07:00-15:00/480 . 07:00-15:00/480 "
                           u"07:00-15:00/480 . ."_s}
            << QStringList{u"03 3 06:00-14:00=2 07:00-15:00=1 14:00-22:00=0 22:00-06:00=0: 000000233333331000000000"_s,
                           u"04 3 06:00-14:00=0 07:00-15:00=1 14:00-22:00=2 22:00-06:00=0: 000000011111113222222200"_s,
                           u"05 2 06:00-14:00=0 07:00-15:00=0 14:00-22:00=0 22:00-06:00=2: 000000000000000000000022"_s,
                           u"06 3 06:00-14:00=2 07:00-15:00=1 14:00-22:00=0 22:00-06:00=0: 222222233333331000000000"_s,
                           u"07 3 06:00-14:00=2 07:00-15:00=1 14:00-22:00=0 22:00-06:00=0: 000000233333331000000000"_s,
                           u"08 2 06:00-14:00=2 07:00-15:00=0 14:00-22:00=0 22:00-06:00=0: 000000222222220000000000"_s,
                           u"09 2 06:00-14:00=2 07:00-15:00=0 14:00-22:00=0 22:00-06:00=0: 000000222222220000000000"_s};
        // Polish letters sort where the alphabet has them, not by their codes.
        QTest::newRow("Polish order")
            << Files{} << QStringList{u"Mazur|Jan|12|****"_s,  u"Łata|Jan|13|****"_s,    u"Lis|Jan|14|****"_s,
                                      u"Śliwa|Jan|15|****"_s,  u"Tomczak|Jan|16|****"_s, u"Ćwik|Jan|17|****"_s,
                                      u"Czarny|Jan|18|****"_s, u"Lis|Ada|19|****"_s,     u"lis|Ada|20|****"_s}
            << false << QStringList{u"Czarny Jan no-plan 0 -"_s + idle, u"Ćwik Jan no-plan 0 -"_s + idle,
                                    u"lis Ada no-plan 0 -"_s + idle,    u"Lis Ada no-plan 0 -"_s + idle,
                                    u"Lis Jan no-plan 0 -"_s + idle,    u"Łata Jan no-plan 0 -"_s + idle,
                                    u"Mazur Jan no-plan 0 -"_s + idle,  u"Śliwa Jan no-plan 0 -"_s + idle,
                                    u"Tomczak Jan no-plan 0 -"_s + idle}
            << none;
    }

    void week()
    {
        QFETCH(Files, plans);
        QFETCH(QStringList, staff);
        QFETCH(bool, freeDays);
        QFETCH(QStringList, members);
        QFETCH(QStringList, coverage);
        TestEnvironment env;
        Write(env, plans, staff);
        if (QTest::currentTestFailed()) return;
        TeamOptions options;
        if (freeDays) options.FreeDays = FreeDays();
        const TeamMonth month = ReadTeamMonth(env.Env, Staff(env), Week, Week + 6, options);
        QCOMPARE(MemberLines(month), members);
        QCOMPARE(CoverageLines(month, TeamCoverage(month)), coverage);
        // Only read: nothing shown, no lock taken.
        QCOMPARE(env.Ui.Texts(), QStringList());
        QCOMPARE(FolderEntries(QDir(env.DataDir()).filePath(u"BLOKADY"_s)), QString());
    }

    // A subset counts each of its members once; others do not count.
    void coverageOfSome()
    {
        TestEnvironment env;
        Write(env, {{u"Zmiany.PLN"_s, ShiftsPlan(Week, "0000000")}},
              {u"Nowak|Jan|1|Zmiany"_s, u"Lis|Ewa|2|Zmiany"_s, u"Sowa|Jan|3|****"_s});
        const TeamMonth month = ReadTeamMonth(env.Env, Staff(env), Week, Week, TeamOptions{});
        QCOMPARE(month.Members.at(0).Row.Surname, u"Lis"_s);
        const auto working = [&](const QVector<int>& members) { return TeamCoverage(month, members).at(0).Working; };
        QCOMPARE(working({0, 1, 2}), 2);
        QCOMPARE(working({0, 0, 0}), 1);
        QCOMPARE(working({2}), 0);
        QCOMPARE(working({-1, 3, 1}), 1);
    }

    void norm_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<bool>("freeDays");
        QTest::addColumn<qint64>("norm"); // -1: none
        // 22 weekdays less 1 May (Thursday) and 3 May (a Saturday holiday also takes a day).
        QTest::newRow("May 2025 with its holidays") << QDate(2025, 5, 1) << QDate(2025, 5, 31) << true << 160 * 60ll;
        QTest::newRow("May 2025 without a list") << QDate(2025, 5, 1) << QDate(2025, 5, 31) << false << 176 * 60ll;
        // 21 weekdays less the company's Wednesday; April's 22 weekdays.
        QTest::newRow("March and April") << QDate(2025, 3, 1) << QDate(2025, 4, 30) << true << (160 + 176) * 60ll;
        QTest::newRow("a week") << Monday << Monday.addDays(6) << true << -1ll;
        QTest::newRow("from the middle of a month") << QDate(2025, 3, 2) << QDate(2025, 3, 31) << true << -1ll;
        QTest::newRow("beyond the last plan day") << QDate(2050, 9, 1) << QDate(2050, 9, 30) << false << -1ll;
    }

    // The labour-code check's norm of the whole months; the same for a member
    // with a plan and one without.
    void norm()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(bool, freeDays);
        QFETCH(qint64, norm);
        TeamOptions options;
        if (freeDays) options.FreeDays = FreeDays();
        int asked = 0;
        options.PlanOptions = [&asked](const QString& plan) {
            asked += plan == u"Zmiany"_s ? 1 : 100;
            return ComplianceOptions{WorkingTimeSystem::Equivalent, 3};
        };
        const EmployeeRows rows{{u"001"_s, u"Nowak"_s, u"Jan"_s, u"Zmiany"_s, QString()},
                                {u"002"_s, u"Lis"_s, u"Jan"_s, NoPlanText, QString()}};
        const PlanSource plans = [](const QString&) {
            PlanRead read;
            read.State = TeamPlanState::Ok;
            read.Plan.Kind = PlanKind::WeeklyPlan;
            read.Plan.LastDay = MaxPlanDay;
            return read;
        };
        const TeamMonth month = BuildTeamMonth(rows, plans, DayOfDate(from), DayOfDate(to), options);
        QCOMPARE(asked, 1);
        for (int member = 0; member < 2; ++member)
            QCOMPARE(month.NormMinutes(member).value_or(-1), norm);
    }

    void plansReadOnce()
    {
        QStringList asked;
        const PlanSource plans = [&asked](const QString& name) {
            asked.append(name);
            return PlanRead{};
        };
        const EmployeeRows rows{{u"001"_s, u"A"_s, u"A"_s, u"Noc"_s, {}},
                                {u"002"_s, u"B"_s, u"B"_s, u"NOC"_s, {}},
                                {u"003"_s, u"C"_s, u"C"_s, NoPlanText, {}},
                                {u"004"_s, u"D"_s, u"D"_s, u"Dzień"_s, {}},
                                {u"005"_s, u"E"_s, u"E"_s, u"noc"_s, {}}};
        const TeamMonth month = BuildTeamMonth(rows, plans, Week, Week + 6, TeamOptions{});
        QCOMPARE(asked, (QStringList{u"Noc"_s, u"Dzień"_s}));
        QCOMPARE(month.Plans.size(), 2);
    }

    // Another workstation editing a plan does not keep the team's view from reading it.
    void planHeldElsewhere()
    {
        TestEnvironment env;
        const auto held = LockedElsewhere(u"Zmiany.PLN"_s, ShiftsPlan(Week, "0"), u"PlnEdit"_s, u"Zmiany.PLN"_s)(env);
        const QString locks = FolderEntries(QDir(env.DataDir()).filePath(u"BLOKADY"_s));
        const PlanRead read = ReadPlanReadOnly(env.Env, u"zmiany"_s);
        QCOMPARE(read.State, TeamPlanState::Ok);
        QCOMPARE(read.Plan.Name, u"Zmiany"_s);
        QCOMPARE(FolderEntries(QDir(env.DataDir()).filePath(u"BLOKADY"_s)), locks);
        QCOMPARE(env.Ui.Texts(), QStringList());
    }

    void planStates_data()
    {
        QTest::addColumn<Prepare>("setup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<TeamPlanState>("state");
        const QByteArray good = ShiftsPlan(Week, "0");
        QTest::newRow("a plan") << InPlans(u"A.PLN"_s, FileOf(good)) << u"A"_s << TeamPlanState::Ok;
        QTest::newRow("under 104 bytes") << InPlans(u"A.PLN"_s, FileOf(good.left(103))) << u"A"_s
                                         << TeamPlanState::Damaged;
        QTest::newRow("a folder of the name") << InPlans(u"A.PLN"_s, Directory()) << u"A"_s << TeamPlanState::Missing;
        QTest::newRow("a pipe of the name") << InPlans(u"A.PLN"_s, Pipe()) << u"A"_s << TeamPlanState::Missing;
        QTest::newRow("a name with a folder")
            << InPlans(u"A.PLN"_s, FileOf(good)) << u"../PLANY/A"_s << TeamPlanState::Missing;
        QTest::newRow("a blank name") << InPlans(u" .PLN"_s, FileOf(good)) << u" "_s << TeamPlanState::Missing;
        // A weekly plan whose area section is cut off has no range.
        QTest::newRow("weekly plan without a range")
            << InPlans(u"T.PLN"_s, FileOf(OfficeWeek(true).left(120))) << u"T"_s << TeamPlanState::Damaged;
        QTest::newRow("unreadable") << InPlans(u"A.PLN"_s, [good](const QString& path) {
            FileOf(good)(path);
            QFile::setPermissions(path, QFileDevice::Permissions());
        }) << u"A"_s << TeamPlanState::Damaged;
    }

    void planStates()
    {
        QFETCH(Prepare, setup);
        QFETCH(QString, name);
        QFETCH(TeamPlanState, state);
        if (QByteArrayView(QTest::currentDataTag()) == "unreadable" && ::geteuid() == 0) QSKIP("root reads every file");
        TestEnvironment env;
        const auto kept = setup(env);
        QCOMPARE(ReadPlanReadOnly(env.Env, name).State, state);
        QCOMPARE(env.Ui.Texts(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTeamMonth)
#include "tst_TeamMonth.moc"

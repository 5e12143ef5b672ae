// "Grafik zespołu" as a planner uses it: opened from the toolbar on six
// employees of the demo plans, filtered by group, plan and name, ordered,
// a shift's minimum typed in and remembered, and an employee's plan opened
// by a double-click or Enter through the main window's plan choice, with its
// unsaved-changes question and its lock.
#include "GuiFixture.h"

#include "editor/EmployeeList.h"
#include "editor/SchedulePanel.h"
#include "editor/TeamMonthWindow.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>

namespace {

// The rows of the employee list: demo plans, one named in other letter case,
// none, and one that is not in the plans folder.
EmployeeRows Team()
{
    return {{u"001"_s, u"Nowak"_s, u"Jan"_s, u"Trzy zmiany"_s, u"Magazyn"_s},
            {u"002"_s, u"Łata"_s, u"Ewa"_s, u"Biuro"_s, u"Biuro"_s},
            {u"003"_s, u"Lis"_s, u"Adam"_s, u"TRZY ZMIANY"_s, u"Magazyn"_s},
            {u"004"_s, u"Żak"_s, u"Ola"_s, NoPlanText, QString()},
            {u"005"_s, u"Śliwa"_s, u"Piotr"_s, u"Nieistniejący"_s, u"Biuro"_s},
            {u"006"_s, u"Adamczyk"_s, u"Anna"_s, u"Tydzień pracy"_s, u"magazyn"_s}};
}

// The surnames of the rows shown, in order.
QStringList Shown(const TeamMonthWindow* team)
{
    QStringList names;
    for (const int member : team->ShownMembers())
        names.append(team->Grid()->Month().Members.at(member).Row.Surname);
    return names;
}

// The coverage's count of a row on a day of March 2025 as shown.
QString Count(const TeamMonthWindow* team, int row, int day)
{
    const TeamCoverageModel* coverage = team->CoverageModel();
    return coverage->index(row, FirstDayColumn + day - 1).data().toString();
}

// A double-click as the system delivers one: the first click, then the second press.
void DoubleClick(QAbstractItemView* view, QPoint at)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// The coverage row of a shift.
int ShiftRow(const TeamMonthWindow* team, const QString& hours)
{
    const TeamMonth& month = team->Grid()->Month();
    for (int kind = 0; kind < month.Kinds.size(); ++kind)
        if (HoursText(month.Kinds.at(kind)) == hours) return kind + 1;
    return -1;
}

} // namespace

class TestTeamMonthWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    // One workstation for the tests that only look.
    std::unique_ptr<Workstation> m_shared;

    // The window opened from the toolbar on March 2025 of the six employees.
    static TeamMonthWindow* Open(Workstation& w)
    {
        w.Window->Employees()->Model()->SetRows(Team());
        w.Calendar()->SetDisplayedMonth(QDate(2025, 3, 1));
        w.Window->findChild<QAction*>(u"teamMonthAction"_s)->trigger();
        QApplication::processEvents();
        return w.Find<TeamMonthWindow>(u"teamMonthWindow"_s);
    }

    static QTableView* Grid(TeamMonthWindow* team) { return team->GridView(); }

    // The cell of a member's day (March 2025) in the grid as shown.
    static QModelIndex Cell(TeamMonthWindow* team, const QString& surname, int day)
    {
        const QVector<int> shown = team->ShownMembers();
        for (int row = 0; row < shown.size(); ++row) {
            if (team->Grid()->Month().Members.at(shown.at(row)).Row.Surname == surname)
                return team->Filter()->index(row, FirstDayColumn + day - 1);
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
        m_shared = std::make_unique<Workstation>();
    }

    void cleanupTestCase() { m_shared.reset(); }

    void opensOnTheCalendarsMonth()
    {
        Workstation w;
        TeamMonthWindow* team = Open(w);
        QVERIFY(team->isVisible());
        QCOMPARE(team->Month(), QDate(2025, 3, 1));
        QCOMPARE(Shown(team), (QStringList{u"Adamczyk"_s, u"Lis"_s, u"Łata"_s, u"Nowak"_s, u"Śliwa"_s, u"Żak"_s}));
        // Monday 3 March: both on the three shifts in the morning, the office, the weekly plan.
        const QModelIndex nowak = Cell(team, u"Nowak"_s, 3);
        QCOMPARE(nowak.data().toString(), u"6–14"_s);
        QCOMPARE(nowak.data(CornerRole).toString(), u"0"_s);
        QCOMPARE(Cell(team, u"Adamczyk"_s, 3).data(CornerRole).toString(), u"P"_s);
        QCOMPARE(Cell(team, u"Nowak"_s, 2).data().toString(), QString());
        QCOMPARE(team->Grid()->headerData(3, Qt::Vertical, Qt::DisplayRole).toString(), u"Nowak Jan (001)"_s);
        QCOMPARE(team->Grid()->headerData(4, Qt::Vertical, Qt::DisplayRole).toString(),
                 u"Śliwa Piotr (005): brak pliku planu"_s);
        QCOMPARE(team->Filter()->index(3, TeamGridModel::NormColumn).data().toString(), u"168:00"_s);
        QCOMPARE(Count(team, 0, 3), u"4"_s);
        QCOMPARE(Count(team, 0, 2), u"0"_s); // a Sunday
        // Nothing asked of the user, no lock taken: the view only reads.
        QCOMPARE(w.Ui.Texts(), QStringList());
        QCOMPARE(w.State.Doc.PlanLockHandle, -1);
        // The months go by with the arrows.
        team->findChild<QPushButton*>(u"teamNextMonth"_s)->click();
        QCOMPARE(team->Month(), QDate(2025, 4, 1));
        QCOMPARE(team->Grid()->DayCount(), 30);
    }

    void filter_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("working"); // at work on Monday 3 March
        // Group and plan names are matched whatever their letter case.
        QTest::newRow("a group") << u"Magazyn"_s << QString() << QString()
                                 << QStringList{u"Adamczyk"_s, u"Lis"_s, u"Nowak"_s} << u"3"_s;
        QTest::newRow("a plan") << QString() << u"Trzy zmiany"_s << QString() << QStringList{u"Lis"_s, u"Nowak"_s}
                                << u"2"_s;
        QTest::newRow("no plan") << QString() << NoPlanText << QString() << QStringList{u"Żak"_s} << u"0"_s;
        QTest::newRow("employees without a group")
            << u"(bez grupy)"_s << QString() << QString() << QStringList{u"Żak"_s} << u"0"_s;
        QTest::newRow("a name") << QString() << QString() << u"ła"_s << QStringList{u"Łata"_s} << u"1"_s;
        QTest::newRow("a card number") << QString() << QString() << u"006"_s << QStringList{u"Adamczyk"_s} << u"1"_s;
        QTest::newRow("group and plan") << u"Biuro"_s << u"Biuro"_s << QString() << QStringList{u"Łata"_s} << u"1"_s;
        QTest::newRow("nobody") << u"Biuro"_s << QString() << u"Nowak"_s << QStringList{} << u"0"_s;
    }

    // The rows and the coverage follow the filter.
    void filter()
    {
        QFETCH(QString, group);
        QFETCH(QString, plan);
        QFETCH(QString, search);
        QFETCH(QStringList, shown);
        QFETCH(QString, working);
        TeamMonthWindow* team = Open(*m_shared);
        auto* groups = team->findChild<QComboBox*>(u"teamGroupChoice"_s);
        auto* plans = team->findChild<QComboBox*>(u"teamPlanChoice"_s);
        groups->setCurrentIndex(0);
        plans->setCurrentIndex(0);
        QCOMPARE(groups->count(), 4); // all, no group, Biuro, Magazyn (once)
        if (!group.isEmpty()) groups->setCurrentIndex(groups->findText(group, Qt::MatchFixedString));
        if (!plan.isEmpty()) plans->setCurrentIndex(plans->findText(plan, Qt::MatchFixedString));
        team->findChild<QLineEdit*>(u"teamSearch"_s)->setText(search);
        QCOMPARE(Shown(team), shown);
        QCOMPARE(Count(team, 0, 3), working);
        QVERIFY(team->Summary()->text().startsWith(u"Pracownicy: %1 z 6"_s.arg(shown.size())));
        // Another month keeps the filter.
        team->ShowMonth(QDate(2025, 4, 1));
        QCOMPARE(Shown(team), shown);
    }

    void order_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("card number") << int(TeamOrder::Number) << QStringList{u"Nowak"_s, u"Łata"_s,  u"Lis"_s,
                                                                              u"Żak"_s,   u"Śliwa"_s, u"Adamczyk"_s};
        // No group first, then Biuro and Magazyn, each in the order of names.
        QTest::newRow("group") << int(TeamOrder::Group)
                               << QStringList{u"Żak"_s, u"Łata"_s, u"Śliwa"_s, u"Adamczyk"_s, u"Lis"_s, u"Nowak"_s};
        // Nothing, the office's 21 x 7:45, the three shifts' 16 x 8:00 and 5 x 7:45, the weekly 21 x 8:00.
        QTest::newRow("planned time") << int(TeamOrder::Planned) << QStringList{u"Śliwa"_s, u"Żak"_s,   u"Łata"_s,
                                                                                u"Lis"_s,   u"Nowak"_s, u"Adamczyk"_s};
    }

    void order()
    {
        QFETCH(int, order);
        QFETCH(QStringList, shown);
        TeamMonthWindow* team = Open(*m_shared);
        team->findChild<QLineEdit*>(u"teamSearch"_s)->clear();
        for (const char* name : {"teamGroupChoice", "teamPlanChoice"})
            team->findChild<QComboBox*>(QString::fromLatin1(name))->setCurrentIndex(0);
        auto* orders = team->findChild<QComboBox*>(u"teamOrderChoice"_s);
        orders->setCurrentIndex(order);
        QCOMPARE(Shown(team), shown);
        orders->setCurrentIndex(0);
    }

    // Typed in under the grid, a shift's minimum marks the days short of it
    // and is there again the next time the window is filled.
    void minimum()
    {
        QSettings().clear();
        Workstation w;
        TeamMonthWindow* team = Open(w);
        const int row = ShiftRow(team, u"06:00-14:00"_s);
        QVERIFY(row > 0);
        QTableView* coverage = team->CoverageView();
        coverage->setFocus();
        coverage->setCurrentIndex(team->CoverageModel()->index(row, TeamCoverageModel::MinimumColumn));
        QTest::keyClick(coverage, Qt::Key_F2);
        auto* editor = coverage->findChild<QSpinBox*>(u"teamMinimumEdit"_s);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"2"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents(); // the editor's value is taken after the key
        QCOMPARE(QSettings().value(TeamCoverageModel::SettingsKey({}, {6 * 60, 14 * 60})).toInt(), 2);
        // 3 March: the two on three shifts in the morning and the weekly plan's
        // 06:00-14:00; the week after, the three shifts work afternoons.
        QCOMPARE(Count(team, row, 3), u"3"_s);
        QCOMPARE(Count(team, row, 10), u"1!"_s);
        QCOMPARE(team->CoverageModel()->index(row, FirstDayColumn + 9).data(Qt::AccessibleTextRole).toString(),
                 u"10-03-2025 poniedziałek: zmiana 06:00-14:00, 1 osoba, brakuje 1 osoby"_s);
        QVERIFY(team->Summary()->text().contains(u"Za mało osób na zmianie w dniach: 1, 2, 8, 9, 10,"_s));
        // One of the two filtered away: every morning is short.
        team->findChild<QLineEdit*>(u"teamSearch"_s)->setText(u"Nowak"_s);
        QCOMPARE(Count(team, row, 3), u"1!"_s);
        // A group has minimums of its own, none at first.
        team->findChild<QLineEdit*>(u"teamSearch"_s)->clear();
        auto* groups = team->findChild<QComboBox*>(u"teamGroupChoice"_s);
        groups->setCurrentIndex(groups->findText(u"magazyn"_s, Qt::MatchFixedString));
        QCOMPARE(Count(team, row, 10), u"1"_s);
        team->CoverageModel()->setData(team->CoverageModel()->index(row, TeamCoverageModel::MinimumColumn), 3,
                                       Qt::EditRole);
        QCOMPARE(Count(team, row, 3), u"3"_s);
        QCOMPARE(Count(team, row, 10), u"1!"_s);
        QCOMPARE(QSettings().value(TeamCoverageModel::SettingsKey(u"MAGAZYN"_s, {6 * 60, 14 * 60})).toInt(), 3);
        groups->setCurrentIndex(0);
        QCOMPARE(team->CoverageModel()->index(row, TeamCoverageModel::MinimumColumn).data().toString(), u"2"_s);

        Workstation again;
        TeamMonthWindow* reopened = Open(again);
        QCOMPARE(Count(reopened, ShiftRow(reopened, u"06:00-14:00"_s), 10), u"1!"_s);
        QSettings().clear();
    }

    // A double-click on a day opens the employee's plan in the main window
    // as the plan box does: the unsaved-changes question first, then the plan
    // with its lock.
    void openPlan()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        w.State.Doc.PlanModified = true;
        TeamMonthWindow* team = Open(w);
        QTableView* grid = Grid(team);
        const QRect cell = grid->visualRect(Cell(team, u"Lis"_s, 3));

        w.Ui.ScriptAnswers({Answer::Cancel});
        DoubleClick(grid, cell.center());
        QCOMPARE(TakePromptLines(w.Ui).size(), 1);
        QCOMPARE(w.Window->PlanBox()->currentText(), u"Biuro"_s);
        QCOMPARE(w.State.Doc.CurrentPlanName, u"Biuro"_s);

        w.Ui.ScriptAnswers({Answer::No});
        DoubleClick(grid, cell.center());
        QCOMPARE(TakePromptLines(w.Ui).size(), 1);
        QCOMPARE(w.State.Doc.CurrentPlanName, u"Trzy zmiany"_s);
        QVERIFY(w.State.Doc.PlanLockHandle != -1);
    }

    void openPlanByKeyboard_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("plan"); // open afterwards
        QTest::addColumn<QStringList>("said");
        QTest::newRow("a weekly plan") << u"Adamczyk"_s << u"Tydzień pracy"_s << QStringList{};
        QTest::newRow("no plan") << u"Żak"_s << QString()
                                 << QStringList{
                                        u"say Information Pracownik Żak Ola nie ma przydzielonego planu pracy."_s};
        QTest::newRow("a plan not in the folder")
            << u"Śliwa"_s << QString()
            << QStringList{u"say Exclamation Planu pracy „Nieistniejący” nie ma w katalogu planów."_s};
    }

    void openPlanByKeyboard()
    {
        QFETCH(QString, surname);
        QFETCH(QString, plan);
        QFETCH(QStringList, said);
        Workstation w;
        TeamMonthWindow* team = Open(w);
        QTableView* grid = Grid(team);
        grid->setFocus();
        grid->setCurrentIndex(Cell(team, surname, 5));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(TakePromptLines(w.Ui), said);
        QCOMPARE(w.State.Doc.CurrentPlanName, plan);
    }

    // A plan painted and saved in the main window shows in the open view.
    void followsSavedPlans()
    {
        Workstation w;
        TeamMonthWindow* team = Open(w);
        w.Choose(u"Trzy zmiany"_s);
        w.Calendar()->SetDisplayedMonth(QDate(2025, 3, 1));
        w.Calendar()->cmdMiesiac_Click(255);
        w.Window->Panel()->tglKolor_Click(1);
        Paint({w.CellOfDay(3)});
        QCOMPARE(Cell(team, u"Nowak"_s, 3).data().toString(), u"6–14"_s);
        w.Window->Button("cmdZapisz")->click();
        QCOMPARE(w.Ui.Texts(), QStringList{u"Plan pracy został poprawnie zapisany do pliku."_s});
        QTRY_COMPARE(Cell(team, u"Nowak"_s, 3).data().toString(), u"14–22"_s);
        QCOMPARE(Cell(team, u"Lis"_s, 3).data().toString(), u"14–22"_s);
    }

    // An assignment in the main window shows in the open view.
    void followsAssignments()
    {
        Workstation w;
        TeamMonthWindow* team = Open(w);
        EmployeeListModel* list = w.Window->Employees()->Model();
        list->Rows()[3].Plan = u"Biuro"_s; // Żak
        list->PlanChanged(3);
        QTRY_COMPARE(Cell(team, u"Żak"_s, 3).data().toString(), u"8–16"_s);
    }
};

QTEST_MAIN(TestTeamMonthWindow)
#include "tst_TeamMonthWindow.moc"

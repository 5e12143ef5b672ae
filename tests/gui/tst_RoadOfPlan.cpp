// The road of one plan through the window's own controls, on the demo data:
// start-up, the plan chosen in cboPlany, days painted on the month calendar
// and times typed into the schedule fields, the plan saved (and read back
// with the program's reader), assigned to employees picked in the list, and
// the program left with nothing behind: no lock record, nothing in TEMP.
#include "GuiFixture.h"

#include "editor/EmployeeList.h"
#include "editor/TimeFieldEdit.h"
#include "plan/PlanReader.h"
#include "staff/ObslugaListy.h"

#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace {

constexpr int PlanColumn = 3; // "Plan pracy" in the employee list

// The plan named in every employee record of the personnel folder, by card number.
QMap<int, QByteArray> RecordPlans(const QString& staffDir)
{
    QMap<int, QByteArray> plans;
    for (const QString& name : PersonnelListing(staffDir))
        plans.insert(NumberFromFileName(name).value_or(-1),
                     ParseEmployeeRecord(ReadFile(QDir(staffDir).filePath(name))).Plan);
    return plans;
}

// Typed into a time field and left with Tab, as the user does.
void Type(TimeFieldEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
}

void Click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace

class TestRoadOfPlan : public QObject
{
    Q_OBJECT

private slots:
    void roadOfOnePlan();
};

void TestRoadOfPlan::roadOfOnePlan()
{
    const QString plan = u"Biuro"_s;
    Workstation w;
    QVERIFY(w.Started);
    QCOMPARE(TakePromptLines(w.Ui), QStringList());
    const QString locks = QDir(w.State.Env.DataDir()).filePath(u"BLOKADY"_s);
    const QString staffDir = w.State.Env.StaffDir();

    // Chosen, the plan opens at its first month under its lock.
    w.Choose(plan);
    QCOMPARE(w.Calendar()->Title()->text(), u"STYCZEŃ 2024"_s);
    QCOMPARE(FolderEntries(locks), u"PLNEDIT+BIURO.PLN.lck"_s);

    // Schedule 1 on the 3rd and, by a drag, on the 8th to the 10th; the 12th made free.
    Click(w.Find<QPushButton>(u"tglKolor_1"_s));
    QTest::mousePress(w.CellOfDay(3), Qt::LeftButton);
    QTest::mouseRelease(w.CellOfDay(3), Qt::LeftButton);
    Drag({w.CellOfDay(8), w.CellOfDay(9), w.CellOfDay(10)});
    Click(w.Find<QPushButton>(u"tglKolor_4"_s));
    QTest::mousePress(w.CellOfDay(12), Qt::LeftButton);
    QTest::mouseRelease(w.CellOfDay(12), Qt::LeftButton);
    Type(w.Find<TimeFieldEdit>(u"txtOd_1"_s), u"6:45"_s);
    Type(w.Find<TimeFieldEdit>(u"txtdo_1"_s), u"14:45"_s);
    QVERIFY(w.State.Doc.PlanModified);
    QCOMPARE(TakePromptLines(w.Ui), QStringList());

    Click(w.Window->Button("cmdZapisz"));
    QCOMPARE(TakePromptLines(w.Ui), QStringList{u"say Information Plan pracy został poprawnie zapisany do pliku."_s});
    // Read back by the program's reader, without a user name and so without a lock.
    RecordingPrompt readerUi;
    ProgramState reader(w.Library, readerUi);
    reader.Env.ProgramDir = reader.Env.DataRootDir = w.State.Env.DataRootDir;
    QVERIFY(ProbeAndReadPlan(reader.Env, reader.Doc, plan));
    QString days;
    for (int day = 2; day <= 12; ++day)
        days += QString::number(reader.Doc.Plan.Days.At(w.DayNumber(2024, 1, day)));
    QCOMPARE(days, u"01004411104"_s);
    QCOMPARE(reader.Doc.Fields.Slots[1][EntryColumn].Text + u'-' + reader.Doc.Fields.Slots[1][ExitColumn].Text,
             u"06:45-14:45"_s);
    QCOMPARE(readerUi.Texts(), QStringList());

    // Three employees without the plan picked with the mouse (Ctrl for the second and third), then assigned.
    EmployeeList* list = w.Window->Employees();
    QTableView* view = list->View();
    QList<QModelIndex> picked;
    for (int row = 0; row < list->Filter()->rowCount() && picked.size() < 3; ++row) {
        if (list->Filter()->index(row, PlanColumn).data().toString() != plan) picked << list->Filter()->index(row, 0);
    }
    for (const QModelIndex& index : std::as_const(picked)) {
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton,
                          index == picked.first() ? Qt::NoModifier : Qt::ControlModifier,
                          view->visualRect(index).center());
    }
    QMap<int, QByteArray> expected = RecordPlans(staffDir);
    const QList<int> selected = list->SelectedRows();
    QCOMPARE(selected.size(), 3);
    for (int row : selected)
        expected[list->Model()->Rows().at(row).Number.toInt()] = plan.toLatin1();
    Click(w.Window->Button("cmdPrzydziel"));
    QCOMPARE(TakePromptLines(w.Ui), QStringList());
    QCOMPARE(RecordPlans(staffDir), expected);

    w.Ui.ScriptAnswers({Answer::Yes});
    Click(w.Window->Button("cmdWyjdz"));
    QCOMPARE(TakePromptLines(w.Ui), QStringList{u"ask Question YesNo Czy zakończyć program?"_s});
    QVERIFY(!w.Window->isVisible());
    QCOMPARE(FolderEntries(locks), QString());
    QCOMPARE(FolderEntries(w.State.Env.KatalogTemp), QString());
}

QTEST_MAIN(TestRoadOfPlan)
#include "tst_RoadOfPlan.moc"

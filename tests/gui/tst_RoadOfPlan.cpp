// The road of one plan through the window's own controls, on the demo data:
// start-up, the plan chosen in cboPlany, days painted on the month calendar
// (and the painting undone and redone) and times typed into the schedule
// fields, the plan saved (and read back with the program's reader), assigned
// to employees picked in the searched list, and the program left with
// nothing behind: no lock record, nothing in TEMP.
#include "GuiFixture.h"

#include "dialogs/FrmProgress.h"
#include "editor/EmployeeList.h"
#include "plan/PlanReader.h"
#include "staff/ObslugaListy.h"

#include <QSortFilterProxyModel>
#include <QTableView>

namespace {

constexpr int SurnameColumn = 1; // in the employee list
constexpr int PlanColumn = 3;

// The plan named in every employee record of the personnel folder, by card number.
QMap<int, QByteArray> RecordPlans(const QString& staffDir)
{
    QMap<int, QByteArray> plans;
    for (const QString& name : PersonnelListing(staffDir))
        plans.insert(NumberFromFileName(name).value_or(-1),
                     ParseEmployeeRecord(ReadFile(QDir(staffDir).filePath(name))).Plan);
    return plans;
}

// The slots of 2 to 12 January 2024.
QString DaySlots(const PlanDocument& doc)
{
    QString days;
    for (int day = 2; day <= 12; ++day)
        days += QString::number(doc.Plan.Days.At(DayNumber(2024, 1, day)));
    return days;
}

} // namespace

class TestRoadOfPlan : public QObject
{
    Q_OBJECT

private slots:
    void roadOfOnePlan()
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

        // The 12th made free; schedule 1 on the 3rd and, by a drag, on the 8th to the 10th.
        QTest::mouseClick(w.Find<QPushButton>(u"tglKolor_4"_s), Qt::LeftButton);
        Paint({w.CellOfDay(12)});
        QTest::mouseClick(w.Find<QPushButton>(u"tglKolor_1"_s), Qt::LeftButton);
        Paint({w.CellOfDay(3)});
        Paint({w.CellOfDay(8), w.CellOfDay(9), w.CellOfDay(10)});
        QCOMPARE(w.CellOfDay(9)->Colour(), QColor(QRgb(w.State.Env.ColourTable[1])));
        // The drag is one undo step; undone to the plan as opened, the plan is
        // unmodified; both redo keys bring the steps back.
        w.Window->Undo()->undo();
        QCOMPARE(DaySlots(w.State.Doc), u"01004400004"_s);
        w.Window->Undo()->undo();
        w.Window->Undo()->undo();
        QVERIFY(!w.State.Doc.PlanModified);
        QTest::keyClick(w.Window.get(), Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(w.Window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(w.Window.get(), Qt::Key_Y, Qt::ControlModifier);
        Type(w.Find<TimeFieldEdit>(u"txtOd_1"_s), u"6:45"_s);
        Type(w.Find<TimeFieldEdit>(u"txtdo_1"_s), u"14:45"_s);
        QVERIFY(w.State.Doc.PlanModified);
        QCOMPARE(TakePromptLines(w.Ui), QStringList());

        QTest::mouseClick(w.Window->Button("cmdZapisz"), Qt::LeftButton);
        QCOMPARE(TakePromptLines(w.Ui),
                 QStringList{u"say Information Plan pracy został poprawnie zapisany do pliku."_s});
        // Read back by the program's reader, without a user name and so without a lock.
        RecordingPrompt readerUi;
        ProgramState reader(w.Library, readerUi);
        reader.Env.ProgramDir = reader.Env.DataRootDir = w.State.Env.DataRootDir;
        QVERIFY(ProbeAndReadPlan(reader.Env, reader.Doc, plan));
        QCOMPARE(DaySlots(reader.Doc), u"01004411104"_s);
        QCOMPARE(reader.Doc.Fields.Slots[1][EntryColumn].Text + u'-' + reader.Doc.Fields.Slots[1][ExitColumn].Text,
                 u"06:45-14:45"_s);
        QCOMPARE(readerUi.Texts(), QStringList());

        // Searched for "kowal", three employees shown without the plan picked
        // with the mouse (Ctrl for the second and third), then assigned: their
        // records and the list name the plan.
        EmployeeList* list = w.Window->Employees();
        QTableView* view = list->View();
        QTest::keyClicks(list->Search(), u"kowal"_s);
        QMap<int, QByteArray> expected = RecordPlans(staffDir);
        QList<QModelIndex> picked;
        for (int row = 0; row < list->Filter()->rowCount() && picked.size() < 3; ++row) {
            const QModelIndex index = list->Filter()->index(row, 0);
            if (index.siblingAtColumn(PlanColumn).data().toString() == plan) continue;
            QCOMPARE(index.siblingAtColumn(SurnameColumn).data().toString().left(5), u"Kowal"_s);
            picked << index;
            expected[index.data().toInt()] = plan.toLatin1();
        }
        QCOMPARE(picked.size(), 3);
        for (const QModelIndex& index : std::as_const(picked)) {
            view->scrollTo(index);
            QTest::mouseClick(view->viewport(), Qt::LeftButton,
                              index == picked.first() ? Qt::NoModifier : Qt::ControlModifier,
                              view->visualRect(index).center());
        }
        QTest::mouseClick(w.Window->Button("cmdPrzydziel"), Qt::LeftButton);
        QCOMPARE(TakePromptLines(w.Ui), QStringList());
        QCOMPARE(RecordPlans(staffDir), expected);
        for (const QModelIndex& index : std::as_const(picked))
            QCOMPARE(index.siblingAtColumn(PlanColumn).data().toString(), plan);
        QVERIFY(w.Window->isEnabled() && !w.Window->Progress()->isVisible());

        w.Ui.ScriptAnswers({Answer::Yes});
        QTest::mouseClick(w.Window->Button("cmdWyjdz"), Qt::LeftButton);
        QCOMPARE(TakePromptLines(w.Ui), QStringList{u"ask Question YesNo Czy zakończyć program?"_s});
        QVERIFY(!w.Window->isVisible());
        QCOMPARE(FolderEntries(locks), QString());
        QCOMPARE(FolderEntries(w.State.Env.KatalogTemp), QString());
    }
};

QTEST_MAIN(TestRoadOfPlan)
#include "tst_RoadOfPlan.moc"

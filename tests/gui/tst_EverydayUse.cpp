// The window as a planner meets it in the first hour: Qt's own texts in
// Polish, Tab from control to control and the shortcuts, plans and employees in Polish order, a layout
// that grows with the window, and what the window says after a command.
#include "GuiFixture.h"

#include "editor/CompliancePanel.h"
#include "editor/EmployeeList.h"
#include "editor/MessageBoxPrompt.h"
#include "editor/PlanOutput.h"
#include "editor/PolishLanguage.h"
#include "editor/SchedulePanel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>

#include <functional>
#include <memory>

namespace {

// What an action opens: the name of the modal window that shows (closed
// again at once), or nothing.
QString ModalOpenedBy(const std::function<void()>& act)
{
    QString name;
    QTimer::singleShot(0, [&name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            name = modal->objectName();
            modal->close();
        }
    });
    act();
    QApplication::processEvents();
    return name;
}

// The controls Tab reaches from the plan box, in order, until the focus is
// back there; empty when it never comes back.
QList<QWidget*> TabWalk(QWidget* start, Qt::Key key)
{
    start->setFocus(Qt::TabFocusReason);
    QList<QWidget*> seen;
    for (int press = 0; press < 150; ++press) {
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::processEvents();
        QWidget* now = QApplication::focusWidget();
        if (now == start) return seen;
        seen << now;
    }
    return {};
}

// The visible labels, buttons, check boxes and filled fields of a window
// whose text does not fit them.
QStringList Clipped(const QWidget* root)
{
    QStringList clipped;
    const auto note = [&clipped](const QWidget* widget, bool fits) {
        if (widget->isVisible() && !fits) clipped << widget->objectName();
    };
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->pixmap().isNull() == false) continue;
        const QRect room = label->contentsRect();
        const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
        const QRect need = label->fontMetrics().boundingRect(room, flags, label->text());
        note(label, need.width() <= room.width() && need.height() <= room.height());
    }
    for (const QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        // Day cells have digits only; a field's own buttons show an icon only.
        if (button->text().isEmpty() || qobject_cast<const DayCell*>(button) ||
            qobject_cast<const QToolButton*>(button))
            continue;
        const QRect lines = button->fontMetrics().boundingRect(QRect(), 0, QString(button->text()).remove(u'&'));
        const int text = lines.width();
        const int box = qobject_cast<const QCheckBox*>(button) ? button->sizeHint().width() - text : 8;
        note(button, text + box <= button->width() && lines.height() <= button->height());
    }
    for (const QLineEdit* field : root->findChildren<QLineEdit*>()) {
        if (field->text().isEmpty()) continue;
        note(field, field->fontMetrics().horizontalAdvance(field->text()) <= field->contentsRect().width() - 2);
    }
    return clipped;
}

// The employee list's surnames from top to bottom, each once.
QStringList Surnames(const EmployeeList* list)
{
    QStringList names;
    for (int row = 0; row < list->Filter()->rowCount(); ++row) {
        const QString name = list->Filter()->index(row, 1).data().toString();
        if (names.isEmpty() || names.last() != name) names << name;
    }
    return names;
}

} // namespace

class TestEverydayUse : public QObject
{
    Q_OBJECT

private slots:
    // As the program starts.
    void initTestCase() { m_polish = UsePolishLanguage(*qApp); }

    // With Qt's translations installed, the standard buttons and the text
    // fields' menu are Polish; dates are Polish whatever the system's locale.
    void qtSpeaksPolish()
    {
        QCOMPARE(QLocale().toString(QDate(2025, 1, 6), u"dddd, d MMMM"_s), u"poniedziałek, 6 stycznia"_s);
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_pl.qm"_s))
            QSKIP("Qt's Polish translations are not installed (qt6-translations-l10n)");
        QVERIFY(m_polish);
        QStringList buttons;
        QTimer::singleShot(0, [&buttons] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            for (const QAbstractButton* button : box->buttons())
                buttons << button->text();
            box->reject();
        });
        MessageBoxPrompt().Ask(MessageIcon::Question, u"?"_s, MessageButtons::YesNoCancel);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{u"&Nie"_s, u"&Tak"_s, u"Anuluj"_s}));
        QLineEdit field;
        const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        QCOMPARE(menu->actions().first()->text().section(u'\t', 0, 0), u"&Cofnij"_s);
    }

    // Tab goes once round the window, the employee list and the month grid
    // each one stop, and Shift+Tab goes the same way back.
    void tabGoesRoundTheWindow()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        QWidget* planBox = w.Window->PlanBox();
        const QList<QWidget*> forward = TabWalk(planBox, Qt::Key_Tab);
        QVERIFY2(!forward.isEmpty(), "Tab never comes back to the plan box");
        QCOMPARE(forward.count(w.Window->Employees()->View()), 1);
        int cells = 0;
        for (QWidget* widget : forward)
            cells += qobject_cast<DayCell*>(widget) ? 1 : 0;
        QCOMPARE(cells, 1);
        QCOMPARE(QSet<QWidget*>(forward.begin(), forward.end()).size(), forward.size());
        QList<QWidget*> backward = TabWalk(planBox, Qt::Key_Backtab);
        std::reverse(backward.begin(), backward.end());
        QCOMPARE(backward, forward);
        // Inside the list the arrows move; Tab leaves it at once.
        QTableView* list = w.Window->Employees()->View();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex().row(), 1);
        QTest::keyClick(list, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != list);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    }

    void shortcuts_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("modal");   // the window it opens
        QTest::addColumn<QString>("focused"); // where the focus is afterwards
        QTest::addColumn<QString>("messages");
        QTest::newRow("Ctrl+S saves what is typed")
            << QKeyCombination(Qt::ControlModifier, Qt::Key_S) << QString() << u"cmdZapisz"_s
            << u"Plan pracy został poprawnie zapisany do pliku."_s;
        QTest::newRow("F1 opens the about window")
            << QKeyCombination(Qt::Key_F1) << u"frmAbout"_s << u"txtOd_1"_s << QString();
        QTest::newRow("Ctrl+F goes to the search")
            << QKeyCombination(Qt::ControlModifier, Qt::Key_F) << QString() << u"employeeSearch"_s << QString();
    }

    // Pressed while a time is being typed into a field.
    void shortcuts()
    {
        QFETCH(QKeyCombination, key);
        Workstation w;
        w.Choose(u"Biuro"_s);
        TimeFieldEdit* field = w.Window->Field(FieldIds::Of(1, EntryColumn));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, u"6:45"_s);
        QTEST(ModalOpenedBy([&] { QTest::keyClick(field, key.key(), key.keyboardModifiers()); }), "modal");
        QApplication::setActiveWindow(w.Window.get()); // as the window manager gives it back
        QTEST(QApplication::focusWidget()->objectName(), "focused");
        QTEST(w.Ui.Texts().join(u'|'), "messages");
        if (!w.Ui.Texts().isEmpty()) {
            QCOMPARE(w.State.Doc.Fields.Slots[1][EntryColumn].Text, u"06:45"_s);
            QVERIFY(!w.State.Doc.PlanModified);
        }
    }

    // Plans in Polish alphabetical order whatever their letter case, "<BRAK>"
    // last; the employee list sorted by surname in Polish order.
    void polishOrder()
    {
        const QStringList more{u"Żniwa"_s, u"łąka"_s, u"zima"_s, u"ćma"_s, u"Czwartki"_s, u"Lato"_s, u"ósemki"_s};
        Workstation w(QCoreApplication::applicationDirPath(), [&more](const QString& plans) {
            for (const QString& name : more)
                QFile::copy(QDir(plans).filePath(u"Biuro.PLN"_s), QDir(plans).filePath(name + u".PLN"_s));
        });
        QStringList plans;
        for (int i = 0; i < w.Window->PlanBox()->count(); ++i)
            plans << w.Window->PlanBox()->itemText(i);
        QCOMPARE(plans.join(u'|'),
                 u"Biuro|Biuro zgodne|Czwartki|ćma|Grafik z błędami|Lato|łąka|ósemki|STARY_TYGODNIOWY|"
                 "STARY_ZMIANOWY|Sześć dni|Trzy zmiany|Tydzień pracy|USZKODZONY|Weekendy|zima|Żniwa|"
                 "<BRAK>"_s);
        EmployeeList* list = w.Window->Employees();
        list->View()->horizontalHeader()->sectionClicked(1);
        QCOMPARE(Surnames(list).join(u' '),
                 u"Adamczyk Bąk Górska Jankowska Jaworski Kaczmarek Kowalczyk Kowalska Kowalski Kozłowska Łukasik "
                 "Majewska Malinowska Nowak Nowak-Jeziorańska Ostrowski Pawłowski Stępień Szymańska Szymański "
                 "Ślusarczyk Wieczorek Wojciechowska Woźniak Wójcik Wróbel Zając Zielińska Żak"_s);
    }

    // From its smallest size to a large screen: nothing clipped at the
    // smallest, larger day cells and a wider list at the largest, and the
    // check keeps its columns when the window is made small again.
    void layoutGrows()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        const QSize first = w.Window->size();
        w.Window->resize(w.Window->minimumSize());
        QApplication::processEvents();
        QCOMPARE(Clipped(w.Window.get()).join(u'|'), QString());
        const QSize cell = w.CellOfDay(1)->size();
        const int list = w.Window->Employees()->View()->width();
        w.Window->resize(1600, 1000);
        QApplication::processEvents();
        QVERIFY2(w.CellOfDay(1)->height() >= 2 * cell.height(), qPrintable(QString::number(w.CellOfDay(1)->height())));
        QVERIFY(w.CellOfDay(1)->width() >= 2 * cell.width());
        QVERIFY(w.Window->Employees()->View()->width() >= list + (1600 - w.Window->minimumSize().width()) / 2);
        QCOMPARE(Clipped(w.Window.get()).join(u'|'), QString());
        w.Window->resize(first);
        QApplication::processEvents();
        QTableView* findings = w.Window->Compliance()->Findings();
        const QHeaderView* header = findings->horizontalHeader();
        QVERIFY(findings->width() >= 300);
        QVERIFY2(header->sectionViewportPosition(2) + 80 <= findings->viewport()->width(),
                 qPrintable(QString::number(header->sectionViewportPosition(2))));
        // A weekly plan at the smallest size: its range fits its frame.
        w.Choose(u"Tydzień pracy"_s);
        w.Window->resize(w.Window->minimumSize());
        QApplication::processEvents();
        QCOMPARE(Clipped(w.Window.get()).join(u'|'), QString());
    }

    // A step done and undone leaves the undo and redo buttons where they
    // were; the step's name is in their tooltips, and the status bar says
    // what was undone.
    void undoButtonsStay()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        auto* tools = w.Window->findChild<QToolBar*>(u"toolBar"_s);
        QWidget* undo = tools->widgetForAction(w.Window->findChild<QAction*>(u"undoAction"_s));
        QWidget* redo = tools->widgetForAction(w.Window->findChild<QAction*>(u"redoAction"_s));
        const QRect undoPlace = undo->geometry();
        const QRect redoPlace = redo->geometry();
        w.Window->Panel()->tglKolor_Click(1);
        Paint({w.CellOfDay(3)});
        QApplication::processEvents();
        QCOMPARE(undo->geometry(), undoPlace);
        QVERIFY2(undo->toolTip().contains(u"Malowanie dni"_s), qPrintable(undo->toolTip()));
        w.Window->findChild<QAction*>(u"undoAction"_s)->trigger();
        QApplication::processEvents();
        QCOMPARE(w.Window->statusBar()->currentMessage(), u"Cofnięto: Malowanie dni."_s);
        QCOMPARE(redo->geometry(), redoPlace);
        QVERIFY2(redo->toolTip().contains(u"Malowanie dni"_s), qPrintable(redo->toolTip()));
    }

    // Saving keeps the steps: undone past the save, the plan counts as
    // changed again. The status bar says what was saved, exported or closed.
    void savingKeepsTheSteps()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        w.Window->Panel()->tglKolor_Click(1);
        Paint({w.CellOfDay(3)});
        w.Window->Button("cmdZapisz")->click();
        QVERIFY(!w.State.Doc.PlanModified);
        QVERIFY(w.Window->Undo()->canUndo());
        QCOMPARE(w.Window->statusBar()->currentMessage(), u"Zapisano plan pracy „Biuro”."_s);
        w.Window->Undo()->undo();
        QVERIFY(w.State.Doc.PlanModified);
        w.Window->Undo()->redo();
        QVERIFY(!w.State.Doc.PlanModified);
        // An export says where it went.
        const QString path = w.Dir.filePath(u"plan.csv"_s);
        QVERIFY(w.Window->Output()->ExportTo(path));
        QCOMPARE(w.Window->statusBar()->currentMessage(), u"Zapisano plik "_s + QDir::toNativeSeparators(path) + u'.');
        w.Choose(u"<BRAK>"_s);
        QCOMPARE(w.Window->statusBar()->currentMessage(), u"Zamknięto plan pracy „Biuro”."_s);
    }

    void assignmentReported_data()
    {
        QTest::addColumn<QList<int>>("rows"); // selected, by the list's order
        QTest::addColumn<QString>("removed"); // a record gone before the run
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("status");
        QTest::newRow("none selected")
            << QList<int>() << QString()
            << u"Nie zaznaczono żadnego pracownika. Zaznacz na liście pracowników, którym przydzielić plan pracy."_s
            << QString();
        QTest::newRow("one") << QList<int>{0} << QString() << QString()
                             << u"Przydzielono plan „Biuro” 1 pracownikowi."_s;
        QTest::newRow("three") << QList<int>{0, 1, 2} << QString() << QString()
                               << u"Przydzielono plan „Biuro” 3 pracownikom."_s;
        QTest::newRow("one record gone")
            << QList<int>{0, 1} << u"BAK.897"_s
            << u"Pracownik Bąk Jakub został usunięty z bazy danych.\rCzy kontynuować przydzielanie planu dla "
               "pozostałych pracowników?"_s
            << u"Przydzielono plan „Biuro” 1 pracownikowi. Nie przydzielono: Bąk Jakub (usunięty z bazy danych)."_s;
    }

    void assignmentReported()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QString, removed);
        Workstation w;
        w.Choose(u"Biuro"_s);
        if (!removed.isEmpty()) QVERIFY(QFile::remove(QDir(w.State.Env.StaffDir()).filePath(removed)));
        QTableView* list = w.Window->Employees()->View();
        list->clearSelection();
        w.Window->statusBar()->clearMessage();
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        w.Window->Button("cmdPrzydziel")->click();
        QTEST(w.Ui.Texts().join(u'|'), "messages");
        QTEST(w.Window->statusBar()->currentMessage(), "status");
    }

private:
    bool m_polish = false;
};

QTEST_MAIN(TestEverydayUse)
#include "tst_EverydayUse.moc"

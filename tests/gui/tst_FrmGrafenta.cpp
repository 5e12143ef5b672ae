// The main window as a planner meets it: start-up on the demo data, plans
// opened and switched, the month calendar, painting with clicks and drags,
// undo, the time fields, saving, deleting, leaving, the weekly arrangement,
// and assigning a plan to the employees of a filtered list.
#include "GuiFixture.h"
#include "HolderProcess.h"

#include "dialogs/FrmProgress.h"
#include "editor/EmployeeList.h"
#include "editor/MessageBoxPrompt.h"
#include "editor/PlanCommands.h"
#include "editor/PlanOutput.h"
#include "editor/SchedulePanel.h"
#include "editor/TimeFieldEdit.h"
#include "plan/PlanDecoder.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTimer>

Q_DECLARE_METATYPE(Answer)

namespace {

QString Texts(const RecordingPrompt& ui)
{
    return ui.Texts().join(QLatin1Char('|')).replace(Cr, QLatin1Char('/'));
}

// The day numbers of the enabled cells of the displayed month, as "first..last".
QString EnabledDays(const MonthCalendar* calendar)
{
    QStringList days;
    for (int i = 0; i < MonthCalendar::CellCount; ++i) {
        if (calendar->Cell(i)->isEnabled()) days << calendar->Cell(i)->text();
    }
    return days.isEmpty() ? QString() : days.first() + QStringLiteral("..") + days.last();
}

} // namespace

class TestFrmGrafenta : public QObject
{
    Q_OBJECT

private slots:
    void startsIntoTheEmptyWindow();
    void opensPlans_data();
    void opensPlans();
    void monthNavigation();
    void paintsDragsAndUndoes();
    void paintingRefused_data();
    void paintingRefused();
    void timeFields_data();
    void timeFields();
    void overlapBlinks();
    void switchingWithUnsavedChanges_data();
    void switchingWithUnsavedChanges();
    void damagedAndLockedPlans();
    void deletesAPlan();
    void leaving_data();
    void leaving();
    void weeklyArrangementAndBack();
    void assignsToFilteredSelection();
    void messageBox_data();
    void messageBox();
    void printsAndExportsChosenMonths();
};

void TestFrmGrafenta::startsIntoTheEmptyWindow()
{
    Workstation w;
    QVERIFY(w.Started);
    QVERIFY(w.Ui.Entries().isEmpty());
    QCOMPARE(w.Window->windowTitle(), MessageTitle);
    QCOMPARE(w.Window->PlanBox()->currentText(), QStringLiteral("<BRAK>"));
    QCOMPARE(w.Calendar()->Title()->text(), QStringLiteral("-------------------"));
    QCOMPARE(w.Find<QLabel>(QStringLiteral("lblOd1"))->text(), QStringLiteral("---------"));
    QCOMPARE(EnabledDays(w.Calendar()), QString());
    QVERIFY(!w.Window->Button("cmdZapisz")->isEnabled() && !w.Window->Button("cmdUsun")->isEnabled());
    QVERIFY(!w.Find<QWidget>(QStringLiteral("txtOd_0"))->isEnabled());
    QCOMPARE(w.Window->Employees()->Model()->rowCount(), 40);
    QVERIFY(!w.Window->Employees()->Message()->isVisible());
    QCOMPARE(w.State.Env.ColourTable[FreeDaySlot], w.Window->BackgroundColour());
    // Every control a user reaches has the description's name and a name a screen reader reads.
    QList<QWidget*> controls = w.Window->centralWidget()->findChildren<QWidget*>();
    controls += w.Window->ComplianceDock()->widget()->findChildren<QWidget*>();
    for (QWidget* control : std::as_const(controls)) {
        const bool kind = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                          qobject_cast<QComboBox*>(control) || qobject_cast<QTableView*>(control) ||
                          qobject_cast<QAbstractSpinBox*>(control);
        // Qt's own parts of a control (a spin box's line, a view's corner) and the day cells, named by their day.
        if (!kind || qobject_cast<DayCell*>(control) || qobject_cast<QAbstractItemView*>(control->parentWidget()) ||
            qobject_cast<QLineEdit*>(control->parentWidget()) ||
            control->objectName().startsWith(QLatin1String("qt_")) ||
            control->objectName().startsWith(QLatin1String("_q_")))
            continue;
        QVERIFY2(!control->objectName().isEmpty(), control->metaObject()->className());
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
    }
}

void TestFrmGrafenta::opensPlans_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<bool>("weekly");
    QTest::newRow("schedule plan") << "Biuro" << "01-01-2024 31-12-2026" << "STYCZEŃ 2024" << "1..31" << false;
    QTest::newRow("legacy schedule plan") << "STARY_ZMIANOWY" << "" << "" << "" << false;
    QTest::newRow("weekly plan") << "Tydzień pracy" << "" << "" << "..." << true;
}

void TestFrmGrafenta::opensPlans()
{
    QFETCH(QString, plan);
    QFETCH(QString, range);
    QFETCH(QString, title);
    QFETCH(QString, enabled);
    QFETCH(bool, weekly);
    Workstation w;
    w.Choose(plan);
    QCOMPARE(Texts(w.Ui), QString());
    QCOMPARE(w.State.Doc.CurrentPlanName, plan);
    QVERIFY(w.State.Doc.PlanLockHandle > 0 && !w.State.Doc.PlanModified);
    QVERIFY(w.Window->Button("cmdZapisz")->isEnabled() && w.Window->Button("cmdPrzydziel")->isEnabled());
    QCOMPARE(w.Find<QWidget>(QStringLiteral("txtNorma"))->isVisible(), weekly);
    QCOMPARE(w.Find<QWidget>(QStringLiteral("tglKolor_0"))->isVisible(), !weekly);
    if (weekly) {
        QCOMPARE(w.Window->Field(FieldIds::Norm)->text(), QStringLiteral("08:00"));
        QCOMPARE(w.Calendar()->Cell(1)->Tag(), QStringLiteral("2")); // Monday works
        QCOMPARE(w.Calendar()->Cell(0)->Tag(), QStringLiteral("1"));
        return;
    }
    if (range.isEmpty()) return;
    QCOMPARE(w.Find<QLabel>(QStringLiteral("lblOd1"))->text() + u' ' + w.Find<QLabel>(QStringLiteral("lbldo1"))->text(),
             range);
    QCOMPARE(w.Calendar()->Title()->text(), title);
    QCOMPARE(EnabledDays(w.Calendar()), enabled);
    QCOMPARE(w.Window->Field(FieldIds::Of(0, EntryColumn))->text(), QStringLiteral("08:00"));
    // New Year's Day: struck through in 16 pt, the holiday's name as tooltip and in words.
    DayCell* newYear = w.CellOfDay(1);
    QVERIFY(newYear->IsStruckThrough() && newYear->PointSize() == 16);
    QCOMPARE(newYear->toolTip(), QStringLiteral("Nowy Rok"));
    QCOMPARE(newYear->accessibleDescription(), QStringLiteral("2024-01-01, harmonogram 0, święto: Nowy Rok"));
    QCOMPARE(w.CellOfDay(7)->accessibleDescription(), QStringLiteral("2024-01-07, dzień wolny"));
}

// A plan from the 15th of a month to the 10th of the next: partial months,
// arrows disabled at the ends, page keys on the cells.
void TestFrmGrafenta::monthNavigation()
{
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    QPushButton* back = w.Calendar()->MonthButton(0);
    QPushButton* next = w.Calendar()->MonthButton(1);
    QVERIFY(!back->isEnabled() && next->isEnabled());
    PlanDocument& doc = w.State.Doc;
    doc.Plan.FirstDay = w.DayNumber(2025, 2, 15);
    doc.Plan.LastDay = w.DayNumber(2025, 3, 10);
    ZmienZakresDni(doc, doc.Plan.FirstDay, doc.Plan.LastDay);
    w.Window->ShowPlanRange();
    QCOMPARE(w.Calendar()->Title()->text(), QStringLiteral("LUTY 2025"));
    QCOMPARE(EnabledDays(w.Calendar()), QStringLiteral("15..28"));
    QVERIFY(!back->isEnabled() && next->isEnabled());
    QTest::keyClick(w.CellOfDay(20), Qt::Key_PageDown);
    QCOMPARE(w.Calendar()->Title()->text(), QStringLiteral("MARZEC 2025"));
    QCOMPARE(EnabledDays(w.Calendar()), QStringLiteral("1..10"));
    QVERIFY(back->isEnabled() && !next->isEnabled());
    w.Calendar()->cmdMiesiac_Click(1); // the guard refuses too
    QCOMPARE(w.Calendar()->Title()->text(), QStringLiteral("MARZEC 2025"));
    w.Calendar()->cmdMiesiac_Click(255);
    QCOMPARE(w.Calendar()->Title()->text(), QStringLiteral("MARZEC 2025"));
    back->click();
    QCOMPARE(w.Calendar()->Title()->text(), QStringLiteral("LUTY 2025"));
    // A one-month plan: both arrows off.
    ZmienZakresDni(doc, w.DayNumber(2025, 2, 1), w.DayNumber(2025, 2, 28));
    w.Window->ShowPlanRange();
    QVERIFY(!back->isEnabled() && !next->isEnabled());
    // Arrow keys move among the enabled cells.
    w.CellOfDay(3)->setFocus();
    QTest::keyClick(w.CellOfDay(3), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.CellOfDay(10)));
}

void TestFrmGrafenta::paintsDragsAndUndoes()
{
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    PlanDocument& doc = w.State.Doc;
    QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("tglKolor_1")), Qt::LeftButton);
    QVERIFY(w.Find<QPushButton>(QStringLiteral("tglKolor_1"))->isChecked());
    QTest::mousePress(w.CellOfDay(3), Qt::LeftButton);
    QTest::mouseRelease(w.CellOfDay(3), Qt::LeftButton);
    Drag({w.CellOfDay(8), w.CellOfDay(9), w.CellOfDay(10)});
    const auto daySlots = [&] {
        QString text;
        for (int day = 2; day <= 11; ++day)
            text += QString::number(doc.Plan.Days.At(w.DayNumber(2024, 1, day)));
        return text;
    };
    QCOMPARE(daySlots(), QStringLiteral("0100441110"));
    QCOMPARE(w.CellOfDay(9)->Tag(), QStringLiteral("1"));
    QCOMPARE(w.CellOfDay(9)->Colour(), QColor(QRgb(w.State.Env.ColourTable[1])));
    QVERIFY(doc.PlanModified);
    w.Window->Undo()->undo(); // the whole drag
    QCOMPARE(daySlots(), QStringLiteral("0100440000"));
    QVERIFY(doc.PlanModified);
    w.Window->Undo()->undo(); // back to the plan as opened
    QVERIFY(!doc.PlanModified);
    QTest::keyClick(w.Window.get(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(w.Window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(daySlots(), QStringLiteral("0100441110"));
    // Saved, the file holds the painted days.
    w.Window->Button("cmdZapisz")->click();
    QCOMPARE(Texts(w.Ui), QStringLiteral("Plan pracy został poprawnie zapisany do pliku."));
    QVERIFY(!doc.PlanModified && !w.Window->Undo()->canUndo());
    const DecodedPlan saved = DecodePlan(ReadFile(w.PlanPath(QStringLiteral("Biuro"))));
    QVERIFY(saved.Ok());
    QCOMPARE(saved.DayBytes.mid(w.DayNumber(2024, 1, 8) - saved.FirstDay, 3), QByteArray("\1\1\1", 3));
}

void TestFrmGrafenta::paintingRefused_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("january2000"); // a plan from 1 January 2000, its first day clicked
    QTest::addColumn<QString>("message");
    QTest::newRow("a schedule without times") << 2 << false
        << "Przypisanie wybranego harmonogrmu na dzień jest niemożliwe. Harmonogram jest niepełny, sprawdź czy został "
           "zdefiniowany czas wejścia, wyjścia i opcjonalnie godzina występowania przerwy.";
    QTest::newRow("an entry window before 2000") << 0 << true
        << "Poczatek okresu wejść wypda przed 01-01-2000./Zapis planu pracy niemżliwy.";
    QTest::newRow("the free day needs no times") << 4 << true << "";
}

void TestFrmGrafenta::paintingRefused()
{
    QFETCH(int, slot);
    QFETCH(bool, january2000);
    QFETCH(QString, message);
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    PlanDocument& doc = w.State.Doc;
    if (january2000) {
        ZmienZakresDni(doc, 0, 30);
        w.Window->ShowPlanRange();
        doc.Fields.Slots[0][EntryColumn] = {QStringLiteral("00:10"), 10}; // 15 minutes earlier entry reach into 1999
    }
    w.Window->Panel()->tglKolor_Click(slot);
    const int32_t day = january2000 ? 0 : w.DayNumber(2024, 1, 1);
    const int before = doc.Plan.Days.At(day);
    QTest::mousePress(w.CellOfDay(1), Qt::LeftButton);
    QTest::mouseRelease(w.CellOfDay(1), Qt::LeftButton);
    QCOMPARE(Texts(w.Ui), message);
    QCOMPARE(doc.Plan.Days.At(day), message.isEmpty() ? slot : before);
    QCOMPARE(doc.PlanModified, message.isEmpty());
}

void TestFrmGrafenta::timeFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString hours = QStringLiteral("Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23.");
    QTest::newRow("short form") << "txtPrzeOd_1" << "7:5" << "07:05" << "";
    QTest::newRow("hours") << "txtPrzeOd_1" << "24:00" << "24:00" << hours;
    QTest::newRow("minutes") << "txtPozostale_1" << "12:60" << "12:60"
                             << "Niepoprawnie wprowadzone minuty. Zakres minut od 00 do 59.";
    QTest::newRow("format") << "txtPrzeDo_1" << "ab:cd" << "ab:cd"
                            << "Niepoprawnie wprowadzona godzina. Format godziny gg:mm";
    QTest::newRow("letters never reach work fields") << "txtOd_1" << "a1b2:c3d0" << "12:30" << "";
    QTest::newRow("zero earlier entry is a minute") << "txtPozostale_0" << "0:0" << "00:01" << "";
    QTest::newRow("cleared") << "txtPrzeOd_0" << "" << "" << "Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.";
}

// Typed into a field and left with Tab: normalised, or refused with the focus back.
void TestFrmGrafenta::timeFields()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    auto* edit = w.Find<TimeFieldEdit>(field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Tab);
    QApplication::processEvents();
    QCOMPARE(edit->text(), shown);
    if (field == QLatin1String("txtPrzeOd_0")) {
        // A cleared field is no error and leaves the plan unmodified; the save finds the break's one end.
        QVERIFY(Texts(w.Ui).isEmpty() && !w.State.Doc.PlanModified);
        w.Window->Button("cmdZapisz")->click();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    } else {
        // A refused text stays as typed and changes nothing in the plan.
        QCOMPARE(QApplication::focusWidget() == edit, !message.isEmpty());
        QCOMPARE(FieldById(w.State.Doc.Fields, edit->Id()).Text == shown, message.isEmpty());
    }
    QCOMPARE(Texts(w.Ui), message);
}

void TestFrmGrafenta::overlapBlinks()
{
    Workstation w;
    w.Choose(QStringLiteral("Trzy zmiany"));
    TimeFieldEdit* earlierEntry = w.Window->Field(FieldIds::Allowance(0));
    earlierEntry->setText(QStringLiteral("20:00"));
    QVERIFY(earlierEntry->Leave());
    w.Window->Button("cmdZapisz")->click();
    QCOMPARE(Texts(w.Ui), QStringLiteral("Zapis planu niemożliwy./Obszar przebywania prywatnego zaczynający się w "
                                         "dniu 06-01-2025 o godzinie 18:00 nakłada się na poprzednie obszary."));
    MonthCalendar* calendar = w.Calendar();
    QVERIFY(calendar->IsBlinking());
    QCOMPARE(calendar->Title()->text(), QStringLiteral("STYCZEŃ 2025"));
    DayCell* day = w.CellOfDay(6);
    const QColor painted = day->Colour();
    QTest::qWait(700);
    QVERIFY(day->Colour() == QColor(MonthCalendar::BlinkOffColour) || day->Colour() == painted);
    // Painting the day in another schedule's colour stops the blink; the colour stays.
    w.Window->Panel()->tglKolor_Click(0);
    QTest::mousePress(day, Qt::LeftButton);
    QTest::mouseRelease(day, Qt::LeftButton);
    QVERIFY(!calendar->IsBlinking());
    QCOMPARE(day->Colour(), QColor(QRgb(w.State.Env.ColourTable[0])));
}

void TestFrmGrafenta::switchingWithUnsavedChanges_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("open"); // the plan open afterwards
    QTest::addColumn<bool>("saved");
    QTest::newRow("Yes") << Answer::Yes << "Weekendy" << true;
    QTest::newRow("No") << Answer::No << "Weekendy" << false;
    QTest::newRow("Cancel") << Answer::Cancel << "Biuro" << false;
}

void TestFrmGrafenta::switchingWithUnsavedChanges()
{
    QFETCH(Answer, answer);
    QFETCH(QString, open);
    QFETCH(bool, saved);
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    const QByteArray before = ReadFile(w.PlanPath(QStringLiteral("Biuro")));
    const int32_t lock = w.State.Doc.PlanLockHandle;
    w.Window->Panel()->tglKolor_Click(1);
    QTest::mousePress(w.CellOfDay(3), Qt::LeftButton);
    QTest::mouseRelease(w.CellOfDay(3), Qt::LeftButton);
    w.Ui.ScriptAnswers({answer});
    w.Choose(QStringLiteral("Weekendy"));
    const RecordingPrompt::Entry asked = w.Ui.Entries().first();
    QVERIFY(asked.Question && asked.Buttons == MessageButtons::YesNoCancel && asked.Icon == MessageIcon::Exclamation);
    QCOMPARE(asked.Text, QStringLiteral("Edytowany plan pracy lub dokonane zmiany nie zostały zapisane do pliku. Czy "
                                        "dokonać zapisu planu pracy?"));
    QCOMPARE(w.State.Doc.CurrentPlanName, open);
    QCOMPARE(ReadFile(w.PlanPath(QStringLiteral("Biuro"))) != before, saved);
    QCOMPARE(w.Window->PlanBox()->currentText(), QStringLiteral("Weekendy"));
    QCOMPARE(w.State.Doc.PlanLockHandle == lock, answer == Answer::Cancel);
}

void TestFrmGrafenta::damagedAndLockedPlans()
{
    Workstation w;
    w.Choose(QStringLiteral("USZKODZONY"));
    QCOMPARE(Texts(w.Ui), QStringLiteral("Plik planu pracy jest uszkodzony./Odczyt niemożliwy."));
    QVERIFY(w.Window->Button("cmdUsun")->isEnabled() && !w.Window->Button("cmdPrzydziel")->isEnabled());
    QCOMPARE(w.Calendar()->Title()->text(), QString());
    w.Ui.Clear();
    HolderProcess other({QStringLiteral("lock"), w.State.Env.DataDir(), QStringLiteral("PlnEdit"),
                         QStringLiteral("Weekendy.PLN"), QStringLiteral("Anna z PC2")});
    QVERIFY(other.Take() && other.Holds());
    w.Choose(QStringLiteral("Weekendy"));
    QCOMPARE(Texts(w.Ui), QStringLiteral("Plan pracy: Weekendy jest zablokowana przez: Anna z PC2./Edycja planu pracy "
                                         "niemożliwa."));
    QVERIFY(!w.Window->Button("cmdUsun")->isEnabled() && !w.Window->Button("cmdZapisz")->isEnabled());
}

void TestFrmGrafenta::deletesAPlan()
{
    Workstation w;
    w.Choose(QStringLiteral("Weekendy"));
    w.Window->Button("cmdUsun")->click();
    QCOMPARE(w.Ui.Entries().first().Text, QStringLiteral("Czy napewno usunąć plik planu pracy?"));
    QVERIFY(!QFile::exists(w.PlanPath(QStringLiteral("Weekendy"))));
    QCOMPARE(w.Window->PlanBox()->currentText(), QStringLiteral("<BRAK>"));
    QCOMPARE(w.Window->PlanBox()->findText(QStringLiteral("Weekendy")), -1);
    QVERIFY(!w.Window->Button("cmdZapisz")->isEnabled() && !w.Window->Button("cmdUsun")->isEnabled());
    QCOMPARE(w.State.Doc.PlanLockHandle, -1);
    QCOMPARE(w.State.Doc.CurrentPlanName, QStringLiteral("<BRAK>"));
}

void TestFrmGrafenta::leaving_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<bool>("overlap"); // the edit makes the schedule plan's save fail
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("messages");
    const QString leave = QStringLiteral("Czy zakończyć program?");
    const QString save = QStringLiteral("Edytowany plan pracy lub dokonane zmiany nie zostały zapisane do pliku. Czy "
                                        "dokonać zapisu planu pracy?");
    QTest::newRow("No stays") << "Biuro" << false << QList<Answer>{Answer::No} << false << leave;
    QTest::newRow("unsaved, Cancel stays") << "Biuro" << false << QList<Answer>{Answer::Yes, Answer::Cancel} << false
                                          << leave + u'|' + save;
    QTest::newRow("unsaved, the save fails") << "Trzy zmiany" << true << QList<Answer>{Answer::Yes, Answer::Yes}
                                             << false << leave + u'|' + save + QStringLiteral("|Nieudana próba zapisu pliku planu pracy.");
    QTest::newRow("unsaved, saved and left") << "Biuro" << false << QList<Answer>{Answer::Yes, Answer::Yes} << true
                                             << leave + u'|' + save;
    QTest::newRow("weekly, left whatever the save") << "Tydzień pracy" << false
                                                    << QList<Answer>{Answer::Yes, Answer::Yes} << true
                                                    << leave + u'|' + save + QStringLiteral("|Plan pracy został poprawnie zapisany do pliku.");
}

void TestFrmGrafenta::leaving()
{
    QFETCH(QString, plan);
    QFETCH(bool, overlap);
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, closed);
    QFETCH(QString, messages);
    Workstation w;
    w.Choose(plan);
    TimeFieldEdit* field = w.Window->Field(plan.startsWith(QLatin1String("Tydzie")) ? FieldIds::Norm : FieldIds::Allowance(0));
    field->setText(QLatin1String(overlap ? "20:00" : "00:20"));
    QVERIFY(field->Leave());
    w.Ui.ScriptAnswers(answers);
    w.Window->close();
    QCOMPARE(Texts(w.Ui), messages);
    QCOMPARE(w.Window->isVisible(), !closed);
    // Leaving releases both locks; staying keeps the plan's.
    QCOMPARE(w.State.Doc.PlanLockHandle == -1, closed);
    QCOMPARE(w.State.FreeDays.FreeDaysLockHandle, -1);
}

void TestFrmGrafenta::weeklyArrangementAndBack()
{
    Workstation w;
    QWidget* list = w.Window->Employees()->View();
    const int scheduleHeight = list->height();
    w.Choose(QStringLiteral("Tydzień pracy"));
    QVERIFY(list->height() > scheduleHeight);
    QVERIFY(!w.Calendar()->Title()->isVisible() && !w.Window->Button("cmdZakres")->isVisible());
    QVERIFY(w.Find<QCheckBox>(QStringLiteral("chkDniWolne"))->isChecked());
    // A click marks its whole weekday column with the pressed toggle's kind.
    w.Window->Panel()->tglKolorNONE_Click(1);
    QTest::mousePress(w.Calendar()->Cell(35), Qt::LeftButton);
    QTest::mouseRelease(w.Calendar()->Cell(35), Qt::LeftButton);
    QCOMPARE(w.State.Doc.Plan.WeekdayKinds[0], WorkingWeekday);
    for (int cell : {0, 7, 35})
        QCOMPARE(w.Calendar()->Cell(cell)->Tag(), QStringLiteral("2"));
    QVERIFY(w.State.Doc.PlanModified);
    w.Ui.ScriptAnswers({Answer::No});
    w.Choose(QStringLiteral("Biuro"));
    QCOMPARE(list->height(), scheduleHeight);
    QVERIFY(w.Calendar()->Title()->isVisible() && w.Find<QWidget>(QStringLiteral("txtOd_0"))->isVisible());
    QVERIFY(!w.Find<QWidget>(QStringLiteral("txtNorma"))->isVisible());
}

void TestFrmGrafenta::assignsToFilteredSelection()
{
    Workstation w;
    w.Choose(QStringLiteral("Weekendy"));
    EmployeeList* list = w.Window->Employees();
    QTest::keyClicks(list->Search(), QStringLiteral("kowal"));
    const int shown = list->Filter()->rowCount();
    QVERIFY(shown > 1 && shown < 40);
    list->View()->selectAll();
    w.Window->Button("cmdPrzydziel")->click();
    QCOMPARE(Texts(w.Ui), QString());
    // The rows shown got the plan; the list and a fresh read of the folder agree.
    EmployeeRows read;
    QVERIFY(WczytajPracownikow(w.State.Env, read, StaffHooks{}));
    int assigned = 0;
    for (int row = 0; row < read.size(); ++row) {
        const bool matches = read[row].Surname.contains(QStringLiteral("kowal"), Qt::CaseInsensitive);
        QCOMPARE(list->Model()->Rows()[row].Plan, read[row].Plan);
        if (matches) QCOMPARE(read[row].Plan, QStringLiteral("Weekendy"));
        assigned += matches;
    }
    QCOMPARE(assigned, shown);
    QVERIFY(w.Window->isEnabled() && !w.Window->Progress()->isVisible());
}

void TestFrmGrafenta::messageBox_data()
{
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("press"); // a QMessageBox::StandardButton, 0 for the Escape key
    QTest::addColumn<Answer>("answer");
    QTest::newRow("Yes") << MessageButtons::YesNo << int(QMessageBox::Yes) << Answer::Yes;
    QTest::newRow("Escape on Yes/No is No") << MessageButtons::YesNo << 0 << Answer::No;
    QTest::newRow("Escape on three is Cancel") << MessageButtons::YesNoCancel << 0 << Answer::Cancel;
    QTest::newRow("Ok") << MessageButtons::Ok << int(QMessageBox::Ok) << Answer::Ok;
}

// The box carries the program's title and the buttons asked for, the first
// as the default; its text is plain, with a line break for every Cr.
void TestFrmGrafenta::messageBox()
{
    QFETCH(MessageButtons, buttons);
    QFETCH(int, press);
    QFETCH(Answer, answer);
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = QStringLiteral("%1|%2|%3|%4").arg(box->windowTitle(), box->text()).arg(box->textFormat()).arg(
            box->standardButton(box->defaultButton()));
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    MessageBoxPrompt prompt;
    const QString text = QStringLiteral("Plik <b>A.PLN</b> nieistnieje ") + Cr + QStringLiteral("a");
    if (buttons == MessageButtons::Ok)
        prompt.ShowMessage(MessageIcon::Critical, text);
    else
        QCOMPARE(prompt.Ask(MessageIcon::Question, text, buttons), answer);
    QCOMPARE(seen, QStringLiteral("Grafenta|Plik <b>A.PLN</b> nieistnieje \na|%1|%2")
                       .arg(int(Qt::PlainText))
                       .arg(buttons == MessageButtons::Ok ? int(QMessageBox::Ok) : int(QMessageBox::Yes)));
}


void TestFrmGrafenta::printsAndExportsChosenMonths()
{
    Workstation w;
    w.Choose(QStringLiteral("Trzy zmiany")); // 06-01-2025 to 30-06-2026: 18 pages
    PlanOutput* output = w.Window->Output();
    // Pages 2 to 3 of the print dialog are February and March 2025.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(w.Dir.filePath(QStringLiteral("druk.pdf")));
    printer.setFromTo(2, 3);
    QVERIFY(output->PrintTo(printer));
    QFile pdf(printer.outputFileName());
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(pdf.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page\\b"))), 2);
    // The same months as a table: a heading and one row a day.
    const QString csv = w.Dir.filePath(QStringLiteral("plan.csv"));
    QVERIFY(output->ExportTo(csv, MonthSpan{QDate(2025, 2, 1), QDate(2025, 3, 1)}));
    QFile table(csv);
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = table.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 1 + 28 + 31);
    QVERIFY(rows.at(1).startsWith("2025-02-01;") && rows.last().startsWith("2025-03-31;"));
    // A folder that cannot take the file: a message, and nothing is left behind.
    QVERIFY(!output->ExportTo(w.Dir.filePath(QStringLiteral("brak/plan.pdf"))));
    QCOMPARE(w.Ui.Entries().size(), 1);
    QVERIFY(!QFileInfo::exists(w.Dir.filePath(QStringLiteral("brak"))));
}

QTEST_MAIN(TestFrmGrafenta)
#include "tst_FrmGrafenta.moc"

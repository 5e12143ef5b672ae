// The calendar's tools in the window, on the demo data: the "Wzór zmian"
// dialog (presets, brigades, preview, refusal of an incomplete schedule) and
// its painting as one undo step, a week repeated from the calendar's context
// menu, and the "Dni wolne" dialog holding the free-days lock, with the
// calendar and the weekly plan's controls following a save.
#include "GuiFixture.h"

#include "dialogs/CycleDialog.h"
#include "dialogs/FreeDayEntryDialog.h"
#include "dialogs/FreeDaysDialog.h"
#include "editor/CalendarTools.h"
#include "editor/ColourToggle.h"
#include "editor/CompliancePanel.h"
#include "editor/SchedulePanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QUndoStack>

#include <functional>

namespace {

// Runs steps on the modal window of type T as soon as it shows.
template <typename T> void WhenShown(const std::function<void(T*)>& steps)
{
    QTimer::singleShot(0, [steps] {
        auto* shown = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!shown) shown = qobject_cast<T*>(QApplication::activePopupWidget());
        QVERIFY2(shown, "the window did not show");
        steps(shown);
    });
}

// The slots of days first..last, one digit each.
QString Slots(const PlanDocument& doc, const QDate& first, const QDate& last)
{
    QString digits;
    for (int32_t day = DayOfDate(first); day <= DayOfDate(last); ++day)
        digits += QString::number(doc.Plan.Days.At(day));
    return digits;
}

void SetCycle(CycleDialog* dialog, const QString& text)
{
    dialog->CycleEdit()->selectAll();
    QTest::keyClicks(dialog->CycleEdit(), text);
}

} // namespace

class TestCalendarTools : public QObject
{
    Q_OBJECT

private slots:
    // Brigade 2 of three shifts from the plan's first day: every day of the
    // plan painted in one step, which undo takes back day by day.
    void cycleAsOneStep()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s);
        CalendarTools* tools = w.Window->findChild<CalendarTools*>();
        QVERIFY(tools->CycleAction()->isEnabled());
        const DayTable before = w.State.Doc.Plan.Days;
        const int steps = w.Window->Undo()->count();
        QString preview;
        WhenShown<CycleDialog>([&](CycleDialog* dialog) {
            QCOMPARE(dialog->StartEdit()->date(), QDate(2025, 1, 6));
            QCOMPARE(dialog->ToEdit()->date(), QDate(2026, 6, 30));
            dialog->Preset()->setCurrentIndex(0);
            dialog->Brigade()->setCurrentIndex(1);
            QCOMPARE(dialog->Offset()->value(), 2);
            QTableWidget* table = dialog->Preview();
            // Sunday 5 January is before the range; Monday 6 January starts
            // brigade 2 on afternoons, unless the holiday is kept free.
            const auto cell = [table](int column) { return table->item(0, column)->text().replace(u'\n', u' '); };
            preview = table->item(0, 0)->toolTip() + u" | "_s + cell(1) + u" | "_s + table->item(0, 5)->toolTip();
            dialog->KeepFreeDays()->setChecked(true);
            preview += u" | "_s + cell(1) + u" | "_s + cell(2);
            dialog->KeepFreeDays()->setChecked(false);
            dialog->OkButton()->click();
        });
        tools->CycleAction()->trigger();
        QCOMPARE(preview, u"2025-01-05: bez zmian | 6.01 1 | 2025-01-10: dzień wolny | 6.01 święto | 7.01 1"_s);
        QCOMPARE(Slots(w.State.Doc, QDate(2025, 1, 6), QDate(2025, 1, 21)), u"1122440011224400"_s);
        QCOMPARE(Slots(w.State.Doc, QDate(2026, 6, 25), QDate(2026, 6, 30)),
                 u"011224"_s); // 535 days on: place 537 mod 8 = 1
        QCOMPARE(w.Window->Undo()->count(), steps + 1);
        QVERIFY(w.State.Doc.PlanModified);
        QCOMPARE(w.CellOfDay(6)->Colour(), QColor(QRgb(w.State.Env.ColourTable[1])));
        const DayTable painted = w.State.Doc.Plan.Days;
        w.Window->Undo()->undo();
        QCOMPARE(w.State.Doc.Plan.Days, before);
        QVERIFY(!w.State.Doc.PlanModified);
        w.Window->Undo()->redo();
        QCOMPARE(w.State.Doc.Plan.Days, painted);
        QCOMPARE(TakePromptLines(w.Ui), QStringList());
    }

    void cycleDialogControls()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s);
        QString seen;
        WhenShown<CycleDialog>([&](CycleDialog* dialog) {
            const auto state = [dialog] {
                return u"%1/%2/%3/%4"_s
                    .arg(dialog->Preset()->currentText(), dialog->Brigade()->isEnabled() ? u"b"_s : u"-"_s,
                         dialog->OkButton()->isEnabled() ? u"ok"_s : dialog->Problem()->text())
                    .arg(dialog->Offset()->value());
            };
            SetCycle(dialog, u"0 1 4 4"_s); // a preset's cycle typed
            seen += state() + u" | "_s;
            dialog->Offset()->setValue(3);
            seen += dialog->Brigade()->currentText() + u" | "_s;
            SetCycle(dialog, u"0 1 2"_s); // one of one's own: no brigades
            seen += state() + u" | "_s;
            SetCycle(dialog, u"0 9"_s);
            seen += state() + u" | "_s;
            dialog->FromEdit()->setDate(QDate(2026, 1, 1));
            dialog->ToEdit()->setDate(QDate(2025, 12, 31));
            SetCycle(dialog, u"0"_s);
            seen += state();
            dialog->reject();
        });
        w.Window->findChild<CalendarTools*>()->PaintCycle();
        QCOMPARE(seen,
                 u"Dzień – noc – wolne – wolne (12 h)/b/ok/0 | Brygada 4 (przesunięcie 3) | Własny/-/ok/0 | "
                 "Własny/-/Wzór zmian może zawierać tylko numery harmonogramów od 0 do 6 (niedozwolony znak: „9”)./0 | "
                 "Własny/-/Początek zakresu leży po jego końcu./0"_s);
        QCOMPARE(w.Window->Undo()->count(), 0);
    }

    // A slot without times is refused before anything changes; the dialog stays open.
    void incompleteSlotRefused()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s);
        const DayTable before = w.State.Doc.Plan.Days;
        bool stayedOpen = false;
        WhenShown<CycleDialog>([&](CycleDialog* dialog) {
            SetCycle(dialog, u"0 5"_s);
            dialog->OkButton()->click();
            stayedOpen = dialog->isVisible();
            dialog->reject();
        });
        w.Window->findChild<CalendarTools*>()->CycleAction()->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(
            TakePromptLines(w.Ui),
            QStringList{u"say Exclamation Przypisanie wybranego harmonogrmu na dzień jest niemożliwe. Harmonogram "
                        "jest niepełny, sprawdź czy został zdefiniowany czas wejścia, wyjścia i opcjonalnie godzina "
                        "występowania przerwy."_s});
        QCOMPARE(w.State.Doc.Plan.Days, before);
        QCOMPARE(w.Window->Undo()->count(), 0);
        QVERIFY(!w.State.Doc.PlanModified);
    }

    // The week of a cell, from the calendar's context menu, to the end of the plan.
    void weekFromContextMenu()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s);
        // The second week of January 2025 (12 to 18) as the night shift all week.
        w.Window->Panel()->tglKolor_Click(2);
        Paint({w.CellOfDay(12), w.CellOfDay(13), w.CellOfDay(14), w.CellOfDay(15), w.CellOfDay(16), w.CellOfDay(17),
               w.CellOfDay(18)});
        const int steps = w.Window->Undo()->count();
        const DayTable before = w.State.Doc.Plan.Days;
        QString item;
        WhenShown<QMenu>([&](QMenu* menu) {
            auto* week = menu->findChild<QAction*>(u"repeatThisWeekAction"_s);
            item = week->text();
            menu->close();
            week->trigger();
        });
        DayCell* cell = w.CellOfDay(15);
        QContextMenuEvent event(QContextMenuEvent::Mouse, cell->rect().center(),
                                cell->mapToGlobal(cell->rect().center()));
        QApplication::sendEvent(cell, &event);
        QCOMPARE(item, u"Powtórz tydzień 12.01–18.01 do końca planu"_s);
        QCOMPARE(Slots(w.State.Doc, QDate(2025, 1, 12), QDate(2025, 2, 1)), u"222222222222222222222"_s);
        QCOMPARE(Slots(w.State.Doc, QDate(2026, 6, 28), QDate(2026, 6, 30)), u"222"_s);
        QCOMPARE(w.State.Doc.Plan.Days.At(DayNumber(2025, 1, 11)), before.At(DayNumber(2025, 1, 11)));
        QCOMPARE(w.Window->Undo()->count(), steps + 1);
        w.Window->Undo()->undo();
        QCOMPARE(w.State.Doc.Plan.Days, before);
    }

    // A day added in the dialog is free in the calendar, the check and the file at once.
    void freeDayAddedAndShown()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s);
        const QString file = QDir(w.State.Env.PlansDir()).filePath(u"WOLNE.DAT"_s);
        const qint64 size = QFileInfo(file).size();
        QVERIFY(!w.CellOfDay(7)->IsStruckThrough());
        bool lockHeld = false;
        WhenShown<FreeDaysDialog>([&](FreeDaysDialog* dialog) {
            lockHeld = FolderEntries(QDir(w.State.Env.DataDir()).filePath(u"BLOKADY"_s))
                           .contains(u"EDITFREE"_s, Qt::CaseInsensitive);
            WhenShown<FreeDayEntryDialog>([](FreeDayEntryDialog* entry) {
                entry->DateEdit()->setDate(QDate(2025, 1, 7));
                QTest::keyClicks(entry->DescriptionEdit(), u"Inwentaryzacja"_s);
                entry->OkButton()->click();
            });
            dialog->Button("addButton")->click();
            QCOMPARE(dialog->Status()->text(), u"Dodano dzień wolny 07-01-2025."_s);
            dialog->Button("saveButton")->click();
        });
        w.Window->findChild<CalendarTools*>()->FreeDaysAction()->trigger();
        QVERIFY(lockHeld);
        QCOMPARE(QFileInfo(file).size(), size + FreeDayRecordSize);
        QVERIFY(w.CellOfDay(7)->IsStruckThrough());
        QCOMPARE(w.CellOfDay(7)->toolTip(), u"Inwentaryzacja"_s);
        QVERIFY(!FolderEntries(QDir(w.State.Env.DataDir()).filePath(u"BLOKADY"_s))
                     .contains(u"EDITFREE"_s, Qt::CaseInsensitive));
        QCOMPARE(TakePromptLines(w.Ui), QStringList());
    }

    // Closing with changes asks; No leaves the file as it was.
    void unsavedChangesAsked()
    {
        Workstation w;
        const QString file = QDir(w.State.Env.PlansDir()).filePath(u"WOLNE.DAT"_s);
        const QByteArray before = ReadFile(file);
        w.Ui.ScriptAnswers({Answer::No});
        QString status;
        WhenShown<FreeDaysDialog>([&](FreeDaysDialog* dialog) {
            dialog->AddHolidaysOf(2051);
            status = dialog->Status()->text();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        w.Window->findChild<CalendarTools*>()->EditFreeDays();
        QCOMPARE(status, u"Dodano święta ustawowe roku 2051: 5."_s);
        QCOMPARE(TakePromptLines(w.Ui),
                 QStringList{u"ask Question YesNoCancel Zapisać zmiany w liście dni wolnych?"_s});
        QCOMPARE(ReadFile(file), before);
    }

    // Without free days a weekly plan cannot take them into account; once a list is saved, it can.
    void weeklyPlanFollows()
    {
        Workstation w;
        QVERIFY(QFile::remove(QDir(w.State.Env.PlansDir()).filePath(u"WOLNE.DAT"_s)));
        w.State.FreeDays.Days.Clear();
        w.State.FreeDays.FreeDaysLoaded = false;
        w.Choose(u"Tydzień pracy"_s);
        QCheckBox* include = w.Window->Panel()->IncludeFreeDays();
        QVERIFY(!include->isEnabled());
        QVERIFY(!w.Window->findChild<CalendarTools*>()->CycleAction()->isEnabled());
        WhenShown<FreeDaysDialog>([](FreeDaysDialog* dialog) {
            dialog->AddHolidaysOf(2025);
            dialog->accept();
        });
        w.Window->findChild<CalendarTools*>()->EditFreeDays();
        QVERIFY(include->isEnabled());
        QVERIFY(w.State.FreeDays.FreeDaysLoaded);
        QCOMPARE(w.State.FreeDays.Days.Count(), 14);
    }
    // The toggles that choose what painting puts on a day: the slot's colour
    // inside a frame that is heavy and dark only on the pressed one, and
    // text greyed when the toggles are locked.
    void colourToggleShowsItsState_data()
    {
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("released") << false << true;
        QTest::newRow("pressed") << true << true;
        QTest::newRow("pressed, locked") << true << false;
        QTest::newRow("released, locked") << false << false;
    }

    void colourToggleShowsItsState()
    {
        QFETCH(bool, pressed);
        QFETCH(bool, enabled);
        const QColor colour(255, 20, 230);
        ColourToggle toggle(u"3"_s);
        toggle.resize(41, 19);
        toggle.SetColour(colour);
        toggle.setChecked(pressed);
        toggle.setEnabled(enabled);
        const QImage image = toggle.grab().toImage();
        const int middle = image.height() / 2;
        QCOMPARE(image.pixelColor(0, middle), pressed ? QColor(0x1a, 0x1a, 0x1a) : QColor(0x8a, 0x8a, 0x8a));
        QCOMPARE(image.pixelColor(2, middle), pressed ? QColor(0x1a, 0x1a, 0x1a) : colour);
        QCOMPARE(image.pixelColor(4, middle), colour);
        // The darkest pixel of the text in the middle.
        int darkest = 255;
        for (int x = 14; x < 27; ++x)
            for (int y = 4; y < 15; ++y)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        QVERIFY2(enabled ? darkest < 0x40 : darkest >= 0x70 && darkest < 0xa0, qPrintable(QString::number(darkest)));
    }
};

QTEST_MAIN(TestCalendarTools)
#include "tst_CalendarTools.moc"

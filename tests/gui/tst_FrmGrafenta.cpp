// The main window as a planner meets it, beyond the road of one plan: the
// empty window, the month calendar, painting refused, a time field edited and
// then saved or the program left, plans switched, damaged, locked and
// deleted, the weekly arrangement, the message box, and printing and
// exporting chosen months.
#include "GuiFixture.h"
#include "HolderProcess.h"

#include "editor/EmployeeList.h"
#include "editor/MessageBoxPrompt.h"
#include "editor/PlanCommands.h"
#include "editor/PlanOutput.h"
#include "editor/Printing.h"
#include "editor/SchedulePanel.h"
#include "editor/WindowStyle.h"
#include "export/PdfExport.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleOption>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <thread>

#include <unistd.h>

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
    for (int i = 0; i < MonthCalendar::CellCount; ++i)
        if (calendar->Cell(i)->isEnabled()) days << calendar->Cell(i)->text();
    return days.isEmpty() ? QString() : days.first() + u".."_s + days.last();
}

const QString SaveQuestion =
    u"Edytowany plan pracy lub dokonane zmiany nie zostały zapisane do pliku. Czy dokonać zapisu planu pracy?"_s;
const QString Saved = u"Plan pracy został poprawnie zapisany do pliku."_s;

// A text field's frame drawn by style at rect on a white picture of the given
// size and resolution, through a painter moved by offset.
QImage FieldFrame(const QStyle& style, const QStyleOptionFrame& option, QSize size, qreal scale, QPointF offset)
{
    QImage picture(size * scale, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.translate(offset);
    style.drawPrimitive(QStyle::PE_FrameLineEdit, &option, &painter);
    return picture;
}

// The largest difference of one colour channel between two pictures of a size.
int LargestDifference(const QImage& one, const QImage& other)
{
    int largest = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y);
            const QRgb b = other.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
    return largest;
}

} // namespace

class TestFrmGrafenta : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UseWindowStyle(); }

    // The few pictures the style keeps as image files are drawn instead:
    // reading one would load every image reader Qt has while the window is
    // built. (First of the tests, before any message box shows its icon.)
    void windowBuiltWithoutImageReaders()
    {
        QFile maps(u"/proc/self/maps"_s);
        if (!maps.open(QIODevice::ReadOnly)) QSKIP("no list of the loaded libraries here");
        Workstation w;
        QApplication::processEvents();
        QVERIFY(!w.Window->findChildren<QDockWidget*>().isEmpty());
        QVERIFY(!maps.readAll().contains("/imageformats/"));
    }

    // A text field's frame comes from a picture kept for its size and state;
    // it must look as the style draws it, whatever field was drawn before
    // (the rows run in turn, each sharing its size with one before it).
    void fieldFrameKeptPerState_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("highlight");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QPointF>("offset");
        const QColor window = QApplication::palette().color(QPalette::Window);
        const QColor highlight = QApplication::palette().color(QPalette::Highlight);
        QTest::newRow("plain") << QSize(60, 20) << false << true << window << highlight << 1.0 << QPointF();
        QTest::newRow("again") << QSize(60, 20) << false << true << window << highlight << 1.0 << QPointF(7, 3);
        QTest::newRow("focused") << QSize(60, 20) << true << true << window << highlight << 1.0 << QPointF();
        QTest::newRow("focused, other highlight")
            << QSize(60, 20) << true << true << window << QColor(200, 40, 40) << 1.0 << QPointF();
        QTest::newRow("locked") << QSize(60, 20) << false << false << window << highlight << 1.0 << QPointF();
        QTest::newRow("other window") << QSize(60, 20) << false << true << QColor(90, 140, 90) << highlight << 1.0
                                      << QPointF();
        QTest::newRow("wider") << QSize(90, 20) << false << true << window << highlight << 1.0 << QPointF();
        QTest::newRow("taller") << QSize(60, 28) << false << true << window << highlight << 1.0 << QPointF();
        QTest::newRow("twice as sharp") << QSize(60, 20) << false << true << window << highlight << 2.0 << QPointF();
        QTest::newRow("moved by half a pixel")
            << QSize(60, 20) << true << true << window << highlight << 1.0 << QPointF(0.5, 0.5);
    }

    void fieldFrameKeptPerState()
    {
        QFETCH(QSize, size);
        QFETCH(bool, focused);
        QFETCH(bool, enabled);
        QFETCH(QColor, window);
        QFETCH(QColor, highlight);
        QFETCH(qreal, scale);
        QFETCH(QPointF, offset);
        const auto* style = qobject_cast<const WindowStyle*>(QApplication::style());
        QVERIFY(style);
        if (style->baseStyle()->name().compare(u"fusion"_s, Qt::CaseInsensitive) != 0)
            QSKIP("frames are kept only where the platform's style draws them from their state alone");
        QStyleOptionFrame option;
        option.rect = QRect(QPoint(4, 3), size);
        option.lineWidth = 1;
        option.state = QStyle::State_Sunken;
        option.state.setFlag(QStyle::State_Enabled, enabled);
        option.state.setFlag(QStyle::State_HasFocus, focused);
        option.palette = QApplication::palette();
        option.palette.setColor(QPalette::Window, window);
        option.palette.setColor(QPalette::Highlight, highlight);
        const QSize picture = size + QSize(12, 10);
        const QImage drawn = FieldFrame(*style->baseStyle(), option, picture, scale, offset);
        // (Moved by part of a pixel, the frame looks otherwise: a picture
        // cannot stand in for it, and the style draws it itself.)
        if (offset.x() != std::round(offset.x()))
            QVERIFY(LargestDifference(FieldFrame(*style->baseStyle(), option, picture, scale, QPointF()), drawn) > 2);
        // The first drawing keeps the picture, the second one uses it.
        for (int turn = 0; turn < 2; ++turn)
            QCOMPARE_LE(LargestDifference(FieldFrame(*style, option, picture, scale, offset), drawn), 2);
    }

    // Where no kept picture may stand in, the style draws the frame itself:
    // in a document, which keeps the outline as drawn, and on a thread other
    // than the window's, which may not touch pictures.
    void fieldFrameDrawnItselfElsewhere()
    {
        const auto* style = qobject_cast<const WindowStyle*>(QApplication::style());
        QVERIFY(style);
        QStyleOptionFrame option;
        option.rect = QRect(0, 0, 60, 20);
        option.lineWidth = 1;
        option.state = QStyle::State_Enabled | QStyle::State_Sunken;
        option.palette = QApplication::palette();
        const auto recorded = [&option](const QStyle& drawing) {
            QPicture document;
            QPainter painter(&document);
            drawing.drawPrimitive(QStyle::PE_FrameLineEdit, &option, &painter);
            painter.end();
            return QByteArray(document.data(), document.size());
        };
        QCOMPARE(recorded(*style), recorded(*style->baseStyle()));

        QTest::failOnWarning(QRegularExpression(u"(?i)pixmap"_s));
        const QImage drawn = FieldFrame(*style->baseStyle(), option, QSize(70, 30), 1.0, QPointF());
        QImage elsewhere;
        std::thread([&] { elsewhere = FieldFrame(*style, option, QSize(70, 30), 1.0, QPointF()); }).join();
        QCOMPARE(LargestDifference(elsewhere, drawn), 0);
    }

    void startsIntoTheEmptyWindow()
    {
        Workstation w;
        QCOMPARE(w.Window->PlanBox()->currentText(), u"<BRAK>"_s);
        QCOMPARE(w.Calendar()->Title()->text(), u"-------------------"_s);
        QCOMPARE(w.Find<QLabel>(u"lblOd1"_s)->text(), u"---------"_s);
        QCOMPARE(EnabledDays(w.Calendar()), QString());
        QVERIFY(!w.Window->Button("cmdZapisz")->isEnabled() && !w.Window->Button("cmdUsun")->isEnabled());
        QVERIFY(!w.Find<QWidget>(u"txtOd_0"_s)->isEnabled());
        QVERIFY(!w.Window->Employees()->Message()->isVisible());
        // Every control the Tab key reaches has the description's name and a
        // name a screen reader reads; left out are the day cells, named by
        // their day, and Qt's own parts of a control.
        QList<QWidget*> controls = w.Window->centralWidget()->findChildren<QWidget*>();
        controls += w.Window->ComplianceDock()->widget()->findChildren<QWidget*>();
        for (QWidget* control : std::as_const(controls)) {
            if (!(control->focusPolicy() & Qt::TabFocus) || qobject_cast<DayCell*>(control) ||
                control->objectName().startsWith(u"qt_"_s))
                continue;
            QVERIFY2(!control->objectName().isEmpty(), control->metaObject()->className());
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    // The employees read while the window is built are taken when the
    // reading had nothing to say; else start-up reads them again, and each
    // message comes once, in its place.
    void employeesReadAhead_data()
    {
        QTest::addColumn<QByteArray>("record"); // put in PERSONEL as ZEPSUTY.998, unless empty
        QTest::addColumn<bool>("otherCopy");
        QTest::addColumn<QString>("messages"); // "@invalid": the damaged record's message
        QTest::newRow("read cleanly") << QByteArray() << false << QString();
        QTest::newRow("a damaged record") << QByteArray("X") << false << u"@invalid"_s;
        QTest::newRow("another copy running") << QByteArray() << true << u"Program Grafenta jest już uruchomiony."_s;
    }
    void employeesReadAhead()
    {
        QFETCH(QByteArray, record);
        QFETCH(bool, otherCopy);
        QFETCH(QString, messages);
        InstanceLock other;
        const auto prepare = [&](const QString& plansDir) {
            if (!record.isEmpty()) QVERIFY(WriteFile(plansDir + u"/../PERSONEL/ZEPSUTY.998"_s, record));
            if (otherCopy) QVERIFY(other.Acquire(QDir::cleanPath(plansDir + u"/../.."_s)));
        };
        Workstation ahead(QCoreApplication::applicationDirPath(), prepare, true);
        QCOMPARE(ahead.Started, !otherCopy);
        if (messages == "@invalid"_L1)
            messages = InvalidFileMessage(ahead.State.Env, u"ZEPSUTY.998"_s).replace(Cr, QLatin1Char('/'));
        QCOMPARE(Texts(ahead.Ui), messages);
        if (otherCopy) return;
        // The same list as start-up reading at its own step.
        Workstation atStep(QCoreApplication::applicationDirPath(), prepare);
        const QAbstractItemModel* shown = ahead.Window->Employees()->View()->model();
        const QAbstractItemModel* expected = atStep.Window->Employees()->View()->model();
        QVERIFY(shown->rowCount() > 0);
        QCOMPARE(shown->rowCount(), expected->rowCount());
        for (int row = 0; row < shown->rowCount(); ++row)
            for (int column = 0; column < shown->columnCount(); ++column)
                QCOMPARE(shown->index(row, column).data(), expected->index(row, column).data());
        QVERIFY(!ahead.Window->Employees()->Message()->isVisible());
    }

    // Biuro opens at its first month with New Year's Day marked; moved to run
    // from the 15th of a month to the 10th of the next, it has partial months,
    // arrows disabled at the ends and page keys on the cells.
    void opensAPlanAndMovesThroughMonths()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        QCOMPARE(w.Find<QLabel>(u"lblOd1"_s)->text() + u' ' + w.Find<QLabel>(u"lbldo1"_s)->text(),
                 u"01-01-2024 31-12-2026"_s);
        QCOMPARE(EnabledDays(w.Calendar()), u"1..31"_s);
        QCOMPARE(w.Window->Field(FieldIds::Of(0, EntryColumn))->text(), u"08:00"_s);
        // New Year's Day: struck through in 16 pt, the holiday's name as tooltip and in words.
        DayCell* newYear = w.CellOfDay(1);
        QVERIFY(newYear->IsStruckThrough() && newYear->PointSize() == 16);
        QCOMPARE(newYear->toolTip(), u"Nowy Rok"_s);
        QCOMPARE(newYear->accessibleDescription(), u"2024-01-01, harmonogram 0, święto: Nowy Rok"_s);
        QCOMPARE(w.CellOfDay(7)->accessibleDescription(), u"2024-01-07, dzień wolny"_s);
        QPushButton* back = w.Calendar()->MonthButton(0);
        QPushButton* next = w.Calendar()->MonthButton(1);
        QVERIFY(!back->isEnabled() && next->isEnabled());
        ZmienZakresDni(w.State.Doc, DayNumber(2025, 2, 15), DayNumber(2025, 3, 10));
        w.Window->ShowPlanRange();
        QCOMPARE(w.Calendar()->Title()->text(), u"LUTY 2025"_s);
        QCOMPARE(EnabledDays(w.Calendar()), u"15..28"_s);
        QVERIFY(!back->isEnabled() && next->isEnabled());
        QTest::keyClick(w.CellOfDay(20), Qt::Key_PageDown);
        QCOMPARE(w.Calendar()->Title()->text(), u"MARZEC 2025"_s);
        QCOMPARE(EnabledDays(w.Calendar()), u"1..10"_s);
        QVERIFY(back->isEnabled() && !next->isEnabled());
        back->click();
        QCOMPARE(w.Calendar()->Title()->text(), u"LUTY 2025"_s);
        // Arrow keys move among the enabled cells.
        w.CellOfDay(17)->setFocus();
        QTest::keyClick(w.CellOfDay(17), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.CellOfDay(24)));
    }

    void paintingRefused_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("message");
        QTest::newRow("a schedule without times")
            << 2
            << u"Przypisanie wybranego harmonogrmu na dzień jest niemożliwe. Harmonogram jest niepełny, sprawdź "
               "czy został zdefiniowany czas wejścia, wyjścia i opcjonalnie godzina występowania przerwy."_s;
        QTest::newRow("an entry window before 2000")
            << 0 << u"Poczatek okresu wejść wypda przed 01-01-2000./Zapis planu pracy niemżliwy."_s;
        QTest::newRow("the free day needs no times") << 4 << QString();
    }

    // A plan from 1 January 2000 whose earlier entry reaches into 1999: its
    // first day, free, clicked; a refusal changes nothing.
    void paintingRefused()
    {
        QFETCH(int, slot);
        Workstation w;
        w.Choose(u"Biuro"_s);
        PlanDocument& doc = w.State.Doc;
        ZmienZakresDni(doc, 0, 30);
        w.Window->ShowPlanRange();
        doc.Fields.Slots[0][EntryColumn] = {u"00:10"_s, 10}; // 15 minutes earlier entry reach into 1999
        const DayTable before = doc.Plan.Days;
        w.Window->Panel()->tglKolor_Click(slot);
        Paint({w.CellOfDay(1)});
        QTEST(Texts(w.Ui), "message");
        QVERIFY(doc.Plan.Days == before);
        QCOMPARE(doc.PlanModified, Texts(w.Ui).isEmpty());
    }

    void editedThenSavedOrLeft_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("kept");     // the field's time in the plan
        QTest::addColumn<QString>("messages"); // on leaving the field, then after the button
        QTest::addColumn<bool>("focused");     // the field has the focus again
        QTest::addColumn<bool>("closed");
        const QString leave = u"Czy zakończyć program?"_s;
        const QString asked = leave + u'|' + SaveQuestion;
        const QList<Answer> yes{Answer::Yes, Answer::Yes};
        // Saved: a refused text stays shown, the plan keeps its time and the field the focus.
        QTest::newRow("refused") << u"Biuro"_s << u"txtPrzeOd_1"_s << u"24:00"_s << u"cmdZapisz"_s << yes << u"24:00"_s
                                 << u"11:00"_s
                                 << u"Niepoprawnie wprowadzona godzina. Zakres godzin od 00 do 23.|"_s + Saved << true
                                 << false;
        QTest::newRow("letters never reach work fields")
            << u"Biuro"_s << u"txtOd_1"_s << u"a0b6:c3d0"_s << u"cmdZapisz"_s << yes << u"06:30"_s << u"06:30"_s
            << Saved << false << false;
        QTest::newRow("zero earlier entry is a minute")
            << u"Biuro"_s << u"txtPozostale_0"_s << u"0:0"_s << u"cmdZapisz"_s << yes << u"00:01"_s << u"00:01"_s
            << Saved << false << false;
        // No error while typing; the save finds the break's one end and goes back to it.
        QTest::newRow("cleared") << u"Biuro"_s << u"txtPrzeOd_0"_s << u""_s << u"cmdZapisz"_s << yes << u""_s << u""_s
                                 << u"Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym."_s << true
                                 << false;
        // Left: staying keeps the plan's lock; 20:00 makes the schedule plan's save fail.
        QTest::newRow("No stays") << u"Biuro"_s << u"txtPozostale_0"_s << u"00:20"_s << u"cmdWyjdz"_s
                                  << QList<Answer>{Answer::No} << u"00:20"_s << u"00:20"_s << leave << false << false;
        QTest::newRow("unsaved, Cancel stays")
            << u"Biuro"_s << u"txtPozostale_0"_s << u"00:20"_s << u"cmdWyjdz"_s
            << QList<Answer>{Answer::Yes, Answer::Cancel} << u"00:20"_s << u"00:20"_s << asked << false << false;
        QTest::newRow("unsaved, the save fails")
            << u"Trzy zmiany"_s << u"txtPozostale_0"_s << u"20:00"_s << u"cmdWyjdz"_s << yes << u"20:00"_s << u"20:00"_s
            << asked + u"|Nieudana próba zapisu pliku planu pracy."_s << false << false;
        QTest::newRow("unsaved, saved and left") << u"Biuro"_s << u"txtPozostale_0"_s << u"00:20"_s << u"cmdWyjdz"_s
                                                 << yes << u"00:20"_s << u"00:20"_s << asked << false << true;
        QTest::newRow("weekly, left whatever the save")
            << u"Tydzień pracy"_s << u"txtNorma"_s << u"00:20"_s << u"cmdWyjdz"_s << yes << u"00:20"_s << u"00:20"_s
            << asked + u'|' + Saved << false << true;
    }

    // Typed into a field and left with Tab, then the plan saved or the program left.
    void editedThenSavedOrLeft()
    {
        QFETCH(QString, plan);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QList<Answer>, answers);
        Workstation w;
        w.Choose(plan);
        auto* edit = w.Find<TimeFieldEdit>(field);
        Type(edit, typed);
        QTEST(edit->text(), "shown");
        QTEST(FieldById(w.State.Doc.Fields, edit->Id()).Text, "kept");
        w.Ui.ScriptAnswers(answers);
        w.Find<QPushButton>(button)->click();
        QTEST(Texts(w.Ui), "messages");
        QTEST(QApplication::focusWidget() == edit, "focused");
        // Leaving hides the window and releases both locks.
        QTEST(!w.Window->isVisible(), "closed");
        QTEST(w.State.Doc.PlanLockHandle == -1, "closed");
        QCOMPARE(w.State.FreeDays.FreeDaysLockHandle, -1);
    }

    void overlapBlinks()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s);
        Type(w.Window->Field(FieldIds::Allowance(0)), u"20:00"_s);
        w.Window->Button("cmdZapisz")->click();
        QCOMPARE(Texts(w.Ui), u"Zapis planu niemożliwy./Obszar przebywania prywatnego zaczynający się w dniu "
                              "06-01-2025 o godzinie 18:00 nakłada się na poprzednie obszary."_s);
        MonthCalendar* calendar = w.Calendar();
        QVERIFY(calendar->IsBlinking());
        QCOMPARE(calendar->Title()->text(), u"STYCZEŃ 2025"_s);
        // Painting the day in another schedule's colour stops the blink; the colour stays.
        w.Window->Panel()->tglKolor_Click(0);
        Paint({w.CellOfDay(6)});
        QVERIFY(!calendar->IsBlinking());
        QCOMPARE(w.CellOfDay(6)->Colour(), QColor(QRgb(w.State.Env.ColourTable[0])));
    }

    void switchingWithUnsavedChanges_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("open"); // the plan open afterwards
        QTest::addColumn<bool>("saved");
        QTest::newRow("Yes") << Answer::Yes << u"Weekendy"_s << true;
        QTest::newRow("No") << Answer::No << u"Weekendy"_s << false;
        QTest::newRow("Cancel") << Answer::Cancel << u"Biuro"_s << false;
    }

    void switchingWithUnsavedChanges()
    {
        QFETCH(Answer, answer);
        Workstation w;
        w.Choose(u"Biuro"_s);
        const QByteArray before = ReadFile(w.PlanPath(u"Biuro"_s));
        const int32_t lock = w.State.Doc.PlanLockHandle;
        w.Window->Panel()->tglKolor_Click(1);
        Paint({w.CellOfDay(3)});
        w.Ui.ScriptAnswers({answer});
        w.Choose(u"Weekendy"_s);
        QCOMPARE(PromptLine(w.Ui.Entries().first()), u"ask Exclamation YesNoCancel "_s + SaveQuestion);
        QTEST(w.State.Doc.CurrentPlanName, "open");
        QTEST(ReadFile(w.PlanPath(u"Biuro"_s)) != before, "saved");
        QTEST(w.Window->PlanBox()->currentText(), "open");
        QCOMPARE(w.State.Doc.PlanLockHandle == lock, answer == Answer::Cancel);
    }

    // A plan deleted goes from the folder and the plan box, with its lock.
    void deletedPlan()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        w.Window->Button("cmdUsun")->click();
        QCOMPARE(Texts(w.Ui), u"Czy napewno usunąć plik planu pracy?"_s);
        QVERIFY(!QFile::exists(w.PlanPath(u"Biuro"_s)));
        QCOMPARE(w.Window->PlanBox()->currentText(), u"<BRAK>"_s);
        QCOMPARE(w.Window->PlanBox()->findText(u"Biuro"_s), -1);
        QVERIFY(!w.Window->Button("cmdZapisz")->isEnabled() && !w.Window->Button("cmdUsun")->isEnabled());
        QCOMPARE(w.State.Doc.PlanLockHandle, -1);
        QCOMPARE(w.State.Doc.CurrentPlanName, u"<BRAK>"_s);
        QCOMPARE(w.Window->statusBar()->currentMessage(), u"Usunięto plan pracy „Biuro”."_s);
    }

    void failedOpenShowsNoPlan_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<QString>("box");    // what the plan box shows afterwards
        QTest::addColumn<bool>("deletable"); // "&Usuń" enabled
        QTest::newRow("damaged: still held, to be deleted")
            << u"USZKODZONY"_s << u"Plik planu pracy jest uszkodzony./Odczyt niemożliwy."_s << u"USZKODZONY"_s << true;
        QTest::newRow("held by another station")
            << u"Weekendy"_s
            << u"Plan pracy: Weekendy jest zablokowana przez: Anna z PC2./Edycja planu pracy niemożliwa."_s
            << u"<BRAK>"_s << false;
        QTest::newRow("gone from the folder")
            << u"Sześć dni"_s << u"Plik Sześć dni nieistnieje /|Nie udana próba odczytu typu planu pracy"_s
            << u"<BRAK>"_s << false;
    }

    // After Biuro, a plan that cannot be opened: the window shows no plan and
    // none of Biuro's times; the plan box names the plan only while its file
    // is held, and choosing the plan again tries again.
    void failedOpenShowsNoPlan()
    {
        QFETCH(QString, plan);
        Workstation w;
        HolderProcess other({u"lock"_s, w.State.Env.DataDir(), u"PlnEdit"_s, u"Weekendy.PLN"_s, u"Anna z PC2"_s});
        QVERIFY(other.Take());
        QVERIFY(QFile::remove(w.PlanPath(u"Sześć dni"_s)));
        w.Choose(u"Biuro"_s);
        w.Choose(plan);
        QTEST(Texts(w.Ui), "messages");
        QTEST(w.Window->PlanBox()->currentText(), "box");
        QTEST(w.Window->Button("cmdUsun")->isEnabled(), "deletable");
        for (const char* name : {"txtOd_0", "txtdo_0", "txtPozostale_0"})
            QCOMPARE(w.Find<QLineEdit>(QString::fromLatin1(name))->text(), QString());
        QVERIFY(!w.Window->Button("cmdZapisz")->isEnabled() && !w.Window->Button("cmdPrzydziel")->isEnabled());
        QCOMPARE(w.Calendar()->Title()->text(), QString());
        w.Ui.Clear();
        w.Choose(u"<BRAK>"_s);
        w.Choose(plan);
        QTEST(Texts(w.Ui), "messages");
    }

    void weeklyArrangementAndBack()
    {
        Workstation w;
        QWidget* list = w.Window->Employees()->View();
        const int scheduleHeight = list->height();
        w.Choose(u"Tydzień pracy"_s);
        QCOMPARE(Texts(w.Ui), QString());
        QVERIFY(list->height() > scheduleHeight);
        QVERIFY(!w.Calendar()->Title()->isVisible() && !w.Window->Button("cmdZakres")->isVisible());
        QVERIFY(!w.Find<QWidget>(u"tglKolor_0"_s)->isVisible() && w.Find<QWidget>(u"txtNorma"_s)->isVisible());
        QVERIFY(w.Find<QCheckBox>(u"chkDniWolne"_s)->isChecked());
        QCOMPARE(w.Window->Field(FieldIds::Norm)->text(), u"08:00"_s);
        QCOMPARE(w.Calendar()->Cell(0)->Tag() + w.Calendar()->Cell(1)->Tag(), u"12"_s); // Monday works
        // A click marks its whole weekday column with the pressed toggle's kind.
        w.Window->Panel()->tglKolorNONE_Click(1);
        Paint({w.Calendar()->Cell(35)});
        QCOMPARE(w.State.Doc.Plan.WeekdayKinds[0], WorkingWeekday);
        for (int cell : {0, 7, 35})
            QCOMPARE(w.Calendar()->Cell(cell)->Tag(), u"2"_s);
        QVERIFY(w.State.Doc.PlanModified);
        w.Ui.ScriptAnswers({Answer::No});
        w.Choose(u"Biuro"_s);
        QCOMPARE(list->height(), scheduleHeight);
        QVERIFY(w.Calendar()->Title()->isVisible() && w.Find<QWidget>(u"tglKolor_0"_s)->isVisible());
        QVERIFY(!w.Find<QWidget>(u"txtNorma"_s)->isVisible());
    }

    void messageBox_data()
    {
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<int>("key"); // Return presses the default button, the first
        QTest::addColumn<Answer>("answer");
        QTest::newRow("Yes") << MessageButtons::YesNo << int(Qt::Key_Return) << Answer::Yes;
        QTest::newRow("Escape on Yes/No is No") << MessageButtons::YesNo << int(Qt::Key_Escape) << Answer::No;
        QTest::newRow("Escape on three is Cancel")
            << MessageButtons::YesNoCancel << int(Qt::Key_Escape) << Answer::Cancel;
    }

    // The box carries the program's title; its text is plain, with a line break for every Cr.
    void messageBox()
    {
        QFETCH(MessageButtons, buttons);
        QFETCH(int, key);
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = u"%1|%2|%3"_s.arg(box->windowTitle(), box->text()).arg(box->textFormat());
            QTest::keyClick(box, Qt::Key(key));
        });
        MessageBoxPrompt prompt;
        QTEST(prompt.Ask(MessageIcon::Question, u"Plik <b>A.PLN</b> nieistnieje "_s + Cr + u'a', buttons), "answer");
        QCOMPARE(seen, u"Grafenta|Plik <b>A.PLN</b> nieistnieje \na|%1"_s.arg(int(Qt::PlainText)));
    }

    // The print dialog comes from the printing module, loaded from beside
    // the program, with the request's title, page range and page layout.
    void printDialogFromTheModule_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("cancelled") << false;
        QTest::newRow("accepted") << true;
    }

    void printDialogFromTheModule()
    {
        QFETCH(bool, accepted);
        Workstation w;
        PrintRequest request;
        request.Title = u"Drukuj plan pracy"_s;
        request.Layout = PlanPageLayout();
        request.FirstPage = 1;
        request.LastPage = 3;
        QString title;
        int lastPage = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            title = dialog->windowTitle();
            lastPage = dialog->maxPage();
            accepted ? dialog->accept() : dialog->reject();
        });
        QString error = u"?"_s;
        const std::unique_ptr<ChosenPrinter> printer = ChoosePrinter(w.Window.get(), request, &error);
        QCOMPARE(error, QString());
        QCOMPARE(title, request.Title);
        QCOMPARE(lastPage, 3);
        QCOMPARE(bool(printer), accepted);
        if (printer) QCOMPARE(printer->Device().pageLayout().orientation(), request.Layout.orientation());
    }

    void printsAndExportsChosenMonths()
    {
        Workstation w;
        w.Choose(u"Trzy zmiany"_s); // 06-01-2025 to 30-06-2026: 18 pages
        PlanOutput* output = w.Window->Output();
        // Pages 2 to 3 of the print dialog are February and March 2025.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(w.Dir.filePath(u"druk.pdf"_s));
        QVERIFY(output->PrintTo(printer, 2, 3));
        const QString pdf = QString::fromLatin1(ReadFile(printer.outputFileName()));
        QCOMPARE(pdf.count(QRegularExpression(u"/Type\\s*/Page\\b"_s)), 2);
        // The same months as a table: a heading and one row a day.
        const QString csv = w.Dir.filePath(u"plan.csv"_s);
        QVERIFY(output->ExportTo(csv, MonthSpan{QDate(2025, 2, 1), QDate(2025, 3, 1)}));
        const QList<QByteArray> rows = ReadFile(csv).trimmed().split('\n');
        QCOMPARE(rows.size(), 1 + 28 + 31);
        QVERIFY(rows.at(1).startsWith("2025-02-01;") && rows.last().startsWith("2025-03-31;"));
        // A folder that cannot take the file: a message, and nothing is left behind.
        QVERIFY(!output->ExportTo(w.Dir.filePath(u"brak/plan.pdf"_s)));
        QCOMPARE(w.Ui.Entries().size(), 1);
        QVERIFY(!QFileInfo::exists(w.Dir.filePath(u"brak"_s)));
        // Through a link to the plan's own file, or to the free days: refused
        // before anything is made, and both stay as they were.
        const QString plan = w.PlanPath(u"Trzy zmiany"_s),
                      freeDays = QDir(w.State.Env.PlansDir()).filePath(u"WOLNE.DAT"_s);
        const QByteArray planBytes = ReadFile(plan), freeDayBytes = ReadFile(freeDays);
        const QString link = w.Dir.filePath(u"łącze.csv"_s), copy = w.Dir.filePath(u"wolne.ics"_s);
        QVERIFY(QFile::link(plan, link) &&
                ::link(QFile::encodeName(freeDays).constData(), QFile::encodeName(copy).constData()) == 0);
        w.Ui.Clear();
        QVERIFY(!output->ExportTo(link) && !output->ExportTo(copy));
        const QString failed =
            u"Nie można zapisać pliku %1"_s + Cr + u"%2"_s + Cr + u"Eksport planu pracy nie powiódł się."_s;
        QCOMPARE(w.Ui.Texts(),
                 (QStringList{failed.arg(link, u"Pod tą nazwą jest dowiązanie symboliczne; eksport go nie zastąpi."_s),
                              failed.arg(copy, u"Eksport nie zastępuje pliku planu pracy ani pliku dni wolnych."_s)}));
        QCOMPARE(ReadFile(plan), planBytes);
        QCOMPARE(ReadFile(freeDays), freeDayBytes);
    }
};

QTEST_MAIN(TestFrmGrafenta)
#include "tst_FrmGrafenta.moc"

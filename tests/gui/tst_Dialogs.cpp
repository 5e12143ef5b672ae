// The dialogs: a new plan refused or made (empty schedule and weekly plans,
// copies of current and legacy plans), the plan range changed, cancelled and
// undone, and the about window's texts and link addresses.
#include "GuiFixture.h"

#include "dialogs/FrmAbout.h"
#include "dialogs/FrmNowyPlan.h"
#include "dialogs/FrmZmianaZakresu.h"
#include "editor/DateField.h"
#include "editor/PlanCommands.h"
#include "editor/RangePickers.h"
#include "editor/SchedulePanel.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTimer>

#include <functional>

namespace {

// Runs while the modal dialog the button opens is open: the steps, then the
// dialog closed if it is still there.
void WhileOpen(QDialog* dialog, QAbstractButton* opener, const std::function<void()>& steps)
{
    QTimer::singleShot(0, dialog, [dialog, steps] {
        steps();
        if (dialog->isVisible()) dialog->reject();
    });
    opener->click();
}

// What plntool show prints of a plan: kind, format, range and the start of its days or its daily norm.
QString Shown(const QString& path)
{
    const QJsonObject json = QJsonDocument::fromJson(RunPlntool({QStringLiteral("show"), path}).Out.toUtf8()).object();
    QStringList parts;
    for (const char* key : {"kind", "format", "from", "to", "dailyNorm"})
        parts << json.value(QLatin1String(key)).toString();
    return parts.join(u' ') + json.value(QLatin1String("days")).toString().left(4);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void newPlanRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank") << u"   "_s << u"Wprowadź nazwę planu pracy"_s;
        QTest::newRow("slash") << u"a/b"_s << u"Błędna nazwa planu pracy.\rNazwa nie może zawierać znaków :,\\,/"_s;
        QTest::newRow("existing, other letter case")
            << u"biuro"_s << u"Plan o podanej nazwie już został utworzony.\rZmień nazwę planu pracy"_s;
        QTest::newRow("device name") << u"NUL"_s
                                     << u"Błędna nazwa planu pracy.\rNazwa może mieć najwyżej 100 znaków i nie może "
                                        "zawierać znaków sterujących, znaków *?\"<>| ani nazwy urządzenia (CON, NUL, "
                                        "COM1...)."_s;
    }

    void newPlanRefused()
    {
        QFETCH(QString, name);
        Workstation w;
        w.Choose(u"Biuro"_s);
        const DayTable days = w.State.Doc.Plan.Days;
        FrmNowyPlan* dialog = w.Window->NewPlanDialog();
        const QStringList before = QDir(w.State.Env.PlansDir()).entryList(QDir::Files);
        WhileOpen(dialog, w.Window->Button("cmdNowy"), [&] {
            dialog->Name()->setText(name);
            QVERIFY(!dialog->cmdOK_Click());
            QVERIFY(dialog->isVisible() && dialog->focusWidget() == dialog->Name());
        });
        QTEST(w.Ui.OnlyText(), "message"); // and no other
        QCOMPARE(QDir(w.State.Env.PlansDir()).entryList(QDir::Files), before);
        QVERIFY(w.Window->Commands()->DialogAnulowany);
        // Cancelled, the dialog leaves the open plan as it was.
        QVERIFY(w.State.Doc.Plan.Days == days);
        QCOMPARE(w.State.Doc.CurrentPlanName, u"Biuro"_s);
    }

    // A copy of a plan that cannot be read makes nothing; the reader that
    // failed keeps the lock it took until another plan is chosen.
    void copyOfUnreadablePlan()
    {
        Workstation w;
        w.Choose(u"Biuro"_s);
        FrmNowyPlan* dialog = w.Window->NewPlanDialog();
        const QStringList before = QDir(w.State.Env.PlansDir()).entryList(QDir::Files);
        WhileOpen(dialog, w.Window->Button("cmdNowy"), [&] {
            dialog->Name()->setText(u"Kopia"_s);
            dialog->findChild<QCheckBox*>(QStringLiteral("chkUtworz"))->click();
            dialog->Plans()->setCurrentIndex(dialog->Plans()->findText(u"USZKODZONY"_s));
            QVERIFY(!dialog->cmdOK_Click());
        });
        QCOMPARE(w.Ui.OnlyText(), u"Utworzenie niemożliwe, nie można odczytać pliku planu pracy."_s);
        QCOMPARE(QDir(w.State.Env.PlansDir()).entryList(QDir::Files), before);
        QVERIFY(w.State.Doc.PlanLockHandle > 0);
        w.Choose(u"Trzy zmiany"_s);
        QCOMPARE(w.State.Doc.CurrentPlanName, u"Trzy zmiany"_s);
        QVERIFY(w.State.Doc.PlanLockHandle > 0);
    }

    void newPlanMade_data()
    {
        QTest::addColumn<QStringList>("checks"); // the check boxes clicked
        QTest::addColumn<QString>("source");     // the plan copied
        QTest::addColumn<bool>("dates");         // the date pickers enabled
        QTest::addColumn<QString>("shown");
        const QStringList copy{QStringLiteral("chkUtworz")};
        QTest::newRow("schedule plan") << QStringList() << u""_s << true
                                       << u"schedule current 2025-02-15 2025-03-10 4444"_s;
        QTest::newRow("weekly plan") << QStringList{QStringLiteral("chkBezPlanu")} << u""_s << false
                                     << u"weekly current 2001-01-01 2002-01-01 08:00"_s;
        QTest::newRow("copy of a schedule plan")
            << copy << u"Trzy zmiany"_s << false << u"schedule current 2025-01-06 2026-06-30 1111"_s;
        QTest::newRow("copy of a legacy schedule plan")
            << copy << u"STARY_ZMIANOWY"_s << false << u"schedule legacy 2005-01-03 2005-12-31 0000"_s;
    }

    void newPlanMade()
    {
        QFETCH(QStringList, checks);
        QFETCH(QString, source);
        Workstation w;
        w.Choose(QStringLiteral("Biuro"));
        const QString name = QStringLiteral("Nowy plan");
        FrmNowyPlan* dialog = w.Window->NewPlanDialog();
        WhileOpen(dialog, w.Window->Button("cmdNowy"), [&] {
            dialog->Name()->setText(name);
            dialog->Range()->Show(QDate(2025, 2, 15), QDate(2025, 3, 10));
            for (const QString& check : checks)
                dialog->findChild<QCheckBox*>(check)->click();
            dialog->Plans()->setCurrentIndex(dialog->Plans()->findText(source));
            QTEST(dialog->findChild<QWidget*>(QStringLiteral("dtpOd"))->isEnabled(), "dates");
            QVERIFY(dialog->cmdOK_Click());
        });
        QCOMPARE(w.Ui.Texts(), QStringList());
        const QString path = w.PlanPath(name);
        QCOMPARE(ReadFile(path) == ReadFile(w.PlanPath(source)), !source.isEmpty());
        QTEST(Shown(path), "shown");
        // The window holds the made plan, under its lock, unchanged.
        QCOMPARE(w.Window->PlanBox()->currentText(), name);
        QCOMPARE(w.State.Doc.CurrentPlanName, name);
        QVERIFY(w.State.Doc.PlanLockHandle > 0 && !w.State.Doc.PlanModified);
        QVERIFY(w.Window->Button("cmdZapisz")->isEnabled() && w.Window->Button("cmdPrzydziel")->isEnabled());
        QVERIFY(!w.Window->Commands()->SuppressPlanSelection && !w.Window->Commands()->KopiaPlanu);
    }

    void copyArrangesTheWindow_data()
    {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("schedule"); // the window arranged for a schedule plan
        QTest::addColumn<QString>("title");
        QTest::newRow("a schedule plan copied while a weekly one is open")
            << u"Tydzień pracy"_s << u"Biuro"_s << true << u"STYCZEŃ 2024"_s;
        QTest::newRow("a weekly plan copied while a schedule plan is open")
            << u"Biuro"_s << u"Tydzień pracy"_s << false << QString();
        QTest::newRow("a legacy weekly plan copied while a schedule plan is open")
            << u"Biuro"_s << u"STARY_TYGODNIOWY"_s << false << QString();
    }

    // The copy is the open plan, shown as a plan of its own kind: its fields
    // and its month, and a day click paints.
    void copyArrangesTheWindow()
    {
        QFETCH(QString, open);
        QFETCH(QString, source);
        QFETCH(bool, schedule);
        Workstation w;
        w.Choose(open);
        FrmNowyPlan* dialog = w.Window->NewPlanDialog();
        WhileOpen(dialog, w.Window->Button("cmdNowy"), [&] {
            dialog->Name()->setText(u"Kopia"_s);
            dialog->CopyCheck()->click();
            dialog->Plans()->setCurrentIndex(dialog->Plans()->findText(source));
            QVERIFY(dialog->cmdOK_Click());
        });
        QCOMPARE(w.Window->PlanBox()->currentText(), u"Kopia"_s);
        QCOMPARE(w.State.Doc.CurrentPlanName, u"Kopia"_s);
        QVERIFY(w.State.Doc.PlanLockHandle > 0 && !w.State.Doc.PlanModified);
        // The range as the plan's kind shows it: the labels, or the weekly range frame.
        const QDate first = DateOfDay(w.State.Doc.Plan.FirstDay);
        QCOMPARE(schedule ? w.Find<QLabel>(u"lblOd1"_s)->text() : w.Window->Panel()->From()->text(),
                 first.toString(RangeDateFormat));
        QCOMPARE(w.Find<QWidget>(u"tglKolor_0"_s)->isVisible(), schedule);
        QCOMPARE(w.Find<QWidget>(u"txtNorma"_s)->isVisible(), !schedule);
        QCOMPARE(w.Window->Button("cmdZakres")->isVisible(), schedule);
        QTEST(w.Calendar()->Title()->isVisible() ? w.Calendar()->Title()->text() : QString(), "title");
        QCOMPARE(w.Window->Field(schedule ? FieldIds::Of(0, EntryColumn) : FieldIds::Norm)->text(), u"08:00"_s);
        w.Window->Panel()->tglKolor_Click(0);
        w.Window->Panel()->tglKolorNONE_Click(1);
        Paint({w.Calendar()->Cell(10)});
        QCOMPARE(w.Ui.Texts(), QStringList());
        QVERIFY(w.State.Doc.PlanModified);
    }

    void typedDates_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("messages");
        // Biuro runs from 01-01-2024 to 31-12-2026.
        QTest::newRow("first day") << u"dtpOd"_s << u"15-12-2025"_s << QDate(2025, 12, 15) << QDate(2026, 12, 31)
                                   << QString();
        QTest::newRow("last day") << u"dtpDo"_s << u"10-03-2025"_s << QDate(2024, 1, 1) << QDate(2025, 3, 10)
                                  << QString();
        QTest::newRow("first day after the last, pulled back when left")
            << u"dtpOd"_s << u"15-01-2027"_s << QDate(2026, 12, 31) << QDate(2026, 12, 31) << QString();
        QTest::newRow("last day before the first, pulled up when left")
            << u"dtpDo"_s << u"15-06-2023"_s << QDate(2024, 1, 1) << QDate(2024, 1, 1) << QString();
        QTest::newRow("no such day") << u"dtpOd"_s << u"31-02-2025"_s << QDate(2024, 1, 1) << QDate(2026, 12, 31)
                                     << u"Niepoprawnie wprowadzona data. Format daty dd-mm-rrrr"_s;
    }

    // A date typed over the whole text of a range field and left with Tab:
    // nothing moves while it is typed, the range rule applies when it is left.
    void typedDates()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        Workstation w;
        w.Choose(QStringLiteral("Biuro"));
        FrmZmianaZakresu* dialog = w.Window->RangeDialog();
        QDate from, to;
        WhileOpen(dialog, w.Window->Button("cmdZakres"), [&] {
            auto* edit = dialog->findChild<QWidget*>(field);
            QApplication::setActiveWindow(dialog);
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Tab);
            QApplication::processEvents();
            from = dialog->findChild<QWidget*>(u"dtpOd"_s)->property("date").toDate();
            to = dialog->findChild<QWidget*>(u"dtpDo"_s)->property("date").toDate();
        });
        QTEST(from, "from");
        QTEST(to, "to");
        QTEST(w.Ui.Texts().join(u'|'), "messages");
    }

    void rangeChanged_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QDate>("first");  // the plan's first day afterwards
        QTest::addColumn<QString>("days"); // the slots of 30 Jan..3 Feb 2025 and of the range's ends
        // Biuro runs over 2024..2026; January 2025 ends on a Friday.
        QTest::newRow("widened by a month at each end")
            << QDate(2023, 12, 1) << QDate(2027, 1, 31) << u"cmdOK"_s << QDate(2023, 12, 1) << u"00440 4 4"_s;
        QTest::newRow("narrowed") << QDate(2025, 1, 31) << QDate(2025, 2, 2) << u"cmdOK"_s << QDate(2025, 1, 31)
                                  << u"044 0 4"_s;
        QTest::newRow("moved past the old range")
            << QDate(2027, 3, 1) << QDate(2027, 3, 31) << u"cmdOK"_s << QDate(2027, 3, 1) << u"4 4"_s;
        QTest::newRow("cancelled") << QDate(2025, 1, 31) << QDate(2025, 2, 2) << u"cmdAnuluj"_s << QDate(2024, 1, 1)
                                   << u"00440 0 0"_s;
    }

    // The range as chosen, shown at its first month; the change is one undo step
    // back to the plan as opened.
    void rangeChanged()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, button);
        QFETCH(QDate, first);
        Workstation w;
        w.Choose(QStringLiteral("Biuro"));
        PlanDocument& doc = w.State.Doc;
        const DayTable before = doc.Plan.Days;
        FrmZmianaZakresu* dialog = w.Window->RangeDialog();
        WhileOpen(dialog, w.Window->Button("cmdZakres"), [&] {
            dialog->To()->SetDate(to);
            dialog->From()->SetDate(from);
            dialog->findChild<QPushButton*>(button)->click();
        });
        QCOMPARE(doc.PlanModified, button == QLatin1String("cmdOK"));
        const auto slot = [&](int32_t day) {
            return doc.Plan.Days.Contains(day) ? QString::number(doc.Plan.Days.At(day)) : QString();
        };
        QString seen;
        for (int32_t day = DayNumber(2025, 1, 30); day <= DayNumber(2025, 2, 3); ++day)
            seen += slot(day);
        seen += u' ' + slot(doc.Plan.FirstDay) + u' ' + slot(doc.Plan.LastDay);
        QTEST(seen.trimmed(), "days");
        QCOMPARE(w.Find<QLabel>(QStringLiteral("lblOd1"))->text(), first.toString(RangeDateFormat));
        QCOMPARE(dialog->From()->Date(), first);
        QCOMPARE(w.Calendar()->DisplayedMonth(), QDate(first.year(), first.month(), 1));
        w.Window->Undo()->undo();
        QVERIFY(doc.Plan.Days == before && !doc.PlanModified);
        QCOMPARE(w.Find<QLabel>(QStringLiteral("lblOd1"))->text(), QStringLiteral("01-01-2024"));
    }

    // The versions of the program and of the suite library it runs on; the
    // addresses the e-mail and web links hand to the desktop.
    void about()
    {
        Workstation w(QDir(QCoreApplication::applicationDirPath()).filePath(u"v15"_s));
        FrmAbout* about = w.Window->AboutDialog();
        QStringList texts;
        WhileOpen(about, w.Window->Button("cmdAbout"), [&] {
            texts << about->windowTitle();
            for (const char* name : {"lblTitle", "lblBaseVersion", "lblPakiet"})
                texts << about->findChild<QLabel*>(QString::fromLatin1(name))->text();
            for (const char* name : {"labEmail", "labWWW"})
                texts << about->findChild<QLabel*>(QString::fromLatin1(name))->text().section(u'"', 1, 1);
        });
        QCOMPARE(texts, (QStringList{u"Informacje o programie Grafenta"_s, u"Program wersja 1.00"_s,
                                     u"Biblioteka podstawowa 1.05"_s, QString(), u"mailto:kontakt@grafenta.example"_s,
                                     u"https://grafenta.example"_s}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_Dialogs.moc"

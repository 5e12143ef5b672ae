// The dialogs: a new plan refused or made (empty schedule and weekly plans,
// copies of current and legacy plans), the plan range changed, cancelled and
// undone, and the about window's texts and links.
#include "GuiFixture.h"

#include "dialogs/FrmAbout.h"
#include "dialogs/FrmNowyPlan.h"
#include "dialogs/FrmZmianaZakresu.h"
#include "editor/PlanCommands.h"
#include "editor/RangePickers.h"
#include "plan/PlanDecoder.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace {

// Runs while a modal dialog is open: the steps, then the dialog closed if it is still there.
void WhileOpen(QDialog* dialog, const std::function<void()>& open, const std::function<void()>& steps)
{
    QTimer::singleShot(0, dialog, [dialog, steps] {
        steps();
        if (dialog->isVisible()) dialog->reject();
    });
    open();
}

QJsonObject Shown(const QString& path)
{
    QProcess plntool;
    plntool.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plntool")),
                  {QStringLiteral("show"), path});
    plntool.waitForFinished(30000);
    return QJsonDocument::fromJson(plntool.readAllStandardOutput()).object();
}

} // namespace

class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QStringList Opened;
public slots:
    void Open(const QUrl& url) { Opened << url.toString(); }
};

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void newPlanRefused_data();
    void newPlanRefused();
    void newPlanMade_data();
    void newPlanMade();
    void rangeChanged_data();
    void rangeChanged();
    void about();
};

void TestDialogs::newPlanRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank") << "   " << "Wprowadź nazwę planu pracy";
    QTest::newRow("slash") << "a/b" << "Błędna nazwa planu pracy.\rNazwa nie może zawierać znaków :,\\,/";
    QTest::newRow("existing, other letter case") << "biuro"
                                                 << "Plan o podanej nazwie już został utworzony.\rZmień nazwę planu pracy";
    QTest::newRow("device name") << "NUL"
                                 << "Błędna nazwa planu pracy.\rNazwa może mieć najwyżej 100 znaków i nie może zawierać "
                                    "znaków sterujących, znaków *?\"<>| ani nazwy urządzenia (CON, NUL, COM1...).";
}

void TestDialogs::newPlanRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    Workstation w;
    FrmNowyPlan* dialog = w.Window->NewPlanDialog();
    const QStringList before = QDir(w.PlansDir()).entryList(QDir::Files);
    WhileOpen(dialog, [&] { w.Window->Button("cmdNowy")->click(); }, [&] {
        dialog->Name()->setText(name);
        QVERIFY(!dialog->cmdOK_Click());
        QVERIFY(dialog->isVisible() && dialog->focusWidget() == dialog->Name());
    });
    QCOMPARE(w.Ui.Texts(), QStringList{message});
    QCOMPARE(QDir(w.PlansDir()).entryList(QDir::Files), before);
    QVERIFY(w.Window->Commands()->DialogAnulowany);
}

void TestDialogs::newPlanMade_data()
{
    QTest::addColumn<QString>("source"); // the plan copied; empty: a new plan
    QTest::addColumn<bool>("weekly");
    QTest::addColumn<QString>("shown"); // what plntool show prints of the made plan
    QTest::newRow("schedule plan") << "" << false << "schedule current 2025-02-15 2025-03-10 4444";
    QTest::newRow("weekly plan") << "" << true << "weekly current 2001-01-01 2002-01-01 08:00";
    QTest::newRow("copy of a schedule plan") << "Trzy zmiany" << false << "schedule current 2025-01-06 2026-06-30 1111";
    QTest::newRow("copy of a legacy schedule plan") << "STARY_ZMIANOWY" << false << "schedule legacy";
    QTest::newRow("copy of a legacy weekly plan") << "STARY_TYGODNIOWY" << true << "weekly legacy";
}

void TestDialogs::newPlanMade()
{
    QFETCH(QString, source);
    QFETCH(bool, weekly);
    QFETCH(QString, shown);
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    const QString name = QStringLiteral("Nowy plan");
    FrmNowyPlan* dialog = w.Window->NewPlanDialog();
    WhileOpen(dialog, [&] { w.Window->Button("cmdNowy")->click(); }, [&] {
        dialog->Name()->setText(name);
        if (!source.isEmpty()) {
            dialog->CopyCheck()->click();
            dialog->Plans()->setCurrentIndex(dialog->Plans()->findText(source));
        } else if (weekly) {
            dialog->NoRangeCheck()->click();
            QVERIFY(!dialog->findChild<QDateEdit*>(QStringLiteral("dtpOd"))->isEnabled());
        } else {
            dialog->Range()->Show(QDate(2025, 2, 15), QDate(2025, 3, 10));
        }
        QVERIFY(dialog->cmdOK_Click());
    });
    QCOMPARE(w.Ui.Texts(), QStringList());
    const QString path = w.PlanPath(name);
    if (!source.isEmpty()) QCOMPARE(ReadFile(path), ReadFile(w.PlanPath(source)));
    const QJsonObject json = Shown(path);
    const QStringList parts = shown.split(u' ');
    QCOMPARE(json.value(QStringLiteral("kind")).toString(), parts.at(0));
    QCOMPARE(json.value(QStringLiteral("format")).toString(), parts.at(1));
    if (parts.size() > 2) {
        QCOMPARE(json.value(QStringLiteral("from")).toString(), parts.at(2));
        QCOMPARE(json.value(QStringLiteral("to")).toString(), parts.at(3));
        const QString key = weekly ? QStringLiteral("dailyNorm") : QStringLiteral("days");
        QVERIFY(json.value(key).toString().startsWith(parts.at(4)));
    }
    // The window holds the made plan, under its lock, unchanged.
    QCOMPARE(w.Window->PlanBox()->currentText(), name);
    QCOMPARE(w.State.Doc.CurrentPlanName, name);
    QVERIFY(w.State.Doc.PlanLockHandle > 0 && !w.State.Doc.PlanModified);
    QVERIFY(w.Window->Button("cmdZapisz")->isEnabled() && w.Window->Button("cmdPrzydziel")->isEnabled());
    QVERIFY(!w.Window->Commands()->SuppressPlanSelection && !w.Window->Commands()->KopiaPlanu);
}

void TestDialogs::rangeChanged_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("days"); // the slots of 30 Jan..3 Feb 2025 and of the range's ends
    // Biuro runs over 2024..2026; January 2025 ends on a Friday.
    QTest::newRow("widened by a month at each end") << QDate(2023, 12, 1) << QDate(2027, 1, 31) << true << "00440 4 4";
    QTest::newRow("narrowed") << QDate(2025, 1, 31) << QDate(2025, 2, 2) << true << "044 0 4";
    QTest::newRow("moved past the old range") << QDate(2027, 3, 1) << QDate(2027, 3, 31) << true << "4 4";
    QTest::newRow("cancelled") << QDate(2025, 1, 31) << QDate(2025, 2, 2) << false << "00440 0 0";
}

void TestDialogs::rangeChanged()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, ok);
    QFETCH(QString, days);
    Workstation w;
    w.Choose(QStringLiteral("Biuro"));
    PlanDocument& doc = w.State.Doc;
    const DayTable before = doc.Plan.Days;
    FrmZmianaZakresu* dialog = w.Window->RangeDialog();
    WhileOpen(dialog, [&] { w.Window->Button("cmdZakres")->click(); }, [&] {
        dialog->To()->setDate(to);
        dialog->From()->setDate(from);
        if (ok) dialog->cmdOK_Click();
    });
    QCOMPARE(doc.PlanModified, ok);
    const auto slot = [&](int32_t day) { return doc.Plan.Days.Contains(day) ? QString::number(doc.Plan.Days.At(day)) : QString(); };
    QString seen;
    for (int32_t day = w.DayNumber(2025, 1, 30); day <= w.DayNumber(2025, 2, 3); ++day)
        seen += slot(day);
    seen += u' ' + slot(doc.Plan.FirstDay) + u' ' + slot(doc.Plan.LastDay);
    QCOMPARE(seen.trimmed(), days);
    QCOMPARE(w.Find<QLabel>(QStringLiteral("lblOd1"))->text(), (ok ? from : QDate(2024, 1, 1)).toString(RangeDateFormat));
    QCOMPARE(dialog->From()->date(), ok ? from : QDate(2024, 1, 1));
    if (!ok) return;
    QCOMPARE(w.Calendar()->DisplayedMonth(), QDate(from.year(), from.month(), 1));
    // The change is one undo step back to the plan as opened.
    w.Window->Undo()->undo();
    QVERIFY(doc.Plan.Days == before && !doc.PlanModified);
    QCOMPARE(w.Find<QLabel>(QStringLiteral("lblOd1"))->text(), QStringLiteral("01-01-2024"));
}

void TestDialogs::about()
{
    Workstation w(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("v15")));
    QVERIFY(w.Started);
    LinkCatcher links;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &links, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &links, "Open");
    FrmAbout* about = w.Window->AboutDialog();
    QStringList texts;
    WhileOpen(about, [&] { w.Window->Button("cmdAbout")->click(); }, [&] {
        texts << about->windowTitle();
        for (const char* name : {"lblTitle", "lblBaseVersion", "lblPakiet"})
            texts << about->findChild<QLabel*>(QString::fromLatin1(name))->text();
        for (const char* name : {"labEmail", "labWWW"}) {
            auto* link = about->findChild<QLabel*>(QString::fromLatin1(name));
            const QString href = link->text().section(QLatin1Char('"'), 1, 1);
            QMetaObject::invokeMethod(link, "linkActivated", Q_ARG(QString, href));
        }
    });
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(texts, (QStringList{QStringLiteral("Informacje o programie Grafenta"), QStringLiteral("Program wersja 1.00"),
                                 QStringLiteral("Biblioteka podstawowa 1.05"), QString()}));
    QCOMPARE(links.Opened, (QStringList{QStringLiteral("mailto:") + FrmAbout::EmailAddress, FrmAbout::WebAddress}));
}

QTEST_MAIN(TestDialogs)
#include "tst_Dialogs.moc"

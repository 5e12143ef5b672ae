// "Kontrola planu" beside the window: findings named in words with their
// article and the rule's id in the tooltip, the options remembered per plan,
// and the report for an inspection written from the open plan.
#include "GuiFixture.h"

#include "editor/CompliancePanel.h"
#include "editor/DayCell.h"
#include "editor/MonthCalendar.h"
#include "editor/OneLineDelegate.h"
#include "editor/PlanOutput.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QSettings>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>

namespace {

// The options as the panel's controls show them.
void Choose(CompliancePanel* panel, const ComplianceOptions& options)
{
    panel->SystemChoice()->setCurrentIndex(options.System == WorkingTimeSystem::Equivalent ? 1 : 0);
    panel->PeriodChoice()->setCurrentIndex(panel->PeriodChoice()->findData(options.PeriodMonths));
    panel->SundayStartChoice()->setCurrentIndex(panel->SundayStartChoice()->findData(options.SundayStart));
    panel->NightChoice()->setCurrentIndex(panel->NightChoice()->findData(options.NightStart));
    panel->ArduousChoice()->setChecked(options.ArduousWork);
}

} // namespace

class TestCompliancePanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The options go to a settings file of the tests, not of the user.
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    // A finding's day, its rule in words with the article, the rule's id in
    // the tooltip, and part of the message.
    void findingTexts_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("message");
        QTest::newRow("weekly rest, a period from a Sunday")
            << u"Tydzień pracy"_s << u"01-09-2024"_s << u"błąd: Odpoczynek tygodniowy (art. 133 § 1)"_s
            << u"odpoczynek-tygodniowy"_s
            << u"Tygodnie liczy się od pierwszego dnia okresu rozliczeniowego (art. 128 § 3 pkt 2), a ten okres "
               "zaczyna się w niedzielę 01-09-2024"_s;
        QTest::newRow("daily limit") << u"Grafik z błędami"_s << u"12-04-2025"_s
                                     << u"błąd: Norma dobowa (art. 129 § 1)"_s << u"norma-dobowa"_s
                                     << u"przekracza normę dobową 8 h"_s;
        QTest::newRow("holiday") << u"Grafik z błędami"_s << u"21-04-2025"_s
                                 << u"uwaga: Praca w dniu wolnym (art. 151⁹ § 1)"_s << u"swieto"_s
                                 << u"Poniedziałek Wielkanocny"_s;
    }

    void findingTexts()
    {
        QFETCH(QString, plan);
        QFETCH(QString, day);
        QFETCH(QString, id);
        Workstation w;
        w.Choose(plan);
        const QAbstractItemModel* findings = w.Window->Compliance()->Findings()->model();
        const auto text = [&](int row, int column, int role = Qt::DisplayRole) {
            return findings->index(row, column).data(role).toString();
        };
        int found = -1;
        for (int row = 0; row < findings->rowCount() && found < 0; ++row) {
            if (text(row, 0) == day && text(row, 1, Qt::ToolTipRole).contains(u"Zasada: "_s + id)) found = row;
        }
        QVERIFY(found >= 0);
        QTEST(text(found, 1), "rule");
        QFETCH(QString, message);
        QVERIFY2(text(found, 2).contains(message), qPrintable(text(found, 2)));
        QVERIFY(text(found, 2, Qt::ToolTipRole).contains(text(found, 1).section(u'(', 1).chopped(1)));
    }

    // The calendar marks the shown days with an error, and says what it is;
    // a warning leaves its day unmarked.
    void calendarMarks()
    {
        Workstation w;
        w.Choose(u"Grafik z błędami"_s);
        MonthCalendar* calendar = w.Window->Calendar();
        calendar->SetDisplayedMonth(QDate(2025, 4, 1));
        calendar->cmdMiesiac_Click(255);
        const DayCell* limit = calendar->Cell(calendar->CellOfDay(12));
        QVERIFY(limit->IsMarked());
        QVERIFY2(limit->accessibleDescription().contains(u"przekracza normę dobową 8 h"_s),
                 qPrintable(limit->accessibleDescription()));
        const DayCell* holiday = calendar->Cell(calendar->CellOfDay(21));
        QVERIFY(!holiday->IsMarked());
        QVERIFY(!holiday->accessibleDescription().contains(u"Praca w dniu wolnym"_s));
        // Another plan's marks replace them.
        w.Choose(u"Biuro"_s);
        calendar->SetDisplayedMonth(QDate(2025, 4, 1));
        calendar->cmdMiesiac_Click(255);
        QVERIFY(!calendar->Cell(calendar->CellOfDay(12))->IsMarked());
    }

    void optionsRememberedPerPlan()
    {
        Workstation w;
        CompliancePanel* panel = w.Window->Compliance();
        const ComplianceOptions defaults;
        const ComplianceOptions chosen{WorkingTimeSystem::Equivalent, 12, 0, 23 * 60, true};
        w.Choose(u"Biuro"_s);
        QCOMPARE(panel->Options(), defaults);
        Choose(panel, chosen);
        QCOMPARE(panel->Options(), chosen);
        // Biuro runs from 2024 to 2026: one period a year, 2024 whole.
        QCOMPARE(panel->Report().Periods.size(), 3);
        QCOMPARE(panel->Report().Periods.first().LastDay, DayNumber(2024, 12, 31));
        QVERIFY(panel->Report().Periods.first().NormMinutes);
        QCOMPARE(panel->Periods()->model()->rowCount(), 3);

        // Another plan has its own options; a stored value that is no choice leaves the default.
        QSettings().setValue(CompliancePanel::SettingsKey(u"Trzy zmiany"_s) + u"/okres"_s, 5);
        w.Choose(u"Trzy zmiany"_s);
        QCOMPARE(panel->Options(), defaults);
        w.Choose(u"Biuro"_s);
        QCOMPARE(panel->Options(), chosen);
        // The check that ran while the window showed the plan used its options, as a check now does.
        QCOMPARE(panel->Report().Periods.size(), 3);
        const ComplianceReport opened = panel->Report();
        panel->CheckNow();
        QCOMPARE(panel->Report().Findings.size(), opened.Findings.size());
        QCOMPARE(panel->Report().Periods.size(), opened.Periods.size());
    }

    void reportOfTheOpenPlan()
    {
        Workstation w;
        w.Choose(u"Grafik z błędami"_s);
        CompliancePanel* panel = w.Window->Compliance();
        Choose(panel, {WorkingTimeSystem::Basic, 3, 360, 22 * 60, true});
        // "Raport zgodności…" asks for the report with the panel's options
        // (the window answers with a file dialog, left out here).
        QVERIFY(disconnect(panel, &CompliancePanel::ReportRequested, w.Window->Output(), nullptr));
        QList<ComplianceOptions> asked;
        connect(panel, &CompliancePanel::ReportRequested, this,
                [&asked](const ComplianceOptions& options) { asked.append(options); });
        QTest::keyClick(panel->ReportButton(), Qt::Key_Space);
        QCOMPARE(asked, QList<ComplianceOptions>{panel->Options()});

        const QString path = w.Dir.filePath(u"raport.pdf"_s);
        QVERIFY(w.Window->Output()->ComplianceReportTo(path, panel->Options()));
        const QString text = RunProgram(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s}).Out;
        const auto count = [&](FindingSeverity severity) {
            return std::count_if(panel->Report().Findings.begin(), panel->Report().Findings.end(),
                                 [severity](const ComplianceFinding& finding) { return finding.Severity == severity; });
        };
        // The same findings as the panel's, of the plan and options shown.
        QVERIFY2(text.contains(u"Wynik: błędy: %1, ostrzeżenia: %2"_s.arg(count(FindingSeverity::Error))
                                   .arg(count(FindingSeverity::Warning))),
                 qPrintable(text));
        QVERIFY2(text.contains(u"Plan pracy „Grafik z błędami”"_s), qPrintable(text));
        QVERIFY(text.contains(QRegularExpression(u"Praca szczególnie niebezpieczna lub z dużym wysiłkiem +tak"_s)));

        // A folder that is not there: the message, and no file.
        const QString lost = w.Dir.filePath(u"brak/raport.pdf"_s);
        QVERIFY(!w.Window->Output()->ComplianceReportTo(lost, panel->Options()));
        QCOMPARE(w.Ui.Texts().size(), 1);
        QVERIFY2(w.Ui.Texts().first().contains(u"Raport zgodności planu pracy nie został zapisany."_s),
                 qPrintable(w.Ui.Texts().first()));
        QVERIFY(!QFileInfo::exists(lost));
    }

    // A finding's text, cut and drawn by the list's own painter from a
    // beginning, looks exactly as the style draws the whole text: cut at the
    // same place, the same pixels, whatever kerning or marks lie near the
    // cut, selected, coloured or under the focus frame.
    void cutTextsDrawnAsWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut"); // cut from a beginning
        QTest::newRow("a long message")
            << u"Zmiana o 06:00 zaczyna się 22 h po początku poprzedniej (07-01-2000 08:00): ponowna praca w tej "
               "samej dobie pracowniczej."_s
            << 160 << true;
        QTest::newRow("kerned pairs") << u"AVAVAVAVAV TATATATA WAWAWAWA LTLTLT Yo Yo To To Te Te AVAVAVAVAV TATATA "
                                         "WAWAWAWA LTLTLT Yo Yo To To Te Te"_s
                                      << 120 << true;
        QTest::newRow("narrow letters") << QString(120, u'i') << 100 << true;
        QTest::newRow("wide, then narrow") << QString(16, u'W') + QString(60, u'i') << 140 << true;
        QTest::newRow("marks and superscripts")
            << u"uwaga: Praca w dniu wolnym (art. 151⁹ § 1) i art. 151¹¹ § 2: zażółć gęślą jaźń e\u0301e\u0301e\u0301 "
               "ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ"_s
            << 150 << true;
        QTest::newRow("characters written with two")
            << u"Święto 𝔸𝔹𝔻𝔼𝔽𝔾𝕀𝕁𝕂𝕃𝕄𝕆𝕊𝕋𝕌𝕍𝕎𝕏𝕐 𝔸𝔹𝔻𝔼𝔽𝔾𝕀𝕁𝕂𝕃𝕄𝕆𝕊𝕋𝕌𝕍𝕎𝕏𝕐 𝔸𝔹𝔻𝔼𝔽𝔾𝕀𝕁𝕂𝕃"_s << 90 << false;
        QTest::newRow("fits whole") << u"01-01-2000"_s << 90 << false;
        QTest::newRow("a period's plan") << u"178:15 ▲"_s << 60 << false;
        QTest::newRow("a period's plan, cut") << u"178:15 ▲"_s << 40 << false;
        QTest::newRow("just past the cell") << u"błąd: Doba pracownicza (art. 128 § 3 pkt 1)"_s << 200 << true;
        QTest::newRow("just within the cell") << u"błąd: Doba pracownicza"_s << 200 << false;
        // Kerning brings the beginning within the cell: cut on the whole text.
        QTest::newRow("kerned within") << QString(u"AV"_s).repeated(34) << 260 << true;
    }
    void cutTextsDrawnAsWhole()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, cut);
        QStandardItemModel model;
        // The same text in a plain row, a selected one, a coloured one, the
        // current one of a list that has the focus, and one on a background
        // of its own (as the periods' norms and plans are).
        for (int row = 0; row < 5; ++row)
            model.appendRow(new QStandardItem(text));
        model.item(2)->setForeground(QColor(176, 0, 0));
        model.item(4)->setBackground(QColor(255, 200, 200));
        const auto picture = [&](QAbstractItemDelegate* delegate) {
            QTableView view; // as the findings list is set up
            view.setModel(&model);
            if (delegate) view.setItemDelegate(delegate);
            view.setShowGrid(false);
            view.setWordWrap(false);
            view.setTextElideMode(Qt::ElideRight);
            view.horizontalHeader()->hide();
            view.horizontalHeader()->setStretchLastSection(true);
            view.verticalHeader()->hide();
            view.resize(width + 2 * view.frameWidth(), 240);
            view.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select);
            view.selectionModel()->setCurrentIndex(model.index(3, 0), QItemSelectionModel::NoUpdate);
            view.show();
            view.activateWindow();
            view.setFocus();
            if (!QTest::qWaitForWindowActive(&view)) return QImage();
            return view.grab().toImage();
        };
        auto* delegate = new OneLineDelegate;
        const QImage shortened = picture(delegate);
        const QImage whole = picture(nullptr);
        QCOMPARE(shortened, whole);
        // Drawn from a beginning indeed, not from the whole text.
        QCOMPARE(delegate->ShownLength(text, QApplication::font(), width) < text.size(), cut);
    }
};

QTEST_MAIN(TestCompliancePanel)
#include "tst_CompliancePanel.moc"

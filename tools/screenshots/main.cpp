// grafenta-screenshots OUTDIR [SUFFIX]: renders the main window in its main
// states on a fresh demo data directory, each to OUTDIR/<state>.png, as a
// user meets them: no plan open, a schedule plan at the window's smallest
// size, at its described size and on a large screen, a weekly plan, the
// blink after an overlap, a rotation painted, the labour-code check with its
// options set, the employee list filtered, the team's month (everybody, with
// a shift short of its minimum, and filtered by a group), the start-up
// warning about a share that keeps locks in each mount, the dialogs, and the
// message of an export refused before anything is written. With
// a SUFFIX (e.g. "-x2" when run with QT_SCALE_FACTOR=2) only the schedule
// plan at the three sizes is rendered, to OUTDIR/main-size-<size>SUFFIX.png.
#include "demo/DemoData.h"
#include "dialogs/CycleDialog.h"
#include "dialogs/FreeDayEntryDialog.h"
#include "dialogs/FreeDaysDialog.h"
#include "dialogs/FrmNowyPlan.h"
#include "dialogs/FrmObrazek.h"
#include "dialogs/FrmProgress.h"
#include "dialogs/FrmZmianaZakresu.h"
#include "editor/CalendarTools.h"
#include "editor/CompliancePanel.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MessageBoxPrompt.h"
#include "editor/MonthCalendar.h"
#include "editor/PlanOutput.h"
#include "editor/PolishLanguage.h"
#include "editor/SchedulePanel.h"
#include "editor/TeamMonthWindow.h"
#include "editor/TimeFieldEdit.h"
#include "editor/WindowStyle.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "env/RecordLocks.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool Save(QWidget* widget, const QString& folder, const char* name)
{
    Settle();
    return widget->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// Opens a modal window, renders it as soon as it shows (after prepare has
// set its controls), and closes it again.
bool SaveModal(const std::function<void()>& open, const QString& folder, const char* name,
               const std::function<void(QWidget*)>& prepare = {})
{
    bool saved = false;
    QTimer::singleShot(50, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        if (!shown) return;
        if (prepare) prepare(shown);
        saved = Save(shown, folder, name);
        if (auto* dialog = qobject_cast<QDialog*>(shown)) dialog->reject();
    });
    open();
    return saved;
}

void Choose(FrmGrafenta& window, const QString& plan)
{
    window.PlanBox()->setCurrentIndex(window.PlanBox()->findText(plan));
    Settle();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2 && argc != 3) {
        err << "usage: grafenta-screenshots OUTDIR [SUFFIX]\n";
        return 2;
    }
    UsePolishLanguage(app);
    UseWindowStyle();
    const QString suffix = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    QTemporaryDir programDir;
    const QString library = KelbrinLibrary::FileName();
    KelbrinLibrary demoLibrary;
    QString error;
    if (!QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(library), programDir.filePath(library)) ||
        !demoLibrary.Load(QCoreApplication::applicationDirPath()) ||
        !WriteDemoDataDirectory(demoLibrary, programDir.path(), &error)) {
        err << "grafenta-screenshots: no demo data: " << error << '\n';
        return 1;
    }

    // The shifts' minimums go to settings of this run only.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, programDir.path());

    KelbrinLibrary lib;
    RecordingPrompt prompt;
    ProgramState state(lib, prompt);
    FrmGrafenta window(state);
    InstanceLock instance;
    if (!StartProgram(state, lib, instance, programDir.path(), window.WindowStartupSteps())) {
        err << "grafenta-screenshots: start-up ended: " << prompt.Texts().join(QLatin1Char('|')) << '\n';
        return 1;
    }
    window.show();
    const QSize first = window.size();
    Choose(window, QStringLiteral("Biuro"));
    window.Panel()->tglKolor_Click(1);
    // The schedule plan at the window's smallest size, at its described size and on a large screen.
    const std::pair<const char*, QSize> sizes[] = {
        {"minimum", window.minimumSize()}, {"described", QSize()}, {"1600x1000", QSize(1600, 1000)}};
    bool ok = true;
    for (const auto& [name, size] : sizes) {
        if (size.isValid())
            window.resize(size);
        else
            window.ShowDescribedSize();
        ok = Save(&window, out, (QStringLiteral("main-size-") + QLatin1String(name) + suffix).toLatin1().constData()) &&
             ok;
    }
    window.resize(first);
    if (!suffix.isEmpty()) return ok ? 0 : 1;
    ok = Save(&window, out, "main-schedule-plan") && ok;
    Choose(window, NoPlanText);
    ok = Save(&window, out, "main-no-plan") && ok;

    Choose(window, QStringLiteral("Tydzień pracy"));
    ok = Save(&window, out, "main-weekly-plan") && ok;

    // The check of a plan with faults, every option away from its default.
    Choose(window, QStringLiteral("Grafik z błędami"));
    CompliancePanel* check = window.Compliance();
    check->SystemChoice()->setCurrentIndex(0);
    check->PeriodChoice()->setCurrentIndex(check->PeriodChoice()->findData(3));
    check->SundayStartChoice()->setCurrentIndex(check->SundayStartChoice()->findData(0));
    check->NightChoice()->setCurrentIndex(check->NightChoice()->findData(21 * 60));
    check->ArduousChoice()->setChecked(true);
    ok = Save(window.ComplianceDock(), out, "panel-compliance-options") && ok;

    // An earlier entry reaching back into the day before: the writer refuses
    // the overlap and the calendar shows and blinks its day.
    Choose(window, QStringLiteral("Trzy zmiany"));
    TimeFieldEdit* earlierEntry = window.Field(FieldIds::Allowance(0));
    earlierEntry->setText(QStringLiteral("20:00"));
    earlierEntry->Leave();
    window.Button("cmdZapisz")->click();
    ok = Save(&window, out, "main-overlap-blink") && ok;
    window.Undo()->undo(); // the plan as it was opened again

    Choose(window, QStringLiteral("Biuro"));
    ok = SaveModal([&] { window.Button("cmdZakres")->click(); }, out, "dialog-range") && ok;
    ok = SaveModal([&] { window.Button("cmdNowy")->click(); }, out, "dialog-new-plan") && ok;
    ok = SaveModal([&] { window.Button("cmdAbout")->click(); }, out, "dialog-about") && ok;
    Choose(window, QStringLiteral("Trzy zmiany"));
    ExportMonthsDialog months(ExportMonths(window.Output()->Input()), &window);
    months.show();
    ok = Save(&months, out, "dialog-export-months") && ok;
    months.hide();
    // The export's name is a link to the open plan's file: refused, with the cause.
    const QString link = programDir.filePath(QStringLiteral("plan.csv"));
    QFile::link(PlanFilePath(state.Env, QStringLiteral("Trzy zmiany")), link);
    prompt.Clear();
    window.Output()->ExportTo(link);
    MessageBoxPrompt boxes(&window);
    const QString refusal = prompt.Texts().value(0);
    ok = !refusal.isEmpty() &&
         SaveModal([&] { boxes.ShowMessage(MessageIcon::Critical, refusal); }, out, "message-export-refused") && ok;
    window.Progress()->Bar()->setValue(40);
    window.Progress()->show();
    ok = Save(window.Progress(), out, "dialog-progress") && ok;
    window.Progress()->hide();
    FrmObrazek splash;
    splash.Bar()->setValue(65);
    splash.show();
    ok = Save(&splash, out, "dialog-splash") && ok;
    splash.hide();

    // A four-brigade rotation: the dialog with brigade 2 chosen, then the month painted.
    Choose(window, QStringLiteral("Trzy zmiany"));
    auto* tools = window.findChild<CalendarTools*>();
    const auto brigadeTwo = [](QWidget* shown) {
        auto* dialog = qobject_cast<CycleDialog*>(shown);
        dialog->Brigade()->setCurrentIndex(1);
        dialog->KeepFreeDays()->setChecked(true);
    };
    ok = SaveModal([&] { tools->PaintCycle(); }, out, "dialog-cycle", brigadeTwo) && ok;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<CycleDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        brigadeTwo(dialog);
        dialog->accept();
    });
    tools->PaintCycle();
    ok = Save(&window, out, "main-cycle-painted") && ok;
    window.Undo()->undo();

    // The free-days list with next holidays added, and one of its entries
    // being changed; closed without saving.
    prompt.ScriptAnswers({Answer::No});
    ok = SaveModal([&] { tools->EditFreeDays(); }, out, "dialog-free-days",
                   [&](QWidget* shown) {
                       auto* list = qobject_cast<FreeDaysDialog*>(shown);
                       list->AddHolidaysOf(2051);
                       FreeDayEntryDialog entry(list->Document(), 0, list);
                       entry.show();
                       ok = Save(&entry, out, "dialog-free-day-entry") && ok;
                   }) &&
         ok;

    Choose(window, NoPlanText);
    window.Employees()->Search()->setText(QStringLiteral("ska"));
    ok = Save(&window, out, "main-employees-filtered") && ok;

    // The team's month of March 2025.
    window.Employees()->Search()->clear();
    window.findChild<QAction*>(QStringLiteral("teamMonthAction"))->trigger();
    auto* team = window.findChild<TeamMonthWindow*>(QStringLiteral("teamMonthWindow"));
    team->ShowMonth(QDate(2025, 3, 1));
    team->GridView()->setCurrentIndex(team->Filter()->index(2, 16));
    ok = Save(team, out, "team-month") && ok;
    // Eight people wanted on every morning shift: the weekends and the weeks
    // the three-shift plan works afternoons fall short.
    auto* coverage = team->CoverageModel();
    const auto setMorningMinimum = [coverage](int minimum) {
        for (int row = 1; row < coverage->rowCount(); ++row) {
            if (coverage->headerData(row, Qt::Vertical, Qt::DisplayRole).toString().endsWith(u"06:00–14:00"))
                coverage->setData(coverage->index(row, TeamCoverageModel::MinimumColumn), minimum, Qt::EditRole);
        }
    };
    setMorningMinimum(8);
    ok = Save(team, out, "team-month-short") && ok;
    // The group's own minimum: two on its mornings.
    auto* groups = team->findChild<QComboBox*>(QStringLiteral("teamGroupChoice"));
    groups->setCurrentIndex(groups->findText(QStringLiteral("Transport")));
    setMorningMinimum(2);
    ok = Save(team, out, "team-month-filtered") && ok;
    team->close();

    const MountedFileSystem sshfs{QStringLiteral("fuse.sshfs"), {QStringLiteral("rw")}};
    ok = SaveModal([&] { boxes.ShowMessage(MessageIcon::Exclamation, LocksStayLocalMessage(sshfs)); }, out,
                   "message-share-locks") &&
         ok;

    QTextStream(stdout) << "messages: " << prompt.Texts().join(QStringLiteral(" | ")) << '\n';
    return ok ? 0 : 1;
}

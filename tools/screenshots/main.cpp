// grafenta-screenshots OUTDIR: renders the main window in its main states on
// a fresh demo data directory, each to OUTDIR/<state>.png, as a user meets
// them: no plan open, a schedule plan, a weekly plan, the blink after an
// overlap, and the employee list filtered; the dialogs, and the message of an
// export refused before anything is written.
#include "demo/DemoData.h"
#include "dialogs/FrmNowyPlan.h"
#include "dialogs/FrmObrazek.h"
#include "dialogs/FrmProgress.h"
#include "dialogs/FrmZmianaZakresu.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MessageBoxPrompt.h"
#include "editor/MonthCalendar.h"
#include "editor/PlanOutput.h"
#include "editor/SchedulePanel.h"
#include "editor/TimeFieldEdit.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include <QProgressBar>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

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

// Opens a modal window, renders it as soon as it shows, and closes it again.
bool SaveModal(const std::function<void()>& open, const QString& folder, const char* name)
{
    bool saved = false;
    QTimer::singleShot(50, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        if (!shown) return;
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
    if (argc != 2) {
        err << "usage: grafenta-screenshots OUTDIR\n";
        return 2;
    }
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
    bool ok = Save(&window, out, "main-no-plan");

    Choose(window, QStringLiteral("Biuro"));
    window.Panel()->tglKolor_Click(1);
    ok = Save(&window, out, "main-schedule-plan") && ok;

    Choose(window, QStringLiteral("Tydzień pracy"));
    ok = Save(&window, out, "main-weekly-plan") && ok;

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

    Choose(window, NoPlanText);
    window.Employees()->Search()->setText(QStringLiteral("ska"));
    ok = Save(&window, out, "main-employees-filtered") && ok;

    QTextStream(stdout) << "messages: " << prompt.Texts().join(QStringLiteral(" | ")) << '\n';
    return ok ? 0 : 1;
}

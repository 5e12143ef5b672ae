// grafenta-station [--user NAME]: the editor started from its own program
// folder exactly as the program starts, for a test that plays the user of
// one workstation through the standard streams. Every message and question
// goes to standard output as one line (see PromptLine); questions are
// answered No unless the command says otherwise. NAME stands in for the
// system's user name, as another login on another workstation would.
// Commands, one a line:
//
//   choose PLAN               picks PLAN (or <BRAK>) in cboPlany
//   paint SLOT DAY            presses tglKolor_SLOT, clicks the cell of DAY of the month shown
//   save                      clicks cmdZapisz
//   leave                     clicks cmdWyjdz and answers Yes
//   holdfree                  takes the free-days lock, as reading the suite's free days does, and keeps it
//   loop SLOT SLOT DAY        paints DAY with each slot in turn and saves after each, until killed
//   assign NUMBER... | all    selects the employees of the card numbers (or all), clicks cmdPrzydziel
//
// Each command is answered with "ok COMMAND" when it is done; start-up with
// "ok start", or with the program's end when start-up ended it.
#include "TestSupport.h"

#include "editor/DayCell.h"
#include "editor/EmployeeList.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "env/Locks.h"
#include "env/Startup.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {

void Say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Says each message and question on standard output.
class StationPrompt : public Prompt
{
public:
    void ShowMessage(MessageIcon icon, const QString& text) override { Say(PromptLine({icon, text})); }
    Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) override
    {
        Say(PromptLine({icon, text, true, buttons}));
        return std::exchange(NextAnswer, Answer::No);
    }

    Answer NextAnswer = Answer::No;
};

void Paint(FrmGrafenta& window, int slot, int day)
{
    QTest::mouseClick(window.findChild<QPushButton*>(u"tglKolor_%1"_s.arg(slot)), Qt::LeftButton);
    QTest::mouseClick(window.Calendar()->Cell(window.Calendar()->CellOfDay(day)), Qt::LeftButton);
}

void Run(FrmGrafenta& window, StationPrompt& prompt, const QString& line)
{
    const QStringList args = line.split(u' ');
    const QString& command = args.first();
    if (command == "choose"_L1) {
        window.PlanBox()->setCurrentIndex(window.PlanBox()->findText(line.section(u' ', 1)));
    } else if (command == "paint"_L1) {
        Paint(window, args.value(1).toInt(), args.value(2).toInt());
    } else if (command == "save"_L1) {
        QTest::mouseClick(window.Button("cmdZapisz"), Qt::LeftButton);
    } else if (command == "leave"_L1) {
        prompt.NextAnswer = Answer::Yes;
        QTest::mouseClick(window.Button("cmdWyjdz"), Qt::LeftButton);
    } else if (command == "holdfree"_L1) {
        AcquireFreeDaysLock(window.State().Env, window.State().FreeDays.FreeDaysLockHandle);
    } else if (command == "assign"_L1) {
        const EmployeeList* list = window.Employees();
        list->View()->clearSelection();
        for (int row = 0; row < list->Filter()->rowCount(); ++row) {
            const QModelIndex number = list->Filter()->index(row, 0);
            if (args.contains(u"all"_s) || args.mid(1).contains(number.data().toString()))
                list->View()->selectionModel()->select(number, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        QTest::mouseClick(window.Button("cmdPrzydziel"), Qt::LeftButton);
    } else if (command == "loop"_L1) {
        for (int turn = 0;; turn ^= 1) {
            Paint(window, args.value(1 + turn).toInt(), args.value(3).toInt());
            QTest::mouseClick(window.Button("cmdZapisz"), Qt::LeftButton);
        }
    }
    Say(u"ok "_s + command);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Grafenta"_s);
    QApplication::setOrganizationName(u"Grafenta"_s);
    const QString user = app.arguments().value(2); // after --user

    KelbrinLibrary library;
    StationPrompt prompt;
    ProgramState state(library, prompt);
    FrmGrafenta window(state);
    InstanceLock instance;
    StartupSteps steps = window.WindowStartupSteps();
    // The user name is read just before the free days, the first to use it.
    steps.ReadFreeDays = [user, &state](Environment& env) {
        if (!user.isEmpty()) env.UserName = user;
        WczytajDniWolne(env, state.FreeDays);
    };
    if (!StartProgram(state, library, instance, QCoreApplication::applicationDirPath(), steps)) return 1;
    window.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray buffer;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (count <= 0) return QCoreApplication::exit(3); // the test is gone
        buffer.append(chunk, count);
        // Commands run one at a time, also when one lets the window handle its events.
        input.setEnabled(false);
        for (qsizetype end; (end = buffer.indexOf('\n')) >= 0; buffer.remove(0, end + 1))
            Run(window, prompt, QString::fromUtf8(buffer.left(end)));
        input.setEnabled(true);
    });
    Say(u"ok start"_s);
    return app.exec();
}

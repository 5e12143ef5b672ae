// grafenta-station [--user NAME]: the editor started from its own program
// folder exactly as the program starts, for a test that plays the user of
// one workstation through the standard streams. Every message and question
// goes to standard output as one line (see PromptLine); questions take the
// answers given before them, else No. NAME stands in for the system's user
// name, as another login on another workstation would. Commands, one a line:
//
//   answer Yes|No|Cancel|Ok   the answer to the next question
//   choose PLAN               picks PLAN (or <BRAK>) in cboPlany
//   paint SLOT DAY            presses tglKolor_SLOT, clicks the cell of DAY of the month shown
//   save                      clicks cmdZapisz
//   leave                     clicks cmdWyjdz
//   holdfree                  takes the free-days lock, as reading the suite's free days does, and keeps it
//   loop SLOT SLOT DAY        paints DAY with each slot in turn and saves after each, until killed
//
// Each command is answered with "ok COMMAND" when it is done; start-up with
// "ok start", or with the program's end when start-up ended it.
#include "TestSupport.h"

#include "editor/DayCell.h"
#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "env/Locks.h"
#include "env/Startup.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

void Say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// The recorder's answers, each shown and asked also said on standard output.
class StationPrompt : public RecordingPrompt
{
public:
    StationPrompt() { SetDefaultAnswer(Answer::No); }
    void ShowMessage(MessageIcon icon, const QString& text) override
    {
        RecordingPrompt::ShowMessage(icon, text);
        Say(PromptLine(Entries().last()));
    }
    Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) override
    {
        const Answer answer = RecordingPrompt::Ask(icon, text, buttons);
        Say(PromptLine(Entries().last()));
        return answer;
    }
};

class Driver
{
public:
    Driver(FrmGrafenta& window, StationPrompt& prompt) : m_window(window), m_prompt(prompt)
    {
        QObject::connect(&m_input, &QSocketNotifier::activated, [this] { ReadInput(); });
    }

private:
    void ReadInput()
    {
        char chunk[4096];
        const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (count <= 0) {
            QCoreApplication::exit(3); // the test is gone
            return;
        }
        m_buffer.append(chunk, count);
        // Commands run one at a time, also when one lets the window handle its events.
        m_input.setEnabled(false);
        for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0; m_buffer.remove(0, end + 1))
            Run(QString::fromUtf8(m_buffer.left(end)));
        m_input.setEnabled(true);
    }

    void Click(const char* name) { QTest::mouseClick(m_window.Button(name), Qt::LeftButton); }

    void Paint(int slot, int day)
    {
        QTest::mouseClick(m_window.findChild<QPushButton*>(u"tglKolor_%1"_s.arg(slot)), Qt::LeftButton);
        QWidget* cell = m_window.Calendar()->Cell(m_window.Calendar()->CellOfDay(day));
        QTest::mousePress(cell, Qt::LeftButton);
        QTest::mouseRelease(cell, Qt::LeftButton);
    }

    void Run(const QString& line)
    {
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        const QString rest = line.section(QLatin1Char(' '), 1);
        const QStringList args = rest.split(QLatin1Char(' '));
        if (command == "answer"_L1) {
            static const QStringList answers{u"Ok"_s, u"Yes"_s, u"No"_s, u"Cancel"_s};
            m_prompt.ScriptAnswers({Answer(answers.indexOf(rest))});
        } else if (command == "choose"_L1) {
            m_window.PlanBox()->setCurrentIndex(m_window.PlanBox()->findText(rest));
        } else if (command == "paint"_L1) {
            Paint(args.value(0).toInt(), args.value(1).toInt());
        } else if (command == "save"_L1) {
            Click("cmdZapisz");
        } else if (command == "leave"_L1) {
            Click("cmdWyjdz");
        } else if (command == "holdfree"_L1) {
            ProgramState& state = m_window.State();
            AcquireFreeDaysLock(state.Env, state.FreeDays);
        } else if (command == "loop"_L1) {
            for (int turn = 0;; turn ^= 1) {
                Paint(args.value(turn).toInt(), args.value(2).toInt());
                Click("cmdZapisz");
            }
        } else {
            Say(u"unknown "_s + command);
        }
        Say(u"ok "_s + command);
    }

    FrmGrafenta& m_window;
    StationPrompt& m_prompt;
    QSocketNotifier m_input{STDIN_FILENO, QSocketNotifier::Read};
    QByteArray m_buffer;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Grafenta"_s);
    QApplication::setOrganizationName(u"Grafenta"_s);
    const QStringList args = app.arguments();
    const QString user = args.size() == 3 && args.at(1) == "--user"_L1 ? args.at(2) : QString();

    KelbrinLibrary library;
    StationPrompt prompt;
    ProgramState state(library, prompt);
    FrmGrafenta window(state);
    InstanceLock instance;
    StartupSteps steps = window.WindowStartupSteps();
    // The user name is read just before the free days, the first to use it.
    steps.ReadFreeDays = [user, read = steps.ReadFreeDays](ProgramState& s) {
        if (!user.isEmpty()) s.Env.UserName = user;
        read(s);
    };
    if (!StartProgram(state, library, instance, QCoreApplication::applicationDirPath(), steps)) return 1;

    window.show();
    Driver driver(window, prompt);
    Say(u"ok start"_s);
    return app.exec();
}

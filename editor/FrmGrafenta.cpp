#include "editor/FrmGrafenta.h"

#include "env/ProgramState.h"
#include "env/Prompt.h"

#include <QCoreApplication>
#include <QWidget>

FrmGrafenta::FrmGrafenta(ProgramState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("frmGrafenta"));
    setCentralWidget(new QWidget(this));
    // 9135 x 6735 twips at 15 twips a pixel.
    resize(609, 449);
}

uint32_t FrmGrafenta::BackgroundColour() const
{
    return palette().color(QPalette::Window).rgb() & 0xFFFFFF;
}

StartupSteps FrmGrafenta::WindowStartupSteps()
{
    StartupSteps steps;
    steps.ProcessEvents = [] { QCoreApplication::processEvents(); };
    steps.WindowColour = BackgroundColour();
    steps.FinishWindow = [this](ProgramState&) { setWindowTitle(MessageTitle); };
    return steps;
}

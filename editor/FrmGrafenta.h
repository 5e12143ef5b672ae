// The main window of the editor. For now an empty frame: start-up fills in
// its background colour and caption.
#pragma once

#include "env/Startup.h"

#include <QMainWindow>

struct ProgramState;

class FrmGrafenta : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmGrafenta(ProgramState& state, QWidget* parent = nullptr);

    // The window's turns in the start-up sequence.
    StartupSteps WindowStartupSteps();

    // The window's background colour, 0xRRGGBB.
    uint32_t BackgroundColour() const;

private:
    ProgramState& m_state;
};

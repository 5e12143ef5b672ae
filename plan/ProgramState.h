// The program-wide state: one owner (the main window, or a tool's main) of
// three parts that routines take on their own where they need only one.
#pragma once

#include "env/Environment.h"
#include "env/Startup.h"
#include "freedays/DniWolne.h"
#include "plan/PlanDocument.h"

#include <QString>

static_assert(ColourSlots == SlotCount && FreeDayColourSlot == FreeDaySlot, "one colour per schedule slot");

struct ProgramState
{
    ProgramState(const KelbrinLibrary& library, Prompt& prompt) : Env(library, prompt) {}

    Environment Env;        // library, prompt, user, paths
    PlanDocument Doc;       // the open plan
    SuiteFreeDays FreeDays; // the suite's free days
};

// The start-up of the program (StartProgram of env/Startup.h) with the whole
// state: right before the window's empty state the open plan holds no lock,
// nothing filled or shown, and its time fields take their values from their
// texts; the free days are read under their lock unless steps read them
// otherwise.
bool StartProgram(ProgramState& state, KelbrinLibrary& library, InstanceLock& instance, const QString& programDir,
                  StartupSteps steps = {});

// The program-wide state: one owner (the main window, or a tool's main) of
// three parts that routines take on their own where they need only one.
#pragma once

#include "env/Environment.h"
#include "freedays/DniWolne.h"
#include "plan/PlanDocument.h"

struct ProgramState
{
    ProgramState(const KelbrinLibrary& library, Prompt& prompt) : Env(library, prompt) {}

    Environment Env;        // library, prompt, user, paths
    PlanDocument Doc;       // the open plan
    SuiteFreeDays FreeDays; // the suite's free days
};

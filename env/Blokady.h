// Lock records that keep other users off the plan being edited and off the
// suite's free days while they are read.
#pragma once

#include <QString>

#include <cstdint>

struct ProgramState;

// "user z computer" from the state's user and computer names, each trimmed.
QString LockHolder(const ProgramState& state);

// Takes the edit lock ("PlnEdit", name + ".PLN") of a plan. Without a user
// name the plan is opened without a lock (true). A refusal shows who holds
// the lock, sets PlanLockHandle and PlanLockState to -1 and gives false.
bool AcquirePlanLock(ProgramState& state, const QString& planName);

// Takes the free-days lock ("EditFree", "FreeDays"). Without a user name:
// false and no message. A refusal shows its message and gives false.
bool AcquireFreeDaysLock(ProgramState& state);

// Releases the lock of a handle variable and sets it to -1; a variable that
// holds -1 is left alone.
void ReleaseLock(ProgramState& state, int32_t& handle);

// Lock records that keep other users off the plan being edited and off the
// suite's free days while they are read.
#pragma once

#include <QString>

#include <cstdint>

struct Environment;
struct PlanDocument;
struct SuiteFreeDays;

// "user z computer" from the user and computer names, each trimmed.
QString LockHolder(const Environment& env);

// Takes the edit lock ("PlnEdit", name + ".PLN") of a plan. Without a user
// name the plan is opened without a lock (true). A refusal shows who holds
// the lock, sets PlanLockHandle and PlanLockState to -1 and gives false.
bool AcquirePlanLock(const Environment& env, PlanDocument& doc, const QString& planName);

// Takes the free-days lock ("EditFree", "FreeDays"). Without a user name:
// false and no message. A refusal shows its message and gives false.
bool AcquireFreeDaysLock(const Environment& env, SuiteFreeDays& freeDays);

// Releases the lock of a handle variable and sets it to -1; a variable that
// holds -1 is left alone.
void ReleaseLock(const Environment& env, int32_t& handle);

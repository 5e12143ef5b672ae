// Lock records that keep other users off the plan being edited and off the
// suite's free days while they are read.
#pragma once

#include <QString>

#include <cstdint>

struct Environment;

// "user z computer" from the user and computer names, each trimmed.
QString LockHolder(const Environment& env);

// Takes the edit lock ("PlnEdit", name + ".PLN") of a plan into
// planLockHandle, with a copy in planLockState. Without a user name the plan
// is opened without a lock (true, both left alone). A refusal shows who holds
// the lock, sets both to -1 and gives false.
bool AcquirePlanLock(const Environment& env, const QString& planName, int32_t& planLockHandle, int32_t& planLockState);

// Takes the free-days lock ("EditFree", "FreeDays") into freeDaysLockHandle.
// Without a user name: false and no message. A refusal shows its message,
// sets the handle to -1 and gives false.
bool AcquireFreeDaysLock(const Environment& env, int32_t& freeDaysLockHandle);

// Releases the lock of a handle variable and sets it to -1; a variable that
// holds -1 is left alone.
void ReleaseLock(const Environment& env, int32_t& handle);

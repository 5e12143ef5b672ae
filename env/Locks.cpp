#include "env/Locks.h"

#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "env/UserIdentity.h"

namespace {

// The caller's owner buffer: 256 blanks for the library to write into.
QString OwnerBuffer()
{
    return QString(256, QLatin1Char(' '));
}

bool HasUserName(const Environment& env)
{
    return !TrimBlanks(env.UserName).isEmpty();
}

// A refusal's message, and on a line of its own why the lock record could not
// be written, when the system said why.
QString WithCause(const Environment& env, const QString& text, int systemError)
{
    if (systemError == 0) return text;
    const QString folder = QDir(env.DataDir()).filePath(QStringLiteral("BLOKADY"));
    const QString cause = FileErrorCause(FileErrorNumber(systemError, folder), QStringLiteral("BLOKADY"));
    return cause.isEmpty() ? text : text + Cr + cause;
}

} // namespace

QString LockHolder(const Environment& env)
{
    return TrimBlanks(env.UserName) + QStringLiteral(" z ") + TrimBlanks(env.ComputerName);
}

bool AcquirePlanLock(const Environment& env, const QString& planName, int32_t& planLockHandle, int32_t& planLockState)
{
    env.Lib.SetDir(env.DataDir());
    if (!HasUserName(env)) return true; // the plan is opened without a lock
    QString owner = OwnerBuffer();
    int systemError = 0;
    const int32_t handle = env.Lib.CreateLock(QStringLiteral("PlnEdit"), planName + QStringLiteral(".PLN"),
                                              LockHolder(env), owner, &systemError);
    planLockHandle = handle;
    planLockState = handle;
    if (handle != -1) return true;
    owner = TrimBlanks(owner);
    if (owner.isEmpty()) {
        env.Ui.ShowMessage(
            MessageIcon::Critical,
            WithCause(env,
                      QStringLiteral("Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy."),
                      systemError));
    } else {
        env.Ui.ShowMessage(MessageIcon::Critical,
                           QStringLiteral("Plan pracy: ") + planName + QStringLiteral(" jest zablokowana przez: ") +
                               owner + QLatin1Char('.') + Cr + QStringLiteral("Edycja planu pracy niemożliwa."));
    }
    return false;
}

bool AcquireFreeDaysLock(const Environment& env, int32_t& freeDaysLockHandle)
{
    if (!HasUserName(env)) return false;
    env.Lib.SetDir(env.DataDir() + QLatin1Char('/'));
    QString owner = OwnerBuffer();
    int systemError = 0;
    freeDaysLockHandle = env.Lib.CreateLock(QStringLiteral("EditFree"), QStringLiteral("FreeDays"), LockHolder(env),
                                            owner, &systemError);
    if (freeDaysLockHandle != -1) return true;
    owner = TrimBlanks(owner);
    if (!owner.isEmpty()) {
        env.Ui.ShowMessage(MessageIcon::Critical,
                           QStringLiteral("Zapis danych niemożliwy.") + Cr +
                               QStringLiteral("Dostęp do danych zablokowany przez: ") + owner + QLatin1Char('.') + Cr +
                               QStringLiteral("Poczekaj aż zostanie zwolniony i spróbuj ponownie."));
    } else {
        env.Ui.ShowMessage(MessageIcon::Critical,
                           WithCause(env, QStringLiteral("Blokada danych niemożliwa."), systemError));
    }
    return false;
}

void ReleaseLock(const Environment& env, int32_t& handle)
{
    if (handle == -1) return;
    env.Lib.DeleteLock(handle);
    handle = -1;
}

#include "env/Blokady.h"

#include "env/Kelbrin.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"
#include "env/UserIdentity.h"

#include <QDir>

namespace {

// The caller's owner buffer: 256 blanks for the library to write into.
QString OwnerBuffer()
{
    return QString(256, QLatin1Char(' '));
}

bool HasUserName(const ProgramState& state)
{
    return !TrimBlanks(state.UserName).isEmpty();
}

} // namespace

QString LockHolder(const ProgramState& state)
{
    return TrimBlanks(state.UserName) + QStringLiteral(" z ") + TrimBlanks(state.ComputerName);
}

bool AcquirePlanLock(ProgramState& state, const QString& planName)
{
    state.Lib.SetDir(state.DataDir());
    if (!HasUserName(state)) return true; // the plan is opened without a lock
    QString owner = OwnerBuffer();
    const int32_t handle =
        state.Lib.CreateLock(QStringLiteral("PlnEdit"), planName + QStringLiteral(".PLN"), LockHolder(state), owner);
    state.PlanLockHandle = handle;
    state.PlanLockState = handle;
    if (handle != -1) return true;
    owner = TrimBlanks(owner);
    if (owner.isEmpty()) {
        state.Ui.ShowMessage(
            MessageIcon::Critical,
            QStringLiteral("Edycja planu pracy niemożliwa. Nie można utworzyć pliku blokady planu pracy."));
    } else {
        state.Ui.ShowMessage(MessageIcon::Critical,
                             QStringLiteral("Plan pracy: ") + planName + QStringLiteral(" jest zablokowana przez: ") +
                                 owner + QLatin1Char('.') + Cr + QStringLiteral("Edycja planu pracy niemożliwa."));
    }
    state.PlanLockHandle = -1;
    state.PlanLockState = -1;
    return false;
}

bool AcquireFreeDaysLock(ProgramState& state)
{
    if (!HasUserName(state)) return false;
    state.Lib.SetDir(state.DataDir() + QLatin1Char('/'));
    QString owner = OwnerBuffer();
    state.FreeDaysLockHandle =
        state.Lib.CreateLock(QStringLiteral("EditFree"), QStringLiteral("FreeDays"), LockHolder(state), owner);
    if (state.FreeDaysLockHandle != -1) return true;
    owner = TrimBlanks(owner);
    if (!owner.isEmpty()) {
        state.Ui.ShowMessage(MessageIcon::Critical,
                             QStringLiteral("Zapis danych niemożliwy.") + Cr +
                                 QStringLiteral("Dostęp do danych zablokowany przez: ") + owner + QLatin1Char('.') +
                                 Cr + QStringLiteral("Poczekaj aż zostanie zwolniony i spróbuj ponownie."));
    } else {
        state.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Blokada danych niemożliwa."));
    }
    state.FreeDaysLockHandle = -1;
    return false;
}

void ReleaseLock(ProgramState& state, int32_t& handle)
{
    if (handle == -1) return;
    state.Lib.DeleteLock(handle);
    handle = -1;
}

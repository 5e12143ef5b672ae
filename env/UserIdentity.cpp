#include "env/UserIdentity.h"

#include "env/CodePage.h"

#include <QSysInfo>
#include <QtGlobal>

#ifdef Q_OS_WIN
#    include <windows.h>
#else
#    include <pwd.h>
#    include <sys/types.h>
#    include <unistd.h>

#    include <vector>
#endif

namespace {

constexpr int UserNameBufferSize = 256;
constexpr int ComputerNameBufferSize = 255;

QString AccountName()
{
#ifdef Q_OS_WIN
    wchar_t buffer[UserNameBufferSize + 1];
    DWORD size = UserNameBufferSize + 1;
    if (GetUserNameW(buffer, &size) && size > 0) return QString::fromWCharArray(buffer, int(size) - 1);
    return qEnvironmentVariable("USERNAME");
#else
    // The account of the effective user id, as the system keeps it. USER and
    // LOGNAME are only a fallback: services and containers often lack them,
    // and an empty name would open plans without a lock.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name &&
        *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.trimmed().isEmpty() ? qEnvironmentVariable("LOGNAME") : user;
#endif
}

} // namespace

QString TrimBlanks(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

QString NameFromBuffer(const QString& name, int bufferSize)
{
    if (ToCodePage(name).size() + 1 > bufferSize) return QString();
    return TrimBlanks(name);
}

QString SystemUserName()
{
    return NameFromBuffer(AccountName(), UserNameBufferSize);
}

QString SystemComputerName()
{
    return NameFromBuffer(QSysInfo::machineHostName(), ComputerNameBufferSize);
}

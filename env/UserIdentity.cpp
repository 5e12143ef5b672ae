#include "env/UserIdentity.h"

#include <QSysInfo>
#include <QtGlobal>

QString SystemUserName()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME").trimmed();
#else
    QString name = qEnvironmentVariable("USER").trimmed();
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME").trimmed();
    return name;
#endif
}

QString SystemComputerName()
{
    return QSysInfo::machineHostName().trimmed();
}

#include "env/Rejestr.h"

#include "env/CodePage.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

QString CzytajPakiet(const QSettings& source)
{
    if (source.status() != QSettings::NoError) return {};
    const QVariant value = source.value(QStringLiteral("Pakiet"));
    if (!value.isValid()) return {};
    const QString text =
        value.typeId() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", ")) : value.toString();
    // A value longer than the buffer it is read into is not read at all.
    QByteArray bytes = ToCodePage(text);
    if (bytes.size() > PakietMaxBytes) return {};
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) bytes.truncate(zero);
    const QString name = FromCodePage(bytes);
    return name.trimmed().isEmpty() ? QString() : name;
}

QString CzytajPakiet()
{
#ifdef Q_OS_WIN
    const QSettings source(QStringLiteral("HKEY_LOCAL_MACHINE\\software\\Morvane\\Morvane KZT"),
                           QSettings::Registry32Format);
#else
    const QSettings source(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Morvane"),
                           QStringLiteral("Morvane KZT"));
#endif
    return CzytajPakiet(source);
}

#include "env/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray ToCodePage(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

QString FromCodePage(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1250");
    return decoder.decode(bytes);
}

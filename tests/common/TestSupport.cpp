#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

const KelbrinLibrary& TestLibrary()
{
    static KelbrinLibrary* library = [] {
        auto* lib = new KelbrinLibrary;
        if (!lib->Load(QCoreApplication::applicationDirPath())) {
            qFatal("cannot load the suite library: %s", qPrintable(lib->ErrorString()));
        }
        return lib;
    }();
    return *library;
}

TestEnvironment::TestEnvironment() : State(TestLibrary(), Ui)
{
    const QDir root(Root.path());
    root.mkpath(QStringLiteral("DANE/PLANY"));
    root.mkpath(QStringLiteral("DANE/PERSONEL"));
    root.mkpath(QStringLiteral("TEMP"));
    State.ProgramDir = Root.path();
    State.DataRootDir = Root.path();
    State.KatalogTemp = root.filePath(QStringLiteral("TEMP"));
}

void AppendInt32(QByteArray& bytes, int32_t value)
{
    char raw[4];
    qToLittleEndian<qint32>(value, raw);
    bytes.append(raw, 4);
}

void AppendInt16(QByteArray& bytes, int16_t value)
{
    char raw[2];
    qToLittleEndian<qint16>(value, raw);
    bytes.append(raw, 2);
}

void AppendByte(QByteArray& bytes, uint8_t value)
{
    bytes.append(static_cast<char>(value));
}

int32_t Int32At(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset + 4 > bytes.size())
        qFatal("Int32At(%lld) past the end of %lld bytes", qlonglong(offset), qlonglong(bytes.size()));
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

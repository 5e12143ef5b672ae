#include "Contender.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>

Contender::Contender(const QString& folder, const QString& kind, const QString& object, const QString& holder,
                     int ownerLength)
    : m_arguments{folder, kind, object, holder, QString::number(ownerLength)}, m_holder(holder)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

Contender::~Contender()
{
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

bool Contender::Start()
{
    m_process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lockcontender")),
                    m_arguments);
    if (!m_process.waitForStarted(10000)) return false;
    const QList<QByteArray> ready = ReadLine().split(' ');
    if (ready.size() != 3 || ready.at(0) != "ready") return false;
    m_pid = ready.at(1).toLongLong();
    m_setDirStatus = ready.at(2).toInt();
    return true;
}

void Contender::Go()
{
    m_process.write("go\n");
    m_process.waitForBytesWritten(10000);
}

bool Contender::WaitForAnswer()
{
    const QByteArray handle = ReadLine();
    const QByteArray owner = ReadLine();
    if (!handle.startsWith("handle ") || !owner.startsWith("owner [") || !owner.endsWith(']')) return false;
    m_handle = handle.mid(7).toInt();
    QStringDecoder decoder("windows-1250");
    m_owner = decoder.decode(owner.mid(7, owner.size() - 8));
    return true;
}

bool Contender::Ask()
{
    if (!Start()) return false;
    Go();
    return WaitForAnswer();
}

int Contender::Release()
{
    m_process.write("release\n");
    m_process.waitForBytesWritten(10000);
    const QByteArray line = ReadLine();
    m_process.waitForFinished(10000);
    if (!line.startsWith("released ")) return -1;
    m_handle = -1;
    return line.mid(9).toInt();
}

void Contender::Kill(bool reap)
{
    m_process.kill();
    if (reap) m_process.waitForFinished(10000);
}

QByteArray Contender::ReadLine(int timeoutMs)
{
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(timeoutMs)) return {};
    }
    return m_process.readLine().trimmed();
}

// A lock record held by another process (the lockholder helper), released
// when this object goes.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

class HeldLock
{
public:
    HeldLock(const QString& dataDir, const QString& kind, const QString& object, const QString& holder)
    {
        m_process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lockholder")),
                        {dataDir, kind, object, holder});
        if (m_process.waitForStarted(10000) && m_process.waitForReadyRead(10000))
            m_held = m_process.readLine().trimmed() == "held";
    }
    ~HeldLock()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) m_process.kill();
    }
    bool Held() const { return m_held; }

private:
    QProcess m_process;
    bool m_held = false;
};

// Drives grafenta-holder, a second process that holds a lock as a copy of
// the program on another workstation would:
//   HolderProcess other({"lock", dataDir, "PlnEdit", "A.PLN", "Anna z PC2"});
//   HolderProcess other({"instance", programDir});
//   QVERIFY(other.Take() && other.Holds());
// It lets go when this object goes.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <functional>
#include <memory>

class HolderProcess
{
public:
    // childSetup runs in the new process before the holder starts (to become another user, say).
    explicit HolderProcess(const QStringList& arguments, const std::function<void()>& childSetup = {})
        : m_arguments(arguments)
    {
        if (childSetup) m_process.setChildProcessModifier(childSetup);
    }
    ~HolderProcess()
    {
        m_process.closeWriteChannel();
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(10000)) Kill();
    }

    // Starts the process and waits until it is ready to ask.
    bool Start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("grafenta-holder")),
                        m_arguments);
        m_pid = Answer("ready", 1).toLongLong();
        return m_pid > 0;
    }
    // Tells a started process to ask.
    void Go()
    {
        m_process.write("go\n");
        m_process.waitForBytesWritten(10000);
    }
    // Waits for the answer; false when none came.
    bool WaitForAnswer()
    {
        m_handle = Answer("taken", 1).section(QLatin1Char(' '), 0, 0).toInt();
        m_owner = m_answer.section(QLatin1Char(' '), 2);
        return m_handle != 0;
    }
    bool Take() { return Start() && (Go(), WaitForAnswer()); }

    bool Holds() const { return m_handle != -1; }
    // After a refusal: who holds the lock, as the library named them.
    QString Owner() const { return m_owner; }
    qint64 Pid() const { return m_pid; }

    // Ends the process with SIGKILL; with reap false it stays a zombie until this object goes.
    void Kill(bool reap = true)
    {
        m_process.kill();
        if (reap) m_process.waitForFinished(10000);
    }

private:
    // The fields from the given one on of the next line, when it starts with word.
    QString Answer(const char* word, int field)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) return {};
        }
        m_answer = QString::fromUtf8(m_process.readLine().trimmed());
        return m_answer.section(QLatin1Char(' '), 0, 0) == QLatin1String(word)
                   ? m_answer.section(QLatin1Char(' '), field)
                   : QString();
    }

    QProcess m_process;
    QStringList m_arguments;
    QString m_answer, m_owner;
    qint64 m_pid = 0;
    int m_handle = -1;
};

// A process holding the suite lock KIND OBJECT of dataDir under the holder
// text, for as long as the pointer lives; null when it could not take it.
inline std::shared_ptr<HolderProcess> HeldElsewhere(const QString& dataDir, const QString& kind, const QString& object,
                                                    const QString& holder)
{
    auto other = std::make_shared<HolderProcess>(QStringList{QStringLiteral("lock"), dataDir, kind, object, holder});
    return other->Take() && other->Holds() ? other : nullptr;
}

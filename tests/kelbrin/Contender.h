// Drives a lockcontender process: a second program that asks the suite
// library for a lock and holds it until told to let go.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <cstdint>

class Contender
{
public:
    // The process will bind folder and ask for (kind, object) as holder.
    Contender(const QString& folder, const QString& kind, const QString& object, const QString& holder,
              int ownerLength = 256);
    ~Contender(); // lets go of a held lock and waits for the process to end
    Contender(const Contender&) = delete;
    Contender& operator=(const Contender&) = delete;

    // Starts the process and waits until it has bound its folder.
    bool Start();
    // Tells a started process to ask for its lock.
    void Go();
    // Waits for the answer to the request; false when none came.
    bool WaitForAnswer();
    // Start, Go and WaitForAnswer in one.
    bool Ask();

    int32_t Handle() const { return m_handle; }
    bool Holds() const { return m_handle != -1; }
    // The owner buffer as the library left it, decoded from windows-1250.
    QString Owner() const { return m_owner; }
    QString Holder() const { return m_holder; }
    qint64 Pid() const { return m_pid; }
    int32_t SetDirStatus() const { return m_setDirStatus; }

    // Tells the process to call KLNX_DeleteLock and end; its status, or -1
    // when the process did not answer.
    int Release();
    // Ends the process with SIGKILL. With reap false the process is left a
    // zombie until this object waits for it.
    void Kill(bool reap = true);

    // A line of what the process printed, or empty after a timeout.
    QByteArray ReadLine(int timeoutMs = 10000);

private:
    QProcess m_process;
    QStringList m_arguments;
    QString m_holder;
    qint64 m_pid = 0;
    int32_t m_setDirStatus = -1;
    int32_t m_handle = -1;
    QString m_owner;
};

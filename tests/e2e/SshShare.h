// A folder of this computer shared as workstations of an office would mount
// it over SSH: an SSH server of the test's own on a free port of 127.0.0.1
// (its own host key, client key and configuration in a temporary folder;
// the system's are never read), and sshfs mounts of the folder, each over a
// connection of its own. Everything it starts it ends: the mounts, then the
// server.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class SshShare
{
public:
    SshShare() = default;
    ~SshShare();
    SshShare(const SshShare&) = delete;
    SshShare& operator=(const SshShare&) = delete;

    // What this computer lacks for a share (FUSE, sshfs, the SSH server or
    // its tools), in one line; empty when nothing is missing.
    static QString Missing();

    // Starts the server; false, with the reason in Error(), when it did not come up.
    bool Start();
    // Mounts folder (a path of this computer) at mountPoint, which is made when missing.
    bool Mount(const QString& folder, const QString& mountPoint);
    // Unmounts every mount made, and waits for their sshfs processes to end.
    void UnmountAll();

    const QString& Error() const { return m_error; }

private:
    struct Mounted
    {
        QString Point;
        std::unique_ptr<QProcess> Client; // sshfs, in the foreground
    };
    bool Fail(const QString& error);
    void Unmount(Mounted& mount);

    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    std::vector<Mounted> m_mounts;
    QString m_error;
};

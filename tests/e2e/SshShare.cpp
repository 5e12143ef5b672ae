#include "SshShare.h"

#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int StartMs = 15000;
constexpr unsigned long PollMs = 20;

QString ServerProgram()
{
    const QString inPath = QStandardPaths::findExecutable(u"sshd"_s);
    return inPath.isEmpty() ? QStandardPaths::findExecutable(u"sshd"_s, {u"/usr/sbin"_s, u"/usr/local/sbin"_s})
                            : inPath;
}

QString UnmountProgram()
{
    const QString fuse3 = QStandardPaths::findExecutable(u"fusermount3"_s);
    return fuse3.isEmpty() ? QStandardPaths::findExecutable(u"fusermount"_s) : fuse3;
}

sockaddr_in Loopback(int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port of 127.0.0.1 that nobody listens on now; 0 when none is given.
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const sockaddr_in address = Loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// A mount point shows another device than the folder that holds it.
bool IsMounted(const QString& point)
{
    struct stat inside;
    struct stat above;
    return ::stat(QFile::encodeName(point).constData(), &inside) == 0 &&
           ::stat(QFile::encodeName(point + u"/.."_s).constData(), &above) == 0 && inside.st_dev != above.st_dev;
}

QString UserName()
{
    const passwd* user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString();
}

} // namespace

SshShare::~SshShare()
{
    UnmountAll();
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }
}

QString SshShare::Missing()
{
    if (!QFileInfo::exists(u"/dev/fuse"_s)) return u"FUSE is missing: there is no /dev/fuse"_s;
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return u"FUSE is closed to this user: /dev/fuse cannot be opened"_s;
    for (const QString& tool : {u"sshfs"_s, u"ssh"_s, u"ssh-keygen"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) return tool + u" is missing"_s;
    }
    if (UnmountProgram().isEmpty()) return u"fusermount is missing"_s;
    if (ServerProgram().isEmpty()) return u"the SSH server sshd is missing"_s;
    // As root the server separates its privileges into the account sshd.
    if (::geteuid() == 0 && !::getpwnam("sshd")) return u"the SSH server's account sshd is missing"_s;
    return {};
}

bool SshShare::Fail(const QString& error)
{
    m_error = error;
    return false;
}

bool SshShare::Start()
{
    if (!m_dir.isValid()) return Fail(u"no temporary folder"_s);
    const QDir dir(m_dir.path());
    for (const QString& key : {u"host_key"_s, u"client_key"_s}) {
        const ToolRun run = RunProgram(u"ssh-keygen"_s, {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-C"_s,
                                                         u"grafenta-share-test"_s, u"-f"_s, dir.filePath(key)});
        if (!run.Finished || run.Code != 0) return Fail(u"ssh-keygen: "_s + run.Err);
    }
    if (!QFile::copy(dir.filePath(u"client_key.pub"_s), dir.filePath(u"authorized_keys"_s)))
        return Fail(u"no authorized_keys"_s);
    // As root the server wants its empty privilege-separation folder, which
    // the system's service makes at boot.
    if (::geteuid() == 0 && !QDir().mkpath(u"/run/sshd"_s)) return Fail(u"no /run/sshd"_s);

    QString output;
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = FreePort();
        const QString config = dir.filePath(u"sshd_config"_s);
        const QString text = QStringList{u"Port %1"_s.arg(m_port),
                                         u"ListenAddress 127.0.0.1"_s,
                                         u"HostKey "_s + dir.filePath(u"host_key"_s),
                                         u"PidFile none"_s,
                                         u"AuthorizedKeysFile "_s + dir.filePath(u"authorized_keys"_s),
                                         u"StrictModes no"_s,
                                         u"UsePAM no"_s,
                                         u"PubkeyAuthentication yes"_s,
                                         u"PasswordAuthentication no"_s,
                                         u"KbdInteractiveAuthentication no"_s,
                                         u"PermitRootLogin prohibit-password"_s,
                                         u"Subsystem sftp internal-sftp"_s,
                                         u"MaxStartups 50"_s,
                                         u"LogLevel ERROR"_s}
                                 .join(u'\n') +
                             u'\n';
        if (m_port == 0 || !WriteFile(config, text.toUtf8())) return Fail(u"no port or no configuration"_s);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        // -D: stays in the foreground, a child of ours; -e: says its errors on its output.
        m_server.start(ServerProgram(), {u"-D"_s, u"-e"_s, u"-f"_s, config});
        if (!m_server.waitForStarted(StartMs)) return Fail(u"sshd did not start: "_s + m_server.errorString());
        QElapsedTimer clock;
        clock.start();
        while (m_server.state() == QProcess::Running && !Accepts(m_port) && clock.elapsed() < StartMs)
            QThread::msleep(PollMs);
        if (m_server.state() == QProcess::Running && Accepts(m_port)) return true;
        m_server.kill();
        m_server.waitForFinished(5000);
        output = QString::fromLocal8Bit(m_server.readAll());
        // Another program may have taken the port between our look and the server's start.
        if (!output.contains(u"in use"_s)) break;
    }
    return Fail(u"sshd did not come up: "_s + output.trimmed());
}

bool SshShare::Mount(const QString& folder, const QString& mountPoint)
{
    if (!QDir().mkpath(mountPoint)) return Fail(u"no mount point "_s + mountPoint);
    Mounted mount{mountPoint, std::make_unique<QProcess>()};
    QProcess& client = *mount.Client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    // In the foreground (-f), so that the process is ours to wait for. The
    // client reads no configuration of the system's (-F /dev/null) and takes
    // the server's key as it comes.
    const QString options = u"IdentityFile="_s + QDir(m_dir.path()).filePath(u"client_key"_s) +
                            u",IdentitiesOnly=yes,UserKnownHostsFile=/dev/null,StrictHostKeyChecking=no,"
                            "BatchMode=yes,LogLevel=ERROR"_s;
    client.start(u"sshfs"_s, {u"-f"_s, UserName() + u"@127.0.0.1:"_s + folder, mountPoint, u"-p"_s,
                              QString::number(m_port), u"-F"_s, u"/dev/null"_s, u"-o"_s, options});
    client.waitForStarted(StartMs);
    QElapsedTimer clock;
    clock.start();
    while (client.state() != QProcess::NotRunning && !IsMounted(mountPoint) && clock.elapsed() < StartMs)
        QThread::msleep(PollMs);
    if (client.state() != QProcess::NotRunning && IsMounted(mountPoint)) {
        m_mounts.push_back(std::move(mount));
        return true;
    }
    const QString output = QString::fromLocal8Bit(client.readAll()).trimmed();
    Unmount(mount);
    return Fail(u"sshfs did not mount "_s + mountPoint + u": "_s + output);
}

void SshShare::Unmount(Mounted& mount)
{
    QProcess& client = *mount.Client;
    if (client.state() == QProcess::NotRunning) return;
    if (IsMounted(mount.Point)) RunProgram(UnmountProgram(), {u"-u"_s, mount.Point}, {}, 10000);
    if (client.waitForFinished(10000)) return;
    // Still in use: detached now, gone when the last user lets go.
    RunProgram(UnmountProgram(), {u"-u"_s, u"-z"_s, mount.Point}, {}, 10000);
    client.kill();
    client.waitForFinished(5000);
}

void SshShare::UnmountAll()
{
    for (Mounted& mount : m_mounts)
        Unmount(mount);
    m_mounts.clear();
}

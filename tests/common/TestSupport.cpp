#include "TestSupport.h"

#include "HolderProcess.h"

#include "env/CodePage.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

const KelbrinLibrary& TestLibrary()
{
    static KelbrinLibrary* library = [] {
        auto* lib = new KelbrinLibrary;
        if (!lib->Load(QCoreApplication::applicationDirPath()))
            qFatal("cannot load the suite library: %s", qPrintable(lib->ErrorString()));
        return lib;
    }();
    return *library;
}

TestEnvironment::TestEnvironment() : State(TestLibrary(), Ui)
{
    const QDir root(Root.path());
    root.mkpath(u"DANE/PLANY"_s);
    root.mkpath(u"DANE/PERSONEL"_s);
    root.mkpath(u"TEMP"_s);
    Env.ProgramDir = Root.path();
    Env.DataRootDir = Root.path();
    Env.KatalogTemp = root.filePath(u"TEMP"_s);
    Env.UserName = u"tester"_s;
    Env.ComputerName = u"pc1"_s;
}

QString TestEnvironment::Plan(const QString& name) const
{
    return QDir(PlansDir()).filePath(name + u".PLN"_s);
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

int32_t Int32At(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset + 4 > bytes.size())
        qFatal("Int32At(%lld) past the end of %lld bytes", qlonglong(offset), qlonglong(bytes.size()));
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

QByteArray FreeDayRecordBytes(int32_t minutes, const char* description, uint8_t recurring, char unused)
{
    QByteArray bytes;
    AppendInt32(bytes, minutes);
    QByteArray text = ToCodePage(QString::fromUtf8(description)).leftJustified(80, ' ', true);
    for (char& c : text) {
        if (c != ' ') c = char(c ^ 0x5E);
    }
    return bytes + text + char(recurring) + QByteArray(7, unused);
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

PathSetup FileOf(const QByteArray& bytes, qint64 size)
{
    return [bytes, size](const QString& path) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
            file.resize(qMax(size, qint64(bytes.size())));
    };
}

PathSetup Pipe()
{
    return [](const QString& path) { mkfifo(QFile::encodeName(path).constData(), 0600); };
}

PathSetup Directory()
{
    return [](const QString& path) { QDir().mkpath(path); };
}

PathSetup Nothing()
{
    return [](const QString&) {};
}

PathSetup CharDevice()
{
    return [](const QString& path) { ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)); };
}

PathSetup LinkTo(const QString& target)
{
    return [target](const QString& path) { QFile::link(target, path); };
}

QString WhatStandsAt(const QString& path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return u"absent"_s;
    if (S_ISLNK(status.st_mode)) return u"link "_s + QFileInfo(path).symLinkTarget();
    if (S_ISFIFO(status.st_mode)) return u"pipe"_s;
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return u"device"_s;
    if (S_ISDIR(status.st_mode)) return u"folder"_s;
    return u"file "_s + QString::fromLatin1(ReadFile(path).left(64));
}

std::optional<LocalUser> TestUser(const QString& name)
{
    if (::geteuid() != 0) return std::nullopt;
    const QByteArray account = name.toLatin1();
    if (!::getpwnam(account.constData()))
        RunProgram(u"useradd"_s, {u"--no-create-home"_s, u"--shell"_s, u"/usr/sbin/nologin"_s, name});
    const passwd* entry = ::getpwnam(account.constData());
    if (!entry) return std::nullopt;
    return LocalUser{name, entry->pw_uid, entry->pw_gid};
}

void GiveTo(const LocalUser& user, const QString& folder)
{
    QDirIterator entries(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
    while (entries.hasNext())
        (void)!::lchown(QFile::encodeName(entries.next()).constData(), user.Uid, user.Gid);
    (void)!::lchown(QFile::encodeName(folder).constData(), user.Uid, user.Gid);
}

namespace {

// Becomes the user in a child process; false when the system refused.
bool Become(const LocalUser& user, const QList<gid_t>& extraGroups)
{
    QList<gid_t> groups{user.Gid};
    groups += extraGroups;
    return ::setgroups(size_t(groups.size()), groups.constData()) == 0 && ::setgid(user.Gid) == 0 &&
           ::setuid(user.Uid) == 0;
}

} // namespace

std::function<void()> AsUser(const LocalUser& user)
{
    return [user] {
        ::unsetenv("XDG_RUNTIME_DIR");
        if (!Become(user, {})) ::_exit(99);
    };
}

QString RunAs(const LocalUser& user, const std::function<QString()>& check, const QList<gid_t>& extraGroups)
{
    int told[2];
    if (::pipe(told) != 0) return u"(no pipe)"_s;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(told[0]);
        const QByteArray text = Become(user, extraGroups) ? check().toUtf8() : "(could not become the user)";
        (void)!::write(told[1], text.constData(), size_t(text.size()));
        ::_exit(0);
    }
    ::close(told[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(told[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(buffer, n);
    }
    ::close(told[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(text);
}

FullDisk::FullDisk(const QString& folder) : m_folder(folder)
{
    if (::geteuid() != 0 || folder.isEmpty()) return;
    QDir().mkpath(folder);
    // A small file system that the test may mount where it runs (a container may forbid it).
    const ToolRun mount =
        RunProgram(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k,mode=0777"_s, u"tmpfs"_s, folder});
    m_mounted = mount.Code == 0;
}

void FullDisk::Fill()
{
    if (!m_mounted) return;
    QFile fill(QDir(m_folder).filePath(u".fill"_s));
    if (fill.open(QIODevice::WriteOnly)) {
        const QByteArray block(4096, 'x');
        while (fill.write(block) == block.size() && fill.flush()) {
        }
        fill.write("x", 1);
        fill.close();
    }
}

FullDisk::~FullDisk()
{
    if (m_mounted) RunProgram(u"umount"_s, {u"-l"_s, m_folder});
}

Prepare InPlans(const QString& name, const PathSetup& put, const QString& user)
{
    return [=](TestEnvironment& env) {
        env.Env.UserName = user;
        put(QDir(env.PlansDir()).filePath(name));
        return std::shared_ptr<void>();
    };
}

Prepare LockedElsewhere(const QString& name, const QByteArray& bytes, const QString& kind, const QString& object)
{
    return [=](TestEnvironment& env) -> std::shared_ptr<void> {
        WriteFile(QDir(env.PlansDir()).filePath(name), bytes);
        return HeldElsewhere(env.DataDir(), kind, object, u"jan z stanowisko3"_s);
    };
}

QString DeadProcessScratchName()
{
    QProcess dead;
    dead.start(u"true"_s);
    const qint64 pid = dead.waitForStarted() ? dead.processId() : 0;
    dead.waitForFinished();
    const QByteArray host = QCryptographicHash::hash(QSysInfo::machineHostName().toUtf8(), QCryptographicHash::Sha1);
    return u".grafenta-%1-%2-1.tmp"_s.arg(QString::fromLatin1(host.toHex().left(8))).arg(pid);
}

QString PromptLine(const RecordingPrompt::Entry& entry)
{
    static const QStringList icons{u"Critical"_s, u"Exclamation"_s, u"Question"_s, u"Information"_s};
    static const QStringList buttons{u"Ok"_s, u"YesNo"_s, u"YesNoCancel"_s};
    QString text = entry.Text;
    text.replace(Cr, u'/');
    return entry.Question ? u"ask %1 %2 %3"_s.arg(icons.at(int(entry.Icon)), buttons.at(int(entry.Buttons)), text)
                          : u"say %1 %2"_s.arg(icons.at(int(entry.Icon)), text);
}

QStringList TakePromptLines(RecordingPrompt& ui)
{
    QStringList lines;
    for (const RecordingPrompt::Entry& entry : ui.Entries())
        lines.append(PromptLine(entry));
    ui.Clear();
    return lines;
}

QString FolderEntries(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
        .join(u' ');
}

ToolRun RunProgram(const QString& program, const QStringList& args, const QString& folder, int timeoutMs,
                   const QProcessEnvironment& environment, const LocalUser* user)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    if (user) process.setChildProcessModifier(AsUser(*user));
    process.start(program, args);
    ToolRun run;
    run.Finished = process.waitForFinished(timeoutMs);
    if (!run.Finished) {
        process.kill();
        process.waitForFinished(10000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.Code = process.exitCode();
    }
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

ToolRun RunPlntool(const QStringList& args, int timeoutMs, const QProcessEnvironment& environment,
                   const LocalUser* user)
{
    return RunProgram(QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s), args, {}, timeoutMs,
                      environment, user);
}

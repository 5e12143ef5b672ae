#include "TestSupport.h"

#include "HolderProcess.h"

#include "env/CodePage.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QtEndian>

#include <sys/stat.h>

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
                   const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
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

ToolRun RunPlntool(const QStringList& args, int timeoutMs, const QProcessEnvironment& environment)
{
    return RunProgram(QDir(QCoreApplication::applicationDirPath()).filePath(u"plntool"_s), args, {}, timeoutMs,
                      environment);
}

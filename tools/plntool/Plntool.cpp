#include "Command.h"

#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/OdczytZapisPliku.h"
#include "env/UserIdentity.h"
#include "plan/PlanIntegrity.h"
#include "plan/TimeText.h"
#include "plan/WorkPlan.h"
#include "plan/ZapisPlanuPracy.h"
#include "staff/ObslugaListy.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace {

struct CommandInfo
{
    QString Arguments;
    QString Summary;
    CommandFunction Function;
    PaintsFunction Paints;
};

std::map<QString, CommandInfo>& Commands()
{
    static std::map<QString, CommandInfo> table;
    return table;
}

void Usage(QTextStream& err)
{
    err << "usage: plntool COMMAND ARGUMENTS...\n\ncommands:\n";
    for (const auto& [name, info] : Commands())
        err << "  plntool " << name << ' ' << info.Arguments << "\n      " << info.Summary << '\n';
    err.flush();
}

} // namespace

Registration::Registration(const char* name, const char* arguments, const char* summary, CommandFunction function,
                           PaintsFunction paints)
{
    Commands()[QString::fromUtf8(name)] = {QString::fromUtf8(arguments), QString::fromUtf8(summary), function, paints};
}

void ConsolePrompt::ShowMessage(MessageIcon, const QString& text)
{
    ++m_count;
    QString line = text;
    line.replace(Cr, QLatin1Char('\n'));
    m_err << line << '\n';
    m_err.flush();
}

Answer ConsolePrompt::Ask(MessageIcon icon, const QString& text, MessageButtons)
{
    ShowMessage(icon, text);
    m_err << "-> Tak\n";
    m_err.flush();
    return Answer::Yes;
}

QString FileErrorText(int16_t number)
{
    switch (number) {
    case BadFileName:
        return QStringLiteral("bad file name");
    case FileNotFound:
        return QStringLiteral("no such file");
    case PathNotFound:
        return QStringLiteral("no such folder");
    case PermissionDenied:
        return QStringLiteral("permission denied or held by another program");
    case PathFileAccessError:
        return QStringLiteral("not a regular file, or no access to it");
    case DiskFull:
        return QStringLiteral("disk full");
    case DeviceUnavailable:
        return QStringLiteral("not a regular file (a device)");
    default:
        return QStringLiteral("input/output error");
    }
}

QString FileFaultText(const FileFault& fault)
{
    switch (fault.Refusal) {
    case TargetRefusal::Link:
        return QStringLiteral("a symbolic link stands there, which is neither followed nor replaced");
    case TargetRefusal::NotRegular:
        return QStringLiteral("not a regular file (a folder, a device, a pipe or a socket), which is never replaced");
    case TargetRefusal::Input:
        return QStringLiteral("a file this command reads, which it never replaces");
    case TargetRefusal::None:
        break;
    }
    if (fault.Busy) return QStringLiteral("held by another program through every attempt");
    if (fault.SystemError != 0) return SystemErrorText(fault.SystemError);
    return FileErrorText(fault.Number);
}

void WarnUnlessWhole(PlntoolContext& context, const char* command, const QString& path, QByteArrayView file)
{
    const auto difference = CheckWholePlan(file);
    if (!difference) return;
    context.Err << "plntool " << command << ": " << path << ": warning: damaged: " << difference->What;
    if (difference->Day) context.Err << " (day " << DataNaTekst(context.Lib, *difference->Day * MinutesPerDay) << ')';
    context.Err << '\n';
    context.Err.flush();
}

std::optional<QByteArray> ReadInputFile(PlntoolContext& context, const char* command, const QString& path, qint64 limit,
                                        FileIdentity* identity)
{
    QByteArray bytes;
    int16_t error = 0;
    const ReadStatus status = ReadWholeFile(path, limit, bytes, &error, identity);
    if (status == ReadStatus::Ok) return bytes;
    context.Err << "plntool " << command << ": " << path << ": ";
    if (status == ReadStatus::TooLarge)
        context.Err << "larger than " << limit << " bytes, far more than it can hold\n";
    else
        context.Err << FileErrorText(error) << '\n';
    return std::nullopt;
}

QString PlanNameOfPath(const QString& path)
{
    QString name = QFileInfo(path).fileName();
    if (name.endsWith(QLatin1String(".PLN"), Qt::CaseInsensitive)) name.chop(4);
    return name;
}

QDateTime OutputTime()
{
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return ok ? QDateTime::fromSecsSinceEpoch(epoch) : QDateTime::currentDateTime();
}

bool UseDataDirectoryForWriting(PlntoolContext& context, const char* command, Environment& env, const QString& dataDir)
{
    const QString absolute = QFileInfo(dataDir).absoluteFilePath();
    if (!QFileInfo(QDir(absolute).filePath(QStringLiteral("PLANY"))).isDir()) {
        context.Err << "plntool " << command << ": " << dataDir << ": no PLANY folder\n";
        return false;
    }
    UseDataDirectory(env, absolute);
    env.ProgramDir = context.ProgramDir;
    env.KatalogTemp = env.PlansDir();
    env.UserName = SystemUserName();
    env.ComputerName = SystemComputerName();
    return true;
}

int ExitCodeOfSave(SaveStatus status)
{
    switch (status) {
    case SaveStatus::Saved:
        return ExitOk;
    case SaveStatus::ScheduleRefused:
    case SaveStatus::Overlap:
        return ExitRefused;
    case SaveStatus::PathError:
    case SaveStatus::FileError:
        break;
    }
    return ExitUsage;
}

QDate DateArgument(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return form.match(text).hasMatch() ? QDate::fromString(text, QStringLiteral("yyyy-MM-dd")) : QDate();
}

bool CommandPaints(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const auto command = args.isEmpty() ? Commands().end() : Commands().find(args.first());
    return command != Commands().end() && command->second.Paints && command->second.Paints(args.mid(1));
}

int RunPlntool(const QCoreApplication& app, int argc, char** argv, const PdfWriters* pdf)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    // Qt decodes the arguments as UTF-8 and puts a replacement character for
    // what is not: such a file name could never be found again.
    for (int i = 1; i < argc; ++i) {
        if (!QByteArrayView(argv[i]).isValidUtf8()) {
            err << "plntool: argument " << i << " is not valid UTF-8; names of files must be UTF-8 here\n";
            return ExitUsage;
        }
    }
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || !Commands().count(args.first())) {
        Usage(err);
        return ExitUsage;
    }
    const CommandInfo& command = Commands().at(args.takeFirst());
    KelbrinLibrary lib;
    if (!lib.Load(app.applicationDirPath())) {
        err << "plntool: cannot load the suite library: " << lib.ErrorString() << '\n';
        return ExitUsage;
    }
    ConsolePrompt ui(err);
    PlntoolContext context{lib, ui, out, err, app.applicationDirPath(), pdf};
    const int code = command.Function(context, args);
    out.flush();
    err.flush();
    return code;
}

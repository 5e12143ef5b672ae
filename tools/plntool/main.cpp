#include "Command.h"

#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/OdczytZapisPliku.h"

#include <QCoreApplication>

#include <map>

namespace {

struct CommandInfo
{
    QString arguments;
    QString summary;
    CommandFunction function;
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
        err << "  plntool " << name << ' ' << info.arguments << "\n      " << info.summary << '\n';
    err.flush();
}

} // namespace

Registration::Registration(const char* name, const char* arguments, const char* summary, CommandFunction function)
{
    Commands()[QString::fromUtf8(name)] = {QString::fromUtf8(arguments), QString::fromUtf8(summary), function};
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

std::optional<QByteArray> ReadInputFile(PlntoolContext& context, const char* command, const QString& path,
                                        qint64 limit)
{
    QByteArray bytes;
    int16_t error = 0;
    const ReadStatus status = ReadWholeFile(path, limit, bytes, &error);
    if (status == ReadStatus::Ok) return bytes;
    context.Err << "plntool " << command << ": " << path << ": ";
    if (status == ReadStatus::TooLarge)
        context.Err << "larger than " << limit << " bytes, far more than it can hold\n";
    else
        context.Err << FileErrorText(error) << '\n';
    return std::nullopt;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
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
    PlntoolContext context{lib, ui, out, err, app.applicationDirPath()};
    const int code = command.function(context, args);
    out.flush();
    err.flush();
    return code;
}

#include "Command.h"

#include "env/Kelbrin.h"

#include <QFile>
#include <QGuiApplication>

#include <map>
#include <memory>

namespace {

struct CommandInfo
{
    QString arguments;
    QString summary;
    CommandFunction function;
    PaintsFunction paints;
};

std::map<QString, CommandInfo>& commands()
{
    static std::map<QString, CommandInfo> table;
    return table;
}

void usage(QTextStream& err)
{
    err << "usage: plntool COMMAND ARGUMENTS...\n\ncommands:\n";
    for (const auto& [name, info] : commands())
        err << "  plntool " << name << ' ' << info.arguments << "\n      " << info.summary << '\n';
    err.flush();
}

} // namespace

Registration::Registration(const char* name, const char* arguments, const char* summary, CommandFunction function,
                           PaintsFunction paints)
{
    commands()[QString::fromUtf8(name)] = {QString::fromUtf8(arguments), QString::fromUtf8(summary), function, paints};
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

std::optional<QByteArray> ReadPlanFile(PlntoolContext& context, const char* command, const QString& path)
{
    // Header, plan block, 18501 day bytes, the day index and eight areas a
    // day come to well under this.
    constexpr qint64 LargestPlausiblePlan = 16 * 1024 * 1024;
    QFile file(path);
    QString why;
    if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    else if (file.size() > LargestPlausiblePlan)
        why = QStringLiteral("far larger than any plan (%1 bytes)").arg(file.size());
    if (why.isEmpty()) {
        QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return bytes;
        why = file.errorString();
    }
    context.Err << "plntool " << command << ": " << path << ": " << why << '\n';
    return std::nullopt;
}

namespace {

// A QGuiApplication for a command that paints, drawing offscreen unless a
// platform is chosen (plntool never opens a window); else a QCoreApplication.
std::unique_ptr<QCoreApplication> ApplicationFor(int& argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const auto command = args.isEmpty() ? commands().end() : commands().find(args.first());
    if (command != commands().end() && command->second.paints && command->second.paints(args.mid(1))) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> application = ApplicationFor(argc, argv);
    QCoreApplication& app = *application;
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || !commands().count(args.first())) {
        usage(err);
        return ExitUsage;
    }
    const CommandInfo& command = commands().at(args.takeFirst());
    KelbrinLibrary lib;
    if (!lib.load(app.applicationDirPath())) {
        err << "plntool: cannot load the suite library: " << lib.errorString() << '\n';
        return ExitUsage;
    }
    ConsolePrompt ui(err);
    PlntoolContext context{lib, ui, out, err, app.applicationDirPath()};
    const int code = command.function(context, args);
    out.flush();
    err.flush();
    return code;
}

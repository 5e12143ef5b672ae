#include "Command.h"

#include "env/Kelbrin.h"

#include <QCoreApplication>
#include <QFile>

#include <map>

namespace {

struct CommandInfo
{
    QString arguments;
    QString summary;
    CommandFunction function;
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

Registration::Registration(const char* name, const char* arguments, const char* summary, CommandFunction function)
{
    commands()[QString::fromUtf8(name)] = {QString::fromUtf8(arguments), QString::fromUtf8(summary), function};
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

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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

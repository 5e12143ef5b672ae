// plntool: the commands on a QCoreApplication, which starts in about the time
// any Qt program takes. A command that paints (a PDF) needs QtGui and its
// fonts: plntool-pdf, beside plntool, runs it in this process's place, with
// the same arguments, streams and exit code.
#include "Command.h"

#include "env/OdczytZapisPliku.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <vector>

#ifdef Q_OS_UNIX
#    include <cerrno>
#    include <unistd.h>
#else
#    include <QProcess>
#endif

namespace {

int HandOver(const QString& programDir, const std::vector<char*>& argv)
{
    const QString helper = QDir(programDir).filePath(QString::fromLatin1(PdfProgramName));
#ifdef Q_OS_UNIX
    const QByteArray program = QFile::encodeName(helper);
    std::vector<char*> arguments = argv;
    arguments.front() = const_cast<char*>(program.constData());
    ::execv(program.constData(), arguments.data());
    const int error = errno;
#else
    QStringList arguments;
    for (size_t i = 1; i + 1 < argv.size(); ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(helper, arguments);
    if (process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit) return process.exitCode();
    const int error = 0;
#endif
    QTextStream err(stderr);
    err << "plntool: cannot run " << QDir::toNativeSeparators(helper) << ", which writes PDF"
        << (error ? QStringLiteral(": ") + SystemErrorText(error) : QString()) << '\n';
    return ExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<char*> arguments(argv, argv + argc + 1); // as given, with the closing null
    const bool paints = CommandPaints(argc, argv);
    const QCoreApplication app(argc, argv);
    if (paints) return HandOver(QCoreApplication::applicationDirPath(), arguments);
    return RunPlntool(app, argc, argv, nullptr);
}

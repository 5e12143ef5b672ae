// The commands of plntool. A command file defines its function and registers
// it with a static Registration object:
//
//   static int show(PlntoolContext& context, const QStringList& args) { ... }
//   static const Registration registration{"show", "FILE.PLN", "print a plan as JSON", show};
//
// Exit codes: 0 success, 1 the system refused (its message on stderr),
// 2 usage or I/O problems.
#pragma once

#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "plan/PlanLayout.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

class KelbrinLibrary;
class QCoreApplication;
class QIODevice;
struct ComplianceReportInput;
struct Environment;
struct PlanExportInput;
struct TeamExportInput;
enum class SaveStatus;

// The PDF writers of the commands that paint. Only plntool-pdf, which links
// QtGui, has them; plntool hands every command that paints over to it.
struct PdfWriters
{
    bool (*Plan)(const PlanExportInput& input, QIODevice& out) = nullptr;
    QByteArray (*Report)(const ComplianceReportInput& input) = nullptr;
    bool (*Team)(const TeamExportInput& input, QIODevice& out) = nullptr;
};

// Messages go to stderr, one line each (a line break inside becomes a real
// one); every question is answered Yes and echoed.
class ConsolePrompt : public Prompt
{
public:
    explicit ConsolePrompt(QTextStream& err) : m_err(err) {}
    void ShowMessage(MessageIcon icon, const QString& text) override;
    Answer Ask(MessageIcon icon, const QString& text, MessageButtons buttons) override;
    int MessageCount() const { return m_count; }

private:
    QTextStream& m_err;
    int m_count = 0;
};

struct PlntoolContext
{
    const KelbrinLibrary& Lib;
    ConsolePrompt& Ui;
    QTextStream& Out;
    QTextStream& Err;
    QString ProgramDir; // the folder of plntool (and of the suite library)
    const PdfWriters* Pdf = nullptr;
};

using CommandFunction = int (*)(PlntoolContext&, const QStringList&);
// Whether the command, given its arguments, paints text (a PDF): it then runs
// in plntool-pdf on a QGuiApplication, which brings the fonts; every other
// run has a QCoreApplication only, in plntool itself.
using PaintsFunction = bool (*)(const QStringList&);

struct Registration
{
    Registration(const char* name, const char* arguments, const char* summary, CommandFunction function,
                 PaintsFunction paints = nullptr);
};

enum ExitCode { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

// The exit code of a plan save: 0 saved, 1 refused (a schedule or an
// overlap), 2 a folder or file problem.
int ExitCodeOfSave(SaveStatus status);

// What a file-error number means, in a few English words.
QString FileErrorText(int16_t number);

// The plan's name from its file's path: the file name without ".PLN" in any letter case.
QString PlanNameOfPath(const QString& path);

// The moment stamped on outputs: SOURCE_DATE_EPOCH when set, else now.
QDateTime OutputTime();

// Why a write failed, on one line: what the program refused, else the
// system's own reason (disk full, permission denied, read-only file
// system...), else what the file-error number means.
QString FileFaultText(const FileFault& fault);

// The most a plan file can hold.
constexpr qint64 LargestPlausiblePlan = PlanLayout::MaxPlanFileSize;

// The whole of a regular file named on the command line, of at most limit
// bytes, and who it is (identity). Nothing, with the reason on stderr
// ("plntool COMMAND: PATH: why"), when it cannot be read, is no regular file
// or is larger.
std::optional<QByteArray> ReadInputFile(PlntoolContext& context, const char* command, const QString& path,
                                        qint64 limit = LargestPlausiblePlan, FileIdentity* identity = nullptr);

// The same file named twice: the same name, or two names of one file.
bool SameOutput(const QString& a, const QString& b);

// An output's target is refused, with the reason on stderr ("plntool
// COMMAND: PATH: why"), when it is a link, a folder, a device or a pipe, has a
// plan file's name, or is one of the files the command reads (inputs).
bool RefuseOutput(PlntoolContext& context, const char* command, const QString& path, const QList<FileIdentity>& inputs);

// Puts an output made in memory in place in one step unless it is refused
// as above. False, with the reason on stderr, when nothing was written.
bool PutOutputInPlace(PlntoolContext& context, const char* command, const QString& path, QByteArrayView bytes,
                      const QList<FileIdentity>& inputs);

// Says on stderr ("plntool COMMAND: PATH: warning: ...") where a plan file
// is not what the plan writers make of the plan it stores (the whole-plan
// check); the command goes on.
void WarnUnlessWhole(PlntoolContext& context, const char* command, const QString& path, QByteArrayView file);

// Points an environment at the data directory DATADIR (the folder that holds
// PLANY) for a command that writes there: the program folder is plntool's,
// new plan files are written beside the plans and renamed over them, and the
// system's user and computer names make the lock holder. False, with the
// reason on stderr, when DATADIR has no PLANY folder.
bool UseDataDirectoryForWriting(PlntoolContext& context, const char* command, Environment& env, const QString& dataDir);

// A date YYYY-MM-DD as the commands take it; an invalid date when the text is none.
QDate DateArgument(const QString& text);

// The program that runs the commands which paint, beside plntool.
inline constexpr char PdfProgramName[] = "plntool-pdf";

// Whether the command line (argv[1] the command) asks for a command that
// paints.
bool CommandPaints(int argc, char** argv);

// Runs the command of the command line on app: its exit code. pdf holds the
// PDF writers where the program has them.
int RunPlntool(const QCoreApplication& app, int argc, char** argv, const PdfWriters* pdf);

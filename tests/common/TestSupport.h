// Shared helpers of the tests.
#pragma once

#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "plan/ProgramState.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

using namespace Qt::StringLiterals;

// The suite library built beside the test programs, loaded once.
const KelbrinLibrary& TestLibrary();

// A program folder of its own in a temporary directory, laid out as the
// program expects it: DANE/PLANY, DANE/PERSONEL and TEMP, with a state whose
// paths point there, the user "tester" on "pc1", and a prompt that records
// what the user would see.
struct TestEnvironment
{
    TestEnvironment();
    QTemporaryDir Root;
    RecordingPrompt Ui;
    ProgramState State;
    Environment& Env = State.Env;
    PlanDocument& Doc = State.Doc;
    QString ProgramDir() const { return Root.path(); }
    QString DataDir() const { return Env.DataDir(); }
    QString PlansDir() const { return Env.PlansDir(); }
    QString StaffDir() const { return Env.StaffDir(); }
    // NAME.PLN in the plans folder.
    QString Plan(const QString& name) const;
};

// Little-endian building blocks for hand-made files.
void AppendInt32(QByteArray& bytes, int32_t value);
void AppendInt16(QByteArray& bytes, int16_t value);
int32_t Int32At(const QByteArray& bytes, qsizetype offset);

// One record of WOLNE.DAT as the suite writes it: the description given in
// UTF-8, in windows-1250, padded with spaces to 80 bytes and scrambled here
// byte by byte, and the unused bytes holding whatever `unused` is.
QByteArray FreeDayRecordBytes(int32_t minutes, const char* description, uint8_t recurring, char unused = '\x11');

bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
// What a test puts at a path before it runs: a file of the bytes (made
// size bytes long, the rest zeros that take no room, when size is larger),
// a named pipe, a folder, or nothing.
using PathSetup = std::function<void(const QString& path)>;
PathSetup FileOf(const QByteArray& bytes, qint64 size = -1);
PathSetup Pipe();
PathSetup Directory();
PathSetup Nothing();
// A character device with the null device's numbers, made with mknod (root only).
PathSetup CharDevice();
// A symbolic link to target.
PathSetup LinkTo(const QString& target);
// What stands at a path, as "absent", "file CONTENT", "link TARGET", "pipe",
// "device" or "folder": a test sees that nothing replaced it.
QString WhatStandsAt(const QString& path);

// An account of this computer for the tests that need another user: made
// with useradd when missing. Only root can make accounts and become them.
struct LocalUser
{
    QString Name;
    uid_t Uid = 0;
    gid_t Gid = 0;
};
// The account NAME; nothing when the test does not run as root or the
// account cannot be made (the test then skips).
std::optional<LocalUser> TestUser(const QString& name);
// Gives the files and folders under folder (and folder itself) to the user.
void GiveTo(const LocalUser& user, const QString& folder);
// What a child process does to become the user before it runs its program
// (the system's runtime folder of this user is not passed on).
std::function<void()> AsUser(const LocalUser& user);
// Runs check in a child process that has become the user (its own group and
// the extra groups given): what check says, or why the child said nothing.
QString RunAs(const LocalUser& user, const std::function<QString()>& check, const QList<gid_t>& extraGroups = {});

// A small file system of its own (tmpfs) mounted over a folder for as long
// as the object lives, to be filled to its last byte; root only, and only
// where the test may mount one (IsMounted() says).
class FullDisk
{
public:
    explicit FullDisk(const QString& folder);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
    bool IsMounted() const { return m_mounted; }
    // Takes every byte left; files can still be made, but hold nothing.
    void Fill();

private:
    QString m_folder;
    bool m_mounted = false;
};

// What a test prepares in its folders before it runs; what it returns is
// kept until the test is over.
using Prepare = std::function<std::shared_ptr<void>(TestEnvironment& env)>;
// NAME in the plans folder, as put makes it, for the user given.
Prepare InPlans(const QString& name, const PathSetup& put, const QString& user = u"tester"_s);
// NAME in the plans folder holding bytes, while another process holds the
// suite lock KIND OBJECT as "jan z stanowisko3".
Prepare LockedElsewhere(const QString& name, const QByteArray& bytes, const QString& kind, const QString& object);

// The name of a scratch file that a process of this computer which no longer
// runs left behind.
QString DeadProcessScratchName();

// A message or question as the user met it, in one line: "say ICON TEXT" or
// "ask ICON BUTTONS TEXT", with every line break (Cr) of the text as "/".
QString PromptLine(const RecordingPrompt::Entry& entry);
// The lines of everything the prompt showed since the last call; the entries go.
QStringList TakePromptLines(RecordingPrompt& ui);

// Every entry of a folder, hidden ones too, by name, separated by blanks.
QString FolderEntries(const QString& folder);

// A run of a program, in folder when one is given, ended by force after timeoutMs.
struct ToolRun
{
    bool Finished = false; // on its own, before the timeout
    int Code = -1;
    QString Out, Err;
};
ToolRun RunProgram(const QString& program, const QStringList& args, const QString& folder = {}, int timeoutMs = 60000,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                   const LocalUser* user = nullptr);
// The same for the built plntool.
ToolRun RunPlntool(const QStringList& args, int timeoutMs = 60000,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                   const LocalUser* user = nullptr);

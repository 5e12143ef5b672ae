// Shared helpers of the tests.
#pragma once

#include "env/Kelbrin.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"

#include <QByteArray>
#include <QTemporaryDir>

// The suite library built beside the test programs, loaded once.
const KelbrinLibrary& TestLibrary();

// A program folder of its own in a temporary directory, laid out as the
// program expects it: DANE/PLANY, DANE/PERSONEL and TEMP, with a state whose
// paths point there and a prompt that records what the user would see.
struct TestEnvironment
{
    TestEnvironment();
    QTemporaryDir Root;
    RecordingPrompt Ui;
    ProgramState State;
    QString ProgramDir() const { return Root.path(); }
    QString PlansDir() const { return State.PlansDir(); }
    QString StaffDir() const { return State.StaffDir(); }
};

// Little-endian building blocks for hand-made files.
void AppendInt32(QByteArray& bytes, int32_t value);
void AppendInt16(QByteArray& bytes, int16_t value);
void AppendByte(QByteArray& bytes, uint8_t value);
int32_t Int32At(const QByteArray& bytes, qsizetype offset);

bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// The employee record reader and the rewrite on arbitrary bytes.
//
// Input: an optional file name up to the first '\n' within the first 24
// bytes (default "NOWAK.012"), then the record's bytes. Every record must be
// judged without a crash or a read past its end; a record that may be
// rewritten must come out well formed, with its entries and group kept.
#include "env/Environment.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "staff/EmployeeRecord.h"
#include "staff/ObslugaListy.h"
#include "staff/Przydziel.h"

#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

KelbrinLibrary* library = nullptr;

class SilentPrompt : public Prompt
{
public:
    void ShowMessage(MessageIcon, const QString&) override {}
    Answer Ask(MessageIcon, const QString&, MessageButtons) override { return Answer::Yes; }
};

void Require(bool condition)
{
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    library = new KelbrinLibrary;
    const QString dir = QFileInfo(QString::fromLocal8Bit((*argv)[0])).absolutePath();
    if (*argc < 1 || !library->Load(dir)) {
        fprintf(stderr, "cannot load the suite library from %s\n", qPrintable(dir));
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SilentPrompt prompt;
    Environment env(*library, prompt);

    QString name = QStringLiteral("NOWAK.012");
    const void* newline = std::memchr(data, '\n', std::min<size_t>(size, 24));
    if (newline) {
        const size_t length = size_t(static_cast<const uint8_t*>(newline) - data);
        name = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(length));
        data += length + 1;
        size -= length + 1;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const RecordCheck check = CheckEmployeeRecord(env, name, bytes);
    if (check.Verdict == RecordVerdict::Listed) Require(check.Row.Number.size() >= 3);

    const EmployeeData employee{12, QStringLiteral("Nowak"), QStringLiteral("Jan")};
    const std::optional<QByteArray> rewritten = RewrittenRecord(env, name, bytes, employee, QStringLiteral("NOC"));
    if (rewritten) {
        const EmployeeRecord before = ParseEmployeeRecord(bytes);
        const EmployeeRecord after = ParseEmployeeRecord(*rewritten);
        Require(after.PlanEnd + (before.Group.isEmpty() ? 0 : before.Group.size() + 1) + 1 == after.DataStart);
        Require(after.Plan == QByteArrayLiteral("NOC"));
        Require(after.Group == before.Group);
        Require(after.EntryCount == before.EntryCount);
        CardEntries stored, kept;
        Require(ReadCardEntries(bytes, before, stored));
        Require(ReadCardEntries(*rewritten, after, kept));
        Require(kept == stored);
    }
    return 0;
}

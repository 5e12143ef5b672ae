// The employee record reader and the rewrite on arbitrary bytes.
//
// Input: an optional file name up to the first '\n' within the first 24
// bytes (default "NOWAK.012"), then the record's bytes. Every record must be
// judged without a crash or a read past its end; a record that may be
// rewritten must come out well formed, with its entries and group kept.
#include "env/Kelbrin.h"
#include "env/ProgramState.h"
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

void require(bool condition)
{
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    library = new KelbrinLibrary;
    const QString dir = QFileInfo(QString::fromLocal8Bit((*argv)[0])).absolutePath();
    if (*argc < 1 || !library->load(dir)) {
        fprintf(stderr, "cannot load the suite library from %s\n", qPrintable(dir));
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SilentPrompt prompt;
    ProgramState state(*library, prompt);

    QString name = QStringLiteral("NOWAK.012");
    const void* newline = std::memchr(data, '\n', std::min<size_t>(size, 24));
    if (newline) {
        const size_t length = size_t(static_cast<const uint8_t*>(newline) - data);
        name = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(length));
        data += length + 1;
        size -= length + 1;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    CardEntries entries;
    const RecordCheck check = CheckEmployeeRecord(state, name, bytes, entries);
    if (check.Verdict == RecordVerdict::Listed) {
        require(check.Row.Number.size() >= 3);
        require(!entries.isEmpty());
    }

    const EmployeeData employee{12, QStringLiteral("Nowak"), QStringLiteral("Jan")};
    const std::optional<QByteArray> rewritten = RewrittenRecord(state, name, bytes, employee, QStringLiteral("NOC"));
    if (rewritten) {
        const EmployeeRecord before = ParseEmployeeRecord(bytes);
        const EmployeeRecord after = ParseEmployeeRecord(*rewritten);
        require(after.PlanEnd + (before.Group.isEmpty() ? 0 : before.Group.size() + 1) + 1 == after.DataStart);
        require(after.Plan == QByteArrayLiteral("NOC"));
        require(after.Group == before.Group);
        require(after.EntryCount == before.EntryCount);
        CardEntries kept;
        require(ReadCardEntries(*rewritten, after, kept));
        require(kept == state.WpisyKart);
    }
    return 0;
}

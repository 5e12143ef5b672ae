// WOLNE.DAT: the record decoder and the unscrambling of descriptions.
#include "freedays/DniWolne.h"

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool rule)
{
    if (!rule) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const FreeDayFile file = DecodeFreeDays(bytes);
    Require(file.IgnoredTail == qsizetype(size % FreeDayRecordSize));
    const qsizetype records = qsizetype(size / FreeDayRecordSize);
    Require(file.Records.size() <= records);
    Require(file.Ok() ? file.Records.size() == records : file.BadRecord == file.Records.size());
    for (const FreeDayRecord& record : file.Records) {
        Require(SprawdzDzienWolny(record));
        Require(record.Date >= 0 && !record.Name.isEmpty());
        Require(record.Name.size() <= FreeDayDescriptionSize);
    }
    // Unscrambling twice gives the text back, except that a tilde, which
    // scrambles to a space, stays a space.
    const QByteArray twice = OdkodujTekst(OdkodujTekst(bytes));
    Require(twice.size() == bytes.size());
    for (qsizetype i = 0; i < twice.size(); ++i)
        Require(twice.at(i) == (bytes.at(i) == '~' ? ' ' : bytes.at(i)));
    return 0;
}

// WOLNE.DAT written and read again. The input is taken twice: as a file
// (one the reader accepts comes back from the writer byte for byte, and
// changing one entry rewrites that record alone), and as a stream of entries
// (date, flag, description bytes) that, where they may be stored, read back
// as they were given.
#include "env/CodePage.h"
#include "freedays/DniWolne.h"
#include "freedays/FreeDaysDocument.h"

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool rule)
{
    if (!rule) __builtin_trap();
}

void AsFile(QByteArrayView bytes)
{
    std::optional<FreeDaysDocument> doc = ParseFreeDays(bytes);
    Require(doc.has_value() == DecodeFreeDays(bytes).Ok());
    if (!doc) return;
    Require(EncodeFreeDays(*doc) == bytes);
    Require(!doc->Modified());
    if (doc->Entries.isEmpty()) return;
    // One entry changed: every other record stays as it was.
    const qsizetype changed = bytes.size() % doc->Entries.size();
    const FreeDayEntry entry{QDate(2030, 7, 4), true, QStringLiteral("Zmieniony"), {}};
    // An entry given what it holds keeps its record.
    const bool same = doc->Entries.at(changed).SameContent(entry);
    SetEntry(*doc, int(changed), entry);
    const QByteArray written = EncodeFreeDays(*doc);
    Require(written.size() == bytes.size());
    for (qsizetype i = 0; i < doc->Entries.size(); ++i) {
        const QByteArrayView record = QByteArrayView(written).sliced(i * FreeDayRecordSize, FreeDayRecordSize);
        Require((record == bytes.sliced(i * FreeDayRecordSize, FreeDayRecordSize)) == (i != changed || same));
    }
    const std::optional<FreeDaysDocument> read = ParseFreeDays(written);
    Require(read && read->Entries.at(changed).SameContent(entry));
}

void AsEntries(QByteArrayView bytes)
{
    FreeDaysDocument doc;
    const int span = int(FirstFreeDayDate.daysTo(LastFreeDayDate)) + 1;
    for (qsizetype at = 0; at + 4 <= bytes.size();) {
        const auto day = uint16_t(uint8_t(bytes.at(at)) | uint8_t(bytes.at(at + 1)) << 8);
        const bool recurring = (bytes.at(at + 2) & 1) != 0;
        const qsizetype length = qMin<qsizetype>(uint8_t(bytes.at(at + 3)) % 96, bytes.size() - at - 4);
        const FreeDayEntry entry{
            FirstFreeDayDate.addDays(day % span), recurring, FromCodePage(bytes.sliced(at + 4, length)), {}};
        at += 4 + length;
        if (FreeDayEntryFault(entry).isEmpty()) doc.Entries.append(entry);
    }
    const QByteArray written = EncodeFreeDays(doc);
    Require(written.size() == doc.Entries.size() * FreeDayRecordSize);
    const std::optional<FreeDaysDocument> read = ParseFreeDays(written);
    Require(read && read->Entries.size() == doc.Entries.size());
    for (qsizetype i = 0; i < doc.Entries.size(); ++i) {
        const FreeDayEntry& given = doc.Entries.at(i);
        Require(read->Entries.at(i).SameContent({given.Date, given.Recurring, given.Description.trimmed(), {}}));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    AsFile(bytes);
    AsEntries(bytes);
    return 0;
}

#include "plan/ZapisPlanuPracy.h"

#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/ProgramState.h"
#include "env/Prompt.h"
#include "freedays/FreeDayList.h"
#include "plan/AreaChain.h"
#include "plan/PlanLayout.h"
#include "plan/TimeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <filesystem>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif
#include <system_error>

using namespace PlanLayout;

namespace {

const QString PathMessage =
    QStringLiteral("Nie można zapisać pliku planu pracy. Ścieżka dostępu do plików planu pracy jest błędna.");
const QString SavedMessage = QStringLiteral("Plan pracy został poprawnie zapisany do pliku.");

bool isSet(const TimeField& field)
{
    return field.Value != -1;
}

// ---------------------------------------------------------------- file bytes

class LittleEndianWriter
{
public:
    explicit LittleEndianWriter(qsizetype expectedSize) { m_bytes.reserve(expectedSize); }
    void Int32(int32_t value)
    {
        char raw[4];
        qToLittleEndian<qint32>(value, raw);
        m_bytes.append(raw, 4);
    }
    void Int16(int16_t value)
    {
        char raw[2];
        qToLittleEndian<qint16>(value, raw);
        m_bytes.append(raw, 2);
    }
    void Byte(uint8_t value) { m_bytes.append(char(value)); }
    // count bytes to be filled through the pointer returned.
    char* Bytes(qsizetype count)
    {
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + count);
        return m_bytes.data() + at;
    }
    void Words(const QVector<uint32_t>& words)
    {
        if (words.isEmpty())
            return;
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + words.size() * 4);
        qToLittleEndian<quint32>(words.constData(), words.size(), m_bytes.data() + at);
    }
    qsizetype Size() const { return m_bytes.size(); }
    void Int32At(qsizetype offset, int32_t value) { qToLittleEndian<qint32>(value, m_bytes.data() + offset); }
    QByteArray Take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

int32_t dayCountOf(const WorkPlan& plan)
{
    return plan.LastDay >= plan.FirstDay ? plan.LastDay - plan.FirstDay + 1 : 0;
}

// A plan file in two parts: everything before the first area record, and
// the records, which are written straight from the chain.
struct PlanFile
{
    QByteArray Head;
    QVector<uint32_t> Areas;
    qsizetype Size() const { return Head.size() + Areas.size() * 4; }
};

// The area section up to its records: its length, the first minute, the day
// index and the end word. Header word 0 receives the offset of the first record.
void appendAreaSectionHead(LittleEndianWriter& out, const WorkPlan& plan, const QVector<uint32_t>& dayIndex,
                           uint32_t endWord)
{
    out.Int32((plan.LastDay - plan.FirstDay) * 4 + 12);
    out.Int32(plan.FirstDay * MinutesPerDay);
    out.Words(dayIndex);
    out.Int32(int32_t(endWord));
    out.Int32At(0, int32_t(out.Size()));
}

int16_t fieldMinutes(const TimeField& field)
{
    return int16_t(GodzinaNaMinuty(field.Text));
}

PlanFile schedulePlanFile(const ProgramState& state, AreaChain&& chain)
{
    const WorkPlan& plan = state.Plan;
    const ScheduleFields& fields = state.Fields;
    const int32_t days = dayCountOf(plan);
    LittleEndianWriter out(BlockEnd + 4 + days + 12 + qsizetype(days) * 4);

    out.Int32(-1); // the offset of the first area record, set below
    out.Int32(12);
    out.Int32(0);
    out.Int32(GodzinaNaMinuty(fields.Pozostale[MaxBreakTime].Text));
    out.Int32(0);

    out.Int32(days + BlockSize);
    out.Int32(WrittenMark);
    // The stored times are those of the texts; the free-day slot stores none.
    for (int column = EntryColumn; column <= BreakToColumn; ++column) {
        for (int slot = 0; slot < SlotCount; ++slot)
            out.Int16(slot == FreeDaySlot ? 0 : fieldMinutes(fields.Slots[slot][column]));
    }
    for (int i = 0; i < 7; ++i)
        out.Int16(i < 4 ? fieldMinutes(fields.Pozostale[i]) : 0);
    out.Byte(1);
    out.Byte(FlagSchedulePlan);
    out.Int32(plan.FirstDay);
    out.Int32(plan.LastDay);
    out.Int32(0); // start-of-day word, unused by schedule plans

    char* dayBytes = out.Bytes(days);
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day)
        *dayBytes++ = char(plan.Days.Contains(day) ? plan.Days.At(day) : 0);

    appendAreaSectionHead(out, plan, chain.DayIndex, chain.EndWord());
    return {out.Take(), std::move(chain.Areas)};
}

PlanFile weeklyPlanFile(const ProgramState& state, bool uniformWeek)
{
    const WorkPlan& plan = state.Plan;
    const int32_t days = dayCountOf(plan);
    const int32_t dayStart = state.Fields.StartDnia.Value;
    const bool markFreeDays = plan.IncludeFreeDays && state.FreeDaysLoaded;

    QVector<uint32_t> dayIndex(days);
    QVector<uint32_t> areas(days);
    for (int32_t i = 0; i < days; ++i) {
        const int32_t day = plan.FirstDay + i;
        const int32_t start = day * MinutesPerDay + dayStart;
        uint8_t kind = Work;
        if (markFreeDays && IsFreeDayNumber(state.FreeDays, day))
            kind = Overtime; // in a weekly plan: a free day
        else if (!uniformWeek && plan.WeekdayKinds[size_t(WeekdayOf(day))] == FreeWeekday)
            kind = Overtime;
        dayIndex[i] = uint32_t(start) & AreaStartMask;
        areas[i] = AreaWord(start, kind, FirstOfDayBit);
    }

    LittleEndianWriter out(BlockEnd + 4 + 7 + 12 + qsizetype(days) * 4);
    out.Int32(-1);
    out.Int32(12);
    out.Int32(0);
    out.Int32(0);
    out.Int32(state.Fields.Norma.Value - MinutesPerDay);

    out.Int32(7 + BlockSize);
    out.Int32(WrittenMark);
    for (int i = 0; i < 5 * 7; ++i)
        out.Int16(0);
    out.Byte(0);
    out.Byte(plan.IncludeFreeDays ? FlagIncludeFreeDays : 0);
    out.Int32(0); // a weekly plan's range lives in its area section only
    out.Int32(0);
    out.Int32(dayStart);
    for (uint8_t kind : plan.WeekdayKinds)
        out.Byte(uniformWeek ? FreeWeekday : kind);

    appendAreaSectionHead(out, plan, dayIndex, uint32_t(plan.LastDay * MinutesPerDay) & AreaStartMask);
    return {out.Take(), std::move(areas)};
}

AreaChainInput areaInputOf(const ProgramState& state)
{
    AreaChainInput input;
    const ScheduleFields& fields = state.Fields;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const auto& row = fields.Slots[slot];
        input.Schedules[slot] = {row[EntryColumn].Value, row[ExitColumn].Value, row[BreakFromColumn].Value,
                                 row[BreakToColumn].Value};
    }
    input.EarlierEntry = fields.Pozostale[EarlierEntry].Value;
    input.MaxOvertime = fields.Pozostale[MaxOvertime].Value;
    input.LaterExit = fields.Pozostale[LaterExit].Value;
    input.FirstDay = state.Plan.FirstDay;
    input.LastDay = state.Plan.LastDay;
    const DayTable& table = state.Plan.Days;
    if (table.FirstDay() == state.Plan.FirstDay) {
        input.Slots = table.Slots();
    } else {
        input.Slots.resize(dayCountOf(state.Plan));
        for (int32_t i = 0; i < input.Slots.size(); ++i) {
            const int32_t day = state.Plan.FirstDay + i;
            input.Slots[i] = table.Contains(day) ? table.At(day) : 0;
        }
    }
    return input;
}

// ---------------------------------------------------------------- files

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0));
}

int16_t failureNumber(const QFile& file)
{
    const int16_t number = FileErrorNumberFor(file);
    return number != 0 ? number : int16_t(DeviceIoError);
}

// Writes size bytes to an open file; 0, or the file-error number of what
// failed. A file that may not grow any further counts as a full disk.
int16_t writeAll(QFile& file, const char* bytes, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        // A short write is followed by another, which reports why it stopped.
#ifdef Q_OS_UNIX
        const ssize_t written = ::write(file.handle(), bytes + done, size_t(size - done));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0)
            return (errno == ENOSPC || errno == EFBIG || errno == EDQUOT) ? int16_t(DiskFull) : int16_t(DeviceIoError);
#else
        const qint64 written = file.write(bytes + done, size - done);
        if (written < 0) return failureNumber(file);
#endif
        if (written == 0) return DeviceIoError;
        done += written;
    }
    return 0;
}

// Writes the plan file to path, creating or truncating it: 0, or the
// file-error number of what failed. A failed write leaves the file behind for
// the caller to remove.
int16_t writeWholeFile(const QString& path, const PlanFile& plan)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) return failureNumber(file);
    if (const int16_t number = writeAll(file, plan.Head.constData(), plan.Head.size())) return number;
    const qsizetype areaBytes = plan.Areas.size() * 4;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const int16_t number = writeAll(file, reinterpret_cast<const char*>(plan.Areas.constData()), areaBytes);
#else
    QByteArray swapped(areaBytes, Qt::Uninitialized);
    qToLittleEndian<quint32>(plan.Areas.constData(), plan.Areas.size(), swapped.data());
    const int16_t number = writeAll(file, swapped.constData(), areaBytes);
#endif
    if (number != 0) return number;
    file.close();
    return 0;
}

std::filesystem::path fsPath(const QString& path)
{
    return QFileInfo(path).filesystemAbsoluteFilePath();
}

bool renameOver(const QString& from, const QString& to, std::error_code& error)
{
    std::filesystem::rename(fsPath(from), fsPath(to), error);
    return !error;
}

// Puts the plan file in place as target in one step and removes the scratch
// copy. The scratch file (already written) is renamed over the target; when
// it lies on another file system, or there is none, the file is written
// beside the target first. 0, or the file-error number of what failed; the target is
// then untouched.
int16_t putInPlace(const QString& scratch, const QString& target, const PlanFile& plan)
{
    std::error_code error;
    if (!scratch.isEmpty()) {
        if (renameOver(scratch, target, error)) return 0;
        QFile::remove(scratch);
        if (error != std::errc::cross_device_link) return FileErrorNumberFor(QFileDevice::RenameError, target);
    }
    // A name that the plan list (*.PLN) never shows. Only this plan's save
    // writes it, under the plan's edit lock, so a copy left by a crash is
    // simply overwritten by the next save.
    const QString beside = target + QLatin1Char('~');
    if (const int16_t number = writeWholeFile(beside, plan)) {
        QFile::remove(beside);
        return number;
    }
    if (renameOver(beside, target, error)) return 0;
    QFile::remove(beside);
    return FileErrorNumberFor(QFileDevice::RenameError, target);
}

// Reads the area records of the scratch file back, from the offset header
// word 0 gives, and checks that they rise; 0 or the file-error number of a
// failed read. The records are read in pieces, so that the check needs no
// more memory however long the plan.
int16_t checkAreasBack(const QString& path, std::optional<AreaOverlap>& overlap)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return failureNumber(file);
    char header[4];
    if (file.read(header, 4) != 4) return failureNumber(file);
    const qint64 firstArea = qFromLittleEndian<qint32>(header);
    const qint64 size = file.size();
    if (firstArea < 4 || firstArea > size || (size - firstArea) % 4 != 0 || !file.seek(firstArea)) return DeviceIoError;
    QVector<uint32_t> piece(16 * 1024);
    int32_t previous = -1;
    qsizetype index = 0;
    for (qint64 left = size - firstArea; left > 0;) {
        const qint64 want = qMin<qint64>(left, piece.size() * 4);
        if (file.read(reinterpret_cast<char*>(piece.data()), want) != want) return failureNumber(file);
        const std::span<uint32_t> words(piece.data(), size_t(want / 4));
        qFromLittleEndian<quint32>(words.data(), qsizetype(words.size()), words.data());
        if (const auto found = FindAreaOverlap(words, previous)) {
            overlap = AreaOverlap{index + found->Index, found->Word};
            return 0;
        }
        previous = AreaStart(words.back());
        index += qsizetype(words.size());
        left -= want;
    }
    return 0;
}

void showIf(ProgramState& state, bool show, MessageIcon icon, const QString& text)
{
    if (show) state.Ui.ShowMessage(icon, text);
}

PlanSaveResult resultOf(SaveStatus status)
{
    PlanSaveResult result;
    result.Status = status;
    return result;
}

PlanSaveResult saved(ProgramState& state, bool show)
{
    showIf(state, show, MessageIcon::Information, SavedMessage);
    state.PlanModified = false;
    return resultOf(SaveStatus::Saved);
}

} // namespace

void NormujGodziny(ScheduleFields& fields)
{
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (slot == FreeDaySlot) continue;
        auto& row = fields.Slots[slot];
        int32_t& entry = row[EntryColumn].Value;
        int32_t& exit = row[ExitColumn].Value;
        int32_t& breakFrom = row[BreakFromColumn].Value;
        int32_t& breakTo = row[BreakToColumn].Value;
        if (entry != -1 && exit != -1 && entry >= exit) exit += MinutesPerDay;
        if (breakFrom == -1 || breakTo == -1) continue;
        if (breakFrom < entry) breakFrom += MinutesPerDay;
        if (breakTo < exit && breakFrom > breakTo) breakTo += MinutesPerDay;
        if (breakFrom >= breakTo) breakTo += MinutesPerDay;
    }
}

ScheduleFault FindScheduleFault(const ScheduleFields& fields)
{
    const auto wellFormed = [](const TimeField& field) {
        const qsizetype length = field.Text.trimmed().size();
        return length == 0 || length == 5;
    };
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (slot == FreeDaySlot) continue;
        bool ok = true;
        for (const TimeField& field : fields.Slots[slot])
            ok = ok && wellFormed(field);
        if (slot <= 3) ok = ok && wellFormed(fields.Pozostale[slot]);
        if (!ok) return {1, slot, EntryColumn};
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (slot == FreeDaySlot) continue;
        const auto& row = fields.Slots[slot];
        const TimeField& breakFrom = row[BreakFromColumn];
        const TimeField& breakTo = row[BreakToColumn];
        if (isSet(breakFrom) != isSet(breakTo)) return {2, slot, BreakFromColumn};
        if (!isSet(breakFrom)) continue;
        const int32_t entry = row[EntryColumn].Value;
        const int32_t exit = row[ExitColumn].Value;
        const int32_t from = breakFrom.Value;
        const int32_t to = breakTo.Value;
        if (from > to || from < entry || from > exit || to < entry || to > exit) return {3, slot, BreakFromColumn};
    }
    return {};
}

ScheduleFault BladHarmonogramu(ProgramState& state, int kind, int slot)
{
    QString text;
    ScheduleColumn focus = BreakFromColumn;
    switch (kind) {
    case 1:
        text = QStringLiteral("Sprawdź poprawność wpisu w polu.");
        focus = EntryColumn;
        break;
    case 2:
        text = QStringLiteral("Błędny wpis godzin przerw. Proszę uzupełnić wpis w polu tekstowym.");
        break;
    default:
        text = QStringLiteral("Błędny wpis godzin przerw. Godziny przerw nie występują w obszarze pracy.");
        break;
    }
    state.Ui.ShowMessage(MessageIcon::Exclamation, text);
    return {kind, slot, focus};
}

ScheduleFault SprawdzHarmonogramy(ProgramState& state)
{
    NormujGodziny(state.Fields);
    const ScheduleFault fault = FindScheduleFault(state.Fields);
    if (!fault.IsFault()) return fault;
    return BladHarmonogramu(state, fault.Kind, fault.Slot);
}

PlanSaveResult ZapiszPlanHarmonogramow(ProgramState& state, const QString& name, bool showMessages)
{
    PlanSaveResult result;
    result.Fault = SprawdzHarmonogramy(state);
    if (result.Fault.IsFault()) {
        result.Status = SaveStatus::ScheduleRefused;
        return result;
    }
    if (state.Lib.SetDir(state.KatalogTemp) != 0) {
        showIf(state, showMessages, MessageIcon::Critical, PathMessage);
        return resultOf(SaveStatus::PathError);
    }
    const QString fileName = name.trimmed() + QStringLiteral(".PLN");
    if (!isPlainFileName(name.trimmed())) {
        ShowFileError(state.Ui, BadFileName, fileName, QString(), showMessages);
        return resultOf(SaveStatus::FileError);
    }

    const PlanFile plan = schedulePlanFile(state, ExpandSchedulePlan(areaInputOf(state)));
    const QString scratch = QDir(state.KatalogTemp).filePath(fileName);
    int16_t number = writeWholeFile(scratch, plan);
    std::optional<AreaOverlap> overlap;
    if (number == 0) number = checkAreasBack(scratch, overlap);
    if (number != 0) {
        QFile::remove(scratch);
        ShowFileError(state.Ui, number, fileName, QString(), showMessages);
        return resultOf(SaveStatus::FileError);
    }
    if (overlap) {
        QFile::remove(scratch);
        showIf(state, showMessages, MessageIcon::Critical, AreaOverlapMessage(state.Lib, overlap->Word));
        result.Status = SaveStatus::Overlap;
        result.OverlapStart = overlap->Start();
        return result;
    }
    if (putInPlace(scratch, state.PlanPath(name), plan) != 0) {
        showIf(state, showMessages, MessageIcon::Critical, PathMessage);
        return resultOf(SaveStatus::PathError);
    }
    return saved(state, showMessages);
}

PlanSaveResult ZapiszPlanTygodniowy(ProgramState& state, const QString& name, bool showMessages, bool uniformWeek)
{
    const QString fileName = name.trimmed() + QStringLiteral(".PLN");
    if (!isPlainFileName(name.trimmed())) {
        ShowFileError(state.Ui, BadFileName, fileName, QString(), showMessages);
        return resultOf(SaveStatus::FileError);
    }
    const PlanFile plan = weeklyPlanFile(state, uniformWeek);
    // The new file is written whole before it replaces the old one, in TEMP
    // when there is one, else beside the plan.
    QString scratch;
    if (!state.KatalogTemp.isEmpty() && QFileInfo(state.KatalogTemp).isDir()) {
        scratch = QDir(state.KatalogTemp).filePath(fileName);
        if (writeWholeFile(scratch, plan) != 0) {
            QFile::remove(scratch);
            scratch.clear();
        }
    }
    if (const int16_t number = putInPlace(scratch, state.PlanPath(name), plan)) {
        ShowFileError(state.Ui, number, fileName, QString(), showMessages);
        return resultOf(SaveStatus::FileError);
    }
    return saved(state, showMessages);
}

bool UsunPlik(ProgramState& state, const QString& path, bool showMessages)
{
    QFile file(path);
    if (file.remove()) return true;
    const int16_t number = file.exists() ? failureNumber(file) : FileErrorNumberFor(QFileDevice::OpenError, path);
    ShowFileError(state.Ui, number, QFileInfo(path).fileName(), QString(), showMessages);
    return false;
}

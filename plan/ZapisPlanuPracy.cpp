#include "plan/ZapisPlanuPracy.h"

#include "env/CodePage.h"
#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Kelbrin.h"
#include "env/LittleEndian.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"
#include "plan/AreaChain.h"
#include "plan/PlanDocument.h"
#include "plan/PlanLayout.h"
#include "plan/PlanReader.h"
#include "plan/TimeText.h"

#include <QDir>
#include <QFileInfo>

#include <memory>
#include <span>

using namespace PlanLayout;

namespace {

const QString PathMessage =
    QStringLiteral("Nie można zapisać pliku planu pracy. Ścieżka dostępu do plików planu pracy jest błędna.");
const QString SavedMessage = QStringLiteral("Plan pracy został poprawnie zapisany do pliku.");

bool IsSet(const TimeField& field)
{
    return field.Value != -1;
}

// ---------------------------------------------------------------- file bytes

int32_t DayCountOf(const WorkPlan& plan)
{
    return plan.LastDay >= plan.FirstDay ? plan.LastDay - plan.FirstDay + 1 : 0;
}

// A plan file in two parts: everything before the first area record, and
// the records, in the file's byte order.
struct PlanFile
{
    QByteArray Head;
    std::unique_ptr<uint32_t[]> Areas;
    qsizetype AreaCount = 0;

    QList<QByteArrayView> Parts() const
    {
        return {Head, QByteArrayView(reinterpret_cast<const char*>(Areas.get()), AreaCount * 4)};
    }
};

// The area section up to its records: its length, the first minute, the day
// index and the end word. Header word 0 receives the offset of the first record.
void AppendAreaSectionHead(ByteWriter& out, const WorkPlan& plan, std::span<const uint32_t> dayIndex, uint32_t endWord)
{
    out.Int32((plan.LastDay - plan.FirstDay) * 4 + 12);
    out.Int32(plan.FirstDay * MinutesPerDay);
    qToLittleEndian<quint32>(dayIndex.data(), qsizetype(dayIndex.size()), out.Reserve(qsizetype(dayIndex.size()) * 4));
    out.Int32(int32_t(endWord));
    out.Int32At(0, int32_t(out.Size()));
}

int16_t FieldMinutes(const TimeField& field)
{
    return int16_t(GodzinaNaMinuty(field.Text));
}

// The plan expanded into areas and laid out as its file. The records are
// written where the file's bytes are taken from, with no copy between.
PlanFile SchedulePlanFile(const PlanDocument& doc)
{
    const WorkPlan& plan = doc.Plan;
    const ScheduleFields& fields = doc.Fields;
    const int32_t days = DayCountOf(plan);
    ByteWriter out(BlockEnd + 4 + days + 12 + qsizetype(days) * 4);

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
            out.Int16(slot == FreeDaySlot ? 0 : FieldMinutes(fields.Slots[slot][column]));
    }
    for (int i = 0; i < 7; ++i)
        out.Int16(i < 4 ? FieldMinutes(fields.Pozostale[i]) : 0);
    out.Byte(1);
    out.Byte(FlagSchedulePlan);
    out.Int32(plan.FirstDay);
    out.Int32(plan.LastDay);
    out.Int32(0); // start-of-day word, unused by schedule plans

    char* dayBytes = out.Reserve(days);
    for (int32_t day = plan.FirstDay; day <= plan.LastDay; ++day)
        *dayBytes++ = char(plan.Days.Contains(day) ? plan.Days.At(day) : 0);

    PlanFile file;
    const auto dayIndex = std::make_unique_for_overwrite<uint32_t[]>(size_t(days));
    file.Areas = std::make_unique_for_overwrite<uint32_t[]>(size_t(days) * MaxAreasPerDay);
    file.AreaCount = ExpandSchedulePlanInto(AreaInputOf(fields, plan), file.Areas.get(), dayIndex.get());
    const uint32_t endWord = file.AreaCount > 0 ? file.Areas[size_t(file.AreaCount - 1)] & AreaStartMask : 0;
    qToLittleEndian<quint32>(file.Areas.get(), file.AreaCount, file.Areas.get());
    AppendAreaSectionHead(out, plan, std::span<const uint32_t>(dayIndex.get(), size_t(days)), endWord);
    file.Head = out.Take();
    return file;
}

PlanFile WeeklyPlanFile(const PlanDocument& doc, const SuiteFreeDays& freeDays, bool uniformWeek)
{
    const WorkPlan& plan = doc.Plan;
    const int32_t days = DayCountOf(plan);
    const int32_t dayStart = doc.Fields.StartDnia.Value;
    const bool markFreeDays = plan.IncludeFreeDays && freeDays.FreeDaysLoaded;

    QVector<uint32_t> dayIndex(days);
    auto areas = std::make_unique_for_overwrite<uint32_t[]>(size_t(days));
    for (int32_t i = 0; i < days; ++i) {
        const int32_t day = plan.FirstDay + i;
        const int32_t start = day * MinutesPerDay + dayStart;
        const uint8_t kind =
            WeeklyAreaKind(plan, day, markFreeDays && IsFreeDayNumber(freeDays.Days, day), uniformWeek);
        dayIndex[i] = uint32_t(start) & AreaStartMask;
        areas[size_t(i)] = qToLittleEndian(AreaWord(start, kind, FirstOfDayBit));
    }

    ByteWriter out(BlockEnd + 4 + 7 + 12 + qsizetype(days) * 4);
    out.Int32(-1);
    out.Int32(12);
    out.Int32(0);
    out.Int32(0);
    out.Int32(doc.Fields.Norma.Value - MinutesPerDay);

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

    AppendAreaSectionHead(out, plan, dayIndex, uint32_t(plan.LastDay * MinutesPerDay) & AreaStartMask);
    return {out.Take(), std::move(areas), days};
}

} // namespace

AreaChainInput AreaInputOf(const ScheduleFields& fields, const WorkPlan& plan)
{
    AreaChainInput input;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const auto& row = fields.Slots[slot];
        input.Schedules[slot] = {row[EntryColumn].Value, row[ExitColumn].Value, row[BreakFromColumn].Value,
                                 row[BreakToColumn].Value};
    }
    input.EarlierEntry = fields.Pozostale[EarlierEntry].Value;
    input.MaxOvertime = fields.Pozostale[MaxOvertime].Value;
    input.LaterExit = fields.Pozostale[LaterExit].Value;
    input.FirstDay = plan.FirstDay;
    input.LastDay = plan.LastDay;
    if (plan.Days.FirstDay() == plan.FirstDay) {
        input.Slots = plan.Days.Slots();
    } else {
        input.Slots.resize(DayCountOf(plan));
        for (int32_t i = 0; i < input.Slots.size(); ++i) {
            const int32_t day = plan.FirstDay + i;
            input.Slots[i] = plan.Days.Contains(day) ? plan.Days.At(day) : 0;
        }
    }
    return input;
}

uint8_t WeeklyAreaKind(const WorkPlan& plan, int32_t day, bool freeDay, bool uniformWeek)
{
    // In a weekly plan this kind marks a free day: one of the list or a free weekday.
    return freeDay || (!uniformWeek && plan.WeekdayKinds[size_t(WeekdayOf(day))] == FreeWeekday) ? Overtime : Work;
}

namespace {

// ---------------------------------------------------------------- files

// Reads the area records of the written file back, from the offset header
// word 0 gives, and checks that they rise; 0 or the file-error number of a
// failed read. The records are read in pieces, so that the check needs no
// more memory however long the plan.
int16_t CheckAreasBack(const QString& path, std::optional<AreaOverlap>& overlap)
{
    DataFile file;
    if (file.Open(path, FileAccess::Read) != OpenStatus::Opened) return file.ErrorNumber();
    char header[4];
    const qint64 size = file.Size();
    if (size < 0 || file.Read(header, 4) != 4) return file.ErrorNumber() ? file.ErrorNumber() : int16_t(DeviceIoError);
    const qint64 firstArea = ByteReader(QByteArrayView(header, 4)).Int32(0);
    if (firstArea < 4 || firstArea > size || (size - firstArea) % 4 != 0 || !file.Seek(firstArea)) return DeviceIoError;
    QVector<uint32_t> piece(16 * 1024);
    int32_t previous = -1;
    qsizetype index = 0;
    for (qint64 left = size - firstArea; left > 0;) {
        const qint64 want = qMin<qint64>(left, piece.size() * 4);
        if (file.Read(reinterpret_cast<char*>(piece.data()), want) != want) return DeviceIoError;
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

void ShowIf(const Environment& env, bool show, MessageIcon icon, const QString& text)
{
    if (show) env.Ui.ShowMessage(icon, text);
}

PlanSaveResult ResultOf(SaveStatus status, const FileFault& file = {})
{
    PlanSaveResult result;
    result.Status = status;
    result.File = file;
    return result;
}

PlanSaveResult Saved(const Environment& env, PlanDocument& doc, bool show)
{
    ShowIf(env, show, MessageIcon::Information, SavedMessage);
    doc.PlanModified = false;
    return ResultOf(SaveStatus::Saved);
}

// Device names that no file of the suite's platform may carry, whatever follows a full stop.
bool IsDeviceName(const QString& name)
{
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList devices{QStringLiteral("CON"), QStringLiteral("PRN"),    QStringLiteral("AUX"),
                                     QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (devices.contains(base)) return true;
    return base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           base.at(3) >= QLatin1Char('0') && base.at(3) <= QLatin1Char('9');
}

} // namespace

bool IsStorablePlanName(const QString& name)
{
    if (name.trimmed().isEmpty() || name.size() > MaxPlanNameLength || !FitsCodePage(name) || IsDeviceName(name) ||
        name.trimmed().startsWith(QLatin1Char('.')))
        return false;
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c); });
}

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
        if (IsSet(breakFrom) != IsSet(breakTo)) return {2, slot, BreakFromColumn};
        if (!IsSet(breakFrom)) continue;
        const int32_t entry = row[EntryColumn].Value;
        const int32_t exit = row[ExitColumn].Value;
        const int32_t from = breakFrom.Value;
        const int32_t to = breakTo.Value;
        if (from > to || from < entry || from > exit || to < entry || to > exit) return {3, slot, BreakFromColumn};
    }
    return {};
}

ScheduleFault BladHarmonogramu(Prompt& prompt, int kind, int slot)
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
    prompt.ShowMessage(MessageIcon::Exclamation, text);
    return {kind, slot, focus};
}

ScheduleFault SprawdzHarmonogramy(Prompt& prompt, ScheduleFields& fields)
{
    NormujGodziny(fields);
    const ScheduleFault fault = FindScheduleFault(fields);
    if (!fault.IsFault()) return fault;
    return BladHarmonogramu(prompt, fault.Kind, fault.Slot);
}

PlanSaveResult ZapiszPlanHarmonogramow(const Environment& env, PlanDocument& doc, const QString& name,
                                       bool showMessages)
{
    PlanSaveResult result;
    result.Fault = SprawdzHarmonogramy(env.Ui, doc.Fields);
    if (result.Fault.IsFault()) {
        result.Status = SaveStatus::ScheduleRefused;
        return result;
    }
    if (env.Lib.SetDir(env.KatalogTemp) != 0) {
        ShowIf(env, showMessages, MessageIcon::Critical, PathMessage);
        return ResultOf(SaveStatus::PathError);
    }
    const QString planName = name.trimmed();
    const QString fileName = planName + QStringLiteral(".PLN");
    if (!IsStorablePlanName(planName)) {
        ShowFileError(env.Ui, BadFileName, fileName, QString(), showMessages);
        return ResultOf(SaveStatus::FileError);
    }

    const PlanFile plan = SchedulePlanFile(doc);
    // The disk takes the new file while its areas are read back and checked
    // and what dead programs left in both folders is cleared away; the
    // replacement first waits until the file is on the disk.
    FileReplacement scratch;
    int16_t number = scratch.Write(env.KatalogTemp, plan.Parts(), FlushTiming::Later);
    std::optional<AreaOverlap> overlap;
    FileFault fault = scratch.Fault();
    if (number == 0) {
        number = CheckAreasBack(scratch.Path(), overlap);
        fault = FileFault{number, 0, TargetRefusal::None, false};
    }
    RemoveStaleTemporaries(env.KatalogTemp);
    if (number != 0) {
        ShowFileError(env.Ui, number, fileName, QString(), showMessages);
        return ResultOf(SaveStatus::FileError, fault);
    }
    if (overlap) {
        ShowIf(env, showMessages, MessageIcon::Critical, AreaOverlapMessage(env.Lib, overlap->Word));
        result.Status = SaveStatus::Overlap;
        result.OverlapStart = overlap->Start();
        return result;
    }
    RemoveStaleTemporaries(env.PlansDir());
    number = scratch.Commit(PlanFilePath(env, planName));
    if (number == PathNotFound) {
        ShowIf(env, showMessages, MessageIcon::Critical, PathMessage);
        return ResultOf(SaveStatus::PathError, scratch.Fault());
    }
    if (number != 0) {
        ShowFileError(env.Ui, number, fileName, QString(), showMessages);
        return ResultOf(SaveStatus::FileError, scratch.Fault());
    }
    return Saved(env, doc, showMessages);
}

PlanSaveResult ZapiszPlanTygodniowy(const Environment& env, PlanDocument& doc, const SuiteFreeDays& freeDays,
                                    const QString& name, bool showMessages, bool uniformWeek)
{
    const QString planName = name.trimmed();
    const QString fileName = planName + QStringLiteral(".PLN");
    if (!IsStorablePlanName(planName)) {
        ShowFileError(env.Ui, BadFileName, fileName, QString(), showMessages);
        return ResultOf(SaveStatus::FileError);
    }
    const PlanFile plan = WeeklyPlanFile(doc, freeDays, uniformWeek);
    const QList<QByteArrayView> parts = plan.Parts();
    // The new file is written whole before it replaces the old one, in TEMP
    // when it can be, else beside the plan.
    FileReplacement scratch;
    int16_t number = -1;
    if (!env.KatalogTemp.isEmpty() && QFileInfo(env.KatalogTemp).isDir()) {
        RemoveStaleTemporaries(env.KatalogTemp);
        number = scratch.Write(env.KatalogTemp, parts);
    }
    RemoveStaleTemporaries(env.PlansDir());
    if (number != 0) number = scratch.Write(env.PlansDir(), parts);
    if (number == 0) number = scratch.Commit(PlanFilePath(env, planName));
    if (number != 0) {
        ShowFileError(env.Ui, number, fileName, QString(), showMessages);
        return ResultOf(SaveStatus::FileError, scratch.Fault());
    }
    return Saved(env, doc, showMessages);
}

bool UsunPlik(Prompt& prompt, const QString& path, bool showMessages)
{
    const int16_t number = DeleteDataFile(path);
    if (number == 0) return true;
    ShowFileError(prompt, number, QFileInfo(path).fileName(), QString(), showMessages);
    return false;
}

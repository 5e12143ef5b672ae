#include "plan/ShiftCycle.h"

#include "env/Prompt.h"

#include <QRegularExpression>

#include <array>

namespace {

const QString IncompleteSchedule = QStringLiteral(
    "Przypisanie wybranego harmonogrmu na dzień jest niemożliwe. Harmonogram jest niepełny, sprawdź czy został "
    "zdefiniowany czas wejścia, wyjścia i opcjonalnie godzina występowania przerwy.");

// The remainder of a division that is never negative.
int32_t FloorMod(int64_t value, int32_t divisor)
{
    const int64_t rest = value % divisor;
    return int32_t(rest < 0 ? rest + divisor : rest);
}

// The run of first..last (clipped to the table) with every day's slot as the table has it.
DayRun CurrentRun(const DayTable& days, int32_t first, int32_t last)
{
    DayRun run;
    run.First = qMax(first, days.FirstDay());
    const int32_t end = qMin(last, days.LastDay());
    if (end < run.First) return run;
    run.Slots = days.Slots().mid(run.First - days.FirstDay(), end - run.First + 1);
    return run;
}

} // namespace

const QVector<CyclePreset>& CyclePresets()
{
    static const QVector<CyclePreset> presets{
        {QStringLiteral("Trzy zmiany, cztery brygady (8 h)"), {0, 0, 1, 1, 2, 2, 4, 4}, 4},
        {QStringLiteral("Dzień – noc – wolne – wolne (12 h)"), {0, 1, 4, 4}, 4},
        {QStringLiteral("Pięć dni pracy, dwa wolne"), {0, 0, 0, 0, 0, 4, 4}, 7},
        {QStringLiteral("Sześć dni pracy, dwa wolne"), {0, 0, 0, 0, 0, 0, 4, 4}, 4},
    };
    return presets;
}

int BrigadeOffset(const CyclePreset& preset, int brigade)
{
    if (preset.Brigades < 1 || brigade < 1 || brigade > preset.Brigades) return 0;
    return int((brigade - 1) * preset.Slots.size() / preset.Brigades);
}

std::optional<QVector<int>> ParseCycle(const QString& text, QString* why)
{
    const auto fail = [why](const QString& reason) -> std::optional<QVector<int>> {
        if (why) *why = reason;
        return std::nullopt;
    };
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    QVector<int> cycle;
    for (const QString& token : text.split(separators, Qt::SkipEmptyParts)) {
        for (const QChar c : token) {
            if (c < QLatin1Char('0') || c > QLatin1Char('6')) {
                return fail(QStringLiteral("Wzór zmian może zawierać tylko numery harmonogramów od 0 do 6 "
                                           "(niedozwolony znak: „%1”).")
                                .arg(c));
            }
            cycle.append(c.digitValue());
        }
        if (cycle.size() > MaxCycleLength)
            return fail(QStringLiteral("Wzór zmian może mieć najwyżej %1 dni.").arg(MaxCycleLength));
    }
    if (cycle.isEmpty())
        return fail(QStringLiteral("Wpisz wzór zmian: numery harmonogramów od 0 do 6, np. 0 0 1 1 2 2 4 4."));
    return cycle;
}

QString CycleText(const QVector<int>& cycle)
{
    QStringList digits;
    for (const int slot : cycle)
        digits.append(QString::number(slot));
    return digits.join(QLatin1Char(' '));
}

int CycleSlot(const CyclePainting& painting, int32_t day)
{
    if (painting.Cycle.isEmpty()) return FreeDaySlot;
    const int32_t length = int32_t(painting.Cycle.size());
    return painting.Cycle.at(FloorMod(int64_t(day) - painting.FirstDay + painting.Offset, length));
}

DayRun PaintCycle(const DayTable& days, const CyclePainting& painting, const QBitArray& freeDays)
{
    DayRun run = CurrentRun(days, painting.From, painting.To);
    if (painting.Cycle.isEmpty()) return {};
    const int32_t length = int32_t(painting.Cycle.size());
    int32_t place = FloorMod(int64_t(run.First) - painting.FirstDay + painting.Offset, length);
    const qsizetype freeBase = run.First - days.FirstDay();
    for (qsizetype i = 0; i < run.Slots.size(); ++i) {
        const bool free = painting.KeepFreeDays && freeBase + i < freeDays.size() && freeDays.testBit(freeBase + i);
        run.Slots[i] = free ? FreeDaySlot : painting.Cycle.at(place);
        if (++place == length) place = 0;
    }
    return run;
}

DayRun RepeatWeek(const DayTable& days, int32_t weekFirst)
{
    DayRun run = CurrentRun(days, weekFirst + 7, days.LastDay());
    for (qsizetype i = 0; i < run.Slots.size(); ++i) {
        const int32_t source = weekFirst + int32_t((run.First + i - weekFirst) % 7);
        if (days.Contains(source)) run.Slots[i] = days.At(source);
    }
    return run;
}

DayRun RepeatMonth(const DayTable& days, const QDate& month)
{
    const QDate first(month.year(), month.month(), 1);
    const int32_t monthFirst = DayOfDate(first);
    const int length = first.daysInMonth();
    DayRun run = CurrentRun(days, monthFirst + length, days.LastDay());
    if (run.IsEmpty()) return run;
    // Day of the month of the run's first day, advanced day by day.
    QDate date = DateOfDay(run.First);
    int dayOfMonth = date.day();
    int daysInMonth = date.daysInMonth();
    for (qsizetype i = 0; i < run.Slots.size(); ++i) {
        const int32_t source = monthFirst + dayOfMonth - 1;
        if (dayOfMonth <= length && days.Contains(source)) run.Slots[i] = days.At(source);
        if (++dayOfMonth > daysInMonth) {
            date = date.addMonths(1);
            daysInMonth = date.daysInMonth();
            dayOfMonth = 1;
        }
    }
    return run;
}

bool MayPaintSlots(Prompt& prompt, const ScheduleFields& fields, const QVector<int>& painted, int slotOnFirstDay)
{
    for (const int slot : painted) {
        if (slot == FreeDaySlot || slot < 0 || slot >= SlotCount) continue;
        const auto& row = fields.Slots[size_t(slot)];
        if (row[EntryColumn].Text.trimmed().isEmpty() || row[ExitColumn].Text.trimmed().isEmpty()) {
            prompt.ShowMessage(MessageIcon::Exclamation, IncompleteSchedule);
            return false;
        }
    }
    if (slotOnFirstDay >= 0 && slotOnFirstDay < SlotCount && slotOnFirstDay != FreeDaySlot &&
        fields.Slots[size_t(slotOnFirstDay)][EntryColumn].Value - fields.Pozostale[EarlierEntry].Value < 0) {
        prompt.ShowMessage(MessageIcon::Critical, QStringLiteral("Poczatek okresu wejść wypda przed 01-01-2000.") + Cr +
                                                      QStringLiteral("Zapis planu pracy niemżliwy."));
        return false;
    }
    return true;
}

bool MayPaintRun(Prompt& prompt, const ScheduleFields& fields, const DayRun& run)
{
    if (run.IsEmpty()) return false;
    std::array<bool, SlotCount> used{};
    QVector<int> painted;
    for (const int32_t slot : run.Slots) {
        if (slot < 0 || slot >= SlotCount || used[size_t(slot)]) continue;
        used[size_t(slot)] = true;
        painted.append(slot);
    }
    const int onFirstDay = run.First <= 0 && run.Last() >= 0 ? run.Slots.at(-run.First) : -1;
    return MayPaintSlots(prompt, fields, painted, onFirstDay);
}

// The work plan held in memory while it is edited.
#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

// Time of day in minutes (0..1439; a schedule normalised for saving may run
// into the next day), or EmptyTime for a blank field.
constexpr int16_t EmptyTime = -1;
constexpr int32_t MinutesPerDay = 1440;
// The last day a plan may reach: 18500 days after 2000-01-01 (August 2050).
constexpr int32_t MaxPlanDay = 18500;
constexpr int SlotCount = 7;
// Slot 4 is the free day: no times, painted with the window's background.
constexpr int FreeDaySlot = 4;

enum class PlanKind : uint8_t { WeeklyPlan = 0, SchedulePlan = 1 };

// The weekday of a day number, Sunday = 0 (1 January 2000, day 0, was a Saturday).
constexpr int WeekdayOf(int32_t day)
{
    return int(((day % 7) + 7 + 6) % 7);
}

// The calendar date of a day number (days since 2000-01-01).
inline QDate DateOfDay(int32_t day)
{
    return QDate(2000, 1, 1).addDays(day);
}

// The day number of a calendar date.
inline int32_t DayOfDate(const QDate& date)
{
    return int32_t(QDate(2000, 1, 1).daysTo(date));
}

// A calendar date as numbers (the proleptic Gregorian calendar), for the
// places that turn thousands of day numbers into dates and back: cheaper than
// a QDate for each.
struct CivilDate
{
    int Year = 2000;
    int Month = 1; // 1..12
    int Day = 1;   // 1..31
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// The date of a day number (days since 2000-01-01, negative ones before it),
// for years from 1 on.
constexpr CivilDate CivilDateOfDay(int32_t day)
{
    // Counted in 400-year eras of 146097 days from 1 March 2000, with the
    // year starting in March, so that 29 February is the last day of a year.
    const int64_t fromMarch = int64_t(day) - 60;
    const int64_t era = (fromMarch >= 0 ? fromMarch : fromMarch - 146096) / 146097;
    const int64_t ofEra = fromMarch - era * 146097;                                          // 0..146096
    const int64_t yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365; // 0..399
    const int64_t ofYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);      // 0..365
    const int64_t monthFromMarch = (5 * ofYear + 2) / 153;                                   // 0..11
    const int month = int(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {int(2000 + era * 400 + yearOfEra + (month <= 2 ? 1 : 0)), month,
            int(ofYear - (153 * monthFromMarch + 2) / 5 + 1)};
}

// The day number of a valid date.
constexpr int32_t DayOfCivilDate(int year, int month, int day)
{
    const int64_t marchYear = int64_t(year) - 2000 - (month <= 2 ? 1 : 0);
    const int64_t era = (marchYear >= 0 ? marchYear : marchYear - 399) / 400;
    const int64_t yearOfEra = marchYear - era * 400;
    const int64_t ofYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    return int32_t(era * 146097 + 365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100 + ofYear + 60);
}

// Kind of a weekday in a weekly plan, as stored.
constexpr uint8_t FreeWeekday = 1;
constexpr uint8_t WorkingWeekday = 2;

struct DaySchedule
{
    int16_t Entry = EmptyTime;
    int16_t Exit = EmptyTime;
    int16_t BreakFrom = EmptyTime;
    int16_t BreakTo = EmptyTime;
};

// Index of a tolerance: earlier entry, maximum overtime, maximum break time, later exit.
enum Tolerance { EarlierEntry = 0, MaxOvertime = 1, MaxBreakTime = 2, LaterExit = 3 };

// The slot (0..6) of every day from FirstDay to LastDay, indexed by day number.
class DayTable
{
public:
    void Reset(int32_t firstDay, int32_t lastDay, int32_t slot = 0)
    {
        m_first = firstDay;
        m_slots = QVector<int32_t>(lastDay >= firstDay ? lastDay - firstDay + 1 : 0, slot);
    }
    int32_t FirstDay() const { return m_first; }
    int32_t LastDay() const { return m_first + int32_t(m_slots.size()) - 1; }
    int32_t Size() const { return int32_t(m_slots.size()); }
    bool Contains(int32_t day) const { return day >= m_first && day - m_first < m_slots.size(); }
    int32_t At(int32_t day) const { return m_slots.at(day - m_first); }
    void Set(int32_t day, int32_t slot) { m_slots[day - m_first] = slot; }
    // Sets the first days from one slot byte each (as a plan file stores
    // them); days beyond the bytes keep their slot.
    void Fill(QByteArrayView slotBytes)
    {
        int32_t* __restrict out = m_slots.data();
        const auto* __restrict in = reinterpret_cast<const uint8_t*>(slotBytes.data());
        const qsizetype n = qMin(slotBytes.size(), m_slots.size());
        // Widened in blocks of a fixed size, which the compiler turns into vector code.
        qsizetype i = 0;
        for (; i + 16 <= n; i += 16) {
            for (int k = 0; k < 16; ++k)
                out[i + k] = in[i + k];
        }
        for (; i < n; ++i)
            out[i] = in[i];
    }
    const QVector<int32_t>& Slots() const { return m_slots; }
    bool operator==(const DayTable&) const = default;

private:
    int32_t m_first = 0;
    QVector<int32_t> m_slots;
};

struct WorkPlan
{
    QString Name;
    PlanKind Kind = PlanKind::SchedulePlan;
    int32_t FirstDay = 0;
    int32_t LastDay = 0;
    DayTable Days; // the plan's DayTable (schedule plans)
    std::array<DaySchedule, SlotCount> Schedules{};
    std::array<int16_t, 4> Tolerances{EmptyTime, EmptyTime, EmptyTime, EmptyTime};
    // Sunday first; FreeWeekday or WorkingWeekday (weekly plans).
    std::array<uint8_t, 7> WeekdayKinds{FreeWeekday,    WorkingWeekday, WorkingWeekday, WorkingWeekday,
                                        WorkingWeekday, WorkingWeekday, FreeWeekday};
    int32_t DailyNorm = 0; // minutes (weekly plans)
    int32_t DayStart = 0;  // minutes (weekly plans)
    bool IncludeFreeDays = false;
};

// One time field of the window: the text it shows ("hh:mm" or empty) and the
// minute value kept with it (-1 when empty).
struct TimeField
{
    QString Text;
    int32_t Value = -1;
    bool operator==(const TimeField&) const = default;
};

// The four time fields of a schedule row.
enum ScheduleColumn { EntryColumn = 0, ExitColumn = 1, BreakFromColumn = 2, BreakToColumn = 3 };

// What the schedule fields of the window hold: txtOd, txtdo, txtPrzeOd,
// txtPrzeDo per slot, txtPozostale(0..3), txtNorma and txtStartDnia. The
// readers fill them, the leave-field parser keeps them normalised and the
// writers store them.
struct ScheduleFields
{
    std::array<std::array<TimeField, 4>, SlotCount> Slots{};
    std::array<TimeField, 4> Pozostale{};
    TimeField Norma;
    TimeField StartDnia;
    bool operator==(const ScheduleFields&) const = default;
};

#include "PlanJson.h"

#include "env/Kelbrin.h"
#include "plan/ZapisPlanuPracy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const char* const ScheduleKeys[4] = {"entry", "exit", "breakFrom", "breakTo"};

QString DateText(const KelbrinLibrary& lib, int32_t day)
{
    const KlnxDate date = lib.LongToDate(day * MinutesPerDay);
    return QStringLiteral("%1-%2-%3")
        .arg(date.Year, 4, 10, QLatin1Char('0'))
        .arg(date.Month, 2, 10, QLatin1Char('0'))
        .arg(date.Day, 2, 10, QLatin1Char('0'));
}

std::optional<int32_t> DayOf(const KelbrinLibrary& lib, const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const int year = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    const int day = match.captured(3).toInt();
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    const int32_t count = lib.DateToLong(year, uint8_t(month), uint8_t(day), 0, 0);
    const KlnxDate back = lib.LongToDate(count);
    if (back.Month != month || back.Day != day) // 31 April and the like
        return std::nullopt;
    return count / MinutesPerDay;
}

struct Fields
{
    const QJsonObject& Object;
    QString* Error;
    bool Ok = true;

    void Fail(const QString& why)
    {
        if (Ok && Error) *Error = why;
        Ok = false;
    }
    bool Has(const char* key) const { return Object.contains(QLatin1String(key)); }
    // A key that must be there: its absence is named.
    QJsonValue Required(const char* key)
    {
        if (!Has(key)) Fail(QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)));
        return Object.value(QLatin1String(key));
    }
    QString Text(const char* key, bool required = true)
    {
        if (!required && !Has(key)) return {};
        const QJsonValue value = Required(key);
        if (Ok && !value.isString()) Fail(QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key)));
        return value.toString();
    }
    QJsonArray Array(const char* key, int size)
    {
        const QJsonValue value = Required(key);
        if (Ok && (!value.isArray() || value.toArray().size() != size))
            Fail(QStringLiteral("\"%1\" must be an array of %2").arg(QLatin1String(key)).arg(size));
        return value.toArray();
    }
};

} // namespace

QByteArray PlanToJson(const KelbrinLibrary& lib, const PlanText& plan)
{
    QJsonObject object;
    object.insert(QStringLiteral("name"), plan.Name);
    const bool schedule = plan.Kind == PlanKind::SchedulePlan;
    object.insert(QStringLiteral("kind"), schedule ? QStringLiteral("schedule") : QStringLiteral("weekly"));
    if (plan.Legacy)
        object.insert(QStringLiteral("format"), *plan.Legacy ? QStringLiteral("legacy") : QStringLiteral("current"));
    object.insert(QStringLiteral("from"), DateText(lib, plan.FirstDay));
    object.insert(QStringLiteral("to"), DateText(lib, plan.LastDay));
    QJsonArray schedules;
    for (const auto& slot : plan.Schedules) {
        QJsonObject row;
        for (int column = 0; column < 4; ++column)
            row.insert(QLatin1String(ScheduleKeys[column]), slot[column]);
        schedules.append(row);
    }
    object.insert(QStringLiteral("schedules"), schedules);
    QJsonArray tolerances;
    for (const QString& tolerance : plan.Tolerances)
        tolerances.append(tolerance);
    object.insert(QStringLiteral("tolerances"), tolerances);
    if (schedule) {
        object.insert(QStringLiteral("days"), plan.Days);
    } else {
        QJsonArray weekdays;
        for (int kind : plan.Weekdays)
            weekdays.append(kind);
        object.insert(QStringLiteral("weekdays"), weekdays);
    }
    object.insert(QStringLiteral("dailyNorm"), plan.DailyNorm);
    object.insert(QStringLiteral("dayStart"), plan.DayStart);
    object.insert(QStringLiteral("includeFreeDays"), plan.IncludeFreeDays);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<PlanText> PlanFromJson(const KelbrinLibrary& lib, const QByteArray& json, QString* error)
{
    if (json.size() > MaxPlanJsonSize) {
        if (error) *error = QStringLiteral("larger than any plan's description (%1 bytes)").arg(json.size());
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        if (error)
            *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                  : QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    Fields in{object, error};
    PlanText plan;
    plan.Name = in.Text("name").trimmed();
    if (in.Ok && plan.Name.isEmpty())
        in.Fail(QStringLiteral("\"name\" is empty"));
    else if (in.Ok && !IsStorablePlanName(plan.Name))
        in.Fail(QStringLiteral("\"name\" cannot name a plan file: at most %1 characters of windows-1250, no control "
                               "characters, none of / \\ : * ? \" < > | and no device name such as CON or NUL")
                    .arg(MaxPlanNameLength));
    const QString kind = in.Text("kind");
    if (kind == QLatin1String("schedule"))
        plan.Kind = PlanKind::SchedulePlan;
    else if (kind == QLatin1String("weekly"))
        plan.Kind = PlanKind::WeeklyPlan;
    else
        in.Fail(QStringLiteral("\"kind\" must be \"schedule\" or \"weekly\""));
    const auto first = DayOf(lib, in.Text("from"));
    const auto last = DayOf(lib, in.Text("to"));
    if (!first || !last)
        in.Fail(QStringLiteral("\"from\" and \"to\" must be dates YYYY-MM-DD"));
    else if (*first < 0 || *last > MaxPlanDay || *last < *first)
        in.Fail(QStringLiteral("the range must lie within 2000-01-01 .. 2050-08-26, \"from\" not after \"to\""));
    else {
        plan.FirstDay = *first;
        plan.LastDay = *last;
    }
    // A weekly plan has no schedules or allowances; it may leave them out.
    const bool weekly = plan.Kind == PlanKind::WeeklyPlan;
    if (in.Ok && !(weekly && !in.Has("schedules"))) {
        const QJsonArray schedules = in.Array("schedules", SlotCount);
        for (int slot = 0; in.Ok && slot < SlotCount; ++slot) {
            if (!schedules.at(slot).isObject()) {
                in.Fail(QStringLiteral("\"schedules\" must hold objects"));
                break;
            }
            const QJsonObject row = schedules.at(slot).toObject();
            Fields rowIn{row, in.Ok ? error : nullptr};
            for (int column = 0; column < 4; ++column)
                plan.Schedules[slot][column] = rowIn.Text(ScheduleKeys[column], false);
            if (!rowIn.Ok) in.Ok = false; // the row has given the reason
        }
    }
    if (in.Ok && !(weekly && !in.Has("tolerances"))) {
        const QJsonArray tolerances = in.Array("tolerances", 4);
        for (int i = 0; in.Ok && i < 4; ++i) {
            if (!tolerances.at(i).isString()) in.Fail(QStringLiteral("\"tolerances\" must hold texts"));
            plan.Tolerances[i] = tolerances.at(i).toString();
        }
    }
    if (plan.Kind == PlanKind::SchedulePlan) {
        plan.Days = in.Text("days");
        static const QRegularExpression digits(QStringLiteral("^[0-6]*$"));
        if (in.Ok && (!digits.match(plan.Days).hasMatch() || plan.Days.size() != plan.LastDay - plan.FirstDay + 1))
            in.Fail(QStringLiteral("\"days\" must hold one digit 0..6 per day of the range"));
    } else {
        const QJsonArray weekdays = in.Array("weekdays", 7);
        for (int i = 0; in.Ok && i < 7; ++i) {
            const int value = weekdays.at(i).toInt(-1);
            if (!weekdays.at(i).isDouble() || value < 0 || value > 255)
                in.Fail(QStringLiteral("\"weekdays\" must hold 7 numbers 0..255"));
            plan.Weekdays[i] = value;
        }
    }
    plan.DailyNorm = in.Text("dailyNorm", false);
    plan.DayStart = in.Text("dayStart", false);
    const QJsonValue includeFreeDays = object.value(QStringLiteral("includeFreeDays"));
    if (!includeFreeDays.isUndefined() && !includeFreeDays.isBool())
        in.Fail(QStringLiteral("\"includeFreeDays\" must be true or false"));
    plan.IncludeFreeDays = includeFreeDays.toBool(false);
    if (!in.Ok) return std::nullopt;
    return plan;
}

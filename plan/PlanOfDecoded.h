// A plan file's decoded bytes as the work plan model: what the exports and
// the team's month take from a plan they only read.
#pragma once

#include "plan/WorkPlan.h"

#include <QString>

#include <cstdint>

struct DecodedPlan;

// The plan as read from a file: the times and weekday kinds as the readers
// take them (equal break times mean no break; the older layout's weekday
// bytes turned into free and working days; times beyond a day taken modulo a
// day). A weekly plan's range is not in its block; the caller passes it, as
// the suite library gives it.
WorkPlan PlanOfDecoded(const DecodedPlan& decoded, const QString& name, int32_t firstDay, int32_t lastDay);

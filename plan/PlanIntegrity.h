// The whole-plan check: whether the area section of a plan file is exactly
// what the plan writers make of the plan the file stores, entry by entry up to
// the last day of the range. A file cut short, or changed anywhere in its
// areas, fails it even where every area still starts after the one before.
// Pure functions of the file's bytes: no files, no library, no messages.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

// Where a file departs from a whole plan.
struct PlanDifference
{
    QString What;               // in a few English words, for the command-line tool
    std::optional<int32_t> Day; // the day of the first entry that differs, when an entry does
};

// Nothing for a whole plan, else the first difference (a file the readers
// refuse, or one without an area section where its block puts it, differs
// without a day).
//
// Schedule plans: the section is compared with the writer's expansion of the
// stored schedules, allowances, range and day table. Weekly plans: with one
// area a day at the day's start from the section's own range; a working
// weekday may be a free day when the plan takes the suite's free days into
// account (which days those were when it was saved, the file does not say),
// and a plan whose seven weekday bytes all say free may have every day worked
// (as the new-plan dialog saves a uniform week). The older layout, which none
// of this program's writers makes: the range's day index, each entry the
// start of its day's first area, areas that rise, and a final area that
// closes the section.
std::optional<PlanDifference> CheckWholePlan(QByteArrayView file);

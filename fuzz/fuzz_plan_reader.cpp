// Plan files in the current layout: the kind probe and the decoder read as
// schedule and as weekly plan, with the field texts the readers make.
#include "PlanFuzzChecks.h"

#include "plan/PlanIntegrity.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::fprintf(stderr, "suite library %s: field texts %s\n", planfuzz::Library() ? "loaded" : "not found",
                 planfuzz::Library() ? "checked" : "skipped");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PlanProbe probe = ProbePlanBytes(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    planfuzz::Require(probe.Kind == PlanKind::SchedulePlan || probe.Kind == PlanKind::WeeklyPlan);
    planfuzz::CheckDecoding(data, size, PlanFormat::Current, PlanKind::SchedulePlan);
    planfuzz::CheckDecoding(data, size, PlanFormat::Current, PlanKind::WeeklyPlan);
    // The whole-plan check of any bytes: an answer, a day only within the plans' days.
    const auto difference = CheckWholePlan(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    planfuzz::Require(!difference || !difference->Day ||
                      (*difference->Day >= 0 && *difference->Day <= 0x3ffffff / 1440));
    return 0;
}

// Plan files in the current layout: the kind probe and the decoder read as
// schedule and as weekly plan, with the field texts the readers make.
#include "PlanFuzzChecks.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::fprintf(stderr, "suite library %s: field texts %s\n", planfuzz::library() ? "loaded" : "not found",
                 planfuzz::library() ? "checked" : "skipped");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PlanProbe probe = ProbePlanBytes(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    planfuzz::require(probe.Kind == PlanKind::SchedulePlan || probe.Kind == PlanKind::WeeklyPlan);
    planfuzz::checkDecoding(data, size, PlanFormat::Current, PlanKind::SchedulePlan);
    planfuzz::checkDecoding(data, size, PlanFormat::Current, PlanKind::WeeklyPlan);
    return 0;
}

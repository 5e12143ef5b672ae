// Plan files in the layout of program versions up to 1.04, read as schedule
// and as weekly plan, with the field texts and weekday codes the legacy
// readers make.
#include "PlanFuzzChecks.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::fprintf(stderr, "suite library %s: field texts %s\n", planfuzz::Library() ? "loaded" : "not found",
                 planfuzz::Library() ? "checked" : "skipped");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    planfuzz::CheckDecoding(data, size, PlanFormat::Legacy, PlanKind::SchedulePlan);
    planfuzz::CheckDecoding(data, size, PlanFormat::Legacy, PlanKind::WeeklyPlan);
    return 0;
}

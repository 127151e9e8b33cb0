#include "platform/WriteFaults.h"

namespace Platform {
namespace {

WriteStep g_failingStep = WriteStep::None;
int g_callsToSkip = 0;

}  // namespace

bool ConsumeInjectedFailure(WriteStep step)
{
    if (g_failingStep != step || step == WriteStep::None) return false;
    if (g_callsToSkip > 0) {
        --g_callsToSkip;
        return false;
    }
    g_failingStep = WriteStep::None;
    return true;
}

void FailNextWriteStepForTesting(WriteStep step, int callsToSkip)
{
    g_failingStep = step;
    g_callsToSkip = callsToSkip;
}

}  // namespace Platform

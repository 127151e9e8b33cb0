#include "platform/WriteFaults.h"

namespace Platform {
namespace {

WriteStep g_failingStep = WriteStep::None;

}  // namespace

bool ConsumeInjectedFailure(WriteStep step)
{
    if (g_failingStep != step || step == WriteStep::None) return false;
    g_failingStep = WriteStep::None;
    return true;
}

void FailNextWriteStepForTesting(WriteStep step) { g_failingStep = step; }

}  // namespace Platform

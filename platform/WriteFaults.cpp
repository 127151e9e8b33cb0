#include "platform/WriteFaults.h"

namespace Platform {
namespace {

WriteStep g_failingStep = WriteStep::None;
int g_callsToSkip = 0;
int g_timesLeft = 0;
std::vector<std::string>* g_trace = nullptr;

}  // namespace

bool ConsumeInjectedFailure(WriteStep step)
{
    if (g_failingStep != step || step == WriteStep::None) return false;
    if (g_callsToSkip > 0) {
        --g_callsToSkip;
        return false;
    }
    if (--g_timesLeft <= 0) g_failingStep = WriteStep::None;
    return true;
}

void TraceEntryChange(const char* operation, const std::string& path)
{
    if (g_trace != nullptr) g_trace->push_back(std::string(operation) + " " + path);
}

void TraceEntryChangesForTesting(std::vector<std::string>* trace) { g_trace = trace; }

void FailNextWriteStepForTesting(WriteStep step, int callsToSkip, int times)
{
    g_failingStep = step;
    g_callsToSkip = callsToSkip;
    g_timesLeft = times;
}

}  // namespace Platform

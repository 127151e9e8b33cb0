#include "platform/Platform.h"
#include "run/Run.h"

// The run gets a large stack of its own, whatever the process's stack limit: the
// regular-expression compiler recurses with a pattern's size.
int main(int argumentCount, char** arguments)
{
    constexpr std::size_t kRunStackBytes = std::size_t {256} << 20;
    // Signals are taken by one thread of their own from the start: every thread the run
    // starts has them blocked.
    Platform::InstallInterruptCleanup();
    int exitCode = 1;
    const auto run = [&] { exitCode = Run(argumentCount, arguments, true); };
    if (!Platform::RunOnOwnStack(run, kRunStackBytes, -1)) run();
    return exitCode;
}

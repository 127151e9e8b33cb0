#include "platform/Platform.h"
#include "run/Run.h"

#include <string>
#include <vector>

// The run gets a large stack of its own, whatever the process's stack limit: the
// regular-expression compiler recurses with a pattern's size.
int main(int argumentCount, char** arguments)
{
    constexpr std::size_t kRunStackBytes = std::size_t {256} << 20;
    // One heap for every thread; signals are taken by one thread of their own from the
    // start: every thread the run starts has them blocked.
    Platform::ShareOneHeap();
    Platform::InstallInterruptCleanup();
    int exitCode = 1;
    const std::vector<std::string> texts = Platform::CommandLineArguments(argumentCount, arguments);
    std::vector<const char*> converted;
    for (const std::string& text : texts) converted.push_back(text.c_str());
    const auto run = [&] { exitCode = Run(static_cast<int>(converted.size()), converted.data(), true); };
    if (!Platform::RunOnOwnStack(run, kRunStackBytes, -1)) run();
    return exitCode;
}

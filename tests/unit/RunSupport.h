#pragma once

// A whole run of the program inside the test process, its console text captured. A run
// sets the console's encoding and the messages' language from the environment; they are
// put back after it, so that later tests see the process as it was.

#include "TestSupport.h"
#include "console/Console.h"
#include "console/Messages.h"
#include "run/Run.h"

#include <string>
#include <vector>

namespace TestSupport {

// Runs the program with `texts` after its name; gives the exit code and the console.
inline int RunProgram(const std::vector<std::string>& texts, std::string& console)
{
    std::vector<const char*> arguments = {"velmarch"};
    for (const std::string& text : texts) arguments.push_back(text.c_str());
    const TextEncoding output = Console::OutputEncoding();
    const Messages::Language language = Messages::CurrentLanguage();
    CapturedConsole captured;
    const int exitCode = ::Run(static_cast<int>(arguments.size()), arguments.data());
    console = captured.Text();
    Console::SetOutputEncodingForTesting(output);
    Messages::CurrentLanguage() = language;
    return exitCode;
}

}  // namespace TestSupport

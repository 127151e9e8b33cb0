#pragma once

// A whole run of the program inside the test process, its console text captured.

#include "TestSupport.h"
#include "run/Run.h"

#include <string>
#include <vector>

namespace TestSupport {

// Runs the program with `texts` after its name; gives the exit code and the console.
inline int RunProgram(const std::vector<std::string>& texts, std::string& console)
{
    std::vector<const char*> arguments = {"velmarch"};
    for (const std::string& text : texts) arguments.push_back(text.c_str());
    CapturedConsole captured;
    const int exitCode = ::Run(static_cast<int>(arguments.size()), arguments.data());
    console = captured.Text();
    return exitCode;
}

}  // namespace TestSupport

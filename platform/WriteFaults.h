#pragma once

// The test seam of replacing writes, shared by both sides of the platform layer.

#include "platform/Platform.h"

namespace Platform {

// True once, when the test seam asked for `step` to fail.
bool ConsumeInjectedFailure(WriteStep step);

// Notes a change of a folder's entries ("mkdir", "link", "rename", "unlink") or a
// folder's flush ("sync") for the test seam's trace, when one is asked for.
void TraceEntryChange(const char* operation, const std::string& path);

}  // namespace Platform

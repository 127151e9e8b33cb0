#pragma once

// The test seam of replacing writes, shared by both sides of the platform layer.

#include "platform/Platform.h"

namespace Platform {

// True once, when the test seam asked for `step` to fail.
bool ConsumeInjectedFailure(WriteStep step);

}  // namespace Platform

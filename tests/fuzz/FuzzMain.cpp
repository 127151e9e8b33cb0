// The libFuzzer entry of one target: the build compiles this file once per target,
// naming it in VELMARCH_FUZZ_TARGET.
#include "FuzzTargets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Fuzz::Target target = Fuzz::TargetNamed(VELMARCH_FUZZ_TARGET);
    if (target == nullptr) std::abort();
    target(data, size);
    return 0;
}

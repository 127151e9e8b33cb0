#include "platform/Platform.h"

namespace Platform {

std::string ErrorSuffix(int errorCode) { return ".Error is [" + std::to_string(errorCode) + "][" + ErrorText(errorCode) + "]"; }

}  // namespace Platform

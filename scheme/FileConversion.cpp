#include "scheme/FileConversion.h"

#include "console/Console.h"

#include <stdexcept>

const CActionExecutorContainer& FileConversion::ActionsForImage(const CIniFileImage& image) const
{
    const TextEncoding encoding = image.FileEncoding();
    if (encoding == schemeEncoding) return sectionActions;
    if (!otherEncodingUnencodable.empty()) {
        throw std::runtime_error("the text '" + otherEncodingUnencodable + "' cannot be written in the " +
                                 Encoding::Name(encoding) + " file [" + Console::ShownName(image.Path()) + "]");
    }
    return otherEncodingActions;
}

#include "platform/LetterCase.h"

namespace LetterCase {

std::string LowerText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char byte : text) {
        result.push_back(static_cast<char>(Lower(static_cast<unsigned char>(byte))));
    }
    return result;
}

std::string UpperText(std::string_view text)
{
    std::string result(text);
    for (char& byte : result) byte = static_cast<char>(Upper(static_cast<unsigned char>(byte)));
    return result;
}

}  // namespace LetterCase

#include "condition/NamePattern.h"

#include "condition/NameTemplate.h"
#include "platform/LetterCase.h"

std::string MakeNamePattern(const std::string& name)
{
    if (name.find('*') == std::string::npos) return std::string();
    return ReplaceStars(LetterCase::LowerText(name));
}

std::string ReplaceStars(const std::string& text)
{
    const std::string replacement = kNameTemplatePattern;
    std::string pattern = text;
    std::size_t star = pattern.find('*');
    while (star != std::string::npos) {
        pattern.replace(star, 1, replacement);
        // The '*' inside the inserted text is never replaced again.
        star = pattern.find('*', star + replacement.size());
    }
    return pattern;
}

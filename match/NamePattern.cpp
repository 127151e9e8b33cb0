#include "match/NamePattern.h"

#include "match/NameTemplate.h"
#include "text/LetterCase.h"
#include "text/TextEncoding.h"

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

std::string NamePatternIn(TextEncoding encoding, const std::string& name, bool regexMode)
{
    if (encoding == TextEncoding::Windows1251) return regexMode ? name : MakeNamePattern(name);
    if (regexMode) return MatchWholeUtf8Characters(name);
    if (name.find('*') == std::string::npos) return std::string();
    return MatchWholeUtf8Characters(ReplaceStars(Encoding::FoldUtf8(name)));
}

std::string MatchWholeUtf8Characters(const std::string& pattern)
{
    // A lead byte takes all its continuation bytes; a stray continuation byte, or any
    // other byte but a line end, is one on its own.
    static const std::string kCharacter =
        "(?:[\\xC0-\\xFF][\\x80-\\xBF]*(?![\\x80-\\xBF])|[\\x80-\\xBF]|[^\\n\\r\\x80-\\xFF])";
    if (pattern.find('.') == std::string::npos) return pattern;
    std::string rewritten;
    bool inClass = false;
    for (std::size_t index = 0; index < pattern.size(); ++index) {
        const char byte = pattern[index];
        if (byte == '\\' && index + 1 < pattern.size()) {
            rewritten += pattern.substr(index, 2);
            ++index;
        } else if (inClass) {
            inClass = byte != ']';
            rewritten.push_back(byte);
        } else if (byte == '[') {
            inClass = true;
            rewritten.push_back(byte);
            // A ']' right after '[' or '[^' belongs to the class.
            if (index + 1 < pattern.size() && pattern[index + 1] == '^') rewritten.push_back(pattern[++index]);
            if (index + 1 < pattern.size() && pattern[index + 1] == ']') rewritten.push_back(pattern[++index]);
        } else if (byte == '.') {
            rewritten += kCharacter;
        } else {
            rewritten.push_back(byte);
        }
    }
    return rewritten;
}

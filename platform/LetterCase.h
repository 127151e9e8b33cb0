#pragma once

// Upper and lower case of the Windows-1251 code page, built into the program so that
// names fold the same way on every build whatever locale the system offers.

#include <string>

namespace LetterCase {

unsigned char Upper(unsigned char byte);
unsigned char Lower(unsigned char byte);

// True when the byte has a case partner (is a letter of the code page).
bool IsCasedLetter(unsigned char byte);

// Case-insensitive order: bytes upper-cased, compared unsigned, a proper prefix first.
int CompareNoCase(const std::string& left, const std::string& right);

struct NoCaseLess {
    bool operator()(const std::string& left, const std::string& right) const
    {
        return CompareNoCase(left, right) < 0;
    }
};

bool EqualNoCase(const std::string& left, const std::string& right);

// Every byte lowered; the result ends at the first zero byte.
std::string LowerText(const std::string& text);

}  // namespace LetterCase

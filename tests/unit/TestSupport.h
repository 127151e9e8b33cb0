#pragma once

// Shared helpers of the unit tests: temporary folders, files, captured console text
// and images built from inline INI text.

#include "ini/IniFileImage.h"
#include "platform/Platform.h"
#include "console/Console.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>

namespace TestSupport {

// The UTF-16 bytes of a char16_t text, in either byte order, made without the program's
// own encoder.
inline std::string Utf16Bytes(const std::u16string& text, bool bigEndian)
{
    std::string bytes;
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// Writes an image over the file at `path` as a run's commit does: staged beside its
// real target, then put in place.
inline void SaveImage(const CIniFileImage& image, const std::string& path)
{
    const std::string target = Platform::FinalLinkTarget(path);
    CTemporaryFile staged = image.WriteTemporary(path, {target});
    if (!staged.PutInPlace(target)) {
        throw std::runtime_error("Unable to write file [" + path + "]" + Platform::ErrorSuffix(Platform::LastErrorCode()));
    }
}

// A whole-text match with the standard library's ECMAScript regular expressions
// (GoogleTest's own matcher has only a simple syntax on Windows).
MATCHER_P(FullyMatches, pattern, std::string("fully matches ") + pattern)
{
    return std::regex_match(std::string(arg), std::regex(pattern));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("velmarch-test-" + std::to_string(seed()));
            if (std::filesystem::create_directory(m_path)) break;
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return (m_path / relative).string(); }

private:
    std::filesystem::path m_path;
};

inline void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// A warning as the program prints it: the format with its names filled in.
inline std::string Warning(const char* format, const std::string& first, const std::string& second = "",
                           const std::string& third = "")
{
    char text[2048];
    std::snprintf(text, sizeof text, format, first.c_str(), second.c_str(), third.c_str());
    return text;
}

inline std::size_t EntriesIn(const std::filesystem::path& folder)
{
    std::size_t count = 0;
    for (auto entry = std::filesystem::directory_iterator(folder); entry != std::filesystem::directory_iterator();
         ++entry) {
        ++count;
    }
    return count;
}

// Collects what the program prints while it lives.
class CapturedConsole {
public:
    CapturedConsole() { Console::CaptureForTesting(&m_text); }
    ~CapturedConsole() { Console::CaptureForTesting(nullptr); }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    const std::string& Text() const { return m_text; }
    std::string Take()
    {
        std::string text = m_text;
        m_text.clear();
        return text;
    }

private:
    std::string m_text;
};

// An image read from INI text through the real reader.
inline CIniFileImage ImageFromText(const std::string& text)
{
    TempFolder folder;
    const std::string path = folder / "input.ini";
    WriteFile(path, text);
    CIniFileImage image;
    image.Load(path);
    return image;
}

// Written text with the build's line ends (CR LF on Windows) turned into LF.
inline std::string WithLineFeeds(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n') continue;
        result.push_back(text[index]);
    }
    return result;
}

// What the writer would write, without the three stamp lines, with LF line ends.
inline std::string TextWithoutStamp(const CIniFileImage& image)
{
    const std::string text = WithLineFeeds(image.ComposeText());
    std::size_t position = 0;
    for (int line = 0; line < 3; ++line) position = text.find('\n', position) + 1;
    return text.substr(position);
}

}  // namespace TestSupport

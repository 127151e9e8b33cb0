#include "ini/IniFileImage.h"

#include "platform/Platform.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace {

std::runtime_error CreateError(const std::string& path)
{
    return std::runtime_error("Unable to create file [" + path + "]");
}

std::runtime_error WriteError(const std::string& path)
{
    return std::runtime_error("Unable to write file [" + path + "]");
}

// ";", "; The date and time to convert a settings file: YYYYMMDD/hhmmss", ";"
std::string StampLines(const char* lineEnd)
{
    const Platform::LocalTime now = Platform::Now();
    const long date = now.year * 10000L + now.month * 100L + now.day;
    const long time = now.hour * 10000L + now.minute * 100L + now.second;
    return std::string(";") + lineEnd + "; The date and time to convert a settings file: " + std::to_string(date) +
           "/" + std::to_string(time) + lineEnd + ";" + lineEnd;
}

void AppendLines(std::string& text, const std::vector<std::string>& lines, std::string_view lineEnd)
{
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
    }
}

// The same bytes as ToLine(), appended without a temporary.
void AppendParameterLine(std::string& text, const CParameterImage& parameter, std::string_view lineEnd)
{
    text += parameter.name;
    if (parameter.value.HasValue()) {
        text += '=';
        text += parameter.value.Value();
    }
    text += lineEnd;
}

}  // namespace

std::string CIniFileImage::ComposeText() const
{
    const std::string_view lineEnd = Platform::TextLineEnd();
    std::string text;
    // The text of a converted file is about as long as the file read.
    text.reserve(m_loadedSizeBytes + 256);
    if (m_byteOrderMark) text += "\xEF\xBB\xBF";
    text += StampLines(Platform::TextLineEnd());

    std::vector<const CIniSectionsImaging*> sections;
    sections.reserve(m_sections.size());
    for (const auto& entry : m_sections) sections.push_back(entry.second.get());
    std::stable_sort(sections.begin(), sections.end(), [](const CIniSectionsImaging* left, const CIniSectionsImaging* right) {
        return left->header.orderNumber < right->header.orderNumber;
    });
    for (const CIniSectionsImaging* section : sections) {
        text += lineEnd;
        AppendLines(text, section->header.commentLines, lineEnd);
        text += '[';
        text += section->header.name;
        text += ']';
        text += lineEnd;
        for (const CParameterImage* parameter : section->ParametersInOrder()) {
            AppendLines(text, parameter->commentLines, lineEnd);
            AppendParameterLine(text, *parameter, lineEnd);
        }
    }
    return text;
}

// The new text goes to a temporary file beside the real target, reaches the disk,
// and only then replaces the target, so a settings file is never left half-written.
void CIniFileImage::Save(const std::string& path) const
{
    const std::string text = ComposeText();
    const std::string target = Platform::FinalLinkTarget(path);
    if (Platform::ExistsReadOnly(target)) throw CreateError(path);
    Platform::TempFile temp;
    if (!Platform::CreateTempFileBeside(target, temp)) throw CreateError(path);

    bool written = Platform::WriteAll(temp, text.data(), text.size()) && Platform::FlushToDisk(temp);
    if (written) Platform::TakePermissions(temp, target);
    written = Platform::CloseFile(temp) && written;
    written = written && Platform::ReplaceWith(temp.path, target);
    if (!written) {
        Platform::RemoveFile(temp.path);
        throw WriteError(path);
    }
    Platform::SyncDirectoryOf(target);
}

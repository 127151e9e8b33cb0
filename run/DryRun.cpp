#include "run/DryRun.h"

#include "console/Console.h"
#include "run/UnifiedDiff.h"
#include "text/TextEncoding.h"
#include "text/Utf16.h"

#include <string_view>

namespace {

constexpr std::string_view kStampPhrase = "The date and time to convert a settings file: ";

bool IsLoneSemicolon(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == ';' && line.find_first_not_of(" \t", first + 1) == std::string::npos;
}

}  // namespace

// The lines of a text, split at LF, the CR of a CR LF line end dropped.
std::vector<std::string> LinesOf(std::string_view rest)
{
    std::vector<std::string> lines;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return lines;
}

std::vector<std::string> LinesWithoutStamp(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string> lines = LinesOf(text);
    std::vector<std::string> kept;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (lines[index].find(kStampPhrase) == std::string::npos) {
            kept.push_back(lines[index]);
            continue;
        }
        if (!kept.empty() && IsLoneSemicolon(kept.back())) kept.pop_back();
        if (index + 1 < lines.size() && IsLoneSemicolon(lines[index + 1])) ++index;
    }
    return kept;
}

void PrintDryRun(const std::vector<ConvertedFile>& files)
{
    for (const ConvertedFile& file : files) {
        Console::Print("\n--- " + Console::ShownName(file.paths.input));
        Console::Print("\n+++ " + Console::ShownName(file.paths.output));
        const std::vector<std::string> before = LinesWithoutStamp(file.image.Text());
        std::vector<std::string> after = LinesWithoutStamp(file.image.ComposeText());
        // The blank line that follows the stamp is the stamp's: not shown as added.
        const bool blankFirst = !before.empty() && before.front().empty();
        if (!after.empty() && after.front().empty() && !blankFirst) after.erase(after.begin());
        for (const std::string& line : UnifiedDiffLines(before, after)) {
            Console::Print("\n" + line, file.image.FileEncoding());
        }
    }
}

namespace {

// A file's lines as text: UTF-16 decoded, the CR of CR LF dropped; the encoding it is
// shown in.
std::vector<std::string> PreviewLines(std::string_view bytes, TextEncoding& encoding)
{
    std::string decoded;
    const Utf16::TextForm form = Utf16::DecodeText(bytes, false, ByteForm::SingleBytes, decoded);
    std::string_view text = bytes;
    if (form.form != ByteForm::SingleBytes && form.IsText()) text = decoded;
    encoding = form.form != ByteForm::SingleBytes ? TextEncoding::Utf8 : Encoding::Detect(text, TextEncoding::Windows1251);
    return LinesOf(text);
}

}  // namespace

void PrintRestorePreview(const std::string& target, std::string_view now, std::string_view after)
{
    Console::Print("\n--- " + Console::ShownName(target));
    Console::Print("\n+++ " + Console::ShownName(target));
    TextEncoding nowEncoding = TextEncoding::Windows1251;
    TextEncoding afterEncoding = TextEncoding::Windows1251;
    const std::vector<std::string> before = PreviewLines(now, nowEncoding);
    const std::vector<std::string> restored = PreviewLines(after, afterEncoding);
    const TextEncoding encoding = after.empty() ? nowEncoding : afterEncoding;
    for (const std::string& line : UnifiedDiffLines(before, restored)) Console::Print("\n" + line, encoding);
}

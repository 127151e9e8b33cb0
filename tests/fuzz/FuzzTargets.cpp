#include "FuzzTargets.h"

#include "condition/ConditionEvaluation.h"
#include "condition/ConditionParser.h"
#include "match/NamePattern.h"
#include "match/SafeRegex.h"
#include "ini/IniFileImage.h"
#include "console/Console.h"
#include "history/RunRecord.h"
#include "text/Json.h"
#include "text/LetterCase.h"
#include "text/Utf16.h"
#include "run/Run.h"
#include "scheme/SchemaParser.h"
#include "xml/XmlParser.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <string_view>

namespace Fuzz {
namespace {

namespace fs = std::filesystem;

// Console text goes nowhere; the targets look at results, not at messages.
struct QuietConsole {
    QuietConsole() { Console::CaptureForTesting(&sink); }
    ~QuietConsole() { Console::CaptureForTesting(nullptr); }
    std::string sink;
};

// One scratch folder per process, on a memory file system where there is one, removed
// when the process ends.
struct ScratchFolder {
    ScratchFolder()
    {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::random_device seed;
        do {
            path = base / ("velmarch-fuzz-" + std::to_string(seed()));
        } while (!fs::create_directories(path));
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

const fs::path& Scratch()
{
    static const ScratchFolder folder;
    return folder.path;
}

std::string WriteScratch(const std::string& name, std::string_view bytes)
{
    const std::string path = (Scratch() / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Back-references run under a time budget of seconds on a thread of their own; the
// unit tests cover that path, the fuzzers leave it out to keep their speed.
bool HasBackReference(std::string_view text)
{
    for (std::size_t index = 0; index + 1 < text.size(); ++index) {
        if (text[index] == '\\' && text[index + 1] >= '1' && text[index + 1] <= '9') return true;
    }
    return false;
}

// The matcher's time is the compiled pattern's size times the text's length, and a
// repetition count multiplies the size; the benchmarks and unit tests cover the costly
// end (and its time budget), the fuzzer looks for crashes and wrong answers in units
// that stay quick.
bool IsCostlyToMatch(std::string_view pattern, std::size_t textBytes)
{
    for (std::size_t index = 0; index + 3 < pattern.size(); ++index) {
        const auto digit = [&](std::size_t at) { return pattern[at] >= '0' && pattern[at] <= '9'; };
        if (pattern[index] == '{' && digit(index + 1) && digit(index + 2) && digit(index + 3)) return true;
    }
    return pattern.size() * textBytes > (std::size_t {1} << 22);
}

std::string Without(const CIniFileImage& image)
{
    const std::string text = image.ComposeText();
    std::size_t position = 0;
    for (int line = 0; line < 3; ++line) position = text.find('\n', position) + 1;
    return text.substr(position);
}

// A key whose name starts with ';', '[' or '#' (read from a line with leading blanks, or
// a CR that the name drops) is written as the name stands and read back as a comment or
// a header: the writer keeps names byte for byte, so such files are not expected to read
// back the same.
bool HasKeyReadAsAnotherLine(const CIniFileImage& image)
{
    for (const CIniSectionsImaging* section : image.Sections()) {
        for (const CParameterImage& parameter : section->Parameters()) {
            const std::string_view name = section->Store().NameOf(parameter);
            if (!name.empty() && (name[0] == ';' || name[0] == '[' || name[0] == '#')) return true;
        }
    }
    return false;
}

CIniFileImage ImageOf(std::string_view bytes, const std::string& name = "image.ini")
{
    CIniFileImage image;
    image.Load(WriteScratch(name, bytes));
    return image;
}

std::pair<std::string_view, std::string_view> SplitAt(std::string_view text, char separator)
{
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) return {text, std::string_view()};
    return {text.substr(0, at), text.substr(at + 1)};
}

}  // namespace

void XmlLoad(const std::uint8_t* data, std::size_t size)
{
    QuietConsole quiet;
    // An exactly sized block, so that a read past the end is seen.
    std::unique_ptr<char[]> bytes(new char[size + 1]);
    std::copy(data, data + size, bytes.get());
    Xml::Library::Buffer<char> buffer;
    buffer.data = bytes.get();
    buffer.size = static_cast<std::uint32_t>(size);
    Xml::Library::XmlParser<char> state;
    if (!Xml::Library::ParseDocument(state, buffer)) return;
    if (HasBackReference(std::string_view(bytes.get(), size))) return;
    for (bool regexMode : {false, true}) {
        CSchemaParser parser(regexMode);
        try {
            state.document->Accept(parser);
        } catch (const std::exception&) {
        }
    }
}

void IniRoundTrip(const std::uint8_t* data, std::size_t size)
{
    QuietConsole quiet;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<CIniFileImage> first;
    try {
        first.emplace(ImageOf(bytes));
    } catch (const std::exception&) {
        // Only a file that is no text is refused.
        std::string ignored;
        if (Utf16::DecodeText(bytes, false, ByteForm::SingleBytes, ignored).IsText()) std::abort();
        return;
    }
    const std::string once = Without(*first);
    // The reader, which tells most lines from their bytes, makes of the text what a
    // reading of every line one by one makes of it.
    CIniFileImage::ReadLineByLineForTesting(true);
    const CIniFileImage lineByLine = ImageOf(bytes, "line-by-line.ini");
    CIniFileImage::ReadLineByLineForTesting(false);
    if (Without(lineByLine) != once) std::abort();
    if (HasKeyReadAsAnotherLine(*first)) return;
    // Read back what the writer writes, in the file's own form.
    const CTemporaryFile written = first->WriteTemporary(WriteScratch("written.ini", ""), {});
    CIniFileImage second;
    second.Load(written.Path());
    if (second.Form() != first->Form() || Without(second) != once) std::abort();
}

void RecordRead(const std::uint8_t* data, std::size_t size)
{
    CJson value;
    if (!CJson::Parse(std::string(reinterpret_cast<const char*>(data), size), value)) return;
    RunRecord record;
    std::string reason;
    if (!FromJson(value, record, reason)) {
        // A refusal always says which member is at fault.
        if (reason.empty()) std::abort();
        return;
    }
    // What was read is written back and read again the same, names byte for byte.
    RunRecord again;
    if (!FromJson(ToJson(record), again, reason)) std::abort();
    if (ToJson(again).Dump() != ToJson(record).Dump()) std::abort();
    for (std::size_t index = 0; index < record.records.size(); ++index) {
        if (again.records[index].output != record.records[index].output ||
            again.records[index].input != record.records[index].input) {
            std::abort();
        }
    }
}

void Utf16Read(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const ByteForm form : {ByteForm::Utf16LittleEndian, ByteForm::Utf16BigEndian}) {
        std::string utf8;
        std::size_t badOffset = 0;
        if (!Utf16::DecodeToUtf8(bytes, form, 0, utf8, badOffset)) {
            if (badOffset >= size) std::abort();
            continue;
        }
        // Text that decodes encodes back to its bytes, however the chunks cut it.
        const std::size_t cut = size == 0 ? 0 : data[0] % (utf8.size() + 1);
        Utf16::CEncoder encoder(form);
        std::string encoded;
        if (!encoder.Encode(std::string_view(utf8).substr(0, cut), encoded)) std::abort();
        if (!encoder.Encode(std::string_view(utf8).substr(cut), encoded) || !encoder.Finished()) std::abort();
        if (encoded != bytes) std::abort();
    }
}

void ConditionParseEvaluate(const std::uint8_t* data, std::size_t size)
{
    QuietConsole quiet;
    const auto [condition, ini] = SplitAt(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
    if (condition.empty() || HasBackReference(condition) || IsCostlyToMatch(condition, ini.size())) return;
    try {
        const ConditionList conditions = ParseConditions(std::string(condition));
        EvaluateConditions(conditions, ImageOf(ini));
    } catch (const std::exception&) {
    }
}

void NamePatternMatch(const std::uint8_t* data, std::size_t size)
{
    auto [name, names] = SplitAt(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
    if (HasBackReference(name) || IsCostlyToMatch(name, names.size())) return;
    const bool regexMode = !name.empty() && name.front() == '~';
    const std::string pattern = regexMode ? std::string(name.substr(1)) : MakeNamePattern(std::string(name));
    if (pattern.empty()) return;
    try {
        const CSafeRegex compiled(pattern);
        // A template matched without the engine must answer as the engine does.
        std::optional<std::regex> engine;
        if (compiled.IsPlainTemplate()) engine.emplace(pattern, std::regex::ECMAScript | std::regex::nosubs);
        while (!names.empty()) {
            const auto [one, rest] = SplitAt(names, '\n');
            const std::string lowered = LetterCase::LowerText(std::string(one));
            const bool matched = compiled.Matches(lowered);
            if (engine && lowered.size() < 2000 && matched != std::regex_match(lowered, *engine)) std::abort();
            names = rest;
        }
    } catch (const std::regex_error&) {
    }
}

void WholeRun(const std::uint8_t* data, std::size_t size)
{
    QuietConsole quiet;
    const auto [scheme, ini] = SplitAt(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
    if (HasBackReference(scheme)) return;
    // Every file the run may touch stays in the scratch folder: no separator, no drive.
    if (scheme.find_first_of("/\\:") != std::string_view::npos) return;
    const std::string schemePath = WriteScratch("s.xml", scheme);
    WriteScratch("a.ini", ini);
    const std::string folder = Scratch().string();
    const char* arguments[] = {"velmarch", schemePath.c_str(), "-fdir", folder.c_str(), "-nobackup"};
    const int exitCode = Run(5, arguments);
    if (exitCode != 0 && exitCode != 1) std::abort();
    // A run ends with its status line, whatever happened.
    const std::string status = "\nERROR:" + std::to_string(exitCode);
    if (quiet.sink.size() < status.size() || quiet.sink.compare(quiet.sink.size() - status.size(), status.size(), status) != 0) {
        std::abort();
    }
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(Scratch(), ignored)) {
        if (entry.path().filename().string().find("velmarch-") != std::string::npos) std::abort();
    }
}

Target TargetNamed(const std::string& name)
{
    if (name == "xml_load") return XmlLoad;
    if (name == "ini_roundtrip") return IniRoundTrip;
    if (name == "condition") return ConditionParseEvaluate;
    if (name == "name_pattern") return NamePatternMatch;
    if (name == "whole_run") return WholeRun;
    if (name == "utf16_read") return Utf16Read;
    if (name == "record_read") return RecordRead;
    return nullptr;
}

}  // namespace Fuzz

#include "ini/IniFileImage.h"

#include "ini/IniLine.h"

#include "console/Console.h"
#include "platform/FileBytes.h"
#include "console/Messages.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kStampPhrase = "The date and time to convert a settings file: ";
constexpr std::string_view kVersionPhrase = "Settings file version: ";

// Every line is read one by one, as tests compare.
bool g_readLineByLine = false;

bool IsLoneSemicolon(std::string_view line) { return IniLine::TrimBlanks(line) == ";"; }

// Drops the conversion stamp (and a version note) that an earlier run wrote in front
// of the first section, so that converting a converted file leaves one stamp. Each line
// is looked at with blanks and tabs trimmed: a phrase whose closing blank is only
// trailing white space is no stamp. Lines without either are left as they are.
void DropStamp(std::vector<std::string_view>& lines)
{
    const auto phraseIn = [](std::string_view line) {
        line = IniLine::TrimBlanks(line);
        if (line.find(kStampPhrase) != std::string_view::npos) return kStampPhrase;
        if (line.find(kVersionPhrase) != std::string_view::npos) return kVersionPhrase;
        return std::string_view();
    };
    std::size_t first = 0;
    while (first < lines.size() && phraseIn(lines[first]).empty()) ++first;
    if (first == lines.size()) return;
    std::vector<bool> removed(lines.size(), false);
    for (std::size_t index = first; index < lines.size(); ++index) {
        const std::string_view phrase = phraseIn(lines[index]);
        if (phrase.empty()) continue;
        removed[index] = true;
        if (phrase == kStampPhrase && index > 0 && IsLoneSemicolon(lines[index - 1])) removed[index - 1] = true;
        if (index + 1 < lines.size() && IsLoneSemicolon(lines[index + 1])) {
            removed[index + 1] = true;
            ++index;
        }
    }
    std::size_t kept = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!removed[index]) lines[kept++] = lines[index];
    }
    lines.resize(kept);
}

}  // namespace

struct CIniFileImage::ReaderState {
    CIniSectionsImaging* currentSection = nullptr;
    // Keys under a repeated header are dropped with that header's warning alone.
    bool underRepeatedHeader = false;
    std::vector<std::string_view> pendingComments;
    // The pending comment lines would be written back with their bytes.
    bool pendingAsWritten = true;
    // The current section's lines: they begin after its header and end with its last
    // key line. The section reads them when its parameters are first asked for.
    SectionBody body;
    // Writing them back would keep their bytes.
    bool bodyAsWritten = true;
    // A line the image drops came after the current section's last key line.
    bool droppedSinceKey = false;
    // The text being read, and the break it is written with.
    std::string_view text;
    std::string_view lineEnd;
    bool crLf = false;
    // The lines after a section's last key line, while they are read.
    std::vector<IniLine::Line> linesAfterKeys;

    // The last header read, until it is known whether its name is new: that is looked
    // up in the index when the next header line (or the end of the file) comes, so
    // that the index's entries for the name, asked for at once, have had the time the
    // section's lines take to reach the processor. Its lines are noted meanwhile as a
    // section's; a repeated name has them read again as lines of no section.
    struct WaitingHeader {
        bool waiting = false;
        std::string_view name;  // into the file's bytes or `cleanedName`
        std::string cleanedName;
        std::uint32_t hash = 0;
        std::int32_t orderNumber = 0;
        // What the reader held before the header took it.
        std::vector<std::string_view> comments;
        bool commentsAsWritten = true;
        bool droppedBefore = false;
        // Where its lines begin.
        std::size_t bodyBegin = 0;
    };
    WaitingHeader header;

    bool InSection() const { return currentSection != nullptr || header.waiting; }
};

void CIniFileImage::Load(const std::string& path, FileEncodingRule rule)
{
    const std::intptr_t file = Platform::OpenForReading(path);
    if (file < 0) throw std::runtime_error("Unable to open file \"" + Console::ShownName(path) + "\"");
    m_path = path;
    if (const int errorCode = Platform::MapOrReadToEnd(file, m_file)) {
        throw std::runtime_error("Unable to read file [" + Console::ShownName(path) + "]" +
                                 Platform::ErrorSuffix(errorCode));
    }
    const bool singleBytes = rule.forced && rule.utf16 == ByteForm::SingleBytes;
    const Utf16::TextForm decoded = Utf16::DecodeText(LoadedBytes(), singleBytes, rule.utf16, *m_decoded);
    if (!decoded.IsText()) {
        throw std::runtime_error(Messages::Fill(
            decoded.form == ByteForm::SingleBytes ? Messages::kNotTextFile : Messages::kNotWellFormedUtf16,
            {Console::ShownName(path), std::to_string(decoded.badOffset)}));
    }
    m_form = decoded.form;
    m_utf16Mark = decoded.marked;
    m_store->fileBytes = Text();
    std::string_view text = Text();
    // Ctrl-Z ends the input as the end of the file does.
    text = text.substr(0, decoded.endOfText);
    m_loadedSizeBytes = text.size();
    // UTF-16 text is Unicode text, read under the rules of a UTF-8 file.
    if (m_form != ByteForm::SingleBytes) {
        m_store->encoding = TextEncoding::Utf8;
    } else {
        m_store->encoding = rule.forced ? rule.forAscii : Encoding::Detect(text, rule.forAscii);
    }
    m_index = CSectionIndex(FileEncoding());
    const Console::TextEncodingScope names(FileEncoding());
    std::size_t start = 0;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        m_byteOrderMark = true;
        start = kByteOrderMark.size();
    }
    // About one section per kilobyte in typical files: the index rarely grows twice.
    m_index.reserve(text.size() / 1024 + 16);
    ReaderState state;
    state.text = text;
    state.lineEnd = LineEnd();
    state.crLf = state.lineEnd == "\r\n";
    ReadSections(start, state);
    SettleHeader(text.size(), state);
    LeaveSection(state);
    // Comment lines after the last element are kept; they are written at the end.
    DropStamp(state.pendingComments);
    m_trailingComments = KeepComments(state.pendingComments);
}

namespace {

// The next line from `from` that opens with '[' and holds the ']' that makes it a
// header: where it begins and where its line feed stands (or the text's end), or the
// text's end; `skipped` tells whether a line opening with '[' without one came first.
// `from` begins a line.
struct HeaderLine {
    std::size_t begin;
    std::size_t lineFeed;
};
HeaderLine NextHeaderLine(std::string_view text, std::size_t from, bool& skipped)
{
    skipped = false;
    for (std::size_t at = from; at < text.size();) {
        const auto* found = static_cast<const char*>(std::memchr(text.data() + at, '[', text.size() - at));
        if (found == nullptr) break;
        const std::size_t bracket = static_cast<std::size_t>(found - text.data());
        at = bracket + 1;
        if (bracket != from && text[bracket - 1] != '\n') continue;
        std::size_t closing = 0;
        const std::size_t lineFeed = IniLine::LineFeedAndFirst<']'>(text, bracket + 1, closing);
        if (closing != std::string_view::npos) return HeaderLine {bracket, lineFeed};
        skipped = true;
        at = lineFeed;
    }
    return HeaderLine {text.size(), text.size()};
}

// The line begins with its key's first byte: it makes a parameter.
bool BeginsWithKey(char first)
{
    switch (first) {
    case ';':
    case '#':
    case '[':
    case ' ':
    case '\t':
    case '=':
    case '\r':
    case '\n':
        return false;
    default:
        return true;
    }
}

// The lines from `begin` to `end` after the last one that makes a parameter, in reverse:
// its comment lines, and the lines the reader drops, which go with whatever comes next.
// Gives where that last line ends, or `begin` when none does.
std::size_t LinesAfterLastKeyLine(std::string_view text, std::size_t begin, std::size_t end, bool crLf,
                                  std::vector<IniLine::Line>& after)
{
    after.clear();
    while (end > begin) {
        // The text's last line may have no line feed.
        const bool fed = text[end - 1] == '\n';
        const std::size_t lineStart = IniLine::AfterLastLineFeed(text, begin, fed ? end - 1 : end);
        if (BeginsWithKey(text[lineStart])) return end;
        const std::size_t lineFeed = fed ? end - 1 : text.size();
        const IniLine::Line line = IniLine::LineAt(text, lineStart, lineFeed, crLf);
        if (IniLine::KindOf(line.text) == IniLine::Kind::Key && !IniLine::SplitKeyLine(line).KeyIsEmpty()) {
            return line.next;
        }
        after.push_back(line);
        end = lineStart;
    }
    return begin;
}

}  // namespace

// Only header lines are sought one by one. The lines of a section in between are told
// from their bytes where they stand as written (TellPlainRun); those that may not, and
// the lines before the first section or of a section that is no new one yet, are read
// line by line.
void CIniFileImage::ReadSections(std::size_t start, ReaderState& state)
{
    const std::string_view text = state.text;
    if (g_readLineByLine) {
        HandleLines(text, start, state);
        return;
    }
    bool skipped = false;
    HeaderLine header = NextHeaderLine(text, start, skipped);
    HandleLines(text.substr(0, header.begin), start, state);
    while (header.begin < text.size()) {
        IniLine::Line line;
        std::size_t end = header.lineFeed;
        if (end < text.size() && end > header.begin && text[end - 1] == '\r') --end;
        line.text = text.substr(header.begin, end - header.begin);
        line.next = header.lineFeed < text.size() ? header.lineFeed + 1 : text.size();
        HandleSectionHeader(line, state);
        const HeaderLine next = NextHeaderLine(text, line.next, skipped);
        if (!skipped && state.header.waiting) {
            ReadSectionLines(line.next, next.begin, state);
        } else {
            HandleLines(text.substr(0, next.begin), line.next, state);
        }
        header = next;
    }
}

// The lines from `begin` to `end` of a section that waits to be settled: its key lines
// are counted from their bytes when they stand as written, the lines after the last
// of them are read.
void CIniFileImage::ReadSectionLines(std::size_t begin, std::size_t end, ReaderState& state)
{
    const std::string_view text = state.text;
    std::vector<IniLine::Line>& after = state.linesAfterKeys;
    const std::size_t bodyEnd = LinesAfterLastKeyLine(text, begin, end, state.crLf, after);
    if (bodyEnd > begin) {
        const IniLine::PlainRun run = IniLine::TellPlainRun(text, begin, bodyEnd, state.crLf);
        if (!run.plain) {
            HandleLines(text.substr(0, end), begin, state);
            return;
        }
        state.body.end = bodyEnd;
        state.body.keyLines = run.keyLines;
    }
    for (auto line = after.rbegin(); line != after.rend(); ++line) HandleLine(*line, state);
}

// Handles every line of `text` from `start`, the last one also without a line feed.
// A section's key lines are only looked at enough to know where its lines end, how
// many parameters they make and whether writing them back would keep their bytes.
void CIniFileImage::HandleLines(std::string_view text, std::size_t start, ReaderState& state)
{
    IniLine::CLines lines(text, state.lineEnd, start);
    for (IniLine::Line line; lines.Next(line);) HandleLine(line, state);
}

void CIniFileImage::HandleLine(const IniLine::Line& line, ReaderState& state)
{
    switch (IniLine::KindOf(line.text)) {
    case IniLine::Kind::Empty:
        state.droppedSinceKey = true;
        break;
    case IniLine::Kind::Comment:
        state.pendingComments.push_back(line.text);
        state.pendingAsWritten = state.pendingAsWritten && line.endsAsWritten;
        break;
    case IniLine::Kind::Header:
        HandleSectionHeader(line, state);
        break;
    case IniLine::Kind::Key:
        HandleKeyLine(line, state);
        break;
    }
}

// Header := '[' Name ']' Anything
void CIniFileImage::HandleSectionHeader(const IniLine::Line& line, ReaderState& state)
{
    // Whether the header before was a new name is settled before this line has its say.
    SettleHeader(static_cast<std::size_t>(line.text.data() - state.text.data()), state);
    const std::size_t close = line.text.find(']', 1);
    if (close == std::string_view::npos) {
        Console::Warn(Messages::kMalformedSectionHeader, std::string(line.text.substr(1)).c_str());
        state.droppedSinceKey = true;
        return;
    }
    // No copy of the name is made unless cleaning takes bytes out of its middle.
    const std::string_view raw = line.text.substr(1, close - 1);
    std::string_view name = IniLine::TrimBlanks(raw);
    std::string cleaned;
    if (raw.find('\r') != std::string_view::npos) {
        cleaned = IniLine::CleanName(raw);
        name = cleaned;
    }
    LeaveSection(state);
    // The empty name stands for "no current section": its keys are dropped with a
    // warning each unless the name is repeated, which is settled at once.
    if (name.empty()) {
        if (FindSection(name) != nullptr) {
            Console::Warn(Messages::kRepeatedSection, "");
            state.underRepeatedHeader = true;
            return;
        }
        DropStamp(state.pendingComments);
        EnterSection(NextOrder(), name, KeepComments(state.pendingComments));
        state.pendingComments.clear();
        state.pendingAsWritten = true;
        state.underRepeatedHeader = false;
        return;
    }
    ReaderState::WaitingHeader& header = state.header;
    header.waiting = true;
    if (!cleaned.empty()) {
        header.cleanedName = std::move(cleaned);
        name = header.cleanedName;
    }
    header.name = name;
    header.hash = m_index.Hash(name);
    m_index.Foresee(header.hash);
    header.orderNumber = NextOrder();
    header.comments.swap(state.pendingComments);
    state.pendingComments.clear();
    header.commentsAsWritten = state.pendingAsWritten;
    header.droppedBefore = state.droppedSinceKey;
    header.bodyBegin = line.next;
    state.pendingAsWritten = true;
    state.underRepeatedHeader = false;
    state.body = SectionBody();
    state.body.begin = line.next;
    state.body.end = line.next;
    state.body.firstOrder = m_orderCounter;
    state.bodyAsWritten = true;
    state.droppedSinceKey = false;
}

// The waiting header becomes a section, or, its name repeated, is warned about and
// its lines up to `end` are read again as lines of no section: their keys are dropped,
// their comment lines go with whatever comes next.
void CIniFileImage::SettleHeader(std::size_t end, ReaderState& state)
{
    ReaderState::WaitingHeader& header = state.header;
    if (!header.waiting) return;
    header.waiting = false;
    const auto nameOf = [this](std::uint32_t slot) { return NameOfSlot(slot); };
    if (m_index.Find(header.name, header.hash, nameOf) == CSectionIndex::kNone) {
        DropStamp(header.comments);
        const CommentSpan comments = KeepComments(header.comments);
        state.currentSection = &EnterSection(header.orderNumber, header.name, comments, header.hash);
        return;
    }
    Console::Warn(Messages::kRepeatedSection, std::string(header.name).c_str());
    // The header took no order number, and nothing was taken since.
    m_orderCounter = header.orderNumber;
    state.underRepeatedHeader = true;
    state.pendingComments.swap(header.comments);
    state.pendingAsWritten = header.commentsAsWritten;
    state.droppedSinceKey = header.droppedBefore;
    HandleLines(state.text.substr(0, end), header.bodyBegin, state);
}

void CIniFileImage::HandleKeyLine(const IniLine::Line& line, ReaderState& state)
{
    // Most lines open with their key's first byte and hold no CR: the key is not empty,
    // and it is written back as it stands unless a blank ends it.
    const char first = line.text[0];
    if (state.InSection() && !line.holdsCarriageReturn && first != '=' && first != ' ' &&
        first != '\t') {
        const char last = line.equals == std::string_view::npos ? line.text.back() : line.text[line.equals - 1];
        NoteKeyLine(line, last != ' ' && last != '\t', state);
        return;
    }
    const IniLine::KeyLine split = IniLine::SplitKeyLine(line);
    if (split.KeyIsEmpty()) {
        state.droppedSinceKey = true;
        return;
    }
    if (!state.InSection()) {
        if (!state.underRepeatedHeader) {
            const std::string key = split.needsCleaning ? IniLine::CleanName(split.rawKey) : std::string(split.key);
            Console::Warn(Messages::kParameterOutsideSection, key.c_str());
        }
        return;
    }
    NoteKeyLine(line, split.KeyAsWritten(), state);
}

// A key line of the current section: its lines now run to the end of this one.
void CIniFileImage::NoteKeyLine(const IniLine::Line& line, bool keyAsWritten, ReaderState& state)
{
    SectionBody& body = state.body;
    state.bodyAsWritten = state.bodyAsWritten && !state.droppedSinceKey && state.pendingAsWritten &&
                          line.endsAsWritten && keyAsWritten;
    body.end = line.next;
    ++body.keyLines;
    state.pendingComments.clear();
    state.pendingAsWritten = true;
    state.droppedSinceKey = false;
}

// The current section takes its lines, and its parameters' order numbers are kept
// for them.
void CIniFileImage::LeaveSection(ReaderState& state)
{
    if (state.currentSection == nullptr) return;
    state.currentSection->SetUnreadBody(state.body, state.bodyAsWritten);
    m_orderCounter += static_cast<std::int32_t>(state.body.keyLines);
    state.currentSection = nullptr;
}

void CIniFileImage::ReadLineByLineForTesting(bool lineByLine) { g_readLineByLine = lineByLine; }

bool CIniFileImage::StillAsRead() const { return m_path.empty() || Platform::StillAsMapped(m_file); }

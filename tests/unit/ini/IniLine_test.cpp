#include "ini/IniLine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The lines as a plain byte-by-byte reading gives them.
std::vector<IniLine::Line> PlainLines(const std::string& text, bool crLf)
{
    std::vector<IniLine::Line> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t lineFeed = text.find('\n', at);
        IniLine::Line line;
        std::size_t end = lineFeed == std::string::npos ? text.size() : lineFeed;
        const bool carriageReturn = lineFeed != std::string::npos && end > at && text[end - 1] == '\r';
        if (carriageReturn) --end;
        line.text = std::string_view(text).substr(at, end - at);
        line.next = lineFeed == std::string::npos ? text.size() : lineFeed + 1;
        line.endsAsWritten = lineFeed != std::string::npos && carriageReturn == crLf;
        line.equals = line.text.find('=');
        line.holdsCarriageReturn = line.text.find('\r') != std::string_view::npos;
        lines.push_back(line);
        at = line.next;
    }
    return lines;
}

// A text of up to `longest` bytes drawn from the first `span` bytes of `alphabet`.
std::string RandomText(std::mt19937& random, const std::string& alphabet, std::size_t span, std::size_t longest)
{
    std::string text;
    const std::size_t length = random() % longest;
    for (std::size_t index = 0; index < length; ++index) text.push_back(alphabet[random() % span]);
    return text;
}

// Texts of few distinct bytes and lines of every length up to a few blocks, so that
// line feeds, '=' and CR fall on every position of a 64-byte block and across blocks.
TEST(IniLines, AgreeWithAPlainReadingOnEveryLayout)
{
    std::mt19937 random(7);
    const std::string alphabet = "ab=\r\n \n";
    for (int round = 0; round < 400; ++round) {
        // Long runs without a line feed now and then.
        const std::string text = RandomText(random, alphabet, round % 5 == 0 ? 4 : alphabet.size(), 300);
        for (const bool crLf : {false, true}) {
            const std::size_t start = text.empty() ? 0 : random() % text.size();
            IniLine::CLines lines(text, crLf ? "\r\n" : "\n", start);
            const std::string rest = text.substr(start);
            const std::vector<IniLine::Line> wanted = PlainLines(rest, crLf);
            std::size_t index = 0;
            for (IniLine::Line line; lines.Next(line); ++index) {
                ASSERT_LT(index, wanted.size()) << text;
                EXPECT_EQ(line.text, wanted[index].text) << text;
                EXPECT_EQ(line.next, wanted[index].next + start) << text;
                EXPECT_EQ(line.endsAsWritten, wanted[index].endsAsWritten) << text;
                EXPECT_EQ(line.equals, wanted[index].equals) << text;
                EXPECT_EQ(line.holdsCarriageReturn, wanted[index].holdsCarriageReturn) << text;
            }
            EXPECT_EQ(index, wanted.size()) << text;
        }
    }
}

}  // namespace

namespace {

// Whether the lines from `begin` to `end` stand as written, told line by line: each
// ended by the file's break, begins with no control byte, blank, '=' or '[', has no
// blank before '=' or its end, and holds no other CR. With the lines that make a
// parameter, those that do not begin with ';' or '#'.
IniLine::PlainRun PlainRunLineByLine(const std::string& text, std::size_t begin, std::size_t end, bool crLf)
{
    IniLine::PlainRun run;
    if (begin == 0 || begin >= end || text[begin - 1] != '\n' || text[end - 1] != '\n') return run;
    std::uint32_t keyLines = 0;
    for (std::size_t at = begin; at < end;) {
        const std::size_t lineFeed = text.find('\n', at);
        std::string line = text.substr(at, lineFeed - at);
        at = lineFeed + 1;
        if (crLf) {
            if (line.empty() || line.back() != '\r') return run;
            line.pop_back();
        }
        if (line.empty() || line.find('\r') != std::string::npos) return run;
        const auto first = static_cast<unsigned char>(line[0]);
        if (first <= ' ' || first == '=' || first == '[') return run;
        for (std::size_t index = 1; index <= line.size(); ++index) {
            const bool blank = line[index - 1] == ' ' || line[index - 1] == '\t';
            if (blank && (index == line.size() || line[index] == '=')) return run;
        }
        if (first != ';' && first != '#') ++keyLines;
    }
    run.plain = true;
    run.keyLines = keyLines;
    return run;
}

// Runs of every length up to a few hundred bytes, and one past the count a byte lane
// holds, so that lines start and end on every place of a 16- and a 32-byte block; a
// plain run is also one the reader takes line by line as it stands.
TEST(IniLines, PlainRunsAreToldAsALineByLineReadingTellsThem)
{
    std::mt19937 random(11);
    const std::vector<std::string> pieces = {
        "key=value\n", "k=1\n", "k\n", ";note\n", "#x\n", "a=b =c\n", "k =1\n", "k\t\n", " k=1\n", "=v\n", "\n",
        "k=\rv\n", "[s]\n", "\x01=1\n", "long_key_name_of_thirty_bytes=some value of a good length\n"};
    for (int round = 0; round < 600; ++round) {
        for (const bool crLf : {false, true}) {
            std::string text = "[A]\n";
            const std::size_t begin = text.size();
            // Two long runs: lines of 16 bytes, which begin on the same place of every
            // block, and lines of two lengths.
            const int count = round < 2 ? 9000 : static_cast<int>(random() % 24);
            for (int index = 0; index < count; ++index) {
                // Every other run of lines that stand, the rest now and then one that does not.
                const bool standing = round % 2 == 0 || random() % 10 < 8;
                std::string piece = pieces[standing ? random() % 4 : random() % pieces.size()];
                if (round == 0) piece = "key=0123456789a\n";
                if (round == 1) piece = pieces[index % 2];
                if (crLf && random() % 40 != 0) piece.insert(piece.size() - 1, "\r");
                text += piece;
            }
            const std::size_t end = text.size();
            text += "[B]\n";
            const IniLine::PlainRun wanted = PlainRunLineByLine(text, begin, end, crLf);
            for (const bool wide : {false, true}) {
                const IniLine::PlainRun told = IniLine::TellPlainRun(text, begin, end, crLf, wide);
                ASSERT_EQ(told.plain, wanted.plain) << wide << crLf << text;
                EXPECT_EQ(told.plain ? told.keyLines : 0u, wanted.keyLines) << wide << crLf << text;
            }
            if (!wanted.plain) continue;
            IniLine::CLines lines(std::string_view(text).substr(0, end), crLf ? "\r\n" : "\n", begin);
            for (IniLine::Line line; lines.Next(line);) {
                const IniLine::Kind kind = IniLine::KindOf(line.text);
                ASSERT_TRUE(kind == IniLine::Kind::Comment || kind == IniLine::Kind::Key) << text;
                EXPECT_TRUE(line.endsAsWritten);
                EXPECT_TRUE(kind != IniLine::Kind::Key || IniLine::SplitKeyLine(line).KeyAsWritten()) << text;
            }
        }
    }
}

}  // namespace

namespace {

// Lines of every length, so that their first bytes fall on every place of a 16-byte
// block: the line found is the first that opens with a marked byte, from any line
// start on.
TEST(IniLines, LineOpeningWithMarkedByteIsTheFirstSuch)
{
    std::mt19937 random(3);
    bool opens[256] = {};
    for (unsigned char byte : {'k', 'K', '\xE2'}) opens[byte] = true;
    const std::string alphabet = "abkK=\n\n\xE2";
    for (int round = 0; round < 400; ++round) {
        // Long stretches without a wanted byte now and then.
        const std::string text = RandomText(random, alphabet, round % 3 == 0 ? 2 : alphabet.size(), 200);
        std::vector<std::size_t> starts = {0};
        for (std::size_t index = 0; index + 1 < text.size(); ++index) {
            if (text[index] == '\n') starts.push_back(index + 1);
        }
        const std::size_t from = starts[random() % starts.size()];
        std::size_t wanted = text.size();
        for (std::size_t start : starts) {
            const auto byte = start < text.size() ? static_cast<unsigned char>(text[start]) : 0;
            if (start >= from && (byte == 'k' || byte == 'K' || byte == 0xE2)) {
                wanted = start;
                break;
            }
        }
        EXPECT_EQ(IniLine::NextLineOpeningWith(text, from, opens), wanted) << from << text;
    }
}

// A line's line feed and its first wanted byte are where a byte-by-byte look finds
// them, from every place in a 16-byte block, the byte only when it comes before the
// line feed.
TEST(IniLines, LineFeedAndFirstWantedByteAreTheFirstOfTheLine)
{
    std::mt19937 random(5);
    const std::string alphabet = "a=]\n";
    for (int round = 0; round < 400; ++round) {
        const std::string text = RandomText(random, alphabet, round % 3 == 0 ? 2 : alphabet.size(), 100);
        const std::size_t from = text.empty() ? 0 : random() % text.size();
        const char wanted = round % 2 ? '=' : ']';
        const std::size_t lineFeed = std::min(text.find('\n', from), text.size());
        const std::size_t first = text.substr(0, lineFeed).find(wanted, from);
        std::size_t found = 0;
        const std::size_t lineFeedFound = wanted == '=' ? IniLine::LineFeedAndFirst<'='>(text, from, found)
                                                        : IniLine::LineFeedAndFirst<']'>(text, from, found);
        EXPECT_EQ(lineFeedFound, lineFeed) << from << text;
        EXPECT_EQ(found, first) << from << text;
    }
}

}  // namespace

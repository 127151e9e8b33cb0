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

// Texts of few distinct bytes and lines of every length up to a few blocks, so that
// line feeds, '=' and CR fall on every position of a 64-byte block and across blocks.
TEST(IniLines, AgreeWithAPlainReadingOnEveryLayout)
{
    std::mt19937 random(7);
    const std::string alphabet = "ab=\r\n \n";
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const std::size_t length = random() % 300;
        for (std::size_t index = 0; index < length; ++index) {
            // Long runs without a line feed now and then.
            const std::size_t span = round % 5 == 0 ? 4 : alphabet.size();
            text.push_back(alphabet[random() % span]);
        }
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

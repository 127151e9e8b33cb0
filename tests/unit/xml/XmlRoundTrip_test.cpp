// Property tests: random trees of the accepted subset are written out and parsed back;
// cut or corrupted documents must fail cleanly or give a tree, never crash.

#include "XmlTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using XmlTestSupport::ParseXml;
using XmlTestSupport::RecordingVisitor;

class TreeWriter {
public:
    explicit TreeWriter(unsigned seed) : m_random(seed) {}

    // Returns the document text; `expected` gets the visit log the parse must give.
    std::string Document(std::string& expected)
    {
        std::string text;
        Element(text, expected, 0);
        return text;
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    std::string Name()
    {
        static const std::string first = "abcXYZ_:";
        static const std::string rest = "abcXYZ_:09-.";
        std::string name(1, first[Pick(static_cast<int>(first.size()))]);
        for (int length = Pick(6); length > 0; --length) name += rest[Pick(static_cast<int>(rest.size()))];
        return name;
    }

    // Any bytes but the terminator's first byte and '<' (which would start markup).
    std::string Content(const std::string& forbidden)
    {
        static const std::string alphabet = "ab \n\t&;\"'=/>-]\xC0\xFF";
        std::string text;
        for (int length = Pick(8); length > 0; --length) {
            char byte = alphabet[Pick(static_cast<int>(alphabet.size()))];
            if (forbidden.find(byte) == std::string::npos) text += byte;
        }
        return text;
    }

    void Element(std::string& text, std::string& expected, int depth)
    {
        const std::string name = Name();
        text += "<" + name;
        expected += "<" + name + " ";
        for (int count = Pick(3); count > 0; --count) {
            const std::string attribute = Name();
            const bool single = Pick(2) == 0;
            const std::string value = Content(single ? "'<" : "\"<");
            text += std::string(" \n\t").substr(Pick(3), 1) + attribute + (Pick(2) ? " = " : "=") +
                    (single ? "'" + value + "'" : "\"" + value + "\"");
            expected += "@" + attribute + "=" + value + " ";
        }
        const int children = depth < 4 ? Pick(5) : 0;
        if (children == 0 && Pick(2) == 0) {
            text += "/>";
            return;
        }
        text += ">";
        bool lastWasText = false;
        for (int index = 0; index < children; ++index) {
            switch (Pick(4)) {
            case 0: Element(text, expected, depth + 1); lastWasText = false; break;
            case 1: {
                std::string comment = Content("-<");
                text += "<!--" + comment + "-->";
                expected += "!" + comment + " ";
                lastWasText = false;
                break;
            }
            case 2: {
                std::string cdata = Content("]<");
                text += "<![CDATA[" + cdata + "]]>";
                expected += "$" + cdata + " ";
                lastWasText = false;
                break;
            }
            default: {
                std::string body = Content("<");
                if (body.empty() || lastWasText) break;  // adjacent texts would read back as one
                text += body;
                expected += "#" + body + " ";
                lastWasText = true;
            }
            }
        }
        text += "</" + name + ">";
    }

    std::mt19937 m_random;
};

TEST(XmlRoundTrip, GeneratedTreesParseBackEqual)
{
    for (unsigned seed = 1; seed <= 400; ++seed) {
        TreeWriter writer(seed);
        std::string expected;
        const std::string text = writer.Document(expected);
        auto result = ParseXml(text);
        ASSERT_NE(result.document, nullptr) << "seed " << seed << ": " << text;
        RecordingVisitor visitor;
        result.document->Accept(visitor);
        EXPECT_EQ(visitor.log, expected) << "seed " << seed << ": " << text;
    }
}

TEST(XmlRoundTrip, CutOrCorruptedDocumentsFailCleanly)
{
    std::mt19937 random(7);
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TreeWriter writer(seed);
        std::string expected;
        const std::string text = writer.Document(expected);
        for (int attempt = 0; attempt < 8; ++attempt) {
            std::string damaged = text.substr(0, std::uniform_int_distribution<std::size_t>(0, text.size())(random));
            if (attempt % 2 == 1 && !text.empty()) {
                damaged = text;
                damaged[std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random)] =
                    "<>/!-[]\"'\n"[std::uniform_int_distribution<int>(0, 9)(random)];
            }
            auto result = ParseXml(damaged);
            if (result.document) {
                RecordingVisitor visitor;
                EXPECT_TRUE(result.document->Accept(visitor));
            } else {
                EXPECT_GE(result.errorCode, 2) << damaged;
                EXPECT_LE(result.errorCode, 12) << damaged;
            }
        }
    }
}

}  // namespace

#include "xml/XmlParser.h"

#include "XmlTestSupport.h"

#include <gtest/gtest.h>

namespace {

using XmlTestSupport::ParseXml;
using XmlTestSupport::RecordingVisitor;

std::string Walk(const std::string& text)
{
    auto result = ParseXml(text);
    if (!result.document) return "failed with " + std::to_string(result.errorCode);
    RecordingVisitor visitor;
    result.document->Accept(visitor);
    return visitor.log;
}

struct BadDocument {
    const char* text;
    int code;
    int line;
};

class XmlErrors : public testing::TestWithParam<BadDocument> {};

TEST_P(XmlErrors, CodeAndLine)
{
    const auto result = ParseXml(GetParam().text);
    EXPECT_EQ(result.document, nullptr);
    EXPECT_EQ(result.errorCode, GetParam().code);
    EXPECT_EQ(result.errorLine, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Table, XmlErrors,
    testing::Values(BadDocument{"<a></b>", 10, 1}, BadDocument{"<a>", 10, 1}, BadDocument{"<a>\n\n", 10, 1},
                    BadDocument{"<a></a", 8, 1}, BadDocument{"\xEF\xBB\xBF<a/>", 6, -1},
                    BadDocument{"<a/>x", 5, -1}, BadDocument{"<a/>\n<b/>", 5, -1}, BadDocument{"< a/>", 7, 1},
                    BadDocument{"<a x=\"1\"y=\"2\"/>", 2, 1}, BadDocument{"hello", 6, -1},
                    BadDocument{"", 6, -1}, BadDocument{"<?xml version='1.0'<a/>", 7, 1},
                    BadDocument{"<a>\n<!-- open\n</a>", 10, 2}, BadDocument{"<a><![CDATA[x</a>", 10, 1},
                    BadDocument{"<a>\n<b>\n</a>", 10, 2}, BadDocument{"<a x='1></a>", 2, 1}));

TEST(XmlParser, EmptyRootAloneOrWithALineFeed)
{
    EXPECT_EQ(Walk("<Convert/>"), "<Convert ");
    EXPECT_EQ(Walk("<Convert/>\n"), "<Convert #\n ");
    EXPECT_EQ(Walk("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<a/>"), "#\n <a ");
}

TEST(XmlParser, CommentsEndAtTheFirstTerminator)
{
    EXPECT_EQ(Walk("<a><!-- x --->y</a>"), "<a ! x - #y ");
    EXPECT_EQ(Walk("<a><!-- a-b --></a>"), "<a ! a-b  ");
    EXPECT_EQ(Walk("<!--c--><a/><!--d-->"), "!c <a !d ");
}

TEST(XmlParser, ValuesAndTextAreKeptAsWritten)
{
    EXPECT_EQ(Walk("<a v='say \"hi\"' w=\"it's\"/>"), "<a @v=say \"hi\" @w=it's ");
    EXPECT_EQ(Walk("<a>&lt;</a>"), "<a #&lt; ");
    EXPECT_EQ(Walk("<a x = \"<&>\" x='2'/>"), "<a @x=<&> @x=2 ");
    EXPECT_EQ(Walk("<a><![CDATA[<b>]]> t <c/></a>"), "<a $<b> # t  <c ");
    EXPECT_EQ(Walk("<a:b _c.d-e=\"1\"></a:b >"), "<a:b @_c.d-e=1 ");
}

TEST(XmlParser, NamesMayHoldCyrillicLetters)
{
    EXPECT_EQ(Walk("<\xD1\xE5\xEA\xF6\xE8\xFF/>"), "<\xD1\xE5\xEA\xF6\xE8\xFF ");
    EXPECT_EQ(Walk("<\xB9/>"), "failed with 7");
}

TEST(XmlParser, LinesAreCountedAcrossValuesAndComments)
{
    EXPECT_EQ(ParseXml("<a v=\"1\n2\">\n<!-- \n\n -->\n</b>").errorLine, 6);
    EXPECT_EQ(ParseXml("<a>\r\n\r\n</b>").errorLine, 3);
}

TEST(XmlParser, MessagesForEveryCode)
{
    EXPECT_STREQ(Xml::Library::ErrorMessage(8), "Need node end tag");
    EXPECT_STREQ(Xml::Library::ErrorMessage(9), "Need attribute start tag");
    EXPECT_STREQ(Xml::Library::ErrorMessage(10), "Start and end node tag is different");
    EXPECT_STREQ(Xml::Library::ErrorMessage(0), "Unexpected error");
    EXPECT_STREQ(Xml::Library::ErrorMessage(99), "Unexpected error");
}

TEST(XmlParser, DeepNestingFailsCleanly)
{
    std::string deep;
    for (int level = 0; level < 100000; ++level) deep += "<a>";
    const auto result = ParseXml(deep);
    EXPECT_EQ(result.document, nullptr);
    EXPECT_EQ(result.errorCode, Xml::Library::kNestedTooDeep);
    EXPECT_EQ(result.errorLine, 1);

    std::string allowed;
    for (int level = 0; level < Xml::Library::kMaxElementDepth; ++level) allowed += "<a>";
    for (int level = 0; level < Xml::Library::kMaxElementDepth; ++level) allowed += "</a>";
    EXPECT_NE(ParseXml(allowed).document, nullptr);
    // One level more is refused.
    EXPECT_EQ(ParseXml("<a>" + allowed + "</a>").errorCode, Xml::Library::kNestedTooDeep);
}

TEST(XmlParser, DestroyingAHandBuiltDeepTreeDoesNotRecurse)
{
    auto document = std::make_unique<Xml::Library::DocumentNode<char>>();
    Xml::Library::Node<char>* tip = document.get();
    for (int level = 0; level < 1000000; ++level) {
        auto child = std::make_unique<Xml::Library::ElementNode<char>>("a");
        Xml::Library::Node<char>* next = child.get();
        tip->AppendChild(std::move(child));
        tip = next;
    }
    document.reset();
    SUCCEED();
}

}  // namespace

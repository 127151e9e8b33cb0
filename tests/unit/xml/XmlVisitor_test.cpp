#include "xml/XmlValue.h"

#include "XmlTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using XmlTestSupport::ParseXml;
using XmlTestSupport::RecordingVisitor;

// A failed parse ends the test with an error instead of a null dereference.
Xml::Library::ElementNode<char>& RootOf(XmlTestSupport::ParseResult& result)
{
    if (!result.document || result.document->children.empty()) throw std::runtime_error("the parse failed");
    return static_cast<Xml::Library::ElementNode<char>&>(*result.document->children.front());
}

TEST(XmlVisitor, PreOrderWithAttributesBeforeChildren)
{
    auto result = ParseXml("<a x=\"1\"><b y=\"2\"><c/></b><!--n--><d/></a>");
    ASSERT_NE(result.document, nullptr);
    RecordingVisitor visitor;
    EXPECT_TRUE(result.document->Accept(visitor));
    EXPECT_EQ(visitor.log, "<a @x=1 <b @y=2 <c !n <d ");
}

TEST(XmlVisitor, FalseStopsTheWholeWalk)
{
    auto result = ParseXml("<a x=\"1\" stop=\"\" z=\"3\"><b/></a>");
    ASSERT_NE(result.document, nullptr);
    RecordingVisitor visitor;
    visitor.stopAtAttribute = "stop";
    EXPECT_FALSE(result.document->Accept(visitor));
    EXPECT_EQ(visitor.log, "<a @x=1 @stop= ");
}

TEST(XmlValue, OwnAttributesFirstThenEverythingBelowLastWins)
{
    auto result = ParseXml("<Section copy_to=\"own\"><Setting copy_to=\"child\"/><x copy_to=\"last\"/></Section>");
    EXPECT_EQ(TS::ValueBelow(RootOf(result), "copy_to").value, "last");
    EXPECT_EQ(TS::OwnValue(RootOf(result), "copy_to").value, "own");

    auto childOnly = ParseXml("<Section><Setting copy_to=\"child\"/></Section>");
    EXPECT_EQ(TS::ValueBelow(RootOf(childOnly), "copy_to").value, "child");
    EXPECT_FALSE(TS::OwnValue(RootOf(childOnly), "copy_to").found);
}

TEST(XmlValue, FoundTellsEmptyFromAbsentAndNamesAreCaseSensitive)
{
    auto result = ParseXml("<a v=\"\"/>");
    const TS::CXMLValue empty = TS::ValueBelow(RootOf(result), "v");
    EXPECT_TRUE(empty.found);
    EXPECT_EQ(empty.value, "");
    EXPECT_FALSE(TS::ValueBelow(RootOf(result), "V").found);
}

}  // namespace

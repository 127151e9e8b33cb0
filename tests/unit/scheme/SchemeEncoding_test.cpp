// The scheme's encoding: how its declaration is read in every spelling, that each text
// attribute (and no file name) is put into the other encoding for a file in it, and
// that -check reports a declaration the bytes overrule.

#include "scheme/SchemeEncoding.h"
#include "scheme/SchemeLint.h"

#include "../xml/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SchemeEncoding, TheDeclarationInEverySpelling)
{
    const std::string cyrillic1251 = "<Convert file=\"\xC6.ini\"/>";
    const struct {
        std::string bytes;
        const char* declared;
        TextEncoding encoding;
        bool honoured;
    } rows[] = {
        {"<?xml version=\"1.0\" encoding=\"windows-1251\"?>" + cyrillic1251, "windows-1251", TextEncoding::Windows1251, true},
        {"<?xml version='1.0' encoding='windows-1251'?>" + cyrillic1251, "windows-1251", TextEncoding::Windows1251, true},
        {"<?xml version=\"1.0\" encoding = \t'utf-8' ?><Convert/>", "utf-8", TextEncoding::Utf8, true},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><Convert/>", "UTF-8", TextEncoding::Utf8, true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><Convert/>", "utf-8", TextEncoding::Utf8, true},
        {"<?xml version=\"1.0\"?><Convert/>", "", TextEncoding::Windows1251, false},
        {"<Convert/>", "", TextEncoding::Windows1251, false},
        {"<?xml version=\"1.0\" encoding=\"koi8-r\"?><Convert/>", "koi8-r", TextEncoding::Windows1251, false},
        // Declared UTF-8, but the bytes are no UTF-8: the bytes decide.
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>" + cyrillic1251, "utf-8", TextEncoding::Windows1251, false},
        // An encoding= after the declaration's end is no declaration.
        {"<?xml version=\"1.0\"?><Convert encoding=\"utf-8\"/>", "", TextEncoding::Windows1251, false},
    };
    for (const auto& row : rows) {
        const SchemeEncoding decided = DecideSchemeEncoding(row.bytes);
        EXPECT_EQ(decided.declared, row.declared) << row.bytes;
        EXPECT_EQ(decided.encoding, row.encoding) << row.bytes;
        EXPECT_EQ(decided.declarationHonoured, row.honoured) << row.bytes;
    }
}

TEST(SchemeEncoding, EveryTextAttributeIsConvertedAndNoFileName)
{
    const struct {
        const char* attribute;
        bool text;
    } rows[] = {
        {"section_name", true}, {"section_to", true},   {"case_section", true},  {"case_default_section", true},
        {"copy_to", true},      {"setting_name", true}, {"setting_to", true},    {"setting_value", true},
        {"move_to", true},      {"divider", true},      {"multiplier", true},    {"case_setting", true},
        {"case_default_setting", true}, {"file", false}, {"output_file", false}, {"name", false},
    };
    for (const auto& row : rows) {
        auto parsed = XmlTestSupport::ParseXml(std::string("<Convert><Section ") + row.attribute + "=\"\xC6\"/></Convert>");
        ASSERT_TRUE(parsed.document) << row.attribute;
        auto& section = *parsed.document->children.at(0)->children.at(0);
        auto& attribute = *dynamic_cast<Xml::Library::ElementNode<char>&>(section).attributes.at(0);
        {
            const CTranscodedTexts transcoded(*parsed.document, TextEncoding::Windows1251, TextEncoding::Utf8);
            EXPECT_EQ(attribute.value, row.text ? "\xD0\x96" : "\xC6") << row.attribute;  // Ж
        }
        EXPECT_EQ(attribute.value, "\xC6") << row.attribute << ": the scheme's own text comes back";
    }
}

TEST(SchemeEncoding, CheckReportsADeclarationTheBytesOverrule)
{
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?><Convert file=\"\xC6.ini\"/>";
    auto parsed = XmlTestSupport::ParseXml(bytes);
    ASSERT_TRUE(parsed.document);
    const std::vector<LintFinding> findings = LintScheme(*parsed.document, DecideSchemeEncoding(bytes));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].text, "the declared encoding 'utf-8' disagrees with the scheme's bytes, which read as "
                                "Windows-1251; the scheme is read as Windows-1251");
}

}  // namespace

// A scheme is known by what it says: what counts toward its digest, what does not.

#include "scheme/SchemeIdentity.h"

#include "../xml/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string DigestOf(const std::string& text, TextEncoding encoding = TextEncoding::Utf8)
{
    const XmlTestSupport::ParseResult parsed = XmlTestSupport::ParseXml(text);
    EXPECT_NE(parsed.document, nullptr) << text;
    return parsed.document ? SchemeDigest(*parsed.document, encoding) : std::string();
}

const char kScheme[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Convert file=\"a.ini\">\n"
    "  <Section section_name=\"Сеть\">\n"
    "    <Setting setting_name=\"Таймаут\" multiplier=\"2\"/>\n"
    "  </Section>\n"
    "</Convert>\n";

TEST(SchemeIdentity, WhatCountsAndWhatDoesNot)
{
    const std::string base = DigestOf(kScheme);
    ASSERT_EQ(base.size(), 64u);
    struct Row {
        const char* name;
        std::string text;
        TextEncoding encoding;
        bool same;
    };
    const Row rows[] = {
        {"a trailing newline more", std::string(kScheme) + "\n", TextEncoding::Utf8, true},
        {"a comment, as a template adds",
         "<!-- Ansible managed -->\n" + std::string(kScheme).substr(std::string(kScheme).find('\n') + 1),
         TextEncoding::Utf8, true},
        {"no declaration, other blanks, single quotes, attributes reordered, '=' spaced",
         "<Convert file = 'a.ini'><Section section_name='Сеть'><Setting multiplier='2'   setting_name=\"Таймаут\" />"
         "</Section></Convert>",
         TextEncoding::Utf8, true},
        {"the same texts in Windows-1251",
         "<?xml version=\"1.0\" encoding=\"windows-1251\"?><Convert file=\"a.ini\"><Section section_name=\"\xD1\xE5\xF2\xFC\">"
         "<Setting setting_name=\"\xD2\xE0\xE9\xEC\xE0\xF3\xF2\" multiplier=\"2\"/></Section></Convert>",
         TextEncoding::Windows1251, true},
        {"an empty element written open and closed",
         "<Convert file=\"a.ini\"><Section section_name=\"Сеть\"><Setting setting_name=\"Таймаут\" multiplier=\"2\">"
         "</Setting></Section></Convert>",
         TextEncoding::Utf8, true},
        {"another factor", "<Convert file=\"a.ini\"><Section section_name=\"Сеть\"><Setting setting_name=\"Таймаут\" "
                           "multiplier=\"3\"/></Section></Convert>",
         TextEncoding::Utf8, false},
        {"another letter case in a name", "<Convert file=\"a.ini\"><Section section_name=\"сеть\"><Setting "
                                          "setting_name=\"Таймаут\" multiplier=\"2\"/></Section></Convert>",
         TextEncoding::Utf8, false},
        {"an attribute more", "<Convert file=\"a.ini\" output_file=\"b.ini\"><Section section_name=\"Сеть\"><Setting "
                              "setting_name=\"Таймаут\" multiplier=\"2\"/></Section></Convert>",
         TextEncoding::Utf8, false},
        {"a step moved out of its section",
         "<Convert file=\"a.ini\"><Section section_name=\"Сеть\"/><Setting setting_name=\"Таймаут\" multiplier=\"2\"/>"
         "</Convert>",
         TextEncoding::Utf8, false},
        {"a character reference is not its character",
         "<Convert file=\"a.ini\"><Section section_name=\"&#1057;еть\"><Setting setting_name=\"Таймаут\" "
         "multiplier=\"2\"/></Section></Convert>",
         TextEncoding::Utf8, false},
        {"a scheme_id is part of what it says", "<Convert file=\"a.ini\" scheme_id=\"x\"><Section section_name=\"Сеть\">"
                                                "<Setting setting_name=\"Таймаут\" multiplier=\"2\"/></Section></Convert>",
         TextEncoding::Utf8, false},
    };
    for (const Row& row : rows) EXPECT_EQ(DigestOf(row.text, row.encoding) == base, row.same) << row.name;
    // Two steps in another order are another scheme; repeated attributes keep their order.
    EXPECT_NE(DigestOf("<Convert><Section section_name=\"A\"/><Section section_name=\"B\"/></Convert>"),
              DigestOf("<Convert><Section section_name=\"B\"/><Section section_name=\"A\"/></Convert>"));
    EXPECT_NE(DigestOf("<Convert><Section section_name=\"A\" section_name=\"B\"/></Convert>"),
              DigestOf("<Convert><Section section_name=\"B\" section_name=\"A\"/></Convert>"));
    // Texts with their lengths: moving a byte across a boundary is another scheme.
    EXPECT_NE(DigestOf("<Convert><S a=\"bc\"/></Convert>"), DigestOf("<Convert><S a=\"b\" c=\"\"/></Convert>"));
}

TEST(SchemeIdentity, TheIdIsTheRootsAttributeInUtf8)
{
    const auto idOf = [](const std::string& text, TextEncoding encoding) {
        const XmlTestSupport::ParseResult parsed = XmlTestSupport::ParseXml(text);
        return SchemeIdOf(*parsed.document, encoding);
    };
    EXPECT_EQ(idOf("<Convert scheme_id=\"net-timeouts\"/>", TextEncoding::Utf8), "net-timeouts");
    EXPECT_EQ(idOf("<Convert scheme_id=\"\xD1\xE5\xF2\xFC\"/>", TextEncoding::Windows1251), "Сеть");
    EXPECT_EQ(idOf("<Convert><File scheme_id=\"inner\"/></Convert>", TextEncoding::Utf8), "");
    EXPECT_EQ(idOf("<Convert/>", TextEncoding::Utf8), "");
}

}  // namespace

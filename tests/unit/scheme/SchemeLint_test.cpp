#include "scheme/SchemeLint.h"

#include "run/SchemeCheck.h"

#include "../TestSupport.h"
#include "../xml/XmlTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// "line: text" of every finding, a line each.
std::string Findings(const std::string& scheme)
{
    auto result = XmlTestSupport::ParseXml(scheme);
    if (!result.document) throw std::runtime_error("the scheme does not parse: " + scheme);
    std::string text;
    for (const LintFinding& finding : LintScheme(*result.document)) {
        text += std::to_string(finding.line) + ": " + finding.text + "\n";
    }
    return text;
}

TEST(SchemeLint, EachKindOfFinding)
{
    const struct {
        const char* scheme;
        const char* findings;
    } table[] = {
        // A clean scheme, with an element that only groups recognised ones.
        {"<Convert file=\"a.ini\">\n<Group><Section section_name=\"A\" section_to=\"-\"/></Group>\n"
         "<Section section_name=\"B\"><Setting setting_name=\"k\" multiplier=\"2\" case_setting=\"B.k ex\"/></Section>"
         "</Convert>",
         ""},
        {"<Convert>\n<section section_name=\"A\" section_to=\"-\"/></Convert>",
         "2: unknown element 'section' is ignored, and everything in it\n"},
        {"<Convert file=\"a.ini\" output=\"b.ini\"/>", "1: unknown attribute 'output' of the 'Convert' element is ignored\n"},
        {"<Convert><Section section_nmae=\"A\" section_to=\"-\"/></Convert>",
         "1: unknown attribute 'section_nmae' of the 'Section' element is ignored\n"
         "1: 'Section' element without a 'section_name' is ignored\n"},
        {"<Convert><Section section_name=\"A\" section_to=\"B\" copy_to=\"C\">\n<Setting setting_name=\"k\" "
         "setting_to=\"-\"/></Section></Convert>",
         "1: 'copy_to' is overruled by 'section_to' and ignored\n"
         "1: the 'Setting' elements in a 'Section' with 'section_to' are ignored\n"},
        {"<Convert><Section section_name=\"A\">\n<Setting setting_name=\"k\" setting_to=\"-\" setting_value=\"1\"/>\n"
         "<Setting setting_name=\"n\" setting_to=\"+\" setting_value=\"1\" move_to=\"B\"/>\n"
         "<Setting setting_name=\"z\"/>\n<Setting multiplier=\"2\"/></Section></Convert>",
         "2: 'setting_value' is overruled by 'setting_to' and ignored\n"
         "3: 'move_to' is overruled by 'setting_to' and ignored\n"
         "4: 'Setting' element 'z' names no action ('setting_to', 'setting_value', 'copy_to', 'move_to', 'divider' or "
         "'multiplier') and is ignored\n"
         "5: 'Setting' element without a 'setting_name' is ignored\n"},
        {"<Convert>\n<Setting setting_name=\"k\" setting_to=\"-\"/>\n<Section section_name=\"A\" "
         "case_default_section=\"1\"><Setting setting_name=\"k\" divider=\"2\" case_default_setting=\"3\"/></Section>"
         "</Convert>",
         "2: 'Setting' element outside a 'Section' is ignored\n"
         "3: 'case_default_section' without 'case_section' is ignored\n"
         "3: 'divider' of 'k': the value is rescaled again on every run of this scheme: guard the step with a "
         "condition or rely on the run record\n"
         "3: 'case_default_setting' without 'case_setting' is ignored\n"},
        // A section's condition guards its rescaling; a template's fixed part in other
        // letters than ASCII is a slip (quoted in UTF-8 from the Windows-1251 scheme).
        {"<Convert><Section section_name=\"A\" case_section=\"A.v e 1\"><Setting setting_name=\"k\" "
         "multiplier=\"2\"/></Section>\n<Section section_name=\"\xCF\xF0\xEE*\" section_to=\"-\"/></Convert>",
         "2: the template '\xD0\x9F\xD1\x80\xD0\xBE*' holds letters beyond ASCII, but its '*' stands only for "
         "Latin letters, digits, '_', '.' and '-': it never selects a name that goes on in other letters\n"},
        // A Setting of a renaming Section is reported once, with the Section.
        {"<Convert><Section section_name=\"A\" section_to=\"B\"><Setting setting_name=\"k\" setting_to=\"-\"/>"
         "</Section></Convert>",
         "1: the 'Setting' elements in a 'Section' with 'section_to' are ignored\n"},
        // The slips of new users: each condition that does not parse, a new name that reads
        // like an action word, a '.' in a template, a File without a name.
        {"<Convert>\n<Section section_name=\"Plugin.*\" case_section=\"A.x zz 1\">\n<Setting setting_name=\"k\" "
         "setting_to=\"Remove\" case_setting=\"bad\"/></Section>\n<File/></Convert>",
         "2: 'case_section' does not parse: unrecognized condition 'zz' in line: A.x zz 1\n"
         "2: in the template 'Plugin.*' a '.' stands for any character, so it also selects names with another "
         "character there; write 'Plugin\\.*' for a dot\n"
         "3: 'case_setting' does not parse: invalid syntax in line: bad\n"
         "3: 'setting_to' is 'Remove': the setting is renamed to 'Remove'; 'setting_to'=\"+\" adds a setting and "
         "'setting_to'=\"-\" removes one\n"
         "4: 'File' element without a 'name' names no file: the scheme does not load\n"},
    };
    for (const auto& row : table) EXPECT_EQ(Findings(row.scheme), row.findings) << row.scheme;
}

TEST(SchemeLint, ACleanCheckSaysSo)
{
    TestSupport::CapturedConsole console;
    EXPECT_EQ(ReportSchemeCheck({}, {}), 0);
    EXPECT_EQ(console.Text(), "\nScheme check: 0 findings");
}

}  // namespace

// The image keeps an index of its sections in name order once a template selects them;
// later steps must see it as the file now is: removed sections gone, renamed ones in
// their new place only, copies in a stable order, and a section table that does not
// grow without end however many steps rename.


#include "RunSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using TestSupport::RunProgram;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WithLineFeeds;
using TestSupport::WriteFile;

std::string Converted(const std::string& steps, const std::string& ini)
{
    TempFolder folder;
    WriteFile(folder / "s.xml", "<Convert file=\"a.ini\">" + steps + "</Convert>");
    WriteFile(folder / "a.ini", ini);
    std::string console;
    if (RunProgram({folder / "s.xml", "-fdir", folder.Path().string(), "-nobackup"}, console) != 0) {
        return "(failed) " + console;
    }
    const std::string text = WithLineFeeds(ReadFile(folder / "a.ini"));
    return text.substr(text.find(";\n\n") + 2);
}

std::string ManyRenames(int count)
{
    std::string steps;
    for (int index = 0; index < count; ++index) {
        steps += "<Section section_name=\"s" + std::to_string(index) + "\" section_to=\"s" + std::to_string(index + 1) +
                 "\"/>";
    }
    return steps;
}

// The same setting copied into one section again and again, its value doubled between
// copies: the copies share one order number, so only a stable sort keeps them in order
// (and enough of them for a sort that is not stable to show).
std::string RepeatedCopies(int count)
{
    std::string steps;
    for (int index = 0; index < count; ++index) {
        steps += "<Section section_name=\"S\"><Setting setting_name=\"k\" copy_to=\"T\"/>"
                 "<Setting setting_name=\"k\" multiplier=\"2\"/></Section>";
    }
    return steps;
}

std::string CopiedValues(int count)
{
    std::string text = "[T]\n";
    for (long value = 1, index = 0; index < count; ++index, value *= 2) text += "k=" + std::to_string(value) + "\n";
    return text;
}

TEST(IndexOrder, StepsAfterATemplateSeeTheFileAsItNowIs)
{
    const char* everyK = "<Section section_name=\"*\"><Setting setting_name=\"k\" multiplier=\"2\"/></Section>";
    const struct {
        const char* name;
        std::string steps;
        std::string ini;
        std::string wanted;
    } rows[] = {
        {"select, remove, add, select",
         std::string("<Section section_name=\"a*\" section_to=\"-\"/><Section section_name=\"c\" section_to=\"+\"/>") + everyK,
         "[a1]\nk=1\n[a2]\nk=2\n[b]\nk=3\n", "\n[b]\nk=6\n\n[c]\n"},
        {"select, rename, select",
         std::string("<Section section_name=\"*\"><Setting setting_name=\"n\" setting_to=\"m\"/></Section>"
                     "<Section section_name=\"x1\" section_to=\"z9\"/>") + everyK,
         "[x1]\nk=1\n[y]\nk=2\n", "\n[z9]\nk=2\n\n[y]\nk=4\n"},
        {"repeated copies into one section keep their order", RepeatedCopies(20), "[S]\nk=1\n[T]\nx=0\n",
         "\n[S]\nk=1048576\n\n" + CopiedValues(20) + "x=0\n"},
        {"a thousand renames, then an add and a template",
         ManyRenames(1000) + "<Section section_name=\"new\" section_to=\"+\"/>" + everyK, "[s0]\nk=1\n",
         "\n[s1000]\nk=2\n\n[new]\n"},
    };
    for (const auto& row : rows) EXPECT_EQ(Converted(row.steps, row.ini), row.wanted) << row.name;
}

}  // namespace

// The report's texts: names as UTF-8 (a name in UTF-8 as it is), warnings converted from
// the program's Windows-1251 to UTF-8 without their leading line break.

#include "console/Messages.h"
#include "text/Json.h"
#include "text/TextEncoding.h"

#include "RunSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using TestSupport::RunProgram;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

TEST(Report, NamesAndWarningsAreUtf8)
{
    TempFolder folder;
    const std::string name = "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.ini";  // файл.ini
    WriteFile(folder / "s.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><Convert file=\"" + name +
                                    "\"><Section section_name=\"A\" section_to=\"B\"/></Convert>");
    WriteFile(folder / name, "[A]\nk=1\n[Bad\n");
    ::setenv("VELMARCH_LANG", "ru", 1);
    const std::string report = folder / "r.json";
    std::string console;
    ASSERT_EQ(RunProgram({folder / "s.xml", "-fdir", folder.Path().string(), "-nobackup", "-report", report}, console), 0)
        << console;
    CJson document;
    ASSERT_TRUE(CJson::Parse(ReadFile(report), document));
    const CJson& record = document.Find("records")->Items().at(0);
    EXPECT_EQ(record.TextOf("input"), folder / name);
    EXPECT_EQ(record.TextOf("output"), folder / name);
    std::string russian(Messages::kMalformedSectionHeader.russian);
    russian.replace(russian.find("%s"), 2, "Bad");
    std::string wanted;
    ASSERT_TRUE(Encoding::Convert(russian.substr(1), TextEncoding::Windows1251, TextEncoding::Utf8, wanted));
    ASSERT_EQ(record.Find("warnings")->Items().size(), 1u);
    EXPECT_EQ(record.Find("warnings")->Items()[0].Text(), wanted);
    EXPECT_EQ(document.TextOf("mode"), "run");
    EXPECT_EQ(document.TextOf("outcome"), "ok");
}

}  // namespace

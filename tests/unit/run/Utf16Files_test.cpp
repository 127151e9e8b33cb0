// UTF-16 settings files converted whole: read as Unicode text under the rules of a UTF-8
// file, written back in their byte order with their mark and line breaks, left as they
// are by a rerun and put back by -restore; texts that are not text refused before
// anything changes.

#include "RunSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TestSupport::ReadFile;
using TestSupport::RunProgram;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using ::testing::HasSubstr;

std::string Bytes(const std::u16string& text, bool bigEndian) { return TestSupport::Utf16Bytes(text, bigEndian); }

std::u16string WithLineEnd(std::u16string text, const std::u16string& lineEnd)
{
    for (std::size_t at = 0; (at = text.find(u'\n', at)) != std::u16string::npos; at += lineEnd.size()) {
        text.replace(at, 1, lineEnd);
    }
    return text;
}

// A rename found by Unicode folding, a multiply, a condition on a Cyrillic setting (one
// that holds, one that does not) and a section no step touches.
const char kScheme[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Convert file=\"a.ini\"><Section section_name=\"сеть\">"
    "<Setting setting_name=\"таймаут\" setting_to=\"Ожидание\"/>"
    "<Setting setting_name=\"k\" multiplier=\"2\"/>"
    "<Setting setting_name=\"v\" setting_value=\"new\" case_setting=\"Сеть.Режим e быстрый\"/>"
    "<Setting setting_name=\"w\" setting_value=\"new\" case_setting=\"Сеть.Режим e медленный\"/>"
    "</Section></Convert>\n";
const std::u16string kInput = u"[Сеть]\nТАЙМАУТ=5\nk=21\nРежим=быстрый\nv=old\nw=old\n[Keep]\nx= 1 ;c\n";
const std::u16string kConverted =
    u"\n[Сеть]\nОжидание=5\nk=42\nРежим=быстрый\nv=new\nw=old\n\n[Keep]\nx= 1 ;c\n";

std::vector<std::string> DatedFolders(const TempFolder& folder)
{
    std::vector<std::string> folders;
    if (!fs::exists(folder.Path() / "old_version")) return folders;
    for (const auto& entry : fs::directory_iterator(folder.Path() / "old_version")) folders.push_back(entry.path().string());
    return folders;
}

TEST(Utf16Files, ConvertInTheirOwnFormRerunAndRestore)
{
    for (const bool bigEndian : {false, true}) {
        for (const bool marked : {true, false}) {
            for (const bool crlf : {false, true}) {
                SCOPED_TRACE(std::string(bigEndian ? "BE" : "LE") + (marked ? " mark" : " -encoding") +
                             (crlf ? " CR LF" : " LF"));
                TempFolder folder;
                const std::string mark = !marked ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
                const std::string input = mark + Bytes(WithLineEnd(kInput, crlf ? u"\r\n" : u"\n"), bigEndian);
                WriteFile(folder / "a.ini", input);
                WriteFile(folder / "s.xml", kScheme);
                std::vector<std::string> arguments = {folder / "s.xml", "-fdir", folder.Path().string()};
                if (!marked) arguments.insert(arguments.end(), {"-encoding", bigEndian ? "utf-16be" : "utf-16le"});
                std::string console;
                ASSERT_EQ(RunProgram(arguments, console), 0) << console;

#ifdef _WIN32
                const std::u16string lineEnd = u"\r\n";
#else
                const std::u16string lineEnd = crlf ? u"\r\n" : u"\n";
#endif
                const std::string converted = ReadFile(folder / "a.ini");
                const std::string stampStart =
                    mark + Bytes(WithLineEnd(u";\n; The date and time to convert a settings file: ", lineEnd), bigEndian);
                EXPECT_EQ(converted.substr(0, stampStart.size()), stampStart);
                const std::string body = Bytes(WithLineEnd(kConverted, lineEnd), bigEndian);
                ASSERT_GE(converted.size(), body.size());
                EXPECT_EQ(converted.substr(converted.size() - body.size()), body);

                // The rerun knows the UTF-16 bytes it wrote; the backup holds those it read.
                ASSERT_EQ(RunProgram(arguments, console), 0) << console;
                EXPECT_THAT(console, HasSubstr("left as it is"));
                EXPECT_EQ(ReadFile(folder / "a.ini"), converted);
                const std::vector<std::string> dated = DatedFolders(folder);
                ASSERT_EQ(dated.size(), 1u);
                EXPECT_EQ(ReadFile(dated[0] + "/a.ini"), input);

                ASSERT_EQ(RunProgram({"-restore", dated[0]}, console), 0) << console;
                EXPECT_EQ(ReadFile(folder / "a.ini"), input);
            }
        }
    }
}

// A file that is no text stops the whole run, naming the offset; the other file of
// the run stays as it was, and nothing is backed up.
TEST(Utf16Files, TextsThatDoNotReadAreRefusedBeforeAnythingChanges)
{
    struct Row {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Row rows[] = {
        {"a zero byte", std::string("[A]\nk=1\n\0\n", 10), "it is not a text file (a zero byte at offset 8)"},
        {"a zero byte in front", std::string("\0[A]\n", 5), "it is not a text file (a zero byte at offset 0)"},
        {"an odd length", "\xFF\xFE" + Bytes(u"[A]", false) + "x", "it is not well-formed UTF-16 (at offset 8)"},
        {"a lone low surrogate", "\xFE\xFF" + Bytes(u"[A]\n\xDC00", true), "it is not well-formed UTF-16 (at offset 10)"},
        {"a high surrogate the end cuts", "\xFF\xFE" + Bytes(u"[A]\n\xD83D", false),
         "it is not well-formed UTF-16 (at offset 10)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        WriteFile(folder / "s.xml", "<Convert><File name=\"a.ini\"><Section section_name=\"A\" section_to=\"-\"/></File>"
                                    "<File name=\"b.ini\"><Section section_name=\"A\" section_to=\"-\"/></File></Convert>");
        WriteFile(folder / "a.ini", "[A]\nk=1\n");
        WriteFile(folder / "b.ini", row.bytes);
        std::string console;
        EXPECT_EQ(RunProgram({folder / "s.xml", "-fdir", folder.Path().string()}, console), 1);
        EXPECT_THAT(console, HasSubstr("Unable to read file [" + (folder / "b.ini") + "]: " + row.reason));
        EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
        EXPECT_EQ(ReadFile(folder / "b.ini"), row.bytes);
        EXPECT_FALSE(fs::exists(folder.Path() / "old_version"));
    }
}

// A scheme saved as Unicode reads as a UTF-8 scheme; one that is not text is refused.
TEST(Utf16Files, SchemesInUtf16)
{
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "BE" : "LE");
        TempFolder folder;
        const std::u16string scheme =
            u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Convert file=\"a.ini\"><Section section_name=\"Сеть\" "
            u"section_to=\"Связь\"/></Convert>\r\n";
        WriteFile(folder / "s.xml", (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + Bytes(scheme, bigEndian));
        WriteFile(folder / "a.ini", "[Сеть]\nk=1\n");
        std::string console;
        ASSERT_EQ(RunProgram({folder / "s.xml", "-fdir", folder.Path().string(), "-nobackup"}, console), 0) << console;
        EXPECT_THAT(TestSupport::WithLineFeeds(ReadFile(folder / "a.ini")), HasSubstr("\n[Связь]\nk=1\n"));
        EXPECT_EQ(RunProgram({folder / "s.xml", "-check", "-fdir", folder.Path().string()}, console), 0) << console;
    }
    TempFolder folder;
    WriteFile(folder / "s.xml", "\xFF\xFE" + Bytes(u"<Convert file=\"a.ini\"/>\xD800", false));
    WriteFile(folder / "a.ini", "[A]\n");
    std::string console;
    EXPECT_EQ(RunProgram({folder / "s.xml"}, console), 1);
    EXPECT_THAT(console, HasSubstr("XML schema file '" + (folder / "s.xml") + "': Unable to read file [" +
                                   (folder / "s.xml") + "]: it is not well-formed UTF-16 (at offset 48)"));
}

}  // namespace

#include "run/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

CCommandLineOptions Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "velmarch");
    return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

struct BadCommandLine {
    std::vector<const char*> arguments;
    const char* message;
};

class CommandLineErrors : public testing::TestWithParam<BadCommandLine> {};

TEST_P(CommandLineErrors, ReportsTheFirstBadItem)
{
    EXPECT_THAT([] { Parse(GetParam().arguments); }, ThrowsMessage<std::runtime_error>(StrEq(GetParam().message)));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CommandLineErrors,
    testing::Values(BadCommandLine{{"a.xml", "b.xml"}, "XML scheme file defined twice"},
                    BadCommandLine{{"-nobackup", "-nobackup"}, "'-nobackup' option defined twice"},
                    BadCommandLine{{"-f", "a", "-f", "b"}, "'-f' option defined twice"},
                    BadCommandLine{{"-f", "a", "-f"}, "'-f' option defined twice"},
                    BadCommandLine{{"-f", "-o", "out.ini"}, "'-f' option invalid value"},
                    BadCommandLine{{"x.xml", "-f"}, "'-f' option invalid value"},
                    BadCommandLine{{"-o", "a", "-o", "b"}, "'-o' option defined twice"},
                    BadCommandLine{{"-o", ""}, "'-o' option invalid value"},
                    BadCommandLine{{"-fdir", "d", "-fdir", "-x"}, "'-fdir' option defined twice"},
                    BadCommandLine{{"-fdir"}, "'-fdir' option invalid value"},
                    BadCommandLine{{"-sectionnameregex", "-sectionnameregex"},
                                   "'-sectionnameregex' option defined twice"},
                    BadCommandLine{{"-F"}, "unrecognized option '-F'"},
                    BadCommandLine{{"--f", "x"}, "unrecognized option '--f'"},
                    BadCommandLine{{"-nobackup=1"}, "unrecognized option '-nobackup=1'"},
                    BadCommandLine{{"a.xml", "-Q", "b.xml"}, "unrecognized option '-Q'"},
                    BadCommandLine{{"-help", "a.xml"}, "'-help' option must be given alone"},
                    BadCommandLine{{"a.xml", "--version"}, "'--version' option must be given alone"},
                    BadCommandLine{{"-dryrun", "-check"}, "'-dryrun' and '-check' options exclude each other"},
                    BadCommandLine{{"-dryrun", "-dryrun"}, "'-dryrun' option defined twice"}));

TEST(CommandLine, HelpVersionDryRunAndCheckFlags)
{
    for (const char* help : {"-help", "-h", "--help", "-?"}) EXPECT_TRUE(IsOn(Parse({help}).help)) << help;
    for (const char* version : {"-version", "--version"}) EXPECT_TRUE(IsOn(Parse({version}).version)) << version;
    const CCommandLineOptions dry = Parse({"s.xml", "-dryrun"});
    EXPECT_TRUE(IsOn(dry.dryRun));
    EXPECT_FALSE(dry.check.HasValue());
    EXPECT_TRUE(IsOn(Parse({"-check", "s.xml"}).check));
}

TEST(CommandLine, NoArgumentsLeavesEveryFieldEmpty)
{
    const CCommandLineOptions options = Parse({});
    EXPECT_FALSE(options.schemeFile.HasValue());
    EXPECT_FALSE(options.inputFile.HasValue());
    EXPECT_FALSE(options.outputFile.HasValue());
    EXPECT_FALSE(options.noBackup.HasValue());
    EXPECT_FALSE(options.fileDirectory.HasValue());
    EXPECT_FALSE(options.sectionNameRegex.HasValue());
    EXPECT_FALSE(IsOn(options.noBackup));
}

TEST(CommandLine, SchemeMayStandAnywhereAmongTheOptions)
{
    for (const auto& arguments : {std::vector<const char*>{"a.xml", "-f", "x.ini", "-nobackup"},
                                  std::vector<const char*>{"-f", "x.ini", "a.xml", "-nobackup"},
                                  std::vector<const char*>{"-nobackup", "-f", "x.ini", "a.xml"}}) {
        const CCommandLineOptions options = Parse(arguments);
        EXPECT_EQ(options.schemeFile.Value(), "a.xml");
        EXPECT_EQ(options.inputFile.Value(), "x.ini");
        EXPECT_TRUE(IsOn(options.noBackup));
        EXPECT_FALSE(IsOn(options.sectionNameRegex));
    }
}

TEST(CommandLine, EmptyArgumentIsTheSchemeAndEveryValueIsKept)
{
    const CCommandLineOptions options =
        Parse({"", "-o", "out.ini", "-fdir", "d", "-sectionnameregex", "-f", "in.ini"});
    EXPECT_EQ(options.schemeFile.Value(), "");
    EXPECT_EQ(options.outputFile.Value(), "out.ini");
    EXPECT_EQ(options.fileDirectory.Value(), "d");
    EXPECT_EQ(options.inputFile.Value(), "in.ini");
    EXPECT_TRUE(IsOn(options.sectionNameRegex));
}

TEST(Optional, ReadingAMissingValueThrowsItsOwnText)
{
    const COptional<std::string> missing;
    EXPECT_THAT([&] { missing.Value(); },
                ThrowsMessage<std::runtime_error>(StrEq("COptional::Value() uninitialized value")));
}

}  // namespace

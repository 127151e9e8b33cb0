#include "ini/IniFileImage.h"

#include "TestSupport.h"
#include "platform/Platform.h"
#include "text/Sha256.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

using Platform::WriteStep;
using TestSupport::EntriesIn;
using TestSupport::ImageFromText;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

TEST(IniWriter, WritesTheStampThenSectionsInOrder)
{
    TempFolder folder;
    CIniFileImage image = ImageFromText("; main settings\n[Main]\nPort=80\nDebug\n[Extra]\n");
    TestSupport::SaveImage(image, folder / "out.ini");
    const std::string text = TestSupport::WithLineFeeds(ReadFile(folder / "out.ini"));
    EXPECT_THAT(text, TestSupport::FullyMatches(";\n; The date and time to convert a settings file: [0-9]{8}/[0-9]{1,6}\n;\n"
                                   "\n; main settings\n\\[Main\\]\nPort=80\nDebug\n\n\\[Extra\\]\n"));
}

// The stamp carries the local date and time of the writing: between two clock readings
// taken around it (as YYYYMMDDhhmmss numbers).
TEST(IniWriter, StampIsTheLocalTimeOfTheWriting)
{
    const auto clock = [] {
        const Platform::LocalTime now = Platform::Now();
        return ((now.year * 100LL + now.month) * 100 + now.day) * 1000000LL + now.hour * 10000 + now.minute * 100 +
               now.second;
    };
    const long long before = clock();
    const std::string text = CIniFileImage().ComposeText();
    const long long after = clock();
    std::smatch parts;
    const std::string line = TestSupport::WithLineFeeds(text);
    ASSERT_TRUE(std::regex_search(line, parts, std::regex("file: ([0-9]{8})/([0-9]{1,6})\n")));
    const long long stamp = std::stoll(parts[1]) * 1000000LL + std::stoll(parts[2]);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
}

TEST(IniWriter, ImageWithoutSectionsIsTheStampOnly)
{
    const CIniFileImage image;
    EXPECT_THAT(TestSupport::WithLineFeeds(image.ComposeText()), TestSupport::FullyMatches(";\n; The date and time to convert a settings file: [0-9]+/[0-9]+\n;\n"));
}

TEST(IniWriter, LargeImageIsWrittenInChunksWithTheSameBytes)
{
    TempFolder folder;
    std::string input;
    for (int section = 0; section < 3000; ++section) {
        input += "[S" + std::to_string(section) + "]\n";
        for (int key = 0; key < 20; ++key) input += "key" + std::to_string(key) + "=" + std::string(20, 'v') + "\n";
    }
    const CIniFileImage image = ImageFromText(input);
    TestSupport::SaveImage(image, folder / "big.ini");
    const std::string written = TestSupport::WithLineFeeds(ReadFile(folder / "big.ini"));
    EXPECT_GT(written.size(), 1u << 20);  // more than one chunk
    // The same bytes as the composed text, the stamp's time of day aside.
    EXPECT_EQ(written.substr(written.find("\n\n[S0]") + 1), TestSupport::TextWithoutStamp(image));
}

// Sections nothing changed go out as runs of the file's bytes, written from where the
// file is read, between sections renamed, edited, read or removed: the bytes, and their
// digest, are those of the composed text.
TEST(IniWriter, UntouchedSectionsGoOutAsTheFileHoldsThem)
{
    TempFolder folder;
    std::string input = "; head\n";
    for (int section = 0; section < 600; ++section) {
        input += "\n; about S" + std::to_string(section) + "\n[S" + std::to_string(section) + "]\n";
        for (int key = 0; key < 8; ++key) input += "key" + std::to_string(key) + "=" + std::to_string(key * 7) + "\n";
    }
    CIniFileImage image = ImageFromText(input);
    image.RenameSection("S100", "Renamed");
    image.FindSection("S200")->ApplyLineSteps({LineStep::Make(LineStep::Kind::Multiply, "key1", "2")});
    image.AddParameter("S300", "added", std::string("1"));
    image.RemoveSection("S301");
    CSha256 digest;
    const CTemporaryFile staged = image.WriteTemporary(folder / "out.ini", {}, &digest);
    const std::string written = ReadFile(staged.Path());
    EXPECT_EQ(digest.Hex(), Sha256Hex(written));
    std::size_t belowStamp = 0;
    for (int line = 0; line < 3; ++line) belowStamp = written.find('\n', belowStamp) + 1;
    const std::string text = TestSupport::WithLineFeeds(written.substr(belowStamp));
    EXPECT_EQ(text, TestSupport::TextWithoutStamp(image));
    EXPECT_NE(text.find("[Renamed]\nkey0=0\n"), std::string::npos);
    EXPECT_NE(text.find("[S200]\nkey0=0\nkey1=14\n"), std::string::npos);
    EXPECT_EQ(text.find("[S301]"), std::string::npos);
}

TEST(IniWriter, FailedLaterChunkLeavesTheOldFile)
{
    TempFolder folder;
    const std::string path = folder / "big.ini";
    WriteFile(path, "old\n");
    std::string input = "[A]\n";
    for (int key = 0; key < 60000; ++key) input += "key" + std::to_string(key) + "=" + std::string(30, 'v') + "\n";
    const CIniFileImage image = ImageFromText(input);
    Platform::FailNextWriteStepForTesting(WriteStep::Write);
    EXPECT_THROW(TestSupport::SaveImage(image, path), std::runtime_error);
    Platform::FailNextWriteStepForTesting(WriteStep::None);
    EXPECT_EQ(ReadFile(path), "old\n");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

class WriterFaults : public testing::TestWithParam<WriteStep> {
protected:
    void TearDown() override { Platform::FailNextWriteStepForTesting(WriteStep::None); }
};

TEST_P(WriterFaults, FailedStepLeavesTheOldFileAndNoTemporaryFile)
{
    TempFolder folder;
    const std::string path = folder / "a.ini";
    WriteFile(path, "[Old]\nkept=1\n");
    const CIniFileImage image = ImageFromText("[New]\nx=1\n");
    const bool createFails = GetParam() == WriteStep::Create || GetParam() == WriteStep::ReadOnlyTarget;
    // A file that cannot be made or written says why, in the system's words.
    const std::string message = (createFails ? "Unable to create file [" : "Unable to write file [") + path + "]";
    Platform::FailNextWriteStepForTesting(GetParam());
    const auto wanted = testing::Matcher<std::string>(testing::AllOf(testing::StartsWith(message),
                                                                     testing::HasSubstr(".Error is [")));
    EXPECT_THAT([&] { TestSupport::SaveImage(image, path); }, ThrowsMessage<std::runtime_error>(wanted));
    EXPECT_EQ(ReadFile(path), "[Old]\nkept=1\n");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, WriterFaults,
                         testing::Values(WriteStep::Create, WriteStep::ReadOnlyTarget, WriteStep::Write,
                                         WriteStep::Flush, WriteStep::Close, WriteStep::Replace));

TEST(IniWriter, MissingFolderGivesTheCreateError)
{
    TempFolder folder;
    const CIniFileImage image;
    const std::string path = folder / "missing/a.ini";
    // The folder that cannot take the file is named, with the system's reason.
    EXPECT_THAT([&] { TestSupport::SaveImage(image, path); },
                ThrowsMessage<std::runtime_error>(testing::AllOf(
                    testing::StartsWith("Unable to create file [" + path + "]: no file can be made in the folder ["),
                    testing::HasSubstr("missing].Error is ["))));
}

}  // namespace

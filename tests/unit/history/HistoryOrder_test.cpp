// The history of a backup root is ordered by the records' sequence, never by the clock
// that named their folders.

#include "history/RunHistory.h"
#include "history/RunRecord.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using TestSupport::TempFolder;

void Record(const std::string& root, const std::string& name, std::int64_t sequence)
{
    std::filesystem::create_directories(root + "/" + name);
    RunRecord record;
    record.scheme = "/s.xml";
    record.schemeSha256 = name;
    record.started = "2026-12-09 12:00:00";
    record.complete = true;
    record.sequence = sequence;
    WriteRunRecord(root + "/" + name, record);
}

TEST(HistoryOrder, SequenceDecidesAndRecordsWithoutOneComeFirst)
{
    TempFolder folder;
    const std::string root = folder / "old_version";
    EXPECT_EQ(NextSequence(root), 1);
    // Two records of an older release, a run under a clock far ahead, and two later runs
    // whose folders' names are earlier (the clock set back, another time zone).
    Record(root, "20261209120000_conv", 0);
    Record(root, "20261209130000_conv", 0);
    Record(root, "20991231235959_conv", 1);
    Record(root, "20200101000000_conv", 2);
    Record(root, "20200101000001_conv", 3);
    std::filesystem::create_directories(root + "/20300101000000_conv");  // no record
    std::vector<std::string> order;
    for (const RecordedRun& run : RecordedRuns(root)) order.push_back(run.record.schemeSha256);
    const std::vector<std::string> newestFirst = {"20200101000001_conv", "20200101000000_conv", "20991231235959_conv",
                                                  "20261209130000_conv", "20261209120000_conv"};
    EXPECT_EQ(order, newestFirst);
    EXPECT_EQ(NextSequence(root), 4);
}

TEST(HistoryOrder, ASequenceIsAWholeNumberFromOne)
{
    for (const char* bad : {"0", "-3", "1.5", "\"7\"", "null", "1e300"}) {
        CJson value;
        std::string text = ToJson(RunRecord()).Dump();
        text.insert(text.rfind('}'), std::string(", \"sequence\": ") + bad);
        ASSERT_TRUE(CJson::Parse(text, value)) << text;
        RunRecord record;
        std::string reason;
        EXPECT_FALSE(FromJson(value, record, reason)) << bad;
        EXPECT_EQ(reason, "the member 'sequence' is not a whole number from 1") << bad;
    }
    RunRecord record;
    record.sequence = 42;
    RunRecord read;
    std::string reason;
    ASSERT_TRUE(FromJson(ToJson(record), read, reason)) << reason;
    EXPECT_EQ(read.sequence, 42);
}

}  // namespace

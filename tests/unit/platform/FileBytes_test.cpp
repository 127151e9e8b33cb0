#include "platform/FileBytes.h"

#include "TestSupport.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

namespace {

using TestSupport::TempFolder;
using TestSupport::WriteFile;

// A settings file is mapped; what another program does to it meanwhile is found out
// when the run looks, and a file cut short reads as zeros rather than ending the run
// with a signal.
TEST(MappedFile, ChangesMadeWhileMappedAreFoundOut)
{
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        bool stillAsMapped;
    };
    const std::string content(3 * 4096 + 100, 'x');
    const Case cases[] = {
        {"left alone", [](const std::string&) {}, true},
        {"cut short", [](const std::string& path) { ASSERT_EQ(::truncate(path.c_str(), 10), 0); }, false},
        {"grown", [](const std::string& path) { std::ofstream(path, std::ios::app) << "more"; }, false},
        {"grown, its time put back",
         [](const std::string& path) {
             struct stat before {};
             ASSERT_EQ(::stat(path.c_str(), &before), 0);
             std::ofstream(path, std::ios::app) << "more";
             struct timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         false},
        {"written in place",
         [](const std::string& path) {
             std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
             file.seekp(5);
             file << "y";
             file.close();
             struct timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         false},
    };
    for (const Case& test : cases) {
        TempFolder folder;
        const std::string path = folder / "settings.ini";
        WriteFile(path, content);
        Platform::FileBytes bytes;
        ASSERT_EQ(Platform::MapOrReadToEnd(Platform::OpenForReading(path), bytes), 0) << test.name;
        ASSERT_EQ(bytes.sizeBytes, content.size());
        test.change(path);
        // Every byte is reached, past a new end too.
        std::size_t shown = 0;
        for (std::size_t index = 0; index < bytes.sizeBytes; ++index) shown += bytes.data[index] == 'x' ? 1 : 0;
        EXPECT_EQ(Platform::StillAsMapped(bytes), test.stillAsMapped) << test.name;
        if (test.stillAsMapped) {
            EXPECT_EQ(shown, content.size()) << test.name;
        }
    }
}

}  // namespace

// Replays every input the fuzz targets once failed on (tests/fuzz/regressions/<target>/)
// through the same target bodies.

#include "../fuzz/FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryRecordedInputRunsClean)
{
    const fs::path root = fs::path(VELMARCH_FUZZ_DIR) / "regressions";
    ASSERT_TRUE(fs::is_directory(root));
    std::size_t replayed = 0;
    for (const auto& folder : fs::directory_iterator(root)) {
        const Fuzz::Target target = Fuzz::TargetNamed(folder.path().filename().string());
        ASSERT_NE(target, nullptr) << folder.path();
        for (const auto& file : fs::directory_iterator(folder.path())) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            SCOPED_TRACE(file.path().string());
            target(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 8u);
}

}  // namespace

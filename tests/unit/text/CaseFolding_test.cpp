// The generated folding table against the Unicode Character Database's own file (Debian's
// unicode-data): every simple (C and S) mapping, and nothing folded that the file leaves.

#include "text/CaseFolding.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

TEST(CaseFolding, TheTableIsTheDatabasesSimpleFolding)
{
    std::ifstream file("/usr/share/unicode/CaseFolding.txt");
    if (!file) GTEST_SKIP() << "no /usr/share/unicode/CaseFolding.txt (Debian's unicode-data)";
    std::map<std::uint32_t, std::uint32_t> folding;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string from, status, to;
        std::getline(fields, from, ';');
        std::getline(fields, status, ';');
        std::getline(fields, to, ';');
        if (status != " C" && status != " S") continue;
        folding[std::stoul(from, nullptr, 16)] = std::stoul(to, nullptr, 16);
    }
    ASSERT_GT(folding.size(), 1400u);
    EXPECT_EQ(CaseFolding::kPairCount, folding.size());
    for (std::uint32_t codePoint = 0; codePoint <= 0x1FFFF; ++codePoint) {
        const auto found = folding.find(codePoint);
        const std::uint32_t wanted = found == folding.end() ? codePoint : found->second;
        ASSERT_EQ(CaseFolding::Fold(codePoint), wanted) << std::hex << codePoint;
    }
    // And through the UTF-8 names the program compares.
    std::string upper, lower;
    for (const auto& [from, to] : folding) {
        Encoding::AppendUtf8(upper, from);
        Encoding::AppendUtf8(lower, to);
    }
    EXPECT_EQ(Encoding::FoldUtf8(upper), Encoding::FoldUtf8(lower));
}

}  // namespace

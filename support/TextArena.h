#pragma once

// Storage for the texts an image holds besides the file's own bytes: names and values
// that actions write. Texts are copied into large blocks and never move, so views into
// them stay valid as long as the arena lives; nothing is freed one by one. Blocks start
// small and double, so the many images of a run of small files hold little each, and
// their bytes are left unfilled until a text is copied in.

#include <memory>
#include <string_view>
#include <vector>

class CTextArena {
public:
    std::string_view Keep(std::string_view text);

private:
    static constexpr std::size_t kFirstBlockBytes = 1024;
    static constexpr std::size_t kLargestBlockBytes = 64 * 1024;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_free = nullptr;
    std::size_t m_freeBytes = 0;
    std::size_t m_nextBlockBytes = kFirstBlockBytes;
};

#pragma once

// Runs of records copied one after another into blocks that never move: each run lies
// whole in one block, where it stays. Blocks start small and double up to a limit (a
// longer run gets a block of its own), so an image with few runs holds little, and a
// growing list is never held twice while it is copied.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

template <class T>
class CBlockRuns {
public:
    // Where the copy lies: it stays there as long as the runs do (nowhere for no records).
    const T* Keep(const T* first, std::size_t count)
    {
        if (count == 0) return nullptr;
        if (m_blocks.empty() || m_used + count > m_sizes.back()) {
            const std::size_t size = std::max(count, m_nextSize);
            m_blocks.push_back(std::unique_ptr<T[]>(new T[size]));
            m_sizes.push_back(size);
            m_used = 0;
            m_nextSize = std::min(m_nextSize * 2, kLargestBlockCount);
        }
        T* kept = m_blocks.back().get() + m_used;
        std::copy(first, first + count, kept);
        m_used += count;
        return kept;
    }

private:
    static constexpr std::size_t kFirstBlockCount = 16;
    static constexpr std::size_t kLargestBlockCount = 4096;

    std::vector<std::unique_ptr<T[]>> m_blocks;
    std::vector<std::size_t> m_sizes;
    std::size_t m_used = 0;
    std::size_t m_nextSize = kFirstBlockCount;
};

#include "support/TextArena.h"

#include <algorithm>
#include <cstring>

std::string_view CTextArena::Keep(std::string_view text)
{
    if (text.empty()) return std::string_view();
    if (text.size() > m_freeBytes) {
        // A text larger than a block gets a block of its own; the current one stays.
        if (text.size() > m_nextBlockBytes / 4) {
            m_blocks.push_back(std::unique_ptr<char[]>(new char[text.size()]));
            std::memcpy(m_blocks.back().get(), text.data(), text.size());
            return std::string_view(m_blocks.back().get(), text.size());
        }
        m_blocks.push_back(std::unique_ptr<char[]>(new char[m_nextBlockBytes]));
        m_free = m_blocks.back().get();
        m_freeBytes = m_nextBlockBytes;
        m_nextBlockBytes = std::min(2 * m_nextBlockBytes, kLargestBlockBytes);
    }
    char* kept = m_free;
    std::memcpy(kept, text.data(), text.size());
    m_free += text.size();
    m_freeBytes -= text.size();
    return std::string_view(kept, text.size());
}

#include "support/TextArena.h"

#include <cstring>

std::string_view CTextArena::Keep(std::string_view text)
{
    if (text.empty()) return std::string_view();
    if (text.size() > m_freeBytes) {
        // A text larger than a block gets a block of its own; the current one stays.
        if (text.size() > kBlockBytes / 4) {
            m_blocks.push_back(std::make_unique<char[]>(text.size()));
            std::memcpy(m_blocks.back().get(), text.data(), text.size());
            return std::string_view(m_blocks.back().get(), text.size());
        }
        m_blocks.push_back(std::make_unique<char[]>(kBlockBytes));
        m_free = m_blocks.back().get();
        m_freeBytes = kBlockBytes;
    }
    char* kept = m_free;
    std::memcpy(kept, text.data(), text.size());
    m_free += text.size();
    m_freeBytes -= text.size();
    return std::string_view(kept, text.size());
}

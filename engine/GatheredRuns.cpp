#include "engine/GatheredRuns.h"

namespace {

constexpr std::size_t kMostRuns = 1024;
constexpr std::size_t kMostBytes = 1 << 20;
constexpr std::size_t kMostMade = 16 * 1024;

}  // namespace

bool CGatheredRuns::AddMade(std::string& text)
{
    if (text.empty()) return true;
    m_runs.push_back(Run {nullptr, m_made.size(), text.size()});
    m_made += text;
    Note(text);
    text.clear();
    return !Full() || Send();
}

bool CGatheredRuns::AddFileBytes(std::string_view bytes)
{
    if (bytes.empty()) return true;
    m_runs.push_back(Run {bytes.data(), 0, bytes.size()});
    Note(bytes);
    return !Full() || Send();
}

bool CGatheredRuns::Send()
{
    m_views.clear();
    for (const Run& run : m_runs) {
        m_views.emplace_back(run.bytes != nullptr ? run.bytes : m_made.data() + run.madeAt, run.size);
    }
    const bool written = m_views.empty() || m_write.Write(m_views);
    m_runs.clear();
    m_made.clear();
    m_gathered = 0;
    return written;
}

void CGatheredRuns::Note(std::string_view bytes)
{
    if (m_digest != nullptr) m_digest->Update(bytes);
    m_gathered += bytes.size();
}

bool CGatheredRuns::Full() const
{
    return m_runs.size() >= kMostRuns || m_gathered >= kMostBytes || m_made.size() >= kMostMade;
}

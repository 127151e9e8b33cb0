#include "engine/TemporaryFile.h"

#include "platform/Paths.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cctype>

CTemporaryFile& CTemporaryFile::operator=(CTemporaryFile&& other) noexcept
{
    if (this != &other) {
        Discard();
        m_path = std::move(other.m_path);
        m_folder = std::move(other.m_folder);
        m_name = std::move(other.m_name);
        other.m_path.clear();
    }
    return *this;
}

bool CTemporaryFile::PutInPlace(const std::string& target)
{
    const bool replaced = m_folder ? Platform::ReplaceWithin(*m_folder, m_name, FileNamePart(target))
                                   : Platform::ReplaceWith(m_path, target);
    if (!replaced) return false;
    m_path.clear();
    Platform::SyncDirectoryOf(target);
    return true;
}

void CTemporaryFile::Discard()
{
    if (m_path.empty()) return;
    if (m_folder) {
        Platform::RemoveFileWithin(*m_folder, m_name);
    } else {
        Platform::RemoveFile(m_path);
    }
    m_path.clear();
}

namespace {

constexpr const char* kMark = ".velmarch-";

bool AllOf(const std::string& text, std::size_t from, std::size_t to, int (*test)(int))
{
    if (from >= to || to > text.size()) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.begin() + static_cast<std::ptrdiff_t>(to),
                       [test](char byte) { return test(static_cast<unsigned char>(byte)) != 0; });
}

// "<pid>-<rest>" after the mark, with `rest` checked by `tail`.
template <class Tail>
bool PidThen(const std::string& text, std::size_t from, Tail tail)
{
    const std::size_t dash = text.find('-', from);
    if (dash == std::string::npos || !AllOf(text, from, dash, isdigit)) return false;
    return tail(text.substr(dash + 1));
}

bool IsCopyTail(const std::string& rest) { return rest == "copy"; }

}  // namespace

bool IsTemporaryNameOf(const std::string& entryName, const std::string& targetName)
{
    const std::string mark = targetName + kMark;
    if (entryName.size() > mark.size() + 1 && entryName[0] == '.' && entryName.compare(1, mark.size(), mark) == 0) {
        return PidThen(entryName, mark.size() + 1,
                       [](const std::string& rest) { return rest.size() == 6 && AllOf(rest, 0, 6, isalnum); });
    }
    if (entryName.size() <= mark.size() || entryName.compare(0, mark.size(), mark) != 0) return false;
    return PidThen(entryName, mark.size(), [](const std::string& rest) {
        const std::size_t dot = rest.size() >= 4 ? rest.size() - 4 : 0;
        return IsCopyTail(rest) || (rest.size() > 4 && rest.compare(dot, 4, ".tmp") == 0 && AllOf(rest, 0, dot, isdigit));
    });
}

void RemoveLeftTemporaries(const std::string& folder, const std::vector<std::string>& targetNames)
{
    std::vector<Platform::DirectoryEntry> entries;
    if (!Platform::ListEntries(folder, entries)) return;
    for (const Platform::DirectoryEntry& entry : entries) {
        if (entry.isDirectory || entry.isLink || entry.name.find(kMark) == std::string::npos) continue;
        for (const std::string& target : targetNames) {
            if (!IsTemporaryNameOf(entry.name, target)) continue;
            Platform::RemoveIfAbandoned(CombinePath(folder, entry.name));
            break;
        }
    }
}

// A link is never followed: one planted as a dated folder, or inside one, could lead
// the clean-up into any folder of the system.
void RemoveLeftTemporariesBelow(const std::string& datedFolder)
{
    if (!Platform::FactsOf(datedFolder).isDirectory) return;
    std::vector<Platform::DirectoryEntry> entries;
    if (!Platform::ListEntries(datedFolder, entries)) return;
    for (const Platform::DirectoryEntry& entry : entries) {
        if (entry.name == "." || entry.name == ".." || entry.isLink) continue;
        const std::string path = CombinePath(datedFolder, entry.name);
        if (entry.isDirectory) {
            RemoveLeftTemporariesBelow(path);
            continue;
        }
        const std::size_t mark = entry.name.rfind(kMark);
        if (mark == std::string::npos) continue;
        // The copy's target is the part before the mark; a record's temporary starts
        // with a dot.
        const std::string copyOf = entry.name.substr(0, mark);
        if (IsTemporaryNameOf(entry.name, copyOf) || IsTemporaryNameOf(entry.name, "velmarch.json")) {
            Platform::RemoveIfAbandoned(path);
        }
    }
}

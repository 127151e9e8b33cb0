#include "engine/FileLocks.h"

#include "console/Console.h"
#include "engine/FileIdentity.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

// The entry a lock for `path` is taken on: the file, or for a name that names nothing
// yet, the nearest folder above it that exists.
std::string LockedEntry(const std::string& path)
{
    std::string entry = path;
    while (!entry.empty() && Platform::KindOf(entry) == Platform::EntryKind::Missing) {
        const std::string parent = DirectoryPart(entry);
        if (parent == entry) break;
        entry = parent;
    }
    return entry;
}

}  // namespace

CFileLocks::~CFileLocks()
{
    for (const auto& [key, handle] : m_held) Platform::Unlock(handle);
}

void CFileLocks::LockAll(const std::vector<std::string>& paths, long waitMilliseconds)
{
    std::map<std::string, std::pair<std::string, std::string>> wanted;  // key -> (entry, path as named)
    for (const std::string& path : paths) {
        const std::string entry = LockedEntry(path);
        if (entry.empty()) continue;
        wanted.emplace(FileKeyOf(entry), std::make_pair(entry, path));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (const auto& [key, names] : wanted) {
        if (m_held.count(key) != 0) continue;
        for (;;) {
            std::intptr_t handle = -1;
            const Platform::LockAnswer answer = Platform::TryLock(names.first, handle);
            if (answer == Platform::LockAnswer::Taken) {
                m_held.emplace(key, handle);
                // What was locked after a wait must be what was named before it: a folder
                // swapped for a link meanwhile is another folder.
                if (FileKeyOf(names.first) != key) {
                    throw std::runtime_error("the file [" + Console::ShownName(names.second) +
                                             "] changed while the run waited for it; nothing was changed");
                }
                break;
            }
            // What cannot be locked (a pipe, a file the user may not read) fails the
            // step that uses it, with that step's reason.
            if (answer == Platform::LockAnswer::NotLockable) break;
            if (m_onWait) m_onWait();
            if (std::chrono::steady_clock::now() >= deadline) {
                throw std::runtime_error("the file [" + Console::ShownName(names.second) +
                                         "] is in use by another run of the program; waited " +
                                         std::to_string(waitMilliseconds / 1000) + " s, nothing was changed");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
}

#pragma once

// Runs never interleave: a run or a restore holds an exclusive lock on every file it reads
// or replaces (a file that does not exist yet: the nearest folder above it that does),
// from before it consults the history of runs until its record is complete. Another run
// waits for the locks, then fails naming the file, with nothing changed.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CFileLocks {
public:
    static constexpr long kWaitMilliseconds = 10000;

    CFileLocks() = default;
    ~CFileLocks();
    CFileLocks(const CFileLocks&) = delete;
    CFileLocks& operator=(const CFileLocks&) = delete;

    // Locks every file named, in one order for every run (so two runs never wait for
    // each other in a circle), waiting up to `waitMilliseconds` in all. Throws
    // "the file [<path>] is in use by another run ..." when the wait runs out.
    void LockAll(const std::vector<std::string>& paths, long waitMilliseconds = kWaitMilliseconds);

    std::size_t HeldCount() const { return m_held.size(); }

    // Test seam: called each time a lock is found held by another, before the wait.
    void OnWaitForTesting(std::function<void()> onWait) { m_onWait = std::move(onWait); }

private:
    std::map<std::string, std::intptr_t> m_held;  // by file key
    std::function<void()> m_onWait;
};

#pragma once

// A staged file: a temporary beside its target, holding the new bytes, flushed and
// closed. The object owns the file's whole life: it removes it on every path out unless
// it was put in place. (A signal that ends the process removes it too: the platform
// layer keeps every live temporary in its registry, and the temporary carries a lock
// while it lives, so that another run's clean-up leaves it alone.)

#include "platform/Platform.h"

#include <memory>
#include <string>
#include <vector>

class CTemporaryFile {
public:
    CTemporaryFile() = default;
    // Takes over a temporary that was just made; one made in a held folder is put in
    // place and removed through that folder, by its name there.
    explicit CTemporaryFile(std::string path, std::shared_ptr<const Platform::HeldFolder> folder = nullptr,
                            std::string name = std::string())
        : m_path(std::move(path)), m_folder(std::move(folder)), m_name(std::move(name))
    {
    }
    ~CTemporaryFile() { Discard(); }
    CTemporaryFile(CTemporaryFile&& other) noexcept
        : m_path(std::move(other.m_path)), m_folder(std::move(other.m_folder)), m_name(std::move(other.m_name))
    {
        other.m_path.clear();
    }
    CTemporaryFile& operator=(CTemporaryFile&& other) noexcept;
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    const std::string& Path() const { return m_path; }
    bool Empty() const { return m_path.empty(); }

    // Puts the file in the target's place (made durable); false, with the file kept,
    // when the system refuses.
    bool PutInPlace(const std::string& target);
    void Discard();

private:
    std::string m_path;
    std::shared_ptr<const Platform::HeldFolder> m_folder;
    std::string m_name;
};

// The names a run's temporaries of the file `targetName` take: ".<name>.velmarch-<pid>-
// XXXXXX" (POSIX), "<name>.velmarch-<pid>-<n>.tmp" (Windows) and the backup copy's
// "<name>.velmarch-<pid>-copy". Nothing else is ever taken for one.
bool IsTemporaryNameOf(const std::string& entryName, const std::string& targetName);

// Removes, in `folder`, the left-over temporaries of the named files: only names of
// those exact shapes, only regular files of this user, and never one that a live run
// holds.
void RemoveLeftTemporaries(const std::string& folder, const std::vector<std::string>& targetNames);

// The same for a dated folder and the folders below it: left-over backup copies and
// record temporaries of any name.
void RemoveLeftTemporariesBelow(const std::string& datedFolder);

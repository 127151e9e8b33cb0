#pragma once

// A whole file in one block, read the same way for the INI reader and the scheme.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Platform {

struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t sizeBytes = 0;
};

// Reads an open file (from OpenForReading) on to its end into one block sized from the
// size the system reports, grown when the file holds more, and closes it. Returns 0, or
// the system's error code of a read that failed: a file that cannot be read to its end
// is never taken for a shorter one.
int ReadToEnd(std::intptr_t handle, FileBytes& bytes);

}  // namespace Platform

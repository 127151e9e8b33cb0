#pragma once

// A whole file in one block, read the same way for the INI reader and the scheme; a
// settings file may instead be mapped, watched so that a change made to it meanwhile
// is found out rather than raising a signal.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Platform {

// Lets a block go: a heap block, or a mapping with its entry in the watch list.
struct FreeBlock {
    std::size_t mappedBytes = 0;  // 0: a heap block
    int watch = -1;
    void operator()(char* block) const;
};
using Block = std::unique_ptr<char[], FreeBlock>;

struct FileBytes {
    Block data;
    std::size_t sizeBytes = 0;
};

// Reads an open file (from OpenForReading) on to its end into one block sized from the
// size the system reports, grown when the file holds more, and closes it. Returns 0, or
// the system's error code of a read that failed: a file that cannot be read to its end
// is never taken for a shorter one.
int ReadToEnd(std::intptr_t handle, FileBytes& bytes);

// Maps an open regular file whole, read-only, where the system maps files, keeping it
// open and watched until the bytes are let go; any other file is read with ReadToEnd.
// Either way the handle is the callee's. Returns 0 or the system's error code.
// A mapped file that is shortened meanwhile reads as zeros past its new end instead of
// raising a signal.
int MapOrReadToEnd(std::intptr_t handle, FileBytes& bytes);

// The bytes are still the file's: it was not shortened, grown or written since it was
// mapped. Always true for bytes that were read.
bool StillAsMapped(const FileBytes& bytes);

// The platform side of FreeBlock for a mapping.
void UnmapWatched(char* block, std::size_t mappedBytes, int watch);

}  // namespace Platform

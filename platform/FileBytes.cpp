#include "platform/FileBytes.h"

#include "platform/Platform.h"

#include <algorithm>

namespace Platform {

void FreeBlock::operator()(char* block) const
{
    if (mappedBytes == 0) {
        delete[] block;
    } else {
        UnmapWatched(block, mappedBytes, watch);
    }
}

int ReadToEnd(std::intptr_t handle, FileBytes& bytes)
{
    std::size_t capacity = static_cast<std::size_t>(SizeHint(handle)) + 1;
    // Left uninitialised: the reads fill it, and zeroing first would touch every page twice.
    bytes.data = Block(new char[capacity]);
    bytes.sizeBytes = 0;
    for (;;) {
        if (bytes.sizeBytes == capacity) {
            // The file grew or reported no size: a larger block, the bytes copied over.
            const std::size_t larger = capacity * 2 + 64 * 1024;
            Block grown(new char[larger]);
            std::copy(bytes.data.get(), bytes.data.get() + bytes.sizeBytes, grown.get());
            bytes.data = std::move(grown);
            capacity = larger;
        }
        const std::size_t wanted = std::min<std::size_t>(capacity - bytes.sizeBytes, std::size_t {1} << 30);
        const long got = ReadChunk(handle, bytes.data.get() + bytes.sizeBytes, wanted);
        if (got < 0) {
            const int errorCode = LastErrorCode();
            CloseReading(handle);
            return errorCode == 0 ? -1 : errorCode;
        }
        if (got == 0) break;
        bytes.sizeBytes += static_cast<std::size_t>(got);
    }
    CloseReading(handle);
    return 0;
}

}  // namespace Platform

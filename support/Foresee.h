#pragma once

// A hint that bytes will be read soon: the processor fetches them while other work
// goes on, so that reading them later rarely waits. Nothing changes; a build without
// the hint simply reads them when their turn comes.

#include <cstddef>

// At most the first kilobyte: a long run of bytes the processor reads ahead on its own.
inline void ForeseeBytes(const void* begin, std::size_t size)
{
#if defined(__GNUC__)
    const char* bytes = static_cast<const char*>(begin);
    const std::size_t count = size < 1024 ? size : 1024;
    for (std::size_t offset = 0; offset < count; offset += 64) __builtin_prefetch(bytes + offset);
#else
    (void)begin;
    (void)size;
#endif
}

#pragma once

// A contiguous read-only block of bytes holding a whole XML document. The block is not
// terminated: readers stop at `size` and never look at data[size].

#include <cstdint>

namespace Xml {
namespace Library {

template <class Char>
class Buffer {
public:
    virtual ~Buffer() = default;

    const Char* data = nullptr;
    std::uint32_t size = 0;
    bool usable = true;
};

}  // namespace Library
}  // namespace Xml

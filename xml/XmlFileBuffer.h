#pragma once

// A file read whole into memory as a Buffer. The file is read with plain reads rather
// than mapped, so a file truncated or changed underneath gives an error and never a
// signal. Construction never throws: any failure (no such file, no access, a
// zero-length file, a file of 4 GiB or more, a read error) leaves the buffer unusable
// and holding nothing.

#include "platform/FileBytes.h"
#include "platform/Platform.h"
#include "xml/Buffer.h"

#include <cstdint>
#include <string>

namespace Xml {
namespace Library {

template <class Char>
class XmlFileBuffer : public Buffer<Char> {
public:
    explicit XmlFileBuffer(const std::string& path)
    {
        // The size is a 32-bit count; a larger file is outside what the reader takes.
        if (!Platform::ReadWholeFile(path, m_bytes) || m_bytes.sizeBytes > UINT32_MAX ||
            m_bytes.sizeBytes % sizeof(Char) != 0) {
            m_bytes = Platform::FileBytes();
            this->usable = false;
            return;
        }
        this->data = reinterpret_cast<const Char*>(m_bytes.data.get());
        this->size = static_cast<std::uint32_t>(m_bytes.sizeBytes / sizeof(Char));
        this->usable = true;
    }

    XmlFileBuffer(const XmlFileBuffer&) = delete;
    XmlFileBuffer& operator=(const XmlFileBuffer&) = delete;

private:
    Platform::FileBytes m_bytes;
};

}  // namespace Library
}  // namespace Xml

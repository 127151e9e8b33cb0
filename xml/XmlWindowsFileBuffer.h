#pragma once

// A file mapped whole into memory as a Buffer. Construction never throws: any failure
// (no such file, no access, a zero-length file, a file of 4 GiB or more, a mapping
// refused) leaves the buffer unusable and holding nothing.

#include "platform/Platform.h"
#include "xml/Buffer.h"

#include <cstdint>
#include <string>

namespace Xml {
namespace Library {

template <class Char>
class XmlWindowsFileBuffer : public Buffer<Char> {
public:
    explicit XmlWindowsFileBuffer(const std::string& path)
    {
        if (!Platform::MapWholeFile(path, m_view)) {
            this->usable = false;
            return;
        }
        // The size is a 32-bit count; a larger file is outside what the reader takes.
        if (m_view.sizeBytes > UINT32_MAX || m_view.sizeBytes % sizeof(Char) != 0) {
            Platform::UnmapWholeFile(m_view);
            this->usable = false;
            return;
        }
        this->data = reinterpret_cast<const Char*>(m_view.data);
        this->size = static_cast<std::uint32_t>(m_view.sizeBytes / sizeof(Char));
        this->usable = true;
    }

    XmlWindowsFileBuffer(const XmlWindowsFileBuffer&) = delete;
    XmlWindowsFileBuffer& operator=(const XmlWindowsFileBuffer&) = delete;

    ~XmlWindowsFileBuffer() override { Platform::UnmapWholeFile(m_view); }

private:
    Platform::FileView m_view;
};

}  // namespace Library
}  // namespace Xml

#pragma once

// SHA-256, as 64 lower-case hex digits: how the run's record names the bytes it read and
// wrote, and the scheme that converted them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CSha256 {
public:
    void Update(std::string_view bytes);
    // The digest of everything given; the object is spent.
    std::string Hex();

private:
    void Compress(const unsigned char* block);

    std::array<std::uint32_t, 8> m_state = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    unsigned char m_block[64] = {};
    std::size_t m_blockSize = 0;
    std::uint64_t m_totalBytes = 0;
};

std::string Sha256Hex(std::string_view bytes);

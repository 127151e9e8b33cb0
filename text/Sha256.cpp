#include "text/Sha256.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<std::uint32_t, 64> kRounds = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

std::uint32_t Rotate(std::uint32_t value, int count) { return (value >> count) | (value << (32 - count)); }

}  // namespace

void CSha256::Compress(const unsigned char* block)
{
    std::array<std::uint32_t, 8>& state = m_state;
    std::uint32_t words[64];
    for (int index = 0; index < 16; ++index) {
        words[index] = (std::uint32_t {block[index * 4]} << 24) | (std::uint32_t {block[index * 4 + 1]} << 16) |
                       (std::uint32_t {block[index * 4 + 2]} << 8) | std::uint32_t {block[index * 4 + 3]};
    }
    for (int index = 16; index < 64; ++index) {
        const std::uint32_t low = Rotate(words[index - 15], 7) ^ Rotate(words[index - 15], 18) ^ (words[index - 15] >> 3);
        const std::uint32_t high = Rotate(words[index - 2], 17) ^ Rotate(words[index - 2], 19) ^ (words[index - 2] >> 10);
        words[index] = words[index - 16] + low + words[index - 7] + high;
    }
    std::array<std::uint32_t, 8> work = state;
    for (int index = 0; index < 64; ++index) {
        const std::uint32_t& e = work[4];
        const std::uint32_t sumE = Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25);
        const std::uint32_t choose = (e & work[5]) ^ (~e & work[6]);
        const std::uint32_t first = work[7] + sumE + choose + kRounds[index] + words[index];
        const std::uint32_t& a = work[0];
        const std::uint32_t sumA = Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22);
        const std::uint32_t majority = (a & work[1]) ^ (a & work[2]) ^ (work[1] & work[2]);
        const std::uint32_t second = sumA + majority;
        work = {first + second, work[0], work[1], work[2], work[3] + first, work[4], work[5], work[6]};
    }
    for (int index = 0; index < 8; ++index) state[index] += work[index];
}

void CSha256::Update(std::string_view bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t size = bytes.size();
    m_totalBytes += size;
    if (m_blockSize > 0) {
        while (size > 0 && m_blockSize < 64) {
            m_block[m_blockSize++] = *data++;
            --size;
        }
        if (m_blockSize < 64) return;
        Compress(m_block);
        m_blockSize = 0;
    }
    for (; size >= 64; data += 64, size -= 64) Compress(data);
    for (; size > 0; --size) m_block[m_blockSize++] = *data++;
}

std::string CSha256::Hex()
{
    const std::uint64_t bits = m_totalBytes * 8;
    const unsigned char one = 0x80;
    Update(std::string_view(reinterpret_cast<const char*>(&one), 1));
    const unsigned char zero = 0;
    while (m_blockSize != 56) Update(std::string_view(reinterpret_cast<const char*>(&zero), 1));
    unsigned char length[8];
    for (int index = 0; index < 8; ++index) length[7 - index] = static_cast<unsigned char>(bits >> (index * 8));
    Update(std::string_view(reinterpret_cast<const char*>(length), 8));
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::uint32_t word : m_state) {
        for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(kHex[(word >> shift) & 0xF]);
    }
    return hex;
}

std::string Sha256Hex(std::string_view bytes)
{
    CSha256 digest;
    digest.Update(bytes);
    return digest.Hex();
}

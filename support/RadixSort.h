#pragma once

// Sorts by a key of bytes, most significant first, in place: the values are dealt into
// one bucket a byte value by swapping, and each bucket is sorted on by the next byte.
// A bucket of a few values, or of values whose key bytes are all alike, is left to a
// comparison sort, which must order values as their key bytes do and settle values of
// equal keys. A run of numbered names costs a few passes over it however the numbers
// fall, where a comparison sort may meet its worst case.

#include <algorithm>
#include <cstddef>
#include <utility>

namespace RadixSortDetail {

constexpr std::ptrdiff_t kComparedSize = 32;

template <class Value, class ByteAt, class Less>
void SortFrom(Value* begin, Value* end, std::size_t depth, std::size_t keySize, const ByteAt& byteAt, const Less& less)
{
    for (; end - begin > kComparedSize && depth < keySize; ++depth) {
        std::size_t counts[256] = {};
        for (const Value* at = begin; at != end; ++at) ++counts[byteAt(*at, depth)];
        if (counts[byteAt(*begin, depth)] == static_cast<std::size_t>(end - begin)) continue;
        Value* heads[256];
        Value* ends[256];
        Value* next = begin;
        for (std::size_t byte = 0; byte < 256; ++byte) {
            heads[byte] = next;
            next += counts[byte];
            ends[byte] = next;
        }
        for (std::size_t byte = 0; byte < 256; ++byte) {
            while (heads[byte] != ends[byte]) {
                Value value = std::move(*heads[byte]);
                for (std::size_t home = byteAt(value, depth); home != byte; home = byteAt(value, depth)) {
                    std::swap(value, *heads[home]++);
                }
                *heads[byte]++ = std::move(value);
            }
        }
        for (std::size_t byte = 0; byte < 256; ++byte) {
            Value* const first = ends[byte] - counts[byte];
            if (counts[byte] > 1) SortFrom(first, ends[byte], depth + 1, keySize, byteAt, less);
        }
        return;
    }
    std::sort(begin, end, less);
}

}  // namespace RadixSortDetail

// `byteAt(value, depth)` is the key's byte at `depth` (0 the most significant, below
// `keySize`); `less` orders values whose key bytes are all alike, and agrees with them.
template <class Value, class ByteAt, class Less>
void RadixSort(Value* begin, Value* end, std::size_t keySize, const ByteAt& byteAt, const Less& less)
{
    RadixSortDetail::SortFrom(begin, end, 0, keySize, byteAt, less);
}

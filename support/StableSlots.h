#pragma once

// Objects made one after another and never moved, each found by its slot: the number
// it was made as. They lie in blocks of a hundred and twenty-eight, so objects made
// together lie together in memory, none costs a heap block of its own, and a small
// file's few objects hold no large block. A removed object leaves its slot empty.

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

template <class T>
class CStableSlots {
public:
    CStableSlots() = default;
    CStableSlots(CStableSlots&&) noexcept = default;
    CStableSlots& operator=(CStableSlots&& other) noexcept
    {
        if (this != &other) {
            Clear();
            m_blocks = std::move(other.m_blocks);
            m_live = std::move(other.m_live);
        }
        return *this;
    }
    CStableSlots(const CStableSlots&) = delete;
    CStableSlots& operator=(const CStableSlots&) = delete;
    ~CStableSlots() { Clear(); }

    std::uint32_t size() const { return static_cast<std::uint32_t>(m_live.size()); }

    // The object in the slot, or nullptr once it was removed.
    T* operator[](std::uint32_t slot) const { return m_live[slot] ? At(slot) : nullptr; }

    template <class... Arguments>
    T& Make(Arguments&&... arguments)
    {
        const std::uint32_t slot = size();
        // Left uninitialised: each object is made in its storage when its turn comes.
        if (slot % kBlockCount == 0) m_blocks.push_back(std::unique_ptr<Storage[]>(new Storage[kBlockCount]));
        T* made = new (At(slot)) T(std::forward<Arguments>(arguments)...);
        m_live.push_back(true);
        return *made;
    }

    void Remove(std::uint32_t slot)
    {
        if (!m_live[slot]) return;
        At(slot)->~T();
        m_live[slot] = false;
    }

private:
    static constexpr std::uint32_t kBlockCount = 128;
    struct Storage {
        alignas(T) unsigned char bytes[sizeof(T)];
    };

    T* At(std::uint32_t slot) const
    {
        return std::launder(reinterpret_cast<T*>(m_blocks[slot / kBlockCount][slot % kBlockCount].bytes));
    }

    void Clear()
    {
        for (std::uint32_t slot = 0; slot < size(); ++slot) Remove(slot);
        m_blocks.clear();
        m_live.clear();
    }

    std::vector<std::unique_ptr<Storage[]>> m_blocks;
    std::vector<bool> m_live;
};

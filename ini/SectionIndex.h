#pragma once

// The image's index of sections by name: an open-addressing table of section slots
// with each entry's hash beside it, names compared without regard to letter case (by
// the file's encoding). The names themselves stay with the sections: the caller tells
// the table a slot's name.

#include "support/Foresee.h"
#include "text/LetterCase.h"

#include <cstdint>
#include <string_view>
#include <vector>

class CSectionIndex {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    explicit CSectionIndex(TextEncoding encoding = TextEncoding::Windows1251) : m_hash {encoding}, m_equal {encoding} {}

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // Room for `count` names without growing.
    void reserve(std::size_t count)
    {
        if (count * 2 > m_slots.size()) Rehash(count * 2);
    }

    // The slot of the section of that name, or kNone.
    template <class NameOf>
    std::uint32_t Find(std::string_view name, const NameOf& nameOf) const
    {
        return Find(name, Hash(name), nameOf);
    }
    // The same with the name's hash made before.
    template <class NameOf>
    std::uint32_t Find(std::string_view name, std::uint32_t hash, const NameOf& nameOf) const
    {
        if (m_count == 0) return kNone;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Entry& entry = m_slots[at];
            if (entry.slot == kEmpty) return kNone;
            if (entry.slot != kRemoved && entry.hash == hash && m_equal(nameOf(entry.slot), name)) return entry.slot;
        }
    }

    // Adds a slot under its name, which no other slot has.
    template <class NameOf>
    void Insert(std::uint32_t slot, const NameOf& nameOf)
    {
        Insert(slot, Hash(nameOf(slot)));
    }
    // The same with the name's hash made before.
    void Insert(std::uint32_t slot, std::uint32_t hash)
    {
        if ((m_count + m_removed + 1) * 2 > m_slots.size()) Rehash((m_count + 1) * 4);
        Place(slot, hash);
        ++m_count;
    }

    std::uint32_t Hash(std::string_view name) const { return static_cast<std::uint32_t>(m_hash(name)); }
    // Asks for the table's entries where a look-up of the hash begins, ahead of the
    // look-up: a large table lies all over memory. Only a hint.
    void Foresee(std::uint32_t hash) const
    {
        if (!m_slots.empty()) ForeseeBytes(&m_slots[hash & (m_slots.size() - 1)], sizeof(Entry));
    }

    template <class NameOf>
    void Erase(std::uint32_t slot, const NameOf& nameOf)
    {
        const std::uint32_t hash = Hash(nameOf(slot));
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask; m_slots[at].slot != kEmpty; at = (at + 1) & mask) {
            if (m_slots[at].slot == slot) {
                m_slots[at].slot = kRemoved;
                --m_count;
                ++m_removed;
                return;
            }
        }
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::uint32_t kRemoved = 0xFFFFFFFEu;

    void Place(std::uint32_t slot, std::uint32_t hash)
    {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t at = hash & mask;
        while (m_slots[at].slot != kEmpty && m_slots[at].slot != kRemoved) at = (at + 1) & mask;
        if (m_slots[at].slot == kRemoved) --m_removed;
        m_slots[at] = Entry {slot, hash};
    }

    // A larger table (a power of two), the entries placed anew by their kept hashes.
    void Rehash(std::size_t least)
    {
        std::size_t size = 16;
        while (size < least) size *= 2;
        std::vector<Entry> slots(size, Entry {kEmpty, 0});
        slots.swap(m_slots);
        m_removed = 0;
        for (const Entry& entry : slots) {
            if (entry.slot != kEmpty && entry.slot != kRemoved) Place(entry.slot, entry.hash);
        }
    }

    struct Entry {
        std::uint32_t slot;
        std::uint32_t hash;
    };

    LetterCase::NameHash m_hash;
    LetterCase::NameEqual m_equal;
    std::vector<Entry> m_slots;
    std::size_t m_count = 0;
    std::size_t m_removed = 0;
};

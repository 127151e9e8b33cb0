#include "ini/IniFileImage.h"

#include "match/SafeRegex.h"
#include "console/Console.h"
#include "console/Messages.h"
#include "support/RadixSort.h"

#include <algorithm>
#include <cstring>

std::uint32_t CIniFileImage::SlotOf(std::string_view name) const
{
    return m_index.Find(name, [this](std::uint32_t slot) { return NameOfSlot(slot); });
}

CIniSectionsImaging* CIniFileImage::FindSection(std::string_view name)
{
    const std::uint32_t slot = SlotOf(name);
    return slot == CSectionIndex::kNone ? nullptr : m_sections[slot];
}

const CIniSectionsImaging* CIniFileImage::FindSection(std::string_view name) const
{
    const std::uint32_t slot = SlotOf(name);
    return slot == CSectionIndex::kNone ? nullptr : m_sections[slot];
}

CIniSectionsImaging& CIniFileImage::EnterSection(std::int32_t orderNumber, std::string_view name, CommentSpan comments)
{
    return EnterSection(orderNumber, name, comments, m_index.Hash(name));
}

CIniSectionsImaging& CIniFileImage::EnterSection(std::int32_t orderNumber, std::string_view name, CommentSpan comments,
                                                 std::uint32_t nameHash)
{
    const std::uint32_t slot = m_sections.size();
    m_selections.clear();
    CIniSectionsImaging& entered = m_sections.Make(*m_store, orderNumber, name, comments);
    m_index.Insert(slot, nameHash);
    PlaceSorted(slot);
    return entered;
}

void CIniFileImage::Forget(std::uint32_t slot)
{
    m_selections.clear();
    m_index.Erase(slot, [this](std::uint32_t entry) { return NameOfSlot(entry); });
    m_sections.Remove(slot);
    // The index order stays valid: a removed section's slot is skipped.
    ++m_removedSorted;
}

// The whole index order, kept once made: new and renamed sections are put in their
// place, removed ones skipped until the next placing clears them out.
void CIniFileImage::PlaceSorted(std::uint32_t slot)
{
    if (!m_sortedValid) return;
    if (m_removedSorted > 0) {
        m_sortedSlots.erase(std::remove_if(m_sortedSlots.begin(), m_sortedSlots.end(),
                                           [this](std::uint32_t entry) { return m_sections[entry] == nullptr; }),
                            m_sortedSlots.end());
        m_removedSorted = 0;
    }
    const TextEncoding encoding = FileEncoding();
    const std::string_view name = m_sections[slot]->header.Name();
    const auto place = std::lower_bound(m_sortedSlots.begin(), m_sortedSlots.end(), name,
                                        [this, encoding](std::uint32_t entry, std::string_view wanted) {
                                            return LetterCase::CompareNames(encoding, NameOfSlot(entry), wanted) < 0;
                                        });
    m_sortedSlots.insert(place, slot);
}

void CIniFileImage::UnplaceSorted(std::uint32_t slot)
{
    if (!m_sortedValid) return;
    const auto place = std::find(m_sortedSlots.begin(), m_sortedSlots.end(), slot);
    if (place != m_sortedSlots.end()) m_sortedSlots.erase(place);
}

// Index order: by name, letter case ignored. Only the sections a caller selects are
// sorted, as views of their names, so that a comparison reaches the bytes at once.
template <class Selects>
std::vector<std::uint32_t> CIniFileImage::SlotsInIndexOrder(const Selects& selects) const
{
    std::vector<std::uint32_t> slots;
    if (m_sortedValid) {
        for (std::uint32_t slot : m_sortedSlots) {
            if (m_sections[slot] != nullptr && selects(*m_sections[slot])) slots.push_back(slot);
        }
        return slots;
    }
    for (std::uint32_t slot = 0; slot < m_sections.size(); ++slot) {
        if (m_sections[slot] != nullptr && selects(*m_sections[slot])) slots.push_back(slot);
    }
    // A selection of most sections makes the whole order, which later selections then
    // walk; a smaller one is sorted on its own.
    if (slots.size() * 2 > m_index.size()) {
        m_sortedSlots.clear();
        for (std::uint32_t slot = 0; slot < m_sections.size(); ++slot) {
            if (m_sections[slot] != nullptr) m_sortedSlots.push_back(slot);
        }
        SortByName(m_sortedSlots);
        m_sortedValid = true;
        m_removedSorted = 0;
        std::vector<std::uint32_t> selected;
        selected.reserve(slots.size());
        std::vector<bool> chosen(m_sections.size(), false);
        for (std::uint32_t slot : slots) chosen[slot] = true;
        for (std::uint32_t slot : m_sortedSlots) {
            if (chosen[slot]) selected.push_back(slot);
        }
        return selected;
    }
    SortByName(slots);
    return slots;
}

namespace {

// The first sixteen bytes of a Windows-1251 name upper-cased, in the order of the case-
// insensitive comparison, and zeros after a shorter name: keys that differ order their
// names; equal keys leave it to the names. UTF-8 names, whose order folds characters,
// all get the zero key.
struct SortKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    bool operator<(const SortKey& other) const { return high != other.high ? high < other.high : low < other.low; }
    bool operator==(const SortKey& other) const { return high == other.high && low == other.low; }
};

// The first sixteen bytes of a name upper-cased, zeros after a shorter name's end, as
// two words whose order is the bytes' order.
SortKey KeyOf(TextEncoding encoding, std::string_view name)
{
    SortKey key;
    if (encoding != TextEncoding::Windows1251) return key;
    unsigned char bytes[16] = {};
    if (!name.empty()) std::memcpy(bytes, name.data(), std::min<std::size_t>(name.size(), sizeof(bytes)));
    std::uint64_t words[2];
    std::memcpy(words, bytes, sizeof(words));
    if (LetterCase::AsciiBytes(words[0] | words[1])) {
        words[0] = LetterCase::UpperAsciiBytes(words[0]);
        words[1] = LetterCase::UpperAsciiBytes(words[1]);
        std::memcpy(bytes, words, sizeof(words));
    } else {
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(LetterCase::Upper(byte));
    }
    for (std::size_t index = 0; index < sizeof(bytes); ++index) {
        std::uint64_t& word = index < 8 ? key.high : key.low;
        word = (word << 8) | bytes[index];
    }
    return key;
}

}  // namespace

// Sorted by keys made once and then as views of the names, so that most comparisons
// need not reach the names' bytes.
void CIniFileImage::SortByName(std::vector<std::uint32_t>& slots) const
{
    // Names of equal keys are reached through their slots.
    struct Entry {
        SortKey key;
        std::uint32_t slot;
    };
    const TextEncoding encoding = FileEncoding();
    std::vector<Entry> entries;
    entries.reserve(slots.size());
    for (std::uint32_t slot : slots) entries.push_back({KeyOf(encoding, NameOfSlot(slot)), slot});
    const auto less = [this, encoding](const Entry& left, const Entry& right) {
        if (!(left.key == right.key)) return left.key < right.key;
        return LetterCase::CompareNames(encoding, NameOfSlot(left.slot), NameOfSlot(right.slot)) < 0;
    };
    // UTF-8 names all have the zero key: their order is the names' own.
    const std::size_t keySize = encoding == TextEncoding::Windows1251 ? 16 : 0;
    RadixSort(entries.data(), entries.data() + entries.size(), keySize, [](const Entry& entry, std::size_t depth) {
        const std::uint64_t word = depth < 8 ? entry.key.high : entry.key.low;
        return static_cast<std::size_t>(word >> (56 - 8 * (depth % 8)) & 0xFF);
    }, less);
    for (std::size_t index = 0; index < entries.size(); ++index) slots[index] = entries[index].slot;
}

std::vector<const CIniSectionsImaging*> CIniFileImage::Sections() const
{
    std::vector<const CIniSectionsImaging*> sections;
    for (std::uint32_t slot : SlotsInIndexOrder([](const CIniSectionsImaging&) { return true; })) {
        sections.push_back(m_sections[slot]);
    }
    return sections;
}

const CIniSectionsImaging* CIniFileImage::FirstInIndexOrder(
    const std::function<bool(const CIniSectionsImaging&)>& matches) const
{
    const CIniSectionsImaging* first = nullptr;
    for (std::uint32_t slot = 0; slot < m_sections.size(); ++slot) {
        const CIniSectionsImaging* section = m_sections[slot];
        if (section == nullptr || !matches(*section)) continue;
        if (first == nullptr || LetterCase::CompareNames(FileEncoding(), section->header.Name(), first->header.Name()) < 0) {
            first = section;
        }
    }
    return first;
}

std::vector<std::string_view> CIniFileImage::CommentsOf(CommentSpan span) const
{
    const auto begin = m_store->commentLines.begin() + span.first;
    return std::vector<std::string_view>(begin, begin + span.count);
}

bool CIniFileImage::AddSection(const std::string& name)
{
    if (FindSection(name) != nullptr) {
        Console::Warn(Messages::kSectionAlreadyExists, name.c_str());
        return false;
    }
    EnterSection(NextOrder(), name, CommentSpan());
    return true;
}

bool CIniFileImage::RenameSection(const std::string& oldName, const std::string& newName)
{
    const std::uint32_t slot = SlotOf(oldName);
    if (slot == CSectionIndex::kNone) return false;
    if (FindSection(newName) != nullptr) {
        Console::Warn(Messages::kCannotRenameSection, oldName.c_str(), newName.c_str(), newName.c_str());
        return false;
    }
    const auto nameOf = [this](std::uint32_t entry) { return NameOfSlot(entry); };
    m_index.Erase(slot, nameOf);
    UnplaceSorted(slot);
    m_selections.clear();
    m_sections[slot]->SetName(newName);
    m_index.Insert(slot, nameOf);
    PlaceSorted(slot);
    return true;
}

bool CIniFileImage::CopySection(const std::string& sourceName, const std::string& targetName)
{
    const CIniSectionsImaging* source = FindSection(sourceName);
    if (source == nullptr) return false;
    if (FindSection(targetName) != nullptr) {
        Console::Warn(Messages::kCannotCopySection, sourceName.c_str(), targetName.c_str(), targetName.c_str());
        return false;
    }
    CIniSectionsImaging& target = EnterSection(NextOrder(), targetName, CommentSpan());
    for (const CParameterImage& parameter : source->ParametersInOrder()) {
        CParameterImage copy = parameter;
        copy.orderNumber = NextOrder();
        target.InsertParameter(copy);
    }
    return true;
}

void CIniFileImage::RemoveSection(const std::string& name)
{
    const std::uint32_t slot = SlotOf(name);
    if (slot != CSectionIndex::kNone) Forget(slot);
}

std::vector<std::string> CIniFileImage::SelectSections(const std::string& namePattern) const
{
    if (m_index.empty()) return {};
    return SelectSections(CSafeRegex(namePattern));
}

void CIniFileImage::RemoveSections(const std::string& namePattern)
{
    if (m_index.empty()) return;
    const CSafeRegex pattern(namePattern);
    std::string matchText;
    for (std::uint32_t slot = 0; slot < m_sections.size(); ++slot) {
        if (m_sections[slot] != nullptr && NameMatches(pattern, *m_sections[slot], matchText)) Forget(slot);
    }
}

bool CIniFileImage::NameMatches(const CSafeRegex& pattern, const CIniSectionsImaging& section,
                                std::string& matchText) const
{
    if (FileEncoding() != TextEncoding::Utf8) return pattern.MatchesLowered(section.header.Name(), matchText);
    LetterCase::MatchTextInto(TextEncoding::Utf8, section.header.Name(), matchText);
    return pattern.Matches(matchText);
}

std::vector<std::uint32_t> CIniFileImage::SelectedSlots(const CSafeRegex& pattern) const
{
    std::string matchText;
    return SlotsInIndexOrder(
        [&](const CIniSectionsImaging& section) { return NameMatches(pattern, section, matchText); });
}

std::vector<std::string> CIniFileImage::SelectSections(const CSafeRegex& pattern) const
{
    std::vector<std::string> selected;
    for (std::uint32_t slot : SelectedSlots(pattern)) selected.emplace_back(m_sections[slot]->header.Name());
    return selected;
}

std::vector<CIniSectionsImaging*> CIniFileImage::SelectSectionImages(const std::string& namePattern)
{
    if (m_index.empty()) return {};
    auto cached = m_selections.find(namePattern);
    if (cached == m_selections.end()) {
        cached = m_selections.emplace(namePattern, SelectedSlots(CSafeRegex(namePattern))).first;
    }
    std::vector<CIniSectionsImaging*> selected;
    selected.reserve(cached->second.size());
    for (std::uint32_t slot : cached->second) selected.push_back(m_sections[slot]);
    return selected;
}

std::vector<std::string> CIniFileImage::SelectParameters(const std::string& sectionName,
                                                         const std::string& namePattern) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    if (section == nullptr || section->Parameters().empty()) return {};
    return SelectParameters(sectionName, CSafeRegex(namePattern));
}

// Distinct names in index order (by name, letter case ignored), each spelled as the
// earliest inserted parameter of that name spells it.
std::vector<std::string> CIniFileImage::SelectParameters(const std::string& sectionName,
                                                         const CSafeRegex& pattern) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    return section == nullptr ? std::vector<std::string>() : SelectParameters(*section, pattern);
}

std::vector<std::string> CIniFileImage::SelectParameters(const CIniSectionsImaging& section,
                                                         const CSafeRegex& pattern) const
{
    std::vector<std::string> selected;
    std::vector<const CParameterImage*> matching;
    std::string matchText;
    for (const CParameterImage& parameter : section.Parameters()) {
        LetterCase::MatchTextInto(FileEncoding(), m_store->NameOf(parameter), matchText);
        if (pattern.Matches(matchText)) matching.push_back(&parameter);
    }
    const TextEncoding encoding = FileEncoding();
    const CImageStore& store = *m_store;
    std::sort(matching.begin(), matching.end(), [encoding, &store](const CParameterImage* left, const CParameterImage* right) {
        const int order = LetterCase::CompareNames(encoding, store.NameOf(*left), store.NameOf(*right));
        return order != 0 ? order < 0 : left->sequence < right->sequence;
    });
    for (const CParameterImage* parameter : matching) {
        if (!selected.empty() && LetterCase::EqualNames(encoding, selected.back(), store.NameOf(*parameter))) continue;
        selected.emplace_back(store.NameOf(*parameter));
    }
    return selected;
}

bool CIniFileImage::AddParameter(const std::string& sectionName, const std::string& parameterName,
                                 const COptional<std::string>& value)
{
    CIniSectionsImaging* section = FindSection(sectionName);
    if (section == nullptr) {
        Console::Warn(Messages::kSectionNotDefined, sectionName.c_str(), parameterName.c_str());
        return false;
    }
    CTextArena& arena = m_store->arena;
    const std::string_view valueText = value.HasValue() ? arena.Keep(value.Value()) : std::string_view();
    CParameterImage parameter;
    parameter.orderNumber = NextOrder();
    m_store->SetName(parameter, arena.Keep(parameterName));
    m_store->SetValue(parameter, valueText, value.HasValue());
    section->InsertParameter(parameter);
    return true;
}

bool CIniFileImage::HasParameter(const std::string& sectionName, const std::string& parameterName) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    return section != nullptr && section->FindParameter(parameterName) != nullptr;
}

std::string CIniFileImage::GetParameterValue(const std::string& sectionName, const std::string& parameterName,
                                             const std::string& defaultText) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    if (section == nullptr) return defaultText;
    const CParameterImage* parameter = section->FindParameter(parameterName);
    return parameter == nullptr ? defaultText : std::string(m_store->ValueOf(*parameter));
}

std::int32_t CIniFileImage::NextOrder() { return m_orderCounter++; }

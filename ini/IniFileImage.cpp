#include "ini/IniFileImage.h"

#include "condition/SafeRegex.h"
#include "platform/Console.h"
#include "platform/Messages.h"

CIniSectionsImaging* CIniFileImage::FindSection(const std::string& name)
{
    const auto entry = m_sections.find(name);
    return entry == m_sections.end() ? nullptr : entry->second.get();
}

const CIniSectionsImaging* CIniFileImage::FindSection(const std::string& name) const
{
    const auto entry = m_sections.find(name);
    return entry == m_sections.end() ? nullptr : entry->second.get();
}

CIniSectionsImaging& CIniFileImage::EnterSection(std::unique_ptr<CIniSectionsImaging> section)
{
    const std::string key = section->header.name;
    CIniSectionsImaging& entered = *section;
    m_sections.emplace(key, std::move(section));
    return entered;
}

bool CIniFileImage::AddSection(const std::string& name)
{
    if (FindSection(name) != nullptr) {
        Console::Warn(Messages::kSectionAlreadyExists, name.c_str());
        return false;
    }
    EnterSection(std::make_unique<CIniSectionsImaging>(NextOrder(), name));
    return true;
}

bool CIniFileImage::RenameSection(const std::string& oldName, const std::string& newName)
{
    const auto entry = m_sections.find(oldName);
    if (entry == m_sections.end()) return false;
    if (FindSection(newName) != nullptr) {
        Console::Warn(Messages::kCannotRenameSection, oldName.c_str(), newName.c_str(), newName.c_str());
        return false;
    }
    std::unique_ptr<CIniSectionsImaging> section = std::move(entry->second);
    m_sections.erase(entry);
    section->header.name = newName;
    EnterSection(std::move(section));
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
    auto target = std::make_unique<CIniSectionsImaging>(NextOrder(), targetName);
    for (const CParameterImage* parameter : source->ParametersInOrder()) {
        target->InsertParameter(std::make_unique<CParameterImage>(NextOrder(), parameter->name, parameter->value,
                                                                  parameter->commentLines));
    }
    EnterSection(std::move(target));
    return true;
}

void CIniFileImage::RemoveSection(const std::string& name) { m_sections.erase(name); }

std::vector<std::string> CIniFileImage::SelectSections(const std::string& namePattern) const
{
    if (m_sections.empty()) return {};
    return SelectSections(CSafeRegex(namePattern));
}

std::vector<std::string> CIniFileImage::SelectSections(const CSafeRegex& pattern) const
{
    std::vector<std::string> selected;
    for (const auto& entry : m_sections) {
        const std::string& name = entry.second->header.name;
        if (pattern.Matches(LetterCase::LowerText(name))) selected.push_back(name);
    }
    return selected;
}

std::vector<std::string> CIniFileImage::SelectParameters(const std::string& sectionName,
                                                         const std::string& namePattern) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    if (section == nullptr || section->Parameters().empty()) return {};
    return SelectParameters(sectionName, CSafeRegex(namePattern));
}

std::vector<std::string> CIniFileImage::SelectParameters(const std::string& sectionName,
                                                         const CSafeRegex& pattern) const
{
    std::vector<std::string> selected;
    const CIniSectionsImaging* section = FindSection(sectionName);
    if (section == nullptr) return selected;
    for (const auto& parameter : section->Parameters()) {
        const std::string lowered = LetterCase::LowerText(parameter->name);
        if (!pattern.Matches(lowered)) continue;
        // Equal names sit next to each other in the index, so one look back suffices.
        if (!selected.empty() && LetterCase::LowerText(selected.back()) == lowered) continue;
        selected.push_back(parameter->name);
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
    section->InsertParameter(std::make_unique<CParameterImage>(NextOrder(), parameterName, value));
    return true;
}

bool CIniFileImage::HasParameter(const std::string& sectionName, const std::string& parameterName) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    return section != nullptr && section->Parameters().count(parameterName) > 0;
}

std::string CIniFileImage::GetParameterValue(const std::string& sectionName, const std::string& parameterName,
                                             const std::string& defaultText) const
{
    const CIniSectionsImaging* section = FindSection(sectionName);
    if (section == nullptr) return defaultText;
    const auto entry = section->Parameters().lower_bound(parameterName);
    if (entry == section->Parameters().end() || !LetterCase::EqualNoCase((*entry)->name, parameterName)) {
        return defaultText;
    }
    return (*entry)->ValueOrEmpty();
}

std::int32_t CIniFileImage::NextOrder() { return m_orderCounter++; }

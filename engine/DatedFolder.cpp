#include "engine/DatedFolder.h"

#include "console/Console.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include <fmt/format.h>

namespace {

// A dated folder's name: "YYYYMMDDhhmmss_conv".
std::string DatedName(long long year, long long month, long long day, long long seconds)
{
    return fmt::format("{:04}{:02}{:02}{:02}{:02}{:02}_conv", year, month, day, seconds / 3600, seconds / 60 % 60,
                       seconds % 60);
}

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

unsigned Digits(const std::string& text, std::size_t at, std::size_t count)
{
    unsigned value = 0;
    for (std::size_t index = at; index < at + count; ++index) value = value * 10 + static_cast<unsigned>(text[index] - '0');
    return value;
}

}  // namespace

std::string BackupFolderName()
{
    const Platform::LocalTime now = Platform::Now();
    const long long seconds = now.hour * 3600LL + now.minute * 60LL + now.second;
    return kBackupRootName + Separator() + DatedName(now.year, now.month, now.day, seconds);
}

std::string NextSecondName(const std::string& datedName)
{
    if (!IsDatedFolderName(datedName)) return datedName;
    std::int64_t year = Digits(datedName, 0, 4);
    unsigned month = Digits(datedName, 4, 2);
    unsigned day = Digits(datedName, 6, 2);
    // A name no calendar holds (month 13, hour 25) still gets a later name.
    month = std::min(std::max(month, 1u), 12u);
    day = std::min(std::max(day, 1u), 31u);
    std::int64_t seconds = Digits(datedName, 8, 2) * 3600 + Digits(datedName, 10, 2) * 60 + Digits(datedName, 12, 2);
    std::int64_t days = DaysFromCivil(year, month, day) + seconds / 86400;
    seconds = seconds % 86400 + 1;
    days += seconds / 86400;
    seconds %= 86400;
    CivilFromDays(days, year, month, day);
    const std::string next = DatedName(year, month, day, seconds);
    // Past year 9999 the name would grow a digit: it stays the last name of its shape.
    return IsDatedFolderName(next) && next > datedName ? next : datedName;
}

std::string FreshDatedFolderName(const std::string& proposed, const std::vector<std::string>& roots)
{
    std::string name = proposed;
    std::string newest;
    for (const std::string& root : roots) {
        std::vector<Platform::DirectoryEntry> entries;
        if (!Platform::ListEntries(root, entries)) continue;
        for (const Platform::DirectoryEntry& entry : entries) {
            if (IsDatedFolderName(entry.name) && entry.name > newest) newest = entry.name;
        }
    }
    if (!newest.empty() && name <= newest) name = NextSecondName(newest);
    return name;
}

bool IsDatedFolderName(const std::string& name)
{
    constexpr std::size_t kDigits = 14;
    if (name.size() != kDigits + 5 || name.compare(kDigits, 5, "_conv") != 0) return false;
    return std::all_of(name.begin(), name.begin() + kDigits, [](char byte) { return byte >= '0' && byte <= '9'; });
}

std::string DatedFolderFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                           const std::string& backupFolder)
{
    return CombinePath(hasFileDirectory ? baseDirectory : DirectoryPart(inputPath), backupFolder);
}

std::string BackupPathFor(const std::string& inputPath, const std::string& baseDirectory, bool hasFileDirectory,
                          const std::string& backupFolder)
{
    const std::string root = DatedFolderFor(inputPath, baseDirectory, hasFileDirectory, backupFolder);
    const std::string name = FileNamePart(inputPath);
    if (!hasFileDirectory) return CombinePath(root, name);
    const std::optional<std::string> below = RelativePath(baseDirectory, DirectoryPart(inputPath));
    const std::string folder = below ? CombinePath(root, *below) : root;
    return CombinePath(folder, name);
}

std::string BackupFolderErrorText(const std::string& folder, int errorCode)
{
    return "Unable to create the backup folder [" + Console::ShownName(folder) + "]" + Platform::ErrorSuffix(errorCode);
}

std::string MoveErrorText(const std::string& inputPath, const std::string& backupPath, int errorCode)
{
    return "Unable to move file [" + Console::ShownName(inputPath) + "] to [" + Console::ShownName(backupPath) + "]" +
           Platform::ErrorSuffix(errorCode);
}

#include "platform/Paths.h"

#include "text/LetterCase.h"
#include "platform/Platform.h"

namespace {

bool IsSeparator(char byte) { return byte == '/' || byte == '\\'; }

std::size_t LastSeparator(const std::string& path)
{
    return path.find_last_of("/\\");
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> components;
    std::string current;
    for (char byte : path) {
        if (IsSeparator(byte)) {
            if (!current.empty()) components.push_back(current);
            current.clear();
        } else {
            current.push_back(byte);
        }
    }
    if (!current.empty()) components.push_back(current);
    return components;
}

// Drops empty and "." components; ".." removes the component before it (and is
// dropped at the root). The leading separator is kept.
std::string Normalise(const std::string& path)
{
    const bool rooted = !path.empty() && IsSeparator(path[0]);
    std::vector<std::string> kept;
    for (const std::string& component : SplitComponents(path)) {
        if (component == ".") continue;
        if (component == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(component);
    }
    const std::string separator = Separator();
    std::string result = rooted ? separator : std::string();
    for (std::size_t index = 0; index < kept.size(); ++index) {
        if (index > 0) result += separator;
        result += kept[index];
    }
    return result;
}

// "D:\\" for a drive-qualified directory, otherwise the separator alone.
std::string RootOf(const std::string& directory)
{
    if (directory.size() >= 2 && directory[1] == ':') return directory.substr(0, 2) + Separator();
    return Separator();
}

// A directory without the separators that end it ("D:\\a\\" is "D:\\a"); a root stays.
std::string WithoutTrailingSeparators(const std::string& directory)
{
    std::string trimmed = directory;
    while (trimmed.size() > 1 && IsSeparator(trimmed.back()) && trimmed[trimmed.size() - 2] != ':') trimmed.pop_back();
    return trimmed;
}

}  // namespace

std::string Separator() { return std::string(1, Platform::PathSeparator()); }

std::string WithBuildSeparators(const std::string& path)
{
    if (Platform::PathSeparator() != '\\') return path;
    std::string result = path;
    for (char& byte : result) {
        if (byte == '/') byte = '\\';
    }
    return result;
}

bool IsQualifiedPath(const std::string& path)
{
    // On POSIX a colon is an ordinary character: only a path from the root is absolute
    // (a leading backslash is joined to the root by CombinePath).
    if (Platform::PathSeparator() == '/') return !path.empty() && path[0] == '/';
    if (path.find("\\\\") != std::string::npos) return true;
    if (path.find("//") != std::string::npos) return true;
    return path.find(':') != std::string::npos;
}

std::string ProgramDirectory()
{
    const std::string executable = Platform::ExecutablePath();
    if (executable.empty()) return std::string();
    const std::size_t slash = executable.find_last_of(Platform::PathSeparator());
    if (slash == std::string::npos) return executable;
    return executable.substr(0, slash);
}

std::string ProgramBaseName()
{
    const std::string name = FileNamePart(Platform::ExecutablePath());
    const std::size_t extension = name.find(".exe");
    return extension == std::string::npos ? name : name.substr(0, extension);
}

std::string AbsoluteToProgramDirectory(const std::string& path)
{
    if (IsQualifiedPath(path)) return WithBuildSeparators(path);
    return WithBuildSeparators(ProgramDirectory() + Separator() + path);
}

std::string AbsoluteToCurrentDirectory(const std::string& path)
{
    if (IsQualifiedPath(path)) return WithBuildSeparators(path);
    return CombinePath(Platform::CurrentDirectory(), path);
}

std::string CombinePath(const std::string& directory, const std::string& name)
{
    std::string combined;
    if (Platform::SystemCombinePath(directory, name, combined)) return combined;
    return WithBuildSeparators(CombineAsText(directory, name));
}

std::string CombineAsText(const std::string& directory, const std::string& name)
{
    std::string joined;
    if (IsQualifiedPath(name) || directory.empty()) {
        joined = name;
    } else if (!name.empty() && name[0] == '\\') {
        joined = RootOf(directory) + name.substr(1);
    } else {
        joined = directory;
        if (!IsSeparator(joined.back())) joined += Separator();
        joined += name;
    }
    std::string result = Normalise(joined);
    const bool keepTrailing = !name.empty() && IsSeparator(name.back());
    if (keepTrailing && (result.empty() || !IsSeparator(result.back()))) result += Separator();
    return result;
}

std::optional<std::string> RelativePath(const std::string& fromDirectory, const std::string& toDirectory)
{
    std::string relative;
    switch (Platform::SystemRelativePath(WithoutTrailingSeparators(fromDirectory), WithoutTrailingSeparators(toDirectory),
                                         relative)) {
    case Platform::SystemAnswer::Found:
        if (relative.size() >= 2 && relative.compare(0, 2, "..") == 0) return std::nullopt;
        return relative;
    case Platform::SystemAnswer::None: return std::nullopt;
    case Platform::SystemAnswer::NoCall: break;
    }
    return RelativeAsText(fromDirectory, toDirectory);
}

std::optional<std::string> RelativeAsText(const std::string& fromDirectory, const std::string& toDirectory)
{
    const std::string from = Normalise(fromDirectory);
    const std::string to = Normalise(toDirectory);
    if (from == to) return std::string(".");
    const bool fromRooted = !from.empty() && IsSeparator(from[0]);
    const bool toRooted = !to.empty() && IsSeparator(to[0]);
    if (fromRooted != toRooted) return std::nullopt;
    const std::vector<std::string> fromParts = SplitComponents(from);
    const std::vector<std::string> toParts = SplitComponents(to);
    if (toParts.size() <= fromParts.size()) return std::nullopt;
    for (std::size_t index = 0; index < fromParts.size(); ++index) {
        if (fromParts[index] != toParts[index]) return std::nullopt;
    }
    std::string relative = ".";
    for (std::size_t index = fromParts.size(); index < toParts.size(); ++index) {
        relative += Separator() + toParts[index];
    }
    return relative;
}

std::string DirectoryPart(const std::string& path)
{
    const std::size_t slash = LastSeparator(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNamePart(const std::string& path)
{
    const std::size_t slash = LastSeparator(path);
    return slash == std::string::npos ? std::string() : path.substr(slash + 1);
}

bool IsDirectory(const std::string& path)
{
    return Platform::KindOf(AbsoluteToProgramDirectory(path)) == Platform::EntryKind::Directory;
}

bool MakeDirectory(const std::string& path)
{
    if (IsDirectory(path)) return true;
    if (IsQualifiedPath(path)) return Platform::CreateOneDirectory(path);
    return Platform::CreateOneDirectory(ProgramDirectory() + Separator() + path);
}

void CreateParentDirectories(const std::string& path)
{
    if (path.empty()) return;
    std::size_t position = LastSeparator(path);
    while (position != std::string::npos && !IsDirectory(path.substr(0, position))) {
        position = position == 0 ? std::string::npos : path.find_last_of("/\\", position - 1);
    }
    const std::size_t start = position == std::string::npos ? 1 : position + 1;
    for (std::size_t index = start; index < path.size(); ++index) {
        if (IsSeparator(path[index])) MakeDirectory(path.substr(0, index));
    }
}

std::vector<std::string> ListDirectory(const std::string& directory)
{
    std::vector<Platform::DirectoryEntry> entries;
    std::vector<std::string> names;
    if (!Platform::ListEntries(AbsoluteToProgramDirectory(directory), entries)) return names;
    for (const Platform::DirectoryEntry& entry : entries) {
        if (!entry.name.empty() && entry.name[0] != '.') names.push_back(entry.name);
    }
    return names;
}

std::string ToLower(const std::string& text) { return LetterCase::LowerText(text); }

std::string LastErrorText() { return Platform::ErrorText(Platform::LastErrorCode()); }

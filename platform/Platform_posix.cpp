#include "platform/Platform.h"

#include "platform/LetterCase.h"
#include "platform/WriteFaults.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

namespace Platform {
namespace {

// Paths reach the system with every backslash turned into a slash.
std::string Native(const std::string& path)
{
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteFully(int descriptor, const char* data, std::size_t sizeBytes)
{
    while (sizeBytes > 0) {
        const ssize_t written = ::write(descriptor, data, sizeBytes);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        data += written;
        sizeBytes -= static_cast<std::size_t>(written);
    }
    return true;
}

// The fallback of a move across file systems: copy content and permission bits over
// the target, then delete the source. Returns 0 or the errno of the failing step.
int CopyThenDelete(const std::string& from, const std::string& to)
{
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return errno;
    struct stat sourceInfo {};
    if (::fstat(source, &sourceInfo) != 0) {
        const int error = errno;
        ::close(source);
        return error;
    }
    const int target = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (target < 0) {
        const int error = errno;
        ::close(source);
        return error;
    }
    int error = 0;
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(source, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) { error = errno; break; }
        if (got == 0) break;
        if (!WriteFully(target, chunk, static_cast<std::size_t>(got))) { error = errno; break; }
    }
    if (error == 0 && ::fchmod(target, sourceInfo.st_mode & 07777) != 0) error = errno;
    if (error == 0 && ::fsync(target) != 0) error = errno;
    if (::close(target) != 0 && error == 0) error = errno;
    ::close(source);
    if (error != 0) {
        ::unlink(to.c_str());
        return error;
    }
    if (::unlink(from.c_str()) != 0) return errno;
    return 0;
}

}  // namespace

// The POSIX build keeps the classic "C" locale: no system locale is used for names,
// and numbers always use '.'.
void SetUpLocale() {}

char PathSeparator() { return '/'; }

// The text rules of the path helpers serve here; there is no system call for these.
bool SystemCombinePath(const std::string&, const std::string&, std::string&) { return false; }
SystemAnswer SystemRelativePath(const std::string&, const std::string&, std::string&) { return SystemAnswer::NoCall; }

const char* TextLineEnd() { return "\n"; }

std::string ExecutablePath()
{
    std::vector<char> buffer(512);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(512);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

EntryKind KindOf(const std::string& path)
{
    struct stat info {};
    if (::stat(Native(path).c_str(), &info) != 0) return EntryKind::Missing;
    return S_ISDIR(info.st_mode) ? EntryKind::Directory : EntryKind::File;
}

bool CreateOneDirectory(const std::string& path)
{
    return ::mkdir(Native(path).c_str(), 0777) == 0;
}

bool ListEntries(const std::string& directory, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    const std::string native = Native(directory);
    DIR* handle = ::opendir(native.c_str());
    if (handle == nullptr) return false;
    while (const dirent* entry = ::readdir(handle)) {
        DirectoryEntry listed;
        listed.name = entry->d_name;
        std::string full = native;
        if (full.empty() || full.back() != '/') full.push_back('/');
        listed.isDirectory = KindOf(full + listed.name) == EntryKind::Directory;
        entries.push_back(std::move(listed));
    }
    ::closedir(handle);
    // A folder is listed in the order NTFS gives: case-insensitive by name.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const DirectoryEntry& left, const DirectoryEntry& right) {
                         return LetterCase::CompareNoCase(left.name, right.name) < 0;
                     });
    return true;
}

int MoveReplacing(const std::string& from, const std::string& to)
{
    const std::string nativeFrom = Native(from);
    const std::string nativeTo = Native(to);
    if (::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0) return 0;
    const int error = errno;
    if (error != EXDEV) return error;
    const int copyError = CopyThenDelete(nativeFrom, nativeTo);
    errno = copyError;
    return copyError;
}

std::string ErrorText(int errorCode)
{
    const char* text = std::strerror(errorCode);
    if (text == nullptr) return std::string();
    char code[32];
    std::snprintf(code, sizeof code, " (0x%x)", static_cast<unsigned>(errorCode));
    return std::string(text) + code;
}

int LastErrorCode() { return errno; }

LocalTime Now()
{
    const std::time_t seconds = std::time(nullptr);
    std::tm parts {};
    ::localtime_r(&seconds, &parts);
    LocalTime now;
    now.year = parts.tm_year + 1900;
    now.month = parts.tm_mon + 1;
    now.day = parts.tm_mday;
    now.hour = parts.tm_hour;
    now.minute = parts.tm_min;
    now.second = parts.tm_sec;
    return now;
}

bool MapWholeFile(const std::string& path, FileView& fileView)
{
    fileView = FileView();
    const int descriptor = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(descriptor);
        return false;
    }
    const auto sizeBytes = static_cast<std::uint64_t>(info.st_size);
    if (sizeBytes > std::numeric_limits<std::size_t>::max()) {
        ::close(descriptor);
        return false;
    }
    void* view = ::mmap(nullptr, static_cast<std::size_t>(sizeBytes), PROT_READ, MAP_PRIVATE,
                        descriptor, 0);
    if (view == MAP_FAILED) {
        ::close(descriptor);
        return false;
    }
    fileView.data = static_cast<const char*>(view);
    fileView.sizeBytes = sizeBytes;
    fileView.fileHandle = descriptor;
    fileView.view = view;
    return true;
}

void UnmapWholeFile(FileView& fileView)
{
    if (fileView.view != nullptr) ::munmap(fileView.view, static_cast<std::size_t>(fileView.sizeBytes));
    if (fileView.fileHandle >= 0) ::close(static_cast<int>(fileView.fileHandle));
    fileView = FileView();
}

std::intptr_t OpenForReading(const std::string& path)
{
    const int descriptor = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return -1;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

long ReadChunk(std::intptr_t handle, char* buffer, std::size_t sizeBytes)
{
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(handle), buffer, sizeBytes);
        if (got < 0 && errno == EINTR) continue;
        return got < 0 ? -1 : static_cast<long>(got);
    }
}

void CloseReading(std::intptr_t handle)
{
    if (handle >= 0) ::close(static_cast<int>(handle));
}

std::string FinalLinkTarget(const std::string& path)
{
    std::string current = Native(path);
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (length < 0) return current;
        std::string target(buffer.data(), static_cast<std::size_t>(length));
        if (target.empty()) return current;
        if (target[0] != '/') {
            const std::size_t slash = current.find_last_of('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    return current;
}

bool ExistsReadOnly(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::ReadOnlyTarget)) return true;
    const std::string native = Native(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) return false;
    return ::access(native.c_str(), W_OK) != 0;
}

bool CreateTempFileBeside(const std::string& targetPath, TempFile& tempFile)
{
    tempFile = TempFile();
    if (ConsumeInjectedFailure(WriteStep::Create)) return false;
    const std::string native = Native(targetPath);
    const std::size_t slash = native.find_last_of('/');
    const std::string directory = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    std::string pattern = directory + "." + name + ".velmarch-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int descriptor = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (descriptor < 0) return false;
    tempFile.handle = descriptor;
    tempFile.path = buffer.data();
    return true;
}

bool WriteAll(const TempFile& tempFile, const char* data, std::size_t sizeBytes)
{
    if (ConsumeInjectedFailure(WriteStep::Write)) return false;
    return WriteFully(static_cast<int>(tempFile.handle), data, sizeBytes);
}

bool FlushToDisk(const TempFile& tempFile)
{
    if (ConsumeInjectedFailure(WriteStep::Flush)) return false;
    return ::fsync(static_cast<int>(tempFile.handle)) == 0;
}

bool CloseFile(TempFile& tempFile)
{
    if (tempFile.handle < 0) return true;
    const int result = ::close(static_cast<int>(tempFile.handle));
    tempFile.handle = -1;
    if (ConsumeInjectedFailure(WriteStep::Close)) return false;
    return result == 0;
}

void TakePermissions(const TempFile& tempFile, const std::string& targetPath)
{
    struct stat info {};
    mode_t mode = 0;
    if (::stat(Native(targetPath).c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(static_cast<int>(tempFile.handle), mode);
}

bool ReplaceWith(const std::string& tempPath, const std::string& targetPath)
{
    if (ConsumeInjectedFailure(WriteStep::Replace)) return false;
    return ::rename(Native(tempPath).c_str(), Native(targetPath).c_str()) == 0;
}

void RemoveFile(const std::string& path) { ::unlink(Native(path).c_str()); }

void SyncDirectoryOf(const std::string& path)
{
    const int descriptor = ::open(DirectoryOf(Native(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace Platform
